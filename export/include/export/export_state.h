// State of the output modules: the stored spectrum-file record, the output
// links (CSV, ASCII, spreadsheet), the printed protocol, the graph picture and
// the configuration's own values.  The last folders of the file dialogs are
// in parameters/parameters_state.h.
#pragma once

#include <cstdint>

#include "parameters/parameters_state.h"

// ------------------------------------------------------- spectrum file
// Values per spectrum in a stored set.
constexpr int kSavedPoints = 2049;

// The stored measured set of the open spectrum file, as the display reads it.
// The spectrum-file module completes the record with its header fields.
struct SavedMeasurement {
    std::int32_t pixelCount = 0; // valid values in each array
    double dark[kSavedPoints] = {};
    double reference[kSavedPoints] = {};
    double absorbance[kSavedPoints] = {};
    double transmission[kSavedPoints] = {};
    double derivative1[kSavedPoints] = {};
    double derivative2[kSavedPoints] = {};
    std::int32_t measured = 0; // kinds present (iMess bits)
};
extern SavedMeasurement stSavedMeas;

// Wavelength of each pixel of the open file (stSavedMeas.pixelCount values).
extern double dLambda2[kSavedPoints];

extern int hCommentPanel; // comment of a saved file
extern int hInfLoad;      // file information

// -------------------------------------------------------- output links
extern int iExcelStart;         // spreadsheet opened (with iTableOpen)
extern int iTableOpen;          // an output link is active
extern int iCSV, iASCII;        // CSV link / ASCII link active
extern int iNoExcel;            // 1 while the file link is active
extern int iWithExcel;          // 1 after the live application was connected
extern int iNumOfCSV;           // columns of the CSV table
extern int iExcelDescription;   // 1 the next spreadsheet column needs a description
extern int iCSVhandle;          // CSV output panel
extern char cLocaleLanguage[8]; // user's locale language, four hex digits

// Name of a saved spectrum or prefix of a series.
extern char cNameSpectrum[32];

// The CSV link's table: its file and the blocks it holds (with iNumOfCSV).
extern char cCsvPath[260];
extern int iCSVlastMode; // marker block in the table
extern int iOneLast;     // evaluation block in the table
extern int iCSVlastSpec; // spectrum block in the table
extern int iCsvSpecRows; // data rows of the spectrum block
// The ASCII link's series: folder and base name, number of the next file.
extern char cDatDir[260];
extern char cDatFile[260];
extern int iCapFileNr;

// -------------------------------------------------- protocol and picture
extern char cPrtBuf[30][50]; // protocol texts: 24 marker results, then the six header fields
extern int hPrtPanel;        // protocol panel
extern int hPrtHead;         // its header fields
extern int imgID;            // picture of the graph, -1 none

// ------------------------------------------------------- configuration
extern int iTempComp; // carried through the configuration only
