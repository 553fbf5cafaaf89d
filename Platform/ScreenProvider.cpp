#include "Platform/ScreenProvider.h"

#include "Platform/QtScreenProvider.h"

namespace corvanta {

ScreenProvider& ScreenProvider::shared()
{
    static QtScreenProvider* provider = new QtScreenProvider; // lives as long as the process
    return *provider;
}

std::optional<DisplayScreen> ScreenProvider::screenNamed(const QString& name) const
{
    for (const DisplayScreen& screen : screens())
        if (screen.name == name)
            return screen;
    return std::nullopt;
}

std::optional<DisplayScreen> ScreenProvider::screenContaining(const QPointF& point) const
{
    for (const DisplayScreen& screen : screens())
        if (rectContains(screen.frame, point))
            return screen;
    return std::nullopt;
}

} // namespace corvanta
