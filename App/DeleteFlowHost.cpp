#include "App/DeleteFlowHost.h"

#include "App/ModalAlert.h"
#include "Platform/DesktopSurface.h"
#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"
#include "Services/IconCache.h"
#include "Services/UninstallManager.h"
#include "Views/DeleteRequestFlow.h"
#include "Views/TilehallContentView.h"
#include "Views/TilehallWindow.h"
#include "Views/UninstallConfirmationSheet.h"

#include <QGuiApplication>
#include <QEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

namespace corvanta {

namespace {

// Gives the sheet the keyboard each time its window comes on screen: modal over the grid, Esc and
// Return must reach it even where the desktop would leave the focus on the overlay.
class KeyboardOnExpose : public QObject {
public:
    explicit KeyboardOnExpose(QWidget* sheet) : QObject(sheet), m_sheet(sheet) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_sheet->windowHandle() && m_sheet->windowHandle()->isExposed()
            && m_sheet->isVisible()) {
            WindowStack::shared().makeKeyAndOrderFront(m_sheet->windowHandle());
            m_sheet->activateWindow();
            m_sheet->setFocus();
            m_sheet->grabKeyboard();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_sheet;
};

} // namespace

std::unique_ptr<DeleteRequestFlow> makeDeleteRequestFlow(TilehallContentView& root, InteractionManager& engine,
                                                         UninstallManager& uninstaller,
                                                         std::function<TilehallWindow*()> overlay)
{
    const QString home = uninstaller.environment().roots.home;
    // The flow owns the sheet through Qt's parent chain below.
    auto* sheet = new UninstallConfirmationSheet(home);
    // The header shows the icon the grid cell shows: from memory, else loaded as the cell would.
    IconCache& icons = root.iconCache();
    sheet->iconFor = [&icons](const AppItem& app) {
        const QString key = IconCache::cacheKey(app);
        if (auto cached = icons.cachedImage(key))
            return *cached;
        return icons.loadImage(key, app.path());
    };

    DeleteRequestFlow::Dependencies deps;
    deps.root = &root;
    deps.engine = &engine;
    deps.sheet = sheet;
    deps.home = home;
    deps.isProtected = [&uninstaller](const AppItem& app) { return uninstaller.isProtectedApp(app); };
    deps.makePlan = [&uninstaller](const AppItem& app, std::function<void(quint64, Uninstall::UninstallPlan)> done) {
        return uninstaller.makePlan(app, std::move(done));
    };
    deps.cancelPlan = [&uninstaller](quint64 ticket) { uninstaller.cancelPlan(ticket); };
    deps.uninstall = [&uninstaller](const Uninstall::UninstallPlan& plan, bool includeApp,
                                    std::function<void(Uninstall::UninstallOutcome)> done) {
        uninstaller.uninstall(plan, includeApp, std::move(done));
    };
    deps.openSystemSettings = [&uninstaller](const QString& url) { uninstaller.openSystemSettings(url); };
    deps.showSheet = [overlay](UninstallConfirmationSheet* shown, bool visible) {
        if (!visible) {
            shown->releaseKeyboard();
            WindowStack::shared().orderOut(shown->windowHandle());
            shown->hide();
            // The grid behind the sheet takes the keyboard back: typing searches again, and the
            // search field's focus and menu work as before.
            if (TilehallWindow* window = overlay(); window && window->isVisible() && window->windowHandle()) {
                WindowStack::shared().makeKeyAndOrderFront(window->windowHandle());
                window->activateWindow();
            }
            return;
        }
        TilehallWindow* window = overlay();
        QScreen* screen = window && window->windowHandle() ? window->windowHandle()->screen() : QGuiApplication::primaryScreen();
        if (screen)
            shown->setGeometry(screen->geometry());
        // Without a compositor the sheet's translucent parts would show black, not the grid: it
        // paints a still of the screen, taken while the grid is still all there is to see.
        shown->setBackdrop(screen && DesktopSurface::needsBackdropCapture() ? screen->grabWindow(0).toImage() : QImage());
        shown->winId();
        WindowStack::shared().setLevel(shown->windowHandle(), WindowLevel::aboveOverlay);
        shown->show();
        WindowStack::shared().orderFront(shown->windowHandle());
    };
    deps.runAlert = [overlay](const UninstallAlert& alert) {
        runSimpleAlertAboveTilehall(alert.message, alert.informativeText, alert.critical, overlay());
    };
    // The keyboard can only be given to a window the display server shows: wait for its exposure.
    auto* focusOnExpose = new KeyboardOnExpose(sheet);
    sheet->winId();
    sheet->windowHandle()->installEventFilter(focusOnExpose);
    auto flow = std::make_unique<DeleteRequestFlow>(std::move(deps));
    QObject::connect(flow.get(), &QObject::destroyed, [sheet] { delete sheet; });
    return flow;
}

} // namespace corvanta
