#pragma once

#include "Platform/AppendOnlyFile.h"

#include <QString>
#include <QtGlobal>

#include <memory>

namespace corvanta {

// A log file larger than this is set aside when the logger starts.
inline constexpr qint64 logFileSetAsideSize = 5'000'000;

// Readies `<logsBase>/Corvanta/Corvanta.log` for a new session: moves the earlier Verdanza log
// folder into place once, sets an oversized file aside as Corvanta-<yyyy-MM-dd-HHmmss>.log (never
// over an existing file), opens the log for appending and writes the session banner. Every failure
// is swallowed; the result is null when the file cannot be opened.
std::unique_ptr<AppendOnlyFile> prepareLogFile(const QString& logsBase, qint64 nowMsecsSinceEpoch);

// The log folder and file under `logsBase`.
QString logFolderPath(const QString& logsBase);
QString logFilePath(const QString& logsBase);

} // namespace corvanta
