#pragma once

#include "Platform/DisplayScreen.h"

#include <QList>
#include <QObject>

#include <optional>

namespace corvanta {

// The attached screens and the pointer, in the global space (origin bottom left).
class ScreenProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The program's screen provider (backed by Qt's screens).
    static ScreenProvider& shared();

    // Every attached screen, the primary (the one holding the global origin) first.
    virtual QList<DisplayScreen> screens() const = 0;
    // The screen of the window that has keyboard focus, else the primary; none without screens.
    virtual std::optional<DisplayScreen> mainScreen() const = 0;
    // The pointer's position.
    virtual QPointF mouseLocation() const = 0;

    // The screen with that name as it is now; none once it has been unplugged.
    std::optional<DisplayScreen> screenNamed(const QString& name) const;
    // The first screen whose frame contains `point`.
    std::optional<DisplayScreen> screenContaining(const QPointF& point) const;

Q_SIGNALS:
    // A screen was attached or detached, or one changed its resolution, position or work area.
    void screensChanged();
};

} // namespace corvanta
