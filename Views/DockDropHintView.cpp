#include "Views/DockDropHintView.h"

#include "Views/ChromeDrawing.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace corvanta {
namespace {

constexpr double kSymbolSize = 14;
constexpr double kSpacing = 7;
constexpr double kPaddingX = 15;
constexpr double kPaddingY = 8;

} // namespace

DockDropHintView::DockDropHintView(QGraphicsItem* parent) : QGraphicsObject(parent)
{
    setAcceptedMouseButtons(Qt::NoButton);
}

void DockDropHintView::setAlreadyInDock(bool already)
{
    if (already == m_alreadyInDock)
        return;
    prepareGeometryChange();
    m_alreadyInDock = already;
}

QString DockDropHintView::text() const
{
    return m_alreadyInDock ? QStringLiteral("已在程序坞中") : QStringLiteral("松手添加到程序坞");
}

QFont DockDropHintView::font() const
{
    QFont font;
    font.setPointSizeF(13.5);
    font.setWeight(QFont::DemiBold);
    return font;
}

QSizeF DockDropHintView::size() const
{
    const QFontMetricsF metrics(font());
    const double content = kSymbolSize + kSpacing + metrics.horizontalAdvance(text());
    return {content + 2 * kPaddingX, std::max(kSymbolSize, metrics.height()) + 2 * kPaddingY};
}

void DockDropHintView::followCursor(const QPointF& cursor, const QRectF& area)
{
    const QSizeF s = size();
    const QRectF room = area.adjusted(kEdgeRoom + s.width() / 2, kEdgeRoom + s.height() / 2, -kEdgeRoom - s.width() / 2,
        -kEdgeRoom - s.height() / 2);
    QPointF centre(cursor.x(), std::max(cursor.y() - 56, 28.0));
    // An area narrower than the pill keeps it centred on the area.
    if (room.width() >= 0)
        centre.setX(std::clamp(centre.x(), room.left(), room.right()));
    else
        centre.setX(area.center().x());
    if (room.height() >= 0)
        centre.setY(std::clamp(centre.y(), room.top(), room.bottom()));
    setPos(centre);
}

QRectF DockDropHintView::pillRect() const
{
    const QSizeF s = size();
    return {pos() - QPointF(s.width() / 2, s.height() / 2), s};
}

QRectF DockDropHintView::boundingRect() const
{
    const QSizeF s = size();
    return QRectF(-s.width() / 2, -s.height() / 2, s.width(), s.height()).adjusted(-10, -10, 10, 14);
}

void DockDropHintView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setRenderHint(QPainter::Antialiasing);
    const QSizeF s = size();
    const QRectF pill(-s.width() / 2, -s.height() / 2, s.width(), s.height());
    CapsuleStyle style;
    style.shadowOpacity = 0.35;
    style.shadowRadius = 10;
    style.shadowOffsetY = 3;
    style.fill = QColor(24, 24, 28, 200);
    style.outline = QColor(255, 255, 255, int(255 * 0.18));
    style.outlineWidth = 0.8;
    drawCapsule(painter, pill, style);
    const QPointF symbolCentre(pill.left() + kPaddingX + kSymbolSize / 2, 0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::white);
    painter->drawPath(m_alreadyInDock ? checkCircleSymbol(symbolCentre, kSymbolSize) : plusCircleSymbol(symbolCentre, kSymbolSize));
    painter->setPen(Qt::white);
    painter->setFont(font());
    const QRectF textRect(pill.left() + kPaddingX + kSymbolSize + kSpacing, pill.top(), s.width(), pill.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace corvanta
