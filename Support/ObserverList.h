#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>

namespace corvanta {

// Observers of named notifications, shared by the in-process centre and the bus between processes.
class ObserverList {
public:
    using Handler = std::function<void(const QVariantMap& userInfo)>;
    using Token = quint64;

    // `context`: the observer is dropped once it is destroyed, so handlers never outlive their owner.
    Token add(const QString& name, QObject* context, Handler handler);
    void remove(Token token) { m_observers.erase(token); }
    // Calls every observer of `name`; a handler may add or remove observers meanwhile.
    void deliver(const QString& name, const QVariantMap& userInfo);

private:
    struct Observer {
        QString name;
        QPointer<QObject> context;
        bool hasContext = false;
        Handler handler;
    };
    Token m_next = 1;
    std::map<Token, Observer> m_observers;
};

} // namespace corvanta
