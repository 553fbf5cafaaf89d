#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark that draws Qt items off screen: an application on the offscreen
// platform, then every benchmark of the program.
inline int runOffscreenBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
