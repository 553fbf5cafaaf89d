#include "Services/ShortcutManager.h"

#include "Services/ShortcutParser.h"
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
    static ShortcutManager* instance = new ShortcutManager(*hotKey, QtScheduler::shared());
    return *instance;
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
    if (parsed.keyCode == 0)
        return;

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
    m_hotKey.registerHotKey(parsed.keyCode, parsed.modifiers);
}

} // namespace corvanta
