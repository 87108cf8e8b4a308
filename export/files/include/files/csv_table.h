// The CSV measurement table as text: one column per measurement, cells
// separated and ended by ";", numbers under the user's locale.  Qt-free; the
// link (export/csv_link.cpp) prepares each column with these on the user
// interface thread, and the table writer (files/csv_writer.h) adds them to the
// file on a thread of its own.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace csvtable {

constexpr int kMarkerSlots = 12;
constexpr int kMarkerRows = kMarkerSlots + 1; // mode name, then the slots
constexpr int kEvalRows = 4;

// Optional blocks chosen on the CSV output panel.
struct Options {
    bool markers = false;    // MODE
    bool evaluation = false; // FWHM_PEAK_VALLEY
    bool spectrum = false;   // SPEC
    bool Any() const { return markers || evaluation || spectrum; }
};

// What the table on disk holds; the next column is checked against it.
struct Layout {
    int columns = 0; // measurement columns (iNumOfCSV)
    bool markers = false;
    bool evaluation = false;
    bool spectrum = false;
    int spectrumRows = 0; // data rows of the spectrum block, fixed when it was written first
    int Rows() const;     // rows without the blank lines
};

// The rows of the spectrum block: the x values of the display grid it was
// laid out on, wavelengths or pixels.
struct Grid {
    std::vector<double> x;
    bool pixels = false;
};

// What the link knows of its table.
struct Table {
    Layout layout;
    Grid grid;
};

// Which read-outs the evaluation block holds (first that applies).
enum class EvalCase { None, A, B, C, D, E, F, G };

// The evaluation check boxes and the shown curve (1 dark ... 5 derivative).
EvalCase ChooseEvalCase(int ckdFwhm, int ckdDomWave, int ckdMaxWave, int ckdMinWave, int ckdCogVal,
                        int shownCurve);

// Header cell of the spectrum block: "dark:" ... "2.derivation:", or ""
// for a curve without a label.
std::string CurveLabel(int shownCurve, int funcNr);

// "PeakWidth", "ValleyWidth", "Symmetry" or "".
std::string MarkerModeName(int peakMode, int valleyMode, int symmetryMode);

struct MarkerSlot {
    double value = 0.0;
    double position = 0.0; // not above 0: the slot is free
};

// One measurement, as the next column receives it.
struct Column {
    int day = 1, month = 1, year = 1970;
    int hour = 0, minute = 0, second = 0;
    Options options; // blocks checked at this write
    // Marker block.
    std::string modeName;
    std::array<MarkerSlot, kMarkerSlots> markers{};
    bool wavelengthAxis = true; // x values and the unit "nm" are wavelengths, else pixels
    // Evaluation block.
    EvalCase evalCase = EvalCase::None;
    double width = 0.0;     // FWHM read-out
    double domWave = 0.0;   // DOM_WAVE read-out
    double threshold = 0.0; // centre-of-gravity threshold, per cent
    // Spectrum block: the shown curve on the display grid, or label "" and no
    // points when nothing is shown.
    std::string curveLabel;
    const double* x = nullptr;
    const double* y = nullptr;
    int points = 0;
};

// One row of the evaluation block: a blank line before, the cell, one after.
struct EvalRow {
    bool blankBefore = false;
    std::string cell;
    bool blankAfter = false;
};

// One measurement's cells, formatted, as the next column of a table of
// shape `before` receives them.
struct Cells {
    Layout before;
    std::string date, time;
    bool markers = false; // the marker option was on: the column brings the block
    std::array<std::string, kMarkerRows> marker{};
    bool evaluation = false; // the option was on and a case applied
    std::array<EvalRow, kEvalRows> eval{};
    bool spectrum = false; // a curve is written
    std::string curveLabel;
    std::vector<std::string> values; // one per spectrum row, "" where the curve has no point
    std::vector<std::string> x;      // the rows' x values, when this column lays the block out
};

// The table as created: date and time rows and the chosen blocks, with the x
// values of the shown curve's display grid in column 0.  A spectrum block is
// only laid out when a curve is shown; otherwise it comes with the first
// column that has one.
std::string Create(const Column& shown, Table* table);

// The next column of *table, formatted into *cells; *table then describes the
// table with it.  Each value of the curve goes into the row of its own x value
// (as the table shows it, with two decimals); rows the curve does not reach
// stay empty.  False, with *error saying why and *table untouched, when a
// point of the curve has no row: the display grid or axis changed since the
// spectrum block was laid out.
bool Prepare(Table* table, const Column& column, Cells* cells, std::string* error);

// Adds the columns, in order, to `table` (the file as read).  Returns false
// with a message in *error when the table does not have the shape the first
// column extends (edited, replaced, or another file); *out is then untouched.
bool Append(std::string_view table, std::span<const Cells> columns, std::string* out,
            std::string* error);

// The columns added to the table file at `path`: read, checked against the
// first column's shape, rewritten whole through the atomic writer.  A table
// that is no regular file, or longer than that shape can hold, is Unreadable
// and never read.  On anything but Added the file keeps its earlier columns;
// *error says why.
enum class AppendResult { Added, Unreadable, Reshaped, WriteFailed };
AppendResult AppendToFile(const std::string& path, std::span<const Cells> columns,
                          std::string* error);

} // namespace csvtable
