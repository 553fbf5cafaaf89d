#include "Platform/X11PointerWatcher.h"

#include "Platform/QtScreenProvider.h"

#include <QGuiApplication>
#include <QScreen>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace corvanta {

bool X11PointerWatcher::start(std::function<void(const QPointF&)> onMoved)
{
    stop();
    m_onMoved = std::move(onMoved);
    return m_x.listen({XI_RawMotion}, [this](int, const void*) { m_moved = true; }, [this] { reportPosition(); });
}

void X11PointerWatcher::stop()
{
    m_x.stopListening();
    m_onMoved = nullptr;
    m_moved = false;
}

void X11PointerWatcher::reportPosition()
{
    if (!m_moved || !m_onMoved)
        return;
    m_moved = false;
    // One position per batch: a burst of raw events costs one round trip.
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(m_x.display(), m_x.root(), &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask))
        return;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const double ratio = primary ? primary->devicePixelRatio() : 1.0;
    m_onMoved(QtScreenProvider::currentSpace().toGlobal(QPointF(rootX / ratio, rootY / ratio)));
}

namespace {

class NoPointerWatcher final : public PointerWatcher {
public:
    bool start(std::function<void(const QPointF&)>) override { return false; }
    void stop() override {}
    bool isWatching() const override { return false; }
};

} // namespace

std::unique_ptr<PointerWatcher> makeSystemPointerWatcher()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11PointerWatcher>();
    return std::make_unique<NoPointerWatcher>();
}

} // namespace corvanta
