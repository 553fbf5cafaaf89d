#include "Platform/IcnsFile.h"

#include "Platform/FileRead.h"
#include "Platform/Jpeg2000Decoder.h"
#include "Platform/PngChunks.h"
#include "Support/Logger.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace corvanta {

namespace {

struct PictureType {
    const char* type;
    int side;
    bool runLength; // the older 24-bit form, with its mask in `mask`
    const char* mask;
};

// The picture entries we know; others (the table of contents, names, help data) are skipped.
constexpr PictureType kPictureTypes[] = {
    {"ic10", 1024, false, nullptr}, {"ic09", 512, false, nullptr}, {"ic14", 512, false, nullptr},
    {"ic08", 256, false, nullptr},  {"ic13", 256, false, nullptr}, {"ic07", 128, false, nullptr},
    {"it32", 128, true, "t8mk"},    {"icp6", 64, false, nullptr},  {"ic12", 64, false, nullptr},
    {"ih32", 48, true, "h8mk"},     {"icp5", 32, false, nullptr},  {"ic11", 32, false, nullptr},
    {"il32", 32, true, "l8mk"},     {"icp4", 16, false, nullptr},  {"is32", 16, true, "s8mk"},
};

const PictureType* pictureType(QByteArrayView type)
{
    for (const PictureType& known : kPictureTypes) {
        if (type == QByteArrayView(known.type, 4))
            return &known;
    }
    return nullptr;
}

quint32 bigEndian32(const char* bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

QImage decodePng(QByteArrayView data, int maxSide, QString* error)
{
    if (!pngChunksFit(data)) {
        *error = QStringLiteral("PNG chunk runs past the end of the picture");
        return {};
    }
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maxSide || size.height() > maxSide) {
        *error = QStringLiteral("PNG of size %1×%2").arg(size.width()).arg(size.height());
        return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        *error = QStringLiteral("PNG: ") + reader.errorString();
    return image;
}

// The older form's channels: each run either copies the next n+1 bytes (a byte below 0x80) or
// repeats the next byte n-125 times.
bool unpackChannel(const uchar*& at, const uchar* end, uchar* out, qsizetype count)
{
    qsizetype filled = 0;
    while (filled < count) {
        if (at >= end)
            return false;
        const uchar run = *at++;
        if (run < 0x80) {
            const qsizetype n = qsizetype(run) + 1;
            if (end - at < n || count - filled < n)
                return false;
            std::copy(at, at + n, out + filled);
            at += n;
            filled += n;
        } else {
            const qsizetype n = qsizetype(run) - 125;
            if (at >= end || count - filled < n)
                return false;
            std::fill(out + filled, out + filled + n, *at++);
            filled += n;
        }
    }
    return true;
}

} // namespace

std::optional<IcnsFile> IcnsFile::parse(QByteArray data)
{
    if (data.size() < 8 || !data.startsWith("icns"))
        return std::nullopt;
    IcnsFile file;
    const qsizetype end = std::min<qsizetype>(data.size(), qsizetype(bigEndian32(data.constData() + 4)));
    for (qsizetype at = 8; at + 8 <= end;) {
        const qsizetype length = qsizetype(bigEndian32(data.constData() + at + 4));
        if (length < 8 || length > end - at)
            break;
        const QByteArray type = data.mid(at, 4);
        const Entry entry{type, at + 8, length - 8, 0};
        if (const PictureType* known = pictureType(type)) {
            Entry picture = entry;
            picture.side = known->side;
            file.m_pictures.append(picture);
        } else if (type.endsWith("8mk")) {
            file.m_masks.append(entry);
        }
        at += length;
    }
    // Largest first; at equal sizes the newer encodings (earlier in the type table) first.
    std::stable_sort(file.m_pictures.begin(), file.m_pictures.end(), [](const Entry& a, const Entry& b) {
        if (a.side != b.side)
            return a.side > b.side;
        return pictureType(a.type) < pictureType(b.type);
    });
    file.m_data = std::move(data);
    return file;
}

std::optional<IcnsFile> IcnsFile::readFile(const QString& path)
{
    auto bytes = readWholeFile(path, maxBytes);
    if (!bytes)
        return std::nullopt;
    return parse(std::move(*bytes));
}

QImage IcnsFile::largestImage(const QString& name) const
{
    for (const Entry& entry : m_pictures) {
        QString error;
        QImage image = decode(entry, &error);
        if (!image.isNull())
            return image;
        CLOG_WARN(QStringLiteral("图标图片无法解码（") + QString::fromLatin1(entry.type) + QStringLiteral("，")
                  + QString::number(entry.side) + QStringLiteral("px：") + error + QStringLiteral("）：") + name);
    }
    return {};
}

QImage IcnsFile::decode(const Entry& entry, QString* error) const
{
    QString reason;
    QImage image;
    const QByteArrayView data(m_data.constData() + entry.offset, entry.length);
    const PictureType* known = pictureType(entry.type);
    if (known && known->runLength && !isPng(data))
        image = decodeRunLength(entry, &reason);
    else if (isPng(data))
        image = decodePng(data, maxSide, &reason);
    else if (isJpeg2000(data))
        image = decodeJpeg2000(data, maxSide, &reason);
    else
        reason = QStringLiteral("unknown encoding");
    if (image.isNull() && error)
        *error = reason;
    return image;
}

QImage IcnsFile::decodeRunLength(const Entry& entry, QString* error) const
{
    const PictureType* known = pictureType(entry.type);
    const int side = known->side;
    const qsizetype pixels = qsizetype(side) * side;
    const auto* at = reinterpret_cast<const uchar*>(m_data.constData() + entry.offset);
    const uchar* end = at + entry.length;
    // The 128-pixel form starts with four zero bytes.
    if (entry.type == "it32")
        at = std::min(at + 4, end);
    QByteArray channels(3 * pixels, Qt::Uninitialized);
    auto* planes = reinterpret_cast<uchar*>(channels.data());
    for (int c = 0; c < 3; ++c) {
        if (!unpackChannel(at, end, planes + c * pixels, pixels)) {
            *error = QStringLiteral("truncated run-length data");
            return {};
        }
    }
    const uchar* mask = nullptr;
    for (const Entry& candidate : m_masks) {
        if (candidate.type == known->mask && candidate.length >= pixels)
            mask = reinterpret_cast<const uchar*>(m_data.constData() + candidate.offset);
    }
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const qsizetype i = qsizetype(y) * side + x;
            line[x] = qRgba(planes[i], planes[pixels + i], planes[2 * pixels + i], mask ? mask[i] : 255);
        }
    }
    return image;
}

} // namespace corvanta
