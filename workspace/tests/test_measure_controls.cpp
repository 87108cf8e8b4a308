// The measurement controls of the main window.
#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <string>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "user_input.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/state.h"
#include "zolt_core.h"
#include "zolt_sim.h"

using namespace measure_test;

namespace {

double ScanDelayValue() {
    double v = 0.0;
    GetCtrlVal(hMainPanel, MAINP_SCDELAY, &v);
    return v;
}

void ScanSetup(int aver, double tint, int baud, int sDelay) {
    stParam.pixelCount = 2048;
    stParam.baudrate = baud;
    stParam.sDelay = sDelay;
    SetCtrlVal(hMainPanel, MAINP_AVER, aver);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, tint);
    // A minimum left by an earlier computation would hold the value up.
    SetCtrlAttribute(hMainPanel, MAINP_SCDELAY, ATTR_MIN_VALUE, 0.0);
    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 0.0);
}

int Colour(int control) {
    int c = -1;
    GetCtrlAttribute(hMainPanel, control, ATTR_CMD_BUTTON_COLOR, &c);
    return c;
}

} // namespace

class MeasureScanPeriod : public MeasureTest {};

TEST_F(MeasureScanPeriod, MinimumIsTheNextMultipleOfHundredAbovePeriod) {
    ScanSetup(10, 100.0, 115000, 0); // 1050 + 0 + 0 + 150 = 1200 ms
    set_ScanDelay();
    EXPECT_DOUBLE_EQ(ScanDelayValue(), 1300.0);
    EXPECT_DOUBLE_EQ(dScanPeriodUIR, 1300.0);
    double minimum = 0.0;
    GetCtrlAttribute(hMainPanel, MAINP_SCDELAY, ATTR_MIN_VALUE, &minimum);
    EXPECT_DOUBLE_EQ(minimum, 1300.0);

    ScanSetup(10, 100.0, 115000, 50); // exactly 1250 ms
    set_ScanDelay();
    EXPECT_DOUBLE_EQ(ScanDelayValue(), 1400.0);
}

TEST_F(MeasureScanPeriod, BaudRateZeroBecomes38400AndAddsOneMillisecond) {
    ScanSetup(10, 100.0, 0, 0); // 1200 + 40960 / 38400 = 1201 ms
    set_ScanDelay();
    EXPECT_EQ(stParam.baudrate, 38400);
    EXPECT_DOUBLE_EQ(ScanDelayValue(), 1400.0);
}

TEST_F(MeasureScanPeriod, LongerDelayIsKept) {
    ScanSetup(10, 100.0, 115000, 0);
    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 5000.0);
    set_ScanDelay();
    EXPECT_DOUBLE_EQ(ScanDelayValue(), 5000.0);
    EXPECT_DOUBLE_EQ(dScanPeriodUIR, 5000.0);
    EXPECT_EQ(Dimmed(MAINP_SCDELAY), 0);
}

class MeasureControls : public MeasureTest {};

TEST_F(MeasureControls, AveragingIsLimitedToWhatTheInstrumentAccepts) {
    SetCtrlVal(hMainPanel, MAINP_AVER, 100);
    SetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, 1);
    SetCtrlVal(hMainPanel, MAINP_AVERADAPT, 1000);
    main_GetAverage();
    uint16_t current = 0, maximum = 0;
    ASSERT_EQ(ZOLT_GetAverConf(dwCurrentDevice, &maximum, &current), 0);
    EXPECT_EQ(iAverage, maximum);
    // The count the device is given is the clamped one, not a wrapped one.
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 0.01);
    g_step = 1.0;
    SpecRead(1); // 65535 frames outlast the wait; the set-up is what counts here
    auto aver = Journal("ZOLT_SetAverConf(");

    ASSERT_FALSE(aver.empty());
    EXPECT_NE(aver.back().find(std::to_string(maximum)), std::string::npos) << aver.back();

    SetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, 0);
    main_GetAverage();
    EXPECT_EQ(iAverage, 100) << "the adaption factor counts only while shown";
}

TEST_F(MeasureControls, ContinuousModeTicksAtTheScanPeriodAndPausesOnQuitNo) {
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(iSiCont, 1);
    EXPECT_EQ(Visible(MAINP_SAVECONT), 1);
    EXPECT_EQ(Visible(MAINP_SAVE), 0);
    EXPECT_TRUE(Journal("ZOLT_InitMeasure(").empty()) << "switching on measures nothing";

    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    int enabled = 0;
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(Dimmed(MAINP_SELECT_GRAPH), 1);
    EXPECT_TRUE(Journal("ZOLT_InitMeasure(").empty()) << "the first step comes with the tick";

    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 2500.0);
    for (int tick = 1; tick <= 3; ++tick)
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(Journal("ZOLT_FetchDark(").size(), 3u);
    double interval = 0.0;
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_INTERVAL, &interval);
    EXPECT_DOUBLE_EQ(interval, 2.5);
    EXPECT_DOUBLE_EQ(dScanDel, 2500.0);
    EXPECT_EQ(iMess, 1);

    // Quit answered "no": the timer stays off until a button is pressed.
    popup_script::PushConfirm(false);
    CallCtrlCallback(hMainPanel, MAINP_QUIT, EVENT_COMMIT, 0, 0);
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(usStopFlag, 0);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);

    // Switched off, the next tick ends continuous mode.
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(Journal("ZOLT_FetchDark(").size(), 3u);
    EXPECT_EQ(Visible(MAINP_SAVE), 1);
}

TEST_F(MeasureControls, FailedStepEndsContinuousMode) {
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    zsim_FailCall("ZOLT_InitMeasure", 1, ZOLT_E_SEND);
    ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_EQ(iSiCont, 0);
    int enabled = 1, mode = 1;
    GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &enabled);
    GetCtrlVal(hMainPanel, MAINP_SCANMODE, &mode);
    EXPECT_EQ(enabled, 0);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(Dimmed(MAINP_SELECT_GRAPH), 0);
}

TEST_F(MeasureControls, FailedAbsorbanceNeverOffersDerivativesWithoutTransmission) {
    iMess = MEAS_DARK | MEAS_REFERENCE;
    zsim_FailCall("ZOLT_InitMeasure", 1, ZOLT_E_SEND);
    iCbSelect = MEAS_ABSORBANCE;
    main_Measure();
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(Dimmed(MAINP_ABSORBANCE), 0);
    EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 0);
    EXPECT_EQ(Dimmed(MAINP_FORMULA), 1);
    int shown = 0;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
    EXPECT_EQ(shown, 3);

    // Without a reference a failed transmission does not offer itself again.
    iMess = MEAS_DARK;
    zsim_FailCall("ZOLT_InitMeasure", 1, ZOLT_E_SEND);
    iCbSelect = MEAS_TRANSMISSION;
    main_Measure();
    EXPECT_EQ(Dimmed(MAINP_REFERENCE), 0);
    EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 1);
}

TEST_F(MeasureControls, NewIntegrationTimeInvalidatesTheMeasuredSet) {
    iMess = 7;
    iSelect = SHOW_TRANSMISSION;
    dDark[5] = dReferenz[5] = dTrans[5] = dAbsorb[5] = dFormel1[5] = dFormel2[5] = 3.0;
    dLight[5] = 4.0;
    SetTint(hMainPanel, MAINP_INTTIME, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(iSelect, SHOW_DARK);
    for (double* a : {dDark, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2})
        EXPECT_EQ(a[5], 0.0);
    EXPECT_EQ(dLight[5], 4.0);
    EXPECT_EQ(Dimmed(MAINP_DARK), 0);
    for (int b :
         {MAINP_REFERENCE, MAINP_CB_FFT, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA})
        EXPECT_EQ(Dimmed(b), 1) << b;
}

TEST_F(MeasureControls, AStepKeepsItsSettingsWhileItPolls) {
    struct Case {
        const char* what;
        void (*act)();
    };
    const Case cases[] = {
        {"integration time typed",
         [] {
             SetCtrlVal(hMainPanel, MAINP_INTTIME, 55.0);
             EXPECT_EQ(SetTint(hMainPanel, MAINP_INTTIME, EVENT_KEYPRESS, nullptr, '5', 0), 1)
                 << "the key is swallowed";
             SetCtrlVal(hMainPanel, MAINP_INTTIME, 55.0);
             SetTint(hMainPanel, MAINP_INTTIME, EVENT_VAL_CHANGED, nullptr, 0, 0);
         }},
        {"averaging",
         [] {
             SetCtrlVal(hMainPanel, MAINP_AVER, 7);
             SetAver(hMainPanel, MAINP_AVER, EVENT_COMMIT, nullptr, 0, 0);
         }},
        {"continuous mode",
         [] {
             SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
             ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
             EXPECT_EQ(iSiCont, 0);
             EXPECT_EQ(Dimmed(MAINP_DARK), 1) << "the buttons stay the step's";
         }},
        {"backspace",
         [] { KeyPress(hMainPanel, 0, EVENT_KEYPRESS, nullptr, VAL_BACKSPACE_VKEY, 0); }},
    };
    constexpr int kHeld[] = {MAINP_INTTIME, MAINP_AVER, MAINP_SCANMODE};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        LampOn();
        const double dark = dDark[500];
        ASSERT_NE(dark, 0.0);
        int dimmed = 0;
        OnClock([&](int reading) {
            if (reading != 3)
                return;
            for (int control : kHeld)
                dimmed += Dimmed(control);
            c.act();
        });
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        g_onClock = nullptr;
        EXPECT_EQ(dimmed, 3);
        EXPECT_EQ(iMess, MEAS_DARK | MEAS_REFERENCE);
        EXPECT_EQ(dDark[500], dark);
        EXPECT_EQ(iSiCont, 0);
        double tint = 0.0;
        int aver = 0, mode = -1;
        GetCtrlVal(hMainPanel, MAINP_INTTIME, &tint);
        GetCtrlVal(hMainPanel, MAINP_AVER, &aver);
        GetCtrlVal(hMainPanel, MAINP_SCANMODE, &mode);
        EXPECT_EQ(tint, 10.0);
        EXPECT_EQ(aver, 1);
        EXPECT_EQ(mode, 0);
        for (int control : kHeld)
            EXPECT_EQ(Dimmed(control), 0) << control;
        EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 0);
    }
}

// A continuous step runs most of the time: what is typed meanwhile counts
// when the step ends rather than being undone.
TEST_F(MeasureControls, EntryDuringAContinuousStepCountsWhenItEnds) {
    QWidget* panel = ShowMainWindow();
    ASSERT_NE(panel, nullptr);
    const struct {
        int control;
        const char* typed;
        double shown, exposure; // exposure: averaging times integration time
    } rows[] = {{MAINP_AVER, "3", 3.0, 30.0}, {MAINP_INTTIME, "25,5", 25.5, 25.5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.typed);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
        ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
        Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
        OnClock([&](int reading) {
            if (reading != 3)
                return;
            auto* box = static_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, r.control));
            box->setFocus(Qt::MouseFocusReason);
            box->selectAll();
            for (const char* c = r.typed; *c; ++c)
                QTest::keyClick(panel->windowHandle(), *c);
            QTest::keyClick(panel->windowHandle(), Qt::Key_Return);
        });
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        g_onClock = nullptr;
        CancelContinuous();
        double shown = 0.0;
        GetCtrlVal(hMainPanel, r.control, &shown);
        EXPECT_DOUBLE_EQ(shown, r.shown);
        EXPECT_DOUBLE_EQ(iAverage * fTint, r.exposure);
        SetCtrlVal(hMainPanel, MAINP_AVER, 1);
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
    }
    HidePanel(hMainPanel);
}

// Backspace in a number field corrects what was typed; with the focus on a
// button it clears what was measured (and a new integration time does too).
TEST_F(MeasureControls, BackspaceInANumberFieldKeepsWhatWasMeasured) {
    QWidget* panel = ShowMainWindow();
    ASSERT_NE(panel, nullptr);
    const struct {
        int control;
        int kept;
    } rows[] = {
        {MAINP_STARTWL, MEAS_DARK | MEAS_REFERENCE},
        {MAINP_ENDWL, MEAS_DARK | MEAS_REFERENCE},
        {MAINP_AVER, MEAS_DARK | MEAS_REFERENCE},
        {MAINP_SCDELAY, MEAS_DARK | MEAS_REFERENCE},
        {MAINP_INTTIME, 0},
        {MAINP_DARK, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.control);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        LampOn();
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        const bool field = r.control != MAINP_DARK;
        double shown = 0;
        if (field)
            GetCtrlVal(hMainPanel, r.control, &shown);
        UiCtrlWidget(hMainPanel, r.control)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(panel->windowHandle(), Qt::Key_Backspace);
        EXPECT_EQ(iMess, r.kept);
        if (field) // the shortened entry is not committed when the focus moves on
            SetCtrlVal(hMainPanel, r.control, shown);
    }
    HidePanel(hMainPanel);
}

TEST_F(MeasureControls, AveragingLimitIsAskedOncePerConnection) {
    main_GetAverage();
    zsim_ClearJournal();
    main_GetAverage();
    EXPECT_TRUE(Journal("ZOLT_GetAverConf(").empty());
    // A new connection, whose handle may carry the number of the old one.
    ++uConnectCount;
    main_GetAverage();
    EXPECT_EQ(Journal("ZOLT_GetAverConf(").size(), 1u);
}

TEST_F(MeasureControls, KeyboardShortcuts) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    FWHM[0].x = 500.0;
    FWHM[0].value = 2.0;
    AddGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, 500.0, 1.0, "Peak 1", 0);
    KeyPress(hMainPanel, 0, EVENT_KEYPRESS, nullptr, VAL_BACKSPACE_VKEY, 0);
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(iSelect, SHOW_NONE);
    EXPECT_EQ(spectra, 0);
    int shown = 0, plots = -1, notes = -1;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
    GetNumGraphPlots(hMainPanel, MAINP_SPECGRAPH, &plots);
    GetNumAnnotations(hMainPanel, MAINP_SPECGRAPH, &notes);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(plots, 0);
    EXPECT_EQ(notes, 0);
    EXPECT_EQ(FWHM[0].x, 0.0);
    EXPECT_EQ(Dimmed(MAINP_DARK), 0);
    for (int b :
         {MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA, MAINP_CB_FFT})
        EXPECT_EQ(Dimmed(b), 1) << b;
    for (int label : {MAINP_STORED, MAINP_MEASURED}) {
        int colour = 0;
        GetCtrlAttribute(hMainPanel, label, ATTR_TEXT_COLOR, &colour);
        EXPECT_EQ(colour, 0xA0A0A0);
        EXPECT_EQ(Dimmed(label), 1);
    }

    // Ctrl+Tab goes from the main panel to the statistics table and back.
    auto shownPanel = [](int panel) {
        int v = -1;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, &v);
        return v;
    };
    constexpr int kCtrlTab = VAL_MENUKEY_MODIFIER | VAL_TAB_VKEY;
    HidePanel(hStatTable);
    HidePanel(hMainPanel);
    KeyPress(hMainPanel, 0, EVENT_KEYPRESS, nullptr, kCtrlTab, 0);
    EXPECT_EQ(shownPanel(hStatTable), 1);
    EXPECT_EQ(shownPanel(hMainPanel), 0);
    KeyPress(hStatTable, 0, EVENT_KEYPRESS, nullptr, kCtrlTab, 0);
    EXPECT_EQ(shownPanel(hMainPanel), 1);
    HidePanel(hStatTable);
    HidePanel(hMainPanel);

    // A comma typed into the integration time reaches the field as a point.
    auto* field = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, MAINP_INTTIME));
    ASSERT_NE(field, nullptr);
    field->selectAll();
    for (char c : std::string("2,5")) {
        QKeyEvent key(QEvent::KeyPress, c == ',' ? Qt::Key_Comma : Qt::Key_0 + (c - '0'),
                      Qt::NoModifier, QString(QChar(c)));
        QCoreApplication::sendEvent(field, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    double tint = 0.0;
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &tint);
    EXPECT_EQ(tint, 2.5);
}

TEST_F(MeasureControls, DarkPlusReferenceLayout) {
    int refTop = 0, refHeight = 0, darkTop = 0, height = 0;
    GetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_TOP_C, &refTop);
    GetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_HEIGHT_C, &refHeight);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_TOP_C, &darkTop);
    SetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, 0xFFD0C8);
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 1);
    cbCheckBoxDarkRef(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(iCheckBoxDarkRef, 1);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_HEIGHT_C, &height);
    EXPECT_EQ(height, refTop - darkTop + refHeight);
    EXPECT_EQ(Visible(MAINP_REFERENCE), 0);
    EXPECT_EQ(Visible(MAINP_CHECKBOXADAPT), 1);
    EXPECT_EQ(Colour(MAINP_DARK), colorMeasButt) << "the arming is cleared";
    std::string label;
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_LABEL_TEXT, &label);
    EXPECT_EQ(label, "Dark\n+\nReference\nSpectra");

    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 0);
    cbCheckBoxDarkRef(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, nullptr, 0, 0);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_HEIGHT_C, &height);
    GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_LABEL_TEXT, &label);
    EXPECT_EQ(height, refHeight);
    EXPECT_EQ(label, "Dark Spectrum");
    EXPECT_EQ(Visible(MAINP_REFERENCE), 1);
    EXPECT_EQ(Visible(MAINP_CHECKBOXADAPT), 0);
}

// The adaption's averaging shows, and multiplies the averaging, only while
// the adaption runs: both boxes ticked on a type 3 device.  Each click comes
// after an adaption left 8 behind; shown anew it starts at 1.
TEST_F(MeasureControls, AdaptionAveragingCountsOnlyWhileTheAdaptionRuns) {
    DisplayPanel(hMainPanel);
    SetCtrlVal(hMainPanel, MAINP_AVER, 2);
    const struct {
        const char* what;
        int box, type, shown;
    } steps[] = {
        {"Dark + Reference on", MAINP_CHECKBOXDARKREF, 3, 0},
        {"Adaption on", MAINP_CHECKBOXADAPT, 3, 1},
        {"Dark + Reference off", MAINP_CHECKBOXDARKREF, 3, 0},
        {"Dark + Reference on again", MAINP_CHECKBOXDARKREF, 3, 1},
        {"Adaption off", MAINP_CHECKBOXADAPT, 3, 0},
        {"Adaption on, type 1", MAINP_CHECKBOXADAPT, 1, 0},
        {"Dark + Reference off, type 1", MAINP_CHECKBOXDARKREF, 1, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        stParam.deviceType = step.type;
        SetCtrlVal(hMainPanel, MAINP_AVERADAPT, 8);
        ASSERT_TRUE(UiCtrlWidget(hMainPanel, step.box)->isVisible());
        user_input::Click(hMainPanel, step.box);
        EXPECT_EQ(Visible(MAINP_AVERADAPT), step.shown);
        main_GetAverage();
        EXPECT_EQ(iAverage, 2);
        if (step.shown) {
            SetCtrlVal(hMainPanel, MAINP_AVERADAPT, 8);
            main_GetAverage();
            EXPECT_EQ(iAverage, 16);
        }
    }
    HidePanel(hMainPanel);
}

TEST_F(MeasureControls, TriggerPopupArmsOneButton) {
    popup_script::PushChoice(TRIGMEAS_TRIG_ON);
    Callback_MeasureButton(hMainPanel, MAINP_ABSORBANCE, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(Colour(MAINP_ABSORBANCE), 0xFFD0C8);
    popup_script::PushChoice(TRIGMEAS_TRIG_ON);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(Colour(MAINP_DARK), 0xFFD0C8);
    EXPECT_EQ(Colour(MAINP_ABSORBANCE), colorMeasButt);
    popup_script::PushChoice(TRIGMEAS_TRIG_OFF);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    EXPECT_EQ(Colour(MAINP_DARK), colorMeasButt);
    EXPECT_EQ(iCbSelect, 0) << "a right click measures nothing";
    EXPECT_TRUE(Journal("ZOLT_InitMeasure(").empty());
}

TEST_F(MeasureControls, DoubleClickOnFormulaChoosesTheDerivative) {
    popup_script::PushChoice(Func_PANEL_FUNC_CANCEL);
    Callback_MeasureButton(hMainPanel, MAINP_FORMULA, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_EQ(FuncNr, 1);
    EXPECT_EQ(iCbSelect, MEAS_DERIVATIVE);
    SetCtrlVal(hFuncPanel, Func_PANEL_DERIVATIVE, 2);
    popup_script::PushChoice(Func_PANEL_FUNC_OK);
    Callback_MeasureButton(hMainPanel, MAINP_FORMULA, EVENT_LEFT_DOUBLE_CLICK, nullptr, 0, 0);
    EXPECT_EQ(FuncNr, 2);
    EXPECT_TRUE(Journal("ZOLT_InitMeasure(").empty()) << "a double click measures nothing";
}
