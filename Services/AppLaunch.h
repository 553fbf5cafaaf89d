#pragma once

#include "Models/AppItem.h"
#include "Platform/AppLauncher.h"

#include <QString>

namespace corvanta {

// Asks the desktop to open the application and returns at once. The outcome is logged, then
// handed to `done` (on the launcher's thread), which decides what the user sees.
void launchApp(const AppItem& app, AppLauncher& launcher = AppLauncher::shared(), AppLauncher::Completion done = {});

// What the user is told when an application did not open.
struct LaunchFailureAlert {
    QString message;
    QString informativeText;
};
LaunchFailureAlert launchFailureAlert(const AppItem& app, const LaunchError& error);

} // namespace corvanta
