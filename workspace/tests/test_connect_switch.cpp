// The Connection switch and the sensor lists as the user meets them: clicks
// on the real switch and measure button, a bench control file, an offline
// start, a start from another working folder.
#include <QKeySequence>
#include <QTest>
#include <QWidget>
#include <qcustomplot.h>

#include "parameters/parameters_state.h"
#include "support_testing/scoped_cwd.h"
#include "test_startup_support.h"
#include "ui/ui_qt.h"
#include "workspace/measure.h"

using startup_test::StartupTest;

namespace {

// The instrument's clock stands but for the measurement's waits.
double g_now = 0.0;
double Clock() {
    return g_now;
}

class ConnectSwitchTest : public StartupTest {
  protected:
    void SetUp() override {
        StartupTest::SetUp();
        iSiCont = 0; // single measurements, as the program starts
        zsim_SetClock(Clock);
        measure_SetClock([] { return g_now += 0.01; });
    }
    void TearDown() override {
        unsetenv("ZOLT_SIM_CONFIG");
        measure_SetClock(nullptr);
        measure_ResetState();
        StartupTest::TearDown();
    }

    static void Click(int control) {
        QTest::mouseClick(UiCtrlWidget(hMainPanel, control), Qt::LeftButton);
    }

    // A dark spectrum by its button; true when one came.
    static bool MeasureDark() {
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
        iMess = 0;
        Click(MAINP_DARK);
        return (iMess & MEAS_DARK) != 0 && dDark != nullptr && dDark[100] > 0.0;
    }

    static bool Said(const std::string& text) {
        for (const auto& shown : popup_script::Record())
            if (shown.text == text)
                return true;
        return false;
    }

    // Starts on an instrument whose cable a bench file pulls and plugs;
    // returns that file.
    std::string StartOnBench() {
        const std::string bench = dir_ + "/bench.txt", config = dir_ + "/bench.ini";
        std::ofstream(config) << "[device]\ncontrol = " << bench << "\n";
        setenv("ZOLT_SIM_CONFIG", config.c_str(), 1);
        zsim_Reset();
        zsim_SetClock(Clock);
        StartUp();
        return bench;
    }

    static std::string Title() {
        std::string title;
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &title);
        return title;
    }
};

const std::string kNotConnected = "Could not connect to device! Switched to offline mode.";

} // namespace

// The cable pulled at the bench during a measurement, the switch off, the
// cable plugged in, the switch on: the program measures again.
TEST_F(ConnectSwitchTest, CablePluggedInWhileOfflineIsFoundWhenSwitchedOn) {
    const std::string bench = StartOnBench();
    ASSERT_TRUE(MeasureDark());

    std::ofstream(bench, std::ios::app) << "unplug\n";
    EXPECT_FALSE(MeasureDark());
    Click(MAINP_SWITCHCONNECT);
    ASSERT_EQ(iOffline, 1);
    std::ofstream(bench, std::ios::app) << "plug\n";
    popup_script::Clear();
    Click(MAINP_SWITCHCONNECT);
    EXPECT_FALSE(Said(kNotConnected));
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(Title(), "Orvalin # ZS10001");
    EXPECT_TRUE(MeasureDark());
}

// The cable pulled while the parameter window is open: its closing cannot
// read the basic parameters, and the program goes offline and shows it, so
// that plugged in and switched on it measures again.
TEST_F(ConnectSwitchTest, FailedParameterReadTakesTheProgramOffline) {
    const std::string bench = StartOnBench();
    DisplayPanel(hMainPanel);
    ASSERT_TRUE(MeasureDark());
    QTest::keySequence(UiPanelWidget(hMainPanel), QKeySequence("*"));
    int open = 0;
    GetPanelAttribute(hParUtil, ATTR_VISIBLE_PANEL, &open);
    ASSERT_EQ(open, 1);

    zsim_Unplug(0);
    popup_script::Clear();
    QTest::keyClick(UiPanelWidget(hParUtil), Qt::Key_Escape);
    EXPECT_TRUE(Said("Could not read parameter from device!"));
    int on = -1, dark = -1;
    GetCtrlVal(hMainPanel, MAINP_SWITCHCONNECT, &on);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_DIMMED, &dark);
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(Title(), "Orvalin (offline)");
    EXPECT_EQ(on, 0);
    EXPECT_EQ(dark, 1);

    std::ofstream(bench, std::ios::app) << "plug\n";
    Click(MAINP_SWITCHCONNECT);
    ASSERT_EQ(iOffline, 0);
    EXPECT_TRUE(MeasureDark());
}

// "OFFLINE" holds for the start only: switched on, the program searches and
// connects to what is there, or says why it cannot.
TEST_F(ConnectSwitchTest, OfflineStartSwitchedOnSearches) {
    for (const bool present : {true, false}) {
        SCOPED_TRACE(present);
        std::snprintf(sArg1, sizeof sArg1, "OFFLINE");
        StartUp();
        ASSERT_EQ(iOffline, 1);
        if (!present)
            zsim_ClearDevices();
        popup_script::Clear();
        Click(MAINP_SWITCHCONNECT);
        EXPECT_EQ(iOffline, present ? 0 : 1);
        EXPECT_EQ(Title(), present ? "Orvalin # ZS10001" : "Orvalin (offline)");
        EXPECT_EQ(Said("No device found! Switched to offline mode."), !present);
        EXPECT_EQ(present && MeasureDark(), present);
        TearDown();
        SetUp();
    }
}

// Started from another working folder the sensor lists beside the program
// are found; a list in the working folder comes first.
TEST_F(ConnectSwitchTest, SensorListsBesideTheProgramWhenNotInTheWorkingFolder) {
    support_testing::ScopedCwd cwd(dir_);
    for (const bool own : {false, true}) {
        SCOPED_TRACE(own);
        if (own)
            std::ofstream("SPECSENs.ini") << "Head 0 0\nZOLT:list 1 1\nMine 42 0\n";
        StartUp();
        EXPECT_FALSE(Said("Could not read sensor list!"));
        int count = 0;
        GetNumListItems(hTabSens, TAB_SENS_UT_SENS, &count);
        std::string first;
        GetLabelFromIndex(hTabSens, TAB_SENS_UT_SENS, 0, &first);
        EXPECT_GT(count, 0);
        EXPECT_EQ(first == "042    Mine", own) << first;
        TearDown();
        SetUp();
        std::filesystem::current_path(dir_);
    }
}

// Offline the graph shows nothing: no curve, and no cursor line left from the
// last one; measured again, both are back.
TEST_F(ConnectSwitchTest, SwitchedOffTheGraphShowsNoLine) {
    StartUp();
    auto* graph = qobject_cast<QCustomPlot*>(UiCtrlWidget(hMainPanel, MAINP_SPECGRAPH));
    ASSERT_NE(graph, nullptr);
    auto shown = [graph] {
        int n = 0;
        for (int i = 0; i < graph->itemCount(); ++i)
            n += graph->item(i)->visible() ? 1 : 0;
        for (int i = 0; i < graph->plottableCount(); ++i)
            n += graph->plottable(i)->visible() ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(MeasureDark());
    const int online = shown();
    ASSERT_GT(online, 1) << "a curve and its cursor";
    Click(MAINP_SWITCHCONNECT);
    ASSERT_EQ(iOffline, 1);
    EXPECT_EQ(shown(), 0);
    Click(MAINP_SWITCHCONNECT);
    ASSERT_TRUE(MeasureDark());
    EXPECT_EQ(shown(), online);
}
