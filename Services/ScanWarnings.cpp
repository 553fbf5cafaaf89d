#include "Services/ScanWarnings.h"

#include "Support/Logger.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

namespace corvanta::ScanWarnings {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QStringList listFolder(const QString& folder)
{
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        const int error = errno;
        if (error != ENOENT) // a missing folder is simply not there
            CLOG_WARN(QStringLiteral("AppScanner: cannot list the folder ") + folder + QStringLiteral(" — ") + systemError(error));
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView raw(entry->d_name);
        if (raw.startsWith('.')) // hidden, and the folder itself and its parent
            continue;
        // Most names are plain ASCII, which reads the same in every encoding and cannot be wrong.
        if (std::all_of(raw.begin(), raw.end(), [](char c) { return uchar(c) < 0x80; })) {
            names.append(QString::fromLatin1(raw));
            continue;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString name = decoder(raw);
        if (decoder.hasError()) {
            if (raw.endsWith(".app"))
                CLOG_WARN(QStringLiteral("AppScanner: skipped a bundle whose name is not valid UTF-8: ") + folder
                          + QLatin1Char('/') + name);
            continue;
        }
        names.append(name);
    }
    ::closedir(dir);
    names.sort();
    return names;
}

void droppedBundle(const QString& bundlePath)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(bundlePath).constData(), resolved)) {
        const int error = errno;
        if (error == ELOOP)
            CLOG_WARN(QStringLiteral("AppScanner: skipped a bundle behind a loop of symbolic links: ") + bundlePath);
        else
            CLOG_WARN(QStringLiteral("AppScanner: skipped an unreadable bundle: ") + bundlePath + QStringLiteral(" — ")
                      + systemError(error));
        return;
    }
    CLOG_WARN(QStringLiteral("AppScanner: skipped an unreadable bundle: ") + bundlePath);
}

void unreadableInfo(const QString& bundlePath)
{
    CLOG_WARN(QStringLiteral("AppScanner: Info.plist of ") + bundlePath
              + QStringLiteral(" could not be read; listed under its folder name without an identifier"));
}

} // namespace corvanta::ScanWarnings
