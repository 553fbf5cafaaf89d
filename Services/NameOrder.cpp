#include "Services/NameOrder.h"

#include <QCollator>

#include <algorithm>

namespace corvanta {

void sortAppsByName(QList<AppItem>& apps, const QLocale& locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    std::stable_sort(apps.begin(), apps.end(),
                     [&collator](const AppItem& a, const AppItem& b) { return collator.compare(a.name, b.name) < 0; });
}

} // namespace corvanta
