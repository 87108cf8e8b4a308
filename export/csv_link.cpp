// The CSV link: the options panel, creating the table and adding a column per
// measurement.  Each column is prepared here and written by the table writer's
// thread, which rewrites the table whole through the atomic writer, so a crash
// or a full disk leaves the table of the earlier columns in place.
#include <string>

#include "export/export_state.h"
#include "export/output_links.h"
#include "files/csv_table.h"
#include "files/csv_writer.h"
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

csvtable::Table StoredTable() {
    csvtable::Table t;
    t.layout.columns = iNumOfCSV;
    t.layout.markers = iCSVlastMode != 0;
    t.layout.evaluation = iOneLast != 0;
    t.layout.spectrum = iCSVlastSpec != 0;
    t.layout.spectrumRows = static_cast<int>(stCsvGrid.x.size());
    t.grid = stCsvGrid;
    return t;
}

void StoreTable(csvtable::Table t) {
    iNumOfCSV = t.layout.columns;
    iCSVlastMode = t.layout.markers ? 1 : 0;
    iOneLast = t.layout.evaluation ? 1 : 0;
    iCSVlastSpec = t.layout.spectrum ? 1 : 0;
    stCsvGrid = std::move(t.grid);
}

csvtable::Writer& TableWriter() {
    static csvtable::Writer writer;
    return writer;
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

// Ends the link after the table's last write.  `why` (if any) is the reason
// the link ends; a write that failed is told with it, counting `unsaved`
// measurements that never reached the writer.
void EndLink(std::string why, int unsaved = 0) {
    int lost = 0;
    // A large table's last rewrite can take a moment.
    SetWaitCursor(1);
    const std::string failed = TableWriter().Close(&lost);
    SetWaitCursor(0);
    if (!failed.empty()) {
        const int missing = lost + unsaved;
        why += std::string(why.empty() ? "" : "\n") + "The CSV table \"" + cCsvPath + "\" " +
               failed + ".\n" + std::to_string(missing) +
               (missing == 1 ? " measurement was" : " measurements were") +
               " not added; the table holds the first " + std::to_string(iNumOfCSV - lost) + ".";
    }
    links::StopCsv();
    if (why.empty())
        return;
    const std::string text = why + "\nThe CSV link is stopped.";
    links::SetError(text);
    MessagePopup("Error", text.c_str());
}

// A failed write of the table's thread: told on the user interface thread at
// its next turn, unless a column or the link's end told it first.
void WriteFailedLater(void*) {
    if (iCSV == 1 && TableWriter().Failed())
        EndLink("");
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
    csvtable::Table table;
    const std::string text = csvtable::Create(shown, &table);
    std::string error;
    if (support::WriteFileAtomic(path, text, &error) != 0) {
        links::SetError(error);
        return -1;
    }
    links::CopyInto(cCsvPath, sizeof cCsvPath, path);
    StoreTable(std::move(table));
    TableWriter().Open(path, 0, [] { PostDeferredCall(WriteFailedLater, nullptr); });
    return 0;
}

void get_CSVTable() {
    const csvtable::Options options = PanelOptions();
    if (iCSV != 1 || !options.Any())
        return;
    links::SetError("");
    if (TableWriter().Failed()) {
        EndLink("", 1);
        return;
    }
    csvtable::Table table = StoredTable();
    csvtable::Cells cells;
    std::string why;
    if (!csvtable::Prepare(&table, CurrentColumn(options), &cells, &why)) {
        // Values beside the wrong wavelengths would be worse than none.
        EndLink("The shown curve cannot be added to the CSV table \"" + std::string(cCsvPath) +
                "\": " + why + ".\nThe measurement was not added. To go on, start a new CSV " +
                "table: its rows will be the grid shown now.");
        return;
    }
    TableWriter().Add(std::move(cells));
    StoreTable(std::move(table));
}

void main_WriteCsv() {
    get_CSVTable();
}

void csv_FlushTable() {
    TableWriter().Flush();
}

void links::EndCsv() {
    EndLink("");
}
