// Definitions of the workspace's module-level state.
#include "workspace/state.h"

#include "orvalin_ui.h"

// Measurement state
int iCbSelect = 0;
int iSelect = 1;
int FuncNr = 1;
int iSiCont = 0;
int iBreakMeas = 0;
float fTint_prev = 0.0f;
int iAverage = 1;
double dScanPeriodUIR = 0.0;

// Panels and menu bars
int hDDEPanel = 0, hConfigPanel = 0, hScalePanel = 0, hWlValDispl = 0, hFuncPanel = 0, hInfLoad = 0,
    hCommentPanel = 0, hAxisScaling = 0, hOpPanel = 0, hSmoothPanel = 0, hPrtPanel = 0,
    hPrtHead = 0, hStatPar = 0, hStatTable = 0, hStatWaitInf = 0, hFFTParPanel = 0,
    hProgressPanel = 0, iCSVhandle = 0, hAsFHelp = 0;
int hTrigMeasBar = 0, hXAxisResetBar = 0;
int hTabAdc = 0, hTabSens = 0, hTabComm = 0, hTabMeas = 0, hTabScan = 0, hTabPeriph = 0,
    hTabSpecFun = 0, hTabCor = 0, hTabOther = 0, hTabLog = 0, hTabBlock = 0;

// Display
int iXAchse = 1;
double dAbsoluteMin = 1.0e6;
double dAbsoluteMax = -1.0e6;
int iActiveCursor = 0;
int iPlotHandle = 0;
int iPlotHandle1 = 0;
int iPlotHandle2 = 0;
double dXcursor = 0.0, dYcursor = 0.0;
int iCompare = 0;
int iClrDisplay = 1;
int iInterplMode = 1;
int iStartWlScal = 1;
int iEndWlScal = 1;
double dUserBounds[12] = {};

// Evaluation
FwhmSlot FWHM[kFwhmSlots] = {};
int iFwhmMode = 0;
int iValMode = 0;
int sym_mode = 0;
int iThrSym = 10;
int iThrOther = 50;
int iCkdFwhm = 0, iCkdMaxWave = 0, iCkdMinWave = 0, iCkdCogVal = 0, iCkdDomWave = 0;

void eval_ResetFwhmTable() {
    static const int32_t kColour[kFwhmSlots] = {0x0000FF, 0x000080, 0x00FFFF, 0x008080,
                                                0xFF00FF, 0x800080, 0xFF0000, 0x800000,
                                                0x00FF00, 0x008000, 0xFFFF00, 0x808000};
    static const int32_t kValue[kFwhmSlots] = {
        MAINP_FWHM1, MAINP_FWHM2, MAINP_FWHM3, MAINP_FWHM4,  MAINP_FWHM5,  MAINP_FWHM6,
        MAINP_FWHM7, MAINP_FWHM8, MAINP_FWHM9, MAINP_FWHM10, MAINP_FWHM11, MAINP_FWHM12};
    static const int32_t kPosition[kFwhmSlots] = {
        MAINP_FWHM_NM1, MAINP_FWHM_NM2,  MAINP_FWHM_NM3,  MAINP_FWHM_NM4,
        MAINP_FWHM_NM5, MAINP_FWHM_NM6,  MAINP_FWHM_NM7,  MAINP_FWHM_NM8,
        MAINP_FWHM_NM9, MAINP_FWHM_NM10, MAINP_FWHM_NM11, MAINP_FWHM_NM12};
    static const int32_t kRadio[kFwhmSlots] = {MAINP_RBPEAK1,  MAINP_RBPEAK2,  MAINP_RBPEAK3,
                                               MAINP_RBPEAK4,  MAINP_RBPEAK5,  MAINP_RBPEAK6,
                                               MAINP_RBPEAK7,  MAINP_RBPEAK8,  MAINP_RBPEAK9,
                                               MAINP_RBPEAK10, MAINP_RBPEAK11, MAINP_RBPEAK12};
    static const int32_t kUnit[kFwhmSlots] = {
        MAINP_FWHM_UNIT_1, MAINP_FWHM_UNIT_2,  MAINP_FWHM_UNIT_3,  MAINP_FWHM_UNIT_4,
        MAINP_FWHM_UNIT_5, MAINP_FWHM_UNIT_6,  MAINP_FWHM_UNIT_7,  MAINP_FWHM_UNIT_8,
        MAINP_FWHM_UNIT_9, MAINP_FWHM_UNIT_10, MAINP_FWHM_UNIT_11, MAINP_FWHM_UNIT_12};
    for (int i = 0; i < kFwhmSlots; ++i) {
        FWHM[i] =
            FwhmSlot{0.0, 0.0, 0.0, 0, kColour[i], kValue[i], kPosition[i], kRadio[i], kUnit[i]};
    }
}

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

// Output, protocol, password
int imgID = -1;
int iExcelStart = 0;
int iTableOpen = 0;
int iCSV = 0, iASCII = 0;
int iNoExcel = 0;
int iWithExcel = 0;
int iNumOfCSV = 0;
int iTempComp = 0;
char cLastCsvPath[260] = {};
char cLastValPath[260] = {};
char cLastDatPath[260] = {};
char cLastParPath[260] = {};
char cPrtBuf[30][50] = {};
char cLocaleLanguage[8] = {};
char sPassword[50] = {};
int passForSavePar_already_entered = 0;
