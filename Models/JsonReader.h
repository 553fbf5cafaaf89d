#pragma once

#include <QByteArrayView>
#include <QString>

#include <string>

namespace corvanta::json {

enum class JsonType { Invalid, Object, Array, String, Number, Bool, Null };

// A strict pull reader over one JSON text (RFC 8259, UTF-8, an optional byte order mark). Record
// decoders walk the text with it and build their values directly, without an intermediate tree.
// Every read returns false once anything failed; `error()` holds the first reason.
class JsonReader {
public:
    explicit JsonReader(QByteArrayView text);

    // Records the first failure (with the byte offset it happened at) and returns false.
    bool fail(const QString& message);
    const QString& error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }

    // The type of the next value, judged by its first character.
    JsonType peek();

    // `onMember(QByteArrayView key)` is called with each key (UTF-8, escapes resolved) and must
    // consume the member's value. The key view is valid until the next read.
    template <typename OnMember> bool readObject(OnMember&& onMember);
    // `onElement()` is called once per element and must consume it.
    template <typename OnElement> bool readArray(OnElement&& onElement);

    bool readString(QString& out);
    // The string's UTF-8 bytes with escapes resolved; valid until the next read.
    bool readStringBytes(QByteArrayView& out);
    bool readBool(bool& out);
    bool readNumber(double& out);
    bool readNull();
    bool skipValue();
    // Succeeds when only whitespace is left.
    bool finish();

private:
    static constexpr int kMaxDepth = 512;

    void skipWhitespace();
    bool expect(char c, const char* what);
    bool enter();
    void leave() { --m_depth; }
    struct RawString {
        QByteArrayView bytes; // between the quotes, escapes unresolved
        bool escaped = false;
        bool ascii = false;
    };
    bool scanString(RawString& out);
    bool scanNumber(QByteArrayView& text);
    bool readLiteral(const char* word, qsizetype length);
    bool unescapeInto(QByteArrayView raw, QString* text, std::string* bytes);

    const char* m_begin;
    const char* m_pos;
    const char* m_end;
    int m_depth = 0;
    std::string m_scratch;
    QString m_error;
};

template <typename OnMember> bool JsonReader::readObject(OnMember&& onMember)
{
    if (!expect('{', "an object") || !enter())
        return false;
    skipWhitespace();
    if (m_pos < m_end && *m_pos == '}') {
        ++m_pos;
        leave();
        return true;
    }
    for (;;) {
        skipWhitespace();
        QByteArrayView key;
        if (m_pos >= m_end || *m_pos != '"')
            return fail(QStringLiteral("Expected a key"));
        if (!readStringBytes(key) || !expect(':', "':'") || !onMember(key))
            return false;
        skipWhitespace();
        if (m_pos < m_end && *m_pos == ',') {
            ++m_pos;
            continue;
        }
        if (!expect('}', "',' or '}'"))
            return false;
        leave();
        return true;
    }
}

template <typename OnElement> bool JsonReader::readArray(OnElement&& onElement)
{
    if (!expect('[', "an array") || !enter())
        return false;
    skipWhitespace();
    if (m_pos < m_end && *m_pos == ']') {
        ++m_pos;
        leave();
        return true;
    }
    for (;;) {
        if (!onElement())
            return false;
        skipWhitespace();
        if (m_pos < m_end && *m_pos == ',') {
            ++m_pos;
            continue;
        }
        if (!expect(']', "',' or ']'"))
            return false;
        leave();
        return true;
    }
}

} // namespace corvanta::json
