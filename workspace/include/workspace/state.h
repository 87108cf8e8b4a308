// Module-level state of the measurement workspace: measurement, display,
// evaluation, smoothing, statistics and series.  State that lower modules
// share with it is in their own headers, included here so one include gives
// the whole picture: the link's (device record, spectrum and display arrays,
// marker table, connection), the parameter window's and the output modules'.
#pragma once

#include <cstdint>
#include <vector>

#include "export/export_state.h"
#include "link/connect.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "parameters/parameters_state.h"
#include "workspace/stats_state.h"

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
// in the link headers; the settings the configuration keeps, iCbSelect,
// iClrDisplay, iInterplMode, the check-box options, the read-out choices and
// dUserBounds, in export/export_state.h, as is the view iCompare that opening
// a file sets).
extern int iSelect;
extern int FuncNr;
extern int iSiCont;
extern int iBreakMeas;
extern float fTint_prev;
extern int iAverage;
extern double dScanPeriodUIR;
extern int spectra;          // iSelect of the curve drawn by the previous step
extern int ixStartPeakLines; // STARTWL and ENDWL as captured at the last reference step
extern int ixEndPeakLines;

// Panel handles of the workspace (the link's, the parameter window's and the
// output modules' are in their state headers).
extern int hDDEPanel, hConfigPanel, hScalePanel, hWlValDispl, hFuncPanel, hAxisScaling, hOpPanel,
    hSmoothPanel, hStatPar, hStatTable, hStatWaitInf, hFFTParPanel, hProgressPanel, hAsFHelp;
extern int hTrigMeasBar, hXAxisResetBar;

// ------------------------------------------------------------- display
extern int iXAchse;         // x axis shown: 1 wavelength, 0 pixel
extern double dAbsoluteMin; // running Y extent since the last clear
extern double dAbsoluteMax;
extern int iActiveCursor;         // active graph cursor
extern int iPlotHandle;           // plot handles of the main graph
extern int iPlotHandle1;          // last measured curve
extern int iPlotHandle2;          // last stored curve
extern double dXcursor, dYcursor; // graph cursor last read
extern int iStartWlScal;          // 1 while the displayed start / end are those
extern int iEndWlScal;            // the markers were placed in
extern int iAutoScale;            // 1 automatic Y range, 0 the user bounds
extern int iRangeViolation;       // 1 "Ignore Range Violation"
extern int iFarbe;                // colour of the measured curve (0xRRGGBB)
extern int iFarbe2;               // colour of the stored curve
extern int iCogLineHandle;        // valley-centroid line, 0 none
extern double dCOGInterval;       // half window of the valley centroid, nm

// ---------------------------------------------------------- evaluation
extern int iFwhmMode; // 1 peak-width mode
extern int iValMode;  // 1 valley-width mode
extern int sym_mode;  // 1 symmetry mode
extern int iThrSym;   // level in per cent for the symmetry mode
extern int iThrOther; // level for the width modes

// Plot handle of the peak-centroid line on the graph, 0 when none.
extern int iDomWaveLineHandle;

// ----------------------------------------------------------- smoothing
extern int iSvGlChecked; // Savitzky-Golay item checked
extern int iBxcrChecked; // boxcar item checked
extern int iBxcrParam;   // boxcar width
extern int inL, inR;     // Savitzky-Golay left and right points
extern int iDeg;         // Savitzky-Golay degree

// ------------------------------------------------- statistics and series
// (the statistics run's own state is in workspace/stats_state.h)
// Series view: entry 0 is a row of zeros, entries 1.. the spectra taken
// (pixel count + 1 values each); iNumOfFFT spectra are wanted.
extern int iNumOfFFT;
extern std::vector<std::vector<double>> dFFTValues;
extern std::vector<double> dMaxMinFFT; // series envelope: maxima, then minima reversed
