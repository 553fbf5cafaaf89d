#include "Platform/GlobalHotKey.h"
#include "Platform/X11GlobalHotKey.h"
#include "Support/Logger.h"

#include <QGuiApplication>

namespace corvanta {

namespace {

class UnavailableGlobalHotKey final : public GlobalHotKey {
public:
    bool isAvailable() const override { return false; }
    void installHandler(std::function<void()>) override {}
    void removeHandler() override {}
    bool hasHandler() const override { return false; }
    bool registerHotKey(quint32, quint32) override { return false; }
    void unregisterHotKey() override {}
    bool isRegistered() const override { return false; }
};

} // namespace

std::unique_ptr<GlobalHotKey> makeSystemGlobalHotKey()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11GlobalHotKey>();
    CLOG_WARN(QStringLiteral("Display server \"%1\" is not X11: no global hot key is available")
                  .arg(QGuiApplication::platformName()));
    return std::make_unique<UnavailableGlobalHotKey>();
}

} // namespace corvanta
