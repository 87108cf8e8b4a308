// The parameter window as the user reaches it from the main window: by key
// during start-up and after it, and across going offline with the Connection
// switch.
#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "shown_whole.h"
#include "support_testing/comma_locale.h"
#include "test_startup_support.h"
#include "ui/ui_qt.h"

using startup_test::StartupTest;

namespace {

const char* const kOpeningKeys[] = {"Ctrl+F", "*"};

// Every status read-out and its partner control.
const int kReadouts[] = {PARUTILITY_MF1,         PARUTILITY_MF2,
                         PARUTILITY_TEMPERATURE, PARUTILITY_BATTSTATUS,
                         PARUTILITY_DATETIME,    PARUTILITY_DATETIMESETTOSYSTEM};

int Visible(int control) {
    int v = -1;
    GetCtrlAttribute(hParUtil, control, ATTR_VISIBLE, &v);
    return v;
}

int WindowOpen() {
    int v = -1;
    GetPanelAttribute(hParUtil, ATTR_VISIBLE_PANEL, &v);
    return v;
}

// A key on the main window; the window opened, or not.
int OpenByKey(const char* keys = kOpeningKeys[0]) {
    QTest::keySequence(UiPanelWidget(hMainPanel), QKeySequence(keys));
    return WindowOpen();
}

void CloseWindow() {
    QTest::keyClick(UiPanelWidget(hParUtil), Qt::Key_Escape);
    ASSERT_EQ(WindowOpen(), 0);
}

// Clicks the Connection switch; the program online afterwards, or not.
bool Switch() {
    QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_SWITCHCONNECT), Qt::LeftButton);
    return iOffline == 0;
}

// Types `keys` over what the field shows; then the number it shows, without
// its unit.
std::string TypeOver(QAbstractSpinBox* box, const QString& keys) {
    box->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(box, keys);
    auto* real = qobject_cast<QDoubleSpinBox*>(box);
    return (real ? real->cleanText() : qobject_cast<QSpinBox*>(box)->cleanText()).toStdString();
}

class ParWindowUser : public StartupTest {
  protected:
    void SetUp() override {
        StartupTest::SetUp();
        sArg1[0] = '\0';
    }
    void TearDown() override {
        PU_HidePanel();
        StartupTest::TearDown();
    }
    void StartOnline() {
        StartUp();
        ASSERT_EQ(iOffline, 0);
        DisplayPanel(hMainPanel);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(UiPanelWidget(hMainPanel)));
    }
};

} // namespace

// However the window is opened during start-up, it opens complete (the
// device's probes run, the log has its section) or not at all; once started
// the same key opens it complete.
TEST_F(ParWindowUser, KeyDuringStartUpOpensTheWindowCompleteOrNotAtAll) {
    for (const char* key : kOpeningKeys) {
        SCOPED_TRACE(key);
        dStartupPause = 0.3; // the main window is up, settings and device not yet
        int openDuringStartUp = -1, openAfter = -1, shutterAfter = -1;
        std::string log;
        QObject scope;
        // Once start-up has finished: the window as the key left it, then the key again.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &scope, [&] {
            log = Log();
            const auto search = log.find("comm_InitConnect, main_DevicesSearch()");
            if (search == std::string::npos ||
                log.find("\n----- Returned code:", search) == std::string::npos)
                return;
            poll.stop();
            if (WindowOpen() == 1) {
                EXPECT_NE(log.find("CVICALLBACK ShowParUtility, PU_DisplayPanel()"),
                          std::string::npos);
                EXPECT_NE(log.find("PU_DisplayPanel, ZOLT_GetShutterStat"), std::string::npos);
            }
            PU_HidePanel();
            openAfter = OpenByKey(key);
            shutterAfter = Visible(PARUTILITY_SHUT);
            log = Log();
            FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
        });
        const auto pressEarly = [&] {
            openDuringStartUp = OpenByKey(key);
            poll.start(20);
        };
        startup_test::Argv a({"orvalin"});
        ASSERT_EQ(startup_test::RunProgram(a, pressEarly), 0);
        EXPECT_EQ(openDuringStartUp, 0);
        EXPECT_EQ(openAfter, 1);
        EXPECT_EQ(shutterAfter, 1);
        EXPECT_NE(log.find("CVICALLBACK ShowParUtility, PU_DisplayPanel()"), std::string::npos);
        TearDown(); // as a new process would find it
        SetUp();
    }
}

// Offline the window shows no read-out of the last instrument; back online
// they return.
TEST_F(ParWindowUser, OfflineTheStatusReadOutsAreHidden) {
    StartOnline();
    for (const bool online : {true, false, true}) {
        SCOPED_TRACE(online);
        if (online != (iOffline == 0)) {
            ASSERT_EQ(Switch(), online);
        }
        ASSERT_EQ(OpenByKey(), 1);
        if (online) {
            EXPECT_TRUE(QTest::qWaitFor([] { return Visible(PARUTILITY_TEMPERATURE) == 1; }, 5000));
            EXPECT_EQ(Visible(PARUTILITY_MF1), 1);
        } else {
            QTest::qWait(300); // the status timer ticks meanwhile
            for (int control : kReadouts)
                EXPECT_EQ(Visible(control), 0) << control;
        }
        CloseWindow();
    }
}

// Going offline empties the device's numbers on the root page, the numeric
// spectrometer number included; back online it shows the number again.
TEST_F(ParWindowUser, DisconnectEmptiesTheSpectrometerNumber) {
    StartOnline();
    auto* box = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hTabRoot, TAB_ROOT_UT_SPNUM));
    ASSERT_NE(box, nullptr);
    const QString number = box->text();
    double value = 0.0, fresh = -1.0;
    GetCtrlVal(hTabRoot, TAB_ROOT_UT_SPNUM, &value);
    GetCtrlAttribute(hTabRoot, TAB_ROOT_UT_SPNUM, ATTR_DEFAULT_VALUE, &fresh);
    ASSERT_NE(value, fresh) << "the instrument's number was read";

    ASSERT_FALSE(Switch());
    EXPECT_EQ(box->text(), "");
    std::string text = "x";
    GetCtrlVal(hTabRoot, TAB_ROOT_UT_SERN, &text);
    EXPECT_EQ(text, "");

    ASSERT_TRUE(Switch());
    EXPECT_EQ(box->text(), number);
}

// Under a decimal-comma locale every number field of the main window, its
// scaling and wavelength-value panels and the parameter window takes a typed
// comma as the decimal point: it holds what was meant, an integer field
// rounds it where it shows, and the instrument is sent the value meant.
TEST_F(ParWindowUser, ATypedDecimalCommaIsTheDecimalPointInEveryNumberField) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no decimal-comma locale is installed and localedef cannot make one";
    support_testing::UserLocaleScope scope(comma);
    struct KeepDefault {
        QLocale kept;
        ~KeepDefault() { QLocale::setDefault(kept); }
    } keep;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // as a German start has it
    StartOnline();
    ASSERT_EQ(OpenByKey(), 1);
    std::vector<int> panels = {hMainPanel, hAxisScaling, hWlValDispl};
    for (int page = 0; GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR,
                                                 static_cast<int>(panels.size()) - 3, &page) == 0;)
        panels.push_back(page);
    const auto show = [&](int panel) {
        const auto at = std::find(panels.begin() + 3, panels.end(), panel);
        if (at == panels.end())
            DisplayPanel(panel);
        else
            SetActiveTabPage(hParUtil, PARUTILITY_TABPAR,
                             static_cast<int>(at - panels.begin()) - 3);
    };

    // Every field the user can type into shows the comma as its point.
    int fields = 0;
    for (int panel : panels) {
        show(panel);
        for (QAbstractSpinBox* box : UiPanelWidget(panel)->findChildren<QAbstractSpinBox*>()) {
            if (box->isVisible() && box->isEnabled() && !box->isReadOnly()) {
                ++fields;
                const std::string before = TypeOver(box, "");
                EXPECT_EQ(TypeOver(box, "1,5"), "1.5") << box->objectName().toStdString();
                TypeOver(box, QString::fromStdString(before));
            }
        }
    }
    EXPECT_GT(fields, 60);

    // Committed with Enter: the value held and shown, and the command sent.
    struct Row {
        const int& panel;
        int control;
        const char* typed;
        double held;
        const char* shown; // nullptr: not asked (the coefficients' format is the window's)
        const char* sent;  // nullptr: the field sends nothing itself
    } rows[] = {
        {hMainPanel, MAINP_INTTIME, "12,5", 12.5, "12.500", nullptr},
        {hMainPanel, MAINP_INTTIME, "14.5", 14.5, "14.500", nullptr},
        {hMainPanel, MAINP_AVER, "12,4", 12, "12", nullptr},
        {hMainPanel, MAINP_SCDELAY, "1234,5", 1235, "1235", nullptr},
        {hMainPanel, MAINP_STARTWL, "212,4", 212, "212", nullptr},
        {hWlValDispl, WLVALUE_DOM_WAVE_BORDER, "7,5", 7.5, "7.5", nullptr},
        {hAxisScaling, AXISSCAL_DRK_MIN, "-12,5", -12.5, "-12.500", nullptr},
        {hTabScan, TAB_SCAN_UT_TINT, "12,5", 12.5, "12.500", "*PARA:TINT 1.250000e+01\\r"},
        {hTabScan, TAB_SCAN_UT_TINT, "13.5", 13.5, "13.500", "*PARA:TINT 1.350000e+01\\r"},
        {hTabScan, TAB_SCAN_UT_TINT, "12,3456", 12.346, "12.346", "*PARA:TINT 1.234600e+01\\r"},
        {hTabScan, TAB_SCAN_UT_SDEL, "3,4", 3, "3", "*PARA:SDEL 3\\r"},
        {hTabMeas, TAB_MEAS_UT_WAVSTEP, "0,0125", 0.0125, "0.0125",
         "*PARA:WAVSTEP 1.250000e-02\\r"},
        {hTabMeas, TAB_MEAS_UT_FIT1, "0,483", 0.483, nullptr, "*PARA:FIT1 4.830000e-01\\r"},
        {hTabMeas, TAB_MEAS_UT_FIT2, "-2,5e-5", -2.5e-5, nullptr, "*PARA:FIT2 -2.500000e-05\\r"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        auto* box = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(r.panel, r.control));
        show(r.panel);
        zsim_ClearJournal();
        TypeOver(box, r.typed);
        QTest::keyClick(box, Qt::Key_Return);
        double held = 0;
        GetCtrlVal(r.panel, r.control, &held);
        EXPECT_FLOAT_EQ(held, r.held);
        EXPECT_EQ(r.shown ? TypeOver(box, "") : "", r.shown ? r.shown : "");
        std::string sent;
        for (size_t i = 0; i < zsim_JournalCount(); ++i)
            if (std::string e = zsim_JournalEntry(i); e.find("*PARA:") != std::string::npos)
                sent += e.find('?') == std::string::npos ? e : "";
        EXPECT_TRUE(r.sent ? sent.find(r.sent) != std::string::npos : sent.empty()) << sent;
    }
}

// A charging type-4 instrument: its battery read-out, every status read-out
// and the fit coefficients with their significant digits show whole; a page
// the user changed gets a bold tab label that shows whole too.
TEST_F(ParWindowUser, ReadOutsCoefficientsAndAChangedTabShowWhole) {
    char err[200];
    ASSERT_EQ(
        zsim_Configure("[device]\ntype = 4\nfit = 190 0.482 -2e-5 1e-9 -1e-13\n", err, sizeof err),
        0)
        << err;
    StartOnline();
    ASSERT_EQ(OpenByKey(), 1);
    ASSERT_TRUE(QTest::qWaitFor([] { return Visible(PARUTILITY_BATTSTATUS) == 1; }, 5000));
    std::string battery;
    GetCtrlVal(hParUtil, PARUTILITY_BATTSTATUS, &battery);
    EXPECT_EQ(battery, "charging, capacity unknown while charging, charging voltage: 3.70 V");
    for (int control : kReadouts) {
        if (Visible(control) == 1) {
            EXPECT_EQ(shown::Cut(UiCtrlWidget(hParUtil, control)).toStdString(), "") << control;
        }
    }

    auto* tabs = qobject_cast<QTabWidget*>(UiCtrlWidget(hParUtil, PARUTILITY_TABPAR));
    ASSERT_NE(tabs, nullptr);
    const int meas = tabs->indexOf(UiPanelWidget(hTabMeas));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(meas).center());
    const struct {
        int control;
        const char* shows;
    } fit[] = {{TAB_MEAS_UT_FIT0, "190"},
               {TAB_MEAS_UT_FIT1, "0.482"},
               {TAB_MEAS_UT_FIT2, "-2e-05"},
               {TAB_MEAS_UT_FIT3, "1e-09"},
               {TAB_MEAS_UT_FIT4, "-1e-13"}};
    for (const auto& f : fit) {
        auto* edit = UiCtrlWidget(hTabMeas, f.control)->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text().toStdString(), f.shows);
        EXPECT_EQ(shown::Cut(edit).toStdString(), "");
    }

    QWidget* boxcar = UiCtrlWidget(hTabMeas, TAB_MEAS_UT_BOXCA);
    QTest::mouseClick(boxcar, Qt::LeftButton);
    QTest::keyClick(boxcar, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(boxcar, "7");
    QTest::keyClick(boxcar, Qt::Key_Return);
    int bold = 0;
    GetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, meas, ATTR_TAB_LABEL_BOLD, &bold);
    ASSERT_EQ(bold, 1);
    EXPECT_EQ(shown::CutTab(tabs->tabBar(), meas, true).toStdString(), "");
}
