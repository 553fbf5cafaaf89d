#pragma once

#include "Platform/DockPreferences.h"
#include "Platform/DockRestart.h"
#include "Platform/DockTileStore.h"

namespace corvanta {

// The uninstaller's view of the Dock's kept tiles, over the Dock's preference file: a domain that
// cannot be read is never written.
class DockFileTileStore final : public DockTileStore {
public:
    DockFileTileStore(DockPreferences preferences, std::unique_ptr<DockRestarter> restarter)
        : m_preferences(std::move(preferences)), m_restarter(std::move(restarter))
    {
    }

    std::optional<QVariantList> persistentApps() override;
    bool setPersistentApps(const QVariantList& tiles) override;
    void restartDock() override { m_restarter->restart(); }

private:
    DockPreferences m_preferences;
    std::unique_ptr<DockRestarter> m_restarter;
};

} // namespace corvanta
