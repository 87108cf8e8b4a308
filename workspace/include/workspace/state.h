// Module-level state of the measurement workspace, shared by its callbacks.
// The spectrum arrays, the device record and the online flag live in the link
// (link/shared_state.h) because the link allocates them on connection; the
// few workspace values that a connection reads or sets live there too
// (link/connect.h, link/trigger.h).  State of the later parts of the
// workspace is in the small headers included at the end.
#pragma once

#include <cstdint>

#include "link/connect.h"
#include "link/shared_state.h"
#include "link/trigger.h"

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

// Measurement state (iMess, fTint, dScanDel, usStopFlag and colorMeasButt are
// in the link headers).
extern int iCbSelect;
extern int iSelect;
extern int FuncNr;
extern int iSiCont;
extern int iBreakMeas;
extern float fTint_prev;
extern int iAverage;
extern double dScanPeriodUIR;
extern int iCheckBoxDarkRef; // dark and reference in one step
extern int iCheckBoxAdapt;   // adaption before the dark step

// Panel handles (hMainPanel, hMenuBar and hMainBar are in link/shared_state.h;
// hAboutPanel, hDevselectPanel, hParUtil, hTabRoot and hCOGIntervalPanel in
// link/connect.h).
extern int hDDEPanel, hConfigPanel, hScalePanel, hWlValDispl, hFuncPanel, hInfLoad, hCommentPanel,
    hAxisScaling, hOpPanel, hSmoothPanel, hPrtPanel, hPrtHead, hStatPar, hStatTable, hStatWaitInf,
    hFFTParPanel, hProgressPanel, iCSVhandle, hAsFHelp;
extern int hTrigMeasBar, hXAxisResetBar;
extern int hTabAdc, hTabSens, hTabComm, hTabMeas, hTabScan, hTabPeriph, hTabSpecFun, hTabCor,
    hTabOther, hTabLog, hTabBlock;

// sArg1 / sArg2 (command-line keyword and address) are in link/connect.h.

#include "workspace/display_state.h"
#include "workspace/eval_state.h"
#include "workspace/output_state.h"
#include "workspace/smooth_state.h"
#include "workspace/stats_state.h"
