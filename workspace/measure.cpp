// The measurement sequence: acquisition, conversion into the derived spectra,
// display, output links and the statistics hook.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

#include "export/export_hooks.h"
#include "export/output_links.h"
#include "link/core_call.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/state.h"
#include "workspace/stats.h"
#include "zolt_core.h"
#include "zolt_spectro_ex.h"
#include "zoltmath.h"

int spectra = 0;
int ixStartPeakLines = 0;
int ixEndPeakLines = 0;

namespace {

int g_running = 0;               // a step is inside main_Measure
int g_stepContinuous = 0;        // the mode the running step began in
void (*g_quitAfter)() = nullptr; // quit asked for during the step
double (*g_clock)() = nullptr;
// The transmission was taken after the current dark and reference and no
// other sample has been measured since: the one the derivatives derive.
bool g_transLatest = false;

// What the running step measures with.  The controls stay live while it
// polls, so a change made meanwhile is undone rather than mixing two
// settings (or a cleared dark) into one measured set.
struct HeldControls {
    double tint = 0.0;
    int aver = 1;
} g_held;

// Entries made during a continuous step, applied when it ends.
struct PendingEntries {
    bool tint = false;
    double tintValue = 0.0;
    bool aver = false;
    int averValue = 1;
} g_pending;

// Shows the step's value again; in continuous mode what was entered is kept
// for when the step ends.
template <typename T> void KeepForLater(int control, T held, bool& pending, T& value) {
    T typed = held;
    GetCtrlVal(hMainPanel, control, &typed);
    if (g_stepContinuous && typed != held) {
        pending = true;
        value = typed;
    }
    SetCtrlVal(hMainPanel, control, held);
}

void ApplyPendingEntries() {
    const PendingEntries pending = g_pending;
    g_pending = {};
    if (pending.aver) {
        SetCtrlVal(hMainPanel, MAINP_AVER, pending.averValue);
        SetAver(hMainPanel, MAINP_AVER, EVENT_COMMIT, nullptr, 0, 0);
    }
    if (pending.tint) {
        SetCtrlVal(hMainPanel, MAINP_INTTIME, pending.tintValue);
        SetTint(hMainPanel, MAINP_INTTIME, EVENT_COMMIT, nullptr, 0, 0);
    }
}

// Dimmed for a single step, so the user sees they are not to be changed.
constexpr int kStepControls[] = {MAINP_INTTIME, MAINP_AVER, MAINP_SCANMODE};

void HoldControls() {
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &g_held.tint);
    GetCtrlVal(hMainPanel, MAINP_AVER, &g_held.aver);
}

constexpr double kSecondPhaseLimit = 30.0; // s after the estimated time
constexpr double kAdaptionLimit = 120.0;   // s

int PixelCount() {
    return stParam.pixelCount > 0 ? stParam.pixelCount : 0;
}

bool ArraysReady() {
    const int n = PixelCount();
    return n > 0 && iAllocatedPixels >= n && iRowDark && iRowLight && dDark && dLight &&
           dReferenz && dTrans && dAbsorb && dFormel1 && dFormel2 && dLambda;
}

void SetDimmed(int control, int dimmed) {
    SetCtrlAttribute(hMainPanel, control, ATTR_DIMMED, dimmed);
}

void MenuDimmed(int item, int dimmed) {
    SetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, dimmed);
}

int ShownIndex(int kind) {
    switch (kind) {
    case MEAS_DARK:
        return SHOW_DARK;
    case MEAS_REFERENCE:
        return SHOW_REFERENCE;
    case MEAS_TRANSMISSION:
        return SHOW_TRANSMISSION;
    case MEAS_ABSORBANCE:
        return SHOW_ABSORBANCE;
    case MEAS_DERIVATIVE:
        return SHOW_DERIVATIVE;
    case MEAS_SERIES:
        return SHOW_SERIES;
    default:
        return SHOW_NONE;
    }
}

// Buttons after a failed or broken step.  The step's own kind stays
// available for a retry, but never a kind whose input spectra were not
// present before the step (`before` = iMess on entry).
void SetButtonsAfterFailure(int kind, int before) {
    if (kind == MEAS_SERIES)
        return;
    const bool haveDark = (before & MEAS_DARK) != 0;
    const bool haveRef = (before & MEAS_REFERENCE) != 0;
    bool ref = false, trans = false, abs = false;
    int graph = SHOW_DARK;
    switch (kind) {
    case MEAS_DARK:
        break;
    case MEAS_REFERENCE:
        ref = haveDark;
        break;
    case MEAS_TRANSMISSION:
        ref = haveDark;
        trans = haveRef;
        graph = SHOW_REFERENCE;
        break;
    case MEAS_ABSORBANCE:
        ref = haveDark;
        trans = abs = haveRef;
        graph = SHOW_TRANSMISSION;
        break;
    default:
        break;
    }
    SetDimmed(MAINP_DARK, 0);
    SetDimmed(MAINP_REFERENCE, ref ? 0 : 1);
    SetDimmed(MAINP_TRANSMISSION, trans ? 0 : 1);
    SetDimmed(MAINP_ABSORBANCE, abs ? 0 : 1);
    // The failed step emptied the measured set: nothing left to derive.
    SetDimmed(MAINP_FORMULA, 1);
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, graph);
}

// Savitzky-Golay smoothing of y[0 .. n-1] in place; left unsmoothed when the
// coefficients cannot be computed.
void SmoothSavGolInPlace(double* y, int n) {
    ZoltMathArray sgCoef = zoltmath_CoefSavGol(inL, inR, iDeg);
    if (!sgCoef)
        return;
    ZoltMathArray sgSpec = zoltmath_SmoothSavGol(y, n, sgCoef.get(), inL, inR);
    if (!sgSpec)
        return;
    for (int i = 0; i < n; ++i)
        y[i] = sgSpec[i];
}

void ConvertReference(int n) {
    for (int i = 0; i < n; ++i)
        dReferenz[i] = dLight[i] - dDark[i];
    ZoltMathCorrection corr;
    corr.pixelCount = n;
    corr.correctionStat = stParam.correctionStat;
    corr.corrRange1First = stParam.corrRange1First;
    corr.corrRange1Last = stParam.corrRange1Last;
    corr.corrRange2First = stParam.corrRange2First;
    corr.corrRange2Last = stParam.corrRange2Last;
    for (int k = 0; k < 4; ++k)
        corr.corrCoeff[k] = stParam.corrCoeff[k];
    calc_UVCorrection(dReferenz, corr);

    GetMenuBarAttribute(hMenuBar, MENUBAR_SavGolMenu, ATTR_CHECKED, &iSvGlChecked);
    GetMenuBarAttribute(hMenuBar, MENUBAR_BoxcarMenu, ATTR_CHECKED, &iBxcrChecked);
    GetCtrlVal(hSmoothPanel, SMOOTHFLTR_BOXCARPAR, &iBxcrParam);
    if (iSvGlChecked)
        SmoothSavGolInPlace(dReferenz, n);
    if (iBxcrChecked && iBxcrParam != 1)
        zoltmath_Boxcar(dReferenz, iBxcrParam, n);
}

void ConvertTransmission(int n) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        x[static_cast<size_t>(i)] = dLight[i] - dDark[i];
    if (iSvGlChecked) {
        SmoothSavGolInPlace(x.data(), n);
    } else if (iBxcrChecked && iBxcrParam != 1) {
        int width = iBxcrParam;
        GetCtrlVal(hSmoothPanel, SMOOTHFLTR_BOXCARPAR, &width);
        zoltmath_Boxcar(x.data(), width, n);
    }
    for (int i = 0; i < n; ++i)
        dTrans[i] = dReferenz[i] > 0.0 ? x[static_cast<size_t>(i)] / dReferenz[i] * 100.0 : 0.0;
}

void ConvertAbsorbance(int n) {
    for (int i = 0; i < n; ++i) {
        double x = dLight[i] - dDark[i];
        if (x <= 0.9)
            x = 1.0;
        const double q = dReferenz[i] / x;
        dAbsorb[i] = q >= 1.0 ? std::log10(q) : 0.0;
    }
}

// Central difference; equal wavelengths (a flat calibration) give 0 rather
// than an infinity that would poison the display.
double Slope(double dy, double dx) {
    return dx != 0.0 ? dy / dx : 0.0;
}

void Derivatives(int n) {
    std::vector<double> tmp(static_cast<size_t>(n > 0 ? n : 0), 0.0);
    for (int i = 1; i + 1 < n; ++i) {
        dFormel1[i] = Slope(dTrans[i - 1] - dTrans[i + 1], dLambda[i - 1] - dLambda[i + 1]);
        tmp[static_cast<size_t>(i)] = dFormel1[i];
    }
    for (int i = 2; i + 2 < n; ++i)
        dFormel2[i] = Slope(tmp[static_cast<size_t>(i - 1)] - tmp[static_cast<size_t>(i + 1)],
                            dLambda[i - 1] - dLambda[i + 1]);
}

void StatisticsHook(int mode) {
    if (iStatisticsParam == 0 || iStatisticsParam != mode)
        return;
    g_workspaceHooks.main_UpdateTable(mode);
    indxColumn += 1;
    if (indxColumn < iMeasTask)
        return;
    if (iSiCont)
        CancelContinuous();
    if (usStatMesFlag == 0) {
        MessagePopup("Message", cStatMsg1);
        usStatMesFlag = 1;
    }
    InstallPopup(hStatWaitInf);
    g_workspaceHooks.main_PrintStatisticsTable(mode);
    iStatisticsParam = 0;
    RemovePopup(hStatWaitInf);
    DisplayPanel(hStatTable);
}

// One step of kind `mode`, with the dark-plus-reference chaining.
int MeasureSteps(int mode) {
    for (;;) {
        if (iOffline || !ArraysReady()) {
            MenuDimmed(MENUBAR_FILE_OPEN, 1);
            return -1;
        }
        // Nothing to derive (the set was cleared while continuous
        // derivatives ran): there is nothing to measure either.
        if (mode == MEAS_DERIVATIVE && !measure_DerivationReady()) {
            if (iSiCont)
                CancelContinuous();
            return 0;
        }
        const int n = PixelCount();
        set_CheckFFT();
        if (mode == MEAS_REFERENCE) {
            GetCtrlVal(hMainPanel, MAINP_STARTWL, &ixStartPeakLines);
            GetCtrlVal(hMainPanel, MAINP_ENDWL, &ixEndPeakLines);
        }
        if (g_stepContinuous == 0)
            set_MeasBtns(1);
        if (mode == MEAS_DARK) {
            if (iCheckBoxAdapt && iCheckBoxDarkRef) {
                fileio_Log_SectionCall("main_Measure, comm_AdaptionFirmware");
                dwError = comm_AdaptionFirmware();
                fileio_Log_SectionResult(dwError);
                HoldControls(); // the adaption set its own integration time
            } else {
                char reply[ZOLT_COMMAND_REPLY_MAX] = {0}; // a command, not a query
                link_CoreCallKeep("main_Measure, ZOLT_ArbitraryCommand *contr:lamp 0",
                                  ZOLT_ArbitraryCommand, dwCurrentDevice, "*contr:lamp 0\r", reply);
            }
        }
        if (mode != MEAS_DERIVATIVE)
            SetDimmed(MAINP_MEASURED, 0);

        int storedView = 0;
        GetMenuBarAttribute(hMenuBar, MENUBAR_FILE, ATTR_CHECKED, &storedView);
        if (storedView) {
            SetMenuBarAttribute(hMenuBar, MENUBAR_FILE, ATTR_CHECKED, 0);
            SetMenuBarAttribute(hMenuBar, MENUBAR_KESTRO, ATTR_CHECKED, 0);
            SetMenuBarAttribute(hMenuBar, MENUBAR_COMPARE, ATTR_MENU_DIMMED, 0);
            SetMenuBarAttribute(hMenuBar, MENUBAR_COMPARE, ATTR_CHECKED, 1);
            iCompare = 2;
        }

        const int before = iMess;
        // Continuous derivatives follow the sample: every tick takes a new
        // transmission first.
        const int acquired =
            mode != MEAS_DERIVATIVE ? mode : (g_stepContinuous ? MEAS_TRANSMISSION : 0);
        if (acquired != 0) {
            if (ErrorCheck(SpecRead(acquired)) != ZOLT_OK) {
                if (iSiCont)
                    CancelContinuous();
                iMess = 0;
                SetButtonsAfterFailure(acquired, before);
                return 0;
            }
            GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint_prev);
        }
        MenuDimmed(MENUBAR_FILE_SAVE, 0);

        switch (acquired) {
        case MEAS_REFERENCE:
            ConvertReference(n);
            break;
        case MEAS_TRANSMISSION:
            ConvertTransmission(n);
            break;
        case MEAS_ABSORBANCE:
            ConvertAbsorbance(n);
            break;
        default:
            break;
        }
        // The derivatives always belong to the transmission in dTrans.
        if (acquired == MEAS_TRANSMISSION || mode == MEAS_DERIVATIVE)
            Derivatives(n);
        if (acquired != 0)
            g_transLatest = acquired == MEAS_TRANSMISSION;
        if (mode == MEAS_DARK)
            iMess = MEAS_DARK;
        else
            iMess |= mode | acquired;
        stSavedMeas.measured = iMess;
        iSelect = ShownIndex(mode);

        int shown = 0;
        GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
        if (shown != iSelect)
            display_ClearMainGraph();
        SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, iSelect);
        if (iClrDisplay == 0 && spectra == iSelect && iNumOfMeas > 1 && dXInterpolVal &&
            dYInterpolVal && iNumOfMeas <= iAllocatedDisplay)
            PlotXY(hMainPanel, MAINP_SPECGRAPH, dXInterpolVal, dYInterpolVal, iNumOfMeas,
                   VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0xC0C0C0);
        spectra = iSelect;
        display_Display(1);

        // The outputs follow the mode the step began in, not a switch
        // flipped while it polled.
        if (g_stepContinuous) {
            int saveCont = 0;
            GetCtrlVal(hMainPanel, MAINP_SAVECONT, &saveCont);
            if (iTableOpen == 1 && saveCont)
                g_exportHooks.main_WriteToXLS(1);
            if (iCSV)
                g_exportHooks.main_WriteCsv();
            else if (iASCII)
                g_exportHooks.main_WriteCap();
        }
        StatisticsHook(mode);
        series_CollectStep(mode);
        set_UndimMeasButtons();
        ProcessDrawEvents();

        // A break or a quit asked for while this step ran also stops the
        // reference that would follow.
        if (mode == MEAS_DARK && iCheckBoxDarkRef && !iBreakMeas && !g_quitAfter) {
            mode = MEAS_REFERENCE;
            continue;
        }
        return 0;
    }
}

bool KnownKind(int mode) {
    return mode == MEAS_DARK || mode == MEAS_REFERENCE || mode == MEAS_TRANSMISSION ||
           mode == MEAS_ABSORBANCE || mode == MEAS_DERIVATIVE || mode == MEAS_SERIES;
}

bool StatusKeepsPolling(int status) {
    return status == ZOLT_OK || status == ZOLT_E_BUSY;
}

// The acquisition between switching the device events off and on again.
int Acquire(int mode, double estimated) {
    const bool dark = mode == MEAS_DARK;
    const int n = PixelCount();
    const uint16_t averages = static_cast<uint16_t>(iAverage);
    int status = dark ? link_CoreCallKeep("SpecRead, ZOLT_StartDarkEx", ZOLT_StartDarkEx,
                                          dwCurrentDevice, fTint, averages)
                      : link_CoreCallKeep("SpecRead, ZOLT_StartLightEx", ZOLT_StartLightEx,
                                          dwCurrentDevice, fTint, averages);
    if (status != ZOLT_OK) {
        if (!iSiCont)
            SetCtrlAttribute(hMainPanel, MAINP_WAITING, ATTR_VISIBLE, 0);
        return status;
    }

    int32_t busy = 1;
    char text[64];
    // A busy status keeps the wait going like a busy flag.
    auto poll = [&](const char* breakText) {
        if (iBreakMeas) {
            link_CoreCall(breakText, ZOLT_Break, dwCurrentDevice);
        }
        int32_t b = 1;
        dwError = ZOLT_SpectroStatusEx(dwCurrentDevice, &b);
        busy = dwError == ZOLT_E_BUSY ? 1 : b;
        ProcessDrawEvents();
        ProcessSystemEvents();
    };

    double start = measure_Timer();
    for (;;) {
        const double elapsed = measure_Timer() - start;
        std::snprintf(text, sizeof text, "ESTIMATED TIME: %4.1f s", estimated - elapsed);
        SetCtrlVal(hMainPanel, MAINP_WAITING, text);
        poll("SpecRead, ZOLT_Break#1");
        if (!(elapsed < estimated && busy != 0 && StatusKeepsPolling(dwError)))
            break;
    }

    SetCtrlVal(hMainPanel, MAINP_WAITING, "");
    SetCtrlVal(hMainPanel, MAINP_WAITING, "please wait...");
    start = measure_Timer();
    for (;;) {
        const double elapsed = measure_Timer() - start;
        poll("SpecRead, ZOLT_Break#2");
        if (!(elapsed < kSecondPhaseLimit && busy != 0 && StatusKeepsPolling(dwError)))
            break;
    }
    SetCtrlVal(hMainPanel, MAINP_WAITING, "");
    if (busy != 0 && StatusKeepsPolling(dwError)) {
        // Still measuring after the whole wait: stop the device so the next
        // start does not find it busy, and report the time-out.
        link_CoreCall("SpecRead, ZOLT_Break (time-out)", ZOLT_Break, dwCurrentDevice);
        dwError = ZOLT_E_BUSY;
        return ZOLT_E_BUSY;
    }
    if (dwError != ZOLT_OK) {
        // The status call failed, not necessarily the measurement: stop the
        // device so the next start does not find it busy.
        const int failed = dwError;
        link_CoreCall("SpecRead, ZOLT_Break (status error)", ZOLT_Break, dwCurrentDevice);
        dwError = failed;
        return failed;
    }
    if (!iSiCont)
        SetCtrlAttribute(hMainPanel, MAINP_WAITING, ATTR_VISIBLE, 0);

    if (iBreakMeas == 1) {
        if (iSiCont)
            CancelContinuous();
        int32_t* raw = dark ? iRowDark : iRowLight;
        for (int i = 0; i < n; ++i)
            raw[i] = 0;
        iBreakMeas = 0;
        return kStatusUserBreak;
    }

    if (dark) {
        status =
            link_CoreCall("SpecRead, ZOLT_DarkPixEx", ZOLT_DarkPixEx, dwCurrentDevice, iRowDark);
        if (status == ZOLT_OK)
            for (int i = 0; i < n; ++i)
                dDark[i] = static_cast<double>(iRowDark[i]);
    } else {
        status =
            link_CoreCall("SpecRead, ZOLT_LightPixEx", ZOLT_LightPixEx, dwCurrentDevice, iRowLight);
        if (status == ZOLT_OK)
            for (int i = 0; i < n; ++i)
                dLight[i] = static_cast<double>(iRowLight[i]);
    }
    dwError = status;
    return status;
}

} // namespace

double measure_Timer() {
    if (g_clock)
        return g_clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void measure_SetClock(double (*now)()) {
    g_clock = now;
}

int measure_DerivationReady() {
    return (iMess & MEAS_TRANSMISSION) != 0 && g_transLatest ? 1 : 0;
}

int measure_IsRunning() {
    return g_running ? 1 : 0;
}

int measure_ContinuousStepRunning() {
    return g_running && g_stepContinuous ? 1 : 0;
}

int measure_RequestQuitAfter(void (*quit)()) {
    if (!g_running)
        return 0;
    g_quitAfter = quit;
    iBreakMeas = 1;
    return 1;
}

int measure_AfterStepPending() {
    return g_quitAfter != nullptr ? 1 : 0;
}

void measure_ResetState() {
    iCheckBoxDarkRef = 0;
    iCheckBoxAdapt = 0;
    spectra = 0;
    ixStartPeakLines = 0;
    ixEndPeakLines = 0;
    g_running = 0;
    g_stepContinuous = 0;
    g_quitAfter = nullptr;
    g_transLatest = false;
    g_pending = {};
}

int measure_RefuseDuringStep(int control) {
    if (!g_running)
        return 0;
    switch (control) {
    case MAINP_INTTIME:
        KeepForLater(MAINP_INTTIME, g_held.tint, g_pending.tint, g_pending.tintValue);
        return 1;
    case MAINP_AVER:
        KeepForLater(MAINP_AVER, g_held.aver, g_pending.aver, g_pending.averValue);
        return 1;
    case MAINP_SCANMODE: {
        if (g_stepContinuous)
            return 0; // leaving continuous mode takes effect at the next tick
        SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
        return 1;
    }
    default:
        return 0;
    }
}

int main_Measure() {
    if (g_running)
        return 0;
    const int mode = iCbSelect;
    if (!KnownKind(mode))
        return 0;
    g_running = 1;
    g_stepContinuous = iSiCont ? 1 : 0;
    HoldControls();
    int wasDimmed[std::size(kStepControls)] = {};
    if (!g_stepContinuous) {
        for (std::size_t i = 0; i < std::size(kStepControls); ++i) {
            GetCtrlAttribute(hMainPanel, kStepControls[i], ATTR_DIMMED, &wasDimmed[i]);
            SetDimmed(kStepControls[i], 1);
        }
    }
    // Only a break asked for during this step counts.
    iBreakMeas = 0;
    int result;
    {
        DeviceCommandScope deviceBusy;
        result = MeasureSteps(mode);
    }
    if (!g_stepContinuous)
        for (std::size_t i = 0; i < std::size(kStepControls); ++i)
            SetDimmed(kStepControls[i], wasDimmed[i]);
    iBreakMeas = 0;
    g_running = 0;
    if (g_quitAfter) {
        void (*quit)() = g_quitAfter;
        g_quitAfter = nullptr;
        g_pending = {};
        quit();
        return result;
    }
    ApplyPendingEntries();
    return result;
}

int SpecRead(int mode) {
    if (!ArraysReady())
        return ZOLT_E_INVALID_ARG;
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint);
    main_GetAverage();
    const bool light = mode >= 2;
    const int acqMode = light ? MEAS_REFERENCE : MEAS_DARK;

    double t = fTint;
    if (stParam.splitTime > 0 && fTint > static_cast<float>(stParam.splitTime)) {
        t = std::floor(fTint / static_cast<double>(stParam.splitTime)) * stParam.splitTime;
        if (light)
            t *= 2.0;
    }
    t *= iAverage;
    if (light)
        t += stParam.sDelay;
    t /= 1000.0;

    SetCtrlAttribute(hMainPanel, MAINP_WAITING, ATTR_VISIBLE, 1);
    comm_SetTrigger(0);
    link_CoreCall("SpecRead, ZOLT_SetCallbackFunction(0) ", ZOLT_SetCallbackFunction,
                  dwCurrentDevice, ZOLT_CALLBACK_OFF, 0);

    const int result = Acquire(acqMode, t);

    // Device events and the trigger come back on every way out.
    if (comm_SetTrigger(2) == kResultOk) {
        link_CoreCall("SpecRead, ZOLT_SetCallbackFunction(0x5)", ZOLT_SetCallbackFunction,
                      dwCurrentDevice, ZOLT_CALLBACK_POST_MESSAGE, hMainHWND);
    }
    return result;
}

int comm_AdaptionFirmware() {
    float tint = 0.0f;
    uint16_t averages = 1;
    int32_t busy = 1;

    int status = link_CoreCall("comm_AdaptionFirmware, ZOLT_StartAdaption", ZOLT_StartAdaption,
                               dwCurrentDevice, 0);
    if (status == ZOLT_E_FATAL)
        return kResultFatal;
    if (status == ZOLT_E_NOT_SUPPORTED)
        return kAdaptionNotSupported;
    if (status != ZOLT_OK)
        return kResultFailed;

    auto show = [&] {
        if (tint > 0.0f)
            SetCtrlVal(hMainPanel, MAINP_INTTIME, static_cast<double>(tint));
        SetCtrlVal(hMainPanel, MAINP_AVERADAPT, static_cast<int>(averages));
    };
    const double start = measure_Timer();
    double now = start;
    do {
        if (iBreakMeas) {
            status = link_CoreCall("comm_AdaptionFirmware, ZOLT_SpectroBreakEx",
                                   ZOLT_SpectroBreakEx, dwCurrentDevice);
            if (status == ZOLT_OK)
                return kAdaptionBroken;
            return status == ZOLT_E_FATAL ? kResultFatal : kResultFailed;
        }
        now = measure_Timer();
        status = ZOLT_CheckAdaptionStat(dwCurrentDevice, &tint, &averages, &busy);
        if (status == ZOLT_E_FATAL)
            return kResultFatal;
        if (status == ZOLT_E_OVEREXPOSURE)
            return kAdaptionOverexposed;
        if (status != ZOLT_OK)
            return kResultFailed;
        show();
        ProcessDrawEvents();
        ProcessSystemEvents();
    } while (busy != 0 && now - start < kAdaptionLimit);
    if (busy != 0) {
        // Out of time: stop the device so the dark acquisition can start.
        link_CoreCall("comm_AdaptionFirmware, ZOLT_SpectroBreakEx", ZOLT_SpectroBreakEx,
                      dwCurrentDevice);
    }
    show();
    return kResultOk;
}

void CancelContinuous() {
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
    iSiCont = 0;
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 0);
    if (iXAchse == 1)
        MenuDimmed(MENUBAR_inter, 0);
    links_RestoreMenus();
    SetCtrlAttribute(hMainPanel, MAINP_WAITING, ATTR_VISIBLE, 0);
    SetDimmed(MAINP_SELECT_GRAPH, 0);
    SetCtrlAttribute(hMainPanel, MAINP_SAVE, ATTR_VISIBLE, 1);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_VISIBLE, 0);
}
