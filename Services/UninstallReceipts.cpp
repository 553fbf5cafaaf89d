#include "Services/UninstallReceipts.h"

#include "Platform/SafeFiles.h"
#include "Services/UninstallEnvironment.h"
#include "Services/UninstallGuard.h"
#include "Services/UninstallMatching.h"
#include "Support/LogText.h"
#include "Support/Logger.h"

#include <QStringDecoder>

#include <atomic>

namespace corvanta::Uninstall {

namespace Receipts {

namespace {

bool hasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

QStringList lines(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            out << trimmed;
    }
    return out;
}

} // namespace

std::optional<QString> decode(const QByteArray& output)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(output);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QStringList parsePackageList(const QString& text) { return lines(text); }

std::optional<QString> parseInstallLocation(const QString& text)
{
    std::optional<QString> volume;
    QString location;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(QLatin1String("volume:")))
            volume = line.mid(7).trimmed();
        else if (line.startsWith(QLatin1String("location:")))
            location = line.mid(9).trimmed();
    }
    if (!volume || volume->isEmpty() || hasControl(*volume) || hasControl(location))
        return std::nullopt;
    if (location.split(u'/').contains(QStringLiteral("..")))
        return std::nullopt;
    const QString joined = standardizePath(*volume + u'/' + location, QString());
    if (!joined.startsWith(u'/'))
        return std::nullopt;
    return joined;
}

QStringList parseFileListing(const QString& text, const QString& installLocation, int maxLines)
{
    QStringList out;
    int seen = 0;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (++seen > maxLines)
            break;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || hasControl(line) || trimmed.split(u'/').contains(QStringLiteral("..")))
            continue;
        const QString path = standardizePath(trimmed.startsWith(u'/') ? trimmed : installLocation + u'/' + trimmed, QString());
        if (isInside(path, installLocation) || (installLocation == QLatin1String("/") && path != installLocation))
            out << path;
    }
    return out;
}

PackageMatcher::PackageMatcher(const AppItem& app)
{
    m_bundleKey = normalizedName(app.bundleIdentifier);
    const QString name = normalizedName(app.name);
    if (name.size() >= 3)
        m_nameKey = name;
    const QStringList pieces = app.bundleIdentifier.split(u'.', Qt::SkipEmptyParts);
    if (pieces.size() >= 2) {
        const QString vendor = normalizedName(pieces.at(1));
        if (vendor != QLatin1String("com") && vendor != QLatin1String("org") && vendor != QLatin1String("net")
            && vendor.size() > 3)
            m_vendorKey = vendor;
    }
}

bool PackageMatcher::isCandidate(const QString& packageIdentifier) const
{
    if (packageIdentifier.isEmpty() || packageIdentifier.startsWith(QLatin1String("com.apple.")))
        return false;
    const QString lower = packageIdentifier.toLower();
    return (!m_bundleKey.isEmpty() && lower.contains(m_bundleKey)) || (!m_nameKey.isEmpty() && lower.contains(m_nameKey))
        || (!m_vendorKey.isEmpty() && lower.contains(m_vendorKey));
}

bool ownsKnownPath(const QStringList& files, const QStringList& knownPaths)
{
    for (const QString& file : files)
        for (const QString& known : knownPaths)
            if (!known.isEmpty() && isSameOrInside(file, known))
                return true;
    return false;
}

} // namespace Receipts

QStringList packageReceiptFiles(const AppItem& app, const QStringList& knownPaths, const UninstallEnvironment& env,
                                const UninstallGuard& guard)
{
    constexpr int kMaxPackages = 20;
    QStringList result;
    if (!env.processes || !isExecutableFile(env.tools.pkgutil)) {
        static std::atomic_bool logged{false};
        if (!logged.exchange(true))
            CLOG_INFO(QStringLiteral("Uninstall: package receipt tool not found — ") + logSafe(env.tools.pkgutil)
                      + QStringLiteral("; receipts skipped"));
        return result;
    }
    auto run = [&](const QStringList& arguments) -> std::optional<QString> {
        const ChildResult child = env.processes->run(env.tools.pkgutil, arguments, env.tools.timeoutMs, env.tools.maxOutput);
        if (!child.succeeded() || child.outputTruncated)
            return std::nullopt;
        return Receipts::decode(child.output);
    };
    const auto packages = run({QStringLiteral("--pkgs")});
    if (!packages)
        return result;
    const Receipts::PackageMatcher matcher(app);
    QStringList known;
    for (const QString& path : knownPaths)
        known << standardizePath(path, env.roots.home);
    int queried = 0;
    for (const QString& package : Receipts::parsePackageList(*packages)) {
        if (queried >= kMaxPackages)
            break;
        if (!matcher.isCandidate(package))
            continue;
        ++queried;
        const auto info = run({QStringLiteral("--pkg-info"), package});
        const auto location = info ? Receipts::parseInstallLocation(*info) : std::nullopt;
        if (!location)
            continue;
        const QString installLocation = standardizePath(env.roots.system(*location), env.roots.home);
        const auto listing = run({QStringLiteral("--files"), package});
        if (!listing)
            continue;
        QStringList files;
        for (const QString& path : Receipts::parseFileListing(*listing, installLocation, env.tools.maxListedFiles)) {
            const auto stat = SafeFiles::linkStat(path, env.deviceOverride);
            if (stat && !stat->isDirectory() && !guard.isInPackageDatabase(path))
                files << path;
        }
        if (Receipts::ownsKnownPath(files, known))
            result << files;
    }
    return result;
}

} // namespace corvanta::Uninstall
