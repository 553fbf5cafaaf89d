#pragma once

#include "Models/AppGroup.h"
#include "Views/CellDrawing.h"
#include "Views/FrameRegistry.h"
#include "Views/GridCellServices.h"
#include "Views/GridMetrics.h"
#include "Views/ValueAnimator.h"

#include <QGraphicsObject>
#include <QHash>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <optional>

namespace corvanta {

class FolderJiggleHost;
class GroupNameField;

// A miniature application icon inside a folder block (and, unsized, in the folder panel). Keeps its
// icon for as long as it lives; loads a missing one once on a scene.
class GroupAppIconView : public QGraphicsObject {
    Q_OBJECT
public:
    GroupAppIconView(const GridCellServices& services, const AppItem& app, std::optional<double> size, QGraphicsItem* parent = nullptr);

    const AppItem& app() const { return m_app; }
    void setApp(const AppItem& app) { m_app = app; }
    void setSize(std::optional<double> size);
    const QImage& icon() const { return m_icon; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void loadIcon();

    GridCellServices m_services;
    AppItem m_app;
    std::optional<double> m_size;
    QImage m_icon;
    QPixmap m_art;
    double m_artSide = 0;
    bool m_loadRequested = false;
};

// One folder in a grid cell (columnPitch × rowPitch): a glass block 0.8 × iconSize holding the
// first nine members as minis in a 3 × 3 grid, its name below. Wobbles in jiggle mode, shows the
// merge ring and lift outside it, turns invisible and untouchable while open in the panel.
class GroupIconView : public QGraphicsObject {
    Q_OBJECT
public:
    struct Inputs {
        bool trackFrame = true;
        bool isMergeTarget = false;
        bool isJiggleMode = false;
        bool isNameEditable = false;
        bool showsName = true;
        bool isOpened = false;
    };
    // Geometry of the block of an icon of side s: block side, corner radius, inset, gap, mini side.
    struct BlockGeometry {
        explicit BlockGeometry(double iconSize);
        double side, radius, inset, gap, mini;
        QPointF miniOrigin(qsizetype index) const;
    };
    static constexpr qsizetype kMiniCount = 9;

    GroupIconView(const GridCellServices& services, const AppGroup& group, const GridMetrics& metrics, QGraphicsItem* parent = nullptr);
    ~GroupIconView() override;

    std::function<void()> onTap;
    std::function<void(const QString&)> onRename;

    const AppGroup& group() const { return m_group; }
    void setGroup(const AppGroup& group);
    void setMetrics(const GridMetrics& metrics);
    const Inputs& inputs() const { return m_inputs; }
    void setInputs(const Inputs& inputs);
    void setReportedCellFrame(const QRectF& cellFrame);
    std::optional<QRectF> reportedIconFrame() const { return m_reported; }

    FolderJiggleHost* jiggleHost() const { return m_host; }
    // The name editor while the name is editable (outside jiggle mode).
    GroupNameField* nameField() const;
    QList<GroupAppIconView*> minis() const;
    double mergeProgress() const { return m_merge.value(); }
    QRectF blockRect() const;

    QRectF boundingRect() const override { return {}; }
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

private:
    class Content;
    void relayout();
    void syncMinis();
    void updateReport();

    GridCellServices m_services;
    AppGroup m_group;
    GridMetrics m_metrics;
    Inputs m_inputs;
    FolderJiggleHost* m_host;
    Content* m_content;
    QHash<QUuid, GroupAppIconView*> m_minis;
    ValueAnimator m_merge;
    FrameReport m_report;
    std::optional<QRectF> m_cellFrame;
    std::optional<QRectF> m_reported;
};

} // namespace corvanta
