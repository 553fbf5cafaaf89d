#include "Platform/DockRestart.h"

#include "Platform/FileRead.h"
#include "Support/Logger.h"

#include <QFileInfo>
#include <QProcess>

namespace corvanta {

bool KillallDockRestarter::processRuns() const
{
    const std::optional<QStringList> entries = listFolderNames(m_config.processRoot);
    if (!entries)
        return false;
    const QByteArray wanted = m_config.processName.toUtf8();
    for (const QString& entry : *entries) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const std::optional<QByteArray> comm = readWholeFile(m_config.processRoot + QLatin1Char('/') + entry + QStringLiteral("/comm"));
        if (comm && comm->trimmed() == wanted)
            return true;
    }
    return false;
}

void KillallDockRestarter::restart()
{
    if (!QFileInfo(m_config.tool).isExecutable() || !processRuns()) {
        CLOG_INFO(QStringLiteral("DockManager: 没有 killall 或 Dock 进程，跳过重启 Dock"));
        return;
    }
    // Owned by nobody once started: it deletes itself when the tool has finished.
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process, [process](int exitCode, QProcess::ExitStatus status) {
        if (status == QProcess::NormalExit && exitCode == 0)
            CLOG_INFO(QStringLiteral("DockManager: 已重启 Dock，新图标上屏"));
        else
            CLOG_WARN(QStringLiteral("DockManager: 重启 Dock 失败 — killall 退出码 ") + QString::number(exitCode));
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        CLOG_WARN(QStringLiteral("DockManager: 重启 Dock 失败 — ") + process->errorString());
        process->deleteLater();
    });
    process->setProgram(m_config.tool);
    process->setArguments({m_config.processName});
    process->start();
}

} // namespace corvanta
