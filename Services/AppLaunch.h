#pragma once

#include "Models/AppItem.h"
#include "Platform/AppLauncher.h"

namespace corvanta {

// Asks the desktop to open the application and returns at once. The outcome is only logged:
// no retry, no state change, nothing shown to the user.
void launchApp(const AppItem& app, AppLauncher& launcher = AppLauncher::shared());

} // namespace corvanta
