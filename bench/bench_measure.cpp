// Continuous measurement against the simulated instrument: spectra per second
// at 1 ms integration time on 2048 pixels, and how a cycle splits into waiting
// on the instrument and our own work (conversion, smoothing, display).
//
// The wait is timed through the measurement clock: from the first reading of
// an acquisition's polling to its last.  Everything else of the cycle is ours.
#include <benchmark/benchmark.h>

#include "bench_main_window.h"

#include <chrono>
#include <cstdio>

#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zolt_core.h"
#include "zolt_sim.h"
#include "zoltmath.h"

namespace {

double g_first = -1.0, g_last = 0.0;

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Real time, noting the span of the readings since the last reset.
double RecordingClock() {
    const double t = Now();
    if (g_first < 0.0)
        g_first = t;
    g_last = t;
    return t;
}

bool Setup() {
    static bool done = false, ok = false;
    if (done)
        return ok;
    done = true;
    static char name[] = "bench_measure";
    if (!bench_StartMainWindow(name))
        return false;
    SetPanelMenuBar(hMainPanel, hMenuBar);
    hSmoothPanel = LoadPanel(0, kBenchUiFile, SMOOTHFLTR);
    if (hSmoothPanel <= 0)
        return false;
    orvalin_Wire();

    zsim_Reset();
    if (ZOLT_OpenDevice(0, &dwCurrentDevice) != 0)
        return false;
    ZOLT_GetPixel(dwCurrentDevice, &stParam.pixelCount);
    ZOLT_GetFit(dwCurrentDevice, stParam.fit);
    ZOLT_GetSDelay(dwCurrentDevice, &stParam.sDelay);
    stParam.baudrate = 115000;
    if (link_AllocPixelArrays() != 0)
        return false;
    zoltmath_Fitpolynom(dLambda, stParam.fit[0], stParam.fit[1], stParam.fit[2], stParam.fit[3],
                        stParam.fit[4], stParam.pixelCount);
    iMinWaveLen = static_cast<int>(dLambda[0]);
    iMaxWaveLen = static_cast<int>(dLambda[stParam.pixelCount - 1]) + 1;
    if (link_AllocDisplayBuffers() != 0)
        return false;
    iOffline = 0;

    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1.0);
    SetCtrlVal(hMainPanel, MAINP_AVER, 1);
    // Savitzky-Golay smoothing on, as a user who smooths would run it.
    SetMenuBarAttribute(hMenuBar, MENUBAR_SavGolMenu, ATTR_CHECKED, 1);
    inL = inR = 3;
    iDeg = 2;
    char reply[ZOLT_REPLY_MAX];
    iCbSelect = MEAS_DARK;
    main_Measure();
    ZOLT_ArbitraryCommand(dwCurrentDevice, "*contr:lamp 1\r", reply);
    iCbSelect = MEAS_REFERENCE;
    main_Measure();
    ok = (iMess & 3) == 3;
    if (ok)
        zsim_SetSample(0, ZSIM_SAMPLE_HOLMIUM);
    return ok;
}

// One tick of continuous transmission measurement, as the timer runs it.
void BM_ContinuousTransmission(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("set-up failed");
        return;
    }
    measure_SetClock(RecordingClock);
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    iCbSelect = MEAS_TRANSMISSION;
    double wait = 0.0, total = 0.0;
    for (auto _ : state) {
        g_first = -1.0;
        const double t0 = Now();
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        total += Now() - t0;
        if (g_first >= 0.0)
            wait += g_last - g_first;
        if (iSiCont == 0) {
            state.SkipWithError("continuous mode ended (a step failed)");
            break;
        }
    }
    CancelContinuous();
    measure_SetClock(nullptr);
    const double n = static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations());
    if (n > 0) {
        state.counters["wait_ms"] = wait / n * 1e3;
        state.counters["own_ms"] = (total - wait) / n * 1e3;
        state.counters["own_share"] = total > 0 ? (total - wait) / total : 0.0;
    }
}
BENCHMARK(BM_ContinuousTransmission)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Our own work alone: a derivative step converts and displays without the
// instrument.
void BM_DerivativeStep(benchmark::State& state) {
    if (!Setup()) {
        state.SkipWithError("set-up failed");
        return;
    }
    iSiCont = 0;
    for (auto _ : state) {
        iCbSelect = MEAS_DERIVATIVE;
        main_Measure();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DerivativeStep)->Unit(benchmark::kMillisecond);

} // namespace
