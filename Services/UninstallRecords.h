#pragma once

#include "Models/AppItem.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <utility>

namespace corvanta {

// The records the uninstaller exchanges with its callers. They are plain values: a plan is built
// on a background thread, shown by the confirmation sheet and handed back, reduced to the
// leftovers the user kept, to the execution.
namespace Uninstall {

// What a leftover is, in the order the sheet groups them.
enum class ResidualKind {
    support,
    cache,
    preference,
    state,
    container,
    log,
    crashReport,
    launchItem,
    helper,
    plugin,
    special,
    other,
};

inline constexpr ResidualKind allResidualKinds[] = {
    ResidualKind::support, ResidualKind::cache,       ResidualKind::preference, ResidualKind::state,
    ResidualKind::container, ResidualKind::log,       ResidualKind::crashReport, ResidualKind::launchItem,
    ResidualKind::helper,  ResidualKind::plugin,      ResidualKind::special,    ResidualKind::other,
};

// "support", "cache", ...: the stored form of a kind.
QString rawValue(ResidualKind kind);
// Exactly the twelve raw values; nothing for any other text.
std::optional<ResidualKind> residualKindFromRaw(const QString& raw);
// The group title the sheet shows ("应用支持文件", "缓存", ...).
QString displayName(ResidualKind kind);

// How a leftover was tied to the application. The sheet pre-checks strong matches only.
enum class MatchEvidence {
    bundleIdentifier, // named exactly after the application's identifier (or an embedded helper's)
    name,             // named exactly after the application's own name
    vendorFolder,     // an entry of the vendor's own folder named after the application
    containerMetadata,// a sandbox container whose description names the application's bundle
    launchProgram,    // a launch item whose label or file name is the identifier (or an embedded helper's)
    knownPath,        // a path known to belong to this particular application
    packageReceipt,   // a file the application's installer package recorded
    identifierVariant,// the identifier with more around it: a suffix, "_…", a team prefix
    nameVariant,      // the executable's name, the name with a suffix, a helper or crash report name
};

enum class EvidenceStrength { weak, strong };

// Exact names and identifiers, and ties by content, are strong; variants, vendor-folder entries
// and receipt files are weak.
EvidenceStrength strengthOf(MatchEvidence evidence);

// The device and inode of a path as seen (without following links) when the plan was built. The
// execution deletes a path only while it is still the same file-system object.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool isValid() const { return device != 0 || inode != 0; }
    bool operator==(const FileIdentity&) const = default;
};

struct ResidualItem {
    QUrl url;                 // file URL of the leftover
    qint64 size = 0;          // bytes; links are measured, never followed
    ResidualKind kind = ResidualKind::other;
    bool requiresAdmin = false; // lies in a system folder (deleting it normally needs administrator rights)
    MatchEvidence evidence = MatchEvidence::nameVariant;
    FileIdentity identity;

    QString path() const { return url.toLocalFile(); }
    EvidenceStrength strength() const { return strengthOf(evidence); }
    bool operator==(const ResidualItem&) const = default;
};

size_t qHash(const ResidualItem& item, size_t seed = 0) noexcept;

struct PermissionIssue {
    QString title;
    QString detail;
    std::optional<QString> settingsURL; // a settings page the sheet can offer to open
    bool isBlocking = false;            // the sheet offers no uninstall until it is dealt with
    bool operator==(const PermissionIssue&) const = default;
};

size_t qHash(const PermissionIssue& issue, size_t seed = 0) noexcept;

struct ResidualGroup {
    ResidualKind kind;
    QList<ResidualItem> items;
    bool operator==(const ResidualGroup&) const = default;
};

struct UninstallPlan {
    AppItem app;
    QList<ResidualItem> residuals;         // ordered by path
    QList<PermissionIssue> permissionIssues;
    std::optional<QUrl> bundledUninstaller; // an uninstaller shipped beside the application
    qint64 appSize = 0;                    // bytes of the regular files inside the bundle
    FileIdentity appIdentity;              // the bundle folder as it was when the plan was built

    // Leftovers grouped by kind, kinds in declaration order, empty kinds left out.
    QList<ResidualGroup> residualGroups() const;
    // Total bytes of the leftovers.
    qint64 residualsSize() const;
    // The plan with only the leftovers at `keep` (the ones the user left checked), same order.
    UninstallPlan keepingResiduals(const QList<QUrl>& keep) const;

    bool operator==(const UninstallPlan&) const = default;
};

// The user-facing failures of the execution.
struct UninstallError {
    enum class Code { appDeleteFailed, protectedApp };
    Code code = Code::appDeleteFailed;
    QString reason; // for appDeleteFailed: the guard's refusal or the deletion error

    static UninstallError appDeleteFailed(QString reason) { return {Code::appDeleteFailed, std::move(reason)}; }
    static UninstallError protectedApp() { return {Code::protectedApp, {}}; }
    // "应用删除失败：<reason>" or "系统应用与 Corvanta 自身不允许卸载".
    QString description() const;
    bool operator==(const UninstallError&) const = default;
};

// What happened to one path the execution was asked to delete.
struct ItemOutcome {
    enum class Status {
        deleted,          // removed by the program itself
        deletedAsAdmin,   // removed by the administrator helper after a plain removal failed
        alreadyGone,      // nothing was there any more (counts as deleted)
        refused,          // the guard refused it; nothing was attempted
        failed,           // removal failed (and the administrator route failed or was declined)
        skipped,          // not attempted because the uninstall stopped earlier
    };
    QUrl url;
    Status status = Status::skipped;
    QString message;          // the refusal or error text, empty on success
    quint64 removedEntries = 0; // files, links and folders removed (dangling links included)

    bool succeeded() const
    {
        return status == Status::deleted || status == Status::deletedAsAdmin || status == Status::alreadyGone;
    }
    bool operator==(const ItemOutcome&) const = default;
};

struct UninstallResult {
    bool appDeleted = false;  // the bundle is gone (only ever true when it was asked for)
    // The bundle's deletion failed part-way: the application can no longer start, yet this path is
    // still there.
    bool appPartlyRemoved = false;
    QString appRemainingPath;
    int deletedCount = 0;     // leftovers deleted, vanished ones included
    QList<QUrl> failedURLs;   // leftovers refused or not deleted, in plan order
    std::optional<ItemOutcome> appOutcome; // what happened to the bundle, when it was asked for
    QList<ItemOutcome> residualOutcomes;   // one per leftover of the plan, in plan order
    bool dockTilesRemoved = false;
    bool operator==(const UninstallResult&) const = default;
};

// The execution either stops with an error (protected application, bundle not deleted; the
// leftovers were then not touched) or returns its result.
struct UninstallOutcome {
    std::optional<UninstallError> error;
    UninstallResult result;
    bool succeeded() const { return !error.has_value(); }
};

} // namespace Uninstall
} // namespace corvanta
