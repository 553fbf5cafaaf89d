#include "IcnsWriter.h"

#include <QBuffer>
#include <QtEndian>

#include <stdexcept>

namespace corvanta::samples {

namespace {

constexpr quint32 headerSize = 8;

void appendHeader(QByteArray& out, const QByteArray& type, quint32 length)
{
    if (type.size() != 4) {
        throw std::invalid_argument("icon element types have four characters");
    }
    out.append(type);
    char be[4];
    qToBigEndian(length, be);
    out.append(be, 4);
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw std::runtime_error("could not encode an icon image as PNG");
    }
    return bytes;
}

}  // namespace

QByteArray encodeIcns(const std::vector<IcnsElement>& elements)
{
    QByteArray body;
    QByteArray toc;
    for (const IcnsElement& element : elements) {
        const QByteArray data = png(element.image);
        const auto length = static_cast<quint32>(headerSize + data.size());
        appendHeader(toc, element.type, length);
        appendHeader(body, element.type, length);
        body.append(data);
    }
    QByteArray tocElement;
    appendHeader(tocElement, QByteArrayLiteral("TOC "), static_cast<quint32>(headerSize + toc.size()));
    tocElement.append(toc);

    QByteArray file;
    appendHeader(file, QByteArrayLiteral("icns"), static_cast<quint32>(headerSize + tocElement.size() + body.size()));
    file.append(tocElement);
    file.append(body);
    return file;
}

}  // namespace corvanta::samples
