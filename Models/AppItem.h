#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

namespace corvanta {

// One installed application.
struct AppItem {
    QUuid id;
    QString name;
    QString bundleIdentifier; // empty when the bundle declares none
    QUrl url;                 // file URL of the .app bundle
    std::optional<QString> iconPath;
    bool isHidden = false;

    bool operator==(const AppItem&) const = default;

    // The bundle's file path, percent-decoded and without a trailing slash, however the URL was
    // written: the one form used for de-duplication, the Utilities test and the icon cache key.
    QString path() const;
};

size_t qHash(const AppItem& item, size_t seed = 0) noexcept;

} // namespace corvanta
