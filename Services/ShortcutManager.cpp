#include "Services/ShortcutManager.h"

#include "Platform/PointerWatcher.h"
#include "Platform/ScreenProvider.h"
#include "Platform/TouchpadFrameSource.h"
#include "Services/HotCornerMonitor.h"
#include "Services/MultitouchFingerTracker.h"
#include "Services/PinchRecognizer.h"
#include "Services/ShortcutParser.h"
#include "Services/SystemTrackpadPinch.h"
#include "Support/LogFormat.h"
#include "Support/Logger.h"
#include "Support/QtScheduler.h"

#include <QPointer>

namespace corvanta {

ShortcutManager::ShortcutManager(GlobalHotKey& hotKey, Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_hotKey(hotKey), m_scheduler(scheduler)
{
}

ShortcutManager::~ShortcutManager() = default;

ShortcutManager& ShortcutManager::shared()
{
    static std::unique_ptr<GlobalHotKey> hotKey = makeSystemGlobalHotKey();
    static std::unique_ptr<PointerWatcher> pointer = makeSystemPointerWatcher();
    static std::unique_ptr<PinchEventSource> pinchEvents = makeSystemPinchEventSource();
    static std::unique_ptr<SleepWakeSource> sleepWake = makeSystemSleepWakeSource();
    static ShortcutManager* instance = [] {
        auto* manager = new ShortcutManager(*hotKey, QtScheduler::shared());
        manager->attachHotCorner(std::make_unique<HotCornerMonitor>(*pointer, ScreenProvider::shared()));
        PinchRecognizer::Dependencies pinch;
        pinch.scheduler = &QtScheduler::shared();
        pinch.tracker = &MultitouchFingerTracker::shared();
        pinch.events = pinchEvents.get();
        pinch.sleepWake = sleepWake.get();
        pinch.systemPinch = &SystemTrackpadPinch::shared();
        pinch.touchpadAccess = touchpadAccess;
        pinch.isTilehallVisible = [manager] { return manager->isTilehallVisible(); };
        manager->attachPinch(std::make_unique<PinchRecognizer>(std::move(pinch)));
        return manager;
    }();
    return *instance;
}

void ShortcutManager::attachHotCorner(std::unique_ptr<HotCornerMonitor> monitor)
{
    m_hotCornerMonitor = std::move(monitor);
    if (!m_hotCornerMonitor)
        return;
    // The toggle never runs inside the pointer's delivery.
    QPointer<ShortcutManager> self(this);
    m_hotCornerMonitor->onHit = [self] {
        if (!self)
            return;
        self->m_scheduler.schedule(0, [self] {
            if (self && self->onToggle)
                self->onToggle();
        });
    };
}

void ShortcutManager::attachPinch(std::unique_ptr<PinchRecognizer> recognizer)
{
    m_pinch = std::move(recognizer);
    if (!m_pinch)
        return;
    m_pinch->onPinchBegin = [this](PinchGestureDirection direction) {
        if (onPinchBegin)
            onPinchBegin(direction);
    };
    m_pinch->onPinchProgress = [this](double progress) {
        if (onPinchProgress)
            onPinchProgress(progress);
    };
    m_pinch->onPinchSettle = [this](bool commit) {
        if (onPinchSettle)
            onPinchSettle(commit);
    };
}

void ShortcutManager::startHotCornerMonitor(HotCorner corner)
{
    m_hotCorner = corner;
    if (m_hotCornerMonitor)
        m_hotCornerMonitor->start(corner);
}

void ShortcutManager::stopHotCornerMonitor()
{
    if (m_hotCornerMonitor)
        m_hotCornerMonitor->stop();
}

void ShortcutManager::setupPinchGesture(TrackpadGesture mode, bool claimExclusive)
{
    if (m_pinch)
        m_pinch->setupPinchGesture(mode, claimExclusive);
}

void ShortcutManager::stopPinchGesture()
{
    if (m_pinch)
        m_pinch->stopPinchGesture();
}

void ShortcutManager::cancelInteractivePinch()
{
    if (m_pinch)
        m_pinch->cancelInteractivePinch();
}

void ShortcutManager::setTilehallVisible(bool visible)
{
    if (m_isTilehallVisible == visible)
        return;
    m_isTilehallVisible = visible;
    Q_EMIT isTilehallVisibleChanged(visible);
}

void ShortcutManager::unregisterShortcut()
{
    if (m_hotKey.isRegistered())
        m_hotKey.unregisterHotKey();
    if (m_hotKey.hasHandler())
        m_hotKey.removeHandler();
}

void ShortcutManager::registerShortcut(const QString& key)
{
    unregisterShortcut();
    m_shortcutKey = key;
    const ParsedShortcut parsed = parseShortcut(key);
    if (parsed.keyCode == 0) {
        CLOG_WARN(QStringLiteral("Hot key text names no key that can be registered; no hot key is active: ") + logEscaped(key));
        return;
    }

    // The press only schedules the toggle, so the toggle never runs inside the platform's callback.
    QPointer<ShortcutManager> self(this);
    m_hotKey.installHandler([self] {
        if (!self)
            return;
        self->m_scheduler.schedule(0, [self] {
            if (self && self->onToggle)
                self->onToggle();
        });
    });
    if (!m_hotKey.registerHotKey(parsed.keyCode, parsed.modifiers))
        CLOG_WARN(QStringLiteral("Hot key could not be registered (taken by another program, or no such key here): ") + logEscaped(key));
}

} // namespace corvanta
