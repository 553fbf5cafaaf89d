#include "Views/WallpaperBackground.h"

#include "Services/WallpaperStore.h"
#include "Support/TimingCurve.h"
#include "Views/PaintHints.h"

#include <QGraphicsScene>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

const QColor kGradientTopLeft = QColor::fromRgbF(0.15f, 0.15f, 0.2f);
const QColor kGradientBottomRight = QColor::fromRgbF(0.1f, 0.1f, 0.15f);

qreal easeOut(qreal t)
{
    static constexpr TimingCurve curve = TimingCurve::easeOut();
    return curve.value(t);
}

} // namespace

WallpaperBackground::WallpaperBackground(WallpaperStore& store, double blurStrength, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_store(store),
      m_blurStrength(blurStrength),
      m_current{store.blurredImage(), {}},
      m_fadeAnimation(new QPropertyAnimation(this, "fadeProgress", this))
{
    m_fadeAnimation->setDuration(kFadeMilliseconds);
    m_fadeAnimation->setStartValue(0.0);
    m_fadeAnimation->setEndValue(1.0);
    QEasingCurve curve;
    curve.setCustomType(&easeOut);
    m_fadeAnimation->setEasingCurve(curve);
    connect(m_fadeAnimation, &QPropertyAnimation::finished, this, [this] {
        m_previous = {};
        dropComposed();
        update();
    });
    setFlag(ItemUsesExtendedStyleOption);
    connect(&m_store, &WallpaperStore::blurredImageChanged, this, &WallpaperBackground::imagePublished);
}

WallpaperBackground::~WallpaperBackground() = default;

void WallpaperBackground::setSize(const QSizeF& size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
    dropComposed();
}

void WallpaperBackground::setBlurStrength(double strength)
{
    if (strength == m_blurStrength)
        return;
    m_blurStrength = strength;
    m_store.refresh(strength);
}

void WallpaperBackground::setFadeProgress(qreal progress)
{
    m_fade = progress;
    dropComposed();
    update();
}

QRectF WallpaperBackground::boundingRect() const
{
    return {QPointF(0, 0), m_size};
}

QVariant WallpaperBackground::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if ((change == ItemSceneHasChanged && value.value<QGraphicsScene*>() && isVisible())
        || (change == ItemVisibleHasChanged && value.toBool() && scene()))
        cameOnScreen();
    return QGraphicsObject::itemChange(change, value);
}

void WallpaperBackground::cameOnScreen()
{
    m_store.refresh(m_blurStrength);
}

void WallpaperBackground::imagePublished()
{
    const QImage image = m_store.blurredImage();
    m_fadeAnimation->stop();
    if (!m_store.blurredImageAnimated()) {
        // The launch restore shows at once.
        m_previous = {};
        m_current = {image, {}};
        m_fade = 1;
        dropComposed();
        update();
        return;
    }
    // Mid-fade, what mostly shows is the newer image; it becomes the one fading out.
    m_previous = std::move(m_current);
    m_current = {image, {}};
    m_fade = 0;
    dropComposed();
    m_fadeAnimation->start();
    update();
}

QPointF WallpaperBackground::scaleToCover(Layer& layer) const
{
    const QImage& image = layer.source;
    // Scale to fill, keeping the aspect ratio: the image overhangs on one axis rather than
    // leaving gradient bars on the other.
    const qreal scale = std::max(m_size.width() / image.width(), m_size.height() / image.height());
    const QSize drawn(int(std::ceil(image.width() * scale)), int(std::ceil(image.height() * scale)));
    if (layer.scaled.size() != drawn)
        layer.scaled = QPixmap::fromImage(image.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return {(m_size.width() - drawn.width()) / 2, (m_size.height() - drawn.height()) / 2};
}

void WallpaperBackground::drawCovering(QPainter* painter, Layer& layer, qreal opacity) const
{
    if (layer.source.isNull() || opacity <= 0 || m_size.isEmpty())
        return;
    const QPointF origin = scaleToCover(layer);
    painter->setOpacity(opacity);
    painter->drawPixmap(origin, layer.scaled);
}

QImage WallpaperBackground::coveringImage(QPointF* origin)
{
    if (m_current.source.isNull() || m_size.isEmpty())
        return {};
    const QPointF at = scaleToCover(m_current);
    if (origin)
        *origin = at;
    // Converted once per scaled picture: the folder glass crops it every frame and caches by its key.
    if (m_coveringKey != m_current.scaled.cacheKey()) {
        m_coveringImage = m_current.scaled.toImage();
        m_coveringKey = m_current.scaled.cacheKey();
    }
    return m_coveringImage;
}

void WallpaperBackground::paintLayers(QPainter* painter)
{
    const QRectF bounds = boundingRect();
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0, kGradientTopLeft);
    gradient.setColorAt(1, kGradientBottomRight);
    painter->fillRect(bounds, gradient);

    painter->save();
    painter->setClipRect(bounds);
    drawCovering(painter, m_previous, 1 - m_fade);
    drawCovering(painter, m_current, m_fade);
    painter->restore();
}

const QPixmap& WallpaperBackground::composed(double dpr)
{
    const QSize pixels = (m_size * dpr).toSize();
    if (m_composed.size() != pixels || m_composed.devicePixelRatio() != dpr) {
        QPixmap pixmap(pixels);
        pixmap.setDevicePixelRatio(dpr);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        paintLayers(&p);
        p.end();
        m_composed = pixmap;
    }
    return m_composed;
}

void WallpaperBackground::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    const QRectF bounds = boundingRect();
    if (bounds.isEmpty())
        return;
    const bool fading = m_fadeAnimation->state() == QAbstractAnimation::Running || !m_previous.source.isNull();
    if (fading) {
        paintLayers(painter);
        return;
    }
    const double dpr = painter->device() ? std::max(1.0, painter->device()->devicePixelRatioF()) : 1.0;
    const QPixmap& pixmap = composed(dpr);
    const QRectF exposed = (option ? option->exposedRect : bounds) & bounds;
    if (exposed.isEmpty())
        return;
    smoothOnlyWhenTransformed(*painter);
    painter->drawPixmap(exposed, pixmap, QRectF(exposed.topLeft() * dpr, exposed.size() * dpr));
}

} // namespace corvanta
