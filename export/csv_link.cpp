// The CSV link: the options panel, creating the table and adding a column per
// measurement.  The table is rewritten whole through the atomic writer, so a
// crash or a full disk leaves the table of the previous column in place.
#include <string>

#include "export/export_state.h"
#include "export/output_links.h"
#include "files/csv_table.h"
#include "link/shared_state.h"
#include "links_internal.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "support/atomic_file.h"
#include "ui/ui.h"

namespace {

int Checked(int control) {
    int v = 0;
    if (iCSVhandle > 0)
        GetCtrlVal(iCSVhandle, control, &v);
    return v;
}

csvtable::Options PanelOptions() {
    csvtable::Options o;
    o.markers = Checked(CSV_OUTPUT_MODE) != 0;
    o.evaluation = Checked(CSV_OUTPUT_FWHM_PEAK_VALLEY) != 0;
    o.spectrum = Checked(CSV_OUTPUT_SPEC) != 0;
    return o;
}

csvtable::Layout StoredLayout() {
    csvtable::Layout l;
    l.columns = iNumOfCSV;
    l.markers = iCSVlastMode != 0;
    l.evaluation = iOneLast != 0;
    l.spectrum = iCSVlastSpec != 0;
    l.spectrumRows = iCsvSpecRows;
    return l;
}

void StoreLayout(const csvtable::Layout& l) {
    iNumOfCSV = l.columns;
    iCSVlastMode = l.markers ? 1 : 0;
    iOneLast = l.evaluation ? 1 : 0;
    iCSVlastSpec = l.spectrum ? 1 : 0;
    iCsvSpecRows = l.spectrumRows;
}

// Points of the shown measured curve, 0 when no curve with a label is shown
// (nothing measured yet, or the series view): those write empty cells.
int ShownPoints(const OutputView& v) {
    if (csvtable::CurveLabel(v.iSelect, v.FuncNr).empty() || dXInterpolVal == nullptr ||
        dYInterpolVal == nullptr || iNumOfMeas <= 0)
        return 0;
    return iAllocatedDisplay > 0 && iNumOfMeas > iAllocatedDisplay ? iAllocatedDisplay : iNumOfMeas;
}

double Readout(int control) {
    double v = 0.0;
    if (hMainPanel > 0)
        GetCtrlVal(hMainPanel, control, &v);
    return v;
}

csvtable::Column CurrentColumn(const csvtable::Options& options) {
    const OutputView v = links::View();
    const std::tm t = links::Now();
    csvtable::Column c;
    c.day = t.tm_mday;
    c.month = t.tm_mon + 1;
    c.year = t.tm_year + 1900;
    c.hour = t.tm_hour;
    c.minute = t.tm_min;
    c.second = t.tm_sec;
    c.options = options;
    c.modeName = csvtable::MarkerModeName(v.iFwhmMode, v.iValMode, v.sym_mode);
    for (int i = 0; i < csvtable::kMarkerSlots; ++i)
        c.markers[static_cast<std::size_t>(i)] = {FWHM[i].value, FWHM[i].x};
    c.wavelengthAxis = v.iXAchse == 1;
    c.evalCase = csvtable::ChooseEvalCase(v.iCkdFwhm, v.iCkdDomWave, v.iCkdMaxWave, v.iCkdMinWave,
                                          v.iCkdCogVal, v.iSelect);
    c.width = Readout(MAINP_FWHM);
    c.domWave = Readout(MAINP_DOM_WAVE);
    c.threshold = v.dOneTreshold;
    c.points = ShownPoints(v);
    if (c.points > 0) {
        c.curveLabel = csvtable::CurveLabel(v.iSelect, v.FuncNr);
        c.x = dXInterpolVal;
        c.y = dYInterpolVal;
    }
    return c;
}

// The table is gone or no longer the one this link wrote: adding to it would
// lose or mix up data, so the link ends and says why.
void StopWithMessage(const std::string& why) {
    const std::string text =
        "The CSV table \"" + std::string(cCsvPath) + "\" " + why + ".\nThe CSV link is stopped.";
    links::SetError(text);
    links::StopCsv();
    MessagePopup("Error", text.c_str());
}

} // namespace

void CsvOutput(int menuBar, int menuItem, void* callbackData, int panel) {
    (void)menuBar;
    (void)menuItem;
    (void)callbackData;
    (void)panel;
    if (iCSVhandle <= 0)
        return;
    const int spec = Checked(CSV_OUTPUT_SPEC);
    const int mode = Checked(CSV_OUTPUT_MODE);
    const int fpv = Checked(CSV_OUTPUT_FWHM_PEAK_VALLEY);
    // Closing the panel by its frame counts as cancelling.
    if (RunModalPanel(iCSVhandle, {CSV_OUTPUT_OK, CSV_OUTPUT_SAVE_CANCEL}) != CSV_OUTPUT_OK) {
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_SPEC, spec);
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_MODE, mode);
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_FWHM_PEAK_VALLEY, fpv);
    }
    RemovePopup(iCSVhandle);
}

int main_CreateCSVFile() {
    links::SetError("");
    char chosen[4096] = {};
    if (FileSelectPopup(cLastCsvPath, "*.csv", "*.csv", "(.CSV file) Name of file to save",
                        VAL_SAVE_BUTTON, 0, 1, 1, 1, chosen, sizeof chosen) <= 0)
        return -1;
    const std::string path = chosen;
    std::string folder, file;
    links::SplitPath(path, &folder, &file);
    if (path.size() >= sizeof cCsvPath) {
        links::SetError("The path \"" + path + "\" is longer than " +
                        std::to_string(sizeof cCsvPath - 1) + " characters.");
        return -1;
    }
    links::CopyInto(cLastCsvPath, sizeof cLastCsvPath, folder);

    const csvtable::Column shown = CurrentColumn(PanelOptions());
    csvtable::Layout layout;
    const std::string table = csvtable::Create(shown.options, shown.x, shown.points, &layout);
    std::string error;
    if (support::WriteFileAtomic(path, table, &error) != 0) {
        links::SetError(error);
        return -1;
    }
    links::CopyInto(cCsvPath, sizeof cCsvPath, path);
    StoreLayout(layout);
    return 0;
}

void get_CSVTable() {
    const csvtable::Options options = PanelOptions();
    if (iCSV != 1 || !options.Any())
        return;
    links::SetError("");
    const csvtable::Column column = CurrentColumn(options);

    csvtable::Layout layout;
    std::string why;
    switch (csvtable::AppendToFile(cCsvPath, StoredLayout(), column, &layout, &why)) {
    case csvtable::AppendResult::Added:
        break;
    case csvtable::AppendResult::Unreadable:
        StopWithMessage("cannot be read any more: " + why);
        return;
    case csvtable::AppendResult::Reshaped:
        StopWithMessage("was changed since the last column was added: " + why);
        return;
    case csvtable::AppendResult::WriteFailed:
        // The table on disk still holds every earlier column; the count stays
        // with it, so the next measurement tries again.
        links::SetError(why);
        MessagePopup("Error", ("The measurement was not added to the CSV table.\n" + why).c_str());
        return;
    }
    StoreLayout(layout);
}

void main_WriteCsv() {
    get_CSVTable();
}
