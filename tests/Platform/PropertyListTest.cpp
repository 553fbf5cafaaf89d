#include "Platform/PropertyList.h"
#include "Platform/PropertyListLimits.h"
#include "common/HostilePropertyLists.h"
#include "common/QtPrinters.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(PropertyList, RoundTripsBothForms)
{
    const QVariantMap value{
        {"text", QStringLiteral("启动台")},
        {"flag", true},
        {"count", qint64(42)},
        {"ratio", 0.5},
        {"data", QByteArray("\x00\x01", 2)},
        {"when", QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC)},
        {"list", QVariantList{QStringLiteral("a"), qint64(1)}},
        {"nested", QVariantMap{{"k", QStringLiteral("v")}}},
    };
    for (const QByteArray& bytes : {PropertyList::toXml(value), PropertyList::toBinary(value)}) {
        const auto parsed = PropertyList::parse(bytes);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->toMap(), value);
    }
}

TEST(PropertyList, RejectsMalformedInput)
{
    for (const QByteArray& bytes : {QByteArray(), QByteArray("not a plist"), QByteArray("bplist00\x01\x02"),
                                    QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key>")}) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_FALSE(PropertyList::parse(bytes).has_value());
    }
}

// A NUL inside a binary list's key would stop the process inside the library; such lists are
// refused whole, keys and values alike.
TEST(PropertyList, RefusesBinaryStringsHoldingANul)
{
    const QByteArray clean = PropertyList::toBinary(QVariantMap{{QStringLiteral("kq"), QStringLiteral("vq")}});
    ASSERT_TRUE(PropertyList::parse(clean));
    for (const char* text : {"\x52kq", "\x52vq"}) {
        QByteArray hostile = clean;
        const qsizetype at = hostile.indexOf(text);
        ASSERT_GE(at, 0) << text;
        hostile[at + 2] = '\0';
        EXPECT_FALSE(PropertyList::parse(hostile)) << text;
    }
    QByteArray shortTable = clean;
    shortTable[shortTable.size() - 24] = char(0x7f); // more objects than the offset table holds
    EXPECT_FALSE(PropertyList::parse(shortTable));
}

TEST(PropertyList, TruthCountsBooleansAndTheNumberOne)
{
    EXPECT_TRUE(PropertyList::isTrue(true));
    EXPECT_TRUE(PropertyList::isTrue(qint64(1)));
    EXPECT_TRUE(PropertyList::isTrue(1.0));
    EXPECT_FALSE(PropertyList::isTrue(false));
    EXPECT_FALSE(PropertyList::isTrue(qint64(2)));
    EXPECT_FALSE(PropertyList::isTrue(QStringLiteral("1")));
    EXPECT_FALSE(PropertyList::isTrue(QVariant()));
}

namespace {

using namespace corvanta::test;

// A list whose one array is referenced twice at every level: 2^40 values once copied out.
QByteArray sharedReferenceBomb()
{
    QList<QByteArray> objects;
    for (int i = 0; i < 40; ++i)
        objects.append(binaryArray({quint64(i + 1), quint64(i + 1)}, 1));
    objects.append(binaryArray({}, 1));
    return binaryPlist(objects, 1);
}

} // namespace

TEST(PropertyList, RefusesHostileShapesBeforeReadingThem)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"binary nested 100,000 deep", deeplyNestedBinaryPlist(100000)},
        {"binary nested one level too deep", deeplyNestedBinaryPlist(PropertyListLimits::maxDepth + 1)},
        {"xml nested 100,000 deep", xmlNested(100000, "<array>", "</array>")},
        {"xml dictionaries nested too deep", xmlNested(300, "<dict><key>k</key>", "</dict>")},
        {"shared references expanding to 2^40 values", sharedReferenceBomb()},
        {"binary array holding itself", binaryPlist({binaryArray({0}, 1)}, 1)},
        {"binary reference past the last object", binaryPlist({binaryArray({7}, 1)}, 1)},
        {"binary dictionary key holding U+0000",
         binaryPlist({binaryDict({1}, {1}, 1), QByteArray("\x53" "a\0b", 4)}, 1)},
        {"xml key holding U+0000 by reference",
         "<plist version=\"1.0\"><dict><key>a&#x0000;</key><string>v</string></dict></plist>"},
        {"xml text holding a raw U+0000", QByteArray("<plist><string>a\0</string></plist>", 35)},
        {"larger than the size limit",
         "<plist><string>" + QByteArray(PropertyListLimits::maxBytes, 'a') + "</string></plist>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString refusal;
        EXPECT_FALSE(PropertyList::parse(c.bytes, &refusal).has_value());
        EXPECT_FALSE(refusal.isEmpty());
    }
}

// Every reference of a container lies before the offset table; a count that reaches into the
// table, or past the whole list, is refused as such before a reference is read.
TEST(PropertyList, RefusesAContainerWhoseCountRunsPastTheOffsetTable)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"array of three with no references stored", binaryPlist({binaryContainer(0xA, {}, 1, 3)}, 1)},
        {"set of two with one reference stored", binaryPlist({binaryContainer(0xC, {0}, 1, 2)}, 1)},
        {"dictionary of three pairs with two references stored", binaryPlist({binaryContainer(0xD, {1, 1}, 1, 3), binaryAscii("k")}, 1)},
        {"array of 2^31 with two-byte references", binaryPlist({binaryContainer(0xA, {1}, 2, 0x7FFFFFFF), binaryAscii("k")}, 2)},
        // The count's own integer reaches into the table: the references would start past it.
        {"count read from the offset table", binaryPlist({QByteArray("\xAF\x12", 2)}, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(propertyListLimitViolation(c.bytes), QStringLiteral("container runs past the offset table"));
        EXPECT_FALSE(PropertyList::parse(c.bytes).has_value());
    }
    // Exactly enough references: read.
    EXPECT_TRUE(PropertyList::parse(binaryPlist({binaryContainer(0xD, {1, 2}, 1, 1), binaryAscii("k"), binaryAscii("v")}, 1)).has_value());
}

TEST(PropertyList, KeepsWhatIsWithinTheLimits)
{
    // A binary string holding U+0000 is refused whole, never read through libplist's asserting
    // getters.
    EXPECT_FALSE(PropertyList::parse(binaryPlistWithNulInString()).has_value());

    for (const QByteArray& bytes : {deeplyNestedBinaryPlist(PropertyListLimits::maxDepth),
                                    xmlNested(PropertyListLimits::maxDepth, "<array>", "</array>"),
                                    xmlNested(300, "<array/><!-- <array> -->", "")}) {
        QString refusal;
        EXPECT_TRUE(PropertyList::parse(bytes, &refusal).has_value()) << refusal.toStdString();
    }
}
