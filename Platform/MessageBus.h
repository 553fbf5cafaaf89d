#pragma once

#include "Support/ObserverList.h"

#include <QObject>

#include <optional>

class QSocketNotifier;

namespace corvanta {

// Notifications between the program's own processes (a second copy, a successor, the settings
// helpers): every process of the user that uses the bus owns one datagram socket in a folder only
// the user can open; a post sends one datagram to every socket there. Observers run on the thread
// that owns the bus (the main thread), like those of the in-process NotificationCenter.
class MessageBus : public QObject {
    Q_OBJECT
public:
    using Handler = ObserverList::Handler;
    using Token = ObserverList::Token;

    // Longest notification (name and user info as compact JSON); larger posts and datagrams are
    // dropped.
    static constexpr int maxMessageBytes = 16 * 1024;

    // `folder`: the rendezvous folder (created 0700 when missing; refused unless it is a real
    // folder of this user that nobody else can open). `endpoint`: this process's socket name in it.
    MessageBus(const QString& folder, const QString& endpoint, QObject* parent = nullptr);
    ~MessageBus() override;

    // The program's bus: "$XDG_RUNTIME_DIR/corvanta-bus" (a private folder under the temporary
    // folder when the session has no runtime folder), one socket per process named by its id.
    static MessageBus& shared();
    static QString defaultFolder();

    // Whether this process receives posts (the folder and the socket were usable).
    bool isListening() const { return m_fd >= 0; }
    QString socketPath() const { return m_socketPath; }

    // `context`: the observer is dropped once it is destroyed.
    Token addObserver(const QString& name, QObject* context, Handler handler);
    void removeObserver(Token token);

    // Sends the notification to every other process on the bus at once (the datagrams are queued
    // by the time this returns, so the poster may exit right after) and delivers it to this
    // process's own observers on the next turn of the event loop. Sockets whose process is gone
    // are removed. Returns how many other processes it reached.
    int post(const QString& name, const QVariantMap& userInfo = {});

    // Stops receiving and removes this process's socket (before an exit that skips destructors).
    void close();

    // One notification on the wire: compact JSON {"name": text, "userInfo": object}.
    struct Message {
        QString name;
        QVariantMap userInfo;
    };
    static QByteArray encodeMessage(const QString& name, const QVariantMap& userInfo);
    // None for anything else, and for more than maxMessageBytes.
    static std::optional<Message> decodeMessage(const QByteArray& bytes);

private:
    void openSocket(const QString& folder, const QString& endpoint);
    void readPending();

    QString m_folder;
    QString m_socketPath;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    ObserverList m_observers;
};

} // namespace corvanta
