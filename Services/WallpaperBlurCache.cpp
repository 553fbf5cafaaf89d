#include "Services/WallpaperBlurCache.h"

#include "Platform/ImageFileDecoder.h"
#include "Support/AtomicFile.h"
#include "Support/Constants.h"
#include "Support/HexDigit.h"
#include "Support/Logger.h"
#include "Support/TaskRunner.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

const QString kLatestFileName = QStringLiteral("latest.json");

// A JPEG we wrote always ends with its end-of-image marker; one without it was cut short (a
// crash or a full disk mid-write), and decoders would quietly fill the missing rows with grey.
bool isTruncatedJpeg(const QByteArray& data)
{
    if (!data.startsWith("\xFF\xD8"))
        return false;
    qsizetype end = data.size();
    while (end > 0 && data.at(end - 1) == '\0')
        --end;
    return end < 4 || data.at(end - 2) != '\xFF' || data.at(end - 1) != '\xD9';
}

QString writeAtomically(const QString& path, const QByteArray& data)
{
    QString error;
    // A cache, read back only when whole: no write of it waits on the disk.
    writeFileAtomically(path, data, &error, FileSync::none);
    return error;
}

} // namespace

WallpaperBlurCache::WallpaperBlurCache(QString directory, TaskRunner writes, double jpegQuality)
    : m_directory(std::move(directory)), m_writes(std::move(writes)), m_jpegQuality(jpegQuality)
{
}

WallpaperBlurCache& WallpaperBlurCache::shared()
{
    static WallpaperBlurCache instance(AppConstants::resolvedAppSupportDirectory() + QStringLiteral("/WallpaperBlurCache"),
                                       utilityRunner(), AppConstants::wallpaperBlurJPEGQuality);
    return instance;
}

QString WallpaperBlurCache::fileName(quint64 fingerprint, double radius, int width, int height)
{
    return QStringLiteral("%1_r%2_%3x%4.jpg")
        .arg(QString::number(fingerprint, 16))
        .arg(qint64(std::llround(radius)))
        .arg(width)
        .arg(height);
}

QString WallpaperBlurCache::directoryPath() const
{
    QDir().mkpath(m_directory);
    return m_directory;
}

QImage WallpaperBlurCache::image(quint64 fingerprint, double radius, int width, int height) const
{
    const QString path = directoryPath() + QLatin1Char('/') + fileName(fingerprint, radius, width, height);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    file.close();
    const QImage decoded = isTruncatedJpeg(data) ? QImage() : ImageFileDecoder::decodeData(data);
    if (decoded.isNull()) {
        QFile::remove(path);
        return {};
    }
    // Eviction goes by this date, so a file in use stays.
    if (file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return decoded;
}

void WallpaperBlurCache::store(const QImage& image, quint64 fingerprint, double radius, int width, int height)
{
    const QString name = fileName(fingerprint, radius, width, height);
    m_writes([this, image, name] {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(int(std::lround(m_jpegQuality * 100)));
        if (image.isNull() || !writer.write(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image))
            return;
        const QString error = writeAtomically(directoryPath() + QLatin1Char('/') + name, jpeg);
        if (!error.isEmpty()) {
            CLOG_WARN(QStringLiteral("阶段45：壁纸模糊缓存写入失败: ") + error);
            return;
        }
        evictIfNeeded();
    });
}

void WallpaperBlurCache::writeLatest(quint64 fingerprint, double radius, int width, int height, double screenWidth,
                                     double screenHeight)
{
    const QString name = fileName(fingerprint, radius, width, height);
    m_writes([this, name, screenWidth, screenHeight] {
        const QJsonObject pointer{{QStringLiteral("fileName"), name},
                                  {QStringLiteral("screenWidth"), screenWidth},
                                  {QStringLiteral("screenHeight"), screenHeight}};
        const QByteArray json = QJsonDocument(pointer).toJson(QJsonDocument::Compact);
        const QString error = writeAtomically(directoryPath() + QLatin1Char('/') + kLatestFileName, json);
        if (!error.isEmpty())
            CLOG_WARN(QStringLiteral("阶段45：壁纸 latest 指针写入失败: ") + error);
    });
}

std::optional<WallpaperBlurCache::LatestPointer> WallpaperBlurCache::parseLatestPointer(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue name = object.value(QStringLiteral("fileName"));
    const QJsonValue width = object.value(QStringLiteral("screenWidth"));
    const QJsonValue height = object.value(QStringLiteral("screenHeight"));
    if (!name.isString() || !width.isDouble() || !height.isDouble())
        return std::nullopt;
    const QString fileName = name.toString();
    // The name comes from a file anyone could edit: it must stay inside the cache folder.
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName.contains(QChar(0))
        || fileName == QStringLiteral(".") || fileName == QStringLiteral(".."))
        return std::nullopt;
    return LatestPointer{fileName, width.toDouble(), height.toDouble()};
}

std::optional<std::pair<quint64, double>> WallpaperBlurCache::parseFileName(const QString& fileName)
{
    const QStringList pieces = fileName.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return std::nullopt;
    const QString hex = pieces.at(0);
    // toULongLong would also take a "0x" prefix, a sign or surrounding blanks; the name has none.
    if (hex.isEmpty() || hex.size() > 16
        || !std::all_of(hex.begin(), hex.end(), [](QChar c) { return hexDigitValue(c.unicode()) >= 0; }))
        return std::nullopt;
    bool ok = false;
    const quint64 fingerprint = hex.toULongLong(&ok, 16);
    if (!ok)
        return std::nullopt;
    QString radiusText = pieces.at(1);
    if (radiusText.startsWith(QLatin1Char('r')))
        radiusText.remove(0, 1);
    bool radiusOk = false;
    double radius = radiusText.toDouble(&radiusOk);
    if (!radiusOk || !std::isfinite(radius))
        radius = 0;
    return std::pair{fingerprint, radius};
}

std::optional<WallpaperBlurCache::LatestEntry> WallpaperBlurCache::readLatestEntry(double screenWidth,
                                                                                   double screenHeight) const
{
    const QString directory = directoryPath();
    QFile file(directory + QLatin1Char('/') + kLatestFileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto pointer = parseLatestPointer(file.readAll());
    if (!pointer || pointer->screenWidth != screenWidth || pointer->screenHeight != screenHeight)
        return std::nullopt;
    QFile imageFile(directory + QLatin1Char('/') + pointer->fileName);
    if (!imageFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = imageFile.readAll();
    if (isTruncatedJpeg(data))
        return std::nullopt;
    QImage image = ImageFileDecoder::decodeData(data);
    if (image.isNull())
        return std::nullopt;
    const auto parsed = parseFileName(pointer->fileName);
    if (!parsed)
        return std::nullopt;
    return LatestEntry{image, parsed->first, parsed->second};
}

void WallpaperBlurCache::evictIfNeeded() const
{
    struct Entry {
        QString path;
        QDateTime modified;
        qint64 size;
    };
    QDir directory(directoryPath());
    if (!directory.exists())
        return;
    std::vector<Entry> entries;
    qint64 total = 0;
    for (const QFileInfo& info : directory.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted)) {
        if (info.suffix() != QStringLiteral("jpg"))
            continue;
        QDateTime modified = info.lastModified();
        if (!modified.isValid())
            modified = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        entries.push_back({info.absoluteFilePath(), modified, std::max<qint64>(0, info.size())});
        total += entries.back().size;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.modified < b.modified; });
    const std::size_t count = entries.size();
    for (std::size_t deleted = 0; deleted < count; ++deleted) {
        if (count - deleted <= std::size_t(kMaxFiles) && total <= kMaxBytes)
            break;
        QFile::remove(entries[deleted].path);
        total -= entries[deleted].size;
    }
}

} // namespace corvanta
