#include "link/trigger.h"

#include <atomic>

#include "link/connect.h"
#include "link/core_call.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

int g_deviceCommands = 0;
int g_hookPanel = 0; // panel the message hook was installed on
// Counts the removals of the hook.  Each device event carries the count
// current when the library posted it, so one posted before a removal is
// recognised however late it is delivered.
std::atomic<unsigned> g_eventGeneration{1};

// Measure buttons in the order they are looked at: the last armed one wins.
constexpr int kMeasureButtons[] = {MAINP_DARK,       MAINP_REFERENCE, MAINP_TRANSMISSION,
                                   MAINP_ABSORBANCE, MAINP_FORMULA,   MAINP_CB_FFT};

// Resumes the timers on every way out of the handler.
struct TimerPause {
    TimerPause() { SuspendTimerCallbacks(); }
    ~TimerPause() {
        ResetTimer(0, 0);
        ResumeTimerCallbacks();
    }
    TimerPause(const TimerPause&) = delete;
    TimerPause& operator=(const TimerPause&) = delete;
};

bool EventsIgnored() {
    if (usStopFlag != 0 || iOffline != 0 || dwCurrentDevice == 0 || hMainPanel == 0)
        return true;
    if (g_deviceCommands > 0)
        return true;
    return g_workspaceHooks.measure_IsRunning() != 0;
}

} // namespace

void comm_BeginDeviceCommand() {
    ++g_deviceCommands;
}

void comm_EndDeviceCommand() {
    if (g_deviceCommands > 0)
        --g_deviceCommands;
}

int comm_DeviceCommandRunning() {
    return g_deviceCommands > 0 ? 1 : 0;
}

void comm_PostDeviceEvent(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == ZOLT_MSG_DEVICE_EVENT)
        wParam = g_eventGeneration.load();
    PostWindowMessage(window, message, wParam, lParam);
}

int comm_SetTrigger(int mode) {
    const int status = link_CoreCall("comm_SetTrigger, ZOLT_SetTrigger", mode, ZOLT_SetTrigger,
                                     dwCurrentDevice, mode);
    return comm_StatusToResult(status);
}

int comm_GetEnquiry() {
    int32_t value = 0;
    const int status =
        link_CoreCall("comm_GetEnquiry, ZOLT_GetEnquiry", ZOLT_GetEnquiry, dwCurrentDevice, &value);
    if (status != ZOLT_OK)
        return comm_StatusToResult(status);
    return value;
}

int cbComCallback(int panel, int message, unsigned* wParam, unsigned* lParam, void* data) {
    (void)lParam;
    (void)data;
    if (message == static_cast<int>(ZOLT_MSG_NEW_WINDOW)) {
        if (wParam != nullptr)
            hMainHWND = static_cast<intptr_t>(*wParam);
        return 0;
    }
    if (wParam != nullptr && *wParam != g_eventGeneration.load())
        return 0;
    if (EventsIgnored())
        return 0;

    TimerPause pause;
    int enquiry = 0;
    {
        DeviceCommandScope busy;
        enquiry = comm_GetEnquiry();
    }
    if (enquiry != 1)
        return 0;
    // The device may have been closed by an event handled during the query.
    if (EventsIgnored())
        return 0;

    int armed = 0;
    for (int button : kMeasureButtons) {
        int colour = 0;
        if (GetCtrlAttribute(hMainPanel, button, ATTR_CMD_BUTTON_COLOR, &colour) == 0 &&
            colour != colorMeasButt)
            armed = button;
    }
    if (armed == 0)
        return 0;
    // A dimmed button cannot be pressed by the user either (its prerequisite
    // spectra are missing).
    int dimmed = 0;
    if (GetCtrlAttribute(hMainPanel, armed, ATTR_DIMMED, &dimmed) != 0 || dimmed != 0)
        return 0;
    (void)panel;
    CallCtrlCallback(hMainPanel, armed, EVENT_COMMIT, 0, 0);
    return 0;
}

int comm_InstallDeviceEvents() {
    if (hMainPanel == 0)
        return UI_ERR_PANEL;
    if (g_hookPanel == hMainPanel && hMainHWND != 0)
        return 0;
    intptr_t window = 0;
    int err = InstallWinMsgCallback(hMainPanel, static_cast<int>(ZOLT_MSG_DEVICE_EVENT),
                                    cbComCallback, nullptr, &window);
    if (err < 0)
        return err;
    intptr_t again = 0;
    InstallWinMsgCallback(hMainPanel, static_cast<int>(ZOLT_MSG_NEW_WINDOW), cbComCallback, nullptr,
                          &again);
    ZOLT_SetMessagePoster(comm_PostDeviceEvent);
    hMainHWND = window;
    g_hookPanel = hMainPanel;
    return 0;
}

void comm_RemoveDeviceEvents() {
    ++g_eventGeneration;
    if (dwCurrentDevice != 0) {
        link_CoreCall("comm_Disconnect, ZOLT_SetCallbackFunction", LogArg(ZOLT_CALLBACK_OFF),
                      ZOLT_SetCallbackFunction, dwCurrentDevice, ZOLT_CALLBACK_OFF, 0);
    }
    if (g_hookPanel != 0)
        RemoveWinMsgCallback(g_hookPanel, static_cast<int>(ZOLT_MSG_DEVICE_EVENT));
    g_hookPanel = 0;
}
