// Device-event message: the instrument asks for a measurement (its trigger
// input fired) and the program presses the measure button armed for it.
#pragma once

#include <cstdint>

#include "link/shared_state.h" // hMainHWND, usStopFlag, colorMeasButt

// Trigger mode 2 waits for device events, 0 while a measurement runs.
// Returns 0, -99 (status 255) or -1.
int comm_SetTrigger(int mode);
// The device's enquiry value (1: it asks for a measurement), or -99 / -1.
int comm_GetEnquiry();

// Window-message hook of the main panel for the device event (0x9000) and a
// new posting window (1004).  Always returns 0.
int cbComCallback(int panel, int message, unsigned* wParam, unsigned* lParam, void* data);

// Installs cbComCallback on the main panel (once per run) and routes the core
// library's messages into the event loop.  Returns 0, or a negative toolkit
// error.  hMainHWND holds the window handle afterwards.
int comm_InstallDeviceEvents();
// The core library's message poster (called on the library's thread): the
// event goes into the event loop marked with the current installation, so
// one posted before comm_RemoveDeviceEvents is ignored on arrival.
void comm_PostDeviceEvent(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Takes the device events away before the device is closed: the library
// stops posting, the hook comes off the main panel, and an event posted
// before this is ignored when it arrives, even after a new connection
// installed the hook again.
void comm_RemoveDeviceEvents();

// A measurement or device command is running: device events that arrive
// meanwhile (through the event processing of its polls) are ignored.  The
// calls nest; each Begin needs its End.
void comm_BeginDeviceCommand();
void comm_EndDeviceCommand();
int comm_DeviceCommandRunning();

// Scope guard for the pair above.
class DeviceCommandScope {
  public:
    DeviceCommandScope() { comm_BeginDeviceCommand(); }
    ~DeviceCommandScope() { comm_EndDeviceCommand(); }
    DeviceCommandScope(const DeviceCommandScope&) = delete;
    DeviceCommandScope& operator=(const DeviceCommandScope&) = delete;
};
