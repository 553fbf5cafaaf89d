#include "Platform/StringsFile.h"
#include "Platform/StringsTable.h"
#include "Platform/PropertyList.h"
#include "common/HostilePropertyLists.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

using Table = QHash<QString, QString>;

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

struct Case {
    const char* name;
    QByteArray bytes;
    std::optional<Table> expected;
};

const QString kChinese = QStringLiteral("计算器");
const QString kSample = QStringLiteral("/* Localized */\n\"CFBundleDisplayName\" = \"计算器\";\n// trailing\n");

} // namespace

TEST(StringsFile, ParsesTheTextForm)
{
    const std::vector<Case> cases = {
        {"comments and UTF-8", kSample.toUtf8(), Table{{"CFBundleDisplayName", kChinese}}},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + kSample.toUtf8(), Table{{"CFBundleDisplayName", kChinese}}},
        {"UTF-16 little-endian", utf16(kSample, QStringConverter::Utf16LE), Table{{"CFBundleDisplayName", kChinese}}},
        {"UTF-16 big-endian", utf16(kSample, QStringConverter::Utf16BE), Table{{"CFBundleDisplayName", kChinese}}},
        {"escapes", R"("k" = "a\"b\\c\nd\te\U00e9\101\u4e2d";)", Table{{"k", QStringLiteral("a\"b\\c\nd\te\u00e9A\u4e2d")}}},
        {"unquoted tokens", "CFBundleName = Calc.app-2;", Table{{"CFBundleName", "Calc.app-2"}}},
        {"key alone stands for itself", R"("Only";)", Table{{"Only", "Only"}}},
        {"braces around the table", R"({ "a" = "1"; "b" = "2"; })", Table{{"a", "1"}, {"b", "2"}}},
        {"the later duplicate wins", R"("a" = "1"; "a" = "2";)", Table{{"a", "2"}}},
        {"empty input", "", Table{}},
        {"only a comment", "/* nothing */", Table{}},
        {"unterminated text", R"("a" = "1)", std::nullopt},
        {"missing semicolon", R"("a" = "1" "b" = "2";)", std::nullopt},
        {"unterminated comment", R"("a" = "1"; /* open)", std::nullopt},
        {"missing value", R"("a" = ;)", std::nullopt},
        {"stray equals", R"(= "1";)", std::nullopt},
        {"unclosed brace", R"({ "a" = "1";)", std::nullopt},
        {"bad UTF-8", "\"a\" = \"\xC3\x28\";", std::nullopt},
        {"odd UTF-16 length", QByteArray("\xFF\xFE\x22", 3), std::nullopt},
        {"escape at the end", "\"a\" = \"\\", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseStringsFile(c.bytes), c.expected);
        // One value read alone says what the whole table says of it.
        for (const char* key : {"a", "k", "CFBundleDisplayName", "Only", "missing"}) {
            const auto expected = c.expected ? std::optional<QString>(c.expected->value(QLatin1StringView(key))) : std::nullopt;
            EXPECT_EQ(stringsFileValue(c.bytes, QLatin1StringView(key)), expected) << key;
        }
    }
}

TEST(StringsTable, ReadsEveryForm)
{
    const QVariantMap dict{{"CFBundleDisplayName", kChinese}};
    const Table expected{{"CFBundleDisplayName", kChinese}};
    EXPECT_EQ(parseStringsTable(PropertyList::toXml(dict)), expected);
    EXPECT_EQ(parseStringsTable(PropertyList::toBinary(dict)), expected);
    EXPECT_EQ(parseStringsTable(utf16(kSample, QStringConverter::Utf16LE)), expected);

    // A dictionary with a value that is not a text is no table of texts.
    EXPECT_EQ(parseStringsTable(PropertyList::toXml(QVariantMap{{"a", 1}})), std::nullopt);
    EXPECT_EQ(parseStringsTable(PropertyList::toXml(QVariantList{"a"})), std::nullopt);
    EXPECT_EQ(parseStringsTable("<plist><dict><key>a</key>"), std::nullopt);
    EXPECT_EQ(readStringsTable(QStringLiteral("/nonexistent/InfoPlist.strings")), std::nullopt);
}

// The scanner reads one value of each table it finds; what it reads is what the whole table holds.
TEST(StringsTable, OneValueReadsAsTheWholeTableHoldsIt)
{
    using namespace corvanta::test;
    const QLatin1StringView key("CFBundleDisplayName");
    // {"CFBundleDisplayName": "a", "b": "c", "CFBundleDisplayName": "z"}: a binary list may write a
    // key twice, and the whole list read keeps the later value.
    const QByteArray twice = binaryPlist({binaryDict({1, 2, 1}, {3, 4, 5}, 1), binaryAscii("CFBundleDisplayName"),
                                          binaryAscii("b"), binaryAscii("a"), binaryAscii("c"), binaryAscii("z")},
                                         1);
    const QList<QByteArray> forms = {
        PropertyList::toXml(QVariantMap{{"CFBundleDisplayName", kChinese}}),
        PropertyList::toBinary(QVariantMap{{"CFBundleDisplayName", kChinese}, {"other", "x"}}),
        PropertyList::toBinary(QVariantMap{{"other", "x"}}),
        utf16(kSample, QStringConverter::Utf16LE),
        twice,
        PropertyList::toXml(QVariantMap{{"CFBundleDisplayName", kChinese}, {"a", 1}}),
        PropertyList::toBinary(QVariantList{"a"}),
        "<plist><dict><key>a</key>",
    };
    for (const QByteArray& bytes : forms) {
        const auto table = parseStringsTable(bytes);
        const auto expected = table ? std::optional<QString>(table->value(key)) : std::nullopt;
        EXPECT_EQ(stringsTableValue(bytes, key), expected) << bytes.toStdString();
    }
    EXPECT_EQ(stringsTableValue(twice, key), QStringLiteral("z"));
}
