#pragma once

#include "Models/AppItem.h"
#include "Support/Clock.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace corvanta {

class DockPreferences;
class DockRestarter;

// Pins applications to the Dock by appending a tile to the "persistent-apps" list of the Dock's
// preference domain, and restarts the Dock so that it shows it. Owns the tile format, which the
// uninstaller's removal of tiles shares.
class DockManager {
public:
    static constexpr char domain[] = "com.apple.dock";
    static constexpr char key[] = "persistent-apps";
    static constexpr double restartDelay = 0.35;

    struct Outcome {
        enum class Kind { added, alreadyPresent, failed };
        Kind kind = Kind::failed;
        QString message; // the reason of a failure

        static Outcome added() { return {Kind::added, {}}; }
        static Outcome alreadyPresent() { return {Kind::alreadyPresent, {}}; }
        static Outcome failed(QString message) { return {Kind::failed, std::move(message)}; }
        bool operator==(const Outcome&) const = default;
    };

    // `fileExists` answers whether a bundle is still on disk (the file system unless given).
    DockManager(DockPreferences& preferences, DockRestarter& restarter, Scheduler& scheduler,
        std::function<bool(const QString&)> fileExists = {});

    Outcome addToDock(const AppItem& app);
    // Whether the Dock's stored tiles hold the application (an unreadable domain holds nothing).
    bool containsApp(const AppItem& app) const;
    // The Dock is restarted `restartDelay` seconds from now.
    void scheduleDockRestart();

    // The tile addToDock appends for `app`.
    static QVariantMap tile(const AppItem& app);
    // Whether a stored tile stands for `app`: the same non-empty bundle identifier, or the same
    // bundle path once both are standardised. Tiles of any shape are read leniently.
    static bool matches(const QVariant& tile, const AppItem& app);

private:
    DockPreferences& m_preferences;
    DockRestarter& m_restarter;
    Scheduler& m_scheduler;
    std::function<bool(const QString&)> m_fileExists;
};

} // namespace corvanta
