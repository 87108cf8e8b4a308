#include "link/readouts.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "link/connect.h"
#include "link/core_call.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "support/numfmt.h"
#include "ui/ui.h"
#include "zolt_core.h"

int iDeviceAsleep = 0;

namespace {

constexpr int kTypeWithClock = 3;        // the device type with date, time and a slow reset
constexpr std::size_t kDateTimeMax = 99; // characters of the date/time read-out
constexpr const char* kSecretMask = "****";

std::function<void(double)> g_pause;
std::function<std::tm()> g_localClock;

void Pause(double seconds) {
    if (g_pause) {
        g_pause(seconds);
    } else {
        Delay(seconds);
    }
}

std::tm LocalNow() {
    if (g_localClock)
        return g_localClock();
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

bool IsCrLf(char c) {
    return c == '\r' || c == '\n';
}

// Offset of the access code in the backup and restore commands, or -1.
int AccessCodeAt(const char* command) {
    for (const char* keyword : {"*para:backup ", "*para:restore "}) {
        const std::size_t n = std::strlen(keyword);
        if (strncasecmp(command, keyword, n) == 0)
            return static_cast<int>(n);
    }
    return -1;
}

// Logged text command of a callback; the status is only logged.
CommandReply LoggedCommand(const char* what, const char* command) {
    CommandReply r;
    link_CoreCall(what, [&] { return (r = comm_SendCommand(command)).status; });
    return r;
}

} // namespace

CommandReply comm_SendCommand(const char* command) {
    char reply[ZOLT_REPLY_MAX + 1] = {};
    CommandReply r;
    r.status = ZOLT_ArbitraryCommand(dwCurrentDevice, command, reply);
    if (r.status != 0)
        return r;
    r.text.assign(reply, strnlen(reply, ZOLT_REPLY_MAX));
    r.refused = !r.text.empty() && static_cast<unsigned char>(r.text[0]) == ZOLT_NAK;
    while (!r.text.empty() && IsCrLf(r.text.back()))
        r.text.pop_back();
    return r;
}

std::string comm_ShownCommand(const char* command, int secretFrom) {
    std::string shown = command != nullptr ? command : "";
    while (!shown.empty() && IsCrLf(shown.back()))
        shown.pop_back();
    const int code = AccessCodeAt(shown.c_str());
    if (secretFrom < 0 || (code >= 0 && code < secretFrom))
        secretFrom = code;
    if (secretFrom >= 0 && static_cast<std::size_t>(secretFrom) < shown.size())
        shown.replace(static_cast<std::size_t>(secretFrom), std::string::npos, kSecretMask);
    return shown;
}

// ---------------------------------------------------------------- read-outs

int comm_CheckHallSensors() {
    uint8_t head = 0;
    dwError = ZOLT_GetMeasHead(dwCurrentDevice, &head);
    const int shown = is_dwError_0();
    SetCtrlAttribute(hParUtil, PARUTILITY_MF1, ATTR_VISIBLE, shown);
    SetCtrlAttribute(hParUtil, PARUTILITY_MF2, ATTR_VISIBLE, shown);
    SetCtrlVal(hParUtil, PARUTILITY_MF1, head & 1);
    SetCtrlVal(hParUtil, PARUTILITY_MF2, (head >> 1) & 1);
    return dwError;
}

int comm_CheckDateTime() {
    int status = 0;
    std::string text;
    if (stParam.deviceType == kTypeWithClock) {
        std::string answers[2];
        const char* asks[2] = {"*DATE?\r", "*TIME?\r"};
        for (int i = 0; i < 2; ++i) {
            const CommandReply r = comm_SendCommand(asks[i]);
            if (r.status == 0 && !r.refused)
                answers[i] = r.text;
            else if (status == 0)
                status = r.status != 0 ? r.status : -1;
        }
        text = answers[0] + "  " + answers[1];
        if (text.size() > kDateTimeMax)
            text.resize(kDateTimeMax);
    }
    const int shown = stParam.deviceType == kTypeWithClock && status == 0 ? 1 : 0;
    SetCtrlAttribute(hParUtil, PARUTILITY_DATETIME, ATTR_VISIBLE, shown);
    SetCtrlAttribute(hParUtil, PARUTILITY_DATETIMESETTOSYSTEM, ATTR_VISIBLE, shown);
    if (shown != 0)
        SetCtrlVal(hParUtil, PARUTILITY_DATETIME, text.c_str());
    return status;
}

std::string comm_BatteryText(float volts, int percent, int charging, int deviceType) {
    if (volts == 0.0f && percent == 0 && charging == 0)
        return "no battery";
    // Only type 3 knows its capacity while charging; the others report the
    // charger's voltage then.
    const bool charger = charging != 0 && deviceType != kTypeWithClock;
    std::string text = charging != 0 ? "charging" : "not charging";
    text += charger ? ", capacity unknown while charging" : support::FormatC(", %d %%", percent);
    text += charger ? ", charging voltage: " : ", battery voltage: ";
    // The instrument's read-out keeps its point, whatever the user's locale.
    text += support::FormatC("%.2f V", static_cast<double>(volts));
    return text;
}

int comm_CheckBatteryStatus() {
    float volts = 0.0f;
    uint8_t percent = 0;
    uint8_t charging = 0;
    dwError = ZOLT_GetBatteryStat(dwCurrentDevice, &volts, &percent, &charging);
    SetCtrlAttribute(hParUtil, PARUTILITY_BATTSTATUS, ATTR_VISIBLE, is_dwError_0());
    if (dwError != 0)
        return dwError;
    const std::string text = comm_BatteryText(volts, percent, charging, stParam.deviceType);
    const bool none = volts == 0.0f && percent == 0 && charging == 0;
    SetCtrlAttribute(hParUtil, PARUTILITY_BATTSTATUS, ATTR_VISIBLE, none ? 0 : 1);
    SetCtrlVal(hParUtil, PARUTILITY_BATTSTATUS, text.c_str());
    return 0;
}

int comm_CheckTempe() {
    float degrees = -273.15f;
    dwError = ZOLT_GetTemperature(dwCurrentDevice, &degrees);
    // Below -20 degrees the sensor is not fitted or not read.
    const bool shown = dwError == 0 && degrees > -20.0f;
    SetCtrlAttribute(hParUtil, PARUTILITY_TEMPERATURE, ATTR_VISIBLE, shown ? 1 : 0);
    if (std::isfinite(degrees))
        SetCtrlVal(hParUtil, PARUTILITY_TEMPERATURE, static_cast<double>(degrees));
    return dwError;
}

void comm_HideReadouts() {
    for (int control :
         {PARUTILITY_MF1, PARUTILITY_MF2, PARUTILITY_DATETIME, PARUTILITY_DATETIMESETTOSYSTEM,
          PARUTILITY_BATTSTATUS, PARUTILITY_TEMPERATURE})
        SetCtrlAttribute(hParUtil, control, ATTR_VISIBLE, 0);
}

int cbTimerHallSensors(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK || hParUtil == 0)
        return 0;
    if (dwCurrentDevice == 0) {
        comm_HideReadouts();
        return 0;
    }
    // The device sleeps or is busy with a longer command.
    if (iDeviceAsleep != 0 || comm_DeviceCommandRunning() != 0)
        return 0;
    comm_CheckHallSensors();
    comm_CheckDateTime();
    comm_CheckBatteryStatus();
    comm_CheckTempe();
    return 0;
}

// ------------------------------------------------------- device commands

int Sync_Value(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    SetWaitCursor(1);
    SuspendTimerCallbacks();
    DeviceCommandScope busy;

    link_CoreCall("CVICALLBACK Sync_Value, ZOLT_SetCallbackFunction", LogArg(ZOLT_CALLBACK_OFF),
                  ZOLT_SetCallbackFunction, dwCurrentDevice, ZOLT_CALLBACK_OFF, 0);

    int dialog = CreateProgressDialog("Determine sync frequency. Please wait...", "", 1, nullptr);
    float hertz = 0.0f;
    int32_t warning = 0;
    const int status = link_CoreCall("CVICALLBACK Sync_Value, ZOLT_GetFlickerFreq",
                                     ZOLT_GetFlickerFreq, dwCurrentDevice, &hertz, &warning);
    ErrorCheck(status);
    if (status == 0 && !(hertz > 0.0f)) {
        if (dialog > 0)
            DiscardProgressDialog(dialog);
        dialog = 0;
        const char* why = "Could not determine sync frequency!";
        if (warning == 11)
            why = "Could not determine sync frequency!\nIt seems there is no modulation of the "
                  "light source.";
        else if (warning == 12)
            why = "Could not determine sync frequency!\nLight source modulation is too "
                  "fuzzy.\nYou might enter the sync frequency manually.";
        MessagePopup("Orvalin", why);
    }
    SetCtrlVal(hParUtil, PARUTILITY_SYNC_VALUE, std::isfinite(hertz) ? hertz : 0.0);
    if (dialog > 0) {
        UpdateProgressDialog(dialog, 90, 0);
        DiscardProgressDialog(dialog);
    }

    // Device events come back on, or an armed trigger would stay dead until
    // the next measurement.
    link_CoreCall("CVICALLBACK Sync_Value, ZOLT_SetCallbackFunction",
                  LogArg(ZOLT_CALLBACK_POST_MESSAGE), ZOLT_SetCallbackFunction, dwCurrentDevice,
                  ZOLT_CALLBACK_POST_MESSAGE, hMainHWND);

    ResetTimer(0, 0);
    ResumeTimerCallbacks();
    SetWaitCursor(0);
    return 0;
}

void comm_WakeIfAsleep() {
    if (iDeviceAsleep == 0)
        return;
    if (dwCurrentDevice != 0)
        LoggedCommand("comm_WakeIfAsleep, ZOLT_ArbitraryCommand *idn", "*idn\r");
    iDeviceAsleep = 0;
    if (hParUtil > 0)
        SetCtrlVal(hParUtil, PARUTILITY_SLEEP, 0);
    ResumeTimerCallbacks();
}

int Callback_Sleep(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0;
    GetCtrlVal(panel, control, &on);
    if (on == 0) {
        LoggedCommand("CVICALLBACK Callback_Sleep, ZOLT_ArbitraryCommand *idn", "*idn\r");
        if (iDeviceAsleep != 0) {
            iDeviceAsleep = 0;
            ResumeTimerCallbacks();
        }
        return 0;
    }
    if (iDeviceAsleep != 0)
        return 0; // already asleep: the hold is taken once
    SuspendTimerCallbacks();
    const CommandReply r =
        LoggedCommand("CVICALLBACK Callback_Sleep, ZOLT_ArbitraryCommand *sleep", "*sleep\r");
    if (r.status == 0 && !r.refused) {
        iDeviceAsleep = 1;
        return 0;
    }
    // Still awake: the switch and the timers say so.
    SetCtrlVal(panel, control, 0);
    ResumeTimerCallbacks();
    return 0;
}

int cbDateTime_SetToSystem(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    DeviceCommandScope busy; // no read-out between the two settings
    const std::tm now = LocalNow();
    char date[16] = {};
    char time[16] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d", &now);
    std::strftime(time, sizeof time, "%H:%M:%S", &now);

    std::string failed;
    const struct {
        const char* log;
        const char* keyword;
        const char* value;
        const char* what;
    } steps[] = {
        {"CVICALLBACK cbDateTime_SetToSystem, ZOLT_ArbitraryCommand *DATE ...", "*DATE", date,
         "date"},
        {"CVICALLBACK cbDateTime_SetToSystem, ZOLT_ArbitraryCommand *TIME ...", "*TIME", time,
         "time"},
    };
    for (const auto& step : steps) {
        const std::string command = std::string(step.keyword) + " " + step.value + "\r";
        CommandReply r;
        link_CoreCall(step.log, LogArg(step.value),
                      [&] { return (r = comm_SendCommand(command.c_str())).status; });
        Pause(0.1);
        if (r.status != 0 || r.refused)
            failed += std::string(failed.empty() ? "" : "\n") + "Could not set the " + step.what +
                      " of the device to " + step.value + ".";
    }
    if (failed.empty())
        return 0;
    MessagePopup("Error", failed.c_str());
    return -1;
}

int SetControl(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT || (control != PARUTILITY_SHUT && control != PARUTILITY_LASER))
        return 0;
    int value = 0;
    GetCtrlVal(panel, control, &value);
    const bool shutter = control == PARUTILITY_SHUT;
    link_CoreCallKeep(shutter ? "CVICALLBACK SetControl, ZOLT_SetShutterStat"
                              : "CVICALLBACK SetControl, ZOLT_SetLaserStat",
                      LogArg(value), shutter ? ZOLT_SetShutterStat : ZOLT_SetLaserStat,
                      dwCurrentDevice, value);
    if (ErrorCheck(dwError) == 0)
        return 0;
    // The device did not switch: show the state it still has.
    SetCtrlVal(panel, control, value != 0 ? 0 : 1);
    return -1;
}

int set_Parameter(const char* command, int secretFrom) {
    if (command == nullptr)
        return -1;
    if (std::strstr(command, "**") != nullptr)
        return 0;
    const std::string shown = comm_ShownCommand(command, secretFrom);
    const std::string what = "set_Parameter, ZOLT_ArbitraryCommand(h=" +
                             std::to_string(static_cast<int>(dwCurrentDevice)) + ", par=\"" +
                             shown + "\")";
    CommandReply r;
    link_CoreCallKeep(what.c_str(), [&] { return (r = comm_SendCommand(command)).status; });
    if (r.status == 0 && !r.refused)
        return 0;
    MessagePopup("Error writing parameter", shown.c_str());
    return -1;
}

void comm_Pause(double seconds) {
    Pause(seconds);
}

int main_FirmwareReset() {
    DeviceCommandScope busy; // the read-outs keep off the restarting device
    const int status =
        link_CoreCallKeep("main_FirmwareReset, ZOLT_Reset", ZOLT_Reset, dwCurrentDevice);
    if (status != 0)
        MessagePopup("Error", "Error resetting the firmware. ZOLT_Reset not successful.");
    if (stParam.deviceType == kTypeWithClock)
        Pause(3.0); // the instrument restarts meanwhile
    return status;
}

// ------------------------------------------------------------------ wiring

void readouts_RegisterCallbacks() {
    RegisterCtrlCallback("cbTimerHallSensors", cbTimerHallSensors);
    RegisterCtrlCallback("Sync_Value", Sync_Value);
    RegisterCtrlCallback("Callback_Sleep", Callback_Sleep);
    RegisterCtrlCallback("cbDateTime_SetToSystem", cbDateTime_SetToSystem);
    RegisterCtrlCallback("SetControl", SetControl);
}

void readouts_SetPause(std::function<void(double)> pause) {
    g_pause = std::move(pause);
}

void readouts_SetLocalClock(std::function<std::tm()> clock) {
    g_localClock = std::move(clock);
}
