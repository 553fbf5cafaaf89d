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
    // Pairs are compared as they come rather than through a sort key per name: the collator
    // compares Latin text on a fast path, and stops at the first difference, while a key is
    // built whole for every name. The order of the indices carries the stability.
    const QList<AppItem>& unsorted = apps;
    std::vector<qsizetype> order(size_t(apps.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return collator.compare(unsorted.at(a).name, unsorted.at(b).name) < 0;
    });
    QList<AppItem> sorted;
    sorted.reserve(apps.size());
    for (qsizetype index : order)
        sorted.append(std::move(apps[index]));
    apps = std::move(sorted);
}

} // namespace corvanta
