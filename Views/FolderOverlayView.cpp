#include "Views/FolderOverlayView.h"

#include "Services/GaussianBoxBlur.h"
#include "Services/IconCache.h"
#include "Support/InteractionManager.h"
#include "Views/AppIconView.h"
#include "Views/CellDrawing.h"
#include "Views/ContentLayers.h"
#include "Views/PageIndicator.h"
#include "Views/PagerLayerBox.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsTextItem>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace corvanta {
namespace {

QFont titleFont()
{
    QFont font;
    font.setPixelSize(int(FolderLayout::kTitleFontSize));
    font.setWeight(QFont::Thin);
    return font;
}

constexpr double kTitlePadding = 8;
constexpr double kEditPlateCorner = 10;
// At most nine members sit in the folder block; the rest start below it, hidden by the mask.
constexpr qsizetype kMiniSlots = 9;
// A continuous corner of radius r bends away from the sides this far (see continuousRoundedRect).
constexpr double kCornerReach = 1.528;
// A flying icon's shadow: blur radius 2 at the full size, reaching twice as far.
constexpr double kFlightShadowBlur = 2;
constexpr double kFlightShadowPad = 2 * kFlightShadowBlur;

} // namespace

// ---- title ----

// The folder's name, or while it is being edited the edit field on its light plate.
class FolderOverlayView::Title : public QGraphicsObject {
public:
    explicit Title(FolderOverlayView& owner) : QGraphicsObject(&owner), m_owner(owner) {}

    void setSize(const QSizeF& size)
    {
        if (size == m_size)
            return;
        prepareGeometryChange();
        m_size = size;
        m_pixmap = {};
    }
    void nameChanged() { m_pixmap = {}; update(); }
    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        painter->setRenderHint(QPainter::Antialiasing);
        if (m_owner.m_editing) {
            painter->fillPath(CellDrawing::continuousRoundedRect(boundingRect(), kEditPlateCorner), QColor(255, 255, 255, 51));
            return;
        }
        if (m_pixmap.isNull())
            m_pixmap = render();
        painter->drawImage(QPointF(0, 0), m_pixmap);
    }

private:
    // The name and its soft shadow (black 0.4, radius 6, 2 pt down), drawn once per name and size.
    QImage render() const
    {
        QImage image(m_size.toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        const QFont font = titleFont();
        const QRectF text = boundingRect().adjusted(kTitlePadding, 0, -kTitlePadding, 0);
        const QString name = QFontMetricsF(font).elidedText(m_owner.m_group.name, Qt::ElideRight, text.width());
        {
            QPainter p(&image);
            p.setFont(font);
            p.setPen(QColor(0, 0, 0, 102));
            p.drawText(text.translated(0, 2), Qt::AlignCenter | Qt::TextSingleLine, name);
        }
        GaussianBoxBlur::apply(image, 3, 1);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, name);
        return image;
    }

    FolderOverlayView& m_owner;
    QSizeF m_size;
    QImage m_pixmap;
};

// The rename field: one line of plain text; Return keeps the name and ends editing, losing the
// keyboard ends it too.
class FolderOverlayView::Editor : public QGraphicsTextItem {
public:
    Editor(FolderOverlayView& owner, QGraphicsItem* parent) : QGraphicsTextItem(parent), m_owner(owner)
    {
        setFont(titleFont());
        setDefaultTextColor(Qt::white);
        setTextInteractionFlags(Qt::TextEditorInteraction);
        document()->setDocumentMargin(0);
        QTextOption option = document()->defaultTextOption();
        option.setWrapMode(QTextOption::NoWrap);
        option.setAlignment(Qt::AlignHCenter);
        document()->setDefaultTextOption(option);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (m_owner.onRename)
                m_owner.onRename(toPlainText());
            clearFocus();
            m_owner.endEditing();
            event->accept();
            return;
        }
        QGraphicsTextItem::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QGraphicsTextItem::focusOutEvent(event);
        m_owner.endEditing();
    }

private:
    FolderOverlayView& m_owner;
};

// Clips the panel's content to the morphing shape; its own bounds are the overlay's.
class FolderOverlayView::Clip : public QGraphicsObject {
public:
    explicit Clip(FolderOverlayView& owner) : QGraphicsObject(&owner), m_owner(owner)
    {
        setFlag(ItemClipsChildrenToShape);
        setFlag(ItemHasNoContents);
    }
    void shapeChanged()
    {
        prepareGeometryChange();
        // Open, the content is clipped by its pager's own rectangle and its cells stay clear of
        // the rounded corners: the shaped clip, costly for every cell, is only set while moving.
        setFlag(ItemClipsChildrenToShape, m_owner.panelMorph().t() < 1);
    }
    QRectF boundingRect() const override { return m_owner.boundingRect(); }
    QPainterPath shape() const override { return m_owner.panelMorph().shape(); }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

private:
    FolderOverlayView& m_owner;
};

// The members flying between the folder block and the panel, masked by the panel's shape.
class FolderOverlayView::Flights : public QGraphicsObject {
public:
    explicit Flights(FolderOverlayView& owner) : QGraphicsObject(&owner), m_owner(owner)
    {
        setAcceptedMouseButtons(Qt::NoButton);
    }
    QRectF boundingRect() const override { return m_owner.boundingRect(); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override
    {
        const qsizetype count = m_owner.flightCount();
        if (count == 0)
            return;
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        // The mask only matters near the panel's edge: an icon (with its shadow) wholly inside the
        // panel's straight-sided cross is drawn unclipped, one wholly outside is not drawn, and
        // only those across the edge pay for the shaped clip.
        const FolderMorph::Mask mask = m_owner.panelMorph();
        const QRectF panel = mask.rect();
        const double reach = mask.corner() * kCornerReach;
        const QRectF across = panel.adjusted(reach, 0, -reach, 0);
        const QRectF down = panel.adjusted(0, reach, 0, -reach);
        const double base = painter->opacity();
        const double margin = kFlightShadowPad * 2;
        QList<qsizetype> acrossTheEdge;
        for (qsizetype i = 0; i < count; ++i) {
            const QRectF extent = m_owner.flight(i).rect().adjusted(-margin, -margin, margin, margin);
            if (!extent.intersects(panel))
                continue;
            if (across.contains(extent) || down.contains(extent))
                drawFlight(*painter, i, base);
            else
                acrossTheEdge.append(i);
        }
        // Those across the edge share one shaped clip.
        if (!acrossTheEdge.isEmpty()) {
            painter->save();
            painter->setClipPath(mask.shape(), Qt::IntersectClip);
            for (const qsizetype i : std::as_const(acrossTheEdge))
                drawFlight(*painter, i, base);
            painter->restore();
        }
        painter->setOpacity(base);
    }

private:
    void drawFlight(QPainter& painter, qsizetype i, double base) const
    {
        const double opacity = m_owner.flightOpacity(i);
        if (opacity <= 0)
            return;
        const FolderMorph::Icon icon = m_owner.flight(i);
        const FlightBitmaps bitmaps = m_owner.m_flightPixmaps.value(m_owner.m_group.apps.at(i).id);
        const QRectF rect = icon.rect();
        if (!bitmaps.shadow.isNull() && icon.shadowOpacity() > 0) {
            // The shadow was blurred once at the final size; it scales with the icon.
            const double pad = kFlightShadowPad * icon.size() / std::max(m_owner.m_metrics.iconSize, 1.0);
            painter.setOpacity(base * opacity * icon.shadowOpacity());
            painter.drawPixmap(rect.adjusted(-pad, -pad, pad, pad).translated(icon.shadowOffset()), bitmaps.shadow, bitmaps.shadow.rect());
        }
        painter.setOpacity(base * opacity);
        if (!bitmaps.icon.isNull())
            painter.drawPixmap(rect, bitmaps.icon, bitmaps.icon.rect());
    }

    FolderOverlayView& m_owner;
};

// ---- the overlay ----

FolderOverlayView::FolderOverlayView(Environment environment, const AppGroup& group, const GridMetrics& metrics, QSizeF size,
    const QRectF& sourceFrame, QGraphicsItem* parent)
    : QGraphicsObject(parent),
      m_env(std::move(environment)),
      m_scheduler(*m_env.cells.scheduler),
      m_main(*m_env.mainEngine),
      m_pager(std::make_unique<InteractionManager>(m_main.scheduler(), m_main.platform(), m_main.variants())),
      m_group(group),
      m_metrics(metrics),
      m_size(size),
      m_sourceFrame(sourceFrame),
      m_progress(m_scheduler, 0, [this](double) { progressChanged(); }),
      m_cellsOpacity(m_scheduler, 0,
          [this](double value) {
              m_content->setOpacity(value);
              // Nothing of the content shows: the shaped clip is not even set up.
              m_clip->setVisible(value > 0);
          }),
      m_title(new Title(*this)),
      m_clip(new Clip(*this)),
      m_content(new LayerSlot(m_clip)),
      m_box(new PagerLayerBox(m_pager->pagerOffset(), m_scheduler, PagerLayerBox::Mode::layerHosted, nullptr, m_content)),
      m_dots(new PageIndicator(m_scheduler, nullptr, nullptr, m_content)),
      m_flights(new Flights(*this)),
      m_shadow(kTargetCorner, 20)
{
    setAcceptedMouseButtons(Qt::LeftButton); // clicks outside the panel reach nothing below
    m_title->setZValue(1);
    m_clip->setZValue(2);
    m_flights->setZValue(3);
    m_content->setOpacity(0);
    m_clip->setVisible(false);
    if (m_env.cells.frames) {
        m_titleReport = FrameReport(*m_env.cells.frames, FrameKind::title);
        m_panelChromeReport = FrameReport(*m_env.cells.frames, FrameKind::chrome);
        m_panelReport = FrameReport(*m_env.cells.frames, FrameKind::folderPanel);
    }
    m_dots->onTap = [this](int page) {
        if (m_iconsInGridVisible && !m_closing)
            m_pager->settle(page, QStringLiteral("page dot"));
    };
    // Whenever the strip moves, the engine's table follows what the panel shows.
    m_box->onIconFrames = [this](const std::optional<QHash<QUuid, QRectF>>&, double) { pagerMoved(); };
    m_box->onChromeFrames = [](const std::optional<QList<QRectF>>&, double) {};
    PagerOffset& offset = m_pager->pagerOffset();
    connect(&offset, &PagerOffset::xChanged, this, &FolderOverlayView::pagerMoved);
    connect(&offset, &PagerOffset::pageChanged, this, [this] {
        m_dots->setCurrentPage(m_pager->pagerOffset().page());
        pagerMoved();
    });

    relayout();
    prepareFlights();
    prewarmCells();
    updateInteractivity();

    // The opening: configure the folder's engine now, grow the panel on the next turn.
    configurePager();
    const quint64 g = m_generation;
    m_openStep = ScheduledTask(&m_scheduler, m_scheduler.schedule(0, [this, g] {
        if (m_generation != g || m_closing)
            return;
        animateShown(true, [this, g] {
            if (m_generation != g || m_closing)
                return;
            m_main.activeFolderPager = m_pager.get();
            handOffToGrid();
            if (onOpened)
                onOpened();
        });
    }));
}

FolderOverlayView::~FolderOverlayView()
{
    disappear();
    // The cells and the strip go before the folder's engine they follow.
    delete m_clip;
    m_clip = nullptr;
}

void FolderOverlayView::disappear()
{
    if (m_gone)
        return;
    m_gone = true;
    ++m_generation;
    // Nothing of a removed overlay reaches the root view any more, not even its editor's focus loss.
    onOpened = nullptr;
    onClosed = nullptr;
    onLaunch = nullptr;
    onRename = nullptr;
    onEditingEnded = nullptr;
    if (m_editor)
        m_editor->clearFocus();
    m_openStep = {};
    m_morphDone = {};
    m_flightOff = {};
    m_focusStep = {};
    detachPager();
    m_pager->resetDragState();
    if (m_pager->pagerOffset().cancelInterpolation)
        m_pager->pagerOffset().cancelInterpolation();
    m_titleReport.clear();
    m_panelChromeReport.clear();
    m_panelReport.clear();
}

// ---- geometry ----

QSizeF FolderOverlayView::titleSize() const
{
    const QFontMetricsF metrics(titleFont());
    return {metrics.horizontalAdvance(m_group.name), std::ceil(metrics.height())};
}

FolderLayout FolderOverlayView::layout() const
{
    return FolderLayout(m_group.apps.size(), m_metrics, m_size, titleSize(), m_editing, m_main.reorderDraggedEntryID().has_value());
}

QRectF FolderOverlayView::sourceRect() const
{
    const QRectF& f = m_sourceFrame;
    return f.adjusted(f.width() * 0.1, f.height() * 0.1, -f.width() * 0.1, -f.height() * 0.1);
}

FolderMorph::Panel FolderOverlayView::panelMorph() const
{
    const QRectF source = sourceRect();
    return {m_progress.value(), source, m_layout ? m_layout->panelRect : QRectF(), 0.26 * source.width(), kTargetCorner};
}

qsizetype FolderOverlayView::flightCount() const
{
    if (!m_flightVisible || !m_layout)
        return 0;
    return std::min<qsizetype>(m_group.apps.size(), m_layout->capacity);
}

FolderMorph::Icon FolderOverlayView::flight(qsizetype index) const
{
    // The mini slots of the folder block's 3 × 3 grid; from the tenth member on, one slot below it.
    const QRectF s = sourceRect();
    const double pad = 0.12 * s.width();
    const double gap = std::min(0.05 * s.width(), 8.0);
    const double mini = (s.width() - 2 * pad - 2 * gap) / 3;
    const qsizetype k = std::min(index, kMiniSlots);
    const QPointF start(s.left() + pad + (mini + gap) * double(k % 3) + mini / 2, s.top() + pad + (mini + gap) * double(k / 3) + mini / 2);
    const QPointF end = m_layout ? m_layout->iconRect(index).center() : start;
    return {m_progress.value(), start, end, mini, m_metrics.iconSize};
}

double FolderOverlayView::flightOpacity(qsizetype index) const
{
    return index < kMiniSlots ? 1.0 : FolderMorph::clampedProgress(m_progress.value());
}

QRectF FolderOverlayView::panelFrame() const
{
    return m_layout ? m_layout->panelRect : QRectF();
}

void FolderOverlayView::relayout()
{
    const std::optional<FolderLayout> before = m_layout;
    m_layout = layout();
    const FolderLayout& l = *m_layout;
    const QRectF panel = l.panelRect;

    m_title->setPos(l.titleRect.topLeft());
    m_title->setSize(l.titleRect.size());
    if (m_editor) {
        m_editor->setTextWidth(l.titleRect.width() - 2 * kTitlePadding);
        m_editor->setPos(kTitlePadding, (l.titleRect.height() - m_editor->boundingRect().height()) / 2);
    }

    m_content->setPos(panel.topLeft());
    m_content->setSize(panel.size());
    m_box->setPageWidth(panel.width());
    m_box->setTotalWidth(panel.width() * double(l.pageCount));
    m_box->setHeight(panel.height());
    m_dots->setWidth(panel.width());
    m_dots->setPageCount(int(l.pageCount));
    m_dots->setCurrentPage(m_pager->pagerOffset().page());
    m_dots->setVisible(l.pageCount >= 2);
    m_dots->setPos(0, panel.height() - kDotsPadding - PageIndicator::kDotSize);
    rebuildCells();
    m_clip->shapeChanged();
    if (before && (before->pageCount != l.pageCount || before->panelRect != l.panelRect))
        configurePager();
    updateReports();
    update();
}

void FolderOverlayView::rebuildCells()
{
    const FolderLayout& l = *m_layout;
    GridCellServices services = m_env.cells;
    services.frames = nullptr; // the members' frames come from the layout, not from reports
    while (m_pages.size() < l.pageCount)
        m_pages.append(new LayerSlot(m_box->strip()));
    while (m_pages.size() > l.pageCount)
        delete m_pages.takeLast();
    for (qsizetype p = 0; p < m_pages.size(); ++p) {
        m_pages.at(p)->setPos(l.panelRect.width() * double(p), 0);
        m_pages.at(p)->setSize(l.panelRect.size());
    }

    QHash<QUuid, AppIconView*> kept;
    for (qsizetype i = 0; i < m_group.apps.size(); ++i) {
        const AppItem& app = m_group.apps.at(i);
        if (kept.contains(app.id))
            continue;
        AppIconView* cell = m_cells.take(app.id);
        LayerSlot* page = m_pages.at(i / l.capacity);
        if (!cell) {
            // Made from the icon cache's memory under the key every cell uses, so no placeholder
            // flashes when the panel opens.
            cell = new AppIconView(services, app, m_metrics, page);
            const QUuid id = app.id;
            cell->onTap = [this, id] {
                if (!m_iconsInGridVisible || m_closing || !onLaunch)
                    return;
                for (const AppItem& member : std::as_const(m_group.apps)) {
                    if (member.id == id) {
                        onLaunch(member);
                        return;
                    }
                }
            };
        } else {
            cell->setParentItem(page);
            cell->setApp(app);
            cell->setMetrics(m_metrics);
        }
        AppIconView::Inputs inputs;
        inputs.trackFrame = false;
        inputs.isLaunching = m_launchingAppID == app.id;
        cell->setInputs(inputs);
        cell->setPos(l.slotOrigin(i));
        kept.insert(app.id, cell);
    }
    qDeleteAll(m_cells);
    m_cells = kept;
    updateInteractivity();
}

void FolderOverlayView::configurePager()
{
    InteractionManager& pager = *m_pager;
    pager.resetDragState();
    if (pager.pagerOffset().cancelInterpolation)
        pager.pagerOffset().cancelInterpolation();
    const FolderLayout& l = *m_layout;
    pager.pageCount = int(l.pageCount);
    pager.screenWidth = l.panelRect.width();
    pager.contentSize = l.panelRect.size();
    pager.pagerOffset().setPage(std::min(int(l.pageCount) - 1, pager.pagerOffset().page()));
}

// ---- inputs from the root view ----

void FolderOverlayView::setGroup(const AppGroup& group)
{
    if (group == m_group)
        return;
    const bool renamed = group.name != m_group.name;
    m_group = group;
    if (renamed) {
        m_title->nameChanged();
        if (!m_editing && m_editor)
            m_editor->setPlainText(m_group.name);
    }
    relayout();
    prepareFlights();
    if (m_iconsInGridVisible && !m_closing)
        pagerMoved();
}

void FolderOverlayView::setMetrics(const GridMetrics& metrics, QSizeF size)
{
    m_metrics = metrics;
    m_size = size;
    prepareGeometryChange();
    m_flightPixmaps.clear();
    relayout();
    configurePager();
    prepareFlights();
}

void FolderOverlayView::setLaunchingAppID(std::optional<QUuid> id)
{
    if (id == m_launchingAppID)
        return;
    m_launchingAppID = id;
    for (AppIconView* cell : std::as_const(m_cells)) {
        AppIconView::Inputs inputs = cell->inputs();
        inputs.isLaunching = id == cell->app().id;
        cell->setInputs(inputs);
    }
}

void FolderOverlayView::setEditingName(bool editing)
{
    if (editing == m_editing)
        return;
    m_editing = editing;
    if (editing) {
        if (!m_editor) {
            m_editor = new Editor(*this, m_title);
            connect(m_editor->document(), &QTextDocument::contentsChanged, this, &FolderOverlayView::editorChanged);
        }
        {
            const QSignalBlocker quiet(m_editor->document());
            m_editor->setPlainText(m_group.name);
        }
        m_editor->setVisible(true);
        // The field takes the keyboard on the next turn, once it is on screen.
        m_focusStep = ScheduledTask(&m_scheduler, m_scheduler.schedule(0, [this] {
            if (m_editing && m_editor) {
                m_editor->setFocus(Qt::OtherFocusReason);
                QTextCursor cursor = m_editor->textCursor();
                cursor.select(QTextCursor::Document);
                m_editor->setTextCursor(cursor);
            }
        }));
    } else if (m_editor) {
        m_focusStep = {};
        m_editor->setVisible(false);
        m_editor->clearFocus();
    }
    m_title->update();
    relayout();
}

QGraphicsTextItem* FolderOverlayView::titleEditor() const
{
    return m_editor;
}

QString FolderOverlayView::draftName() const
{
    return m_editor ? m_editor->toPlainText() : m_group.name;
}

void FolderOverlayView::editorChanged()
{
    if (!m_editing || !m_editor)
        return;
    // Names are one line: a pasted line break must not reach the store.
    const QString text = m_editor->toPlainText();
    if (text.contains(QLatin1Char('\n'))) {
        m_editor->setPlainText(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return;
    }
    if (onRename)
        onRename(text);
}

void FolderOverlayView::endEditing()
{
    if (!m_editing)
        return;
    if (onEditingEnded)
        onEditingEnded();
}

void FolderOverlayView::setClosing(bool closing)
{
    if (closing == m_closing || !closing || m_gone)
        return;
    m_closing = true;
    ++m_generation;
    const quint64 g = m_generation;
    detachPager();
    m_pager->resetDragState();
    if (m_pager->pagerOffset().cancelInterpolation)
        m_pager->pagerOffset().cancelInterpolation();
    m_pager->pagerOffset().setPage(0);
    if (m_editor && m_editor->hasFocus())
        m_editor->clearFocus();
    // The flights take over from the real cells at their first-page places, without animation.
    m_flightOff = {};
    m_flightVisible = true;
    m_iconsInGridVisible = false;
    m_cellsOpacity.set(0);
    m_flights->setVisible(true);
    updateInteractivity();
    animateShown(false, [this, g] {
        if (m_generation == g && m_closing && onClosed)
            onClosed();
    });
}

// ---- the morph ----

void FolderOverlayView::animateShown(bool shown, std::function<void()> completion)
{
    m_shown = shown;
    updateReports();
    m_progress.animate(shown ? 1 : 0, kMotionDuration, motionCurve());
    if (m_env.onMorphStart)
        m_env.onMorphStart(shown ? QStringLiteral("folder-open") : QStringLiteral("folder-close"), kMotionDuration);
    m_morphDone = ScheduledTask(&m_scheduler, m_scheduler.schedule(kMotionDuration, std::move(completion)));
}

void FolderOverlayView::progressChanged()
{
    const double t = FolderMorph::clampedProgress(m_progress.value());
    m_title->setOpacity(t);
    m_clip->shapeChanged();
    m_flights->update();
    update();
}

void FolderOverlayView::handOffToGrid()
{
    const FolderLayout& l = *m_layout;
    m_main.setFolderIconFrames(l.visibleIconFrames(m_group.appIDs(), 0));
    m_iconsInGridVisible = true;
    m_cellsOpacity.animate(1, kHandOffDuration, TimingCurve::easeOut());
    updateInteractivity();
    // The flights go once the cells have faded in, unless a close began meanwhile: the close then
    // needs them for its fold.
    const quint64 g = m_generation;
    m_flightOff = ScheduledTask(&m_scheduler, m_scheduler.schedule(kHandOffDuration, [this, g] {
        if (m_generation != g || m_closing)
            return;
        m_flightVisible = false;
        m_flights->setVisible(false);
    }));
}

void FolderOverlayView::detachPager()
{
    // A newer folder's engine is never detached by an older overlay.
    if (m_main.activeFolderPager != m_pager.get())
        return;
    m_main.activeFolderPager = nullptr;
    m_main.setFolderIconFrames({});
}

void FolderOverlayView::pagerMoved()
{
    if (!m_iconsInGridVisible || m_closing || m_main.activeFolderPager != m_pager.get() || !m_layout)
        return;
    const PagerOffset& offset = m_pager->pagerOffset();
    const double translation = offset.x() - m_layout->panelRect.width() * double(offset.page());
    m_main.setFolderIconFrames(m_layout->visibleIconFrames(m_group.appIDs(), translation));
}

void FolderOverlayView::updateInteractivity()
{
    const bool live = m_iconsInGridVisible && !m_closing;
    for (AppIconView* cell : std::as_const(m_cells))
        cell->setAcceptedMouseButtons(live ? Qt::LeftButton : Qt::NoButton);
    m_dots->setAcceptedMouseButtons(live ? Qt::LeftButton : Qt::NoButton);
}

void FolderOverlayView::updateReports()
{
    if (!m_layout)
        return;
    const QGraphicsItem* space = m_env.cells.frameSpace;
    const auto toSpace = [this, space](const QRectF& rect) { return space ? mapRectToItem(space, rect) : mapRectToScene(rect); };
    m_titleReport.report(toSpace(m_layout->titleRect));
    if (m_shown) {
        m_panelChromeReport.report(toSpace(m_layout->panelRect));
        m_panelReport.report(toSpace(m_layout->panelRect));
    } else {
        m_panelChromeReport.clear();
        m_panelReport.clear();
    }
}

// ---- flights ----

FolderOverlayView::FlightBitmaps FolderOverlayView::flightBitmaps(const QImage& icon) const
{
    // Rounded once at the final size: a frame of the flight is two scaled blits.
    const double dpr = std::max(1.0, qApp ? qApp->devicePixelRatio() : 1.0);
    const double side = std::max(1.0, m_metrics.iconSize);
    const int pixels = std::max(1, int(std::ceil(side * dpr)));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF square(0, 0, pixels, pixels);
        p.setClipPath(CellDrawing::continuousRoundedRect(square, 0.2 * pixels));
        CellDrawing::drawFitted(p, icon, square);
    }
    const QImage shadow = CellDrawing::iconShadow(icon, QRectF(0, 0, side, side), 0.2 * side, kFlightShadowBlur, dpr);
    return {QPixmap::fromImage(image), QPixmap::fromImage(shadow)};
}

void FolderOverlayView::prepareFlights()
{
    if (!m_layout || !m_env.cells.icons)
        return;
    const qsizetype count = std::min<qsizetype>(m_group.apps.size(), m_layout->capacity);
    for (qsizetype i = 0; i < count; ++i) {
        const AppItem& app = m_group.apps.at(i);
        if (m_flightPixmaps.contains(app.id))
            continue;
        const QString key = iconCacheKey(app);
        if (const auto cached = m_env.cells.icons->cachedImage(key)) {
            m_flightPixmaps.insert(app.id, flightBitmaps(*cached));
            continue;
        }
        m_flightPixmaps.insert(app.id, FlightBitmaps());
        const QUuid id = app.id;
        m_env.cells.loadIcon(this, key, app.path(), [this, id](const QImage& image) {
            if (image.isNull())
                return;
            m_flightPixmaps.insert(id, flightBitmaps(image));
            m_flights->update();
        });
    }
}

void FolderOverlayView::prewarmCells()
{
    // The first page's cells make their label and shadow bitmaps on their first paint; paint them
    // once now, before the morph starts, so the hand-off at its end does not stall a frame.
    if (!m_layout)
        return;
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    scratch.setDevicePixelRatio(std::max(1.0, qApp ? qApp->devicePixelRatio() : 1.0));
    QPainter painter(&scratch);
    const qsizetype count = std::min<qsizetype>(m_group.apps.size(), m_layout->capacity);
    for (qsizetype i = 0; i < count; ++i) {
        if (AppIconView* cell = m_cells.value(m_group.apps.at(i).id))
            cell->paint(&painter, nullptr, nullptr);
    }
}

// ---- painting and input ----

void FolderOverlayView::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const FolderMorph::Panel morph = panelMorph();
    const double t = morph.t();
    if (t > 0)
        painter->fillRect(boundingRect(), QColor::fromRgbF(0, 0, 0, kBackdropOpacity * t));
    const QRectF rect = morph.rect();
    if (rect.isEmpty())
        return;
    QPointF origin;
    const QImage backdrop = m_env.backdrop ? m_env.backdrop(&origin) : QImage();
    m_shadow.setDrawsMiddle(backdrop.isNull());
    m_shadow.draw(*painter, rect, morph.corner(), morph.shadowRadius(), morph.shadowOffset(), morph.shadowOpacity());
    drawFolderGlass(*painter, morph.shape(), morph.corner(), backdrop, origin);
}

void FolderOverlayView::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    // A click outside the panel is the engine's (it closes the folder); nothing under the overlay
    // may take it meanwhile.
    event->accept();
}

} // namespace corvanta
