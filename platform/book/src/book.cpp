#include "book/book.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <locale.h>
#include <type_traits>
#include <unistd.h>
#include <xlsxwriter.h>

#include "support/atomic_file.h"

namespace book {

long Utf8Length(std::string_view text) {
    long chars = 0;
    for (std::size_t i = 0; i < text.size(); ++chars) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = 0;
        std::uint32_t cp = c;
        if (c < 0x80)
            extra = 0;
        else if ((c & 0xE0) == 0xC0)
            extra = 1, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            extra = 2, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            extra = 3, cp = c & 0x07;
        else
            return -1;
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0)
            return -1;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((cc & 0xC0) != 0x80)
                return -1;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        static const std::uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return -1;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return chars;
}

std::string ColumnLetters(int column) {
    if (column < 1 || column > kXlsxMaxCol + 1)
        return "";
    std::string letters;
    for (int q = column; q > 0;) {
        int r = q % 26;
        q /= 26;
        if (r == 0) {
            r = 26;
            --q;
        }
        letters.insert(letters.begin(), static_cast<char>('A' + r - 1));
    }
    return letters;
}

bool ParseCellRef(std::string_view ref, int* row, int* column) {
    std::size_t i = 0;
    int col = 0;
    while (i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 3)
        col = col * 26 + (ref[i++] - 'A' + 1);
    if (i == 0 || i == ref.size() || ref[i] < '1' || ref[i] > '9')
        return false;
    long r = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || r > kXlsxMaxRow + 1)
            return false;
        r = r * 10 + (ref[i] - '0');
    }
    if (col > kXlsxMaxCol + 1 || r > kXlsxMaxRow + 1)
        return false;
    *row = static_cast<int>(r);
    *column = col;
    return true;
}

int Book::AddSheet(std::string_view name) {
    const long chars = Utf8Length(name);
    if (!sheetName_.empty() || chars < 1 || chars > kMaxSheetNameChars ||
        name.find_first_of("[]:*?/\\") != std::string_view::npos)
        return -1;
    sheetName_ = std::string(name);
    return 0;
}

bool Book::Fits(int sheet, int row, int col) const {
    return HasSheet(sheet) && row >= 0 && row <= MaxRow() && col >= 0 && col <= MaxCol();
}

Book::Column& Book::Mutable(int col) {
    const auto i = static_cast<std::size_t>(col);
    if (i >= cols_.size())
        cols_.resize(i + 1);
    // A column a copy still holds (a save in progress) is copied first.
    if (!cols_[i])
        cols_[i] = std::make_shared<const Column>();
    else if (cols_[i].use_count() > 1)
        cols_[i] = std::make_shared<const Column>(*cols_[i]);
    return const_cast<Column&>(*cols_[i]);
}

namespace {
// Empty rows a column's run of numbers may span to take in one more number;
// a number further off is kept beside the run.
constexpr int kMaxRunGap = 16;
} // namespace

void Book::SetNumber(Column& c, int row, double value) {
    c.texts.erase(row);
    c.strays.erase(row);
    const int size = static_cast<int>(c.run.size());
    if (size == 0) {
        c.first = row;
        c.run.assign(1, value);
        return;
    }
    if (row >= c.first && row < c.first + size) {
        c.run[static_cast<std::size_t>(row - c.first)] = value;
    } else if (row >= c.first + size && row - (c.first + size) <= kMaxRunGap) {
        c.run.resize(static_cast<std::size_t>(row - c.first + 1), std::nan(""));
        c.run.back() = value;
    } else if (row < c.first && c.first - row <= kMaxRunGap) {
        c.run.insert(c.run.begin(), static_cast<std::size_t>(c.first - row), std::nan(""));
        c.first = row;
        c.run.front() = value;
    } else {
        c.strays[row] = value;
    }
}

void Book::EraseIn(Column& c, int row) {
    c.texts.erase(row);
    c.strays.erase(row);
    if (row >= c.first && row < c.first + static_cast<int>(c.run.size()))
        c.run[static_cast<std::size_t>(row - c.first)] = std::nan("");
}

void Book::Erase(int row, int col) {
    const auto i = static_cast<std::size_t>(col);
    if (i < cols_.size() && cols_[i])
        EraseIn(Mutable(col), row);
}

bool Book::WriteStr(int sheet, int row, int col, std::string_view text) {
    const long chars = Utf8Length(text);
    if (chars < 0 || chars > kMaxTextChars || !Fits(sheet, row, col))
        return false;
    if (text.empty()) { // an empty text is an empty cell, in both formats
        Erase(row, col);
        return true;
    }
    Column& c = Mutable(col);
    EraseIn(c, row);
    c.texts[row] = std::string(text);
    return true;
}

bool Book::WriteNum(int sheet, int row, int col, double value) {
    if (!Fits(sheet, row, col))
        return false;
    if (!std::isfinite(value))
        Erase(row, col);
    else
        SetNumber(Mutable(col), row, value);
    return true;
}

int Book::WriteNums(int sheet, int row, int col, const double* values, int count) {
    if (!HasSheet(sheet) || row < 0 || col < 0 || col > MaxCol() || count < 0 ||
        (count > 0 && values == nullptr))
        return -1;
    const int n = std::min(count, MaxRow() - row + 1);
    if (n <= 0)
        return 0;
    Column& c = Mutable(col);
    // A block that continues the run grows it once, to its exact length.
    const int size = static_cast<int>(c.run.size());
    const int end = row + n;
    if (size == 0 || (row >= c.first && row <= c.first + size + kMaxRunGap)) {
        const int first = size == 0 ? row : c.first;
        const auto need = static_cast<std::size_t>(std::max(end, first + size) - first);
        if (need > c.run.capacity())
            c.run.reserve(need);
    }
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        if (std::isfinite(v))
            SetNumber(c, row + i, v);
        else
            EraseIn(c, row + i);
    }
    return n;
}

bool Book::Save(const std::string& path) {
    error_.clear();
    if (!HasSheet(0)) {
        error_ = "Cannot write \"" + path + "\": the workbook has no sheet";
        return false;
    }
    // Refused before the file is built, with the writer's own message.
    if (support::CheckWriteTarget(path, &error_) != 0)
        return false;
    return kind_ == Kind::Xls ? SaveXls(path) : SaveXlsx(path);
}

bool Book::SaveXls(const std::string& path) {
    return support::WriteFileAtomic(path, XlsBytes(*this), &error_) == 0;
}

namespace {

// The library formats numbers with the calling thread's locale: switch this
// thread to C for the length of one save.
class CLocaleScope {
  public:
    CLocaleScope() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        old_ = c ? uselocale(c) : static_cast<locale_t>(nullptr);
    }
    ~CLocaleScope() {
        if (old_)
            uselocale(old_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t old_;
};

std::string Describe(const std::string& path, const char* why) {
    return "Cannot write \"" + path + "\": " + why;
}

} // namespace

bool Book::SaveXlsx(const std::string& path) {
    CLocaleScope cLocale;
    const std::string temp = support::TempNameFor(path);
    // Constant-memory mode streams the rows in order, as the book hands them
    // out: the library then keeps no second copy of the cells.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(temp.c_str(), &options);
    if (!wb) {
        error_ = Describe(path, "out of memory");
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheetName_.c_str());
    lxw_error err = ws ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    ForEachCellByRow([&](int row, int col, const auto& value) {
        if (err != LXW_NO_ERROR)
            return;
        const auto r = static_cast<lxw_row_t>(row);
        const auto c = static_cast<lxw_col_t>(col);
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, double>)
            err = worksheet_write_number(ws, r, c, value, nullptr);
        else
            err = worksheet_write_string(ws, r, c, value.c_str(), nullptr);
    });
    const lxw_error closeErr = workbook_close(wb);
    if (err == LXW_NO_ERROR)
        err = closeErr;
    if (err != LXW_NO_ERROR) {
        // The library may have left a partial file; errno still tells why a
        // create or write failed.
        const int sysErr = errno;
        ::unlink(temp.c_str());
        error_ = Describe(path, err == LXW_ERROR_CREATING_XLSX_FILE ||
                                        err == LXW_ERROR_CREATING_TMPFILE ||
                                        err == LXW_ERROR_ZIP_FILE_OPERATION
                                    ? std::strerror(sysErr != 0 ? sysErr : EIO)
                                    : lxw_strerror(err));
        return false;
    }
    return support::CommitFileAtomic(temp, path, &error_) == 0;
}

} // namespace book
