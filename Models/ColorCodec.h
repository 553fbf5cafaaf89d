#pragma once

#include <QColor>
#include <QString>

namespace corvanta {

// "#RRGGBB" or "#RRGGBBAA" (number sign optional); any other length gives opaque black.
QColor colorFromHex(const QString& text);
// "#RRGGBBAA" in upper case, each component clamped to 0-255.
QString toHexString(const QColor& color);

} // namespace corvanta
