#include "App/SettingsWindowHost.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Support/InteractionManager.h"
#include "Support/Logger.h"
#include "Support/TerminationRequest.h"
#include "Views/SettingsView.h"

#include <QCloseEvent>
#include <QDialog>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace corvanta {

namespace {

// Esc and the title bar's close end the window exactly as the done button does: ordered out and
// kept whole. The dialog's own close would destroy the native window behind the stack's back;
// after that the done button no longer hides it, a later opening shows nothing, and the quit's
// close-all spins on a window that still says it is visible.
class SettingsDialog : public QDialog {
public:
    explicit SettingsDialog(std::function<void()> done)
        : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
          m_done(std::move(done))
    {
    }

    void reject() override { m_done(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_done();
        // On the way out the toolkit closes every window, and one that refuses would hold the ending.
        event->setAccepted(TerminationRequest::isRequested());
    }

private:
    std::function<void()> m_done;
};

} // namespace

SettingsWindowHost::SettingsWindowHost(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies))
{
}

SettingsWindowHost::~SettingsWindowHost()
{
    delete m_window.data();
}

void SettingsWindowHost::createWindow()
{
    QPointer<SettingsWindowHost> self(this);
    const auto done = [self] {
        if (self)
            self->finish();
    };
    m_window = new SettingsDialog(done);
    m_window->setObjectName(QStringLiteral("settingsWindow"));
    m_window->setWindowTitle(QStringLiteral("Corvanta 设置"));
    m_window->setModal(false);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new SettingsView(m_deps.services ? m_deps.services() : SettingsServices{}, done);
    layout->addWidget(m_view);
    // The keyboard starts on the tab bar: the arrows choose a tab, Tab walks its controls.
    m_view->tabs()->tabBar()->setFocus();
    m_window->setFixedSize(contentWidth, contentHeight);
    m_window->winId();
}

void SettingsWindowHost::openSettings()
{
    CLOG_INFO(QStringLiteral("openSettings() called"));
    if (!m_window)
        createWindow();
    QWidget* overlay = m_deps.overlay ? m_deps.overlay() : nullptr;
    QWindow* handle = m_window->windowHandle();
    if (overlay && overlay->isVisible()) {
        // X11 has no sheets: a window centred over the overlay, above it, stands in for one.
        m_isSheet = true;
        setScrim(sheetScrimOpacity);
        const QRect frame = overlay->geometry();
        m_window->move(frame.center() - QPoint(contentWidth / 2, contentHeight / 2));
        m_deps.stack->setLevel(handle, WindowLevel::aboveOverlay);
        m_deps.stack->makeKeyAndOrderFront(handle);
        // The overlay restacks as its own show finishes; the sheet takes its level again after it.
        QPointer<QDialog> window(m_window);
        WindowStack* stack = m_deps.stack;
        m_deps.scheduler->schedule(0, [window, stack] {
            if (!window || !window->isVisible())
                return;
            stack->setLevel(window->windowHandle(), WindowLevel::aboveOverlay);
            stack->orderFront(window->windowHandle());
            CLOG_INFO(QStringLiteral("设置 sheet level=") + QString::number(stack->level(window->windowHandle())) +
                      QStringLiteral("（目标 aboveOverlay=") + QString::number(WindowLevel::aboveOverlay) + QStringLiteral("）"));
        });
    } else {
        m_isSheet = false;
        m_deps.stack->setLevel(handle, WindowLevel::floating);
        m_deps.stack->makeKeyAndOrderFront(handle);
    }
    m_window->activateWindow();
}

void SettingsWindowHost::closeSettingsSheet()
{
    if (!m_window)
        return;
    setScrim(0);
    m_isSheet = false;
    if (m_window->isVisible())
        m_deps.stack->orderOut(m_window->windowHandle());
}

void SettingsWindowHost::finish()
{
    closeSettingsSheet();
    // The window gave the keyboard away when it closed: the grid behind it takes it back, so typing
    // searches again and the field's menu and focus work as before the window opened.
    QWidget* overlay = m_deps.overlay ? m_deps.overlay() : nullptr;
    if (overlay && overlay->isVisible() && overlay->windowHandle()) {
        m_deps.stack->makeKeyAndOrderFront(overlay->windowHandle());
        overlay->activateWindow();
    }
}

void SettingsWindowHost::setScrim(double opacity)
{
    m_deps.engine->setModalScrimOpacity(opacity);
    if (m_deps.setCoverScrim)
        m_deps.setCoverScrim(opacity);
}

} // namespace corvanta
