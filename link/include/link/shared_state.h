// State that the instrument link and the measurement workspace share.
//
// The link fills these when a device is connected; the workspace reads them.
// They live here, not in the workspace, so that the link never depends on the
// workspace target.  Names are the ones the rest of the code base uses.
#pragma once

#include <cstdint>

#include "link/device_params.h"

// ------------------------------------------------------------ device link
extern DeviceParameters stParam; // the connected instrument
extern char cSerial1[16];        // serial number of the connected device
extern int dwError;              // status of the last core call whose caller keeps it
extern uint32_t dwCurrentDevice; // open device handle, 0 when none

// ------------------------------------------------------- workspace flags
extern int iOffline;    // 1 while no device is open
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

// Number of elements the per-pixel arrays and the display buffers were last
// allocated with (0 when not allocated).
extern int iAllocatedPixels;
extern int iAllocatedDisplay;

// Allocates the ten per-pixel arrays, zero-filled, stParam.pixelCount elements
// each; arrays of an earlier connection are released first.  Returns 0, or -1
// (every array null) when the pixel count is out of range or memory runs out.
int link_AllocPixelArrays();
// Allocates the four display buffers for the current iMinWaveLen..iMaxWaveLen,
// zero-filled, releasing earlier ones.  Returns 0, or -1 (all null) when the
// range is empty or memory runs out.
int link_AllocDisplayBuffers();
// Releases the twelve spectrum and display arrays (not the raw counts).
void link_FreeSpectra();
// Releases the raw count arrays.
void link_FreeRawCounts();

// Resets the link's part of the shared state to its program-start values
// (used by tests between cases).
void link_ResetSharedState();
