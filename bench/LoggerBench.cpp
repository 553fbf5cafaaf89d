// What one log call costs the thread that makes it: formatting, the listeners and the hand-off to
// the writer thread (the disk write itself happens elsewhere).
#include "Platform/SystemLog.h"
#include "Support/Logger.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace corvanta;

namespace {

Logger& benchLogger(bool withSystemLog)
{
    static QTemporaryDir folder;
    static Logger fileOnly({folder.path() + QStringLiteral("/file"), nullptr, {}});
    static Logger withSyslog({folder.path() + QStringLiteral("/syslog"), std::make_shared<SyslogSystemLog>(), {}});
    return withSystemLog ? withSyslog : fileOnly;
}

void runLogCalls(benchmark::State& state, bool withSystemLog)
{
    Logger& logger = benchLogger(withSystemLog);
    const QString message = QStringLiteral("PERF warmup pages=%1 icons=%2 阶段42：完成").arg(12).arg(480);
    for (auto _ : state)
        logger.info(message, __FILE__, __func__, __LINE__);
    logger.flush(); // outside the timed loop; keeps the queue from growing across runs
    state.SetItemsProcessed(state.iterations());
}

void BM_LogCall_FileOnly(benchmark::State& state) { runLogCalls(state, false); }
void BM_LogCall_FileAndSyslog(benchmark::State& state) { runLogCalls(state, true); }

} // namespace

BENCHMARK(BM_LogCall_FileOnly);
BENCHMARK(BM_LogCall_FileOnly)->Threads(4);
BENCHMARK(BM_LogCall_FileAndSyslog);

BENCHMARK_MAIN();
