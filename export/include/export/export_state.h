// State of the output modules: the stored spectrum-file record, the output
// links (CSV, ASCII, spreadsheet), the printed protocol, the graph picture and
// the configuration's own values.  The last folders of the file dialogs are
// in parameters/parameters_state.h.
#pragma once

#include <cstdint>

#include "files/csv_table.h"
#include "files/valfile.h"
#include "parameters/parameters_state.h"

// ------------------------------------------------------- spectrum file
// Values per spectrum in a stored set.
constexpr int kSavedPoints = valfile::kPoints;

// The stored measured set: the record of the spectrum file last saved or
// loaded, which the stored and compare views of the display draw.
using SavedMeasurement = valfile::ValFileRecord;
extern SavedMeasurement stSavedMeas;

// Wavelength of each pixel of the open file (stSavedMeas.pixelCount values).
extern double dLambda2[kSavedPoints];

// Path of the last spectrum-file dialog and its parts; cValFile is the name
// the window titles show.
extern char cValPath[260];
extern char cValDrive[260];
extern char cValDir[260];
extern char cValFile[260];

// View of the display: 0 measured, 1 stored, 2 both.
extern int iCompare;

extern int hCommentPanel; // comment of a saved file
extern int hInfLoad;      // file information

// -------------------------------------------------------- output links
extern int iExcelStart;       // spreadsheet opened (with iTableOpen)
extern int iTableOpen;        // an output link is active
extern int iCSV, iASCII;      // CSV link / ASCII link active
extern int iNoExcel;          // 1 while the file link is active
extern int iWithExcel;        // 1 after the live application was connected
extern int iNumOfCSV;         // columns of the CSV table
extern int iExcelDescription; // 1 the next spreadsheet column needs a description
// The spreadsheet links: column of the next write (file link: 0 is column A;
// live link: 1 is column A), the last row and column index the file's format
// holds, the sheet written in the file and in the live workbook, and the
// workbook file with its parts (its folder is where the next workbook
// chooser starts).
extern int iExcelColumn;
extern int iExcelMaxRows, iExcelMaxColumns;
extern int iWorkSheet;
extern int iExcelWorksheet;
extern char cXlPath[260];
extern char cXlDrive[260];
extern char cXlDir[260];
extern char cXlFile[260];
extern int iCSVhandle;          // CSV output panel
extern char cLocaleLanguage[8]; // user's locale language, four hex digits

// Name of a saved spectrum or prefix of a series.
extern char cNameSpectrum[32];

// The CSV link's table: its file and the blocks it holds (with iNumOfCSV).
extern char cCsvPath[260];
extern int iCSVlastMode; // marker block in the table
extern int iOneLast;     // evaluation block in the table
extern int iCSVlastSpec; // spectrum block in the table
// The spectrum block's rows: the display grid it was laid out on.
extern csvtable::Grid stCsvGrid;
// The ASCII link's series: folder and base name, number of the next file.
extern char cDatDir[260];
extern char cDatFile[260];
extern int iCapFileNr;

// -------------------------------------------------- protocol and picture
extern char cPrtBuf[30][50]; // protocol texts: 24 marker results, then the six header fields
extern int hPrtPanel;        // protocol panel
extern int hPrtHead;         // its header fields
extern int imgID;            // picture of the graph, -1 none
// Folders the choosers of a protocol's PDF and of its picture start in: the
// last one used, empty before (then the user's home).
extern char cLastPdfPath[260];
extern char cLastImagePath[260];

// ------------------------------------------------------- configuration
// Settings the configuration file keeps that the workspace uses; they live
// here, below both.
extern int iTempComp;        // carried through the configuration only
extern int iCbSelect;        // kind requested by the last measure button
extern int iClrDisplay;      // 1 clear the graph before each new curve
extern int iInterplMode;     // display resampling 1..7
extern int iCheckBoxDarkRef; // 1 = dark and reference in one step (CHECKBOXDARKREF)
extern int iCheckBoxAdapt;   // 1 = device adaption before the dark step (CHECKBOXADAPT)
// Read-out choices of the WL Values dialog.
extern int iCkdFwhm, iCkdMaxWave, iCkdMinWave, iCkdCogVal, iCkdDomWave;
extern double dUserBounds[12]; // lower and upper Y bound per shown curve
