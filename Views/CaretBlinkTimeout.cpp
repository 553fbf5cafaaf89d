#include "Views/CaretBlinkTimeout.h"

#include "Platform/GnomeSettings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace corvanta {

CaretBlinkTimeout::Settings CaretBlinkTimeout::desktopSettings()
{
    const QString schema = QStringLiteral("org.gnome.desktop.interface");
    Settings settings;
    if (const std::optional<bool> blinks = GnomeSettings::readBool(schema, QStringLiteral("cursor-blink")))
        settings.blinks = *blinks;
    if (const std::optional<int> timeout = GnomeSettings::readInt(schema, QStringLiteral("cursor-blink-timeout")))
        settings.timeout = *timeout;
    return settings;
}

CaretBlinkTimeout::CaretBlinkTimeout(Scheduler& scheduler, Settings settings, QObject* parent)
    : QObject(parent), m_scheduler(scheduler), m_settings(settings),
      m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    QCoreApplication::instance()->installEventFilter(this);
    setSettings(settings);
}

CaretBlinkTimeout::~CaretBlinkTimeout()
{
    setBlinking(true);
}

void CaretBlinkTimeout::setSettings(Settings settings)
{
    m_settings = settings;
    m_stop.cancel();
    if (m_settings.blinks)
        noteInput();
    else
        setBlinking(false);
}

void CaretBlinkTimeout::followDesktopSettings()
{
    auto* watcher = new GnomeSettings::Watcher(QStringLiteral("org.gnome.desktop.interface"), this);
    connect(watcher, &GnomeSettings::Watcher::changed, this, [this](const QString& key) {
        if (key == QLatin1String("cursor-blink") || key == QLatin1String("cursor-blink-timeout"))
            setSettings(desktopSettings());
    });
}

bool CaretBlinkTimeout::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        noteInput();
        break;
    default:
        break;
    }
    return false;
}

void CaretBlinkTimeout::noteInput()
{
    if (!m_settings.blinks)
        return;
    m_lastInput = m_scheduler.now();
    setBlinking(true);
    // One pending stop at a time: when it comes due it looks at the latest input and, if there was
    // some, waits out the rest, so typing does not cancel and re-arm a task at every key.
    if (m_settings.timeout > 0 && !m_stop.isActive())
        armStop(m_settings.timeout);
}

void CaretBlinkTimeout::armStop(double delay)
{
    m_stop = ScheduledTask(&m_scheduler, m_scheduler.schedule(delay, [this] {
        m_stop = ScheduledTask(); // this task has run; forget its id
        const double idle = m_scheduler.now() - m_lastInput;
        if (idle + 1e-9 < m_settings.timeout)
            armStop(m_settings.timeout - idle);
        else
            setBlinking(false);
    }));
}

void CaretBlinkTimeout::setBlinking(bool blinking)
{
    if (m_blinking == blinking)
        return;
    m_blinking = blinking;
    // Qt's line edits restart or stop their blink timers when the flash time changes; a stopped
    // caret is left drawn.
    QGuiApplication::styleHints()->setCursorFlashTime(blinking ? m_flashTime : 0);
}

} // namespace corvanta
