#include "Platform/X11DisplayLoss.h"

#include "Platform/X11Desktop.h"
#include "Support/Logger.h"

#include <QtGlobal>

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>

namespace corvanta::X11DisplayLoss {

namespace {

std::atomic<bool> g_lost{false};
std::function<void()> g_onLost;
std::function<void()> g_beforeForcedExit;
QtMessageHandler g_previousMessageHandler = nullptr;
bool g_forcedExitSeen = false;

// Called by Xlib for any broken connection. It must not call Xlib itself.
int onIOError(Display*)
{
    if (g_lost.exchange(true))
        return 0;
    CLOG_ERROR(QStringLiteral("X 显示连接已断开 — 按正常终止流程退出"));
    if (g_onLost)
        g_onLost();
    return 0;
}

// Returning here makes the failing call return; the connection stays marked as broken, so later
// calls on it return at once.
void stayAlive(Display*, void*) {}

// Qt's xcb backend prints this, then calls exit(1), when its connection breaks.
bool announcesForcedExit(QtMsgType type, const QString& message)
{
    return type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke"));
}

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_previousMessageHandler)
        g_previousMessageHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
    if (!announcesForcedExit(type, message) || g_forcedExitSeen)
        return;
    g_forcedExitSeen = true;
    if (!g_lost.exchange(true))
        CLOG_ERROR(QStringLiteral("X 显示连接已断开 — 按正常终止流程退出"));
    if (g_beforeForcedExit)
        g_beforeForcedExit();
}

} // namespace

void install(std::function<void()> onLost, std::function<void()> beforeForcedExit)
{
    g_onLost = std::move(onLost);
    g_beforeForcedExit = std::move(beforeForcedExit);
    g_previousMessageHandler = qInstallMessageHandler(&onQtMessage);
    XSetIOErrorHandler(&onIOError);
    if (Display* qtDisplay = X11Desktop::display())
        adopt(qtDisplay);
}

void adopt(Display* display)
{
    if (display)
        XSetIOErrorExitHandler(display, &stayAlive, nullptr);
}

bool isLost() { return g_lost.load(); }

} // namespace corvanta::X11DisplayLoss
