#include "App/AppDelegate.h"
#include "App/QtTranslation.h"
#include "Platform/TerminationSignals.h"
#include "Platform/X11DisplayLoss.h"
#include "Support/Logger.h"
#include "Support/TaskRunner.h"
#include "Support/TerminationRequest.h"

#include <QApplication>
#include <QThreadPool>
#include <QTimer>

#include <cstdlib>

namespace {

// How long the end waits, after the save, for background tasks to notice it; each looks between
// its items, so only one item's work is left. A task that takes longer (a file on a stalled disk,
// an icon decoded at low priority on a busy machine) is not waited for: the process then ends
// without destroying what such a task could still be using, everything worth keeping written.
constexpr int kBackgroundGraceMilliseconds = 150;

} // namespace

int main(int argc, char** argv)
{
    using namespace corvanta;
    // First of all: a termination signal during start-up waits for the event loop rather than
    // ending the process unsaved, or being lost.
    TerminationSignals::installHandlers();
    CLOG_INFO(QStringLiteral("阶段64：main() 进入（dyld 加载结束，进程自身代码开始执行）"));
    useInterfaceLocale();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANTA_VERSION));
    installQtTranslation(app);
    // A resident agent without a main window: closing a window never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    TerminationSignals signals;
    AppDelegate delegate;
    // Every way of ending the process meets in one place: Control-Q and the termination signals
    // end the event loop, and its end runs the delegate's termination. Background work stops
    // first, so nothing new starts while the termination saves.
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app, [](int number) {
        CLOG_INFO(QStringLiteral("收到终止信号 %1 — 退出").arg(number));
        TerminationRequest::request();
    });
    const auto terminate = [&delegate] {
        stopBackgroundWork();
        delegate.applicationWillTerminate();
    };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, terminate);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            delegate.applicationDidBecomeActive();
        else if (state == Qt::ApplicationInactive)
            delegate.applicationDidResignActive();
    });
    // Losing the X server ends the event loop like a termination signal; where Qt ends the
    // process itself, the termination runs first and the background work gets its grace.
    X11DisplayLoss::install([&app] {
                                TerminationRequest::mark();
                                // Not Qt's quit either: it would close the windows on the lost display.
                                QMetaObject::invokeMethod(&app, [] { TerminationRequest::request(); }, Qt::QueuedConnection);
                            },
                            [&terminate] {
                                terminate();
                                waitForBackgroundWork(kBackgroundGraceMilliseconds);
                            });
    keepThreads(*QThreadPool::globalInstance());
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    CLOG_INFO(QStringLiteral("阶段64：NSApplication 已就绪，进入 run()"));
    // An ending asked for before the loop runs (it would be lost to the loop's start) skips it.
    const int status = TerminationRequest::isRequested() ? 0 : app.exec();
    terminate(); // once: a no-op after the loop's own end
    if (!waitForBackgroundWork(kBackgroundGraceMilliseconds)) {
        CLOG_WARN(QStringLiteral("后台任务未在 %1ms 内结束 — 直接退出进程").arg(kBackgroundGraceMilliseconds));
        Logger::shared().flush();
        std::_Exit(status);
    }
    return status;
}
