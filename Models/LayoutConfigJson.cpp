#include "Models/LayoutConfigJson.h"

#include "Models/JsonWriter.h"

#include <QJsonDocument>
#include <QJsonObject>

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

// Every key is optional: absent or null leaves the field alone (the caller has put its default
// there). A present value of the wrong kind fails the record.
class SettingsReader {
public:
    explicit SettingsReader(const QJsonObject& object) : m_object(object) {}

    QString error;

    bool has(const char* key) const
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        return !value.isUndefined() && !value.isNull();
    }

    // JSON has one number type; "rows" and "columns" take only integral values within int's
    // range, so 5 and 5.0 read as 5 while 5.5 or 1e12 fail like any other wrongly typed value.
    bool integer(const char* key, int& out)
    {
        return read(key, out, "an integer", [](const QJsonValue& v) {
            const double number = v.toDouble();
            return v.isDouble() && number == std::trunc(number) && number >= std::numeric_limits<int>::min()
                && number <= std::numeric_limits<int>::max();
        }, [](const QJsonValue& v) { return int(v.toDouble()); });
    }

    bool real(const char* key, double& out)
    {
        return read(key, out, "a number", [](const QJsonValue& v) { return v.isDouble() && std::isfinite(v.toDouble()); },
                    [](const QJsonValue& v) { return v.toDouble(); });
    }

    bool text(const char* key, QString& out)
    {
        return read(key, out, "a string", [](const QJsonValue& v) { return v.isString(); },
                    [](const QJsonValue& v) { return v.toString(); });
    }

    bool boolean(const char* key, bool& out)
    {
        return read(key, out, "a Boolean", [](const QJsonValue& v) { return v.isBool(); },
                    [](const QJsonValue& v) { return v.toBool(); });
    }

    template <typename Enum> bool caseValue(const char* key, Enum& out)
    {
        QString name;
        if (!has(key))
            return true;
        if (!text(key, name))
            return false;
        const std::optional<Enum> value = enumFromCaseName<Enum>(name);
        if (!value) {
            error = QStringLiteral("Key \"%1\" holds the unknown case \"%2\"").arg(QLatin1StringView(key), name);
            return false;
        }
        out = *value;
        return true;
    }

private:
    template <typename T, typename Accepts, typename Convert>
    bool read(const char* key, T& out, const char* expected, Accepts accepts, Convert convert)
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        if (value.isUndefined() || value.isNull())
            return true;
        if (!accepts(value))
            return fail(key, expected);
        out = convert(value);
        return true;
    }

    bool fail(const char* key, const char* expected)
    {
        error = QStringLiteral("Key \"%1\" is not %2").arg(QLatin1StringView(key), QLatin1StringView(expected));
        return false;
    }

    const QJsonObject& m_object;
};

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

bool readSettings(SettingsReader& r, LayoutConfig& c)
{
    if (!r.integer("rows", c.rows) || !r.integer("columns", c.columns) || !r.real("iconSize", c.iconSize))
        return false;
    if (r.has("iconScale")) {
        if (!r.real("iconScale", c.iconScale))
            return false;
        if (c.iconScale == kRetiredDefaultIconScale)
            c.iconScale = 1.0;
    } else {
        c.iconScale = iconScaleFromIconSize(c.iconSize);
    }
    if (!r.real("iconSpacing", c.iconSpacing) || !r.caseValue("backgroundType", c.backgroundType)
        || !r.text("backgroundColor", c.backgroundColor) || !r.real("blurStrength", c.blurStrength)
        || !r.caseValue("theme", c.theme) || !r.caseValue("showOnScreen", c.showOnScreen)
        || !r.caseValue("hotCorner", c.hotCorner) || !r.text("shortcutKey", c.shortcutKey)
        || !r.boolean("pinchGestureEnabled", c.pinchGestureEnabled))
        return false;
    if (r.has("trackpadGesture")) {
        if (!r.caseValue("trackpadGesture", c.trackpadGesture))
            return false;
    } else {
        c.trackpadGesture = c.pinchGestureEnabled ? TrackpadGesture::fourFinger : TrackpadGesture::off;
    }
    return r.boolean("hideDock", c.hideDock) && r.boolean("launchAtLogin", c.launchAtLogin)
        && r.boolean("hideSearchMenuButton", c.hideSearchMenuButton);
}

} // namespace

std::optional<LayoutConfig> decodeLayoutConfig(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    QString reason;
    if (parseError.error != QJsonParseError::NoError) {
        reason = QStringLiteral("Malformed JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
    } else if (!document.isObject()) {
        reason = QStringLiteral("The document is not a JSON object");
    } else {
        const QJsonObject object = document.object();
        SettingsReader reader(object);
        LayoutConfig config;
        if (readSettings(reader, config))
            return config;
        reason = reader.error;
    }
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace corvanta
