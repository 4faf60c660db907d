#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontDatabase>

#include <cstdlib>

// The main of a benchmark that draws widgets: an offscreen application (or
// the platform asked for in QT_QPA_PLATFORM, where the benchmark lets it)
// with the fixed-metrics test font, then every benchmark asked for.
inline int runOffscreenBenchmarks(int argc, char** argv, bool platformMayBeAsked = false)
{
    setenv("QT_QPA_PLATFORM", "offscreen", platformMayBeAsked ? 0 : 1);
    QApplication app(argc, argv);
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
