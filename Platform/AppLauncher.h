#pragma once

#include "Platform/Bundle.h"
#include "Support/TaskRunner.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace corvanta {

// Why a bundle did not start. The description is in the desktop's own words, for the log; the
// reason chooses what the user is told.
struct LaunchError {
    enum class Reason { notFound, executableMissing, notExecutable, startFailed };
    Reason reason = Reason::startFailed;
    QString description;
    bool operator==(const LaunchError&) const = default;
};

// Opens an application bundle. `open` returns at once; `done` runs later, on a thread of the
// launcher's choosing, with nothing on success or the failure.
class AppLauncher {
public:
    using Completion = std::function<void(const std::optional<LaunchError>& error)>;
    virtual ~AppLauncher() = default;
    virtual void open(const QString& bundlePath, Completion done) = 0;

    static AppLauncher& shared();
};

// Runs the bundle's Contents/MacOS/<CFBundleExecutable> as a detached process with no arguments
// and the bundle's parent folder as working folder; never through a shell.
class ProcessAppLauncher : public AppLauncher {
public:
    explicit ProcessAppLauncher(std::shared_ptr<const BundleReader> bundles = std::make_shared<FileBundleReader>(),
                                TaskRunner runner = threadPoolRunner());
    void open(const QString& bundlePath, Completion done) override;

    // The synchronous part, on the caller's thread.
    std::optional<LaunchError> start(const QString& bundlePath) const;

private:
    std::shared_ptr<const BundleReader> m_bundles;
    TaskRunner m_runner;
};

// Records each request and answers it with the outcome set for it, at once.
class FakeAppLauncher : public AppLauncher {
public:
    void failWith(const QString& bundlePath, const LaunchError& error);
    void open(const QString& bundlePath, Completion done) override;
    QStringList opened() const;

private:
    mutable QMutex m_mutex;
    QStringList m_opened;
    QHash<QString, LaunchError> m_failures;
};

} // namespace corvanta
