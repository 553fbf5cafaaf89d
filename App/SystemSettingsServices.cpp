#include "App/SystemSettingsServices.h"

#include "App/LayoutFileDialog.h"
#include "App/QtTranslation.h"
#include "Platform/AccessibilityTrust.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaults.h"
#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Services/AppScanner.h"
#include "Services/LayoutManager.h"
#include "Services/PinchAvailability.h"
#include "Services/PinchRecognizer.h"
#include "Services/ShortcutManager.h"
#include "Services/SystemTrackpadPinch.h"
#include "Support/Constants.h"
#include "Support/Logger.h"
#include "Views/AccessibilityGuideWindow.h"
#include "Views/ModalAboveOverlay.h"

#include <QApplication>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace corvanta {

namespace {

// Dialogs run over the grid when the settings are a sheet of it, so they take the panels' level.
// Dismissed by the process's ending, a dialog answers nothing.
ModalOutcome runAboveOverlay(QDialog& dialog)
{
    dialog.winId();
    WindowStack::shared().setLevel(dialog.windowHandle(), WindowLevel::aboveOverlay);
    return runModal(dialog);
}

QString chooseJsonFile(bool forSaving)
{
    const std::unique_ptr<QFileDialog> dialog =
        makeLayoutFileDialog(forSaving, StandardPaths::homeDirectory(), interfaceLocale(), QApplication::activeWindow());
    if (!runAboveOverlay(*dialog).accepted() || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

} // namespace

SettingsServices systemSettingsServices(LayoutManager& layoutManager, ShortcutManager& shortcuts)
{
    SettingsServices services;
    services.layoutManager = &layoutManager;
    services.defaults = &UserDefaults::standard();
    services.loginItemStatus = [] { return LaunchAtLogin::shared().status(); };
    services.setLaunchAtLogin = [](bool enabled) { return LaunchAtLogin::shared().setEnabled(enabled); };
    services.loginItemLocationWarning = [] { return LaunchAtLogin::shared().locationWarning(); };
    services.openLoginItemsSettings = [] { CLOG_INFO(QStringLiteral("登录项设置面板在此桌面上不存在 — 跳过")); };
    services.scanDirectories = AppConstants::scanDirectories();
    services.homeDirectory = StandardPaths::homeDirectory();
    services.scanApps = [directories = services.scanDirectories](std::function<void(QList<AppItem>)> done) {
        // The scanner lives with its scan; the result comes back on the main thread.
        auto scanner = std::make_shared<AppScanner>(directories);
        auto* watcher = new QFutureWatcher<QList<AppItem>>(qApp);
        QObject::connect(watcher, &QFutureWatcher<QList<AppItem>>::finished, watcher, [watcher, scanner, done] {
            done(watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(scanner->scanAllAsync());
    };

    static AccessibilityTrustedWatcher trustWatcher;
    services.trustWatcher = &trustWatcher;
    services.isProcessTrusted = [] { return trustWatcher.isTrusted(); };
    services.startHotCornerMonitor = [&shortcuts](HotCorner corner) { shortcuts.startHotCornerMonitor(corner); };
    services.setupPinchGesture = [&shortcuts](TrackpadGesture mode, bool claimExclusive) { shortcuts.setupPinchGesture(mode, claimExclusive); };
    services.pinchUnavailableText = [&shortcuts] {
        const PinchRecognizer* pinch = shortcuts.pinchRecognizer();
        return pinch && pinch->unavailable() ? pinchUnavailableText(*pinch->unavailable()) : QString();
    };
    services.gestureRecognitionSource = [](TrackpadGesture mode) { return SystemTrackpadPinch::shared().gestureRecognitionSource(mode); };
    services.presentAccessibilityGuide = [] { AccessibilityGuideWindowController::shared().present(false); };
    services.openUrl = [](const QString& url) { CLOG_INFO(QStringLiteral("系统设置链接在此桌面上没有处理程序 — 跳过：") + url); };

    services.chooseBackupFile = [] { return chooseJsonFile(true); };
    services.chooseRestoreFile = [] { return chooseJsonFile(false); };
    services.confirmResetLayout = [] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("重置布局"), QStringLiteral("确定要重置当前场景的布局吗？"),
                        QMessageBox::NoButton, QApplication::activeWindow());
        box.setInformativeText(QStringLiteral("所有文件夹和排列都会被清除，按名称重新排列，此操作无法撤销。"));
        QPushButton* reset = box.addButton(QStringLiteral("重置"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        return !runAboveOverlay(box).dismissedByTermination && box.clickedButton() == reset;
    };
    services.showError = [](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton, QApplication::activeWindow());
        box.setInformativeText(text);
        box.addButton(QStringLiteral("好"), QMessageBox::AcceptRole);
        runAboveOverlay(box);
    };
    return services;
}

} // namespace corvanta
