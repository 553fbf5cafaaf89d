// The leftover size walk over a tree of 200,000 files beside `du --apparent-size -s` on the same
// tree, alternating in one run. "throughput_vs_du" is du's time over ours: 1.0 means as fast as
// du, above 1.0 faster.
#include "Platform/ChildProcess.h"
#include "Platform/SafeFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace corvanta;

namespace {

constexpr int kTop = 20, kSub = 50, kFiles = 200; // 200,000 files in 1,020 folders

struct Tree {
    QTemporaryDir dir;
    QString path;

    Tree()
    {
        path = dir.path() + QStringLiteral("/Leftover");
        const QByteArray base = QFile::encodeName(path);
        ::mkdir(base.constData(), 0755);
        char name[4096];
        for (int t = 0; t < kTop; ++t) {
            std::snprintf(name, sizeof name, "%s/top%02d", base.constData(), t);
            ::mkdir(name, 0755);
            for (int s = 0; s < kSub; ++s) {
                std::snprintf(name, sizeof name, "%s/top%02d/sub%02d", base.constData(), t, s);
                ::mkdir(name, 0755);
                for (int f = 0; f < kFiles; ++f) {
                    std::snprintf(name, sizeof name, "%s/top%02d/sub%02d/file%03d.dat", base.constData(), t, s, f);
                    const int fd = ::open(name, O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
                    if (fd >= 0) {
                        // Sparse: the apparent size is what both measures read.
                        (void)::ftruncate(fd, off_t((t * 7919 + s * 131 + f * 17) % 20000));
                        ::close(fd);
                    }
                }
            }
        }
    }
};

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_LeftoverSizeWalkBesideDu(benchmark::State& state)
{
    static Tree tree;
    SpawnChildProcessRunner runner;
    const QStringList duArguments{QStringLiteral("--apparent-size"), QStringLiteral("-s"), QStringLiteral("-B1"), tree.path};
    // Warm the caches for both.
    benchmark::DoNotOptimize(SafeFiles::sizeOfItem(tree.path));
    runner.run(QStringLiteral("/usr/bin/du"), duArguments, 120000, 4096);

    std::vector<double> ours, du;
    qint64 bytes = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        bytes = SafeFiles::sizeOfItem(tree.path);
        benchmark::DoNotOptimize(bytes);
        ours.push_back(seconds(start));
        state.PauseTiming();
        start = std::chrono::steady_clock::now();
        const ChildResult result = runner.run(QStringLiteral("/usr/bin/du"), duArguments, 120000, 4096);
        du.push_back(seconds(start));
        if (!result.succeeded())
            state.SkipWithError("du failed");
        state.ResumeTiming();
    }
    state.counters["ours_ms"] = median(ours) * 1000;
    state.counters["du_ms"] = median(du) * 1000;
    state.counters["throughput_vs_du"] = median(du) / median(ours);
    state.counters["files_per_s"] = double(kTop * kSub * kFiles) / median(ours);
    state.counters["bytes"] = double(bytes);
}

} // namespace

BENCHMARK(BM_LeftoverSizeWalkBesideDu)->Iterations(9)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
