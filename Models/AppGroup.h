#pragma once

#include "Models/AppItem.h"

#include <QList>

namespace corvanta {

// A folder of applications.
struct AppGroup {
    QUuid id;
    QString name;
    QList<AppItem> apps;
    bool isSystemUtilitiesFolder = false;

    bool operator==(const AppGroup&) const = default;

    QList<QUuid> appIDs() const;
};

size_t qHash(const AppGroup& group, size_t seed = 0) noexcept;

} // namespace corvanta
