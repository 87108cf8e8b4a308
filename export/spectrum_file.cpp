#include "export/spectrum_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "files/valfile.h"
#include "link/device_params.h"
#include "link/hooks.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "support/numfmt.h"
#include "ui/ui.h"
#include "zoltmath.h"

namespace {

constexpr const char* kPattern = "*.val";
constexpr const char* kNothingMeasured = "There is no measured spectrum to save.";

int Bar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

template <std::size_t N> bool Fits(const std::string& s, const char (&)[N]) {
    return s.size() < N;
}

template <std::size_t N> void Copy(char (&dst)[N], const std::string& src) {
    valfile::SetText(dst, N, src);
}

// cValPath and its parts: no drives here, the folder keeps its final '/'.
void SetValPath(const std::string& path) {
    Copy(cValPath, path);
    const std::size_t slash = path.rfind('/');
    const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    Copy(cValDrive, "");
    Copy(cValDir, path.substr(0, cut));
    Copy(cValFile, path.substr(cut));
}

std::string Today(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void FillInfoPanel(const SavedMeasurement& r) {
    const int p = hInfLoad;
    SetCtrlVal(p, FILELOAD_DATUM, r.date);
    SetCtrlVal(p, FILELOAD_ZEIT, r.time);
    SetCtrlVal(p, FILELOAD_DEVICE, r.device);
    SetCtrlVal(p, FILELOAD_VER_NUM, r.versionNumber);
    SetCtrlVal(p, FILELOAD_VER_DATE, r.versionDate);
    SetCtrlVal(p, FILELOAD_INTEGR, static_cast<double>(r.tint));
    SetCtrlVal(p, FILELOAD_PIXEL, static_cast<int>(r.pixelCount));
    SetCtrlVal(p, FILELOAD_LAMP, static_cast<int>(r.lamp));
    SetCtrlVal(p, FILELOAD_CHANNELS, static_cast<int>(r.channels));
    SetCtrlVal(p, FILELOAD_DIRECTION, static_cast<int>(r.direction));
    const int fit[5] = {FILELOAD_FIT0, FILELOAD_FIT1, FILELOAD_FIT2, FILELOAD_FIT3, FILELOAD_FIT4};
    for (int i = 0; i < 5; ++i) {
        SetCtrlAttribute(p, fit[i], ATTR_FORMAT, VAL_SIGNIFICANT_FORMAT);
        SetCtrlAttribute(p, fit[i], ATTR_PRECISION, kCoeffDigits);
        SetCtrlVal(p, fit[i], static_cast<double>(r.fit[i]));
    }
    ResetTextBox(p, FILELOAD_COMMENTS, r.comment);
    // The indicators follow each file, so a later file without a kind does
    // not show it as present.
    const struct {
        int ctrl;
        int bit;
    } kinds[] = {{FILELOAD_DARK, 1},
                 {FILELOAD_REFERENCE, 2},
                 {FILELOAD_TRANSMISSION, 4},
                 {FILELOAD_ABSORBANCE, 8}};
    for (const auto& k : kinds)
        SetCtrlAttribute(p, k.ctrl, ATTR_DIMMED, (r.measured & k.bit) ? 0 : 1);
}

// The stored set as the views draw it: on its own wavelengths, its header
// in the info panel and its file named in the titles.
void ShowStoredSet() {
    FillInfoPanel(stSavedMeas);
    std::fill(std::begin(dLambda2), std::end(dLambda2), 0.0);
    const float* c = stSavedMeas.fit;
    zoltmath_Fitpolynom(dLambda2, c[0], c[1], c[2], c[3], c[4], stSavedMeas.pixelCount);
    const std::string title =
        (iOffline ? "Orvalin (offline)  " : "Orvalin  ") + std::string(cValFile);
    SetPanelAttribute(hMainPanel, ATTR_TITLE, title.c_str());
    SetPanelAttribute(hInfLoad, ATTR_TITLE, ("File info :  " + std::string(cValFile)).c_str());
}

// Stored view without a measured set, else the compare view.
void ChooseView() {
    const int bar = Bar();
    const bool measured = iMess != 0;
    iCompare = measured ? 2 : 1;
    SetMenuBarAttribute(bar, MENUBAR_COMPARE, ATTR_MENU_DIMMED, measured ? 0 : 1);
    SetMenuBarAttribute(bar, MENUBAR_COMPARE, ATTR_CHECKED, measured ? 1 : 0);
    SetMenuBarAttribute(bar, MENUBAR_FILE, ATTR_MENU_DIMMED, 0);
    SetMenuBarAttribute(bar, MENUBAR_FILE, ATTR_CHECKED, measured ? 0 : 1);
    SetMenuBarAttribute(bar, MENUBAR_KESTRO, ATTR_CHECKED, 0);
}

} // namespace

bool valfile_FillRecord(SavedMeasurement* r, const std::string& comment, std::string* error) {
    const int n = stParam.pixelCount;
    if (n > kSavedPoints) {
        *error = support::FormatC("The instrument has %d pixels; a spectrum file holds at most %d.",
                                  n, kSavedPoints);
        return false;
    }
    const double* const from[6] = {dDark, dReferenz, dAbsorb, dTrans, dFormel1, dFormel2};
    const bool arrays =
        std::all_of(std::begin(from), std::end(from), [](const double* a) { return a != nullptr; });
    // A cleared set (a new integration time) holds zeros, not a measurement.
    if (n < 1 || !arrays || iAllocatedPixels < n || iMess == 0) {
        *error = kNothingMeasured;
        return false;
    }
    valfile::SetText(r->date, Today("%m-%d-%Y"));
    valfile::SetText(r->time, Today("%H:%M:%S"));
    valfile::SetText(r->device, stParam.firmwareName);
    valfile::SetText(r->versionDate, stParam.firmwareDate);
    valfile::SetText(r->versionNumber, stParam.firmwareVersion);
    r->tint = fTint;
    r->pixelCount = n;
    r->lamp = stParam.lamp;
    std::copy(std::begin(stParam.fit), std::end(stParam.fit), std::begin(r->fit));
    r->measured = iMess;
    double* const to[6] = {r->dark,         r->reference,   r->absorbance,
                           r->transmission, r->derivative1, r->derivative2};
    for (int a = 0; a < 6; ++a)
        std::copy(from[a], from[a] + n, to[a]);
    valfile::SetText(r->comment, comment);
    return true;
}

void SaveFile(int, int, void*, int) {
    // Nothing to save: no name is asked for.
    if (iMess == 0) {
        MessagePopup("File not saved",
                     (std::string("File not saved!\n") + kNothingMeasured).c_str());
        return;
    }
    char path[4096] = {};
    const int status = FileSelectPopup(cLastValPath, kPattern, kPattern, "Name of File to Save",
                                       VAL_SAVE_BUTTON, 0, 1, 1, 1, path, sizeof path);
    SetWaitCursor(1);
    if (status != VAL_EXISTING_FILE_SELECTED && status != VAL_NEW_FILE_SELECTED) {
        MessagePopup("No file", "File not saved! No file selected.");
        SetWaitCursor(0);
        return;
    }
    const std::string chosen = path;
    if (!Fits(chosen, cValPath)) {
        MessagePopup("No file", "File not saved! The path of the file is too long.");
        SetWaitCursor(0);
        return;
    }
    SetValPath(chosen);
    Copy(cLastValPath, std::string(cValDrive) + cValDir);
    // The box keeps the comment of the previous save.  The record is filled
    // when the comment is confirmed, from the set as it is then.
    InstallPopup(hCommentPanel);
    SetWaitCursor(0);
}

int CommentOk(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    std::string text;
    GetCtrlVal(hCommentPanel, COMMENT_COMM_TEXT, &text);
    const std::vector<std::string> lines = Lines(text);
    // Said before saving, so the user can shorten it rather than lose a part.
    if (!valfile::CommentFits(lines)) {
        const std::string question =
            "A spectrum file keeps " + std::to_string(valfile::kCommentLines) + " lines of " +
            std::to_string(valfile::kCommentLineChars) +
            " characters of the comment; the rest of this one is left out.\n"
            "Save it cut to that? (No: back to the comment.)";
        if (ConfirmPopup("Comment", question.c_str()) != 1)
            return 0;
    }
    const std::string comment = valfile::BuildComment(lines);
    RemovePopup(hCommentPanel);

    // Built beside the stored set so a failure leaves it as it was.
    auto record = std::make_unique<SavedMeasurement>(stSavedMeas);
    std::string error;
    if (!valfile_FillRecord(record.get(), comment, &error) ||
        valfile::Save(cValPath, *record, &error) != 0) {
        MessagePopup("File not saved", ("File not saved!\n" + error).c_str());
        return 0;
    }
    stSavedMeas = *record;
    // The saved set is now the stored one: with a file open its views would
    // otherwise draw it on that file's wavelengths, under that file's name.
    if (iFileOpen == 1 &&
        link_GrowDisplayBuffers(static_cast<int>(valfile::GridPoints(stSavedMeas))) == 0) {
        ShowStoredSet();
        g_workspaceHooks.display_ClearMainGraph();
        g_workspaceHooks.display_Display(1);
    }
    return 0;
}

void FileOpen(int, int, void*, int) {
    char path[sizeof cValPath] = {};
    const int status = FileSelectPopup(cLastValPath, kPattern, kPattern, "Name of File to Load",
                                       VAL_LOAD_BUTTON, 0, 1, 1, 1, path, sizeof path);
    SetWaitCursor(1);
    if (status != VAL_EXISTING_FILE_SELECTED) {
        MessagePopup("No file", "File not loaded! No file selected or file doesn't exist.");
        SetWaitCursor(0);
        return;
    }
    // The whole file is read and checked first: a bad one changes nothing.
    auto record = std::make_unique<SavedMeasurement>();
    std::string error;
    if (valfile::Load(path, record.get(), &error) != 0) {
        MessagePopup("File not loaded", ("File not loaded!\n" + error).c_str());
        SetWaitCursor(0);
        return;
    }
    // The evaluation arrays serve the file's curve and the instrument's:
    // they take the larger range and never shrink.
    const auto grid = static_cast<int>(valfile::GridPoints(*record));
    if (link_GrowDisplayBuffers(grid) != 0) {
        MessagePopup("File not loaded", "File not loaded!\nNot enough memory for its curve.");
        SetWaitCursor(0);
        return;
    }

    SetValPath(path);
    SetMenuBarAttribute(Bar(), MENUBAR_FILEINFO, ATTR_MENU_DIMMED, 0);
    ChooseView();
    iFileOpen = 1;
    stSavedMeas = *record;
    ShowStoredSet();
    DisplayPanel(hInfLoad);
    // Another file may be opened, with or without an instrument.
    SetMenuBarAttribute(Bar(), MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 0);
    SetCtrlAttribute(hMainPanel, MAINP_STORED, ATTR_DIMMED, 0);
    SetCtrlAttribute(hMainPanel, MAINP_MEASURED, ATTR_DIMMED, iCompare == 1 ? 1 : 0);

    g_workspaceHooks.display_ClearMainGraph();
    g_workspaceHooks.display_Display(1);
    SetWaitCursor(0);
}

void fileinfo(int, int, void*, int) {
    if (iFileOpen == 1)
        DisplayPanel(hInfLoad);
}

int Infoclose(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        HidePanel(hInfLoad);
    return 0;
}

void valfile_RegisterCallbacks() {
    RegisterMenuCallback("SaveFile", SaveFile);
    RegisterMenuCallback("FileOpen", FileOpen);
    RegisterMenuCallback("fileinfo", fileinfo);
    RegisterCtrlCallback("CommentOk", CommentOk);
    RegisterCtrlCallback("Infoclose", Infoclose);
}
