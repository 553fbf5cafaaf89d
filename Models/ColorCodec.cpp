#include "Models/ColorCodec.h"

#include "Support/HexDigit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace corvanta {

namespace {

bool isLetterOrDigit(QChar c) { return c.isLetterOrNumber(); }

// Reads hexadecimal digits from the start (after an optional 0x), stopping at the first other
// character; more than sixteen digits keep the low 64 bits.
quint64 leadingHexValue(QStringView text)
{
    if (text.size() >= 2 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X')))
        text = text.mid(2);
    quint64 value = 0;
    for (QChar c : text) {
        const int digit = hexDigitValue(c.unicode());
        if (digit < 0)
            break;
        value = (value << 4) | quint64(digit);
    }
    return value;
}

int componentByte(float component)
{
    // Halves round away from zero; the clamp keeps out-of-gamut values from wrapping into the
    // neighbouring component's digits.
    const long rounded = std::lround(double(component) * 255.0);
    return int(std::clamp(rounded, 0L, 255L));
}

} // namespace

QColor colorFromHex(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && !isLetterOrDigit(text.at(begin)))
        ++begin;
    while (end > begin && !isLetterOrDigit(text.at(end - 1)))
        --end;
    const QStringView trimmed = QStringView(text).mid(begin, end - begin);
    const quint64 value = leadingHexValue(trimmed);
    const auto byte = [value](int shift) { return int((value >> shift) & 0xFF); };
    switch (trimmed.size()) {
    case 6:
        return QColor::fromRgb(byte(16), byte(8), byte(0), 255);
    case 8:
        return QColor::fromRgb(byte(24), byte(16), byte(8), byte(0));
    default:
        return QColor::fromRgb(0, 0, 0, 255);
    }
}

QString toHexString(const QColor& color)
{
    const QColor rgb = color.isValid() ? color.toRgb() : color;
    float r = 0, g = 0, b = 0, a = 0;
    rgb.getRgbF(&r, &g, &b, &a);
    return QString::asprintf("#%02X%02X%02X%02X", componentByte(r), componentByte(g), componentByte(b), componentByte(a));
}

} // namespace corvanta
