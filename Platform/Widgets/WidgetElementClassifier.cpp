#include "Platform/Widgets/WidgetElementClassifier.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

namespace corvanta {

InputEvent::Element classifyWidgetAt(QWindow* window, const QPointF& point)
{
    if (!window)
        return InputEvent::Element::None;
    QWidget* top = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->windowHandle() == window) {
            top = candidate;
            break;
        }
    }
    if (!top)
        return InputEvent::Element::None;
    QWidget* hit = top->childAt(point.toPoint());
    if (!hit)
        return InputEvent::Element::None;
    for (QWidget* w = hit; w && w != top; w = w->parentWidget()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)
            || qobject_cast<QAbstractSpinBox*>(w))
            return InputEvent::Element::TextField;
        if (qobject_cast<QAbstractButton*>(w))
            return InputEvent::Element::Button;
    }
    for (QWidget* w = hit; w && w != top; w = w->parentWidget()) {
        if (qobject_cast<QAbstractScrollArea*>(w))
            return InputEvent::Element::ScrollView;
    }
    return InputEvent::Element::Other;
}

} // namespace corvanta
