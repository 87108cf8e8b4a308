// The CSV measurement table as text: one column per measurement, cells
// separated and ended by ";", numbers under the user's locale.  Qt-free; the
// link (export/csv_link.cpp) reads the file, calls these and writes the result
// through the atomic writer.
#pragma once

#include <array>
#include <string>
#include <string_view>

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
    bool wavelengthAxis = true; // unit "nm", else "px"
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

// The table as created: date and time rows and the chosen blocks, with the x
// values of the display grid (points of them) in column 0.  A spectrum block
// is only laid out when there are points; otherwise it comes with the first
// column that has a curve.
std::string Create(const Options& options, const double* x, int points, Layout* layout);

// Adds `column` to `table` (the file as read).  Returns false with a message
// in *error when the table does not have the shape of `layout` (edited,
// replaced, or another file); *out and *next are then untouched.
bool Append(std::string_view table, const Layout& layout, const Column& column, std::string* out,
            Layout* next, std::string* error);

// One more column for the table file at `path`: read, checked against
// `layout`, rewritten whole through the atomic writer.  A table that is no
// regular file, or longer than `layout` can hold, is Unreadable and never read.
// On anything but Added the file keeps its earlier columns and *next is
// untouched; *error says why.
enum class AppendResult { Added, Unreadable, Reshaped, WriteFailed };
AppendResult AppendToFile(const std::string& path, const Layout& layout, const Column& column,
                          Layout* next, std::string* error);

} // namespace csvtable
