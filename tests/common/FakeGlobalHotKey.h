#pragma once

#include "Platform/GlobalHotKey.h"

namespace corvanta::test {

class FakeGlobalHotKey final : public GlobalHotKey {
public:
    bool isAvailable() const override { return true; }
    void installHandler(std::function<void()> onPressed) override
    {
        handler = std::move(onPressed);
        ++handlersInstalled;
    }
    void removeHandler() override { handler = nullptr; }
    bool hasHandler() const override { return bool(handler); }
    bool registerHotKey(quint32 code, quint32 mods) override
    {
        ++registrations;
        if (refuse)
            return false;
        keyCode = code;
        modifiers = mods;
        registered = true;
        return true;
    }
    void unregisterHotKey() override { registered = false; }
    bool isRegistered() const override { return registered; }

    void press()
    {
        if (handler && registered)
            handler();
    }

    std::function<void()> handler;
    quint32 keyCode = 0, modifiers = 0;
    bool registered = false;
    bool refuse = false; // the key is taken by another program
    int registrations = 0, handlersInstalled = 0;
};

} // namespace corvanta::test
