// Opening and closing the parameter window, its status timer, the controls
// it shows per device type, the alphabetical list and the protected commands.
#include <QApplication>
#include <QWheelEvent>
#include <QWidget>
#include <chrono>

#include "par_test_support.h"
#include "ui/ui_qt.h"

using partest::ParWindowTest;

namespace {

int g_textCopies = 0;
int CountTextCopy(int, int, int event, void*, int, int) {
    g_textCopies += event == EVENT_COMMIT;
    return 0;
}

int PanelVisible() {
    int v = -1;
    GetPanelAttribute(hParUtil, ATTR_VISIBLE_PANEL, &v);
    return v;
}

// Runs the event loop until the journal shows a call of fn (at most 5 s).
bool SeesCall(const char* fn) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        ProcessSystemEvents();
        for (size_t i = 0; i < zsim_JournalCount(); ++i)
            if (std::string(zsim_JournalEntry(i)).rfind(fn, 0) == 0)
                return true;
    }
    return false;
}

void ShowWindow() {
    ShowParUtility(0, 0, nullptr, 0);
}

TEST_F(ParWindowTest, OpenAndCloseByEachPath) {
    Open(0);
    RegisterCtrlCallback("ParToText", CountTextCopy);
    const struct {
        const char* path;
        int control, event, key;
    } cases[] = {
        {"Close button", PARUTILITY_CMPARCLOSE, EVENT_COMMIT, 0},
        {"Esc", 0, EVENT_KEYPRESS, VAL_ESC_VKEY},
        {"Ctrl+F", 0, EVENT_KEYPRESS, VAL_MENUKEY_MODIFIER | 'F'},
        {"close box", 0, EVENT_CLOSE, 0},
    };
    int reads = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ShowWindow();
        EXPECT_EQ(PanelVisible(), 1);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_ENABLED), 1);
        double interval = 0;
        GetCtrlAttribute(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_INTERVAL, &interval);
        EXPECT_EQ(interval, 0.1);
        EXPECT_EQ(CallCtrlCallback(hParUtil, c.control, c.event, c.key, 0), 0);
        EXPECT_EQ(PanelVisible(), 0);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_ENABLED), 0);
        // Every way out brings changed basic parameters to the workspace.
        EXPECT_EQ(Count(Log(), "main_GetBasicParam()"), ++reads);
    }
    EXPECT_EQ(stops, 4); // continuous measurement stopped at each opening
    EXPECT_EQ(Count(Log(), "CVICALLBACK ShowParUtility, PU_DisplayPanel()"), 4);

    // Ctrl+C copies the parameter text and leaves the window open.
    ShowWindow();
    CallCtrlCallback(hParUtil, 0, EVENT_KEYPRESS, VAL_MENUKEY_MODIFIER | 'C', 0);
    EXPECT_EQ(g_textCopies, 1);
    EXPECT_EQ(PanelVisible(), 1);

    // Offline nothing is read and nothing is told.
    iOffline = 1;
    popup_script::Clear();
    CallCtrlCallback(hParUtil, PARUTILITY_CMPARCLOSE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Count(Log(), "main_GetBasicParam()"), reads);
    EXPECT_EQ(Shown(), std::vector<std::string>{});
}

TEST_F(ParWindowTest, StatusTimerTicksOnlyWhileOpen) {
    Open(3);
    ShowWindow();
    zsim_ClearJournal();
    EXPECT_TRUE(SeesCall("ZOLT_GetMeasHead"));
    CallCtrlCallback(hParUtil, 0, EVENT_KEYPRESS, VAL_ESC_VKEY, 0);
    zsim_ClearJournal();
    ProcessSystemEvents();
    EXPECT_EQ(Attr(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_ENABLED), 0);
    EXPECT_EQ(zsim_JournalCount(), 0u);
}

TEST_F(ParWindowTest, RefusedWhileAMeasurementRuns) {
    Open(0);
    running = 1;
    ShowWindow();
    EXPECT_EQ(PanelVisible(), 0);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(ParWindowTest, VisibleControlsPerDeviceType) {
    const struct {
        int type, optTrigger;
        bool nakSleep;
        int sleep, shutter, laser, backup;
    } cases[] = {
        {0, 0, false, 0, 0, 0, 0}, {1, 1, false, 0, 1, 0, 0}, {2, 0, false, 0, 1, 1, 0},
        {3, 1, false, 1, 1, 1, 1}, {3, 0, true, 0, 1, 1, 1},  {4, 0, false, 1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Open(c.type, c.optTrigger);
        if (c.nakSleep)
            zsim_NakCommand("*sleep");
        ShowWindow();
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_SLEEP, ATTR_VISIBLE), c.sleep);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_SHUT, ATTR_VISIBLE), c.shutter);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_LASER, ATTR_VISIBLE), c.laser);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_CMDBACKUP, ATTR_VISIBLE), c.backup);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_CMDRESTORE, ATTR_VISIBLE), c.backup);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_SYNC_VALUE, ATTR_VISIBLE), c.optTrigger);
        EXPECT_EQ(Attr(hParUtil, PARUTILITY_SYNC_MEAS_BUTTON, ATTR_VISIBLE), c.optTrigger);
        PU_HidePanel();
        zsim_ClearFaults();
        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
    }
}

TEST_F(ParWindowTest, ClosingWakesASleepingDevice) {
    Open(3);
    ShowWindow();
    SetCtrlVal(hParUtil, PARUTILITY_SLEEP, 1);
    CallCtrlCallback(hParUtil, PARUTILITY_SLEEP, EVENT_COMMIT, 0, 0);
    ASSERT_EQ(iDeviceAsleep, 1);
    CallCtrlCallback(hParUtil, PARUTILITY_CMPARCLOSE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(iDeviceAsleep + TimerCallbacksSuspended(), 0);
    EXPECT_EQ(Count(Log(), "main_GetBasicParam()"), 1);
    EXPECT_EQ(Shown(), std::vector<std::string>{}); // the device answered the re-read
}

TEST_F(ParWindowTest, AlphabeticalListLeadsToTheControl) {
    Open(0);
    ReadAll();
    ASSERT_EQ(SetCtrlVal(hParUtil, PARUTILITY_UT_ALPHABET, "*PARA:TINT"), 0);
    CallCtrlCallback(hParUtil, PARUTILITY_UT_ALPHABET, EVENT_VAL_CHANGED, 0, 0);
    int page = -1;
    GetActiveTabPage(hParUtil, PARUTILITY_TABPAR, &page);
    EXPECT_EQ(page, 5);
    EXPECT_EQ(GetActiveCtrl(hTabScan), TAB_SCAN_UT_TINT);
    // Sorted by byte order, each set command once.
    int n = 0;
    GetNumListItems(hParUtil, PARUTILITY_UT_ALPHABET, &n);
    std::string previous;
    for (int i = 0; i < n; ++i) {
        std::string label;
        GetLabelFromIndex(hParUtil, PARUTILITY_UT_ALPHABET, i, &label);
        EXPECT_LT(previous, label);
        previous = label;
    }
}

TEST_F(ParWindowTest, SaveAsksThePasswordOncePerRun) {
    Open(0);
    ReadAll();
    const auto save = [](const char* typed) {
        zsim_ClearJournal();
        popup_script::Clear();
        if (typed != nullptr)
            popup_script::PushPrompt(typed);
        return CallCtrlCallback(hParUtil, PARUTILITY_CMDWRITE, EVENT_COMMIT, 0, 0);
    };
    EXPECT_EQ(save("6042"), 1);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Password|", "Message|Wrong password!"}));
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(passForSavePar_already_entered, 0);

    EXPECT_EQ(save("6043"), 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Password|"}); // saved without an error
    EXPECT_NE(Sent().find("*para:save\\r"), std::string::npos) << Sent();
    EXPECT_NE(Sent().find("*PARA:TINT?"), std::string::npos); // read back
    EXPECT_EQ(passForSavePar_already_entered, 1);
    EXPECT_EQ(TimerCallbacksSuspended(), 0);

    EXPECT_EQ(save(nullptr), 0);
    EXPECT_NE(Sent().find("*para:save\\r"), std::string::npos);
    for (const auto& s : popup_script::Record())
        EXPECT_NE(s.kind, popup_script::Kind::Password);
}

TEST_F(ParWindowTest, BackupAndRestoreOnType3) {
    Open(3);
    ReadAll();
    popup_script::PushPrompt("nope");
    EXPECT_EQ(CallCtrlCallback(hParUtil, PARUTILITY_CMDBACKUP, EVENT_COMMIT, 0, 0), 1);
    EXPECT_EQ(Sent(), "");

    popup_script::PushPrompt("6043");
    EXPECT_EQ(CallCtrlCallback(hParUtil, PARUTILITY_CMDBACKUP, EVENT_COMMIT, 0, 0), 0);
    EXPECT_NE(Sent().find("*para:backup 58vorn73\\r"), std::string::npos) << Sent();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Password|", "Message|Wrong password!",
                                                 "Password|"})); // taken without an error
    EXPECT_EQ(passForSavePar_already_entered, 1);

    // A changed parameter, then the restore brings the backup back.
    const double before = Number(Row("UT_COR0"));
    char reply[ZOLT_REPLY_MAX + 1] = {};
    ZOLT_ArbitraryCommand(dwCurrentDevice, "*PARA:CORRCOEFF 0 9.5\r", reply);
    zsim_ClearJournal();
    pauses.clear();
    popup_script::PushPrompt("6043"); // asked again, every time
    EXPECT_EQ(CallCtrlCallback(hParUtil, PARUTILITY_CMDRESTORE, EVENT_COMMIT, 0, 0), 0);
    EXPECT_NE(Sent().find("*para:restore 58vorn73\\r"), std::string::npos);
    EXPECT_EQ(pauses, std::vector<double>{3.0});
    EXPECT_NE(Sent().find("*PARA:TINT?"), std::string::npos);
    EXPECT_EQ(Number(Row("UT_COR0")), before);
    EXPECT_NE(before, 9.5);
    // The access code never reaches the session log or a popup.
    EXPECT_EQ(Log().find("58vorn73"), std::string::npos);
    for (const auto& s : Shown())
        EXPECT_EQ(s.find("58vorn73"), std::string::npos) << s;
}

} // namespace

// A wheel notch over any parameter control, the sensor list and the
// password rows included, changes nothing and sends nothing.
TEST_F(ParWindowTest, WheelOverAParameterControlChangesAndSendsNothing) {
    Open(0);
    ReadAll();
    ShowWindow();
    ASSERT_GE(Row("UT_SPNUM"), 0);
    ASSERT_GE(Row("UT_SENS"), 0);
    int passwordRows = 0;
    for (int row = 0; row < NumberOfParControls; ++row) {
        const auto& r = Parameter[static_cast<std::size_t>(row)];
        SCOPED_TRACE(std::string(r.control));
        QWidget* w = UiCtrlWidget(PU_RowPanel(row), PU_RowControl(row));
        ASSERT_NE(w, nullptr);
        passwordRows += r.needsPassword;
        std::string before, after;
        PU_ParameterValue_to_String(row, &before);
        zsim_ClearJournal();
        for (int notch : {120, -120}) {
            const QPointF at(w->width() / 2.0, w->height() / 2.0);
            QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &wheel);
        }
        PU_ParameterValue_to_String(row, &after);
        EXPECT_EQ(after, before);
        EXPECT_EQ(Sent(), "");
    }
    EXPECT_GT(passwordRows, 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{}); // no password asked
}
