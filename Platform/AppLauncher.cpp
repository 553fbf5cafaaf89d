#include "Platform/AppLauncher.h"

#include <QFileInfo>
#include <QProcess>

namespace corvanta {

AppLauncher& AppLauncher::shared()
{
    static ProcessAppLauncher launcher;
    return launcher;
}

ProcessAppLauncher::ProcessAppLauncher(std::shared_ptr<const BundleReader> bundles, TaskRunner runner)
    : m_bundles(std::move(bundles)), m_runner(std::move(runner))
{
}

void ProcessAppLauncher::open(const QString& bundlePath, Completion done)
{
    m_runner([this, bundlePath, done = std::move(done)] { done(start(bundlePath)); });
}

std::optional<LaunchError> ProcessAppLauncher::start(const QString& bundlePath) const
{
    const QString name = QFileInfo(bundlePath).fileName();
    const auto bundle = m_bundles->bundle(bundlePath);
    if (!bundle)
        return LaunchError{LaunchError::Reason::notFound,
                           QStringLiteral("The application “%1” can’t be opened because it can’t be found.").arg(name)};
    const auto executable = bundle->executablePath();
    if (!executable || !QFileInfo(*executable).isFile())
        return LaunchError{LaunchError::Reason::executableMissing,
                           QStringLiteral("The application “%1” can’t be opened because its executable is missing.").arg(name)};
    if (!QFileInfo(*executable).isExecutable())
        return LaunchError{LaunchError::Reason::notExecutable,
                           QStringLiteral("The application “%1” can’t be opened because its executable is not executable.").arg(name)};
    QProcess process;
    process.setProgram(*executable);
    process.setWorkingDirectory(QFileInfo(bundlePath).absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return LaunchError{LaunchError::Reason::startFailed,
                           QStringLiteral("The application “%1” can’t be opened: %2").arg(name, process.errorString())};
    return std::nullopt;
}

void FakeAppLauncher::failWith(const QString& bundlePath, const LaunchError& error)
{
    QMutexLocker lock(&m_mutex);
    m_failures.insert(bundlePath, error);
}

void FakeAppLauncher::open(const QString& bundlePath, Completion done)
{
    std::optional<LaunchError> error;
    {
        QMutexLocker lock(&m_mutex);
        m_opened.append(bundlePath);
        if (m_failures.contains(bundlePath))
            error = m_failures.value(bundlePath);
    }
    done(error);
}

QStringList FakeAppLauncher::opened() const
{
    QMutexLocker lock(&m_mutex);
    return m_opened;
}

} // namespace corvanta
