#include "BundleWriter.h"

#include "IcnsWriter.h"
#include "IconPainter.h"
#include "PlistEncoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace corvanta::samples {

namespace {

struct SizedElement {
    const char* type;
    int side;
};

std::vector<SizedElement> elementsFor(IconSizes sizes)
{
    switch (sizes) {
    case IconSizes::Tiny:
        return {{"icp4", 16}, {"icp5", 32}};
    case IconSizes::Standard:
        return {{"icp4", 16}, {"icp5", 32}, {"ic07", 128}, {"ic08", 256}, {"ic09", 512}};
    case IconSizes::Full:
        return {{"icp4", 16}, {"icp5", 32}, {"ic11", 32},  {"icp6", 64},  {"ic12", 64}, {"ic07", 128},
                {"ic13", 256}, {"ic08", 256}, {"ic14", 512}, {"ic09", 512}, {"ic10", 1024}};
    }
    return {};
}

QString bundleStem(const SampleApp& app)
{
    return app.fileName.left(app.fileName.lastIndexOf(QLatin1Char('.')));
}

QString company(const SampleApp& app)
{
    const QStringList parts = app.identifier.split(QLatin1Char('.'));
    if (parts.size() < 2) {
        return QStringLiteral("an independent developer");
    }
    QString name = parts.at(1);
    name[0] = name.at(0).toUpper();
    return name;
}

PlistPtr infoDictionary(const SampleApp& app)
{
    PlistPtr info(plist_new_dict());
    plist_t d = info.get();
    setString(d, "CFBundleDevelopmentRegion", QStringLiteral("en"));
    setString(d, "CFBundleExecutable", app.executable);
    if (app.iconReference != IconReference::Absent) {
        const bool withExtension = app.iconReference == IconReference::WithExtension;
        setString(d, "CFBundleIconFile", withExtension ? app.iconName + QStringLiteral(".icns") : app.iconName);
    }
    if (!app.identifier.isEmpty()) {
        setString(d, "CFBundleIdentifier", app.identifier);
    }
    setString(d, "CFBundleInfoDictionaryVersion", QStringLiteral("6.0"));
    if (!app.name.isEmpty()) {
        setString(d, "CFBundleName", app.name);
    }
    if (app.displayName) {
        setString(d, "CFBundleDisplayName", *app.displayName);
    }
    setString(d, "CFBundlePackageType", QStringLiteral("APPL"));
    setString(d, "CFBundleShortVersionString", app.version);
    setString(d, "CFBundleVersion", app.version);
    setString(d, "CFBundleSignature", QStringLiteral("????"));
    plist_t platforms = plist_new_array();
    plist_array_append_item(platforms, plist_new_string("MacOSX"));
    plist_dict_set_item(d, "CFBundleSupportedPlatforms", platforms);
    setString(d, "LSMinimumSystemVersion", app.minimumSystem);
    setString(d, "LSApplicationCategoryType", QStringLiteral("public.app-category.") + app.category);
    plist_dict_set_item(d, "NSHighResolutionCapable", plist_new_bool(1));
    setString(d, "NSHumanReadableCopyright", QStringLiteral("Copyright © 2025 %1. All rights reserved.").arg(company(app)));
    setString(d, "NSPrincipalClass", QStringLiteral("NSApplication"));
    switch (app.agent) {
    case AgentKind::None:
        break;
    case AgentKind::BackgroundOnly:
        plist_dict_set_item(d, "LSBackgroundOnly", plist_new_bool(1));
        break;
    case AgentKind::UIElement:
        plist_dict_set_item(d, "LSUIElement", plist_new_bool(1));
        break;
    case AgentKind::UIElementNumber:
        plist_dict_set_item(d, "LSUIElement", plist_new_uint(1));
        break;
    case AgentKind::UIElementText:
        setString(d, "LSUIElement", QStringLiteral("1"));
        break;
    }
    return info;
}

QByteArray stringsFile(const LocalizedStrings& strings)
{
    std::vector<std::pair<QString, QString>> entries;
    if (!strings.name.isEmpty()) {
        entries.emplace_back(QStringLiteral("CFBundleName"), strings.name);
    }
    entries.emplace_back(QStringLiteral("CFBundleDisplayName"), strings.displayName);
    switch (strings.form) {
    case StringsForm::XmlPlist:
        return encodePlist(textDictionary(entries).get(), PlistForm::Xml);
    case StringsForm::BinaryPlist:
        return encodePlist(textDictionary(entries).get(), PlistForm::Binary);
    default:
        return encodeStringsText(entries, strings.form);
    }
}

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Launching a sample must be observable without a desktop: the executable appends one line
// (time, name, bundle path, arguments) to a log and exits at once.
QByteArray launcherScript(const SampleApp& app)
{
    // Built by concatenation: the date format's "%3N" must not be taken for a place marker.
    const QString script = QStringLiteral(
                               "#!/bin/sh\n"
                               "# Sample application: records that it was launched, then exits.\n"
                               "log=${CORVANTA_LAUNCH_LOG:-${XDG_STATE_HOME:-$HOME/.local/state}/Corvanta/sample-launches.log}\n"
                               "bundle=$(cd \"$(dirname \"$0\")/../..\" && pwd)\n"
                               "mkdir -p \"$(dirname \"$log\")\" || exit 1\n"
                               "printf '%s\\t%s\\t%s\\t%s\\n' \"$(date -u +%Y-%m-%dT%H:%M:%S.%3NZ)\" ") +
                           shellQuoted(bundleStem(app)) + QStringLiteral(" \"$bundle\" \"$*\" >> \"$log\"\n");
    return script.toUtf8();
}

QByteArray iconFile(const IconArt& art)
{
    std::vector<IcnsElement> elements;
    for (const SizedElement& element : elementsFor(art.sizes)) {
        elements.push_back({QByteArray(element.type), paintIcon(art, element.side)});
    }
    return encodeIcns(elements);
}

}  // namespace

void writeFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        throw std::runtime_error("cannot create the folder of " + path.toStdString());
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
    }
}

void writeBundle(const QString& root, const SampleApp& app)
{
    const QString folder = app.folder.isEmpty() ? root : root + QLatin1Char('/') + app.folder;
    const QString contents = folder + QLatin1Char('/') + app.fileName + QStringLiteral("/Contents");

    writeFile(contents + QStringLiteral("/Info.plist"), encodePlist(infoDictionary(app).get(), app.form));
    writeFile(contents + QStringLiteral("/PkgInfo"), QByteArrayLiteral("APPL????"));

    const QString executable = contents + QStringLiteral("/MacOS/") + app.executable;
    writeFile(executable, launcherScript(app));
    if (!QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther)) {
        throw std::runtime_error("cannot make " + executable.toStdString() + " executable");
    }

    const QString resources = contents + QStringLiteral("/Resources/");
    if (app.iconReference != IconReference::Absent && app.iconReference != IconReference::MissingFile) {
        writeFile(resources + app.iconName + QStringLiteral(".icns"), iconFile(app.icon));
    }
    for (const LocalizedStrings& strings : app.localizations) {
        writeFile(resources + strings.lproj + QStringLiteral(".lproj/InfoPlist.strings"), stringsFile(strings));
    }
}

}  // namespace corvanta::samples
