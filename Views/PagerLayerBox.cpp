#include "Views/PagerLayerBox.h"

#include "Support/PagerOffset.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/ContentLayers.h"

#include <QElapsedTimer>

#include <cmath>

namespace corvanta {

PagerLayerBox::PagerLayerBox(PagerOffset& pager, Scheduler& scheduler, Mode mode, TransitionFPSMeter* meter, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_pager(&pager),
      m_scheduler(scheduler),
      m_mode(mode),
      m_meter(meter),
      m_wrapper(new LayerSlot(this)),
      m_strip(new LayerSlot(m_wrapper)),
      m_stripFrames(scheduler),
      m_followLink(scheduler),
      m_interpolationTicker(scheduler)
{
    setFlag(ItemHasNoContents);
    setFlag(ItemClipsChildrenToShape);
    m_stripFrames.onIconFrames = [this](const FrameRegistry::IconFrames& frames) { captureIconFrames(frames); };
    m_stripFrames.onChromeFrames = [this](const FrameRegistry::Frames& frames) { captureChromeFrames(frames); };
    if (m_meter) {
        QPointer<PagerLayerBox> self(this);
        m_meter->setPagerView(this, !PagerOffset::usesLegacyUpdates(), [self]() -> std::optional<double> {
            if (!self)
                return std::nullopt;
            return self->shownTranslation();
        });
    }
    attach();
}

PagerLayerBox::~PagerLayerBox()
{
    detach();
    // The strip's cells hold reports on the registry: they go first.
    delete m_wrapper;
}

QGraphicsObject* PagerLayerBox::strip() const
{
    return m_strip;
}

QRectF PagerLayerBox::boundingRect() const
{
    return {0, 0, m_pageWidth, m_height};
}

void PagerLayerBox::setPageWidth(double width)
{
    if (width == m_pageWidth)
        return;
    prepareGeometryChange();
    m_pageWidth = width;
    applyTranslation(false);
}

void PagerLayerBox::setTotalWidth(double width)
{
    m_totalWidth = width;
    m_wrapper->setSize({width, m_height});
    m_strip->setSize({width, m_height});
}

void PagerLayerBox::setHeight(double height)
{
    if (height == m_height)
        return;
    prepareGeometryChange();
    m_height = height;
    setTotalWidth(m_totalWidth);
}

// ---- following the pager ----

void PagerLayerBox::attach()
{
    PagerOffset* pager = m_pager;
    if (!pager || m_attached)
        return;
    m_attached = true;
    m_lastX = pager->x();
    m_lastPage = pager->page();
    m_page = m_lastPage;
    m_x = m_lastX;
    applyTranslation(false);
    if (m_mode == Mode::offsetBased) {
        m_connections.append(connect(pager, &PagerOffset::xChanged, this, &PagerLayerBox::pagerChanged));
        m_connections.append(connect(pager, &PagerOffset::pageChanged, this, &PagerLayerBox::pagerChanged));
        return;
    }
    const QPointer<PagerLayerBox> self(this);
    pager->presentationOffset = [self]() -> std::optional<double> { return self ? self->interpolatedTranslation() : std::nullopt; };
    pager->cancelInterpolation = [self] {
        if (self)
            self->cancelInterpolation();
    };
    pager->requestFollowInterpolation = [self] {
        if (!self)
            return;
        self->cancelFollowCoalesce();
        self->applyTranslation(true);
    };
    pager->onChange = [self] {
        if (self)
            self->pagerChanged();
    };
}

void PagerLayerBox::detach()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    if (PagerOffset* pager = m_pager; pager && m_attached && m_mode == Mode::layerHosted) {
        pager->onChange = nullptr;
        pager->presentationOffset = nullptr;
        pager->cancelInterpolation = nullptr;
        pager->requestFollowInterpolation = nullptr;
    }
    m_attached = false;
    cancelFollowCoalesce();
    cancelInterpolation();
    m_pager = nullptr;
}

void PagerLayerBox::pagerChanged()
{
    PagerOffset* pager = m_pager;
    if (!pager)
        return;
    if (pager->page() != m_lastPage) {
        m_lastPage = pager->page();
        if (onPageChange)
            onPageChange();
    }
    const double previous = m_lastX;
    m_lastX = pager->x();
    if (m_mode == Mode::layerHosted && pager->isFollowingScroll()) {
        const double now = m_scheduler.now();
        const double fps = std::max(m_followLink.refreshRate(), 1.0);
        const double gap = now - m_lastFollowEventAt;
        m_lastFollowEventAt = now;
        scheduleFollowApply(pager->page(), pager->x(), gap > 1.1 / fps);
    } else {
        cancelFollowCoalesce();
        setPagerState(pager->page(), pager->x(), false);
    }
    if (previous == 0 && pager->x() != 0 && onScrollBegin)
        onScrollBegin();
}

void PagerLayerBox::setPagerState(int page, double x, bool interpolate)
{
    m_page = page;
    m_x = x;
    applyTranslation(interpolate);
}

void PagerLayerBox::applyTranslation(bool interpolate)
{
    QElapsedTimer cost;
    cost.start();
    const double shown = shownTranslation();
    cancelInterpolation();
    const double t = translation();
    if (interpolate && std::abs(t - shown) > 0.001) {
        // Glide linearly over one display frame from what is on screen.
        m_interpolating = true;
        m_interpolationFrom = shown;
        m_interpolationStart = m_scheduler.now();
        m_interpolationTicker.start([this](double frameTime) { interpolationTick(frameTime); });
    } else {
        showTranslation(t);
    }
    if (t != m_tAtEmit)
        emitFrames(false, false);
    if (m_meter)
        m_meter->notePagerCommit(double(cost.nsecsElapsed()) / 1e9);
}

void PagerLayerBox::showTranslation(double t)
{
    if (m_wrapper->pos().x() != t) {
        m_wrapper->setPos(t, 0);
        updateNearPages();
    }
}

void PagerLayerBox::updateNearPages()
{
    // The strip's part on screen is [−t, −t + page width]; a page within one page width of it
    // stays ready.
    const double shown = -shownTranslation();
    const double reach = std::max(m_pageWidth, 1.0);
    const double from = shown - reach, to = shown + m_pageWidth + reach;
    const QList<QGraphicsItem*> pages = m_strip->childItems();
    for (QGraphicsItem* page : pages) {
        const double left = page->pos().x();
        const double right = left + std::max(page->boundingRect().width(), 1.0);
        const bool near = right > from && left < to;
        if (page->isVisible() != near)
            page->setVisible(near);
    }
}

void PagerLayerBox::interpolationTick(double frameTime)
{
    const double duration = m_interpolationTicker.frameInterval();
    const double progress = std::clamp((frameTime - m_interpolationStart) / duration, 0.0, 1.0);
    const double t = translation();
    showTranslation(m_interpolationFrom + (t - m_interpolationFrom) * progress);
    if (progress >= 1)
        cancelInterpolation();
}

double PagerLayerBox::shownTranslation() const
{
    return m_wrapper->pos().x();
}

std::optional<double> PagerLayerBox::interpolatedTranslation() const
{
    if (!m_interpolating)
        return std::nullopt;
    return shownTranslation();
}

void PagerLayerBox::cancelInterpolation()
{
    if (!m_interpolating)
        return;
    m_interpolating = false;
    m_interpolationTicker.stop();
    showTranslation(translation());
}

void PagerLayerBox::scheduleFollowApply(int page, double x, bool allowInterpolate)
{
    m_page = page;
    m_x = x;
    m_followAllowInterpolate = m_followAllowInterpolate || allowInterpolate;
    if (m_followCoalescePending)
        return;
    m_followCoalescePending = true;
    if (m_followLink.isRunning())
        return;
    // The link keeps ticking until the follow ends, so later events wait for the next frame.
    m_followLink.start([this](double) {
        if (!m_followCoalescePending)
            return;
        const bool interpolate = m_followAllowInterpolate;
        m_followCoalescePending = false;
        m_followAllowInterpolate = false;
        applyTranslation(interpolate);
    });
}

void PagerLayerBox::cancelFollowCoalesce()
{
    m_followCoalescePending = false;
    m_followAllowInterpolate = false;
    m_followLink.stop();
}

// ---- frames ----

QPointF PagerLayerBox::stripOriginAtTranslation(double t) const
{
    return layoutFrame(this, QRectF(), m_frameSpace).topLeft() + QPointF(t, 0);
}

void PagerLayerBox::captureIconFrames(const QHash<QUuid, QRectF>& frames)
{
    // The cells measure in the strip's own space, so it does not matter where the strip was when
    // they did; the table is placed at the translation asked for now.
    const double t = translation();
    const QPointF origin = stripOriginAtTranslation(t);
    m_rawIconFrames.clear();
    for (auto it = frames.cbegin(); it != frames.cend(); ++it)
        m_rawIconFrames.insert(it.key(), it.value().translated(origin));
    m_iconTAtCapture = t;
    emitFrames(true, false);
}

void PagerLayerBox::captureChromeFrames(const QList<QRectF>& frames)
{
    const double t = translation();
    const QPointF origin = stripOriginAtTranslation(t);
    m_rawChromeFrames.clear();
    for (const QRectF& frame : frames)
        m_rawChromeFrames.append(frame.translated(origin));
    m_chromeTAtCapture = t;
    emitFrames(false, true);
}

void PagerLayerBox::emitFrames(bool iconsChanged, bool chromeChanged)
{
    const double t = translation();
    m_tAtEmit = t;
    if (!onIconFrames || !onChromeFrames)
        return;
    onIconFrames(iconsChanged ? std::optional(m_rawIconFrames) : std::nullopt, t - m_iconTAtCapture);
    onChromeFrames(chromeChanged ? std::optional(m_rawChromeFrames) : std::nullopt, t - m_chromeTAtCapture);
}

} // namespace corvanta
