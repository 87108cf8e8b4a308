#include "files/csv_table.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/read_file.h"

namespace csvtable {
namespace {

constexpr std::string_view kDateLabel = "Date:;";
constexpr std::string_view kTimeLabel = "Time:;";
constexpr std::string_view kSpectrumLabel = "wavelength;";

// One row of the evaluation block: blank line before, cell, blank line after.
struct EvalRow {
    bool blankBefore = false;
    std::string cell;
    bool blankAfter = false;
};

std::string Fixed(const char* format, double v) {
    return support::FormatUser(format, v);
}

std::array<EvalRow, kEvalRows> EvalRows(const Column& c) {
    const std::string cogPeak = "COG(peak)@" + Fixed("%.2f", c.threshold) + "%";
    const std::string cogValley = "COG(valley)@" + Fixed("%.2f", c.threshold) + "%";
    switch (c.evalCase) {
    case EvalCase::A:
        return {{{true, "FWHM", false},
                 {false, Fixed("%.2f", c.width), true},
                 {false, cogPeak, false},
                 {false, Fixed("%.3f", c.domWave), true}}};
    case EvalCase::B:
        return {{{true, "FWHM", false},
                 {false, Fixed("%.2f", c.width), true},
                 {false, "Peak", false},
                 {false, Fixed("%.2f", c.domWave), true}}};
    case EvalCase::C:
    case EvalCase::D:
    case EvalCase::E: {
        const char* name = c.evalCase == EvalCase::C   ? "Peak"
                           : c.evalCase == EvalCase::D ? "Valley"
                                                       : "FWHM";
        const double v = c.evalCase == EvalCase::E ? c.width : c.domWave;
        return {{{true, name, false},
                 {false, Fixed("%.2f", v), true},
                 {true, "", false},
                 {true, "", true}}};
    }
    case EvalCase::F:
    case EvalCase::G:
        return {{{true, c.evalCase == EvalCase::F ? cogPeak : cogValley, false},
                 {false, Fixed("%.3f", c.domWave), true},
                 {true, "", false},
                 {true, "", true}}};
    case EvalCase::None:
        break;
    }
    return {};
}

bool HasCurve(const Column& c) {
    return !c.curveLabel.empty() && c.points > 0 && c.y != nullptr;
}

// Rows of the file without its blank lines; a trailing carriage return (a
// table saved by another program) does not count as content.
std::vector<std::string_view> Rows(std::string_view text) {
    std::vector<std::string_view> rows;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            rows.push_back(line);
    }
    return rows;
}

bool CheckShape(const std::vector<std::string_view>& rows, const Layout& layout,
                std::string* error) {
    if (static_cast<int>(rows.size()) != layout.Rows()) {
        *error = "the table has " + std::to_string(rows.size()) + " rows, " +
                 std::to_string(layout.Rows()) + " were written";
        return false;
    }
    const auto cells = static_cast<std::size_t>(layout.columns) + 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view r = rows[i];
        if (r.back() != ';' ||
            static_cast<std::size_t>(std::count(r.begin(), r.end(), ';')) != cells) {
            *error = "row " + std::to_string(i + 1) + " does not have " + std::to_string(cells) +
                     " cells";
            return false;
        }
    }
    const std::size_t spec = rows.size() - static_cast<std::size_t>(layout.spectrumRows) - 1;
    if (!rows[0].starts_with(kDateLabel) || !rows[1].starts_with(kTimeLabel) ||
        (layout.spectrum && !rows[spec].starts_with(kSpectrumLabel))) {
        *error = "its row labels were changed";
        return false;
    }
    return true;
}

void Put(std::string& out, bool blankBefore, std::string_view row, std::string_view cell,
         bool blankAfter) {
    if (blankBefore)
        out += '\n';
    out += row;
    out += cell;
    out += ";\n";
    if (blankAfter)
        out += '\n';
}

// The widest cell the table can hold: a label, a marker or an evaluation
// read-out of two numbers in "%.2f", or an x value.
constexpr std::size_t kWideCell = 640;
// A spectrum value in "%E", whatever the user's decimal separator.
constexpr std::size_t kValueCell = 24;

// The most bytes a table of this layout can hold, every cell at its widest,
// with a separator, a line end and a blank line per row. A longer file is not
// the table this link wrote, and is not read.
std::size_t MaxBytes(const Layout& l) {
    const double columns = l.columns > 0 ? l.columns : 0;
    const double values = l.spectrum && l.spectrumRows > 0 ? l.spectrumRows : 0;
    const double wideRows = l.Rows() - values;
    const double bytes = wideRows * ((columns + 1) * (kWideCell + 1) + 4) +
                         values * (kWideCell + columns * (kValueCell + 1) + 4);
    return bytes < static_cast<double>(SIZE_MAX) ? static_cast<std::size_t>(bytes) : SIZE_MAX;
}

} // namespace

int Layout::Rows() const {
    return 2 + (markers ? kMarkerRows : 0) + (evaluation ? kEvalRows : 0) +
           (spectrum ? 1 + spectrumRows : 0);
}

EvalCase ChooseEvalCase(int ckdFwhm, int ckdDomWave, int ckdMaxWave, int ckdMinWave, int ckdCogVal,
                        int shownCurve) {
    const bool ref = shownCurve == 2;
    if (ref && ckdFwhm && ckdDomWave)
        return EvalCase::A;
    if (ref && ckdFwhm && ckdMaxWave)
        return EvalCase::B;
    if (ref && ckdMaxWave)
        return EvalCase::C;
    if (ref && ckdMinWave)
        return EvalCase::D;
    if (ref && ckdFwhm)
        return EvalCase::E;
    if (ref && ckdDomWave)
        return EvalCase::F;
    if (ckdCogVal && (shownCurve == 2 || shownCurve == 3))
        return EvalCase::G;
    return EvalCase::None;
}

std::string CurveLabel(int shownCurve, int funcNr) {
    switch (shownCurve) {
    case 1:
        return "dark:";
    case 2:
        return "reference:";
    case 3:
        return "transmission:";
    case 4:
        return "absorbance:";
    case 5:
        return funcNr == 1 ? "1.derivation:" : funcNr == 2 ? "2.derivation:" : "";
    default:
        return "";
    }
}

std::string MarkerModeName(int peakMode, int valleyMode, int symmetryMode) {
    if (peakMode)
        return "PeakWidth";
    if (valleyMode)
        return "ValleyWidth";
    if (symmetryMode)
        return "Symmetry";
    return "";
}

std::string Create(const Options& options, const double* x, int points, Layout* layout) {
    Layout l;
    std::string out = "Date:;\n\nTime:;\n\n";
    if (options.markers) {
        l.markers = true;
        for (int i = 0; i < kMarkerRows; ++i)
            out += ";\n";
    }
    if (options.evaluation) {
        l.evaluation = true;
        for (int i = 0; i < kEvalRows; ++i)
            out += ";\n";
    }
    if (options.spectrum && x != nullptr && points > 0) {
        l.spectrum = true;
        l.spectrumRows = points;
        out += kSpectrumLabel;
        out += '\n';
        for (int i = 0; i < points; ++i)
            out += Fixed("%.2f", x[i]) + ";\n";
    }
    *layout = l;
    return out;
}

bool Append(std::string_view table, const Layout& layout, const Column& c, std::string* out,
            Layout* next, std::string* error) {
    const std::vector<std::string_view> rows = Rows(table);
    if (!CheckShape(rows, layout, error))
        return false;

    Layout l = layout;
    l.columns = layout.columns + 1;
    // Empty first cell and one empty cell per earlier column: the start of a
    // row added to the table now.
    const std::string fresh(static_cast<std::size_t>(layout.columns) + 1, ';');
    std::string s;
    s.reserve(table.size() + table.size() / static_cast<std::size_t>(l.columns) + 4096);
    std::size_t r = 0;

    Put(s, false, rows[r++],
        std::to_string(c.day) + "." + std::to_string(c.month) + "." + std::to_string(c.year), true);
    Put(s, false, rows[r++],
        std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" + std::to_string(c.second),
        true);

    if (c.options.markers || layout.markers) {
        const bool cells = c.options.markers;
        l.markers = true;
        for (int i = 0; i < kMarkerRows; ++i) {
            std::string cell;
            if (cells && i == 0) {
                cell = c.modeName;
            } else if (cells) {
                const MarkerSlot& m = c.markers[static_cast<std::size_t>(i - 1)];
                if (m.position > 0.0)
                    cell = support::FormatUser("%.2f@%.2f%s", m.value, m.position,
                                               c.wavelengthAxis ? "nm" : "px");
            }
            Put(s, false, layout.markers ? rows[r++] : std::string_view(fresh), cell, false);
        }
    }

    const bool evalCells = c.options.evaluation && c.evalCase != EvalCase::None;
    if (evalCells || layout.evaluation) {
        l.evaluation = true;
        const std::array<EvalRow, kEvalRows> e =
            evalCells ? EvalRows(c) : std::array<EvalRow, kEvalRows>{};
        for (const EvalRow& row : e)
            Put(s, row.blankBefore, layout.evaluation ? rows[r++] : std::string_view(fresh),
                row.cell, row.blankAfter);
    }

    const bool curve = c.options.spectrum && HasCurve(c);
    if (layout.spectrum) {
        Put(s, false, rows[r++], curve ? std::string_view(c.curveLabel) : std::string_view{},
            false);
        for (int i = 0; i < layout.spectrumRows; ++i) {
            const bool value = curve && i < c.points;
            Put(s, false, rows[r++], value ? Fixed("%E", c.y[i]) : std::string{}, false);
        }
    } else if (curve && c.x != nullptr) {
        l.spectrum = true;
        l.spectrumRows = c.points;
        std::string head(kSpectrumLabel);
        head.append(static_cast<std::size_t>(layout.columns), ';');
        Put(s, false, head, c.curveLabel, false);
        for (int i = 0; i < c.points; ++i) {
            std::string row = Fixed("%.2f", c.x[i]) + ";";
            row.append(static_cast<std::size_t>(layout.columns), ';');
            Put(s, false, row, Fixed("%E", c.y[i]), false);
        }
    }

    *out = std::move(s);
    *next = l;
    return true;
}

AppendResult AppendToFile(const std::string& path, const Layout& layout, const Column& column,
                          Layout* next, std::string* error) {
    std::string whole;
    if (support::ReadRegularFile(path, MaxBytes(layout), &whole, error) != 0)
        return AppendResult::Unreadable;
    std::string table;
    Layout grown;
    if (!Append(whole, layout, column, &table, &grown, error))
        return AppendResult::Reshaped;
    if (support::WriteFileAtomic(path, table, error) != 0)
        return AppendResult::WriteFailed;
    *next = grown;
    return AppendResult::Added;
}

} // namespace csvtable
