// Device-event message and trigger against the simulated instrument.
#include <chrono>
#include <thread>

#include "test_connect_support.h"

using connecttest::ConnectFixture;

namespace {

constexpr int kArmed = 0xFFD0C8; // (255, 208, 200)

std::vector<int> g_pressed;

int RecordPress(int panel, int control, int event, void*, int, int) {
    if (panel == hMainPanel && event == EVENT_COMMIT)
        g_pressed.push_back(control);
    return 0;
}

class TriggerTest : public ConnectFixture {
  protected:
    void SetUp() override {
        ConnectFixture::SetUp();
        g_pressed.clear();
        RegisterCtrlCallback("Callback_MeasureButton", RecordPress);
        comm_InitConnect();
        ASSERT_EQ(iOffline, 0);
    }

    // Armed and usable (the buttons whose spectra are missing start dimmed).
    static void Arm(int control) {
        SetCtrlAttribute(hMainPanel, control, ATTR_CMD_BUTTON_COLOR, kArmed);
        SetCtrlAttribute(hMainPanel, control, ATTR_DIMMED, 0);
    }

    static void DeviceEvent() {
        cbComCallback(hMainPanel, static_cast<int>(ZOLT_MSG_DEVICE_EVENT), nullptr, nullptr,
                      nullptr);
    }

    // Lets the queued device-event message arrive (it is posted from the
    // library's side, then delivered by the event loop).
    static void DeliverPosted() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (g_pressed.empty() && std::chrono::steady_clock::now() < end) {
            ProcessSystemEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (int i = 0; i < 20; ++i)
            ProcessSystemEvents();
    }
};

} // namespace

TEST_F(TriggerTest, FiredTriggerPressesTheLaterArmedButton) {
    Arm(MAINP_REFERENCE);
    Arm(MAINP_ABSORBANCE);
    zsim_FireTrigger(0);
    DeliverPosted();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_ABSORBANCE});
    EXPECT_NE(Log().find("comm_GetEnquiry, ZOLT_GetEnquiry, returned code: 0 \n"),
              std::string::npos);
    EXPECT_EQ(TimerCallbacksSuspended(), 0);
}

TEST_F(TriggerTest, ReconnectingInstallsTheHookOnce) {
    const intptr_t window = hMainHWND;
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(hMainHWND, window);
    Arm(MAINP_DARK);
    zsim_FireTrigger(0);
    DeliverPosted();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_DARK});
}

TEST_F(TriggerTest, EnquiryOtherThanOneOrAnErrorStartsNothing) {
    Arm(MAINP_TRANSMISSION);
    for (int value : {0, 2}) {
        zsim_SetEnquiry(0, value);
        DeviceEvent();
    }
    zsim_FailCall("ZOLT_GetEnquiry", 1, ZOLT_E_FATAL);
    DeviceEvent();
    zsim_FailCall("ZOLT_GetEnquiry", 1, ZOLT_E_BUSY);
    DeviceEvent();
    EXPECT_TRUE(g_pressed.empty());
    EXPECT_EQ(Count(Log(), "comm_GetEnquiry, ZOLT_GetEnquiry"), 4);
    EXPECT_EQ(TimerCallbacksSuspended(), 0);
    // The same event with enquiry 1 does press it.
    zsim_SetEnquiry(0, 1);
    DeviceEvent();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_TRANSMISSION});
}

TEST_F(TriggerTest, EnquiryOneWithNoArmedButtonPressesNothing) {
    zsim_SetEnquiry(0, 1);
    DeviceEvent();
    EXPECT_TRUE(g_pressed.empty());
    EXPECT_EQ(TimerCallbacksSuspended(), 0);
}

TEST_F(TriggerTest, IgnoredWhileAMeasurementOrCommandRuns) {
    Arm(MAINP_DARK);
    zsim_SetEnquiry(0, 1);
    {
        DeviceCommandScope busy;
        DeviceEvent();
    }
    g_workspaceHooks.measure_IsRunning = [] { return 1; };
    DeviceEvent();
    g_workspaceHooks.measure_IsRunning = nullptr;
    EXPECT_TRUE(g_pressed.empty());
    // Not even asked: the device is in use.
    EXPECT_EQ(Log().find("comm_GetEnquiry"), std::string::npos);
    DeviceEvent();
    EXPECT_EQ(g_pressed, std::vector<int>{MAINP_DARK});
}

TEST_F(TriggerTest, IgnoredOfflineAndOnceQuitHasBegun) {
    Arm(MAINP_DARK);
    zsim_SetEnquiry(0, 1);
    iOffline = 1;
    DeviceEvent();
    iOffline = 0;
    usStopFlag = 1;
    DeviceEvent();
    usStopFlag = 0;
    EXPECT_TRUE(g_pressed.empty());
    EXPECT_EQ(Log().find("comm_GetEnquiry"), std::string::npos);
}

TEST_F(TriggerTest, DimmedArmedButtonIsNotPressed) {
    Arm(MAINP_FORMULA);
    SetCtrlAttribute(hMainPanel, MAINP_FORMULA, ATTR_DIMMED, 1);
    zsim_SetEnquiry(0, 1);
    DeviceEvent();
    EXPECT_TRUE(g_pressed.empty());
}

TEST_F(TriggerTest, NewWindowMessageReplacesTheHandleAndNullIsIgnored) {
    unsigned next = 4242;
    cbComCallback(hMainPanel, static_cast<int>(ZOLT_MSG_NEW_WINDOW), &next, nullptr, nullptr);
    EXPECT_EQ(hMainHWND, 4242);
    cbComCallback(hMainPanel, static_cast<int>(ZOLT_MSG_NEW_WINDOW), nullptr, nullptr, nullptr);
    EXPECT_EQ(hMainHWND, 4242);
    EXPECT_TRUE(g_pressed.empty());
}

TEST_F(TriggerTest, WrappersMapTheStatus) {
    EXPECT_EQ(comm_SetTrigger(0), 0);
    zsim_FailCall("ZOLT_SetTrigger", 1, ZOLT_E_FATAL);
    EXPECT_EQ(comm_SetTrigger(2), -99);
    zsim_FailCall("ZOLT_SetTrigger", 1, ZOLT_E_BUSY);
    EXPECT_EQ(comm_SetTrigger(2), -1);
    zsim_SetEnquiry(0, 7);
    EXPECT_EQ(comm_GetEnquiry(), 7);
    zsim_FailCall("ZOLT_GetEnquiry", 1, ZOLT_E_FATAL);
    EXPECT_EQ(comm_GetEnquiry(), -99);
    const std::string log = Log();
    EXPECT_NE(log.find("comm_SetTrigger, ZOLT_SetTrigger Arg = 2, returned code: 255 **ERROR\n"),
              std::string::npos);
}
