#include "files/csv_table.h"

#include <cstdint>
#include <cstring>

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

// Cells of a row: one ";" each, the last one at its end.  Counted eight
// bytes at a time: every row of the table passes here at every column.
std::size_t CellsOf(std::string_view row) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fu;
    const std::uint64_t semicolons = kOnes * static_cast<unsigned char>(';');
    std::size_t n = 0, i = 0;
    for (; i + 8 <= row.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, row.data() + i, 8);
        const std::uint64_t t = w ^ semicolons; // a zero byte where ';' was
        const std::uint64_t found = (~(((t & kLow7) + kLow7) | t | kLow7)) >> 7; // 1 per ';'
        n += static_cast<std::size_t>((found * kOnes) >> 56); // their sum, in the top byte
    }
    for (; i < row.size(); ++i)
        n += row[i] == ';';
    return n;
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

// Writes the next table while the rows of the present one stream past, in
// file order without blank lines: each row is checked and copied with its new
// cell appended, and the blocks the column adds are placed where they belong.
// Rows are copied, never parsed or formatted again.  Nothing reaches the
// output unless it belongs to a table of `layout`'s shape; Finish() says
// whether the whole input had it.
class Extender {
  public:
    Extender(const Layout& layout, const Column& c, std::string& out)
        : layout_(layout), c_(c), out_(out), cells_(static_cast<std::size_t>(layout.columns) + 1),
          markersEnd_(2 + (layout.markers ? kMarkerRows : 0)),
          evalEnd_(markersEnd_ + (layout.evaluation ? kEvalRows : 0)),
          fresh_(static_cast<std::size_t>(layout.columns) + 1, ';'),
          evalCells_(c.options.evaluation && c.evalCase != EvalCase::None),
          curve_(c.options.spectrum && HasCurve(c)) {
        if (evalCells_)
            eval_ = EvalRows(c);
        next_ = layout;
        next_.columns = layout.columns + 1;
    }

    // One row of the present table (a trailing carriage return is no content).
    void Row(std::string_view row) {
        if (!row.empty() && row.back() == '\r')
            row.remove_suffix(1);
        if (row.empty())
            return;
        const int r = rows_++;
        if (!error_.empty() || r >= layout_.Rows())
            return;
        if (row.back() != ';' || CellsOf(row) != cells_) {
            error_ = "row " + std::to_string(r + 1) + " does not have " + std::to_string(cells_) +
                     " cells";
            return;
        }
        if ((r == 0 && !row.starts_with(kDateLabel)) || (r == 1 && !row.starts_with(kTimeLabel)) ||
            (layout_.spectrum && r == evalEnd_ && !row.starts_with(kSpectrumLabel))) {
            error_ = "its row labels were changed";
            return;
        }
        Extend(r, row);
        if (r + 1 == 2 && !layout_.markers)
            FreshMarkers();
        if (r + 1 == markersEnd_ && !layout_.evaluation)
            FreshEvaluation();
    }

    // False with *error when the rows seen do not make a table of the layout;
    // otherwise the column's new spectrum block (if any) ends the output.
    bool Finish(Layout* next, std::string* error) {
        if (rows_ != layout_.Rows()) {
            *error = "the table has " + std::to_string(rows_) + " rows, " +
                     std::to_string(layout_.Rows()) + " were written";
            return false;
        }
        if (!error_.empty()) {
            *error = error_;
            return false;
        }
        if (!layout_.spectrum)
            FreshSpectrum();
        *next = next_;
        return true;
    }

  private:
    void Extend(int r, std::string_view row) {
        const Column& c = c_;
        if (r == 0) {
            Put(out_, false, row,
                std::to_string(c.day) + "." + std::to_string(c.month) + "." +
                    std::to_string(c.year),
                true);
        } else if (r == 1) {
            Put(out_, false, row,
                std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" +
                    std::to_string(c.second),
                true);
        } else if (r < markersEnd_) {
            next_.markers = true;
            Put(out_, false, row, MarkerCell(r - 2), false);
        } else if (r < evalEnd_) {
            next_.evaluation = true;
            const EvalRow& e = eval_[static_cast<std::size_t>(r - markersEnd_)];
            Put(out_, e.blankBefore, row, e.cell, e.blankAfter);
        } else if (r == evalEnd_) {
            Put(out_, false, row, curve_ ? std::string_view(c.curveLabel) : std::string_view{},
                false);
        } else {
            const int i = r - evalEnd_ - 1;
            if (curve_ && i < c.points)
                Put(out_, false, row, Fixed("%E", c.y[i]), false);
            else
                Put(out_, false, row, {}, false);
        }
    }

    std::string MarkerCell(int i) const {
        if (!c_.options.markers)
            return {};
        if (i == 0)
            return c_.modeName;
        const MarkerSlot& m = c_.markers[static_cast<std::size_t>(i - 1)];
        if (m.position <= 0.0)
            return {};
        return support::FormatUser("%.2f@%.2f%s", m.value, m.position,
                                   c_.wavelengthAxis ? "nm" : "px");
    }

    void FreshMarkers() {
        if (!c_.options.markers)
            return;
        next_.markers = true;
        for (int i = 0; i < kMarkerRows; ++i)
            Put(out_, false, fresh_, MarkerCell(i), false);
    }

    void FreshEvaluation() {
        if (!evalCells_)
            return;
        next_.evaluation = true;
        for (const EvalRow& row : eval_)
            Put(out_, row.blankBefore, fresh_, row.cell, row.blankAfter);
    }

    void FreshSpectrum() {
        if (!curve_ || c_.x == nullptr)
            return;
        next_.spectrum = true;
        next_.spectrumRows = c_.points;
        const std::string empties(static_cast<std::size_t>(layout_.columns), ';');
        Put(out_, false, std::string(kSpectrumLabel) + empties, c_.curveLabel, false);
        for (int i = 0; i < c_.points; ++i)
            Put(out_, false, Fixed("%.2f", c_.x[i]) + ";" + empties, Fixed("%E", c_.y[i]), false);
    }

    const Layout& layout_;
    const Column& c_;
    std::string& out_;
    const std::size_t cells_;
    const int markersEnd_, evalEnd_;
    const std::string fresh_; // an added row's empty first cell and earlier columns
    const bool evalCells_, curve_;
    std::array<EvalRow, kEvalRows> eval_{};
    Layout next_;
    int rows_ = 0;
    std::string error_;
};

// Feeds the lines of `text` to `row`.
template <typename F> void EachLine(std::string_view text, F&& row) {
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        row(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    }
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
    std::string s;
    s.reserve(table.size() + table.size() / static_cast<std::size_t>(layout.columns + 1) + 4096);
    Extender e(layout, c, s);
    EachLine(table, [&](std::string_view row) { e.Row(row); });
    if (!e.Finish(next, error))
        return false;
    *out = std::move(s);
    return true;
}

AppendResult AppendToFile(const std::string& path, const Layout& layout, const Column& column,
                          Layout* next, std::string* error) {
    // The table streams past in pieces into the temporary file: no copy of
    // the whole table is held, and an error anywhere leaves the file as it
    // was (the temporary is dropped).  The temporary is made with the first
    // output, so a table that is refused never gets one.
    constexpr std::size_t kFlushAt = std::size_t{1} << 20;
    const Layout shape = layout; // *next may be the caller's layout
    support::AtomicFile file;
    bool opened = false, writeFailed = false;
    const auto flush = [&](const std::string& bytes) {
        if (!opened) {
            opened = true;
            if (!file.Open(path))
                return false;
        }
        return file.Write(bytes);
    };
    std::string out, line; // line: the start of a row the last piece cut
    out.reserve(kFlushAt + kFlushAt / 8);
    Extender e(shape, column, out);
    const auto piece = [&](std::string_view bytes) {
        if (writeFailed)
            return;
        const std::size_t first = bytes.find('\n');
        if (first == std::string_view::npos) {
            line.append(bytes);
            return;
        }
        line.append(bytes.substr(0, first));
        e.Row(line);
        line.clear();
        const std::size_t last = bytes.rfind('\n');
        EachLine(bytes.substr(first + 1, last - first), [&](std::string_view row) { e.Row(row); });
        line.assign(bytes.substr(last + 1));
        if (out.size() >= kFlushAt) {
            writeFailed = !flush(out);
            out.clear();
        }
    };
    if (support::ReadRegularFileInPieces(path, MaxBytes(shape), piece, error) != 0)
        return AppendResult::Unreadable;
    e.Row(line);
    Layout grown;
    if (!writeFailed && !e.Finish(&grown, error))
        return AppendResult::Reshaped; // the temporary goes with `file`
    if (writeFailed || !flush(out) || !file.Commit()) {
        *error = file.Error();
        return AppendResult::WriteFailed;
    }
    *next = grown;
    return AppendResult::Added;
}

} // namespace csvtable
