#include "Views/ElementAtPoint.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QGraphicsProxyWidget>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QLineEdit>
#include <QTextEdit>

namespace corvanta {

namespace {

InputEvent::Element classify(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget))
            return InputEvent::Element::TextField;
        if (qobject_cast<const QAbstractButton*>(widget))
            return InputEvent::Element::Button;
        if (qobject_cast<const QAbstractScrollArea*>(widget))
            return InputEvent::Element::ScrollView;
    }
    return InputEvent::Element::Other;
}

} // namespace

InputEvent::Element elementAt(const QGraphicsView& view, const QPoint& viewportPos)
{
    const QList<QGraphicsItem*> items = view.items(viewportPos);
    for (QGraphicsItem* item : items) {
        if (!item->isVisible() || item->acceptedMouseButtons() == Qt::NoButton)
            continue;
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) {
            if (text->textInteractionFlags() & Qt::TextEditable)
                return InputEvent::Element::TextField;
        }
        if (auto* proxy = dynamic_cast<QGraphicsProxyWidget*>(item)) {
            QWidget* widget = proxy->widget();
            if (!widget)
                continue;
            const QPointF local = proxy->mapFromScene(view.mapToScene(viewportPos));
            QWidget* child = widget->childAt(local.toPoint());
            return classify(child ? child : widget);
        }
    }
    return items.isEmpty() ? InputEvent::Element::None : InputEvent::Element::Other;
}

} // namespace corvanta
