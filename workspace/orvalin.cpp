// Start-up and quit of the program: defaults, panels, settings, shutdown.
#include "workspace/orvalin.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "export/export_hooks.h"
#include "export/output_links.h"
#include "export/protocol.h"
#include "export/sheet_output.h"
#include "link/connect.h"
#include "link/core_call.h"
#include "link/device_params.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_Protocol_ui.h"
#include "orvalin_ui.h"
#include "parameters/par_window.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/layout.h"
#include "workspace/measure.h"
#include "workspace/state.h"
#include "zolt_core.h"

double dStartupPause = 1.0;

namespace {

// Axis-scaling controls in the order of dUserBounds.
constexpr int kBoundCtrls[12] = {AXISSCAL_DRK_MIN,  AXISSCAL_DRK_MAX, AXISSCAL_REF_MIN,
                                 AXISSCAL_REF_MAX,  AXISSCAL_TRA_MIN, AXISSCAL_TRA_MAX,
                                 AXISSCAL_ABS_MIN,  AXISSCAL_ABS_MAX, AXISSCAL_CALC_MIN,
                                 AXISSCAL_CALC_MAX, AXISSCAL_FFT_MIN, AXISSCAL_FFT_MAX};

// Protocol header fields, in the order of the protocol header texts.
constexpr int kProtocolHeaderCtrls[6] = {PRINT_SPEC_NUM, PRINT_SPEC_TYPE,  PRINT_ARRAY_TYPE,
                                         PRINT_PIXEL,    PRINT_FIBER_SLIT, PRINT_OPERATOR};

// Copies at most size - 1 characters and always terminates.
void CopyText(char* dst, std::size_t size, const char* src) {
    const std::size_t n = strnlen(src, size - 1);
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

// The user's language as the four hexadecimal digits of a Windows language
// id, which the spreadsheet output expects.
void FillLocaleLanguage() {
    struct Lang {
        const char* prefix;
        unsigned id;
    };
    // Longer prefixes first so a region-specific entry wins.
    static const Lang kLangs[] = {
        {"en_GB", 0x0809}, {"en", 0x0409}, {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de", 0x0407},
        {"fr_CH", 0x100C}, {"fr", 0x040C}, {"es", 0x0C0A},    {"it", 0x0410},    {"nl", 0x0413},
        {"pt_BR", 0x0416}, {"pt", 0x0816}, {"pl", 0x0415},    {"cs", 0x0405},    {"sv", 0x041D},
        {"da", 0x0406},    {"fi", 0x040B}, {"ru", 0x0419},    {"ja", 0x0411},    {"ko", 0x0412},
        {"zh_TW", 0x0404}, {"zh", 0x0804}, {"tr", 0x041F},    {"hu", 0x040E}};
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') {
            name = v;
            break;
        }
    }
    unsigned id = 0x0409;
    if (name != nullptr) {
        for (const Lang& l : kLangs) {
            if (std::strncmp(name, l.prefix, std::strlen(l.prefix)) == 0) {
                id = l.id;
                break;
            }
        }
    }
    std::memset(cLocaleLanguage, 0, sizeof cLocaleLanguage);
    std::snprintf(cLocaleLanguage, 5, "%04X", id);
}

} // namespace

// ---------------------------------------------------------------- arguments
int orvalin_StoreArguments(int argc, char** argv, std::string* error) {
    std::memset(sArg1, 0, sizeof sArg1);
    std::memset(sArg2, 0, sizeof sArg2);
    for (int i = 1; i <= 2 && i < argc; ++i) {
        if (argv[i] != nullptr && std::strlen(argv[i]) > static_cast<std::size_t>(kMaxArgLength)) {
            if (error != nullptr) {
                *error = "Command line argument " + std::to_string(i) + " is longer than " +
                         std::to_string(kMaxArgLength) + " characters and is not accepted.";
            }
            return -1;
        }
    }
    if (argc > 1 && argv[1] != nullptr)
        CopyText(sArg1, sizeof sArg1, argv[1]);
    if (argc > 2 && argv[2] != nullptr)
        CopyText(sArg2, sizeof sArg2, argv[2]);
    return 0;
}

// ------------------------------------------------------------------ defaults
void InitVariables(int reconnect) {
    stParam.baudrate = 115000;
    CopyText(sPassword, sizeof sPassword, "6043");
    iBreakMeas = 0;
    dAbsoluteMin = 1.0e6;
    dAbsoluteMax = -1.0e6;
    iActiveCursor = iPlotHandle = iPlotHandle1 = iPlotHandle2 = 0;
    iXAchse = 1;
    iSelect = 1;
    FuncNr = 1;
    iMess = iCkdMaxWave = iCkdMinWave = 0;
    iOffline = 1;
    dXcursor = dYcursor = 0.0;
    imgID = -1;
    iSvGlChecked = iBxcrChecked = 0;
    inL = inR = iDeg = 2;
    iBxcrParam = 1;
    iStatisticsParam = 0;
    iMeasTask = 1;
    CopyText(cStatMsg1, sizeof cStatMsg1, "The given number of measurements is reached.");
    CopyText(cStatMsg2, sizeof cStatMsg2, "Statistics is stopped");
    iStat_CreatedTable = iStatDark = iStatRef = iStatTrans = iStatAbs = 0;
    iStartFFT = iFFTReady = 0;
    iStartWlScal = iEndWlScal = 1;
    dScanPeriodUIR = 0.0;
    iCbSelect = 0;
    usStopFlag = 0;
    usStatMesFlag = 0;
    iThrSym = 10;
    iThrOther = 50;
    eval_ResetFwhmTable();
    iCompare = 0;
    // An open CSV link goes on appending to its table across a reconnection.
    if (reconnect == 0 || iCSV == 0)
        iNumOfCSV = 0;
    if (reconnect == 0) {
        iNumOfCSV = 0; // the open table keeps its columns over a reconnection
        iValMode = sym_mode = iFwhmMode = 0;
        passForSavePar_already_entered = 0;
        iExcelStart = iTableOpen = iCSV = iASCII = iNoExcel = iWithExcel = 0;
    }
}

// ------------------------------------------------------------------ panels
int orvalin_LoadPanels() {
    // The main window is fitted to the screen with its menu bar, which adds
    // to its height.
    hMainPanel = LoadPanel(0, kMainUiFile, MAINP);
    if (hMainPanel <= 0) {
        hMainPanel = 0;
        return -1;
    }
    hMenuBar = LoadMenuBar(hMainPanel, kMainUiFile, MENUBAR);
    hXAxisResetBar = LoadMenuBar(0, kMainUiFile, XAXISRESET);
    hTrigMeasBar = LoadMenuBar(0, kMainUiFile, TRIGMEAS);
    if (hMenuBar <= 0 || hXAxisResetBar <= 0 || hTrigMeasBar <= 0)
        return -1;
    main_adjust_panel_to_screen(hMainPanel);

    hDDEPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, DDE_PANEL);
    hDevselectPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, DEVSELECT);
    hConfigPanel = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, CONFIG_P);
    hScalePanel = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, AUTO_SCALE);
    hWlValDispl = main_LoadPanel_and_Adjust(0, kMainUiFile, WLVALUE);
    hFuncPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, Func_PANEL);
    hInfLoad = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, FILELOAD);
    hCommentPanel = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, COMMENT);
    hAxisScaling = main_LoadPanel_and_Adjust(0, kMainUiFile, AXISSCAL);
    hOpPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, PANEL_OP);
    hSmoothPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, SMOOTHFLTR);

    hPrtPanel = main_LoadPanel_and_Adjust(0, kProtocolUiFile, PROTOCOL1);
    hPrtHead = main_LoadPanel_and_Adjust(0, kProtocolUiFile, PRINT);
    hStatPar = main_LoadPanel_and_Adjust(0, kMainUiFile, STAT_PARAM);
    hStatTable = main_LoadPanel_and_Adjust(0, kMainUiFile, STATISTICS);
    hStatWaitInf = main_LoadPanel_and_Adjust(0, kMainUiFile, STAT_WAIT);
    hFFTParPanel = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, FFT_PARAM);
    hProgressPanel = main_LoadPanel_and_Adjust(hMainPanel, kMainUiFile, PROGRESS_P);
    iCSVhandle = main_LoadPanel_and_Adjust(0, kMainUiFile, CSV_OUTPUT);
    hCOGIntervalPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, COG_VAL);
    hAboutPanel = main_LoadPanel_and_Adjust(0, kMainUiFile, ABOUT);
    about_MakeLinks();
    hAsFHelp = main_LoadPanel_and_Adjust(0, kMainUiFile, ASFHELP);
    hParUtil = main_LoadPanel_and_Adjust(0, kMainUiFile, PARUTILITY);

    int* const pages[12] = {&hTabRoot, &hTabAdc,   &hTabSens,   &hTabComm,
                            &hTabMeas, &hTabScan,  &hTabPeriph, &hTabSpecFun,
                            &hTabCor,  &hTabOther, &hTabLog,    &hTabBlock};
    for (int i = 0; i < 12; ++i) {
        if (GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR, i, pages[i]) != 0)
            *pages[i] = 0;
    }
    return 0;
}

void orvalin_DiscardPanels() {
    int* const panels[] = {
        &hTabRoot,          &hTabAdc,      &hTabSens,       &hTabComm,        &hTabMeas,
        &hTabScan,          &hTabPeriph,   &hTabSpecFun,    &hTabCor,         &hTabOther,
        &hTabLog,           &hTabBlock,    &hParUtil,       &hAsFHelp,        &hAboutPanel,
        &hCOGIntervalPanel, &iCSVhandle,   &hProgressPanel, &hFFTParPanel,    &hStatWaitInf,
        &hStatTable,        &hStatPar,     &hPrtHead,       &hPrtPanel,       &hSmoothPanel,
        &hOpPanel,          &hAxisScaling, &hCommentPanel,  &hInfLoad,        &hFuncPanel,
        &hWlValDispl,       &hScalePanel,  &hConfigPanel,   &hDevselectPanel, &hDDEPanel};
    for (int* p : panels)
        *p = 0;
    for (int* bar : {&hTrigMeasBar, &hXAxisResetBar, &hMenuBar}) {
        if (*bar > 0)
            DiscardMenuBar(*bar);
        *bar = 0;
    }
    hMainBar = 0;
    // Child panels and tab pages go with their parents.
    if (hMainPanel > 0)
        DiscardPanel(hMainPanel);
    hMainPanel = 0;
}

// ---------------------------------------------------------------- settings
void Init() {
    hMainBar = GetPanelMenuBar(hMainPanel);
    if (hMainBar <= 0)
        hMainBar = hMenuBar;

    // Configuration file (config.ini); without one its defaults are set.
    g_exportHooks.fileio_ReadIniFile();
    cbMenu_Display_ClearSpectra_optchange(0, 0, nullptr, 0);

    fileio_Log_Start();

    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, iCheckBoxDarkRef);
    CallCtrlCallback(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, 0, 0);
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXADAPT, iCheckBoxAdapt);
    // Shown offline too, so what the controls give back later is the setting.
    if (fTint > 0.0f)
        SetCtrlVal(hMainPanel, MAINP_INTTIME, static_cast<double>(fTint));

    for (int i = 0; i < kPrtHeaderCount; ++i)
        SetCtrlVal(hPrtHead, kProtocolHeaderCtrls[i], cPrtBuf[kPrtHeaderField + i]);

    for (int i = 0; i < 12; ++i)
        SetCtrlVal(hAxisScaling, kBoundCtrls[i], dUserBounds[i]);

    int choice = 0;
    if (iCkdDomWave != 0) {
        choice = 3;
    } else if (iCkdMaxWave != 0) {
        choice = 1;
    } else if (iCkdMinWave != 0) {
        choice = 2;
    } else if (iCkdCogVal != 0) {
        choice = 4;
    }
    set_DomWaveCtrl(choice);
    if (iCkdFwhm != 0) {
        SetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, 1);
        SetCtrlAttribute(hMainPanel, MAINP_FWHM, ATTR_VISIBLE, 1);
    }

    set_InterpolMenuChecked();

    FillLocaleLanguage();
    // The tab control's look needs no attribute here.
}

// -------------------------------------------------------------------- quit
void comm_ShortQuit() {
    // Quitting has begun: device events and a second quit do nothing.
    if (usStopFlag != 0)
        return;
    usStopFlag = 1;
    // The step a quit waited for has unwound: from here on the quit may ask
    // about what it would otherwise lose.
    DismissDialogs(0);

    for (int i = 0; i < 12; ++i)
        GetCtrlVal(hAxisScaling, kBoundCtrls[i], &dUserBounds[i]);
    GetCtrlVal(hAxisScaling, AXISSCAL_RB_X1, &iPxlWlMode);
    // An integration time typed but not yet measured with is kept too.
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &fTint);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, &iCkdDomWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, &iCkdFwhm);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, &iCkdMaxWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_MIN_WAVE, &iCkdMinWave);
    GetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, &iCkdCogVal);

    g_exportHooks.fileio_WriteIniFile();
    // The last columns of the XLS link reach its file (or, where it cannot be
    // written, another the user names) before the program ends; those of the
    // CSV link reach its table, or the user is told.
    if (iNoExcel == 1)
        StopExcelLink(0, 0, nullptr, 0);
    if (iCSV == 1)
        StopCsvLink(0, 0, nullptr, 0);
    excel_AskAboutHeldColumns();
    g_workspaceHooks.main_FreeFFTValues();

    link_FreeSpectra();

    link_CoreCall("comm_ShortQuit, ZOLT_CloseDevice", ZOLT_CloseDevice, dwCurrentDevice);
    dwCurrentDevice = 0;

    fileio_Log_End();

    PU_HidePanel();
    QuitUserInterface(0);
}

namespace {

void QuitLater(void*) {
    orvalin_QuitWhenIdle();
}

} // namespace

void orvalin_QuitWhenIdle() {
    if (usStopFlag != 0)
        return;
    // A running measurement still uses the arrays and the device: it breaks
    // off and quits on its way out.  A box open meanwhile must not hold the
    // step (and so the quit) up; the event loop goes on, so the quit can
    // still ask before columns it could not save are lost.
    if (measure_RequestQuitAfter(comm_ShortQuit) != 0) {
        DismissDialogs(1);
        return;
    }
    // Asked for while a box waits (a signal): the box ends unanswered, and
    // the quit follows from the event loop once the work that opened it has
    // unwound, so that work can leave what it was about for the quit to ask.
    if (DialogWaiting()) {
        DismissDialogs(1);
        PostDeferredCall(QuitLater, nullptr);
        return;
    }
    comm_ShortQuit();
}

int Quit(int panel, int control, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 0);
    if (ConfirmPopup("Quit", "Do you really want to exit?") == 1)
        orvalin_QuitWhenIdle();
    return 0;
}

void FILE_quit(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    orvalin_QuitWhenIdle();
}

// ------------------------------------------------------------------- main
int orvalin_Main(int argc, char** argv) {
    std::string argError;
    const int argsOk = orvalin_StoreArguments(argc, argv, &argError);

    if (InitUserInterface(argc, argv) != 0) {
        if (argsOk != 0)
            std::fprintf(stderr, "orvalin: %s\n", argError.c_str());
        return -1;
    }
    if (argsOk != 0) {
        std::fprintf(stderr, "orvalin: %s\n", argError.c_str());
        MessagePopup("ERROR", argError.c_str());
        return -1;
    }

    InitVariables(0);
    orvalin_Wire();
    if (orvalin_LoadPanels() != 0)
        return -1;

    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, &colorMeasButt);
    SetPanelAttribute(hMainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);

    Main_MakeMainGraph_Small_or_Big(1);
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_VISIBLE, 0);

    // Keys and menus work from here on; start-up is not over yet.
    ++iConnecting;
    DisplayPanel(hMainPanel);
    if (dStartupPause > 0.0)
        Delay(dStartupPause);

    // A log-out or Ctrl+C in the terminal ends the program as FILE -> Quit.
    orvalin_CatchQuitSignals();
    Init();
    comm_InitConnect();
    --iConnecting;

    RunUserInterface();
    return 0;
}
