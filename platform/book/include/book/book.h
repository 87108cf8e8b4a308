// Spreadsheet workbook files, written whole: the binary 97-2003 format (.xls)
// and the XML format (.xlsx). A book keeps its cells in memory; every Save
// streams them row by row into a new file beside the target and renames it
// over the old one, so the file on disk is always a whole workbook.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace book {

enum class Kind { Xls, Xlsx };

// Highest zero-based row and column index each format can hold.
inline constexpr int kXlsMaxRow = 65535;
inline constexpr int kXlsMaxCol = 255;
inline constexpr int kXlsxMaxRow = 1048575;
inline constexpr int kXlsxMaxCol = 16383;

// Longest cell text (characters) and sheet name the formats accept.
inline constexpr int kMaxTextChars = 32767;
inline constexpr int kMaxSheetNameChars = 31;

class Book {
  public:
    explicit Book(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }
    int MaxRow() const { return kind_ == Kind::Xls ? kXlsMaxRow : kXlsxMaxRow; }
    int MaxCol() const { return kind_ == Kind::Xls ? kXlsMaxCol : kXlsxMaxCol; }

    // Adds the book's one sheet. Returns its index (0), or -1 when the book has
    // a sheet already or the name is empty, too long or holds []:*?/\ .
    int AddSheet(std::string_view name);
    bool HasSheet(int sheet) const { return sheet == 0 && !sheetName_.empty(); }
    const std::string& SheetName() const { return sheetName_; }

    // Write one cell (zero-based row and column), replacing what was there.
    // False, and nothing written, for no such sheet, a row or column outside
    // 0..MaxRow()/MaxCol(), or text that is not UTF-8 or is too long.
    // A NaN or infinite number, or an empty text, leaves the cell empty.
    bool WriteStr(int sheet, int row, int col, std::string_view text);
    bool WriteNum(int sheet, int row, int col, double value);
    // count numbers downward from (row, col); those past MaxRow() are left
    // out. The number of cells written, -1 for no such sheet or column.
    int WriteNums(int sheet, int row, int col, const double* values, int count);

    // Writes the whole workbook to path. False with Error() set; the file at
    // path is then unchanged and no temporary is left behind.
    bool Save(const std::string& path);
    const std::string& Error() const { return error_; }

    // Every cell, row by row and left to right within a row:
    // visit(row, col, text) for a text cell (a std::string), visit(row, col,
    // number) else.
    template <class Visit> void ForEachCellByRow(Visit&& visit) const;

  private:
    // A column keeps its numbers as one run of doubles (NaN where a row of
    // the run holds none), so a spectrum costs 8 bytes a value; texts, and
    // numbers far from the run, sit beside it by row. Copies of a book share
    // their columns until one of them writes to a column: a copy for a save
    // costs a pointer a column.
    struct Column {
        int first = 0;
        std::vector<double> run;
        std::map<int, std::string> texts;
        std::map<int, double> strays;
    };

    bool Fits(int sheet, int row, int col) const;
    Column& Mutable(int col);
    void SetNumber(Column& c, int row, double value);
    static void EraseIn(Column& c, int row);
    void Erase(int row, int col);
    bool SaveXlsx(const std::string& path);
    bool SaveXls(const std::string& path);

    Kind kind_;
    std::string sheetName_;
    std::vector<std::shared_ptr<const Column>> cols_;
    std::string error_;
};

template <class Visit> void Book::ForEachCellByRow(Visit&& visit) const {
    struct Cursor {
        int col;
        const Column* c;
        std::map<int, std::string>::const_iterator text;
        std::map<int, double>::const_iterator stray;
    };
    std::vector<Cursor> cursors;
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (const Column* c = cols_[i].get())
            cursors.push_back({static_cast<int>(i), c, c->texts.begin(), c->strays.begin()});
    constexpr int kNone = 1 << 30;
    for (int row = -1;;) {
        // The next row that any column has something in.
        int next = kNone;
        for (const Cursor& k : cursors) {
            if (k.text != k.c->texts.end())
                next = std::min(next, k.text->first);
            if (k.stray != k.c->strays.end())
                next = std::min(next, k.stray->first);
            const int inRun = std::max(row + 1, k.c->first);
            if (inRun < k.c->first + static_cast<int>(k.c->run.size()))
                next = std::min(next, inRun);
        }
        if (next == kNone)
            return;
        row = next;
        for (Cursor& k : cursors) {
            if (k.text != k.c->texts.end() && k.text->first == row) {
                visit(row, k.col, k.text->second);
                ++k.text;
            } else if (k.stray != k.c->strays.end() && k.stray->first == row) {
                visit(row, k.col, k.stray->second);
                ++k.stray;
            } else if (row >= k.c->first && row < k.c->first + static_cast<int>(k.c->run.size())) {
                const double v = k.c->run[static_cast<std::size_t>(row - k.c->first)];
                if (!std::isnan(v))
                    visit(row, k.col, v);
            }
        }
    }
}

// Column letters of a 1-based column: 1 "A", 26 "Z", 27 "AA", 16384 "XFD".
// Empty outside 1..16384.
std::string ColumnLetters(int column);

// Parses a cell reference "B12" into a 1-based row and column; false for
// anything else (lower case, no row, row 0, more than three letters...).
bool ParseCellRef(std::string_view ref, int* row, int* column);

// Number of characters in valid UTF-8 text; -1 when the text is not UTF-8.
long Utf8Length(std::string_view text);

// The bytes of an .xls file holding book (exposed for the tests of the
// container layout).
std::string XlsBytes(const Book& book);

} // namespace book
