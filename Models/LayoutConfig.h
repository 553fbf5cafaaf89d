#pragma once

#include <QString>

#include <optional>

namespace corvanta {

enum class TilehallTheme { system, light, dark };
enum class BackgroundType { blur, color, wallpaper };
enum class ScreenPreference { mainScreen, dockScreen, cursorScreen };
enum class HotCorner { none, topLeft, topRight, bottomLeft, bottomRight };
enum class TrackpadGesture { off, fourFinger, fiveFinger };

// Case names are the stored form; parsing is exact and case-sensitive.
QString caseName(TilehallTheme value);
QString caseName(BackgroundType value);
QString caseName(ScreenPreference value);
QString caseName(HotCorner value);
QString caseName(TrackpadGesture value);
template <typename Enum> std::optional<Enum> enumFromCaseName(const QString& name);

// The user's settings record.
struct LayoutConfig {
    int rows = 5;
    int columns = 7;
    double iconSize = 110;
    double iconScale = 1.0;
    double iconSpacing = 40;
    BackgroundType backgroundType = BackgroundType::blur;
    QString backgroundColor = QStringLiteral("#00000066");
    double blurStrength = 0.8;
    TilehallTheme theme = TilehallTheme::system;
    ScreenPreference showOnScreen = ScreenPreference::dockScreen;
    HotCorner hotCorner = HotCorner::none;
    QString shortcutKey = QStringLiteral("F4");
    bool pinchGestureEnabled = true;
    TrackpadGesture trackpadGesture = TrackpadGesture::fourFinger;
    bool hideDock = false;
    bool launchAtLogin = false;
    bool hideSearchMenuButton = false;

    bool operator==(const LayoutConfig&) const = default;
};

} // namespace corvanta
