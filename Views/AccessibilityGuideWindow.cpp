#include "Views/AccessibilityGuideWindow.h"

#include "Platform/AccessibilityTrust.h"
#include "Platform/WindowStack.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/NotificationCenter.h"
#include "Support/QtScheduler.h"
#include "Views/FloatingPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvanta {

namespace {

QPushButton* button(const QString& title, const std::function<void()>& action, QWidget* parent)
{
    auto* b = new QPushButton(title, parent);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, [action] {
        if (action)
            action();
    });
    return b;
}

} // namespace

AccessibilityGuideView::AccessibilityGuideView(std::function<void()> onOpenSettings, std::function<void()> onLater,
                                               std::function<void()> onSkipPinchAndShow, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(width, height);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(14);

    auto* title = new QLabel(QStringLiteral("需要辅助功能权限"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    layout->addWidget(title);

    auto* body = new QLabel(QStringLiteral("四指/五指捏合依赖辅助功能才能接收触控板手势。授权完成前不会打开全屏瓦厅，以免盖住系统授权窗口。"), this);
    body->setWordWrap(true);
    body->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(body);

    auto* steps = new QVBoxLayout;
    steps->setSpacing(6);
    for (const char* step : {"1. 点击「打开系统设置」", "2. 在「辅助功能」列表中打开 Corvanta（请勿用「+」手动添加）", "3. 授权后本窗口会自动关闭，手势立即生效"})
        steps->addWidget(new QLabel(QString::fromUtf8(step), this));
    layout->addLayout(steps);
    layout->addStretch(1);

    auto* row = new QHBoxLayout;
    m_later = button(QStringLiteral("稍后再说"), onLater, this);
    m_skip = button(QStringLiteral("不用捏合，先打开"), onSkipPinchAndShow, this);
    m_openSettings = button(QStringLiteral("打开系统设置"), onOpenSettings, this);
    m_openSettings->setDefault(true); // Return
    row->addWidget(m_later);
    row->addWidget(m_skip);
    row->addStretch(1);
    row->addWidget(m_openSettings);
    layout->addLayout(row);
}

AccessibilityGuideWindowController::AccessibilityGuideWindowController(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies))
{
}

AccessibilityGuideWindowController::~AccessibilityGuideWindowController() { delete m_panel; }

AccessibilityGuideWindowController& AccessibilityGuideWindowController::shared()
{
    static AccessibilityGuideWindowController* controller = [] {
        Dependencies deps;
        deps.scheduler = &QtScheduler::shared();
        deps.stack = &WindowStack::shared();
        deps.center = &NotificationCenter::defaultCenter();
        // X11 withholds nothing from its clients: the desktop's answer, and no prompt to show.
        auto trust = std::make_shared<X11AccessibilityTrust>();
        deps.isTrusted = [trust] { return trust->isTrusted(); };
        deps.openAccessibilitySettings = [] { return false; };
        return new AccessibilityGuideWindowController(std::move(deps));
    }();
    return *controller;
}

bool AccessibilityGuideWindowController::isVisible() const { return m_panel && m_panel->isVisible(); }

void AccessibilityGuideWindowController::orderOut()
{
    if (m_panel)
        m_panel->orderOut();
}

void AccessibilityGuideWindowController::present(bool showTilehallWhenGranted, std::function<void()> onGranted, std::function<void()> onDismiss)
{
    m_showTilehallWhenGranted = showTilehallWhenGranted || m_showTilehallWhenGranted;
    if (onGranted)
        m_onGranted = std::move(onGranted);
    if (onDismiss)
        m_onDismiss = std::move(onDismiss);
    if (isTrusted()) {
        finishGranted();
        return;
    }
    if (!m_panel) {
        QPointer<AccessibilityGuideWindowController> self(this);
        m_view = new AccessibilityGuideView(
            [self] {
                if (self)
                    self->openAccessibilitySettings();
            },
            [self] {
                if (self)
                    self->dismiss(true);
            },
            [self] {
                if (self)
                    self->skipPinchAndShow();
            });
        m_panel = new FloatingPanel(m_view, true, *m_deps.stack);
        connect(m_panel, &FloatingPanel::closedByUser, this, [this] { dismiss(true); });
        connect(m_panel, &FloatingPanel::cancelRequested, m_view->laterButton(), &QPushButton::click);
    }
    if (m_deps.requestTrust)
        m_deps.requestTrust();
    m_panel->orderFrontAsKey();

    QPointer<AccessibilityGuideWindowController> self(this);
    m_pollTimer = ScheduledTask(m_deps.scheduler, m_deps.scheduler->scheduleRepeating(pollInterval, [self] {
        if (self && self->isTrusted())
            self->finishGranted();
    }));
    CLOG_INFO(QStringLiteral("阶段151：展示辅助功能引导小窗（showWhenGranted=%1）").arg(logBool(m_showTilehallWhenGranted)));
}

void AccessibilityGuideWindowController::finishGranted()
{
    stopPolling();
    orderOut();
    const bool showTilehall = m_showTilehallWhenGranted;
    m_showTilehallWhenGranted = false;
    auto onGranted = std::move(m_onGranted);
    m_onGranted = nullptr;
    m_onDismiss = nullptr;
    CLOG_INFO(QStringLiteral("阶段151：辅助功能已授权，关闭引导小窗（随后唤出=%1）").arg(logBool(showTilehall)));
    if (onGranted)
        onGranted();
    if (m_deps.center)
        m_deps.center->post(Notifications::accessibilityPermissionGranted, {{QStringLiteral("showTilehall"), showTilehall}});
}

void AccessibilityGuideWindowController::dismiss(bool userInitiated)
{
    stopPolling();
    orderOut();
    if (!userInitiated)
        return;
    m_showTilehallWhenGranted = false;
    auto onDismiss = std::move(m_onDismiss);
    m_onDismiss = nullptr;
    if (onDismiss)
        onDismiss();
    CLOG_INFO(QStringLiteral("阶段151：用户关闭辅助功能引导小窗"));
}

void AccessibilityGuideWindowController::skipPinchAndShow()
{
    stopPolling();
    orderOut();
    m_showTilehallWhenGranted = false;
    CLOG_INFO(QStringLiteral("阶段151：用户选择暂不使用捏合，直接打开瓦厅"));
    if (m_deps.center)
        m_deps.center->post(Notifications::accessibilitySkipPinchAndShow);
}

void AccessibilityGuideWindowController::openAccessibilitySettings()
{
    if (!m_deps.openAccessibilitySettings || !m_deps.openAccessibilitySettings())
        CLOG_INFO(QStringLiteral("阶段151：此桌面没有辅助功能设置页，跳过打开系统设置"));
    // The panel stays and the poll goes on.
    if (m_deps.requestTrust)
        m_deps.requestTrust();
}

} // namespace corvanta
