#pragma once

#include <QString>

namespace corvanta {

// Text from other people's files made safe for one log line: control characters (C0, DEL and C1)
// become "\uNNNN" (a backslash as "\\"), so a name can never start a fake line or hide a character.
QString logSafe(const QString& text);

} // namespace corvanta
