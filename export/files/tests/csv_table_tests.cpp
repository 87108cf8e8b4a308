#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/csv_table.h"
#include "support/atomic_file.h"
#include "support_testing/comma_locale.h"

namespace fs = std::filesystem;
using namespace csvtable;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Cells of each non-blank row; the empty field after the last ";" is dropped.
Rows Cells(const std::string& text) {
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

// Appends and checks that the result has the shape the returned layout says.
std::string Add(std::string table, Layout* layout, const Column& c) {
    std::string out, error;
    Layout next;
    EXPECT_TRUE(Append(table, *layout, c, &out, &next, &error)) << error;
    *layout = next;
    const Rows rows = Cells(out);
    EXPECT_EQ(static_cast<int>(rows.size()), layout->Rows());
    for (const auto& r : rows)
        EXPECT_EQ(static_cast<int>(r.size()), layout->columns + 1);
    return out;
}

constexpr Options kSpec{false, false, true};
constexpr Options kMode{true, false, false};
constexpr Options kEval{false, true, false};

} // namespace

TEST(CsvTable, SpectrumOnlyThreeDarkColumns) {
    Layout l;
    std::string t = Create(kSpec, kX, 3, &l);
    for (int i = 0; i < 3; ++i)
        t = Add(t, &l, Shown(kSpec, 1));
    const Rows r = Cells(t);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"Date:", "7.3.2024", "7.3.2024", "7.3.2024"}));
    EXPECT_EQ(r[1][1], "9:5:3");
    EXPECT_EQ(r[2], (std::vector<std::string>{"wavelength", "dark:", "dark:", "dark:"}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"400.50", "-2.025000E+01", "-2.025000E+01",
                                              "-2.025000E+01"}));
    EXPECT_EQ(t.substr(0, 35), "Date:;7.3.2024;7.3.2024;7.3.2024;\n\n");
}

TEST(CsvTable, BlocksSwitchedOnLaterLandInTheColumnOfTheirMeasurement) {
    Layout l;
    std::string t = Create(kSpec, kX, 3, &l);
    t = Add(t, &l, Shown(kSpec));
    t = Add(t, &l, Shown(kSpec));
    Column c = Shown({true, true, true});
    c.modeName = MarkerModeName(0, 1, 0);
    c.markers[0] = {1.5, 500.25};
    c.evalCase = EvalCase::C;
    c.domWave = 612.345;
    t = Add(t, &l, c);
    const Rows r = Cells(t);
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
        Layout l;
        Column c = Shown(kEval);
        c.evalCase = k.which;
        c.width = 12.3456;
        c.threshold = 50;
        c.domWave = 555.5;
        const std::string t = Add(Create(kEval, nullptr, 0, &l), &l, c);
        const Rows r = Cells(t);
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
    Layout absent;
    const std::string t = Add(Create(kSpec, kX, 3, &absent), &absent, c);
    EXPECT_FALSE(absent.evaluation);
    Layout present;
    const Rows r = Cells(Add(Create(kEval, kX, 3, &present), &present, c));
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(r[i], (std::vector<std::string>{"", ""}));
}

TEST(CsvTable, SpectrumRowsStayWhenTheDisplayGridChanges) {
    Layout l;
    std::string t = Create(kSpec, kX, 2, &l);
    t = Add(t, &l, Shown(kSpec, 3, 3)); // more points than rows: none invented
    t = Add(t, &l, Shown(kSpec, 3, 1)); // fewer: the rest stay, empty
    EXPECT_EQ(l.spectrumRows, 2);
    const Rows r = Cells(t);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[3], (std::vector<std::string>{"400.00", "1.500000E+00", "1.500000E+00"}));
    EXPECT_EQ(r[4], (std::vector<std::string>{"400.50", "-2.025000E+01", ""}));
}

TEST(CsvTable, NothingShownWritesEmptyCells) {
    Layout l;
    std::string t = Create({true, false, true}, nullptr, 0, &l); // before any measurement
    EXPECT_FALSE(l.spectrum);
    Column none = Shown({true, false, true}, 0, 0);
    t = Add(t, &l, none);
    EXPECT_FALSE(l.spectrum) << "no rows known yet";
    t = Add(t, &l, Shown({true, false, true}, 4));
    t = Add(t, &l, none);
    const Rows r = Cells(t);
    const std::size_t head = 2 + kMarkerRows;
    EXPECT_EQ(r[head], (std::vector<std::string>{"wavelength", "", "absorbance:", ""}));
    EXPECT_EQ(r[head + 3], (std::vector<std::string>{"401.25", "", "3.000000E+03", ""}));
}

TEST(CsvTable, ATableOfAnotherShapeIsRefused) {
    Layout l;
    std::string t = Create({true, true, true}, kX, 3, &l);
    t = Add(t, &l, Shown({true, true, true}));
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
        std::string out = "untouched", error;
        Layout next;
        EXPECT_FALSE(Append(c.text, l, Shown({true, true, true}), &out, &next, &error)) << c.what;
        EXPECT_EQ(out, "untouched");
        EXPECT_FALSE(error.empty());
    }
    // Line ends of another system are no change of shape.
    std::string crlf;
    for (char ch : t)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    std::string out, error;
    Layout next;
    EXPECT_TRUE(Append(crlf, l, Shown({true, true, true}), &out, &next, &error)) << error;
}

TEST(CsvTable, CommaLocaleGivesDecimalCommasAndLeavesCInForce) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale";
    std::string t;
    {
        support_testing::UserLocaleScope scope(comma);
        Layout l;
        Column c = Shown({true, true, true});
        c.markers[0] = {1.5, 500.25};
        c.evalCase = EvalCase::A;
        c.width = 12.3456;
        c.threshold = 50;
        c.domWave = 555.5;
        t = Add(Create({true, true, true}, kX, 3, &l), &l, c);
    }
    const Rows r = Cells(t);
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
    Layout l;
    std::string t = Create({false, true, true}, kX, 3, &l);
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
    const Rows cells = Cells(t);
    std::ifstream seen(dir / "orvalin_table.python.tsv");
    int rows = 0;
    for (std::string line; std::getline(seen, line); ++rows) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        ASSERT_LT(rows, l.Rows());
        EXPECT_EQ(std::stoi(f[0]), l.columns + 2) << "row " << rows + 1;
        std::vector<std::string> expected = cells[static_cast<std::size_t>(rows)];
        expected.push_back(""); // after the last ";"
        EXPECT_EQ(std::vector<std::string>(f.begin() + 1, f.end()), expected);
    }
    EXPECT_EQ(rows, l.Rows());
}

TEST(CsvTable, ACrashDuringAnAppendLeavesTheEarlierTable) {
    const fs::path dir = fs::temp_directory_path() / ("csv_kill_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "t.csv").string();
    std::vector<double> x(2048), y(2048);
    for (int i = 0; i < 2048; ++i)
        x[i] = 300.0 + i * 0.25, y[i] = i * 1.5;
    Layout l;
    ASSERT_EQ(support::WriteFileAtomic(path, Create(kSpec, x.data(), 2048, &l)), 0);
    Column c = Shown(kSpec);
    c.x = x.data(), c.y = y.data(), c.points = 2048;
    for (int round = 0; round < 5; ++round) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Appends until killed, telling the parent after each column.
            close(done[0]);
            Layout mine = l;
            std::string error;
            while (AppendToFile(path, mine, c, &mine, &error) == AppendResult::Added) {
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
        const Rows r = Cells(text.str());
        ASSERT_EQ(r.size(), 2u + 1 + 2048);
        Layout now = l;
        now.columns = static_cast<int>(r[0].size()) - 1;
        EXPECT_GT(now.columns, l.columns);
        std::string out, error;
        Layout next;
        EXPECT_TRUE(Append(text.str(), now, c, &out, &next, &error)) << error;
        l = now;
    }
    fs::remove_all(dir);
}

TEST(CsvTable, AFailedWriteKeepsTheTableAndTheColumnCount) {
    const fs::path dir = fs::temp_directory_path() / ("csv_fail_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "t.csv").string();
    Layout l;
    ASSERT_EQ(support::WriteFileAtomic(path, Create(kSpec, kX, 3, &l)), 0);
    Layout next = l;
    std::string error;
    ASSERT_EQ(AppendToFile(path, l, Shown(kSpec), &next, &error), AppendResult::Added);
    const Layout before = next;
    std::ifstream in(path, std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();

    // A full disk, in a child so the file size limit stays there.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64, 64};
        setrlimit(RLIMIT_FSIZE, &small);
        Layout mine = before;
        const AppendResult r = AppendToFile(path, before, Shown(kSpec), &mine, &error);
        _exit(r == AppendResult::WriteFailed && mine.columns == before.columns ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream again(path, std::ios::binary);
    std::stringstream now;
    now << again.rdbuf();
    EXPECT_EQ(now.str(), saved.str());

    fs::remove(path);
    EXPECT_EQ(AppendToFile(path, before, Shown(kSpec), &next, &error), AppendResult::Unreadable);
    EXPECT_EQ(next.columns, before.columns);
    fs::remove_all(dir);
}
