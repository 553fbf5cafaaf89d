#include "Platform/AppLauncher.h"
#include "Platform/Bundle.h"
#include "Platform/PreferredLanguages.h"
#include "Platform/SystemIcons.h"

#include "Platform/PropertyList.h"

#include "common/BundleBuilder.h"
#include "common/HostilePropertyLists.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

using namespace corvanta;
using namespace corvanta::test;

TEST(FileBundleReader, ReadsXmlAndBinaryInfo)
{
    QTemporaryDir dir;
    for (PlistForm form : {PlistForm::Xml, PlistForm::Binary}) {
        const QString path = makeBundle(dir.path(), form == PlistForm::Xml ? "X.app" : "B.app",
                                        infoWith("com.example.x", "X"), form);
        const auto bundle = FileBundleReader().bundle(path);
        ASSERT_TRUE(bundle.has_value());
        EXPECT_EQ(bundle->identifier, "com.example.x");
        EXPECT_EQ(bundle->info.name, "X");
        EXPECT_EQ(bundle->resourcesPath, path + "/Contents/Resources");
    }
}

// The reader takes only the keys it uses from the list; what it takes is what the whole list says.
TEST(FileBundleReader, ReadsItsKeysAsTheWholeListReadsThem)
{
    QTemporaryDir dir;
    // A binary list writing CFBundleName twice (the later one counts), an executable that is a
    // number rather than a text, and LSUIElement as the real number 1.
    const QByteArray info = binaryPlist({binaryDict({1, 2, 1, 3, 4}, {5, 6, 7, 8, 9}, 1), binaryAscii("CFBundleName"),
                                         binaryAscii("CFBundleIdentifier"), binaryAscii("CFBundleExecutable"),
                                         binaryAscii("LSUIElement"), binaryAscii("first"), binaryAscii("com.example.twice"),
                                         binaryAscii("second"), QByteArray("\x10\x05", 2),
                                         QByteArray("\x23\x3F\xF0\0\0\0\0\0\0", 9)},
                                        1);
    ASSERT_EQ(PropertyList::parse(info)->toMap().value("CFBundleName"), "second");
    const QString path = makeBundle(dir.path(), "Twice.app", {});
    writeFile(path + "/Contents/Info.plist", info);

    const auto bundle = FileBundleReader().bundle(path);
    ASSERT_TRUE(bundle.has_value());
    EXPECT_EQ(bundle->identifier, "com.example.twice");
    EXPECT_EQ(bundle->info.name, "second");
    EXPECT_FALSE(bundle->info.executable.has_value());
    EXPECT_FALSE(bundle->info.displayName.has_value());
    EXPECT_TRUE(bundle->info.agent);
    EXPECT_FALSE(bundle->info.backgroundOnly);
}

TEST(FileBundleReader, FolderWithoutInfoIsABundleButAFileIsNot)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("Bare.app"));
    const auto bare = FileBundleReader().bundle(dir.filePath("Bare.app"));
    ASSERT_TRUE(bare.has_value());
    EXPECT_TRUE(bare->identifier.isEmpty());
    EXPECT_TRUE(bare->info.isEmpty());
    EXPECT_FALSE(bare->resourcesPath.has_value());

    writeFile(dir.filePath("File.app"), "x");
    EXPECT_FALSE(FileBundleReader().bundle(dir.filePath("File.app")).has_value());
    EXPECT_FALSE(FileBundleReader().bundle(dir.filePath("Missing.app")).has_value());
}

TEST(Bundle, ExecutableStaysInsideTheBundle)
{
    Bundle bundle;
    bundle.path = "/a/Calc.app";
    EXPECT_EQ(bundle.executablePath(), "/a/Calc.app/Contents/MacOS/Calc");
    bundle.info.executable = "calc-bin";
    EXPECT_EQ(bundle.executablePath(), "/a/Calc.app/Contents/MacOS/calc-bin");
    for (const char* escape : {"../../bin/sh", "..", "a/b"}) {
        bundle.info.executable = QString::fromLatin1(escape);
        EXPECT_FALSE(bundle.executablePath().has_value()) << escape;
    }
}

TEST(PreferredLanguages, CandidateOrder)
{
    const struct {
        QStringList tags;
        QStringList expected;
    } cases[] = {
        {{"zh-Hans-CN", "en-US"}, {"zh-Hans-CN", "zh-Hans", "zh", "en-US", "en", "Base"}},
        {{"en"}, {"en", "Base"}},
        {{"de-DE", "de"}, {"de-DE", "de", "en", "Base"}},
        {{"-"}, {"-", "en", "Base"}},
        {{}, {"en", "Base"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(localizationCandidates(c.tags), c.expected) << c.tags.join(',').toStdString();
}

TEST(ProcessAppLauncher, RunsTheBundleExecutableAndReportsFailures)
{
    QTemporaryDir dir;
    QVariantMap info = infoWith("com.example.run");
    info.insert("CFBundleExecutable", "run");
    const QString good = makeBundle(dir.path(), "Good.app", info);
    QDir().mkpath(good + "/Contents/MacOS");
    QFile::link("/bin/true", good + "/Contents/MacOS/run");
    const QString plain = makeBundle(dir.path(), "Plain.app", info);
    writeFile(plain + "/Contents/MacOS/run", "not executable");
    const QString empty = makeBundle(dir.path(), "Empty.app", info);

    ProcessAppLauncher launcher(std::make_shared<FileBundleReader>(), [](Task task) { task(); });
    EXPECT_EQ(launcher.start(good), std::nullopt);
    EXPECT_EQ(launcher.start(plain)->reason, LaunchError::Reason::notExecutable);
    EXPECT_TRUE(launcher.start(plain)->description.contains("not executable"));
    EXPECT_EQ(launcher.start(empty)->reason, LaunchError::Reason::executableMissing);
    EXPECT_TRUE(launcher.start(empty)->description.contains("executable is missing"));
    EXPECT_EQ(launcher.start(dir.filePath("Gone.app"))->reason, LaunchError::Reason::notFound);
    EXPECT_TRUE(launcher.start(dir.filePath("Gone.app"))->description.contains("can’t be found"));

    // The outcome arrives through the completion, from the runner's thread.
    ProcessAppLauncher pooled;
    std::promise<std::optional<LaunchError>> outcome;
    pooled.open(dir.filePath("Gone.app"), [&](const std::optional<LaunchError>& error) { outcome.set_value(error); });
    EXPECT_TRUE(outcome.get_future().get().has_value());
}

TEST(BundleIconProvider, LargestPictureOfTheNamedIconOrTheGenericOne)
{
    QTemporaryDir dir;
    QVariantMap info = infoWith("com.example.icon");
    info.insert("CFBundleIconFile", "AppIcon");
    const QString withIcon = makeBundle(dir.path(), "Icon.app", info);
    const QImage art = iconWithContent({512, 512}, {40, 40, 432, 432});
    ASSERT_TRUE(art.save(withIcon + "/Contents/Resources/AppIcon.icns", "icns"));
    const QString without = makeBundle(dir.path(), "None.app", infoWith("com.example.none"));

    BundleIconProvider icons;
    EXPECT_EQ(icons.iconForFile(withIcon).size(), QSize(512, 512));
    const QImage generic = BundleIconProvider::genericApplicationIcon();
    EXPECT_FALSE(generic.isNull());
    EXPECT_EQ(icons.iconForFile(without).cacheKey(), generic.cacheKey());
    EXPECT_EQ(icons.iconForFile(dir.filePath("Gone.app")).cacheKey(), generic.cacheKey());
}
