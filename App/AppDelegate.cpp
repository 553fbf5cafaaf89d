#include "App/AppDelegate.h"

#include "App/ColdStartFinish.h"
#include "App/DockHost.h"
#include "App/HiddenPrerender.h"
#include "App/MenuBarCoverHost.h"
#include "App/OverlayPresenter.h"
#include "App/OverlayWindowSurfaces.h"
#include "App/PinchTransition.h"
#include "App/PinchWindowSurfaces.h"
#include "App/SettingsWindowHost.h"
#include "App/ShellNotifications.h"
#include "App/SingleInstance.h"
#include "App/SuccessorHandOver.h"
#include "App/SystemSettingsServices.h"
#include "App/TargetScreens.h"
#include "App/WarmUp.h"
#include "Platform/DockWindows.h"
#include "Platform/LaunchAtLogin.h"
#include "Platform/MessageBus.h"
#include "Platform/OperatingSystem.h"
#include "Platform/RunningInstances.h"
#include "Platform/SLSMenuBar.h"
#include "Platform/ScreenProvider.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "App/DeleteFlowHost.h"
#include "App/ModalAlert.h"
#include "App/QuitKey.h"
#include "Platform/X11DisplayLoss.h"
#include "Services/UninstallManager.h"
#include "Views/CaretBlinkTimeout.h"
#include "Views/DeleteRequestFlow.h"
#include "Services/AppScanner.h"
#include "Services/AppLaunch.h"
#include "Services/ApplicationRescan.h"
#include "Services/IconCache.h"
#include "Services/LayoutManager.h"
#include "Services/PinchRecognizer.h"
#include "Services/ShortcutManager.h"
#include "Services/SystemTrackpadPinch.h"
#include "Services/WallpaperStore.h"
#include "Support/BuildInfo.h"
#include "Support/Constants.h"
#include "Support/InteractionManager.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/NotificationCenter.h"
#include "Support/QtScheduler.h"
#include "Support/TerminationRequest.h"
#include "Support/TransitionFPSMeter.h"
#include "Views/LayerTransition.h"
#include "Views/MenuBarCoverView.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/ModalAboveOverlay.h"
#include "Views/LayerItem.h"
#include "Views/TilehallContentView.h"
#include "Views/TilehallInteractionView.h"
#include "Views/TilehallWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>

namespace corvanta {

namespace {

QString hotCornerName(HotCorner corner)
{
    switch (corner) {
    case HotCorner::topLeft:
        return QStringLiteral("topLeft");
    case HotCorner::topRight:
        return QStringLiteral("topRight");
    case HotCorner::bottomLeft:
        return QStringLiteral("bottomLeft");
    case HotCorner::bottomRight:
        return QStringLiteral("bottomRight");
    case HotCorner::none:
        break;
    }
    return QStringLiteral("none");
}

int pageCountOf(const LayoutManager& layout)
{
    return std::max(1, int(layout.layout().pages.size()));
}

} // namespace

AppDelegate::LaunchFacts AppDelegate::LaunchFacts::system()
{
    LaunchFacts facts;
    facts.wasLaunchedAtLogin = [] { return LaunchAtLogin::shared().wasLaunchedAtLogin(); };
    facts.launchedShortlyAfterBoot = [] { return LaunchAtLogin::shared().launchedShortlyAfterBoot(); };
    facts.loginItemEnabled = [] { return LaunchAtLogin::shared().status() == LaunchAtLogin::Status::enabled; };
    facts.otherInstances = [] { return RunningInstances::system().find(RunningInstances::Session::current()).inSession; };
    facts.instancesElsewhere = [] { return RunningInstances::system().find(RunningInstances::Session::current()).elsewhere; };
    return facts;
}

AppDelegate::AppDelegate(QObject* parent) : AppDelegate(LaunchFacts::system(), parent) {}

AppDelegate::AppDelegate(LaunchFacts facts, QObject* parent)
    : QObject(parent),
      m_facts(std::move(facts)),
      m_bus(m_facts.bus ? m_facts.bus : &MessageBus::shared()),
      m_scheduler(QtScheduler::shared()),
      m_layoutManager(LayoutManager::shared()),
      m_shortcutManager(ShortcutManager::shared()),
      m_scanner(std::make_shared<AppScanner>(AppConstants::scanDirectories())),
      m_interactionManager(std::make_unique<InteractionManager>())
{
    // Control-Q ends the program from any of its windows, modal ones included.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(new QuitKey({}, this));
    m_caretBlink = std::make_unique<CaretBlinkTimeout>(m_scheduler, CaretBlinkTimeout::desktopSettings());
    m_caretBlink->followDesktopSettings();
    m_dockWindows = std::make_unique<X11DockWindowSource>();
    m_targetScreens = std::make_unique<TargetScreens>(ScreenProvider::shared(), *m_dockWindows, m_scheduler.clock());
    m_coverHost = std::make_unique<MenuBarCoverHost>(SLSMenuBar::shared(), ScreenProvider::shared(), WindowStack::shared());
    m_surfaces = std::make_unique<OverlayWindowSurfaces>(*m_coverHost, LayerTransition::shared(), SLSMenuBar::shared(),
                                                         TransitionFPSMeter::shared());
    m_backdrop = std::make_unique<StoreBackdrop>(WallpaperStore::shared());
    m_pinchSurfaces = std::make_unique<PinchWindowSurfaces>([this] { return m_tilehallWindow.get(); }, *m_coverHost, *m_surfaces,
                                                            LayerTransition::shared(), SLSMenuBar::shared());

    ApplicationRescan::Dependencies rescan;
    rescan.layoutManager = &m_layoutManager;
    rescan.scanner = m_scanner;
    rescan.clock = &m_scheduler.clock();
    rescan.background = threadPoolRunner();
    QPointer<AppDelegate> self(this);
    rescan.mainThread = [self](Task task) {
        if (self)
            QMetaObject::invokeMethod(self.data(), std::move(task), Qt::QueuedConnection);
    };
    rescan.homeDirectory = StandardPaths::homeDirectory();
    rescan.fileExists = [](const QString& path) { return QFileInfo::exists(path); };
    rescan.onPageCount = [self](int pageCount) {
        if (self)
            self->m_interactionManager->pageCount = pageCount;
    };
    rescan.presentReport = [self](const ApplicationRescan::Report& report) {
        runSimpleAlertAboveTilehall(report.message, report.informativeText, false,
                                    self ? self->m_tilehallWindow.get() : nullptr);
    };
    m_rescan = std::make_unique<ApplicationRescan>(std::move(rescan), this);

    OverlayPresenter::Dependencies deps;
    deps.scheduler = &m_scheduler;
    deps.shortcuts = &m_shortcutManager;
    deps.engine = m_interactionManager.get();
    deps.surfaces = m_surfaces.get();
    deps.backdrop = m_backdrop.get();
    deps.icons.isPrewarmFinished = [] { return IconCache::shared().isPrewarmFinished(); };
    deps.icons.missCount = [] { return IconCache::shared().missCount(); };
    deps.icons.resetMissCount = [] { IconCache::shared().resetMissCount(); };
    deps.config = [self] { return self ? self->m_layoutManager.config() : LayoutConfig{}; };
    deps.targetScreen = [self] {
        return self ? self->m_targetScreens->targetScreen(self->m_layoutManager.config().showOnScreen) : DisplayScreen{};
    };
    deps.dockScreenForReopen = [self] { return self ? self->m_targetScreens->dockScreenForReopen() : std::nullopt; };
    deps.baseDuration = [] { return TilehallWindow::transitionDuration(); };
    deps.didFinishAppScan = [self] { return self && self->m_rescan->didFinishAppScan(); };
    deps.rescanApps = [self] {
        if (self)
            self->rescanApps(false);
    };
    deps.hooks.cancelPinchForRegularTransition = [self] {
        if (self && self->m_pinchTransition)
            self->m_pinchTransition->cancelPinchForRegularTransition();
    };
    deps.hooks.isExiting = [self] { return self && self->m_handOver->isExiting(); };
    deps.hooks.cancelPendingSuccession = [self] {
        if (self)
            self->m_handOver->cancelPendingSuccession();
    };
    deps.hooks.handOverToSuccessorAndExit = [self] {
        if (self)
            self->m_handOver->handOverToSuccessorAndExit();
    };
    deps.hooks.presentAccessibilityGuideIfNeeded = [self] { return self && self->presentAccessibilityGuideIfNeeded(true); };
    deps.hooks.closeSettingsSheet = [self] {
        if (self)
            self->closeSettingsSheet();
    };
    m_presenter = std::make_unique<OverlayPresenter>(std::move(deps));

    PinchTransition::Dependencies pinchDeps;
    pinchDeps.presenter = m_presenter.get();
    pinchDeps.shortcuts = &m_shortcutManager;
    pinchDeps.engine = m_interactionManager.get();
    pinchDeps.surfaces = m_pinchSurfaces.get();
    pinchDeps.scheduler = &m_scheduler;
    pinchDeps.layerTransitionEnabled = LayerTransition::shared().isEnabled();
    m_pinchTransition = std::make_unique<PinchTransition>(std::move(pinchDeps));

    SettingsWindowHost::Dependencies settings;
    settings.scheduler = &m_scheduler;
    settings.stack = &WindowStack::shared();
    settings.engine = m_interactionManager.get();
    settings.overlay = [self]() -> QWidget* { return self ? self->m_tilehallWindow.get() : nullptr; };
    settings.setCoverScrim = [self](double opacity) {
        if (self && self->m_coverHost->window())
            self->m_coverHost->window()->setModalScrim(opacity);
    };
    settings.services = [this] {
        SettingsServices services = systemSettingsServices(m_layoutManager, m_shortcutManager);
        QPointer<AppDelegate> self(this);
        services.checkRestoredApps = [self] {
            if (self)
                self->rescanApps(false);
        };
        return services;
    };
    m_settingsHost = std::make_unique<SettingsWindowHost>(std::move(settings));

    ShellNotifications::PinchHooks pinch;
    pinch.isTrusted = [] { return true; };
    pinch.installPinchEventTap = [self] {
        if (!self || !self->m_shortcutManager.pinchRecognizer())
            return;
        self->m_shortcutManager.pinchRecognizer()->installPinchEventTap();
        self->m_shortcutManager.pinchRecognizer()->installSleepWakeObservers();
    };
    pinch.startAccessibilityPolling = [self] {
        if (self && self->m_shortcutManager.pinchRecognizer())
            self->m_shortcutManager.pinchRecognizer()->startAccessibilityPolling();
    };
    pinch.switchPinchOff = [self] {
        if (!self)
            return;
        self->setPinchSettings(false, TrackpadGesture::off);
        self->m_shortcutManager.stopPinchGesture();
    };
    m_notifications = std::make_unique<ShellNotifications>(NotificationCenter::defaultCenter(), *m_presenter, std::move(pinch), m_bus);
    buildStartupPieces();
}

AppDelegate::~AppDelegate()
{
    // The window goes before the presenter's surfaces that point at it.
    m_surfaces->setWindow(nullptr);
}

bool AppDelegate::isSuccessor()
{
    static const bool successor = qEnvironmentVariable("QUORLA_SUCCESSION") == QStringLiteral("1");
    return successor;
}

void AppDelegate::applicationDidFinishLaunching()
{
    // An ending asked for while the process started (a signal at its first turn) starts nothing.
    if (m_didFinishLaunching || TerminationRequest::isRequested())
        return;
    m_didFinishLaunching = true;

    // The login mark first of all: it belongs to the launch event and is gone afterwards.
    const bool loginMark = m_facts.wasLaunchedAtLogin && m_facts.wasLaunchedAtLogin();
    CLOG_INFO(QStringLiteral("=== Corvanta starting ==="));
    const QString version = QCoreApplication::applicationVersion();
    CLOG_INFO(QStringLiteral("App version: %1 (build %2)")
                  .arg(version.isEmpty() ? QStringLiteral("?") : version, QString::fromLatin1(buildIdentifier())));
    CLOG_INFO(operatingSystemLine());
    CLOG_INFO(QStringLiteral("阶段67：过渡动画驱动=") + (LayerTransition::shared().isEnabled() ? QStringLiteral("图层 CABasicAnimation（服务端逐帧）")
                                                                                            : QStringLiteral("SwiftUI 隐式动画（withAnimation）")));
    SLSMenuBar& menuBar = SLSMenuBar::shared();
    QString menuBarPolicy = QStringLiteral("SLS可用但多屏走遮盖窗");
    if (!menuBar.isEnabled())
        menuBarPolicy = QStringLiteral("顶部遮盖窗+进程常驻");
    else if (menuBar.isAvailable() && ScreenProvider::shared().screens().size() <= 1)
        menuBarPolicy = QStringLiteral("SLS压制+交班退出");
    CLOG_INFO(QStringLiteral("阶段158：菜单栏策略=") + menuBarPolicy);
    const LayoutConfig& config = m_layoutManager.config();
    CLOG_INFO(QStringLiteral("Layout config: rows=%1, cols=%2, iconSize=%3").arg(config.rows).arg(config.columns).arg(logNumber(config.iconSize)));

    const LaunchSource source =
        LaunchSource::decide(loginMark, m_facts.launchedShortlyAfterBoot && m_facts.launchedShortlyAfterBoot(), m_facts.loginItemEnabled);
    CLOG_INFO(source.logLine());
    m_launchMode = launchModeFor(isSuccessor(), source);

    if (m_launchMode != LaunchMode::successor) {
        SingleInstance::Dependencies rule;
        rule.otherInstances = m_facts.otherInstances;
        rule.instancesElsewhere = m_facts.instancesElsewhere;
        // The request names this session's display: a copy on another display that shares the
        // runtime folder leaves it alone.
        rule.postShowRequest = [this] {
            return m_bus->post(Notifications::tilehallShouldShow,
                               {{QStringLiteral("display"), RunningInstances::Session::current().display}});
        };
        rule.explainUnreachable = [this](const QList<qint64>& pids) { explainUnreachableInstance(pids); };
        rule.terminate = [] { QCoreApplication::quit(); };
        // A copy that quits here has only read the layout: it writes nothing on its way out.
        if (!SingleInstance(std::move(rule)).ensureSingleInstance(m_launchMode != LaunchMode::login))
            return;
    }
    m_ownsLayout = true;
    if (m_launchMode == LaunchMode::cold)
        m_coldStart->begin();

    IconCache::shared().prewarm(m_layoutManager.layout());
    WallpaperStore::shared().startObservingWallpaperChanges();
    setupTilehall();
    setupShortcuts();
    m_interactionManager->installMouseMonitor();
    followEngine();
    if (m_layoutManager.config().backgroundType != BackgroundType::color)
        WallpaperStore::shared().restoreLatestForLaunch();
    if (m_launchMode == LaunchMode::cold) {
        m_warmUp->warmUpInBackground(true);
        m_coldStart->setupFinished();
    } else {
        // A login or successor start re-applies the take-over of the system's pinch the user agreed to.
        const TrackpadGesture gesture = m_layoutManager.config().trackpadGesture;
        if (gesture != TrackpadGesture::off && UserDefaults::standard().boolValue(QString::fromLatin1(didAskFourFingerPinchTakeoverKey)))
            SystemTrackpadPinch::shared().applyExclusiveTakeover(gesture);
        m_warmUp->warmUpInBackground(false);
        // What the short warm-up left (the other pages, the scan's result) is drawn hidden soon.
        hiddenContentChanged();
    }
    m_notifications->subscribeAccessibilityAnswers();
    if (m_launchMode != LaunchMode::successor)
        syncLaunchAtLoginConfig();
    startHeartbeat();
}

void AppDelegate::explainUnreachableInstance(const QList<qint64>& pids)
{
    QStringList numbers;
    for (const qint64 pid : pids)
        numbers << QString::number(pid);
    runSimpleAlertAboveTilehall(QStringLiteral("Corvanta 已在运行"),
                                QStringLiteral("本会话中已有 Corvanta 在运行（进程 ") + numbers.join(QStringLiteral("、"))
                                    + QStringLiteral("），但这次打开的请求无法送达它，所以没有再开一个。\n\n请用快捷键 ")
                                    + m_layoutManager.config().shortcutKey
                                    + QStringLiteral(" 打开它；如果它没有响应，请先结束该进程，再重新打开 Corvanta。"),
                                false, nullptr);
}

void AppDelegate::buildRootView()
{
    // The grid's root view lives in the window's content layer for the life of the process and
    // keeps itself at the window's size.
    QPointer<AppDelegate> self(this);
    TilehallContentView::Options options = TilehallContentView::Options::fromEnvironment();
    // An icon that reaches a cell while the overlay is hidden is drawn hidden as well.
    options.mainThread = [home = options.mainThread, self](Task task) {
        home([task = std::move(task), self] {
            task();
            if (self)
                self->hiddenContentChanged();
        });
    };
    auto* root = new TilehallContentView(m_layoutManager, *m_interactionManager, m_shortcutManager, WallpaperStore::shared(),
                                         IconCache::shared(), m_scheduler, std::move(options), m_tilehallWindow->contentLayer());
    root->setFollowsSceneRect(true);
    m_rootView = root;
    m_deleteFlow = makeDeleteRequestFlow(*root, *m_interactionManager, UninstallManager::shared(),
                                         [self] { return self ? self->m_tilehallWindow.get() : nullptr; });
    root->onDeleteRequest = [flow = m_deleteFlow.get()](const AppItem& app) { flow->requestDelete(app); };
    root->onLaunchFailed = [self](const AppItem& app, const LaunchError& error) {
        if (!self)
            return;
        // An application that has gone leaves the grid at once, as at the next show.
        if (error.reason == LaunchError::Reason::notFound)
            self->rescanApps(false);
        const LaunchFailureAlert alert = launchFailureAlert(app, error);
        runSimpleAlertAboveTilehall(alert.message, alert.informativeText, true, self->m_tilehallWindow.get());
    };
}

void AppDelegate::setupInteractionView()
{
    DockHost::Dependencies dock;
    dock.scheduler = &m_scheduler;
    dock.screens = &ScreenProvider::shared();
    dock.dockWindows = m_dockWindows.get();
    dock.overlayScreen = [this] { return m_presenter->tilehallScreen(); };
    m_dockHost = std::make_unique<DockHost>(std::move(dock));
    m_dockHost->install(*m_interactionManager, *m_rootView, *m_tilehallWindow);

    m_interactionView = std::make_unique<TilehallInteractionView>(*m_tilehallWindow);
    m_interactionView->interactionManager = m_interactionManager.get();
    m_interactionView->layoutManager = &m_layoutManager;
    QPointer<AppDelegate> self(this);
    m_interactionView->onOpenSettings = [self] {
        if (self)
            self->openSettings();
    };
    m_interactionView->onRescan = [self] {
        if (self)
            self->rescanApps(true);
    };
}

void AppDelegate::setupTilehall()
{
    CLOG_INFO(QStringLiteral("Setting up tilehall window..."));
    const DisplayScreen screen = m_targetScreens->targetScreen(m_layoutManager.config().showOnScreen);
    CLOG_INFO(QStringLiteral("Target screen: ") + describeRect(screen.frame));

    m_tilehallWindow = std::make_unique<TilehallWindow>(screen);
    m_presenter->setTilehallScreen(screen);
    WallpaperStore::shared().setScreen(screen.frame);

    InteractionManager& engine = *m_interactionManager;
    QPointer<AppDelegate> self(this);
    engine.onClose = [self] {
        if (self)
            self->m_presenter->hideTilehall();
    };
    engine.screenWidth = screen.frame.width();
    engine.pageCount = pageCountOf(m_layoutManager);
    connect(&m_layoutManager, &LayoutManager::layoutChanged, this, [this] {
        m_interactionManager->pageCount = pageCountOf(m_layoutManager);
        hiddenContentChanged();
    });

    buildRootView();
    setupInteractionView();
    m_tilehallWindow->setEscapeHandler([self] { return self && self->m_interactionManager->onEscape && self->m_interactionManager->onEscape(); });
    engine.setOverlayWindow(m_tilehallWindow->windowHandle());
    m_surfaces->setWindow(m_tilehallWindow.get());

    m_coverHost->setConfigure([self](MenuBarCoverWindow& cover) {
        if (self)
            self->configureCover(cover);
    });
    connect(&WallpaperStore::shared(), &WallpaperStore::blurredImageChanged, this, [this] {
        if (MenuBarCoverWindow* cover = m_coverHost->window())
            cover->coverView()->update();
        hiddenContentChanged();
    });
    connect(&engine, &InteractionManager::isPresentedChanged, this, [this] {
        if (MenuBarCoverWindow* cover = m_coverHost->window())
            cover->coverView()->setPresented(m_interactionManager->isPresented());
    });
    connect(&engine, &InteractionManager::interactiveProgressChanged, this, [this] {
        if (MenuBarCoverWindow* cover = m_coverHost->window())
            cover->coverView()->setInteractiveProgress(m_interactionManager->interactiveProgress());
    });
    m_coverHost->setWallpaperStore(&WallpaperStore::shared());
    m_coverHost->setModalScrimOpacitySource([self] { return self ? self->m_interactionManager->modalScrimOpacity() : 0.0; });
    m_coverHost->rebuild(screen);
    CLOG_INFO(QStringLiteral("Tilehall window created (hidden until shown)"));

    m_notifications->subscribeOverlayRequests();
    connect(&ScreenProvider::shared(), &ScreenProvider::screensChanged, this, &AppDelegate::screenParametersChanged);
    connect(&engine, &InteractionManager::modalScrimOpacityChanged, this, [this] {
        if (MenuBarCoverWindow* cover = m_coverHost->window())
            cover->setModalScrim(m_interactionManager->modalScrimOpacity());
    });
}

void AppDelegate::hiddenContentChanged()
{
    if (m_hiddenPrerender)
        m_hiddenPrerender->contentChanged();
}

void AppDelegate::configureCover(MenuBarCoverWindow& cover)
{
    const LayoutConfig& config = m_layoutManager.config();
    MenuBarCoverView* view = cover.coverView();
    view->setBackground(config.backgroundType, config.blurStrength, config.backgroundColor);
    view->setLayerTransitionEnabled(LayerTransition::shared().isEnabled());
    view->setInteractiveProgress(m_interactionManager->interactiveProgress());
    view->setPresented(m_interactionManager->isPresented());
}

void AppDelegate::screenParametersChanged()
{
    m_targetScreens->invalidate();
    CLOG_INFO(QStringLiteral("显示器配置变化 — Dock 屏幕缓存作废"));
    // A resolution change keeps the screen's name: the windows follow its new frame at once, shown
    // or not, since the next show on the same screen does not move them.
    if (const auto& current = m_presenter->tilehallScreen()) {
        const auto now = ScreenProvider::shared().screenNamed(current->name);
        if (now && now->frame != current->frame) {
            m_surfaces->fitWindowToScreen(*now);
            m_presenter->setTilehallScreen(*now);
            m_interactionManager->screenWidth = now->frame.width();
            m_coverHost->rebuild(*now);
        }
    }
    if (!m_shortcutManager.isTilehallVisible())
        return;
    std::optional<DisplayScreen> screen;
    if (const auto& current = m_presenter->tilehallScreen())
        screen = ScreenProvider::shared().screenNamed(current->name);
    if (!screen)
        screen = m_targetScreens->targetScreen(m_layoutManager.config().showOnScreen);
    const qsizetype screens = ScreenProvider::shared().screens().size();
    SLSMenuBar& menuBar = SLSMenuBar::shared();
    if (screens > 1)
        menuBar.restore();
    m_coverHost->rebuild(*screen);
    if (m_presenter->overlayOnScreen()) {
        if (MenuBarCoverWindow* cover = m_coverHost->window())
            cover->orderFront();
        if (menuBar.isAvailable() && screens <= 1)
            menuBar.hide();
    }
}

void AppDelegate::setupShortcuts()
{
    const LayoutConfig& config = m_layoutManager.config();
    CLOG_INFO(QStringLiteral("Setting up shortcuts: key=") + config.shortcutKey);
    QPointer<AppDelegate> self(this);
    m_shortcutManager.onToggle = [self] {
        if (!self)
            return;
        CLOG_INFO(QStringLiteral("Shortcut triggered — toggling tilehall"));
        self->m_presenter->toggleTilehall();
    };
    m_shortcutManager.registerShortcut(config.shortcutKey);
    if (config.hotCorner != HotCorner::none) {
        CLOG_INFO(QStringLiteral("Setting up hot corner: ") + hotCornerName(config.hotCorner));
        m_shortcutManager.startHotCornerMonitor(config.hotCorner);
    }
    m_shortcutManager.onPinchBegin = [self](PinchGestureDirection direction) {
        if (self)
            self->m_pinchTransition->beginInteractivePinchTransition(direction);
    };
    m_shortcutManager.onPinchProgress = [self](double progress) {
        if (self)
            self->m_pinchTransition->handleProgress(progress);
    };
    m_shortcutManager.onPinchSettle = [self](bool commit) {
        if (self)
            self->m_pinchTransition->settleInteractivePinchTransition(commit);
    };
    const bool agreed = UserDefaults::standard().boolValue(QString::fromLatin1(didAskFourFingerPinchTakeoverKey));
    m_shortcutManager.setupPinchGesture(config.trackpadGesture, config.trackpadGesture != TrackpadGesture::off && agreed);
}

void AppDelegate::followEngine()
{
    InteractionManager& engine = *m_interactionManager;
    connect(&engine, &InteractionManager::interactiveProgressChanged, this, [this] {
        if (const auto progress = m_interactionManager->interactiveProgress())
            m_presenter->setPinchHandoff(float(*progress), m_scheduler.now());
    });
    QPointer<AppDelegate> self(this);
    engine.pagerOffset().onMotionChange = [self](bool moving) {
        if (!self || !self->m_tilehallWindow)
            return;
        if (moving && !self->m_isScrollProbing) {
            self->m_isScrollProbing = true;
            TransitionFPSMeter::shared().start(QStringLiteral("scroll"), self->m_tilehallWindow.get(), 3.0, TimingCurve::linear());
        } else if (!moving && self->m_isScrollProbing) {
            self->m_isScrollProbing = false;
            TransitionFPSMeter::shared().stopAfter(0.45);
        }
    };
}

void AppDelegate::rescanApps(bool report)
{
    m_rescan->rescanApps(report);
}

void AppDelegate::openSettings()
{
    m_settingsHost->openSettings();
}

void AppDelegate::closeSettingsSheet()
{
    m_settingsHost->closeSettingsSheet();
}

void AppDelegate::syncLaunchAtLoginConfig()
{
    const bool system = m_facts.loginItemEnabled && m_facts.loginItemEnabled();
    LayoutConfig config = m_layoutManager.config();
    if (system == config.launchAtLogin)
        return;
    CLOG_INFO(QStringLiteral("阶段29：自启动状态同步 — 配置 %1 → 系统真实值 %2").arg(logBool(config.launchAtLogin), logBool(system)));
    config.launchAtLogin = system;
    m_layoutManager.setConfig(config);
    m_layoutManager.save();
}

void AppDelegate::startHeartbeat()
{
    QPointer<AppDelegate> self(this);
    m_heartbeat = ScheduledTask(&m_scheduler, m_scheduler.scheduleRepeating(heartbeatInterval, [self] {
        if (self)
            self->heartbeatTick();
    }));
}

void AppDelegate::heartbeatTick()
{
    SLSMenuBar& menuBar = SLSMenuBar::shared();
    if (!m_shortcutManager.isTilehallVisible() && menuBar.isHiddenByUs()) {
        CLOG_WARN(QStringLiteral("阶段69：瓦厅不可见但菜单栏仍被压掉 — 心跳兜底还原"));
        menuBar.restore();
    }
    CLOG_INFO(QStringLiteral("HEARTBEAT — isVisible=%1, apps=%2, pages=%3")
                  .arg(logBool(m_shortcutManager.isTilehallVisible()))
                  .arg(m_layoutManager.allScannedApps().size())
                  .arg(m_layoutManager.layout().pages.size()));
}

void AppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_presenter->setQuitting();
    m_handOver->cancelPendingSuccession();
    CLOG_INFO(QStringLiteral("=== Corvanta terminating ==="));
    m_heartbeat.cancel();
    // A scan on the thread pool must not outlive what it reads once the process ends.
    m_rescan->cancel();
    // Without a display there are no windows to order out; touching them could only crash.
    if (!X11DisplayLoss::isLost()) {
        m_presenter->orderOverlayOut();
        SLSMenuBar::shared().restore();
    }
    m_shortcutManager.unregisterShortcut();
    m_shortcutManager.stopHotCornerMonitor();
    m_shortcutManager.stopPinchGesture();
    if (m_ownsLayout)
        m_layoutManager.performSave();
    m_bus->close();
    Logger::shared().flush();
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    return m_presenter->applicationShouldHandleReopen(hasVisibleWindows);
}

void AppDelegate::applicationDidBecomeActive()
{
    CLOG_INFO(QStringLiteral("applicationDidBecomeActive"));
}

void AppDelegate::applicationDidResignActive()
{
    CLOG_INFO(QStringLiteral("applicationDidResignActive"));
}

} // namespace corvanta
