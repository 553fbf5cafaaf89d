#pragma once

#include "Models/AppItem.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvanta {
struct UninstallEnvironment;
}

namespace corvanta::Uninstall {

class UninstallGuard;

// Reading the package receipt tool's output. Pure: no file system, no tool.
namespace Receipts {

// Output as UTF-8 text, or nothing when it is not valid UTF-8.
std::optional<QString> decode(const QByteArray& output);

// "--pkgs": one package identifier a line, trimmed; blank lines dropped.
QStringList parsePackageList(const QString& text);

// "--pkg-info": the install location, "volume" joined with "location", standardised. Nothing when
// the volume is missing or the result is not an absolute path.
std::optional<QString> parseInstallLocation(const QString& text);

// "--files": the listed paths under `installLocation` (a relative line is taken relative to it).
// Lines with control characters or a ".." component, and paths that are not strictly inside the
// install location, are dropped. At most `maxLines` lines are looked at.
QStringList parseFileListing(const QString& text, const QString& installLocation, int maxLines);

// Whether a package looks like the application's: its identifier contains the bundle identifier,
// the name (3 characters or more) or the vendor word (4 characters or more, not com/org/net),
// compared lower-cased without blanks. Packages of the system are never candidates.
class PackageMatcher {
public:
    explicit PackageMatcher(const AppItem& app);
    bool isCandidate(const QString& packageIdentifier) const;

private:
    QString m_bundleKey;
    QString m_nameKey;
    QString m_vendorKey;
};

// Of a package's files, whether it owns one of the known paths (equal to it or inside it).
bool ownsKnownPath(const QStringList& files, const QStringList& knownPaths);

} // namespace Receipts

// The files that installer packages tied to the application installed, when such a package owns
// one of `knownPaths`. Only existing files (never folders), only under each package's install
// location, never inside a package database. At most 20 packages are listed. Without the tool
// (as on a system that has none) the lookup is logged once and skipped.
QStringList packageReceiptFiles(const AppItem& app, const QStringList& knownPaths, const UninstallEnvironment& env,
                                const UninstallGuard& guard);

} // namespace corvanta::Uninstall
