#include "Views/SettingsLabels.h"

#include <QComboBox>

namespace corvanta {

QList<std::pair<TilehallTheme, QString>> themeLabels()
{
    return {{TilehallTheme::system, QStringLiteral("跟随系统")},
            {TilehallTheme::light, QStringLiteral("浅色")},
            {TilehallTheme::dark, QStringLiteral("深色")}};
}

QList<std::pair<BackgroundType, QString>> backgroundTypeLabels()
{
    return {{BackgroundType::blur, QStringLiteral("毛玻璃")},
            {BackgroundType::color, QStringLiteral("纯色")},
            {BackgroundType::wallpaper, QStringLiteral("壁纸")}};
}

QList<std::pair<ScreenPreference, QString>> screenPreferenceLabels()
{
    return {{ScreenPreference::mainScreen, QStringLiteral("主屏幕")},
            {ScreenPreference::dockScreen, QStringLiteral("Dock 所在屏幕")},
            {ScreenPreference::cursorScreen, QStringLiteral("光标所在屏幕")}};
}

QList<std::pair<HotCorner, QString>> hotCornerLabels()
{
    return {{HotCorner::none, QStringLiteral("关闭")},
            {HotCorner::topLeft, QStringLiteral("左上角")},
            {HotCorner::topRight, QStringLiteral("右上角")},
            {HotCorner::bottomLeft, QStringLiteral("左下角")},
            {HotCorner::bottomRight, QStringLiteral("右下角")}};
}

QList<std::pair<TrackpadGesture, QString>> trackpadGestureLabels()
{
    return {{TrackpadGesture::off, QStringLiteral("关闭")},
            {TrackpadGesture::fourFinger, QStringLiteral("四指捏合")},
            {TrackpadGesture::fiveFinger, QStringLiteral("五指捏合")}};
}

QString gestureSourceLabel(GestureRecognitionSource source)
{
    switch (source) {
    case GestureRecognitionSource::macOS:
        return QStringLiteral("macOS");
    case GestureRecognitionSource::builtIn:
        return QStringLiteral("软件内置");
    case GestureRecognitionSource::disabled:
        break;
    }
    return QStringLiteral("已关闭");
}

template <typename Enum> QComboBox* enumPicker(const QList<std::pair<Enum, QString>>& labels)
{
    auto* box = new QComboBox;
    for (const auto& [value, label] : labels)
        box->addItem(label, int(value));
    return box;
}

template QComboBox* enumPicker(const QList<std::pair<TilehallTheme, QString>>&);
template QComboBox* enumPicker(const QList<std::pair<BackgroundType, QString>>&);
template QComboBox* enumPicker(const QList<std::pair<ScreenPreference, QString>>&);
template QComboBox* enumPicker(const QList<std::pair<HotCorner, QString>>&);
template QComboBox* enumPicker(const QList<std::pair<TrackpadGesture, QString>>&);

QComboBox* themePicker()
{
    return enumPicker(themeLabels());
}

} // namespace corvanta
