#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>

#include "book/book.h"
#include "support_testing/comma_locale.h"

namespace fs = std::filesystem;
using book::Book;
using book::Kind;

namespace {

enum class Reader { Openpyxl, Xlrd, Freexl };

struct Value {
    bool text;
    std::string s;
    double d;
};
using Cells = std::map<std::pair<int, int>, Value>;

struct ReadBack {
    int status = -1; // 0 read, 77 reader not installed, else failed
    std::string sheetLine;
    Cells cells;
};

std::string Unescape(const std::string& t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\\' && i + 1 < t.size()) {
            const char n = t[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
        } else {
            out += t[i];
        }
    }
    return out;
}

ReadBack Read(Reader reader, const fs::path& file) {
    ReadBack rb;
    std::string cmd;
    if (reader == Reader::Freexl) {
        if (std::string(BOOK_FREEXL_DUMP).empty())
            return rb.status = 77, rb;
        cmd = std::string(BOOK_FREEXL_DUMP) + " '" + file.string() + "'";
    } else {
        cmd = "/usr/bin/python3 " BOOK_READER_PY " '" + file.string() + "'";
    }
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return rb;
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int st = ::pclose(p);
    rb.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (rb.status == 126 || rb.status == 127)
        rb.status = 77; // no interpreter
    std::istringstream lines(out);
    std::getline(lines, rb.sheetLine);
    for (std::string line; std::getline(lines, line);) {
        int r = 0, c = 0;
        char kind = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%d\t%d\t%c\t%n", &r, &c, &kind, &used) < 3)
            continue;
        const std::string v = line.substr(static_cast<std::size_t>(used));
        rb.cells[{r, c}] =
            kind == 'S' ? Value{true, Unescape(v), 0} : Value{false, "", std::stod(v)};
    }
    return rb;
}

const char* Name(Reader r) {
    return r == Reader::Openpyxl ? "openpyxl" : r == Reader::Xlrd ? "xlrd" : "freexl";
}

// Reads file and compares every cell with expected (numbers to the 16
// significant digits the XML format keeps).
void ExpectReads(Reader reader, const fs::path& file, const std::string& sheet,
                 const Cells& expected) {
    const ReadBack rb = Read(reader, file);
    if (rb.status == 77)
        GTEST_SKIP() << Name(reader) << " is not installed";
    ASSERT_EQ(rb.status, 0) << Name(reader) << " could not read " << file;
    EXPECT_EQ(rb.sheetLine, "sheet\t1\t" + sheet);
    ASSERT_EQ(rb.cells.size(), expected.size()) << Name(reader);
    for (const auto& [at, want] : expected) {
        const auto got = rb.cells.find(at);
        const bool same =
            got != rb.cells.end() && got->second.text == want.text &&
            (want.text ? got->second.s == want.s
                       : std::fabs(got->second.d - want.d) <= std::fabs(want.d) * 1e-15);
        ASSERT_TRUE(same) << Name(reader) << ": row " << at.first << " col " << at.second
                          << " holds "
                          << (got == rb.cells.end() ? std::string("nothing")
                              : got->second.text    ? got->second.s.substr(0, 40)
                                                    : std::to_string(got->second.d));
    }
}

class BookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvalin_book_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

struct ReaderCase {
    Kind kind;
    Reader reader;
};
const ReaderCase kReaderCases[] = {
    {Kind::Xlsx, Reader::Openpyxl}, {Kind::Xls, Reader::Xlrd}, {Kind::Xls, Reader::Freexl}};

const char* Ext(Kind k) {
    return k == Kind::Xls ? ".xls" : ".xlsx";
}

TEST(ColumnLetters, BijectiveBase26WithinTheSheet) {
    const std::pair<int, const char*> cases[] = {
        {1, "A"},     {26, "Z"},      {27, "AA"}, {52, "AZ"}, {53, "BA"}, {702, "ZZ"},
        {703, "AAA"}, {16384, "XFD"}, {0, ""},    {-1, ""},   {16385, ""}};
    for (const auto& [n, letters] : cases) {
        EXPECT_EQ(book::ColumnLetters(n), letters) << n;
        int row = 0, col = 0;
        if (*letters) {
            ASSERT_TRUE(book::ParseCellRef(std::string(letters) + "7", &row, &col)) << letters;
            EXPECT_EQ(col, n);
            EXPECT_EQ(row, 7);
        }
    }
    for (const char* bad : {"", "A", "7", "a1", "A0", "AB01", "AAAA1", "XFE1", "A1048577", "A1:"}) {
        int row = 0, col = 0;
        EXPECT_FALSE(book::ParseCellRef(bad, &row, &col)) << bad;
    }
}

TEST(Book, RefusesWhatNoFormatHolds) {
    for (Kind kind : {Kind::Xls, Kind::Xlsx}) {
        Book b(kind);
        EXPECT_FALSE(b.WriteNum(0, 0, 0, 1.0)) << "no sheet yet";
        for (const char* name : {"", "a/b", "x[1]", "abcdefghijklmnopqrstuvwxyz012345"})
            EXPECT_EQ(b.AddSheet(name), -1) << name;
        EXPECT_FALSE(b.Save((fs::temp_directory_path() / "orvalin_nosheet.xls").string()));
        ASSERT_EQ(b.AddSheet("Sheet1"), 0);
        EXPECT_EQ(b.AddSheet("Sheet2"), -1);
        const int maxRow = kind == Kind::Xls ? 65535 : 1048575;
        const int maxCol = kind == Kind::Xls ? 255 : 16383;
        const struct {
            int sheet, row, col;
            bool ok;
        } cells[] = {{0, maxRow, maxCol, true}, {0, maxRow + 1, 0, false},
                     {0, 0, maxCol + 1, false}, {0, -1, 0, false},
                     {0, 0, -1, false},         {1, 0, 0, false}};
        for (const auto& c : cells) {
            EXPECT_EQ(b.WriteNum(c.sheet, c.row, c.col, 2.5), c.ok) << c.row << "," << c.col;
            EXPECT_EQ(b.WriteStr(c.sheet, c.row, c.col, "x"), c.ok) << c.row << "," << c.col;
        }
        for (const char* bad : {"\xC3", "a\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
            EXPECT_FALSE(b.WriteStr(0, 1, 1, bad)) << "invalid UTF-8 accepted";
        EXPECT_FALSE(b.WriteStr(0, 1, 1, std::string(book::kMaxTextChars + 1, 'x')));
        EXPECT_TRUE(b.WriteStr(0, 1, 1, std::string(book::kMaxTextChars, 'x')));
    }
}

// Fills rows 1.. of column col like one measurement column, and the expected cells.
void AddColumn(Book& b, Cells& expect, int col) {
    const std::string name = "Messung " + std::to_string(col) + " \xC2\xB5W"; // µW
    const struct {
        int row;
        const char* text;
        double num;
    } rows[] = {{1, nullptr, 0},      {2, "absorbance", 0},       {3, "5.3.2026 14:07:09", 0},
                {4, nullptr, 12.345}, {6, nullptr, 0.1},          {7, nullptr, -1.0 / 3.0},
                {8, nullptr, 1e-300}, {9, nullptr, 123456789.125}};
    for (const auto& r : rows) {
        if (r.row == 1 || r.text) {
            const std::string t = r.text ? r.text : name;
            ASSERT_TRUE(b.WriteStr(0, r.row, col, t));
            expect[{r.row, col}] = {true, t, 0};
        } else {
            ASSERT_TRUE(b.WriteNum(0, r.row, col, r.num));
            expect[{r.row, col}] = {false, "", r.num};
        }
    }
    // NaN and infinities leave empty cells, even over an earlier value.
    ASSERT_TRUE(b.WriteNum(0, 10, col, std::nan("")));
    ASSERT_TRUE(b.WriteNum(0, 11, col, 5.0));
    ASSERT_TRUE(b.WriteNum(0, 11, col, std::numeric_limits<double>::infinity()));
    ASSERT_TRUE(b.WriteNum(0, 12, col, -std::numeric_limits<double>::infinity()));
    ASSERT_TRUE(b.WriteStr(0, 13, col, "gone"));
    ASSERT_TRUE(b.WriteStr(0, 13, col, ""));
}

TEST_F(BookTest, EveryColumnReadsBackByIndependentReaders) {
    for (const auto& rc : kReaderCases) {
        SCOPED_TRACE(Name(rc.reader));
        const fs::path file = dir / (std::string("t_") + Name(rc.reader) + Ext(rc.kind));
        Book b(rc.kind);
        ASSERT_EQ(b.AddSheet("Tabelle1"), 0);
        Cells expect;
        ASSERT_TRUE(b.Save(file.string())) << b.Error();
        ExpectReads(rc.reader, file, "Tabelle1", expect);
        for (int col = 0; col < 3; ++col) {
            AddColumn(b, expect, col);
            ASSERT_TRUE(b.Save(file.string())) << b.Error();
            ExpectReads(rc.reader, file, "Tabelle1", expect);
        }
        // Long texts, Latin-1 and beyond, each split over two records (one of
        // the readers takes no more); the far corner.
        std::string wide(3000, 'a');
        for (int i = 0; i < 3000; ++i)
            wide += "\xCE\xA9"; // Ω
        const int corner = rc.kind == Kind::Xls ? 65535 : 1048575;
        const int cornerCol = rc.kind == Kind::Xls ? 255 : 16383;
        for (const auto& [row, col, text] :
             {std::tuple{20, 0, std::string(9500, 'b')}, std::tuple{21, 0, wide},
              std::tuple{corner, cornerCol, std::string("end")}}) {
            ASSERT_TRUE(b.WriteStr(0, row, col, text));
            expect[{row, col}] = {true, text, 0};
        }
        ASSERT_TRUE(b.Save(file.string())) << b.Error();
        ExpectReads(rc.reader, file, "Tabelle1", expect);
    }
    EXPECT_EQ(Entries(), 3u) << "temporaries left behind";
}

// A copy (what a background save writes) keeps the cells of its moment while
// the book goes on; blocks and single cells mix in any order, near and far.
TEST_F(BookTest, ACopyKeepsItsMomentWhileBlocksAndCellsMix) {
    const double block[40] = {0.5, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5};
    for (const auto& rc : kReaderCases) {
        SCOPED_TRACE(Name(rc.reader));
        Book b(rc.kind);
        ASSERT_EQ(b.AddSheet("Sheet1"), 0);
        Cells expect;
        auto nums = [&](int row, int col, int count, int written) {
            ASSERT_EQ(b.WriteNums(0, row, col, block, count), written);
            for (int i = 0; i < written; ++i)
                expect[{row + i, col}] = {false, "", block[i]};
        };
        nums(10, 0, 40, 40);
        nums(48, 0, 4, 4);                         // over the end of the run, and past it
        nums(b.MaxRow() - 1, 1, 4, 2);             // past the last row: left out
        ASSERT_TRUE(b.WriteNum(0, 5, 0, 1.25));    // just above the run
        ASSERT_TRUE(b.WriteNum(0, 60000, 0, 2.5)); // far below it
        ASSERT_TRUE(b.WriteStr(0, 20, 0, "over a number"));
        expect[{5, 0}] = {false, "", 1.25};
        expect[{60000, 0}] = {false, "", 2.5};
        expect[{20, 0}] = {true, "over a number", 0};
        Book copy = b;
        const Cells atCopy = expect;
        ASSERT_TRUE(b.WriteNum(0, 11, 0, 99.0));
        ASSERT_TRUE(b.WriteStr(0, 60000, 0, "later"));
        const double nan = std::nan("");
        ASSERT_EQ(b.WriteNums(0, 30, 0, &nan, 1), 1); // an empty cell
        expect[{11, 0}] = {false, "", 99.0};
        expect[{60000, 0}] = {true, "later", 0};
        expect.erase({30, 0});
        const fs::path then = dir / (std::string("then_") + Name(rc.reader) + Ext(rc.kind));
        const fs::path now = dir / (std::string("now_") + Name(rc.reader) + Ext(rc.kind));
        ASSERT_TRUE(copy.Save(then.string())) << copy.Error();
        ASSERT_TRUE(b.Save(now.string())) << b.Error();
        ExpectReads(rc.reader, then, "Sheet1", atCopy);
        ExpectReads(rc.reader, now, "Sheet1", expect);
    }
}

// A stream large enough to need more FAT sectors than the file header can
// list (small and mid-sized streams are read back above).
TEST_F(BookTest, XlsLargerThanTheHeaderFatListReadsBack) {
    Book b(Kind::Xls);
    ASSERT_EQ(b.AddSheet("Sheet1"), 0);
    Cells expect;
    for (int col = 0; col < 240; ++col) {
        for (int row = 0; row < 2048; ++row) {
            const double v = col * 10000.0 + row + 0.25;
            ASSERT_TRUE(b.WriteNum(0, row, col, v));
            expect[{row, col}] = {false, "", v};
        }
    }
    const fs::path file = dir / "big.xls";
    ASSERT_TRUE(b.Save(file.string())) << b.Error();
    ASSERT_GT(fs::file_size(file), 109u * 128u * 512u);
    for (Reader r : {Reader::Xlrd, Reader::Freexl}) {
        SCOPED_TRACE(Name(r));
        ExpectReads(r, file, "Sheet1", expect);
    }
}

TEST_F(BookTest, NumbersStayInCFormUnderACommaLocale) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, comma.c_str()), nullptr);
    Book b(Kind::Xlsx);
    ASSERT_EQ(b.AddSheet("Tabelle1"), 0);
    ASSERT_TRUE(b.WriteNum(0, 5, 1, 1234.5));
    const fs::path file = dir / "komma.xlsx";
    const bool saved_ok = b.Save(file.string());
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_TRUE(saved_ok) << b.Error();
    ExpectReads(Reader::Openpyxl, file, "Tabelle1", {{{5, 1}, {false, "", 1234.5}}});
}

// Sets a file size limit for its lifetime: writes past it fail with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit l = old_;
        l.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

  private:
    rlimit old_{};
};

TEST_F(BookTest, FailedSaveIsReportedAndLeavesTheOldFileAlone) {
    for (Kind kind : {Kind::Xls, Kind::Xlsx}) {
        SCOPED_TRACE(Ext(kind));
        Book b(kind);
        ASSERT_EQ(b.AddSheet("Sheet1"), 0);
        ASSERT_TRUE(b.WriteStr(0, 1, 0, "first"));
        const fs::path keep = dir / (std::string("keep") + Ext(kind));
        ASSERT_TRUE(b.Save(keep.string())) << b.Error();
        const auto before = fs::file_size(keep);
        for (int row = 0; row < 20000; ++row)
            ASSERT_TRUE(b.WriteNum(0, row, 1, row * 0.37));

        const std::string targets[] = {(dir / "missing" / "x").string() + Ext(kind), dir.string(),
                                       "/dev/null"};
        for (const std::string& target : targets) {
            EXPECT_FALSE(b.Save(target)) << target;
            EXPECT_NE(b.Error().find(target), std::string::npos) << b.Error();
        }
        struct stat st {};
        ASSERT_EQ(::stat("/dev/null", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/null was replaced";
        {
            FileSizeLimit limit(before + 512);
            EXPECT_FALSE(b.Save(keep.string()));
        }
        EXPECT_FALSE(b.Error().empty());
        EXPECT_EQ(fs::file_size(keep), before);
        ExpectReads(kind == Kind::Xls ? Reader::Xlrd : Reader::Openpyxl, keep, "Sheet1",
                    {{{1, 0}, {true, "first", 0}}});
    }
    EXPECT_EQ(Entries(), 2u) << "temporaries left behind";
}

} // namespace
