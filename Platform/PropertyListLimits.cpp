#include "Platform/PropertyListLimits.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvanta {

namespace {

quint64 readBigEndian(const uchar* bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// The binary form: "bplist00", objects, an offset table, and a 32-byte trailer.
class BinaryListWalk {
public:
    explicit BinaryListWalk(QByteArrayView data)
        : m_data(reinterpret_cast<const uchar*>(data.data())), m_size(quint64(data.size()))
    {
    }

    QString violation()
    {
        if (m_size < 8 + 32)
            return QStringLiteral("truncated binary property list");
        const uchar* trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_objectCount = readBigEndian(trailer + 8, 8);
        const quint64 top = readBigEndian(trailer + 16, 8);
        m_tableOffset = readBigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return QStringLiteral("bad integer sizes in the trailer");
        if (m_objectCount == 0 || m_objectCount > PropertyListLimits::maxObjects || top >= m_objectCount)
            return QStringLiteral("bad object count");
        if (m_tableOffset < 8 || m_tableOffset > m_size - 32
            || m_objectCount > (m_size - 32 - m_tableOffset) / quint64(m_offsetSize))
            return QStringLiteral("offset table out of range");
        m_seen.assign(m_objectCount, Seen{});
        return walkFrom(top);
    }

private:
    static constexpr int kUnvisited = -1;
    static constexpr int kOnPath = -2;

    // What the walk knows of one object: its height once done, and its size expanded.
    struct Seen {
        int height = kUnvisited;
        quint64 expanded = 0;
    };

    struct Container {
        quint64 refsAt = 0; // first reference
        quint64 refCount = 0;
        quint64 keyCount = 0; // dictionaries: the first keyCount references name keys
        QString error;        // empty when its references can be walked
    };

    struct Frame {
        quint64 object;
        Container container;
        quint64 next = 0;
        int height = 0;
        quint64 expanded = 1;
    };

    bool objectOffset(quint64 index, quint64& offset) const
    {
        offset = readBigEndian(m_data + m_tableOffset + index * quint64(m_offsetSize), m_offsetSize);
        return offset >= 8 && offset < m_tableOffset;
    }

    // The count after a marker: its low nibble, or an integer object that follows when it is 0xF.
    bool count(quint64& at, uchar marker, quint64& out) const
    {
        out = marker & 0x0F;
        ++at;
        if (out != 0x0F)
            return true;
        if (at >= m_size || (m_data[at] & 0xF0) != 0x10)
            return false;
        const int width = 1 << (m_data[at] & 0x0F);
        if (width > 8 || at + 1 + quint64(width) > m_size)
            return false;
        out = readBigEndian(m_data + at + 1, width);
        at += 1 + quint64(width);
        return true;
    }

    // Where the references of a container start, or a zero count for a plain value. Every
    // reference must lie before the offset table: a count (or the integer that holds it) reaching
    // into the table would have the table and the trailer read as references.
    Container containerAt(quint64 index) const
    {
        Container c;
        quint64 at = 0;
        if (!objectOffset(index, at)) {
            c.error = QStringLiteral("object out of range");
            return c;
        }
        const uchar marker = m_data[at];
        const uchar type = marker >> 4;
        if (type != 0xA && type != 0xB && type != 0xC && type != 0xD)
            return c;
        quint64 n = 0;
        if (!count(at, marker, n)) {
            c.error = QStringLiteral("bad container count");
            return c;
        }
        if (at > m_tableOffset || n > (m_tableOffset - at) / quint64(m_refSize)
            || (type == 0xD && 2 * n > (m_tableOffset - at) / quint64(m_refSize))) {
            c.error = QStringLiteral("container runs past the offset table");
            return c;
        }
        c.refsAt = at;
        c.refCount = type == 0xD ? 2 * n : n;
        c.keyCount = type == 0xD ? n : 0;
        return c;
    }

    // A string object (ASCII or UTF-16) that holds U+0000; libplist's key getter aborts on one.
    bool stringHoldsNul(quint64 index) const
    {
        quint64 at = 0;
        if (!objectOffset(index, at))
            return false;
        const uchar marker = m_data[at];
        const uchar type = marker >> 4;
        if (type != 0x5 && type != 0x6)
            return false;
        quint64 n = 0;
        if (!count(at, marker, n))
            return false;
        const quint64 unit = type == 0x6 ? 2 : 1;
        if (n > (m_size - at) / unit)
            return false; // libplist refuses the truncated string itself
        for (quint64 i = 0; i < n; ++i) {
            const uchar* c = m_data + at + i * unit;
            if (c[0] == 0 && (unit == 1 || c[1] == 0))
                return true;
        }
        return false;
    }

    quint64 reference(const Container& c, quint64 i) const
    {
        return readBigEndian(m_data + c.refsAt + i * quint64(m_refSize), m_refSize);
    }

    // Depth-first over the references, without recursion, remembering each object's height and
    // expanded size so shared objects are measured once.
    QString walkFrom(quint64 top)
    {
        std::vector<Frame> stack;
        stack.reserve(size_t(std::min<quint64>(m_objectCount, 16)));
        const auto push = [&](quint64 object) -> QString {
            Frame frame{object, containerAt(object)};
            if (!frame.container.error.isEmpty())
                return frame.container.error;
            m_seen[object].height = kOnPath;
            stack.push_back(frame);
            if (int(stack.size()) > PropertyListLimits::maxDepth + 1)
                return QStringLiteral("nested deeper than %1 levels").arg(PropertyListLimits::maxDepth);
            return {};
        };
        if (QString error = push(top); !error.isEmpty())
            return error;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.container.refCount) {
                const quint64 i = frame.next++;
                const quint64 child = reference(frame.container, i);
                if (child >= m_objectCount)
                    return QStringLiteral("reference out of range");
                if (i < frame.container.keyCount && stringHoldsNul(child))
                    return QStringLiteral("dictionary key holds U+0000");
                const int known = m_seen[child].height;
                if (known == kOnPath)
                    return QStringLiteral("objects refer to themselves");
                if (known == kUnvisited) {
                    if (QString error = push(child); !error.isEmpty())
                        return error;
                    continue;
                }
                frame.height = std::max(frame.height, known + 1);
                frame.expanded = std::min(frame.expanded + m_seen[child].expanded, PropertyListLimits::maxExpandedObjects + 1);
                continue;
            }
            const Frame done = frame;
            stack.pop_back();
            if (done.expanded > PropertyListLimits::maxExpandedObjects)
                return QStringLiteral("more than %1 values once expanded").arg(PropertyListLimits::maxExpandedObjects);
            m_seen[done.object] = {done.height, done.expanded};
            if (!stack.empty()) {
                Frame& parent = stack.back();
                parent.height = std::max(parent.height, done.height + 1);
                parent.expanded = std::min(parent.expanded + done.expanded, PropertyListLimits::maxExpandedObjects + 1);
            }
        }
        return {};
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_tableOffset = 0;
    std::vector<Seen> m_seen;
};

// Whether `text` (a literal) is written at `at`.
template <qsizetype N> bool startsWithAt(QByteArrayView data, qsizetype at, const char (&text)[N])
{
    return at + (N - 1) <= data.size() && std::memcmp(data.data() + at, text, size_t(N - 1)) == 0;
}

// A numeric character reference ("&#0;", "&#x00;") whose value is zero.
bool isNulReference(QByteArrayView data, qsizetype at)
{
    qsizetype i = at + 2;
    const bool hex = i < data.size() && (data[i] == 'x' || data[i] == 'X');
    if (hex)
        ++i;
    bool digits = false;
    for (; i < data.size() && data[i] != ';'; ++i) {
        if (data[i] != '0')
            return false;
        digits = true;
    }
    return digits;
}

// The next `c` at or after `from`, or the end.
qsizetype nextOf(QByteArrayView data, char c, qsizetype from)
{
    if (from >= data.size())
        return data.size();
    const void* found = std::memchr(data.data() + from, c, size_t(data.size() - from));
    return found ? static_cast<const char*>(found) - data.data() : data.size();
}

// The text form: counts open <array> and <dict> elements; comments, CDATA and declarations are
// skipped whole. Only the two characters that start markup or a reference are looked at, found
// with memchr rather than byte by byte.
QString xmlViolation(QByteArrayView data)
{
    if (data.contains('\0'))
        return QStringLiteral("text holds U+0000");
    int depth = 0;
    qsizetype nextTag = nextOf(data, '<', 0);
    qsizetype nextReference = nextOf(data, '&', 0);
    for (;;) {
        qsizetype at = std::min(nextTag, nextReference);
        if (at >= data.size())
            break;
        if (at == nextReference) {
            if (startsWithAt(data, at, "&#") && isNulReference(data, at))
                return QStringLiteral("text holds U+0000");
            nextReference = nextOf(data, '&', at + 1);
            continue;
        }
        const auto skipTo = [&](QByteArrayView end) {
            const qsizetype found = data.indexOf(end, at);
            at = found < 0 ? data.size() : found;
        };
        // The character after "<" tells which of the markups below it can be.
        const char kind = at + 1 < data.size() ? data[at + 1] : '\0';
        if (kind == '!' && startsWithAt(data, at, "<!--")) {
            skipTo("-->");
        } else if (kind == '!' && startsWithAt(data, at, "<![CDATA[")) {
            skipTo("]]>");
        } else if (kind == '/') {
            if (startsWithAt(data, at, "</array") || startsWithAt(data, at, "</dict"))
                depth = std::max(0, depth - 1);
        } else if ((kind == 'a' && startsWithAt(data, at, "<array")) || (kind == 'd' && startsWithAt(data, at, "<dict"))) {
            const qsizetype close = data.indexOf('>', at);
            if (close < 0)
                return {};
            if (data[close - 1] != '/' && ++depth > PropertyListLimits::maxDepth)
                return QStringLiteral("nested deeper than %1 levels").arg(PropertyListLimits::maxDepth);
            at = close;
        }
        // Whatever the markup covered is passed over, references inside it too.
        nextTag = nextOf(data, '<', at + 1);
        if (nextReference <= at)
            nextReference = nextOf(data, '&', at + 1);
    }
    return {};
}

} // namespace

QString propertyListLimitViolation(QByteArrayView data)
{
    if (data.size() > PropertyListLimits::maxBytes)
        return QStringLiteral("larger than %1 bytes").arg(PropertyListLimits::maxBytes);
    if (data.startsWith("bplist"))
        return BinaryListWalk(data).violation();
    return xmlViolation(data);
}

} // namespace corvanta
