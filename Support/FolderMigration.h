#pragma once

#include <QString>

#include <optional>
#include <system_error>

namespace corvanta {

// Moves the folder of the earlier product name into place when it exists and the current folder
// does not. Returns nothing when no move was due, otherwise the move's outcome (empty on success).
std::optional<std::error_code> moveEarlierFolder(const QString& earlier, const QString& current);

} // namespace corvanta
