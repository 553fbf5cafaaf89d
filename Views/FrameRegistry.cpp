#include "Views/FrameRegistry.h"

#include "Support/InteractionManager.h"

#include <QGraphicsItem>

namespace corvanta {
namespace {

int slot(FrameKind kind)
{
    return static_cast<int>(kind);
}

} // namespace

FrameRegistry::FrameRegistry(Scheduler& scheduler) : m_scheduler(scheduler) {}

FrameRegistry::~FrameRegistry() = default;

void FrameRegistry::connectOuterFrames(InteractionManager& engine)
{
    onIconFrames = [&engine](const IconFrames& frames) { engine.setOuterIconFrames(frames); };
    onChromeFrames = [&engine](const Frames& frames) { engine.setOuterChromeFrames(frames); };
    onTitleFrames = [&engine](const Frames& frames) { engine.titleFrames = frames; };
    onFolderPanelFrames = [&engine](const Frames& frames) {
        engine.folderPanelFrame = frames.isEmpty() ? std::nullopt : std::optional<QRectF>(frames.first());
    };
    // The engine may hold values from before; start it from what is reported now.
    flush();
    onIconFrames(m_deliveredIcons);
    onChromeFrames(m_delivered[slot(FrameKind::chrome)]);
    onTitleFrames(m_delivered[slot(FrameKind::title)]);
    onFolderPanelFrames(m_delivered[slot(FrameKind::folderPanel)]);
}

quint64 FrameRegistry::open(FrameKind kind)
{
    const quint64 token = m_next++;
    m_reports.emplace(token, Report{kind, std::nullopt, std::nullopt});
    return token;
}

void FrameRegistry::update(quint64 token, std::optional<QUuid> id, std::optional<QRectF> frame)
{
    const auto it = m_reports.find(token);
    if (it == m_reports.end())
        return;
    Report& report = it->second;
    if (report.id == id && report.frame == frame)
        return;
    report.id = id;
    report.frame = frame;
    markDirty(report.kind);
}

void FrameRegistry::close(quint64 token)
{
    const auto it = m_reports.find(token);
    if (it == m_reports.end())
        return;
    const bool contributed = it->second.frame.has_value();
    const FrameKind kind = it->second.kind;
    m_reports.erase(it);
    if (contributed)
        markDirty(kind);
}

void FrameRegistry::markDirty(FrameKind kind)
{
    m_dirty[slot(kind)] = true;
    if (!m_flush.isActive())
        m_flush = ScheduledTask(&m_scheduler, m_scheduler.schedule(0, [this] {
            m_flush = ScheduledTask();
            flush();
        }));
}

void FrameRegistry::flush()
{
    m_flush.cancel();
    for (const FrameKind kind : {FrameKind::icon, FrameKind::chrome, FrameKind::title, FrameKind::folderPanel}) {
        if (m_dirty[slot(kind)]) {
            m_dirty[slot(kind)] = false;
            deliver(kind);
        }
    }
}

FrameRegistry::IconFrames FrameRegistry::iconFrames() const
{
    IconFrames combined;
    for (const auto& [token, report] : m_reports) {
        if (report.kind == FrameKind::icon && report.id && report.frame)
            combined.insert(*report.id, *report.frame);
    }
    return combined;
}

FrameRegistry::Frames FrameRegistry::frames(FrameKind kind) const
{
    Frames combined;
    for (const auto& [token, report] : m_reports) {
        if (report.kind == kind && report.frame)
            combined.append(*report.frame);
    }
    return combined;
}

void FrameRegistry::deliver(FrameKind kind)
{
    if (kind == FrameKind::icon) {
        IconFrames combined = iconFrames();
        if (combined == m_deliveredIcons)
            return;
        m_deliveredIcons = std::move(combined);
        if (onIconFrames)
            onIconFrames(m_deliveredIcons);
        return;
    }
    Frames combined = frames(kind);
    Frames& delivered = m_delivered[slot(kind)];
    if (combined == delivered)
        return;
    delivered = std::move(combined);
    const auto& reader = kind == FrameKind::chrome ? onChromeFrames : kind == FrameKind::title ? onTitleFrames : onFolderPanelFrames;
    if (reader)
        reader(delivered);
}

// ---- FrameReport ----

FrameReport::FrameReport(FrameRegistry& registry, FrameKind kind) : m_registry(&registry), m_token(registry.open(kind)) {}

FrameReport::~FrameReport()
{
    release();
}

FrameReport::FrameReport(FrameReport&& other) noexcept
{
    *this = std::move(other);
}

FrameReport& FrameReport::operator=(FrameReport&& other) noexcept
{
    if (this != &other) {
        release();
        m_registry = other.m_registry;
        m_token = other.m_token;
        other.m_registry = nullptr;
        other.m_token = 0;
    }
    return *this;
}

void FrameReport::reportIcon(const QUuid& id, const QRectF& frame)
{
    if (m_registry)
        m_registry->update(m_token, id, frame);
}

void FrameReport::report(const QRectF& frame)
{
    if (m_registry)
        m_registry->update(m_token, std::nullopt, frame);
}

void FrameReport::clear()
{
    if (m_registry)
        m_registry->update(m_token, std::nullopt, std::nullopt);
}

void FrameReport::release()
{
    if (m_registry)
        m_registry->close(m_token);
    m_registry = nullptr;
    m_token = 0;
}

// ---- helpers ----

QRectF layoutFrame(const QGraphicsItem* item, const QRectF& rect, const QGraphicsItem* ancestor)
{
    QPointF offset;
    for (const QGraphicsItem* it = item; it && it != ancestor; it = it->parentItem())
        offset += it->pos();
    return rect.translated(offset);
}

void applyCapturedIconFrames(InteractionManager& engine, const std::optional<QHash<QUuid, QRectF>>& frames, double translation)
{
    if (frames)
        engine.setCapturedGridIconFrames(*frames);
    engine.setGridIconFrameOffset(translation);
}

void applyCapturedChromeFrames(InteractionManager& engine, const std::optional<QList<QRectF>>& frames, double translation)
{
    if (frames)
        engine.setCapturedGridChromeFrames(*frames);
    engine.setGridChromeFrameOffset(translation);
}

} // namespace corvanta
