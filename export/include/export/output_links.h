// Output links: the CSV table, the series of ASCII result files, their start
// and stop entries of the DATA LINKS menu, the lamps and the save controls.
// One link is active at a time; measurements reach it from continuous mode
// (main_WriteCsv / main_WriteCap through ExportHooks) and from SAVE.
#pragma once

// ----------------------------------------------------------- CSV table
// "Setup CSV Output": the three options of the CSV output panel, modal.
void CsvOutput(int menuBar, int menuItem, void* callbackData, int panel);
// Asks for the table file and writes its first rows.  0 when the table was
// created, -1 when no file was chosen or it could not be written (the reason
// is in links_LastError()).
int main_CreateCSVFile();
// Adds the shown measurement as the next column of the table; the table's
// writer thread puts it into the file.
void main_WriteCsv();
void get_CSVTable();
// Waits until every column added is in the table file, or its write failed.
void csv_FlushTable();

// ----------------------------------------------------- ASCII result files
// Asks for the base name of the series (and whether to overwrite files of an
// earlier series with it) and shows the operator panel.  0 when a series was
// started, kAsciiDeclined when the user would not overwrite an earlier series,
// -1 otherwise (the reason, if any, in links_LastError()).
int main_CreateAsciiFile();
constexpr int kAsciiDeclined = 1;
// Writes the next file of the series.
void main_WriteCap();
int OperatorClose(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2);

// ------------------------------------------------- links and save buttons
void StartCsvLink(int menuBar, int menuItem, void* callbackData, int panel);
void StopCsvLink(int menuBar, int menuItem, void* callbackData, int panel);
void StartAsciiLink(int menuBar, int menuItem, void* callbackData, int panel);
void StopAsciiLink(int menuBar, int menuItem, void* callbackData, int panel);
int SaveMeas(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int SaveMeasCont(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);

// Link kinds of set_ActiveLinkSave.
enum LinkKind { LINK_CSV = 1, LINK_ASCII = 2, LINK_LIVE_SHEET = 3, LINK_SHEET_FILE = 4 };
// Menu entries, lamps and save controls for an active link of `kind`.
void set_ActiveLinkSave(int kind);
// Menu entries and lamps back to the idle state.
void set_DfltLinkSave();
// The menu entries and lamps as the active link wants them (after continuous
// mode dimmed the link submenus).
void links_RestoreMenus();

// Why the last start or write of a link failed ("" when it did not, or when
// the user cancelled).
const char* links_LastError();

// Registers the callbacks of this module.
void links_RegisterCallbacks();
