#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvanta {

// The whole content of a regular file, or nothing when it cannot be opened or read, is no regular
// file or is longer than `maxBytes` (when not negative). Cheaper than QFile for the many small
// files a scan touches, most of which do not exist. A named pipe in the file's place is refused
// without waiting for a writer.
std::optional<QByteArray> readWholeFile(const QString& path, qsizetype maxBytes = -1);
// The same for a path already in the file system's encoding, for readers that build many paths.
std::optional<QByteArray> readNativeFile(const char* path, qsizetype maxBytes = -1);

// Whether a regular file is at `path` (in the file system's encoding). Cheaper than an open that
// fails, for readers that try many names of which most are missing.
bool isNativeFile(const char* path);

// The names in a folder (without "." and ".."), or nothing when it cannot be listed.
std::optional<QStringList> listFolderNames(const QString& path);

} // namespace corvanta
