#include "Support/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <vector>

namespace corvanta {

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent) {}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter* center = new NotificationCenter; // created on first use, on the main thread
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, QObject* context, Handler handler)
{
    const Token token = m_next++;
    m_observers.emplace(token, Observer{name, QPointer<QObject>(context), context != nullptr, std::move(handler)});
    return token;
}

void NotificationCenter::removeObserver(Token token) { m_observers.erase(token); }

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    if (QThread::currentThread() == thread()) {
        deliver(name, userInfo);
        return;
    }
    QMetaObject::invokeMethod(this, [this, name, userInfo] { deliver(name, userInfo); }, Qt::QueuedConnection);
}

void NotificationCenter::deliver(const QString& name, const QVariantMap& userInfo)
{
    // Snapshot first: a handler may add or remove observers.
    std::vector<Token> matching;
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        if (it->second.hasContext && !it->second.context) {
            it = m_observers.erase(it);
            continue;
        }
        if (it->second.name == name)
            matching.push_back(it->first);
        ++it;
    }
    for (Token token : matching) {
        auto it = m_observers.find(token);
        if (it == m_observers.end() || (it->second.hasContext && !it->second.context))
            continue;
        const Handler handler = it->second.handler;
        handler(userInfo);
    }
}

} // namespace corvanta
