#include "Platform/PropertyList.h"

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
