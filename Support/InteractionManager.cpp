#include "Support/InteractionManager.h"

#include "Platform/InteractionPlatform.h"
#include "Support/FrameTicker.h"
#include "Support/Geometry.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <cmath>

namespace corvanta {

PagerVariants PagerVariants::fromEnvironment()
{
    PagerVariants v;
    v.legacyUpdates = PagerOffset::usesLegacyUpdates();
    v.nativeHost = PagerOffset::usesNativeHost();
    v.settleDriver = InteractionManager::usesSettleDriver();
    return v;
}

bool InteractionManager::usesSettleDriver()
{
    static const bool value = qgetenv("QUORLA_SETTLE_DRIVER") != "0";
    return value;
}

InteractionManager::InteractionManager(QObject* parent)
    : InteractionManager(QtScheduler::shared(), InteractionPlatform::system(), PagerVariants::fromEnvironment(), parent)
{
}

InteractionManager::InteractionManager(Scheduler& scheduler, InteractionPlatform& platform, PagerVariants variants, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_platform(platform)
    , m_variants(variants)
    , m_pagerOffset(new PagerOffset(!variants.nativeHost || variants.legacyUpdates, this))
{
    m_dragSamples.reserve(64);
}

InteractionManager::~InteractionManager()
{
    // Monitors first: nothing may call into a half-destroyed engine.
    m_mouseMonitor.reset();
    m_globalScrollMonitor.reset();
    m_scheduler.cancel(m_pendingVacuateWork);
    m_scheduler.cancel(m_edgeFlipWork);
    m_settleLink.reset();
}

// ---- published properties ----

void InteractionManager::setIsPresented(bool value)
{
    if (m_isPresented == value)
        return;
    m_isPresented = value;
    Q_EMIT isPresentedChanged();
}

void InteractionManager::setModalScrimOpacity(double value)
{
    if (m_modalScrimOpacity == value)
        return;
    m_modalScrimOpacity = value;
    Q_EMIT modalScrimOpacityChanged();
}

QVariant InteractionManager::interactiveProgressVariant() const
{
    return m_interactiveProgress ? QVariant(*m_interactiveProgress) : QVariant();
}

void InteractionManager::setInteractiveProgress(std::optional<double> value)
{
    if (m_interactiveProgress == value)
        return;
    m_interactiveProgress = value;
    Q_EMIT interactiveProgressChanged();
}

void InteractionManager::setPrepareAllPagesRequested(bool value)
{
    if (m_prepareAllPagesRequested == value)
        return;
    m_prepareAllPagesRequested = value;
    Q_EMIT prepareAllPagesRequestedChanged();
}

void InteractionManager::setLaunchingAppID(std::optional<QUuid> value)
{
    if (m_launchingAppID == value)
        return;
    m_launchingAppID = value;
    Q_EMIT launchingAppIDChanged();
}

void InteractionManager::setLaunchingAppIDValue(const QUuid& value)
{
    setLaunchingAppID(value.isNull() ? std::nullopt : std::optional<QUuid>(value));
}

void InteractionManager::setJiggleMode(bool value)
{
    if (m_isJiggleMode == value)
        return;
    m_isJiggleMode = value;
    Q_EMIT isJiggleModeChanged();
}

void InteractionManager::setReorderDraggedEntryID(std::optional<QUuid> value)
{
    if (m_reorderDraggedEntryID == value)
        return;
    m_reorderDraggedEntryID = value;
    Q_EMIT reorderDraggedEntryIDChanged();
}

void InteractionManager::setReorderCursor(const QPointF& value)
{
    if (m_reorderCursor == value)
        return;
    m_reorderCursor = value;
    Q_EMIT reorderCursorChanged();
}

QVariant InteractionManager::reorderDropTargetVariant() const
{
    return m_reorderDropTarget ? QVariant(*m_reorderDropTarget) : QVariant();
}

void InteractionManager::setReorderDropTarget(std::optional<QRectF> value)
{
    if (m_reorderDropTarget == value)
        return;
    m_reorderDropTarget = value;
    Q_EMIT reorderDropTargetChanged();
}

void InteractionManager::setMergeCandidateID(std::optional<QUuid> value)
{
    if (m_mergeCandidateID == value)
        return;
    m_mergeCandidateID = value;
    Q_EMIT mergeCandidateIDChanged();
}

void InteractionManager::setOverDockDropZone(bool value)
{
    if (m_isOverDockDropZone == value)
        return;
    m_isOverDockDropZone = value;
    Q_EMIT isOverDockDropZoneChanged();
}

void InteractionManager::setDockDropAlreadyPresent(bool value)
{
    if (m_dockDropAlreadyPresent == value)
        return;
    m_dockDropAlreadyPresent = value;
    Q_EMIT dockDropAlreadyPresentChanged();
}

QString InteractionManager::entryName(const QUuid& id) const
{
    if (appLookup) {
        if (const auto app = appLookup(id))
            return app->name;
    }
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// ---- event monitors ----

void InteractionManager::installMouseMonitor()
{
    if (m_mouseMonitor)
        return;
    QPointer<InteractionManager> self(this);
    auto overlay = [self]() -> QWindow* { return self ? self->overlayWindow() : nullptr; };
    m_mouseMonitor = m_platform.addLocalMonitor(overlay, [self](const InputEvent& event) {
        return self ? self->handleLocalMonitorEvent(event) : false;
    });
    m_globalScrollMonitor = m_platform.addGlobalScrollMonitor(overlay, [self](const InputEvent& event) {
        if (self)
            self->handleGlobalScrollEvent(event);
    });
    CLOG_INFO(QStringLiteral("InteractionManager: 鼠标事件监听已安装（阶段 35）"));
}

bool InteractionManager::handleLocalMonitorEvent(const InputEvent& event)
{
    if (!m_overlayWindow)
        return false;

    if (event.kind == InputEvent::Kind::ScrollWheel) {
        const bool belongs = event.window == InputEvent::Window::Overlay
            || (event.window == InputEvent::Window::None && event.pointerInsideOverlay);
        if (m_platform.isWindowVisible(m_overlayWindow) && belongs) {
            m_scrollWheelViaMonitor = true;
            m_lastScrollEventTimestamp = event.timestamp;
            return handleScrollWheel(event);
        }
        CLOG_INFO(QStringLiteral("InteractionManager: scrollWheel 未命中瓦厅窗口（window=%1），放行")
                      .arg(event.window == InputEvent::Window::None ? QStringLiteral("nil") : QStringLiteral("other")));
        return false;
    }

    if (event.window != InputEvent::Window::Overlay || m_systemDockDragActive)
        return false;

    switch (event.kind) {
    case InputEvent::Kind::LeftMouseDown:
    case InputEvent::Kind::RightMouseDown:
        synchronizePagerForHitTesting();
        if (activeFolderPager && activeFolderPager != this)
            activeFolderPager->synchronizePagerForHitTesting();
        if (event.kind == InputEvent::Kind::LeftMouseDown)
            handleMouseDown(event.location);
        break;
    case InputEvent::Kind::LeftMouseDragged:
        m_lastDragEvent = event;
        handleMouseDrag(event.location);
        break;
    case InputEvent::Kind::LeftMouseUp:
        if (event.element == InputEvent::Element::TextField || event.element == InputEvent::Element::Button)
            shouldCancelClose = true;
        handleMouseUp(event.location);
        break;
    case InputEvent::Kind::ScrollWheel:
        break;
    }
    return false;
}

void InteractionManager::handleGlobalScrollEvent(const InputEvent& event)
{
    if (!m_overlayWindow || event.kind != InputEvent::Kind::ScrollWheel)
        return;
    const bool belongs = event.window == InputEvent::Window::Overlay
        || (event.window == InputEvent::Window::None && event.pointerInsideOverlay);
    if (!m_platform.isWindowVisible(m_overlayWindow) || !belongs)
        return;
    // The same event may reach both monitors; handle it once.
    if (event.timestamp == m_lastScrollEventTimestamp)
        return;
    m_lastScrollEventTimestamp = event.timestamp;
    handleScrollWheel(event);
}

// ---- gesture routing ----

void InteractionManager::handleMouseDown(const QPointF& point)
{
    // A press whose release never arrived must not leak into this one: its flag would turn the
    // next click into the end of a reorder drag, and a live drag would never end.
    m_reorderDidStart = false;
    if (m_platform.hasModalWindow())
        return;
    if (m_isReorderDragging)
        finishReorderDrag();

    m_mouseDownPoint = point;
    m_isDragging = false;
    shouldCancelClose = false;

    m_mouseDownEntryID = (reorderEnabled && !m_reorderDraggedEntryID) ? appID(point) : std::nullopt;
    if (reorderEnabled) {
        if (m_mouseDownEntryID) {
            const QRectF frame = iconFrames().value(*m_mouseDownEntryID);
            CLOG_INFO(QStringLiteral("InteractionManager: mouseDown hit entry — %1 winPoint=%2 sp=%3 frame=%4（排序拖动已武装）")
                          .arg(entryName(*m_mouseDownEntryID), logPoint(point), logPoint(flipped(point)), logRect(frame)));
        } else {
            CLOG_INFO(QStringLiteral("InteractionManager: mouseDown 未命中图标（frames=%1, size=%2）")
                          .arg(iconFrames().size())
                          .arg(logSize(contentSize)));
        }
    }

    m_mouseDownFolderAppID.reset();
    m_mouseDownFolderGroupID.reset();
    if (const auto member = folderDragOutCandidate(point)) {
        m_mouseDownFolderAppID = member->appID;
        m_mouseDownFolderGroupID = member->groupID;
        CLOG_INFO(QStringLiteral("InteractionManager: mouseDown hit folder app — %1（可拖出文件夹）").arg(entryName(member->appID)));
    }

    if (!m_isJiggleMode && longPressEnabled)
        scheduleLongPress(point);
}

void InteractionManager::handleMouseDrag(const QPointF& point)
{
    if (m_platform.hasModalWindow() || !m_mouseDownPoint)
        return;
    const double dx = point.x() - m_mouseDownPoint->x();
    const double dy = point.y() - m_mouseDownPoint->y();
    const bool beyondReorderThreshold = std::abs(dx) > reorderStartThreshold || std::abs(dy) > reorderStartThreshold;

    if (std::abs(dx) > longPressMovementTolerance || std::abs(dy) > longPressMovementTolerance)
        ++m_longPressToken;

    if (!m_reorderDidStart) {
        if (m_mouseDownFolderAppID && m_mouseDownFolderGroupID && beyondReorderThreshold) {
            const QPointF topLeft = flipped(point);
            const bool outside = folderPanelFrame ? !rectContains(*folderPanelFrame, topLeft)
                                                  : pointDistance(point, *m_mouseDownPoint) > dragOutFallbackDistance;
            if (outside) {
                performDragOutFromFolder(*m_mouseDownFolderAppID, *m_mouseDownFolderGroupID, point);
                return;
            }
        }
        if (!m_isDragging && m_mouseDownEntryID && beyondReorderThreshold)
            beginReorderDrag(*m_mouseDownEntryID, point);
    }

    if (m_reorderDidStart && m_isReorderDragging) {
        setReorderCursor(QPointF(point.x(), contentSize.height() - point.y()));
        updateDockDropZone(point);
        if (!m_isOverDockDropZone) {
            updateReorderTarget();
            if (pageCount > 1)
                runEdgeFlipStep();
        }
        scheduleDragStillJiggle();
        return;
    }

    // Page drag (also after a reorder drag of this press has ended).
    if (!wheelPagingEnabled)
        return;
    if (!m_isDragging && std::abs(dx) > 12 && std::abs(dx) > 1.5 * std::abs(dy)) {
        // The strip may still be settling: take it over where it is shown, not where the press
        // began, so that it does not jump.
        m_dragBaseOffset = presentationContentOffset() + pageWidth() * m_pagerOffset->page();
        m_isDragging = true;
        m_settleFlight.reset();
        stopSettleDriver();
        CLOG_INFO(QStringLiteral("InteractionManager: drag started, dx=%1").arg(logNumber(dx)));
    }
    if (m_isDragging) {
        m_pagerOffset->setX(applyEdgeResistance(m_dragBaseOffset + dx));
        recordDragSample();
    }
}

void InteractionManager::handleMouseUp(const QPointF& point)
{
    if (m_platform.hasModalWindow()) {
        handleModalMouseUp(point);
        return;
    }
    ++m_longPressToken;

    bool settlePageDrag = m_isDragging;
    if (m_reorderDidStart) {
        m_reorderDidStart = false;
        if (m_isOverDockDropZone && m_reorderDraggedEntryID)
            finishDockDrop(*m_reorderDraggedEntryID);
        else
            finishReorderDrag();
    } else if (!m_isDragging) {
        runClickRules(point);
    }
    // A page drag that went on after this press's reorder drag ended (held still, merged)
    // settles too: the strip must never stay between pages.
    if (settlePageDrag) {
        CLOG_INFO(QStringLiteral("InteractionManager: drag ended, offset=%1, page=%2/%3")
                      .arg(logNumber(m_pagerOffset->x()))
                      .arg(m_pagerOffset->page())
                      .arg(pageCount));
        settleSwipe(std::nullopt, std::nullopt, false);
    }

    endPress();
}

void InteractionManager::endPress()
{
    m_mouseDownPoint.reset();
    m_isDragging = false;
    m_reorderDidStart = false;
    m_mouseDownEntryID.reset();
    m_mouseDownFolderAppID.reset();
    m_mouseDownFolderGroupID.reset();
}

void InteractionManager::resetDragState()
{
    m_pagerOffset->setX(0);
    stopSettleDriver();
    m_settleFlight.reset();
    m_isScrollActive = false;
    m_pagerOffset->setIsFollowingScroll(false);
    m_scrollGestureDisplacement = 0;
    m_scrollGestureRawOffset = 0;
    m_scrollGestureStartedAt = 0;
    m_scrollGestureReversed = false;
    m_preciseScrollRoute.reset();
    m_lastPreciseScrollTime = 0;
    m_suppressTrackpadMomentum = false;
    m_hasChangedPageInCurrentGesture = false;
    m_lastScrollTime = 0;
    ++m_scrollEventToken;
    m_dragSamples.clear();
    m_wheelAccumulator = 0;
    m_lastWheelTime = 0;
    m_wheelCooldownUntil = 0;
    m_didFlipInCurrentWheelBurst = false;
    m_sawNonMomentumInWheelBurst = false;

    setInteractiveProgress(std::nullopt);
    suppressTransitionAnimation = false;
    m_mouseDownPoint.reset();
    m_isDragging = false;
    shouldCancelClose = false;
    setReorderDraggedEntryID(std::nullopt);
    setReorderCursor(QPointF());
    setReorderDropTarget(std::nullopt);
    m_isReorderDragging = false;
    m_reorderDidStart = false;
    m_mouseDownEntryID.reset();
    ++m_dragStillToken;
    m_dragStillTask.cancel();
    resetEdgeFlipState();
    setMergeCandidateID(std::nullopt);
    ++m_mergeHoverToken;
    m_mouseDownFolderAppID.reset();
    m_mouseDownFolderGroupID.reset();
    m_dragOutSession = false;
    setOverDockDropZone(false);
    m_dockDropArmed = false;
    setDockDropAlreadyPresent(false);
    m_dragOriginPage.reset();
    m_dragOriginIndex.reset();
    setLaunchingAppID(std::nullopt);
    ++m_longPressToken;
    setJiggleMode(false);
}

} // namespace corvanta
