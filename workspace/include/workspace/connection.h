// Connecting and disconnecting the instrument while the program runs: the
// connect switch, the File menu's connect and disconnect items, and the
// routine that takes the program offline.
//
// The connection state is remembered by the dimmed state of the two menu
// items (set_ConnectionControl, link/connect.h): while connected CON_DEVICE is
// dimmed, while offline DISCON_DEVICE is.
#pragma once

// Takes the program offline: stops continuous measurement, clears the graph,
// the markers and the statistics, stores the configuration when a device was
// connected, zeroes the spectra, forgets a loaded spectrum file, closes the
// device and dims every control that needs one.  A failing close is logged
// and the program goes offline regardless.  Asked for while a measurement
// step runs, it is carried out once the step has unwound.
void comm_Disconnect();
// Connected: comm_Disconnect.  Offline: the defaults of a reconnection, the
// settings read again (configuration file, session log), then a connection
// attempt.  Returns 1.
int main_ConDisconRoute();

// SWITCHCONNECT (value changed): the route, then the parameter window hidden.
int ConnectDisconnectButton(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
// CON_DEVICE: a connection attempt without resetting the state.
void ConnectDevice(int menuBar, int menuItem, void* callbackData, int panel);
// DISCON_DEVICE.
void DisconnectDevice(int menuBar, int menuItem, void* callbackData, int panel);
// The route under the wait cursor (commit).
int ConnectSpec(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);

// Registers the four callbacks above by their names.
void connection_RegisterCallbacks();
