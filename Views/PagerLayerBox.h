#pragma once

#include "Support/Clock.h"
#include "Support/FrameTicker.h"
#include "Views/FrameRegistry.h"

#include <QGraphicsObject>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

class LayerSlot;
class PagerOffset;
class TransitionFPSMeter;

// The horizontal page strip's host. The strip (content) is laid out once at its full width inside
// a wrapper item, and following a finger or a settle only moves the wrapper by the translation
// t = x − page width × page; nothing inside the strip is laid out again. The box clips to its own
// width, so one page shows at rest.
//
// Two ways of following the pager:
// - layer-hosted (the default): attached through the pager's hooks; finger events are coalesced
//   to one move per display frame, bridged by a one-frame linear glide when they arrive more than
//   1.1 frames apart; the shown translation is offered back to the engine for settles and hits.
// - offset-based ("QUORLA_PAGER_LAYER" = "0"): follows the pager's published x and page directly.
//
// The strip's cells report their frames into the box's own registry; the box hands them on
// together with how far the strip has moved since they were measured, so hit-testing stays right
// while the strip moves without re-measuring anything.
class PagerLayerBox : public QGraphicsObject {
    Q_OBJECT
public:
    enum class Mode { layerHosted, offsetBased };

    PagerLayerBox(PagerOffset& pager, Scheduler& scheduler, Mode mode, TransitionFPSMeter* meter, QGraphicsItem* parent = nullptr);
    ~PagerLayerBox() override;

    // Called when the pager first moves away from rest, and when its page changes.
    std::function<void()> onScrollBegin;
    std::function<void()> onPageChange;
    // Both must be set for frames to flow: the captured table (none: unchanged) and the shift
    // since its capture.
    std::function<void(const std::optional<QHash<QUuid, QRectF>>&, double)> onIconFrames;
    std::function<void(const std::optional<QList<QRectF>>&, double)> onChromeFrames;

    void setPageWidth(double width);
    void setTotalWidth(double width);
    void setHeight(double height);
    double pageWidth() const { return m_pageWidth; }
    double totalWidth() const { return m_totalWidth; }

    // The strip goes into this item, at (0, 0), totalWidth wide.
    QGraphicsObject* strip() const;
    // Where the strip's cells report their frames, measured in the strip's own space (strip());
    // the box hands them on in the space of `frameSpace` (null: the scene), placed where the strip
    // is asked to be. Frames measured while the strip moves are never stale for it.
    FrameRegistry& stripFrames() { return m_stripFrames; }
    void setFrameSpace(const QGraphicsItem* frameSpace) { m_frameSpace = frameSpace; }

    Mode mode() const { return m_mode; }
    // The translation the pager asks for.
    double translation() const { return m_x - m_pageWidth * m_page; }
    // The translation on screen now.
    double shownTranslation() const;
    std::optional<double> interpolatedTranslation() const;
    bool isFollowLinkRunning() const { return m_followLink.isRunning(); }
    bool isInterpolating() const { return m_interpolating; }

    void setPagerState(int page, double x, bool interpolate);
    void applyTranslation(bool interpolate);
    void cancelInterpolation();
    void cancelFollowCoalesce();
    void scheduleFollowApply(int page, double x, bool allowInterpolate);
    void emitFrames(bool iconsChanged, bool chromeChanged);
    // Stops following the pager (its hooks are removed); the box keeps what it shows.
    void detach();
    // Shows only the strip's pages near what is on screen (the pages the box shows now and one
    // page width on either side) and hides the others, so painting, hit-testing and icon loading
    // never walk pages far away. Runs with every move; call it after adding pages to the strip.
    void updateNearPages();

    QRectF boundingRect() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

private:
    void attach();
    void pagerChanged();
    void captureIconFrames(const QHash<QUuid, QRectF>& frames);
    void captureChromeFrames(const QList<QRectF>& frames);
    QPointF stripOriginAtTranslation(double t) const;
    void interpolationTick(double frameTime);
    void showTranslation(double t);

    QPointer<PagerOffset> m_pager;
    Scheduler& m_scheduler;
    Mode m_mode;
    TransitionFPSMeter* m_meter;
    LayerSlot* m_wrapper;
    LayerSlot* m_strip;
    FrameRegistry m_stripFrames;
    const QGraphicsItem* m_frameSpace = nullptr;

    double m_pageWidth = 0;
    double m_totalWidth = 0;
    double m_height = 0;
    int m_page = 0;
    double m_x = 0;

    // coordinator state
    bool m_attached = false;
    double m_lastX = 0;
    int m_lastPage = 0;
    double m_lastFollowEventAt = -1e9;
    QList<QMetaObject::Connection> m_connections;

    // follow coalescing
    bool m_followCoalescePending = false;
    bool m_followAllowInterpolate = false;
    FrameTicker m_followLink;

    // one-frame glide
    FrameTicker m_interpolationTicker;
    bool m_interpolating = false;
    double m_interpolationFrom = 0;
    double m_interpolationStart = 0;

    QHash<QUuid, QRectF> m_rawIconFrames;
    QList<QRectF> m_rawChromeFrames;
    double m_iconTAtCapture = 0;
    double m_chromeTAtCapture = 0;
    double m_tAtEmit = 0;
};

} // namespace corvanta
