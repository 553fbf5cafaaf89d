#include "Support/LogText.h"

namespace corvanta {

QString logSafe(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else if (u == u'\\')
            out += QStringLiteral("\\\\");
        else
            out += c;
    }
    return out;
}

} // namespace corvanta
