#include "Services/UninstallTargets.h"

#include "Platform/FileRead.h"
#include "Platform/SafeFiles.h"

#include <QRegularExpression>

namespace corvanta::Uninstall {

namespace {

using K = ResidualKind;

struct Row {
    const char* folder; // under the home folder when it begins with "~"
    K kind;
    bool files, onlyFiles;
    const char* suffix;
    bool descent, name, id;
};

// Saved application state is a folder per application ending in ".savedstate": the row takes
// those folders (and files with that ending, which some applications leave).
constexpr Row kRows[] = {
    {"~/Library/Application Support", K::support, false, false, nullptr, true, true, true},
    {"~/Library/Caches", K::cache, false, false, nullptr, true, true, true},
    {"~/Library/Caches/SentryCrash", K::crashReport, false, false, nullptr, false, true, true},
    {"~/Library/HTTPStorages", K::cache, true, false, nullptr, false, true, true},
    {"~/Library/WebKit", K::cache, false, false, nullptr, false, true, true},
    {"~/Library/Cookies", K::cache, true, true, nullptr, false, true, true},
    {"~/Library/Preferences", K::preference, true, true, ".plist", false, true, true},
    {"~/Library/Preferences/ByHost", K::preference, true, true, ".plist", false, true, true},
    {"~/Library/Saved Application State", K::state, true, false, ".savedstate", false, true, true},
    {"~/Library/Autosave Information", K::state, false, false, nullptr, false, true, true},
    {"~/Library/Containers", K::container, false, false, nullptr, false, false, true},
    {"~/Library/Group Containers", K::container, false, false, nullptr, false, false, true},
    {"~/Library/Logs", K::log, true, false, nullptr, true, true, true},
    {"~/Library/Logs/DiagnosticReports", K::crashReport, true, true, nullptr, false, true, true},
    {"~/Library/Application Support/CrashReporter", K::crashReport, true, false, nullptr, false, true, true},
    {"~/Library/LaunchAgents", K::launchItem, true, true, ".plist", false, true, true},
    {"~/Library/LaunchDaemons", K::launchItem, true, true, ".plist", false, true, true},
    {"~/Library/PreferencePanes", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/QuickLook", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Services", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Screen Savers", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Spotlight", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Audio/Plug-Ins", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Mail/Bundles", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Input Methods", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Internet Plug-Ins", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Keyboard Layouts", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Frameworks", K::plugin, false, false, nullptr, false, true, true},
    {"~/Library/Application Scripts", K::support, false, false, nullptr, false, true, true},
    {"/Library/Application Support", K::support, false, false, nullptr, true, true, true},
    {"/Library/Caches", K::cache, false, false, nullptr, true, true, true},
    {"/Library/Preferences", K::preference, true, true, ".plist", false, true, true},
    {"/Library/Logs", K::log, true, false, nullptr, true, true, true},
    {"/Library/Logs/DiagnosticReports", K::crashReport, true, true, nullptr, false, true, true},
    {"/Library/Application Support/CrashReporter", K::crashReport, true, false, nullptr, false, true, true},
    {"/Library/LaunchAgents", K::launchItem, true, true, ".plist", false, true, true},
    {"/Library/LaunchDaemons", K::launchItem, true, true, ".plist", false, true, true},
    {"/Library/StartupItems", K::launchItem, false, false, nullptr, false, true, true},
    {"/Library/PreferencePanes", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/QuickLook", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/Internet Plug-Ins", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/Input Methods", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/Frameworks", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/Extensions", K::plugin, false, false, nullptr, false, true, true},
    {"/Library/Receipts", K::other, true, false, nullptr, false, true, true},
    {"/Library/PrivilegedHelperTools", K::helper, true, false, nullptr, false, true, true},
};

QString place(const char* text, const UninstallRoots& roots)
{
    const QString path = QString::fromUtf8(text);
    if (path.startsWith(QLatin1String("~/Library/")))
        return roots.homeLibrary() + path.mid(9);
    if (path.startsWith(u'~'))
        return roots.home + path.mid(1);
    return roots.system(path);
}

QString tilde(const QString& path, const QString& home)
{
    return path.startsWith(u'~') ? home + path.mid(1) : path;
}

// The same for the machine's roots: "~/Library" is the Library folder where it really lies.
QString tilde(const QString& path, const UninstallRoots& roots)
{
    if (path.startsWith(QLatin1String("~/Library/")))
        return roots.homeLibrary() + path.mid(9);
    return tilde(path, roots.home);
}

QString joined(const QString& parent, const QString& name)
{
    return parent.endsWith(u'/') ? parent + name : parent + u'/' + name;
}

QStringList expandSegments(const QStringList& segments, const QString& parent)
{
    if (segments.isEmpty())
        return {};
    const QString seg = segments.first();
    const QStringList rest = segments.mid(1);
    QStringList candidates;
    if (seg.contains(u'*') || seg.contains(QLatin1String("#{")) || seg.contains(QLatin1String("$("))) {
        QString pattern;
        for (qsizetype i = 0; i < seg.size();) {
            const QChar c = seg.at(i);
            if (c == u'*') {
                pattern += QStringLiteral("\\S*");
                ++i;
                continue;
            }
            if ((c == u'#' || c == u'$') && i + 1 < seg.size()
                && seg.at(i + 1) == (c == u'#' ? u'{' : u'(')) {
                const qsizetype close = seg.indexOf(c == u'#' ? u'}' : u')', i);
                if (close >= 0) {
                    pattern += QStringLiteral("\\S+");
                    i = close + 1;
                    continue;
                }
            }
            pattern += QRegularExpression::escape(QString(c));
            ++i;
        }
        const QRegularExpression expression(u'^' + pattern + u'$');
        if (!expression.isValid())
            return {};
        const auto names = listFolderNames(parent);
        if (!names)
            return {};
        for (const QString& name : *names)
            if (expression.match(name).hasMatch())
                candidates << name;
    } else if (SafeFiles::linkStat(joined(parent, seg))) {
        candidates << seg;
    }
    QStringList out;
    for (const QString& candidate : candidates) {
        const QString next = candidate.startsWith(u'/') ? candidate : joined(parent, candidate);
        if (rest.isEmpty())
            out << next;
        else
            out << expandSegments(rest, next);
    }
    return out;
}

} // namespace

QList<ScanTarget> scanTargets(const UninstallRoots& roots)
{
    QList<ScanTarget> out;
    for (const Row& row : kRows) {
        ScanTarget target;
        target.path = place(row.folder, roots);
        target.kind = row.kind;
        target.allowFile = row.files;
        target.onlyFile = row.onlyFiles;
        if (row.suffix)
            target.suffix = QString::fromLatin1(row.suffix);
        target.allowCompanyDescent = row.descent;
        target.matchName = row.name;
        target.matchBundleID = row.id;
        target.requiresAdmin = row.folder[0] == '/';
        out.append(target);
    }
    return out;
}

QStringList launchItemFolders(const UninstallRoots& roots)
{
    return {roots.homeLibrary() + QStringLiteral("/LaunchAgents"), roots.homeLibrary() + QStringLiteral("/LaunchDaemons"),
            roots.library() + QStringLiteral("/LaunchAgents"), roots.library() + QStringLiteral("/LaunchDaemons"),
            roots.library() + QStringLiteral("/StartupItems")};
}

QStringList specialResidualPaths(const QString& lowerIdentifier, const UninstallRoots& roots)
{
    if (lowerIdentifier == QLatin1String("com.google.chrome"))
        return {tilde(QStringLiteral("~/Library/Google/GoogleSoftwareUpdate"), roots),
                tilde(QStringLiteral("~/Library/Google/Google Chrome Brand.plist"), roots)};
    return {};
}

QStringList aliasPathPatterns(const QString& lowerIdentifier, const UninstallRoots& roots)
{
    QStringList out;
    if (lowerIdentifier == QLatin1String("com.youdao.note.youdaonotemac"))
        out << QStringLiteral("~/Library/Application Support/com.youdao.YoudaoDict");
    else if (lowerIdentifier == QLatin1String("com.jetbrains.apps.activator"))
        out << QStringLiteral("~/Library/Application Support/Toolbox");
    else if (lowerIdentifier == QLatin1String("com.google.android.studio"))
        out << QStringLiteral("~/Library/Application Support/Google/AndroidStudio*")
            << QStringLiteral("~/Library/Caches/Google/AndroidStudio*");
    for (QString& pattern : out)
        pattern = tilde(pattern, roots);
    return out;
}

QStringList expandPattern(const QString& pattern, const QString& home)
{
    const QStringList segments = tilde(pattern, home).split(u'/', Qt::SkipEmptyParts);
    if (segments.isEmpty())
        return {};
    return expandSegments(segments, QStringLiteral("/"));
}

} // namespace corvanta::Uninstall
