#pragma once

#include "Services/IconCache.h"
#include "Support/VirtualScheduler.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"
#include "common/ManualTasks.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvanta::test {

// Cells on virtual time in an off-screen scene, with an icon cache whose loads wait for the test.
class GridCellTest : public ::testing::Test {
protected:
    VirtualScheduler scheduler{0};
    QTemporaryDir iconRoot;
    ManualTasks iconTasks; // background decoding
    ManualTasks homeTasks; // results handed back to the cells
    IconDiskCache iconDisk{[this] { return iconRoot.filePath(QStringLiteral("IconCache")); }, iconTasks.runner()};
    FakeIconProvider systemIcons;
    IconCache icons{iconDisk, systemIcons, iconTasks.runner()};
    FrameRegistry frames{scheduler};
    QGraphicsScene scene;
    // Fixed draws: the middle of every range unless a test says otherwise.
    double nextRandom = 0.5;

    GridCellServices services()
    {
        GridCellServices s;
        s.scheduler = &scheduler;
        s.icons = &icons;
        s.iconLoads = iconTasks.runner();
        s.mainThread = homeTasks.runner();
        s.frames = &frames;
        s.random = [this] { return nextRandom; };
        return s;
    }
    // A grid of 100-point icons: 4 columns of 170 × 150 cells, labels 20 high.
    static GridMetrics metrics100()
    {
        GridMetrics m;
        m.rows = 3;
        m.columns = 4;
        m.columnPitch = 170;
        m.rowPitch = 150;
        m.iconSize = 100;
        m.labelHeight = 20;
        m.labelSpacing = 12;
        m.labelWidth = 100;
        return m;
    }
    static AppItem app(const QString& name, const QString& bundleID = {}, const QString& path = {})
    {
        AppItem a;
        a.id = QUuid::createUuid();
        a.name = name;
        a.bundleIdentifier = bundleID.isEmpty() ? QStringLiteral("org.example.") + name.toLower() : bundleID;
        a.url = QUrl::fromLocalFile(path.isEmpty() ? QStringLiteral("/Applications/") + name + QStringLiteral(".app") : path);
        return a;
    }
    void loadIcons()
    {
        iconTasks.runAll();
        homeTasks.runAll();
    }
    // A press and release at `scenePos` (moving by `drag` before releasing).
    void click(const QPointF& scenePos, QPointF drag = {}, double hold = 0)
    {
        QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
        press.setScenePos(scenePos);
        press.setButton(Qt::LeftButton);
        press.setButtons(Qt::LeftButton);
        QGraphicsItem* target = nullptr;
        for (QGraphicsItem* item : scene.items(scenePos)) {
            if (item->acceptedMouseButtons() & Qt::LeftButton && item->isVisible()) {
                target = item;
                break;
            }
        }
        if (!target)
            return;
        press.setPos(target->mapFromScene(scenePos));
        scene.sendEvent(target, &press);
        if (!press.isAccepted())
            return;
        scheduler.advance(hold);
        QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
        release.setScenePos(scenePos + drag);
        release.setPos(target->mapFromScene(scenePos + drag));
        release.setButton(Qt::LeftButton);
        scene.sendEvent(target, &release);
    }
    QImage render(const QRectF& rect)
    {
        QImage out(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
        out.fill(QColor(30, 60, 110));
        QPainter painter(&out);
        scene.render(&painter, QRectF(QPointF(), rect.size()), rect);
        return out;
    }
};

} // namespace corvanta::test
