#include "Models/AppGroup.h"

namespace corvanta {

QList<QUuid> AppGroup::appIDs() const
{
    QList<QUuid> ids;
    ids.reserve(apps.size());
    for (const AppItem& app : apps)
        ids.append(app.id);
    return ids;
}

size_t qHash(const AppGroup& group, size_t seed) noexcept
{
    seed = qHashMulti(seed, group.id, group.name, group.isSystemUtilitiesFolder);
    for (const AppItem& app : group.apps)
        seed = qHash(app, seed);
    return seed;
}

} // namespace corvanta
