// A full scan of 300 and 3,000 generated bundles beside a bare walk that only lists the folders
// and parses each Info.plist. The "ratio" counter is the scan's time over the bare walk's.
#include "Platform/PropertyList.h"
#include "Services/AppScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

using namespace corvanta;

namespace {

constexpr int kFolders = 3;

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// Bundles spread over three folders: XML and binary Info.plists, every third one localized,
// every tenth a duplicate identifier and every twentieth an agent.
struct Tree {
    QTemporaryDir root;
    QStringList folders;

    explicit Tree(int count)
    {
        for (int f = 0; f < kFolders; ++f)
            folders << root.filePath(QStringLiteral("Applications%1").arg(f));
        for (int i = 0; i < count; ++i) {
            const QString bundle = folders.at(i % kFolders) + QStringLiteral("/App %1.app").arg(i);
            QVariantMap info{{"CFBundleIdentifier", QStringLiteral("com.example.app%1").arg(i % 10 == 9 ? i - 1 : i)},
                             {"CFBundleName", QStringLiteral("App %1").arg(i)},
                             {"CFBundleExecutable", QStringLiteral("app")},
                             {"CFBundleIconFile", QStringLiteral("AppIcon")}};
            if (i % 20 == 19)
                info.insert("LSUIElement", true);
            write(bundle + "/Contents/Info.plist", i % 2 ? PropertyList::toBinary(info) : PropertyList::toXml(info));
            QDir().mkpath(bundle + "/Contents/Resources");
            if (i % 3 == 0)
                write(bundle + "/Contents/Resources/en.lproj/InfoPlist.strings",
                      QStringLiteral("\"CFBundleDisplayName\" = \"Localized %1\";\n").arg(i).toUtf8());
        }
    }
};

const Tree& tree(int count)
{
    static std::map<int, std::unique_ptr<Tree>> trees;
    auto& slot = trees[count];
    if (!slot)
        slot = std::make_unique<Tree>(count);
    return *slot;
}

AppScanner scanner(const Tree& t)
{
    return AppScanner(t.folders, {std::make_shared<FileBundleReader>(), std::make_shared<NoDisplayNameSource>(),
                                  {"en-US"}, QLocale(QLocale::English)});
}

int bareWalk(const Tree& t)
{
    int parsed = 0;
    for (const QString& folder : t.folders) {
        const QStringList children = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& child : children)
        {
            QFile file(folder + u'/' + child + QStringLiteral("/Contents/Info.plist"));
            if (file.open(QIODevice::ReadOnly) && PropertyList::parse(file.readAll()))
                ++parsed;
        }
    }
    return parsed;
}

template <typename Work> double secondsPerCall(Work work)
{
    constexpr int kRuns = 5;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRuns;
}

void BM_ScanAll(benchmark::State& state)
{
    const Tree& t = tree(int(state.range(0)));
    const AppScanner s = scanner(t);
    const double bare = secondsPerCall([&] { benchmark::DoNotOptimize(bareWalk(t)); });
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.scanAll());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["ratio"] = seconds / double(state.iterations()) / bare;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BareWalk(benchmark::State& state)
{
    const Tree& t = tree(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bareWalk(t));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ScanAll)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWalk)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
