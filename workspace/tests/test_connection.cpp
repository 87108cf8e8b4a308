// Disconnecting and reconnecting while the program runs, against the
// simulated instrument.
#include "export/export_hooks.h"
#include "export/export_state.h"
#include "link/readouts.h"
#include "test_startup_support.h"
#include "workspace/connection.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"

using startup_test::ReadFile;
using startup_test::StartupTest;

namespace {

int g_reads = 0, g_writes = 0;
double g_now = 0.0;
void (*g_duringStep)() = nullptr; // runs once at the next wait-clock reading
std::vector<int> g_pressed;

double FakeClock() {
    return g_now;
}

double WaitClock() {
    if (auto action = g_duringStep) {
        g_duringStep = nullptr;
        action();
    }
    return g_now += 0.01;
}

int RecordPress(int panel, int control, int event, void*, int, int) {
    if (panel == hMainPanel && event == EVENT_COMMIT)
        g_pressed.push_back(control);
    return 0;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
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

    // Ends one case of a table: device, log and panels gone.
    static void Restart() {
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        orvalin_DiscardPanels();
        zsim_Reset();
        Clocks();
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

    static int Attr(int control, int attr) {
        int v = -1;
        GetCtrlAttribute(hMainPanel, control, attr, &v);
        return v;
    }

    static std::string Shown() {
        std::string title, tip;
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &title);
        GetCtrlAttribute(hMainPanel, MAINP_SWITCHCONNECT, ATTR_TOOLTIP_TEXT, &tip);
        return title + " | " + tip;
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

    // A peak marker placed by a double click; returns the markers set.
    static int MarkPeakAt(double nm) {
        PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
        SetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, nm, 0.0);
        CallCtrlCallback(hMainPanel, MAINP_SPECGRAPH, EVENT_LEFT_DOUBLE_CLICK, 0, 0);
        return static_cast<int>(
            std::count_if(FWHM, FWHM + kFwhmSlots, [](const FwhmSlot& s) { return s.x > 0.0; }));
    }
};

const char* const kOffline = "Orvalin (offline) | Click to establish connection with ZOLT-device";
const char* const kConnected = "Orvalin # ZS10001 | Click to close connection";

} // namespace

TEST_F(ConnectionTest, DisconnectGoesOfflineAndStoresSettingsOnlyWhenConnected) {
    for (const auto& [keyword, writes] : {std::pair{"", 1}, std::pair{"OFFLINE", 0}}) {
        SCOPED_TRACE(keyword);
        std::snprintf(sArg1, sizeof sArg1, "%s", keyword);
        StartUp();
        g_writes = 0;
        DisconnectDevice(hMenuBar, MENUBAR_DISCON_DEVICE, nullptr, hMainPanel);
        DisconnectDevice(hMenuBar, MENUBAR_DISCON_DEVICE, nullptr, hMainPanel);
        EXPECT_EQ(g_writes, writes);
        EXPECT_EQ(iOffline + (dwCurrentDevice == 0), 2);
        EXPECT_EQ(Shown(), kOffline);
        EXPECT_EQ(MenuDimmed(MENUBAR_CON_DEVICE) * 10 + MenuDimmed(MENUBAR_DISCON_DEVICE), 1);
        EXPECT_EQ(MenuDimmed(MENUBAR_FILE_OPEN), 0); // files open offline too
        EXPECT_EQ(MenuDimmed(MENUBAR_FILE_SAVE), 1);
        for (int label : {MAINP_STORED, MAINP_MEASURED})
            EXPECT_EQ(Attr(label, ATTR_TEXT_COLOR), 0xA0A0A0);
        for (int dimmed : {MAINP_STORED, MAINP_MEASURED, MAINP_SCDELAY, MAINP_DARK})
            EXPECT_EQ(Attr(dimmed, ATTR_DIMMED), 1) << dimmed;
        std::string serial;
        GetCtrlVal(hAboutPanel, ABOUT_SERIAL1, &serial);
        EXPECT_EQ(serial, "...");
        Restart();
        sArg1[0] = '\0';
    }
}

TEST_F(ConnectionTest, ReconnectBySwitchRereadsSettingsAndMenuConnectsAlone) {
    struct Case {
        bool bySwitch;
        int reads;     // configuration reads by the reconnection
        int threshold; // a default a reconnection restores, 3 before
        std::size_t banners;
    };
    for (const Case& c : {Case{true, 1, 10, 1}, Case{false, 0, 3, 0}}) {
        SCOPED_TRACE(c.bySwitch);
        StartUp();
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
        EXPECT_EQ(Shown(), kConnected);
        EXPECT_EQ(MenuDimmed(MENUBAR_CON_DEVICE), 1);
        EXPECT_EQ(g_reads, c.reads);
        EXPECT_EQ(iThrSym, c.threshold);
        // The session log goes on in the same file.
        const std::string after = ReadFile(fileio_Log_Path());
        ASSERT_EQ(after.compare(0, before.size(), before), 0);
        EXPECT_EQ(Count(after, "// Date:") - Count(before, "// Date:"), c.banners);
        EXPECT_EQ(Count(after, "ZOLT Orvalin log file."), 1u);
        Restart();
    }
}

TEST_F(ConnectionTest, ConnectionStateSetFromCodeRunsNoCallback) {
    StartUp();
    g_reads = g_writes = 0;
    const uint32_t device = dwCurrentDevice;
    set_ConnectionControl(0);
    EXPECT_EQ(Shown(), kOffline);
    set_ConnectionControl(1);
    EXPECT_EQ(Shown(), kConnected);
    EXPECT_EQ(dwCurrentDevice, device);
    EXPECT_EQ(g_reads + g_writes, 0);
}

TEST_F(ConnectionTest, FailingCloseIsLoggedAndTheProgramGoesOffline) {
    const std::pair<void (*)(), int> cases[] = {
        {[] { zsim_FailCall("ZOLT_CloseDevice", 1, ZOLT_E_FATAL); }, ZOLT_E_FATAL},
        {[] { zsim_Unplug(0); }, ZOLT_E_NOT_CONNECTED}};
    for (const auto& [fault, status] : cases) {
        SCOPED_TRACE(status);
        StartUp();
        fault();
        Switch(0);
        EXPECT_EQ(iOffline + (dwCurrentDevice == 0), 2);
        EXPECT_EQ(dwError, status);
        EXPECT_EQ(Shown(), kOffline);
        const std::string line =
            "comm_Disconnect, ZOLT_CloseDevice, returned code: " + std::to_string(status) +
            " **ERROR";
        EXPECT_NE(ReadFile(fileio_Log_Path()).find(line), std::string::npos) << line;
        Restart();
    }
}

TEST_F(ConnectionTest, SpectraAreZeroedOverTheirAllocatedSize) {
    StartUp();
    const int n = iAllocatedPixels;
    double* const zeroed[] = {dDark, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2, dLambda};
    // The pixel count read since may be larger or smaller than the arrays.
    for (int pixels : {n + 1000, 1}) {
        for (double* a : zeroed)
            std::fill_n(a, n, 7.0);
        std::fill_n(dLight, n, 7.0);
        stParam.pixelCount = pixels;
        comm_Disconnect();
        for (double* a : zeroed)
            EXPECT_EQ(a[0] + a[n - 1], 0.0) << pixels;
        EXPECT_EQ(dLight[n - 1], 7.0);
    }
}

// Asked for during a measurement step, the disconnect waits for the step to
// unwind; a device the sleep switch holds is woken and frees the timers.
TEST_F(ConnectionTest, DisconnectWaitsForTheStepAndWakesASleepingDevice) {
    StartUp();
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
    iDeviceAsleep = 1;
    SuspendTimerCallbacks();
    popup_script::Clear();
    g_duringStep = [] { Switch(0); };
    iCbSelect = MEAS_DARK;
    main_Measure();
    EXPECT_EQ(iOffline + (dwCurrentDevice == 0), 2);
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(Attr(MAINP_DARK, ATTR_DIMMED), 1);
    EXPECT_TRUE(popup_script::Record().empty());
    EXPECT_EQ(iDeviceAsleep + TimerCallbacksSuspended(), 0);
}

TEST_F(ConnectionTest, LoadedFileIsForgotten) {
    // With nothing measured the comparison view goes dimmed too.
    for (const auto& [measured, compareDimmed] : {std::pair{0, 1}, std::pair{int{MEAS_DARK}, 0}}) {
        StartUp();
        iFileOpen = iCompare = 1;
        iMess = measured;
        stSavedMeas.pixelCount = 300;
        std::fill_n(dLambda2, kSavedPoints, 500.0);
        SetMenuBarAttribute(hMenuBar, MENUBAR_COMPARE, ATTR_MENU_DIMMED, 0);
        Switch(0);
        EXPECT_EQ(iFileOpen + iCompare + iMess, 0);
        EXPECT_EQ(dLambda2[0] + dLambda2[299], 0.0);
        EXPECT_EQ(MenuDimmed(MENUBAR_COMPARE), compareDimmed);
        Restart();
    }
}

TEST_F(ConnectionTest, DeviceEventQueuedBeforeTheDisconnectIsIgnored) {
    g_pressed.clear();
    RegisterCtrlCallback("Callback_MeasureButton", RecordPress);
    StartUp();
    zsim_SetEnquiry(0, 1);
    // Posted by the library, not delivered yet.
    comm_PostDeviceEvent(hMainHWND, ZOLT_MSG_DEVICE_EVENT, 0, 0);
    Switch(0);
    ConnectDevice(hMenuBar, MENUBAR_CON_DEVICE, nullptr, hMainPanel);
    ASSERT_EQ(iOffline, 0);
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, 0xFFD0C8); // armed
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_DIMMED, 0);
    ProcessSystemEvents();
    EXPECT_TRUE(g_pressed.empty());
    comm_PostDeviceEvent(hMainHWND, ZOLT_MSG_DEVICE_EVENT, 0, 0);
    ProcessSystemEvents();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_DARK});
    // The library was told to stop posting before the close.
    std::string calls;
    for (std::size_t i = 0; i < zsim_JournalCount(); ++i) {
        const std::string e = zsim_JournalEntry(i);
        if (e.rfind("ZOLT_SetCallbackFunction", 0) == 0 || e.rfind("ZOLT_CloseDevice", 0) == 0)
            calls += e.substr(5, e.find('(') - 5) + " ";
    }
    EXPECT_EQ(calls, "SetCallbackFunction SetCallbackFunction CloseDevice SetCallbackFunction ");
}

// The cable is pulled while connected; the user switches off, plugs the same
// or another instrument in and switches on again.
TEST_F(ConnectionTest, UnpluggedInstrumentReconnectsWithoutRestart) {
    const std::string other = dir_ + "/other.sim";
    std::ofstream(other) << "[device]\npixels = 512\nfit = 350 1.2 0 0 0\n";
    for (const auto& [config, pixels] :
         {std::pair<const char*, int>{nullptr, 2048}, std::pair{other.c_str(), 512}}) {
        SCOPED_TRACE(pixels);
        StartUp();
        MeasureReference();
        ASSERT_EQ(MarkPeakAt(600.0), 1);

        zsim_Unplug(0);
        iCbSelect = MEAS_DARK;
        main_Measure();
        Switch(0);
        ASSERT_EQ(iOffline, 1);
        if (config != nullptr)
            setenv("ZOLT_SIM_CONFIG", config, 1);
        zsim_Reset(); // plugged in
        unsetenv("ZOLT_SIM_CONFIG");
        Clocks();
        Switch(1);
        ASSERT_EQ(iOffline, 0);
        ASSERT_EQ(stParam.pixelCount, pixels);
        EXPECT_EQ(iAllocatedPixels, pixels);

        MeasureReference();
        display_Display(1);
        SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 1);
        AutoScale(hMainPanel, MAINP_AUTO_SCALE, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(MarkPeakAt(600.0), 1); // the earlier one went with the disconnect
        EXPECT_GT(iNumOfMeas, 0);
        EXPECT_LE(iNumOfMeas, iAllocatedDisplay);
        Restart();
    }
}
