#include "Platform/AccessibilityTrust.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

class FakeTrust final : public AccessibilityTrust {
public:
    bool trusted = false;
    bool isTrusted() const override { return trusted; }
    void set(bool value)
    {
        trusted = value;
        Q_EMIT trustMayHaveChanged();
    }
};

} // namespace

TEST(AccessibilityTrustedWatcher, FollowsTheAnnouncementsAndOutlivesNothing)
{
    auto trust = std::make_shared<FakeTrust>();
    auto watcher = std::make_unique<AccessibilityTrustedWatcher>(trust);
    EXPECT_FALSE(watcher->isTrusted());
    QList<bool> changes;
    QObject::connect(watcher.get(), &AccessibilityTrustedWatcher::isTrustedChanged, [&](bool t) { changes.append(t); });
    trust->set(true);
    trust->set(true);
    trust->set(false);
    EXPECT_EQ(changes, (QList<bool>{true, false}));
    watcher.reset();
    trust->set(true); // a late announcement reaches no released watcher
}

TEST(AccessibilityTrustedWatcher, TheDesktopStandInIsAlwaysTrusted)
{
    AccessibilityTrustedWatcher watcher;
    EXPECT_TRUE(watcher.isTrusted());
}
