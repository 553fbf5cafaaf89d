#pragma once

#include "Models/AppItem.h"
#include "Services/AppScanner.h"
#include "Support/Clock.h"
#include "Support/TaskRunner.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace corvanta {

class LayoutManager;

// The shell's one road to a fresh application list: scans in the background, checks which known
// applications have gone from disk, merges on the main thread and, when asked, reports what it found.
class ApplicationRescan : public QObject {
    Q_OBJECT
public:
    struct Report {
        QString message;
        QString informativeText;
    };

    struct Dependencies {
        LayoutManager* layoutManager = nullptr;
        // Shared with the scan in flight, which may still be reading it when its owner goes.
        std::shared_ptr<const AppScanner> scanner;
        const Clock* clock = nullptr;
        TaskRunner background;             // the scan runs here
        TaskRunner mainThread;             // the merge runs here
        QString homeDirectory;             // shown as "~" in folder lists
        std::function<bool(const QString& path)> fileExists;
        std::function<void(int pageCount)> onPageCount; // the engine's page count after a merge
        std::function<void(const Report&)> presentReport; // the modal alert
    };

    explicit ApplicationRescan(Dependencies dependencies, QObject* parent = nullptr);
    // Cancels, and waits for a scan that has started on its thread.
    ~ApplicationRescan() override;

    // Stops the scan in flight at its next bundle and waits until its thread has let go of
    // everything it uses; a scan still waiting for a thread will not start. Later requests are
    // ignored. For termination: the process must not end under a running scan.
    void cancel();

    void rescanApps(bool report);
    bool isScanning() const { return m_isScanning; }
    bool didFinishAppScan() const { return m_didFinishAppScan; }

    static QString identityKey(const AppItem& app);
    // `addedNames`: what the merge added to the current scene, in layout order.
    static Report makeReport(const QStringList& folders, qsizetype scannedCount, const QStringList& addedNames);
    QStringList displayedFolders() const;

Q_SIGNALS:
    void scanFinished();

private:
    // `removals`: the layout manager's removal count when the scan started.
    void finish(const QList<AppItem>& scanned, const QHash<QString, bool>& existence, quint64 removals, bool report,
                double backgroundMs);

    struct Flight;

    Dependencies m_deps;
    std::shared_ptr<Flight> m_flight;
    bool m_isScanning = false;
    bool m_didFinishAppScan = false;
};

} // namespace corvanta
