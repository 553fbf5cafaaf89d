#include "App/OverlayPresenter.h"

#include "Services/ShortcutManager.h"
#include "Support/InteractionManager.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/TerminationRequest.h"

#include <QPointer>

namespace corvanta {

namespace {

QString ms(double seconds)
{
    return QString::asprintf("%.1f", seconds * 1000);
}

QString requestName(int request)
{
    static const char* names[] = {"toggle", "show", "hide"};
    return QString::fromLatin1(names[request]);
}

} // namespace

OverlayPresenter::OverlayPresenter(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)), m_wait(m_deps.scheduler->clock(), m_deps.runLoopSlice)
{
}

OverlayPresenter::~OverlayPresenter() = default;

LayoutConfig OverlayPresenter::config() const
{
    return m_deps.config ? m_deps.config() : LayoutConfig{};
}

bool OverlayPresenter::isTilehallVisible() const
{
    return m_deps.shortcuts->isTilehallVisible();
}

void OverlayPresenter::setVisible(bool visible)
{
    m_deps.shortcuts->setTilehallVisible(visible);
}

void OverlayPresenter::noteHeavyRefresh(double at, const DisplayScreen& screen)
{
    m_lastHeavyRefreshAt = at;
    m_lastHeavyRefreshScreen = screen;
}

double OverlayPresenter::nextTransitionDuration(bool forHide)
{
    // An application launch closes the overlay at the regular pace whatever came before, and does
    // not count as a transition for the next one.
    if (forHide && m_deps.engine->launchingAppID())
        return launchingHideDuration;
    const double t = now();
    const double duration = t < m_lastTransitionEndAt + rapidGraceWindow ? rapidDuration : m_deps.baseDuration();
    m_lastTransitionEndAt = t + duration;
    return duration;
}

bool OverlayPresenter::deferWhileShowing(Request request, const std::optional<DisplayScreen>& screen)
{
    if (!m_showInProgress)
        return false;
    CLOG_INFO(QStringLiteral("显示进行中 — 本次请求（%1）排到上屏之后").arg(requestName(int(request))));
    m_deferred.emplace_back(request, screen);
    return true;
}

void OverlayPresenter::runDeferred()
{
    auto requests = std::move(m_deferred);
    m_deferred.clear();
    for (const auto& [request, screen] : requests) {
        switch (request) {
        case Request::toggle:
            toggleTilehall();
            break;
        case Request::show:
            showTilehall(screen);
            break;
        case Request::hide:
            hideTilehall();
            break;
        }
    }
}

void OverlayPresenter::toggleTilehall()
{
    if (deferWhileShowing(Request::toggle))
        return;
    CLOG_INFO(QStringLiteral("toggleTilehall() — isVisible=%1").arg(logBool(isTilehallVisible())));
    if (isTilehallVisible())
        hideTilehall();
    else
        showTilehall();
}

void OverlayPresenter::showTilehall(const std::optional<DisplayScreen>& screen)
{
    if (deferWhileShowing(Request::show, screen))
        return;
    m_showInProgress = true;
    runShow(screen);
    m_showInProgress = false;
    if (!m_deferred.empty()) {
        QPointer<OverlayPresenter> self(this);
        m_deps.scheduler->schedule(0, [self] {
            if (self)
                self->runDeferred();
        });
    }
}

void OverlayPresenter::moveTilehallWindow(const DisplayScreen& screen)
{
    m_deps.surfaces->fitWindowToScreen(screen);
    m_tilehallScreen = screen;
    m_deps.engine->screenWidth = screen.frame.width();
    m_deps.surfaces->rebuildCover(screen);
    // The backdrop follows the window, so the old screen's blur is never shown on the new one.
    m_deps.backdrop->setScreen(screen);
    CLOG_INFO(QStringLiteral("瓦厅换屏 → %1，壁纸缓存作废").arg(describeRect(screen.frame)));
}

void OverlayPresenter::runShow(const std::optional<DisplayScreen>& requested)
{
    const Hooks& hooks = m_deps.hooks;
    // Asked to end, the process starts no show, even from a nested loop that is still unwinding.
    if (isExiting() || m_isQuitting || TerminationRequest::isRequested())
        return;
    if (hooks.presentAccessibilityGuideIfNeeded && hooks.presentAccessibilityGuideIfNeeded()) {
        CLOG_INFO(QStringLiteral("showTilehall 被门控：等待辅助功能授权"));
        return;
    }
    call(hooks.cancelPendingSuccession);
    call(hooks.cancelPinchForRegularTransition);
    const double t0 = now();
    CLOG_INFO(QStringLiteral("showTilehall() called"));
    // The gates below turn the run loop: the completion of an earlier hide must find itself stale
    // there already, or it orders the windows out in the middle of this show.
    ++m_overlayGeneration;
    call(m_deps.icons.resetMissCount);

    OverlaySurfaces& surfaces = *m_deps.surfaces;
    if (!surfaces.hasWindow()) {
        CLOG_WARN(QStringLiteral("showTilehall: no window reference!"));
        return;
    }

    const DisplayScreen screen = requested ? *requested : m_deps.targetScreen();
    if (!m_tilehallScreen || !m_tilehallScreen->isSameScreen(screen))
        moveTilehallWindow(screen);
    const double tScreen = now();

    const double duration = nextTransitionDuration(false);
    m_deps.engine->transitionDuration = duration;
    const bool continuing = m_overlayOnScreen;
    const bool wasActive = surfaces.isApplicationActive();

    const double tHeavy0 = now();
    const bool sameScreen = m_lastHeavyRefreshScreen && m_lastHeavyRefreshScreen->isSameScreen(screen);
    const bool scanFinished = m_deps.didFinishAppScan && m_deps.didFinishAppScan();
    if (scanFinished && sameScreen && tHeavy0 - m_lastHeavyRefreshAt < heavyRefreshReuse) {
        CLOG_INFO(QStringLiteral("阶段27：距上次唤出 <2s 且屏幕未变，跳过壁纸重采与应用重扫（快速连点复用）"));
    } else {
        noteHeavyRefresh(tHeavy0, screen);
        scheduleHeavyRefresh(screen, duration + heavyRefreshDelay);
    }
    const double tHeavy = now();

    const LayoutConfig cfg = config();
    const bool solidColour = cfg.backgroundType == BackgroundType::color;
    if (!solidColour) {
        m_deps.backdrop->raiseCaptureHold(now() + duration + heavyRefreshDelay);
        const double w0 = now();
        const bool arrived = m_deps.backdrop->waitForFirstFrame(gateTimeout);
        const QString waited = ms(now() - w0);
        if (!arrived)
            CLOG_WARN(QStringLiteral("阶段64：首帧壁纸门控超时（>%1ms），按渐变兜底上屏（壁纸到齐后交叉淡入）").arg(int(gateTimeout * 1000)));
        else if (waited != QStringLiteral("0.0"))
            CLOG_INFO(QStringLiteral("阶段64：首帧壁纸就位，上屏前等待 %1ms").arg(waited));
    }

    const double g0 = now();
    const auto prewarmFinished = [this] { return !m_deps.icons.isPrewarmFinished || m_deps.icons.isPrewarmFinished(); };
    const bool iconsReady = m_wait.until(prewarmFinished, gateTimeout);
    const double iconGate = now() - g0;
    if (!iconsReady)
        CLOG_WARN(QStringLiteral("阶段45：图标预热超时（>%1ms），首帧降级走异步加载").arg(int(gateTimeout * 1000)));
    // The ending came during the gates: nothing goes on screen any more.
    if (TerminationRequest::isRequested()) {
        CLOG_INFO(QStringLiteral("showTilehall: 程序正在退出 — 不再上屏"));
        return;
    }

    if (!continuing)
        surfaces.resetWindowToHidden();
    const double a0 = now();
    if (!wasActive)
        surfaces.activateApplication();
    const double activation = wasActive ? 0 : now() - a0;
    surfaces.hideMenuBar();
    surfaces.prepareCover(continuing);

    const double o0 = now();
    surfaces.orderFront();
    const double orderFront = now() - o0;
    const bool backgroundReady = solidColour || m_deps.backdrop->hasImage();
    const bool deferDisplay = iconsReady && m_hasCompletedSyncPresentation && !continuing && backgroundReady && sameScreen;
    const double l0 = now();
    surfaces.layoutContent();
    const double layout = now() - l0;
    double draw = 0;
    double strip = 0;
    if (deferDisplay) {
        CLOG_INFO(QStringLiteral("阶段146：稳态唤出 — 同步 display 延后到动画起播后（压低到动画起播）"));
    } else {
        const double d0 = now();
        surfaces.displayWindow();
        const double d1 = now();
        surfaces.displayCover();
        draw = d1 - d0;
        strip = now() - d1;
        m_hasCompletedSyncPresentation = true;
    }
    CLOG_INFO(QStringLiteral("阶段45：首帧图标 miss=%1，预热门控等待=%2ms")
                  .arg(m_deps.icons.missCount ? m_deps.icons.missCount() : 0)
                  .arg(ms(iconGate)));
    const double onScreen = now() - o0;

    // Commit: from here on the overlay is what the user sees.
    m_overlayOnScreen = true;
    setVisible(true);
    call(hooks.cancelPendingSuccession);
    m_suppressForegroundYield = false;
    m_deps.engine->resetDragState();
    if (continuing)
        m_deps.engine->suppressTransitionAnimation = true;
    m_deps.engine->setIsPresented(true);

    surfaces.animateShow(duration, continuing);
    QPointer<OverlayPresenter> self(this);
    if (deferDisplay) {
        m_deps.scheduler->schedule(0, [self] {
            if (!self || !self->isTilehallVisible())
                return;
            self->m_deps.surfaces->displayWindow();
            self->m_deps.surfaces->displayCover();
            self->m_hasCompletedSyncPresentation = true;
        });
    }
    m_pinchHandoff.reset();
    surfaces.startFrameMeter(QStringLiteral("show"), duration, TimingCurve::easeOut());
    surfaces.stopFrameMeterAfter(duration + meterTail);

    CLOG_INFO(QStringLiteral("Tilehall shown — isVisible=%1, duration=%2s, continuing=%3, deferDisplay=%4")
                  .arg(logBool(isTilehallVisible()), QString::asprintf("%.2f", duration), logBool(continuing), logBool(deferDisplay)));
    CLOG_INFO(QStringLiteral("PERF show — 屏/移窗=%1ms 激活=%2ms 重活=%3ms 图标门控=%4ms 上屏=%5ms[orderFront=%6 布局=%7 绘制=%8 strip=%9] "
                             "动画=%10ms 到动画起播=%11ms deferDisplay=%12")
                  .arg(ms(tScreen - t0), ms(activation), ms(tHeavy - tHeavy0), ms(iconGate), ms(onScreen), ms(orderFront), ms(layout),
                       ms(draw), ms(strip))
                  .arg(QString::asprintf("%.0f", duration * 1000), ms(now() - t0), logBool(deferDisplay)));

    m_deps.scheduler->schedule(duration, [self] {
        if (self && self->isTilehallVisible())
            self->m_deps.surfaces->hideMenuBar();
    });
}

void OverlayPresenter::scheduleHeavyRefresh(const DisplayScreen& screen, double delay)
{
    QPointer<OverlayPresenter> self(this);
    m_deps.scheduler->schedule(delay, [self, screen] {
        if (!self)
            return;
        const LayoutConfig cfg = self->config();
        if (cfg.backgroundType != BackgroundType::color) {
            self->m_deps.backdrop->setScreen(screen);
            self->m_deps.backdrop->refresh(cfg.backgroundType == BackgroundType::wallpaper ? 0 : cfg.blurStrength);
        }
        self->call(self->m_deps.rescanApps);
    });
}

void OverlayPresenter::hideTilehall()
{
    if (deferWhileShowing(Request::hide))
        return;
    call(m_deps.hooks.cancelPinchForRegularTransition);
    const double t0 = now();
    CLOG_INFO(QStringLiteral("hideTilehall() called — isVisible=%1").arg(logBool(isTilehallVisible())));
    call(m_deps.hooks.closeSettingsSheet);
    if (!isTilehallVisible()) {
        orderOverlayOut();
        m_overlayOnScreen = false;
        return;
    }

    setVisible(false);
    const double duration = nextTransitionDuration(true);
    m_deps.engine->transitionDuration = duration;
    m_deps.engine->setIsPresented(false);
    if (!m_deps.surfaces->hasWindow()) {
        orderOverlayOut();
        m_overlayOnScreen = false;
        return;
    }

    const int generation = m_overlayGeneration;
    std::optional<double> startOpacity;
    if (m_pinchHandoff && now() - m_pinchHandoff->at < pinchHandoffLifetime)
        startOpacity = m_pinchHandoff->progress;
    m_pinchHandoff.reset();
    m_deps.surfaces->animateHide(duration, startOpacity);
    m_deps.surfaces->startFrameMeter(QStringLiteral("hide"), duration, TimingCurve::easeIn());
    m_deps.surfaces->stopFrameMeterAfter(duration + meterTail);

    QPointer<OverlayPresenter> self(this);
    m_deps.scheduler->schedule(duration, [self, generation, t0] {
        if (self)
            self->completeHide(generation, t0);
    });
}

void OverlayPresenter::completeHide(int generation, double t0)
{
    if (m_overlayGeneration != generation) {
        CLOG_INFO(QStringLiteral("隐藏动画完成时已进入新一轮显示（generation 已推进），跳过 orderOverlayOut"));
        return;
    }
    orderOverlayOut();
    m_overlayOnScreen = false;
    const double removed = now();
    CLOG_INFO(QStringLiteral("Tilehall hidden — tilehall.isVisible=%1, cover.isVisible=%2")
                  .arg(logBool(m_deps.surfaces->isWindowVisible()), logBool(m_deps.surfaces->isCoverVisible())));
    yieldForegroundAfterHide();
    const double yielded = now();
    CLOG_INFO(QStringLiteral("PERF hide — 动画+移除=%1ms 交还前台=%2ms 合计=%3ms").arg(ms(removed - t0), ms(yielded - removed), ms(yielded - t0)));
    verifyWindowRemoved(generation);
}

void OverlayPresenter::yieldForegroundAfterHide()
{
    const bool launched = m_suppressForegroundYield;
    m_suppressForegroundYield = false;
    if (launched)
        CLOG_INFO(QStringLiteral("本次隐藏由启动应用触发 —— 不交还前台，让被启动的应用留在前台"));
    else
        CLOG_INFO(QStringLiteral("阶段28：保持前台不交还（下次点击 Dock 图标无需系统重新激活，省约 300ms）"));
}

void OverlayPresenter::orderOverlayOut()
{
    m_deps.surfaces->restoreMenuBar();
    m_deps.surfaces->orderOut();
    kickDesktopWallpaper();
    QPointer<OverlayPresenter> self(this);
    m_deps.scheduler->schedule(desktopKickDelay, [self] {
        if (self && !self->isTilehallVisible())
            self->kickDesktopWallpaper();
    });
    call(m_deps.hooks.handOverToSuccessorAndExit);
}

void OverlayPresenter::kickDesktopWallpaper()
{
    // The desktop below is never captured again after a hide; only the decision is logged.
    CLOG_INFO(QStringLiteral("桌面层恢复：已跳过（阶段 49 起不再抓屏，避免录屏授权弹窗）"));
}

void OverlayPresenter::verifyWindowRemoved(int generation)
{
    QPointer<OverlayPresenter> self(this);
    m_deps.scheduler->schedule(verifyDelay, [self, generation] {
        if (!self || self->m_overlayGeneration != generation)
            return;
        OverlaySurfaces& surfaces = *self->m_deps.surfaces;
        QStringList names;
        if (surfaces.isWindowVisible())
            names << QStringLiteral("tilehall");
        if (surfaces.isCoverVisible())
            names << QStringLiteral("cover");
        if (names.isEmpty())
            return;
        CLOG_WARN(QStringLiteral("隐藏后仍有遮罩窗在屏幕上（%1），补一次 orderOut").arg(names.join(QLatin1Char(','))));
        surfaces.orderOut();
        self->m_deps.scheduler->schedule(verifyAgainDelay, [self, generation] {
            if (!self || self->m_overlayGeneration != generation)
                return;
            if (self->m_deps.surfaces->isWindowVisible() || self->m_deps.surfaces->isCoverVisible())
                CLOG_ERROR(QStringLiteral("遮罩窗二次 orderOut 后仍未移除，需人工排查"));
            self->kickDesktopWallpaper();
        });
    });
}

bool OverlayPresenter::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    const double t0 = now();
    CLOG_INFO(QStringLiteral("applicationShouldHandleReopen — flag=%1, isVisible=%2, appActive=%3")
                  .arg(logBool(hasVisibleWindows), logBool(isTilehallVisible()), logBool(m_deps.surfaces->isApplicationActive())));
    if (isExiting()) {
        CLOG_INFO(QStringLiteral("阶段88.5：正在退出，忽略本次 reopen"));
        return true;
    }
    if (m_isColdStartSplashActive) {
        CLOG_INFO(QStringLiteral("阶段154：冷启动进度中，忽略本次 reopen"));
        return true;
    }
    if (isTilehallVisible()) {
        hideTilehall();
        return true;
    }
    const double d0 = now();
    const std::optional<DisplayScreen> dock = m_deps.dockScreenForReopen ? m_deps.dockScreenForReopen() : std::nullopt;
    const double dockTime = now() - d0;
    showTilehall(dock);
    CLOG_INFO(QStringLiteral("PERF reopen(show) — dockScreen=%1ms, 合计=%2ms").arg(ms(dockTime), ms(now() - t0)));
    return true;
}

} // namespace corvanta
