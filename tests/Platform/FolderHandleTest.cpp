#include "Platform/FileRead.h"
#include "common/BundleBuilder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvanta;
using corvanta::test::writeFile;

namespace {

QByteArray readThrough(const FolderHandle& folder, const char* path, qsizetype maxBytes, std::vector<char>& buffer)
{
    const auto length = folder.readRegularFile(path, maxBytes, buffer);
    return length ? QByteArray(buffer.data(), qsizetype(*length)) : QByteArray("<nothing>");
}

} // namespace

// One buffer serves files of every size in turn: a large one grows it past its first read, a
// small one after it reads only its own bytes, and the bound refuses what is longer.
TEST(FolderHandle, ReadsFilesOfAnySizeIntoOneBufferWithinTheBound)
{
    QTemporaryDir dir;
    const QByteArray large(70000, 'x');
    writeFile(dir.filePath(QStringLiteral("large")), large);
    writeFile(dir.filePath(QStringLiteral("small")), "abc");
    writeFile(dir.filePath(QStringLiteral("empty")), "");
    QDir().mkpath(dir.filePath(QStringLiteral("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0644), 0);
    const auto folder = FolderHandle::open(dir.path());
    ASSERT_TRUE(folder);

    std::vector<char> buffer;
    EXPECT_EQ(readThrough(*folder, "large", -1, buffer), large);
    EXPECT_EQ(readThrough(*folder, "small", -1, buffer), "abc");
    EXPECT_EQ(readThrough(*folder, "empty", -1, buffer), "");
    EXPECT_EQ(readThrough(*folder, "large", 70000, buffer), large);
    EXPECT_EQ(readThrough(*folder, "large", 69999, buffer), "<nothing>");
    EXPECT_EQ(readThrough(*folder, "small", 2, buffer), "<nothing>");
    EXPECT_EQ(readThrough(*folder, "missing", -1, buffer), "<nothing>");
    EXPECT_EQ(readThrough(*folder, "folder", -1, buffer), "<nothing>");
    EXPECT_EQ(readThrough(*folder, "pipe", -1, buffer), ""); // no writer: nothing to wait for
}

// Whether a folder may hold folders decides whether localisations are looked for in it; a "no"
// where there is one would lose a localised name.
TEST(FolderHandle, SaysAFolderMayHoldFoldersWheneverItDoes)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("one/en.lproj")));
    QDir().mkpath(dir.filePath(QStringLiteral("two/a.lproj/b")));
    QDir().mkpath(dir.filePath(QStringLiteral("two/c.lproj")));
    QDir().mkpath(dir.filePath(QStringLiteral("none")));
    writeFile(dir.filePath(QStringLiteral("none/AppIcon.icns")), "icon");
    writeFile(dir.filePath(QStringLiteral("file")), "text");
    ASSERT_EQ(::symlink("one", QFile::encodeName(dir.filePath(QStringLiteral("linked"))).constData()), 0);
    const auto folder = FolderHandle::open(dir.path());
    ASSERT_TRUE(folder);

    EXPECT_TRUE(folder->mayHoldFolders("one"));
    EXPECT_TRUE(folder->mayHoldFolders("two"));
    EXPECT_TRUE(folder->mayHoldFolders("two/a.lproj"));
    EXPECT_TRUE(folder->mayHoldFolders("linked"));
    EXPECT_FALSE(folder->mayHoldFolders("missing"));
    EXPECT_FALSE(folder->mayHoldFolders("file"));
    // "none" holds no folder: where links count subfolders that is known, elsewhere it may.

    // A link to a folder elsewhere adds no link to the folder that holds it, and a link that leads
    // nowhere yet is one all the same.
    QDir().mkpath(dir.filePath(QStringLiteral("shared/en.lproj")));
    QDir().mkpath(dir.filePath(QStringLiteral("resources")));
    writeFile(dir.filePath(QStringLiteral("resources/AppIcon.icns")), "icon");
    ASSERT_EQ(::symlink("../shared/en.lproj", QFile::encodeName(dir.filePath(QStringLiteral("resources/en.lproj"))).constData()), 0);
    EXPECT_TRUE(folder->mayHoldFolders("resources"));
    ASSERT_EQ(::symlink("../missing", QFile::encodeName(dir.filePath(QStringLiteral("none/de.lproj"))).constData()), 0);
    EXPECT_TRUE(folder->mayHoldFolders("none"));
}
