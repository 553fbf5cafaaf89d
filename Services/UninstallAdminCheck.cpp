#include "Services/UninstallAdminCheck.h"

#include "Platform/AdminDeleter.h"
#include "Platform/SafeFiles.h"

#include <QFile>

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

int adminHelperDelete(const QByteArray& bytes, const UninstallGuard& guard, QString& why)
{
    const QString path = QFile::decodeName(bytes);
    if (QFile::encodeName(path) != bytes) {
        why = QStringLiteral("拒绝删除含无效字符编码的路径");
        return AdminHelperExit::refused;
    }
    if (const auto refusal = adminHelperRefusal(path, guard)) {
        why = *refusal;
        return AdminHelperExit::refused;
    }
    const SafeFiles::RemoveOutcome outcome = SafeFiles::removeNoFollow(path, std::nullopt, guard.environment().deviceOverride);
    why = outcome.message;
    switch (outcome.status) {
    case SafeFiles::RemoveOutcome::Status::removed:
    case SafeFiles::RemoveOutcome::Status::missing:
        return AdminHelperExit::deleted;
    case SafeFiles::RemoveOutcome::Status::refused:
        return AdminHelperExit::refused;
    case SafeFiles::RemoveOutcome::Status::failed:
        break;
    }
    return AdminHelperExit::failed;
}

} // namespace corvanta::Uninstall
