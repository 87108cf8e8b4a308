// One whole redraw of the main graph as a measurement in continuous mode
// causes it: display_Display (resampling onto the 0.01 nm spline grid) and
// display_DrawGraph (crop, scaling, plot, cursor follow) for 2048 pixels of a
// 200 ... 1100 nm device.  The split benchmarks show where the time goes.
#include <benchmark/benchmark.h>

#include "bench_main_window.h"

#include <cmath>
#include <cstdlib>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/state.h"

namespace {

constexpr int kPixels = 2048;

bool Setup() {
    static bool done = false, ok = false;
    if (done)
        return ok;
    done = true;
    static char name[] = "bench_display";
    if (!bench_StartMainWindow(name))
        return false;
    hScalePanel = LoadPanel(hMainPanel, kBenchUiFile, AUTO_SCALE);
    DisplayPanel(hMainPanel);

    stParam.pixelCount = kPixels;
    if (link_AllocPixelArrays() != 0)
        return false;
    for (int i = 0; i < kPixels; ++i) {
        dLambda[i] = 200.0 + 900.0 * i / (kPixels - 1);
        const double wl = dLambda[i];
        dTrans[i] = 90.0 - 40.0 * std::exp(-std::pow((wl - 536.0) / 4.0, 2)) -
                    30.0 * std::exp(-std::pow((wl - 446.0) / 3.0, 2));
    }
    iMinWaveLen = 200;
    iMaxWaveLen = 1100;
    if (link_AllocDisplayBuffers() != 0)
        return false;
    iOffline = 0;
    iStartWaveLen = 200;
    iEndWaveLen = 1100;
    SetCtrlVal(hMainPanel, MAINP_STARTWL, 200);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, 1100);
    iSelect = SHOW_TRANSMISSION;
    iInterplMode = 7;
    iXAchse = 1;
    iClrDisplay = 1;
    iSiCont = 1; // continuous: the measure buttons stay as they are
    ok = true;
    return ok;
}

void BM_DisplayAndDraw(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no main window");
        return;
    }
    for (auto _ : state) {
        display_Display(1);
        ProcessDrawEvents(); // the queued repaint is part of what the user waits for
        benchmark::DoNotOptimize(iNumOfMeas);
    }
    state.counters["points"] = iNumOfMeas;
}
BENCHMARK(BM_DisplayAndDraw)->Unit(benchmark::kMillisecond);

void BM_ResampleOnly(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no main window");
        return;
    }
    for (auto _ : state) {
        display_Display(0);
        benchmark::DoNotOptimize(dYInterpolVal[iNumOfMeas / 2]);
    }
    state.counters["points"] = iNumOfMeas;
}
BENCHMARK(BM_ResampleOnly)->Unit(benchmark::kMillisecond);

void BM_DrawOnly(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("no main window");
        return;
    }
    display_Display(0);
    for (auto _ : state) {
        display_DrawGraph(); // the cropped arrays stay as they are
        ProcessDrawEvents();
    }
    state.counters["points"] = iNumOfMeas;
}
BENCHMARK(BM_DrawOnly)->Unit(benchmark::kMillisecond);

} // namespace
