#include "GridCellTestKit.h"

#include "Platform/TerminationSignals.h"
#include "Views/AppIconView.h"
#include "Views/GroupIconView.h"
#include "Views/OffscreenPrerender.h"
#include "common/ChildExit.h"

#include <QGraphicsView>
#include <QImage>
#include <QPainter>

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace corvanta;
using namespace corvanta::test;

namespace {

class OffscreenDrawCancel : public GridCellTest {
protected:
    int paints = 0;    // cells drawn (an application without an icon and a folder's block each fill
                       // their material once)
    int signalAt = -1; // the paint during which SIGTERM arrives

    // A page of twelve cells, applications without icons and folders in turn, in a view of their
    // size.
    void run()
    {
        if (!TerminationSignals::installHandlers())
            test::finishChild(2, "no handlers");
        GridCellServices s = services();
        s.material = [this](QPainter&, const QPainterPath&, const QTransform&) {
            if (++paints == signalAt)
                std::raise(SIGTERM);
        };
        const GridMetrics m = metrics100();
        for (int row = 0; row < m.rows; ++row) {
            for (int column = 0; column < m.columns; ++column) {
                const int index = row * m.columns + column;
                QGraphicsItem* cell = nullptr;
                if (index % 2 == 0) {
                    cell = new AppIconView(s, app(QStringLiteral("App%1").arg(index)), m);
                } else {
                    AppGroup group;
                    group.id = QUuid::createUuid();
                    group.name = QStringLiteral("Folder%1").arg(index);
                    group.apps = {app(QStringLiteral("Inner%1").arg(index))};
                    cell = new GroupIconView(s, group, m);
                }
                cell->setPos(column * m.columnPitch, row * m.rowPitch);
                scene.addItem(cell);
            }
        }
        QGraphicsView view(&scene);
        view.setSceneRect(0, 0, m.columns * m.columnPitch, m.rows * m.rowPitch);
        view.resize(view.sceneRect().size().toSize());

        prerenderOffscreen(view);
        if (paints != 12)
            test::finishChild(3, "the hidden draw did not paint every cell before any end was asked for");

        // The signal lands during the second cell (a folder) of the next hidden draw; the event
        // loop, which would read it, does not run meanwhile.
        paints = 0;
        signalAt = 2;
        prerenderOffscreen(view);
        if (paints != 2)
            test::finishChild(4, "the hidden draw went on painting cells after the signal");

        // What is drawn to be seen is drawn whole.
        paints = 0;
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        scene.render(&painter);
        painter.end();
        if (paints != 12)
            test::finishChild(5, "a draw to be seen was cut short");
        test::finishChild(0, "the hidden draw stopped");
    }
};

} // namespace

// A signal's mark is for the whole process and never taken back: a child of its own.
TEST_F(OffscreenDrawCancel, ATerminationSignalStopsTheHiddenDrawAtTheNextCellButNotADrawToBeSeen)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "the hidden draw stopped");
}
