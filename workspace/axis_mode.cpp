// Axis mode of the main graph and the displayed range.
#include "workspace/axis_mode.h"

#include <algorithm>

#include "link/connect.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"
#include "workspace/state.h"

namespace {

int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

void DimMenu(int item, bool dimmed) {
    SetMenuBarAttribute(MenuBar(), item, ATTR_MENU_DIMMED, dimmed ? 1 : 0);
}

void Dim(int panel, int control, bool dimmed) {
    SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
}

int LastPixel() {
    return std::max(stParam.pixelCount - 1, 0);
}

bool WavelengthAxis() {
    return iXAchse != 0;
}

// DOM_WAVE showing a peak or valley position: its unit and digits follow the
// axis.  The centroid read-outs keep their own label and three digits.
void ConfigureDomWave(bool wavelength) {
    const char* label = nullptr;
    if (iCkdMaxWave == 1)
        label = wavelength ? "Peak /nm" : "Peak /px";
    else if (iCkdMinWave == 1)
        label = wavelength ? "Valley /nm" : "Valley /px";
    if (label == nullptr)
        return;
    SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION, wavelength ? 2 : 0);
    SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_LABEL_TEXT, label);
}

void DimCentroidChoices(bool dimmed) {
    for (int control : {WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE, WLVALUE_DOM_WAVE_BORDER})
        Dim(hWlValDispl, control, dimmed);
}

void SetRange(int control, double lowest, double highest, int value) {
    SetCtrlAttribute(hMainPanel, control, ATTR_MIN_VALUE, lowest);
    SetCtrlAttribute(hMainPanel, control, ATTR_MAX_VALUE, highest);
    SetCtrlVal(hMainPanel, control, value);
}

// Every change of the range gives the next spreadsheet column a new
// description.
void RangeChanged() {
    iExcelDescription = 1;
}

void ShowRange(int start, int end) {
    SetCtrlVal(hMainPanel, MAINP_STARTWL, start);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, end);
    display_Display(1);
}

// Common part of both axis switches: the axis in force and its labels.
void ChangeAxis(int wavelength) {
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X1, wavelength);
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X2, wavelength ? 0 : 1);
    iXAchse = wavelength;
    // The spreadsheet's next block gets its own description, after an empty
    // column.
    if (iTableOpen) {
        iExcelDescription = 1;
        ++iExcelColumn;
    }
    set_LblForPxlWL();
}

} // namespace

int axis_ClampStart(int value, int lowest, int end) {
    int start = std::max(value, lowest);
    start = std::min(start, end - kMinRangeSpan);
    return std::max(start, lowest);
}

int axis_ClampEnd(int value, int highest, int start) {
    int end = std::min(value, highest);
    end = std::max(end, start + kMinRangeSpan);
    return std::min(end, highest);
}

int StartSpec(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        Orvalin_Start_End_WL_Reset();
        return 1; // the popup replaces the control's own menu
    }
    if (event != EVENT_VAL_CHANGED)
        return 0;
    ProcessSystemEvents();
    int value = 0;
    GetCtrlVal(hMainPanel, control, &value);
    iStartWlScal = 0;
    RangeChanged();
    int start;
    if (WavelengthAxis()) {
        start = iStartWaveLen = axis_ClampStart(value, iMinWaveLen, iEndWaveLen);
    } else {
        start = iStartPixel = axis_ClampStart(value, 0, iEndPixel);
    }
    SetCtrlVal(hMainPanel, control, start);
    display_Display(1);
    return 0;
}

int EndSpec(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        Orvalin_Start_End_WL_Reset();
        return 1;
    }
    if (event != EVENT_VAL_CHANGED)
        return 0;
    ProcessSystemEvents();
    int value = 0;
    GetCtrlVal(hMainPanel, control, &value);
    iEndWlScal = 0;
    RangeChanged();
    int end;
    if (WavelengthAxis()) {
        end = iEndWaveLen = axis_ClampEnd(value, iMaxWaveLen, iStartWaveLen);
    } else {
        end = iEndPixel = axis_ClampEnd(value, LastPixel(), iStartPixel);
    }
    SetCtrlVal(hMainPanel, control, end);
    display_Display(1);
    return 0;
}

void Orvalin_Start_End_WL_Reset() {
    if (RunPopupMenu(hXAxisResetBar, XAXISRESET_XRESET, hMainPanel, -1, -1) != XAXISRESET_RESET)
        return;
    iStartWlScal = 0;
    iEndWlScal = 0;
    RangeChanged();
    if (WavelengthAxis()) {
        iStartWaveLen = iMinWaveLen;
        iEndWaveLen = iMaxWaveLen;
        ShowRange(iStartWaveLen, iEndWaveLen);
    } else {
        iStartPixel = 0;
        iEndPixel = LastPixel();
        ShowRange(iStartPixel, iEndPixel);
    }
}

void set_ChangeToWL() {
    ChangeAxis(1);
}

void set_ChangeToPixel() {
    // Centroids are wavelengths: their choices end with the wavelength axis
    // (and only then, so a redraw never clears them).
    SetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, 0);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, 0);
    iCkdCogVal = 0;
    iCkdDomWave = 0;
    ChangeAxis(0);
}

void set_LblForPxlWL() {
    const bool wl = iPxlWlMode != 0;
    const int digits = wl ? 2 : 0;
    const char* unit = wl ? "nm" : "px";
    for (const FwhmSlot& slot : FWHM) {
        SetCtrlAttribute(hMainPanel, slot.positionCtrl, ATTR_PRECISION, digits);
        SetCtrlVal(hMainPanel, slot.unitCtrl, unit);
    }
    SetCtrlVal(hMainPanel, MAINP_FWHM_UNIT_AV, unit);
    SetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_LABEL_TEXT,
                     wl ? "Start of Spectrum  /nm" : "Start Pixel");
    SetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_LABEL_TEXT,
                     wl ? "End of Spectrum  /nm" : "End Pixel");
    SetCtrlAttribute(hMainPanel, MAINP_c1x, ATTR_LABEL_TEXT, wl ? "Wavelength /nm" : "Pixel");
    SetAxisName(hMainPanel, MAINP_SPECGRAPH, VAL_XAXIS, wl ? "Wavelength" : "Pixel");

    int start, end;
    if (wl) {
        start = iStartWaveLen;
        end = iEndWaveLen;
        SetRange(MAINP_STARTWL, iMinWaveLen, iMaxWaveLen - 1, start);
        SetRange(MAINP_ENDWL, iMinWaveLen + 1, iMaxWaveLen, end);
    } else {
        start = iStartPixel;
        end = iEndPixel;
        SetRange(MAINP_STARTWL, 0, stParam.pixelCount - 2, start);
        SetRange(MAINP_ENDWL, 2, stParam.pixelCount - 1, end);
    }
    SetAxisScalingMode(hMainPanel, MAINP_SPECGRAPH, VAL_XAXIS, VAL_MANUAL, start, end);
    SetAxisDivisions(hMainPanel, MAINP_SPECGRAPH, VAL_XAXIS, wl ? 10 : 8);

    // A running continuous measurement keeps resampling switched off.
    int running = 0;
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &running);
    DimMenu(MENUBAR_inter, !wl || running != 0);

    ConfigureDomWave(wl);
    DimMenu(MENUBAR_MATH_FFT, wl);
    DimMenu(MENUBAR_VALLEY, !wl);
    DimMenu(MENUBAR_SYM, !wl);
    DimCentroidChoices(!wl);
}

int RbWave(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X2, 0);
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X1, 1);
    DimMenu(MENUBAR_VALLEY, false);
    DimMenu(MENUBAR_SYM, false);
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
    iPxlWlMode = 1;
    DimCentroidChoices(false);
    set_ChangeToWL();
    set_FWHM_Reset();
    // The series view lives on the pixel axis only.
    const bool seriesArmed = iStartFFT == 1;
    if (seriesArmed) {
        display_ClearMainGraph();
        Dim(hMainPanel, MAINP_CB_FFT, true);
    }
    DimMenu(MENUBAR_MATH_FFT, true);
    display_ClearMainGraph();
    display_Display(1);
    if (seriesArmed) {
        Dim(hMainPanel, MAINP_CB_FFT, true);
        DimMenu(MENUBAR_MATH_FFT, true);
        iStartFFT = 0;
        set_UndimMeasButtons();
    }
    set_HidePeaksPanel();
    return 0;
}

int RbPixel(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    if (event != EVENT_COMMIT)
        return 0;
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X2, 1);
    SetCtrlVal(hAxisScaling, AXISSCAL_RB_X1, 0);
    DimMenu(MENUBAR_VALLEY, true);
    DimMenu(MENUBAR_SYM, true);
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
    iPxlWlMode = 0;
    set_ChangeToPixel();

    // Only peak widths exist on the pixel axis: back to the peak wording.
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_plotline, ATTR_LABEL_TEXT, "Plot Peak Lines");
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_Threshold, ATTR_LABEL_TEXT, "Peak width at");
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_AV, ATTR_VISIBLE, 1);
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_UNIT_AV, ATTR_VISIBLE, 1);
    for (int item : {MENUBAR_FWHM, MENUBAR_VALLEY, MENUBAR_SYM})
        SetMenuBarAttribute(MenuBar(), item, ATTR_CHECKED, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_NONE_MODE, ATTR_CHECKED, 1);
    int valley = 0, symmetry = 0;
    GetCtrlAttribute(hMainPanel, MAINP_VALLEYMODE_CAPTION, ATTR_VISIBLE, &valley);
    GetCtrlAttribute(hMainPanel, MAINP_SYMMODE_CAPTION, ATTR_VISIBLE, &symmetry);
    if (valley || symmetry) {
        SetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_CAPTION, ATTR_VISIBLE, 1);
        set_RadButNameInMode(0);
        SetCtrlAttribute(hMainPanel, MAINP_VALLEYMODE_CAPTION, ATTR_VISIBLE, 0);
        SetCtrlAttribute(hMainPanel, MAINP_SYMMODE_CAPTION, ATTR_VISIBLE, 0);
        SetMenuBarAttribute(MenuBar(), MENUBAR_FWHM, ATTR_CHECKED, 1);
        SetMenuBarAttribute(MenuBar(), MENUBAR_NONE_MODE, ATTR_CHECKED, 0);
        SetCtrlAttribute(hMainPanel, MAINP_SHOWHELP, ATTR_VISIBLE, 0);
    }
    DeleteAllPeak(panel, control, event, callbackData, eventData1, eventData2);

    if (iStartFFT == 1)
        Dim(hMainPanel, MAINP_CB_FFT, false);
    DimMenu(MENUBAR_MATH_FFT, false);
    DimCentroidChoices(true);
    ConfigureDomWave(false);

    display_ClearMainGraph();
    display_Display(1);
    set_HidePeaksPanel();
    return 0;
}

void axis_RegisterCallbacks() {
    g_displayHooks.set_LblForPxlWL = set_LblForPxlWL;
    RegisterCtrlCallback("StartSpec", StartSpec);
    RegisterCtrlCallback("EndSpec", EndSpec);
    RegisterCtrlCallback("RbWave", RbWave);
    RegisterCtrlCallback("RbPixel", RbPixel);
}
