// Statistics over a run of measurements of one kind: the store, the
// per-pixel mean and sample standard deviation, the table window and the
// statistics file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "orvalin_ui.h"
#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/paths.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/stats.h"

StatisticsAccumulator Stat_val;
std::vector<std::vector<double>> dStatistValues;
int indxStatistics = 0;
int indxColumn = 0;

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN(); // an empty cell
constexpr int kGreyRow = 0xE0E0E0;
constexpr int kColumnWidth = 80;
constexpr int kDefaultCount = 32;

// Kind of the run the store belongs to; the table's title and indicator
// follow it even when the table is opened after another button was pressed.
int g_runKind = 0;
// Set while the table is built: the build lets the window repaint, and
// nothing may change the store meanwhile.
bool g_building = false;

struct KindInfo {
    int kind;
    int indicator;
    int radio;
    const char* title;
};

constexpr KindInfo kKinds[] = {
    {MEAS_DARK, MAINP_TXT_STATISTICS_DARK, STAT_PARAM_RB_DARK, "Statistics of dark measurements"},
    {MEAS_REFERENCE, MAINP_TXT_STATISTICS_REF, STAT_PARAM_RB_REF,
     "Statistics of reference measurements"},
    {MEAS_TRANSMISSION, MAINP_TXT_STATISTICS_TRANS, STAT_PARAM_RB_TRANSMIT,
     "Statistics of transmittance measurements"},
    {MEAS_ABSORBANCE, MAINP_TXT_STATISTICS_ABS, STAT_PARAM_RB_ABSORB,
     "Statistics of absorbance measurements"},
};

const KindInfo* Kind(int kind) {
    for (const KindInfo& k : kKinds)
        if (k.kind == kind)
            return &k;
    return nullptr;
}

const double* Spectrum(int kind) {
    switch (kind) {
    case MEAS_DARK:
        return dDark;
    case MEAS_REFERENCE:
        return dReferenz;
    case MEAS_TRANSMISSION:
        return dTrans;
    case MEAS_ABSORBANCE:
        return dAbsorb;
    default:
        return nullptr;
    }
}

int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

void SetIndicators(int dark, int ref, int trans, int abs) {
    SetCtrlAttribute(hMainPanel, MAINP_TXT_STATISTICS_DARK, ATTR_VISIBLE, dark);
    SetCtrlAttribute(hMainPanel, MAINP_TXT_STATISTICS_REF, ATTR_VISIBLE, ref);
    SetCtrlAttribute(hMainPanel, MAINP_TXT_STATISTICS_TRANS, ATTR_VISIBLE, trans);
    SetCtrlAttribute(hMainPanel, MAINP_TXT_STATISTICS_ABS, ATTR_VISIBLE, abs);
}

// Measurements in the store that count (indxStatistics - 1, never more
// than are stored).
int StoredCount() {
    return std::clamp(indxStatistics - 1, 0, static_cast<int>(dStatistValues.size()));
}

int StoredPixels() {
    if (!dStatistValues.empty() && !dStatistValues[0].empty())
        return static_cast<int>(dStatistValues[0].size()) - 1;
    return std::max(stParam.pixelCount, 0);
}

void LabelPixelRows(int pixels) {
    SetTableRowLabel(hStatTable, STATISTICS_TABLE, 1, "AV(STD)");
    SetTableRowLabel(hStatTable, STATISTICS_TABLE, 2, "MAX");
    char label[16];
    for (int p = 1; p <= pixels; ++p) {
        std::snprintf(label, sizeof label, "%i", p);
        SetTableRowLabel(hStatTable, STATISTICS_TABLE, p + 2, label);
    }
}

void GreyFirstRow() {
    int columns = 0;
    GetTableSize(hStatTable, STATISTICS_TABLE, nullptr, &columns);
    for (int c = 1; c <= columns; ++c)
        SetTableCellColor(hStatTable, STATISTICS_TABLE, 1, c, -1, kGreyRow);
}

// Makes the table pixels + 2 rows by 2 + measurements columns; labels the
// rows when their number changed.
void SizeTable(int pixels, int measurements) {
    int rows = 0;
    GetTableSize(hStatTable, STATISTICS_TABLE, &rows, nullptr);
    SetTableSize(hStatTable, STATISTICS_TABLE, pixels + 2, 2 + measurements);
    if (rows != pixels + 2)
        LabelPixelRows(pixels);
}

// Writes a column from row 1: first, second, then values[0 .. pixels - 1].
void WriteColumn(int column, double first, double second, const double* values, int pixels,
                 std::vector<double>& buffer) {
    buffer.resize(static_cast<std::size_t>(pixels) + 2);
    buffer[0] = first;
    buffer[1] = second;
    std::copy(values, values + pixels, buffer.begin() + 2);
    SetTableColumnValues(hStatTable, STATISTICS_TABLE, column, buffer.data(), pixels + 2);
    // Each number whole, at the file's precision: the column grows to its widest.
    SetTableColumnPrecision(hStatTable, STATISTICS_TABLE, column, kStatTableDecimals);
    FitTableColumnWidth(hStatTable, STATISTICS_TABLE, column, kColumnWidth);
}

// The loops below run over whole contiguous rows in groups of four
// independent lanes, so the compiler turns them into vector instructions
// (two lanes per SSE2 instruction, already at -O2).  In the sums each element
// still gets exactly the operations, in the same order, of a plain loop, so
// the results are those of one.
constexpr std::size_t kLanes = 4;

// Largest of v[0 .. n - 1]; 0 for no values.  Each lane keeps its value
// unless a later one compares greater, so a NaN first stays (every lane
// starts with v[0]) and a later NaN never wins, as in a scan from the front.
// The lanes are updated by value: std::max hands back a reference, which
// keeps them in memory and the loop scalar.
double MaxOf(const double* v, int n) {
    if (n <= 0)
        return 0.0;
    const auto count = static_cast<std::size_t>(n);
    double lane[kLanes] = {v[0], v[0], v[0], v[0]};
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (std::size_t j = 0; j < kLanes; ++j)
            lane[j] = v[i + j] > lane[j] ? v[i + j] : lane[j];
    for (; i < count; ++i)
        lane[0] = v[i] > lane[0] ? v[i] : lane[0];
    double largest = lane[0];
    for (std::size_t j = 1; j < kLanes; ++j)
        largest = lane[j] > largest ? lane[j] : largest;
    return largest;
}

// to[i] += row[i] for every entry.
void AddRow(double* __restrict to, const double* __restrict row, std::size_t entries) {
    std::size_t i = 0;
    for (; i + kLanes <= entries; i += kLanes)
        for (std::size_t j = 0; j < kLanes; ++j)
            to[i + j] += row[i + j];
    for (; i < entries; ++i)
        to[i] += row[i];
}

// to[i] += (row[i] - mean[i])² for every entry.
void AddSquaredDeviations(double* __restrict to, const double* __restrict row,
                          const double* __restrict mean, std::size_t entries) {
    std::size_t i = 0;
    for (; i + kLanes <= entries; i += kLanes)
        for (std::size_t j = 0; j < kLanes; ++j) {
            const double d = row[i + j] - mean[i + j];
            to[i + j] += d * d;
        }
    for (; i < entries; ++i) {
        const double d = row[i] - mean[i];
        to[i] += d * d;
    }
}

void ResetDialog() {
    SetCtrlVal(hStatPar, STAT_PARAM_NUM_OF_MEAS, kDefaultCount);
    for (const KindInfo& k : kKinds)
        SetCtrlVal(hStatPar, k.radio, 0);
    SetCtrlAttribute(hStatPar, STAT_PARAM_CB_STAT_PARAM, ATTR_DIMMED, 1);
}

// A run that has not reached its count ends here ("Statistics is stopped"),
// then the table is built from what was stored unless it exists.
void StopAndBuild() {
    if (iStatisticsParam != 0 && indxColumn < iMeasTask) {
        MessagePopup("Message", cStatMsg2);
        iStatisticsParam = 0;
        SetIndicators(0, 0, 0, 0);
    }
    if (iStat_CreatedTable == 0)
        main_PrintStatisticsTable(g_runKind);
}

} // namespace

// ---------------------------------------------------------------- store
void main_UpdateTable(int kind) {
    const double* spectrum = Spectrum(kind);
    const int pixels = stParam.pixelCount;
    if (g_building || spectrum == nullptr || pixels <= 0 || iAllocatedPixels < pixels)
        return;
    // Every column of one table has the same rows.
    if (!dStatistValues.empty() && dStatistValues[0].size() != static_cast<std::size_t>(pixels) + 1)
        return;
    try {
        std::vector<double> copy(spectrum, spectrum + pixels);
        copy.push_back(0.0); // the maximum, filled when the table is built
        dStatistValues.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        MessagePopup("Error", "Not enough memory to store the measurement for the statistics.");
        return;
    }
    indxStatistics = static_cast<int>(dStatistValues.size()) + 1;
}

// ---------------------------------------------------------- computation
int stats_Compute(std::vector<std::vector<double>>& values, int n) {
    const int m = std::min(n - 1, static_cast<int>(values.size()));
    if (m < 1 || values[0].size() < 2)
        return 0;
    const std::size_t entries = values[0].size();
    for (int k = 0; k < m; ++k)
        if (values[static_cast<std::size_t>(k)].size() != entries)
            return 0;
    const int pixels = static_cast<int>(entries) - 1;

    StatisticsAccumulator& s = Stat_val;
    s.sum.assign(entries, 0.0);
    s.sumSqDev.assign(entries, 0.0);
    s.average.assign(entries, 0.0);
    s.stdDev.assign(entries, kEmpty);

    // Spectrum by spectrum, each a contiguous row: its maximum, then the sums.
    for (int k = 0; k < m; ++k) {
        std::vector<double>& v = values[static_cast<std::size_t>(k)];
        v[entries - 1] = MaxOf(v.data(), pixels);
        AddRow(s.sum.data(), v.data(), entries);
    }
    for (std::size_t i = 0; i < entries; ++i)
        s.average[i] = s.sum[i] / m;

    if (m >= 2) {
        for (int k = 0; k < m; ++k)
            AddSquaredDeviations(s.sumSqDev.data(), values[static_cast<std::size_t>(k)].data(),
                                 s.average.data(), entries);
        double total = 0.0;
        for (std::size_t i = 0; i < entries; ++i) {
            s.stdDev[i] = std::sqrt(s.sumSqDev[i] / (m - 1));
            if (i < static_cast<std::size_t>(pixels))
                total += s.stdDev[i];
        }
        // The mean deviation is over the pixels; the maxima entry is no pixel.
        s.meanStdDev = total / pixels;
        s.maxStdDev = MaxOf(s.stdDev.data(), pixels);
    } else {
        // One measurement has no deviation; nothing of an earlier run remains.
        s.meanStdDev = kEmpty;
        s.maxStdDev = kEmpty;
    }
    s.maxAverage = MaxOf(s.average.data(), pixels);

    std::fill(s.sum.begin(), s.sum.end(), 0.0);
    std::fill(s.sumSqDev.begin(), s.sumSqDev.end(), 0.0);
    return pixels;
}

void main_Statistics_AV_STD(std::vector<std::vector<double>>& values, int n) {
    const int pixels = stats_Compute(values, n);
    if (pixels == 0)
        return;
    std::vector<double> buffer;
    WriteColumn(1, kEmpty, Stat_val.maxAverage, Stat_val.average.data(), pixels, buffer);
    WriteColumn(2, Stat_val.meanStdDev, Stat_val.maxStdDev, Stat_val.stdDev.data(), pixels, buffer);
}

// ---------------------------------------------------------------- table
void main_InitTable() {
    const int pixels = std::max(stParam.pixelCount, 0);
    int columns = 2;
    GetTableSize(hStatTable, STATISTICS_TABLE, nullptr, &columns);
    SetTableSize(hStatTable, STATISTICS_TABLE, pixels + 2, std::max(columns, 2));
    LabelPixelRows(pixels);
    GreyFirstRow();
    Stat_val.sum.assign(static_cast<std::size_t>(pixels) + 1, 0.0);
    Stat_val.sumSqDev.assign(static_cast<std::size_t>(pixels) + 1, 0.0);
}

void main_ClearColumn() {
    int rows = 0;
    GetTableSize(hStatTable, STATISTICS_TABLE, &rows, nullptr);
    if (rows < 2)
        return;
    const std::vector<double> zeros(static_cast<std::size_t>(rows), 0.0);
    for (int column : {1, 2}) {
        // Row 1 keeps what it shows (an empty cell holds no number to read);
        // rows 2 .. get zeros.
        std::string shown;
        GetTableCellVal(hStatTable, STATISTICS_TABLE, 1, column, &shown);
        double firstValue = kEmpty;
        if (!shown.empty())
            GetTableCellVal(hStatTable, STATISTICS_TABLE, 1, column, &firstValue);
        SetTableColumnValues(hStatTable, STATISTICS_TABLE, column, zeros.data(), rows);
        SetTableCellVal(hStatTable, STATISTICS_TABLE, 1, column, firstValue);
    }
}

void main_PrintStatisticsTable(int kind) {
    if (g_building)
        return;
    g_building = true;
    iStat_CreatedTable = 1;
    SuspendTimerCallbacks();
    SetWaitCursor(1);
    SetCtrlAttribute(hStatTable, STATISTICS_TABLE, ATTR_VISIBLE, 0);

    SetCtrlAttribute(hProgressPanel, PROGRESS_P_PROGRESS_TEXT, ATTR_VISIBLE, 0);
    SetProgress(hProgressPanel, PROGRESS_P_PROGRESS, 0.0);
    InstallPopup(hProgressPanel);

    const int m = StoredCount();
    const int pixels = StoredPixels();
    SizeTable(pixels, m);
    GreyFirstRow();

    std::vector<double> buffer;
    bool reported = false;
    char label[16];
    for (int k = 0; k < m; ++k) {
        // A single measurement is the whole job at once.
        const double percent = m > 1 ? 100.0 * k / (m - 1) : 100.0;
        if (SetProgress(hProgressPanel, PROGRESS_P_PROGRESS, percent) != 0 && !reported) {
            MessagePopup("err", GetUiErrorText().c_str());
            reported = true;
        }
        std::vector<double>& v = dStatistValues[static_cast<std::size_t>(k)];
        v[static_cast<std::size_t>(pixels)] = MaxOf(v.data(), pixels);
        const int column = k + 3;
        WriteColumn(column, kEmpty, v[static_cast<std::size_t>(pixels)], v.data(), pixels, buffer);
        std::snprintf(label, sizeof label, "%i", k + 1);
        SetTableColumnLabel(hStatTable, STATISTICS_TABLE, column, label);
        SetTableCellVal(hStatTable, STATISTICS_TABLE, 1, column, "");
        ProcessDrawEvents();
    }
    SetCtrlVal(hStatTable, STATISTICS_NUM_MEAS, m);

    main_Statistics_AV_STD(dStatistValues, m + 1);
    SetCtrlAttribute(hStatTable, STATISTICS_TABLE, ATTR_VISIBLE, 1);

    if (const KindInfo* k = Kind(kind)) {
        SetPanelAttribute(hStatTable, ATTR_TITLE, k->title);
        SetCtrlAttribute(hMainPanel, k->indicator, ATTR_VISIBLE, 0);
    }

    RemovePopup(hProgressPanel);
    SetProgress(hProgressPanel, PROGRESS_P_PROGRESS, 0.0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_TABLE_MENU, ATTR_MENU_DIMMED, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, "Start Statistics");
    SetWaitCursor(0);
    ResumeTimerCallbacks();
    g_building = false;
}

void main_StatisticsCloseDelete() {
    if (g_building)
        return;
    HidePanel(hStatTable);
    dStatistValues.clear();
    dStatistValues.shrink_to_fit();
    iStat_CreatedTable = 0;
    indxStatistics = 0;
    SetTableSize(hStatTable, STATISTICS_TABLE, 2, 2);
    SetCtrlVal(hStatTable, STATISTICS_NUM_MEAS, 0);
    indxColumn = 0;
    SetIndicators(0, 0, 0, 0);
    main_ClearColumn();
    iStatisticsParam = 0;
    g_runKind = 0;
    set_UndimMeasButtons();
    usStatMesFlag = 0;
}

// ----------------------------------------------------------------- file
std::string stats_FileText(const std::vector<std::vector<double>>& values, const std::tm& when) {
    const int m = static_cast<int>(values.size());
    const int pixels = m > 0 ? static_cast<int>(values[0].size()) - 1 : 0;
    // An undefined figure (the deviation of one measurement) is an empty field.
    auto num = [](double v, const char* format) {
        return std::isfinite(v) ? support::FormatUser(format, v) : std::string();
    };
    auto at = [](const std::vector<double>& v, int i) {
        return i < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(i)] : kEmpty;
    };
    std::string out;
    out.reserve(static_cast<std::size_t>(pixels + 4) * static_cast<std::size_t>(m + 3) * 10);
    out += support::FormatUser("Date: %d.%d.%d;\n\n", when.tm_year + 1900, when.tm_mon + 1,
                               when.tm_mday);
    out += support::FormatUser("Time: %d:%d:%d;\n\n", when.tm_hour, when.tm_min, when.tm_sec);
    out += ";AV;STD;";
    for (int k = 1; k <= m; ++k)
        out += support::FormatUser("%d;", k);
    out += "\nAV(STD);;" + num(Stat_val.meanStdDev, "%.2f") + ";";
    out.append(static_cast<std::size_t>(m), ';');
    out +=
        "\nMAX;" + num(Stat_val.maxAverage, "%.2f") + ";" + num(Stat_val.maxStdDev, "%.2f") + ";";
    for (const std::vector<double>& v : values)
        out += num(at(v, pixels), "%.0f") + ";";
    out += "\n";
    for (int p = 0; p < pixels; ++p) {
        out += support::FormatUser("%d;", p + 1);
        out += num(at(Stat_val.average, p), "%.2f") + ";";
        out += num(at(Stat_val.stdDev, p), "%.2f") + ";";
        for (const std::vector<double>& v : values)
            out += num(v[static_cast<std::size_t>(p)], "%.2f") + ";";
        out += "\n";
    }
    return out;
}

// ------------------------------------------------------------ callbacks
void StatistParamMenu(int menuBar, int menuItem, void*, int) {
    std::string label;
    GetMenuBarAttribute(menuBar, menuItem, ATTR_ITEM_NAME, &label);
    if (label.find("Stop") != std::string::npos) {
        iStatisticsParam = 0;
        main_StatisticsCloseDelete();
        SetMenuBarAttribute(menuBar, MENUBAR_PARAM_MENU, ATTR_MENU_DIMMED, 0);
        SetMenuBarAttribute(menuBar, MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, "Start Statistics");
        SetMenuBarAttribute(menuBar, MENUBAR_TABLE_MENU, ATTR_MENU_DIMMED, 1);
        return;
    }
    main_StatisticsCloseDelete();
    // Only kinds that can be measured now can be chosen.
    const int buttons[] = {MAINP_DARK, MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE};
    for (int i = 0; i < 4; ++i) {
        int dimmed = 1;
        GetCtrlAttribute(hMainPanel, buttons[i], ATTR_DIMMED, &dimmed);
        SetCtrlAttribute(hStatPar, kKinds[i].radio, ATTR_DIMMED, dimmed);
    }
    DisplayPanel(hStatPar);
}

int StatRB(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    for (const KindInfo& k : kKinds)
        SetCtrlVal(panel, k.radio, k.radio == control ? 1 : 0);
    SetCtrlAttribute(panel, STAT_PARAM_CB_STAT_PARAM, ATTR_DIMMED, 0);
    return 0;
}

int StatParamOk(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    int count = 0;
    GetCtrlVal(panel, STAT_PARAM_NUM_OF_MEAS, &count);
    int chosen[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        GetCtrlVal(panel, kKinds[i].radio, &chosen[i]);
    if (count < 1) {
        MessagePopup("Message", "The number of measurements must be at least 1.");
        return 0;
    }
    if (!(chosen[0] || chosen[1] || chosen[2] || chosen[3]))
        return 0;

    // Statistics and the series view exclude each other.
    main_FreeFFTValues();
    iFFTReady = 0;
    iStartFFT = 0;

    iStatDark = chosen[0];
    iStatRef = chosen[1];
    iStatTrans = chosen[2];
    iStatAbs = chosen[3];
    SetIndicators(iStatDark, iStatRef, iStatTrans, iStatAbs);
    HidePanel(panel);

    dStatistValues.clear();
    indxStatistics = 1;
    indxColumn = 0;
    usStatMesFlag = 0;
    if (iPxlWlMode != 0)
        CallCtrlCallback(hAxisScaling, AXISSCAL_RB_X2, EVENT_COMMIT, 0, 0);
    if (iStatisticsParam == 0)
        main_InitTable();
    // Tested in this order; the last one set wins.
    for (int i = 0; i < 4; ++i)
        if (chosen[i])
            iStatisticsParam = kKinds[i].kind;
    g_runKind = iStatisticsParam;
    iMeasTask = count;

    SetMenuBarAttribute(MenuBar(), MENUBAR_PARAM_MENU, ATTR_MENU_DIMMED, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, "Stop Statistics");
    SetMenuBarAttribute(MenuBar(), MENUBAR_TABLE_MENU, ATTR_MENU_DIMMED, 1);
    set_UndimMeasButtons();
    ResetDialog();
    return 0;
}

int StatisticsCancel(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    HidePanel(panel);
    ResetDialog();
    iStatisticsParam = 0;
    return 0;
}

void StatistTableMenu(int, int, void*, int) {
    InstallPopup(hStatWaitInf);
    StopAndBuild();
    RemovePopup(hStatWaitInf);
    DisplayPanel(hStatTable);
}

int CloseStatisticsTable(int panel, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

int SaveStatisticsInFile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = {0};
    const int chosen =
        FileSelectPopup(cLastCsvPath, "*.csv", "*.csv", "(.CSV file) Name of file to save",
                        VAL_SAVE_BUTTON, 0, 1, 1, 1, path, sizeof path);
    if (chosen <= VAL_NO_FILE_SELECTED)
        return 0;
    support::KeepFolderOf(path, cLastCsvPath, sizeof cLastCsvPath);
    if (StoredCount() == 0) {
        MessagePopup("Message", "There are no measurements to save.");
        return 0;
    }
    // Saving what the table window shows needs the table built.
    StopAndBuild();
    SetWaitCursor(1);
    const std::time_t now = std::time(nullptr);
    std::tm when{};
    localtime_r(&now, &when);
    std::string error;
    const int result = support::WriteFileAtomic(path, stats_FileText(dStatistValues, when), &error);
    SetWaitCursor(0);
    if (result != 0)
        MessagePopup("Error", error.c_str());
    return 0;
}
