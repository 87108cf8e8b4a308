// Spreadsheet output driven as a user would: the XLS link's workbook read
// back by independent readers after every column, and the live link's writes
// as the recording back end saw them.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "book/book.h"
#include "book/calc_app.h"
#include "book/live_app.h"
#include "export/export_state.h"
#include "export/output_links.h"
#include "export/sheet_output.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "support/numfmt.h"
#include "support_testing/child_group.h"
#include "support_testing/comma_locale.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "ui_testing/dialogs.h"
#include "user_input.h"
#include "workspace/axis_mode.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"

namespace fs = std::filesystem;
using namespace measure_test;
using user_input::Choose;
using user_input::Click;

namespace {

struct Cell {
    bool text;
    std::string s;
    double d;
};
struct Sheet {
    int status = -1; // 0 read, 77 no reader
    std::string name;
    std::map<std::pair<int, int>, Cell> cells;
    const Cell* At(int r, int c) const {
        auto it = cells.find({r, c});
        return it == cells.end() ? nullptr : &it->second;
    }
    int Count(int c) const {
        int n = 0;
        for (const auto& [rc, cell] : cells)
            n += rc.second == c;
        return n;
    }
};

Sheet ReadBack(const fs::path& file) {
    Sheet sh;
    const std::string cmd = "/usr/bin/python3 " ORVALIN_BOOK_READER " '" + file.string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return sh;
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int st = ::pclose(p);
    sh.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (sh.status == 126 || sh.status == 127)
        sh.status = 77;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);
    sh.name = line.substr(line.rfind('\t') + 1);
    while (std::getline(lines, line)) {
        int r = 0, c = 0, used = 0;
        char kind = 0;
        if (std::sscanf(line.c_str(), "%d\t%d\t%c\t%n", &r, &c, &kind, &used) < 3)
            continue;
        const std::string v = line.substr(static_cast<std::size_t>(used));
        sh.cells[{r, c}] = {kind == 'S', v, kind == 'N' ? std::stod(v) : 0.0};
    }
    return sh;
}

std::string Text(const Sheet& sh, int r, int c) {
    const Cell* cell = sh.At(r, c);
    return cell && cell->text ? cell->s : "";
}

const std::string kUi = std::string(ORVALIN_UI_SOURCE_DIR) + "/orvalin.ui";

class SheetOutput : public MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        static int dde = 0;
        if (dde == 0)
            dde = LoadPanel(0, kUi.c_str(), DDE_PANEL);
        hDDEPanel = dde;
        Options(0, 1);
        std::strcpy(cLocaleLanguage, "0409");
        std::strcpy(cNameSpectrum, "probe");
        std::strcpy(cSerial1, "SN4711");
        iNoExcel = iWithExcel = iExcelStart = 0;
        for (FwhmSlot& s : FWHM)
            s.value = s.x = 0.0;
        set_DfltLinkSave();
        app_ = nullptr;
        excel_SetLiveAppFactory([this]() -> std::unique_ptr<book::LiveApp> {
            auto app = std::make_unique<book::RecordingApp>();
            app->failing = failing_;
            app_ = app.get();
            return app;
        });
        dir_ = fs::temp_directory_path() / ("sheet_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (iNoExcel)
            StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
        if (iWithExcel)
            disconnect_with_excel(hMenuBar, MENUBAR_disconnect_with_excel, nullptr, hMainPanel);
        iTableOpen = iExcelStart = 0;
        fs::remove_all(dir_);
        MeasureTest::TearDown();
    }
    void Options(int fwhm, int spectra) {
        SetCtrlVal(hDDEPanel, DDE_PANEL_SAVEFWHM, fwhm);
        SetCtrlVal(hDDEPanel, DDE_PANEL_SAVESPECTRA, spectra);
    }
    bool Start(const std::string& name) {
        popup_script::PushFile((dir_ / name).string(), VAL_NEW_FILE_SELECTED);
        StartExcelLink(hMenuBar, MENUBAR_connect, nullptr, hMainPanel);
        return iNoExcel == 1;
    }
    // Writes one column and reads the file back.
    Sheet Column(const std::string& name) {
        main_WriteToXLS(1);
        excel_FlushFile();
        return ReadBack(dir_ / name);
    }
    static int MenuDimmed(int item) {
        int dimmed = -1;
        GetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, &dimmed);
        return dimmed;
    }
    book::RecordingApp* app_ = nullptr;
    std::vector<std::string> failing_;
    fs::path dir_;
};

} // namespace

TEST_F(SheetOutput, EachColumnIsReadBackWithTheLayoutOfItsOptions) {
    struct Case {
        const char* file;
        int fwhm, spectra;
        const char* language;
        const char* sheetName;
    };
    const Case cases[] = {
        {"a.xlsx", 0, 0, "0409", "Sheet1"},
        {"b.xls", 0, 1, "0407", "Tabelle1"},
        {"c.xlsx", 1, 1, "0409", "Sheet1"},
        {"d.xls", 1, 0, "0407", "Tabelle1"},
    };
    ASSERT_EQ(Step(MEAS_DARK), 0);
    // Three occupied marker slots; the other nine rows stay empty.
    const int used[] = {0, 4, 11};
    for (int i : used)
        FWHM[i].value = 1.5 + i, FWHM[i].x = 500.25 + i;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::strcpy(cLocaleLanguage, c.language);
        Options(c.fwhm, c.spectra);
        ASSERT_TRUE(Start(c.file)) << links_LastError();
        for (int col = 1; col <= 2; ++col) {
            const Sheet sh = Column(c.file);
            if (sh.status == 77)
                GTEST_SKIP() << "no reader for " << c.file;
            ASSERT_EQ(sh.status, 0);
            EXPECT_EQ(sh.name, c.sheetName);
            EXPECT_EQ(sh.Count(col + 1), 0) << "no column beyond the last written";
            EXPECT_EQ(Text(sh, 1, 0), "SN: SN4711");
            EXPECT_EQ(Text(sh, 4, 0), "Integration time [ms]");
            EXPECT_EQ(Text(sh, 1, col), "probe");
            EXPECT_EQ(Text(sh, 2, col), "dark");
            EXPECT_TRUE(std::regex_match(Text(sh, 3, col),
                                         std::regex(R"(\d{1,2}\.\d{1,2}\.\d{4} \d\d:\d\d:\d\d)")));
            ASSERT_NE(sh.At(4, col), nullptr);
            EXPECT_EQ(sh.At(4, col)->d, std::round(double(fTint_prev) * 1000) / 1000);
            for (int slot = 0; slot < 12 && (c.fwhm || !c.spectra); ++slot) {
                const bool filled = c.fwhm && (slot == 0 || slot == 4 || slot == 11);
                EXPECT_EQ(sh.At(6 + slot, col) != nullptr, filled) << slot;
            }
            if (c.fwhm) {
                EXPECT_EQ(Text(sh, 10, col), "5.50 @ 504.25 nm");
            }
            const int first = c.fwhm ? 20 : 6;
            EXPECT_EQ(Text(sh, first - 1, 0), c.spectra ? "Wavelength [nm]" : "");
            const int values = sh.Count(col) - 4 - (c.fwhm ? 3 : 0);
            EXPECT_EQ(values, c.spectra ? sh.Count(0) - 3 : 0);
            EXPECT_GT(c.spectra ? values : 1, 0);
            if (c.spectra) {
                ASSERT_NE(sh.At(first, col), nullptr);
                EXPECT_DOUBLE_EQ(sh.At(first, col)->d, dYInterpolVal[0]);
            }
        }
        StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
    }
}

// A user who picked the axis and typed a range before starting the link gets
// the rows the graph shows: as many, from the same first point.
TEST_F(SheetOutput, AColumnHoldsWhatTheGraphShowsAfterTheUserChangedAxisAndRange) {
    axis_RegisterCallbacks();
    UseAxisScalingPanel();
    const int axis = hAxisScaling;
    const auto type = [](int control, int value) {
        auto* field = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, control));
        ASSERT_NE(field, nullptr);
        field->selectAll();
        QTest::keyClicks(field, QString::number(value));
        QTest::keyClick(field, Qt::Key_Return);
    };
    struct Case {
        const char* file;
        int radio; // the axis button the user clicks
        int start, end;
        const char* xTitle;
    };
    const Case cases[] = {{"pixels.xlsx", AXISSCAL_RB_X2, 100, 900, "Pixel"},
                          {"nm.xlsx", AXISSCAL_RB_X1, 400, 600, "Wavelength [nm]"}};
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        DisplayPanel(axis); // the axis dialog, open
        Click(axis, c.radio);
        HidePanel(axis);
        type(MAINP_STARTWL, c.start);
        type(MAINP_ENDWL, c.end);
        ASSERT_TRUE(Start(c.file));
        popup_script::PushPrompt("probe");
        Click(hMainPanel, MAINP_SAVE);
        excel_FlushFile();
        const Sheet sh = ReadBack(dir_ / c.file);
        if (sh.status == 77)
            GTEST_SKIP();
        ASSERT_GT(iNumOfMeas, 1);
        EXPECT_EQ(Text(sh, 5, 0), c.xTitle);
        EXPECT_EQ(sh.Count(0) - 3, iNumOfMeas);
        EXPECT_EQ(sh.Count(1) - 4, iNumOfMeas);
        ASSERT_NE(sh.At(6, 0), nullptr);
        ASSERT_NE(sh.At(6, 1), nullptr);
        EXPECT_DOUBLE_EQ(sh.At(6, 0)->d, dXInterpolVal[0]);
        EXPECT_GE(sh.At(6, 0)->d, c.start);
        EXPECT_DOUBLE_EQ(sh.At(6, 1)->d, dYInterpolVal[0]);
        StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
    }
}

TEST_F(SheetOutput, NotANumberLeavesItsCellEmptyAndACommaLocaleOnlyTheTexts) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale";
    support_testing::UserLocaleScope scope(comma);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    iSelect = 4; // the absorbance view of what the display holds
    FWHM[2].value = 0.5, FWHM[2].x = 612.5;
    Options(1, 1);
    for (const char* file : {"n.xlsx", "n.xls"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(Start(file));
        dYInterpolVal[3] = std::numeric_limits<double>::quiet_NaN();
        const Sheet sh = Column(file);
        if (sh.status == 77)
            GTEST_SKIP();
        EXPECT_EQ(Text(sh, 2, 1), "absorbance");
        EXPECT_EQ(Text(sh, 8, 1), "0,50 @ 612,50 nm");
        EXPECT_EQ(sh.At(23, 1), nullptr) << "NaN is an empty cell";
        ASSERT_NE(sh.At(24, 1), nullptr);
        EXPECT_FALSE(sh.At(24, 1)->text);
        EXPECT_DOUBLE_EQ(sh.At(24, 1)->d, dYInterpolVal[4]);
        EXPECT_DOUBLE_EQ(sh.At(20, 0)->d, dXInterpolVal[0]);
        StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
    }
}

TEST_F(SheetOutput, AnXlsSheetTakesWhatFitsAndSaysSoOnce) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    iSelect = 2;
    const int points = book::kXlsMaxRow + 100;
    ASSERT_EQ(link_GrowDisplayBuffers(points), 0);
    for (int i = 0; i < points; ++i)
        dXInterpolVal[i] = i, dYInterpolVal[i] = 0.5;
    iNumOfMeas = points;
    ASSERT_TRUE(Start("rows.xls"));
    main_WriteToXLS(1);
    main_WriteToXLS(1);
    excel_FlushFile();
    const Sheet sh = ReadBack(dir_ / "rows.xls");
    if (sh.status == 77)
        GTEST_SKIP();
    EXPECT_EQ(sh.Count(2), 4 + book::kXlsMaxRow - 5);
    EXPECT_NE(sh.At(book::kXlsMaxRow, 2), nullptr);
    int warnings = 0;
    for (const auto& s : ShownTexts())
        warnings += s.find("fit into a .xls sheet") != std::string::npos;
    EXPECT_EQ(warnings, 1);
}

TEST_F(SheetOutput, TheDarkCurveIsCutToTheRangeInACopy) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    const int shown = iNumOfMeas;
    const double x0 = dXInterpolVal[0];
    struct Case {
        double start, end;
        bool any;
    };
    const Case cases[] = {{dLambda[10], dLambda[40], true},
                          {dLambda[stParam.pixelCount - 1] + 50, dLambda[0], false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Start("dark.xlsx"));
        SetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MIN_VALUE, -1e9);
        SetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MAX_VALUE, 1e9);
        SetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MAX_VALUE, 1e9);
        SetCtrlVal(hMainPanel, MAINP_STARTWL, c.start);
        SetCtrlVal(hMainPanel, MAINP_ENDWL, c.end);
        const double start = [] {
            double v = 0;
            GetCtrlVal(hMainPanel, MAINP_STARTWL, &v);
            return v;
        }();
        const Sheet sh = Column("dark.xlsx");
        if (sh.status == 77)
            GTEST_SKIP();
        const int values = sh.Count(0) - 3;
        EXPECT_EQ(values > 0, c.any);
        if (c.any) {
            EXPECT_GE(sh.At(6, 0)->d, start);
            EXPECT_LT(sh.At(6, 0)->d - start, 1.0) << "from the first point in range";
        }
        EXPECT_EQ(iNumOfMeas, shown);
        EXPECT_EQ(dXInterpolVal[0], x0);
        StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
    }
}

TEST_F(SheetOutput, BooksThatCannotBeWrittenNeverStartTheLink) {
    struct Case {
        std::string file;
        std::string reason;
    };
    const Case cases[] = {{"missing/t.xlsx", "No such file"}, {"missing/t.xls", "No such file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        popup_script::Clear();
        EXPECT_FALSE(Start(c.file));
        EXPECT_EQ(iTableOpen + iExcelStart, 0);
        EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
        ASSERT_FALSE(ShownTexts().empty());
        EXPECT_EQ(ShownTexts().back().rfind("Error: File not created\n", 0), 0u);
        EXPECT_NE(ShownTexts().back().find(c.reason), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(SheetOutput, ASaveThatFailsLaterStopsTheLink) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    ASSERT_TRUE(Start("gone.xlsx"));
    EXPECT_EQ(Visible(MAINP_LED_EXCEL), 1);
    fs::remove(dir_ / "gone.xlsx");
    fs::create_directory(dir_ / "gone.xlsx"); // a folder is never replaced
    main_WriteToXLS(1);
    excel_FlushFile();
    EXPECT_EQ(iNoExcel, 1);
    main_WriteToXLS(1);
    EXPECT_EQ(iNoExcel + iTableOpen, 0);
    EXPECT_EQ(Visible(MAINP_LED_EXCEL), 0);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
    EXPECT_NE(ShownTexts().back().find("XLS link is stopped"), std::string::npos);
}

namespace {

// Answers the program's real dialogs as a user would: a name typed into the
// prompt, Yes to a question, a path typed into the file chooser's name field,
// OK to a message. lampOnAsked: LED_EXCEL when the question came.
class User {
  public:
    User(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Act(); });
        timer_.start(20);
    }
    int lampOnAsked = -1;

  private:
    void Act() {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* prompt = qobject_cast<QInputDialog*>(w)) {
            auto* edit = prompt->findChild<QLineEdit*>();
            QTest::keyClicks(edit, QString::fromStdString(name_));
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (auto* chooser = qobject_cast<QFileDialog*>(w)) {
            auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
            // Set whole: typed, the path's completion list could take the Return.
            edit->setText(QString::fromStdString(path_));
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            if (yes != nullptr)
                lampOnAsked = Visible(MAINP_LED_EXCEL);
            QTest::mouseClick(yes != nullptr ? yes : box->button(QMessageBox::Ok), Qt::LeftButton);
        }
    }
    QTimer timer_;
    std::string name_, path_;
};

} // namespace

TEST_F(SheetOutput, AFailedBackgroundSaveIsToldAtOnceAndTheColumnsCanBeSavedElsewhere) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    ASSERT_TRUE(Start("gone.xlsx"));
    main_WriteToXLS(1);
    excel_FlushFile();
    fs::remove(dir_ / "gone.xlsx");
    fs::create_directory(dir_ / "gone.xlsx"); // a folder is never replaced
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    popup_script::Enable(false);
    User user("second", (dir_ / "kept.xlsx").string());
    QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SAVE), Qt::LeftButton);
    // No other SAVE: the failure of the background save is told by itself.
    auto told = [] {
        for (const std::string& s : ShownTexts())
            if (s.find("could not be saved") != std::string::npos)
                return true;
        return false;
    };
    for (int i = 0; i < 500 && !told(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    popup_script::Enable(true);
    ASSERT_TRUE(told());
    EXPECT_EQ(user.lampOnAsked, 0);
    EXPECT_EQ(iNoExcel + iTableOpen, 0);
    EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
    const Sheet sh = ReadBack(dir_ / "kept.xlsx");
    if (sh.status == 77)
        GTEST_SKIP();
    EXPECT_EQ(Text(sh, 1, 0), "SN: SN4711");
    EXPECT_EQ(Text(sh, 1, 1), "probe");
    EXPECT_EQ(Text(sh, 1, 2), "second");
    EXPECT_EQ(sh.Count(2), sh.Count(1)); // as full as the column saved before
}

// Quit during a step, by the menu, the close box or a log-out, as the XLS
// link's save fails, or while its question about the columns is up: the user
// is asked about the columns before the program ends.
TEST_F(SheetOutput, AQuitDuringAStepAsksAboutTheColumnsItCouldNotSave) {
    UseAxisScalingPanel(); // read back at quit
    const struct {
        const char* route;
        std::function<void()> quit;
        bool onQuestion; // the quit comes while the question is up
    } routes[] = {
        {"menu", [] { Choose(hMainPanel, "FILE_Quit"); }, false},
        {"close box",
         [] {
             QCloseEvent close;
             QApplication::sendEvent(UiPanelWidget(hMainPanel), &close);
         },
         false},
        {"SIGTERM", [] { std::raise(SIGTERM); }, false},
        {"SIGTERM on the question", [] { std::raise(SIGTERM); }, true},
    };
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        const fs::path kept = dir_ / (std::string(r.route) + " kept.xlsx");
        ASSERT_EQ(Step(MEAS_DARK), 0);
        ASSERT_TRUE(Start("held.xlsx"));
        main_WriteToXLS(1);
        excel_FlushFile();
        orvalin_CatchQuitSignals();
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0);
        OnClock([&](int reading) {
            if (reading != 3)
                return;
            fs::remove(dir_ / "held.xlsx");
            fs::create_directory(dir_ / "held.xlsx"); // a folder is never replaced
            main_WriteToXLS(1);
            if (r.onQuestion)
                excel_FlushFile(); // told at the next poll
            else
                r.quit();
        });
        bool quitSent = !r.onQuestion;
        popup_script::Enable(false);
        EXPECT_TRUE(ui_testing::Answering(
            [this] { Step(MEAS_DARK); },
            [&](QWidget* w) {
                if (auto* chooser = qobject_cast<QFileDialog*>(w)) {
                    auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
                    edit->setText(QString::fromStdString(kept.string()));
                    QTest::keyClick(edit, Qt::Key_Return);
                } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    if (!quitSent && box->text().contains("could not be saved")) {
                        quitSent = true;
                        r.quit(); // left unanswered
                    } else {
                        ui_testing::Click(*box, box->button(QMessageBox::Yes) != nullptr
                                                    ? QMessageBox::Yes
                                                    : QMessageBox::Ok);
                    }
                }
            }));
        popup_script::Enable(true);
        EXPECT_TRUE(quitSent);
        EXPECT_EQ(usStopFlag, 1);
        EXPECT_TRUE(fs::is_regular_file(kept));
        const Sheet sh = ReadBack(kept);
        if (sh.status != 77) {
            EXPECT_EQ(sh.Count(2), sh.Count(1)) << "both columns";
        }
        // As the next start would find it.
        QuitUserInterface(0);
        RunUserInterface();
        fs::remove_all(dir_ / "held.xlsx");
        g_onClock = nullptr;
        usStopFlag = 0;
        Connect();
    }
}

TEST_F(SheetOutput, ContinuousModeWritesAColumnPerStepWhileSaveContIsOn) {
    ASSERT_TRUE(Start("run.xlsx"));
    SetCtrlVal(hMainPanel, MAINP_SAVECONT, 1);
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    for (int i = 0; i < 2; ++i)
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    CancelContinuous();
    SetCtrlVal(hMainPanel, MAINP_SAVECONT, 0);
    excel_FlushFile();
    const Sheet sh = ReadBack(dir_ / "run.xlsx");
    if (sh.status == 77)
        GTEST_SKIP();
    EXPECT_EQ(Text(sh, 1, 0), "SN: SN4711");
    EXPECT_EQ(Text(sh, 2, 2), "dark");
    EXPECT_EQ(sh.Count(3), 0) << "one column per tick";
}

TEST_F(SheetOutput, LiveLinkWritesByReferenceAndFailsCleanly) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    connect_with_excel(hMenuBar, MENUBAR_connect_with_excel, nullptr, hMainPanel);
    ASSERT_EQ(iWithExcel, 1);
    ASSERT_NE(app_, nullptr);
    EXPECT_EQ(ShownTexts().back(), "Success: MS Excel successfully started.");
    main_WriteToXLS(1);
    iSelect = 3;
    main_WriteToXLS(1);
    std::vector<std::string> refs;
    for (const auto& call : app_->calls())
        if (call.op == "WriteCell" || call.op == "WriteRange")
            refs.push_back(call.ref);
    const std::string n = std::to_string(5 + iNumOfMeas);
    EXPECT_EQ(refs, (std::vector<std::string>{"A1", "A4", "A5", "A6:A" + n, "B1", "B2", "B3", "B4",
                                              "B6:B" + n, "C1", "C2", "C3", "C4", "C6:C" + n}));
    EXPECT_EQ(app_->calls()[3].text, "SN: SN4711");
    EXPECT_EQ(app_->calls().back().values[0], dYInterpolVal[0]);

    // Disconnect ends our side however the application answers; a refusal
    // and a workbook left open unsaved are told.
    const struct {
        bool refuses, keepsOpen;
        const char* told;
    } quits[] = {
        {true, false, "Failure: Error closing MS Excel!\n\nError code: -6"},
        {false, true,
         "Disconnect Excel: The workbook is still open in the spreadsheet "
         "application and is not saved."},
        {false, false, "Success: MS Excel successfully started."},
    };
    for (const auto& q : quits) {
        SCOPED_TRACE(q.told);
        if (!iWithExcel)
            Choose(hMainPanel, "connect_with_excel");
        ASSERT_EQ(iWithExcel, 1);
        app_->failing = q.refuses ? std::vector<std::string>{"Quit"} : std::vector<std::string>{};
        app_->keepsOpen = q.keepsOpen;
        Choose(hMainPanel, "disconnect_with_excel");
        EXPECT_EQ(iWithExcel + iTableOpen + iExcelStart, 0);
        EXPECT_EQ(MenuDimmed(MENUBAR_connect_with_excel), 0);
        EXPECT_EQ(ShownTexts().back().rfind(q.told, 0), 0u) << ShownTexts().back();
    }
    failing_.clear();

    for (const char* fails : {"Start", "NewWorkbook"}) {
        SCOPED_TRACE(fails);
        failing_ = {fails};
        popup_script::Clear();
        connect_with_excel(hMenuBar, MENUBAR_connect_with_excel, nullptr, hMainPanel);
        EXPECT_EQ(iWithExcel + iTableOpen + iExcelStart, 0);
        EXPECT_EQ(Dimmed(MAINP_SAVE), 1);
        EXPECT_EQ(Visible(MAINP_LED_EXCEL), 0);
        ASSERT_EQ(ShownTexts().size(), 2u);
        EXPECT_NE(ShownTexts()[0].find("\n\nError code: -6\nDescription: "), std::string::npos);
        EXPECT_EQ(ShownTexts()[1], "MS Excel Failed: MS Excel Start failed!\nExcel is possibly not "
                                   "installed");
    }
}

// The live link against a running office: two continuous steps, then the
// copy the office stored on disconnect is read back by an independent reader.
TEST_F(SheetOutput, LiveLinkFillsARunningCalcWorkbook) {
    book::CalcOptions options;
    options.visible = false;
    options.keepCopy = (dir_ / "live.xlsx").string();
    // One hang costs at most this, then the office is killed and the link ends.
    options.timeoutMs = 60000;
    if (!book::FindCalc(&options) ||
        std::system((options.python + " -c 'import uno' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "skipped: no LibreOffice";
    excel_SetLiveAppFactory([options] { return book::MakeCalcApp(options); });

    connect_with_excel(hMenuBar, MENUBAR_connect_with_excel, nullptr, hMainPanel);
    ASSERT_EQ(iWithExcel, 1) << ShownTexts().back();
    SetCtrlVal(hMainPanel, MAINP_SAVECONT, 1);
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    std::vector<std::vector<double>> ys;
    for (int i = 0; i < 2; ++i) {
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        ys.emplace_back(dYInterpolVal, dYInterpolVal + iNumOfMeas);
    }
    CancelContinuous();
    SetCtrlVal(hMainPanel, MAINP_SAVECONT, 0);
    ASSERT_EQ(iWithExcel, 1) << ShownTexts().back();
    disconnect_with_excel(hMenuBar, MENUBAR_disconnect_with_excel, nullptr, hMainPanel);
    ASSERT_EQ(iWithExcel + iTableOpen, 0) << ShownTexts().back();

    const Sheet sh = ReadBack(options.keepCopy);
    if (sh.status == 77)
        GTEST_SKIP() << "openpyxl is not installed";
    ASSERT_EQ(sh.status, 0);
    const int n = iNumOfMeas;
    ASSERT_GT(n, 1);
    EXPECT_EQ(Text(sh, 0, 0), "SN: SN4711");
    EXPECT_EQ(Text(sh, 3, 0), "Integration time [ms]");
    EXPECT_EQ(Text(sh, 4, 0), "Wavelength [nm]");
    EXPECT_EQ(sh.Count(0), 3 + n);
    EXPECT_EQ(sh.Count(3), 0) << "one column per step";
    // The office keeps 15 significant digits.
    const auto near = [](double got, double want) {
        return std::fabs(got - want) <= std::fabs(want) * 1e-14;
    };
    for (int col = 1; col <= 2; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(Text(sh, 0, col), "probe");
        EXPECT_EQ(Text(sh, 1, col), "dark");
        EXPECT_TRUE(std::regex_match(Text(sh, 2, col),
                                     std::regex(R"(\d{1,2}\.\d{1,2}\.\d{4} \d\d:\d\d:\d\d)")));
        ASSERT_NE(sh.At(3, col), nullptr);
        EXPECT_EQ(sh.At(3, col)->d, std::round(double(fTint_prev) * 1000) / 1000);
        EXPECT_EQ(sh.Count(col), 4 + n);
        for (int i = 0; i < n; ++i) {
            const Cell* x = sh.At(5 + i, 0);
            const Cell* y = sh.At(5 + i, col);
            ASSERT_TRUE(x && y && !x->text && !y->text) << "row " << 6 + i;
            ASSERT_TRUE(near(x->d, dXInterpolVal[i])) << "A" << 6 + i << ": " << x->d;
            ASSERT_TRUE(near(y->d, ys[col - 1][i])) << "row " << 6 + i << ": " << y->d;
        }
    }
}

// The user's office killed during the live link: the next SAVE says so and
// ends the link, the helper goes, and the file link works afterwards.
TEST_F(SheetOutput, AVanishedOfficeEndsTheLiveLinkAndNotTheFileLink) {
    book::CalcOptions options;
    options.visible = false;
    options.timeoutMs = 60000;
    if (!book::FindCalc(&options) ||
        std::system((options.python + " -c 'import uno' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "skipped: no LibreOffice";
    excel_SetLiveAppFactory([options] { return book::MakeCalcApp(options); });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    Choose(hMainPanel, "connect_with_excel");
    ASSERT_EQ(iWithExcel, 1) << ShownTexts().back();
    ASSERT_GT(support_testing::KillChildGroupMembers("orvalin_calc.py"), 0);

    const auto save = [](const char* name) {
        popup_script::PushPrompt(name);
        QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SAVE), Qt::LeftButton);
    };
    save("after the crash");
    EXPECT_EQ(ShownTexts().back(), "Failure: The spreadsheet application is no longer connected.");
    EXPECT_EQ(iWithExcel + iTableOpen + iExcelStart, 0);
    EXPECT_EQ(Visible(MAINP_LED_EXCEL), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_connect_with_excel), 0);
    EXPECT_EQ(MenuDimmed(MENUBAR_disconnect_with_excel), 1);
    EXPECT_FALSE(support_testing::ChildRuns("orvalin_calc.py"));

    ASSERT_TRUE(Start("after.xlsx")) << ShownTexts().back();
    save("file link");
    excel_FlushFile();
    const Sheet sh = ReadBack(dir_ / "after.xlsx");
    if (sh.status == 77)
        GTEST_SKIP() << "openpyxl is not installed";
    ASSERT_EQ(sh.status, 0) << ShownTexts().back();
    EXPECT_EQ(Text(sh, 1, 1), "file link");
}

TEST_F(SheetOutput, CellReferencesAndTheOptionsDialog) {
    const std::pair<int, const char*> letters[] = {
        {1, "A1"},    {26, "Z1"},    {27, "AA1"},     {52, "AZ1"}, {53, "BA1"},
        {702, "ZZ1"}, {703, "AAA1"}, {16384, "XFD1"}, {0, ""},     {16385, ""}};
    for (const auto& [col, ref] : letters)
        EXPECT_EQ(ExcelCell(1, col, 1), ref) << col;
    EXPECT_EQ(ExcelCell(6, 2, 3), "B6:B8");
}

// An option that needs rows the description column lacks (the marker block
// moves the spectrum down; spectrum values need their wavelengths) starts a
// new description column.
TEST_F(SheetOutput, ChangingTheOptionsStartsANewDescriptionColumn) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    FWHM[0].value = 2.0, FWHM[0].x = 450.0;
    const struct {
        const char* book;
        int fwhm, spectra; // before; both on after
    } cases[] = {{"markers.xlsx", 0, 1}, {"spectra.xlsx", 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book);
        Options(c.fwhm, c.spectra);
        ASSERT_TRUE(Start(c.book));
        Column(c.book);
        popup_script::PushChoice(DDE_PANEL_OK_BUTTON);
        Properties(hMenuBar, MENUBAR_properties, nullptr, hMainPanel);
        EXPECT_EQ(ShownTexts().back(), "EXCEL OUTPUT PROPERTIES: DDE_PANEL");
        Options(1, 1); // as ticked there
        Column(c.book);
        const Sheet sh = Column(c.book);
        StopExcelLink(hMenuBar, MENUBAR_disconnect, nullptr, hMainPanel);
        if (sh.status == 77)
            GTEST_SKIP();
        EXPECT_EQ(Text(sh, 1, 2), "SN: SN4711");
        EXPECT_EQ(Text(sh, 19, 2), "Wavelength [nm]");
        EXPECT_EQ(Text(sh, 6, 3), support::FormatUser("%3.2f @ %.2f nm", 2.0, 450.0));
        EXPECT_EQ(Text(sh, 6, 4), Text(sh, 6, 3));
        EXPECT_EQ(sh.Count(5), 0);
    }
}
