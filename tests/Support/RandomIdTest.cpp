#include "Support/RandomId.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace corvanta;

// Application ids are stored and compared across launches: each must read as a random (version 4,
// RFC 4122 variant) UUID, and a scan's thousands of them must all differ.
TEST(RandomId, IsAVersionFourUuidAndNeverRepeats)
{
    QSet<QUuid> seen;
    for (int i = 0; i < 10000; ++i) {
        const QUuid id = newRandomId();
        ASSERT_EQ(id.version(), QUuid::Random);
        ASSERT_EQ(id.variant(), QUuid::DCE);
        ASSERT_FALSE(id.isNull());
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 10000);
    // It survives the text form the layout file keeps.
    const QUuid id = newRandomId();
    EXPECT_EQ(QUuid::fromString(id.toString()), id);
}
