#include "Platform/OperatingSystem.h"

#include <QFile>
#include <QSysInfo>

namespace corvanta {

namespace {

// A shell-style value: double or single quotes around it, backslash escapes inside double quotes.
QString unquote(QStringView value)
{
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == u'"' || value.front() == u'\'')) {
        const bool escapes = value.front() == u'"';
        value = value.mid(1, value.size() - 2);
        if (!escapes)
            return value.toString();
        QString out;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'\\' && i + 1 < value.size())
                ++i;
            out += value[i];
        }
        return out;
    }
    return value.toString();
}

} // namespace

QString osReleasePrettyName(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The file is a few hundred bytes; a larger one is not read further.
    const QString text = QString::fromUtf8(file.read(64 * 1024));
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(u"PRETTY_NAME="))
            return unquote(trimmed.mid(12).trimmed()).trimmed();
    }
    return {};
}

QString operatingSystemLine(const QString& osReleasePath, const QString& kernelType, const QString& kernelVersion)
{
    QString label = kernelType.isEmpty() ? QStringLiteral("System") : kernelType;
    if (label == QLatin1String("linux"))
        label = QStringLiteral("Linux");
    QString name = osReleasePrettyName(osReleasePath);
    if (name.isEmpty())
        name = QStringLiteral("?");
    if (!kernelVersion.isEmpty())
        name += QStringLiteral(", kernel ") + kernelVersion;
    return label + QStringLiteral(": ") + name;
}

QString operatingSystemLine()
{
    const QString etc = QStringLiteral("/etc/os-release");
    const QString path = QFile::exists(etc) ? etc : QStringLiteral("/usr/lib/os-release");
    return operatingSystemLine(path, QSysInfo::kernelType(), QSysInfo::kernelVersion());
}

} // namespace corvanta
