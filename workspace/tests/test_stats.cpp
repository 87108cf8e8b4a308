// Statistics over a run of measurements and the series view, against the
// simulated instrument.
#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <qcustomplot.h>

#include "orvalin_ui.h"
#include "support/numfmt.h"
#include "support_testing/comma_locale.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "user_input.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/stats.h"

using namespace measure_test;
using user_input::Choose;
using user_input::Click;
using Store = std::vector<std::vector<double>>;

namespace {

std::string DataFile(const char* name) {
    return std::string(ORVALIN_UI_SOURCE_DIR) + "/tests/data/" + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        out.push_back(line);
    return out;
}

// The measurements of the committed fixture, each with room for its maximum.
Store FixtureInput() {
    Store values;
    for (const std::string& line : Lines(ReadAll(DataFile("stats_input.csv")))) {
        std::vector<double> row;
        std::stringstream s(line);
        for (std::string field; std::getline(s, field, ';');) {
            double v = 0.0;
            EXPECT_TRUE(support::ParseDoubleC(field.c_str(), &v)) << field;
            row.push_back(v);
        }
        row.push_back(0.0);
        values.push_back(row);
    }
    return values;
}

int Count(const std::string& shown) {
    int n = 0;
    for (const std::string& s : ShownTexts())
        n += s == shown;
    return n;
}

class StatsTest : public MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        static int statPar = 0, progress = 0, fftPar = 0, axis = 0;
        if (statPar == 0) {
            const std::string ui = std::string(ORVALIN_UI_SOURCE_DIR) + "/orvalin.ui";
            statPar = LoadPanel(0, ui.c_str(), STAT_PARAM);
            progress = LoadPanel(hMainPanel, ui.c_str(), PROGRESS_P);
            fftPar = LoadPanel(hMainPanel, ui.c_str(), FFT_PARAM);
            axis = LoadPanel(0, ui.c_str(), AXISSCAL);
        }
        ASSERT_GT(statPar, 0);
        hStatPar = statPar;
        hProgressPanel = progress;
        hFFTParPanel = fftPar;
        hAxisScaling = axis;
        iPxlWlMode = iXAchse = 0; // statistics and series work on pixels
        SetCtrlVal(hMainPanel, MAINP_STARTWL, 0);
        SetCtrlVal(hMainPanel, MAINP_ENDWL, stParam.pixelCount - 1);
        iStartPixel = 0;
        iEndPixel = stParam.pixelCount - 1;
        // Set at start-up.
        std::snprintf(cStatMsg1, sizeof cStatMsg1, "The given number of measurements is reached.");
        std::snprintf(cStatMsg2, sizeof cStatMsg2, "Statistics is stopped");
        main_StatisticsCloseDelete();
        main_FreeFFTValues();
        SetMenuBarAttribute(hMenuBar, MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, "Start Statistics");
        SetMenuBarAttribute(hMenuBar, MENUBAR_TABLE_MENU, ATTR_MENU_DIMMED, 1);
        SetMenuBarAttribute(hMenuBar, MENUBAR_MATH_FFT, ATTR_MENU_DIMMED, 0);
        popup_script::Clear();
    }

    void StartStatistics(int radio, int count) {
        StatistParamMenu(hMenuBar, MENUBAR_PARAM_MENU, nullptr, hMainPanel);
        CallCtrlCallback(hStatPar, radio, EVENT_COMMIT, 0, 0);
        SetCtrlVal(hStatPar, STAT_PARAM_NUM_OF_MEAS, count);
        CallCtrlCallback(hStatPar, STAT_PARAM_CB_STAT_PARAM, EVENT_COMMIT, 0, 0);
    }

    // Dark steps; returns copies of the spectra.
    Store Darks(int n) {
        Store out;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(Step(MEAS_DARK), 0);
            out.emplace_back(dDark, dDark + stParam.pixelCount);
        }
        return out;
    }

    void ArmSeries(int radio, int count) {
        MathFFT(hMenuBar, MENUBAR_MATH_FFT, nullptr, hMainPanel);
        CallCtrlCallback(hFFTParPanel, radio, EVENT_COMMIT, 0, 0);
        SetCtrlVal(hFFTParPanel, FFT_PARAM_NUM_OF_FFT, count);
        CallCtrlCallback(hFFTParPanel, FFT_PARAM_FFT_PARAM_OK, EVENT_COMMIT, 0, 0);
    }

    // An empty cell: NaN.
    static double Cell(int row, int column) {
        std::string shown;
        double v = NAN;
        if (GetTableCellVal(hStatTable, STATISTICS_TABLE, row, column, &shown) == 0 &&
            !shown.empty())
            GetTableCellVal(hStatTable, STATISTICS_TABLE, row, column, &v);
        return v;
    }
    static int Menu(int item, int attr) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, attr, &v);
        return v;
    }
    static int PanelVisible(int panel) {
        int v = -1;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, &v);
        return v;
    }
    static int Plots() {
        int n = -1;
        GetNumGraphPlots(hMainPanel, MAINP_SPECGRAPH, &n);
        return n;
    }
};

// ------------------------------------------------------------ computation
TEST(StatsCompute, KnownValues) {
    const double nan = NAN;
    struct Case {
        const char* what;
        Store values;
        std::vector<double> average, stdDev; // per pixel
        double meanStdDev;
    } cases[] = {
        {"[1, 2, 3]", {{1, 0}, {2, 0}, {3, 0}}, {2}, {1}, 1},
        // The maxima entry (10 and 20) has a deviation too; it is no pixel.
        {"maxima excluded",
         {{0, 10, 0}, {0, 20, 0}},
         {0, 15},
         {0, std::sqrt(50.0)},
         std::sqrt(50.0) / 2},
        {"one measurement", {{4, 7, 0}}, {4, 7}, {nan, nan}, nan},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stat_val.meanStdDev = Stat_val.maxStdDev = 99.0; // an earlier run
        const int pixels = static_cast<int>(c.average.size());
        ASSERT_EQ(stats_Compute(c.values, static_cast<int>(c.values.size()) + 1), pixels);
        for (int p = 0; p < pixels; ++p) {
            EXPECT_DOUBLE_EQ(Stat_val.average[p], c.average[p]);
            if (std::isnan(c.stdDev[p]))
                EXPECT_TRUE(std::isnan(Stat_val.stdDev[p]));
            else
                EXPECT_NEAR(Stat_val.stdDev[p], c.stdDev[p], 1e-12);
        }
        if (std::isnan(c.meanStdDev))
            EXPECT_TRUE(std::isnan(Stat_val.meanStdDev) && std::isnan(Stat_val.maxStdDev));
        else
            EXPECT_NEAR(Stat_val.meanStdDev, c.meanStdDev, 1e-12);
        EXPECT_EQ(Stat_val.sum, std::vector<double>(pixels + 1, 0.0));
    }
}

// The maximum of each spectrum, wherever it lies against the four-wide
// groups the computation walks in, and the largest mean.
TEST(StatsCompute, MaximumWhereverItLies) {
    for (int pixels : {1, 3, 4, 5, 8, 11})
        for (int at = 0; at < pixels; ++at) {
            SCOPED_TRACE(testing::Message() << pixels << " pixels, largest at " << at);
            std::vector<double> row(static_cast<std::size_t>(pixels) + 1, -1.0);
            row[static_cast<std::size_t>(at)] = 5.0;
            Store values{row, row};
            ASSERT_EQ(stats_Compute(values, 3), pixels);
            EXPECT_EQ(values[0].back(), 5.0);
            EXPECT_EQ(Stat_val.maxAverage, 5.0);
        }
}

TEST(StatsFile, MatchesTheFixtureUnderBothDecimalSeparators) {
    std::tm when{};
    when.tm_year = 2016 - 1900;
    when.tm_mon = 4;
    when.tm_mday = 3;
    when.tm_hour = 9;
    when.tm_min = 7;
    when.tm_sec = 30;
    const std::string comma = support_testing::CommaLocale();
    struct Case {
        std::string locale;
        const char* fixture;
    } cases[] = {{"C", "stats_expected.csv"}, {comma, "stats_expected_comma.csv"}};
    for (const Case& c : cases) {
        if (c.locale.empty())
            GTEST_SKIP() << "no comma locale available";
        SCOPED_TRACE(c.fixture);
        support_testing::UserLocaleScope scope(c.locale);
        Store values = FixtureInput();
        ASSERT_GT(stats_Compute(values, static_cast<int>(values.size()) + 1), 0);
        EXPECT_EQ(stats_FileText(values, when), ReadAll(DataFile(c.fixture)));
    }
}

// -------------------------------------------------------------- the run
TEST_F(StatsTest, RunOfTwentyMatchesAnIndependentMeanAndDeviation) {
    StartStatistics(STAT_PARAM_RB_DARK, 20);
    EXPECT_EQ(iStatisticsParam, MEAS_DARK);
    EXPECT_EQ(Visible(MAINP_TXT_STATISTICS_DARK), 1);
    std::string label;
    GetMenuBarAttribute(hMenuBar, MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, &label);
    EXPECT_EQ(label, "Stop Statistics");

    const Store runs = Darks(20);
    Darks(2); // after the run: not stored
    const int pixels = stParam.pixelCount;

    // Welford's running mean and deviation.
    std::vector<double> mean(pixels, 0.0), m2(pixels, 0.0);
    for (std::size_t k = 0; k < runs.size(); ++k)
        for (int p = 0; p < pixels; ++p) {
            const double d = runs[k][p] - mean[p];
            mean[p] += d / (k + 1.0);
            m2[p] += d * (runs[k][p] - mean[p]);
        }
    double sdTotal = 0.0, maxMean = mean[0];
    for (int p = 0; p < pixels; ++p) {
        const double sd = std::sqrt(m2[p] / 19.0);
        sdTotal += sd;
        maxMean = std::max(maxMean, mean[p]);
        ASSERT_NEAR(Cell(p + 3, 1), mean[p], 1e-9 * (1 + std::fabs(mean[p])));
        ASSERT_NEAR(Cell(p + 3, 2), sd, 1e-9 * (1 + sd));
        for (int k = 0; k < 20; ++k)
            ASSERT_EQ(Cell(p + 3, k + 3), runs[k][p]);
    }
    EXPECT_GT(sdTotal, 0.0); // the simulated dark is noisy
    EXPECT_NEAR(Cell(1, 2), sdTotal / pixels, 1e-9);
    EXPECT_NEAR(Cell(2, 1), maxMean, 1e-9);
    EXPECT_EQ(Cell(2, 3), *std::max_element(runs[0].begin(), runs[0].end()));

    EXPECT_EQ(Count("Message: The given number of measurements is reached."), 1);
    EXPECT_EQ(iStatisticsParam, 0);
    EXPECT_EQ(Visible(MAINP_TXT_STATISTICS_DARK), 0);
    EXPECT_EQ(PanelVisible(hStatTable), 1);
    EXPECT_EQ(PanelVisible(hProgressPanel), 0);
    std::string title;
    GetPanelAttribute(hStatTable, ATTR_TITLE, &title);
    EXPECT_EQ(title, "Statistics of dark measurements");
    GetMenuBarAttribute(hMenuBar, MENUBAR_PARAM_MENU, ATTR_ITEM_NAME, &label);
    EXPECT_EQ(label, "Start Statistics");
    EXPECT_EQ(Menu(MENUBAR_TABLE_MENU, ATTR_MENU_DIMMED), 0);
    int shown = 0;
    GetCtrlVal(hStatTable, STATISTICS_NUM_MEAS, &shown);
    EXPECT_EQ(shown, 20);
}

TEST_F(StatsTest, EveryCellShowsItsWholeNumberAtTheTablesPrecision) {
    StartStatistics(STAT_PARAM_RB_DARK, 3);
    Darks(3);
    auto* view = qobject_cast<QTableView*>(UiCtrlWidget(hStatTable, STATISTICS_TABLE));
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->columnCount(), 5);
    for (int c = 0; c < model->columnCount(); ++c)
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString shown = model->index(r, c).data().toString();
            const double v = Cell(r + 1, c + 1);
            if (std::isnan(v)) {
                ASSERT_TRUE(shown.isEmpty()) << r << " " << c;
                continue;
            }
            ASSERT_EQ(shown.toStdString(), support::FormatC("%.*f", kStatTableDecimals, v))
                << r << " " << c;
        }
    // The width the view itself asks for every cell's text of a column, the
    // rows out of sight included: less than that and a text is cut short.
    view->horizontalHeader()->setResizeContentsPrecision(-1);
    view->verticalHeader()->setResizeContentsPrecision(-1);
    const QAbstractItemView* asked = view;
    for (int c = 0; c < model->columnCount(); ++c)
        EXPECT_GE(view->columnWidth(c), asked->sizeHintForColumn(c)) << "column " << c + 1;
}

TEST_F(StatsTest, OneMeasurementShowsAndSavesNoStaleDeviation) {
    StartStatistics(STAT_PARAM_RB_DARK, 3);
    Darks(3);
    ASSERT_FALSE(std::isnan(Cell(1, 2)));
    StartStatistics(STAT_PARAM_RB_DARK, 1);
    const Store run = Darks(1);
    EXPECT_TRUE(std::isnan(Cell(1, 2)));
    EXPECT_TRUE(std::isnan(Cell(3, 2)));
    EXPECT_EQ(Cell(3, 1), run[0][0]);
    std::tm when{};
    const std::vector<std::string> lines = Lines(stats_FileText(dStatistValues, when));
    ASSERT_GT(lines.size(), 7u);
    EXPECT_EQ(lines[5], "AV(STD);;;;");
    const std::string v = support::FormatUser("%.2f", run[0][0]);
    EXPECT_EQ(lines[7], "1;" + v + ";;" + v + ";");
}

TEST_F(StatsTest, SavingWritesTheTableOrSaysWhyNot) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "orvalin_stats";
    std::filesystem::create_directories(dir);
    struct Case {
        const char* what;
        std::string typed, path; // the name typed, the file written
        bool complete;           // the run reached its count before saving
    } cases[] = {
        {"complete run", (dir / "run.csv").string(), (dir / "run.csv").string(), true},
        {"table not built yet", (dir / "partial.csv").string(), (dir / "partial.csv").string(),
         false},
        {"name without its extension", (dir / "named").string(), (dir / "named.csv").string(),
         true},
        {"folder missing", (dir / "missing" / "x.csv").string(),
         (dir / "missing" / "x.csv").string(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(c.path);
        popup_script::Clear();
        StartStatistics(STAT_PARAM_RB_DARK, c.complete ? 2 : 5);
        const Store runs = Darks(2);
        HidePanel(hStatTable);
        popup_script::PushFile(c.typed, VAL_NEW_FILE_SELECTED);
        QTest::mouseClick(UiCtrlWidget(hStatTable, STATISTICS_CB_SAVE_ST), Qt::LeftButton);
        if (c.path.find("missing") != std::string::npos) {
            EXPECT_FALSE(std::filesystem::exists(c.path));
            EXPECT_EQ(popup_script::Record().back().title, "Error");
            continue;
        }
        EXPECT_EQ(iStat_CreatedTable, 1);
        EXPECT_EQ(Count("Message: Statistics is stopped"), c.complete ? 0 : 1);
        const std::vector<std::string> lines = Lines(ReadAll(c.path));
        ASSERT_EQ(lines.size(), 7u + stParam.pixelCount);
        EXPECT_EQ(lines[4], ";AV;STD;1;2;");
        const double max1 = *std::max_element(runs[1].begin(), runs[1].end());
        const std::string tail = support::FormatUser(";%.0f;", max1);
        EXPECT_EQ(lines[6].substr(lines[6].size() - tail.size()), tail);
    }
    std::filesystem::remove_all(dir);
}

TEST_F(StatsTest, EveryWayIntoTheTableHasAWayOut) {
    const int ctrlTab = VAL_MENUKEY_MODIFIER | VAL_TAB_VKEY;
    for (int way : {0, 1}) {
        SCOPED_TRACE(way == 0 ? "Close button" : "window frame");
        CallCtrlCallback(hMainPanel, 0, EVENT_KEYPRESS, ctrlTab, 0);
        ASSERT_EQ(PanelVisible(hStatTable), 1);
        if (way == 0)
            CallCtrlCallback(hStatTable, STATISTICS_CB_CLOSE_TABLE, EVENT_COMMIT, 0, 0);
        else
            CallCtrlCallback(hStatTable, 0, EVENT_CLOSE, 0, 0);
        EXPECT_EQ(PanelVisible(hStatTable), 0);
    }
}

TEST_F(StatsTest, DialogOffersMeasurableKindsAndResetsOnCancel) {
    StatistParamMenu(hMenuBar, MENUBAR_PARAM_MENU, nullptr, hMainPanel);
    for (auto [button, radio] :
         {std::pair{MAINP_DARK, STAT_PARAM_RB_DARK}, {MAINP_REFERENCE, STAT_PARAM_RB_REF}}) {
        int dimmed = -1;
        GetCtrlAttribute(hStatPar, radio, ATTR_DIMMED, &dimmed);
        EXPECT_EQ(dimmed, Dimmed(button));
    }
    EXPECT_EQ(Dimmed(MAINP_REFERENCE), 1); // nothing measured yet
    for (int r : {STAT_PARAM_RB_TRANSMIT, STAT_PARAM_RB_ABSORB, STAT_PARAM_RB_REF})
        SetCtrlVal(hStatPar, r, 1);
    SetCtrlVal(hStatPar, STAT_PARAM_NUM_OF_MEAS, 7);
    CallCtrlCallback(hStatPar, STAT_PARAM_CB_STAT_CANCEL, EVENT_COMMIT, 0, 0);
    for (int r :
         {STAT_PARAM_RB_DARK, STAT_PARAM_RB_REF, STAT_PARAM_RB_TRANSMIT, STAT_PARAM_RB_ABSORB}) {
        int v = -1;
        GetCtrlVal(hStatPar, r, &v);
        EXPECT_EQ(v, 0);
    }
    int count = 0;
    GetCtrlVal(hStatPar, STAT_PARAM_NUM_OF_MEAS, &count);
    EXPECT_EQ(count, 32);

    // A count below one starts nothing.
    SetCtrlAttribute(hStatPar, STAT_PARAM_NUM_OF_MEAS, ATTR_MIN_VALUE, 0.0);
    StartStatistics(STAT_PARAM_RB_DARK, 0);
    SetCtrlAttribute(hStatPar, STAT_PARAM_NUM_OF_MEAS, ATTR_MIN_VALUE, 1.0);
    EXPECT_EQ(iStatisticsParam, 0);
    EXPECT_EQ(Count("Message: The number of measurements must be at least 1."), 1);
}

// ---------------------------------------------------------------- series
TEST_F(StatsTest, TenSpectraShownAsOverlayThenAsEnvelope) {
    Darks(1);
    LampOn();
    ArmSeries(FFT_PARAM_RB_FFT_REFERENCE, 10);
    EXPECT_EQ(Count("Info: You must make measurements only in cont. mode"), 1);
    ASSERT_EQ(iStartFFT, 1);
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    EXPECT_EQ(dFFTValues.size(), 1u); // a single step is not collected

    iSiCont = 1;
    Store spectra;
    for (int i = 1; i <= 10; ++i) {
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        spectra.emplace_back(dReferenz, dReferenz + stParam.pixelCount);
        EXPECT_EQ(Dimmed(MAINP_CB_FFT), i < 10 ? 1 : 0) << i;
    }
    EXPECT_EQ(iSiCont, 0); // the full series stops continuous measuring
    EXPECT_EQ(dFFTValues.size(), 11u);

    CallCtrlCallback(hMainPanel, MAINP_CB_FFT, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(iSelect, SHOW_SERIES);
    EXPECT_TRUE(series_ShowOverlay());
    EXPECT_EQ(Plots(), 11); // ten spectra and entry 0

    CallCtrlCallback(hMainPanel, MAINP_CB_FFT, EVENT_COMMIT, 0, 0);
    EXPECT_FALSE(series_ShowOverlay());
    EXPECT_EQ(Plots(), 1);
    ASSERT_EQ(iNumOfMeas, 20);
    for (int j = 0; j < 10; ++j) {
        EXPECT_EQ(dYInterpolVal[j], *std::max_element(spectra[j].begin(), spectra[j].end()));
        EXPECT_EQ(dYInterpolVal[19 - j], *std::min_element(spectra[j].begin(), spectra[j].end()));
        EXPECT_EQ(dXInterpolVal[j], j);
    }

    // The next measurement ends the shown series.
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    EXPECT_TRUE(dFFTValues.empty());
    EXPECT_EQ(iStartFFT, 0);
    EXPECT_EQ(Dimmed(MAINP_CB_FFT), 1);
}

// The series view the way the user is told to use it: MATH > FFT, a kind and
// a count, continuous measuring until FFT is enabled (it stops there), FFT for
// every spectrum, FFT again for the envelope and back.  Opening the dialog
// and closing it meanwhile changes no view.
TEST_F(StatsTest, SeriesViewFollowsTheStepsTheUserIsGiven) {
    Darks(1);
    set_UndimMeasButtons();
    Choose(hMainPanel, "MATH_FFT");
    Click(hFFTParPanel, FFT_PARAM_RB_FFT_DARK);
    auto* count = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hFFTParPanel, FFT_PARAM_NUM_OF_FFT));
    count->selectAll();
    QTest::keyClicks(count, "3");
    QTest::keyClick(count, Qt::Key_Return);
    Click(hFFTParPanel, FFT_PARAM_FFT_PARAM_OK);
    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 0.0); // raised to the shortest period
    Click(hMainPanel, MAINP_SCANMODE);
    Click(hMainPanel, MAINP_DARK);
    ASSERT_TRUE(
        QTest::qWaitFor([] { return UiCtrlWidget(hMainPanel, MAINP_CB_FFT)->isEnabled(); }, 20000));
    EXPECT_EQ(iSiCont, 0);
    for (int plots : {4, 1, 4}) { // three spectra and entry 0; the envelope
        Click(hMainPanel, MAINP_CB_FFT);
        EXPECT_EQ(Plots(), plots);
        Choose(hMainPanel, "MATH_FFT");
        Click(hFFTParPanel, FFT_PARAM_CB_FFT_PARAM_CLOSE);
        display_Display(1);
        EXPECT_EQ(Plots(), plots);
    }
}

// The overlay is scaled by the spectra it draws in the shown part of the
// pixel axis, also right after a curve of smaller counts.
TEST_F(StatsTest, SeriesOverlayIsScaledByTheSpectraInTheShownRange) {
    Darks(1);
    LampOn();
    ArmSeries(FFT_PARAM_RB_FFT_REFERENCE, 3);
    iSiCont = 1;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    auto* graph = qobject_cast<QCustomPlot*>(UiCtrlWidget(hMainPanel, MAINP_SPECGRAPH));
    for (int start : {6, 1000}) {
        SetCtrlVal(hMainPanel, MAINP_STARTWL, start);
        CallCtrlCallback(hMainPanel, MAINP_STARTWL, EVENT_VAL_CHANGED, 0, 0);
        SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_DARK);
        CallCtrlCallback(hMainPanel, MAINP_SELECT_GRAPH, EVENT_COMMIT, 0, 0);
        Click(hMainPanel, MAINP_CB_FFT);
        double hi = 0.0;
        for (std::size_t j = 1; j < dFFTValues.size(); ++j)
            hi =
                std::max(hi, *std::max_element(dFFTValues[j].begin() + start, dFFTValues[j].end()));
        EXPECT_GE(graph->yAxis->range().upper, hi) << start;
        EXPECT_LT(graph->yAxis->range().upper, 2.0 * hi) << start;
    }
}

TEST_F(StatsTest, StatisticsAndSeriesExcludeEachOther) {
    StartStatistics(STAT_PARAM_RB_DARK, 5);
    Darks(1);
    ArmSeries(FFT_PARAM_RB_FFT_DARK, 3);
    EXPECT_EQ(iStatisticsParam, 0);
    EXPECT_TRUE(dStatistValues.empty());
    EXPECT_EQ(iStartFFT, 1);

    iSiCont = 1;
    Darks(1);
    iSiCont = 0;
    ASSERT_EQ(dFFTValues.size(), 2u);
    StartStatistics(STAT_PARAM_RB_DARK, 2);
    EXPECT_TRUE(dFFTValues.empty());
    EXPECT_EQ(iStartFFT, 0);
    EXPECT_EQ(iStatisticsParam, MEAS_DARK);
}

TEST_F(StatsTest, SeriesDialogNeedsAKindAndACountOfOneOrMore) {
    MathFFT(hMenuBar, MENUBAR_MATH_FFT, nullptr, hMainPanel);
    int dimmed = -1;
    GetCtrlAttribute(hFFTParPanel, FFT_PARAM_FFT_PARAM_OK, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    CallCtrlCallback(hFFTParPanel, FFT_PARAM_RB_FFT_DARK, EVENT_COMMIT, 0, 0);
    GetCtrlAttribute(hFFTParPanel, FFT_PARAM_FFT_PARAM_OK, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    CallCtrlCallback(hFFTParPanel, FFT_PARAM_CB_FFT_PARAM_CLOSE, EVENT_COMMIT, 0, 0);
    int chosen = -1;
    GetCtrlVal(hFFTParPanel, FFT_PARAM_RB_FFT_DARK, &chosen);
    EXPECT_EQ(chosen, 0);

    SetCtrlAttribute(hFFTParPanel, FFT_PARAM_NUM_OF_FFT, ATTR_MIN_VALUE, 0.0);
    ArmSeries(FFT_PARAM_RB_FFT_DARK, 0);
    SetCtrlAttribute(hFFTParPanel, FFT_PARAM_NUM_OF_FFT, ATTR_MIN_VALUE, 1.0);
    EXPECT_EQ(iStartFFT, 0);
    EXPECT_TRUE(dFFTValues.empty());
    EXPECT_EQ(Count("Message: The number of spectra must be at least 1."), 1);
}

} // namespace
