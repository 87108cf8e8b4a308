#include "export/export_state.h"

SavedMeasurement stSavedMeas;
double dLambda2[kSavedPoints] = {};
char cValPath[260] = {};
char cValDrive[260] = {};
char cValDir[260] = {};
char cValFile[260] = {};
int iCompare = 0;
int hCommentPanel = 0;
int hInfLoad = 0;

int iExcelStart = 0;
int iTableOpen = 0;
int iCSV = 0, iASCII = 0;
int iNoExcel = 0;
int iWithExcel = 0;
int iNumOfCSV = 0;
int iExcelDescription = 0;
int iExcelColumn = 0;
int iExcelMaxRows = 0, iExcelMaxColumns = 0;
int iWorkSheet = 0;
int iExcelWorksheet = 0;
char cXlPath[260] = {};
char cXlDrive[260] = {};
char cXlDir[260] = {};
char cXlFile[260] = {};
int iCSVhandle = 0;
char cNameSpectrum[32] = {};
char cCsvPath[260] = {};
int iCSVlastMode = 0;
int iOneLast = 0;
int iCSVlastSpec = 0;
csvtable::Grid stCsvGrid;
char cDatDir[260] = {};
char cDatFile[260] = {};
int iCapFileNr = 0;
char cLocaleLanguage[8] = {};

char cPrtBuf[30][50] = {};
int hPrtPanel = 0;
int hPrtHead = 0;
int imgID = -1;
char cLastPdfPath[260] = {};
char cLastImagePath[260] = {};

int iTempComp = 0;
int iCbSelect = 0;
int iClrDisplay = 1;
int iInterplMode = 1;
int iCheckBoxDarkRef = 0;
int iCheckBoxAdapt = 0;
int iCkdFwhm = 0, iCkdMaxWave = 0, iCkdMinWave = 0, iCkdCogVal = 0, iCkdDomWave = 0;
double dUserBounds[12] = {};
