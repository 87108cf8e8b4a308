// The parameter window as the user reaches it from the main window: by key
// during start-up and after it, and across going offline with the Connection
// switch.
#include <QAbstractSpinBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "parameters/par_window.h"
#include "test_startup_support.h"
#include "ui/ui_qt.h"

using startup_test::StartupTest;

namespace {

struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
const Key kOpeningKeys[] = {{"Ctrl+F", Qt::Key_F, Qt::ControlModifier},
                            {"*", Qt::Key_Asterisk, Qt::NoModifier}};

// Every status read-out and its partner control.
const int kReadouts[] = {PARUTILITY_MF1,         PARUTILITY_MF2,
                         PARUTILITY_TEMPERATURE, PARUTILITY_BATTSTATUS,
                         PARUTILITY_DATETIME,    PARUTILITY_DATETIMESETTOSYSTEM};

int Visible(int panel, int control) {
    int v = -1;
    GetCtrlAttribute(panel, control, ATTR_VISIBLE, &v);
    return v;
}

int WindowOpen() {
    int v = -1;
    GetPanelAttribute(hParUtil, ATTR_VISIBLE_PANEL, &v);
    return v;
}

void Press(int panel, const Key& k) {
    QWidget* w = UiPanelWidget(panel);
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, k.key, k.modifiers);
}

void CloseWindow() {
    QTest::keyClick(UiPanelWidget(hParUtil), Qt::Key_Escape);
    ASSERT_EQ(WindowOpen(), 0);
}

void ClickConnectionSwitch() {
    QWidget* sw = UiCtrlWidget(hMainPanel, MAINP_SWITCHCONNECT);
    ASSERT_NE(sw, nullptr);
    QTest::mouseClick(sw, Qt::LeftButton);
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
    for (const Key& key : kOpeningKeys) {
        SCOPED_TRACE(key.name);
        dStartupPause = 0.3; // the main window is up, settings and device not yet
        int openDuringStartUp = -1;
        int openAfter = -1, shutterAfter = -1;
        std::string log;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            Press(hMainPanel, key);
            openDuringStartUp = WindowOpen();
        });
        // Once start-up has finished: the window as the key left it, then the key again.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &scope, [&] {
            const std::string now = Log();
            const auto search = now.find("comm_InitConnect, main_DevicesSearch()");
            if (search == std::string::npos ||
                now.find("\n----- Returned code:", search) == std::string::npos)
                return;
            poll.stop();
            if (WindowOpen() == 1) {
                EXPECT_NE(now.find("CVICALLBACK ShowParUtility, PU_DisplayPanel()"),
                          std::string::npos);
                EXPECT_NE(now.find("PU_DisplayPanel, ZOLT_GetShutterStat"), std::string::npos);
            }
            PU_HidePanel();
            Press(hMainPanel, key);
            openAfter = WindowOpen();
            shutterAfter = Visible(hParUtil, PARUTILITY_SHUT);
            log = Log();
            FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
        });
        poll.start(20);
        char name[] = "orvalin";
        char* argv[] = {name, nullptr};
        ASSERT_EQ(orvalin_Main(1, argv), 0);
        EXPECT_EQ(openDuringStartUp, 0);
        EXPECT_EQ(openAfter, 1);
        EXPECT_EQ(shutterAfter, 1);
        EXPECT_NE(log.find("CVICALLBACK ShowParUtility, PU_DisplayPanel()"), std::string::npos);
        // As a new process would find it, with a log of its own.
        orvalin_DiscardPanels();
        link_ResetSharedState();
        zsim_Reset();
        usStopFlag = 0;
        std::filesystem::remove_all(dir_ + "/ZOLT");
    }
}

// Offline the window shows no read-out of the last instrument; back online
// they return.
TEST_F(ParWindowUser, OfflineTheStatusReadOutsAreHidden) {
    StartOnline();
    Press(hMainPanel, kOpeningKeys[0]);
    ASSERT_EQ(WindowOpen(), 1);
    QTRY_COMPARE(Visible(hParUtil, PARUTILITY_TEMPERATURE), 1);
    ASSERT_EQ(Visible(hParUtil, PARUTILITY_MF1), 1);
    CloseWindow();

    ClickConnectionSwitch();
    ASSERT_EQ(iOffline, 1);
    Press(hMainPanel, kOpeningKeys[0]);
    ASSERT_EQ(WindowOpen(), 1);
    QTest::qWait(300); // the status timer ticks meanwhile
    for (int control : kReadouts)
        EXPECT_EQ(Visible(hParUtil, control), 0) << control;
    CloseWindow();

    ClickConnectionSwitch();
    ASSERT_EQ(iOffline, 0);
    Press(hMainPanel, kOpeningKeys[0]);
    QTRY_COMPARE(Visible(hParUtil, PARUTILITY_TEMPERATURE), 1);
    EXPECT_EQ(Visible(hParUtil, PARUTILITY_MF1), 1);
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

    ClickConnectionSwitch();
    ASSERT_EQ(iOffline, 1);
    EXPECT_EQ(box->text(), "");
    std::string text = "x";
    GetCtrlVal(hTabRoot, TAB_ROOT_UT_SERN, &text);
    EXPECT_EQ(text, "");

    ClickConnectionSwitch();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(box->text(), number);
}
