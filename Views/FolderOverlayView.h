#pragma once

#include "Models/AppGroup.h"
#include "Support/Clock.h"
#include "Support/TimingCurve.h"
#include "Views/FolderLayout.h"
#include "Views/FolderMorph.h"
#include "Views/FolderPanelDrawing.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/ValueAnimator.h"

#include <QGraphicsObject>
#include <QHash>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <memory>
#include <optional>

class QGraphicsTextItem;

namespace corvanta {

class AppIconView;
class InteractionManager;
class LayerSlot;
class PageIndicator;
class PagerLayerBox;

// One opened folder above the grid: a dimmed backdrop, the folder's name as a large title that can
// be renamed in place, and a glass panel that grows out of the folder's grid icon into pages of the
// folder's applications and folds back into it on close. The panel pages with its own interaction
// engine, which the main engine drives once the opening has ended; the overlay hands the main
// engine the frames of the members in sight and reports the title and panel frames.
//
// While the panel moves, its members are drawn as "flights": one prepared bitmap per member,
// moving from its mini slot in the folder block to its place in the panel, all masked by the
// panel's shape. At the end of the opening the real cells take over; at the start of the close
// the flights take over again from the first page.
//
// Every delayed step remembers the generation it was scheduled in; a close or the overlay's removal
// starts a new one, so a step of an earlier opening never acts on a later state.
//
// The item covers the whole overlay (origin top left, the window's space).
class FolderOverlayView : public QGraphicsObject {
    Q_OBJECT
public:
    static constexpr double kMotionDuration = 0.28;
    static constexpr double kHandOffDuration = 0.04;
    static constexpr double kBackdropOpacity = 0.34;
    static constexpr double kTargetCorner = 24;
    static constexpr double kDotsPadding = 8;
    static TimingCurve motionCurve() { return TimingCurve::easeOut(); }

    struct Environment {
        // Time, icons, the root view's frame registry and the item whose space frames are in.
        GridCellServices cells;
        InteractionManager* mainEngine = nullptr;
        // The blurred backdrop scaled to cover the overlay, with its top left; null: plain material.
        std::function<QImage(QPointF* origin)> backdrop;
        // The morph starts ("folder-open" or "folder-close") and lasts `duration` seconds.
        std::function<void(const QString& label, double duration)> onMorphStart;
    };

    FolderOverlayView(Environment environment, const AppGroup& group, const GridMetrics& metrics, QSizeF size, const QRectF& sourceFrame,
        QGraphicsItem* parent = nullptr);
    ~FolderOverlayView() override;

    // The open animation completed / the close animation completed.
    std::function<void()> onOpened;
    std::function<void()> onClosed;
    std::function<void(const AppItem&)> onLaunch;
    // Every edit of the title, live while typing.
    std::function<void(const QString&)> onRename;
    // The title stopped being edited (it lost the keyboard, or Return).
    std::function<void()> onEditingEnded;

    const AppGroup& group() const { return m_group; }
    void setGroup(const AppGroup& group);
    void setMetrics(const GridMetrics& metrics, QSizeF size);
    void setLaunchingAppID(std::optional<QUuid> id);
    bool isEditingName() const { return m_editing; }
    void setEditingName(bool editing);
    bool isClosing() const { return m_closing; }
    // The root view's close request; a change back to false does nothing.
    void setClosing(bool closing);
    // The root view removes the overlay: every pending step becomes inert and the folder's engine
    // lets go of the main one. Also run by the destructor.
    void disappear();

    // ---- state, for the root view and tests ----
    FolderLayout layout() const;
    InteractionManager& pager() const { return *m_pager; }
    bool isShown() const { return m_shown; }
    double progress() const { return m_progress.value(); }
    bool iconsInGridVisible() const { return m_iconsInGridVisible; }
    bool flightVisible() const { return m_flightVisible; }
    quint64 generation() const { return m_generation; }
    // The folder block inside the grid icon the panel grows from.
    QRectF sourceRect() const;
    FolderMorph::Panel panelMorph() const;
    // The flying member at `index` of the first page, and its opacity.
    FolderMorph::Icon flight(qsizetype index) const;
    double flightOpacity(qsizetype index) const;
    qsizetype flightCount() const;
    AppIconView* cell(const QUuid& appID) const { return m_cells.value(appID); }
    PageIndicator* pageDots() const { return m_dots; }
    QGraphicsTextItem* titleEditor() const;
    QString draftName() const;
    // The panel frame is reported while the panel is (or is becoming) open.
    QRectF panelFrame() const;

    QRectF boundingRect() const override { return {QPointF(0, 0), m_size}; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;

private:
    class Title;
    class Clip;
    class Flights;
    class Editor;
    friend class Title;
    friend class Flights;

    void relayout();
    void rebuildCells();
    void configurePager();
    void animateShown(bool shown, std::function<void()> completion);
    void handOffToGrid();
    void detachPager();
    void pagerMoved();
    void progressChanged();
    void updateInteractivity();
    void updateReports();
    void prepareFlights();
    void prewarmCells();
    // One member's flight, drawn once at its final size: the rounded icon and its soft shadow.
    struct FlightBitmaps {
        QPixmap icon;
        QPixmap shadow;
    };
    FlightBitmaps flightBitmaps(const QImage& icon) const;
    QSizeF titleSize() const;
    void editorChanged();
    void endEditing();

    Environment m_env;
    Scheduler& m_scheduler;
    InteractionManager& m_main;
    std::unique_ptr<InteractionManager> m_pager;
    AppGroup m_group;
    GridMetrics m_metrics;
    QSizeF m_size;
    QRectF m_sourceFrame;
    std::optional<QUuid> m_launchingAppID;
    bool m_editing = false;
    bool m_closing = false;
    bool m_gone = false;

    bool m_shown = false;
    bool m_iconsInGridVisible = false;
    bool m_flightVisible = true;
    quint64 m_generation = 1;
    ValueAnimator m_progress;
    ValueAnimator m_cellsOpacity;
    ScheduledTask m_openStep;
    ScheduledTask m_morphDone;
    ScheduledTask m_flightOff;
    ScheduledTask m_focusStep;

    std::optional<FolderLayout> m_layout;
    Title* m_title;
    Editor* m_editor = nullptr;
    Clip* m_clip;
    LayerSlot* m_content;
    PagerLayerBox* m_box;
    PageIndicator* m_dots;
    Flights* m_flights;
    QHash<QUuid, AppIconView*> m_cells;
    QList<LayerSlot*> m_pages;
    QHash<QUuid, FlightBitmaps> m_flightPixmaps;
    NineSliceShadow m_shadow;
    FrameReport m_titleReport;
    FrameReport m_panelChromeReport;
    FrameReport m_panelReport;
};

} // namespace corvanta
