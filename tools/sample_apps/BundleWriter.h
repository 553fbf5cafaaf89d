#pragma once

#include "SampleApp.h"

#include <QString>

namespace corvanta::samples {

// Writes one application bundle under `root` (in the sample's sub folder): Info.plist, PkgInfo,
// the icon file, the localized strings and the launch-recording executable. Throws
// std::runtime_error when a file cannot be written.
void writeBundle(const QString& root, const SampleApp& app);

// Writes `bytes` to `path`, creating the folders above it.
void writeFile(const QString& path, const QByteArray& bytes);

}  // namespace corvanta::samples
