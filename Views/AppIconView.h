#pragma once

#include "Models/AppItem.h"
#include "Views/CellDrawing.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"
#include "Views/ValueAnimator.h"
#include "Views/Wobble.h"

#include <QGraphicsObject>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <optional>

namespace corvanta {

class LaunchIconAnimator;

// One application in a grid cell (columnPitch × rowPitch, origin at the cell's top left): its icon
// in a rounded square with a soft shadow, its name below, and, as its owner says, the delete
// badge, the merge ring and lift, the jiggle wobble and the launch zoom. The owner keeps the cell
// across rebuilds (by application id) and feeds it new inputs with setInputs(); the cell keeps its
// icon and animation state.
class AppIconView : public QGraphicsObject {
    Q_OBJECT
public:
    struct Inputs {
        bool isJiggling = false;
        bool showDeleteBadge = false;
        bool trackFrame = true;
        bool isLaunching = false;
        bool isMergeTarget = false;
        double iconOpacity = 1;
        double labelOpacity = 1;
        // Seconds over which labelOpacity changes ease; 0: at once.
        double labelAnimation = 0;
    };

    static constexpr double kMergeLift = 1.08;
    static constexpr double kMergeDuration = 0.14;
    static constexpr double kJiggleDelay = 0.05;
    static constexpr double kJiggleSettleDuration = 0.15;
    static constexpr double kBadgeDuration = 0.2;
    // A press that travels further is a drag (the engine's), not a tap.
    static constexpr double kTapSlop = 8;
    // A press held this long is a long press (jiggle mode), not a tap.
    static constexpr double kTapMaxDuration = 0.5;

    // Starts with the icon cache's in-memory image; loads a missing one once the cell is on a scene.
    AppIconView(const GridCellServices& services, const AppItem& app, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);
    ~AppIconView() override;

    // Run by a tap on the icon (launching) and by the delete badge; the owner wires them.
    std::function<void()> onTap;
    std::function<void()> onDelete;

    const AppItem& app() const { return m_app; }
    void setApp(const AppItem& app);
    const GridMetrics& metrics() const { return m_metrics; }
    void setMetrics(const GridMetrics& metrics);
    const Inputs& inputs() const { return m_inputs; }
    void setInputs(const Inputs& inputs);

    // The cell's frame in the window's space, for the icon frame report (the owner knows where the
    // cell's slot is, whatever motion the cell is in).
    void setReportedCellFrame(const QRectF& cellFrame);
    // The rectangle reported now, if any.
    std::optional<QRectF> reportedIconFrame() const { return m_reported; }

    // ---- state, for the owner and tests ----
    const QImage& icon() const { return m_icon; }
    void setIcon(const QImage& icon);
    // Whether the next paint only copies pixmaps: the label and, with an icon, its shadow and art.
    bool isReadyToDraw() const;
    double jiggleAngle() const { return m_angle; }
    double jiggleDuration() const { return m_jiggleDuration; }
    bool isWobbling() const { return m_wobble.isRunning(); }
    double mergeProgress() const { return m_merge.value(); }
    double badgeProgress() const { return m_badge.value(); }
    QRectF iconRect() const { return m_geometry.iconRect; }
    QRectF badgeRect() const { return CellGeometry::badgeRect(m_geometry.iconRect); }
    LaunchIconAnimator* launchAnimator() const { return m_launch; }

    // Schedules the wobble's start (always 0.05 s from now).
    void startJiggle();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    // Loads a missing icon once the cell is on a scene and shown: cells of pages far from the one
    // on screen stay hidden and load nothing until their page comes near.
    void loadIconAsync();
    void relayout();
    void updateZ();
    void updateReport();
    void setAngle(double degrees);
    void paintIcon(QPainter& painter);
    // The pixmaps a paint copies, made for `dpr` unless already made for it.
    void makeIconArt(double dpr);
    void makeLabel(double dpr);
    // Made as soon as the cell of a page near the one on screen has its icon while the overlay is
    // hidden, rather than in the first paint, which would be the first frame of the next show.
    void prepareDrawing();

    GridCellServices m_services;
    AppItem m_app;
    GridMetrics m_metrics;
    CellGeometry m_geometry;
    Inputs m_inputs;

    QImage m_icon; // at most the size it is drawn at
    QPixmap m_iconArt; // the icon in its rounded square, rendered once per icon, size and ratio
    bool m_loadRequested = false;
    QPixmap m_label;
    QImage m_shadow; // of the icon's outline; rebuilt with the icon or the size

    double m_angle = 0;
    double m_jiggleDuration = 0.1;
    Wobble m_wobble;
    ValueAnimator m_settle; // the eased return to rest
    ScheduledTask m_jiggleStart;
    ScheduledTask m_jiggleSecond;

    ValueAnimator m_merge;
    ValueAnimator m_badge;
    ValueAnimator m_labelOpacity;

    FrameReport m_report;
    std::optional<QRectF> m_cellFrame;
    std::optional<QRectF> m_reported;

    LaunchIconAnimator* m_launch;

    enum class Press { none, icon, badge };
    Press m_press = Press::none;
    QPointF m_pressPos;
    double m_pressTime = 0;
};

} // namespace corvanta
