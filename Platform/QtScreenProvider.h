#pragma once

#include "Platform/ScreenProvider.h"
#include "Platform/ScreenSpace.h"

class QScreen;

namespace corvanta {

// Screens from QGuiApplication: geometry() is the frame, availableGeometry() (the desktop's work
// area, without top and bottom panels) the visible frame.
class QtScreenProvider final : public ScreenProvider {
    Q_OBJECT
public:
    explicit QtScreenProvider(QObject* parent = nullptr);

    QList<DisplayScreen> screens() const override;
    std::optional<DisplayScreen> mainScreen() const override;
    QPointF mouseLocation() const override;

    // The conversion for the current primary screen.
    static ScreenSpace currentSpace();
    // The Qt screen with that name, or none.
    static QScreen* qtScreen(const QString& name);

private:
    void watch(QScreen* screen);
};

} // namespace corvanta
