#include "App/AppDelegate.h"

#include "Support/Logger.h"

namespace corvanta {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    CLOG_INFO(QStringLiteral("Corvanta %1 started").arg(QStringLiteral(CORVANTA_VERSION)));
}

void AppDelegate::applicationWillTerminate()
{
    Logger::shared().flush();
}

} // namespace corvanta
