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
    // built whole for every name.
    const QList<AppItem>& unsorted = apps;
    const auto before = [&](qsizetype a, qsizetype b) { return collator.compare(unsorted.at(a).name, unsorted.at(b).name) < 0; };
    // Each folder is listed in file-name order and names mostly follow file names, so the list
    // comes in a few ascending runs: they are found and merged, pairwise until one is left. Merging
    // takes the earlier run's item first among equals, which keeps the sort stable.
    std::vector<qsizetype> order(size_t(apps.size()));
    std::iota(order.begin(), order.end(), 0);
    std::vector<size_t> runs{0};
    for (size_t i = 1; i < order.size(); ++i) {
        if (before(order[i], order[i - 1]))
            runs.push_back(i);
    }
    runs.push_back(order.size());
    std::vector<qsizetype> merged(order.size());
    while (runs.size() > 2) {
        std::vector<size_t> next{0};
        for (size_t r = 0; r + 1 < runs.size(); r += 2) {
            const auto first = order.begin() + qsizetype(runs[r]);
            const auto middle = order.begin() + qsizetype(runs[r + 1]);
            const size_t end = r + 2 < runs.size() ? runs[r + 2] : runs[r + 1];
            std::merge(first, middle, middle, order.begin() + qsizetype(end), merged.begin() + qsizetype(runs[r]), before);
            next.push_back(end);
        }
        order.swap(merged);
        runs.swap(next);
    }
    QList<AppItem> sorted;
    sorted.reserve(apps.size());
    for (qsizetype index : order)
        sorted.append(std::move(apps[index]));
    apps = std::move(sorted);
}

} // namespace corvanta
