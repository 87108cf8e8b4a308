// Start-up, defaults, settings and quit of the program.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <cstring>

#include "export/config_file.h"
#include "export/output_links.h"
#include "orvalin_Protocol_ui.h"
#include "test_startup_support.h"
#include "ui/ui_qt.h"

using startup_test::Argv;
using startup_test::Lines;
using startup_test::StartupTest;

// ------------------------------------------------------------- arguments
TEST(StartupArguments, CopiesTheFirstTwo) {
    Argv a({"orvalin", "com", "5", "ignored"});
    std::string error;
    ASSERT_EQ(orvalin_StoreArguments(a.argc(), a.argv(), &error), 0);
    EXPECT_STREQ(sArg1, "com");
    EXPECT_STREQ(sArg2, "5");
    Argv none({"orvalin"});
    ASSERT_EQ(orvalin_StoreArguments(none.argc(), none.argv(), &error), 0);
    EXPECT_STREQ(sArg1, "");
    EXPECT_STREQ(sArg2, "");
}

TEST(StartupArguments, LongerThan99CharactersIsRejected) {
    const std::string fits(99, 'A');
    Argv ok({"orvalin", "TCPIP", fits});
    std::string error;
    ASSERT_EQ(orvalin_StoreArguments(ok.argc(), ok.argv(), &error), 0);
    EXPECT_EQ(std::string(sArg2), fits);

    Argv tooLong({"orvalin", "TCPIP", fits + "B"});
    EXPECT_EQ(orvalin_StoreArguments(tooLong.argc(), tooLong.argv(), &error), -1);
    EXPECT_EQ(error, "Command line argument 2 is longer than 99 characters and is not accepted.");
    EXPECT_STREQ(sArg1, "");
    EXPECT_STREQ(sArg2, "");
}

TEST_F(StartupTest, OverlongArgumentEndsTheProgramWithAMessage) {
    Argv a({"orvalin", std::string(150, 'x')});
    EXPECT_EQ(orvalin_Main(a.argc(), a.argv()), -1);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].text,
              "Command line argument 1 is longer than 99 characters and is not accepted.");
    EXPECT_EQ(hMainPanel, 0);
}

// --------------------------------------------------------------- panels
TEST_F(StartupTest, LoadsEveryPanelAndMenuBar) {
    ASSERT_EQ(orvalin_LoadPanels(), 0) << GetUiErrorText();
    const int panels[] = {
        hMainPanel,     hDDEPanel,  hDevselectPanel,   hConfigPanel, hScalePanel,  hWlValDispl,
        hFuncPanel,     hInfLoad,   hCommentPanel,     hAxisScaling, hOpPanel,     hSmoothPanel,
        hPrtPanel,      hPrtHead,   hStatPar,          hStatTable,   hStatWaitInf, hFFTParPanel,
        hProgressPanel, iCSVhandle, hCOGIntervalPanel, hAboutPanel,  hAsFHelp,     hParUtil};
    for (int p : panels)
        EXPECT_GT(p, 0);
    const int pages[] = {hTabRoot,   hTabAdc,     hTabSens, hTabComm,  hTabMeas, hTabScan,
                         hTabPeriph, hTabSpecFun, hTabCor,  hTabOther, hTabLog,  hTabBlock};
    for (int i = 0; i < 12; ++i) {
        EXPECT_GT(pages[i], 0) << "tab page " << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(pages[i], pages[j]);
    }
    // The root page is the one holding the device type field.
    EXPECT_EQ(SetCtrlVal(hTabRoot, TAB_ROOT_UT_DEVTYP, "x"), 0);
    EXPECT_GT(hMenuBar, 0);
    EXPECT_GT(hXAxisResetBar, 0);
    EXPECT_GT(hTrigMeasBar, 0);
    EXPECT_EQ(GetPanelMenuBar(hMainPanel), hMenuBar);
    // The protocol file's first panel is the header.
    EXPECT_EQ(SetCtrlVal(hPrtHead, PRINT_OPERATOR, "op"), 0);
}

TEST_F(StartupTest, MissingMainFileEndsStartUp) {
    setenv("ORVALIN_UI_DIR", dir_.c_str(), 1);
    // Only found when nothing earlier on the search path has it.
    std::ofstream(dir_ + "/orvalin.ui")
        << "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"x\"/></ui>";
    EXPECT_EQ(orvalin_LoadPanels(), -1);
    EXPECT_EQ(hMainPanel, 0);
    unsetenv("ORVALIN_UI_DIR");
}

// Every callback name in both files resolves.
TEST_F(StartupTest, EveryCallbackNameResolves) {
    EXPECT_EQ(UnresolvedCallbacks(kMainUiFile), std::vector<std::string>{});
    EXPECT_EQ(UnresolvedCallbacks(kProtocolUiFile), std::vector<std::string>{});
}

// ------------------------------------------------------------- defaults
TEST_F(StartupTest, DefaultsOfAStart) {
    iSelect = 4;
    FuncNr = 2;
    iXAchse = 0;
    iOffline = 0;
    usStopFlag = 1;
    iCbSelect = 8;
    iNumOfCSV = 5;
    stParam.baudrate = 9600;
    imgID = 3;
    inL = inR = iDeg = 7;
    iBxcrParam = 9;
    iMeasTask = 40;
    iThrSym = iThrOther = 1;
    dAbsoluteMin = dAbsoluteMax = 0.0;
    iStartWlScal = iEndWlScal = 0;
    iValMode = sym_mode = iFwhmMode = 1;
    iCSV = iASCII = iTableOpen = iExcelStart = iNoExcel = iWithExcel = 1;
    passForSavePar_already_entered = 1;
    FWHM[3].x = 500.0;
    FWHM[3].plotHandle = 12;

    InitVariables(0);
    EXPECT_EQ(stParam.baudrate, 115000);
    EXPECT_STREQ(sPassword, "6043");
    EXPECT_EQ(iSelect, 1);
    EXPECT_EQ(FuncNr, 1);
    EXPECT_EQ(iXAchse, 1);
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(usStopFlag, 0);
    EXPECT_EQ(iCbSelect, 0);
    EXPECT_EQ(iNumOfCSV, 0);
    EXPECT_EQ(imgID, -1);
    EXPECT_EQ(inL, 2);
    EXPECT_EQ(inR, 2);
    EXPECT_EQ(iDeg, 2);
    EXPECT_EQ(iBxcrParam, 1);
    EXPECT_EQ(iMeasTask, 1);
    EXPECT_EQ(iThrSym, 10);
    EXPECT_EQ(iThrOther, 50);
    EXPECT_EQ(dAbsoluteMin, 1.0e6);
    EXPECT_EQ(dAbsoluteMax, -1.0e6);
    EXPECT_EQ(iStartWlScal, 1);
    EXPECT_EQ(iEndWlScal, 1);
    EXPECT_STREQ(cStatMsg1, "The given number of measurements is reached.");
    EXPECT_STREQ(cStatMsg2, "Statistics is stopped");
    EXPECT_EQ(iValMode + sym_mode + iFwhmMode, 0);
    EXPECT_EQ(iCSV + iASCII + iTableOpen + iExcelStart + iNoExcel + iWithExcel, 0);
    EXPECT_EQ(passForSavePar_already_entered, 0);
    EXPECT_EQ(FWHM[3].x, 0.0);
    EXPECT_EQ(FWHM[3].plotHandle, 0);
    EXPECT_EQ(FWHM[0].colour, 0x0000FF);
    EXPECT_EQ(FWHM[11].colour, 0x808000);
    EXPECT_EQ(FWHM[9].valueCtrl, MAINP_FWHM10);
    EXPECT_EQ(FWHM[9].positionCtrl, MAINP_FWHM_NM10);
    EXPECT_EQ(FWHM[9].radioCtrl, MAINP_RBPEAK10);
    EXPECT_EQ(FWHM[9].unitCtrl, MAINP_FWHM_UNIT_10);
}

TEST_F(StartupTest, ReconnectionKeepsTheLinkAndModeFlags) {
    // The CSV table's column count stays while its link stays open.
    for (int csv : {1, 0}) {
        iValMode = 1;
        iCSV = csv;
        iTableOpen = 1;
        passForSavePar_already_entered = 1;
        iNumOfCSV = 4;
        iSelect = 3;
        InitVariables(1);
        EXPECT_EQ(iValMode, 1);
        EXPECT_EQ(iCSV, csv);
        EXPECT_EQ(iTableOpen, 1);
        EXPECT_EQ(passForSavePar_already_entered, 1);
        EXPECT_EQ(iNumOfCSV, csv == 1 ? 4 : 0);
        EXPECT_EQ(iSelect, 1);
    }
}

TEST_F(StartupTest, InitStartsTheLogAndSetsTheControls) {
    ASSERT_EQ(orvalin_LoadPanels(), 0);
    SetCtrlVal(hAxisScaling, AXISSCAL_TRA_MAX, 55.0);
    std::strcpy(cPrtBuf[0], "1.25");     // result of marker 1
    std::strcpy(cPrtBuf[24], "4407-17"); // spectrometer number
    std::strcpy(cPrtBuf[29], "N. N.");   // operator, a configuration text
    Init();
    EXPECT_EQ(hMainBar, hMenuBar);
    ASSERT_TRUE(fileio_Log_IsOpen());
    EXPECT_EQ(Log().rfind("ZOLT Orvalin log file.", 0), 0u);
    // Without a configuration file: the defaults it would give.
    EXPECT_EQ(fTint, 19999.0f);
    EXPECT_EQ(iStartWaveLen, 380);
    EXPECT_EQ(iEndWaveLen, 780);
    EXPECT_EQ(iPxlWlMode, 1);
    double v = -1.0;
    GetCtrlVal(hAxisScaling, AXISSCAL_TRA_MAX, &v);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(std::strlen(cLocaleLanguage), 4u);
    // The protocol header comes from its own fields; the defaults clear the
    // configuration's five and leave the marker texts alone.
    std::string field;
    GetCtrlVal(hPrtHead, PRINT_SPEC_NUM, &field);
    EXPECT_EQ(field, "4407-17");
    GetCtrlVal(hPrtHead, PRINT_OPERATOR, &field);
    EXPECT_EQ(field, "");
    EXPECT_STREQ(cPrtBuf[0], "1.25");
    cPrtBuf[0][0] = cPrtBuf[24][0] = '\0';
    // The dark-plus-reference layout follows the (off) option.
    int visible = 0;
    GetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
}

// ----------------------------------------------------------------- quit
TEST_F(StartupTest, QuitAnsweredNoKeepsTheTimerOffUntilAButtonIsPressed) {
    StartUp();
    ASSERT_EQ(iOffline, 0);
    popup_script::Clear(); // what connecting said (no sensor list here)
    iSiCont = 1;
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 1);
    popup_script::PushConfirm(false);
    CallCtrlCallback(hMainPanel, MAINP_QUIT, EVENT_COMMIT, 0, 0);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Quit");
    EXPECT_EQ(popup_script::Record()[0].text, "Do you really want to exit?");
    EXPECT_EQ(TimerEnabled(), 0);
    EXPECT_EQ(usStopFlag, 0);
    EXPECT_NE(dwCurrentDevice, 0u);
    EXPECT_TRUE(fileio_Log_IsOpen());
    // A measure button in continuous mode resumes the ticks.
    CallCtrlCallback(hMainPanel, MAINP_DARK, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(TimerEnabled(), 1);
}

TEST_F(StartupTest, QuitAnsweredYesShutsDown) {
    StartUp();
    popup_script::PushConfirm(true);
    CallCtrlCallback(hMainPanel, MAINP_QUIT, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(usStopFlag, 1);
    EXPECT_EQ(dwCurrentDevice, 0u);
    EXPECT_FALSE(fileio_Log_IsOpen());
}

// The window's close box asks as the QUIT button does; only a yes ends the
// event loop, with the settings kept.
TEST_F(StartupTest, CloseBoxAsksAndEndsTheProgramOnlyOnYes) {
    StartUp();
    DisplayPanel(hMainPanel);
    QWidget* window = UiPanelWidget(hMainPanel);
    const auto closeBox = [window] {
        QCloseEvent close;
        QApplication::sendEvent(window, &close);
    };
    popup_script::Clear();
    popup_script::PushConfirm(false);
    closeBox();
    EXPECT_EQ(usStopFlag, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(startup_test::fs::exists(fileio_IniFilePath()));

    popup_script::PushConfirm(true);
    bool hung = false;
    QObject scope;
    QTimer::singleShot(0, &scope, closeBox);
    QTimer::singleShot(5000, &scope, [&hung] {
        hung = true;
        QuitUserInterface(0);
    });
    RunUserInterface();
    EXPECT_FALSE(hung);
    ASSERT_EQ(popup_script::Record().size(), 2u);
    for (const auto& shown : popup_script::Record())
        EXPECT_EQ(shown.text, "Do you really want to exit?");
    EXPECT_TRUE(startup_test::fs::exists(fileio_IniFilePath()));
    EXPECT_FALSE(fileio_Log_IsOpen());
}

TEST_F(StartupTest, MenuQuitAsksNothing) {
    StartUp();
    popup_script::Clear();
    FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
    EXPECT_TRUE(popup_script::Record().empty());
    EXPECT_EQ(usStopFlag, 1);
    EXPECT_FALSE(fileio_Log_IsOpen());
}

TEST_F(StartupTest, ShortQuitFreesClosesAndEndsInOrder) {
    StartUp();
    ASSERT_NE(dLight, nullptr);
    ASSERT_NE(iRowDark, nullptr);
    const double bounds[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const int ctrls[12] = {AXISSCAL_DRK_MIN,  AXISSCAL_DRK_MAX, AXISSCAL_REF_MIN,
                           AXISSCAL_REF_MAX,  AXISSCAL_TRA_MIN, AXISSCAL_TRA_MAX,
                           AXISSCAL_ABS_MIN,  AXISSCAL_ABS_MAX, AXISSCAL_CALC_MIN,
                           AXISSCAL_CALC_MAX, AXISSCAL_FFT_MIN, AXISSCAL_FFT_MAX};
    for (int i = 0; i < 12; ++i)
        SetCtrlAttribute(hAxisScaling, ctrls[i], ATTR_MIN_VALUE, -1e9);
    for (int i = 0; i < 12; ++i)
        SetCtrlAttribute(hAxisScaling, ctrls[i], ATTR_MAX_VALUE, 1e9);
    for (int i = 0; i < 12; ++i)
        SetCtrlVal(hAxisScaling, ctrls[i], bounds[i]);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, 1);
    const std::string logPath = fileio_Log_Path();
    const uint32_t device = dwCurrentDevice;
    // A CSV link with a column on its way to the table.
    const std::string table = dir_ + "/run.csv";
    popup_script::PushFile(table, VAL_NEW_FILE_SELECTED);
    StartCsvLink(hMenuBar, MENUBAR_stcsv, nullptr, hMainPanel);
    ASSERT_EQ(iCSV, 1) << links_LastError();
    SetCtrlVal(iCSVhandle, CSV_OUTPUT_SPEC, 1);
    main_WriteCsv();

    comm_ShortQuit();

    EXPECT_EQ(iCSV, 0);
    const std::string written = startup_test::ReadFile(table);
    EXPECT_EQ(std::count(written.begin(), written.begin() + written.find('\n'), ';'), 2)
        << "the column reached the table before the program ended";

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(dUserBounds[i], bounds[i]) << i;
    EXPECT_EQ(iCkdCogVal, 1);
    for (double* a : {dLight, dDark, dLambda, dXInterpolVal, dYInterpolVal, dReferenz, dTrans,
                      dAbsorb, dFormel1, dFormel2, dXtemp, dYtemp})
        EXPECT_EQ(a, nullptr);
    // The raw counts stay: the process ends right after.
    EXPECT_NE(iRowDark, nullptr);
    EXPECT_EQ(dwCurrentDevice, 0u);
    EXPECT_EQ(ZOLT_CloseDevice(device), ZOLT_E_HANDLE); // already closed
    EXPECT_FALSE(fileio_Log_IsOpen());
    const auto lines = Lines(startup_test::ReadFile(logPath));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("--- comm_ShortQuit, ZOLT_CloseDevice, returned code: 0 "),
              std::string::npos)
        << lines.back();
    int visible = 1;
    GetPanelAttribute(hParUtil, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
    // A second quit does nothing more.
    comm_ShortQuit();
    EXPECT_EQ(Lines(startup_test::ReadFile(logPath)).size(), lines.size());
}

TEST_F(StartupTest, ShortQuitOfflineLogsTheFailedClose) {
    Argv a({"orvalin", "OFFLINE"});
    orvalin_StoreArguments(a.argc(), a.argv(), nullptr);
    StartUp();
    ASSERT_EQ(iOffline, 1);
    const std::string logPath = fileio_Log_Path();
    comm_ShortQuit();
    const auto lines = Lines(startup_test::ReadFile(logPath));
    EXPECT_NE(lines.back().find("comm_ShortQuit, ZOLT_CloseDevice, returned code: 21 **ERROR"),
              std::string::npos)
        << lines.back();
}

// --------------------------------------------------------- whole program
TEST_F(StartupTest, ProgramWithoutArgumentsConnectsToTheSimulatedInstrument) {
    std::string title;
    int maximised = -1;
    int offline = -1;
    const auto look = [&] {
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &title);
        GetPanelAttribute(hMainPanel, ATTR_WINDOW_ZOOM, &maximised);
        offline = iOffline;
        FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
    };
    Argv a({"orvalin"});
    EXPECT_EQ(startup_test::RunProgram(a, look), 0);
    EXPECT_EQ(offline, 0);
    EXPECT_EQ(title, "Orvalin # ZS10001");
    EXPECT_EQ(maximised, VAL_MAXIMIZE);
    EXPECT_EQ(usStopFlag, 1);
    int visible = 1;
    GetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}
