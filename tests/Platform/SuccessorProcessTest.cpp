#include "Platform/SuccessorProcess.h"
#include "common/ProcessUntil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace corvanta;

TEST(SuccessorProcess, StartsDetachedWithoutArgumentsWithTheEnvironmentPlusTheSuccessionMark)
{
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("env.txt"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("CORVANTA_PARENT_VALUE"), QStringLiteral("kept"));
    environment.insert(QStringLiteral("QUORLA_SUCCESSION"), QStringLiteral("0")); // replaced, not doubled

    // env prints its environment when it gets no arguments, and would run them as a command if it did.
    const SuccessorProcess::Started started = SuccessorProcess::start(QStringLiteral("/usr/bin/env"), environment, output);
    ASSERT_TRUE(started.ok()) << started.error.toStdString();
    EXPECT_GT(started.pid, 0);
    QByteArray printed;
    ASSERT_TRUE(test::processUntil([&] {
        QFile file(output);
        printed = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return printed.endsWith('\n');
    }));
    QList<QByteArray> lines = printed.trimmed().split('\n');
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (QList<QByteArray>{"CORVANTA_PARENT_VALUE=kept", "QUORLA_SUCCESSION=1"}));

    const SuccessorProcess::Started missing = SuccessorProcess::start(dir.filePath(QStringLiteral("no-such-program")), environment);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.pid, 0);
}
