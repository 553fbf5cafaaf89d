#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace corvanta {

// Watches the X root window's _NET_CURRENT_DESKTOP property on a connection of its own. Without
// an X display it stays inactive and never signals.
class CurrentDesktopWatcher final : public QObject {
    Q_OBJECT
public:
    // `displayName` empty: the DISPLAY environment variable.
    explicit CurrentDesktopWatcher(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~CurrentDesktopWatcher() override;

    bool isActive() const { return m_display != nullptr; }

Q_SIGNALS:
    void currentDesktopChanged();

private:
    void readEvents();

    void* m_display = nullptr; // Display*, kept opaque so Xlib's macros stay out of other files
    unsigned long m_atom = 0;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace corvanta
