#include "Models/JsonWriter.h"
#include "Models/LayoutJson.h"
#include "Support/Constants.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(CORVANTA_TEST_FIXTURES "/layout/") + QLatin1StringView(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QUuid uuid(const char* text) { return QUuid::fromString(QLatin1StringView(text)); }

struct Member {
    const char* key;
    QByteArray json; // empty: leave the member out
};
using Members = std::initializer_list<Member>;

// A JSON object of `defaults` in which `overrides` replace (or remove) members of the same key;
// overrides of other keys are added at the end.
QByteArray object(Members defaults, Members overrides)
{
    QList<Member> members(defaults);
    for (const Member& change : overrides) {
        const auto same = std::find_if(members.begin(), members.end(), [&](const Member& m) { return qstrcmp(m.key, change.key) == 0; });
        if (same != members.end())
            same->json = change.json;
        else
            members.append(change);
    }
    QByteArray out = "{";
    for (const Member& m : members) {
        if (m.json.isEmpty())
            continue;
        if (out.size() > 1)
            out += ',';
        out += '"' + QByteArray(m.key) + "\":" + m.json;
    }
    return out + '}';
}

QByteArray app(Members overrides = {})
{
    return object({{"id", R"("11111111-AAAA-4BBB-8CCC-000000000001")"}, {"name", R"("Calc")"},
                   {"bundleIdentifier", R"("com.example.calc")"}, {"url", R"("file:///Applications/Calc.app")"},
                   {"isHidden", "false"}},
                  overrides);
}

QByteArray group(Members overrides = {})
{
    return object({{"id", R"("22222222-AAAA-4BBB-8CCC-000000000002")"}, {"name", R"("Tools")"}, {"apps", "[" + app() + "]"}}, overrides);
}

QByteArray appEntry(const QByteArray& app) { return R"({"app":{"_0":)" + app + "}}"; }
QByteArray groupEntry(const QByteArray& group) { return R"({"group":{"_0":)" + group + "}}"; }

QByteArray layout(const QByteArray& entry, Members overrides = {})
{
    return object({{"pages", R"([{"id":"33333333-AAAA-4BBB-8CCC-000000000003","entries":[)" + entry + "]}]"}, {"hiddenAppIDs", "[]"}},
                  overrides);
}

QByteArray store(const QByteArray& entry, Members layoutOverrides = {}, Members overrides = {})
{
    const QByteArray id = R"("44444444-AAAA-4BBB-8CCC-000000000004")";
    const QByteArray scene = object({{"id", id}, {"name", R"("Home")"}, {"layout", layout(entry, layoutOverrides)}}, {});
    return object({{"currentSceneID", id}, {"scenes", "[" + scene + "]"}}, overrides);
}

// The single page entry of a store holding `entry`.
PageEntry decodedEntry(const QByteArray& entry)
{
    QString error;
    const std::optional<SceneStore> decoded = decodeSceneStore(store(entry), &error);
    EXPECT_TRUE(decoded) << error.toStdString();
    return decoded ? decoded->scenes.first().layout.pages.first().entries.first() : PageEntry();
}

AppItem decodedApp(const QByteArray& json)
{
    const PageEntry entry = decodedEntry(appEntry(json));
    return entry.isApp() ? *entry.asApp() : AppItem{};
}

AppGroup decodedGroup(const QByteArray& json)
{
    const PageEntry entry = decodedEntry(groupEntry(json));
    return entry.isGroup() ? *entry.asGroup() : AppGroup{};
}

} // namespace

TEST(LayoutJson, FixtureDecodesAndIsRewrittenInTheCompactForm)
{
    QString error;
    const std::optional<SceneStore> store = decodeSceneStore(fixture("scene-store.json"), &error);
    ASSERT_TRUE(store) << error.toStdString();
    ASSERT_EQ(store->scenes.size(), 1);
    const TilehallLayout& layout = store->scenes.first().layout;
    ASSERT_EQ(layout.pages.size(), 1);
    const QList<PageEntry>& entries = layout.pages.first().entries;
    ASSERT_EQ(entries.size(), 3);

    const AppItem& calc = *entries[0].asApp();
    EXPECT_EQ(calc.name, QStringLiteral("计算器"));
    EXPECT_EQ(calc.path(), QStringLiteral("/Applications/Calculator.app"));
    EXPECT_FALSE(calc.iconPath);

    const AppGroup& utilities = *entries[1].asGroup();
    EXPECT_TRUE(utilities.isSystemUtilitiesFolder) << "lower-case fixed id marks the Utilities folder";
    ASSERT_EQ(utilities.apps.size(), 1);
    EXPECT_EQ(utilities.appIDs(), QList<QUuid>{uuid("11111111-aaaa-4bbb-8ccc-000000000002")}) << "stale appIDs are ignored";
    EXPECT_EQ(utilities.apps.first().path(), QStringLiteral("/Applications/Utilities/Disk Tool.app"));
    EXPECT_EQ(utilities.apps.first().iconPath, QStringLiteral("/icons/disk.png"));

    const AppGroup& empty = *entries[2].asGroup();
    EXPECT_TRUE(empty.apps.isEmpty());
    EXPECT_FALSE(empty.isSystemUtilitiesFolder);

    EXPECT_EQ(encodeSceneStore(*store), fixture("scene-store.compact.json"));
}

TEST(LayoutJson, StringsAreWrittenCompactlyWithEverySolidusEscaped)
{
    const struct {
        QString text;
        QByteArray json;
    } cases[] = {
        {QStringLiteral("/Applications/A.app/"), R"("\/Applications\/A.app\/")"},
        {QStringLiteral("quote \" backslash \\"), R"("quote \" backslash \\")"},
        {QStringLiteral("é 计算器 ") + QString::fromUcs4(U"\U0001F600"), "\"\xC3\xA9 \xE8\xAE\xA1\xE7\xAE\x97\xE5\x99\xA8 \xF0\x9F\x98\x80\""},
        {QStringLiteral("\b\f\n\r\t"), R"("\b\f\n\r\t")"},
        {QString(QChar(0x01)) + QChar(0x1F) + QChar(0x7F), "\"\\u0001\\u001f\x7F\""},
        {QString(QChar(0xD800)) + QStringLiteral("x") + QChar(0xDC00), R"("\ud800x\udc00")"},
        {QString(QChar(0x2028)), "\"\xE2\x80\xA8\""},
    };
    for (const auto& c : cases) {
        QByteArray out;
        json::appendString(out, c.text);
        EXPECT_EQ(out, c.json) << c.json.constData();
    }
}

TEST(LayoutJson, TextAndIdentityRoundTrip)
{
    // U+FEFF at the start of the text, and again right after an escape, is text, not a byte order mark.
    const QString awkward = QChar(0xFEFF) + QStringLiteral("a/") + QChar(0xFEFF) + QStringLiteral("b \"q\" \\ \t\n\x01 é 计 ")
        + QString::fromUcs4(U"\U0001F600") + QChar(0xDFFF);
    AppItem app{uuid("11111111-aaaa-4bbb-8ccc-000000000001"), awkward, QString(),
                QUrl::fromLocalFile(QStringLiteral("/Applications/Ünïcode & Co #1 100%.app/")), awkward, true};
    AppGroup folder{AppConstants::systemUtilitiesFolderID, QStringLiteral("Utilities"), {app}, false};
    TilehallLayout layout{{TilehallPage{uuid("33333333-aaaa-4bbb-8ccc-000000000003"), {PageEntry(app), PageEntry(folder)}}},
                          {uuid("55555555-aaaa-4bbb-8ccc-000000000005")}};
    const SceneStore store{uuid("44444444-aaaa-4bbb-8ccc-000000000004"),
                           {TilehallScene{uuid("44444444-aaaa-4bbb-8ccc-000000000004"), awkward, layout}}};

    const QByteArray bytes = encodeSceneStore(store);
    QString error;
    const std::optional<SceneStore> decoded = decodeSceneStore(bytes, &error);
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(*decoded, store) << "an explicit false on the Utilities id survives";
    EXPECT_EQ(decodeLayout(encodeLayout(layout)), layout);
}

TEST(LayoutJson, ReaderToleratesWhatTheFormatAllows)
{
    EXPECT_EQ(decodedApp(app({{"id", R"("11111111-aaaa-4bbb-8ccc-000000000001")"}})).id, uuid("11111111-AAAA-4BBB-8CCC-000000000001"));
    EXPECT_FALSE(decodedApp(app({{"iconPath", "null"}})).iconPath);
    EXPECT_EQ(decodedApp(app({{"iconPath", R"("")"}})).iconPath, QString());
    EXPECT_EQ(decodedApp(app({{"url", R"("FILE:///Applications/Calc.app/")"}})).path(), QStringLiteral("/Applications/Calc.app"));
    EXPECT_EQ(decodedApp(app({{"url", R"("file:///Apps/C%23 %3F.app")"}})).path(), QStringLiteral("/Apps/C# ?.app"));
    // "localhost" names this machine: the same local file, written back without the host.
    for (const char* url : {R"("file://localhost/Applications/Calc.app")", R"("file://LocalHost/Applications/Calc.app")"}) {
        const AppItem local = decodedApp(app({{"url", url}}));
        EXPECT_EQ(local.url, QUrl::fromLocalFile(QStringLiteral("/Applications/Calc.app")));
        const QByteArray written = encodeLayout(TilehallLayout{{TilehallPage{QUuid::createUuid(), {PageEntry(local)}}}, {}});
        EXPECT_TRUE(written.contains(R"("url":"file:\/\/\/Applications\/Calc.app")")) << written.toStdString();
    }
    // A path starting "//" is kept as it is, and is written so that it reads back the same.
    for (const char* url : {R"("file:\/\/\/\/Applications\/Calc.app")", R"("file://localhost//Applications/Calc.app")"}) {
        const AppItem doubled = decodedApp(app({{"url", url}}));
        EXPECT_EQ(doubled.url.path(), QStringLiteral("//Applications/Calc.app"));
        const TilehallLayout layout{{TilehallPage{QUuid::createUuid(), {PageEntry(doubled)}}}, {}};
        EXPECT_EQ(decodeLayout(encodeLayout(layout)), layout) << url;
    }
    EXPECT_EQ(decodedApp(R"({"\u0069d":"11111111-AAAA-4BBB-8CCC-000000000001","name":"Calc","bundleIdentifier":"",)"
                         R"("url":"file:\/\/\/A.app","isHidden":false,"extra":{"deep":[1,-2.5e3,null,true,{}]}})").name,
              QStringLiteral("Calc"));
    EXPECT_EQ(decodedApp(app({{"name", R"("\u8ba1\ud83d\ude00")"}})).name, QStringLiteral("计") + QString::fromUcs4(U"\U0001F600"));

    EXPECT_TRUE(decodedGroup(group({{"apps", ""}})).apps.isEmpty());
    EXPECT_TRUE(decodedGroup(group({{"apps", "null"}})).apps.isEmpty());
    const struct {
        const char* id;
        const char* flag; // nullptr: key absent
        bool expected;
    } utilities[] = {
        {"0A11C000-5555-4000-8000-5554494C4954", nullptr, true},
        {"0a11c000-5555-4000-8000-5554494c4954", "null", true},
        {"0A11C000-5555-4000-8000-5554494C4955", nullptr, false},
        {"0A11C000-5555-4000-8000-5554494C4954", "false", false},
        {"22222222-AAAA-4BBB-8CCC-000000000002", "true", true},
    };
    for (const auto& c : utilities) {
        const QByteArray json = group({{"id", '"' + QByteArray(c.id) + '"'}, {"isSystemUtilitiesFolder", c.flag ? c.flag : ""}});
        EXPECT_EQ(decodedGroup(json).isSystemUtilitiesFolder, c.expected) << json.constData();
    }

    // Keys beside the case key are ignored; a byte order mark and whitespace are fine.
    EXPECT_TRUE(decodeSceneStore("\xEF\xBB\xBF \n" + store(R"({"note":1,"app":{"_0":)" + app() + R"(,"x":[]}})") + "\r\n"));
}

TEST(LayoutJson, ReaderFailsTheWholeDocumentWithAReason)
{
    const QByteArray keyCount = "Invalid number of keys found, expected one.";
    const struct {
        const char* label;
        QByteArray document;
        QByteArray reason;
    } cases[] = {
        {"app without id", store(appEntry(app({{"id", ""}}))), R"(Missing key "id")"},
        {"app without name", store(appEntry(app({{"name", ""}}))), R"(Missing key "name")"},
        {"app without bundle id", store(appEntry(app({{"bundleIdentifier", ""}}))), R"(Missing key "bundleIdentifier")"},
        {"app without url", store(appEntry(app({{"url", ""}}))), R"(Missing key "url")"},
        {"app without isHidden", store(appEntry(app({{"isHidden", ""}}))), R"(Missing key "isHidden")"},
        {"name is a number", store(appEntry(app({{"name", "7"}}))), R"(Key "name" is not a string)"},
        {"isHidden is null", store(appEntry(app({{"isHidden", "null"}}))), R"(Key "isHidden" is not a Boolean)"},
        {"isHidden is text", store(appEntry(app({{"isHidden", R"("false")"}}))), R"(Key "isHidden" is not a Boolean)"},
        {"iconPath is a number", store(appEntry(app({{"iconPath", "1"}}))), R"(Key "iconPath" is not a string)"},
        {"UUID in braces", store(appEntry(app({{"id", R"("{11111111-AAAA-4BBB-8CCC-000000000001}")"}}))), "Invalid UUID"},
        {"UUID without hyphens", store(appEntry(app({{"id", R"("11111111AAAA4BBB8CCC000000000001")"}}))), "Invalid UUID"},
        {"UUID hyphen misplaced", store(appEntry(app({{"id", R"("1111111-1AAAA-4BBB-8CCC-000000000001")"}}))), "Invalid UUID"},
        {"UUID not hex", store(appEntry(app({{"id", R"("G1111111-AAAA-4BBB-8CCC-000000000001")"}}))), "Invalid UUID"},
        {"UUID is a number", store(appEntry(app({{"id", "1"}}))), R"(Key "id" is not a string)"},
        {"web URL", store(appEntry(app({{"url", R"("https://example.com/Calc.app")"}}))), "Invalid file URL"},
        {"relative URL", store(appEntry(app({{"url", R"("Applications/Calc.app")"}}))), "Invalid file URL"},
        {"empty URL", store(appEntry(app({{"url", R"("")"}}))), "Invalid file URL"},
        {"URL with a host", store(appEntry(app({{"url", R"("file://server/Calc.app")"}}))), "Invalid file URL"},
        {"URL without path", store(appEntry(app({{"url", R"("file:")"}}))), "Invalid file URL"},
        {"URL with a fragment", store(appEntry(app({{"url", R"("file:///Apps/C#.app")"}}))), "Invalid file URL"},
        {"URL with a query", store(appEntry(app({{"url", R"("file:///Apps/What?.app")"}}))), "Invalid file URL"},
        {"URL with an unpaired surrogate", store(appEntry(app({{"url", R"("file:///Apps/\uDDDD.app")"}}))), "Invalid file URL"},
        {"both cases", store(R"({"app":{"_0":)" + app() + R"(},"group":{"_0":)" + group() + "}}"), keyCount},
        {"no case", store("{}"), keyCount},
        {"only unknown keys", store(R"({"note":{"_0":{}}})"), keyCount},
        {"case without wrapper key", store(R"({"app":{"value":)" + app() + "}}"), R"(Missing key "_0")"},
        {"case holding null", store(R"({"app":null})"), R"(Key "app" is not an object)"},
        {"bad app inside a group", store(groupEntry(group({{"apps", "[" + app({{"url", "null"}}) + "]"}}))), R"(Key "url" is not a string)"},
        {"apps is an object", store(groupEntry(group({{"apps", "{}"}}))), R"(Key "apps" is not an array)"},
        {"flag is text", store(groupEntry(group({{"isSystemUtilitiesFolder", R"("yes")"}}))), R"(Key "isSystemUtilitiesFolder" is not a Boolean)"},
        {"layout without hidden ids", store(appEntry(app()), {{"hiddenAppIDs", ""}}), R"(Missing key "hiddenAppIDs")"},
        {"hidden id is a number", store(appEntry(app()), {{"hiddenAppIDs", "[1]"}}), R"(Key "hiddenAppIDs" is not a string)"},
        {"store without current id", store(appEntry(app()), {}, {{"currentSceneID", ""}}), R"(Missing key "currentSceneID")"},
        {"scenes is null", store(appEntry(app()), {}, {{"scenes", "null"}}), R"(Key "scenes" is not an array)"},
        {"scene without layout", store(appEntry(app()), {}, {{"scenes", R"([{"id":"44444444-AAAA-4BBB-8CCC-000000000004","name":"x"}])"}}), R"(Missing key "layout")"},
        {"root is an array", "[]", "not a JSON object"},
        {"empty text", "", "not a JSON object"},
        {"truncated", store(appEntry(app())).chopped(3), "Expected"},
        {"text after the document", store(appEntry(app())) + "{}", "after the document"},
        {"trailing comma", store(appEntry(app()) + ","), "Unexpected character"},
        {"invalid UTF-8", store(appEntry(app({{"name", "\"\xC3\x28\""}}))), "Invalid UTF-8"},
        {"overlong UTF-8", store(appEntry(app({{"name", "\"\xC0\xAF\""}}))), "Invalid UTF-8"},
        {"encoded surrogate", store(appEntry(app({{"name", "\"\xED\xA0\x80\""}}))), "Invalid UTF-8"},
        {"raw control character", store(appEntry(app({{"name", "\"a\tb\""}}))), "Control character"},
        {"bad escape", store(appEntry(app({{"name", R"("\x41")"}}))), "Invalid escape"},
        {"short unicode escape", store(appEntry(app({{"name", R"("\u12")"}}))), "Invalid \\u escape"},
        {"leading zero", store(appEntry(app({{"n", "01"}}))), "Expected"},
        {"bare fraction", store(appEntry(app({{"n", "1."}}))), "Invalid number"},
        {"single quotes", store(appEntry(app({{"name", "'Calc'"}}))), "Unexpected character"},
        {"deep nesting", store(appEntry(app({{"n", QByteArray(600, '[') + QByteArray(600, ']')}}))), "Nesting deeper"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(decodeSceneStore(c.document, &error)) << c.label;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << c.label << ": " << error.toStdString();
    }
}

TEST(LayoutJson, TheTwoFormsAreToldApartByTrialDecoding)
{
    const QByteArray legacy = fixture("legacy-layout.json");
    EXPECT_FALSE(decodeSceneStore(legacy));
    const std::optional<TilehallLayout> layout = decodeLayout(legacy);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->allApps().size(), 1);
    EXPECT_EQ(layout->allApps().first().name, QStringLiteral("Calculator"));

    EXPECT_FALSE(decodeLayout(fixture("scene-store.compact.json")));
}
