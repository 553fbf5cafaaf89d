#include "Services/UninstallRecords.h"

#include <QSet>

namespace corvanta::Uninstall {

namespace {

struct KindRow {
    ResidualKind kind;
    const char* raw;
    const char* display;
};

constexpr KindRow kKinds[] = {
    {ResidualKind::support, "support", "应用支持文件"},
    {ResidualKind::cache, "cache", "缓存"},
    {ResidualKind::preference, "preference", "偏好设置"},
    {ResidualKind::state, "state", "窗口状态"},
    {ResidualKind::container, "container", "沙盒容器"},
    {ResidualKind::log, "log", "日志"},
    {ResidualKind::crashReport, "crashReport", "崩溃报告"},
    {ResidualKind::launchItem, "launchItem", "后台项目"},
    {ResidualKind::helper, "helper", "特权辅助工具"},
    {ResidualKind::plugin, "plugin", "插件与扩展"},
    {ResidualKind::special, "special", "已知关联件"},
    {ResidualKind::other, "other", "其它"},
};

const KindRow& rowOf(ResidualKind kind) { return kKinds[int(kind)]; }

} // namespace

QString rawValue(ResidualKind kind) { return QString::fromLatin1(rowOf(kind).raw); }

std::optional<ResidualKind> residualKindFromRaw(const QString& raw)
{
    for (const KindRow& row : kKinds)
        if (raw == QLatin1String(row.raw))
            return row.kind;
    return std::nullopt;
}

QString displayName(ResidualKind kind) { return QString::fromUtf8(rowOf(kind).display); }

EvidenceStrength strengthOf(MatchEvidence evidence)
{
    switch (evidence) {
    case MatchEvidence::nameVariant:
    case MatchEvidence::identifierVariant:
    case MatchEvidence::vendorFolder:
    case MatchEvidence::packageReceipt:
        return EvidenceStrength::weak;
    default:
        return EvidenceStrength::strong;
    }
}

size_t qHash(const ResidualItem& item, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, item.url);
    seed = combine(seed, item.size);
    seed = combine(seed, rawValue(item.kind));
    seed = combine(seed, item.requiresAdmin);
    seed = combine(seed, int(item.evidence));
    seed = combine(seed, item.identity.device);
    seed = combine(seed, item.identity.inode);
    return seed;
}

size_t qHash(const PermissionIssue& issue, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, issue.title);
    seed = combine(seed, issue.detail);
    seed = combine(seed, issue.settingsURL ? 1 : 0);
    if (issue.settingsURL)
        seed = combine(seed, *issue.settingsURL);
    seed = combine(seed, issue.isBlocking);
    return seed;
}

QList<ResidualGroup> UninstallPlan::residualGroups() const
{
    QList<ResidualGroup> groups;
    for (ResidualKind kind : allResidualKinds) {
        ResidualGroup group{kind, {}};
        for (const ResidualItem& item : residuals)
            if (item.kind == kind)
                group.items.append(item);
        if (!group.items.isEmpty())
            groups.append(std::move(group));
    }
    return groups;
}

qint64 UninstallPlan::residualsSize() const
{
    qint64 total = 0;
    for (const ResidualItem& item : residuals)
        total += item.size;
    return total;
}

UninstallPlan UninstallPlan::keepingResiduals(const QList<QUrl>& keep) const
{
    const QSet<QUrl> wanted(keep.cbegin(), keep.cend());
    UninstallPlan out = *this;
    out.residuals.clear();
    for (const ResidualItem& item : residuals)
        if (wanted.contains(item.url))
            out.residuals.append(item);
    return out;
}

QString UninstallError::description() const
{
    if (code == Code::protectedApp)
        return QStringLiteral("系统应用与 Corvanta 自身不允许卸载");
    return QStringLiteral("应用删除失败：") + reason;
}

} // namespace corvanta::Uninstall
