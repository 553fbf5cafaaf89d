// The uninstall confirmation sheet: its choice, its texts and its keyboard and backdrop rules.
#include "Views/UninstallConfirmationSheet.h"
#include "Views/UninstallSelection.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QKeyEvent>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace corvanta {
namespace {

using Uninstall::MatchEvidence;
using Uninstall::ResidualItem;
using Uninstall::ResidualKind;
using Uninstall::UninstallPlan;

void key(QWidget* widget, int code)
{
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

ResidualItem item(const QString& path, ResidualKind kind, qint64 size, MatchEvidence evidence = MatchEvidence::bundleIdentifier,
                  bool admin = false)
{
    ResidualItem r;
    r.url = QUrl::fromLocalFile(path);
    r.kind = kind;
    r.size = size;
    r.evidence = evidence;
    r.requiresAdmin = admin;
    return r;
}

// Three caches, one support folder found by a variant of the name, one system-wide launch item.
UninstallPlan samplePlan()
{
    UninstallPlan plan;
    plan.app.id = QUuid::createUuid();
    plan.app.name = QStringLiteral("Inkpad");
    plan.app.bundleIdentifier = QStringLiteral("org.example.inkpad");
    plan.app.url = QUrl::fromLocalFile(QStringLiteral("/fx/Applications/Inkpad.app"));
    plan.appSize = 5'000'000;
    plan.residuals = {
        item(QStringLiteral("/fx/home/Library/Application Support/Inkpad"), ResidualKind::support, 2'000, MatchEvidence::nameVariant),
        item(QStringLiteral("/fx/home/Library/Caches/org.example.inkpad"), ResidualKind::cache, 300'000),
        item(QStringLiteral("/fx/home/Library/Caches/org.example.inkpad.helper"), ResidualKind::cache, 40'000),
        item(QStringLiteral("/fx/home/Library/HTTPStorages/org.example.inkpad"), ResidualKind::cache, 5'000),
        item(QStringLiteral("/fx/sys/Library/LaunchDaemons/org.example.inkpad.plist"), ResidualKind::launchItem, 700,
             MatchEvidence::launchProgram, true),
    };
    return plan;
}

QUrl url(const UninstallPlan& plan, int index) { return plan.residuals[index].url; }

TEST(UninstallSelection, StartsWithTheBundleAndFirmMatchesCheckedOnly)
{
    struct Case {
        MatchEvidence evidence;
        bool checked;
    } cases[] = {
        {MatchEvidence::bundleIdentifier, true},   {MatchEvidence::name, true},
        {MatchEvidence::containerMetadata, true},  {MatchEvidence::launchProgram, true},
        {MatchEvidence::knownPath, true},          {MatchEvidence::identifierVariant, false},
        {MatchEvidence::nameVariant, false},       {MatchEvidence::vendorFolder, false},
        {MatchEvidence::packageReceipt, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UninstallSelection::startsChecked(item(QStringLiteral("/x"), ResidualKind::other, 1, c.evidence)), c.checked)
            << static_cast<int>(c.evidence);

    const UninstallPlan plan = samplePlan();
    UninstallSelection selection;
    selection.reset(plan);
    EXPECT_TRUE(selection.includeApp());
    EXPECT_FALSE(selection.isChecked(url(plan, 0))); // a variant of the name
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(selection.isChecked(url(plan, i)));

    // An absent plan keeps the choice; a new plan starts over and unfolds every group.
    selection.setIncludeApp(false);
    selection.toggleCollapsed(ResidualKind::cache);
    selection.reset(std::nullopt);
    EXPECT_FALSE(selection.includeApp());
    EXPECT_TRUE(selection.isCollapsed(ResidualKind::cache));
    selection.reset(plan);
    EXPECT_TRUE(selection.includeApp());
    EXPECT_FALSE(selection.isCollapsed(ResidualKind::cache));
}

TEST(UninstallSelection, GroupAndSelectAllBoxes)
{
    const UninstallPlan plan = samplePlan();
    const QList<ResidualItem> caches = plan.residualGroups()[1].items;
    ASSERT_EQ(caches.size(), 3);
    UninstallSelection selection;
    selection.reset(plan);
    EXPECT_TRUE(selection.isGroupChecked(caches));

    // A partly checked group reads unchecked; checking it checks all of it and nothing else.
    selection.setChecked(caches[1].url, false);
    EXPECT_FALSE(selection.isGroupChecked(caches));
    selection.setGroupChecked(caches, true);
    EXPECT_TRUE(selection.isGroupChecked(caches));
    EXPECT_FALSE(selection.isChecked(url(plan, 0)));
    selection.setGroupChecked(caches, false);
    for (const auto& c : caches)
        EXPECT_FALSE(selection.isChecked(c.url));
    EXPECT_TRUE(selection.isChecked(url(plan, 4)));
    EXPECT_TRUE(selection.includeApp());

    // Select all: everything, the bundle included; its unchecking clears everything.
    EXPECT_FALSE(selection.isAllChecked(plan));
    selection.setAllChecked(plan, true);
    EXPECT_TRUE(selection.isAllChecked(plan));
    EXPECT_EQ(selection.selectedURLs().size(), 5);
    selection.setAllChecked(plan, false);
    EXPECT_FALSE(selection.includeApp());
    EXPECT_TRUE(selection.selectedURLs().isEmpty());
    EXPECT_TRUE(selection.nothingSelected(plan));
    EXPECT_FALSE(selection.isAllChecked(std::nullopt));
    EXPECT_TRUE(selection.nothingSelected(std::nullopt));
    selection.setChecked(url(plan, 4), true);
    EXPECT_FALSE(selection.nothingSelected(plan));
}

TEST(UninstallSelection, ReclaimableSizeAndFilteredPlanFollowTheChoiceNotTheFolding)
{
    const UninstallPlan plan = samplePlan();
    UninstallSelection selection;
    selection.reset(plan);
    EXPECT_EQ(selection.reclaimableBytes(plan), 5'000'000 + 300'000 + 40'000 + 5'000 + 700);

    selection.toggleCollapsed(ResidualKind::cache); // folded items still count and still go
    selection.setIncludeApp(false);
    selection.setChecked(url(plan, 2), false);
    EXPECT_EQ(selection.reclaimableBytes(plan), 300'000 + 5'000 + 700);
    const UninstallPlan filtered = selection.filteredPlan(plan);
    ASSERT_EQ(filtered.residuals.size(), 3);
    EXPECT_EQ(filtered.residuals[0].url, url(plan, 1));
    EXPECT_EQ(filtered.residuals[1].url, url(plan, 3));
    EXPECT_EQ(filtered.residuals[2].url, url(plan, 4));
    EXPECT_EQ(filtered.app, plan.app);
    EXPECT_EQ(filtered.appSize, plan.appSize);
}

TEST(UninstallText, ByteCountsGroupHeadersAndHomePaths)
{
    const std::pair<qint64, const char*> sizes[] = {
        {0, "零 KB"},          {1, "1 字节"},         {999, "999 字节"},      {1'000, "1 KB"},
        {1'499, "1 KB"},       {1'500, "2 KB"},       {999'499, "999 KB"},     {999'999, "1 MB"},
        {1'250'000, "1.3 MB"}, {12'000'000, "12 MB"}, {2'345'678'901, "2.35 GB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(UninstallText::byteCount(bytes), QString::fromUtf8(text)) << bytes;

    EXPECT_EQ(UninstallText::groupHeader(ResidualKind::cache, 3), QStringLiteral("缓存 · 3 项"));
    EXPECT_EQ(UninstallText::groupHeader(ResidualKind::support, 1), QStringLiteral("应用支持文件 · 1 项"));
    EXPECT_EQ(UninstallText::groupHeader(ResidualKind::other, 12), QStringLiteral("其它 · 12 项"));

    const QString home = QStringLiteral("/home/me");
    EXPECT_EQ(UninstallText::abbreviatedPath(QStringLiteral("/home/me/Library/Caches/x"), home), QStringLiteral("~/Library/Caches/x"));
    EXPECT_EQ(UninstallText::abbreviatedPath(QStringLiteral("/home/me"), home), QStringLiteral("~"));
    EXPECT_EQ(UninstallText::abbreviatedPath(QStringLiteral("/home/meat/x"), home), QStringLiteral("/home/meat/x"));
    EXPECT_EQ(UninstallText::abbreviatedPath(QStringLiteral("/Library/x"), home), QStringLiteral("/Library/x"));
}

class UninstallSheet : public ::testing::Test {
protected:
    UninstallConfirmationSheet sheet{QStringLiteral("/fx/home")};
    int cancels = 0;
    QList<std::pair<UninstallPlan, bool>> confirms;
    QList<UninstallPlan> grants;

    void SetUp() override
    {
        sheet.onCancel = [this] { ++cancels; };
        sheet.onConfirm = [this](const UninstallPlan& plan, bool includeApp) { confirms.append({plan, includeApp}); };
        sheet.onGrantPermission = [this](const UninstallPlan& plan) { grants << plan; };
        sheet.resize(1440, 900);
        sheet.begin();
        sheet.show();
    }
    template <typename T> T* find(const QString& name) { return sheet.findChild<T*>(name); }
    void click(QWidget* widget, QPoint at = {})
    {
        ASSERT_NE(widget, nullptr);
        const QPointF point = at.isNull() ? QPointF(widget->rect().center()) : QPointF(at);
        const QPointF global = widget->mapToGlobal(point);
        QMouseEvent press(QEvent::MouseButtonPress, point, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &release);
    }
};

TEST_F(UninstallSheet, ScanningCardThenResultCardWithGroupsPathsAndAdminMarks)
{
    sheet.setScanningApp(samplePlan().app);
    auto* scanning = find<QLabel>(QStringLiteral("uninstallScanningText"));
    ASSERT_NE(scanning, nullptr);
    EXPECT_EQ(scanning->text(), QStringLiteral("正在扫描「Inkpad」的卸载选项…"));
    EXPECT_EQ(find<QPushButton>(QStringLiteral("uninstallConfirm")), nullptr);
    // Return during the scan confirms nothing.
    key(&sheet, Qt::Key_Return);
    EXPECT_TRUE(confirms.isEmpty());

    const UninstallPlan plan = samplePlan();
    sheet.setScanningApp(std::nullopt);
    sheet.setPlan(plan);
    EXPECT_EQ(find<QLabel>(QStringLiteral("uninstallScanningText")), nullptr);
    EXPECT_EQ(find<QLabel>(QStringLiteral("uninstallGroupTitle:cache"))->text(), QStringLiteral("缓存 · 3 项"));
    EXPECT_EQ(find<QLabel>(QStringLiteral("uninstallGroupTitle:support"))->text(), QStringLiteral("应用支持文件 · 1 项"));
    EXPECT_EQ(find<QLabel>(QStringLiteral("uninstallReclaimable"))->text(),
              QStringLiteral("预计可释放空间：") + UninstallText::byteCount(5'000'000 + 345'700));

    QStringList paths;
    for (QLabel* l : sheet.findChildren<QLabel*>(QStringLiteral("uninstallItemPath")))
        paths << l->text();
    EXPECT_TRUE(paths.contains(QStringLiteral("~/Library/Caches/org.example.inkpad")));
    EXPECT_TRUE(paths.contains(QStringLiteral("/fx/sys/Library/LaunchDaemons/org.example.inkpad.plist · 需要管理员权限")));
    EXPECT_TRUE(paths.contains(QStringLiteral("~/Library/Application Support/Inkpad")));
    EXPECT_FALSE(find<QCheckBox>(QStringLiteral("uninstallItemCheck:") + plan.residuals[0].path())->isChecked());
    EXPECT_FALSE(find<QCheckBox>(QStringLiteral("uninstallSelectAll"))->isChecked());

    // A click on a group header outside its box folds it; its items keep their choice.
    QWidget* header = find<QWidget>(QStringLiteral("uninstallGroupHeader:cache"));
    click(header, QPoint(header->width() - 20, header->height() / 2));
    EXPECT_EQ(find<QCheckBox>(QStringLiteral("uninstallItemCheck:") + plan.residuals[1].path()), nullptr);
    EXPECT_TRUE(sheet.selection().isChecked(plan.residuals[1].url));
    click(find<QWidget>(QStringLiteral("uninstallGroupHeader:cache")), QPoint(header->width() - 20, header->height() / 2));
    EXPECT_NE(find<QCheckBox>(QStringLiteral("uninstallItemCheck:") + plan.residuals[1].path()), nullptr);
}

TEST_F(UninstallSheet, ConfirmHandsBackTheCheckedLeftoversAndTheBundleFlag)
{
    const UninstallPlan plan = samplePlan();
    sheet.setPlan(plan);
    click(find<QCheckBox>(QStringLiteral("uninstallAppCheck")));
    click(find<QCheckBox>(QStringLiteral("uninstallGroupCheck:cache")));
    click(find<QCheckBox>(QStringLiteral("uninstallItemCheck:") + plan.residuals[0].path()));
    EXPECT_EQ(find<QLabel>(QStringLiteral("uninstallReclaimable"))->text(),
              QStringLiteral("预计可释放空间：") + UninstallText::byteCount(2'000 + 700));
    click(find<QPushButton>(QStringLiteral("uninstallConfirm")));
    ASSERT_EQ(confirms.size(), 1);
    EXPECT_FALSE(confirms[0].second);
    ASSERT_EQ(confirms[0].first.residuals.size(), 2);
    EXPECT_EQ(confirms[0].first.residuals[0].url, plan.residuals[0].url);
    EXPECT_EQ(confirms[0].first.residuals[1].url, plan.residuals[4].url);

    // Nothing chosen: the button is off and Return does nothing.
    click(find<QCheckBox>(QStringLiteral("uninstallSelectAll")));
    click(find<QCheckBox>(QStringLiteral("uninstallSelectAll")));
    EXPECT_FALSE(find<QPushButton>(QStringLiteral("uninstallConfirm"))->isEnabled());
    key(&sheet, Qt::Key_Return);
    EXPECT_EQ(confirms.size(), 1);

    // Select all, then Return confirms everything.
    click(find<QCheckBox>(QStringLiteral("uninstallSelectAll")));
    key(&sheet, Qt::Key_Return);
    ASSERT_EQ(confirms.size(), 2);
    EXPECT_TRUE(confirms[1].second);
    EXPECT_EQ(confirms[1].first.residuals, plan.residuals);
}

TEST_F(UninstallSheet, EscCancelsTheBackdropTakesClicksAndBlockingIssuesOfferTheGrant)
{
    UninstallPlan plan = samplePlan();
    plan.permissionIssues = {{QStringLiteral("需要完全磁盘访问权限"), QStringLiteral("无法读取 Cookies"),
                              QStringLiteral("x-apple.systempreferences:privacy"), true}};
    sheet.setPlan(plan);
    // The backdrop around the card: taken, nothing called.
    click(&sheet, QPoint(10, 10));
    EXPECT_EQ(cancels, 0);
    EXPECT_TRUE(confirms.isEmpty());
    EXPECT_EQ(find<QPushButton>(QStringLiteral("uninstallConfirm")), nullptr);
    key(&sheet, Qt::Key_Return);
    ASSERT_EQ(grants.size(), 1);
    EXPECT_EQ(grants[0], plan); // unfiltered
    key(&sheet, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    click(find<QPushButton>(QStringLiteral("uninstallCancel")));
    EXPECT_EQ(cancels, 2);
    // Esc also cancels the scanning card.
    sheet.setScanningApp(plan.app);
    key(&sheet, Qt::Key_Escape);
    EXPECT_EQ(cancels, 3);
}

// Every text on the card, in the order the widgets were made.
QStringList cardTexts(const QWidget* card)
{
    QStringList texts;
    for (const QLabel* l : card->findChildren<QLabel*>())
        texts << l->text();
    for (const QAbstractButton* b : card->findChildren<QAbstractButton*>())
        texts << b->text();
    return texts;
}

// The characters of `text` that no installed font can draw in `font` (fallbacks included).
QString missingGlyphs(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    QString missing;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0)
                missing += QStringLiteral("?");
        }
    }
    return missing;
}

// The card speaks Chinese: sizes in Chinese units, and the only Latin letters left are the
// application's and the files' own names and the size units. Every character has a glyph.
TEST_F(UninstallSheet, CardTextsAreChineseWithNoMissingGlyphs)
{
    UninstallPlan plan = samplePlan();
    sheet.setScanningApp(plan.app);
    ASSERT_NE(sheet.card(), nullptr);
    for (const QLabel* l : sheet.card()->findChildren<QLabel*>())
        EXPECT_EQ(missingGlyphs(l->text(), l->font()), QString()) << l->text().toStdString();
    sheet.setScanningApp(std::nullopt);

    plan.residuals.append(item(QStringLiteral("/fx/home/Library/Preferences/org.example.inkpad.plist"), ResidualKind::preference, 1));
    plan.residuals.append(item(QStringLiteral("/fx/home/Library/Logs/Inkpad"), ResidualKind::log, 0));
    sheet.setPlan(plan);
    ASSERT_NE(sheet.card(), nullptr);

    QStringList names{plan.app.name};
    for (const ResidualItem& r : plan.residuals) {
        names << UninstallText::abbreviatedPath(r.path(), QStringLiteral("/fx/home")) << r.path()
              << QFileInfo(r.path()).fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    const QStringList texts = cardTexts(sheet.card());
    EXPECT_TRUE(texts.contains(QStringLiteral("1 字节")));
    EXPECT_TRUE(texts.contains(QStringLiteral("零 KB")));
    static const QRegularExpression units(QStringLiteral("\\b[KMGT]B\\b"));
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    for (const QLabel* l : sheet.card()->findChildren<QLabel*>()) {
        QString rest = l->text();
        for (const QString& name : names)
            rest.remove(name);
        rest.remove(units);
        EXPECT_FALSE(rest.contains(latin)) << l->text().toStdString();
        EXPECT_EQ(missingGlyphs(l->text(), l->font()), QString()) << l->text().toStdString();
    }
    for (const QAbstractButton* b : sheet.card()->findChildren<QAbstractButton*>())
        EXPECT_EQ(missingGlyphs(b->text(), b->font()), QString()) << b->text().toStdString();
}

// A leftover name too long for its row keeps its start and its end and gives up its middle.
TEST_F(UninstallSheet, LongLeftoverNamesLoseTheirMiddleNotTheirEnd)
{
    UninstallPlan plan = samplePlan();
    const QString longName = QStringLiteral("org.example.inkpad.") + QString(80, QLatin1Char('x')) + QStringLiteral(".savedState");
    plan.residuals = {item(QStringLiteral("/fx/home/Library/Saved Application State/") + longName, ResidualKind::state, 10)};
    sheet.setPlan(plan);
    QApplication::processEvents();
    auto* name = find<QLabel>(QStringLiteral("uninstallItemName"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().startsWith(QStringLiteral("org.example"))) << name->text().toStdString();
    EXPECT_TRUE(name->text().endsWith(QStringLiteral(".savedState"))) << name->text().toStdString();
    EXPECT_TRUE(name->text().contains(QChar(0x2026))) << name->text().toStdString();
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
    EXPECT_LE(sheet.card()->width(), 400);
}

// The header shows the application's own icon, the one the grid cells draw.
TEST_F(UninstallSheet, HeaderShowsTheApplicationsIcon)
{
    QImage red(128, 128, QImage::Format_ARGB32_Premultiplied);
    red.fill(QColor(220, 30, 30));
    QList<AppItem> asked;
    sheet.iconFor = [&](const AppItem& app) {
        asked << app;
        return red;
    };
    const UninstallPlan plan = samplePlan();
    sheet.setPlan(plan);
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.first(), plan.app);
    auto* icon = find<QLabel>(QStringLiteral("uninstallAppIcon"));
    ASSERT_NE(icon, nullptr);
    const QImage shown = icon->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_EQ(centre, QColor(220, 30, 30));
    // Clipped to the icons' rounded square: the corner is clear.
    EXPECT_EQ(shown.pixelColor(0, 0).alpha(), 0);
}

// Where nothing blends the window with the grid, the sheet paints the still of what lies beneath
// and dims it; it is never black.
TEST_F(UninstallSheet, BackdropDimsTheStillOfTheScreen)
{
    QImage still(1440, 900, QImage::Format_RGB32);
    still.fill(QColor(200, 100, 40));
    sheet.setBackdrop(still);
    sheet.setPlan(samplePlan());
    const QImage shown = sheet.grab().toImage();
    const QColor corner = shown.pixelColor(10, 10);
    EXPECT_NEAR(corner.red(), 200 * 0.65, 2);
    EXPECT_NEAR(corner.green(), 100 * 0.65, 2);
    EXPECT_NEAR(corner.blue(), 40 * 0.65, 2);
    EXPECT_EQ(corner.alpha(), 255);
}

// Notes that wrap over several lines take the room they need: the card grows to hold them, so
// the leftover list, the notes and the buttons never overlap and none runs past the card. On a
// short screen the list gives up height rather than the card leaving the screen, and takes it back
// on a tall one.
TEST_F(UninstallSheet, WrappedNotesNeverOverlapTheListOrTheButtons)
{
    UninstallPlan plan = samplePlan();
    for (int i = 0; i < 8; ++i)
        plan.residuals << item(QStringLiteral("/fx/home/Library/Containers/org.example.inkpad.part") + QString::number(i),
                               ResidualKind::container, 10);
    plan.permissionIssues = {
        {QStringLiteral("无法取得管理员授权"),
         QStringLiteral("org.example.inkpad.plist 需要管理员权限才能删除，但本次运行未启用管理员授权，这些残留将无法清理（不影响应用本体卸载）。"),
         std::nullopt, false},
        {QStringLiteral("部分目录无法扫描"),
         QStringLiteral("/srv/users/someone/Library/HTTPStorages、/srv/users/someone/Library/Group Containers、"
                        "/srv/users/someone/Library/Logs、/srv/users/someone/Library/Input Methods、"
                        "/srv/users/someone/Library/Saved Application State 无法读取或是指向别处的链接，其中的残留未能列出。"),
         std::nullopt, false},
        {QStringLiteral("应用内有挂载点"),
         QStringLiteral("「Inkpad」中的 /fx/Applications/Inkpad.app/Contents/Resources/mnt 是挂载点，为保护其中的数据，应用本体不会被删除；请先取消该挂载。"),
         std::nullopt, false},
    };
    sheet.setPlan(plan);
    for (const int sheetHeight : {900, 480, 900}) {
        sheet.resize(1440, sheetHeight);
        QApplication::processEvents();
        QWidget* card = sheet.card();
        ASSERT_NE(card, nullptr);
        EXPECT_TRUE(sheet.rect().contains(card->geometry())) << sheetHeight;
        const auto inCard = [card](QWidget* widget) { return QRect(widget->mapTo(card, QPoint(0, 0)), widget->size()); };
        QWidget* list = find<QWidget>(QStringLiteral("uninstallListPanel"));
        EXPECT_EQ(list->height() == 250, sheetHeight == 900) << sheetHeight << ": " << list->height();
        QList<QRect> boxes{inCard(list)};
        const QList<QLabel*> notes = sheet.findChildren<QLabel*>(QStringLiteral("uninstallIssue"));
        ASSERT_EQ(notes.size(), 3);
        for (QLabel* note : notes) {
            // Tall enough for all of its lines at its width.
            EXPECT_GE(note->height(), note->heightForWidth(note->width())) << note->text().toStdString();
            boxes << inCard(note);
        }
        boxes << inCard(find<QPushButton>(QStringLiteral("uninstallConfirm")));
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            EXPECT_TRUE(card->rect().contains(boxes.at(i))) << sheetHeight << ": " << i;
            for (qsizetype j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes.at(i).intersects(boxes.at(j))) << sheetHeight << ": " << i << " and " << j;
        }
    }
}

} // namespace
} // namespace corvanta
