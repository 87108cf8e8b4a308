// The live spreadsheet link: starting the application with a new workbook,
// quitting it, and writing cells by reference.
#include <cstdio>
#include <string>

#include "book/book.h"
#include "export/export_state.h"
#include "export/output_links.h"
#include "export/sheet_output.h"
#include "link/shared_state.h"
#include "links_internal.h"
#include "orvalin_ui.h"
#include "sheet_internal.h"
#include "ui/ui.h"

namespace {

std::function<std::unique_ptr<book::LiveApp>()> g_factory;
std::unique_ptr<book::LiveApp> g_app;
int g_liveWriteError = 0;

void SaveControlsDimmed(int dimmed) {
    if (hMainPanel <= 0)
        return;
    SetCtrlAttribute(hMainPanel, MAINP_SAVE, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_DIMMED, dimmed);
}

// "<what>\n\nError code: <code>\nDescription: <text>", the text cut to 256
// characters as the application's error texts are.
std::string Failure(const char* what, int code) {
    std::string text = g_app ? g_app->ErrorText(code) : book::AppErrorText(code);
    if (text.size() > 256)
        text.resize(256);
    return std::string(what) + "\n\nError code: " + std::to_string(code) + "\nDescription: " + text;
}

void Discard() {
    if (g_app)
        g_app->Discard();
    g_app.reset();
}

void NoteWrite(int result) {
    if (result < 0 && g_liveWriteError == 0)
        g_liveWriteError = result;
}

} // namespace

namespace sheet {

int TakeLiveWriteError() {
    const int e = g_liveWriteError;
    g_liveWriteError = 0;
    return e;
}

void DropLiveWithMessage(const std::string& text) {
    Discard();
    iTableOpen = iExcelStart = iWithExcel = 0;
    set_DfltLinkSave();
    SaveControlsDimmed(1);
    MessagePopup("Failure", text.c_str());
}

} // namespace sheet

void excel_SetLiveAppFactory(std::function<std::unique_ptr<book::LiveApp>()> factory) {
    g_factory = std::move(factory);
}

book::LiveApp* excel_LiveApp() {
    return g_app.get();
}

int RunExcel() {
    g_app = g_factory ? g_factory() : book::MakeUnreachableApp();
    if (!g_app)
        g_app = book::MakeUnreachableApp();
    int r = g_app->Start();
    if (r < 0) {
        const std::string text = Failure("Error starting MS Excel!", r);
        Discard();
        MessagePopup("Failure", text.c_str());
        return -1;
    }
    r = g_app->NewWorkbook();
    if (r < 0) {
        const std::string text = Failure("Error opening of a new workbook in MS Excel!", r);
        // The application started: it is asked to go again, not left behind.
        g_app->Quit();
        Discard();
        MessagePopup("Failure", text.c_str());
        return -1;
    }
    return 0;
}

int ConnectExcel() {
    int result;
    if (RunExcel() == 0) {
        iExcelColumn = 1;
        iExcelStart = iTableOpen = 1;
        iExcelWorksheet = 1;
        SaveControlsDimmed(0);
        if (hMainPanel > 0)
            SetActivePanel(hMainPanel);
        sheet::ResetNotes();
        g_liveWriteError = 0;
        MessagePopup("Success", "MS Excel successfully started.");
        result = 0;
    } else {
        iExcelStart = iTableOpen = 0;
        MessagePopup("MS Excel Failed", "MS Excel Start failed!\nExcel is possibly not installed");
        result = 1;
    }
    iExcelDescription = 1;
    return result;
}

void connect_with_excel(int, int, void*, int) {
    set_ActiveLinkSave(LINK_LIVE_SHEET);
    if (ConnectExcel() == 0) {
        iWithExcel = 1;
        return;
    }
    // Nothing to write to: the menus, lamps and save controls say so.
    set_DfltLinkSave();
    SaveControlsDimmed(1);
}

// Disconnect always ends the program's side of the link: an application
// that refuses to quit, or is gone, is left to its user and said so.
void disconnect_with_excel(int, int, void*, int) {
    if (!g_app) {
        sheet::DropLiveWithMessage(sheet::kNoLongerConnected);
        return;
    }
    const int r = g_app->Quit();
    if (r == book::kAppLost || r == book::kAppNotStarted) {
        sheet::DropLiveWithMessage(sheet::kNoLongerConnected);
        return;
    }
    std::string text;
    if (r < 0)
        text = Failure("Error closing MS Excel!", r);
    Discard();
    iTableOpen = iExcelStart = iWithExcel = 0;
    set_DfltLinkSave();
    SaveControlsDimmed(1);
    if (r < 0)
        MessagePopup("Failure", text.c_str());
    else if (r == book::kAppKeptOpen)
        MessagePopup("Disconnect Excel",
                     "The workbook is still open in the spreadsheet application and is not "
                     "saved.\nSave it there to keep its columns.");
}

std::string ExcelCell(int row, int column, int count) {
    const std::string letters = book::ColumnLetters(column);
    if (letters.empty() || row < 1)
        return "";
    std::string ref = letters + std::to_string(row);
    if (count > 1)
        ref += ":" + letters + std::to_string(row + count - 1);
    return ref;
}

void AusgabeString(int row, int column, const char* text) {
    const std::string ref = ExcelCell(row, column, 1);
    if (!g_app) {
        NoteWrite(book::kAppNotStarted);
        return;
    }
    NoteWrite(ref.empty() ? book::kAppBadReference : g_app->WriteCell(ref, text ? text : ""));
}

void AusgabeFeld(int row, int column, const double* values, int count) {
    if (count <= 0)
        return;
    const std::string ref = ExcelCell(row, column, count);
    if (!g_app) {
        NoteWrite(book::kAppNotStarted);
        return;
    }
    NoteWrite(ref.empty() ? book::kAppBadReference : g_app->WriteRange(ref, values, count));
}
