#include "Platform/StringsFile.h"
#include "Platform/StringsTable.h"
#include "Platform/PropertyList.h"

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
