// Finding, opening and setting up an instrument, and the connection state
// shown in the main window.
#pragma once

#include <cstdint>
#include <string>

#include "link/connect_args.h"
#include "link/shared_state.h"

// ------------------------------------------------ state the connection uses
// These belong to the workspace but are read or written while a device is
// set up, so they live on this side (the link never depends on the workspace).
extern char sArg1[100];                // connection keyword of the command line
extern char sArg2[100];                // its address
extern char sPrevSerNum[16];           // serial number copied at each connection
extern char sOrvalinTitle[64];         // main-window title while connected
extern int iStartWaveLen, iEndWaveLen; // displayed range, nm
extern int iStartPixel, iEndPixel;     // displayed range, pixels
extern int iTint_prec;                 // decimals of the integration-time controls
extern int iMess;                      // kinds present in the measured set
extern float fTint;                    // integration time, ms (0 or less: the device's own)
extern int iPxlWlMode;                 // the user's axis choice: 1 wavelength, 0 pixel
extern int iFileOpen;                  // 1 while a spectrum file is loaded
extern double dScanDel;                // continuous scan period, ms
extern int hAboutPanel;                // start-up / about panel (progress texts)
extern int hDevselectPanel;            // device chooser
extern int hParUtil;                   // parameter utility
extern int hTabRoot;                   // its root tab page
extern int hCOGIntervalPanel;          // centre-of-gravity interval popup

// Pause after every connection attempt so the start-up panel can be read, in
// seconds.  Tests set it to 0.
extern double dConnectPause;

// ------------------------------------------------- workspace entry points
// Routines of the workspace and the parameter utility that the connection
// runs.  The workspace fills them in at start-up; a null entry is skipped.
struct ConnectHooks {
    void (*display_ClearMainGraph)() = nullptr;
    void (*clearStoredMeasured)() = nullptr; // measured-kinds field of the stored record
    void (*set_MeasBtns)(int dimmed) = nullptr;
    void (*set_UndimMeasButtons)() = nullptr;
    void (*set_ChangeToWL)() = nullptr;
    void (*set_ChangeToPixel)() = nullptr;
    void (*set_ScanDelay)() = nullptr;
    void (*PU_LoadSensList)() = nullptr;
    int (*PU_GetAllParam)() = nullptr;
    void (*PU_CurrentValues_to_InitValues)() = nullptr;
};
extern ConnectHooks g_connectHooks;

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
