#include "Platform/ImageFileDecoder.h"
#include "Platform/PngChunks.h"
#include "Platform/SystemIcons.h"

#include "common/BundleBuilder.h"
#include "common/PngBytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;
using namespace corvanta::test;

TEST(PngChunks, EveryChunkMustLieInsideTheBytesUpToTheEnd)
{
    const QByteArray whole = encodedPng(32);
    const struct {
        const char* name;
        QByteArray data;
        bool fits;
        bool safe;
    } cases[] = {
        {"a whole PNG", whole, true, true},
        {"bytes after the end chunk", whole + "trailing", true, true},
        {"a chunk declaring 1 GiB", pngWithOverlongChunk(32), false, false},
        {"a chunk declaring the most a length can say", pngWithOverlongChunk(32, 0xFFFFFFFF), false, false},
        {"cut inside a chunk", whole.left(whole.size() - 20), false, false},
        {"no end chunk", whole.left(whole.size() - 12), false, false},
        {"the signature alone", whole.left(8), false, false},
        {"another format", QByteArray("GIF89a") + QByteArray(32, '\0'), false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pngChunksFit(c.data), c.fits);
        EXPECT_EQ(safeForImageReader(c.data), c.safe);
    }
}

// Desktop pictures and bundle icons in other formats than ICNS go through Qt's readers; none of
// them is handed a PNG whose chunks run past its end.
TEST(PngChunks, PictureReadersRefuseAnOverlongChunk)
{
    EXPECT_EQ(ImageFileDecoder::decodeData(encodedPng(32)).size(), QSize(32, 32));
    EXPECT_TRUE(ImageFileDecoder::decodeData(pngWithOverlongChunk(32)).isNull());

    QTemporaryDir root;
    const auto iconOf = [&root](const QString& name, const QByteArray& picture) {
        const QString bundle = makeBundle(root.path(), name, {{QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon.png")}});
        writeFile(bundle + QStringLiteral("/Contents/Resources/AppIcon.png"), picture);
        return BundleIconProvider().bundleIcon(bundle);
    };
    EXPECT_EQ(iconOf(QStringLiteral("Plain.app"), encodedPng(64)).size(), QSize(64, 64));
    EXPECT_TRUE(iconOf(QStringLiteral("Hostile.app"), pngWithOverlongChunk(64)).isNull());
}
