#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "files/csv_table.h"
#include "files/csv_writer.h"
#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support_testing/comma_locale.h"
#include "support_testing/odd_files.h"

namespace fs = std::filesystem;
using namespace csvtable;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Cells of each non-blank row; the empty field after the last ";" is dropped.
Rows Split(const std::string& text) {
    Rows rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t semi; (semi = line.find(';', start)) != std::string::npos;
             start = semi + 1)
            cells.push_back(line.substr(start, semi - start));
        EXPECT_EQ(start, line.size()) << "row does not end with ';': " << line;
        rows.push_back(cells);
    }
    return rows;
}

const double kX[] = {400.0, 400.5, 401.25};
const double kY[] = {1.5, -20.25, 3000.0};

Column Shown(Options o, int curve = 2, int points = 3) {
    Column c;
    c.day = 7, c.month = 3, c.year = 2024, c.hour = 9, c.minute = 5, c.second = 3;
    c.options = o;
    c.curveLabel = CurveLabel(curve, 1);
    c.x = kX;
    c.y = kY;
    c.points = points;
    return c;
}

// Prepares and appends one column; checks that the result has the shape the
// table then says.
std::string Add(const std::string& text, Table* table, const Column& c) {
    csvtable::Cells cells;
    std::string out, error;
    EXPECT_TRUE(Prepare(table, c, &cells, &error)) << error;
    EXPECT_TRUE(Append(text, {&cells, 1}, &out, &error)) << error;
    const Rows rows = Split(out);
    EXPECT_EQ(static_cast<int>(rows.size()), table->layout.Rows());
    for (const auto& r : rows)
        EXPECT_EQ(static_cast<int>(r.size()), table->layout.columns + 1);
    return out;
}

// A fresh folder of the test's own.
fs::path Scratch(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

constexpr Options kSpec{false, false, true};
constexpr Options kMode{true, false, false};
constexpr Options kEval{false, true, false};

} // namespace

TEST(CsvTable, SpectrumOnlyThreeDarkColumns) {
    Table l;
    std::string t = Create(Shown(kSpec), &l);
    for (int i = 0; i < 3; ++i)
        t = Add(t, &l, Shown(kSpec, 1));
    const Rows r = Split(t);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"Date:", "7.3.2024", "7.3.2024", "7.3.2024"}));
    EXPECT_EQ(r[1][1], "9:5:3");
    EXPECT_EQ(r[2], (std::vector<std::string>{"wavelength", "dark:", "dark:", "dark:"}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"400.50", "-2.025000E+01", "-2.025000E+01",
                                              "-2.025000E+01"}));
    EXPECT_EQ(t.substr(0, 35), "Date:;7.3.2024;7.3.2024;7.3.2024;\n\n");
}

TEST(CsvTable, BlocksSwitchedOnLaterLandInTheColumnOfTheirMeasurement) {
    Table l;
    std::string t = Create(Shown(kSpec), &l);
    t = Add(t, &l, Shown(kSpec));
    t = Add(t, &l, Shown(kSpec));
    Column c = Shown({true, true, true});
    c.modeName = MarkerModeName(0, 1, 0);
    c.markers[0] = {1.5, 500.25};
    c.evalCase = EvalCase::C;
    c.domWave = 612.345;
    t = Add(t, &l, c);
    const Rows r = Split(t);
    // Date, time, 13 marker rows, 4 evaluation rows, spectrum header.
    ASSERT_EQ(r.size(), 2u + 13 + 4 + 1 + 3);
    EXPECT_EQ(r[0][3], "7.3.2024");
    EXPECT_EQ(r[2], (std::vector<std::string>{"", "", "", "ValleyWidth"}));
    EXPECT_EQ(r[3], (std::vector<std::string>{"", "", "", "1.50@500.25nm"}));
    EXPECT_EQ(r[4][3], "") << "a free slot";
    EXPECT_EQ(r[15], (std::vector<std::string>{"", "", "", "Peak"}));
    EXPECT_EQ(r[16][3], "612.35");
}

TEST(CsvTable, EvaluationCaseIsTheFirstThatApplies) {
    struct Case {
        int fwhm, dom, max, min, cog, curve;
        EvalCase expected;
    };
    const Case cases[] = {
        {1, 1, 1, 1, 1, 2, EvalCase::A},    {1, 0, 1, 1, 1, 2, EvalCase::B},
        {0, 0, 1, 1, 1, 2, EvalCase::C},    {0, 0, 0, 1, 1, 2, EvalCase::D},
        {1, 0, 0, 0, 1, 2, EvalCase::E},    {0, 1, 0, 0, 1, 2, EvalCase::F},
        {0, 0, 0, 0, 1, 2, EvalCase::G},    {1, 1, 1, 1, 1, 3, EvalCase::G},
        {1, 1, 1, 1, 0, 3, EvalCase::None}, {0, 0, 0, 0, 1, 4, EvalCase::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseEvalCase(c.fwhm, c.dom, c.max, c.min, c.cog, c.curve), c.expected)
            << c.fwhm << c.dom << c.max << c.min << c.cog << " curve " << c.curve;
}

TEST(CsvTable, EvaluationRowsAndTheirBlankLines) {
    struct Case {
        EvalCase which;
        std::vector<std::string> cells; // new column of rows 1 to 4
        std::string block;              // the block as written into a new table
    };
    const Case cases[] = {
        {EvalCase::A,
         {"FWHM", "12.35", "COG(peak)@50.00%", "555.500"},
         "\n;FWHM;\n;12.35;\n\n;COG(peak)@50.00%;\n;555.500;\n\n"},
        {EvalCase::B, {"FWHM", "12.35", "Peak", "555.50"}, ""},
        {EvalCase::E, {"FWHM", "12.35", "", ""}, "\n;FWHM;\n;12.35;\n\n\n;;\n\n;;\n\n"},
        {EvalCase::G, {"COG(valley)@50.00%", "555.500", "", ""}, ""},
    };
    for (const Case& k : cases) {
        Table l;
        Column c = Shown(kEval);
        c.evalCase = k.which;
        c.width = 12.3456;
        c.threshold = 50;
        c.domWave = 555.5;
        const std::string t = Add(Create(Shown(kEval), &l), &l, c);
        const Rows r = Split(t);
        ASSERT_EQ(r.size(), 6u);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(r[2 + i][1], k.cells[i]) << "row " << i + 1;
        if (!k.block.empty()) {
            EXPECT_EQ(t.substr(t.find("\n\n", t.find("Time:")) + 2), k.block);
        }
    }
}

TEST(CsvTable, NoCaseGivesEmptyCellsOrNoBlock) {
    Column c = Shown(kEval, 3); // transmission shown, only the width checked
    c.evalCase = ChooseEvalCase(1, 0, 0, 0, 0, 3);
    Table absent;
    const std::string t = Add(Create(Shown(kSpec), &absent), &absent, c);
    EXPECT_FALSE(absent.layout.evaluation);
    Table present;
    const Rows r = Split(Add(Create(Shown(kEval), &present), &present, c));
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(r[i], (std::vector<std::string>{"", ""}));
}

// A table begun on one display grid takes a curve only where each point has
// the row of its own x value; otherwise nothing is written.
TEST(CsvTable, EachValueStandsBesideItsOwnWavelength) {
    const double grid[] = {400.0, 400.5, 401.25, 402.0};
    struct Case {
        const char* what;
        std::vector<double> x;
        bool wavelengths;
        std::vector<std::string> column; // the new cells of the data rows; empty: refused
    } cases[] = {
        {"the same grid",
         {400.0, 400.5, 401.25, 402.0},
         true,
         {"1.500000E+00", "-2.025000E+01", "3.000000E+03", "4.000000E+00"}},
        {"a later start",
         {400.5, 401.25, 402.0},
         true,
         {"", "1.500000E+00", "-2.025000E+01", "3.000000E+03"}},
        {"a narrower range", {400.5, 401.25}, true, {"", "1.500000E+00", "-2.025000E+01", ""}},
        {"another grid", {400.0, 405.0}, true, {}},
        {"a wider range", {399.5, 400.0}, true, {}},
        {"the pixel axis", {400.0, 400.5, 401.25, 402.0}, false, {}},
    };
    const double y[] = {1.5, -20.25, 3000.0, 4.0};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Column first = Shown(kSpec);
        first.x = grid, first.y = y, first.points = 4;
        Table t;
        const std::string table = Add(Create(first, &t), &t, first);
        Column c = Shown(kSpec);
        c.x = k.x.data(), c.y = y, c.points = static_cast<int>(k.x.size());
        c.wavelengthAxis = k.wavelengths;
        const Table before = t;
        csvtable::Cells cells;
        std::string error;
        ASSERT_EQ(Prepare(&t, c, &cells, &error), !k.column.empty()) << error;
        if (k.column.empty()) {
            EXPECT_EQ(t.layout.columns, before.layout.columns);
            EXPECT_EQ(t.grid.x, before.grid.x);
            EXPECT_NE(error.find(k.wavelengths ? "does not lie on them" : "pixels"),
                      std::string::npos)
                << error;
            continue;
        }
        std::string out;
        ASSERT_TRUE(Append(table, {&cells, 1}, &out, &error)) << error;
        const Rows r = Split(out);
        ASSERT_EQ(r.size(), 7u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(r[3 + i], (std::vector<std::string>{support::FormatC("%.2f", grid[i]),
                                                          Split(table)[3 + i][1], k.column[i]}));
    }
}

// However the columns are bunched into writes, the table is the one they
// make added one by one: blocks brought in mid-way, a narrower curve, the
// blank lines of the last evaluation case.
TEST(CsvTable, ColumnsAddedTogetherMakeTheTableOfColumnsAddedOneByOne) {
    Column a = Shown(kSpec, 0, 0); // nothing shown yet
    Column b = Shown(kMode);
    b.modeName = "PeakWidth";
    b.markers[1] = {2.5, 401.0};
    Column c = Shown({false, true, true});
    c.evalCase = EvalCase::A, c.width = 1.25, c.threshold = 50, c.domWave = 400.75;
    Column d = Shown({true, true, true}, 3, 2);
    d.evalCase = EvalCase::E, d.width = 2.5;
    Column e = Shown(kSpec, 1);
    Table t;
    const std::string created = Create(a, &t);
    std::vector<csvtable::Cells> columns;
    for (const Column* col : {&a, &b, &c, &d, &e}) {
        std::string error;
        columns.emplace_back();
        ASSERT_TRUE(Prepare(&t, *col, &columns.back(), &error)) << error;
    }
    const std::vector<std::vector<std::size_t>> bunches = {
        {1, 1, 1, 1, 1}, {5}, {2, 3}, {1, 4}, {3, 1, 1}};
    std::string oneByOne;
    for (const auto& sizes : bunches) {
        std::string text = created, error;
        std::size_t from = 0;
        for (std::size_t n : sizes) {
            std::string out;
            ASSERT_TRUE(Append(text, std::span(columns).subspan(from, n), &out, &error)) << error;
            text = std::move(out);
            from += n;
        }
        if (oneByOne.empty())
            oneByOne = text;
        EXPECT_EQ(text, oneByOne) << sizes.size() << " writes";
    }
    const Rows r = Split(oneByOne);
    ASSERT_EQ(static_cast<int>(r.size()), t.layout.Rows());
    EXPECT_EQ(r[2], (std::vector<std::string>{"", "", "PeakWidth", "", "", ""}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"", "", "2.50@401.00nm", "", "", ""}));
    EXPECT_EQ(r.back(),
              (std::vector<std::string>{"401.25", "", "", "3.000000E+03", "", "3.000000E+03"}));
}

TEST(CsvTable, NothingShownWritesEmptyCells) {
    Table l;
    Column none = Shown({true, false, true}, 0, 0);
    std::string t = Create(none, &l); // before any measurement
    EXPECT_FALSE(l.layout.spectrum);
    t = Add(t, &l, none);
    EXPECT_FALSE(l.layout.spectrum) << "no rows known yet";
    t = Add(t, &l, Shown({true, false, true}, 4));
    t = Add(t, &l, none);
    const Rows r = Split(t);
    const std::size_t head = 2 + kMarkerRows;
    EXPECT_EQ(r[head], (std::vector<std::string>{"wavelength", "", "absorbance:", ""}));
    EXPECT_EQ(r[head + 3], (std::vector<std::string>{"401.25", "", "3.000000E+03", ""}));
}

TEST(CsvTable, ATableOfAnotherShapeIsRefused) {
    Table l;
    std::string t = Create(Shown({true, true, true}), &l);
    t = Add(t, &l, Shown({true, true, true}));
    csvtable::Cells next;
    std::string error;
    ASSERT_TRUE(Prepare(&l, Shown({true, true, true}), &next, &error));
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"row removed", t.substr(0, t.rfind(";\n", t.size() - 3) + 2)},
        {"cell added", t + "x;\n"},
        {"cell appended to a row", std::string(t).insert(t.find(";\n"), ";x")},
        {"label changed", "Datum" + t.substr(4)},
        {"spectrum label changed", std::string(t).replace(t.find("wavelength"), 4, "WAVE")},
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        error.clear();
        EXPECT_FALSE(Append(c.text, {&next, 1}, &out, &error)) << c.what;
        EXPECT_EQ(out, "untouched");
        EXPECT_FALSE(error.empty());
    }
    // Line ends of another system are no change of shape.
    std::string crlf;
    for (char ch : t)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    std::string out;
    EXPECT_TRUE(Append(crlf, {&next, 1}, &out, &error)) << error;
}

// Spectrum values are written as printf's "%E" writes them, whatever the value.
TEST(CsvTable, SpectrumValuesAreWrittenAsPrintfWritesThem) {
    const double y[] = {0.0,
                        -0.0,
                        1.5,
                        -20.25,
                        9.9999995,
                        9.99999949,
                        1e300,
                        -1e-300,
                        4.9e-324,
                        123456789.0,
                        2.5e-7,
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN()};
    constexpr int n = static_cast<int>(std::size(y));
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = 400.0 + i;
    Column c = Shown(kSpec);
    c.x = x.data(), c.y = y, c.points = n;
    Table t;
    csvtable::Cells cells;
    std::string error;
    Create(Shown(kSpec, 0, 0), &t);
    ASSERT_TRUE(Prepare(&t, c, &cells, &error)) << error;
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(cells.values[static_cast<std::size_t>(i)], support::FormatUser("%E", y[i]));
}

TEST(CsvTable, CommaLocaleGivesDecimalCommasAndLeavesCInForce) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale";
    std::string t;
    {
        support_testing::UserLocaleScope scope(comma);
        Table l;
        Column c = Shown({true, true, true});
        c.markers[0] = {1.5, 500.25};
        c.evalCase = EvalCase::A;
        c.width = 12.3456;
        c.threshold = 50;
        c.domWave = 555.5;
        t = Add(Create(Shown({true, true, true}), &l), &l, c);
    }
    const Rows r = Split(t);
    EXPECT_EQ(r[3][1], "1,50@500,25nm");
    EXPECT_EQ(r[16][1], "12,35");
    EXPECT_EQ(r[17][1], "COG(peak)@50,00%");
    EXPECT_EQ(r[20], (std::vector<std::string>{"400,00", "1,500000E+00"}));
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 0.5);
    EXPECT_STREQ(buf, "0.5");
}

// The table of a series of measurements as the committed fixture holds it;
// make_csv_fixture.py read it with Python's csv module.
TEST(CsvTable, PythonCsvReadsColumnsPlusTwoFieldsPerRow) {
    Table l;
    std::string t = Create(Shown({false, true, true}), &l);
    t = Add(t, &l, Shown({false, true, true}, 1));
    Column a = Shown({false, true, true});
    a.evalCase = EvalCase::A;
    a.width = 12.3456;
    a.threshold = 50;
    a.domWave = 555.5;
    t = Add(t, &l, a);
    Column m = Shown({true, true, false});
    m.modeName = "PeakWidth";
    m.markers[2] = {3.25, 610.5};
    m.wavelengthAxis = false;
    m.evalCase = EvalCase::G;
    m.domWave = 590.125;
    t = Add(t, &l, m);
    t = Add(t, &l, Shown({true, false, true}, 5, 2));

    const fs::path dir =
        fs::path(std::getenv("ORVALIN_SOURCE_DIR")) / "export/files/tests/fixtures";
    if (const char* out = std::getenv("ORVALIN_FIXTURE_OUT"))
        std::ofstream(fs::path(out) / "orvalin_table.csv", std::ios::binary) << t;
    std::ifstream committed(dir / "orvalin_table.csv", std::ios::binary);
    std::stringstream ours;
    ours << committed.rdbuf();
    ASSERT_EQ(ours.str(), t) << "regenerate the fixtures (make_csv_fixture.py)";

    // One line per row Python saw: the number of fields, then the fields.
    const Rows cells = Split(t);
    std::ifstream seen(dir / "orvalin_table.python.tsv");
    int rows = 0;
    for (std::string line; std::getline(seen, line); ++rows) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        ASSERT_LT(rows, l.layout.Rows());
        EXPECT_EQ(std::stoi(f[0]), l.layout.columns + 2) << "row " << rows + 1;
        std::vector<std::string> expected = cells[static_cast<std::size_t>(rows)];
        expected.push_back(""); // after the last ";"
        EXPECT_EQ(std::vector<std::string>(f.begin() + 1, f.end()), expected);
    }
    EXPECT_EQ(rows, l.layout.Rows());
}

TEST(CsvTable, ACrashDuringAnAppendLeavesTheEarlierTable) {
    const fs::path dir = Scratch("csv_kill_");
    const std::string path = (dir / "t.csv").string();
    std::vector<double> x(2048), y(2048);
    for (int i = 0; i < 2048; ++i)
        x[i] = 300.0 + i * 0.25, y[i] = i * 1.5;
    Column c = Shown(kSpec);
    c.x = x.data(), c.y = y.data(), c.points = 2048;
    Table l;
    ASSERT_EQ(support::WriteFileAtomic(path, Create(c, &l)), 0);
    for (int round = 0; round < 5; ++round) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Appends until killed, telling the parent after each column.
            close(done[0]);
            Table mine = l;
            csvtable::Cells cells;
            std::string error;
            while (Prepare(&mine, c, &cells, &error) &&
                   AppendToFile(path, {&cells, 1}, &error) == AppendResult::Added) {
                if (write(done[1], "+", 1) != 1)
                    break;
            }
            _exit(1);
        }
        close(done[1]);
        char added = 0;
        ASSERT_EQ(read(done[0], &added, 1), 1) << "the child added no column";
        usleep(static_cast<useconds_t>(3000 * round)); // somewhere in a later append
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(done[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped appending by itself";
        // Whatever column the kill hit, the table is whole with its columns.
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const Rows r = Split(text.str());
        ASSERT_EQ(r.size(), 2u + 1 + 2048);
        const int columns = static_cast<int>(r[0].size()) - 1;
        EXPECT_GT(columns, l.layout.columns);
        l.layout.columns = columns;
        Table next = l;
        csvtable::Cells cells;
        std::string out, error;
        ASSERT_TRUE(Prepare(&next, c, &cells, &error)) << error;
        EXPECT_TRUE(Append(text.str(), {&cells, 1}, &out, &error)) << error;
    }
    fs::remove_all(dir);
}

TEST(CsvTable, AFailedWriteKeepsTheTable) {
    const fs::path dir = Scratch("csv_fail_");
    const std::string path = (dir / "t.csv").string();
    Table l;
    ASSERT_EQ(support::WriteFileAtomic(path, Create(Shown(kSpec), &l)), 0);
    csvtable::Cells first, second;
    std::string error;
    ASSERT_TRUE(Prepare(&l, Shown(kSpec), &first, &error));
    ASSERT_TRUE(Prepare(&l, Shown(kSpec), &second, &error));
    ASSERT_EQ(AppendToFile(path, {&first, 1}, &error), AppendResult::Added);
    const std::string saved = support_testing::FileText(path);

    // A full disk, in a child so the file size limit stays there.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, 64};
        setrlimit(RLIMIT_FSIZE, &small);
        _exit(AppendToFile(path, {&second, 1}, &error) == AppendResult::WriteFailed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(support_testing::FileText(path), saved);

    fs::remove(path);
    EXPECT_EQ(AppendToFile(path, {&second, 1}, &error), AppendResult::Unreadable);
    fs::remove_all(dir);
}

// The writer's thread adds every column, in order, however it bunches them
// into rewrites; a failed rewrite is told once and nothing is written after
// it, and the columns left out are counted.
TEST(CsvTable, TheWriterKeepsEveryColumnInOrderAndStopsAtTheFirstFailure) {
    const fs::path dir = Scratch("csv_writer_");
    const std::string path = (dir / "t.csv").string();
    Table t;
    std::string expected = Create(Shown({true, false, true}), &t);
    ASSERT_EQ(support::WriteFileAtomic(path, expected), 0);
    int told = 0;
    Writer w;
    w.Open(path, 0, [&] { ++told; });
    const auto next = [&](int i) {
        Column c = Shown({true, false, true}, 1 + i % 5);
        c.minute = i / 60, c.second = i % 60;
        c.modeName = std::to_string(i);
        csvtable::Cells cells;
        std::string error;
        EXPECT_TRUE(Prepare(&t, c, &cells, &error)) << error;
        return cells;
    };
    for (int i = 0; i < 40; ++i) {
        csvtable::Cells cells = next(i);
        std::string out, error;
        ASSERT_TRUE(Append(expected, {&cells, 1}, &out, &error)) << error;
        expected = std::move(out);
        w.Add(std::move(cells));
    }
    w.Flush();
    EXPECT_EQ(w.Written(), 40);
    EXPECT_EQ(support_testing::FileText(path), expected);

    fs::remove(path);
    fs::create_directory(path); // a folder is never replaced
    w.Add(next(40));
    w.Add(next(41));
    w.Flush(); // returns once the failure was told
    EXPECT_TRUE(w.Failed());
    EXPECT_EQ(told, 1);
    w.Add(next(42));
    int lost = 0;
    const std::string why = w.Close(&lost);
    EXPECT_EQ(lost, 3);
    EXPECT_NE(why.find("not a regular file"), std::string::npos) << why;
    EXPECT_EQ(told, 1);
    EXPECT_EQ(w.Written(), 40);
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove_all(dir);
}
