#include "Support/LogFileSetup.h"

#include "Platform/FileMove.h"
#include "Support/FolderMigration.h"
#include "Support/LogLine.h"

#include <QDir>
#include <QFileInfo>

namespace corvanta {

QString logFolderPath(const QString& logsBase)
{
    return QDir::cleanPath(logsBase + QStringLiteral("/Corvanta"));
}

QString logFilePath(const QString& logsBase)
{
    return logFolderPath(logsBase) + QStringLiteral("/Corvanta.log");
}

std::unique_ptr<AppendOnlyFile> prepareLogFile(const QString& logsBase, qint64 nowMsecsSinceEpoch)
{
    const QString folder = logFolderPath(logsBase);
    moveEarlierFolder(QDir::cleanPath(logsBase + QStringLiteral("/Verdanza")), folder);
    QDir().mkpath(folder);

    const QString path = logFilePath(logsBase);
    const QFileInfo info(path);
    if (info.exists() && info.size() > logFileSetAsideSize) {
        // When the name is taken (a second start within the same second), the current file is kept
        // and appended to.
        const QString archive = folder + QStringLiteral("/Corvanta-")
                                + QString::fromStdString(LogLine::archiveTimestamp(nowMsecsSinceEpoch))
                                + QStringLiteral(".log");
        moveWithoutReplacing(path, archive);
    }

    std::unique_ptr<AppendOnlyFile> file = AppendOnlyFile::open(path);
    if (file)
        file->write(LogLine::sessionBanner(nowMsecsSinceEpoch));
    return file;
}

} // namespace corvanta
