#include "Support/VirtualScheduler.h"
#include "Views/LayerAnimation.h"
#include "Views/LayerItem.h"
#include "Views/LayerTransition.h"
#include "Views/MenuBarCoverWindow.h"
#include "Views/OffscreenPrerender.h"
#include "Views/TilehallWindow.h"
#include "common/FakeWindowing.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QPainter>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

struct Harness {
    VirtualScheduler scheduler;
    test::RecordedStack recorded;
    DisplayScreen screen = test::makeScreen(QStringLiteral("main"), {0, 0, 1440, 900});
    TilehallWindow overlay{screen, recorded.stack};
    MenuBarCoverWindow cover{screen, 30, {1448, 908}, recorded.stack};
    LayerTransition transition;
    explicit Harness(bool enabled = true) : transition(scheduler, enabled) {}

    LayerItem* window() const { return overlay.contentLayer(); }
    LayerItem* strip() const { return cover.contentLayer(); }
    void show(double duration, bool continuing)
    {
        if (!continuing)
            transition.resetToHidden(&overlay);
        if (continuing)
            transition.snapVisible(&cover);
        else
            transition.prepareCoverForShow(&cover, cover.contentAnchor());
        transition.animateShow(&overlay, &cover, duration, continuing);
    }
};

const QString opacityKey = QString::fromLatin1(LayerTransition::opacityKey);
const QString transformKey = QString::fromLatin1(LayerTransition::transformKey);

} // namespace

TEST(LayerTransition, ParsesItsSwitch)
{
    EXPECT_TRUE(LayerTransition::parseEnabled(std::nullopt));
    EXPECT_TRUE(LayerTransition::parseEnabled(QStringLiteral("1")));
    EXPECT_TRUE(LayerTransition::parseEnabled(QStringLiteral("")));
    EXPECT_TRUE(LayerTransition::parseEnabled(QStringLiteral("00")));
    EXPECT_FALSE(LayerTransition::parseEnabled(QStringLiteral("0")));
}

TEST(LayerTransition, ShowFadesInAndShrinksAlongTheShowCurveAboutTheScreenCentre)
{
    Harness h;
    h.show(0.25, false);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 0);
    EXPECT_DOUBLE_EQ(h.window()->presentationScale(), 1.1);
    EXPECT_DOUBLE_EQ(h.strip()->presentationScale(), 1.1);
    EXPECT_DOUBLE_EQ(h.strip()->presentationOpacity(), 1); // the strip only scales
    EXPECT_TRUE(h.window()->isRasterized());
    // The anchored scale keeps the screen's centre in place.
    EXPECT_EQ(h.window()->presentationTransform().map(h.overlay.contentAnchor()), h.overlay.contentAnchor());

    h.scheduler.advance(0.1);
    const LayerAnimation* fade = h.window()->animation(opacityKey);
    ASSERT_NE(fade, nullptr);
    const double t = fade->currentTime() / 250.0;
    EXPECT_NEAR(h.window()->presentationOpacity(), TilehallWindow::showTiming().value(t), 1e-9);
    EXPECT_GT(h.window()->presentationOpacity(), t); // ease-out runs ahead of linear time
    EXPECT_NEAR(h.window()->presentationScale(), 1.1 - 0.1 * TilehallWindow::showTiming().value(t), 1e-9);

    h.scheduler.advance(0.2);
    EXPECT_EQ(h.window()->animation(opacityKey), nullptr);
    EXPECT_EQ(h.window()->animation(transformKey), nullptr);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 1);
    EXPECT_TRUE(h.window()->transform().isIdentity());
    EXPECT_TRUE(h.strip()->transform().isIdentity());
    EXPECT_FALSE(h.window()->isRasterized());
}

TEST(LayerTransition, AShowInterruptingAHideContinuesFromWhatIsOnScreen)
{
    Harness h;
    h.show(0.25, false);
    h.scheduler.advance(0.3);
    h.transition.animateHide(&h.overlay, &h.cover, 0.25, std::nullopt);
    h.scheduler.advance(0.1);
    const double opacity = h.window()->presentationOpacity(), scale = h.window()->presentationScale();
    EXPECT_LT(opacity, 1);
    EXPECT_GT(scale, 1);

    h.show(0.1, true);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), opacity);
    EXPECT_DOUBLE_EQ(h.window()->presentationScale(), scale);
    EXPECT_DOUBLE_EQ(h.strip()->presentationScale(), 1); // snapped visible
    h.scheduler.advance(0.2);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 1);
    EXPECT_DOUBLE_EQ(h.window()->presentationScale(), 1);

    // The exact figures: 40 % opacity and scale 1.05 are where the show starts.
    h.window()->setModelOpacity(0.4);
    h.window()->setModelScale(1.05, h.overlay.contentAnchor());
    h.transition.animateShow(&h.overlay, &h.cover, 0.25, true);
    EXPECT_DOUBLE_EQ(h.window()->animation(opacityKey)->fromValue(), 0.4);
    EXPECT_DOUBLE_EQ(h.window()->animation(transformKey)->fromValue(), 1.05);
}

TEST(LayerTransition, HideStartsFromAPinchHandOffAndEndsHiddenAndEnlarged)
{
    Harness h;
    h.show(0.25, false);
    h.scheduler.advance(0.3);
    h.transition.animateHide(&h.overlay, &h.cover, 0.25, 0.4);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 0.4);
    h.scheduler.advance(0.3);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 0);
    EXPECT_DOUBLE_EQ(h.window()->presentationScale(), 1.1);
    EXPECT_DOUBLE_EQ(h.strip()->presentationScale(), 1.1);
    EXPECT_DOUBLE_EQ(h.strip()->presentationOpacity(), 1); // the strip stays opaque
}

TEST(LayerTransition, RasterisationLastsUntilTheLaterTransitionEnds)
{
    Harness h;
    h.show(0.25, false);
    h.scheduler.advance(0.1);
    h.transition.animateHide(&h.overlay, &h.cover, 0.25, std::nullopt); // ends at 0.35
    h.scheduler.advance(0.19);                                            // 0.29: past the show's switch-off
    EXPECT_TRUE(h.window()->isRasterized());
    h.scheduler.advance(0.05); // 0.34
    EXPECT_TRUE(h.window()->isRasterized());
    h.scheduler.advance(0.05); // 0.39 > 0.35 + 0.03
    EXPECT_FALSE(h.window()->isRasterized());
    EXPECT_FALSE(h.window()->value(QString::fromLatin1(LayerTransition::rasterizeKey)).isValid());
}

TEST(LayerTransition, SwitchedOffItLeavesTheLayersAlone)
{
    Harness h(false);
    h.show(0.25, false);
    h.transition.snapVisible(&h.overlay);
    h.transition.endRasterizedTransition(h.window(), 0.25);
    h.transition.animateHide(&h.overlay, &h.cover, 0.25, 0.4);
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 1);
    EXPECT_TRUE(h.window()->transform().isIdentity());
    EXPECT_TRUE(h.strip()->transform().isIdentity());
    EXPECT_FALSE(h.window()->isRasterized());
    EXPECT_EQ(h.window()->animation(opacityKey), nullptr);
    EXPECT_EQ(h.scheduler.pendingCount(), 0u);
    h.transition.resetToHidden(nullptr); // no window: nothing
}

namespace {

// A piece of the layer's content that counts how often it is drawn.
class CountingItem final : public QGraphicsRectItem {
public:
    using QGraphicsRectItem::QGraphicsRectItem;
    int paints = 0;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override
    {
        ++paints;
        QGraphicsRectItem::paint(painter, option, widget);
    }
};

QImage renderScene(QGraphicsScene& scene)
{
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 200, 200), QRectF(0, 0, 200, 200));
    return image;
}

} // namespace

TEST(LayerTransition, ARasterisedLayerFadesAndScalesItsBitmapWithoutDrawingItsContentAgain)
{
    VirtualScheduler scheduler;
    QGraphicsScene scene;
    auto* layer = new LayerItem;
    layer->setBounds(QRectF(0, 0, 200, 200));
    scene.addItem(layer);
    auto* content = new CountingItem(QRectF(50, 50, 100, 100), layer);
    content->setBrush(Qt::red);
    content->setPen(Qt::NoPen);

    layer->setRasterized(true);
    layer->addAnimation(QStringLiteral("fade"), LayerItem::Property::opacity,
                        new LayerAnimation(scheduler, 0, 1, 0.25, TimingCurve::linear(), 60));
    layer->setModelScale(1, QPointF(100, 100));
    layer->addAnimation(QStringLiteral("scale"), LayerItem::Property::scale,
                        new LayerAnimation(scheduler, 1.1, 1, 0.25, TimingCurve::linear(), 60));
    // The first frame shows nothing yet but makes the bitmap, so the next one only fades it.
    EXPECT_EQ(renderScene(scene).pixelColor(100, 100).alpha(), 0);
    EXPECT_EQ(content->paints, 1);
    QColor mid;
    for (int frame = 0; frame < 5; ++frame) {
        scheduler.advance(1.0 / 60);
        mid = renderScene(scene).pixelColor(100, 100);
    }
    EXPECT_EQ(content->paints, 1);
    // What shows follows the fade.
    EXPECT_GT(mid.alpha(), 0);
    EXPECT_LT(mid.alpha(), 255);
    EXPECT_NEAR(layer->presentationOpacity(), 5.0 / 15, 0.05);

    // A change inside the layer is drawn, once.
    content->setBrush(Qt::blue);
    renderScene(scene);
    renderScene(scene);
    EXPECT_EQ(content->paints, 2);

    // Back to live drawing at what was presented last.
    scheduler.advance(1);
    layer->setRasterized(false);
    EXPECT_DOUBLE_EQ(layer->opacity(), 1);
    EXPECT_TRUE(layer->transform().isIdentity());
    EXPECT_EQ(renderScene(scene).pixelColor(100, 100), QColor(Qt::blue));
}

TEST(LayerTransition, TheHiddenDrawPaintsTheContentAsAShowWouldEvenAfterAHide)
{
    Harness h;
    auto* content = new CountingItem(QRectF(50, 50, 100, 100), h.window());
    // A hide leaves the layer transparent: drawn as it is, nothing inside it would be painted.
    h.transition.resetToHidden(&h.overlay);
    prerenderOffscreen(h.overlay);
    EXPECT_EQ(content->paints, 1);
    EXPECT_FALSE(h.window()->isRasterized());
    EXPECT_DOUBLE_EQ(h.window()->presentationOpacity(), 0);
}
