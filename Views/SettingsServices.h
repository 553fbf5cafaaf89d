#pragma once

#include "Models/AppItem.h"
#include "Models/LayoutConfig.h"
#include "Platform/LaunchAtLogin.h"
#include "Services/GestureRecognitionSource.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace corvanta {

class AccessibilityTrustedWatcher;
class LayoutManager;
class UserDefaults;

// What the settings window reads and calls besides the layout store. The shell fills it with the
// program's services; tests fill it with fakes, so no control reaches the real desktop.
struct SettingsServices {
    LayoutManager* layoutManager = nullptr;
    UserDefaults* defaults = nullptr;

    // General tab: the login item and the manual rescan.
    std::function<LaunchAtLogin::Status()> loginItemStatus;
    std::function<std::optional<QString>(bool enabled)> setLaunchAtLogin; // the error text, if any
    std::function<std::optional<QString>()> loginItemLocationWarning;
    std::function<void()> openLoginItemsSettings;
    QStringList scanDirectories;
    QString homeDirectory;
    // Scans off the main thread and hands the result back on it (or never, if the window is gone).
    std::function<void(std::function<void(QList<AppItem>)> done)> scanApps;

    // Trigger tab.
    AccessibilityTrustedWatcher* trustWatcher = nullptr;
    std::function<bool()> isProcessTrusted;
    std::function<void(HotCorner)> startHotCornerMonitor;
    std::function<void(TrackpadGesture mode, bool claimExclusive)> setupPinchGesture;
    std::function<GestureRecognitionSource(TrackpadGesture)> gestureRecognitionSource;
    // Why the pinch cannot work on this desktop, in the user's words; empty while it can.
    std::function<QString()> pinchUnavailableText;
    std::function<void()> presentAccessibilityGuide; // without opening the grid afterwards
    std::function<void(const QString& url)> openUrl;

    // Questions and answers that need a dialog; empty paths mean the user cancelled.
    std::function<QString()> chooseBackupFile;  // where to save, overwrite confirmed
    std::function<QString()> chooseRestoreFile; // an existing JSON file
    std::function<bool()> confirmResetLayout;
    // After a restore: looks for the restored applications on disk, as showing the grid does, so
    // that those gone since the backup leave the grid.
    std::function<void()> checkRestoredApps;
    std::function<void(const QString& title, const QString& text)> showError;
};

} // namespace corvanta
