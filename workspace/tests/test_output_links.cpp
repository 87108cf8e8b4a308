// The CSV and ASCII links driven as a user would: menu entries, the SAVE
// button, continuous measurement.
#include <QAction>
#include <QComboBox>
#include <QTest>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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
#include "support_testing/odd_files.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
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
    void StartCsv() {
        popup_script::PushFile((dir_ / "t.csv").string(), VAL_NEW_FILE_SELECTED);
        StartCsvLink(hMenuBar, MENUBAR_stcsv, nullptr, hMainPanel);
        ASSERT_EQ(iCSV, 1) << links_LastError();
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
    EXPECT_EQ(Columns(dir_ / "t.csv"), 3);
    EXPECT_NE(Slurp(dir_ / "t.csv").find("wavelength;dark:;dark:;dark:;"), std::string::npos);
    // Continuous mode gave the link submenus back; only the CSV link's stay usable.
    EXPECT_EQ(MenuDimmed(MENUBAR_csv), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_excel), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_ascii), 1);

    StopCsvLink(hMenuBar, MENUBAR_endcsv, nullptr, hMainPanel);
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
    EXPECT_EQ(Columns(dir_ / "t.csv"), 0) << "a cancelled prompt saves nothing";
    popup_script::PushPrompt("sample 7");
    save();
    EXPECT_EQ(Columns(dir_ / "t.csv"), 1);
    EXPECT_STREQ(cNameSpectrum, "sample 7");
    EXPECT_EQ(g_sheetWrites, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

TEST_F(OutputLinks, ATableGoneBetweenWritesStopsTheLink) {
    StartCsv();
    ASSERT_EQ(Step(1), 0);
    main_WriteCsv();
    fs::rename(dir_ / "t.csv", dir_ / "moved.csv");
    main_WriteCsv();
    EXPECT_EQ(iCSV, 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_stcsv), 0);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
    ASSERT_FALSE(popup_script::Record().empty());
    EXPECT_NE(popup_script::Record().back().text.find("CSV link is stopped"), std::string::npos);
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
    SetCtrlVal(hOpPanel, PANEL_OP_OP_String, "Anna");
    CallCtrlCallback(hOpPanel, PANEL_OP_COMMANDBUTTON, EVENT_COMMIT, 0, 0);
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
        EXPECT_EQ(iCSV, 0) << name;
        ASSERT_FALSE(popup_script::Record().empty()) << name;
        EXPECT_NE(popup_script::Record().back().text.find("not a regular file"), std::string::npos)
            << name << ": " << popup_script::Record().back().text;
        fs::remove(table);
    }
}
