#include "Platform/SuccessorProcess.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

namespace corvanta {

QProcessEnvironment SuccessorProcess::successorEnvironment(QProcessEnvironment environment)
{
    environment.insert(QString::fromLatin1(successionVariable), QStringLiteral("1"));
    return environment;
}

SuccessorProcess::Started SuccessorProcess::start(const QString& executable, const QProcessEnvironment& environment,
                                                  const QString& standardOutput)
{
    QProcess process;
    process.setProgram(executable);
    process.setArguments({});
    process.setProcessEnvironment(successorEnvironment(environment));
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    Started started;
    if (!process.startDetached(&started.pid)) {
        started.pid = 0;
        started.error = process.errorString();
        if (started.error.isEmpty())
            started.error = QStringLiteral("unknown error");
    }
    return started;
}

SuccessorProcess::Started SuccessorProcess::startSelf()
{
    return start(QCoreApplication::applicationFilePath(), QProcessEnvironment::systemEnvironment());
}

void SuccessorProcess::exitImmediately(int status)
{
    std::fflush(nullptr);
    ::_exit(status);
}

} // namespace corvanta
