// Live instrument status on the parameter window (measuring head, date and
// time, battery, temperature) and the direct device commands offered there:
// sync frequency, sleep, clock setting, shutter, laser, one text command and
// the firmware reset.  Everything acts on dwCurrentDevice.
#pragma once

#include <ctime>
#include <functional>
#include <string>

// 1 while the sleep switch holds the device asleep; the switch then holds one
// suspension of the timer callbacks, released when the device is woken.
extern int iDeviceAsleep;

// ------------------------------------------------------ status read-outs
// Not logged; each returns the status of its core call.
// Measuring-head bits into MF1 (bit 0) and MF2 (bit 1), shown only on success.
int comm_CheckHallSensors();
// Device type 3 only: "*DATE?" and "*TIME?" into DATETIME, shown together with
// DATETIMESETTOSYSTEM only when both were answered.  Other types hide both.
int comm_CheckDateTime();
// Battery text into BATTSTATUS (see comm_BatteryText).
int comm_CheckBatteryStatus();
// TEMPERATURE, shown only on success and above -20.0 degrees.
int comm_CheckTempe();
// Without a device every read-out is hidden, as a failed one is: none shows
// what the last instrument said.
void comm_HideReadouts();

// Text of BATTSTATUS; "no battery" for 0 V, 0 % and not charging.
std::string comm_BatteryText(float volts, int percent, int charging, int deviceType);

// ------------------------------------------------------- control callbacks
// Timer of the parameter window: the four read-outs, in this order.
int cbTimerHallSensors(int panel, int control, int event, void* data, int d1, int d2);
// SYNC_MEAS_BUTTON: measures the light's modulation frequency into SYNC_VALUE.
int Sync_Value(int panel, int control, int event, void* data, int d1, int d2);
// SLEEP: on sends the device to sleep and holds the timers; off wakes it.
int Callback_Sleep(int panel, int control, int event, void* data, int d1, int d2);
// DATETIMESETTOSYSTEM: the computer's local date and time into the device.
// Returns 0, or -1 after telling the user which part failed.
int cbDateTime_SetToSystem(int panel, int control, int event, void* data, int d1, int d2);
// SHUT and LASER: switch the device's shutter or laser.  Returns 0, or -1
// after the error popup (the switch then shows its previous state again).
int SetControl(int panel, int control, int event, void* data, int d1, int d2);

// Wakes a device that the sleep switch put to sleep and releases the timer
// hold; nothing happens when it is awake.  Called when the parameter window
// closes, so that continuous measurement and the read-outs go on.
void comm_WakeIfAsleep();

// ------------------------------------------------------------- commands
// Sends one text command (ending in "\r").  A command containing "**" is not
// sent (0).  A failed or refused command shows "Error writing parameter" with
// the command and returns -1 (the status stays in dwError).  A password the
// command carries never reaches the log or the popup: it starts at byte
// secretFrom (-1: none) and runs to the end; the argument of "*para:backup"
// and "*para:restore" is always treated as one.
int set_Parameter(const char* command, int secretFrom = -1);
// ZOLT_Reset with its error popup; device type 3 then needs 3.0 s to come
// back.  Returns the reset's status.
int main_FirmwareReset();

// Waits with the event loop running (tests replace the wait through
// readouts_SetPause).
void comm_Pause(double seconds);

// A command as the log and popups show it: the password replaced by "****",
// trailing CR/LF removed.
std::string comm_ShownCommand(const char* command, int secretFrom);

// One text command and its reply: read into a zeroed buffer of the reply
// size, cut at the first NUL, trailing CR/LF removed.  Not logged.
struct CommandReply {
    int status = 0;
    bool refused = false; // the device answered NAK
    std::string text;     // empty unless the status is 0
};
CommandReply comm_SendCommand(const char* command);

// ----------------------------------------------------------- wiring, tests
// Registers the callbacks above under their names.
void readouts_RegisterCallbacks();
// Pauses between device commands and the local time the clock setting uses.
// Empty functions restore the real ones (Delay, the system's local time).
void readouts_SetPause(std::function<void(double seconds)> pause);
void readouts_SetLocalClock(std::function<std::tm()> clock);
