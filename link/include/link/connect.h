// Finding, opening and setting up an instrument, and the connection state
// shown in the main window.
#pragma once

#include <cstdint>
#include <string>

#include "link/connect_args.h"
#include "link/shared_state.h"

// The connection's state (command-line arguments, displayed range, the
// integration time and the panels it fills) is in link/shared_state.h.

// ----------------------------------------------------------------- routines
// One connection attempt with its user-interface frame.
void comm_InitConnect();
// Opens and sets up a device: 0 when one is open and ready, -1 when the
// program stays offline (no device handle is left open then).
int main_DevicesSearch();
// Wrappers of single core calls: 0, -99 (status 255) or -1.
int comm_OpenDevice(uint32_t index, uint32_t* handle);
// Always 0; the count is left as it was (callers start it at 0) on failure.
int comm_GetNumDevices(int32_t* count);
// Shows the connection state: menu items, connect switch, tooltip, title.
int set_ConnectionControl(int state);

// ----------------------------------------------------------- helpers
// Text of CONNTYPE for the connection fields of stParam.
std::string comm_ConnTypeText();
