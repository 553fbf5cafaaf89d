#pragma once

#include <QByteArray>
#include <QString>

namespace corvanta {

// Writes `bytes` to `path` through a temporary file in the same folder that then replaces the
// target, so a crash mid-write leaves either the old file or the new one, never a torn one. The
// file is flushed to the disk before the rename and the folder after it. On any failure (a full
// disk included) the old file stays, the failure is logged, and the function returns false and,
// when given, sets `error` to the reason and `errorCode` to the system's error number.
//
// A cache's file may skip the flushes (`FileSync::none`): after a power cut it may be lost, never
// torn into a file of the wrong contents by this write, and the writer is not held for the disk
// (a flush on a busy disk takes hundreds of milliseconds and cannot be cut short, not even by the
// process's exit).
enum class FileSync { toDisk, none };
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr, FileSync sync = FileSync::toDisk,
                         int* errorCode = nullptr);

// Removes the temporaries of writes to `path` that were cut short (the process killed mid-write):
// only names of writeFileAtomically's own pattern beside `path`, only regular files of this
// user, and only those no writer holds, so that another running copy's write in progress stays.
// Returns how many went.
int removeStaleTemporaries(const QString& path);

} // namespace corvanta
