// Definitions of the workspace's module-level state.
#include "workspace/state.h"

// Measurement state
int iSelect = 1;
int FuncNr = 1;
int iSiCont = 0;
int iBreakMeas = 0;
float fTint_prev = 0.0f;
int iAverage = 1;
double dScanPeriodUIR = 0.0;

// Panels and menu bars
int hDDEPanel = 0, hConfigPanel = 0, hScalePanel = 0, hWlValDispl = 0, hFuncPanel = 0,
    hAxisScaling = 0, hOpPanel = 0, hSmoothPanel = 0, hStatPar = 0, hStatTable = 0,
    hStatWaitInf = 0, hFFTParPanel = 0, hProgressPanel = 0, hAsFHelp = 0;
int hTrigMeasBar = 0, hXAxisResetBar = 0;

// Display
int iXAchse = 1;
double dAbsoluteMin = 1.0e6;
double dAbsoluteMax = -1.0e6;
int iActiveCursor = 0;
int iPlotHandle = 0;
int iPlotHandle1 = 0;
int iPlotHandle2 = 0;
double dXcursor = 0.0, dYcursor = 0.0;
int iStartWlScal = 1;
int iEndWlScal = 1;

// Evaluation
int iFwhmMode = 0;
int iValMode = 0;
int sym_mode = 0;
int iThrSym = 10;
int iThrOther = 50;

// Smoothing
int iSvGlChecked = 0;
int iBxcrChecked = 0;
int iBxcrParam = 1;
int inL = 2, inR = 2;
int iDeg = 2;

// Statistics and series
int iStatisticsParam = 0;
int iMeasTask = 1;
uint16_t usStatMesFlag = 0;
char cStatMsg1[100] = {};
char cStatMsg2[100] = {};
int iStat_CreatedTable = 0;
int iStatDark = 0, iStatRef = 0, iStatTrans = 0, iStatAbs = 0;
int iStartFFT = 0;
int iFFTReady = 0;

// Statistics run
