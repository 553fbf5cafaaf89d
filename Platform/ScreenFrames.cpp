#include "Platform/ScreenFrames.h"

#include <QGuiApplication>
#include <QScreen>

namespace corvanta::ScreenFrames {

QRectF globalFrame(const QScreen* screen)
{
    if (!screen)
        return {};
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRectF geometry = screen->geometry();
    const double primaryHeight = primary ? primary->geometry().height() : geometry.height();
    return {geometry.x(), primaryHeight - geometry.y() - geometry.height(), geometry.width(), geometry.height()};
}

QRectF mainScreenFrame()
{
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return globalFrame(primary);
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? QRectF() : globalFrame(screens.first());
}

} // namespace corvanta::ScreenFrames
