#pragma once

#include "Models/AppItem.h"
#include "Platform/Bundle.h"
#include "Services/UninstallRecords.h"

#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace corvanta::Uninstall {

// How well a folder entry's name ties it to an application; 0 is no match. An entry another
// installed application matches at least as well is not offered.
enum MatchScore : int {
    noMatch = 0,
    looseMatch = 1,  // a camel-case helper name, an identifier with "_" or wrapped in a team prefix, a crash report prefix
    prefixMatch = 2, // the name or identifier followed by "." and more
    exactMatch = 3,  // the name or identifier itself, perhaps with a plain extension
};

// What a leftover's name is tested against, built once per application and scan.
struct MatchContext {
    struct Pattern {
        QString keyword;
        QRegularExpression regex;
        bool exactOnly = false; // a short name or a short identifier matches only as itself
    };

    QStringList rawNames;         // names without blanks, lower-cased, 3 or more characters
    QStringList rawNamePrefixes;  // names without blanks, case kept, 6 or more characters
    QStringList bundleIDKeywords; // the identifier (lower-cased, no blanks), then embedded helpers'
    std::optional<QString> company;
    QList<Pattern> namePatterns;
    QList<Pattern> bundlePatterns;

    // `withHelpers`: also read the identifiers of the helpers embedded in the bundle.
    static MatchContext make(const AppItem& app, const BundleReader& bundles, bool withHelpers = true);

    // The best score of the name and identifier tests a target row allows.
    int nameScore(const QString& name, const QString& norm) const;
    int bundleScore(const QString& norm) const;
    // Crash reports named "<name>_…", "<name>-…" or "<name>.…".
    bool matchesCrashReport(const QString& norm) const;

    // How a matched entry is tied: exactly the application's own name, exactly an identifier
    // (perhaps with a plain extension), or only a variant of either.
    MatchEvidence evidence(const QString& norm, int byName, int byID) const;

    QString ownName; // the application's name as compared (lower-cased, no blanks), when it is one
};

// Executable names too common to say which application a file belongs to.
bool isGenericExecutableName(const QString& lowerName);

// The identifiers of the helper bundles inside an application's bundle, and of its privileged
// helper tools (named by their identifier).
QStringList embeddedHelperBundleIDs(const AppItem& app, const BundleReader& bundles);

// Lower-cased with every blank removed: the form entry names are compared in.
QString normalizedName(const QString& name);

} // namespace corvanta::Uninstall
