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

int main(int argc, char** argv)
{
    using namespace corvanta;
    CLOG_INFO(QStringLiteral("阶段64：main() 进入（dyld 加载结束，进程自身代码开始执行）"));
    useInterfaceLocale();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANTA_VERSION));
    installQtTranslation(app);
    // A resident agent without a main window: closing a window never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate delegate;
    // Every way of ending the process meets in one place: Control-Q and the termination signals
    // end the event loop, and its end runs the delegate's termination.
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app, [](int number) {
        CLOG_INFO(QStringLiteral("收到终止信号 %1 — 退出").arg(number));
        TerminationRequest::request();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &delegate, [&delegate](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            delegate.applicationDidBecomeActive();
        else if (state == Qt::ApplicationInactive)
            delegate.applicationDidResignActive();
    });
    // Losing the X server ends the event loop like a termination signal; where Qt ends the
    // process itself, the termination runs first and the thread pool's work is let finish.
    X11DisplayLoss::install([&app] {
                                TerminationRequest::mark();
                                QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
                            },
                            [&delegate] {
                                delegate.applicationWillTerminate();
                                QThreadPool::globalInstance()->waitForDone();
                            });
    keepThreads(*QThreadPool::globalInstance());
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    CLOG_INFO(QStringLiteral("阶段64：NSApplication 已就绪，进入 run()"));
    return app.exec();
}
