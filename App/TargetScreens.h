#pragma once

#include "Models/LayoutConfig.h"
#include "Platform/DisplayScreen.h"

#include <QSet>
#include <QString>

#include <optional>

namespace corvanta {

class Clock;
class DockWindowSource;
class ScreenProvider;

// Which screen the overlay opens on, and the cache of screens that show the Dock (reading the
// window list is slow next to the rest of a show, so it is read once per screen configuration).
class TargetScreens {
public:
    TargetScreens(ScreenProvider& screens, DockWindowSource& docks, const Clock& clock);

    // The screen holding the global origin; never "nothing" (a null screen when none is attached).
    DisplayScreen primaryScreen() const;
    // The screen under the pointer.
    std::optional<DisplayScreen> cursorScreen() const;
    // The screen for a show without an explicit screen, by the preference.
    DisplayScreen targetScreen(ScreenPreference preference);
    // The screen whose Dock a click on the program's Dock icon came from, or none.
    std::optional<DisplayScreen> dockScreenForReopen();

    void rebuildScreensWithDockCache();
    // The screen configuration changed: the cache is rebuilt on its next use.
    void invalidate() { m_valid = false; }
    bool isValid() const { return m_valid; }
    const QSet<QString>& screensWithDock() const { return m_screensWithDock; }

private:
    std::optional<DisplayScreen> dockScreenCandidate();

    ScreenProvider& m_screens;
    DockWindowSource& m_docks;
    const Clock& m_clock;
    QSet<QString> m_screensWithDock; // by screen name
    bool m_valid = false;
};

} // namespace corvanta
