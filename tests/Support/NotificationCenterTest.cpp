#include "Support/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

using namespace corvanta;

TEST(NotificationCenter, DeliversByNameWithUserInfoAndForgetsDeadObservers)
{
    NotificationCenter center;
    QVariantMap seen;
    int others = 0;
    auto owner = std::make_unique<QObject>();
    center.addObserver(Notifications::tilehallShouldClose, owner.get(), [&](const QVariantMap& info) { seen = info; });
    center.addObserver(Notifications::tilehallShouldToggle, nullptr, [&](const QVariantMap&) { ++others; });

    center.post(Notifications::tilehallShouldClose, {{QStringLiteral("launchedApp"), true}});
    EXPECT_EQ(seen.value(QStringLiteral("launchedApp")), QVariant(true));
    EXPECT_EQ(others, 0);

    owner.reset();
    seen.clear();
    center.post(Notifications::tilehallShouldClose, {{QStringLiteral("launchedApp"), false}});
    EXPECT_TRUE(seen.isEmpty());
}

TEST(NotificationCenter, APostFromAnotherThreadArrivesOnTheCentresThread)
{
    NotificationCenter center;
    QThread* deliveredOn = nullptr;
    center.addObserver(QStringLiteral("n"), nullptr, [&](const QVariantMap&) { deliveredOn = QThread::currentThread(); });
    std::unique_ptr<QThread> worker(QThread::create([&] { center.post(QStringLiteral("n")); }));
    worker->start();
    worker->wait();
    EXPECT_EQ(deliveredOn, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(deliveredOn, QThread::currentThread());
}

TEST(NotificationCenter, AnObserverMayRemoveAnotherWhileBeingNotified)
{
    NotificationCenter center;
    int second = 0;
    NotificationCenter::Token secondToken = 0;
    center.addObserver(QStringLiteral("n"), nullptr, [&](const QVariantMap&) { center.removeObserver(secondToken); });
    secondToken = center.addObserver(QStringLiteral("n"), nullptr, [&](const QVariantMap&) { ++second; });
    center.post(QStringLiteral("n"));
    EXPECT_EQ(second, 0);
}
