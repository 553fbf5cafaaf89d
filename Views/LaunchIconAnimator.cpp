#include "Views/LaunchIconAnimator.h"

#include "Support/Logger.h"
#include "Support/TimingCurve.h"
#include "Views/CellDrawing.h"

#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace corvanta {

namespace {

// Log lines of the grid's cells carry the grid view's source name, where the cells live.
constexpr const char* kLogFile = "TilehallGridView.cpp";

// The zooming copy: the icon clipped to its rounded square, scaled about its centre.
class LaunchCopy : public QGraphicsObject {
public:
    LaunchCopy(const QImage& image, const QSizeF& size) : m_image(image), m_size(size)
    {
        setAcceptedMouseButtons(Qt::NoButton);
        setTransformOriginPoint(QPointF(size.width() / 2, size.height() / 2));
    }
    QRectF boundingRect() const override { return {QPointF(), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->setClipPath(CellDrawing::continuousRoundedRect(boundingRect(), 0.2 * m_size.width()));
        painter->drawImage(boundingRect(), m_image); // axes scaled independently
        painter->restore();
    }

private:
    QImage m_image;
    QSizeF m_size;
};

QString pointText(const QPointF& p) { return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y()); }

} // namespace

LaunchIconAnimator::LaunchIconAnimator(Scheduler& scheduler, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_scheduler(scheduler), m_ticker(scheduler)
{
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemHasNoContents);
}

LaunchIconAnimator::~LaunchIconAnimator() { clear(); }

void LaunchIconAnimator::setSize(const QSizeF& size)
{
    prepareGeometryChange();
    m_size = size;
}

QGraphicsItem* LaunchIconAnimator::launchView() const { return m_launchView.data(); }

double LaunchIconAnimator::scaleAt(double elapsed)
{
    static const TimingCurve curve{0.25, 0.1, 0.25, 1};
    const double t = std::clamp(elapsed / kDuration, 0.0, 1.0);
    return 1 + (kFinalScale - 1) * curve.value(t);
}

void LaunchIconAnimator::update(const QImage& image, bool launching)
{
    if (!launching) {
        clear();
        return;
    }
    if (m_didStart || image.isNull())
        return;
    QGraphicsScene* host = scene();
    if (!host)
        return; // the next update tries again
    if (!(m_size.width() > 0 && m_size.height() > 0))
        return;

    m_didStart = true;
    const QRectF frame = mapRectToScene(boundingRect());
    auto* copy = new LaunchCopy(image, frame.size());
    copy->setPos(frame.topLeft());
    copy->setZValue(1e6);
    host->addItem(copy);
    m_launchView = copy;

    const QPointF centre = frame.center();
    Logger::shared().info(QStringLiteral("图标启动动画开始：时长0.25秒，倍率1→2，中心=") + pointText(centre), kLogFile,
        "update(image:launching:)", __LINE__);

    m_startTime = m_scheduler.now();
    QPointer<QGraphicsObject> guard(copy);
    m_ticker.start([this, guard](double now) {
        const double elapsed = now - m_startTime;
        if (guard)
            guard->setScale(scaleAt(elapsed));
        if (elapsed >= kDuration) {
            m_ticker.stop();
            finish(guard.data());
        }
    });
}

void LaunchIconAnimator::finish(QGraphicsObject* copy)
{
    if (!copy || copy != m_launchView.data())
        return; // a newer launch or a clear has taken over
    const double elapsed = m_scheduler.now() - m_startTime;
    m_launchView = nullptr;
    delete copy;
    Logger::shared().info(QStringLiteral("图标启动动画完成并清理：%1毫秒").arg(qint64(std::lround(elapsed * 1000))), kLogFile,
        "update(image:launching:)", __LINE__);
    // didStart stays set: the same launch never zooms twice.
}

void LaunchIconAnimator::clear()
{
    m_ticker.stop();
    m_didStart = false;
    if (QGraphicsObject* copy = m_launchView.data()) {
        m_launchView = nullptr;
        delete copy;
    }
}

} // namespace corvanta
