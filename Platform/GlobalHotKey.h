#pragma once

#include <QtGlobal>

#include <functional>

namespace corvanta {

// A system-wide hot key: a handler that receives presses, and at most one registered key
// combination (virtual key code and modifier bits of ShortcutParser.h).
class GlobalHotKey {
public:
    virtual ~GlobalHotKey() = default;

    // False where the desktop offers no global keys at all.
    virtual bool isAvailable() const = 0;

    virtual void installHandler(std::function<void()> onPressed) = 0;
    virtual void removeHandler() = 0;
    virtual bool hasHandler() const = 0;

    // Returns false when the key could not be grabbed (for example, another program holds it).
    virtual bool registerHotKey(quint32 keyCode, quint32 modifiers) = 0;
    virtual void unregisterHotKey() = 0;
    virtual bool isRegistered() const = 0;
};

} // namespace corvanta

#include <memory>

namespace corvanta {

// The desktop's hot key: an X key grab on X11; elsewhere a stand-in that has no keys to offer.
std::unique_ptr<GlobalHotKey> makeSystemGlobalHotKey();

} // namespace corvanta
