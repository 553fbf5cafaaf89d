#include "Views/AppIconView.h"

#include "Services/IconCache.h"
#include "Support/Logger.h"
#include "Support/TimingCurve.h"
#include "Views/LaunchIconAnimator.h"
#include "Views/OffscreenPrerender.h"
#include "Views/PaintHints.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>

namespace corvanta {

namespace {
constexpr const char* kLogFile = "TilehallGridView.cpp";

// The icon as large as this cell draws it, and no larger: a full-size picture per cell would cost
// megabytes each and a rescale on every paint.
QImage atDrawSize(const QImage& icon, double side)
{
    const double dpr = qGuiApp ? std::max(1.0, qGuiApp->devicePixelRatio()) : 1.0;
    return IconCache::atMostPixels(icon, int(std::ceil(side * dpr)));
}
} // namespace

AppIconView::AppIconView(const GridCellServices& services, const AppItem& app, const GridMetrics& metrics, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_services(services),
      m_app(app),
      m_metrics(metrics),
      m_geometry(metrics),
      m_wobble(*services.scheduler, [this](double a) { setAngle(a); }),
      m_settle(*services.scheduler, 0, [this](double a) { setAngle(a); }),
      m_merge(*services.scheduler, 0, [this](double) { QGraphicsObject::update(); }),
      m_badge(*services.scheduler, 0, [this](double) { QGraphicsObject::update(); }),
      m_labelOpacity(*services.scheduler, 1, [this](double) { QGraphicsObject::update(); }),
      m_launch(new LaunchIconAnimator(*services.scheduler, this))
{
    if (services.frames)
        m_report = FrameReport(*services.frames, FrameKind::icon);
    if (services.icons) {
        if (auto cached = services.icons->cachedImage(iconCacheKey(app)))
            m_icon = *cached;
    }
    setAcceptedMouseButtons(Qt::LeftButton);
    relayout();
    m_icon = atDrawSize(m_icon, m_geometry.iconRect.width());
    if (isVisible() && m_services.shouldDrawAhead())
        prepareDrawing();
    // Made under a parent that is already on a scene, the cell never sees its own scene change
    // (the base constructor cannot reach this class's itemChange), so start the load here.
    loadIconAsync();
}

AppIconView::~AppIconView() = default;

void AppIconView::setApp(const AppItem& app)
{
    const bool renamed = app.name != m_app.name;
    m_app = app; // a living cell keeps the icon it has
    if (renamed) {
        m_label = {};
        QGraphicsObject::update();
    }
}

void AppIconView::setMetrics(const GridMetrics& metrics)
{
    m_metrics = metrics;
    relayout();
}

void AppIconView::relayout()
{
    prepareGeometryChange();
    m_geometry = CellGeometry(m_metrics);
    m_label = {};
    m_shadow = {};
    m_iconArt = {};
    setTransformOriginPoint(m_geometry.iconCentre());
    m_launch->setPos(m_geometry.iconRect.topLeft());
    m_launch->setSize(m_geometry.iconRect.size());
    updateReport();
    QGraphicsObject::update();
}

void AppIconView::setInputs(const Inputs& in)
{
    const Inputs old = m_inputs;
    m_inputs = in;

    if (in.isJiggling != old.isJiggling) {
        if (in.isJiggling) {
            startJiggle();
        } else {
            m_jiggleStart.cancel();
            m_jiggleSecond.cancel();
            m_wobble.stop();
            m_settle.set(m_angle);
            m_settle.animate(0, kJiggleSettleDuration, TimingCurve::easeOut());
        }
    } else if (in.showDeleteBadge && !old.showDeleteBadge && in.isJiggling) {
        startJiggle();
    }

    const double merge = in.isMergeTarget && !in.isJiggling ? 1 : 0;
    if (merge != m_merge.target())
        m_merge.animate(merge, kMergeDuration, TimingCurve::easeOut());
    const double badge = in.showDeleteBadge ? 1 : 0;
    if (badge != m_badge.target())
        m_badge.animate(badge, kBadgeDuration, TimingCurve::easeInEaseOut());
    if (in.labelOpacity != m_labelOpacity.target()) {
        if (in.labelAnimation > 0)
            m_labelOpacity.animate(in.labelOpacity, in.labelAnimation, TimingCurve::easeInEaseOut());
        else
            m_labelOpacity.set(in.labelOpacity);
    }

    if (in.showDeleteBadge != old.showDeleteBadge || in.trackFrame != old.trackFrame)
        updateReport();
    updateZ();
    m_launch->update(m_icon, in.isLaunching);
    QGraphicsObject::update();
}

void AppIconView::updateZ() { setZValue(m_inputs.isLaunching || m_inputs.isMergeTarget ? 1 : 0); }

void AppIconView::setReportedCellFrame(const QRectF& cellFrame)
{
    m_cellFrame = cellFrame;
    updateReport();
}

void AppIconView::updateReport()
{
    if (!m_inputs.trackFrame || !m_cellFrame) {
        m_reported.reset();
        m_report.clear();
        return;
    }
    QRectF r = CellGeometry::iconSquare(*m_cellFrame, m_metrics);
    if (m_inputs.showDeleteBadge)
        r = CellGeometry::withBadge(r);
    m_reported = r;
    m_report.reportIcon(m_app.id, r);
}

void AppIconView::setIcon(const QImage& icon)
{
    m_icon = atDrawSize(icon, m_geometry.iconRect.width());
    m_shadow = {};
    m_iconArt = {};
    if (m_services.shouldDrawAhead())
        prepareDrawing();
    m_launch->update(m_icon, m_inputs.isLaunching);
    QGraphicsObject::update();
}

void AppIconView::loadIconAsync()
{
    if (!m_icon.isNull() || m_loadRequested || !m_services.icons || !scene() || !isVisible())
        return;
    m_loadRequested = true;
    Logger::shared().debug(QStringLiteral("Loading icon for: %1 from %2").arg(m_app.name, m_app.path()), kLogFile, "loadIconAsync()", __LINE__);
    const QString name = m_app.name;
    m_services.loadIcon(this, iconCacheKey(m_app), m_app.path(), [this, name](const QImage& image) {
        setIcon(image);
        Logger::shared().debug(QStringLiteral("Icon loaded: %1 — size=(%2, %3)").arg(name, QString::number(image.width()), QString::number(image.height())), kLogFile,
            "loadIconAsync()", __LINE__);
    });
}

void AppIconView::startJiggle()
{
    m_jiggleStart = ScheduledTask(m_services.scheduler, m_services.scheduler->schedule(kJiggleDelay, [this] {
        if (!m_inputs.isJiggling)
            return;
        m_jiggleDuration = m_services.uniform(0.09, 0.13);
        const double first = -m_services.uniform(2.8, 4.2);
        m_settle.set(m_angle);
        m_wobble.start({m_angle, first, m_jiggleDuration, 0});
        m_jiggleSecond = ScheduledTask(m_services.scheduler, m_services.scheduler->schedule(0, [this, first] {
            if (!m_inputs.isJiggling)
                return;
            m_wobble.start({first, m_services.uniform(2.8, 4.2), m_jiggleDuration, 0});
        }));
    }));
}

void AppIconView::setAngle(double degrees)
{
    m_angle = degrees;
    setRotation(degrees);
}

QVariant AppIconView::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSceneHasChanged && value.value<QGraphicsScene*>()) {
        loadIconAsync();
        m_launch->update(m_icon, m_inputs.isLaunching);
    }
    if (change == ItemVisibleHasChanged && value.toBool())
        loadIconAsync();
    return QGraphicsObject::itemChange(change, value);
}

QRectF AppIconView::boundingRect() const
{
    const QRectF icon = m_geometry.iconRect;
    const double s = icon.width();
    const QRectF lifted = icon.adjusted(-0.05 * s - 4, -0.05 * s - 4, 0.05 * s + 4, 0.05 * s + 4);
    const QRectF label = m_geometry.labelRect.adjusted(-3, -3, 3, 3); // the label pixmap's shadow room
    return QRectF(QPointF(), m_geometry.cellSize).united(lifted).united(CellGeometry::badgeRect(icon).adjusted(-3, -3, 3, 4)).united(label);
}

void AppIconView::paintIcon(QPainter& p)
{
    const QRectF icon = m_geometry.iconRect;
    const double s = icon.width();
    const QPainterPath shape = CellDrawing::continuousRoundedRect(icon, 0.2 * s);
    if (!m_icon.isNull()) {
        makeIconArt(p.device() ? std::max(1.0, p.device()->devicePixelRatioF()) : 1.0);
        CellDrawing::drawIconShadow(p, m_shadow, icon, 2, QPointF(0, 1), 0.18);
        p.save();
        smoothOnlyWhenTransformed(p); // the merge lift scales
        p.drawPixmap(icon, m_iconArt, QRectF(m_iconArt.rect()));
        p.restore();
        return;
    }
    CellDrawing::drawSoftShadow(p, icon, 0.2 * s, 2, QPointF(0, 1), 0.18);
    m_services.fillMaterial(p, shape, *this);
    const double symbol = 0.4 * s;
    QPen pen(QColor(255, 255, 255, 128), CellDrawing::symbolStrokeWidth(symbol));
    pen.setCapStyle(Qt::RoundCap);
    p.strokePath(CellDrawing::dashedAppSymbol(icon.center(), symbol), pen);
}

void AppIconView::makeIconArt(double dpr)
{
    const QRectF icon = m_geometry.iconRect;
    const double s = icon.width();
    if (m_icon.isNull() || s <= 0)
        return;
    if (m_shadow.isNull() || m_shadow.devicePixelRatio() != dpr)
        m_shadow = CellDrawing::iconShadow(m_icon, icon, 0.2 * s, 2, dpr);
    if (m_iconArt.isNull() || m_iconArt.devicePixelRatio() != dpr)
        m_iconArt = CellDrawing::roundedIconPixmap(m_icon, s, 0.2 * s, dpr);
}

void AppIconView::makeLabel(double dpr)
{
    const QRectF label = m_geometry.labelRect;
    if (label.width() <= 0 || label.height() <= 0)
        return;
    if (m_label.isNull() || m_label.devicePixelRatio() != dpr)
        m_label = CellDrawing::labelPixmap(m_app.name, m_metrics.labelFontSize, label.width(), label.height(), dpr);
}

void AppIconView::prepareDrawing()
{
    // The ratio the overlay's window paints at (icons are sized by the same).
    const double dpr = qGuiApp ? std::max(1.0, qGuiApp->devicePixelRatio()) : 1.0;
    makeIconArt(dpr);
    makeLabel(dpr);
}

bool AppIconView::isReadyToDraw() const
{
    return !m_label.isNull() && (m_icon.isNull() || (!m_shadow.isNull() && !m_iconArt.isNull()));
}

void AppIconView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (offscreenDrawCancelled())
        return;
    QPainter& p = *painter;
    p.setRenderHint(QPainter::Antialiasing);
    smoothOnlyWhenTransformed(p);
    const QRectF icon = m_geometry.iconRect;
    const double s = icon.width();
    if (s <= 0)
        return;

    // Icon block: icon, merge lift and ring, badge.
    p.save();
    p.setOpacity(p.opacity() * m_inputs.iconOpacity);
    {
        p.save();
        const double merge = m_merge.value();
        const double lift = 1 + (kMergeLift - 1) * merge;
        p.translate(icon.center());
        p.scale(lift, lift);
        p.translate(-icon.center());
        paintIcon(p);
        if (merge > 0) {
            QRectF ring(0, 0, 0.82 * s, 0.82 * s);
            ring.moveCenter(icon.center());
            QPen pen(QColor(255, 255, 255, int(std::lround(0.9 * 255 * merge))), std::max(0.028 * s, 2.0));
            p.strokePath(CellDrawing::continuousRoundedRect(ring, 0.185 * s), pen);
        }
        p.restore();
    }
    if (const double badge = m_badge.value(); badge > 0) {
        const QRectF b = badgeRect();
        p.save();
        p.setOpacity(p.opacity() * badge);
        p.translate(b.center());
        p.scale(std::max(badge, 0.001), std::max(badge, 0.001));
        const QRectF local(-b.width() / 2, -b.height() / 2, b.width(), b.height());
        CellDrawing::drawSoftShadow(p, local, b.width() / 2, 2, QPointF(0, 1), 0.3);
        QPainterPath circle;
        circle.addEllipse(local);
        p.fillPath(circle, QColor(255, 255, 255, 242));
        QPen pen(QColor(64, 64, 64), std::max(1.0, 0.16 * s * 0.16));
        pen.setCapStyle(Qt::RoundCap);
        p.strokePath(CellDrawing::xmarkSymbol(QPointF(0, 0), 0.16 * s), pen);
        p.restore();
    }
    p.restore();

    // Label.
    const QRectF label = m_geometry.labelRect;
    if (label.width() > 0 && label.height() > 0 && m_labelOpacity.value() > 0) {
        makeLabel(p.device() ? std::max(1.0, p.device()->devicePixelRatioF()) : 1.0);
        p.save();
        p.setOpacity(p.opacity() * m_labelOpacity.value());
        p.drawPixmap(label.topLeft() - QPointF(3, 3), m_label);
        p.restore();
    }
}

void AppIconView::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    const QPointF at = event->pos();
    m_press = Press::none;
    if (m_inputs.showDeleteBadge && badgeRect().contains(at))
        m_press = Press::badge;
    else if (m_geometry.iconRect.contains(at))
        m_press = Press::icon;
    if (m_press == Press::none) {
        event->ignore();
        return;
    }
    m_pressPos = event->scenePos();
    m_pressTime = m_services.scheduler->now();
    event->accept();
}

void AppIconView::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    const Press press = std::exchange(m_press, Press::none);
    const QPointF moved = event->scenePos() - m_pressPos;
    if (std::hypot(moved.x(), moved.y()) > kTapSlop)
        return;
    if (press == Press::badge) {
        if (badgeRect().contains(event->pos()) && onDelete)
            onDelete();
        return;
    }
    if (press == Press::icon && m_services.scheduler->now() - m_pressTime < kTapMaxDuration && onTap)
        onTap();
}

} // namespace corvanta
