#include "Models/LayoutConfigJson.h"

#include <gtest/gtest.h>

#include <functional>

using namespace corvanta;

namespace {

LayoutConfig decoded(const QByteArray& json)
{
    QString error;
    const std::optional<LayoutConfig> config = decodeLayoutConfig(json, &error);
    EXPECT_TRUE(config) << json.constData() << ": " << error.toStdString();
    return config.value_or(LayoutConfig{});
}

} // namespace

TEST(LayoutConfigJson, WriterWritesAllKeysCompactly)
{
    LayoutConfig config;
    config.shortcutKey = QStringLiteral("⌥/Space");
    EXPECT_EQ(encodeLayoutConfig(config),
              QByteArray("{\"rows\":5,\"columns\":7,\"iconSize\":110,\"iconScale\":1,\"iconSpacing\":40,"
                         "\"backgroundType\":\"blur\",\"backgroundColor\":\"#00000066\",\"blurStrength\":0.8,"
                         "\"theme\":\"system\",\"showOnScreen\":\"dockScreen\",\"hotCorner\":\"none\","
                         "\"shortcutKey\":\"\xE2\x8C\xA5\\/Space\",\"pinchGestureEnabled\":true,"
                         "\"trackpadGesture\":\"fourFinger\",\"hideDock\":false,\"launchAtLogin\":false,"
                         "\"hideSearchMenuButton\":false}"));
}

TEST(LayoutConfigJson, EveryFieldRoundTrips)
{
    LayoutConfig config;
    config.rows = 0;
    config.columns = -3;
    config.iconSize = 96.25;
    config.iconScale = 1.15;
    config.iconSpacing = 0.1;
    config.backgroundType = BackgroundType::wallpaper;
    config.backgroundColor = QStringLiteral("#FF800080");
    config.blurStrength = 1e-3;
    config.theme = TilehallTheme::dark;
    config.showOnScreen = ScreenPreference::cursorScreen;
    config.hotCorner = HotCorner::bottomRight;
    config.shortcutKey = QStringLiteral("\"F5\"\n");
    config.pinchGestureEnabled = false;
    config.trackpadGesture = TrackpadGesture::fiveFinger;
    config.hideDock = true;
    config.launchAtLogin = true;
    config.hideSearchMenuButton = true;
    EXPECT_EQ(decoded(encodeLayoutConfig(config)), config);
    EXPECT_EQ(decoded(encodeLayoutConfig(LayoutConfig{})), LayoutConfig{});
}

TEST(LayoutConfigJson, MissingKeysTakeDefaultsAndTheDerivedRules)
{
    const struct {
        QByteArray json;
        std::function<void(LayoutConfig&)> expect; // changes from the default record
    } cases[] = {
        {"{}", [](LayoutConfig& c) { c.iconScale = 1.3; }},
        {R"({"rows":null,"theme":null,"iconScale":null})", [](LayoutConfig& c) { c.iconScale = 1.3; }},
        {R"({"iconSize":80})", [](LayoutConfig& c) { c.iconSize = 80; }},
        {R"({"iconSize":84})", [](LayoutConfig& c) { c.iconSize = 84; c.iconScale = 1.15; }},
        {R"({"iconSize":107.9})", [](LayoutConfig& c) { c.iconSize = 107.9; c.iconScale = 1.15; }},
        {R"({"iconSize":108})", [](LayoutConfig& c) { c.iconSize = 108; c.iconScale = 1.3; }},
        {R"({"iconScale":0.85})", [](LayoutConfig&) {}},
        {R"({"iconScale":0.9})", [](LayoutConfig& c) { c.iconScale = 0.9; }},
        {R"({"iconScale":0.85,"iconSize":50})", [](LayoutConfig& c) { c.iconSize = 50; }},
        {R"({"pinchGestureEnabled":false,"iconScale":1})", [](LayoutConfig& c) { c.pinchGestureEnabled = false; c.trackpadGesture = TrackpadGesture::off; }},
        {R"({"trackpadGesture":"fiveFinger","pinchGestureEnabled":false,"iconScale":1})",
         [](LayoutConfig& c) { c.pinchGestureEnabled = false; c.trackpadGesture = TrackpadGesture::fiveFinger; }},
        {R"({"rows":0,"columns":5.0,"iconScale":1})", [](LayoutConfig& c) { c.rows = 0; c.columns = 5; }},
        {R"({"rows":-0,"blurStrength":25,"iconScale":1})", [](LayoutConfig& c) { c.rows = 0; c.blurStrength = 25; }},
        {R"({"rows":3,"rows":4,"iconScale":1})", [](LayoutConfig& c) { c.rows = 4; }},
        {R"({"future":{"nested":[1,"x"]},"hotCorner":"topLeft","iconScale":1})", [](LayoutConfig& c) { c.hotCorner = HotCorner::topLeft; }},
    };
    for (const auto& c : cases) {
        LayoutConfig expected;
        c.expect(expected);
        EXPECT_EQ(decoded(c.json), expected) << c.json.constData();
    }
}

TEST(LayoutConfigJson, WrongTypesAndUnknownCasesFailTheWholeRecord)
{
    const struct {
        QByteArray json;
        const char* reason;
    } cases[] = {
        {R"({"rows":"5"})", R"(Key "rows" is not a number)"},
        {R"({"rows":5.5})", R"(Key "rows" is not an integer)"},
        {R"({"columns":1e12})", R"(Key "columns" is not an integer)"},
        {R"({"iconScale":"1.0"})", R"(Key "iconScale" is not a number)"},
        {R"({"iconSize":1e999})", "Number out of range"},
        {R"({"hotCorner":"TopLeft"})", R"(Key "hotCorner" holds the unknown case "TopLeft")"},
        {R"({"theme":"Dark"})", R"(Key "theme" holds the unknown case "Dark")"},
        {R"({"trackpadGesture":""})", R"(Key "trackpadGesture" holds the unknown case "")"},
        {R"({"backgroundType":1})", R"(Key "backgroundType" is not a string)"},
        {R"({"backgroundColor":["#000000"]})", R"(Key "backgroundColor" is not a string)"},
        {R"({"pinchGestureEnabled":1})", R"(Key "pinchGestureEnabled" is not a Boolean)"},
        {R"({"hideDock":"true"})", R"(Key "hideDock" is not a Boolean)"},
        {"[]", "not a JSON object"},
        {"", "not a JSON object"},
        {R"({"rows":5)", "Expected"},
        {R"({"rows":5} x)", "after the document"},
        {"{\"shortcutKey\":\"\xFF\"}", "Invalid UTF-8"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(decodeLayoutConfig(c.json, &error)) << c.json.constData();
        EXPECT_TRUE(error.contains(QLatin1StringView(c.reason))) << c.json.constData() << ": " << error.toStdString();
    }
}

TEST(LayoutConfig, CaseNamesMatchExactly)
{
    EXPECT_EQ(caseName(HotCorner::bottomLeft), QStringLiteral("bottomLeft"));
    EXPECT_EQ(caseName(ScreenPreference::mainScreen), QStringLiteral("mainScreen"));
    EXPECT_EQ(enumFromCaseName<BackgroundType>(QStringLiteral("wallpaper")), BackgroundType::wallpaper);
    EXPECT_EQ(enumFromCaseName<TrackpadGesture>(QStringLiteral("fourFinger")), TrackpadGesture::fourFinger);
    EXPECT_EQ(enumFromCaseName<TilehallTheme>(QStringLiteral("light")), TilehallTheme::light);
    EXPECT_FALSE(enumFromCaseName<HotCorner>(QStringLiteral("TopLeft")));
    EXPECT_FALSE(enumFromCaseName<TilehallTheme>(QStringLiteral("system ")));
}
