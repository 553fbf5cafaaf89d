#pragma once

#include <QVariantList>

#include <optional>

namespace corvanta {

// The Dock's list of kept application tiles ("persistent-apps" of its preference domain).
class DockPreferences {
public:
    virtual ~DockPreferences() = default;
    // Nothing when there is no such list (or it is not a list).
    virtual std::optional<QVariantList> persistentApps() = 0;
    virtual bool setPersistentApps(const QVariantList& tiles) = 0;
    // Restarts the Dock so it shows the new list; does not wait.
    virtual void restartDock() = 0;
};

// A desktop without that Dock: there is no list and nothing to restart.
class NoDockPreferences : public DockPreferences {
public:
    std::optional<QVariantList> persistentApps() override { return std::nullopt; }
    bool setPersistentApps(const QVariantList&) override { return false; }
    void restartDock() override {}
};

} // namespace corvanta
