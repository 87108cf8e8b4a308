#include "files/csv_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>
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

std::string Fixed(const char* format, double v) {
    return support::FormatUser(format, v);
}

// Spectrum values: "%E" under the user's locale, as printf writes it (which
// is what to_chars is bound to), at a fraction of its cost: a column has
// thousands of them.
class ValueFormat {
  public:
    ValueFormat() {
        const std::string half = Fixed("%.1f", 0.5);
        point_ = half.size() > 2 ? half.substr(1, half.size() - 2) : ".";
    }
    std::string operator()(double v) const {
        char buf[40];
        const auto end =
            std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6).ptr;
        std::string s;
        for (const char* p = buf; p != end; ++p) {
            if (*p == '.')
                s += point_;
            else
                s += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
        return s;
    }

  private:
    std::string point_;
};

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
    return !c.curveLabel.empty() && c.points > 0 && c.x != nullptr && c.y != nullptr;
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

// Writes the next table while the rows of the present one stream past, in
// file order without blank lines: each row is checked and copied with the new
// columns' cells appended, and the blocks the columns add are placed where
// they belong.  Rows are copied, never parsed or formatted again.  Nothing
// reaches the output unless it belongs to a table of the first column's
// shape; Finish() says whether the whole input had it.  The result is the
// table the columns would make added one by one.
class Extender {
  public:
    Extender(std::span<const Cells> columns, std::string& out)
        : layout_(columns.front().before), columns_(columns), out_(out),
          cells_(static_cast<std::size_t>(layout_.columns) + 1),
          markersEnd_(2 + (layout_.markers ? kMarkerRows : 0)),
          evalEnd_(markersEnd_ + (layout_.evaluation ? kEvalRows : 0)),
          firstMarkers_(layout_.markers ? 0 : First([](const Cells& c) { return c.markers; })),
          firstEval_(layout_.evaluation ? 0 : First([](const Cells& c) { return c.evaluation; })),
          firstSpectrum_(layout_.spectrum ? 0 : First([](const Cells& c) {
              return c.spectrum && !c.x.empty();
          })) {
        // Blank lines of the evaluation block are the last column's.
        const Cells& last = columns.back();
        if (last.evaluation)
            blanks_ = last.eval;
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
    // otherwise a spectrum block the columns lay out (if any) ends the output.
    bool Finish(std::string* error) {
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
        return true;
    }

  private:
    template <typename Has> std::size_t First(Has has) const {
        std::size_t j = 0;
        while (j < columns_.size() && !has(columns_[j]))
            ++j;
        return j;
    }

    // The row, then the cell of each column from `from` on.
    template <typename CellOf>
    void Put(std::string_view row, std::size_t from, CellOf cellOf, bool blankBefore = false,
             bool blankAfter = false) {
        if (blankBefore)
            out_ += '\n';
        out_ += row;
        for (std::size_t j = from; j < columns_.size(); ++j) {
            out_ += cellOf(columns_[j]);
            out_ += ';';
        }
        out_ += '\n';
        if (blankAfter)
            out_ += '\n';
    }

    static std::string_view Value(const Cells& c, int i) {
        return c.spectrum && static_cast<std::size_t>(i) < c.values.size()
                   ? std::string_view(c.values[static_cast<std::size_t>(i)])
                   : std::string_view{};
    }

    static auto MarkerCell(int i) {
        return [i](const Cells& c) -> std::string_view {
            return c.marker[static_cast<std::size_t>(i)];
        };
    }
    static auto EvalCell(std::size_t i) {
        return [i](const Cells& c) -> std::string_view {
            return c.evaluation ? std::string_view(c.eval[i].cell) : std::string_view{};
        };
    }
    static std::string_view Label(const Cells& c) {
        return c.spectrum ? std::string_view(c.curveLabel) : std::string_view{};
    }

    void Extend(int r, std::string_view row) {
        if (r == 0) {
            Put(
                row, 0, [](const Cells& c) -> std::string_view { return c.date; }, false, true);
        } else if (r == 1) {
            Put(
                row, 0, [](const Cells& c) -> std::string_view { return c.time; }, false, true);
        } else if (r < markersEnd_) {
            Put(row, 0, MarkerCell(r - 2));
        } else if (r < evalEnd_) {
            const auto i = static_cast<std::size_t>(r - markersEnd_);
            Put(row, 0, EvalCell(i), blanks_[i].blankBefore, blanks_[i].blankAfter);
        } else if (r == evalEnd_) {
            Put(row, 0, Label);
        } else {
            const int i = r - evalEnd_ - 1;
            Put(row, 0, [i](const Cells& c) { return Value(c, i); });
        }
    }

    // An added row's empty first cell and one empty cell per column before
    // the one that brings the block.
    std::string Empties(std::size_t first) const {
        return std::string(static_cast<std::size_t>(layout_.columns) + first, ';');
    }

    void FreshMarkers() {
        if (firstMarkers_ == columns_.size())
            return;
        const std::string fresh = ";" + Empties(firstMarkers_);
        for (int i = 0; i < kMarkerRows; ++i)
            Put(fresh, firstMarkers_, MarkerCell(i));
    }

    void FreshEvaluation() {
        if (firstEval_ == columns_.size())
            return;
        const std::string fresh = ";" + Empties(firstEval_);
        for (std::size_t i = 0; i < kEvalRows; ++i)
            Put(fresh, firstEval_, EvalCell(i), blanks_[i].blankBefore, blanks_[i].blankAfter);
    }

    void FreshSpectrum() {
        if (firstSpectrum_ == columns_.size())
            return;
        const std::string empties = Empties(firstSpectrum_);
        Put(std::string(kSpectrumLabel) + empties, firstSpectrum_, Label);
        const std::vector<std::string>& x = columns_[firstSpectrum_].x;
        std::string row;
        for (std::size_t i = 0; i < x.size(); ++i) {
            row.assign(x[i]).append(";").append(empties);
            Put(row, firstSpectrum_, [i](const Cells& c) { return Value(c, static_cast<int>(i)); });
        }
    }

    const Layout& layout_;
    const std::span<const Cells> columns_;
    std::string& out_;
    const std::size_t cells_;
    const int markersEnd_, evalEnd_;
    const std::size_t firstMarkers_, firstEval_, firstSpectrum_;
    std::array<EvalRow, kEvalRows> blanks_{};
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

// x values as the table shows them in column 0, whatever the decimal separator.
std::string RowLabel(double x) {
    return support::FormatC("%.2f", x);
}

std::string Span(int n, const double* x, bool pixels) {
    const char* unit = pixels ? " px" : " nm";
    return std::to_string(n) + (n == 1 ? " point, " : " points, ") + RowLabel(x[0]) + unit +
           " to " + RowLabel(x[n - 1]) + unit;
}

// The row of each point of the curve: the next row, in order, whose x value
// reads the same.  The display grid of an unchanged view gives the very same
// values, row for row.
bool PlaceOnRows(const Grid& grid, const Column& c, std::vector<int>* rowOf, std::string* error) {
    const bool pixels = !c.wavelengthAxis;
    const int rows = static_cast<int>(grid.x.size());
    if (pixels != grid.pixels) {
        *error = grid.pixels ? "its rows are pixels and the graph shows wavelengths"
                             : "its rows are wavelengths and the graph shows pixels";
        return false;
    }
    rowOf->resize(static_cast<std::size_t>(c.points));
    if (c.points == rows && std::equal(c.x, c.x + c.points, grid.x.begin())) {
        for (int i = 0; i < rows; ++i)
            (*rowOf)[static_cast<std::size_t>(i)] = i;
        return true;
    }
    int r = 0;
    for (int i = 0; i < c.points; ++i, ++r) {
        const std::string label = RowLabel(c.x[i]);
        while (r < rows && RowLabel(grid.x[static_cast<std::size_t>(r)]) != label)
            ++r;
        if (r == rows) {
            *error = "its rows are the display grid it began with (" +
                     (rows > 0 ? Span(rows, grid.x.data(), pixels) : "none") +
                     "), and the curve shown (" + Span(c.points, c.x, pixels) +
                     ") does not lie on them";
            return false;
        }
        (*rowOf)[static_cast<std::size_t>(i)] = r;
    }
    return true;
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

std::string Create(const Column& shown, Table* table) {
    Table t;
    Layout& l = t.layout;
    std::string out = "Date:;\n\nTime:;\n\n";
    if (shown.options.markers) {
        l.markers = true;
        for (int i = 0; i < kMarkerRows; ++i)
            out += ";\n";
    }
    if (shown.options.evaluation) {
        l.evaluation = true;
        for (int i = 0; i < kEvalRows; ++i)
            out += ";\n";
    }
    if (shown.options.spectrum && HasCurve(shown)) {
        l.spectrum = true;
        l.spectrumRows = shown.points;
        t.grid = {{shown.x, shown.x + shown.points}, !shown.wavelengthAxis};
        out += kSpectrumLabel;
        out += '\n';
        for (int i = 0; i < shown.points; ++i)
            out += Fixed("%.2f", shown.x[i]) + ";\n";
    }
    *table = std::move(t);
    return out;
}

bool Prepare(Table* table, const Column& c, Cells* cells, std::string* error) {
    Cells out;
    out.before = table->layout;
    Layout next = table->layout;
    out.date = std::to_string(c.day) + "." + std::to_string(c.month) + "." + std::to_string(c.year);
    out.time =
        std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" + std::to_string(c.second);
    if (c.options.markers) {
        out.markers = next.markers = true;
        out.marker[0] = c.modeName;
        for (int i = 0; i < kMarkerSlots; ++i) {
            const MarkerSlot& m = c.markers[static_cast<std::size_t>(i)];
            if (m.position > 0.0)
                out.marker[static_cast<std::size_t>(i) + 1] = support::FormatUser(
                    "%.2f@%.2f%s", m.value, m.position, c.wavelengthAxis ? "nm" : "px");
        }
    }
    if (c.options.evaluation && c.evalCase != EvalCase::None) {
        out.evaluation = next.evaluation = true;
        out.eval = EvalRows(c);
    }
    if (c.options.spectrum && HasCurve(c)) {
        const ValueFormat value;
        out.spectrum = true;
        out.curveLabel = c.curveLabel;
        if (table->layout.spectrum) {
            std::vector<int> rowOf;
            if (!PlaceOnRows(table->grid, c, &rowOf, error))
                return false;
            out.values.resize(table->grid.x.size());
            for (int i = 0; i < c.points; ++i)
                out.values[static_cast<std::size_t>(rowOf[static_cast<std::size_t>(i)])] =
                    value(c.y[i]);
        } else {
            next.spectrum = true;
            next.spectrumRows = c.points;
            // Nothing fails from here on: the table takes the curve's grid.
            table->grid = {{c.x, c.x + c.points}, !c.wavelengthAxis};
            out.x.reserve(static_cast<std::size_t>(c.points));
            out.values.reserve(static_cast<std::size_t>(c.points));
            for (int i = 0; i < c.points; ++i) {
                out.x.push_back(Fixed("%.2f", c.x[i]));
                out.values.push_back(value(c.y[i]));
            }
        }
    }
    ++next.columns;
    table->layout = next;
    *cells = std::move(out);
    return true;
}

bool Append(std::string_view table, std::span<const Cells> columns, std::string* out,
            std::string* error) {
    if (columns.empty()) {
        *out = table;
        return true;
    }
    const Layout& layout = columns.front().before;
    std::string s;
    s.reserve(table.size() +
              table.size() / static_cast<std::size_t>(layout.columns + 1) * columns.size() + 4096);
    Extender e(columns, s);
    EachLine(table, [&](std::string_view row) { e.Row(row); });
    if (!e.Finish(error))
        return false;
    *out = std::move(s);
    return true;
}

AppendResult AppendToFile(const std::string& path, std::span<const Cells> columns,
                          std::string* error) {
    if (columns.empty())
        return AppendResult::Added;
    // The table streams past in pieces into the temporary file: no copy of
    // the whole table is held, and an error anywhere leaves the file as it
    // was (the temporary is dropped).  The temporary is made with the first
    // output, so a table that is refused never gets one.
    constexpr std::size_t kFlushAt = std::size_t{1} << 20;
    const Layout& shape = columns.front().before;
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
    Extender e(columns, out);
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
    if (!writeFailed && !e.Finish(error))
        return AppendResult::Reshaped; // the temporary goes with `file`
    if (writeFailed || !flush(out) || !file.Commit()) {
        *error = file.Error();
        return AppendResult::WriteFailed;
    }
    return AppendResult::Added;
}

} // namespace csvtable
