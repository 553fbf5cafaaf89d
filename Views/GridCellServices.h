#pragma once

#include "Support/Clock.h"
#include "Support/TaskRunner.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>
#include <random>

class QGraphicsItem;
class QObject;
class QPainter;
class QPainterPath;
class QTransform;

namespace corvanta {

class FrameRegistry;
class IconCache;

// What every cell of the grid shares: time, icons, where it reports its icon frame and a source
// of randomness for the wobble. One value per grid (or folder panel); the cells copy it.
struct GridCellServices {
    Scheduler* scheduler = nullptr;
    IconCache* icons = nullptr;
    // Icons missing from memory are decoded here...
    TaskRunner iconLoads = iconLoadRunner();
    // ...and handed back to the cell here.
    TaskRunner mainThread = mainThreadRunner();
    // Where cells report their icon squares; none: they report nothing.
    FrameRegistry* frames = nullptr;
    // The item whose coordinates are the overlay window's (origin top left); none: scene space.
    const QGraphicsItem* frameSpace = nullptr;
    // Whether a cell of a page near the one on screen makes its pixmaps as soon as it can (made,
    // or its icon arrived) rather than in its first paint: true while the overlay is hidden. While
    // it is shown that work would land in the frames of a flip that brings a page near. Unset:
    // always.
    std::function<bool()> drawsAhead;
    bool shouldDrawAhead() const { return !drawsAhead || drawsAhead(); }
    // Uniform in [0, 1); the program seeds one generator, tests may fix the draws.
    std::function<double()> random = defaultRandom();

    // Paints the translucent material into `shape` (item coordinates): a blurred copy of the
    // backdrop cropped under the item, which `itemToScene` places. Unset: a plain translucent fill.
    std::function<void(QPainter&, const QPainterPath& shape, const QTransform& itemToScene)> material;
    void fillMaterial(QPainter& painter, const QPainterPath& shape, const QGraphicsItem& item) const;

    double uniform(double low, double high) const { return low + (high - low) * random(); }
    static std::function<double()> defaultRandom();

    // Loads the icon under `key` in the background, counting the miss, and
    // hands it to `done` on the main thread while `owner` still exists. Callers check memory first.
    void loadIcon(QObject* owner, const QString& key, const QString& bundlePath, std::function<void(const QImage&)> done) const;
};

} // namespace corvanta
