// Status read-outs and device commands of the parameter window against the
// simulated instrument.
#include <chrono>
#include <regex>
#include <thread>

#include "link/readouts.h"
#include "link/status.h"
#include "support_testing/comma_locale.h"
#include "test_connect_support.h"

using connecttest::ConnectFixture;

namespace {

std::vector<double> g_pauses;

class ReadoutsTest : public ConnectFixture {
  protected:
    void SetUp() override {
        ConnectFixture::SetUp();
        g_pauses.clear();
        iDeviceAsleep = 0;
        readouts_SetPause([](double s) { g_pauses.push_back(s); });
        readouts_SetLocalClock([] { return linktest::At(2026, 12, 9, 8, 5, 7); });
    }
    void TearDown() override {
        comm_WakeIfAsleep();
        readouts_SetPause(nullptr);
        readouts_SetLocalClock(nullptr);
        ConnectFixture::TearDown();
    }

    // The one instrument of the registry, opened directly.
    void Open(int type, uint8_t head = 1, float flickerHz = 0.0f) {
        ZSimDevice d = connecttest::Device(ZOLT_CONN_USB, "ZS10001");
        d.deviceType = static_cast<uint8_t>(type);
        d.measHead = head;
        d.flickerHz = flickerHz;
        Registry({d});
        ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
        stParam.deviceType = static_cast<uint8_t>(type);
        iOffline = 0;
        zsim_ClearJournal();
    }

    static int Visible(int control) {
        int v = -1;
        GetCtrlAttribute(hParUtil, control, ATTR_VISIBLE, &v);
        return v;
    }
    static int Value(int control) {
        int v = -1;
        GetCtrlVal(hParUtil, control, &v);
        return v;
    }
    static int Commit(CtrlCallbackPtr fn, int control, int value = -1) {
        if (value >= 0)
            SetCtrlVal(hParUtil, control, value);
        return fn(hParUtil, control, EVENT_COMMIT, nullptr, 0, 0);
    }
    // Text commands sent since the device was opened.
    static std::string Sent() {
        std::string all;
        for (size_t i = 0; i < zsim_JournalCount(); ++i)
            if (std::string e = zsim_JournalEntry(i); e.rfind("ZOLT_ArbitraryCommand", 0) == 0)
                all += e + "\n";
        return all;
    }
};

} // namespace

TEST_F(ReadoutsTest, BatteryTextOfEveryBranch) {
    const struct {
        int type;
        float volts;
        int percent, charging;
        const char* text;
    } cases[] = {
        {1, 0.0f, 0, 0, "no battery"},
        {3, 3.85f, 76, 0, "not charging, 76 %, battery voltage: 3.85 V"},
        {3, 4.1f, 80, 1, "charging, 80 %, battery voltage: 4.10 V"},
        {4, 3.7f, 55, 1, "charging, capacity unknown while charging, charging voltage: 3.70 V"},
        {1, 3.6f, 40, 0, "not charging, 40 %, battery voltage: 3.60 V"},
        {0, 0.0f, 5, 0, "not charging, 5 %, battery voltage: 0.00 V"},
    };
    for (const auto& c : cases) {
        Open(c.type);
        zsim_SetBattery(0, c.volts, c.percent, c.charging);
        EXPECT_EQ(comm_CheckBatteryStatus(), 0);
        EXPECT_EQ(Text(hParUtil, PARUTILITY_BATTSTATUS), c.text);
        EXPECT_EQ(Visible(PARUTILITY_BATTSTATUS), std::string(c.text) != "no battery") << c.text;
    }
    // A failed read hides the text and changes nothing else.
    zsim_FailCall("ZOLT_GetBatteryStat", 1, ZOLT_E_BUSY);
    EXPECT_EQ(comm_CheckBatteryStatus(), ZOLT_E_BUSY);
    EXPECT_EQ(Visible(PARUTILITY_BATTSTATUS), 0);
    EXPECT_EQ(Text(hParUtil, PARUTILITY_BATTSTATUS), cases[5].text);

    // The read-out is the instrument's own text: a point whatever the user's locale.
    const std::string comma = support_testing::CommaLocale();
    ASSERT_FALSE(comma.empty()) << "no decimal-comma locale available";
    support_testing::UserLocaleScope scope(comma);
    Open(cases[1].type);
    zsim_SetBattery(0, cases[1].volts, cases[1].percent, cases[1].charging);
    EXPECT_EQ(comm_CheckBatteryStatus(), 0);
    EXPECT_EQ(Text(hParUtil, PARUTILITY_BATTSTATUS), cases[1].text);
}

TEST_F(ReadoutsTest, TemperatureShownOnlyAboveMinusTwenty) {
    Open(1);
    const struct {
        float degrees;
        int fail, shown;
    } cases[] = {{-20.0f, 0, 0}, {-19.99f, 0, 1}, {31.5f, 0, 1}, {31.5f, ZOLT_E_TIME, 0}};
    for (const auto& c : cases) {
        zsim_SetTemperature(0, c.degrees);
        if (c.fail != 0)
            zsim_FailCall("ZOLT_GetTemperature", 1, c.fail);
        comm_CheckTempe();
        double shownValue = 0;
        GetCtrlVal(hParUtil, PARUTILITY_TEMPERATURE, &shownValue);
        EXPECT_EQ(Visible(PARUTILITY_TEMPERATURE), c.shown) << c.degrees;
        EXPECT_FLOAT_EQ(static_cast<float>(shownValue), c.fail != 0 ? -273.15f : c.degrees);
    }
}

TEST_F(ReadoutsTest, MeasuringHeadBitsAndFailure) {
    for (uint8_t head = 0; head < 4; ++head) {
        Open(2, head);
        EXPECT_EQ(comm_CheckHallSensors(), 0);
        EXPECT_EQ(Visible(PARUTILITY_MF1), 1);
        EXPECT_EQ(Visible(PARUTILITY_MF2), 1);
        EXPECT_EQ(Value(PARUTILITY_MF1), head & 1) << int(head);
        EXPECT_EQ(Value(PARUTILITY_MF2), head >> 1) << int(head);
    }
    zsim_FailCall("ZOLT_GetMeasHead", 1, ZOLT_E_RECEIVE);
    EXPECT_EQ(comm_CheckHallSensors(), ZOLT_E_RECEIVE);
    EXPECT_EQ(Visible(PARUTILITY_MF1) + Visible(PARUTILITY_MF2), 0);
    EXPECT_EQ(dwError, ZOLT_E_RECEIVE);
}

TEST_F(ReadoutsTest, DateAndTimeOnlyForTypeThreeAndBothAnswered) {
    Open(3);
    EXPECT_EQ(comm_CheckDateTime(), 0);
    EXPECT_TRUE(std::regex_match(Text(hParUtil, PARUTILITY_DATETIME),
                                 std::regex(R"(\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d)")))
        << Text(hParUtil, PARUTILITY_DATETIME);
    EXPECT_EQ(Visible(PARUTILITY_DATETIME) + Visible(PARUTILITY_DATETIMESETTOSYSTEM), 2);
    for (const char* refused : {"*DATE?", "*TIME?"}) {
        zsim_NakCommand(refused);
        EXPECT_NE(comm_CheckDateTime(), 0) << refused;
        EXPECT_EQ(Visible(PARUTILITY_DATETIME) + Visible(PARUTILITY_DATETIMESETTOSYSTEM), 0);
        zsim_ClearFaults();
    }
    Open(1);
    EXPECT_EQ(comm_CheckDateTime(), 0);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Visible(PARUTILITY_DATETIME), 0);
}

TEST_F(ReadoutsTest, TimerTickRunsTheFourReadOutsUnlogged) {
    Open(3);
    cbTimerHallSensors(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, EVENT_COMMIT, nullptr, 0, 0);
    {
        DeviceCommandScope busy; // a reset or clock setting talks to the device
        cbTimerHallSensors(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, EVENT_TIMER_TICK, nullptr, 0,
                           0);
    }
    EXPECT_EQ(zsim_JournalCount(), 0u);
    cbTimerHallSensors(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, EVENT_TIMER_TICK, nullptr, 0, 0);
    std::string order;
    for (size_t i = 0; i < zsim_JournalCount(); ++i) {
        const std::string e = zsim_JournalEntry(i);
        order += e.substr(5, e.find('(') - 5) + " ";
    }
    EXPECT_EQ(order,
              "GetMeasHead ArbitraryCommand ArbitraryCommand GetBatteryStat GetTemperature ");
    EXPECT_EQ(Log().find("GetMeasHead"), std::string::npos);
}

TEST_F(ReadoutsTest, SyncFrequencyWarningsAndResult) {
    const char* fail = "Could not determine sync frequency!";
    const struct {
        float hertz;
        int warning;
        std::string popup;
    } cases[] = {
        {0.0f, 0, std::string(fail) + "\nIt seems there is no modulation of the light source."},
        {-1.0f, 0,
         std::string(fail) + "\nLight source modulation is too fuzzy.\nYou might enter the sync "
                             "frequency manually."},
        {0.0f, 7, fail},
        {50.0f, 0, ""},
    };
    for (const auto& c : cases) {
        Open(1, 1, c.hertz);
        zsim_SetFlickerWarning(0, c.warning);
        SetCtrlVal(hParUtil, PARUTILITY_SYNC_VALUE, 99.0);
        popup_script::Clear();
        EXPECT_EQ(Commit(Sync_Value, PARUTILITY_SYNC_MEAS_BUTTON), 0);
        std::vector<std::string> expected = {"Determine sync frequency. Please wait...|"};
        if (!c.popup.empty())
            expected.push_back("Orvalin|" + c.popup);
        EXPECT_EQ(Shown(), expected);
        double value = -1;
        GetCtrlVal(hParUtil, PARUTILITY_SYNC_VALUE, &value);
        EXPECT_EQ(value, c.hertz > 0 ? c.hertz : 0.0);
        EXPECT_EQ(GetNumProgressDialogs(), 0);
        EXPECT_EQ(TimerCallbacksSuspended() + GetWaitCursor(), 0);
    }
    popup_script::Clear();
    zsim_FailCall("ZOLT_GetFlickerFreq", 1, ZOLT_E_BUSY);
    Commit(Sync_Value, PARUTILITY_SYNC_MEAS_BUTTON);
    EXPECT_EQ(Shown().back(), "Error|Device busy!");
    EXPECT_NE(Log().find("CVICALLBACK Sync_Value, ZOLT_GetFlickerFreq, returned code: 14 **ERROR"),
              std::string::npos);
}

int g_pressed = 0;

TEST_F(ReadoutsTest, ArmedTriggerStillWorksAfterTheSyncMeasurement) {
    g_pressed = 0;
    RegisterCtrlCallback("Callback_MeasureButton", [](int, int, int event, void*, int, int) {
        g_pressed += event == EVENT_COMMIT;
        return 0;
    });
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    Commit(Sync_Value, PARUTILITY_SYNC_MEAS_BUTTON);
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, 0xFFD0C8);
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_DIMMED, 0);
    zsim_FireTrigger(0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (g_pressed == 0 && std::chrono::steady_clock::now() < end) {
        ProcessSystemEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(g_pressed, 1);
}

TEST_F(ReadoutsTest, ParameterCommandsSkipDoubleStarsReportFailuresAndHidePasswords) {
    Open(3);
    EXPECT_EQ(set_Parameter("*VERS **Firmware version \r"), 0);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Log().find("set_Parameter"), std::string::npos);

    EXPECT_EQ(set_Parameter("*PARA:SDEL 4\r"), 0);
    EXPECT_NE(
        Log().find("set_Parameter, ZOLT_ArbitraryCommand(h=" + std::to_string(dwCurrentDevice) +
                   ", par=\"*PARA:SDEL 4\"), returned code: 0 \n"),
        std::string::npos);
    EXPECT_TRUE(Shown().empty());

    const struct {
        const char* command;
        int secretFrom;
        const char* shown;
        int result;
    } cases[] = {
        {"*PARA:SERN 123 6043\r", 15, "*PARA:SERN 123 ****", 0},
        {"*PARA:NOSUCH 1\r", -1, "*PARA:NOSUCH 1", -1},
        {"*PARA:NOSUCH 123 6043\r", 17, "*PARA:NOSUCH 123 ****", -1},
        {"*para:backup 58vorn73\r", -1, "*para:backup ****", 0}, // taken, code hidden
    };
    for (const auto& c : cases) {
        popup_script::Clear();
        EXPECT_EQ(set_Parameter(c.command, c.secretFrom), c.result) << c.command;
        EXPECT_NE(Log().find(std::string("par=\"") + c.shown + "\")"), std::string::npos);
        const std::vector<std::string> popup = {std::string("Error writing parameter|") + c.shown};
        EXPECT_EQ(Shown(), c.result != 0 ? popup : std::vector<std::string>{});
    }
    EXPECT_EQ(Log().find("6043"), std::string::npos);
    EXPECT_EQ(Log().find("58vorn73"), std::string::npos);
    zsim_FailCall("ZOLT_ArbitraryCommand", 1, ZOLT_E_SEND);
    EXPECT_EQ(set_Parameter("*PARA:SDEL 4\r"), -1);
    EXPECT_EQ(dwError, ZOLT_E_SEND);
}

TEST_F(ReadoutsTest, SleepHoldsTheTimersOnceAndClosingWakesTheDevice) {
    Open(3);
    Commit(Callback_Sleep, PARUTILITY_SLEEP, 1);
    Commit(Callback_Sleep, PARUTILITY_SLEEP, 1);
    EXPECT_EQ(iDeviceAsleep, 1);
    EXPECT_EQ(TimerCallbacksSuspended(), 1);
    Commit(Callback_Sleep, PARUTILITY_SLEEP, 0);
    EXPECT_EQ(iDeviceAsleep + TimerCallbacksSuspended(), 0);
    EXPECT_NE(
        Log().find("CVICALLBACK Callback_Sleep, ZOLT_ArbitraryCommand *sleep, returned code: 0"),
        std::string::npos);

    Commit(Callback_Sleep, PARUTILITY_SLEEP, 1);
    zsim_ClearJournal();
    comm_WakeIfAsleep(); // the window closes
    EXPECT_NE(Sent().find("*idn"), std::string::npos);
    EXPECT_EQ(iDeviceAsleep + TimerCallbacksSuspended() + Value(PARUTILITY_SLEEP), 0);

    Open(1); // refuses to sleep
    Commit(Callback_Sleep, PARUTILITY_SLEEP, 1);
    EXPECT_EQ(iDeviceAsleep + TimerCallbacksSuspended() + Value(PARUTILITY_SLEEP), 0);
}

TEST_F(ReadoutsTest, ClockSettingSendsOneReadingAndReportsFailures) {
    Open(3);
    EXPECT_EQ(Commit(cbDateTime_SetToSystem, PARUTILITY_DATETIMESETTOSYSTEM), 0);
    EXPECT_NE(Sent().find("*DATE 2026-12-09"), std::string::npos);
    EXPECT_NE(Sent().find("*TIME 08:05:07"), std::string::npos);
    EXPECT_EQ(g_pauses, (std::vector<double>{0.1, 0.1}));
    comm_CheckDateTime();
    EXPECT_EQ(Text(hParUtil, PARUTILITY_DATETIME).substr(0, 19), "2026-12-09  08:05:0");
    EXPECT_TRUE(Shown().empty());

    zsim_NakCommand("*TIME ");
    EXPECT_EQ(Commit(cbDateTime_SetToSystem, PARUTILITY_DATETIMESETTOSYSTEM), -1);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{"Error|Could not set the time of the device to 08:05:07."});
}

TEST_F(ReadoutsTest, ShutterAndLaserSwitches) {
    Open(1); // a shutter, no laser
    readouts_RegisterCallbacks();
    SetCtrlVal(hParUtil, PARUTILITY_SHUT, 1);
    EXPECT_EQ(CallCtrlCallback(hParUtil, PARUTILITY_SHUT, EVENT_COMMIT, 0, 0), 0);
    EXPECT_EQ(Value(PARUTILITY_SHUT), 1);
    EXPECT_NE(Log().find("CVICALLBACK SetControl, ZOLT_SetShutterStat Arg = 1, returned code: 0 "),
              std::string::npos);
    EXPECT_EQ(Commit(SetControl, PARUTILITY_LASER, 1), -1);
    EXPECT_EQ(Value(PARUTILITY_LASER), 0);
    EXPECT_EQ(dwError, ZOLT_E_NOT_SUPPORTED);
    EXPECT_EQ(Shown(),
              std::vector<std::string>{"Error|Command not supported or invalid argument!"});
}

TEST_F(ReadoutsTest, FirmwareResetPausesForTypeThreeOnly) {
    const struct {
        int type, fail;
        std::vector<double> pauses;
    } cases[] = {{3, 0, {3.0}}, {3, ZOLT_E_FATAL, {3.0}}, {1, 0, {}}, {1, ZOLT_E_BUSY, {}}};
    for (const auto& c : cases) {
        Open(c.type);
        g_pauses.clear();
        popup_script::Clear();
        if (c.fail != 0)
            zsim_FailCall("ZOLT_Reset", 1, c.fail);
        EXPECT_EQ(main_FirmwareReset(), c.fail);
        EXPECT_EQ(g_pauses, c.pauses);
        const std::vector<std::string> popup = {
            "Error|Error resetting the firmware. ZOLT_Reset not successful."};
        EXPECT_EQ(Shown(), c.fail != 0 ? popup : std::vector<std::string>{});
    }
}
