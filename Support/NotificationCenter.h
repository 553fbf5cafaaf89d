#pragma once

#include "Support/ObserverList.h"

#include <QObject>

namespace corvanta {

// The program's in-process notification hub (the default centre). Observers run on the thread that
// owns the centre (the main thread): a post from another thread is queued there.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = ObserverList::Handler;
    using Token = ObserverList::Token;

    explicit NotificationCenter(QObject* parent = nullptr);
    static NotificationCenter& defaultCenter();

    // `context`: the observer is dropped once it is destroyed, so handlers never outlive their owner.
    Token addObserver(const QString& name, QObject* context, Handler handler);
    void removeObserver(Token token);

    // Delivers synchronously when called on the centre's thread, queued otherwise.
    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    ObserverList m_observers;
};

// Names the program posts and observes.
namespace Notifications {
inline const QString tilehallShouldClose = QStringLiteral("tilehallShouldClose");
inline const QString tilehallShouldToggle = QStringLiteral("tilehallShouldToggle");
inline const QString tilehallShouldShow = QStringLiteral("com.corvanta.showTilehall");
inline const QString accessibilityPermissionGranted = QStringLiteral("com.corvanta.accessibilityGranted");
inline const QString accessibilitySkipPinchAndShow = QStringLiteral("com.corvanta.accessibilitySkipPinchAndShow");
} // namespace Notifications

} // namespace corvanta
