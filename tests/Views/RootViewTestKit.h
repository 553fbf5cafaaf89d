#pragma once

#include "Services/IconCache.h"
#include "Services/LayoutTestSupport.h"
#include "Services/ShortcutManager.h"
#include "Support/InteractionTestKit.h"
#include "Views/TilehallContentView.h"
#include "common/FakeGlobalHotKey.h"
#include "common/WallpaperTestSupport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QTemporaryDir>

namespace corvanta::test {

// A root view over a layout store, an engine and a wallpaper store, all on virtual time, in an
// off-screen scene of 1440 × 900.
class RootViewTest : public LayoutHarness {
protected:
    static constexpr double kScreenWidth = 1440;

    WallpaperStoreHarness wallpaper;
    FakeInteractionPlatform platform;
    InteractionManager engine{scheduler, platform, PagerVariants{}};
    FakeGlobalHotKey hotKey;
    ShortcutManager shortcuts{hotKey, scheduler};
    QTemporaryDir iconRoot;
    ManualTasks iconTasks;
    IconDiskCache iconDisk{[this] { return iconRoot.filePath("IconCache"); }, iconTasks.runner()};
    FakeIconProvider systemIcons;
    IconCache icons{iconDisk, systemIcons, iconTasks.runner()};
    QGraphicsScene scene;
    TilehallContentView* view = nullptr;
    // Set: the view is made straight into this item of the scene, as the program makes it.
    QGraphicsItem* hostLayer = nullptr;

    ~RootViewTest() override { delete view; }

    static TilehallContentView::Options options(bool layerTransition)
    {
        TilehallContentView::Options o;
        o.layerTransition = layerTransition;
        o.mainScreenWidth = [] { return std::optional<double>(kScreenWidth); };
        o.iconLoads = [](Task) {}; // the cells keep the icons the memory cache has
        o.mainThread = [](Task task) { task(); };
        return o;
    }
    // The view over the current store, sized and put on screen.
    TilehallContentView& makeView(bool layerTransition = false, QSizeF size = {1440, 900})
    {
        if (!store)
            makeStore();
        view = new TilehallContentView(*store, engine, shortcuts, *wallpaper.store, icons, scheduler, options(layerTransition), hostLayer);
        view->setSize(size);
        if (!hostLayer)
            scene.addItem(view);
        return *view;
    }
    QImage render()
    {
        QImage out(view->size().toSize(), QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        QPainter painter(&out);
        scene.render(&painter, QRectF(QPointF(), view->size()), QRectF(QPointF(), view->size()));
        return out;
    }
    void show(double duration = 0.25)
    {
        engine.transitionDuration = duration;
        engine.setIsPresented(true);
    }
    void hide(double duration = 0.25)
    {
        engine.transitionDuration = duration;
        engine.setIsPresented(false);
    }
};

} // namespace corvanta::test
