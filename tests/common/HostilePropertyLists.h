#pragma once

#include <QByteArray>
#include <QList>

// Property lists written byte by byte, for the shapes no well-behaved writer produces.
namespace corvanta::test {

inline void appendBigEndian(QByteArray& out, quint64 value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// A binary list of the given encoded objects, object 0 at the top, 4-byte offsets.
inline QByteArray binaryPlist(const QList<QByteArray>& objects, int refSize)
{
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray& object : objects) {
        offsets.append(quint64(out.size()));
        out.append(object);
    }
    const quint64 table = quint64(out.size());
    for (quint64 offset : offsets)
        appendBigEndian(out, offset, 4);
    out.append(QByteArray(6, '\0'));
    out.append(char(4));
    out.append(char(refSize));
    appendBigEndian(out, quint64(objects.size()), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
}

// A container marker with its count, then the references.
inline QByteArray binaryContainer(uchar type, const QList<quint64>& refs, int refSize, qsizetype count)
{
    QByteArray out;
    if (count < 15) {
        out.append(char((type << 4) | count));
    } else {
        out.append(char((type << 4) | 0x0F));
        out.append(char(0x12));
        appendBigEndian(out, quint64(count), 4);
    }
    for (quint64 ref : refs)
        appendBigEndian(out, ref, refSize);
    return out;
}

inline QByteArray binaryArray(const QList<quint64>& refs, int refSize)
{
    return binaryContainer(0xA, refs, refSize, refs.size());
}

// keys then values, as the format stores them
inline QByteArray binaryDict(const QList<quint64>& keys, const QList<quint64>& values, int refSize)
{
    return binaryContainer(0xD, keys + values, refSize, keys.size());
}

// Under 256 characters: from 15 on, the count follows as a one-byte integer object.
inline QByteArray binaryAscii(const QByteArray& text)
{
    if (text.size() < 15)
        return QByteArray(1, char(0x50 | text.size())) + text;
    return QByteArray("\x5F\x10", 2) + char(text.size()) + text;
}

// Arrays nested `depth` deep, each holding the next: the shape that exhausts a recursive reader.
inline QByteArray deeplyNestedBinaryPlist(int depth)
{
    QList<QByteArray> objects;
    objects.reserve(depth + 1);
    for (int i = 0; i < depth; ++i)
        objects.append(binaryArray({quint64(i + 1)}, 4));
    objects.append(binaryArray({}, 4));
    return binaryPlist(objects, 4);
}

// {"CFBundleName": "a<U+0000>b"} with the name stored as UTF-16.
inline QByteArray binaryPlistWithNulInString()
{
    const QByteArray utf16("\x00\x61\x00\x00\x00\x62", 6);
    return binaryPlist({binaryDict({1}, {2}, 1), binaryAscii("CFBundleName"), QByteArray(1, char(0x63)) + utf16}, 1);
}

inline QByteArray xmlNested(int depth, const QByteArray& open, const QByteArray& close)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + open.repeated(depth)
        + close.repeated(depth) + "</plist>";
}

} // namespace corvanta::test
