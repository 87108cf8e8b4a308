// The spreadsheet-file link: choosing the workbook, its cells, saving after
// every column, and the options dialog shared with the live link.
#include <cstring>
#include <optional>
#include <string>
#include <strings.h>

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

void SaveControlsDimmed(int dimmed) {
    if (hMainPanel <= 0)
        return;
    SetCtrlAttribute(hMainPanel, MAINP_SAVE, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_DIMMED, dimmed);
}

void EndFileLink() {
    set_DfltLinkSave();
    iNoExcel = 0;
    SaveControlsDimmed(1);
    excelio_xlsClose();
    iTableOpen = iExcelStart = 0;
}

const char* const kBookFilters = "Microsoft Excel (*.xls *.xlsx);Microsoft Excel 97-2003 "
                                 "(*.xls);Microsoft Excel 2007/2010 (*.xlsx)";
const char* const kBookTitle = "(Excel) Save table as...";

// Columns that could not be saved while no question could be asked.
std::optional<book::Book> g_parked;
std::string g_parkedQuestion;

// The columns of a link whose file could not be saved: the user may save
// them under another name, as often as it takes, or let them go.  A quit on
// its way answers every box at once and ends one open: that is no answer of
// the user's, so the columns are kept for the quit to ask about.
void KeepHeldColumns(book::Book held, std::string question) {
    const bool xls = held.kind() == book::Kind::Xls;
    const char* ext = xls ? "*.xls" : "*.xlsx";
    // Only the held book's own format is offered: it is written as it is.
    const char* filter =
        xls ? "Microsoft Excel 97-2003 (*.xls)" : "Microsoft Excel 2007/2010 (*.xlsx)";
    const std::string tail = "\n\nSave its columns under another name? Otherwise they are lost.";
    for (;;) {
        const bool yes =
            !DialogsDismissed() && ConfirmPopup("Error", (question + tail).c_str()) == 1;
        char chosen[4096] = {};
        const int picked = yes ? FileSelectPopup(cXlDir, ext, filter, kBookTitle, VAL_SAVE_BUTTON,
                                                 0, 0, 1, 1, chosen, sizeof chosen)
                               : 0;
        if (DialogsDismissed()) {
            g_parked.emplace(std::move(held));
            g_parkedQuestion = std::move(question);
            return;
        }
        if (!yes)
            return;
        if (picked <= 0) {
            question = "The columns of the XLS link are not saved.";
            continue;
        }
        // The chooser gives the name the held book's extension.
        const std::string path = chosen;
        if (held.Save(path)) {
            MessagePopup("XLS Link",
                         ("The columns of the XLS link were saved as \"" + path + "\".").c_str());
            return;
        }
        question = held.Error();
    }
}

// A background save failed: told on the user interface thread as soon as the
// saver thread hands the news on, unless a column or the link's end took it
// first.
void SaveFailedLater(void*) {
    SheetSaver& s = sheet::Saver();
    if (!s.IsOpen())
        return;
    const std::string error = s.TakeError();
    if (!error.empty())
        sheet::StopFileAfterFailedSave(error);
}

} // namespace

namespace sheet {

SheetSaver& Saver() {
    static SheetSaver saver;
    return saver;
}

void StopFileWithMessage(const std::string& text) {
    links::SetError(text);
    EndFileLink();
    MessagePopup("Error", text.c_str());
}

void StopFileAfterFailedSave(const std::string& error) {
    // The link ends before anything is asked, so that no column of a
    // continuous run goes into a book that is no longer saved.
    book::Book held = Saver().Release();
    const std::string text = "The workbook \"" + std::string(cXlPath) + "\" could not be saved:\n" +
                             error + "\nThe XLS link is stopped.";
    links::SetError(text);
    EndFileLink();
    KeepHeldColumns(std::move(held), text);
}

} // namespace sheet

int excelio_CreateNewBook() {
    links::SetError("");
    char chosen[4096] = {};
    // Only workbooks can be written: both kinds are offered together first,
    // so the user's workbooks show whichever kind they are.
    if (FileSelectPopup(cXlDir, "*.xls", kBookFilters, kBookTitle, VAL_SAVE_BUTTON, 0, 0, 1, 1,
                        chosen, sizeof chosen) <= 0)
        return -1;
    const std::string path = chosen;
    if (path.size() >= sizeof cXlPath) {
        links::SetError("The path \"" + path + "\" is longer than " +
                        std::to_string(sizeof cXlPath - 1) + " characters.");
        return -1;
    }
    std::string folder, file;
    links::SplitPath(path, &folder, &file);
    // The chooser gave the name .xls or .xlsx, in any case; the format
    // follows it.
    const std::size_t dot = file.find_last_of('.');
    const bool xls = dot != std::string::npos && strcasecmp(file.c_str() + dot, ".xls") == 0;
    const book::Kind kind = xls ? book::Kind::Xls : book::Kind::Xlsx;
    book::Book b(kind);
    b.AddSheet(std::strcmp(cLocaleLanguage, "0407") == 0 ? "Tabelle1" : "Sheet1");
    std::string error;
    sheet::Saver().OnFailure([] { PostDeferredCall(SaveFailedLater, nullptr); });
    // A book that cannot be written now would lose every column: no link.
    if (!sheet::Saver().Open(std::move(b), path, &error)) {
        links::SetError(error);
        return -1;
    }
    links::CopyInto(cXlPath, sizeof cXlPath, path);
    cXlDrive[0] = '\0';
    links::CopyInto(cXlDir, sizeof cXlDir, folder);
    links::CopyInto(cXlFile, sizeof cXlFile, file);
    iExcelMaxRows = kind == book::Kind::Xls ? book::kXlsMaxRow : book::kXlsxMaxRow;
    iExcelMaxColumns = kind == book::Kind::Xls ? book::kXlsMaxCol : book::kXlsxMaxCol;
    iExcelColumn = 0;
    iExcelWorksheet = 1;
    iExcelDescription = 1;
    iExcelStart = 1;
    iTableOpen = 1;
    iWorkSheet = 0;
    sheet::ResetNotes();
    return 0;
}

int excelio_SetString(int sheet, int row, int column, const char* text) {
    SheetSaver& s = sheet::Saver();
    if (!s.IsOpen() || row > iExcelMaxRows || column > iExcelMaxColumns)
        return -1;
    bool written = false;
    s.Edit([&](book::Book& b) { written = b.WriteStr(sheet, row, column, text ? text : ""); });
    return written ? 0 : -1;
}

int excelio_xlsSetDouble(int sheet, int row, int column, int count, const double* values) {
    SheetSaver& s = sheet::Saver();
    if (!s.IsOpen())
        return -1;
    int written = -1;
    s.Edit([&](book::Book& b) { written = b.WriteNums(sheet, row, column, values, count); });
    return written;
}

void excelio_xlsClose() {
    SheetSaver& s = sheet::Saver();
    if (!s.IsOpen())
        return;
    s.Flush();
    const std::string error = s.TakeError();
    if (error.empty()) {
        s.Close();
        return;
    }
    const std::string text = "The workbook \"" + std::string(cXlPath) +
                             "\" could not be saved after its last columns:\n" + error;
    links::SetError(text);
    KeepHeldColumns(s.Release(), text);
}

void StartExcelLink(int, int, void*, int) {
    if (excelio_CreateNewBook() == 0) {
        iNoExcel = 1;
        set_ActiveLinkSave(LINK_SHEET_FILE);
        return;
    }
    const std::string why = links_LastError();
    const std::string text = why.empty() ? "File not created" : "File not created\n" + why;
    MessagePopup("Error", text.c_str());
}

void StopExcelLink(int, int, void*, int) {
    SetWaitCursor(1);
    EndFileLink();
    SetWaitCursor(0);
}

void Properties(int, int, void*, int) {
    const int panel = links::View().hDdePanel;
    if (panel <= 0)
        return;
    int spectra = 0, fwhm = 0;
    GetCtrlVal(panel, DDE_PANEL_SAVESPECTRA, &spectra);
    GetCtrlVal(panel, DDE_PANEL_SAVEFWHM, &fwhm);
    // Closing the panel by its frame counts as cancelling.
    if (RunModalPanel(panel, {DDE_PANEL_OK_BUTTON, DDE_PANEL_AbbruchBUTTON}) !=
        DDE_PANEL_OK_BUTTON) {
        SetCtrlVal(panel, DDE_PANEL_SAVESPECTRA, spectra);
        SetCtrlVal(panel, DDE_PANEL_SAVEFWHM, fwhm);
    }
    // A changed SAVEFWHM moves the spectrum rows; the column writer starts a
    // new description column then, however the option changed.
    RemovePopup(panel);
}

void excel_FlushFile() {
    sheet::Saver().Flush();
}

void excel_AskAboutHeldColumns() {
    if (!g_parked)
        return;
    book::Book held = std::move(*g_parked);
    g_parked.reset();
    KeepHeldColumns(std::move(held), std::move(g_parkedQuestion));
}

void excel_RegisterCallbacks() {
    RegisterMenuCallback("StartExcelLink", StartExcelLink);
    RegisterMenuCallback("StopExcelLink", StopExcelLink);
    RegisterMenuCallback("Properties", Properties);
    RegisterMenuCallback("connect_with_excel", connect_with_excel);
    RegisterMenuCallback("disconnect_with_excel", disconnect_with_excel);
}
