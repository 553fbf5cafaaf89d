#include "Platform/PropertyList.h"
#include "Platform/PropertyListLimits.h"
#include "common/HostilePropertyLists.h"

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

TEST(PropertyList, KeepsWhatIsWithinTheLimits)
{
    const auto nul = PropertyList::parse(binaryPlistWithNulInString());
    ASSERT_TRUE(nul.has_value());
    EXPECT_EQ(nul->toMap().value("CFBundleName").toString(), QStringView(u"a\0b", 3).toString());

    for (const QByteArray& bytes : {deeplyNestedBinaryPlist(PropertyListLimits::maxDepth),
                                    xmlNested(PropertyListLimits::maxDepth, "<array>", "</array>"),
                                    xmlNested(300, "<array/><!-- <array> -->", "")}) {
        QString refusal;
        EXPECT_TRUE(PropertyList::parse(bytes, &refusal).has_value()) << refusal.toStdString();
    }
}
