#include "App/AppDelegate.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanta"));
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    // A resident agent: closing a window never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    corvanta::AppDelegate delegate;
    QTimer::singleShot(0, &delegate, &corvanta::AppDelegate::applicationDidFinishLaunching);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &corvanta::AppDelegate::applicationWillTerminate);
    return app.exec();
}
