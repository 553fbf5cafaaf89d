#include "Models/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace corvanta::json {

namespace {

constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";

void appendUnicodeEscape(QByteArray& out, char16_t unit)
{
    const char escape[6] = {'\\', 'u', kHexLower[(unit >> 12) & 0xF], kHexLower[(unit >> 8) & 0xF],
                            kHexLower[(unit >> 4) & 0xF], kHexLower[unit & 0xF]};
    out.append(escape, 6);
}

// Escape for an ASCII character, or nullptr when it is written as it is.
const char* asciiEscape(char16_t c)
{
    switch (c) {
    case '"': return "\\\"";
    case '\\': return "\\\\";
    case '/': return "\\/";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: return nullptr;
    }
}

void appendAsciiChar(QByteArray& out, char16_t c)
{
    if (const char* escape = asciiEscape(c))
        out.append(escape);
    else if (c < 0x20)
        appendUnicodeEscape(out, c);
    else
        out.append(char(c));
}

} // namespace

void appendString(QByteArray& out, QStringView text)
{
    out.append('"');
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            appendAsciiChar(out, c);
        } else if (c < 0x800) {
            const char bytes[2] = {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
            out.append(bytes, 2);
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t code = QChar::surrogateToUcs4(c, *p++);
            const char bytes[4] = {char(0xF0 | (code >> 18)), char(0x80 | ((code >> 12) & 0x3F)),
                                   char(0x80 | ((code >> 6) & 0x3F)), char(0x80 | (code & 0x3F))};
            out.append(bytes, 4);
        } else if (QChar::isSurrogate(c)) {
            appendUnicodeEscape(out, c);
        } else {
            const char bytes[3] = {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
            out.append(bytes, 3);
        }
    }
    out.append('"');
}

void appendAsciiString(QByteArray& out, QByteArrayView ascii)
{
    out.append('"');
    for (char c : ascii)
        appendAsciiChar(out, char16_t(uchar(c)));
    out.append('"');
}

void appendUuid(QByteArray& out, const QUuid& id)
{
    const QByteArray bytes = id.toRfc4122();
    char text[36];
    int at = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[at++] = '-';
        const uchar byte = uchar(bytes[i]);
        text[at++] = kHexUpper[byte >> 4];
        text[at++] = kHexUpper[byte & 0xF];
    }
    out.append('"');
    out.append(text, 36);
    out.append('"');
}

void appendBool(QByteArray& out, bool value)
{
    out.append(value ? "true" : "false");
}

void appendInt(QByteArray& out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendDouble(QByteArray& out, double value)
{
    if (!std::isfinite(value)) {
        out.append("null");
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

} // namespace corvanta::json
