#pragma once

#include "Views/SettingsServices.h"

#include <QWidget>

class QPushButton;
class QSlider;

namespace corvanta {

// The "外观" tab: the overlay's background (type, blur strength, colour) and the theme.
class AppearanceSettingsView : public QWidget {
    Q_OBJECT
public:
    // Steps of the blur slider: 0 to 1 by 0.05.
    static constexpr int blurSteps = 20;

    explicit AppearanceSettingsView(SettingsServices services, QWidget* parent = nullptr);

    // The colour picker's setter: an invalid colour (one with no sRGB form) is stored as opaque black.
    void setBackgroundColor(const QColor& color);

private:
    void syncFromConfig();
    void chooseColor();

    SettingsServices m_services;
    QWidget* m_blurRow = nullptr;
    QSlider* m_blurSlider = nullptr;
    QWidget* m_colorRow = nullptr;
    QPushButton* m_colorButton = nullptr;
};

} // namespace corvanta
