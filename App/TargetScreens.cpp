#include "App/TargetScreens.h"

#include "Platform/DockWindows.h"
#include "Platform/ScreenProvider.h"
#include "Support/Clock.h"
#include "Support/Logger.h"

namespace corvanta {

TargetScreens::TargetScreens(ScreenProvider& screens, DockWindowSource& docks, const Clock& clock)
    : m_screens(screens), m_docks(docks), m_clock(clock)
{
}

DisplayScreen TargetScreens::primaryScreen() const
{
    const QList<DisplayScreen> all = m_screens.screens();
    for (const DisplayScreen& screen : all)
        if (screen.frame.x() == 0 && screen.frame.y() == 0)
            return screen;
    if (const auto main = m_screens.mainScreen())
        return *main;
    if (!all.isEmpty())
        return all.first();
    return {};
}

std::optional<DisplayScreen> TargetScreens::cursorScreen() const
{
    return m_screens.screenContaining(m_screens.mouseLocation());
}

void TargetScreens::rebuildScreensWithDockCache()
{
    const double t0 = m_clock.now();
    m_valid = true;
    m_screensWithDock.clear();
    const QList<DisplayScreen> all = m_screens.screens();
    const double primaryHeight = primaryScreen().frame.height();
    for (const QRectF& bounds : m_docks.dockWindowBounds()) {
        if (!(bounds.width() > 0 && bounds.height() > 0))
            continue;
        // The window server counts y downwards from the primary screen's top.
        const QPointF centre(bounds.x() + bounds.width() / 2, primaryHeight - (bounds.y() + bounds.height() / 2));
        for (const DisplayScreen& screen : all) {
            if (rectContains(screen.frame, centre)) {
                m_screensWithDock.insert(screen.name);
                break;
            }
        }
    }
    CLOG_INFO(QStringLiteral("Dock 屏幕缓存重建 — %1 块屏有 Dock，耗时 %2ms")
                  .arg(m_screensWithDock.size())
                  .arg(QString::asprintf("%.1f", (m_clock.now() - t0) * 1000)));
}

std::optional<DisplayScreen> TargetScreens::dockScreenCandidate()
{
    if (!m_valid)
        rebuildScreensWithDockCache();
    const auto cursor = cursorScreen();
    if (cursor && m_screensWithDock.contains(cursor->name))
        return cursor;
    for (const DisplayScreen& screen : m_screens.screens())
        if (m_screensWithDock.contains(screen.name))
            return screen;
    return cursor;
}

std::optional<DisplayScreen> TargetScreens::dockScreenForReopen()
{
    return dockScreenCandidate();
}

DisplayScreen TargetScreens::targetScreen(ScreenPreference preference)
{
    DisplayScreen chosen;
    QString prefix;
    switch (preference) {
    case ScreenPreference::mainScreen:
        chosen = primaryScreen();
        prefix = QStringLiteral("targetScreen: mainScreen(主显示器) ");
        break;
    case ScreenPreference::dockScreen:
        chosen = dockScreenCandidate().value_or(primaryScreen());
        prefix = QStringLiteral("targetScreen: dockScreen ");
        break;
    case ScreenPreference::cursorScreen:
        chosen = cursorScreen().value_or(primaryScreen());
        prefix = QStringLiteral("targetScreen: cursorScreen ");
        break;
    }
    CLOG_INFO(prefix + describeRect(chosen.frame));
    return chosen;
}

} // namespace corvanta
