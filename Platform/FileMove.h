#pragma once

#include <QString>

#include <system_error>

namespace corvanta {

// Renames `from` to `to` (a file or a folder) only if nothing exists at `to`; an existing file or
// folder there is never replaced (the error is then "file exists"). Returns the error, if any.
std::error_code moveWithoutReplacing(const QString& from, const QString& to);

} // namespace corvanta
