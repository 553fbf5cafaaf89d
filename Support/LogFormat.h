#pragma once

#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cmath>

namespace corvanta {

// Numbers and geometry in log lines: whole numbers keep one decimal ("12.0"), others print in
// their shortest exact form ("12.5").
inline QString logNumber(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(value, 'f', 1);
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

inline QString logPoint(const QPointF& p)
{
    return QStringLiteral("(%1, %2)").arg(logNumber(p.x()), logNumber(p.y()));
}

inline QString logSize(const QSizeF& s)
{
    return QStringLiteral("(%1, %2)").arg(logNumber(s.width()), logNumber(s.height()));
}

inline QString logRect(const QRectF& r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(logNumber(r.x()), logNumber(r.y()), logNumber(r.width()), logNumber(r.height()));
}

// Text from outside the program in a log line: control characters as \uXXXX, so it cannot break
// or forge a line.
inline QString logEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

inline QString logBool(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace corvanta
