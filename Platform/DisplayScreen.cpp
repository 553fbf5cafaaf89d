#include "Platform/DisplayScreen.h"

namespace corvanta {

QString describeRect(const QRectF& r)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(r.x(), 0, 'g', 10)
        .arg(r.y(), 0, 'g', 10)
        .arg(r.width(), 0, 'g', 10)
        .arg(r.height(), 0, 'g', 10);
}

} // namespace corvanta
