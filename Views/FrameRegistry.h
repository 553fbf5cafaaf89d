#pragma once

#include "Support/Clock.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QUuid>

#include <functional>
#include <map>
#include <optional>

class QGraphicsItem;

namespace corvanta {

class InteractionManager;

enum class FrameKind { icon, chrome, title, folderPanel };

// Collects the frames the views report for the engine's hit-testing (overlay window space,
// origin top left) and hands the combined values to its readers. Icon frames merge into one
// table, a later report replacing an earlier one for the same id; the other kinds append in
// report order. Changes are combined once per turn of the loop (or at flush()), and a reader is
// called only when its combined value differs from what it was last given.
class FrameRegistry {
public:
    using IconFrames = QHash<QUuid, QRectF>;
    using Frames = QList<QRectF>;

    explicit FrameRegistry(Scheduler& scheduler);
    ~FrameRegistry();
    FrameRegistry(const FrameRegistry&) = delete;
    FrameRegistry& operator=(const FrameRegistry&) = delete;

    std::function<void(const IconFrames&)> onIconFrames;
    std::function<void(const Frames&)> onChromeFrames;
    std::function<void(const Frames&)> onTitleFrames;
    std::function<void(const Frames&)> onFolderPanelFrames;

    // Copies the combined values into the engine's outer tables from now on (and at once).
    void connectOuterFrames(InteractionManager& engine);

    // Delivers pending changes now.
    void flush();

    IconFrames iconFrames() const;
    Frames frames(FrameKind kind) const;

private:
    friend class FrameReport;
    struct Report {
        FrameKind kind;
        std::optional<QUuid> id;
        std::optional<QRectF> frame;
    };
    quint64 open(FrameKind kind);
    void update(quint64 token, std::optional<QUuid> id, std::optional<QRectF> frame);
    void close(quint64 token);
    void markDirty(FrameKind kind);
    void deliver(FrameKind kind);

    Scheduler& m_scheduler;
    std::map<quint64, Report> m_reports; // in the order the reporters were made
    quint64 m_next = 1;
    bool m_dirty[4] = {false, false, false, false};
    ScheduledTask m_flush;
    IconFrames m_deliveredIcons;
    Frames m_delivered[4];
};

// A view's one report under a kind; withdrawn when it is cleared or destroyed. Reports made
// later win (icons) or come later (lists).
class FrameReport {
public:
    FrameReport() = default;
    FrameReport(FrameRegistry& registry, FrameKind kind);
    ~FrameReport();
    FrameReport(FrameReport&& other) noexcept;
    FrameReport& operator=(FrameReport&& other) noexcept;
    FrameReport(const FrameReport&) = delete;
    FrameReport& operator=(const FrameReport&) = delete;

    // An icon square under the application's or folder's id.
    void reportIcon(const QUuid& id, const QRectF& frame);
    // A chrome, title or panel rectangle.
    void report(const QRectF& frame);
    // Contributes nothing until the next report (a cell whose reporting is switched off).
    void clear();

private:
    void release();
    FrameRegistry* m_registry = nullptr;
    quint64 m_token = 0;
};

// The frame of `rect` (in `item`'s coordinates) in `ancestor`'s coordinates, by the positions of
// the items in between: the layout frame, unaffected by the scale and fade effects of a
// transition, so hit-testing stays put while the overlay zooms.
QRectF layoutFrame(const QGraphicsItem* item, const QRectF& rect, const QGraphicsItem* ancestor);

// What the layer-hosted pager captures of its page strip, with the strip's translation at capture
// time. A new table replaces the captured one; a new translation becomes the engine's offset and
// drops its shifted cache. Absent frames leave the captured table as it is.
void applyCapturedIconFrames(InteractionManager& engine, const std::optional<QHash<QUuid, QRectF>>& frames, double translation);
void applyCapturedChromeFrames(InteractionManager& engine, const std::optional<QList<QRectF>>& frames, double translation);

} // namespace corvanta
