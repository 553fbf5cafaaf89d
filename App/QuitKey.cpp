#include "App/QuitKey.h"

#include "Support/Logger.h"
#include "Support/TerminationRequest.h"

#include <QKeyEvent>

namespace corvanta {

QuitKey::QuitKey(std::function<void()> quit, QObject* parent) : QObject(parent), m_quit(std::move(quit)) {}

bool QuitKey::isQuitKey(int key, Qt::KeyboardModifiers modifiers)
{
    // Control plays the part of the command key here; keypad state is not a modifier.
    return key == Qt::Key_Q && (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

bool QuitKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!isQuitKey(key->key(), key->modifiers()))
        return QObject::eventFilter(watched, event);
    // Taking the override keeps the key from every shortcut (the menu's own Quit item among them),
    // so the press that follows is the one place the ending is asked for.
    event->accept();
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
        CLOG_INFO(QStringLiteral("Cmd+Q pressed — terminating Corvanta"));
        if (m_quit)
            m_quit();
        else
            TerminationRequest::request();
    }
    return true;
}

} // namespace corvanta
