// A full scan of 300 and 3,000 generated bundles beside the honest floor: the least work any scan
// must do, with no library of ours in the way (readdir of each folder, open and read each
// Info.plist, parse it with libplist and free it). Each scan run measures the floor in the same
// run and reports "floor_ratio", the scan's time over the floor's. The old bare walk (QDir, QFile
// and our property-list conversion) stays beside them for comparison. The floor runs on one
// thread; the scan reads large folders on every core, so "floor_cpu_ratio" (the scan's CPU time,
// all threads, over the floor's CPU time) says what that costs the machine, and is the fair figure
// on a machine busy with other work, where wall times mostly measure waiting for a core.
#include "Platform/PropertyList.h"
#include "Services/AppScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <dirent.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace corvanta;

namespace {

constexpr int kFolders = 3;
// Calls per figure of secondsPerCall().
constexpr int kTimedRuns = 5;

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

// The floor: POSIX directory reads and file reads, one libplist parse per bundle.
int honestFloor(const std::vector<std::string>& folders)
{
    int parsed = 0;
    std::vector<char> buffer(1 << 16);
    for (const std::string& folder : folders) {
        DIR* dir = opendir(folder.c_str());
        if (!dir)
            continue;
        while (const dirent* entry = readdir(dir)) {
            const size_t length = std::strlen(entry->d_name);
            if (entry->d_name[0] == '.' || length < 5 || std::strcmp(entry->d_name + length - 4, ".app") != 0)
                continue;
            const std::string path = folder + '/' + entry->d_name + "/Contents/Info.plist";
            const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            const ssize_t size = read(fd, buffer.data(), buffer.size());
            close(fd);
            plist_t root = nullptr;
            if (size > 0)
                plist_from_memory(buffer.data(), uint32_t(size), &root);
            if (root) {
                ++parsed;
                plist_free(root);
            }
        }
        closedir(dir);
    }
    return parsed;
}

std::vector<std::string> nativeFolders(const Tree& t)
{
    std::vector<std::string> folders;
    for (const QString& folder : t.folders)
        folders.push_back(folder.toStdString());
    return folders;
}

// CPU seconds of the whole process (all threads) so far.
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Work> double secondsPerCall(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kTimedRuns; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kTimedRuns;
}

void BM_ScanAll(benchmark::State& state)
{
    const Tree& t = tree(int(state.range(0)));
    const AppScanner s = scanner(t);
    const std::vector<std::string> folders = nativeFolders(t);
    const double bare = secondsPerCall([&] { benchmark::DoNotOptimize(bareWalk(t)); });
    const double floorCpuBefore = processCpuSeconds();
    const double floor = secondsPerCall([&] { benchmark::DoNotOptimize(honestFloor(folders)); });
    const double floorCpu = (processCpuSeconds() - floorCpuBefore) / kTimedRuns;
    const double cpuBefore = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.scanAll());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perScan = seconds / double(state.iterations());
    // The scan reads large folders on every core, the floor on one: the wall-clock ratio is what
    // the user waits, the CPU ratio what the machine pays.
    state.counters["floor_cpu_ratio"] = (processCpuSeconds() - cpuBefore) / double(state.iterations()) / floorCpu;
    state.counters["ratio"] = perScan / bare;
    state.counters["floor_ms"] = floor * 1000;
    state.counters["floor_ratio"] = perScan / floor;
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

void BM_HonestFloor(benchmark::State& state)
{
    const std::vector<std::string> folders = nativeFolders(tree(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(honestFloor(folders));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_ScanAll)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWalk)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HonestFloor)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
