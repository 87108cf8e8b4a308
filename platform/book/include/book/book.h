// Spreadsheet workbook files, written whole: the binary 97-2003 format (.xls)
// and the XML format (.xlsx). A book keeps its cells in memory; every Save
// writes a complete new file beside the target and renames it over the old
// one, so the file on disk is always a whole workbook.
#pragma once

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
    // One cell: a number, or an index into the book's string table.
    struct Cell {
        int col;
        bool isText;
        double number;
        std::uint32_t text;
    };
    using Row = std::vector<Cell>; // sorted by column

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

    // Writes the whole workbook to path. False with Error() set; the file at
    // path is then unchanged and no temporary is left behind.
    bool Save(const std::string& path);
    const std::string& Error() const { return error_; }

    // Read access for the writers.
    const std::map<int, Row>& Rows() const { return rows_; }
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    bool Fits(int sheet, int row, int col) const;
    bool Place(int sheet, int row, int col, const Cell& cell, bool erase);
    bool SaveXlsx(const std::string& path);
    bool SaveXls(const std::string& path);

    Kind kind_;
    std::string sheetName_;
    std::map<int, Row> rows_;
    std::vector<std::string> texts_;
    std::map<std::string, std::uint32_t, std::less<>> textIndex_;
    std::string error_;
};

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
