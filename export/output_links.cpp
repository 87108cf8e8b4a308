// Start and stop of the CSV and ASCII links, the SAVE button and the SAVECONT
// switch, and the DATA LINKS menu and lamps for an active or no link.
#include "export/output_links.h"

#include <cstring>
#include <ctime>
#include <string>

#include "export/export_hooks.h"
#include "export/export_state.h"
#include "link/hooks.h"
#include "link/shared_state.h"
#include "links_internal.h"
#include "orvalin_ui.h"
#include "ui/ui.h"

namespace {

std::string g_error;

void Dim(int item, int dimmed) {
    if (hMenuBar > 0)
        SetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, dimmed);
}

// A lamp of an active link is shown lit; an idle one is hidden.
void Lamp(int control, int on) {
    if (hMainPanel <= 0)
        return;
    SetCtrlVal(hMainPanel, control, on);
    SetCtrlAttribute(hMainPanel, control, ATTR_VISIBLE, on);
}

void SaveControlsDimmed(int dimmed) {
    if (hMainPanel <= 0)
        return;
    SetCtrlAttribute(hMainPanel, MAINP_SAVE, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(hMainPanel, MAINP_SAVECONT, ATTR_DIMMED, dimmed);
}

// The name typed into the prompt, or false when it was cancelled.
bool AskName(const char* message) {
    char name[sizeof cNameSpectrum] = {};
    if (PromptPopup("spectrum", message, name, sizeof name - 1) < 0)
        return false;
    std::memcpy(cNameSpectrum, name, sizeof name);
    return true;
}

} // namespace

namespace links {

OutputView View() {
    OutputView v;
    g_workspaceHooks.main_GetOutputView(&v);
    return v;
}

std::tm Now() {
    const std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

void SplitPath(const std::string& path, std::string* folder, std::string* file) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        *folder = ".";
        *file = path;
        return;
    }
    folder->assign(path, 0, slash == 0 ? 1 : slash); // "/" for a file in the root
    file->assign(path, slash + 1);
}

bool CopyInto(char* dst, std::size_t size, const std::string& text) {
    if (text.size() >= size)
        return false;
    std::memcpy(dst, text.c_str(), text.size() + 1);
    return true;
}

void SetError(std::string text) {
    g_error = std::move(text);
}

void StopCsv() {
    set_DfltLinkSave();
    iCSV = 0;
    SaveControlsDimmed(1);
}

void StopAscii() {
    set_DfltLinkSave();
    iASCII = 0;
    SaveControlsDimmed(1);
}

} // namespace links

const char* links_LastError() {
    return g_error.c_str();
}

void set_ActiveLinkSave(int kind) {
    // One link at a time: every other link's submenu is dimmed.
    switch (kind) {
    case LINK_CSV:
        Dim(MENUBAR_stcsv, 1);
        Dim(MENUBAR_endcsv, 0);
        Dim(MENUBAR_excel, 1);
        Dim(MENUBAR_ascii, 1);
        Lamp(MAINP_LED_CSV, 1);
        Lamp(MAINP_LED_EXCEL, 0);
        break;
    case LINK_ASCII:
        Dim(MENUBAR_csv, 1);
        Dim(MENUBAR_excel, 1);
        Dim(MENUBAR_stascii, 1);
        Dim(MENUBAR_endascii, 0);
        Lamp(MAINP_LED_ASCII, 1);
        break;
    case LINK_LIVE_SHEET:
        Dim(MENUBAR_connect_with_excel, 1);
        Dim(MENUBAR_disconnect_with_excel, 0);
        Dim(MENUBAR_csv, 1);
        Dim(MENUBAR_ascii, 1);
        Lamp(MAINP_LED_EXCEL, 1);
        break;
    case LINK_SHEET_FILE:
        Dim(MENUBAR_connect, 1);
        Dim(MENUBAR_disconnect, 0);
        Dim(MENUBAR_csv, 1);
        Dim(MENUBAR_ascii, 1);
        Lamp(MAINP_LED_EXCEL, 1);
        break;
    default:
        break;
    }
    SaveControlsDimmed(0);
}

void set_DfltLinkSave() {
    Dim(MENUBAR_csv, 0);
    Dim(MENUBAR_excel, 0);
    Dim(MENUBAR_ascii, 0);
    Dim(MENUBAR_stcsv, 0);
    Dim(MENUBAR_connect_with_excel, 0);
    Dim(MENUBAR_connect, 0);
    Dim(MENUBAR_stascii, 0);
    Dim(MENUBAR_endcsv, 1);
    Dim(MENUBAR_disconnect_with_excel, 1);
    Dim(MENUBAR_disconnect, 1);
    Dim(MENUBAR_endascii, 1);
    Lamp(MAINP_LED_CSV, 0);
    Lamp(MAINP_LED_EXCEL, 0);
    Lamp(MAINP_LED_ASCII, 0);
}

void links_RestoreMenus() {
    set_DfltLinkSave();
    if (iCSV)
        set_ActiveLinkSave(LINK_CSV);
    else if (iASCII)
        set_ActiveLinkSave(LINK_ASCII);
    else if (iWithExcel)
        set_ActiveLinkSave(LINK_LIVE_SHEET);
    else if (iNoExcel)
        set_ActiveLinkSave(LINK_SHEET_FILE);
}

void StartCsvLink(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    if (main_CreateCSVFile() == 0) {
        iCSV = 1;
        set_ActiveLinkSave(LINK_CSV);
        return;
    }
    const std::string text = g_error.empty() ? "File not created" : "File not created\n" + g_error;
    MessagePopup("Error", text.c_str());
}

void StopCsvLink(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    links::EndCsv();
}

void StartAsciiLink(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    const int created = main_CreateAsciiFile();
    if (created == 0) {
        iASCII = 1;
        set_ActiveLinkSave(LINK_ASCII);
        return;
    }
    // The user's own No to overwriting is no error.
    if (created == kAsciiDeclined)
        return;
    const std::string text =
        g_error.empty() ? "File isn't created" : "File isn't created\n" + g_error;
    MessagePopup("Error", text.c_str());
}

void StopAsciiLink(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    links::StopAscii();
}

int SaveMeas(int panel, int control, int event, void* callbackData, int eventData1,
             int eventData2) {
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    const OutputView v = links::View();
    if (event != EVENT_COMMIT || v.iCbSelect == 0)
        return 0;
    // The links write the measured curve of the kind chosen under Graph: a
    // kind only a loaded file holds, or a set a new integration time
    // cleared, is no measurement.
    if (v.iSelect < 1 || v.iSelect > 6 || (iMess & (1 << (v.iSelect - 1))) == 0) {
        MessagePopup("Save", "There is no measured spectrum of the curve chosen under Graph to "
                             "save.");
        return 0;
    }
    if (!AskName("name of spectrum"))
        return 0;
    SetWaitCursor(1);
    if (iCSV)
        main_WriteCsv();
    else if (iASCII)
        main_WriteCap();
    else if (iNoExcel || iWithExcel)
        g_exportHooks.main_WriteToXLS(1);
    SetWaitCursor(0);
    return 0;
}

int SaveMeasCont(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2) {
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int on = 0;
    GetCtrlVal(panel, control, &on);
    // Without a prefix there is no series: a cancelled prompt leaves it off.
    if (on && !AskName("Name prefix for the series of spectra"))
        SetCtrlVal(panel, control, 0);
    return 0;
}

void links_RegisterCallbacks() {
    RegisterMenuCallback("CsvOutput", CsvOutput);
    RegisterMenuCallback("StartCsvLink", StartCsvLink);
    RegisterMenuCallback("StopCsvLink", StopCsvLink);
    RegisterMenuCallback("StartAsciiLink", StartAsciiLink);
    RegisterMenuCallback("StopAsciiLink", StopAsciiLink);
    RegisterCtrlCallback("SaveMeas", SaveMeas);
    RegisterCtrlCallback("SaveMeasCont", SaveMeasCont);
    RegisterCtrlCallback("OperatorClose", OperatorClose);
}
