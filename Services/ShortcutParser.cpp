#include "Services/ShortcutParser.h"

#include <QHash>

namespace corvanta {

quint32 letterKeyCode(QChar letter)
{
    // Positions of the letter keys in the ANSI key-code table (A is 0).
    static constexpr quint32 codes[26] = {
        0,  11, 8,  2,  14, 3,  5,  4,  34, 38, 40, 37, 46, // A-M
        45, 31, 35, 12, 15, 1,  17, 32, 9,  13, 7,  16, 6,  // N-Z
    };
    const char16_t c = letter.unicode();
    return (c >= u'A' && c <= u'Z') ? codes[c - u'A'] : 0;
}

ParsedShortcut parseShortcut(const QString& text)
{
    static const QHash<QString, quint32> modifierWords = {
        {QStringLiteral("cmd"), HotKeyModifier::command},   {QStringLiteral("command"), HotKeyModifier::command},
        {QStringLiteral("shift"), HotKeyModifier::shift},   {QStringLiteral("alt"), HotKeyModifier::option},
        {QStringLiteral("option"), HotKeyModifier::option}, {QStringLiteral("ctrl"), HotKeyModifier::control},
        {QStringLiteral("control"), HotKeyModifier::control},
    };
    static const QHash<QString, quint32> namedKeys = {
        {QStringLiteral("f1"), 122},   {QStringLiteral("f2"), 120},  {QStringLiteral("f3"), 99},
        {QStringLiteral("f4"), 118},   {QStringLiteral("f5"), 96},   {QStringLiteral("f6"), 97},
        {QStringLiteral("f7"), 98},    {QStringLiteral("f8"), 100},  {QStringLiteral("f9"), 101},
        {QStringLiteral("f10"), 109},  {QStringLiteral("f11"), 103}, {QStringLiteral("f12"), 111},
        {QStringLiteral("space"), 49}, {QStringLiteral("l"), 37},    {QStringLiteral("p"), 35},
    };

    ParsedShortcut result;
    QString keyWord;
    for (const QString& raw : text.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        const QString piece = raw.trimmed().toLower();
        const auto modifier = modifierWords.constFind(piece);
        if (modifier != modifierWords.constEnd())
            result.modifiers |= *modifier;
        else
            keyWord = piece;
    }

    const auto named = namedKeys.constFind(keyWord);
    if (named != namedKeys.constEnd())
        result.keyCode = *named;
    else if (!keyWord.isEmpty())
        result.keyCode = letterKeyCode(keyWord.at(0).toUpper());
    return result;
}

} // namespace corvanta
