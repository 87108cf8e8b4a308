#include "export/export_state.h"

SavedMeasurement stSavedMeas;
double dLambda2[kSavedPoints] = {};
int hCommentPanel = 0;
int hInfLoad = 0;

int iExcelStart = 0;
int iTableOpen = 0;
int iCSV = 0, iASCII = 0;
int iNoExcel = 0;
int iWithExcel = 0;
int iNumOfCSV = 0;
int iExcelDescription = 0;
int iCSVhandle = 0;
char cNameSpectrum[32] = {};
char cCsvPath[260] = {};
int iCSVlastMode = 0;
int iOneLast = 0;
int iCSVlastSpec = 0;
int iCsvSpecRows = 0;
char cDatDir[260] = {};
char cDatFile[260] = {};
int iCapFileNr = 0;
char cLocaleLanguage[8] = {};

char cPrtBuf[30][50] = {};
int hPrtPanel = 0;
int hPrtHead = 0;
int imgID = -1;

int iTempComp = 0;
