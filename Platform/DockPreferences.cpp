#include "Platform/DockPreferences.h"

#include "Platform/FileRead.h"
#include "Platform/PropertyList.h"
#include "Platform/StandardPaths.h"
#include "Support/AtomicFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace corvanta {

namespace {

// A real Dock domain is tens of kilobytes; anything far larger is not one.
constexpr off_t kMaxDomainBytes = 16 * 1024 * 1024;

bool isBinaryForm(const QByteArray& bytes)
{
    return bytes.startsWith("bplist");
}

} // namespace

DockPreferences::DockPreferences(QString folder) : m_folder(std::move(folder)) {}

QString DockPreferences::defaultFolder()
{
    const QString configured = qEnvironmentVariable(folderVariable);
    if (!configured.isEmpty())
        return configured;
    return StandardPaths::homeDirectory() + QStringLiteral("/Library/Preferences");
}

QString DockPreferences::filePath() const
{
    return m_folder + QLatin1Char('/') + QLatin1String(domain) + QStringLiteral(".plist");
}

DockPreferences::ReadResult DockPreferences::read() const
{
    const QString path = filePath();
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {Contents{}, {}};
        return {std::nullopt, QStringLiteral("无法读取程序坞偏好设置：") + QString::fromLocal8Bit(strerror(errno))};
    }
    if (!S_ISREG(info.st_mode) || info.st_size > kMaxDomainBytes)
        return {std::nullopt, QStringLiteral("程序坞偏好设置不是可读的文件，未作修改")};
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes)
        return {std::nullopt, QStringLiteral("无法读取程序坞偏好设置")};
    return decode(*bytes);
}

DockPreferences::ReadResult DockPreferences::decode(const QByteArray& bytes)
{
    const std::optional<QVariant> parsed = PropertyList::parse(bytes);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return {std::nullopt, QStringLiteral("程序坞偏好设置已损坏，未作修改")};
    Contents contents;
    contents.root = parsed->toMap();
    contents.form = isBinaryForm(bytes) ? Form::binary : Form::xml;
    contents.existed = true;
    return {contents, {}};
}

std::optional<QByteArray> DockPreferences::encode(const Contents& contents)
{
    QByteArray bytes = contents.form == Form::xml ? PropertyList::toXml(contents.root) : PropertyList::toBinary(contents.root);
    // What we cannot read back (text that XML cannot hold, for one) must never replace the file.
    if (bytes.isEmpty() || !decode(bytes).contents)
        return std::nullopt;
    return bytes;
}

bool DockPreferences::write(const Contents& contents, QString* error) const
{
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("无法创建偏好设置文件夹");
        return false;
    }
    const std::optional<QByteArray> bytes = encode(contents);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("无法生成可读回的程序坞偏好设置");
        return false;
    }
    return writeFileAtomically(filePath(), *bytes, error);
}

} // namespace corvanta
