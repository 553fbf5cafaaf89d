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

// Opens an application bundle. `open` returns at once; `done` runs later, on a thread of the
// launcher's choosing, with nothing on success or a readable description of the failure.
class AppLauncher {
public:
    using Completion = std::function<void(const std::optional<QString>& error)>;
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
    std::optional<QString> start(const QString& bundlePath) const;

private:
    std::shared_ptr<const BundleReader> m_bundles;
    TaskRunner m_runner;
};

// Records each request and answers it with the outcome set for it, at once.
class FakeAppLauncher : public AppLauncher {
public:
    void failWith(const QString& bundlePath, const QString& error);
    void open(const QString& bundlePath, Completion done) override;
    QStringList opened() const;

private:
    mutable QMutex m_mutex;
    QStringList m_opened;
    QHash<QString, QString> m_failures;
};

} // namespace corvanta
