#pragma once

#include "Support/Clock.h"
#include "Views/SettingsServices.h"
#include "Views/SettingsView.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QWidget;

namespace corvanta {

class InteractionManager;
class WindowStack;

// The one settings window: a sheet over the overlay while the grid is on screen (the menu-bar
// strip dimmed behind it), an ordinary floating window otherwise. Created at the first opening and
// kept, so the chosen tab and the last rescan sentence survive closing.
class SettingsWindowHost : public QObject {
    Q_OBJECT
public:
    static constexpr int contentWidth = 500;
    static constexpr int contentHeight = 470;
    static constexpr double sheetScrimOpacity = 0.35;

    struct Dependencies {
        Scheduler* scheduler = nullptr;
        WindowStack* stack = nullptr;
        InteractionManager* engine = nullptr;
        // The overlay window, or none before it exists.
        std::function<QWidget*()> overlay;
        // Dims the menu-bar strip, where one is shown.
        std::function<void(double opacity)> setCoverScrim;
        std::function<SettingsServices()> services;
    };

    explicit SettingsWindowHost(Dependencies dependencies, QObject* parent = nullptr);
    ~SettingsWindowHost() override;

    void openSettings();
    // The done button, the window's own close, and every hide of the overlay.
    void closeSettingsSheet();

    QDialog* settingsWindow() const { return m_window; }
    SettingsView* settingsView() const { return m_view; }
    bool isSheet() const { return m_isSheet; }

private:
    void createWindow();
    // The done button, Esc and the title bar's close: the window ends and the grid, when shown,
    // has the keyboard again.
    void finish();
    void setScrim(double opacity);

    Dependencies m_deps;
    QPointer<QDialog> m_window;
    QPointer<SettingsView> m_view;
    bool m_isSheet = false;
};

} // namespace corvanta
