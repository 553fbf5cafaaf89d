#include "Platform/QtScreenProvider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace corvanta {

namespace {

DisplayScreen describe(QScreen* screen, const ScreenSpace& space)
{
    DisplayScreen out;
    out.name = screen->name();
    if (out.name.isEmpty()) // some virtual displays leave it empty; keep an identity anyway
        out.name = QStringLiteral("screen-%1").arg(QGuiApplication::screens().indexOf(screen));
    out.frame = space.toGlobal(QRectF(screen->geometry()));
    out.visibleFrame = space.toGlobal(QRectF(screen->availableGeometry()));
    out.refreshRate = screen->refreshRate() > 0 ? screen->refreshRate() : 60.0;
    out.devicePixelRatio = screen->devicePixelRatio();
    return out;
}

} // namespace

QtScreenProvider::QtScreenProvider(QObject* parent) : ScreenProvider(parent)
{
    auto* app = qGuiApp;
    if (!app)
        return;
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        Q_EMIT screensChanged();
    });
    connect(app, &QGuiApplication::screenRemoved, this, &ScreenProvider::screensChanged);
    connect(app, &QGuiApplication::primaryScreenChanged, this, &ScreenProvider::screensChanged);
}

void QtScreenProvider::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenProvider::screensChanged);
    connect(screen, &QScreen::availableGeometryChanged, this, &ScreenProvider::screensChanged);
}

ScreenSpace QtScreenProvider::currentSpace()
{
    QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? ScreenSpace(QRectF(primary->geometry())) : ScreenSpace();
}

QScreen* QtScreenProvider::qtScreen(const QString& name)
{
    const auto all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i) {
        const QString own = all[i]->name().isEmpty() ? QStringLiteral("screen-%1").arg(i) : all[i]->name();
        if (own == name)
            return all[i];
    }
    return nullptr;
}

QList<DisplayScreen> QtScreenProvider::screens() const
{
    QList<DisplayScreen> out;
    const ScreenSpace space = currentSpace();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        out.append(describe(primary, space));
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            out.append(describe(screen, space));
    return out;
}

std::optional<DisplayScreen> QtScreenProvider::mainScreen() const
{
    QScreen* screen = nullptr;
    if (QWindow* focus = QGuiApplication::focusWindow())
        screen = focus->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return describe(screen, currentSpace());
}

QPointF QtScreenProvider::mouseLocation() const
{
    return currentSpace().toGlobal(QPointF(QCursor::pos()));
}

} // namespace corvanta
