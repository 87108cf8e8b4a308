// Main-window controls that start, repeat and parametrise measurements.
#include <cmath>
#include <cstdint>

#include "link/core_call.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zolt_core.h"

namespace {

constexpr int kArmedColour = 0xFFD0C8; // light red: armed for the device trigger
constexpr int kGreyedText = 0xA0A0A0;
constexpr int kMaxAveragesU16 = 65535; // the start calls take a 16-bit count

// Largest averaging the connected instrument accepts, asked once per
// connection.
bool g_averRead = false;
unsigned g_averConnection = 0;
int g_maxAverages = kMaxAveragesU16;

int MaxAverages() {
    if (iOffline || dwCurrentDevice == 0)
        return kMaxAveragesU16;
    if (!g_averRead || g_averConnection != uConnectCount) {
        uint16_t current = 0, maximum = 0;
        const int status = link_CoreCall("main_GetAverage, ZOLT_GetAverConf", ZOLT_GetAverConf,
                                         dwCurrentDevice, &maximum, &current);
        g_maxAverages = status == ZOLT_OK && maximum >= 1 ? maximum : kMaxAveragesU16;
        g_averRead = true;
        g_averConnection = uConnectCount;
    }
    return g_maxAverages;
}

int KindOf(int control) {
    switch (control) {
    case MAINP_DARK:
        return MEAS_DARK;
    case MAINP_REFERENCE:
        return MEAS_REFERENCE;
    case MAINP_TRANSMISSION:
        return MEAS_TRANSMISSION;
    case MAINP_ABSORBANCE:
        return MEAS_ABSORBANCE;
    case MAINP_FORMULA:
        return MEAS_DERIVATIVE;
    case MAINP_CB_FFT:
        return MEAS_SERIES;
    default:
        return 0;
    }
}

constexpr int kMeasureButtons[] = {MAINP_DARK,       MAINP_REFERENCE, MAINP_TRANSMISSION,
                                   MAINP_ABSORBANCE, MAINP_FORMULA,   MAINP_CB_FFT};

void SetDimmed(int control, int dimmed) {
    SetCtrlAttribute(hMainPanel, control, ATTR_DIMMED, dimmed);
}

void ChooseDerivative() {
    InstallPopup(hFuncPanel);
    const int pressed = RunModalPanel(hFuncPanel, {Func_PANEL_FUNC_OK, Func_PANEL_FUNC_CANCEL});
    if (pressed == Func_PANEL_FUNC_OK) {
        int choice = FuncNr;
        GetCtrlVal(hFuncPanel, Func_PANEL_DERIVATIVE, &choice);
        if (choice == 1 || choice == 2)
            FuncNr = choice;
        display_ClearMainGraph();
    }
    RemovePopup(hFuncPanel);
}

// The adaption's averaging multiplies the averaging, and shows, only while
// the adaption runs before each dark: both options on, on a type 3 device.
// Shown again it starts at 1, until the next adaption finds its own.
void ShowAdaptionAveraging() {
    const int on = iCheckBoxAdapt && iCheckBoxDarkRef && stParam.deviceType == 3 ? 1 : 0;
    if (on)
        SetCtrlVal(hMainPanel, MAINP_AVERADAPT, 1);
    SetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, on);
}

void ClearMeasuredSet() {
    display_ClearMainGraph();
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_DARK);
    spectra = 0;
    iSelect = SHOW_NONE;
    iMess = 0;
    set_MeasBtns(1);
    SetDimmed(MAINP_DARK, 0);
    for (int label : {MAINP_STORED, MAINP_MEASURED}) {
        SetCtrlAttribute(hMainPanel, label, ATTR_TEXT_COLOR, kGreyedText);
        SetDimmed(label, 1);
    }
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
    set_FWHM_Reset();
}

} // namespace

int Callback_MeasureButton(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (usStopFlag)
        return 0;
    if (event == EVENT_RIGHT_CLICK) {
        Orvalin_TrigMeasPopUp(control);
        return 0;
    }
    if (event != EVENT_COMMIT && event != EVENT_LEFT_DOUBLE_CLICK)
        return 0;
    const int kind = KindOf(control);
    if (kind == 0)
        return 0;
    // A single measurement owns the buttons until it ends (a click can only
    // get here through a mode switch or a device event meanwhile).
    if (measure_IsRunning() && iSiCont == 0)
        return 0;
    iCbSelect = kind;
    if (event == EVENT_LEFT_DOUBLE_CLICK) {
        if (control == MAINP_FORMULA)
            ChooseDerivative();
        return 0;
    }
    if (iSiCont == 0) {
        main_Measure();
        return 0;
    }
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 1);
    SetMenuBarAttribute(hMenuBar, MENUBAR_inter, ATTR_MENU_DIMMED, 1);
    SetMenuBarAttribute(hMenuBar, MENUBAR_csv, ATTR_MENU_DIMMED, 1);
    SetMenuBarAttribute(hMenuBar, MENUBAR_excel, ATTR_MENU_DIMMED, 1);
    SetDimmed(MAINP_SELECT_GRAPH, 1);
    return 0;
}

int ContMeas(int panel, int control, int event, void* callbackData, int eventData1,
             int eventData2) {
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_TIMER_TICK || usStopFlag)
        return 0;
    if (iSiCont == 0) {
        CancelContinuous();
        return 0;
    }
    ScanDelay(panel, MAINP_SCDELAY, EVENT_LEFT_CLICK, nullptr, 0, 0);
    GetCtrlVal(hMainPanel, MAINP_SCDELAY, &dScanDel);
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_INTERVAL, dScanDel / 1000.0);
    if (iCbSelect == 0)
        return 0;
    SetCtrlAttribute(hMainPanel, MAINP_WAITING, ATTR_VISIBLE, 1);
    main_Measure();
    return 0;
}

int ScanMode(int panel, int control, int event, void* callbackData, int eventData1,
             int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED)
        return 0;
    if (measure_RefuseDuringStep(MAINP_SCANMODE))
        return 0;
    GetCtrlVal(hMainPanel, MAINP_SCANMODE, &iSiCont);
    if (iSiCont) {
        GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint);
        main_GetAverage();
        ScanDelay(hMainPanel, MAINP_SCDELAY, EVENT_LEFT_CLICK, nullptr, 0, 0);
    }
    SetCtrlAttribute(hMainPanel, MAINP_SAVE, ATTR_VISIBLE, iSiCont ? 0 : 1);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_VISIBLE, iSiCont ? 1 : 0);
    // A running step sets the buttons when it ends.
    if (!measure_IsRunning())
        set_UndimMeasButtons();
    return 0;
}

int ScanDelay(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT || event == EVENT_LEFT_CLICK)
        set_ScanDelay();
    return 0;
}

int SetAver(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT || measure_RefuseDuringStep(MAINP_AVER))
        return 0;
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint);
    main_GetAverage();
    set_ScanDelay();
    return 0;
}

int SetTint(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData2;
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED && event != EVENT_KEYPRESS)
        return 0;
    // Esc is the panel's break key, not an entry: it goes on to the panel,
    // also while a continuous step polls.
    if (event == EVENT_KEYPRESS && eventData1 == VAL_ESC_VKEY)
        return 0;
    // In continuous mode the user types on while a step runs; the entry
    // counts when the step ends.
    if (event == EVENT_KEYPRESS && measure_ContinuousStepRunning())
        return 0;
    // A running step would otherwise lose its dark halfway; a key typed
    // meanwhile is swallowed.
    if (measure_RefuseDuringStep(MAINP_INTTIME))
        return event == EVENT_KEYPRESS ? 1 : 0;
    if (event == EVENT_KEYPRESS && (eventData1 & VAL_VKEY_MASK) == 0 &&
        (eventData1 & VAL_ASCII_KEY_MASK) == ',')
        SetKeyPressEventKey((eventData1 & ~VAL_ASCII_KEY_MASK) | '.');

    SetDimmed(MAINP_DARK, 0);
    for (int button :
         {MAINP_REFERENCE, MAINP_CB_FFT, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA})
        SetDimmed(button, 1);
    iSelect = SHOW_DARK;
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_DARK);
    display_ClearMainGraph();
    iMess = 0;
    const int n = stParam.pixelCount;
    if (n > 0 && iAllocatedPixels >= n) {
        for (double* a : {dDark, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2})
            if (a)
                for (int i = 0; i < n; ++i)
                    a[i] = 0.0;
    }
    set_ScanDelay();
    display_Display(1);
    return 0;
}

int cbCheckBoxDarkRef(int panel, int control, int event, void* callbackData, int eventData1,
                      int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, colorMeasButt);
    SetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_CMD_BUTTON_COLOR, colorMeasButt);
    GetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, &iCheckBoxDarkRef);
    int refTop = 0, refHeight = 0, darkTop = 0;
    GetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_TOP_C, &refTop);
    GetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_HEIGHT_C, &refHeight);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_TOP_C, &darkTop);
    if (iCheckBoxDarkRef) {
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_HEIGHT_C, refTop - darkTop + refHeight);
        SetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_VISIBLE, 0);
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_LABEL_TEXT, "Dark\n+\nReference\nSpectra");
        SetCtrlAttribute(hMainPanel, MAINP_CHECKBOXADAPT, ATTR_VISIBLE, 1);
    } else {
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_LABEL_TEXT, "Dark Spectrum");
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_HEIGHT_C, refHeight);
        SetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_VISIBLE, 1);
        SetCtrlAttribute(hMainPanel, MAINP_CHECKBOXADAPT, ATTR_VISIBLE, 0);
    }
    ShowAdaptionAveraging();
    return 0;
}

int cbCheckBoxAdapt(int panel, int control, int event, void* callbackData, int eventData1,
                    int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(hMainPanel, MAINP_CHECKBOXADAPT, &iCheckBoxAdapt);
    ShowAdaptionAveraging();
    return 0;
}

int KeyPress(int panel, int control, int event, void* callbackData, int eventData1,
             int eventData2) {
    (void)control;
    (void)callbackData;
    (void)eventData2;
    // The statistics window closes by its frame like by its Close button.
    if (event == EVENT_CLOSE && panel != hMainPanel && panel == hStatTable) {
        HidePanel(panel);
        return 0;
    }
    // The main window's close box asks and quits as the QUIT button does.
    if (event == EVENT_CLOSE && panel == hMainPanel)
        return Quit(panel, MAINP_QUIT, EVENT_COMMIT, callbackData, 0, 0);
    if (event != EVENT_KEYPRESS || usStopFlag)
        return 0;
    const bool mainPanel = panel == hMainPanel;
    switch (eventData1) {
    case VAL_ESC_VKEY:
        // A break asked for at idle would stop the next measurement.
        if (measure_IsRunning())
            iBreakMeas = 1;
        CancelContinuous();
        break;
    case VAL_MENUKEY_MODIFIER | VAL_TAB_VKEY:
        if (mainPanel)
            DisplayPanel(hStatTable);
        else if (panel == hStatTable)
            DisplayPanel(hMainPanel);
        break;
    case VAL_BACKSPACE_VKEY:
        // Not under a running step: it would add its kind to an empty set.
        if (!measure_IsRunning())
            ClearMeasuredSet();
        break;
    case VAL_HOME_VKEY:
        display_Display(1);
        break;
    case '*':
    case VAL_MENUKEY_MODIFIER | 'F':
        // The parameter window talks to the device: not under a running poll.
        if (mainPanel && !measure_IsRunning())
            g_parameterHooks.ShowParUtility(hMenuBar, MENUBAR_PAR_UTILITY, nullptr, hMainPanel);
        break;
    default:
        break;
    }
    return 0;
}

void set_ScanDelay() {
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint);
    main_GetAverage();
    if (stParam.baudrate == 0)
        stParam.baudrate = 38400;
    const int n = stParam.pixelCount > 0 ? stParam.pixelCount : 0;
    const double period =
        1.05 * iAverage * fTint + (n * 20) / stParam.baudrate + stParam.sDelay + 150.0;
    dScanPeriodUIR = period;
    const double minimum = std::ceil(period / 100.0 + 1.0) * 100.0;
    dScanPeriodUIR = minimum;
    SetCtrlAttribute(hMainPanel, MAINP_SCDELAY, ATTR_MIN_VALUE, minimum);
    double current = 0.0;
    GetCtrlVal(hMainPanel, MAINP_SCDELAY, &current);
    if (current < minimum)
        SetCtrlVal(hMainPanel, MAINP_SCDELAY, minimum);
    else
        dScanPeriodUIR = current;
    SetDimmed(MAINP_SCDELAY, 0);
}

void main_GetAverage() {
    int aver = 1;
    GetCtrlVal(hMainPanel, MAINP_AVER, &aver);
    const int maximum = MaxAverages();
    if (aver > maximum) {
        aver = maximum;
        SetCtrlVal(hMainPanel, MAINP_AVER, aver);
    }
    if (aver < 1)
        aver = 1;
    long long total = aver;
    int visible = 0;
    GetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, &visible);
    if (visible) {
        int adapt = 1;
        GetCtrlVal(hMainPanel, MAINP_AVERADAPT, &adapt);
        total *= adapt;
    }
    if (total > maximum)
        total = maximum;
    if (total < 1)
        total = 1;
    iAverage = static_cast<int>(total);
}

void set_MeasBtns(int dimmed) {
    for (int button : {MAINP_DARK, MAINP_REFERENCE, MAINP_ABSORBANCE, MAINP_TRANSMISSION,
                       MAINP_FORMULA, MAINP_CB_FFT})
        SetDimmed(button, dimmed ? 1 : 0);
}

void set_UndimMeasButtons() {
    if (iOffline) {
        SetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 1);
        return;
    }
    SetDimmed(MAINP_DARK, 0);
    for (int button : {MAINP_REFERENCE, MAINP_ABSORBANCE, MAINP_TRANSMISSION, MAINP_FORMULA})
        SetDimmed(button, 1);
    if (iMess & MEAS_DARK)
        SetDimmed(MAINP_REFERENCE, 0);
    if (measure_DerivationReady())
        SetDimmed(MAINP_FORMULA, 0);
    if (iMess & MEAS_REFERENCE) {
        SetDimmed(MAINP_ABSORBANCE, 0);
        SetDimmed(MAINP_TRANSMISSION, 0);
    }
    if (iSelect == SHOW_REFERENCE && iXAchse == 1)
        SetMenuBarAttribute(hMenuBar, MENUBAR_inter, ATTR_MENU_DIMMED, 0);
}

void Orvalin_TrigMeasPopUp(int control) {
    const int item = RunPopupMenu(hTrigMeasBar, TRIGMEAS_TRIG, hMainPanel, -1, -1);
    if (item <= 0)
        return;
    for (int button : kMeasureButtons)
        SetCtrlAttribute(hMainPanel, button, ATTR_CMD_BUTTON_COLOR, colorMeasButt);
    if (item == TRIGMEAS_TRIG_ON)
        SetCtrlAttribute(hMainPanel, control, ATTR_CMD_BUTTON_COLOR, kArmedColour);
}

void measure_RegisterCallbacks() {
    RegisterCtrlCallback("Callback_MeasureButton", Callback_MeasureButton);
    RegisterCtrlCallback("ScanMode", ScanMode);
    RegisterCtrlCallback("ScanDelay", ScanDelay);
    RegisterCtrlCallback("SetAver", SetAver);
    RegisterCtrlCallback("SetTint", SetTint);
    RegisterCtrlCallback("ContMeas", ContMeas);
    RegisterCtrlCallback("cbCheckBoxDarkRef", cbCheckBoxDarkRef);
    RegisterCtrlCallback("cbCheckBoxAdapt", cbCheckBoxAdapt);
    RegisterCtrlCallback("KeyPress", KeyPress);
}
