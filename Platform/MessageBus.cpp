#include "Platform/MessageBus.h"

#include "Support/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <vector>

namespace corvanta {

namespace {

constexpr char socketSuffix[] = ".sock";

bool fillAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (bytes.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// A folder only this user can open: created 0700 when missing; an existing one must be a real
// folder (not a link) owned by us, and loses any access of others.
bool preparePrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

// A name that stays one file inside the folder.
QString safeEndpoint(QString endpoint)
{
    endpoint.replace(QLatin1Char('/'), QLatin1Char('_'));
    return endpoint.isEmpty() ? QStringLiteral("_") : endpoint;
}

} // namespace

QByteArray MessageBus::encodeMessage(const QString& name, const QVariantMap& userInfo)
{
    QJsonObject object;
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("userInfo"), QJsonObject::fromVariantMap(userInfo));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<MessageBus::Message> MessageBus::decodeMessage(const QByteArray& bytes)
{
    // Another process of ours wrote it, but it is still checked like any outside input.
    if (bytes.isEmpty() || bytes.size() > maxMessageBytes)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!name.isString())
        return std::nullopt;
    return Message{name.toString(), object.value(QStringLiteral("userInfo")).toObject().toVariantMap()};
}

MessageBus::MessageBus(const QString& folder, const QString& endpoint, QObject* parent) : QObject(parent)
{
    openSocket(folder, endpoint);
}

MessageBus::~MessageBus() { close(); }

QString MessageBus::defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/corvanta-bus");
    return QDir::tempPath() + QStringLiteral("/corvanta-bus-%1").arg(::geteuid());
}

MessageBus& MessageBus::shared()
{
    // Created on first use on the main thread and never destroyed: an exit that skips
    // destructors closes it first.
    static MessageBus* bus = new MessageBus(defaultFolder(), QString::number(QCoreApplication::applicationPid()));
    return *bus;
}

void MessageBus::openSocket(const QString& folder, const QString& endpoint)
{
    if (!preparePrivateFolder(folder)) {
        CLOG_WARN(QStringLiteral("消息总线不可用：目录无法建立或不是本用户私有 — 进程间通知关闭"));
        return;
    }
    const QString path = folder + QLatin1Char('/') + safeEndpoint(endpoint) + QLatin1String(socketSuffix);
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        CLOG_WARN(QStringLiteral("消息总线不可用：套接字路径过长 — 进程间通知关闭"));
        return;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // A file of this name belongs to an earlier process that had our id and is gone.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        CLOG_WARN(QStringLiteral("消息总线不可用：套接字绑定失败（errno=%1）").arg(errno));
        ::close(fd);
        return;
    }
    ::chmod(address.sun_path, 0600);
    m_folder = folder;
    m_fd = fd;
    m_socketPath = path;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MessageBus::readPending);
}

void MessageBus::close()
{
    if (m_fd < 0)
        return;
    // Possibly from an observer called by this notifier's own signal.
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(QFile::encodeName(m_socketPath).constData());
}

MessageBus::Token MessageBus::addObserver(const QString& name, QObject* context, Handler handler)
{
    return m_observers.add(name, context, std::move(handler));
}

void MessageBus::removeObserver(Token token) { m_observers.remove(token); }

int MessageBus::post(const QString& name, const QVariantMap& userInfo)
{
    const QByteArray message = encodeMessage(name, userInfo);
    if (message.size() > maxMessageBytes) {
        CLOG_WARN(QStringLiteral("消息总线：通知过大（%1 字节），未发送").arg(message.size()));
        return 0;
    }
    QPointer<MessageBus> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, name, userInfo] {
            if (self)
                self->m_observers.deliver(name, userInfo);
        },
        Qt::QueuedConnection);

    if (m_folder.isEmpty())
        return 0;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    int reached = 0;
    const QStringList sockets = QDir(m_folder).entryList({QStringLiteral("*") + QLatin1String(socketSuffix)}, QDir::System | QDir::Files);
    for (const QString& entry : sockets) {
        const QString path = m_folder + QLatin1Char('/') + entry;
        if (path == m_socketPath)
            continue;
        sockaddr_un address;
        if (!fillAddress(path, address))
            continue;
        const ssize_t sent = ::sendto(fd, message.constData(), size_t(message.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (sent == message.size()) {
            ++reached;
        } else if (errno == ECONNREFUSED) {
            // Nobody listens there any more: the process ended without closing its socket.
            ::unlink(address.sun_path);
        }
    }
    ::close(fd);
    return reached;
}

void MessageBus::readPending()
{
    std::vector<char> buffer(size_t(maxMessageBytes) + 1);
    for (;;) {
        const ssize_t size = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (size < 0)
            return;
        if (size > maxMessageBytes)
            continue;
        if (const auto message = decodeMessage(QByteArray(buffer.data(), qsizetype(size))))
            m_observers.deliver(message->name, message->userInfo);
    }
}

} // namespace corvanta
