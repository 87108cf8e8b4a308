// State of the instrument link, and the state that the link, the workspace,
// the parameter window and the output modules share.
//
// The link fills most of it when a device is connected; the modules above read
// it.  Shared state lives here, in the lowest module all its users depend on,
// so no module reaches one above it.  Names are the ones the rest of the code
// base uses.
#pragma once

#include <cstdint>

#include "link/device_params.h"

// ------------------------------------------------------------ device link
extern DeviceParameters stParam; // the connected instrument
extern char cSerial1[16];        // serial number of the connected device
extern int dwError;              // status of the last core call whose caller keeps it
extern uint32_t dwCurrentDevice; // open device handle, 0 when none
// Connection set-ups so far.  What was read from one device is keyed by this,
// never by the handle, whose number another device may get again.
extern unsigned uConnectCount;

// ---------------------------------------------- state of the connection
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

// ------------------------------------------------------- device events
// Handle of the main window that the core library posts its messages to.
extern intptr_t hMainHWND;
// 1 once quitting has begun: device events are no longer acted on.
extern uint16_t usStopFlag;
// Normal colour of the measure buttons; another colour arms a button.
extern int colorMeasButt;

// ------------------------------------------------------- workspace flags
extern int iOffline; // 1 while no device is open
// Above 0 from the main window's first showing until the first connection
// attempt has ended, and during every later attempt: the session log and the
// device are not ready, so the parameter window does not open meanwhile.
extern int iConnecting;
extern int iMinWaveLen; // device wavelength range in nm
extern int iMaxWaveLen;

// ------------------------------------------- user-interface hook points
// The workspace sets these at start-up.  0 means "not set": the link then
// skips the effect on the main window (tests without a main window rely on it).
extern int hMainPanel;         // main panel handle
extern int hMenuBar;           // main menu bar as loaded
extern int hMainBar;           // the same bar as read back from the main panel
extern int iMenuFileOpen;      // menu item id of FILE_OPEN
extern int iCtrlCheckboxAdapt; // control id of CHECKBOXADAPT on the main panel

// -------------------------------------------------------- spectrum arrays
// Per-pixel arrays, stParam.pixelCount elements each.
extern int32_t* iRowDark;
extern int32_t* iRowLight;
extern double* dDark;
extern double* dLight;
extern double* dReferenz;
extern double* dTrans;
extern double* dAbsorb;
extern double* dFormel1;
extern double* dFormel2;
extern double* dLambda;
// Display buffers on the 0.01 nm grid over the device range,
// (iMaxWaveLen - iMinWaveLen) * 100 + 1 elements each.
extern double* dXInterpolVal;
extern double* dYInterpolVal;
extern double* dXtemp;
extern double* dYtemp;

// The measured curve as shown is dXInterpolVal/dYInterpolVal with iNumOfMeas
// points; the evaluation copy is dXtemp/dYtemp with iAnzahlFWHM points.  The
// stored curve of the open spectrum file as shown:
extern double* x2_Werte;
extern double* y2_Werte;
extern int iNumberSave; // points in x2_Werte/y2_Werte
extern int iNumOfMeas;  // points in dXInterpolVal/dYInterpolVal
extern int iAnzahlFWHM; // points in dXtemp/dYtemp
extern int iNumOfPnt;   // points of the measured curve the centroid searches use

// Number of elements the per-pixel arrays and the display buffers were last
// allocated with (0 when not allocated).
extern int iAllocatedPixels;
extern int iAllocatedDisplay;

// ------------------------------------------------ evaluation markers
// One evaluation marker; x not above 0 marks a free slot.
struct FwhmSlot {
    double value;
    double x;
    double y;
    int32_t plotHandle;
    int32_t colour;           // 0xRRGGBB
    int32_t valueCtrl;        // FWHMn
    int32_t positionCtrl;     // FWHM_NMn
    int32_t radioCtrl;        // RBPEAKn
    int32_t unitCtrl;         // FWHM_UNIT_n
    int32_t annotationId = 0; // the marker's caption on the graph, 0 when none
};
constexpr int kFwhmSlots = 12;
extern FwhmSlot FWHM[kFwhmSlots];

// Slot colours and controls as at program start.
void eval_ResetFwhmTable();

// ------------------------------------------------------------ routines
// Allocates the ten per-pixel arrays, zero-filled, stParam.pixelCount elements
// each; arrays of an earlier connection are released first.  Returns 0, or -1
// (every array null) when the pixel count is out of range or memory runs out.
int link_AllocPixelArrays();
// Allocates the four display buffers for the current iMinWaveLen..iMaxWaveLen,
// zero-filled, releasing earlier ones; their point counts (iNumOfMeas,
// iAnzahlFWHM, iNumOfPnt) start again at 0.  Returns 0, or -1 (all null) when
// the range is empty or memory runs out.
int link_AllocDisplayBuffers();
// Grows the four display buffers to at least `points` values each, never
// shrinking them (new values zero).  Returns 0, or -1 when memory runs out.
int link_GrowDisplayBuffers(int points);
// Releases the twelve spectrum and display arrays (not the raw counts).
void link_FreeSpectra();
// Releases the raw count arrays.
void link_FreeRawCounts();

// Resets the link's part of the shared state to its program-start values
// (used by tests between cases).
void link_ResetSharedState();
