#include "Services/AppLaunch.h"

#include "Support/Logger.h"

namespace corvanta {

void launchApp(const AppItem& app, AppLauncher& launcher)
{
    const QString path = app.path();
    CLOG_INFO(QStringLiteral("Launching app: %1 at %2").arg(app.name, path));
    launcher.open(path, [name = app.name](const std::optional<QString>& error) {
        if (error)
            CLOG_ERROR(QStringLiteral("Failed to launch %1: %2").arg(name, *error));
        else
            CLOG_INFO(QStringLiteral("App launched successfully: %1").arg(name));
    });
}

} // namespace corvanta
