#pragma once

#include "Support/LogLevel.h"

#include <QString>
#include <QtGlobal>

#include <string>

namespace corvanta::LogLine {

// "DEBUG", "INFO", "WARN" or "ERROR".
const char* levelWord(LogLevel level);

// Local time of `msecsSinceEpoch` as "yyyy-MM-dd HH:mm:ss.SSS" and as "yyyy-MM-dd-HHmmss". Digits
// only, never the locale's: the log reads the same whatever the user's region settings are.
std::string timestamp(qint64 msecsSinceEpoch);
std::string archiveTimestamp(qint64 msecsSinceEpoch);

// Appends "[<timestamp>] [<LEVEL>] [<file name>:<line> <function>] <message>\n" in UTF-8 to `out`.
// Only the last path component of `file` is kept. Control characters of the message are escaped
// ("\n", "\r", "\t", "\x1b", "\u2028"), so a message is always exactly one line.
void append(std::string& out, LogLevel level, qint64 msecsSinceEpoch, const char* file, const char* function,
            int line, const QString& message);

// "\n=== Corvanta Session <timestamp> ===\n".
std::string sessionBanner(qint64 msecsSinceEpoch);

} // namespace corvanta::LogLine
