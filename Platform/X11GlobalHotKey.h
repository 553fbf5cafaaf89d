#pragma once

#include "Platform/GlobalHotKey.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace corvanta {

// Hot key as a passive key grab on the X root window, on a connection of our own so that Qt's
// event handling never sees (or swallows) the grabbed key.
class X11GlobalHotKey final : public QObject, public GlobalHotKey {
public:
    // `displayName` empty: $DISPLAY.
    explicit X11GlobalHotKey(const QByteArray& displayName = {}, QObject* parent = nullptr);
    ~X11GlobalHotKey() override;

    bool isAvailable() const override;
    void installHandler(std::function<void()> onPressed) override;
    void removeHandler() override;
    bool hasHandler() const override { return bool(m_handler); }
    bool registerHotKey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotKey() override;
    bool isRegistered() const override { return m_keycode != 0; }

    // X key symbol and modifier state for a virtual key code and modifier bits; 0 when unmapped.
    static unsigned long keysymForKeyCode(quint32 keyCode);
    static unsigned int xModifiersFor(quint32 modifiers);

private:
    void readEvents();

    struct Connection;
    std::unique_ptr<Connection> m_x;
    QSocketNotifier* m_notifier = nullptr;
    std::function<void()> m_handler;
    unsigned int m_keycode = 0;
    unsigned int m_xModifiers = 0;
    bool m_keyDown = false;
};

} // namespace corvanta
