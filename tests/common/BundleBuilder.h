#pragma once

#include "Platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <QVariantMap>

namespace corvanta::test {

enum class PlistForm { Xml, Binary };

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Writes "<folder>/<fileName>" as an application bundle with the given Info.plist.
inline QString makeBundle(const QString& folder, const QString& fileName, const QVariantMap& info,
                          PlistForm form = PlistForm::Xml)
{
    const QString path = folder + u'/' + fileName;
    QDir().mkpath(path + QStringLiteral("/Contents/Resources"));
    writeFile(path + QStringLiteral("/Contents/Info.plist"),
              form == PlistForm::Xml ? PropertyList::toXml(info) : PropertyList::toBinary(info));
    return path;
}

inline QVariantMap infoWith(const QString& identifier, const QString& name = QString())
{
    QVariantMap info;
    if (!identifier.isEmpty())
        info.insert(QStringLiteral("CFBundleIdentifier"), identifier);
    if (!name.isEmpty())
        info.insert(QStringLiteral("CFBundleName"), name);
    return info;
}

// An ARGB image of `size`, transparent except for `content` filled with `color`.
inline QImage iconWithContent(QSize size, QRect content, QColor color = QColor(200, 40, 40))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = content.top(); y <= content.bottom(); ++y)
        for (int x = content.left(); x <= content.right(); ++x)
            image.setPixelColor(x, y, color);
    return image;
}

} // namespace corvanta::test
