#pragma once

#include "Platform/DisplayScreen.h"
#include "Views/LayerHostWindow.h"

#include <optional>

class QGraphicsRectItem;

namespace corvanta {

class MenuBarCoverView;
class WallpaperStore;

// The strip laid over the menu bar while the overlay is up: it covers the 4 pt the overlay extends
// above the screen, the menu bar and 2 pt below it, shows the top of the grid's background and
// never takes the mouse or the keyboard.
class MenuBarCoverWindow : public LayerHostWindow {
    Q_OBJECT
public:
    static constexpr double overlap = 2;

    // `wallpaper`: the store behind the blur and wallpaper backgrounds (none: the gradient only).
    MenuBarCoverWindow(const DisplayScreen& screen, double stripHeight, const QSizeF& contentSize, WindowStack& stack,
                       WallpaperStore* wallpaper = nullptr, QWidget* parent = nullptr);

    // The menu bar's height: the gap between the tops of the screen and of its visible frame.
    static double menuBarGap(const DisplayScreen& screen);
    // The strip's height for the screen, or none when the menu bar hides itself (no gap).
    static std::optional<double> stripHeightFor(const DisplayScreen& screen);
    static QRectF frameFor(const DisplayScreen& screen, double stripHeight);

    MenuBarCoverView* coverView() const { return m_view; }

    // Dims the strip with a sheet of the grid (removed at 0.001 or less).
    void setModalScrim(double opacity);
    bool hasModalScrim() const { return m_scrim != nullptr; }
    double modalScrimOpacity() const;

private:
    MenuBarCoverView* m_view;
    QGraphicsRectItem* m_scrim = nullptr;
};

} // namespace corvanta
