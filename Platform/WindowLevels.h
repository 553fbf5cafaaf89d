#pragma once

namespace corvanta::WindowLevel {

// Stacking bands of the desktop, lowest first. Windows of a higher level always stand above those
// of a lower one; within a level the one ordered front last is on top.
inline constexpr int normal = 0;
inline constexpr int floating = 3;          // utility windows above ordinary ones (the settings window)
inline constexpr int dock = 20;              // the desktop's dock and panel windows
inline constexpr int overlay = dock - 1;     // the full-screen grid, just below the Dock
inline constexpr int mainMenu = 24;
inline constexpr int status = 25;
inline constexpr int menuBarCover = 26;      // the strip over the menu bar, above menus and status items
inline constexpr int aboveOverlay = 27;      // panels, sheets and alerts shown over the grid

} // namespace corvanta::WindowLevel
