#include "Views/GridCellServices.h"

#include "Services/IconCache.h"
#include "Views/CellDrawing.h"

#include <QGraphicsItem>
#include <QPainter>

#include <QObject>

#include <memory>

namespace corvanta {

std::function<double()> GridCellServices::defaultRandom()
{
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return std::uniform_real_distribution<double>(0, 1)(*engine); };
}

void GridCellServices::fillMaterial(QPainter& painter, const QPainterPath& shape, const QGraphicsItem& item) const
{
    if (material)
        material(painter, shape, item.sceneTransform());
    else
        CellDrawing::fillMaterial(painter, shape);
}

void GridCellServices::loadIcon(QObject* owner, const QString& key, const QString& bundlePath, std::function<void(const QImage&)> done) const
{
    if (!icons)
        return;
    icons->noteMiss();
    QPointer<QObject> guard(owner);
    IconCache* cache = icons;
    TaskRunner home = mainThread;
    iconLoads([cache, key, bundlePath, home, guard, done = std::move(done)] {
        QImage image = cache->loadImage(key, bundlePath);
        home([guard, done, image = std::move(image)] {
            if (guard)
                done(image);
        });
    });
}

} // namespace corvanta
