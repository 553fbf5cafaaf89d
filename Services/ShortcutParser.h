#pragma once

#include <QString>
#include <QtGlobal>

namespace corvanta {

// Modifier bits of a hot key, as the key-code model of the trigger service defines them.
namespace HotKeyModifier {
inline constexpr quint32 command = 0x100;
inline constexpr quint32 shift = 0x200;
inline constexpr quint32 option = 0x800;
inline constexpr quint32 control = 0x1000;
} // namespace HotKeyModifier

struct ParsedShortcut {
    quint32 keyCode = 0; // 0: no key
    quint32 modifiers = 0;
    bool operator==(const ParsedShortcut&) const = default;
};

// "F4", "Cmd+Shift+L", "ctrl + option + space": tokens separated by "+", case and surrounding
// blanks ignored; the last non-modifier token is the key.
ParsedShortcut parseShortcut(const QString& text);

// Virtual key code of an ANSI letter key (A-Z), or 0 for anything else.
quint32 letterKeyCode(QChar letter);

} // namespace corvanta
