#pragma once

#include "Models/AppItem.h"

#include <QVariantList>

namespace corvanta::Uninstall {

struct DockPruneResult {
    QVariantList kept; // the list without the application's tiles, order unchanged
    int removed = 0;
};

// Removes an application's tiles from the Dock's "persistent-apps" list. A tile is the
// application's when its "tile-data" names the same bundle identifier (an empty one never
// matches) or its "file-data" "_CFURLString", decoded from its file URL and standardised, is
// exactly the application's path. Anything that is not such a tile is kept as it is.
DockPruneResult pruneDockTiles(const QVariantList& tiles, const AppItem& app);

} // namespace corvanta::Uninstall
