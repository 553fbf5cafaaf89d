#pragma once

#include "Models/AppGroup.h"
#include "Models/AppItem.h"
#include "Support/Clock.h"
#include "Support/InputEvent.h"
#include "Support/PagerOffset.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QUuid>
#include <QVariant>
#include <QWindow>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace corvanta {

class EventMonitorHandle;
class FrameTicker;
class InteractionPlatform;

// Environment switches of the pager, read once per process (see fromEnvironment); tests and
// folder engines may pass their own.
struct PagerVariants {
    bool legacyUpdates = false; // "QUORLA_PAGER_LEGACY" is "1"
    bool nativeHost = true;     // unless "QUORLA_PAGER_LAYER" is "0"
    bool settleDriver = true;   // unless "QUORLA_SETTLE_DRIVER" is "0"
    static PagerVariants fromEnvironment();
};

// The input engine of the grid (and of each open folder): turns the overlay window's mouse,
// wheel and trackpad input into paging, click-to-close, jiggle mode, reorder drags, merges,
// drags out of a folder and edge page flips. It never edits the layout: every decision is a
// callback into the views, which edit the layout store.
//
// Events arrive in window coordinates with the origin at the bottom left; every frame the views
// report is in the same window with the origin at the top left, so points are flipped with
// contentSize.height before any hit test.
class InteractionManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isPresented READ isPresented WRITE setIsPresented NOTIFY isPresentedChanged)
    Q_PROPERTY(double modalScrimOpacity READ modalScrimOpacity WRITE setModalScrimOpacity NOTIFY modalScrimOpacityChanged)
    Q_PROPERTY(QVariant interactiveProgress READ interactiveProgressVariant NOTIFY interactiveProgressChanged)
    Q_PROPERTY(bool prepareAllPagesRequested READ prepareAllPagesRequested WRITE setPrepareAllPagesRequested NOTIFY
                   prepareAllPagesRequestedChanged)
    Q_PROPERTY(bool isJiggleMode READ isJiggleMode NOTIFY isJiggleModeChanged)
    Q_PROPERTY(bool isOverDockDropZone READ isOverDockDropZone NOTIFY isOverDockDropZoneChanged)
    Q_PROPERTY(bool dockDropAlreadyPresent READ dockDropAlreadyPresent NOTIFY dockDropAlreadyPresentChanged)
    Q_PROPERTY(QUuid reorderDraggedEntryID READ reorderDraggedEntryIDValue NOTIFY reorderDraggedEntryIDChanged)
    Q_PROPERTY(QPointF reorderCursor READ reorderCursor NOTIFY reorderCursorChanged)
    Q_PROPERTY(QVariant reorderDropTarget READ reorderDropTargetVariant NOTIFY reorderDropTargetChanged)
    Q_PROPERTY(QUuid mergeCandidateID READ mergeCandidateIDValue NOTIFY mergeCandidateIDChanged)
    Q_PROPERTY(QUuid launchingAppID READ launchingAppIDValue WRITE setLaunchingAppIDValue NOTIFY launchingAppIDChanged)

public:
    // Index for onReorderMove meaning "append at the end of the page".
    static constexpr int kAppendIndex = std::numeric_limits<int>::max();

    // One settle animation of the strip: content offsets from and to, over `duration` seconds.
    struct SettleFlight {
        double from = 0;
        double to = 0;
        double startTime = 0;
        double duration = 0.4;
    };

    // The frame ticker's target: calls onTick once per display frame.
    class SettleTickRelay {
    public:
        explicit SettleTickRelay(std::function<void()> onTick) : m_onTick(std::move(onTick)) {}
        void tick()
        {
            if (m_onTick)
                m_onTick();
        }

    private:
        std::function<void()> m_onTick;
    };

    enum class PreciseScrollRoute { swipe, wheel };

    struct DragSample {
        double t = 0;     // Clock seconds
        double ratio = 0; // position as a fraction of the page width
    };

    // The screen-wide default engine: real scheduler, Qt platform, environment switches.
    explicit InteractionManager(QObject* parent = nullptr);
    InteractionManager(Scheduler& scheduler, InteractionPlatform& platform, PagerVariants variants = PagerVariants::fromEnvironment(),
        QObject* parent = nullptr);
    ~InteractionManager() override;

    // "QUORLA_SETTLE_DRIVER" is not "0".
    static bool usesSettleDriver();

    // ---- callbacks (each optional; an unset one is skipped, a Bool one counts as false) ----
    std::function<void()> onClose;
    std::function<bool()> onBlankClick;
    std::function<bool()> onEscape; // called by the overlay window's Esc handling only
    std::function<std::optional<AppItem>(const QUuid&)> appLookup;
    std::function<std::optional<AppGroup>(const QUuid&)> groupLookup;
    std::function<QList<QUuid>(int page)> pageEntryIDsProvider;
    std::function<void(const QUuid& entry, int page, int index)> onReorderMove;
    std::function<void(const QUuid& dragged, const QUuid& target)> onMergeEntries;
    std::function<bool()> onTitleTap;
    std::function<void(const QUuid& app, const QUuid& group)> onDragOutFromFolder;
    std::function<void(const QUuid& entry)> onDropToDock;
    std::function<bool(const QUuid& entry, const InputEvent& event)> onBeginSystemDockDrag;

    // ---- hooks filled by the pieces that own them ----
    // The frame-rate meter's start of a pager settle.
    std::function<void()> beginPagerSettleHook;
    // Whether the Dock's stored application tiles already hold the app.
    std::function<bool(const AppItem&)> dockContainsApp;
    // Whether a window point (bottom-left origin) lies over the Dock's strip on the overlay's
    // screen. Unset: the screen has no Dock strip and there is no drop zone.
    std::function<bool(const QPointF& windowPoint)> dockDropZoneContains;
    // Keeps the system Dock drag's source alive while it runs.
    std::shared_ptr<QObject> dockDragCoordinator;

    // ---- presentation state, written by the shell ----
    bool isPresented() const { return m_isPresented; }
    void setIsPresented(bool value);
    double modalScrimOpacity() const { return m_modalScrimOpacity; }
    void setModalScrimOpacity(double value);
    std::optional<double> interactiveProgress() const { return m_interactiveProgress; }
    QVariant interactiveProgressVariant() const;
    void setInteractiveProgress(std::optional<double> value);
    bool suppressTransitionAnimation = false;
    double transitionDuration = 0.22;
    bool prepareAllPagesRequested() const { return m_prepareAllPagesRequested; }
    void setPrepareAllPagesRequested(bool value);
    std::optional<QUuid> launchingAppID() const { return m_launchingAppID; }
    QUuid launchingAppIDValue() const { return m_launchingAppID.value_or(QUuid()); }
    void setLaunchingAppID(std::optional<QUuid> value);
    void setLaunchingAppIDValue(const QUuid& value);

    // ---- grid configuration, written by the views ----
    int pageCount = 1;
    double screenWidth = 0;
    bool wheelPagingEnabled = true;
    bool longPressEnabled = true;
    bool reorderEnabled = true;
    bool suppressScrollPaging = false;
    bool shouldCancelClose = false;
    QPointer<InteractionManager> activeFolderPager;

    QWindow* overlayWindow() const { return m_overlayWindow; }
    void setOverlayWindow(QWindow* window) { m_overlayWindow = window; }

    // ---- tunables ----
    double settleThresholdRatio = 0.12;
    double flickVelocityRatio = 0.18;
    double edgeResistance = 0.004;
    double wheelGestureFlipThreshold = 6;
    double wheelDeviceFlipThreshold = 0;
    double wheelCooldown = 0.2;
    double wheelIdleReset = 0.25;
    double dragOutFallbackDistance = 80;
    double longPressDuration = 0.5;
    double longPressMovementTolerance = 10;
    double dragStillJiggleDelay = 1.2;
    double reorderStartThreshold = 8;
    double reorderEdgeWidth = 70;
    double reorderEdgeFlipDelay = 0.55;
    double mergeHotspotInset = 0.18;
    double mergeHoverDelay = 0.7;
    double mergeMoveToleranceRatio = 0.5;
    double vacuateCommitDelay = 0.08;
    static constexpr double kSettleDuration = 0.4;
    static constexpr double kFlyBackDelay = 0.32;

    // ---- event monitors and gesture handlers ----
    void installMouseMonitor();
    bool hasMouseMonitor() const { return m_mouseMonitor != nullptr; }
    // The local monitor's work for one event; true swallows it (scroll events only).
    bool handleLocalMonitorEvent(const InputEvent& event);
    // The global monitor's work for one scroll event of another application.
    void handleGlobalScrollEvent(const InputEvent& event);
    void handleMouseDown(const QPointF& windowPoint);
    void handleMouseDrag(const QPointF& windowPoint);
    void handleMouseUp(const QPointF& windowPoint);
    void resetDragState();

    // ---- clicks, long press and jiggle mode ----
    void scheduleLongPress(const QPointF& windowPoint);
    void tryEnterJiggleMode(const QPointF& windowPoint);
    void scheduleDragStillJiggle();
    void exitJiggleMode();
    bool isJiggleMode() const { return m_isJiggleMode; }

    // ---- frames and hit-testing (frames in window space, top-left origin) ----
    const QHash<QUuid, QRectF>& capturedGridIconFrames() const { return m_capturedGridIconFrames; }
    void setCapturedGridIconFrames(const QHash<QUuid, QRectF>& frames);
    double gridIconFrameOffset() const { return m_gridIconFrameOffset; }
    void setGridIconFrameOffset(double offset);
    const QList<QRectF>& capturedGridChromeFrames() const { return m_capturedGridChromeFrames; }
    void setCapturedGridChromeFrames(const QList<QRectF>& frames);
    double gridChromeFrameOffset() const { return m_gridChromeFrameOffset; }
    void setGridChromeFrameOffset(double offset);
    // Drops the shifted grid tables so that the next read rebuilds them.
    void invalidateResolvedGridFrames();
    const QHash<QUuid, QRectF>& outerIconFrames() const { return m_outerIconFrames; }
    void setOuterIconFrames(const QHash<QUuid, QRectF>& frames);
    const QHash<QUuid, QRectF>& folderIconFrames() const { return m_folderIconFrames; }
    void setFolderIconFrames(const QHash<QUuid, QRectF>& frames);
    const QList<QRectF>& outerChromeFrames() const { return m_outerChromeFrames; }
    void setOuterChromeFrames(const QList<QRectF>& frames);
    QList<QRectF> titleFrames;
    std::optional<QRectF> folderPanelFrame;
    std::optional<QUuid> openedGroupID() const { return m_openedGroupID; }
    void setOpenedGroupID(std::optional<QUuid> id);
    QSizeF contentSize;

    const QHash<QUuid, QRectF>& gridIconFrames() const;
    const QList<QRectF>& gridChromeFrames() const;
    const QHash<QUuid, QRectF>& iconFrames() const;
    const QList<QRectF>& chromeFrames() const;
    void seedGridIconFrame(const QUuid& id, const QRectF& frame);
    std::optional<QUuid> appID(const QPointF& windowPoint) const;
    bool isInteractiveElement(const QPointF& windowPoint) const;

    // ---- reorder drag ----
    void beginReorderDrag(const QUuid& entryID, const QPointF& windowPoint);
    void updateReorderTarget();
    void commitVacuate(const QUuid& draggedID, int page, int hitIndex);
    void cancelPendingVacuate();
    void performPendingVacuate();
    void flushPendingVacuate();
    std::optional<int> nearestEntry(const QPointF& topLeftPoint) const;
    void finishReorderDrag();

    std::optional<QUuid> reorderDraggedEntryID() const { return m_reorderDraggedEntryID; }
    QUuid reorderDraggedEntryIDValue() const { return m_reorderDraggedEntryID.value_or(QUuid()); }
    QPointF reorderCursor() const { return m_reorderCursor; }
    std::optional<QRectF> reorderDropTarget() const { return m_reorderDropTarget; }
    QVariant reorderDropTargetVariant() const;
    bool isReorderDragging() const { return m_isReorderDragging; }
    bool reorderDidStart() const { return m_reorderDidStart; }
    std::optional<QUuid> mouseDownEntryID() const { return m_mouseDownEntryID; }
    std::optional<int> dragOriginPage() const { return m_dragOriginPage; }
    std::optional<int> dragOriginIndex() const { return m_dragOriginIndex; }
    bool hasPendingVacuate() const { return m_pendingVacuateDraggedID.has_value(); }

    // ---- merging and dragging out of a folder ----
    void scheduleMergeHover(const QUuid& targetID);
    void clearMergeHover();
    // Identifiers by value: callers pass fields that these calls clear.
    void performMerge(QUuid draggedID, QUuid targetID);
    struct FolderMember {
        QUuid appID;
        QUuid groupID;
    };
    std::optional<FolderMember> folderDragOutCandidate(const QPointF& windowPoint) const;
    void performDragOutFromFolder(QUuid appID, QUuid groupID, const QPointF& windowPoint);
    std::optional<QUuid> mergeCandidateID() const { return m_mergeCandidateID; }
    QUuid mergeCandidateIDValue() const { return m_mergeCandidateID.value_or(QUuid()); }
    std::optional<QPointF> mergeArmPoint() const { return m_mergeArmPoint; }
    bool dragOutSession() const { return m_dragOutSession; }
    std::optional<QUuid> mouseDownFolderAppID() const { return m_mouseDownFolderAppID; }
    std::optional<QUuid> mouseDownFolderGroupID() const { return m_mouseDownFolderGroupID; }

    // ---- edge page flip ----
    void cancelEdgeFlipDwell();
    void scheduleEdgeFlipCheck(int zone, std::optional<double> delay = std::nullopt);
    void performEdgeFlipIfStillInZone(int zone);
    void performReorderEdgeFlip(int direction);
    int edgeFlipZone() const { return m_edgeFlipZone; }
    bool edgeFlipArmed() const { return m_edgeFlipArmed; }
    bool hasPendingEdgeFlip() const { return m_edgeFlipWork != Scheduler::kNoTask; }

    // ---- Dock drop zone (the screen's Dock strip comes through dockDropZoneContains) ----
    void updateDockDropZone(const QPointF& windowPoint);
    void beginSystemDockDrag();
    // `operation`: the drag operation the system drag ended with (0: none, the Dock refused it);
    // `windowPoint`: where it ended, in the overlay window (bottom-left origin).
    void finishSystemDockDrag(int operation, const QPointF& windowPoint);
    void finishDockDrop(QUuid entryID);
    bool isOverDockDropZone() const { return m_isOverDockDropZone; }
    bool dockDropAlreadyPresent() const { return m_dockDropAlreadyPresent; }
    bool dockDropArmed() const { return m_dockDropArmed; }
    bool systemDockDragActive() const { return m_systemDockDragActive; }
    std::optional<QUuid> systemDockDragEntryID() const { return m_systemDockDragEntryID; }
    std::optional<InputEvent> lastDragEvent() const { return m_lastDragEvent; }

    // ---- page offset and settle ----
    PagerOffset& pagerOffset() { return *m_pagerOffset; }
    const PagerOffset& pagerOffset() const { return *m_pagerOffset; }
    void settle(int page, const QString& reason);
    void stopSettleDriver();
    double presentationContentOffset() const;
    // contentSize.width when above 1 pt, else screenWidth when above 1 pt, else 1.
    double pageWidth() const;
    std::optional<SettleFlight> settleFlight() const { return m_settleFlight; }
    bool isSettleDriverRunning() const;
    quint64 settleDriverGeneration() const { return m_settleDriverGeneration; }
    bool usesSettleDriverVariant() const { return m_variants.settleDriver; }

    // ---- wheel, trackpad and mouse-drag paging ----
    bool handleScrollWheel(const InputEvent& event);
    bool handleWheelPaging(const InputEvent& event);
    void handleTrackpadSwipe(const InputEvent& event);
    void finishScrollGesture(const QString& reason, std::optional<double> endTime);
    void scheduleIdleSettle();
    void settleSwipe(std::optional<double> displacement, std::optional<double> trackpadVelocity, bool reversed);
    double applyEdgeResistance(double offset) const;
    void recordDragSample();
    void synchronizePagerForHitTesting();

    // ---- read-only state (tests and views) ----
    std::optional<QPointF> mouseDownPoint() const { return m_mouseDownPoint; }
    bool isDragging() const { return m_isDragging; }
    bool isScrollActive() const { return m_isScrollActive; }
    std::optional<PreciseScrollRoute> preciseScrollRoute() const { return m_preciseScrollRoute; }
    bool suppressTrackpadMomentum() const { return m_suppressTrackpadMomentum; }
    const std::vector<DragSample>& dragSamples() const { return m_dragSamples; }
    double scrollGestureDisplacement() const { return m_scrollGestureDisplacement; }
    bool scrollGestureReversed() const { return m_scrollGestureReversed; }
    bool scrollWheelViaMonitor() const { return m_scrollWheelViaMonitor; }
    double lastScrollEventTimestamp() const { return m_lastScrollEventTimestamp; }
    quint64 longPressToken() const { return m_longPressToken; }
    quint64 mergeHoverToken() const { return m_mergeHoverToken; }
    Scheduler& scheduler() const { return m_scheduler; }
    // What an open folder's own engine is made with, so it shares this one's time and input.
    InteractionPlatform& platform() const { return m_platform; }
    const PagerVariants& variants() const { return m_variants; }

Q_SIGNALS:
    void isPresentedChanged();
    void modalScrimOpacityChanged();
    void interactiveProgressChanged();
    void prepareAllPagesRequestedChanged();
    void isJiggleModeChanged();
    void isOverDockDropZoneChanged();
    void dockDropAlreadyPresentChanged();
    void reorderDraggedEntryIDChanged();
    void reorderCursorChanged();
    void reorderDropTargetChanged();
    void mergeCandidateIDChanged();
    void launchingAppIDChanged();

private:
    double now() const { return m_scheduler.now(); }
    QPointF flipped(const QPointF& windowPoint) const { return {windowPoint.x(), contentSize.height() - windowPoint.y()}; }
    bool bothFrameTablesEmpty() const;
    QString entryName(const QUuid& id) const;
    void handleModalMouseUp(const QPointF& windowPoint);
    void runClickRules(const QPointF& windowPoint);
    void dragStillFired();
    void runEdgeFlipStep();
    void resetEdgeFlipState();
    void startSettleDriver();
    void settleTick(quint64 generation);
    void endSettleFlight();
    void endDrawnDrag();
    // What a mouse-up leaves behind: no press, no page drag, no pressed entry.
    void endPress();
    double knownPageWidth() const;
    void invalidateMergedIconFrames() { m_mergedIconFrames.reset(); }

    void setJiggleMode(bool value);
    void setReorderDraggedEntryID(std::optional<QUuid> value);
    void setReorderCursor(const QPointF& value);
    void setReorderDropTarget(std::optional<QRectF> value);
    void setMergeCandidateID(std::optional<QUuid> value);
    void setOverDockDropZone(bool value);
    void setDockDropAlreadyPresent(bool value);

    Scheduler& m_scheduler;
    InteractionPlatform& m_platform;
    PagerVariants m_variants;

    PagerOffset* m_pagerOffset;
    bool m_isPresented = false;
    double m_modalScrimOpacity = 0;
    std::optional<double> m_interactiveProgress;
    bool m_prepareAllPagesRequested = false;
    std::optional<QPointF> m_mouseDownPoint;
    bool m_isDragging = false;
    double m_dragBaseOffset = 0; // x shown when the mouse page drag took the strip over

    // settle
    std::optional<SettleFlight> m_settleFlight;
    quint64 m_settleDriverGeneration = 0;
    std::unique_ptr<SettleTickRelay> m_settleRelay;
    std::unique_ptr<FrameTicker> m_settleLink;

    // scroll and wheel
    bool m_hasChangedPageInCurrentGesture = false;
    bool m_isScrollActive = false;
    double m_lastScrollTime = 0;
    double m_scrollGestureDisplacement = 0;
    double m_scrollGestureRawOffset = 0;
    double m_scrollGestureStartedAt = 0;
    bool m_scrollGestureReversed = false;
    std::optional<PreciseScrollRoute> m_preciseScrollRoute;
    double m_lastPreciseScrollTime = 0;
    bool m_suppressTrackpadMomentum = false;
    std::vector<DragSample> m_dragSamples;
    quint64 m_scrollEventToken = 0;
    double m_wheelAccumulator = 0;
    double m_lastWheelTime = 0;
    double m_wheelCooldownUntil = 0;
    bool m_didFlipInCurrentWheelBurst = false;
    bool m_sawNonMomentumInWheelBurst = false;
    double m_lastScrollEventTimestamp = 0;
    bool m_scrollWheelViaMonitor = false;

    bool m_isJiggleMode = false;

    // frames
    QHash<QUuid, QRectF> m_capturedGridIconFrames;
    mutable std::optional<QHash<QUuid, QRectF>> m_resolvedGridIconFrames;
    double m_gridIconFrameOffset = 0;
    QHash<QUuid, QRectF> m_outerIconFrames;
    QHash<QUuid, QRectF> m_folderIconFrames;
    QList<QRectF> m_capturedGridChromeFrames;
    mutable std::optional<QList<QRectF>> m_resolvedGridChromeFrames;
    double m_gridChromeFrameOffset = 0;
    QList<QRectF> m_outerChromeFrames;
    mutable std::optional<QHash<QUuid, QRectF>> m_mergedIconFrames;
    mutable QList<QRectF> m_chromeFramesCache;
    std::optional<QUuid> m_openedGroupID;

    // folder drag-out
    std::optional<QUuid> m_mouseDownFolderAppID;
    std::optional<QUuid> m_mouseDownFolderGroupID;
    bool m_dragOutSession = false;

    // Dock
    bool m_isOverDockDropZone = false;
    bool m_systemDockDragActive = false;
    std::optional<QUuid> m_systemDockDragEntryID;
    std::optional<InputEvent> m_lastDragEvent;
    bool m_dockDropAlreadyPresent = false;
    bool m_dockDropArmed = false;
    std::optional<int> m_dragOriginPage;
    std::optional<int> m_dragOriginIndex;

    QPointer<QWindow> m_overlayWindow;
    std::unique_ptr<EventMonitorHandle> m_mouseMonitor;
    std::unique_ptr<EventMonitorHandle> m_globalScrollMonitor;

    quint64 m_longPressToken = 0;
    quint64 m_dragStillToken = 0;
    // The drag-still timer is re-armed at every drag event; one scheduled task is kept and
    // pushed back to the latest deadline when it fires early, instead of one task per event.
    ScheduledTask m_dragStillTask;
    quint64 m_dragStillArmedToken = 0;
    QPointF m_dragStillArmedCursor;
    double m_dragStillDeadline = 0;

    std::optional<QUuid> m_reorderDraggedEntryID;
    QPointF m_reorderCursor;
    std::optional<QRectF> m_reorderDropTarget;
    std::optional<QUuid> m_mergeCandidateID;
    bool m_isReorderDragging = false;
    bool m_reorderDidStart = false;
    std::optional<QUuid> m_mouseDownEntryID;

    bool m_edgeFlipArmed = true;
    quint64 m_edgeFlipToken = 0;
    int m_edgeFlipZone = 0;
    double m_edgeFlipEnteredAt = 0;
    Scheduler::TaskId m_edgeFlipWork = Scheduler::kNoTask;

    quint64 m_mergeHoverToken = 0;
    std::optional<QPointF> m_mergeArmPoint;

    std::optional<QUuid> m_pendingVacuateDraggedID;
    int m_pendingVacuatePage = 0;
    int m_pendingVacuateHitIndex = 0;
    Scheduler::TaskId m_pendingVacuateWork = Scheduler::kNoTask;

    std::optional<QUuid> m_launchingAppID;
};

} // namespace corvanta
