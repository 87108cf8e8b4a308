// Disconnecting and reconnecting while the program runs, against the
// simulated instrument.
#include <cstring>

#include "export/export_hooks.h"
#include "export/export_state.h"
#include "test_startup_support.h"
#include "workspace/connection.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"

using startup_test::ReadFile;
using startup_test::StartupTest;

namespace {

int g_reads = 0;
int g_writes = 0;
double g_now = 0.0;
std::vector<int> g_pressed;

double FakeClock() {
    return g_now;
}

double WaitClock() {
    return g_now += 0.01;
}

int RecordPress(int panel, int control, int event, void*, int, int) {
    if (panel == hMainPanel && event == EVENT_COMMIT)
        g_pressed.push_back(control);
    return 0;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class ConnectionTest : public StartupTest {
  protected:
    void SetUp() override {
        StartupTest::SetUp();
        g_reads = g_writes = 0;
        g_exportHooks.fileio_ReadIniFile = [] { return ++g_reads, 0; };
        g_exportHooks.fileio_WriteIniFile = [] { return ++g_writes, 0; };
        Clocks();
    }

    void TearDown() override {
        measure_SetClock(nullptr);
        measure_ResetState();
        StartupTest::TearDown();
    }

    static void Clocks() {
        zsim_SetClock(FakeClock);
        measure_SetClock(WaitClock);
    }

    static void Switch(int on) {
        SetCtrlVal(hMainPanel, MAINP_SWITCHCONNECT, on);
        CallCtrlCallback(hMainPanel, MAINP_SWITCHCONNECT, EVENT_VAL_CHANGED, 0, 0);
    }

    static int MenuDimmed(int item) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, &v);
        return v;
    }

    static int Attr(int panel, int control, int attr) {
        int v = -1;
        GetCtrlAttribute(panel, control, attr, &v);
        return v;
    }

    static std::string Text(int panel, int control) {
        std::string s;
        GetCtrlVal(panel, control, &s);
        return s;
    }

    static std::string Tooltip() {
        std::string s;
        GetCtrlAttribute(hMainPanel, MAINP_SWITCHCONNECT, ATTR_TOOLTIP_TEXT, &s);
        return s;
    }

    static std::string Title() {
        std::string s;
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &s);
        return s;
    }

    // Dark, then the lamp's reference, through the measurement sequence.
    static void MeasureReference() {
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
        iCbSelect = MEAS_DARK;
        ASSERT_EQ(main_Measure(), 0);
        char reply[ZOLT_REPLY_MAX] = {0};
        ASSERT_EQ(ZOLT_ArbitraryCommand(dwCurrentDevice, "*contr:lamp 1\r", reply), 0);
        iCbSelect = MEAS_REFERENCE;
        ASSERT_EQ(main_Measure(), 0);
        ASSERT_EQ(iMess, MEAS_DARK | MEAS_REFERENCE);
    }

    static int Markers() {
        int n = 0;
        for (const FwhmSlot& s : FWHM)
            n += s.x > 0.0;
        return n;
    }

    // A peak marker placed by a double click on the shown reference.
    static void MarkPeakAt(double nm) {
        PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
        SetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, nm, 0.0);
        CallCtrlCallback(hMainPanel, MAINP_SPECGRAPH, EVENT_LEFT_DOUBLE_CLICK, 0, 0);
    }
};

} // namespace

TEST_F(ConnectionTest, DisconnectGoesOfflineAndStoresSettingsOnlyWhenConnected) {
    struct Case {
        const char* name;
        const char* keyword; // command line
        int writes;
    };
    for (const Case& c : {Case{"connected", "", 1}, Case{"offline start", "OFFLINE", 0}}) {
        SCOPED_TRACE(c.name);
        std::strcpy(sArg1, c.keyword);
        StartUp();
        g_writes = 0;
        DisconnectDevice(hMenuBar, MENUBAR_DISCON_DEVICE, nullptr, hMainPanel);
        EXPECT_EQ(g_writes, c.writes);
        // Offline once more: nothing is stored again.
        DisconnectDevice(hMenuBar, MENUBAR_DISCON_DEVICE, nullptr, hMainPanel);
        EXPECT_EQ(g_writes, c.writes);

        EXPECT_EQ(iOffline, 1);
        EXPECT_EQ(dwCurrentDevice, 0u);
        EXPECT_EQ(Title(), "Orvalin (offline)");
        EXPECT_EQ(Tooltip(), "Click to establish connection with ZOLT-device");
        EXPECT_EQ(MenuDimmed(MENUBAR_CON_DEVICE), 0);
        EXPECT_EQ(MenuDimmed(MENUBAR_DISCON_DEVICE), 1);
        EXPECT_EQ(MenuDimmed(MENUBAR_FILE_OPEN), 1);
        EXPECT_EQ(MenuDimmed(MENUBAR_FILE_SAVE), 1);
        for (int label : {MAINP_STORED, MAINP_MEASURED}) {
            EXPECT_EQ(Attr(hMainPanel, label, ATTR_TEXT_COLOR), 0xA0A0A0);
            EXPECT_EQ(Attr(hMainPanel, label, ATTR_DIMMED), 1);
        }
        EXPECT_EQ(Attr(hMainPanel, MAINP_SCDELAY, ATTR_DIMMED), 1);
        EXPECT_EQ(Attr(hMainPanel, MAINP_DARK, ATTR_DIMMED), 1);
        EXPECT_EQ(Text(hAboutPanel, ABOUT_SERIAL1), "...");
        EXPECT_EQ(Text(hTabRoot, TAB_ROOT_UT_DEVTYP), "");
        orvalin_DiscardPanels();
        sArg1[0] = '\0';
    }
}

TEST_F(ConnectionTest, ReconnectBySwitchRereadsSettingsAndMenuConnectsAlone) {
    struct Case {
        const char* name;
        bool bySwitch;
        int reads;     // configuration reads by the reconnection
        int threshold; // a default a reconnection restores, set to 3 before
        int banners;   // new date banners in the session log
    };
    for (const Case& c : {Case{"switch", true, 1, 10, 1}, Case{"menu", false, 0, 3, 0}}) {
        SCOPED_TRACE(c.name);
        StartUp();
        ASSERT_EQ(iOffline, 0);
        Switch(0);
        ASSERT_EQ(iOffline, 1);
        const std::string before = ReadFile(fileio_Log_Path());
        g_reads = 0;
        iThrSym = 3;

        if (c.bySwitch)
            Switch(1);
        else
            ConnectDevice(hMenuBar, MENUBAR_CON_DEVICE, nullptr, hMainPanel);

        EXPECT_EQ(iOffline, 0);
        EXPECT_NE(dwCurrentDevice, 0u);
        EXPECT_EQ(Title(), "Orvalin # ZS10001");
        EXPECT_EQ(Tooltip(), "Click to close connection");
        EXPECT_EQ(MenuDimmed(MENUBAR_CON_DEVICE), 1);
        EXPECT_EQ(g_reads, c.reads);
        EXPECT_EQ(iThrSym, c.threshold);
        // The session log goes on in the same file.
        const std::string after = ReadFile(fileio_Log_Path());
        ASSERT_EQ(after.compare(0, before.size(), before), 0);
        EXPECT_EQ(Count(after, "// Date:") - Count(before, "// Date:"),
                  static_cast<std::size_t>(c.banners));
        EXPECT_EQ(Count(after, "ZOLT Orvalin log file."), 1u);
        EXPECT_NE(after.find("comm_InitConnect, main_DevicesSearch()", before.size()),
                  std::string::npos);

        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        orvalin_DiscardPanels();
    }
}

TEST_F(ConnectionTest, ConnectionStateSetFromCodeRunsNoCallback) {
    StartUp();
    g_reads = g_writes = 0;
    const uint32_t device = dwCurrentDevice;
    ASSERT_NE(device, 0u);
    struct Case {
        int state;
        const char* tooltip;
        std::string title;
    };
    for (const Case& c :
         {Case{0, "Click to establish connection with ZOLT-device", "Orvalin (offline)"},
          Case{1, "Click to close connection", "Orvalin # ZS10001"}}) {
        EXPECT_EQ(set_ConnectionControl(c.state), 1);
        int on = -1;
        GetCtrlVal(hMainPanel, MAINP_SWITCHCONNECT, &on);
        EXPECT_EQ(on, c.state);
        EXPECT_EQ(Tooltip(), c.tooltip);
        EXPECT_EQ(Title(), c.title);
        EXPECT_EQ(MenuDimmed(MENUBAR_CON_DEVICE), c.state);
        EXPECT_EQ(MenuDimmed(MENUBAR_DISCON_DEVICE), 1 - c.state);
    }
    // Neither a disconnect nor a reconnection ran.
    EXPECT_EQ(dwCurrentDevice, device);
    EXPECT_EQ(g_reads + g_writes, 0);
}

TEST_F(ConnectionTest, FailingCloseIsLoggedAndTheProgramGoesOffline) {
    struct Case {
        const char* name;
        void (*fault)();
        int status;
    };
    const Case cases[] = {
        {"close fails", [] { zsim_FailCall("ZOLT_CloseDevice", 1, ZOLT_E_FATAL); }, ZOLT_E_FATAL},
        {"cable pulled", [] { zsim_Unplug(0); }, ZOLT_E_NOT_CONNECTED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartUp();
        c.fault();
        Switch(0);
        EXPECT_EQ(iOffline, 1);
        EXPECT_EQ(dwCurrentDevice, 0u);
        EXPECT_EQ(dwError, c.status);
        EXPECT_EQ(Title(), "Orvalin (offline)");
        const std::string line =
            "comm_Disconnect, ZOLT_CloseDevice, returned code: " + std::to_string(c.status) +
            " **ERROR";
        EXPECT_NE(ReadFile(fileio_Log_Path()).find(line), std::string::npos) << line;
        fileio_Log_End();
        orvalin_DiscardPanels();
        zsim_Reset();
        Clocks();
    }
}

TEST_F(ConnectionTest, SpectraAreZeroedOverTheirAllocatedSize) {
    StartUp();
    const int n = iAllocatedPixels;
    ASSERT_GT(n, 1);
    double* const zeroed[] = {dDark, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2, dLambda};
    // The pixel count read since may be larger or smaller than the arrays.
    for (int pixels : {n + 1000, 1}) {
        SCOPED_TRACE(pixels);
        for (double* a : zeroed)
            std::fill_n(a, n, 7.0);
        std::fill_n(dLight, n, 7.0);
        stParam.pixelCount = pixels;
        comm_Disconnect();
        for (double* a : zeroed) {
            EXPECT_EQ(a[0], 0.0);
            EXPECT_EQ(a[n - 1], 0.0);
        }
        EXPECT_EQ(dLight[n - 1], 7.0);
    }
}

TEST_F(ConnectionTest, LoadedFileIsForgotten) {
    struct Case {
        int measured; // iMess
        int compareDimmed;
    };
    for (const Case& c : {Case{0, 1}, Case{MEAS_DARK, 0}}) {
        StartUp();
        iFileOpen = 1;
        iCompare = 1;
        iMess = c.measured;
        stSavedMeas.pixelCount = 300;
        std::fill_n(dLambda2, kSavedPoints, 500.0);
        SetMenuBarAttribute(hMenuBar, MENUBAR_COMPARE, ATTR_MENU_DIMMED, 0);
        Switch(0);
        EXPECT_EQ(iFileOpen, 0);
        EXPECT_EQ(iCompare, 0);
        EXPECT_EQ(dLambda2[0], 0.0);
        EXPECT_EQ(dLambda2[299], 0.0);
        EXPECT_EQ(MenuDimmed(MENUBAR_COMPARE), c.compareDimmed);
        EXPECT_EQ(iMess, 0);
        fileio_Log_End();
        orvalin_DiscardPanels();
    }
}

TEST_F(ConnectionTest, DeviceEventQueuedBeforeTheDisconnectIsIgnored) {
    g_pressed.clear();
    RegisterCtrlCallback("Callback_MeasureButton", RecordPress);
    StartUp();
    zsim_SetEnquiry(0, 1);
    auto armDark = [] {
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, 0xFFD0C8);
        SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_DIMMED, 0);
    };
    // The library posts; the event loop has not delivered it yet.
    comm_PostDeviceEvent(hMainHWND, ZOLT_MSG_DEVICE_EVENT, 0, 0);
    Switch(0);
    ConnectDevice(hMenuBar, MENUBAR_CON_DEVICE, nullptr, hMainPanel);
    ASSERT_EQ(iOffline, 0);
    armDark();
    ProcessSystemEvents();
    EXPECT_TRUE(g_pressed.empty());
    // One posted now is acted on.
    comm_PostDeviceEvent(hMainHWND, ZOLT_MSG_DEVICE_EVENT, 0, 0);
    ProcessSystemEvents();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_DARK});

    // The library was told to stop posting before the close.
    std::vector<std::string> calls;
    for (std::size_t i = 0; i < zsim_JournalCount(); ++i) {
        const std::string e = zsim_JournalEntry(i);
        if (e.rfind("ZOLT_SetCallbackFunction", 0) == 0 || e.rfind("ZOLT_CloseDevice", 0) == 0)
            calls.push_back(e.substr(0, e.find('(')));
    }
    const std::vector<std::string> order = {"ZOLT_SetCallbackFunction", "ZOLT_SetCallbackFunction",
                                            "ZOLT_CloseDevice", "ZOLT_SetCallbackFunction"};
    EXPECT_EQ(calls, order);
}

// The cable is pulled while connected; the user switches off, plugs the same
// or another instrument in and switches on again.
TEST_F(ConnectionTest, UnpluggedInstrumentReconnectsWithoutRestart) {
    struct Case {
        const char* name;
        const char* config; // the registry after plugging in; null: the same instrument
        int pixels;
    };
    const std::string other = dir_ + "/other.sim";
    std::ofstream(other) << "[device]\npixels = 512\nfit = 350 1.2 0 0 0\n";
    for (const Case& c :
         {Case{"same instrument", nullptr, 2048}, Case{"512 pixels", other.c_str(), 512}}) {
        SCOPED_TRACE(c.name);
        StartUp();
        ASSERT_EQ(stParam.pixelCount, 2048);
        MeasureReference();
        MarkPeakAt(600.0);
        ASSERT_EQ(Markers(), 1);

        zsim_Unplug(0);
        iCbSelect = MEAS_DARK;
        main_Measure();
        Switch(0);
        ASSERT_EQ(iOffline, 1);
        EXPECT_EQ(Markers(), 0);

        if (c.config != nullptr)
            setenv("ZOLT_SIM_CONFIG", c.config, 1);
        zsim_Reset(); // plugged in
        unsetenv("ZOLT_SIM_CONFIG");
        Clocks();
        Switch(1);
        ASSERT_EQ(iOffline, 0);
        ASSERT_EQ(stParam.pixelCount, c.pixels);
        EXPECT_EQ(iAllocatedPixels, c.pixels);

        MeasureReference();
        display_Display(1);
        SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 1);
        AutoScale(hMainPanel, MAINP_AUTO_SCALE, EVENT_COMMIT, nullptr, 0, 0);
        MarkPeakAt(600.0);
        EXPECT_EQ(Markers(), 1);
        EXPECT_GT(iNumOfMeas, 0);
        EXPECT_LE(iNumOfMeas, iAllocatedDisplay);

        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        orvalin_DiscardPanels();
        zsim_Reset();
        Clocks();
    }
}
