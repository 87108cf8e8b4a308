// The ASCII link: one numbered text file per measurement in the folder the
// user chose, under the base name the user chose.
#include <dirent.h>

#include <string>

#include "export/export_state.h"
#include "export/output_links.h"
#include "files/dat_file.h"
#include "link/shared_state.h"
#include "links_internal.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "support/atomic_file.h"
#include "ui/ui.h"

namespace {

// A file of an earlier series with this base name in the folder, or "".
std::string EarlierSeriesFile(const std::string& folder, const std::string& base) {
    DIR* d = opendir(folder.c_str());
    if (d == nullptr)
        return "";
    std::string found;
    while (const dirent* e = readdir(d)) {
        if (datfile::InSeries(e->d_name, base)) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

std::string OperatorName(const OutputView& v) {
    std::string name;
    if (v.hOpPanel > 0)
        GetCtrlVal(v.hOpPanel, PANEL_OP_OP_String, &name);
    constexpr std::size_t kMaxOperator = 79;
    if (name.size() > kMaxOperator)
        name.resize(kMaxOperator);
    return name;
}

} // namespace

int main_CreateAsciiFile() {
    links::SetError("");
    char chosen[4096] = {};
    if (FileSelectPopup(cLastDatPath, "*.dat", "*.dat", "(.DAT file) Name of File to Save",
                        VAL_SAVE_BUTTON, 0, 1, 1, 1, chosen, sizeof chosen) <= 0)
        return -1;
    std::string folder, file;
    links::SplitPath(chosen, &folder, &file);
    const std::string base = datfile::SeriesBase(file);
    if (folder.size() >= sizeof cDatDir || base.size() >= sizeof cDatFile) {
        links::SetError("The path \"" + std::string(chosen) + "\" is too long.");
        return -1;
    }
    links::CopyInto(cLastDatPath, sizeof cLastDatPath, folder);

    const std::string earlier = EarlierSeriesFile(folder, base);
    if (!earlier.empty()) {
        const std::string question = "Files of an earlier series (" + earlier + ") are in \"" +
                                     folder + "\".\nOverwrite them?";
        if (ConfirmPopup("Overwrite", question.c_str()) != 1)
            return kAsciiDeclined;
    }
    links::CopyInto(cDatDir, sizeof cDatDir, folder);
    links::CopyInto(cDatFile, sizeof cDatFile, base);
    iCapFileNr = 0;
    const OutputView v = links::View();
    if (v.hOpPanel > 0)
        InstallPopup(v.hOpPanel);
    return 0;
}

void main_WriteCap() {
    if (iASCII != 1)
        return;
    links::SetError("");
    const OutputView v = links::View();
    const std::tm t = links::Now();
    datfile::Header h;
    h.operatorName = OperatorName(v);
    h.day = t.tm_mday;
    h.month = t.tm_mon + 1;
    h.year = t.tm_year + 1900;
    h.hour = t.tm_hour;
    h.minute = t.tm_min;
    h.second = t.tm_sec;
    h.integrationTime = fTint;
    h.xTitle = datfile::XTitle(v.iXAchse == 1);
    h.yTitle = datfile::YTitle(v.iSelect, v.FuncNr);
    // Nothing shown: the display arrays hold no curve of this measurement.
    int points =
        v.iSelect != 0 && dXInterpolVal != nullptr && dYInterpolVal != nullptr ? iNumOfMeas : 0;
    if (iAllocatedDisplay > 0 && points > iAllocatedDisplay)
        points = iAllocatedDisplay;

    const std::string path = datfile::SeriesPath(cDatDir, cDatFile, iCapFileNr);
    std::string error;
    if (support::WriteFileAtomic(path, datfile::Format(h, dXInterpolVal, dYInterpolVal, points),
                                 &error) != 0) {
        // Stopped at once: every scan of a continuous run would fail alike.
        const std::string text =
            "The ASCII result file was not written.\n" + error + "\nThe ASCII link is stopped.";
        links::StopAscii();
        links::SetError(text);
        MessagePopup("Error", text.c_str());
        return;
    }
    ++iCapFileNr;
}

// OK, Enter in the box (as in every prompt) or its close box.
int OperatorClose(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2) {
    (void)control;
    (void)callbackData;
    (void)eventData2;
    const bool enter = event == EVENT_KEYPRESS && eventData1 == VAL_ENTER_VKEY;
    if (event == EVENT_COMMIT || event == EVENT_CLOSE || enter)
        RemovePopup(panel);
    return enter ? 1 : 0;
}
