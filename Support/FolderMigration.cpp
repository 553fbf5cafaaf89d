#include "Support/FolderMigration.h"

#include "Platform/FileMove.h"

#include <QFileInfo>

namespace corvanta {

std::optional<std::error_code> moveEarlierFolder(const QString& earlier, const QString& current)
{
    if (QFileInfo::exists(current) || !QFileInfo::exists(earlier))
        return std::nullopt;
    return moveWithoutReplacing(earlier, current);
}

} // namespace corvanta
