#pragma once

#include "Services/UninstallEnvironment.h"
#include "Services/UninstallRecords.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>

#include <optional>

namespace corvanta::Uninstall {

// Path texts standardised: a leading "~" becomes the home folder, "." components and doubled or
// trailing separators go, ".." components are resolved textually.
QString standardizePath(const QString& path, const QString& home);

// Whether `inner` lies strictly inside `outer`, both standardised: compared with a separator,
// never as a bare text prefix ("/Apps/Foo.app2" is not inside "/Apps/Foo.app").
bool isInside(const QString& inner, const QString& outer);
bool isSameOrInside(const QString& inner, const QString& outer);

// `path` with every link resolved; a missing tail is kept as written under its resolved folder.
// One walk of bounded cost whatever the depth (see resolvedPath).
QString canonicalPath(const QString& path);

// `app` with the folder above its bundle resolved through links (a home or an application folder
// reached through one); the bundle itself is never followed.
AppItem withResolvedFolder(const AppItem& app);

// The roots with every link in them resolved, so that the paths met below them compare as text.
UninstallRoots resolvedRoots(const UninstallRoots& roots);

// Every rule about which paths may be offered and deleted, for one set of roots.
class UninstallGuard {
public:
    explicit UninstallGuard(const UninstallEnvironment& environment);

    // The system and user folders that are never offered or deleted themselves (86 texts for the
    // configured roots, plus the program's own folders); exact text membership.
    const QSet<QString>& forbiddenPaths() const { return m_forbidden; }

    // The scan's filter: false for forbidden folders, the application and anything inside it or
    // inside an Applications folder, paths of fewer than two components, and links that resolve
    // to a forbidden folder.
    bool isSafeResidual(const QString& path, const QString& appPath) const;

    // The rules that hold for every path right before it is deleted: nothing for a deletable
    // path, else the refusal message.
    std::optional<QString> basicRefusal(const QString& path) const;

    // The structural rules for one leftover of `plan`: it lies strictly inside one of the scan's
    // folders at the depth its pass produces (a receipt entry is a file), it is not one of those
    // folders or an ancestor of one, the folder above it is reached without links, it is not a
    // mount point and holds none (bind mounts included), and it is still the object the plan saw.
    std::optional<QString> residualRefusal(const ResidualItem& item, const UninstallPlan& plan) const;
    // A mount point at the path or anywhere inside it.
    std::optional<QString> mountRefusal(const QString& standardized) const;

    // The application bundle: a real folder (not a link) named "*.app", directly inside one of the
    // application folders, not the program itself, whose Info.plist carries the plan's identifier
    // and which is still the folder the plan saw. What an earlier uninstall left of a bundle (see
    // rememberRemnant) passes without its Info.plist while it is still the same folder.
    std::optional<QString> bundleRefusal(const UninstallPlan& plan) const;

    // A bundle whose deletion stopped part-way, its Info.plist possibly gone with it: the folder
    // (by device and inode) and the identifier it had, so that it can be uninstalled once the
    // cause is gone. Kept for the life of the guard.
    void rememberRemnant(const QString& path, const FileIdentity& identity, const QString& identifier) const;
    // The identifier a remembered remnant had, while `path` is still that folder with no
    // identifier of its own.
    std::optional<QString> remnantIdentifier(const QString& path) const;
    // The remnant at `path` is gone: it is remembered no more.
    void forgetRemnant(const QString& path) const;

    // Folders that only hold leftovers; nothing directly inside a protected folder is a leftover
    // of a kind the pass did not produce.
    bool isProtectedFolder(const QString& standardized) const;

    // Where package receipts may never point: the receipt databases of package managers.
    bool isInPackageDatabase(const QString& standardized) const;

    const UninstallEnvironment& environment() const { return m_env; }

private:
    bool withinRoots(const QString& standardized) const;
    std::optional<QString> placementRefusal(const QString& path, MatchEvidence evidence, const AppItem& app) const;

    const UninstallEnvironment& m_env;
    QSet<QString> m_forbidden;
    QSet<QString> m_protectedFolders; // scan folders and all their ancestors
    QSet<QString> m_depthOne;         // folders whose direct entries may be leftovers
    QSet<QString> m_vendorParents;    // folders whose vendor sub-folders' entries may be leftovers
    QStringList m_ownFolders;         // the program's bundle and state folders
    QStringList m_packageDatabases;
    struct Remnant {
        FileIdentity identity;
        QString identifier;
    };
    mutable QMutex m_remnantsLock; // plans and deletions run on background threads
    mutable QHash<QString, Remnant> m_remnants;
    void loadRemnants();
    void saveRemnants() const; // with the lock held
};

} // namespace corvanta::Uninstall
