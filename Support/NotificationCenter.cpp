#include "Support/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

namespace corvanta {

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent) {}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter* center = new NotificationCenter; // created on first use, on the main thread
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, QObject* context, Handler handler)
{
    return m_observers.add(name, context, std::move(handler));
}

void NotificationCenter::removeObserver(Token token) { m_observers.remove(token); }

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    if (QThread::currentThread() == thread()) {
        m_observers.deliver(name, userInfo);
        return;
    }
    QMetaObject::invokeMethod(this, [this, name, userInfo] { m_observers.deliver(name, userInfo); }, Qt::QueuedConnection);
}

} // namespace corvanta
