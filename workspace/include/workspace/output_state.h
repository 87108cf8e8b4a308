// State of the result files, the output links, the protocol and the
// parameter utility's password.
#pragma once

extern int imgID;              // picture of the graph, -1 none
extern int iExcelStart;        // spreadsheet opened (with iTableOpen)
extern int iTableOpen;         // an output link is active
extern int iCSV, iASCII;       // CSV link / ASCII link active
extern int iNoExcel;           // 1 while the file link is active
extern int iWithExcel;         // 1 after the live application was connected
extern int iNumOfCSV;          // columns of the CSV table
extern int iTempComp;          // carried through the configuration only
extern char cLastCsvPath[260]; // last folders of the file dialogs
extern char cLastValPath[260];
extern char cLastDatPath[260];
extern char cLastParPath[260];
extern char cPrtBuf[30][50];    // protocol texts; the first six form the header
extern char cLocaleLanguage[8]; // user's locale language, four hex digits
extern char sPassword[50];      // password of the protected parameter commands
extern int passForSavePar_already_entered;
