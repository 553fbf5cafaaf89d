#include "Views/FolderLayout.h"
#include "Views/FolderMorph.h"

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// Five rows of seven 150 × 140 cells with 96-point icons, as on a 1440 × 900 screen; a margin of
// 60 gives the panel 24-point insets (half the margin, at most 24).
GridMetrics metrics()
{
    GridMetrics m;
    m.rows = 5;
    m.columns = 7;
    m.marginX = 60;
    m.columnPitch = 150;
    m.rowPitch = 140;
    m.iconSize = 96;
    m.labelHeight = 20;
    m.labelSpacing = 12;
    return m;
}

const QSizeF kContainer(1440, 900);
const QSizeF kTitle(100, 34);

QList<QUuid> ids(int count)
{
    QList<QUuid> out;
    for (int i = 0; i < count; ++i)
        out << QUuid::createUuid();
    return out;
}

} // namespace

struct LayoutCase {
    int members;
    bool dragging;
    qint64 pages;
    qint64 rows;
};

class FolderLayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(FolderLayoutTable, PagesRowsAndThePanelFollowTheMemberCount)
{
    const LayoutCase c = GetParam();
    const FolderLayout layout(c.members, metrics(), kContainer, kTitle, false, c.dragging);
    EXPECT_EQ(layout.capacity, 35);
    EXPECT_EQ(layout.pageCount, c.pages);
    EXPECT_EQ(layout.visibleRows, c.rows);
    EXPECT_EQ(layout.horizontalInset, 24);
    // As wide as a full row of the grid plus the two insets, 24 points above and below the rows,
    // centred in the area between the 16-point top and 69-point bottom reserves, the title fitting
    // above it 16 points away.
    const double height = 140.0 * double(c.rows) + 48;
    const double top = 16 + std::max((815 - height) / 2, 34.0 + 32);
    EXPECT_EQ(layout.panelRect, QRectF(720 - 549, top, 1098, height));
    EXPECT_EQ(layout.titleRect, QRectF(720 - 58, top - 16 - 34, 116, 34));
    // The first icon sits where a cell of its slot draws it.
    EXPECT_EQ(layout.iconRect(0), QRectF(171 + 24 + 27, top + 24 + 6, 96, 96));
}

INSTANTIATE_TEST_SUITE_P(Members, FolderLayoutTable,
    ::testing::Values(LayoutCase{0, false, 1, 1},  // an empty folder still shows one row of slots
        LayoutCase{3, false, 1, 1},                 //
        LayoutCase{7, false, 1, 1},                 // a full row, no spare slot
        LayoutCase{7, true, 1, 2},                  // a drag under way makes room for one more
        LayoutCase{35, false, 1, 5},                // exactly one page
        LayoutCase{36, false, 2, 5}));              // two pages; the spare slot is capped by a page

TEST(FolderLayout, IconsOfLaterPagesAndTheTitleWidth)
{
    const FolderLayout layout(36, metrics(), kContainer, kTitle, false, false);
    // Member 35 is the first of page 2, placed as if its page were shown; member 9 is row 1, column 2.
    EXPECT_EQ(layout.iconRect(35), layout.iconRect(0));
    EXPECT_EQ(layout.iconRect(9).topLeft() - layout.iconRect(0).topLeft(), QPointF(300, 140));

    // Names are cut to 460 points; an edited title always takes 460 (or the usable width).
    EXPECT_EQ(FolderLayout(3, metrics(), kContainer, QSizeF(1000, 34), false, false).titleRect.width(), 460);
    EXPECT_EQ(FolderLayout(3, metrics(), kContainer, kTitle, true, false).titleRect.width(), 460);
    EXPECT_EQ(FolderLayout(3, metrics(), QSizeF(300, 900), kTitle, true, false).titleRect.width(), 300);
    // On a short container the panel stays low enough for the title.
    const FolderLayout low(35, metrics(), QSizeF(1440, 600), kTitle, false, false);
    EXPECT_EQ(low.panelRect.top(), 16 + 34 + 32);
}

TEST(FolderLayout, VisibleIconFramesAreWhatThePanelShowsUnderATranslation)
{
    const FolderLayout layout(36, metrics(), kContainer, kTitle, false, false);
    const QList<QUuid> members = ids(36);
    const QRectF panel = layout.panelRect;

    // Right after opening: the whole first page, nothing of the second.
    const QHash<QUuid, QRectF> atRest = layout.visibleIconFrames(members, 0);
    EXPECT_EQ(atRest.size(), 35);
    EXPECT_EQ(atRest.value(members.at(0)), layout.iconRect(0));
    EXPECT_FALSE(atRest.contains(members.at(35)));

    // Half a page to the left: column 3 is cut by the panel's left edge, the first columns are
    // gone, and the second page's first member has come in.
    const QHash<QUuid, QRectF> half = layout.visibleIconFrames(members, -549);
    EXPECT_FALSE(half.contains(members.at(0)));
    const QRectF cut = layout.iconRect(3).translated(-549, 0);
    EXPECT_EQ(half.value(members.at(3)), QRectF(panel.left(), cut.top(), cut.right() - panel.left(), 96));
    EXPECT_EQ(half.value(members.at(35)), layout.iconRect(35).translated(1098 - 549, 0));

    // A repeated id keeps its last place.
    const QList<QUuid> twice{members.at(0), members.at(0)};
    EXPECT_EQ(FolderLayout(2, metrics(), kContainer, kTitle, false, false).visibleIconFrames(twice, 0).value(members.at(0)),
        FolderLayout(2, metrics(), kContainer, kTitle, false, false).iconRect(1));
}

// ---- the morph ----

struct MorphCase {
    double progress;
    double t; // what the progress is clamped to
};

class FolderMorphTable : public ::testing::TestWithParam<MorphCase> {};

TEST_P(FolderMorphTable, PanelAndIconsInterpolateLinearlyWithClamping)
{
    const MorphCase c = GetParam();
    const QRectF source(100, 200, 60, 60);
    const QRectF target(400, 100, 600, 400);
    const FolderMorph::Panel panel{c.progress, source, target, 15.6, 24};
    const double t = c.t;
    const double w = 60 + t * 540, h = 60 + t * 340;
    const QPointF centre(130 + t * 570, 230 + t * 70);
    EXPECT_NEAR(panel.rect().width(), w, 1e-9);
    EXPECT_NEAR(panel.rect().height(), h, 1e-9);
    EXPECT_NEAR(panel.rect().center().x(), centre.x(), 1e-9);
    EXPECT_NEAR(panel.rect().center().y(), centre.y(), 1e-9);
    EXPECT_NEAR(panel.corner(), 15.6 + t * 8.4, 1e-9);
    EXPECT_NEAR(panel.shadowOpacity(), 0.28 * t, 1e-12);
    EXPECT_NEAR(panel.shadowRadius(), 20 * t, 1e-12);
    EXPECT_NEAR(panel.shadowOffset().y(), 8 * t, 1e-12);
    // The panel's shape covers its rectangle and nothing more.
    EXPECT_TRUE(panel.shape().boundingRect().toAlignedRect() == panel.rect().toAlignedRect());

    const FolderMorph::Icon icon{c.progress, QPointF(110, 210), QPointF(500, 300), 12, 96};
    EXPECT_NEAR(icon.size(), 12 + t * 84, 1e-9);
    EXPECT_NEAR(icon.center().x(), 110 + t * 390, 1e-9);
    EXPECT_NEAR(icon.center().y(), 210 + t * 90, 1e-9);
    EXPECT_NEAR(icon.corner(), 0.2 * icon.size(), 1e-12);
    EXPECT_NEAR(icon.shadowOpacity(), 0.14 * t, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Progress, FolderMorphTable,
    ::testing::Values(MorphCase{-0.3, 0}, // a curve's undershoot never shrinks past the source
        MorphCase{0, 0}, MorphCase{0.25, 0.25}, MorphCase{0.5, 0.5}, MorphCase{1, 1},
        MorphCase{1.2, 1})); // nor does an overshoot grow past the target

TEST(FolderMorph, EndsCoverTheSourceAndTheTargetExactly)
{
    const QRectF source(100, 200, 60, 60);
    const QRectF target(400, 100, 600, 400);
    const FolderMorph::Panel closed{0, source, target, 15.6, 24};
    const FolderMorph::Panel open{1, source, target, 15.6, 24};
    EXPECT_EQ(closed.rect(), source);
    EXPECT_EQ(closed.corner(), 15.6);
    EXPECT_EQ(closed.shadowOpacity(), 0);
    EXPECT_EQ(open.rect(), target);
    EXPECT_EQ(open.corner(), 24);
}
