#pragma once

#include "App/PinchSurfaces.h"

#include <functional>

namespace corvanta {

class LayerTransition;
class MenuBarCoverHost;
class OverlaySurfaces;
class SLSMenuBar;
class TilehallWindow;

// The pinch's surfaces in the program: the overlay window's and the strip's content layers.
class PinchWindowSurfaces final : public PinchSurfaces {
public:
    PinchWindowSurfaces(std::function<TilehallWindow*()> window, MenuBarCoverHost& cover, OverlaySurfaces& regular,
                        LayerTransition& transition, SLSMenuBar& menuBar);

    bool hasWindow() const override { return m_window() != nullptr; }
    std::optional<double> runningTransitionOpacity() const override;
    void prepareOpening() override;
    void orderFront() override;
    void applyProgress(double q) override;
    bool hasScreen() const override;

private:
    std::function<TilehallWindow*()> m_window;
    MenuBarCoverHost& m_cover;
    OverlaySurfaces& m_regular;
    LayerTransition& m_transition;
    SLSMenuBar& m_menuBar;
};

} // namespace corvanta
