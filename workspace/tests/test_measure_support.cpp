#include "test_measure_support.h"

#include <QTest>
#include <QWidget>
#include <cstring>

#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zolt_core.h"
#include "zolt_sim.h"
#include "zoltmath.h"

namespace measure_test {

double g_now = 1000.0;
double g_step = 0.01;
std::function<void(int)> g_onClock;

namespace {

int g_clockReadings = 0;

struct Handles {
    int main = 0, menuBar = 0, trigBar = 0, func = 0, smooth = 0, statTable = 0, statWait = 0;
    int axis = 0, wl = 0; // read by the axis switch and at quit
} g_h;

double SimClock() {
    return g_now;
}

double WaitClock() {
    g_now += g_step;
    ++g_clockReadings;
    if (g_onClock) {
        // A copy: the action may replace the hook.
        auto action = g_onClock;
        action(g_clockReadings);
    }
    return g_now;
}

std::string UiFile() {
#ifdef ORVALIN_UI_SOURCE_DIR
    return std::string(ORVALIN_UI_SOURCE_DIR) + "/orvalin.ui";
#else
    return "orvalin.ui";
#endif
}

} // namespace

void OnClock(std::function<void(int)> action) {
    g_clockReadings = 0;
    g_onClock = std::move(action);
}

std::vector<std::string> Journal(const std::string& prefix) {
    std::vector<std::string> out;
    for (size_t i = 0; i < zsim_JournalCount(); ++i) {
        const char* e = zsim_JournalEntry(i);
        if (e && std::strncmp(e, prefix.c_str(), prefix.size()) == 0)
            out.emplace_back(e);
    }
    return out;
}

std::string CtrlText(int control) {
    std::string s;
    GetCtrlVal(hMainPanel, control, &s);
    return s;
}

int Dimmed(int control) {
    int v = -1;
    GetCtrlAttribute(hMainPanel, control, ATTR_DIMMED, &v);
    return v;
}

int Visible(int control) {
    int v = -1;
    GetCtrlAttribute(hMainPanel, control, ATTR_VISIBLE, &v);
    return v;
}

std::vector<std::string> ShownTexts() {
    std::vector<std::string> out;
    for (const auto& s : popup_script::Record())
        out.push_back(s.title + ": " + s.text);
    return out;
}

void MeasureTest::SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "workspace_tests";
    static char* argv[] = {name, nullptr};
    ASSERT_EQ(InitUserInterface(argc, argv), 0);
    popup_script::Enable(true);
    if (g_h.main > 0)
        return;
    const std::string ui = UiFile();
    g_h.main = LoadPanel(0, ui.c_str(), MAINP);
    ASSERT_GT(g_h.main, 0) << GetUiErrorText();
    g_h.menuBar = LoadMenuBar(g_h.main, ui.c_str(), MENUBAR);
    ASSERT_GT(g_h.menuBar, 0) << GetUiErrorText();
    SetPanelMenuBar(g_h.main, g_h.menuBar);
    g_h.trigBar = LoadMenuBar(0, ui.c_str(), TRIGMEAS);
    ASSERT_GT(g_h.trigBar, 0) << GetUiErrorText();
    g_h.func = LoadPanel(0, ui.c_str(), Func_PANEL);
    g_h.smooth = LoadPanel(0, ui.c_str(), SMOOTHFLTR);
    g_h.statTable = LoadPanel(0, ui.c_str(), STATISTICS);
    g_h.statWait = LoadPanel(0, ui.c_str(), STAT_WAIT);
    g_h.axis = LoadPanel(0, ui.c_str(), AXISSCAL);
    g_h.wl = LoadPanel(0, ui.c_str(), WLVALUE);
    ASSERT_GT(g_h.func, 0);
    ASSERT_GT(g_h.smooth, 0);
    ASSERT_GT(g_h.statTable, 0);
    ASSERT_GT(g_h.statWait, 0);
    ASSERT_GT(g_h.axis, 0);
    ASSERT_GT(g_h.wl, 0);
}

void MeasureTest::SetUp() {
    hMainPanel = g_h.main;
    hMenuBar = hMainBar = g_h.menuBar;
    hTrigMeasBar = g_h.trigBar;
    hFuncPanel = g_h.func;
    hSmoothPanel = g_h.smooth;
    hStatTable = g_h.statTable;
    hStatWaitInf = g_h.statWait;
    eval_ResetFwhmTable(); // the markers' controls, as the program starts
    // The view of a first start, whatever an earlier suite chose.
    iStartWaveLen = 380, iEndWaveLen = 780, iStartPixel = iEndPixel = 0;
    iPxlWlMode = iInterplMode = 1;
    // The read-out choice, as the program always has it: none chosen.
    hWlValDispl = g_h.wl;
    for (int box : {WLVALUE_CB_FWHM, WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE,
                    WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE})
        SetCtrlVal(hWlValDispl, box, 0);
    popup_script::Clear();
    // A quit an earlier test asked for outside the event loop would make
    // every box of this one answer at once: consume it.
    QuitUserInterface(0);
    RunUserInterface();
    orvalin_Wire();
    measure_ResetState();

    zsim_Reset();
    g_now = 1000.0;
    g_step = 0.01;
    g_clockReadings = 0;
    g_onClock = nullptr;
    zsim_SetClock(SimClock);
    measure_SetClock(WaitClock);

    iCbSelect = 0;
    iMess = 0;
    // A file loaded by an earlier test would be the curve shown.
    iFileOpen = 0;
    iCompare = 0;
    iSelect = 1;
    FuncNr = 1;
    iSiCont = 0;
    iBreakMeas = 0;
    usStopFlag = 0;
    // The wavelength axis, and the range controls as a fresh start has them:
    // the panel's own defaults, within the limits orvalin.ui gives them.
    iXAchse = 1;
    for (int range : {MAINP_STARTWL, MAINP_ENDWL}) {
        SetCtrlAttribute(hMainPanel, range, ATTR_MIN_VALUE, 0.0);
        SetCtrlAttribute(hMainPanel, range, ATTR_MAX_VALUE, 100000.0);
        double value = 0.0;
        GetCtrlAttribute(hMainPanel, range, ATTR_DEFAULT_VALUE, &value);
        SetCtrlVal(hMainPanel, range, value);
        (range == MAINP_STARTWL ? iStartWaveLen : iEndWaveLen) = static_cast<int>(value);
    }
    iClrDisplay = 1;
    iStatisticsParam = 0;
    iCSV = iASCII = iTableOpen = 0;
    iSvGlChecked = iBxcrChecked = 0;
    colorMeasButt = 0xE0E0E0;
    for (int b : {MAINP_DARK, MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA,
                  MAINP_CB_FFT})
        SetCtrlAttribute(hMainPanel, b, ATTR_CMD_BUTTON_COLOR, colorMeasButt);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
    SetCtrlVal(hMainPanel, MAINP_AVER, 1);
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
    SetCtrlAttribute(hMainPanel, MAINP_SCDELAY, ATTR_MIN_VALUE, 0.0);
    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 1000.0);
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 0);
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXADAPT, 0);
    SetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, 0);
    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 0);
    SetMenuBarAttribute(hMenuBar, MENUBAR_SavGolMenu, ATTR_CHECKED, 0);
    SetMenuBarAttribute(hMenuBar, MENUBAR_BoxcarMenu, ATTR_CHECKED, 0);
    SetMenuBarAttribute(hMenuBar, MENUBAR_FILE, ATTR_CHECKED, 0);
    Connect();
    zsim_ClearJournal();
}

void MeasureTest::UseAxisScalingPanel() {
    hAxisScaling = g_h.axis;
}

QWidget* MeasureTest::ShowMainWindow() {
    DisplayPanel(hMainPanel);
    QWidget* panel = UiPanelWidget(hMainPanel);
    return QTest::qWaitForWindowExposed(panel) ? panel : nullptr;
}

void MeasureTest::TearDown() {
    // A continuous run left on would go on ticking on the kept panel in the
    // event loops of later suites, with their menu bar, not ours.
    SetCtrlAttribute(g_h.main, MAINP_TIMER, ATTR_ENABLED, 0);
    hAxisScaling = hWlValDispl = 0;
    // The suite's panels stay loaded for the next measurement test; a suite
    // that starts the program discards whatever these name, so none of them
    // may name ours when that suite runs.
    hMainPanel = hMenuBar = hMainBar = hTrigMeasBar = 0;
    hFuncPanel = hSmoothPanel = hStatTable = hStatWaitInf = 0;
    g_onClock = nullptr;
    if (dwCurrentDevice)
        ZOLT_CloseDevice(dwCurrentDevice);
    link_ResetSharedState();
    measure_SetClock(nullptr);
    zsim_Reset();
    usStopFlag = 0;
}

void MeasureTest::Connect() {
    link_ResetSharedState();
    ++uConnectCount; // as the link's set-up counts it
    ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
    int32_t n = 0;
    ASSERT_EQ(ZOLT_GetPixel(dwCurrentDevice, &n), 0);
    stParam.pixelCount = n;
    ASSERT_EQ(ZOLT_GetFit(dwCurrentDevice, stParam.fit), 0);
    uint8_t type = 0;
    ZOLT_GetDeviceType(dwCurrentDevice, &type);
    stParam.deviceType = type;
    ZOLT_GetSplitTime(dwCurrentDevice, &stParam.splitTime);
    ZOLT_GetSDelay(dwCurrentDevice, &stParam.sDelay);
    stParam.baudrate = 115000;
    ASSERT_EQ(link_AllocPixelArrays(), 0);
    zoltmath_Fitpolynom(dLambda, stParam.fit[0], stParam.fit[1], stParam.fit[2], stParam.fit[3],
                        stParam.fit[4], n);
    iMinWaveLen = static_cast<int>(dLambda[0]);
    iMaxWaveLen = static_cast<int>(dLambda[n - 1]) + 1;
    iStartPixel = 0; // the pixel axis shows every pixel, as after a connection
    iEndPixel = n - 1;
    ASSERT_EQ(link_AllocDisplayBuffers(), 0);
    iOffline = 0;
}

int MeasureTest::Step(int kind) {
    iCbSelect = kind;
    return main_Measure();
}

void MeasureTest::LampOn() {
    char reply[ZOLT_REPLY_MAX] = {0};
    ASSERT_EQ(ZOLT_ArbitraryCommand(dwCurrentDevice, "*contr:lamp 1\r", reply), 0);
}

} // namespace measure_test
