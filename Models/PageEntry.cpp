#include "Models/PageEntry.h"

namespace corvanta {

QUuid PageEntry::id() const
{
    return std::visit([](const auto& held) { return held.id; }, m_value);
}

QList<AppItem> PageEntry::containedApps() const
{
    if (const AppGroup* group = asGroup())
        return group->apps;
    return {*asApp()};
}

size_t qHash(const PageEntry& entry, size_t seed) noexcept
{
    // The case number goes first so that an application and a folder never collide by payload.
    seed = qHashMulti(seed, entry.isGroup() ? 1 : 0);
    if (const AppGroup* group = entry.asGroup())
        return qHash(*group, seed);
    return qHash(*entry.asApp(), seed);
}

} // namespace corvanta
