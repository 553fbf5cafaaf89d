#include "Services/UninstallMatching.h"

#include "Platform/FileRead.h"
#include "Platform/SafeFiles.h"

#include <QSet>

namespace corvanta::Uninstall {

namespace {

const char* const kEmbeddedBundleDirs[] = {"Contents/Frameworks",           "Contents/Library/LoginItems",
                                           "Contents/Library/LaunchServices", "Contents/Library/SystemExtensions",
                                           "Contents/PlugIns",              "Contents/XPCServices",
                                           "Contents/Helpers"};

// Extensions an exact match may carry: the thing itself stored as a file.
const char* const kPlainExtensions[] = {".plist", ".savedstate", ".binarycookies", ".log", ".db", ".json"};

QString escapedPattern(const QString& keyword)
{
    static const QString kSpecial = QStringLiteral("\\/|{}()[]*.?+^$");
    QString out;
    for (const QChar c : keyword) {
        if (kSpecial.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

std::optional<MatchContext::Pattern> patternFor(const QString& keyword, bool exactOnly)
{
    // Word boundaries in every script: a name written in Chinese has them too.
    QRegularExpression regex(QStringLiteral("^\\b(?:") + escapedPattern(keyword) + QStringLiteral(")(?:\\..*)?\\b$"),
                             QRegularExpression::UseUnicodePropertiesOption);
    if (!regex.isValid())
        return std::nullopt;
    regex.optimize();
    return MatchContext::Pattern{keyword, std::move(regex), exactOnly};
}

bool isExactForm(const QString& norm, const QString& keyword)
{
    if (norm == keyword)
        return true;
    if (!norm.startsWith(keyword))
        return false;
    const QStringView rest = QStringView(norm).mid(keyword.size());
    for (const char* ext : kPlainExtensions)
        if (rest == QLatin1String(ext))
            return true;
    return false;
}

int patternScore(const QList<MatchContext::Pattern>& patterns, const QString& norm)
{
    int best = noMatch;
    for (const auto& pattern : patterns) {
        // Every form begins with the keyword: most entries are turned away before the expression,
        // which matters as every other bundle on disk is asked about every entry.
        if (!norm.startsWith(pattern.keyword))
            continue;
        if (isExactForm(norm, pattern.keyword))
            return exactMatch;
        if (pattern.exactOnly)
            continue;
        const auto match = pattern.regex.match(norm);
        if (match.hasMatch() && match.capturedStart() == 0 && match.capturedLength() == norm.size())
            best = prefixMatch;
    }
    return best;
}

// "<k>_…", "….<k>" or "….<k>.…", tested without building texts: every other bundle on disk is
// asked about every entry of a folder.
bool isLooseIdentifierForm(QStringView norm, QStringView k)
{
    const qsizetype n = norm.size(), m = k.size();
    if (m == 0 || n <= m)
        return false;
    if (norm.startsWith(k) && norm.at(m) == u'_')
        return true;
    if (norm.endsWith(k) && norm.at(n - m - 1) == u'.')
        return true;
    for (qsizetype at = norm.indexOf(k, 1); at > 0 && at + m < n; at = norm.indexOf(k, at + 1))
        if (norm.at(at - 1) == u'.' && norm.at(at + m) == u'.')
            return true;
    return false;
}

int identifierParts(const QString& identifier) { return int(identifier.split(u'.', Qt::SkipEmptyParts).size()); }

} // namespace

QString normalizedName(const QString& name)
{
    QString out = name;
    out.remove(u' ');
    return out.toLower();
}

bool isGenericExecutableName(const QString& lowerName)
{
    static const QSet<QString> kGeneric = {
        QStringLiteral("app"),      QStringLiteral("main"),      QStringLiteral("run"),       QStringLiteral("start"),
        QStringLiteral("launcher"), QStringLiteral("launch"),    QStringLiteral("electron"),  QStringLiteral("java"),
        QStringLiteral("python"),   QStringLiteral("python3"),   QStringLiteral("node"),      QStringLiteral("ruby"),
        QStringLiteral("perl"),     QStringLiteral("sh"),        QStringLiteral("bash"),      QStringLiteral("wrapper"),
        QStringLiteral("applet"),   QStringLiteral("stub"),      QStringLiteral("bin"),       QStringLiteral("binary"),
        QStringLiteral("exec"),     QStringLiteral("executable"), QStringLiteral("helper"),   QStringLiteral("updater"),
        QStringLiteral("update"),   QStringLiteral("setup"),     QStringLiteral("install"),   QStringLiteral("installer"),
        QStringLiteral("application"), QStringLiteral("program"), QStringLiteral("macos"),    QStringLiteral("universal"),
        QStringLiteral("default"),  QStringLiteral("client"),    QStringLiteral("server"),    QStringLiteral("daemon"),
        QStringLiteral("agent"),    QStringLiteral("service"),   QStringLiteral("apprun"),    QStringLiteral("qt"),
        QStringLiteral("wine"),     QStringLiteral("mono"),      QStringLiteral("steam"),     QStringLiteral("game"),
    };
    return kGeneric.contains(lowerName);
}

QStringList embeddedHelperBundleIDs(const AppItem& app, const BundleReader& bundles)
{
    QStringList out;
    const QString appPath = app.path();
    const QString own = normalizedName(app.bundleIdentifier);
    for (const char* folder : kEmbeddedBundleDirs) {
        const QString dir = appPath + u'/' + QString::fromLatin1(folder);
        const auto names = listFolderNames(dir);
        if (!names)
            continue;
        for (const QString& name : *names) {
            const QString lower = name.toLower();
            if (!lower.endsWith(QLatin1String(".app")) && !lower.endsWith(QLatin1String(".xpc")))
                continue;
            const auto bundle = bundles.bundle(dir + u'/' + name);
            if (!bundle || bundle->identifier.isEmpty())
                continue;
            const QString id = normalizedName(bundle->identifier);
            if (identifierParts(id) < 3 || id == own || out.contains(id))
                continue;
            out << id;
        }
    }
    // A privileged helper tool is a plain executable named by its identifier, which is also its
    // launch daemon's label.
    const QString tools = appPath + QStringLiteral("/Contents/Library/LaunchServices");
    for (const QString& name : listFolderNames(tools).value_or(QStringList())) {
        const QString id = normalizedName(name);
        const auto info = SafeFiles::linkStat(tools + u'/' + name);
        if (!info || !info->isRegular() || identifierParts(id) < 3 || id == own || out.contains(id))
            continue;
        out << id;
    }
    return out;
}

MatchContext MatchContext::make(const AppItem& app, const BundleReader& bundles, bool withHelpers)
{
    MatchContext ctx;
    auto addName = [&ctx](const QString& name) {
        const QString lower = normalizedName(name);
        if (lower.size() < 3 || ctx.rawNames.contains(lower))
            return;
        ctx.rawNames << lower;
        QString kept = name;
        kept.remove(u' ');
        if (kept.size() >= 6 && !ctx.rawNamePrefixes.contains(kept))
            ctx.rawNamePrefixes << kept;
    };
    addName(app.name);
    if (!ctx.rawNames.isEmpty())
        ctx.ownName = ctx.rawNames.first();
    if (const auto bundle = bundles.bundle(app.path())) {
        const std::optional<QString>& executable = bundle->info.executable;
        if (executable && !isGenericExecutableName(normalizedName(*executable)))
            addName(*executable);
    }
    for (const QString& name : std::as_const(ctx.rawNames))
        if (auto pattern = patternFor(name, false))
            ctx.namePatterns << *pattern;

    const QString id = normalizedName(app.bundleIdentifier);
    if (!id.isEmpty())
        ctx.bundleIDKeywords << id;
    if (withHelpers)
        for (const QString& helper : embeddedHelperBundleIDs(app, bundles))
            if (!ctx.bundleIDKeywords.contains(helper))
                ctx.bundleIDKeywords << helper;
    for (const QString& keyword : std::as_const(ctx.bundleIDKeywords))
        if (auto pattern = patternFor(keyword, identifierParts(keyword) < 3))
            ctx.bundlePatterns << *pattern;

    const QStringList pieces = app.bundleIdentifier.split(u'.', Qt::SkipEmptyParts);
    if (pieces.size() == 3) {
        const QString word = normalizedName(pieces.at(1));
        if (word.size() >= 4)
            ctx.company = word;
    }
    return ctx;
}

int MatchContext::nameScore(const QString& name, const QString& norm) const
{
    const int score = patternScore(namePatterns, norm);
    if (score != noMatch)
        return score;
    for (const QString& prefix : rawNamePrefixes)
        if (name.size() > prefix.size() && name.startsWith(prefix) && name.at(prefix.size()).isUpper())
            return looseMatch;
    return noMatch;
}

int MatchContext::bundleScore(const QString& norm) const
{
    const int score = patternScore(bundlePatterns, norm);
    if (score != noMatch)
        return score;
    for (const auto& pattern : bundlePatterns) {
        if (pattern.exactOnly)
            continue;
        if (isLooseIdentifierForm(norm, pattern.keyword))
            return looseMatch;
    }
    return noMatch;
}

MatchEvidence MatchContext::evidence(const QString& norm, int byName, int byID) const
{
    if (byName == exactMatch && !ownName.isEmpty() && isExactForm(norm, ownName))
        return MatchEvidence::name;
    if (byID == exactMatch)
        return MatchEvidence::bundleIdentifier;
    return byID >= byName ? MatchEvidence::identifierVariant : MatchEvidence::nameVariant;
}

bool MatchContext::matchesCrashReport(const QString& norm) const
{
    for (const auto& pattern : namePatterns) {
        if (pattern.exactOnly)
            continue;
        const QString& r = pattern.keyword;
        if (norm.startsWith(r + u'_') || norm.startsWith(r + u'-') || norm.startsWith(r + u'.'))
            return true;
    }
    return false;
}

} // namespace corvanta::Uninstall
