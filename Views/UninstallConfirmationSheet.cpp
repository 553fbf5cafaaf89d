#include "Views/UninstallConfirmationSheet.h"

#include "Views/CellDrawing.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace corvanta {

namespace {

constexpr int kMaxListHeight = 250;
constexpr int kMinListHeight = 90; // the application row and about two leftovers
constexpr int kSheetMargin = 24;   // kept free above and below the card
constexpr const char* kListHeight = "corvantaListHeight";

// A row whose whole rectangle is a click target (the group headers).
class ClickRow : public QWidget {
public:
    std::function<void()> onClick;
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (rect().contains(event->position().toPoint()) && onClick)
            onClick();
    }
};

QLabel* label(const QString& text, int points, QFont::Weight weight, const QString& color = {})
{
    auto* l = new QLabel(text);
    QFont font = l->font();
    font.setPixelSize(points);
    font.setWeight(weight);
    l->setFont(font);
    if (!color.isEmpty())
        l->setStyleSheet(QStringLiteral("color: ") + color + QLatin1Char(';'));
    return l;
}

// The sheet's few symbols, drawn rather than typed: no bundled font is sure to have them.
class SheetSymbol : public QWidget {
public:
    enum class Shape { folder, chevronDown, chevronUp };
    SheetSymbol(Shape shape, int points, QPalette::ColorRole role)
        : m_shape(shape), m_role(role)
    {
        setFixedSize(points + 2, points + 2);
        setObjectName(shape == Shape::folder ? QStringLiteral("symbolFolder")
                                             : (shape == Shape::chevronDown ? QStringLiteral("symbolChevronDown")
                                                                           : QStringLiteral("symbolChevronUp")));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor color = palette().color(m_role);
        const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        if (m_shape == Shape::folder) {
            // A tab over the left half, then the body.
            QPainterPath path;
            const double tabHeight = box.height() * 0.22;
            path.moveTo(box.left(), box.top() + tabHeight);
            path.lineTo(box.left(), box.top() + 1);
            path.quadTo(box.left(), box.top(), box.left() + 1, box.top());
            path.lineTo(box.left() + box.width() * 0.38, box.top());
            path.lineTo(box.left() + box.width() * 0.5, box.top() + tabHeight);
            path.lineTo(box.left(), box.top() + tabHeight);
            path.addRoundedRect(QRectF(box.left(), box.top() + tabHeight, box.width(), box.height() * 0.78 - 0.5), 1.2, 1.2);
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawPath(path);
            return;
        }
        const double h = box.height() * 0.28;
        const double midY = box.center().y();
        const bool down = m_shape == Shape::chevronDown;
        QPainterPath path;
        path.moveTo(box.left() + box.width() * 0.15, down ? midY - h : midY + h);
        path.lineTo(box.center().x(), down ? midY + h : midY - h);
        path.lineTo(box.right() - box.width() * 0.15, down ? midY - h : midY + h);
        painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    }

private:
    Shape m_shape;
    QPalette::ColorRole m_role;
};

// A one-line name that gives up its middle, not its end, when the row is too narrow.
class MiddleElidedLabel : public QLabel {
public:
    explicit MiddleElidedLabel(QString text) : m_full(std::move(text))
    {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setToolTip(m_full);
        setText(m_full);
    }
    const QString& fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        const QString shown = fontMetrics().elidedText(m_full, Qt::ElideMiddle, width());
        if (shown != text())
            setText(shown);
    }

private:
    QString m_full;
};

// The leftover list's frame: a rounded panel in the control background, outlined by a separator
// line. Style sheets cannot round a scroll area's corners, so the panel draws them itself.
class RoundedPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
        const QPainterPath shape = CellDrawing::continuousRoundedRect(box, 10);
        painter.fillPath(shape, palette().color(QPalette::Base));
        painter.setPen(QPen(palette().color(QPalette::Mid), 0.8));
        painter.drawPath(shape);
    }
};

// The application's icon at `side` points, clipped like the grid's icons.
QPixmap headerIcon(const QImage& icon, int side, double pixelRatio)
{
    QPixmap pixmap(QSize(side, side) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QRectF square(0, 0, side, side);
    painter.setClipPath(CellDrawing::continuousRoundedRect(square, 0.2 * side));
    if (icon.isNull())
        painter.fillRect(square, QColor(128, 128, 128, 90));
    else
        painter.drawImage(square, icon);
    return pixmap;
}

const QString kSecondary = QStringLiteral("palette(mid)");
const QString kAccent = QStringLiteral("palette(highlight)");

QFrame* makeCard(int width)
{
    auto* card = new QFrame;
    card->setObjectName(QStringLiteral("uninstallCard"));
    card->setFixedWidth(width);
    card->setStyleSheet(QStringLiteral("#uninstallCard { background: palette(window); border: 0.8px solid palette(mid);"
                                       " border-radius: 16px; }"));
    auto* shadow = new QGraphicsDropShadowEffect(card);
    shadow->setColor(QColor(0, 0, 0, 89));
    shadow->setBlurRadius(30);
    shadow->setOffset(0, 12);
    card->setGraphicsEffect(shadow);
    return card;
}

// Check boxes are rebuilt after each change, so a click must not delete the box it comes from.
void retire(QWidget* widget)
{
    if (!widget)
        return;
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

} // namespace

UninstallConfirmationSheet::UninstallConfirmationSheet(QString home, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint)
    , m_home(std::move(home))
{
    setObjectName(QStringLiteral("uninstallSheet"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("卸载"));
}

void UninstallConfirmationSheet::begin()
{
    m_selection = UninstallSelection{};
    m_scanningApp.reset();
    m_plan.reset();
    rebuild();
}

void UninstallConfirmationSheet::setScanningApp(std::optional<AppItem> app)
{
    m_scanningApp = std::move(app);
    rebuild();
}

void UninstallConfirmationSheet::setPlan(std::optional<Plan> plan)
{
    if (plan != m_plan)
        m_selection.reset(plan);
    m_plan = std::move(plan);
    rebuild();
}

QString UninstallConfirmationSheet::reclaimableText() const
{
    if (!m_plan)
        return {};
    return UninstallText::byteCount(m_selection.reclaimableBytes(*m_plan));
}

bool UninstallConfirmationSheet::hasBlockingIssue() const
{
    if (!m_plan)
        return false;
    for (const auto& issue : m_plan->permissionIssues) {
        if (issue.isBlocking)
            return true;
    }
    return false;
}

void UninstallConfirmationSheet::rebuild()
{
    const int scroll = m_list ? m_list->verticalScrollBar()->value() : 0;
    retire(m_card);
    if (m_scanningApp)
        m_card = buildScanningCard(*m_scanningApp);
    else if (m_plan)
        m_card = buildResultCard(*m_plan);
    if (m_card) {
        m_card->setParent(this);
        m_card->show();
        if (m_list)
            m_list->verticalScrollBar()->setValue(scroll);
    }
    placeCard();
    update();
}

QWidget* UninstallConfirmationSheet::buildScanningCard(const AppItem& app)
{
    QFrame* card = makeCard(340);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(28, 28, 28, 28);
    stack->setSpacing(14);
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0); // indeterminate
    spinner->setTextVisible(false);
    spinner->setFixedWidth(120);
    stack->addWidget(spinner, 0, Qt::AlignHCenter);
    QLabel* text = label(QStringLiteral("正在扫描「") + app.name + QStringLiteral("」的卸载选项…"), 14, QFont::Medium);
    text->setObjectName(QStringLiteral("uninstallScanningText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignHCenter);
    stack->addWidget(text);
    return card;
}

QWidget* UninstallConfirmationSheet::buildResultCard(const Plan& plan)
{
    QFrame* card = makeCard(400);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("uninstallAppIcon"));
    icon->setPixmap(headerIcon(iconFor ? iconFor(plan.app) : QImage(), 44, devicePixelRatioF()));
    icon->setFixedSize(44, 44);
    header->addWidget(icon);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    QLabel* title = label(QStringLiteral("卸载「") + plan.app.name + QStringLiteral("」？"), 16, QFont::DemiBold);
    title->setTextFormat(Qt::PlainText);
    titles->addWidget(title);
    titles->addWidget(label(QStringLiteral("将直接删除，删除后无法恢复。"), 12, QFont::Normal, kSecondary));
    QLabel* reclaim = label(QStringLiteral("预计可释放空间：") + reclaimableText(), 13, QFont::Medium, kAccent);
    reclaim->setObjectName(QStringLiteral("uninstallReclaimable"));
    titles->addWidget(reclaim);
    header->addLayout(titles);
    header->addStretch();
    stack->addLayout(header);

    stack->addWidget(buildResidualList(plan));

    if (!plan.permissionIssues.isEmpty()) {
        auto* issues = new QVBoxLayout;
        issues->setSpacing(3);
        for (const auto& issue : plan.permissionIssues) {
            QLabel* line = label(QStringLiteral("• ") + issue.title + QStringLiteral("：") + issue.detail, 11, QFont::Normal,
                                 QStringLiteral("#ff9500"));
            line->setTextFormat(Qt::PlainText);
            line->setWordWrap(true);
            line->setObjectName(QStringLiteral("uninstallIssue"));
            issues->addWidget(line);
        }
        stack->addLayout(issues);
    }

    auto* footer = new QHBoxLayout;
    footer->setSpacing(10);
    auto* all = new QCheckBox(QStringLiteral("全选"));
    all->setObjectName(QStringLiteral("uninstallSelectAll"));
    all->setChecked(m_selection.isAllChecked(m_plan));
    connect(all, &QCheckBox::clicked, this, [this](bool checked) {
        m_selection.setAllChecked(m_plan, checked);
        rebuild();
    });
    footer->addWidget(all);
    footer->addStretch();
    auto* cancelButton = new QPushButton(QStringLiteral("取消"));
    cancelButton->setObjectName(QStringLiteral("uninstallCancel"));
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    footer->addWidget(cancelButton);
    const bool blocking = hasBlockingIssue();
    auto* action = new QPushButton(blocking ? QStringLiteral("去授权") : QStringLiteral("卸载"));
    action->setObjectName(blocking ? QStringLiteral("uninstallGrant") : QStringLiteral("uninstallConfirm"));
    action->setDefault(true);
    action->setEnabled(blocking || !m_selection.nothingSelected(m_plan));
    connect(action, &QPushButton::clicked, this, [this] { confirmOrGrant(); });
    footer->addWidget(action);
    stack->addLayout(footer);
    return card;
}

QWidget* UninstallConfirmationSheet::buildResidualList(const Plan& plan)
{
    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 4, 0, 4);
    rows->setSpacing(2);

    auto* appRow = new QWidget;
    appRow->setFixedHeight(30);
    auto* appLayout = new QHBoxLayout(appRow);
    appLayout->setContentsMargins(10, 0, 10, 0);
    appLayout->setSpacing(8);
    auto* appCheck = new QCheckBox;
    appCheck->setObjectName(QStringLiteral("uninstallAppCheck"));
    appCheck->setChecked(m_selection.includeApp());
    connect(appCheck, &QCheckBox::clicked, this, [this](bool checked) {
        m_selection.setIncludeApp(checked);
        rebuild();
    });
    appLayout->addWidget(appCheck);
    appLayout->addWidget(label(QStringLiteral("应用本体"), 12, QFont::DemiBold));
    appLayout->addStretch();
    appLayout->addWidget(label(UninstallText::byteCount(plan.appSize), 11, QFont::Normal, kSecondary));
    rows->addWidget(appRow);

    for (const Uninstall::ResidualGroup& group : plan.residualGroups()) {
        const QString raw = Uninstall::rawValue(group.kind);
        const bool collapsed = m_selection.isCollapsed(group.kind);
        auto* header = new ClickRow;
        header->setObjectName(QStringLiteral("uninstallGroupHeader:") + raw);
        header->setFixedHeight(28);
        header->setCursor(Qt::PointingHandCursor);
        const Uninstall::ResidualKind kind = group.kind;
        header->onClick = [this, kind] {
            m_selection.toggleCollapsed(kind);
            rebuild();
        };
        auto* headerLayout = new QHBoxLayout(header);
        headerLayout->setContentsMargins(10, 0, 10, 0);
        headerLayout->setSpacing(8);
        auto* groupCheck = new QCheckBox;
        groupCheck->setObjectName(QStringLiteral("uninstallGroupCheck:") + raw);
        groupCheck->setChecked(m_selection.isGroupChecked(group.items));
        const QList<Uninstall::ResidualItem> items = group.items;
        connect(groupCheck, &QCheckBox::clicked, this, [this, items](bool checked) {
            m_selection.setGroupChecked(items, checked);
            rebuild();
        });
        headerLayout->addWidget(groupCheck);
        QLabel* title = label(UninstallText::groupHeader(group.kind, group.items.size()), 12, QFont::DemiBold);
        title->setObjectName(QStringLiteral("uninstallGroupTitle:") + raw);
        headerLayout->addWidget(title);
        headerLayout->addStretch();
        qint64 groupSize = 0;
        for (const auto& item : group.items)
            groupSize += item.size;
        headerLayout->addWidget(label(UninstallText::byteCount(groupSize), 11, QFont::Normal, kSecondary));
        headerLayout->addWidget(new SheetSymbol(collapsed ? SheetSymbol::Shape::chevronDown : SheetSymbol::Shape::chevronUp,
                                                10, QPalette::Mid));
        rows->addWidget(header);
        if (collapsed)
            continue;

        for (const Uninstall::ResidualItem& item : group.items) {
            auto* row = new QWidget;
            row->setObjectName(QStringLiteral("uninstallItem:") + item.path());
            auto* rowLayout = new QHBoxLayout(row);
            rowLayout->setContentsMargins(24, 2, 24, 2);
            rowLayout->setSpacing(8);
            auto* check = new QCheckBox;
            check->setObjectName(QStringLiteral("uninstallItemCheck:") + item.path());
            check->setChecked(m_selection.isChecked(item.url));
            const QUrl url = item.url;
            connect(check, &QCheckBox::clicked, this, [this, url](bool checked) {
                m_selection.setChecked(url, checked);
                rebuild();
            });
            rowLayout->addWidget(check);
            rowLayout->addWidget(new SheetSymbol(SheetSymbol::Shape::folder, 10, QPalette::Highlight), 0, Qt::AlignTop);
            auto* texts = new QVBoxLayout;
            texts->setSpacing(0);
            auto* name = new MiddleElidedLabel(QFileInfo(item.path()).fileName());
            name->setObjectName(QStringLiteral("uninstallItemName"));
            QFont nameFont = name->font();
            nameFont.setPixelSize(11);
            name->setFont(nameFont);
            texts->addWidget(name);
            // The whole path, so the user sees where each leftover lives before it goes.
            QString where = UninstallText::abbreviatedPath(item.path(), m_home);
            if (item.requiresAdmin)
                where += QStringLiteral(" · 需要管理员权限");
            QLabel* path = label(where, 10, QFont::Normal, kSecondary);
            path->setObjectName(QStringLiteral("uninstallItemPath"));
            path->setTextFormat(Qt::PlainText);
            path->setWordWrap(true);
            path->setToolTip(item.path());
            texts->addWidget(path);
            rowLayout->addLayout(texts, 1);
            rowLayout->addWidget(label(UninstallText::byteCount(item.size), 10, QFont::Normal, kSecondary));
            rows->addWidget(row);
        }
    }

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("uninstallList"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    // The panel behind shows through: the list draws no background of its own.
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    m_list = scroll;

    auto* panel = new RoundedPanel;
    panel->setObjectName(QStringLiteral("uninstallListPanel"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(scroll);
    panel->setMaximumHeight(kMaxListHeight);
    panel->setMinimumHeight(std::min(kMaxListHeight, content->sizeHint().height() + 2));
    panel->setProperty(kListHeight, panel->minimumHeight()); // what placeCard gives back on a taller screen
    return panel;
}

void UninstallConfirmationSheet::placeCard()
{
    if (!m_card)
        return;
    // The card's width is fixed; wrapped notes need the height they take at that width, which a
    // size hint (made for a width of its own choosing) can fall short of.
    const auto neededHeight = [this] {
        m_card->adjustSize();
        int needed = m_card->sizeHint().expandedTo(m_card->minimumSize()).height();
        if (m_card->hasHeightForWidth())
            needed = std::max(needed, m_card->heightForWidth(m_card->width()));
        return needed;
    };
    // On a short screen the leftover list gives up height (it scrolls) before the notes or the
    // buttons leave the screen; on a taller one it has its own height again.
    QWidget* panel = m_list ? m_list->parentWidget() : nullptr;
    const int listHeight = panel ? panel->property(kListHeight).toInt() : 0;
    if (panel && listHeight > 0) {
        panel->setMinimumHeight(listHeight);
        panel->setMaximumHeight(kMaxListHeight);
    }
    int needed = neededHeight();
    const int room = height() - 2 * kSheetMargin;
    if (panel && listHeight > 0 && needed > room && room > 0) {
        const int shrunk = std::max(std::min(listHeight, kMinListHeight), listHeight - (needed - room));
        panel->setMinimumHeight(shrunk);
        panel->setMaximumHeight(shrunk);
        m_card->layout()->invalidate();
        needed = neededHeight();
    }
    m_card->resize(m_card->width(), needed);
    m_card->move((width() - m_card->width()) / 2, (height() - m_card->height()) / 2);
}

void UninstallConfirmationSheet::cancel()
{
    if (onCancel)
        onCancel();
}

void UninstallConfirmationSheet::confirmOrGrant()
{
    if (m_scanningApp || !m_plan)
        return;
    if (hasBlockingIssue()) {
        if (onGrantPermission)
            onGrantPermission(*m_plan);
        return;
    }
    if (m_selection.nothingSelected(m_plan))
        return;
    if (onConfirm)
        onConfirm(m_selection.filteredPlan(*m_plan), m_selection.includeApp());
}

void UninstallConfirmationSheet::setBackdrop(QImage still)
{
    m_backdrop = std::move(still);
    update();
}

void UninstallConfirmationSheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_backdrop.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRectF(rect()), m_backdrop);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.fillRect(rect(), QColor(0, 0, 0, 89)); // black at 0.35
}

void UninstallConfirmationSheet::mousePressEvent(QMouseEvent* event)
{
    // The backdrop takes the click and does nothing: the sheet stays.
    event->accept();
}

void UninstallConfirmationSheet::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void UninstallConfirmationSheet::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        cancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        confirmOrGrant();
        return;
    default:
        event->accept();
    }
}

void UninstallConfirmationSheet::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeCard();
}

} // namespace corvanta
