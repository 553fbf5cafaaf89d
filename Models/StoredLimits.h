#pragma once

#include "Models/SceneStore.h"

#include <QString>

namespace corvanta {

// Sizes the program keeps what it stores to. Names come from other people's bundles and from
// typing; the layout file from disk, where anything may have been put.
struct StoredLimits {
    // Characters (UTF-16 units) of an application, folder or scene name. The longest real names
    // are a few dozen; a cell shows two lines of about twelve.
    static constexpr qsizetype maxNameLength = 256;
    // Characters of a bundle identifier: real ones are reverse domain names of a few dozen. The
    // scan keeps none longer than 255 bytes; a longer one in a file is no identifier and is
    // dropped, since cut it could name another application.
    static constexpr qsizetype maxIdentifierLength = 255;
    // Bytes of a layout file or backup: ten scenes of 3,000 applications take about 8 MB.
    static constexpr qint64 maxLayoutFileBytes = 32 * 1024 * 1024;
};

// `name` cut to StoredLimits::maxNameLength, never between the halves of a surrogate pair.
QString cutName(const QString& name);

// Cuts every scene, folder and application name of `store` in place; returns how many were cut.
int cutStoredNames(SceneStore& store);

// Empties every bundle identifier of `store` longer than StoredLimits::maxIdentifierLength;
// returns how many were dropped.
int dropOverlongIdentifiers(SceneStore& store);

} // namespace corvanta
