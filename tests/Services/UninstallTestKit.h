#pragma once

#include "common/BundleBuilder.h"
#include "Services/UninstallManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

namespace corvanta::test {

// Records every tool run and answers from a script keyed by the joined argument list.
class FakeChildProcessRunner : public ChildProcessRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
    };
    ChildResult run(const QString& program, const QStringList& arguments, int, qint64) override
    {
        calls.append({program, arguments});
        const auto it = answers.find(arguments.join(u' '));
        if (it != answers.end())
            return it->second;
        ChildResult result;
        result.started = true;
        result.exitCode = 1;
        return result;
    }
    void answer(const QStringList& arguments, const QByteArray& output, int exitCode = 0)
    {
        ChildResult result;
        result.started = true;
        result.exitCode = exitCode;
        result.output = output;
        answers[arguments.join(u' ')] = result;
    }
    QList<Call> calls;
    std::map<QString, ChildResult> answers;
};

// Processes that quit after a given number of polls (never, when negative).
class FakeRunningApplications : public RunningApplications {
public:
    QList<qint64> processes(const QString&, const QString&) const override
    {
        ++queries;
        return alive;
    }
    void terminate(qint64 pid) override
    {
        terminated << pid;
        if (quitsOnRequest)
            alive.removeAll(pid);
    }
    void forceTerminate(qint64 pid) override
    {
        forced << pid;
        alive.removeAll(pid);
    }
    QList<qint64> alive;
    bool quitsOnRequest = true;
    QList<qint64> terminated, forced;
    mutable int queries = 0;
};

class FakeAdminDeleter : public AdminDeleter {
public:
    Availability availability() const override { return available; }
    QList<Result> deletePaths(const QStringList& given) override
    {
        calls << given;
        QList<Result> results;
        for (const QString& path : given) {
            paths << path;
            if (deletes && !QDir(path).removeRecursively())
                ADD_FAILURE() << "could not remove " << qPrintable(path);
            if (deletes)
                QFile::remove(path);
            results << Result{true, reportsSuccess, reportsSuccess ? QString() : QStringLiteral("User canceled.")};
        }
        return results;
    }
    QList<QStringList> calls; // one list of paths per authorisation asked for
    QStringList paths;
    bool deletes = true;
    bool reportsSuccess = true;
    Availability available = Availability::ready;
};

class FakeDockTileStore : public DockTileStore {
public:
    std::optional<QVariantList> persistentApps() override { return tiles; }
    bool setPersistentApps(const QVariantList& list) override
    {
        tiles = list;
        ++writes;
        return true;
    }
    void restartDock() override { ++restarts; }
    std::optional<QVariantList> tiles;
    int writes = 0;
    int restarts = 0;
};

// A fixture tree standing for a whole machine: <root>/Library, <root>/Applications and the home
// folder <root>/Users/me, with a second tree outside it that nothing may ever touch.
class UninstallFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_outsideDir.isValid());
        root = QDir(m_dir.path()).canonicalPath();
        outside = QDir(m_outsideDir.path()).canonicalPath();
        home = root + QStringLiteral("/Users/me");
        QDir().mkpath(home + QStringLiteral("/Library"));
        QDir().mkpath(root + QStringLiteral("/Library"));
        QDir().mkpath(root + QStringLiteral("/Applications"));
        writeFile(outside + QStringLiteral("/precious/keep.txt"), QByteArray(500, 'k'));

        env.roots.home = home;
        env.roots.systemRoot = root;
        env.roots.applicationFolders = {root + QStringLiteral("/Applications"), home + QStringLiteral("/Applications")};
        env.roots.ownBundle = root + QStringLiteral("/Applications/Corvanta.app");
        env.roots.ownStateFolders = {home + QStringLiteral("/.local/share/Corvanta")};
        env.tools.pkgutil = root + QStringLiteral("/no-such-tool/pkgutil");
        env.tools.launchctl = root + QStringLiteral("/no-such-tool/launchctl");
        env.bundles = std::make_shared<FileBundleReader>();
        env.processes = runner;
        env.running = running;
        env.admin = admin;
        env.dock = dock;
        env.now = [this] { return virtualTime; };
        env.pause = [this](double seconds) { virtualTime += seconds; };
        env.credentials = SafeFiles::Credentials::ofProcess();
    }

    void TearDown() override
    {
        // Whatever a test did, the tree outside the fixture is as it was.
        QFile keep(outside + QStringLiteral("/precious/keep.txt"));
        EXPECT_TRUE(keep.exists());
        EXPECT_EQ(keep.size(), 500);
    }

    // A plan and its execution, each by a manager of its own as a sheet and its confirmation get.
    Uninstall::UninstallPlan planFor(const AppItem& item)
    {
        UninstallManager m(env);
        return m.buildPlan(item);
    }
    Uninstall::UninstallOutcome run(const Uninstall::UninstallPlan& plan, bool includeApp = true)
    {
        UninstallManager m(env);
        return m.executeUninstall(plan, includeApp);
    }

    QString lib(const QString& rest) const { return home + QStringLiteral("/Library/") + rest; }
    QString sys(const QString& rest) const { return root + u'/' + rest; }

    void file(const QString& path, int bytes = 10) { writeFile(path, QByteArray(bytes, 'x')); }
    void folder(const QString& path) { QDir().mkpath(path); }
    void link(const QString& target, const QString& at)
    {
        QDir().mkpath(at.section(u'/', 0, -2));
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
    }
    bool exists(const QString& path) const { return SafeFiles::linkStat(path).has_value(); }

    // An application bundle with an executable named `executable` (none when empty).
    AppItem app(const QString& name, const QString& identifier, const QString& folder = QString(),
                const QString& executable = QString())
    {
        QVariantMap info = infoWith(identifier, name);
        if (!executable.isEmpty())
            info.insert(QStringLiteral("CFBundleExecutable"), executable);
        const QString path = makeBundle(folder.isEmpty() ? sys(QStringLiteral("Applications")) : folder,
                                        name + QStringLiteral(".app"), info);
        file(path + QStringLiteral("/Contents/MacOS/") + (executable.isEmpty() ? name : executable), 300);
        AppItem item;
        item.id = QUuid::createUuid();
        item.name = name;
        item.bundleIdentifier = identifier;
        item.url = QUrl::fromLocalFile(path);
        return item;
    }

    UninstallManager manager() { return UninstallManager(env); }

    QStringList residualPaths(const Uninstall::UninstallPlan& plan) const
    {
        QStringList out;
        for (const auto& item : plan.residuals)
            out << item.path().mid(root.size());
        return out;
    }

    QString root, home, outside;
    double virtualTime = 100.0;
    std::shared_ptr<FakeChildProcessRunner> runner = std::make_shared<FakeChildProcessRunner>();
    std::shared_ptr<FakeRunningApplications> running = std::make_shared<FakeRunningApplications>();
    std::shared_ptr<FakeAdminDeleter> admin = std::make_shared<FakeAdminDeleter>();
    std::shared_ptr<FakeDockTileStore> dock = std::make_shared<FakeDockTileStore>();
    UninstallEnvironment env;

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_outsideDir;
};

} // namespace corvanta::test
