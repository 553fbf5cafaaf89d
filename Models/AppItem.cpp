#include "Models/AppItem.h"

namespace corvanta {

QString AppItem::path() const
{
    QString local = url.toLocalFile();
    qsizetype end = local.size();
    while (end > 1 && local.at(end - 1) == QLatin1Char('/'))
        --end;
    local.truncate(end);
    return local;
}

size_t qHash(const AppItem& item, size_t seed) noexcept
{
    seed = qHashMulti(seed, item.id, item.name, item.bundleIdentifier, item.url, item.isHidden);
    // An absent icon path must hash differently from an empty one, as they compare unequal.
    return item.iconPath ? qHashMulti(seed, true, *item.iconPath) : qHashMulti(seed, false);
}

} // namespace corvanta
