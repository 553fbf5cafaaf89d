#pragma once

#include "Platform/DisplayScreen.h"

#include <functional>
#include <memory>

namespace corvanta {

class MenuBarCoverWindow;
class ScreenProvider;
class SLSMenuBar;
class WallpaperStore;
class WindowStack;

// Owns the strip over the menu bar (`menuBarCoverWindow`) and replaces it whenever the overlay
// moves to another screen or the screens change: the strip is dropped and made anew, never moved,
// and keeps its ordered-in state across a rebuild.
class MenuBarCoverHost {
public:
    MenuBarCoverHost(SLSMenuBar& menuBar, ScreenProvider& screens, WindowStack& stack);
    ~MenuBarCoverHost();

    // Binds a new strip's view to the shell's state (background settings, wallpaper, presentation).
    void setConfigure(std::function<void(MenuBarCoverWindow&)> configure) { m_configure = std::move(configure); }
    // The wallpaper the strip's background shows (WallpaperStore::shared() in the program).
    void setWallpaperStore(WallpaperStore* store) { m_wallpaper = store; }
    // The grid's modal scrim opacity, applied to a new strip.
    void setModalScrimOpacitySource(std::function<double()> source) { m_scrimOpacity = std::move(source); }

    // rebuildMenuBarCover(on:)
    void rebuild(const DisplayScreen& screen);
    // Nil when the menu bar hides itself or the real one is suppressed on a single screen.
    MenuBarCoverWindow* window() const { return m_window.get(); }

private:
    SLSMenuBar& m_menuBar;
    ScreenProvider& m_screens;
    WindowStack& m_stack;
    std::function<void(MenuBarCoverWindow&)> m_configure;
    std::function<double()> m_scrimOpacity;
    WallpaperStore* m_wallpaper = nullptr;
    std::unique_ptr<MenuBarCoverWindow> m_window;
};

} // namespace corvanta
