#pragma once

#include <QString>

namespace corvanta::UninstallText {

// Why one path was not deleted, in the interface's language. The deletion layers report system
// error texts and short English kinds of failure; the user reads Chinese. Texts that are already
// Chinese (the guard's refusals) pass unchanged; nothing English ever reaches the screen.
QString failureReason(const QString& reported);

// A system error number as the user reads it.
QString errnoReason(int error);

} // namespace corvanta::UninstallText
