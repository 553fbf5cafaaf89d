#include "Views/FloatingPanel.h"

#include "Platform/WindowLevels.h"
#include "Platform/WindowStack.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace corvanta {

FloatingPanel::FloatingPanel(QWidget* content, bool closable, WindowStack& stack) : m_stack(stack), m_closable(closable)
{
    Qt::WindowFlags flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;
    if (closable)
        flags |= Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowTitle(QStringLiteral("Corvanta"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    setFixedSize(content->size());
}

void FloatingPanel::orderFrontAsKey()
{
    if (!isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
    }
    winId();
    m_stack.setLevel(windowHandle(), WindowLevel::aboveOverlay);
    m_stack.makeKeyAndOrderFront(windowHandle());
    activateWindow();
    raise();
}

void FloatingPanel::orderOut() { hide(); }

void FloatingPanel::closeEvent(QCloseEvent* event)
{
    if (!m_closable) {
        event->ignore();
        return;
    }
    // Not the dialog's own close, which would go through Esc's path.
    event->accept();
    hide();
    Q_EMIT closedByUser();
}

void FloatingPanel::reject()
{
    // Esc never hides a panel by itself: its owner decides.
    Q_EMIT cancelRequested();
}

} // namespace corvanta
