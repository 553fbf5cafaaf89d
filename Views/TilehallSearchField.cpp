#include "Views/TilehallSearchField.h"

#include "Views/ChromeDrawing.h"
#include "Views/LayerHostWindow.h"
#include "Views/ModalAboveOverlay.h"
#include "Views/SearchFocusKeeper.h"

#include <QEvent>
#include <QFont>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QCursor>
#include <QGraphicsView>
#include <QMenu>
#include <QLineEdit>
#include <QPainter>

#include <memory>

namespace corvanta {

TilehallSearchField::TilehallSearchField(Scheduler& scheduler, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_scheduler(scheduler), m_proxy(new QGraphicsProxyWidget(this)), m_edit(new QLineEdit),
      m_focusKeeper(new SearchFocusKeeper(*this, scheduler))
{
    m_edit->setPlaceholderText(QStringLiteral("搜索"));
    m_edit->setFrame(false);
    m_edit->setAttribute(Qt::WA_TranslucentBackground);
    m_edit->setAttribute(Qt::WA_InputMethodEnabled);
    QFont font = m_edit->font();
    font.setPixelSize(int(kFontSize));
    m_edit->setFont(font);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; border: none; "
                                         "selection-background-color: rgba(255,255,255,90); }"));
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 140));
    palette.setColor(QPalette::Text, Qt::white);
    m_edit->setPalette(palette);
    m_edit->installEventFilter(this);
    // Left to the field, its menu would be embedded in the scene under the grid's icons.
    m_edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_edit, &QWidget::customContextMenuRequested, this, &TilehallSearchField::showContextMenu);
    m_proxy->setWidget(m_edit);
    m_proxy->setFlag(ItemIsFocusable);
    filterProxyEvents();

    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        update();
        if (!m_syncing && onChange)
            onChange(text);
    });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (onSubmit)
            onSubmit();
    });
    // Made straight into a scene, the field never hears of it through itemChange.
    m_focusKeeper->watch(scene());
    // Made under a parent already on a scene, the field never sees its own scene change (the base
    // constructor cannot reach this class's itemChange). It takes the focus while the overlay is
    // still hidden, so the first show brings its focused look in with the window's activation, as
    // every later show does, rather than changing it once the show has ended.
    if (parent && parent->scene()) {
        m_appeared = true;
        focusSoon();
    }
}

TilehallSearchField::~TilehallSearchField() = default;

void TilehallSearchField::showContextMenu()
{
    QGraphicsView* view = scene() && !scene()->views().isEmpty() ? scene()->views().constFirst() : nullptr;
    if (!view)
        return;
    // The field's own items (undo, cut, copy, paste, select all) in a menu window of its own above
    // the overlay: the field's menu itself, a child of an embedded widget, would be drawn inside the
    // scene. It opens at the pointer, where the right click was.
    const std::unique_ptr<QMenu> standard(m_edit->createStandardContextMenu());
    QMenu menu;
    menu.addActions(standard->actions());
    popUpMenuAboveOverlay(menu, QCursor::pos(), qobject_cast<LayerHostWindow*>(view));
}

void TilehallSearchField::setText(const QString& text)
{
    if (m_edit->text() == text)
        return;
    m_syncing = true;
    m_edit->setText(text);
    m_syncing = false;
    update();
}

QString TilehallSearchField::text() const
{
    return m_edit->text();
}

void TilehallSearchField::setSize(const QSizeF& size)
{
    prepareGeometryChange();
    m_size = size;
    layoutEdit();
}

void TilehallSearchField::layoutEdit()
{
    // Magnifier, spacing, the text, spacing, the clear button's room.
    const double left = kPaddingX + kSymbolSize + kSpacing;
    const double right = kPaddingX + kSymbolSize + kSpacing;
    const double height = std::max(0.0, m_size.height() - 2 * kPaddingY);
    m_proxy->setPos(left, kPaddingY);
    m_proxy->resize(std::max(0.0, m_size.width() - left - right), height);
}

QRectF TilehallSearchField::clearButtonRect() const
{
    const double x = m_size.width() - kPaddingX - kSymbolSize;
    return {x, (m_size.height() - kSymbolSize) / 2, kSymbolSize, kSymbolSize};
}

QRectF TilehallSearchField::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_size).adjusted(-8, -8, 8, 10);
}

void TilehallSearchField::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    CapsuleStyle style;
    style.outline = QColor(255, 255, 255, int(255 * (m_isFocused ? 0.4 : 0.15)));
    drawCapsule(painter, QRectF(QPointF(0, 0), m_size), style);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, int(255 * 0.7)));
    painter->drawPath(magnifierSymbol(QPointF(kPaddingX + kSymbolSize / 2, m_size.height() / 2), kSymbolSize));
    if (showsClearButton()) {
        painter->setBrush(QColor(255, 255, 255, int(255 * 0.5)));
        painter->drawPath(clearSymbol(clearButtonRect().center(), kSymbolSize));
    }
}

void TilehallSearchField::focusField()
{
    if (!scene())
        return;
    m_proxy->setFocus(Qt::OtherFocusReason);
    m_edit->setFocus(Qt::OtherFocusReason);
    // Off screen the widget never hears of the focus; the field's state follows the request.
    setFocused(true);
}

void TilehallSearchField::setFocused(bool focused)
{
    if (focused == m_isFocused)
        return;
    m_isFocused = focused;
    update();
}

void TilehallSearchField::clear()
{
    m_syncing = true;
    m_edit->clear();
    m_syncing = false;
    focusField();
    if (onChange)
        onChange(QString());
    update();
}

bool TilehallSearchField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        switch (event->type()) {
        case QEvent::FocusIn:
            setFocused(true);
            break;
        case QEvent::FocusOut:
            setFocused(false);
            break;
        case QEvent::MouseButtonPress:
            if (onTap)
                onTap();
            break;
        default:
            break;
        }
    }
    return QGraphicsObject::eventFilter(watched, event);
}

void TilehallSearchField::filterProxyEvents()
{
    // The proxy passes a right click on to the field only while it has the keyboard in an active
    // window; a window closed over the overlay (the settings, the uninstall sheet) can leave it
    // without, and the menu must open all the same. The filter needs the scene.
    if (!scene())
        return;
    m_proxy->removeSceneEventFilter(this);
    m_proxy->installSceneEventFilter(this);
}

bool TilehallSearchField::sceneEventFilter(QGraphicsItem* watched, QEvent* event)
{
    if (watched == m_proxy && event->type() == QEvent::GraphicsSceneContextMenu && m_takesClicks) {
        event->accept();
        showContextMenu();
        return true;
    }
    return QGraphicsObject::sceneEventFilter(watched, event);
}

void TilehallSearchField::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    if (onTap)
        onTap();
    event->accept();
}

void TilehallSearchField::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    if (showsClearButton() && clearButtonRect().adjusted(-4, -4, 4, 4).contains(event->pos()))
        clear();
    else
        focusField();
}

void TilehallSearchField::setTakesClicks(bool takes)
{
    if (takes == m_takesClicks)
        return;
    m_takesClicks = takes;
    const Qt::MouseButtons buttons = takes ? Qt::MouseButtons(Qt::AllButtons) : Qt::MouseButtons(Qt::NoButton);
    setAcceptedMouseButtons(buttons);
    m_proxy->setAcceptedMouseButtons(buttons);
    m_proxy->setAcceptHoverEvents(takes);
}

void TilehallSearchField::focusSoon()
{
    m_focusTask = ScheduledTask(&m_scheduler, m_scheduler.schedule(kFocusDelay, [this] { focusField(); }));
}

QVariant TilehallSearchField::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneHasChanged) {
        m_focusKeeper->watch(value.value<QGraphicsScene*>());
        filterProxyEvents();
    }
    if (change == ItemSceneHasChanged && value.value<QGraphicsScene*>() && !m_appeared) {
        m_appeared = true;
        focusSoon();
    }
    return QGraphicsObject::itemChange(change, value);
}

} // namespace corvanta
