#include "Models/LayoutConfigJson.h"

#include "Models/JsonReader.h"
#include "Models/JsonWriter.h"


#include <cmath>
#include <limits>

namespace corvanta {

QByteArray encodeLayoutConfig(const LayoutConfig& c)
{
    QByteArray out;
    out.reserve(400);
    const auto key = [&out](const char* name) {
        out.append(out.isEmpty() ? "{\"" : ",\"");
        out.append(name);
        out.append("\":");
    };
    key("rows");
    json::appendInt(out, c.rows);
    key("columns");
    json::appendInt(out, c.columns);
    key("iconSize");
    json::appendDouble(out, c.iconSize);
    key("iconScale");
    json::appendDouble(out, c.iconScale);
    key("iconSpacing");
    json::appendDouble(out, c.iconSpacing);
    key("backgroundType");
    json::appendString(out, caseName(c.backgroundType));
    key("backgroundColor");
    json::appendString(out, c.backgroundColor);
    key("blurStrength");
    json::appendDouble(out, c.blurStrength);
    key("theme");
    json::appendString(out, caseName(c.theme));
    key("showOnScreen");
    json::appendString(out, caseName(c.showOnScreen));
    key("hotCorner");
    json::appendString(out, caseName(c.hotCorner));
    key("shortcutKey");
    json::appendString(out, c.shortcutKey);
    key("pinchGestureEnabled");
    json::appendBool(out, c.pinchGestureEnabled);
    key("trackpadGesture");
    json::appendString(out, caseName(c.trackpadGesture));
    key("hideDock");
    json::appendBool(out, c.hideDock);
    key("launchAtLogin");
    json::appendBool(out, c.launchAtLogin);
    key("hideSearchMenuButton");
    json::appendBool(out, c.hideSearchMenuButton);
    out.append('}');
    return out;
}

namespace {

using json::JsonReader;
using json::JsonType;

// An iconScale of 0.85 was the old default and is read as today's 1.0.
constexpr double kRetiredDefaultIconScale = 0.85;

// Records written before iconScale existed carry only the base icon size.
double iconScaleFromIconSize(double iconSize)
{
    if (iconSize < 84)
        return 1.0;
    if (iconSize < 108)
        return 1.15;
    return 1.3;
}

// The values found in the text; a key that is absent or null stays empty. Duplicate keys: the
// last one counts, as for any JSON object.
struct FoundSettings {
    std::optional<int> rows, columns;
    std::optional<double> iconSize, iconScale, iconSpacing, blurStrength;
    std::optional<BackgroundType> backgroundType;
    std::optional<QString> backgroundColor, shortcutKey;
    std::optional<TilehallTheme> theme;
    std::optional<ScreenPreference> showOnScreen;
    std::optional<HotCorner> hotCorner;
    std::optional<bool> pinchGestureEnabled, hideDock, launchAtLogin, hideSearchMenuButton;
    std::optional<TrackpadGesture> trackpadGesture;
};

class SettingsReader {
public:
    explicit SettingsReader(QByteArrayView text) : r(text) {}

    JsonReader r;

    bool read(FoundSettings& f)
    {
        if (r.peek() != JsonType::Object)
            return r.fail(QStringLiteral("The document is not a JSON object"));
        return r.readObject([&](QByteArrayView key) {
            if (key == "rows")
                return member(f.rows, &SettingsReader::integer, "rows");
            if (key == "columns")
                return member(f.columns, &SettingsReader::integer, "columns");
            if (key == "iconSize")
                return member(f.iconSize, &SettingsReader::real, "iconSize");
            if (key == "iconScale")
                return member(f.iconScale, &SettingsReader::real, "iconScale");
            if (key == "iconSpacing")
                return member(f.iconSpacing, &SettingsReader::real, "iconSpacing");
            if (key == "backgroundType")
                return member(f.backgroundType, &SettingsReader::caseValue<BackgroundType>, "backgroundType");
            if (key == "backgroundColor")
                return member(f.backgroundColor, &SettingsReader::text, "backgroundColor");
            if (key == "blurStrength")
                return member(f.blurStrength, &SettingsReader::real, "blurStrength");
            if (key == "theme")
                return member(f.theme, &SettingsReader::caseValue<TilehallTheme>, "theme");
            if (key == "showOnScreen")
                return member(f.showOnScreen, &SettingsReader::caseValue<ScreenPreference>, "showOnScreen");
            if (key == "hotCorner")
                return member(f.hotCorner, &SettingsReader::caseValue<HotCorner>, "hotCorner");
            if (key == "shortcutKey")
                return member(f.shortcutKey, &SettingsReader::text, "shortcutKey");
            if (key == "pinchGestureEnabled")
                return member(f.pinchGestureEnabled, &SettingsReader::boolean, "pinchGestureEnabled");
            if (key == "trackpadGesture")
                return member(f.trackpadGesture, &SettingsReader::caseValue<TrackpadGesture>, "trackpadGesture");
            if (key == "hideDock")
                return member(f.hideDock, &SettingsReader::boolean, "hideDock");
            if (key == "launchAtLogin")
                return member(f.launchAtLogin, &SettingsReader::boolean, "launchAtLogin");
            if (key == "hideSearchMenuButton")
                return member(f.hideSearchMenuButton, &SettingsReader::boolean, "hideSearchMenuButton");
            return r.skipValue();
        }) && r.finish();
    }

private:
    template <typename T> bool member(std::optional<T>& slot, bool (SettingsReader::*readValue)(T&, const char*), const char* key)
    {
        slot.reset();
        if (r.peek() == JsonType::Null)
            return r.readNull();
        return (this->*readValue)(slot.emplace(), key);
    }

    bool wrongType(const char* key, const char* expected)
    {
        return r.fail(QStringLiteral("Key \"%1\" is not %2").arg(QLatin1StringView(key), QLatin1StringView(expected)));
    }

    // JSON has one number type; "rows" and "columns" take only integral values within int's
    // range, so 5 and 5.0 read as 5 while 5.5 or 1e12 fail like any other wrongly typed value.
    bool integer(int& out, const char* key)
    {
        double number = 0;
        if (!real(number, key))
            return false;
        if (number != std::trunc(number) || number < std::numeric_limits<int>::min()
            || number > std::numeric_limits<int>::max())
            return wrongType(key, "an integer");
        out = int(number);
        return true;
    }

    bool real(double& out, const char* key)
    {
        return (r.peek() == JsonType::Number || wrongType(key, "a number")) && r.readNumber(out);
    }

    bool text(QString& out, const char* key)
    {
        return (r.peek() == JsonType::String || wrongType(key, "a string")) && r.readString(out);
    }

    bool boolean(bool& out, const char* key)
    {
        return (r.peek() == JsonType::Bool || wrongType(key, "a Boolean")) && r.readBool(out);
    }

    template <typename Enum> bool caseValue(Enum& out, const char* key)
    {
        QString name;
        if (!text(name, key))
            return false;
        const std::optional<Enum> value = enumFromCaseName<Enum>(name);
        if (!value)
            return r.fail(QStringLiteral("Key \"%1\" holds the unknown case \"%2\"").arg(QLatin1StringView(key), name));
        out = *value;
        return true;
    }
};

// Missing values take the defaults, in field order, so that the two derived rules see the
// values decoded before them.
LayoutConfig settingsFrom(const FoundSettings& f)
{
    LayoutConfig c;
    c.rows = f.rows.value_or(c.rows);
    c.columns = f.columns.value_or(c.columns);
    c.iconSize = f.iconSize.value_or(c.iconSize);
    if (f.iconScale)
        c.iconScale = *f.iconScale == kRetiredDefaultIconScale ? 1.0 : *f.iconScale;
    else
        c.iconScale = iconScaleFromIconSize(c.iconSize);
    c.iconSpacing = f.iconSpacing.value_or(c.iconSpacing);
    c.backgroundType = f.backgroundType.value_or(c.backgroundType);
    c.backgroundColor = f.backgroundColor.value_or(c.backgroundColor);
    c.blurStrength = f.blurStrength.value_or(c.blurStrength);
    c.theme = f.theme.value_or(c.theme);
    c.showOnScreen = f.showOnScreen.value_or(c.showOnScreen);
    c.hotCorner = f.hotCorner.value_or(c.hotCorner);
    c.shortcutKey = f.shortcutKey.value_or(c.shortcutKey);
    c.pinchGestureEnabled = f.pinchGestureEnabled.value_or(c.pinchGestureEnabled);
    c.trackpadGesture = f.trackpadGesture.value_or(c.pinchGestureEnabled ? TrackpadGesture::fourFinger : TrackpadGesture::off);
    c.hideDock = f.hideDock.value_or(c.hideDock);
    c.launchAtLogin = f.launchAtLogin.value_or(c.launchAtLogin);
    c.hideSearchMenuButton = f.hideSearchMenuButton.value_or(c.hideSearchMenuButton);
    return c;
}

} // namespace

std::optional<LayoutConfig> decodeLayoutConfig(const QByteArray& json, QString* error)
{
    SettingsReader reader(json);
    FoundSettings found;
    if (reader.read(found))
        return settingsFrom(found);
    if (error)
        *error = reader.r.error();
    return std::nullopt;
}

} // namespace corvanta
