// Display pipeline: which curve the main graph shows, its resampling onto the
// display grid, the evaluation copy, and the menu and selector callbacks that
// steer it.
#include "workspace/display.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/measure.h"
#include "zoltmath.h"

std::vector<double> dMaxMinFFT;

double dCOGInterval = 0.0;
int iNumOfFFT = 0;
std::vector<std::vector<double>> dFFTValues;

DisplayHooks g_displayHooks;

namespace {

// Longest grid the display draws: 0.01 nm over 10,000 nm.  Anything longer
// comes from wavelengths no instrument has.
constexpr int kMaxGridPoints = 1000001;

std::vector<double> g_storedX;
std::vector<double> g_storedY;

int MenuBar(int given) {
    if (given > 0)
        return given;
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

void DimFileOpen() {
    SetMenuBarAttribute(MenuBar(0), MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 1);
}

bool Grow(double** p, int have, int want) {
    void* q = std::realloc(*p, static_cast<std::size_t>(want) * sizeof(double));
    if (q == nullptr)
        return false;
    *p = static_cast<double*>(q);
    std::fill(*p + have, *p + want, 0.0);
    return true;
}

const double* MeasuredCurve() {
    switch (iSelect) {
    case SHOW_DARK:
        return dDark;
    case SHOW_REFERENCE:
        return dReferenz;
    case SHOW_TRANSMISSION:
        return dTrans;
    case SHOW_ABSORBANCE:
        return dAbsorb;
    case SHOW_DERIVATIVE:
        return FuncNr == 1 ? dFormel1 : FuncNr == 2 ? dFormel2 : nullptr;
    default:
        return nullptr;
    }
}

const double* StoredCurve() {
    switch (iSelect) {
    case SHOW_DARK:
        return stSavedMeas.dark;
    case SHOW_REFERENCE:
        return stSavedMeas.reference;
    case SHOW_TRANSMISSION:
        return stSavedMeas.transmission;
    case SHOW_ABSORBANCE:
        return stSavedMeas.absorbance;
    case SHOW_DERIVATIVE:
        return FuncNr == 1   ? stSavedMeas.derivative1
               : FuncNr == 2 ? stSavedMeas.derivative2
                             : nullptr;
    default:
        return nullptr;
    }
}

// Points of the 0.1 nm spline grid: i = 0, 1, ... while i < 10 (end - first).
// The bound is compared with a little slack so that a span of exactly 399.8 nm
// gives 3998 points whatever the last bits of the two wavelengths are.
double SplineTenthPoints(double first, double end) {
    const double bound = 10.0 * (end - first);
    return std::ceil(bound - 1e-9 * std::max(1.0, std::fabs(bound)));
}

double LinearStep(int mode) {
    switch (mode) {
    case 2:
        return 0.1;
    case 3:
        return 1.0;
    case 4:
        return 2.0;
    case 5:
        return 5.0;
    default:
        return 0.0;
    }
}

// Resamples one curve into the given display arrays after making room.
// Returns the count to show, 0 when there is no room.
int ShowCurve(double** x, double** y, bool stored, const double* curve, const double* lambda,
              int mode, int last) {
    const int need = display_GridPoints(lambda, mode, last);
    if (need <= 0)
        return 0;
    const bool room = stored ? display_ReserveStored(need) : display_ReserveBuffers(need);
    if (!room)
        return 0;
    return InterpolSpectra(*x, *y, curve, lambda, mode, last);
}

// Maxima of the series entries in entry order, then their minima in reverse.
void BuildSeriesEnvelope() {
    const int pixels = stParam.pixelCount;
    int entries = std::max(0, iNumOfFFT);
    entries = std::min(entries, static_cast<int>(dFFTValues.size()) - 1);
    entries = std::max(entries, 0);
    dMaxMinFFT.assign(static_cast<std::size_t>(2 * entries), 0.0);
    for (int j = 1; j <= entries; ++j) {
        const std::vector<double>& s = dFFTValues[static_cast<std::size_t>(j)];
        const int n = std::min(pixels, static_cast<int>(s.size()));
        double mx = 0.0, mn = 0.0;
        zoltmath_MaxMin1D(s.data(), n, &mx, nullptr, &mn, nullptr);
        dMaxMinFFT[static_cast<std::size_t>(j - 1)] = mx;
        dMaxMinFFT[static_cast<std::size_t>(2 * entries - j)] = mn;
    }
}

bool EvaluationCopyWanted() {
    if (iSelect == SHOW_REFERENCE)
        return iCkdFwhm || iCkdDomWave || iCkdCogVal;
    if (iSelect == SHOW_TRANSMISSION)
        return iCkdCogVal != 0;
    return false;
}

void CopyForEvaluation(const double* x, const double* y, int count) {
    // The measured curve lives in the display buffers themselves: growing
    // them here would move the source under the copy.
    const bool ownSource = x == dXInterpolVal || y == dYInterpolVal;
    const bool room = ownSource ? count <= iAllocatedDisplay : display_ReserveBuffers(count);
    if (count <= 0 || x == nullptr || y == nullptr || !room) {
        iAnzahlFWHM = 0;
        return;
    }
    std::memmove(dXtemp, x, static_cast<std::size_t>(count) * sizeof(double));
    std::memmove(dYtemp, y, static_cast<std::size_t>(count) * sizeof(double));
    iAnzahlFWHM = count;
}

void ShowView(int menuBar, int compare) {
    const int bar = MenuBar(menuBar);
    iCompare = compare;
    SetMenuBarAttribute(bar, MENUBAR_COMPARE, ATTR_CHECKED, compare == 2);
    SetMenuBarAttribute(bar, MENUBAR_FILE, ATTR_CHECKED, compare == 1);
    SetMenuBarAttribute(bar, MENUBAR_KESTRO, ATTR_CHECKED, compare == 0);
    SetCtrlAttribute(hMainPanel, MAINP_STORED, ATTR_DIMMED, compare == 0);
    SetCtrlAttribute(hMainPanel, MAINP_MEASURED, ATTR_DIMMED, compare == 1);
    display_ClearMainGraph();
    display_Display(1);
}

} // namespace

bool display_ReserveBuffers(int points) {
    if (points <= iAllocatedDisplay && dXInterpolVal && dYInterpolVal && dXtemp && dYtemp)
        return true;
    if (points <= 0)
        return true;
    const int have = (dXInterpolVal && dYInterpolVal && dXtemp && dYtemp) ? iAllocatedDisplay : 0;
    const int want = std::max(points, have);
    for (double** p : {&dXInterpolVal, &dYInterpolVal, &dXtemp, &dYtemp}) {
        // A buffer that did not grow keeps its old size; the count stays
        // that of the smallest, so nothing is ever written past one.
        if (!Grow(p, have, want))
            return false;
    }
    iAllocatedDisplay = want;
    return true;
}

bool display_ReserveStored(int points) {
    if (points <= 0)
        return true;
    const auto want = static_cast<std::size_t>(points);
    if (g_storedX.size() < want) {
        try {
            g_storedX.resize(want, 0.0);
            g_storedY.resize(want, 0.0);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    x2_Werte = g_storedX.data();
    y2_Werte = g_storedY.data();
    return true;
}

int display_GridPoints(const double* lambda, int mode, int last) {
    if (last < 0)
        return 0;
    if (mode == 0)
        return last + 1;
    if (mode < 1 || mode > 7 || lambda == nullptr)
        return 0;
    if (mode == 1)
        return last + 1;
    const double first = lambda[0];
    const double end = lambda[last];
    if (!std::isfinite(first) || !std::isfinite(end))
        return 0;
    double points;
    if (mode <= 5) {
        const double step = LinearStep(mode);
        points = (end - std::trunc(first / step) * step) / step + 2.0;
    } else if (mode == 6) {
        points = SplineTenthPoints(first, end);
    } else {
        points = (std::trunc(end) - std::trunc(first)) * 100.0;
    }
    if (points <= 0.0)
        return 0;
    if (points > kMaxGridPoints)
        return -1;
    return static_cast<int>(points);
}

int InterpolSpectra(double* xOut, double* yOut, const double* yIn, const double* lambda, int mode,
                    int last) {
    if (xOut == nullptr || yOut == nullptr || yIn == nullptr || last < 0)
        return 0;
    if (mode == 1 && lambda == nullptr)
        return 0;
    if (mode == 0 || mode == 1) {
        for (int i = 0; i <= last; ++i) {
            xOut[i] = mode == 0 ? static_cast<double>(i) : lambda[i];
            yOut[i] = yIn[i];
        }
        return last + 1;
    }
    const int capacity = display_GridPoints(lambda, mode, last);
    if (capacity <= 0)
        return 0;
    const double first = lambda[0];
    const double end = lambda[last];
    int shown;
    if (mode <= 5) {
        const int k = zoltmath_LineInterpolation(yOut, xOut, yIn, lambda, first, end,
                                                 LinearStep(mode), last + 1, capacity);
        // The 2 nm and 5 nm grids do not show their last computed point.
        shown = mode <= 3 ? k : k - 1;
    } else {
        const double start = std::trunc(first);
        const double step = mode == 6 ? 0.1 : 0.01;
        const int g = capacity;
        for (int i = 0; i < g; ++i)
            xOut[i] = start + step * i;
        // The fit leaves the final sample out, as the exported grids always did.
        zoltmath_SplineInterpol(yOut, xOut, yIn, lambda, last, g);
        shown = g - 1;
    }
    return std::max(shown, 0);
}

void display_Display(int draw) {
    // Without an instrument a loaded file is still shown, in the stored and
    // compare views; there is no measured curve then.
    const bool fileOnly = iOffline && iFileOpen == 1 && iCompare != 0;
    if (usStopFlag || (iOffline && !fileOnly) || iSelect < SHOW_DARK || iSelect > SHOW_SERIES) {
        // Offline "Open..." stays available for viewing a file.
        if (!iOffline)
            DimFileOpen();
        return;
    }
    int mode = iInterplMode;
    if (iXAchse == 0) {
        mode = 0;
    } else if (iSelect == SHOW_DARK) {
        mode = 1; // the dark spectrum is never resampled
    }
    const int pixels = stParam.pixelCount;
    const bool measuredArrays = dLambda != nullptr && pixels > 0 && iAllocatedPixels >= pixels;

    if (iOffline) {
        iNumOfMeas = 0;
    } else if (iSelect == SHOW_SERIES) {
        if (iCompare == 0 || iCompare == 2) {
            BuildSeriesEnvelope();
            const int last = static_cast<int>(dMaxMinFFT.size()) - 1;
            iNumOfMeas = last < 0 ? 0
                                  : ShowCurve(&dXInterpolVal, &dYInterpolVal, false,
                                              dMaxMinFFT.data(), nullptr, 0, last);
            iFFTReady = 1;
        }
    } else if (const double* curve = MeasuredCurve(); curve != nullptr && measuredArrays) {
        // In the stored view too: the output links write the measured curve
        // of the kind chosen, so it must be that kind's, not the last drawn.
        iNumOfMeas =
            ShowCurve(&dXInterpolVal, &dYInterpolVal, false, curve, dLambda, mode, pixels - 1);
    }

    if ((iCompare == 1 || iCompare == 2) && iSelect <= SHOW_DERIVATIVE) {
        if (const double* curve = StoredCurve()) {
            const int filePixels = std::clamp(stSavedMeas.pixelCount, 0, kSavedPoints);
            iNumberSave = filePixels == 0 ? 0
                                          : ShowCurve(&x2_Werte, &y2_Werte, true, curve, dLambda2,
                                                      mode, filePixels - 1);
        }
    }

    if (EvaluationCopyWanted()) {
        if (iCompare == 1) {
            CopyForEvaluation(x2_Werte, y2_Werte, iNumberSave);
        } else {
            CopyForEvaluation(dXInterpolVal, dYInterpolVal, iNumOfMeas);
        }
    }

    if (draw)
        display_DrawGraph();
    if (iSiCont == 0 && !iOffline)
        set_UndimMeasButtons();
}

int SelectGraph(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2) {
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED)
        return 0;
    g_displayHooks.DeleteAllPeak(panel, control, event, callbackData, eventData1, eventData2);
    static const int kBit[] = {
        0,          MEAS_DARK, MEAS_REFERENCE, MEAS_TRANSMISSION, MEAS_ABSORBANCE, MEAS_DERIVATIVE,
        MEAS_SERIES};
    int v = 0;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &v);
    const int bit = (v >= 1 && v <= 6) ? kBit[v] : 0;
    // Measured derivatives of an earlier transmission are not offered.
    const bool stale = bit == MEAS_DERIVATIVE && iCompare != 1 && !measure_DerivationReady();
    if (bit != 0 && !stale && ((iMess & bit) || (stSavedMeas.measured & bit))) {
        iSelect = v;
    } else {
        SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 1);
        iSelect = SHOW_DARK;
    }
    display_ClearMainGraph();
    display_Display(1);
    return 0;
}

void SpecView(int menuBar, int, void*, int) {
    ShowView(menuBar, 0);
}
void FileView(int menuBar, int, void*, int) {
    ShowView(menuBar, 1);
}
void CompareView(int menuBar, int, void*, int) {
    ShowView(menuBar, 2);
}

void Callback_Interpol(int, int menuItem, void*, int) {
    switch (menuItem) {
    case MENUBAR_no:
        iInterplMode = 1;
        break;
    case MENUBAR_linear01:
        iInterplMode = 2;
        break;
    case MENUBAR_linear1:
        iInterplMode = 3;
        break;
    case MENUBAR_linear2:
        iInterplMode = 4;
        break;
    case MENUBAR_linear5:
        iInterplMode = 5;
        break;
    case MENUBAR_sp010:
        iInterplMode = 6;
        break;
    case MENUBAR_sp001:
        iInterplMode = 7;
        break;
    default:
        break;
    }
    iExcelDescription = 1;
    display_ClearMainGraph();
    set_InterpolMenuChecked();
    display_Display(1);
}

void set_InterpolMenuChecked() {
    const int bar = MenuBar(0);
    const int m = iInterplMode;
    const struct {
        int item;
        bool on;
    } marks[] = {
        {MENUBAR_no, m == 1},
        {MENUBAR_lin, m >= 2 && m <= 5},
        {MENUBAR_linear01, m == 2},
        {MENUBAR_linear1, m == 3},
        {MENUBAR_linear2, m == 4},
        {MENUBAR_linear5, m == 5},
        {MENUBAR_spline, m == 6 || m == 7},
        {MENUBAR_sp010, m == 6},
        {MENUBAR_sp001, m == 7},
    };
    for (const auto& mark : marks)
        SetMenuBarAttribute(bar, mark.item, ATTR_CHECKED, mark.on);
}

void cbMenu_Display_ClearSpectra_optchange(int menuBar, int menuItem, void*, int) {
    if (menuItem == MENUBAR_Always)
        iClrDisplay = 1;
    if (menuItem == MENUBAR_Never)
        iClrDisplay = 0;
    const int bar = MenuBar(menuBar);
    SetMenuBarAttribute(bar, MENUBAR_Always, ATTR_CHECKED, iClrDisplay != 0);
    SetMenuBarAttribute(bar, MENUBAR_Never, ATTR_CHECKED, iClrDisplay == 0);
}

int get_CurrentCursorPosition() {
    GetActiveGraphCursor(hMainPanel, MAINP_SPECGRAPH, &iActiveCursor);
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, iActiveCursor, &dXcursor, &dYcursor);
    SetCtrlVal(hMainPanel, MAINP_c1x, dXcursor);
    SetCtrlVal(hMainPanel, MAINP_c1y, dYcursor);
    return 0;
}

void display_RegisterCallbacks() {
    RegisterCtrlCallback("SelectGraph", SelectGraph);
    RegisterCtrlCallback("AxisScalingClose", AxisScalingClose);
    RegisterCtrlCallback("AutoScale", AutoScale);
    RegisterCtrlCallback("RangeViolOn", RangeViolOn);
    RegisterMenuCallback("SpecView", SpecView);
    RegisterMenuCallback("FileView", FileView);
    RegisterMenuCallback("CompareView", CompareView);
    RegisterMenuCallback("Callback_Interpol", Callback_Interpol);
    RegisterMenuCallback("cbMenu_Display_ClearSpectra_optchange",
                         cbMenu_Display_ClearSpectra_optchange);
    RegisterMenuCallback("Axis_Scaling", Axis_Scaling);
}
