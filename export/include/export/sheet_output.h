// Spreadsheet output: measurements collected column by column, in a workbook
// file (.xls or .xlsx, the "XLS link") or in a running spreadsheet
// application (the live link).  Both share one column writer,
// main_WriteToXLS, which the measurement sequence calls in continuous mode
// and SAVE for single measurements.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "book/live_app.h"

// ----------------------------------------------------------- menu entries
void StartExcelLink(int menuBar, int menuItem, void* callbackData, int panel);
void StopExcelLink(int menuBar, int menuItem, void* callbackData, int panel);
// "Setup Excel Output": the two options of DDE_PANEL, modal.
void Properties(int menuBar, int menuItem, void* callbackData, int panel);
void connect_with_excel(int menuBar, int menuItem, void* callbackData, int panel);
void disconnect_with_excel(int menuBar, int menuItem, void* callbackData, int panel);

// --------------------------------------------------------- workbook file
// Asks for the file and creates the book, saved once, in the format its
// extension names (the chooser gives every name ".xls" or ".xlsx").  0
// created; -1 no file chosen, or the file could not be written (the reason in
// links_LastError()).
int excelio_CreateNewBook();
// One text cell (zero-based row and column).  0 written; -1 beyond the
// format's last row or column, no such sheet, or text the format refuses.
int excelio_SetString(int sheet, int row, int column, const char* text);
// count values downward from (row, column).  The number of values written:
// those past the format's last row are left out; -1 no such sheet.
int excelio_xlsSetDouble(int sheet, int row, int column, int count, const double* values);
// Waits for the last save, then releases the book.
void excelio_xlsClose();

// ------------------------------------------------- live spreadsheet link
// Starts the application and its workbook: 0 connected, 1 failed (told).
int ConnectExcel();
// 0 application and workbook created, -1 failure (told, handles released).
int RunExcel();
// Reference of a cell or of a vertical range of count cells: "B3",
// "B6:B2053".  Empty for a column outside 1..16384 or a row below 1.
std::string ExcelCell(int row, int column, int count);
// One text cell and a block of count values down one column (1-based).
void AusgabeString(int row, int column, const char* text);
void AusgabeFeld(int row, int column, const double* values, int count);

// ----------------------------------------------------------- the column
// Writes the shown measurement as the next column of the open spreadsheet.
// The argument is not read (callers pass 1); every call writes one column.
void main_WriteToXLS(int unused);

// How the live link reaches an application: set once at start-up (a test
// hands in its own back end).
void excel_SetLiveAppFactory(std::function<std::unique_ptr<book::LiveApp>()> factory);
// The back end of the connected application, nullptr when none.
book::LiveApp* excel_LiveApp();

// Waits until every column written so far is in the workbook file.
void excel_FlushFile();
// Columns of a workbook that could not be saved while no question could be
// asked (a quit on its way): asks now whether to save them elsewhere.
void excel_AskAboutHeldColumns();

void excel_RegisterCallbacks();
