#pragma once

#include "Support/Clock.h"
#include "Support/TimingCurve.h"

#include <QPointF>
#include <QString>

#include <optional>

namespace corvanta {

class LayerHostWindow;
class LayerItem;

// The overlay's fade-and-scale: it opens by fading in while shrinking from 110 % to its natural
// size and closes the other way round, about the centre of the screen, by animating the content
// layers of the overlay and the menu-bar cover under fixed keys, so a later transition or a pinch
// can take a running one over. With "QUORLA_LAYER_TRANSITION" = "0" it leaves the layers alone and
// the root view animates itself.
class LayerTransition {
public:
    static constexpr const char* opacityKey = "layerTransition.opacity";
    static constexpr const char* transformKey = "layerTransition.transform";
    static constexpr const char* rasterizeKey = "layerTransition.rasterize";
    static constexpr double hiddenScale = 1.1;
    static constexpr double rasterizeGrace = 0.03;

    LayerTransition(Scheduler& scheduler, bool enabled);
    static LayerTransition& shared();

    // False only for the value "0".
    static bool parseEnabled(const std::optional<QString>& value);
    bool isEnabled() const { return m_enabled; }

    // Each does nothing when the transition is off or there is no window.
    void resetToHidden(LayerHostWindow* window);
    void prepareCoverForShow(LayerHostWindow* window, const QPointF& anchor);
    void snapVisible(LayerHostWindow* window);
    // Switches rasterisation off `delay` + 0.03 s from now unless a later transition took over.
    void endRasterizedTransition(LayerItem* layer, double delay);

    struct FadeAndScale {
        bool animatesOpacity = true;
        double fromOpacity = 0;
        double toOpacity = 1;
        double fromScale = 1;
        double toScale = 1;
        double duration = 0.25;
        TimingCurve curve = TimingCurve::linear();
    };
    void fadeAndScale(LayerHostWindow* window, const FadeAndScale& recipe);

    // The show of both windows; `continuing` when the windows were still ordered in.
    void animateShow(LayerHostWindow* overlay, LayerHostWindow* cover, double duration, bool continuing);
    // The hide of both windows; the fade starts at `startOpacity` when given (a recent pinch's
    // hand-off), else at what the overlay presents now.
    void animateHide(LayerHostWindow* overlay, LayerHostWindow* cover, double duration, std::optional<double> startOpacity);

private:
    // Stops any running transition and leaves the layer unscaled at `opacity`.
    void settleAtFullSize(LayerHostWindow* window, double opacity);
    LayerItem* layerOf(LayerHostWindow* window) const;

    Scheduler& m_scheduler;
    bool m_enabled;
    quint64 m_nextToken = 1;
};

} // namespace corvanta
