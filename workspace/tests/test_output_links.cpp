// The CSV and ASCII links driven as a user would: menu entries, the SAVE
// button, continuous measurement.
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

#include "export/export_hooks.h"
#include "export/output_links.h"
#include "export/spectrum_file.h"
#include "files/dat_file.h"
#include "link/shared_state.h"
#include "orvalin_Protocol_ui.h"
#include "orvalin_ui.h"
#include "support/numfmt.h"
#include "support_testing/odd_files.h"
#include "test_measure_support.h"
#include "test_print_server.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "ui_testing/dialogs.h"
#include "workspace/axis_mode.h"
#include "workspace/measure.h"
#include "workspace/state.h"
#include "zoltmath.h"

namespace fs = std::filesystem;
using namespace measure_test;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Cells of the table's first row, the label included.
int Columns(const fs::path& table) {
    const std::string t = Slurp(table);
    const std::string first = t.substr(0, t.find('\n'));
    return static_cast<int>(std::count(first.begin(), first.end(), ';')) - 1;
}

int MenuDimmed(int item) {
    int v = -1;
    GetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, &v);
    return v;
}

int g_sheetWrites = 0;
void CountSheetWrite(int) {
    ++g_sheetWrites;
}

class OutputLinks : public MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        static int csvPanel = 0, opPanel = 0, page = 0, head = 0;
        if (csvPanel == 0) {
            const std::string dir = std::string(std::getenv("ORVALIN_SOURCE_DIR")) + "/workspace/";
            const std::string ui = dir + "orvalin.ui", prot = dir + "orvalin_Protocol.ui";
            csvPanel = LoadPanel(0, ui.c_str(), CSV_OUTPUT);
            opPanel = LoadPanel(0, ui.c_str(), PANEL_OP);
            page = LoadPanel(0, prot.c_str(), PROTOCOL1);
            head = LoadPanel(0, prot.c_str(), PRINT);
        }
        iCSVhandle = csvPanel;
        hOpPanel = opPanel;
        hPrtPanel = page;
        hPrtHead = head;
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_SPEC, 1);
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_MODE, 0);
        SetCtrlVal(iCSVhandle, CSV_OUTPUT_FWHM_PEAK_VALLEY, 0);
        set_DfltLinkSave();
        iNoExcel = iWithExcel = 0;
        g_sheetWrites = 0;
        g_exportHooks.main_WriteToXLS = CountSheetWrite;
        dir_ = fs::temp_directory_path() / ("links_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        iCSV = iASCII = 0;
        set_DfltLinkSave();
        fs::remove_all(dir_);
        MeasureTest::TearDown();
    }
    void StartCsv(const char* name = "t.csv") {
        popup_script::PushFile((dir_ / name).string(), VAL_NEW_FILE_SELECTED);
        StartCsvLink(hMenuBar, MENUBAR_stcsv, nullptr, hMainPanel);
        ASSERT_EQ(iCSV, 1) << links_LastError();
    }
    // Waits, with a deadline, for the link to stop and say why.
    bool TellsOfAStop() {
        const auto said = [] {
            return iCSV == 0 && !popup_script::Record().empty() &&
                   popup_script::Record().back().text.find("CSV link is stopped") !=
                       std::string::npos;
        };
        return QTest::qWaitFor(said, 10000);
    }
    void Continuous(int ticks) {
        SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
        ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
        Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
        for (int i = 0; i < ticks; ++i)
            ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        CancelContinuous();
    }
    fs::path dir_;
};

} // namespace

TEST_F(OutputLinks, ContinuousModeAddsAColumnPerTickUntilTheLinkStops) {
    StartCsv();
    EXPECT_EQ(MenuDimmed(MENUBAR_stcsv), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_endcsv), 0);
    EXPECT_EQ(Visible(MAINP_LED_CSV), 1);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 0);
    Continuous(3);
    // Continuous mode gave the link submenus back; only the CSV link's stay usable.
    EXPECT_EQ(MenuDimmed(MENUBAR_csv), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_excel), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_ascii), 1);

    // Stopping the link waits for its last column.
    StopCsvLink(hMenuBar, MENUBAR_endcsv, nullptr, hMainPanel);
    EXPECT_EQ(Columns(dir_ / "t.csv"), 3);
    EXPECT_NE(Slurp(dir_ / "t.csv").find("wavelength;dark:;dark:;dark:;"), std::string::npos);
    EXPECT_EQ(MenuDimmed(MENUBAR_excel), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_ascii), 0);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
    EXPECT_EQ(Visible(MAINP_LED_CSV), 0);
    Continuous(2);
    EXPECT_EQ(Columns(dir_ / "t.csv"), 3);
}

TEST_F(OutputLinks, SaveWritesToTheOneActiveLinkAfterAskingTheName) {
    StartCsv();
    iASCII = iNoExcel = 1; // whatever else is set, the CSV link alone gets it
    const auto save = [] { CallCtrlCallback(hMainPanel, MAINP_SAVE, EVENT_COMMIT, 0, 0); };
    popup_script::Clear();
    save(); // no measurement kind requested yet: nothing, not even the prompt
    EXPECT_TRUE(popup_script::Record().empty());
    ASSERT_EQ(Step(1), 0);
    popup_script::PushPrompt("x", false);
    save();
    csv_FlushTable();
    EXPECT_EQ(Columns(dir_ / "t.csv"), 0) << "a cancelled prompt saves nothing";
    popup_script::PushPrompt("sample 7");
    save();
    csv_FlushTable();
    EXPECT_EQ(Columns(dir_ / "t.csv"), 1);
    EXPECT_STREQ(cNameSpectrum, "sample 7");
    EXPECT_EQ(g_sheetWrites, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

TEST_F(OutputLinks, ATableGoneBetweenWritesStopsTheLink) {
    StartCsv();
    ASSERT_EQ(Step(1), 0);
    main_WriteCsv();
    csv_FlushTable();
    fs::rename(dir_ / "t.csv", dir_ / "moved.csv");
    main_WriteCsv();
    // Told at once, without another write.
    ASSERT_TRUE(TellsOfAStop());
    EXPECT_EQ(MenuDimmed(MENUBAR_stcsv), 0);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
    EXPECT_FALSE(fs::exists(dir_ / "t.csv"));
    EXPECT_EQ(Columns(dir_ / "moved.csv"), 1);
}

TEST_F(OutputLinks, StartsWithoutAFileSayWhy) {
    popup_script::PushFile("", VAL_NO_FILE_SELECTED);
    StartCsvLink(hMenuBar, MENUBAR_stcsv, nullptr, hMainPanel);
    popup_script::PushFile("", VAL_NO_FILE_SELECTED);
    StartAsciiLink(hMenuBar, MENUBAR_stascii, nullptr, hMainPanel);
    EXPECT_EQ(iCSV + iASCII, 0);
    EXPECT_EQ(ShownTexts(), (std::vector<std::string>{"(.CSV file) Name of file to save: *.csv",
                                                      "Error: File not created",
                                                      "(.DAT file) Name of File to Save: *.dat",
                                                      "Error: File isn't created"}));
}

TEST_F(OutputLinks, AsciiSeriesNumbersItsFilesAndAsksBeforeOverwriting) {
    const auto start = [&](bool overwrite) {
        popup_script::PushFile((dir_ / "spectrum.dat").string(), VAL_NEW_FILE_SELECTED);
        if (fs::exists(dir_ / "spectrum00000.dat"))
            popup_script::PushConfirm(overwrite);
        StartAsciiLink(hMenuBar, MENUBAR_stascii, nullptr, hMainPanel);
    };
    start(true);
    ASSERT_EQ(iASCII, 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_stascii), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_endascii), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_csv), 1);
    EXPECT_EQ(Visible(MAINP_LED_ASCII), 1);
    // The name typed into the box that opened, Enter as OK.
    SetCtrlVal(hOpPanel, PANEL_OP_OP_String, "");
    int open = -1;
    GetPanelAttribute(hOpPanel, ATTR_VISIBLE_PANEL, &open);
    ASSERT_EQ(open, 1);
    QTest::keyClicks(UiCtrlWidget(hOpPanel, PANEL_OP_OP_String), "Anna");
    QTest::keyClick(UiCtrlWidget(hOpPanel, PANEL_OP_OP_String), Qt::Key_Return);
    GetPanelAttribute(hOpPanel, ATTR_VISIBLE_PANEL, &open);
    EXPECT_EQ(open, 0);
    ASSERT_EQ(Step(1), 0);
    main_WriteCap();
    main_WriteCap();
    const std::string first = Slurp(dir_ / "spectrum00000.dat");
    EXPECT_EQ(first.rfind("Operator:    Anna\nDate:    ", 0), 0u);
    EXPECT_NE(first.find("wavelength    dark [counts]\n\n  "), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / "spectrum00001.dat"));

    StopAsciiLink(hMenuBar, MENUBAR_endascii, nullptr, hMainPanel);
    EXPECT_EQ(MenuDimmed(MENUBAR_endascii), 1);
    EXPECT_EQ(Visible(MAINP_LED_ASCII), 0);
    main_WriteCap();
    EXPECT_FALSE(fs::exists(dir_ / "spectrum00002.dat"));

    popup_script::Clear();
    start(false); // an earlier series: declining keeps its files
    EXPECT_EQ(iASCII, 0);
    EXPECT_EQ(popup_script::Record().back().kind, popup_script::Kind::Confirm);
    EXPECT_EQ(Slurp(dir_ / "spectrum00000.dat"), first);
}

// A series whose folder went away: the first file that cannot be written
// stops the link with one message, not one at every scan.
TEST_F(OutputLinks, AnAsciiFileThatCannotBeWrittenStopsTheLinkOnce) {
    fs::create_directory(dir_ / "gone");
    popup_script::PushFile((dir_ / "gone" / "run.dat").string(), VAL_NEW_FILE_SELECTED);
    StartAsciiLink(hMenuBar, MENUBAR_stascii, nullptr, hMainPanel);
    RemovePopup(hOpPanel);
    ASSERT_EQ(iASCII, 1);
    fs::remove(dir_ / "gone");
    popup_script::Clear();
    Continuous(3);
    ASSERT_EQ(ShownTexts().size(), 1u);
    EXPECT_NE(ShownTexts()[0].find("The ASCII link is stopped."), std::string::npos)
        << ShownTexts()[0];
    EXPECT_EQ(iASCII, 0);
    EXPECT_EQ(Visible(MAINP_LED_ASCII), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_stascii), 0);
}

// In the stored view SAVE writes the measured curve of the kind chosen
// under Graph, under that kind's title; a kind that only the loaded file
// holds is no measurement and is not saved.
TEST_F(OutputLinks, SaveInTheStoredViewWritesTheMeasuredCurveItsTitleNames) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    std::string error;
    ASSERT_TRUE(valfile_FillRecord(&stSavedMeas, "", &error)) << error;
    stSavedMeas.measured |= MEAS_TRANSMISSION;
    iFileOpen = 1; // as "Open..." leaves it
    const float* c = stSavedMeas.fit;
    zoltmath_Fitpolynom(dLambda2, c[0], c[1], c[2], c[3], c[4], stSavedMeas.pixelCount);
    SetMenuBarAttribute(hMenuBar, MENUBAR_FILE, ATTR_MENU_DIMMED, 0);
    UiPanelWidget(hMainPanel)->findChild<QAction*>("FILE")->trigger(); // stored data
    ASSERT_EQ(iCompare, 1);
    popup_script::PushFile((dir_ / "s.dat").string(), VAL_NEW_FILE_SELECTED);
    StartAsciiLink(hMenuBar, MENUBAR_stascii, nullptr, hMainPanel);
    ASSERT_EQ(iASCII, 1);
    RemovePopup(hOpPanel);
    auto* ring = qobject_cast<QComboBox*>(UiCtrlWidget(hMainPanel, MAINP_SELECT_GRAPH));
    const struct {
        int graph;
        const char* title; // nullptr: nothing saved
        const double* measured;
    } cases[] = {{SHOW_DARK, "dark [counts]", dDark},
                 {SHOW_REFERENCE, "reference [counts]", dReferenz},
                 {SHOW_TRANSMISSION, nullptr, nullptr}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.graph);
        const int want = ring->findData(k.graph);
        for (int i = 0; i < 8 && ring->currentIndex() != want; ++i)
            QTest::keyClick(ring, ring->currentIndex() < want ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(iSelect, k.graph);
        const int number = iCapFileNr;
        popup_script::Clear();
        popup_script::PushPrompt("probe");
        QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SAVE), Qt::LeftButton);
        const fs::path file = datfile::SeriesPath(dir_.string(), "s", number);
        if (k.title == nullptr) {
            EXPECT_FALSE(fs::exists(file));
            EXPECT_NE(ShownTexts().back().find("no measured spectrum"), std::string::npos);
            continue;
        }
        std::istringstream lines(Slurp(file));
        std::string line;
        int points = 0;
        while (std::getline(lines, line)) {
            if (line.find("wavelength    ") == 0) {
                EXPECT_EQ(line, std::string("wavelength    ") + k.title);
            }
            double x = 0.0, y = 0.0;
            if (line.rfind("  ", 0) != 0 || std::sscanf(line.c_str(), "%lf %lf", &x, &y) != 2)
                continue;
            int i = 0;
            while (i < stParam.pixelCount && std::fabs(dLambda[i] - x) > 0.006)
                ++i;
            ASSERT_LT(i, stParam.pixelCount) << line;
            EXPECT_NEAR(y, k.measured[i], 0.0006) << line;
            ++points;
        }
        EXPECT_GT(points, 100);
    }
    UiPanelWidget(hMainPanel)->findChild<QAction*>("KESTRO")->trigger(); // measured data
    iFileOpen = 0;
}

// What the user answered is what happens, and a failure says where and why.
TEST_F(OutputLinks, ChoosersAnswersAndFailuresAsTheUserMeetsThem) {
    const auto menu = [](const char* item) {
        return [item] { UiPanelWidget(hMainPanel)->findChild<QAction*>(item)->trigger(); };
    };
    const auto click = [](int panel, int control) {
        return [=] { QTest::mouseClick(UiCtrlWidget(panel, control), Qt::LeftButton); };
    };
    const fs::path unwritable = dir_ / "missing" / "protocol.pdf";
    std::ofstream(dir_ / "spectrum00000.dat") << "an earlier series";
    struct Case {
        const char* what;
        std::vector<popup_script::Answer> answers;
        std::function<void()> act;
        fs::path written;              // "" : nothing
        std::vector<std::string> said; // what the one message says; empty: no message
    } cases[] = {
        {"No to overwriting an earlier ASCII series",
         {{VAL_NEW_FILE_SELECTED, (dir_ / "spectrum.dat").string()}, {0, ""}},
         menu("stascii"),
         {},
         {}},
        {"a CSV table named without its extension",
         {{VAL_NEW_FILE_SELECTED, (dir_ / "table").string()}},
         menu("stcsv"),
         dir_ / "table.csv",
         {}},
        {"a protocol PDF in a missing folder",
         {{1, unwritable.string()}},
         click(hPrtHead, PRINT_CB_PRINT),
         {},
         {"Print Protocol: ", unwritable.string(), std::strerror(ENOENT)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        popup_script::Clear();
        for (const popup_script::Answer& a : c.answers)
            popup_script::Push(a);
        c.act();
        EXPECT_EQ(popup_script::Pending(), 0u);
        std::vector<std::string> messages;
        for (const popup_script::Shown& s : popup_script::Record()) {
            if (s.kind == popup_script::Kind::Message)
                messages.push_back(s.title + ": " + s.text);
        }
        ASSERT_EQ(messages.size(), c.said.empty() ? 0u : 1u)
            << (messages.empty() ? "" : messages[0]);
        for (const std::string& part : c.said)
            EXPECT_NE(messages[0].find(part), std::string::npos) << messages[0];
        EXPECT_TRUE(c.written.empty() || fs::exists(c.written));
    }
    EXPECT_EQ(iASCII, 0);
    EXPECT_EQ(iCSV, 1);
    EXPECT_STREQ(cCsvPath, (dir_ / "table.csv").c_str());
    EXPECT_FALSE(fs::exists(dir_ / "table"));
    EXPECT_FALSE(fs::exists(unwritable.parent_path()));
}

TEST_F(OutputLinks, SaveContinuousAsksForThePrefixOnlyWhenSwitchedOn) {
    const auto flip = [](int on) {
        SetCtrlVal(hMainPanel, MAINP_SAVECONT, on);
        CallCtrlCallback(hMainPanel, MAINP_SAVECONT, EVENT_COMMIT, 0, 0);
        int now = -1;
        GetCtrlVal(hMainPanel, MAINP_SAVECONT, &now);
        return now;
    };
    EXPECT_EQ(flip(0), 0);
    EXPECT_TRUE(popup_script::Record().empty());
    popup_script::PushPrompt("run", false);
    EXPECT_EQ(flip(1), 0) << "no prefix, no series";
    popup_script::PushPrompt("run");
    EXPECT_EQ(flip(1), 1);
    EXPECT_STREQ(cNameSpectrum, "run");
    EXPECT_EQ(ShownTexts().back(), "spectrum: Name prefix for the series of spectra");
}

// The table replaced by what cannot be a table: SAVE stops the link at once
// and says why, without reading a byte of it.
TEST_F(OutputLinks, ATableReplacedByAPipeDeviceOrFolderStopsTheLink) {
    const fs::path table = dir_ / "t.csv";
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"named pipe", [&] { ASSERT_TRUE(support_testing::MakeFifo(table)); }},
        {"link to /dev/full", [&] { fs::create_symlink("/dev/full", table); }},
        {"folder", [&] { fs::create_directory(table); }},
    };
    support_testing::HangGuard guard(30);
    for (const auto& [name, replace] : cases) {
        StartCsv();
        ASSERT_EQ(Step(1), 0);
        fs::remove(table);
        replace();
        popup_script::PushPrompt("sample");
        QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SAVE), Qt::LeftButton);
        ASSERT_TRUE(TellsOfAStop()) << name;
        const std::string said = popup_script::Record().back().text;
        EXPECT_NE(said.find("not a regular file"), std::string::npos) << name << ": " << said;
        EXPECT_NE(said.find("1 measurement was not added; the table holds the first 0"),
                  std::string::npos)
            << said;
        fs::remove(table);
    }
}

// After the user changes the display grid, a saved curve goes into the rows of
// its own wavelengths, or, where it has points the table has no row for, into
// no row at all: the link stops and says why.
TEST_F(OutputLinks, AfterAGridChangeEachValueStandsBesideItsOwnWavelength) {
    axis_RegisterCallbacks();
    UseAxisScalingPanel();
    const auto menu = [](const char* item) {
        UiPanelWidget(hMainPanel)->findChild<QAction*>(item)->trigger();
    };
    const auto start = [](int nm) {
        auto* field = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, MAINP_STARTWL));
        ASSERT_NE(field, nullptr);
        field->selectAll();
        QTest::keyClicks(field, QString::number(nm));
        QTest::keyClick(field, Qt::Key_Return);
    };
    const auto save = [] {
        popup_script::PushPrompt("sample");
        QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SAVE), Qt::LeftButton);
    };
    struct Case {
        const char* what;
        std::function<void()> change;
        bool added;
    } cases[] = {
        {"nothing", [] {}, true},
        {"a later start", [&] { start(500); }, true},
        {"linear 5 nm", [&] { menu("linear5"); }, false},
    };
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string(c.what) + ".csv";
        menu("no");
        start(0); // back to the whole range
        StartCsv(name.c_str());
        save();
        csv_FlushTable();
        const std::string before = Slurp(dir_ / name);
        c.change();
        popup_script::Clear();
        save();
        if (!c.added) {
            EXPECT_EQ(iCSV, 0);
            EXPECT_EQ(Slurp(dir_ / name), before);
            ASSERT_EQ(ShownTexts().size(), 2u);
            EXPECT_NE(ShownTexts()[1].find("start a new CSV table"), std::string::npos)
                << ShownTexts()[1];
            continue;
        }
        StopCsvLink(hMenuBar, MENUBAR_endcsv, nullptr, hMainPanel);
        // Every point of the curve shown, in the row of its wavelength.
        std::map<std::string, std::string> shown;
        for (int i = 0; i < iNumOfMeas; ++i)
            shown[support::FormatUser("%.2f", dXInterpolVal[i])] =
                support::FormatUser("%E", dYInterpolVal[i]);
        std::istringstream rows(Slurp(dir_ / name).substr(Slurp(dir_ / name).find("wavelength")));
        std::string row;
        std::getline(rows, row);
        std::size_t placed = 0;
        for (; std::getline(rows, row);) {
            const std::string label = row.substr(0, row.find(';'));
            const std::string last = row.substr(row.rfind(';', row.size() - 2) + 1);
            const auto point = shown.find(label);
            EXPECT_EQ(last, point == shown.end() ? ";" : point->second + ";") << row;
            placed += point != shown.end();
        }
        EXPECT_EQ(placed, shown.size());
        EXPECT_GT(placed, 0u);
    }
}

// Printing through the real print dialog to a real queue: each job carries
// its name; a queue that refuses jobs, or is deleted while the dialog is
// open, leaves nothing printed and the user is told why; a stopped queue
// keeps the job and the user is told so at once.
TEST_F(OutputLinks, PrintJobsAreNamedAndARefusingOrStoppedQueueIsTold) {
    print_test::PrintServer server;
    if (const std::string why = server.Start(); !why.empty())
        GTEST_SKIP() << why;
    const std::string q = std::string(" ") + print_test::kQueue;
    const auto screen = [] {
        UiPanelWidget(hMainPanel)->findChild<QAction*>("FILE_PRINT_SCREEN")->trigger();
    };
    const auto protocol = [] {
        QTest::mouseClick(UiCtrlWidget(hPrtHead, PRINT_CB_PRINT), Qt::LeftButton);
    };
    struct Case {
        std::function<void()> print;
        std::string queue;             // done to the queue first
        const char* job;               // the job's name in the queue; nullptr: no job
        std::vector<std::string> said; // what the one message says; empty: no message
        std::string whileOpen{};       // done to the queue while the dialog is open
    } cases[] = {
        {screen, "", "Orvalin screen", {}},
        {protocol, "", "Orvalin protocol", {}},
        {screen,
         "cupsreject -r 'toner empty'" + q,
         nullptr,
         {"Print: The window could not be printed:\nNothing was sent", q.substr(1), "toner empty"}},
        {protocol,
         "cupsdisable -r 'paper jam'" + q,
         "Orvalin protocol",
         {"Print Protocol: The job \"Orvalin protocol\" waits", "stopped (paper jam)"}},
        {protocol, "", nullptr, {"Nothing was sent", "it no longer exists"}, "lpadmin -x" + q},
    };
    struct RealDialogs {
        RealDialogs() { popup_script::Enable(false); }
        ~RealDialogs() { popup_script::Enable(true); }
    } real;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.queue + (c.job ? c.job : ""));
        // What the case before held goes before the queue starts again.
        ASSERT_EQ(server.Admin("cancel -a" + q + " && cupsenable" + q + " && cupsaccept" + q), 0);
        ASSERT_EQ(server.Admin(c.queue.empty() ? "true" : c.queue), 0);
        const std::size_t before = server.Jobs().size();
        std::vector<std::string> messages;
        EXPECT_TRUE(ui_testing::Answering(
            c.print,
            [&](QWidget* w) {
                if (auto* d = qobject_cast<QPrintDialog*>(w)) {
                    auto* printers = d->findChild<QComboBox*>("printers");
                    ASSERT_NE(printers, nullptr);
                    printers->setCurrentIndex(printers->findText(print_test::kQueue));
                    if (!c.whileOpen.empty()) {
                        ASSERT_EQ(server.Admin(c.whileOpen), 0);
                    }
                    QTest::mouseClick(
                        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                        Qt::LeftButton);
                } else if (auto* m = qobject_cast<QMessageBox*>(w)) {
                    messages.push_back(m->windowTitle().toStdString() + ": " +
                                       m->text().toStdString());
                    ui_testing::Click(*m, QMessageBox::Ok);
                }
            },
            // A slow print server (many tests at once) is not a failure.
            120));
        ASSERT_EQ(messages.size(), c.said.empty() ? 0u : 1u)
            << (messages.empty() ? "" : messages[0]);
        for (const std::string& part : c.said)
            EXPECT_NE(messages[0].find(part), std::string::npos) << messages[0];
        if (!c.whileOpen.empty())
            continue; // no queue is left to hold a job
        const std::vector<print_test::Job> jobs = server.Jobs();
        ASSERT_EQ(jobs.size(), before + (c.job ? 1 : 0));
        if (!c.job)
            continue;
        EXPECT_EQ(jobs.back().name, c.job);
        if (c.said.empty()) // printed: the job goes through to its end
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return server.Jobs().back().state == IPP_JSTATE_COMPLETED; }, 30000));
        else // held, and said so without waiting for it
            EXPECT_EQ(jobs.back().state, IPP_JSTATE_PENDING);
    }
}
