#include "App/MenuBarCoverHost.h"

#include "Platform/SLSMenuBar.h"
#include "Platform/ScreenProvider.h"
#include "Support/Logger.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/TilehallWindow.h"

#include <cmath>

namespace corvanta {

namespace {

// Points print with at least one decimal ("30.0"), as everywhere in the log.
QString points(double value)
{
    return value == std::floor(value) ? QString::number(value, 'f', 1) : QString::number(value, 'g', 10);
}

} // namespace

MenuBarCoverHost::MenuBarCoverHost(SLSMenuBar& menuBar, ScreenProvider& screens, WindowStack& stack)
    : m_menuBar(menuBar), m_screens(screens), m_stack(stack)
{
}

MenuBarCoverHost::~MenuBarCoverHost() = default;

void MenuBarCoverHost::rebuild(const DisplayScreen& screen)
{
    const bool wasVisible = m_window && m_window->isVisible();
    if (m_window)
        m_window->orderOut();
    m_window.reset();

    if (m_menuBar.isAvailable()) {
        if (m_screens.screens().size() <= 1) {
            CLOG_INFO(QStringLiteral("阶段69：SLS 菜单栏控制可用（单屏）— 不创建顶部遮盖窗"));
            return;
        }
        CLOG_INFO(QStringLiteral("阶段152：多屏 — 用本屏顶部遮盖窗，外接屏保留系统菜单栏"));
    }

    const auto strip = MenuBarCoverWindow::stripHeightFor(screen);
    if (!strip) {
        CLOG_INFO(QStringLiteral("菜单栏为自动隐藏，跳过顶部遮盖窗"));
        return;
    }
    const QSizeF contentSize = TilehallWindow::frameFor(screen.frame).size();
    m_window = std::make_unique<MenuBarCoverWindow>(screen, *strip, contentSize, m_stack, m_wallpaper);
    if (m_configure)
        m_configure(*m_window);
    m_window->setWindowOpacity(1);

    const double scrim = m_scrimOpacity ? m_scrimOpacity() : 0;
    if (scrim > 0)
        m_window->setModalScrim(scrim);
    if (wasVisible)
        m_window->orderFront();
    CLOG_INFO(QStringLiteral("顶部遮盖窗就绪 — strip=%1pt level=%2 visible=%3")
                  .arg(points(*strip))
                  .arg(m_window->level())
                  .arg(wasVisible ? QStringLiteral("true") : QStringLiteral("false")));
}

} // namespace corvanta
