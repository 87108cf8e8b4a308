// Marker modes (MODE menu), the wavelength read-outs chosen in the WL Values
// dialog, the valley-centroid interval dialog, the asymmetry-factor help and
// the peak centroid on the graph.
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "link/connect.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zoltmath.h"

int iDomWaveLineHandle = 0;

namespace {

enum MarkerKind { KIND_PEAK = 0, KIND_VALLEY = 1, KIND_SYMMETRY = 2 };

constexpr int kBlack = 0x000000;

// Set when the interval dialog took a usable interval.
bool g_intervalAccepted = false;

int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

void SetVisible(int panel, int control, int visible) {
    SetCtrlAttribute(panel, control, ATTR_VISIBLE, visible);
}

void DimPrintProtocol(int dimmed) {
    SetMenuBarAttribute(MenuBar(), MENUBAR_FILE_PROTOCOL, ATTR_MENU_DIMMED, dimmed);
}

void CheckModeMenu(int item) {
    for (int i : {MENUBAR_FWHM, MENUBAR_VALLEY, MENUBAR_SYM, MENUBAR_NONE_MODE})
        SetMenuBarAttribute(MenuBar(), i, ATTR_CHECKED, i == item ? 1 : 0);
}

void DeleteAllMarkerLines() {
    for (FwhmSlot& slot : FWHM) {
        if (slot.plotHandle != 0)
            DeleteGraphPlot(hMainPanel, MAINP_SPECGRAPH, slot.plotHandle, VAL_IMMEDIATE_DRAW);
        slot.plotHandle = 0;
    }
}

void ClearMarkers() {
    set_FWHM_Reset();
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
    FWHM_AV_CALC();
}

// The three captions share one place on the panel; the valley caption is put
// where the peak caption sits.
void PlaceValleyCaption() {
    int top = 0, left = 0;
    if (GetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_CAPTION, ATTR_TOP_C, &top) == 0 &&
        GetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_CAPTION, ATTR_LEFT_C, &left) == 0) {
        SetCtrlAttribute(hMainPanel, MAINP_VALLEYMODE_CAPTION, ATTR_TOP_C, top);
        SetCtrlAttribute(hMainPanel, MAINP_VALLEYMODE_CAPTION, ATTR_LEFT_C, left);
    }
}

// The steps a marker mode takes when it becomes active.
void EnterMarkerMode(MarkerKind kind) {
    set_VisiblePeaks(1);
    if (kind == KIND_SYMMETRY)
        DeleteAllMarkerLines();
    SetVisible(hMainPanel, MAINP_SHOWHELP, kind == KIND_SYMMETRY);
    SetCtrlVal(hMainPanel, MAINP_FWHM_Threshold, kind == KIND_SYMMETRY ? iThrSym : iThrOther);
    if (kind == KIND_PEAK)
        DimPrintProtocol(0);
    iFwhmMode = kind == KIND_PEAK;
    iValMode = kind == KIND_VALLEY;
    sym_mode = kind == KIND_SYMMETRY;
    Main_MakeMainGraph_Small_or_Big(0);
    if (kind != KIND_VALLEY)
        SetCtrlAttribute(hMainPanel, MAINP_FWHM_plotline, ATTR_LABEL_TEXT, "Plot Peak Lines");
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_Threshold, ATTR_LABEL_TEXT,
                     kind == KIND_PEAK     ? "Peak width at"
                     : kind == KIND_VALLEY ? "Valley width at"
                                           : "Symmetry at");
    SetVisible(hMainPanel, MAINP_FWHM_AV, kind == KIND_PEAK);
    SetVisible(hMainPanel, MAINP_FWHM_UNIT_AV, kind == KIND_PEAK);
    ClearMarkers();
    SetVisible(hMainPanel, MAINP_FWHMMODE_CAPTION, kind == KIND_PEAK);
    SetVisible(hMainPanel, MAINP_VALLEYMODE_CAPTION, kind == KIND_VALLEY);
    SetVisible(hMainPanel, MAINP_SYMMODE_CAPTION, kind == KIND_SYMMETRY);
    CheckModeMenu(kind == KIND_PEAK     ? MENUBAR_FWHM
                  : kind == KIND_VALLEY ? MENUBAR_VALLEY
                                        : MENUBAR_SYM);
    set_RadButNameInMode(kind == KIND_VALLEY ? 1 : 0);
}

// Main-panel read-out DOM_WAVE: its label and digits after the point.
void ConfigureDomWave(const char* label, int digits) {
    SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_LABEL_TEXT, label);
    SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION, digits);
}

bool TurnedOn(int panel, int control) {
    int on = 0;
    GetCtrlVal(panel, control, &on);
    return on != 0;
}

void TurnOff(int panel, std::initializer_list<int> controls) {
    for (int c : controls)
        SetCtrlVal(panel, c, 0);
}

// Asks for the valley-centroid interval until one is taken or the dialog is
// left; leaving it unchecks the valley-centroid box.
void AskCogInterval() {
    for (;;) {
        g_intervalAccepted = false;
        const int pressed =
            RunModalPanel(hCOGIntervalPanel, {COG_VAL_OK_BUTTON, COG_VAL_CANCEL_BUTTON});
        if (pressed == COG_VAL_OK_BUTTON) {
            if (g_intervalAccepted)
                return;
            continue;
        }
        if (pressed != COG_VAL_CANCEL_BUTTON) // the close box, or no dialog
            CancelValCOGInterval(hCOGIntervalPanel, COG_VAL_CANCEL_BUTTON, EVENT_COMMIT, nullptr, 0,
                                 0);
        return;
    }
}

} // namespace

// ------------------------------------------------------------ marker modes

void PeakMode(int, int, void*, int) {
    if (iFwhmMode == 0)
        EnterMarkerMode(KIND_PEAK);
}

void ValleyMode(int, int, void*, int) {
    DimPrintProtocol(1);
    SetCtrlAttribute(hMainPanel, MAINP_FWHM_plotline, ATTR_LABEL_TEXT, "Plot Valley Lines");
    PlaceValleyCaption();
    if (iValMode == 0)
        EnterMarkerMode(KIND_VALLEY);
}

void SymMode(int, int, void*, int) {
    DimPrintProtocol(1);
    if (sym_mode == 0)
        EnterMarkerMode(KIND_SYMMETRY);
}

void NoneMode(int, int, void*, int) {
    DimPrintProtocol(1);
    DeleteAllMarkerLines();
    SetVisible(hMainPanel, MAINP_SHOWHELP, 0);
    iFwhmMode = 0;
    iValMode = 0;
    sym_mode = 0;
    Main_MakeMainGraph_Small_or_Big(1);
    ClearMarkers();
    CheckModeMenu(MENUBAR_NONE_MODE);
    set_VisiblePeaks(0);
}

// ------------------------------------------------------- read-out dialog

void CondDisplay(int, int, void*, int) {
    const int pressed = RunModalPanel(hWlValDispl, {WLVALUE_CDB_OK, WLVALUE_CDB_CANCEL});
    if (pressed < 0)
        return; // the dialog is not there
    if (pressed != WLVALUE_CDB_OK && pressed != WLVALUE_CDB_CANCEL)
        CancelPeakValley(hWlValDispl, WLVALUE_CDB_CANCEL, EVENT_COMMIT, nullptr, 0, 0);

    GetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, &iCkdDomWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, &iCkdFwhm);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, &iCkdMaxWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_MIN_WAVE, &iCkdMinWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, &iCkdCogVal);

    const bool wavelength = iXAchse != 0;
    if (iCkdMaxWave)
        ConfigureDomWave(wavelength ? "Peak /nm" : "Peak /px", wavelength ? 2 : 0);
    else if (iCkdMinWave)
        ConfigureDomWave(wavelength ? "Valley /nm" : "Valley /px", wavelength ? 2 : 0);
    else if (iCkdCogVal)
        ConfigureDomWave("COG Valley /nm", 3);
    else if (iCkdDomWave)
        ConfigureDomWave("Centroid Wavelength /nm", 3);

    if (iMess > 0)
        display_ClearMainGraph();
    display_Display(1);
}

int FwhmValue(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (TurnedOn(panel, control)) {
        TurnOff(panel, {WLVALUE_CB_MIN_WAVE, WLVALUE_CB_COG_VALLEY});
        SetVisible(hMainPanel, MAINP_FWHM, 0);
    }
    return 0;
}

int PeakValue(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (TurnedOn(panel, control))
        TurnOff(panel, {WLVALUE_CB_MIN_WAVE, WLVALUE_CB_DOM_WAVE, WLVALUE_CB_COG_VALLEY});
    return 0;
}

int ValleyValue(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (TurnedOn(panel, control))
        TurnOff(panel,
                {WLVALUE_CB_MAX_WAVE, WLVALUE_CB_DOM_WAVE, WLVALUE_CB_FWHM, WLVALUE_CB_COG_VALLEY});
    return 0;
}

int CogValleyValue(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (TurnedOn(panel, control)) {
        TurnOff(panel,
                {WLVALUE_CB_FWHM, WLVALUE_CB_MAX_WAVE, WLVALUE_CB_DOM_WAVE, WLVALUE_CB_MIN_WAVE});
        AskCogInterval();
    }
    return 0;
}

int DomValue(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (TurnedOn(panel, control)) {
        TurnOff(panel, {WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE, WLVALUE_CB_COG_VALLEY});
        SetVisible(hMainPanel, MAINP_DOM_WAVE, 1);
    } else {
        SetVisible(hMainPanel, MAINP_DOM_WAVE, 0);
    }
    return 0;
}

int CancelPeakValley(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    TurnOff(panel, {WLVALUE_CB_FWHM, WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE,
                    WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE});
    return 0;
}

int OkPeakValley(int, int, int, void*, int, int) {
    return 0;
}

int GetValCOGInterval(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    double interval = 0.0;
    GetCtrlVal(panel, COG_VAL_NUMERIC, &interval);
    if (!(interval > 0.0) || !std::isfinite(interval)) {
        // A window of no width holds no valley; the last interval stays.
        MessagePopup("Message", "The interval must be greater than 0 nm.");
        return 0;
    }
    dCOGInterval = interval;
    g_intervalAccepted = true;
    RemovePopup(panel);
    return 0;
}

int CancelValCOGInterval(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    SetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, 0);
    RemovePopup(panel);
    return 0;
}

int ShowAsFHelp(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        DisplayPanel(hAsFHelp);
    return 0;
}

int CloseAsFHelp(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        HidePanel(hAsFHelp);
    return 0;
}

// ------------------------------------------------------- peak centroid

void DomWave() {
    double level = 0.0;
    int start = 0, end = 0;
    GetCtrlVal(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, &level);
    GetCtrlVal(hMainPanel, MAINP_STARTWL, &start);
    GetCtrlVal(hMainPanel, MAINP_ENDWL, &end);

    // The displayed range limits the centroid; the device's own range in
    // iMinWaveLen / iMaxWaveLen is left alone.
    ZoltMathCurveRange range;
    range.iNumOfPnt = iNumOfMeas;
    range.iMinWaveLen = start;
    range.iMaxWaveLen = end;

    double centroid = 0.0, value = 0.0;
    int index = -1;
    if (iXAchse != 0 && level > 0.0 && level < 100.0 && dXInterpolVal != nullptr &&
        dYInterpolVal != nullptr && iNumOfMeas >= 2)
        index = zoltmath_DomWavePeak(dYInterpolVal, dXInterpolVal, level, dXcursor, &centroid,
                                     &value, range);
    if (index < 0 || index >= iNumOfMeas || !std::isfinite(centroid) || !std::isfinite(value)) {
        SetCtrlVal(hMainPanel, MAINP_DOM_WAVE, 0.0);
        return;
    }
    dXcursor = centroid;
    dYcursor = value;
    SetCtrlVal(hMainPanel, MAINP_DOM_WAVE, dXcursor);
    if (iDomWaveLineHandle != 0)
        DeleteGraphPlot(hMainPanel, MAINP_SPECGRAPH, iDomWaveLineHandle, VAL_IMMEDIATE_DRAW);
    const int h = PlotLine(hMainPanel, MAINP_SPECGRAPH, dXcursor, 0.0, dXcursor, dYcursor, kBlack);
    iDomWaveLineHandle = h > 0 ? h : 0;
    if (iPlotHandle1 <= 0 ||
        SetGraphCursorIndex(hMainPanel, MAINP_SPECGRAPH, 1, iPlotHandle1, index) != 0)
        display_CursorToCurve(1, dXInterpolVal[index], dYInterpolVal[index]);
}

void set_DomWaveCtrl(int kind) {
    int box;
    switch (kind) {
    case 1:
        ConfigureDomWave("Peak /nm", 2);
        box = WLVALUE_CB_MAX_WAVE;
        break;
    case 2:
        ConfigureDomWave("Valley /nm", 2);
        box = WLVALUE_CB_MIN_WAVE;
        break;
    case 3:
        ConfigureDomWave("Centroid Wavelength /nm", 3);
        box = WLVALUE_CB_DOM_WAVE;
        break;
    case 4:
        ConfigureDomWave("COG Valley /nm", 3);
        box = WLVALUE_CB_COG_VALLEY;
        break;
    default:
        return;
    }
    if (kind == 4 && !(dCOGInterval > 0.0)) {
        // Restored without an interval confirmed in this run: the one the
        // interval dialog shows, so the read-out has a window at all.
        double shown = 0.0;
        if (GetCtrlVal(hCOGIntervalPanel, COG_VAL_NUMERIC, &shown) == 0 && shown > 0.0 &&
            std::isfinite(shown))
            dCOGInterval = shown;
    }
    SetCtrlVal(hWlValDispl, box, 1);
    SetVisible(hMainPanel, MAINP_DOM_WAVE, 1);
}

void set_WlValueChecked() {
    SetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, iCkdDomWave);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, iCkdMaxWave);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_MIN_WAVE, iCkdMinWave);
}

// ------------------------------------------------------------ registry

void eval_RegisterCallbacks() {
    RegisterCtrlCallback("SpecPaintPanel", SpecPaintPanel);
    RegisterCtrlCallback("RadButPeak", RadButPeak);
    RegisterCtrlCallback("DeleteAllPeak", DeleteAllPeak);
    RegisterCtrlCallback("PlotPeakValFwhm", PlotPeakValFwhm);
    RegisterCtrlCallback("FWHM_Copy_To_Buffer", FWHM_Copy_To_Buffer);
    RegisterCtrlCallback("FwhmValue", FwhmValue);
    RegisterCtrlCallback("PeakValue", PeakValue);
    RegisterCtrlCallback("ValleyValue", ValleyValue);
    RegisterCtrlCallback("CogValleyValue", CogValleyValue);
    RegisterCtrlCallback("DomValue", DomValue);
    RegisterCtrlCallback("CancelPeakValley", CancelPeakValley);
    RegisterCtrlCallback("OkPeakValley", OkPeakValley);
    RegisterCtrlCallback("GetValCOGInterval", GetValCOGInterval);
    RegisterCtrlCallback("CancelValCOGInterval", CancelValCOGInterval);
    RegisterCtrlCallback("ShowAsFHelp", ShowAsFHelp);
    RegisterCtrlCallback("CloseAsFHelp", CloseAsFHelp);
    RegisterMenuCallback("PeakMode", PeakMode);
    RegisterMenuCallback("ValleyMode", ValleyMode);
    RegisterMenuCallback("SymMode", SymMode);
    RegisterMenuCallback("NoneMode", NoneMode);
    RegisterMenuCallback("CondDisplay", CondDisplay);
}

void eval_ResetState() {
    eval_ResetFwhmTable();
    iDomWaveLineHandle = 0;
    g_intervalAccepted = false;
}
