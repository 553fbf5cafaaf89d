#pragma once

#include "Services/UninstallEnvironment.h"
#include "Services/UninstallRecords.h"

#include <QList>
#include <QString>

#include <optional>

namespace corvanta::Uninstall {

// One folder the leftover scan lists, and what it takes from it.
struct ScanTarget {
    QString path;       // the folder
    ResidualKind kind;
    bool allowFile;     // files (and links) are considered
    bool onlyFile;      // folders are skipped
    std::optional<QString> suffix; // only names ending with it (lower-cased) are considered
    bool allowCompanyDescent; // may look one level into the vendor's folder
    bool matchName;
    bool matchBundleID;
    bool requiresAdmin;
};

// The 46 folders, in the order they are visited: 29 under the home folder, 17 under /Library.
QList<ScanTarget> scanTargets(const UninstallRoots& roots);

// The folders launch items are read from, in order.
QStringList launchItemFolders(const UninstallRoots& roots);

// Paths known to belong to particular applications ("~" stands for the home folder, "*" and the
// "#{…}" / "$(…)" runs for parts of a name), by lower-cased bundle identifier.
QStringList specialResidualPaths(const QString& lowerIdentifier, const UninstallRoots& roots);
QStringList aliasPathPatterns(const QString& lowerIdentifier, const UninstallRoots& roots);

// The paths a pattern names that exist now; wildcards match within one path component.
QStringList expandPattern(const QString& pattern, const QString& home);

} // namespace corvanta::Uninstall
