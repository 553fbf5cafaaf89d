#pragma once

#include "Services/UninstallEnvironment.h"
#include "Services/UninstallGuard.h"
#include "Services/UninstallRecords.h"

#include <atomic>
#include <optional>

namespace corvanta::Uninstall {

// Finds what an application leaves outside its bundle, reading only: the scan folders (and the
// vendor's folder one level down), sandbox containers that name the application, launch items
// labelled or named by its identifier, paths known for particular applications, and files of its
// installer packages. What another bundle on disk claims (by its identifier, its helpers' or its
// names) is not offered, nor a folder holding such a thing: only its entries this one alone
// claims. Returns the leftovers ordered by path, each measured without following links.
// `cancelled` is polled between passes; a cancelled scan returns what it has. Leftovers kept back
// because a file system is mounted at or inside them go to `mountRefusals`, as the guard's
// refusal texts. Scan folders that exist but cannot be listed as themselves (unreadable, or a
// link) go to `unsearchable`.
QList<ResidualItem> scanResiduals(const AppItem& app, const UninstallEnvironment& env, const UninstallGuard& guard,
                                  const std::atomic_bool* cancelled = nullptr, QStringList* mountRefusals = nullptr,
                                  QStringList* unsearchable = nullptr);

// An uninstaller shipped beside the application, or in the Utilities folder.
std::optional<QUrl> detectBundledUninstaller(const AppItem& app, const UninstallEnvironment& env);

// A property list read only when it is a regular file (not a link) of at most `maxBytes`.
std::optional<QVariantMap> readSmallPlist(const QString& path, qint64 maxBytes = 1024 * 1024);

} // namespace corvanta::Uninstall
