#include "Platform/MessageBus.h"
#include "common/ProcessUntil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace corvanta;

namespace {

struct Received {
    QList<QVariantMap> infos;
    void observe(MessageBus& bus, const QString& name, QObject* context)
    {
        bus.addObserver(name, context, [this](const QVariantMap& info) { infos << info; });
    }
};

int sendRaw(const QString& socketPath, const QByteArray& bytes)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    const ssize_t sent = ::sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
    return int(sent);
}

mode_t modeOf(const QString& path)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

} // namespace

TEST(MessageBus, APostReachesEveryOtherProcessAndItsOwnObserversWithTheUserInfo)
{
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/bus");
    QObject context;
    MessageBus first(folder, QStringLiteral("100"));
    MessageBus second(folder, QStringLiteral("200"));
    ASSERT_TRUE(first.isListening());
    ASSERT_TRUE(second.isListening());
    EXPECT_EQ(modeOf(folder), 0700u);

    Received atFirst, atSecond, otherName;
    atFirst.observe(first, QStringLiteral("com.corvanta.showTilehall"), &context);
    atSecond.observe(second, QStringLiteral("com.corvanta.showTilehall"), &context);
    otherName.observe(second, QStringLiteral("something.else"), &context);

    EXPECT_EQ(first.post(QStringLiteral("com.corvanta.showTilehall"), {{QStringLiteral("flag"), true}}), 1);
    ASSERT_TRUE(test::processUntil([&] { return atSecond.infos.size() == 1 && atFirst.infos.size() == 1; }));
    EXPECT_EQ(atSecond.infos[0].value(QStringLiteral("flag")), QVariant(true));
    EXPECT_TRUE(otherName.infos.isEmpty());

    // A process that ended without closing leaves a socket nobody reads: the next post removes it.
    const QString stalePath = folder + QStringLiteral("/400.sock");
    {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(stalePath).constData());
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(QFile::exists(stalePath));
    EXPECT_EQ(second.post(QStringLiteral("com.corvanta.showTilehall")), 1);
    EXPECT_FALSE(QFile::exists(stalePath));

    // Closing stops delivery from other processes and removes the socket.
    first.close();
    EXPECT_FALSE(QFile::exists(first.socketPath()));
    EXPECT_EQ(second.post(QStringLiteral("com.corvanta.showTilehall")), 0);
}

TEST(MessageBus, MalformedAndOversizedDatagramsAreDroppedAndLaterOnesStillArrive)
{
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/bus");
    QObject context;
    MessageBus bus(folder, QStringLiteral("1"));
    Received received;
    received.observe(bus, QStringLiteral("n"), &context);

    for (const QByteArray& bytes : {QByteArray("not json"), QByteArray("[1,2]"), QByteArray("{\"name\":5}"),
                                    QByteArray("{\"name\":\"n\",\"userInfo\":" + QByteArray(MessageBus::maxMessageBytes, ' ') + "{}}")})
        sendRaw(bus.socketPath(), bytes);
    sendRaw(bus.socketPath(), QByteArray("{\"name\":\"n\",\"userInfo\":\"not an object\"}"));
    ASSERT_TRUE(test::processUntil([&] { return received.infos.size() == 1; }));
    EXPECT_TRUE(received.infos[0].isEmpty());
}

TEST(MessageBus, AFolderOthersCouldReachIsMadePrivateAndOneNotOursIsRefused)
{
    QTemporaryDir runtime;
    const QString open = runtime.path() + QStringLiteral("/open");
    ASSERT_TRUE(QDir().mkpath(open));
    ::chmod(QFile::encodeName(open).constData(), 0777);
    MessageBus tightened(open, QStringLiteral("1"));
    EXPECT_TRUE(tightened.isListening());
    EXPECT_EQ(modeOf(open), 0700u);

    // A link could point anywhere, even at a folder others own.
    const QString link = runtime.path() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(open, link));
    MessageBus refused(link, QStringLiteral("2"));
    EXPECT_FALSE(refused.isListening());
    EXPECT_EQ(refused.post(QStringLiteral("n")), 0);
}

// A process too busy to read has a full receive queue: posts to it fail for the moment, yet its
// socket is its own and stays, and once it reads again a later post reaches it.
TEST(MessageBus, APeerWithAFullQueueKeepsItsSocketAndGetsALaterPost)
{
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/bus");
    MessageBus poster(folder, QStringLiteral("100"));
    ASSERT_TRUE(poster.isListening());

    const QString busyPath = folder + QStringLiteral("/300.sock");
    const int busy = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, QFile::encodeName(busyPath).constData());
    ASSERT_EQ(::bind(busy, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    int posts = 0;
    while (poster.post(QStringLiteral("n"), {{QStringLiteral("i"), posts}}) == 1 && posts < 100000)
        ++posts;
    ASSERT_LT(posts, 100000) << "the queue never filled";
    EXPECT_TRUE(QFile::exists(busyPath)) << "a full queue is not a process that is gone";

    std::vector<char> buffer(static_cast<size_t>(MessageBus::maxMessageBytes));
    int drained = 0;
    while (::recv(busy, buffer.data(), buffer.size(), 0) > 0)
        ++drained;
    EXPECT_EQ(drained, posts);

    EXPECT_EQ(poster.post(QStringLiteral("later")), 1);
    const ssize_t size = ::recv(busy, buffer.data(), buffer.size(), 0);
    ASSERT_GT(size, 0);
    const auto message = MessageBus::decodeMessage(QByteArray(buffer.data(), qsizetype(size)));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->name, QStringLiteral("later"));
    ::close(busy);
}
