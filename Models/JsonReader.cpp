#include "Models/JsonReader.h"

#include "Support/HexDigit.h"

#include <charconv>
#include <cstring>

namespace corvanta::json {

namespace {

bool isContinuation(uchar c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at `p`, or 0 when it is not one (overlong
// forms, encoded surrogates and values above U+10FFFF are refused).
int utf8SequenceLength(const uchar* p, const uchar* end)
{
    const uchar lead = p[0];
    const qsizetype left = end - p;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

bool isValidUtf8(QByteArrayView bytes)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int length = utf8SequenceLength(p, end);
        if (!length)
            return false;
        p += length;
    }
    return true;
}

// Appends already validated UTF-8 as UTF-16. Unlike QString::fromUtf8 this keeps a U+FEFF at the
// start, which is text here and not a byte order mark.
void appendUtf16(QString& out, QByteArrayView utf8)
{
    const qsizetype start = out.size();
    out.resize(start + utf8.size());
    char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + start;
    const uchar* p = reinterpret_cast<const uchar*>(utf8.data());
    const uchar* const end = p + utf8.size();
    while (p < end) {
        const uchar lead = *p;
        if (lead < 0x80) {
            *dst++ = lead;
            ++p;
        } else if (lead < 0xE0) {
            *dst++ = char16_t(((lead & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (lead < 0xF0) {
            *dst++ = char16_t(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {
            const char32_t code = ((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            *dst++ = QChar::highSurrogate(code);
            *dst++ = QChar::lowSurrogate(code);
            p += 4;
        }
    }
    out.resize(dst - reinterpret_cast<char16_t*>(out.data()));
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

bool readHex4(const char* p, char16_t& unit)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexDigitValue(char16_t(uchar(p[i])));
        if (digit < 0)
            return false;
        value = (value << 4) | digit;
    }
    unit = char16_t(value);
    return true;
}

} // namespace

JsonReader::JsonReader(QByteArrayView text)
    : m_begin(text.data()), m_pos(text.data()), m_end(text.data() + text.size())
{
    if (text.size() >= 3 && std::memcmp(m_pos, "\xEF\xBB\xBF", 3) == 0)
        m_pos += 3;
}

bool JsonReader::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1 (at byte %2)").arg(message, QString::number(m_pos - m_begin));
    return false;
}

void JsonReader::skipWhitespace()
{
    while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
        ++m_pos;
}

bool JsonReader::expect(char c, const char* what)
{
    skipWhitespace();
    if (m_pos >= m_end || *m_pos != c)
        return fail(QStringLiteral("Expected %1").arg(QLatin1StringView(what)));
    ++m_pos;
    return true;
}

bool JsonReader::enter()
{
    if (++m_depth > kMaxDepth)
        return fail(QStringLiteral("Nesting deeper than %1 levels").arg(kMaxDepth));
    return true;
}

JsonType JsonReader::peek()
{
    skipWhitespace();
    if (m_pos >= m_end)
        return JsonType::Invalid;
    switch (*m_pos) {
    case '{': return JsonType::Object;
    case '[': return JsonType::Array;
    case '"': return JsonType::String;
    case 't':
    case 'f': return JsonType::Bool;
    case 'n': return JsonType::Null;
    case '-':
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9': return JsonType::Number;
    default: return JsonType::Invalid;
    }
}

// Finds the end of the string starting at the current quote. Escapes are only stepped over here
// and checked when resolved; text without escapes is checked for UTF-8 here.
bool JsonReader::scanString(RawString& out)
{
    if (!expect('"', "a string"))
        return false;
    const char* const start = m_pos;
    uchar high = 0;
    while (m_pos < m_end) {
        const uchar c = uchar(*m_pos);
        if (c == '"') {
            out.bytes = QByteArrayView(start, m_pos - start);
            out.ascii = high < 0x80;
            ++m_pos;
            if (!out.escaped && !out.ascii && !isValidUtf8(out.bytes))
                return fail(QStringLiteral("Invalid UTF-8 in a string"));
            return true;
        }
        if (c < 0x20)
            return fail(QStringLiteral("Control character in a string"));
        if (c == '\\') {
            out.escaped = true;
            if (++m_pos >= m_end)
                break;
        }
        high |= c;
        ++m_pos;
    }
    return fail(QStringLiteral("Unterminated string"));
}

// Resolves the escapes of `raw` into UTF-16 text or UTF-8 bytes (whichever is given). Unpaired
// surrogates are kept in the text, and written in the bytes' generalised UTF-8 form, which
// matches no key and no identifier.
bool JsonReader::unescapeInto(QByteArrayView raw, QString* text, std::string* bytes)
{
    const char* p = raw.data();
    const char* const end = p + raw.size();
    while (p < end) {
        const char* run = p;
        while (p < end && *p != '\\')
            ++p;
        if (p > run) {
            const QByteArrayView chunk(run, p - run);
            if (!isValidUtf8(chunk))
                return fail(QStringLiteral("Invalid UTF-8 in a string"));
            if (text)
                appendUtf16(*text, chunk);
            else
                bytes->append(run, p - run);
        }
        if (p >= end)
            break;
        ++p; // the backslash; scanString made sure a character follows
        char16_t unit = 0;
        switch (*p++) {
        case '"': unit = '"'; break;
        case '\\': unit = '\\'; break;
        case '/': unit = '/'; break;
        case 'b': unit = '\b'; break;
        case 'f': unit = '\f'; break;
        case 'n': unit = '\n'; break;
        case 'r': unit = '\r'; break;
        case 't': unit = '\t'; break;
        case 'u':
            if (end - p < 4 || !readHex4(p, unit))
                return fail(QStringLiteral("Invalid \\u escape"));
            p += 4;
            break;
        default:
            return fail(QStringLiteral("Invalid escape"));
        }
        if (text) {
            text->append(QChar(unit));
            continue;
        }
        char16_t low = 0;
        if (QChar::isHighSurrogate(unit) && end - p >= 6 && p[0] == '\\' && p[1] == 'u' && readHex4(p + 2, low)
            && QChar::isLowSurrogate(low)) {
            appendUtf8(*bytes, QChar::surrogateToUcs4(unit, low));
            p += 6;
        } else {
            appendUtf8(*bytes, unit);
        }
    }
    return true;
}

bool JsonReader::readString(QString& out)
{
    RawString raw;
    if (!scanString(raw))
        return false;
    if (raw.escaped) {
        out.clear();
        return unescapeInto(raw.bytes, &out, nullptr);
    }
    if (raw.ascii) {
        out = QString::fromLatin1(raw.bytes);
    } else {
        out.clear();
        appendUtf16(out, raw.bytes);
    }
    return true;
}

bool JsonReader::readStringBytes(QByteArrayView& out)
{
    RawString raw;
    if (!scanString(raw))
        return false;
    if (!raw.escaped) {
        out = raw.bytes;
        return true;
    }
    m_scratch.clear();
    if (!unescapeInto(raw.bytes, nullptr, &m_scratch))
        return false;
    out = QByteArrayView(m_scratch.data(), qsizetype(m_scratch.size()));
    return true;
}

bool JsonReader::readLiteral(const char* word, qsizetype length)
{
    skipWhitespace();
    if (m_end - m_pos < length || std::memcmp(m_pos, word, size_t(length)) != 0)
        return fail(QStringLiteral("Invalid literal"));
    m_pos += length;
    return true;
}

bool JsonReader::readBool(bool& out)
{
    if (peek() == JsonType::Bool && *m_pos == 't') {
        out = true;
        return readLiteral("true", 4);
    }
    out = false;
    return readLiteral("false", 5);
}

bool JsonReader::readNull()
{
    return readLiteral("null", 4);
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool JsonReader::scanNumber(QByteArrayView& text)
{
    skipWhitespace();
    const char* const start = m_pos;
    const auto digits = [this] {
        const char* first = m_pos;
        while (m_pos < m_end && *m_pos >= '0' && *m_pos <= '9')
            ++m_pos;
        return m_pos - first;
    };
    if (m_pos < m_end && *m_pos == '-')
        ++m_pos;
    if (m_pos < m_end && *m_pos == '0')
        ++m_pos;
    else if (digits() == 0)
        return fail(QStringLiteral("Invalid number"));
    if (m_pos < m_end && *m_pos == '.') {
        ++m_pos;
        if (digits() == 0)
            return fail(QStringLiteral("Invalid number"));
    }
    if (m_pos < m_end && (*m_pos == 'e' || *m_pos == 'E')) {
        ++m_pos;
        if (m_pos < m_end && (*m_pos == '+' || *m_pos == '-'))
            ++m_pos;
        if (digits() == 0)
            return fail(QStringLiteral("Invalid number"));
    }
    text = QByteArrayView(start, m_pos - start);
    return true;
}

bool JsonReader::readNumber(double& out)
{
    QByteArrayView text;
    if (!scanNumber(text))
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    // Magnitudes beyond double's range, too large or too small, are refused rather than read as
    // infinity or silently as zero; no document of the program holds such a number.
    if (result.ec != std::errc())
        return fail(QStringLiteral("Number out of range"));
    return true;
}

bool JsonReader::skipValue()
{
    QByteArrayView ignored;
    bool flag = false;
    switch (peek()) {
    case JsonType::Object:
        return readObject([this](QByteArrayView) { return skipValue(); });
    case JsonType::Array:
        return readArray([this] { return skipValue(); });
    case JsonType::String:
        return readStringBytes(ignored);
    case JsonType::Number:
        return scanNumber(ignored);
    case JsonType::Bool:
        return readBool(flag);
    case JsonType::Null:
        return readNull();
    case JsonType::Invalid:
        break;
    }
    return fail(m_pos < m_end ? QStringLiteral("Unexpected character") : QStringLiteral("Unexpected end of text"));
}

bool JsonReader::finish()
{
    skipWhitespace();
    if (m_pos != m_end)
        return fail(QStringLiteral("Unexpected text after the document"));
    return true;
}

} // namespace corvanta::json
