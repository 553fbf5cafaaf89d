// A full scan of 300 and 3,000 generated bundles beside the honest floor: the least work any scan
// must do, with no library of ours in the way (readdir of each folder, open and read each
// Info.plist, parse it with libplist and free it). Each iteration runs the floor and then the
// scan, so both meet the same machine: "floor_wall_ratio" is the scan's wall time over the
// floor's, "floor_cpu_ratio" its CPU time (user and system, every thread) over the floor's; on a
// machine busy with other work the CPU figure is the fair one, as wall times there mostly measure
// waiting for a core. "scan_sys_ms" and "floor_sys_ms" are the system (kernel) share of each. The
// old bare walk (QDir, QFile and our property-list conversion) is measured once beside them,
// "ratio" being the scan's wall time over its.
#include "Platform/PropertyList.h"
#include "Services/AppScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
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

// Time spent so far: wall, CPU of the whole process (all threads) and its system share.
struct Spent {
    double wall = 0;
    double cpu = 0;
    double system = 0;

    static Spent now()
    {
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return {std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
                double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9,
                double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6};
    }
    Spent operator-(const Spent& o) const { return {wall - o.wall, cpu - o.cpu, system - o.system}; }
    Spent& operator+=(const Spent& o)
    {
        wall += o.wall;
        cpu += o.cpu;
        system += o.system;
        return *this;
    }
};

template <typename Work> Spent spentOn(Work work)
{
    const Spent start = Spent::now();
    work();
    return Spent::now() - start;
}

double secondsPerCall(const std::function<void()>& work)
{
    double wall = 0;
    for (int i = 0; i < kTimedRuns; ++i)
        wall += spentOn(work).wall;
    return wall / kTimedRuns;
}

void BM_ScanAll(benchmark::State& state)
{
    const Tree& t = tree(int(state.range(0)));
    const AppScanner s = scanner(t);
    const std::vector<std::string> folders = nativeFolders(t);
    const double bare = secondsPerCall([&] { benchmark::DoNotOptimize(bareWalk(t)); });
    Spent floor;
    Spent scan;
    for (auto _ : state) {
        floor += spentOn([&] { benchmark::DoNotOptimize(honestFloor(folders)); });
        const Spent one = spentOn([&] { benchmark::DoNotOptimize(s.scanAll()); });
        scan += one;
        state.SetIterationTime(one.wall);
    }
    const double n = double(state.iterations());
    state.counters["floor_wall_ratio"] = scan.wall / floor.wall;
    state.counters["floor_cpu_ratio"] = scan.cpu / floor.cpu;
    state.counters["floor_ms"] = floor.wall / n * 1000;
    state.counters["floor_sys_ms"] = floor.system / n * 1000;
    state.counters["scan_sys_ms"] = scan.system / n * 1000;
    state.counters["ratio"] = scan.wall / n / bare;
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

BENCHMARK(BM_ScanAll)->Arg(300)->Arg(3000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWalk)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HonestFloor)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
