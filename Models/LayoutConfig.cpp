#include "Models/LayoutConfig.h"

#include <array>

namespace corvanta {

namespace {

// Each enum's case names, indexed by the enumerator's value (declaration order).
template <typename Enum> struct CaseNames;
template <> struct CaseNames<TilehallTheme> {
    static constexpr std::array names{"system", "light", "dark"};
};
template <> struct CaseNames<BackgroundType> {
    static constexpr std::array names{"blur", "color", "wallpaper"};
};
template <> struct CaseNames<ScreenPreference> {
    static constexpr std::array names{"mainScreen", "dockScreen", "cursorScreen"};
};
template <> struct CaseNames<HotCorner> {
    static constexpr std::array names{"none", "topLeft", "topRight", "bottomLeft", "bottomRight"};
};
template <> struct CaseNames<TrackpadGesture> {
    static constexpr std::array names{"off", "fourFinger", "fiveFinger"};
};

template <typename Enum> QString nameOf(Enum value)
{
    return QLatin1StringView(CaseNames<Enum>::names[static_cast<size_t>(value)]);
}

} // namespace

QString caseName(TilehallTheme value) { return nameOf(value); }
QString caseName(BackgroundType value) { return nameOf(value); }
QString caseName(ScreenPreference value) { return nameOf(value); }
QString caseName(HotCorner value) { return nameOf(value); }
QString caseName(TrackpadGesture value) { return nameOf(value); }

template <typename Enum> std::optional<Enum> enumFromCaseName(const QString& name)
{
    const auto& names = CaseNames<Enum>::names;
    for (size_t i = 0; i < names.size(); ++i) {
        if (name == QLatin1StringView(names[i]))
            return static_cast<Enum>(i);
    }
    return std::nullopt;
}

template std::optional<TilehallTheme> enumFromCaseName<TilehallTheme>(const QString&);
template std::optional<BackgroundType> enumFromCaseName<BackgroundType>(const QString&);
template std::optional<ScreenPreference> enumFromCaseName<ScreenPreference>(const QString&);
template std::optional<HotCorner> enumFromCaseName<HotCorner>(const QString&);
template std::optional<TrackpadGesture> enumFromCaseName<TrackpadGesture>(const QString&);

} // namespace corvanta
