#pragma once

#include "Views/SettingsServices.h"

namespace corvanta {

class LayoutManager;
class ShortcutManager;

// The settings window's services as the program runs them: the real login item, scanner, trigger
// service and dialogs kept above the overlay.
SettingsServices systemSettingsServices(LayoutManager& layoutManager, ShortcutManager& shortcuts);

} // namespace corvanta
