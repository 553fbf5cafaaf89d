#include "Services/AppLaunch.h"

#include "Support/Logger.h"

namespace corvanta {

void launchApp(const AppItem& app, AppLauncher& launcher, AppLauncher::Completion done)
{
    const QString path = app.path();
    CLOG_INFO(QStringLiteral("Launching app: %1 at %2").arg(app.name, path));
    launcher.open(path, [name = app.name, done = std::move(done)](const std::optional<LaunchError>& error) {
        if (error)
            CLOG_ERROR(QStringLiteral("Failed to launch %1: %2").arg(name, error->description));
        else
            CLOG_INFO(QStringLiteral("App launched successfully: %1").arg(name));
        if (done)
            done(error);
    });
}

LaunchFailureAlert launchFailureAlert(const AppItem& app, const LaunchError& error)
{
    QString why;
    switch (error.reason) {
    case LaunchError::Reason::notFound:
        why = QStringLiteral("找不到这个应用，它可能已被移动或删除。");
        break;
    case LaunchError::Reason::executableMissing:
        why = QStringLiteral("这个应用缺少可执行文件，无法启动。");
        break;
    case LaunchError::Reason::notExecutable:
        why = QStringLiteral("这个应用的可执行文件没有执行权限，无法启动。");
        break;
    case LaunchError::Reason::startFailed:
        why = QStringLiteral("系统未能启动这个应用。");
        break;
    }
    return {QStringLiteral("无法打开“") + app.name + QStringLiteral("”"), why};
}

} // namespace corvanta
