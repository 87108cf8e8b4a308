// Module-level state of the measurement workspace, shared by its callbacks.
// The spectrum arrays, the device record and the online flag live in the link
// (link/shared_state.h) because the link allocates them on connection.
#pragma once

#include <cstdint>

#include "link/shared_state.h"

// Measurement kind bits, shared by iCbSelect, iMess and iStatisticsParam.
enum MeasKind {
    MEAS_DARK = 1,
    MEAS_REFERENCE = 2,
    MEAS_TRANSMISSION = 4,
    MEAS_ABSORBANCE = 8,
    MEAS_DERIVATIVE = 16,
    MEAS_SERIES = 32
};

// Shown curve (iSelect).
enum ShownCurve {
    SHOW_NONE = 0,
    SHOW_DARK = 1,
    SHOW_REFERENCE = 2,
    SHOW_TRANSMISSION = 3,
    SHOW_ABSORBANCE = 4,
    SHOW_DERIVATIVE = 5,
    SHOW_SERIES = 6
};

// Measurement state
extern int iCbSelect;
extern int iMess;
extern int iSelect;
extern int FuncNr;
extern int iSiCont;
extern int iBreakMeas;
extern float fTint;
extern float fTint_prev;
extern int iAverage;
extern double dScanDel;
extern double dScanPeriodUIR;
extern std::uint16_t usStopFlag;
extern int colorMeasButt;

// Panel handles
extern int hDDEPanel, hDevselectPanel, hConfigPanel, hScalePanel, hWlValDispl, hFuncPanel,
    hInfLoad, hCommentPanel, hAxisScaling, hOpPanel, hSmoothPanel, hPrtPanel, hPrtHead, hStatPar,
    hStatTable, hStatWaitInf, hFFTParPanel, hProgressPanel, iCSVhandle, hCOGIntervalPanel,
    hAboutPanel, hAsFHelp, hParUtil;
// hMainPanel, hMenuBar and hMainBar are in link/shared_state.h.
extern int hTrigMeasBar, hXAxisResetBar;
extern int hTabRoot, hTabAdc, hTabSens, hTabComm, hTabMeas, hTabScan, hTabPeriph, hTabSpecFun,
    hTabCor, hTabOther, hTabLog, hTabBlock;

// Command-line arguments: connection keyword and its address.
extern char sArg1[100];
extern char sArg2[100];
