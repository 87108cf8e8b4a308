#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "book/calc_app.h"
#include "support_testing/child_group.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder, removed again however the test ends.
struct FreshDir {
    fs::path path;
    explicit FreshDir(const char* name)
        : path(fs::temp_directory_path() / (std::string(name) + std::to_string(getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~FreshDir() { fs::remove_all(path); }
};

// One call of the spreadsheet output: a text cell, or numbers down a column.
struct Write {
    std::string ref;
    std::string text;
    std::vector<double> values;
};

// A description column and two data columns, laid out as the spreadsheet
// output does with marker rows and spectrum values on.
std::vector<Write> TwoMeasurements(int points) {
    std::vector<double> x(static_cast<std::size_t>(points)), y1(x.size()), y2(x.size());
    for (int i = 0; i < points; ++i) {
        x[static_cast<std::size_t>(i)] = 190.0 + i * 0.4443359375;
        y1[static_cast<std::size_t>(i)] = std::sin(i * 0.01) * 98.765432109876;
        y2[static_cast<std::size_t>(i)] = 1.0 / (i + 3.0);
    }
    y2[7] = std::numeric_limits<double>::quiet_NaN(); // leaves its cell empty
    const std::string last = std::to_string(19 + points);
    return {
        {"A1", "SN: ZS10001", {}},
        {"A4", "Integration time [ms]", {}},
        {"A19", "Wavelength [nm]", {}},
        {"A20:A" + last, "", x},
        {"B1", "sample 1", {}},
        {"B2", "transmission", {}},
        {"B3", "3.7.2024 10:11:12", {}},
        {"B4", "", {10.125}},
        {"B6", "12,34 @ 500,00 nm", {}},
        {"B9", "0,50 @ 656,28 nm", {}},
        {"B20:B" + last, "", y1},
        // A name the user typed stays text, however it starts.
        {"C1", "=SUM(1;2)\tnext\nline", {}},
        {"C2", "2. derivation", {}},
        {"C3", "3.7.2024 10:11:14", {}},
        {"C4", "", {0.001}},
        {"C17", "99,00 @ 1099,99 nm", {}},
        {"C20:C" + last, "", y2},
    };
}

// Zero-based (row, column) -> "S text" or "N value".
using Cells = std::map<std::pair<int, int>, std::string>;

std::string Num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "N %.17g", v);
    return buf;
}

// The office keeps 15 significant digits in the file.
bool Same(const std::string& got, const std::string& want) {
    if (got.rfind("N ", 0) != 0 || want.rfind("N ", 0) != 0)
        return got == want;
    const double g = std::stod(got.substr(2)), w = std::stod(want.substr(2));
    return std::fabs(g - w) <= std::fabs(w) * 1e-14;
}

Cells Expected(const std::vector<Write>& writes) {
    Cells cells;
    for (const auto& w : writes) {
        const int col = w.ref[0] - 'A';
        const int row = std::atoi(w.ref.c_str() + 1) - 1;
        if (w.values.empty())
            cells[{row, col}] = "S " + w.text;
        for (std::size_t i = 0; i < w.values.size(); ++i)
            if (std::isfinite(w.values[i]))
                cells[{row + static_cast<int>(i), col}] = Num(w.values[i]);
    }
    return cells;
}

// The workbook as an independent reader sees it; status 77 when it is missing.
int ReadBook(const fs::path& file, Cells* cells) {
    const std::string cmd = "/usr/bin/python3 " BOOK_READER_PY " '" + file.string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int st = ::pclose(p);
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        int r = 0, c = 0, used = 0;
        char kind = 0;
        if (std::sscanf(line.c_str(), "%d\t%d\t%c\t%n", &r, &c, &kind, &used) < 3)
            continue;
        const std::string v = line.substr(static_cast<std::size_t>(used));
        std::string text;
        for (std::size_t i = 0; i < v.size(); ++i) {
            char ch = v[i];
            if (ch == '\\' && i + 1 < v.size())
                ch = v[++i] == 't' ? '\t' : v[i] == 'n' ? '\n' : v[i];
            text += ch;
        }
        (*cells)[{r, c}] = kind == 'S' ? "S " + text : Num(std::stod(text));
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

int OfficeMajor(const std::string& office) {
    FILE* p = ::popen((office + " --version 2>/dev/null").c_str(), "r");
    char buf[256] = {};
    const bool got = p && std::fgets(buf, sizeof buf, p);
    if (p)
        ::pclose(p);
    const char* digit = got ? std::strpbrk(buf, "0123456789") : nullptr;
    return digit ? std::atoi(digit) : 0;
}

TEST(CalcApp, TwoMeasurementsReachTheWorkbook) {
    const FreshDir fresh("orvalin-calc-test-");
    const fs::path& dir = fresh.path;
    book::CalcOptions options;
    options.visible = false;
    options.keepCopy = (dir / "live.xlsx").string();
    // One hang costs at most this, then the office is killed; later calls fail at once.
    options.timeoutMs = 60000;
    if (!book::FindCalc(&options))
        GTEST_SKIP() << "skipped: no LibreOffice";
    auto app = book::MakeCalcApp(options);
    const int started = app->Start();
    if (started == book::kAppUnreachable &&
        app->ErrorText(started).find("python3-uno") != std::string::npos)
        GTEST_SKIP() << "skipped: no LibreOffice";
    ASSERT_EQ(started, 0) << app->ErrorText(started);
    EXPECT_EQ(app->WriteCell("A1", "early"), book::kAppNoWorkbook);
    ASSERT_EQ(app->NewWorkbook(), 0);
    EXPECT_EQ(app->Version(), OfficeMajor(options.office));
    EXPECT_EQ(app->SelectWorksheet(1), 0);
    EXPECT_EQ(app->SelectWorksheet(2), book::kAppNoWorksheet);
    const double one = 1.0;
    EXPECT_EQ(app->WriteRange("B6:B8", &one, 1), book::kAppBadReference);
    EXPECT_EQ(app->WriteCell("XFE1", "beyond"), book::kAppBadReference);

    const auto writes = TwoMeasurements(2048);
    for (const auto& w : writes) {
        const int rc = w.values.empty() ? app->WriteCell(w.ref, w.text)
                                        : app->WriteRange(w.ref, w.values.data(),
                                                          static_cast<int>(w.values.size()));
        ASSERT_EQ(rc, 0) << w.ref << ": " << app->ErrorText(rc);
    }
    ASSERT_EQ(app->Quit(), 0) << app->ErrorText(book::kAppRefused);
    EXPECT_EQ(app->WriteCell("D1", "after"), book::kAppNotStarted);

    Cells got;
    const int rc = ReadBook(options.keepCopy, &got);
    if (rc == 77)
        GTEST_SKIP() << "openpyxl is not installed";
    ASSERT_EQ(rc, 0);
    const Cells want = Expected(writes);
    EXPECT_EQ(got.size(), want.size());
    for (const auto& [at, value] : want) {
        const auto it = got.find(at);
        const std::string cell = it == got.end() ? "(empty)" : it->second;
        ASSERT_TRUE(Same(cell, value)) << "row " << at.first + 1 << ", column " << at.second + 1
                                       << ": " << cell << " instead of " << value;
    }
}

// An office killed under a live link: the next call says the application is
// lost, the helper ends with it, and nothing more is asked of either.
TEST(CalcApp, AKilledOfficeIsLostAndTakesItsHelperAlong) {
    book::CalcOptions options;
    options.visible = false;
    options.timeoutMs = 60000;
    if (!book::FindCalc(&options))
        GTEST_SKIP() << "skipped: no LibreOffice";
    auto app = book::MakeCalcApp(options);
    const int started = app->Start();
    if (started == book::kAppUnreachable)
        GTEST_SKIP() << app->ErrorText(started);
    ASSERT_EQ(app->NewWorkbook(), 0);
    ASSERT_GT(support_testing::KillChildGroupMembers("orvalin_calc.py"), 0);
    const double v = 1.0;
    EXPECT_EQ(app->WriteRange("A1", &v, 1), book::kAppLost);
    EXPECT_FALSE(support_testing::ChildRuns("orvalin_calc.py"));
    EXPECT_EQ(app->Quit(), book::kAppNotStarted);
}

// Where the office cannot be driven, Start fails as unreachable, every later
// call as not started, and nothing is left behind: no file, no process.
TEST(CalcApp, UnreachableOfficeLeavesNothingBehind) {
    const FreshDir fresh("orvalin-calc-none-");
    const fs::path& dir = fresh.path;
    // A helper that never answers, with a child standing in for an office.
    const fs::path mute = dir / "mute.py";
    std::ofstream(mute)
        << "import os, subprocess, sys, time\n"
           "c = subprocess.Popen(['sleep', '60'])\n"
           "open(sys.argv[0] + '.pids', 'w').write('%d %d' % (os.getpid(), c.pid))\n"
           "time.sleep(60)\n";
    const struct {
        const char* what;
        std::string python, helper, office;
        int timeoutMs;
    } cases[] = {
        {"no interpreter", "/nonexistent/python3", "", "", 60000},
        {"no helper", "/usr/bin/python3", (dir / "missing.py").string(), "", 60000},
        {"no office", "/usr/bin/python3", "", "/nonexistent/soffice", 60000},
        {"office exits", "/usr/bin/python3", "", "/bin/false", 60000},
        {"helper mute", "/usr/bin/python3", mute.string(), "", 1500},
    };
    for (const auto& c : cases) {
        book::CalcOptions options;
        book::FindCalc(&options);
        options.visible = false;
        options.python = c.python;
        options.helper = c.helper.empty() ? options.helper : c.helper;
        options.office = c.office.empty() ? options.office : c.office;
        options.keepCopy = (dir / "never.xlsx").string();
        options.timeoutMs = c.timeoutMs;
        auto app = book::MakeCalcApp(options);
        const int rc = app->Start();
        EXPECT_EQ(rc, book::kAppUnreachable) << c.what;
        EXPECT_EQ(app->ErrorText(rc).rfind(book::AppErrorText(rc), 0), 0u) << c.what;
        EXPECT_EQ(app->NewWorkbook(), book::kAppNotStarted) << c.what;
        EXPECT_EQ(app->WriteCell("A1", "x"), book::kAppNotStarted) << c.what;
        EXPECT_EQ(app->Quit(), book::kAppNotStarted) << c.what;
        EXPECT_FALSE(fs::exists(options.keepCopy)) << c.what;
    }
    // The mute helper and its child were killed together.
    int helperPid = 0, childPid = 0;
    std::ifstream(mute.string() + ".pids") >> helperPid >> childPid;
    ASSERT_GT(childPid, 0);
    for (int pid : {helperPid, childPid}) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, name, state;
        stat >> pidField >> name >> state;
        EXPECT_TRUE(!stat || state == "Z") << pid << " still runs";
    }

    // With no office on PATH the machine's back end is the unreachable one.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", dir.c_str(), 1);
    auto app = book::MakeLiveApp();
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(app->Start(), book::kAppUnreachable);
    EXPECT_EQ(app->WriteCell("A1", "x"), book::kAppNotStarted);
}

} // namespace
