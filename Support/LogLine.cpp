#include "Support/LogLine.h"

#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ctime>
#include <limits>

namespace corvanta::LogLine {

namespace {

struct LocalTime {
    int year, month, day, hour, minute, second;
};

LocalTime localTime(qint64 seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm fields {};
    localtime_r(&t, &fields);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec};
}

// Splits into whole seconds and milliseconds, both rounded towards the past.
std::pair<qint64, int> splitMilliseconds(qint64 msecsSinceEpoch)
{
    qint64 seconds = msecsSinceEpoch / 1000;
    qint64 millis = msecsSinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    return {seconds, static_cast<int>(millis)};
}

// Appends `value` with at least `width` digits, zero padded.
void appendDigits(std::string& out, int value, int width)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    for (auto n = result.ptr - digits; n < width; ++n)
        out.push_back('0');
    out.append(digits, result.ptr);
}

void appendDate(std::string& out, const LocalTime& t)
{
    appendDigits(out, t.year, 4);
    out.push_back('-');
    appendDigits(out, t.month, 2);
    out.push_back('-');
    appendDigits(out, t.day, 2);
}

// Appends "yyyy-MM-dd HH:mm:ss". The text of the latest second is remembered per thread: the
// calendar conversion is the costly part of a line, and lines come in bursts. The cache is plain
// characters, so it stays usable while the process exits.
void appendSeconds(std::string& out, qint64 seconds)
{
    constexpr std::size_t length = 19;
    thread_local qint64 cachedSeconds = std::numeric_limits<qint64>::min();
    thread_local char cached[length];
    if (seconds == cachedSeconds) {
        out.append(cached, length);
        return;
    }
    const std::size_t start = out.size();
    const LocalTime t = localTime(seconds);
    appendDate(out, t);
    out.push_back(' ');
    appendDigits(out, t.hour, 2);
    out.push_back(':');
    appendDigits(out, t.minute, 2);
    out.push_back(':');
    appendDigits(out, t.second, 2);
    if (out.size() - start == length) { // years outside 0-9999 are not worth caching
        std::memcpy(cached, out.data() + start, length);
        cachedSeconds = seconds;
    }
}

void appendTimestamp(std::string& out, qint64 msecsSinceEpoch)
{
    const auto [seconds, millis] = splitMilliseconds(msecsSinceEpoch);
    appendSeconds(out, seconds);
    out.push_back('.');
    appendDigits(out, millis, 3);
}

// Control characters would let text from other people's files (a name holding a new line) forge
// or break log lines: C0, DEL, C1 and the Unicode line and paragraph separators.
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

QString escapedControls(const QString& message)
{
    QString out;
    out.reserve(message.size() + 8);
    for (const QChar qc : message) {
        const char16_t c = qc.unicode();
        if (!isControl(c)) {
            out += qc;
            continue;
        }
        switch (c) {
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        default:
            out += c < 0x100 ? QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

const char* lastPathComponent(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

const char* levelWord(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug: return "DEBUG";
    case LogLevel::Info: return "INFO";
    case LogLevel::Warning: return "WARN";
    case LogLevel::Error: return "ERROR";
    }
    return "INFO";
}

std::string timestamp(qint64 msecsSinceEpoch)
{
    std::string out;
    appendTimestamp(out, msecsSinceEpoch);
    return out;
}

std::string archiveTimestamp(qint64 msecsSinceEpoch)
{
    const LocalTime t = localTime(splitMilliseconds(msecsSinceEpoch).first);
    std::string out;
    appendDate(out, t);
    out.push_back('-');
    appendDigits(out, t.hour, 2);
    appendDigits(out, t.minute, 2);
    appendDigits(out, t.second, 2);
    return out;
}

void append(std::string& out, LogLevel level, qint64 msecsSinceEpoch, const char* file, const char* function,
            int line, const QString& message)
{
    out.push_back('[');
    appendTimestamp(out, msecsSinceEpoch);
    out.append("] [");
    out.append(levelWord(level));
    out.append("] [");
    out.append(lastPathComponent(file));
    out.push_back(':');
    appendDigits(out, line, 1);
    out.push_back(' ');
    out.append(function);
    out.append("] ");

    // One message is one line: control characters are written as escapes.
    const bool clean = std::none_of(message.cbegin(), message.cend(), [](QChar c) { return isControl(c.unicode()); });
    const QString escaped = clean ? QString() : escapedControls(message);
    const QString& text = clean ? message : escaped;

    // Encode straight into the line. Unpaired surrogates become U+FFFD rather than dropping the line.
    QStringEncoder encoder(QStringEncoder::Utf8);
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* end = encoder.appendToBuffer(out.data() + start, text);
    out.resize(static_cast<std::size_t>(end - out.data()));
    out.push_back('\n');
}

std::string sessionBanner(qint64 msecsSinceEpoch)
{
    return "\n=== Corvanta Session " + timestamp(msecsSinceEpoch) + " ===\n";
}

} // namespace corvanta::LogLine
