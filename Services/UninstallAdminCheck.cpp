#include "Services/UninstallAdminCheck.h"

#include "Platform/SafeFiles.h"

namespace corvanta::Uninstall {

std::optional<QString> adminHelperRefusal(const QString& path, const UninstallGuard& guard)
{
    if (const auto refusal = guard.basicRefusal(path))
        return refusal;
    const UninstallEnvironment& env = guard.environment();
    const QString p = standardizePath(path, env.roots.home);
    if (p != path)
        return QStringLiteral("拒绝删除非规范路径：") + p;

    const QString parent = p.left(p.lastIndexOf(u'/'));
    const auto info = SafeFiles::linkStat(p, env.deviceOverride);
    if (info && info->isDirectory() && p.endsWith(QLatin1String(".app"), Qt::CaseInsensitive)) {
        for (const QString& folder : env.roots.applicationFolders) {
            if (standardizePath(folder, env.roots.home) != parent)
                continue;
            const auto realParent = SafeFiles::realPath(parent);
            if (!realParent || *realParent != parent)
                return QStringLiteral("拒绝删除经由链接到达的路径：") + p;
            if (SafeFiles::isMountPoint(p, env.deviceOverride))
                return QStringLiteral("拒绝删除挂载点：") + p;
            return std::nullopt;
        }
    }

    UninstallPlan plan;
    ResidualItem item;
    item.url = QUrl::fromLocalFile(p);
    std::optional<QString> last;
    for (const MatchEvidence evidence : {MatchEvidence::bundleIdentifier, MatchEvidence::containerMetadata,
                                         MatchEvidence::launchProgram, MatchEvidence::packageReceipt}) {
        item.evidence = evidence;
        last = guard.residualRefusal(item, plan);
        if (!last)
            return std::nullopt;
    }
    return last;
}

} // namespace corvanta::Uninstall
