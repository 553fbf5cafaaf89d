#include "Services/NameOrder.h"

#include <QCollator>

#include <algorithm>
#include <numeric>
#include <vector>

namespace corvanta {

namespace {

// The C and POSIX locales carry no collation: Qt would compare code points, case and all
// ("alpha" after "Ziggurat"). English collation is the root order of every script.
QLocale collationLocale(const QLocale& locale)
{
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}

} // namespace

void sortAppsByName(QList<AppItem>& apps, const QLocale& locale)
{
    QCollator collator(collationLocale(locale));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sort keys compare as the collator would, at a fraction of the cost of a full comparison
    // per pair; the order of the indices carries the stability.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(apps.size()));
    for (const AppItem& app : apps)
        keys.push_back(collator.sortKey(app.name));
    std::vector<qsizetype> order(size_t(apps.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](qsizetype a, qsizetype b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    QList<AppItem> sorted;
    sorted.reserve(apps.size());
    for (qsizetype index : order)
        sorted.append(std::move(apps[index]));
    apps = std::move(sorted);
}

} // namespace corvanta
