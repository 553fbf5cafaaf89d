#pragma once

#include "Models/AppItem.h"

#include <QList>

namespace corvanta {

// Stable sort by name with the current locale's case-insensitive comparison: names that compare
// equal keep their prior order.
void sortAppsByName(QList<AppItem>& apps);

} // namespace corvanta
