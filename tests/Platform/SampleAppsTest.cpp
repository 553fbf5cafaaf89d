// The generated sample application folder is the input of the scanner, icon and launch tests and
// of the demo run; these checks make sure it holds what they rely on.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <memory>
#include <string>

namespace {

const QString samples = QStringLiteral(CORVANTA_SAMPLE_APPS);

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Plist readPlist(const QString& path)
{
    const QByteArray bytes = readAll(path);
    plist_t root = nullptr;
    if (!bytes.isEmpty()) {
        plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    }
    return Plist(root);
}

Plist infoPlist(const QString& bundle)
{
    return readPlist(samples + QLatin1Char('/') + bundle + QStringLiteral("/Contents/Info.plist"));
}

// A value as "type:value", so a table row can state both what a key holds and how it is stored.
std::string describe(plist_t dict, const char* key)
{
    plist_t node = dict ? plist_dict_get_item(dict, key) : nullptr;
    if (!node) {
        return "absent";
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? "bool:true" : "bool:false";
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return "uint:" + std::to_string(value);
    }
    case PLIST_STRING: {
        char* value = nullptr;
        plist_get_string_val(node, &value);
        std::string text = value ? value : "";
        free(value);
        return "string:" + text;
    }
    default:
        return "other";
    }
}

QStringList bundlesIn(const QString& folder)
{
    // What a scanner would list: visible children with the exact extension "app".
    QStringList bundles;
    const QDir dir(samples + QLatin1Char('/') + folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name.endsWith(QLatin1String(".app"), Qt::CaseSensitive)) {
            bundles << (folder.isEmpty() ? name : folder + QLatin1Char('/') + name);
        }
    }
    return bundles;
}

QStringList allBundles()
{
    return bundlesIn(QString()) + bundlesIn(QStringLiteral("Utilities"));
}

QString iconPath(const QString& bundle, plist_t info)
{
    const std::string value = describe(info, "CFBundleIconFile");
    if (value.rfind("string:", 0) != 0) {
        return {};
    }
    QString name = QString::fromStdString(value.substr(7));
    if (!name.endsWith(QLatin1String(".icns"))) {
        name += QLatin1String(".icns");
    }
    return samples + QLatin1Char('/') + bundle + QStringLiteral("/Contents/Resources/") + name;
}

// Share of the side that the visible artwork spans, measured on the widest row of pixels.
double artworkSpan(const QImage& image)
{
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 8) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return right < left ? 0.0 : double(right - left + 1) / image.width();
}

TEST(SampleApps, EveryBundleHasAReadableInfoPlistAndAnExecutable)
{
    const QStringList bundles = allBundles();
    ASSERT_GE(bundles.size(), 35) << "generated into " << samples.toStdString();
    EXPECT_GE(bundlesIn(QStringLiteral("Utilities")).size(), 5);

    int binary = 0;
    int xml = 0;
    for (const QString& bundle : bundles) {
        SCOPED_TRACE(bundle.toStdString());
        const QByteArray bytes = readAll(samples + QLatin1Char('/') + bundle + QStringLiteral("/Contents/Info.plist"));
        (plist_is_binary(bytes.constData(), static_cast<uint32_t>(bytes.size())) ? binary : xml) += 1;
        const Plist info = infoPlist(bundle);
        ASSERT_TRUE(info && plist_get_node_type(info.get()) == PLIST_DICT);
        EXPECT_EQ(describe(info.get(), "CFBundlePackageType"), "string:APPL");

        const std::string executable = describe(info.get(), "CFBundleExecutable");
        ASSERT_EQ(executable.rfind("string:", 0), 0u);
        const QFileInfo script(samples + QLatin1Char('/') + bundle + QStringLiteral("/Contents/MacOS/") +
                               QString::fromStdString(executable.substr(7)));
        EXPECT_TRUE(script.isFile() && script.isExecutable());
    }
    EXPECT_GE(binary, 10);
    EXPECT_GE(xml, 10);
}

TEST(SampleApps, IconsReadBackAtEverySizeTheyHold)
{
    int withLargeSizes = 0;
    int tinyOnly = 0;
    int withWideMargins = 0;
    for (const QString& bundle : allBundles()) {
        SCOPED_TRACE(bundle.toStdString());
        const Plist info = infoPlist(bundle);
        const QString path = iconPath(bundle, info.get());
        if (path.isEmpty() || !QFileInfo::exists(path)) {
            continue;
        }
        QImageReader reader(path);
        ASSERT_GE(reader.imageCount(), 2) << reader.errorString().toStdString();
        QImage largest;
        for (int i = 0; i < reader.imageCount(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull()) << "element " << i << ": " << reader.errorString().toStdString();
            EXPECT_EQ(image.width(), image.height());
            if (image.width() > largest.width()) {
                largest = image;
            }
        }
        withLargeSizes += largest.width() >= 1024;
        tinyOnly += largest.width() <= 32;
        withWideMargins += artworkSpan(largest) < 0.6;
    }
    EXPECT_GE(withLargeSizes, 3);
    EXPECT_GE(tinyOnly, 2);
    EXPECT_GE(withWideMargins, 2);
}

TEST(SampleApps, SpecialCasesKeepTheirDefiningKeys)
{
    struct Row {
        const char* bundle;
        const char* key;
        const char* expected;
    };
    const Row rows[] = {
        {"Sync Helper.app", "LSBackgroundOnly", "bool:true"},
        {"Menu Clock.app", "LSUIElement", "bool:true"},
        {"Tray Weather.app", "LSUIElement", "uint:1"},
        {"Status Panel.app", "LSUIElement", "string:1"},
        {"Atlas.app", "CFBundleIdentifier", "string:com.example.atlas"},
        {"AtlasPreview.app", "CFBundleIdentifier", "string:com.example.atlas"},
        {"Scratchpad.app", "CFBundleIdentifier", "absent"},
        {"Fieldnotes.app", "CFBundleName", "absent"},
        {"Fieldnotes.app", "CFBundleDisplayName", "absent"},
        {"OwlMail.app", "CFBundleDisplayName", "string:猫头鹰邮件"},
        {"Tally Classic.app", "CFBundleName", "string:tally"},
        {"Corvanta.app", "CFBundleIdentifier", "string:com.corvanta.app"},
        {"Utilities/Shell Station.app", "CFBundleIdentifier", "string:com.apple.sample.shellstation"},
        {"Sketchbook.app", "CFBundleIconFile", "absent"},
        {"OwlMail.app", "CFBundleIconFile", "string:OwlMail.icns"},
        {"Legacy Tool.APP", "CFBundleIdentifier", "string:com.example.legacytool"},
        {".Staging.app", "CFBundleIdentifier", "string:com.example.staging"},
        {"Games/Chess Club.app", "CFBundleIdentifier", "string:com.example.chessclub"},
    };
    for (const Row& row : rows) {
        const Plist info = infoPlist(QString::fromUtf8(row.bundle));
        EXPECT_TRUE(info) << row.bundle;
        EXPECT_EQ(describe(info.get(), row.key), row.expected) << row.bundle << " " << row.key;
    }
    const Plist ferry = infoPlist(QStringLiteral("Ferry.app"));
    const QString missing = iconPath(QStringLiteral("Ferry.app"), ferry.get());
    EXPECT_FALSE(missing.isEmpty() || QFileInfo::exists(missing)) << "Ferry names an icon it lacks";
}

TEST(SampleApps, LocalizedNamesReadInEveryStoredForm)
{
    struct Row {
        const char* file;  // bundle and .lproj folder
        const char* form;  // "plist", or the byte-order mark the text form starts with ("" for none)
        const char* displayName;
    };
    const Row rows[] = {
        {"Notebook.app/zh-Hans.lproj", "\xFF\xFE", "笔记本"},
        {"Notebook.app/en.lproj", "", "Notebook"},
        {"Quillpad.app/zh-Hans.lproj", "\xFE\xFF", "羽毛笔记"},
        {"Quillpad.app/en.lproj", "", "Quillpad \\U2014 \\\"Draft\\\""},
        {"Harbor.app/en.lproj", "plist", "Harbor FTP"},
        {"Harbor.app/zh-Hans.lproj", "plist", "港湾传输"},
        {"Orbit.app/Base.lproj", "plist", "Orbit Browser"},
    };
    for (const Row& row : rows) {
        const QString file = QString::fromUtf8(row.file);
        const QString path = samples + QLatin1Char('/') + file.section(QLatin1Char('/'), 0, 0) +
                             QStringLiteral("/Contents/Resources/") + file.section(QLatin1Char('/'), 1) +
                             QStringLiteral("/InfoPlist.strings");
        SCOPED_TRACE(path.toStdString());
        if (std::string(row.form) == "plist") {
            const Plist strings = readPlist(path);
            EXPECT_EQ(describe(strings.get(), "CFBundleDisplayName"), std::string("string:") + row.displayName);
            continue;
        }
        const QByteArray bytes = readAll(path);
        ASSERT_TRUE(bytes.startsWith(row.form));
        QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
        const QString text = decode(bytes);
        EXPECT_TRUE(text.contains(QStringLiteral("\"CFBundleDisplayName\" = \"%1\";").arg(QString::fromUtf8(row.displayName))))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String("/*")) && text.contains(QLatin1String("//")));
    }
}

TEST(SampleApps, LaunchingAnExecutableAppendsOneLineToTheLaunchLog)
{
    QTemporaryDir dir;
    const QString explicitLog = dir.filePath(QStringLiteral("launches.log"));
    const QString defaultLog = qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/Corvanta/sample-launches.log");
    QFile::remove(defaultLog);

    struct Run {
        const char* bundle;
        const char* executable;
        bool explicitLog;
    };
    const Run runs[] = {
        {"Pixel Forge.app", "PixelForge", true},
        {"Pixel Forge.app", "PixelForge", true},
        {"Utilities/Disk Medic.app", "DiskMedic", false},
    };
    for (const Run& run : runs) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (run.explicitLog) {
            env.insert(QStringLiteral("CORVANTA_LAUNCH_LOG"), explicitLog);
        } else {
            env.remove(QStringLiteral("CORVANTA_LAUNCH_LOG"));
        }
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(samples + QLatin1Char('/') + QString::fromUtf8(run.bundle) + QStringLiteral("/Contents/MacOS/") +
                          QString::fromUtf8(run.executable),
                      {QStringLiteral("--from-test")});
        ASSERT_TRUE(process.waitForFinished(30000)) << run.bundle;
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    const QStringList lines = QString::fromUtf8(readAll(explicitLog)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList fields = lines.first().split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 4);
    EXPECT_TRUE(fields[0].contains(QLatin1Char('T')) && fields[0].endsWith(QLatin1Char('Z'))) << fields[0].toStdString();
    EXPECT_EQ(fields[1], QStringLiteral("Pixel Forge"));
    EXPECT_EQ(QFileInfo(fields[2]).canonicalFilePath(),
              QFileInfo(samples + QStringLiteral("/Pixel Forge.app")).canonicalFilePath());
    EXPECT_EQ(fields[3], QStringLiteral("--from-test"));

    const QString fallback = QString::fromUtf8(readAll(defaultLog));
    EXPECT_EQ(fallback.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(fallback.contains(QStringLiteral("\tDisk Medic\t")));
}

}  // namespace
