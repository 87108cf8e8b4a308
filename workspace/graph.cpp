// Drawing of the main graph: cropping to the displayed range, the Y range,
// the axes and read-outs of the shown curve, the curves themselves, the
// evaluations that follow the cursor, and the marker lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/stats.h"
#include "zoltmath.h"

int iAutoScale = 1;
int iRangeViolation = 0;
int iFarbe = 0x000000;
int iFarbe2 = 0x808080;
int iCogLineHandle = 0;

namespace {

constexpr int kCogLineColour = 0x800080;
constexpr int kSeriesColour = 0xC0C0C0;
constexpr int kSeriesBaseColour = 0x008080;

int Panel() {
    return hMainPanel;
}

void Show(int control, int visible) {
    SetCtrlAttribute(Panel(), control, ATTR_VISIBLE, visible ? 1 : 0);
}

int ReadInt(int panel, int control, int fallback) {
    int v = fallback;
    if (GetCtrlVal(panel, control, &v) != 0)
        return fallback;
    return v;
}

double ReadDouble(int panel, int control, double fallback) {
    double v = fallback;
    if (GetCtrlVal(panel, control, &v) != 0)
        return fallback;
    return v;
}

// A handle from the toolkit, 0 when the plot failed.
int Handle(int h) {
    return h > 0 ? h : 0;
}

void DeletePlot(int* handle) {
    if (*handle != 0)
        DeleteGraphPlot(Panel(), MAINP_SPECGRAPH, *handle, VAL_DELAYED_DRAW);
    *handle = 0;
}

// Keeps the points from the first one at or above start up to the first one
// at or above end (included when keepEnd), moved to the front.  Returns the
// number kept.
int Crop(double* x, double* y, int n, double start, double end, bool keepEnd) {
    if (x == nullptr || y == nullptr || n <= 0)
        return 0;
    int first = 0;
    while (first < n && !(x[first] >= start))
        ++first;
    int stop = first;
    while (stop < n && !(x[stop] >= end))
        ++stop;
    const int kept = stop < n ? stop - first + (keepEnd ? 1 : 0) : n - first;
    if (first > 0 && kept > 0) {
        std::memmove(x, x + first, static_cast<std::size_t>(kept) * sizeof(double));
        std::memmove(y, y + first, static_cast<std::size_t>(kept) * sizeof(double));
    }
    return kept;
}

// Extent of the finite values; false when there are none.
struct Extent {
    double max = 0.0;
    double min = 0.0;
    bool any = false;
    void add(const double* y, int n) {
        if (y == nullptr)
            return;
        for (int i = 0; i < n; ++i) {
            const double v = y[i];
            if (!std::isfinite(v))
                continue;
            if (!any || v > max)
                max = v;
            if (!any || v < min)
                min = v;
            any = true;
        }
    }
};

// The frame of the marker area, hidden while drawing, comes back only with
// a marker mode: without one the graph covers its place.
void ShowMarkerFrame() {
    Show(MAINP_FWHMMODE_DECO, iFwhmMode == 1 || iValMode == 1 || sym_mode == 1);
}

// The range question: true to scale automatically.
bool AskAutoScale() {
    const int chosen =
        RunModalPanel(hScalePanel, {AUTO_SCALE_AutoScaleButton, AUTO_SCALE_ManScaleButton});
    return chosen != AUTO_SCALE_ManScaleButton;
}

// The series drawn as every spectrum over the pixel index (entry 0 and
// entries 1 .. the last one wanted), rather than the envelope.
bool SeriesOverlayDrawn(int view) {
    return view == 0 && iSelect == SHOW_SERIES && series_ShowOverlay() && !dFFTValues.empty();
}

int SeriesEntriesDrawn() {
    return std::min(iNumOfFFT, static_cast<int>(dFFTValues.size()) - 1);
}

int SeriesPoints(const std::vector<double>& s) {
    return std::min(stParam.pixelCount, static_cast<int>(s.size()));
}

// Extent of the overlaid spectra between the pixels first and last.
void AddSeriesExtent(Extent& extent, double first, double last) {
    const int from = static_cast<int>(std::ceil(std::max(first, 0.0)));
    for (int j = 0; j <= SeriesEntriesDrawn(); ++j) {
        const std::vector<double>& s = dFFTValues[static_cast<std::size_t>(j)];
        const int to = std::min(SeriesPoints(s) - 1, static_cast<int>(std::floor(last)));
        if (to >= from)
            extent.add(s.data() + from, to - from + 1);
    }
}

// The violation the user last chose to keep the bounds for.  One action
// draws the same curve several times (every key typed, a value change and
// its commit); it is asked about once, and again only when the curve, its
// kind or the bounds change, or after a draw without a violation.
struct KeptBounds {
    int shown = 0;
    double lower = 0.0, upper = 0.0, min = 0.0, max = 0.0;
    bool operator==(const KeptBounds&) const = default;
};
std::optional<KeptBounds> g_keptBounds;

void PlotCurves(int view) {
    const int panel = Panel();
    if (SeriesOverlayDrawn(view)) {
        auto plot = [&](const std::vector<double>& s, int style, int colour) {
            const int n = SeriesPoints(s);
            return n > 0 ? Handle(PlotY(panel, MAINP_SPECGRAPH, s.data(), n, style, VAL_NO_POINT,
                                        VAL_SOLID, colour))
                         : 0;
        };
        for (int j = 1; j <= SeriesEntriesDrawn(); ++j)
            plot(dFFTValues[static_cast<std::size_t>(j)], VAL_THIN_LINE, kSeriesColour);
        // Entry 0 is drawn heavier so it stands apart from the spectra.
        iPlotHandle1 = plot(dFFTValues[0], VAL_FAT_LINE, kSeriesBaseColour);
        return;
    }
    if (view == 0 || view == 2) {
        iPlotHandle1 =
            iNumOfMeas > 0
                ? Handle(PlotXY(panel, MAINP_SPECGRAPH, dXInterpolVal, dYInterpolVal, iNumOfMeas,
                                VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, iFarbe))
                : 0;
    }
    if (view == 1 || view == 2) {
        iPlotHandle2 = iNumberSave > 0
                           ? Handle(PlotXY(panel, MAINP_SPECGRAPH, x2_Werte, y2_Werte, iNumberSave,
                                           VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, iFarbe2))
                           : 0;
    }
}

// The cursors mark points of a curve; with none drawn they would leave bare
// dashed lines on the graph.
void ShowCursors(int visible) {
    for (int cursor : {1, 2})
        SetCursorVisible(Panel(), MAINP_SPECGRAPH, cursor, visible);
}

// Puts cursor 1 on point i of the measured curve.
void CursorToPoint(int cursor, int i) {
    dXcursor = dXInterpolVal[i];
    dYcursor = dYInterpolVal[i];
    if (iPlotHandle1 == 0 ||
        SetGraphCursorIndex(Panel(), MAINP_SPECGRAPH, cursor, iPlotHandle1, i) != 0)
        SetGraphCursor(Panel(), MAINP_SPECGRAPH, cursor, dXcursor, dYcursor);
}

void ShowCursorValues() {
    SetCtrlVal(Panel(), MAINP_c1x, dXcursor);
    SetCtrlVal(Panel(), MAINP_c1y, dYcursor);
}

// Peak, valley or centroid at the cursor (views with the measured curve).
void WavelengthReadOut() {
    const int n = iNumOfMeas;
    Show(MAINP_DOM_WAVE, 1);
    GetGraphCursor(Panel(), MAINP_SPECGRAPH, 1, &dXcursor, &dYcursor);
    bool position = false;
    if (iCkdMaxWave || iCkdMinWave) {
        position = true;
        const auto last = static_cast<uint32_t>(n - 1);
        const int i = iCkdMaxWave
                          ? zoltmath_PeakWave(dYInterpolVal, dXInterpolVal, dXcursor, last)
                          : zoltmath_ValleyWave(dYInterpolVal, dXInterpolVal, dXcursor, last);
        if (i >= 0 && i < n) {
            dXcursor = dXInterpolVal[i];
            dYcursor = dYInterpolVal[i];
        }
    } else if (iXAchse != 0 && iCkdDomWave) {
        g_displayHooks.DomWave();
    } else if (iXAchse != 0 && iCkdCogVal) {
        display_COGValley();
    }
    display_CursorToCurve(1, dXcursor, dYcursor);
    ShowCursorValues();
    // The centroids write their own read-out, 0.0 when there is none.
    if (position)
        SetCtrlVal(Panel(), MAINP_DOM_WAVE, dXcursor);
}

void ReferenceReadOut() {
    GetGraphCursor(Panel(), MAINP_SPECGRAPH, 1, &dXcursor, &dYcursor);
    if (hWlValDispl > 0) {
        iCkdFwhm = ReadInt(hWlValDispl, WLVALUE_CB_FWHM, iCkdFwhm);
        iCkdMinWave = ReadInt(hWlValDispl, WLVALUE_CB_MIN_WAVE, iCkdMinWave);
        iCkdMaxWave = ReadInt(hWlValDispl, WLVALUE_CB_MAX_WAVE, iCkdMaxWave);
        iCkdCogVal = ReadInt(hWlValDispl, WLVALUE_CB_COG_VALLEY, iCkdCogVal);
        iCkdDomWave = ReadInt(hWlValDispl, WLVALUE_CB_DOM_WAVE, iCkdDomWave);
    }
    if (iCkdFwhm) {
        Show(MAINP_FWHM, 1);
        if (iAnzahlFWHM >= 2 && dXtemp && dYtemp) {
            const auto last = static_cast<uint32_t>(iAnzahlFWHM - 1);
            const double start = dXcursor;
            int p = -1;
            double w;
            if (iXAchse != 0) {
                w = zoltmath_FWHM(dYtemp, dXtemp, last, 50, start, &p);
                SetCtrlAttribute(Panel(), MAINP_FWHM, ATTR_LABEL_TEXT, "FWHM /nm");
            } else {
                w = zoltmath_FWHMpix(dYtemp, dXtemp, last, 50, start, &p);
                SetCtrlAttribute(Panel(), MAINP_FWHM, ATTR_LABEL_TEXT, "FWHM /px");
            }
            if (p >= 0 && p < iAnzahlFWHM) {
                dXcursor = dXtemp[p];
                dYcursor = dYtemp[p];
                display_CursorToCurve(1, dXcursor, dYcursor);
            }
            SetCtrlVal(Panel(), MAINP_FWHM, w);
            ShowCursorValues();
        }
    }
    if (iFwhmMode == 1 || sym_mode == 1 || iValMode == 1)
        display_PlotFWHMValues();
}

// Keeps the active cursor on the curve after a new measurement: on the same
// x when the grid still has it, else on the last-but-one point.
void CursorFollow() {
    const int n = iNumOfMeas;
    if (n < 2)
        return;
    dXcursor = ReadDouble(Panel(), MAINP_c1x, 0.0);
    dYcursor = ReadDouble(Panel(), MAINP_c1y, 0.0);
    const int cursor = iActiveCursor == 2 ? 2 : 1;
    if (dXcursor == 0.0 && dYcursor == 0.0) {
        CursorToPoint(cursor, 0);
        return;
    }
    const double* x = dXInterpolVal;
    int i = n;
    for (int k = 0; k < n; ++k) {
        if (std::fabs(x[k] - dXcursor) < 1e-7) {
            i = k;
            break;
        }
    }
    if (i > n - 3)
        i = n - 2;
    if (dXcursor < x[0])
        i = 0;
    if (dXcursor > x[n - 1])
        i = n - 2;
    CursorToPoint(cursor, i);
    ShowCursorValues();
}

} // namespace

void display_CursorToCurve(int cursor, double x, double y) {
    // The stored view shows the stored curve only; every other view
    // evaluates the measured one.
    const bool stored = iCompare == 1;
    const int plot = stored ? iPlotHandle2 : iPlotHandle1;
    const double* xs = stored ? x2_Werte : dXInterpolVal;
    const int n = stored ? iNumberSave : iNumOfMeas;
    // The series view plots its entries over their index, not these points.
    if (plot > 0 && xs != nullptr && n > 0 && iSelect != SHOW_SERIES) {
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (std::fabs(xs[i] - x) < std::fabs(xs[best] - x))
                best = i;
        if (SetGraphCursorIndex(Panel(), MAINP_SPECGRAPH, cursor, plot, best) == 0)
            return;
    }
    SetGraphCursor(Panel(), MAINP_SPECGRAPH, cursor, x, y);
}

void display_DrawGraph() {
    const int panel = Panel();
    if (iOffline && (iFileOpen != 1 || iCompare == 0))
        return;
    // The user bounds are indexed by the shown curve; without one there is
    // nothing to draw.
    if (iSelect < SHOW_DARK || iSelect > SHOW_SERIES)
        return;
    SuspendTimerCallbacks();

    iAutoScale = ReadInt(panel, MAINP_AUTO_SCALE, iAutoScale);
    const int ignoreViolation = ReadInt(panel, MAINP_RANGEVIOLATION1, iRangeViolation);
    Show(MAINP_FWHMMODE_DECO, 0);
    const double start = ReadInt(panel, MAINP_STARTWL, 0);
    const double end = ReadInt(panel, MAINP_ENDWL, 0);

    // The series envelope lies over its element numbers, not over pixels.
    const bool envelope = iSelect == SHOW_SERIES && !series_ShowOverlay();
    if (!envelope)
        iNumOfMeas = Crop(dXInterpolVal, dYInterpolVal, iNumOfMeas, start, end, true);
    iNumberSave = Crop(x2_Werte, y2_Werte, iNumberSave, start, end, false);
    // The centroid searches walk the curve as cropped, never a stale tail.
    iNumOfPnt = iNumOfMeas;

    const int view = iCompare;
    Extent extent;
    // The overlay is scaled by the spectra it draws, not by the envelope
    // behind it.
    if (SeriesOverlayDrawn(view))
        AddSeriesExtent(extent, start, end);
    else if (view != 1)
        extent.add(dYInterpolVal, iNumOfMeas);
    if (view != 0)
        extent.add(y2_Werte, iNumberSave);
    double max = extent.max;
    double min = extent.min;
    if (iClrDisplay == 0 && extent.any) {
        max = std::max(max, dAbsoluteMax);
        min = std::min(min, dAbsoluteMin);
        dAbsoluteMax = max;
        dAbsoluteMin = min;
    }

    set_ConfigGraphAxis(iSelect, FuncNr, iXAchse);
    if (envelope && iNumOfMeas > 1)
        SetAxisScalingMode(panel, MAINP_SPECGRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, iNumOfMeas - 1);

    const double lower = dUserBounds[2 * (iSelect - 1)];
    const double upper = dUserBounds[2 * (iSelect - 1) + 1];
    if (iAutoScale == 0 && ignoreViolation == 0 && extent.any && (lower > min || max > upper)) {
        const KeptBounds violation{iSelect, lower, upper, min, max};
        if (g_keptBounds != violation) {
            iAutoScale = AskAutoScale() ? 1 : 0;
            SetCtrlVal(panel, MAINP_AUTO_SCALE, iAutoScale);
        }
        g_keptBounds = iAutoScale == 0 ? std::optional(violation) : std::nullopt;
    } else {
        g_keptBounds.reset();
    }

    Show(MAINP_SPECGRAPH, 0);
    double lo = lower, hi = upper;
    // Bounds never set for this curve (or crossed) cannot be drawn; the
    // automatic range keeps the curve on a scale of its own kind instead of
    // the one the previous curve left on the axis.
    if (iAutoScale || !(lower < upper)) {
        hi = max + 0.1 * std::fabs(max) + 1.1;
        const bool fromZero =
            iSelect == SHOW_DARK || iSelect == SHOW_TRANSMISSION || iSelect == SHOW_SERIES;
        lo = fromZero ? 0.0 : min - 0.1 * std::fabs(min);
        // A curve entirely below zero would leave the axis upside down.
        if (!(lo < hi))
            lo = min - 0.1 * std::fabs(min);
    }
    // No finite range (nothing to draw) keeps the axis as it was.
    if (std::isfinite(lo) && std::isfinite(hi) && lo < hi)
        SetAxisScalingMode(panel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, lo, hi);

    if (iClrDisplay == 1)
        display_ClearMainGraph();
    PlotCurves(view);
    if (iPlotHandle1 > 0 || iPlotHandle2 > 0)
        ShowCursors(1);
    Show(MAINP_SPECGRAPH, 1);

    if (view == 0 || view == 2) {
        const bool evaluable = iNumOfMeas >= 2;
        if (evaluable &&
            (iCkdMaxWave == 1 || iCkdMinWave == 1 || iCkdDomWave == 1 || iCkdCogVal == 1) &&
            (iSelect == SHOW_REFERENCE || iSelect == SHOW_TRANSMISSION ||
             iSelect == SHOW_ABSORBANCE))
            WavelengthReadOut();
        if (evaluable && iSelect == SHOW_REFERENCE)
            ReferenceReadOut();
        if (evaluable && iSelect == SHOW_TRANSMISSION && iCkdCogVal == 1 && iXAchse != 0)
            display_COGValley();
        Show(MAINP_SPECGRAPH, 1);
        ShowMarkerFrame();
        int active = 1;
        if (GetActiveGraphCursor(panel, MAINP_SPECGRAPH, &active) == 0)
            iActiveCursor = active;
        if (!iCkdMaxWave && !iCkdMinWave && !iCkdDomWave && !iCkdFwhm && !iCkdCogVal &&
            !iFwhmMode && !sym_mode && !iValMode)
            CursorFollow();
    }

    ResumeTimerCallbacks();
    Show(MAINP_SPECGRAPH, 1);
    ShowMarkerFrame();
}

void set_ConfigGraphAxis(int select, int funcNr, int xAchse) {
    const int panel = Panel();
    Show(MAINP_DOM_WAVE, 0);
    Show(MAINP_FWHM, 0);
    if (select == SHOW_REFERENCE) {
        if (iCkdMaxWave || iCkdMinWave || (xAchse && (iCkdDomWave || iCkdCogVal)))
            Show(MAINP_DOM_WAVE, 1);
        if (iCkdFwhm)
            Show(MAINP_FWHM, 1);
    } else if (select == SHOW_TRANSMISSION) {
        if (iCkdCogVal && xAchse)
            Show(MAINP_DOM_WAVE, 1);
    }

    const int xPrecision = xAchse ? 2 : 0;
    SetCtrlAttribute(panel, MAINP_c1x, ATTR_PRECISION, xPrecision);
    if (xAchse) {
        SetAxisScalingMode(panel, MAINP_SPECGRAPH, VAL_XAXIS, VAL_MANUAL, iStartWaveLen,
                           iEndWaveLen);
    } else {
        SetAxisScalingMode(panel, MAINP_SPECGRAPH, VAL_XAXIS, VAL_MANUAL, iStartPixel, iEndPixel);
    }
    SetAxisPrecision(panel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, xPrecision);

    if (g_displayHooks.set_LblForPxlWL.bound()) {
        g_displayHooks.set_LblForPxlWL();
    } else {
        // Until the axis module labels the range controls, name the x axis.
        SetAxisName(panel, MAINP_SPECGRAPH, VAL_XAXIS, iPxlWlMode ? "Wavelength" : "Pixel");
    }

    struct Look {
        const char* axis;
        const char* readOut;
        int precision;
        int colour;
        int colour2;
    };
    Look look;
    switch (select) {
    case SHOW_DARK:
        look = {"ADC-Counts", "ADC-Counts", 0, 0x000000, 0x808080};
        break;
    case SHOW_REFERENCE: {
        const bool fine = iInterplMode == 2 || iInterplMode == 6 || iInterplMode == 7;
        look = {"ADC-Counts", "ADC-Counts", fine ? 2 : 0, 0xFF0000, 0x008080};
        break;
    }
    case SHOW_TRANSMISSION:
        look = {"Transmission/Reflexion [%]", "Transmission [%]", 2, 0x0000FF, 0x800000};
        break;
    case SHOW_ABSORBANCE:
        look = {"Absorbance [Units]", "Absorbance", 3, 0x00FF00, 0x0000FF};
        break;
    case SHOW_DERIVATIVE:
        look = {funcNr == 1 ? "1. derivation transmission" : "2. derivation transmission",
                "Y-Value", 3, 0xFF00FF, 0x008000};
        break;
    case SHOW_SERIES:
        look = {"Power", "Power", 3, 0x008080, iFarbe2};
        SetAxisName(panel, MAINP_SPECGRAPH, VAL_XAXIS, "Frequence");
        SetCtrlAttribute(panel, MAINP_c1x, ATTR_LABEL_TEXT, "Frequence");
        break;
    default:
        look = {nullptr, nullptr, 0, iFarbe, iFarbe2};
        break;
    }
    if (look.axis != nullptr) {
        SetAxisName(panel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, look.axis);
        SetCtrlAttribute(panel, MAINP_c1y, ATTR_LABEL_TEXT, look.readOut);
        SetAxisPrecision(panel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, look.precision);
        SetCtrlAttribute(panel, MAINP_c1y, ATTR_PRECISION, look.precision);
        iFarbe = look.colour;
        iFarbe2 = look.colour2;
    }

    SetCtrlAttribute(panel, MAINP_MEASURED, ATTR_TEXT_COLOR, iFarbe);
    if (iFileOpen)
        SetCtrlAttribute(panel, MAINP_STORED, ATTR_TEXT_COLOR, iFarbe2);
}

void display_ClearMainGraph() {
    DeleteGraphPlot(Panel(), MAINP_SPECGRAPH, -1, VAL_IMMEDIATE_DRAW);
    ShowCursors(0);
    dAbsoluteMin = 1.0e6;
    dAbsoluteMax = -1.0e6;
    // Every plot is gone: no handle may point at one any more.
    iPlotHandle = 0;
    iPlotHandle1 = 0;
    iPlotHandle2 = 0;
    iCogLineHandle = 0;
    for (FwhmSlot& slot : FWHM)
        slot.plotHandle = 0;
}

void display_COGValley() {
    const int n = iNumOfPnt;
    // Centroids are wavelengths: none on the pixel axis, none on a curve too
    // short to have a valley.
    if (iXAchse == 0 || n < 2 || n > iNumOfMeas || !dXInterpolVal || !dYInterpolVal)
        return;
    const double percent = ReadDouble(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, 50.0);
    // The displayed range is the centroid's acceptance window; the device's
    // wavelength range stays as the connection set it.
    ZoltMathCurveRange range;
    range.iNumOfPnt = n;
    range.iMinWaveLen = ReadInt(Panel(), MAINP_STARTWL, iStartWaveLen);
    range.iMaxWaveLen = ReadInt(Panel(), MAINP_ENDWL, iEndWaveLen);

    double cx = 0.0, cy = 0.0;
    GetGraphCursor(Panel(), MAINP_SPECGRAPH, 1, &cx, &cy);
    const int i =
        zoltmath_ValleyWave(dYInterpolVal, dXInterpolVal, cx, static_cast<uint32_t>(n - 1));
    if (i < 0 || i >= n) {
        SetCtrlVal(Panel(), MAINP_DOM_WAVE, 0.0);
        return;
    }
    CursorToPoint(1, i);

    double level = 0.0, centroid = 0.0, value = 0.0;
    const int r = zoltmath_DomWaveValley(dYInterpolVal, dXInterpolVal, percent, dXInterpolVal[i],
                                         &level, dCOGInterval, &centroid, &value, range, nullptr);
    if (r == -1 || !std::isfinite(centroid) || !std::isfinite(value) || !std::isfinite(level)) {
        SetCtrlVal(Panel(), MAINP_DOM_WAVE, 0.0);
        return;
    }
    dXcursor = centroid;
    dYcursor = value;
    SetCtrlVal(Panel(), MAINP_DOM_WAVE, dXcursor);
    DeletePlot(&iCogLineHandle);
    iCogLineHandle = Handle(
        PlotLine(Panel(), MAINP_SPECGRAPH, dXcursor, level, dXcursor, dYcursor, kCogLineColour));
}

void display_PlotFWHMValues() {
    const int panel = Panel();
    const int start = ReadInt(panel, MAINP_STARTWL, 0);
    const int end = ReadInt(panel, MAINP_ENDWL, 0);
    iStartWlScal = start == ixStartPeakLines ? 1 : 0;
    iEndWlScal = end == ixEndPeakLines ? 1 : 0;

    DeleteGraphAnnotation(panel, MAINP_SPECGRAPH, -1);
    const int level = ReadInt(panel, MAINP_FWHM_Threshold, 50);
    const int lines = ReadInt(panel, MAINP_FWHM_plotline, 0);
    const bool unchanged = iStartWlScal == 1 && iEndWlScal == 1;
    const int n = iNumOfMeas;

    for (int k = 0; k < kFwhmSlots; ++k) {
        FwhmSlot& slot = FWHM[k];
        if (!lines)
            DeletePlot(&slot.plotHandle);
        if (!(slot.x > 0.0))
            continue; // a free slot
        if (unchanged) {
            if (n >= 2 && dXInterpolVal && dYInterpolVal) {
                const auto last = static_cast<uint32_t>(n - 1);
                const double from = slot.x;
                int p = -1;
                double result = 0.0;
                if (iXAchse == 0) {
                    result = zoltmath_FWHMpix(dYInterpolVal, dXInterpolVal, last, level, from, &p);
                } else if (iFwhmMode == 1) {
                    result = zoltmath_FWHM(dYInterpolVal, dXInterpolVal, last, level, from, &p);
                } else if (sym_mode == 1) {
                    result = zoltmath_Symmetry(dYInterpolVal, dXInterpolVal, last, level, from, &p);
                } else if (iValMode == 1) {
                    result =
                        zoltmath_ValleyWidth(dYInterpolVal, dXInterpolVal, last, level, from, &p);
                }
                // No evaluation ran, or it found nothing: the slot keeps its values.
                if (p >= 0 && p < n) {
                    slot.x = dXInterpolVal[p];
                    slot.y = dYInterpolVal[p];
                    slot.value = result;
                }
            }
        } else {
            slot.x = ReadDouble(panel, slot.positionCtrl, slot.x);
        }
        if (lines) {
            set_PrintAnnotation(k + 1, slot.x, slot.y);
            DeletePlot(&slot.plotHandle);
            slot.plotHandle =
                Handle(PlotLine(panel, MAINP_SPECGRAPH, slot.x, 0.0, slot.x, slot.y, slot.colour));
        }
    }

    for (const FwhmSlot& slot : FWHM) {
        SetCtrlVal(panel, slot.valueCtrl, slot.value);
        SetCtrlVal(panel, slot.positionCtrl, slot.x);
    }
    g_displayHooks.FWHM_AV_CALC();
    iStartWlScal = 1;
    iEndWlScal = 1;
}

void set_PrintAnnotation(int n, double x, double y) {
    char caption[64];
    std::snprintf(caption, sizeof caption,
                  iValMode ? "Valley %d \n X: %.2lf " : "Peak %d \n X: %.2lf ", n, x);
    const int panel = Panel();
    const int id = AddGraphAnnotation(panel, MAINP_SPECGRAPH, x, y, caption, 0x000000);
    if (id > 0) {
        // The marker keeps its own annotation, so removing it removes only that one.
        if (n >= 1 && n <= kFwhmSlots)
            FWHM[n - 1].annotationId = id;
        SetAnnotationAttribute(panel, MAINP_SPECGRAPH, id, ATTR_ANNOTATION_XOFFSET, -25);
        SetAnnotationAttribute(panel, MAINP_SPECGRAPH, id, ATTR_ANNOTATION_YOFFSET, -65);
    }
    // Captions in black on light grey with an arrow to the point.
    SetAnnotationAttribute(panel, MAINP_SPECGRAPH, -1, ATTR_ANNOTATION_CAPTION_COLOR, 0x000000);
    SetAnnotationAttribute(panel, MAINP_SPECGRAPH, -1, ATTR_ANNOTATION_BGCOLOR, 0xE0E0E0);
    SetAnnotationAttribute(panel, MAINP_SPECGRAPH, -1, ATTR_ANNOTATION_FRAME_COLOR, 0xE0E0E0);
    SetAnnotationAttribute(panel, MAINP_SPECGRAPH, -1, ATTR_ANNOTATION_ARROW_VISIBLE, 1);
}
