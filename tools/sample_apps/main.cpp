// Writes the sample application folder that the program's demo run and the tests scan.

#include "BundleWriter.h"
#include "SampleApp.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <stdexcept>

namespace {

using namespace corvanta::samples;

// Written into every folder this tool makes; the tool deletes only folders that carry it (or are
// empty), so a mistyped output path can never wipe someone's real files.
const QString markerName = QStringLiteral(".corvanta-sample-apps");

void requireOwned(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return;
    }
    const QDir dir(path);
    const bool owned = info.isDir() && (dir.exists(markerName) || dir.isEmpty(QDir::AllEntries | QDir::Hidden |
                                                                              QDir::System | QDir::NoDotAndDotDot));
    if (!owned) {
        throw std::runtime_error("refusing to replace " + path.toStdString() + ": this tool did not make it");
    }
}

void removeOwnedFolder(const QString& path)
{
    requireOwned(path);
    if (QFileInfo::exists(path) && !QDir(path).removeRecursively()) {
        throw std::runtime_error("cannot remove " + path.toStdString());
    }
}

// Things every real application folder has beside its bundles, which a scanner must pass over.
void writeFolderClutter(const QString& root)
{
    writeFile(root + QStringLiteral("/.localized"), {});
    writeFile(root + QStringLiteral("/Read Me.txt"),
              QByteArrayLiteral("Sample applications for trying Corvanta. Each one only records its launch.\n"));
}

// `count` ordinary applications made like the samples (the catalogue's top-level, visible
// applications in turn, each copy with its own name, identifier and icon colours), for measuring
// the program at a real user's size.
std::vector<SampleApp> generatedCatalog(int count)
{
    std::vector<SampleApp> models;
    for (const SampleApp& app : sampleCatalog()) {
        if (app.folder.isEmpty() && app.agent == AgentKind::None && !app.identifier.isEmpty() &&
            app.iconReference == IconReference::BaseName) {
            models.push_back(app);
        }
    }
    std::vector<SampleApp> apps;
    for (int i = 0; i < count && !models.empty(); ++i) {
        SampleApp app = models[static_cast<size_t>(i) % models.size()];
        const QString number = QString::number(i + 1);
        const QString base = app.fileName.chopped(4);
        app.fileName = base + QLatin1Char(' ') + number + QStringLiteral(".app");
        app.identifier += QStringLiteral(".generated") + number;
        app.name = (app.name.isEmpty() ? base : app.name) + QLatin1Char(' ') + number;
        app.displayName.reset();
        app.localizations.clear();
        // Different colours per copy, so no two icons are the same picture.
        app.icon.top = qRgb((qRed(app.icon.top) + 37 * i) % 256, (qGreen(app.icon.top) + 11 * i) % 256, qBlue(app.icon.top));
        apps.push_back(app);
    }
    return apps;
}

void generate(const QString& output, const std::vector<SampleApp>& catalog)
{
    // Built beside the target and moved into place at the end, so a failed run leaves the
    // previous tree whole.
    const QString partial = output + QStringLiteral(".partial");
    requireOwned(output);
    removeOwnedFolder(partial);
    // The marker also lists every bundle, so a tree with one missing can be told apart and made again.
    QByteArray marker = QByteArrayLiteral("Made by corvanta_sample_apps; deleted and rebuilt at every run.\n"
                                          "Its bundles, one a line:\n");
    for (const SampleApp& app : catalog) {
        marker += ((app.folder.isEmpty() ? QString() : app.folder + QLatin1Char('/')) + app.fileName).toUtf8() + '\n';
    }
    writeFile(partial + QLatin1Char('/') + markerName, marker);
    for (const SampleApp& app : catalog) {
        writeBundle(partial, app);
    }
    writeFolderClutter(partial);
    removeOwnedFolder(output);
    if (!QDir().rename(partial, output)) {
        throw std::runtime_error("cannot move " + partial.toStdString() + " to " + output.toStdString());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    // Painting text needs the font database, which needs a GUI application, but never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString output = QDir::cleanPath(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    bool counted = argc == 3;
    const int count = counted ? QString::fromLocal8Bit(argv[2]).toInt(&counted) : 0;
    if (argc == 3 && (!counted || count < 1)) {
        std::fprintf(stderr, "corvanta_sample_apps: COUNT must be a whole number above 0\n");
        return 2;
    }
    const std::vector<SampleApp> catalog = counted ? generatedCatalog(count) : sampleCatalog();
    try {
        generate(output, catalog);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvanta_sample_apps: %s\n", error.what());
        return 1;
    }
    std::printf("%zu sample applications in %s\n", catalog.size(), qPrintable(output));
    return 0;
}
