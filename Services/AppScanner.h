#pragma once

#include "Models/AppItem.h"
#include "Platform/Bundle.h"
#include "Platform/DisplayNameSource.h"

#include <QFuture>
#include <QList>
#include <QLocale>
#include <QStringList>

#include <memory>
#include <optional>
#include <stop_token>

namespace corvanta {

// Builds the catalogue of installed applications from the top level of each folder: every
// "<Name>.app" bundle a user can open, named for the user's languages, without duplicates, in
// name order. Keeps no state between scans; every scan makes fresh records with fresh ids.
class AppScanner {
public:
    struct Environment {
        std::shared_ptr<const BundleReader> bundles;
        std::shared_ptr<const DisplayNameSource> displayNames;
        QStringList preferredLanguages;
        QLocale locale;

        // The desktop's own: files, no metadata names, the UI languages and locale of the system.
        static Environment system();
    };

    explicit AppScanner(QStringList directories, Environment environment = Environment::system());

    // Synchronous; meant for a background thread. Never fails: an unreadable folder gives nothing.
    // A stop request ends the scan before its next bundle, with what was found so far.
    QList<AppItem> scanAll(std::stop_token stop = {}) const;
    // The same on the global thread pool.
    QFuture<QList<AppItem>> scanAllAsync() const;

    const QStringList& directories() const { return m_directories; }

    // One bundle's record, or nothing when it is no bundle or declares itself a background agent.
    std::optional<AppItem> appAt(const QString& bundlePath) const;
    // The name a bundle shows, or nothing when no source gives one.
    std::optional<QString> displayName(const Bundle& bundle) const;

private:
    // The applications of the folder at the clean absolute path `base`, in listing order.
    QList<AppItem> appsIn(const QString& base, const std::stop_token& stop) const;
    std::optional<AppItem> appFrom(const std::optional<Bundle>& bundle, const QString& bundlePath) const;

    QStringList m_directories;
    Environment m_environment;
    QList<QByteArray> m_stringsFiles;
};

// True for a bundle inside the system's Utilities folders ("/Applications/Utilities" and
// "/System/Applications/Utilities"), at any depth; the one under the home folder does not count.
bool isUtilitiesApp(const AppItem& app);
// The same against a given list of Utilities folders.
bool isUtilitiesApp(const AppItem& app, const QStringList& utilitiesFolders);

} // namespace corvanta
