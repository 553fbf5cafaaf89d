#include "Platform/StringsFile.h"

#include "Support/HexDigit.h"

#include <QStringDecoder>

namespace corvanta {

namespace {

std::optional<QString> decode(const QByteArray& data)
{
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    qsizetype skip = 0;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(data.at(i)); };
    if (data.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        encoding = QStringConverter::Utf16BE;
        skip = 2;
    } else if (data.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        encoding = QStringConverter::Utf16LE;
        skip = 2;
    } else if (data.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        skip = 3;
    }
    if (encoding != QStringConverter::Utf8 && (data.size() - skip) % 2 != 0)
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data).sliced(skip));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool isUnquotedChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '$'
        || u == '+' || u == '/' || u == ':' || u == '.' || u == '-';
}

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    // Hands each pair to `take(key, value)` in the order written; false on any syntax error, when
    // the pairs taken so far are to be dropped.
    template <typename Take> bool parse(Take take)
    {
        if (!skipSpace())
            return false;
        const bool braced = peek() == u'{';
        if (braced) {
            ++m_pos;
        }
        for (;;) {
            if (!skipSpace())
                return false;
            if (atEnd())
                break;
            if (braced && peek() == u'}')
                break;
            auto key = token();
            if (!key || !skipSpace() || atEnd())
                return false;
            if (peek() == u';') {
                ++m_pos;
                take(*key, *key);
                continue;
            }
            if (peek() != u'=')
                return false;
            ++m_pos;
            if (!skipSpace())
                return false;
            auto value = token();
            if (!value || !skipSpace() || atEnd() || peek() != u';')
                return false;
            ++m_pos;
            take(*key, *value);
        }
        if (braced) {
            if (atEnd())
                return false;
            ++m_pos; // the closing brace
            if (!skipSpace())
                return false;
            if (!atEnd() && peek() == u';') {
                ++m_pos;
                if (!skipSpace())
                    return false;
            }
            if (!atEnd())
                return false;
        }
        return true;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return m_text.at(m_pos); }

    // Skips white space and comments; false on an unterminated block comment.
    bool skipSpace()
    {
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'*') {
                const qsizetype end = m_text.indexOf(QStringLiteral("*/"), m_pos + 2);
                if (end < 0)
                    return false;
                m_pos = end + 2;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == u'/') {
                const qsizetype end = m_text.indexOf(u'\n', m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                break;
            }
        }
        return true;
    }

    std::optional<QString> token()
    {
        if (atEnd())
            return std::nullopt;
        if (peek() == u'"')
            return quoted();
        const qsizetype start = m_pos;
        while (!atEnd() && isUnquotedChar(peek()))
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return m_text.mid(start, m_pos - start);
    }

    std::optional<QString> quoted()
    {
        ++m_pos; // opening quote
        QString out;
        while (!atEnd()) {
            // Text without escapes is copied a run at a time.
            const qsizetype run = m_pos;
            while (!atEnd() && peek() != u'"' && peek() != u'\\')
                ++m_pos;
            out.append(QStringView(m_text).sliced(run, m_pos - run));
            if (atEnd())
                break;
            if (m_text.at(m_pos++) == u'"')
                return out;
            if (atEnd())
                return std::nullopt;
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case 'n': out.append(u'\n'); break;
            case 't': out.append(u'\t'); break;
            case 'r': out.append(u'\r'); break;
            case 'a': out.append(QChar(0x07)); break;
            case 'b': out.append(QChar(0x08)); break;
            case 'f': out.append(QChar(0x0C)); break;
            case 'v': out.append(QChar(0x0B)); break;
            case 'U':
            case 'u': {
                char16_t unit = 0;
                int digits = 0;
                while (digits < 4 && !atEnd() && hexDigitValue(peek().unicode()) >= 0) {
                    unit = char16_t(unit * 16 + hexDigitValue(peek().unicode()));
                    ++m_pos;
                    ++digits;
                }
                if (digits == 0)
                    return std::nullopt;
                out.append(QChar(unit));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    int value = e.unicode() - '0';
                    for (int i = 0; i < 2 && !atEnd() && peek() >= u'0' && peek() <= u'7'; ++i)
                        value = value * 8 + (m_text.at(m_pos++).unicode() - '0');
                    out.append(QChar(char16_t(value)));
                } else {
                    // \" \' \\ and any other escaped character stand for themselves.
                    out.append(e);
                }
            }
        }
        return std::nullopt; // unterminated
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

std::optional<QHash<QString, QString>> parseStringsFile(const QByteArray& data)
{
    const auto text = decode(data);
    if (!text)
        return std::nullopt;
    QHash<QString, QString> table;
    if (!Parser(*text).parse([&table](const QString& key, const QString& value) { table.insert(key, value); }))
        return std::nullopt;
    return table;
}

std::optional<QString> stringsFileValue(const QByteArray& data, QLatin1StringView key)
{
    const auto text = decode(data);
    if (!text)
        return std::nullopt;
    QString found;
    if (!Parser(*text).parse([&](const QString& k, const QString& value) {
            if (k == key)
                found = value;
        }))
        return std::nullopt;
    return found;
}

} // namespace corvanta
