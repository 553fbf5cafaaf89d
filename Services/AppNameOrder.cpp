#include "Services/AppNameOrder.h"

#include <QCollator>

#include <algorithm>

namespace corvanta {

void sortAppsByName(QList<AppItem>& apps)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&collator](const AppItem& a, const AppItem& b) {
        return collator.compare(a.name, b.name) < 0;
    });
}

} // namespace corvanta
