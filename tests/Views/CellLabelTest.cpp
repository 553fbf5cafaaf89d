// The name under every cell: a line box its font fits in at every icon size, and a middle
// elision that keeps as much of the name as the label's width really holds.
#include "Views/CellDrawing.h"
#include "Views/GridMetrics.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPixmap>
#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

using namespace corvanta;

namespace {

// The settings window's icon sizes: 小, 标准, 大, 特大.
constexpr double kIconScales[] = {0.9, 1.0, 1.15, 1.3};

// The rows and columns of the white text's ink in a rendered label (the shadow is dark).
QRect inkOf(const QImage& image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 100 && c.red() > 150 && c.green() > 150 && c.blue() > 150)
                ink = ink.united(QRect(x, y, 1, 1));
        }
    }
    return ink;
}

} // namespace

TEST(CellLabel, TheLineBoxFitsTheFontAtEveryIconSizeAndGrid)
{
    struct Grid {
        QSizeF screen;
        int rows, columns;
    };
    const Grid grids[] = {
        {{1440, 900}, 5, 7}, {{1448, 908}, 5, 7}, {{1440, 900}, 4, 6}, {{1440, 900}, 6, 8},
        {{1728, 1117}, 5, 7}, {{2560, 1440}, 5, 7}, {{1280, 800}, 7, 9},
    };
    const QFontMetricsF font(CellDrawing::labelFont(13));
    for (const Grid& g : grids) {
        for (const double scale : kIconScales) {
            SCOPED_TRACE(testing::Message() << g.screen.width() << "x" << g.screen.height() << " " << g.rows << "x" << g.columns
                                            << " scale " << scale);
            const GridMetrics m(g.screen, g.rows, g.columns, scale);
            const CellGeometry cell(m);
            EXPECT_GE(cell.labelRect.height(), font.ascent() + font.descent());
            EXPECT_GE(cell.labelRect.height(), m.labelHeight);
            // It grows about the middle of the label row: the icon stays where the grid puts it,
            // the line clears the icon and stays in its cell.
            EXPECT_NEAR(cell.labelRect.center().y(), cell.iconRect.bottom() + m.labelSpacing + m.labelHeight / 2, 1e-9);
            EXPECT_GE(cell.labelRect.top(), cell.iconRect.bottom());
            EXPECT_LE(cell.labelRect.bottom(), m.rowPitch);
            EXPECT_DOUBLE_EQ(cell.labelRect.width(), m.labelWidth);
        }
    }
}

TEST(CellLabel, NamesAreDrawnWholeAtTheLargestIconSize)
{
    // 特大 on a 1440 × 900 screen leaves a label row of 8 points.
    const GridMetrics m(QSizeF(1440, 900), 5, 7, 1.3);
    ASSERT_DOUBLE_EQ(m.labelHeight, 8);
    const CellGeometry cell(m);
    const QFontMetricsF font(CellDrawing::labelFont(m.labelFontSize));
    for (const QString& name : {QStringLiteral("Ångström"), QStringLiteral("Éclair"), QStringLiteral("Typography"),
             QStringLiteral("猫头鹰邮件"), QStringLiteral("地图集")}) {
        SCOPED_TRACE(name.toStdString());
        for (const double dpr : {1.0, 2.0}) {
            const QImage image =
                CellDrawing::labelPixmap(name, m.labelFontSize, cell.labelRect.width(), cell.labelRect.height(), dpr).toImage();
            const QRect ink = inkOf(image);
            ASSERT_FALSE(ink.isEmpty());
            // Nothing cut off: the ink is as tall and as wide as the glyphs themselves.
            const QRectF glyphs = font.tightBoundingRect(name);
            EXPECT_GE(ink.height() / dpr, glyphs.height() - 1) << "dpr " << dpr;
            EXPECT_GE(ink.width() / dpr, glyphs.width() - 2) << "dpr " << dpr;
            EXPECT_GT(ink.top(), 0);
            EXPECT_LT(ink.bottom(), image.height() - 1);
        }
    }
}

TEST(CellLabel, ElisionKeepsAllThatTheWidthHolds)
{
    const QFontMetricsF font(CellDrawing::labelFont(13));
    const QString ellipsis(QChar(0x2026));
    // The label widths of 标准 and 特大 on a 1448 × 908 overlay, and narrower ones.
    const double widths[] = {74.4, 88.4, 60, 40, 20};
    const QString names[] = {QStringLiteral("Greenhouse"), QStringLiteral("Lighthouse"), QStringLiteral("Telescope Night Sky"),
        QStringLiteral("Orbit Browser"), QStringLiteral("Ångström Spectra"), QStringLiteral("猫头鹰邮件客户端程序"),
        QStringLiteral("Cafe\u0301 Cre\u0300me Bru\u0302le\u0301e")};
    for (const QString& name : names) {
        for (const double width : widths) {
            SCOPED_TRACE(testing::Message() << name.toStdString() << " in " << width);
            const QString shown = CellDrawing::elidedMiddle(name, font, width);
            if (font.horizontalAdvance(name) <= width) {
                EXPECT_EQ(shown, name);
                continue;
            }
            const qsizetype mark = shown.indexOf(ellipsis);
            ASSERT_GE(mark, 0) << shown.toStdString();
            const QString head = shown.left(mark), tail = shown.mid(mark + 1);
            EXPECT_TRUE(name.startsWith(head) && name.endsWith(tail));
            EXPECT_LE(font.horizontalAdvance(shown), width);
            // No accent parted from its letter.
            EXPECT_FALSE(tail.startsWith(QChar(0x0301)) || tail.startsWith(QChar(0x0300)) || tail.startsWith(QChar(0x0302)));
            // One more character on either side would not fit.
            QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
            characters.setPosition(head.size());
            const qsizetype longerHead = characters.toNextBoundary();
            characters.setPosition(name.size() - tail.size());
            const qsizetype longerTail = name.size() - characters.toPreviousBoundary();
            if (longerHead + tail.size() < name.size()) {
                EXPECT_GT(font.horizontalAdvance(name.left(longerHead) + ellipsis + tail), width)
                    << "room for more at the head: " << shown.toStdString();
            }
            if (head.size() + longerTail < name.size()) {
                EXPECT_GT(font.horizontalAdvance(head + ellipsis + name.right(longerTail)), width)
                    << "room for more at the tail: " << shown.toStdString();
            }
        }
    }
}
