#pragma once

#include "Models/AppItem.h"

#include <QList>
#include <QLocale>

namespace corvanta {

// Stable sort by name with the locale's case-insensitive collation: names that compare equal
// keep their order. By default the user's region orders them, not the interface's language.
void sortAppsByName(QList<AppItem>& apps, const QLocale& locale = QLocale::system());

} // namespace corvanta
