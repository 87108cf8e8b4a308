// A statistics run of 100 measurements of 2048 pixels: storing them as the
// measurement sequence hands them over, then building the table window
// (columns, progress, mean and deviation).  The computation alone shows what
// the table costs on top.
#include <benchmark/benchmark.h>

#include "bench_main_window.h"

#include <cmath>
#include <cstdlib>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/stats.h"

namespace {

constexpr int kPixels = 2048;
constexpr int kMeasurements = 100;

bool Setup() {
    static bool done = false, ok = false;
    if (done)
        return ok;
    done = true;
    static char name[] = "bench_stats";
    if (!bench_StartMainWindow(name))
        return false;
    hStatTable = LoadPanel(0, kBenchUiFile, STATISTICS);
    hProgressPanel = LoadPanel(hMainPanel, kBenchUiFile, PROGRESS_P);
    if (hStatTable <= 0 || hProgressPanel <= 0)
        return false;
    stParam.pixelCount = kPixels;
    if (link_AllocPixelArrays() != 0)
        return false;
    ok = true;
    return ok;
}

// The next "measurement": a smooth curve with a little variation per call.
void NextDark(int k) {
    for (int i = 0; i < kPixels; ++i)
        dDark[i] = 1000.0 + 500.0 * std::sin(i * 0.003) + ((i * 7919 + k * 104729) % 97) * 0.5;
}

void Collect() {
    main_StatisticsCloseDelete();
    indxStatistics = 1;
    for (int k = 0; k < kMeasurements; ++k) {
        NextDark(k);
        main_UpdateTable(MEAS_DARK);
    }
}

void BM_Collect100(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no user interface");
        return;
    }
    for (auto _ : state) {
        Collect();
        benchmark::DoNotOptimize(dStatistValues.data());
    }
}
BENCHMARK(BM_Collect100)->Unit(benchmark::kMillisecond);

void BM_BuildTable100(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no user interface");
        return;
    }
    Collect();
    for (auto _ : state) {
        iStat_CreatedTable = 0;
        main_PrintStatisticsTable(MEAS_DARK);
    }
}
BENCHMARK(BM_BuildTable100)->Unit(benchmark::kMillisecond);

void BM_CollectAndBuild100(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no user interface");
        return;
    }
    for (auto _ : state) {
        Collect();
        main_PrintStatisticsTable(MEAS_DARK);
    }
}
BENCHMARK(BM_CollectAndBuild100)->Unit(benchmark::kMillisecond);

void BM_Compute100(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no user interface");
        return;
    }
    Collect();
    for (auto _ : state)
        benchmark::DoNotOptimize(stats_Compute(dStatistValues, indxStatistics));
}
BENCHMARK(BM_Compute100)->Unit(benchmark::kMillisecond);

} // namespace
