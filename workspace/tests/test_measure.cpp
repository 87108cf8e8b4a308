// The measurement sequence against the simulated instrument.
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zolt_core.h"
#include "zolt_sim.h"

using namespace measure_test;

namespace {

int N() {
    return stParam.pixelCount;
}

int PixelAt(double nm) {
    int best = 0;
    for (int i = 0; i < N(); ++i)
        if (std::fabs(dLambda[i] - nm) < std::fabs(dLambda[best] - nm))
            best = i;
    return best;
}

bool HasError(const std::string& text) {
    for (const auto& s : ShownTexts())
        if (s == "Error: " + text)
            return true;
    return false;
}

bool AnyError() {
    for (const auto& s : ShownTexts())
        if (s.rfind("Error: ", 0) == 0)
            return true;
    return false;
}

// Trigger mode 2 and the device-event message are back after the last
// acquisition: the last trigger call sets mode 2 and the last message call
// posts again.
void ExpectEventsRestored() {
    auto trig = Journal("ZOLT_SetTrigger(");
    auto msg = Journal("ZOLT_SetCallbackFunction(");
    ASSERT_FALSE(trig.empty());
    ASSERT_FALSE(msg.empty());
    EXPECT_NE(trig.back().find(", 2) -> 0"), std::string::npos) << trig.back();
    EXPECT_NE(msg.back().find("kind=5"), std::string::npos) << msg.back();
}

void PressEsc() {
    KeyPress(hMainPanel, 0, EVENT_KEYPRESS, nullptr, VAL_ESC_VKEY, 0);
}

} // namespace

// ------------------------------------------------------------ conversions

class MeasureSequence : public MeasureTest {
  protected:
    // Dark, reference and a transmission: what the derivatives need.
    void MeasureTransmission() {
        ASSERT_EQ(Step(MEAS_DARK), 0);
        LampOn();
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    }
    static void Press(int button) {
        QTest::mouseClick(UiCtrlWidget(hMainPanel, button), Qt::LeftButton);
    }
    // The derivative shown is that of the transmission held now.
    static void ExpectDerivativeShown() {
        EXPECT_EQ(iSelect, SHOW_DERIVATIVE);
        for (int i : {100, 1000, 1900})
            EXPECT_DOUBLE_EQ(dFormel1[i],
                             (dTrans[i - 1] - dTrans[i + 1]) / (dLambda[i - 1] - dLambda[i + 1]));
    }
};

TEST_F(MeasureSequence, HolmiumTransmissionIsFlatOutsideItsBandsWithMinimaAtThem) {
    SetCtrlVal(hMainPanel, MAINP_AVER, 16);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(iMess, 1);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_HOLMIUM), 0);
    ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    EXPECT_FALSE(AnyError());
    EXPECT_EQ(iMess, 7);
    EXPECT_EQ(iSelect, SHOW_TRANSMISSION);

    // The filter passes 90 % between its bands; the lamp cancels out.
    double sum = 0.0;
    int count = 0;
    for (int i = PixelAt(700.0); i <= PixelAt(900.0); ++i, ++count)
        sum += dTrans[i];
    EXPECT_NEAR(sum / count, 90.0, 2.0);

    int bands = 0;
    const double* band = zsim_HolmiumBands(&bands);
    ASSERT_GT(bands, 0);
    for (int b = 0; b < bands; ++b) {
        int lo = PixelAt(band[b] - 6.0), hi = PixelAt(band[b] + 6.0), at = lo;
        for (int i = lo; i <= hi; ++i)
            if (dTrans[i] < dTrans[at])
                at = i;
        EXPECT_NEAR(dLambda[at], band[b], 1.0) << "band " << band[b];
        EXPECT_LT(dTrans[at], 80.0) << "band " << band[b];
    }
}

TEST_F(MeasureSequence, TransmissionIsZeroWhereTheReferenceIsNotPositive) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    dReferenz[100] = 0.0;
    dReferenz[101] = -5.0;
    ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    EXPECT_EQ(dTrans[100], 0.0);
    EXPECT_EQ(dTrans[101], 0.0);
    EXPECT_NEAR(dTrans[1000], 100.0, 5.0);
}

TEST_F(MeasureSequence, AbsorbanceClampsDivisorAndNeverGoesNegative) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    // Light minus dark at or below 0.9 divides by 1.0; a quotient below 1
    // gives 0, never a negative absorbance.
    dDark[10] = 1.0e9;
    dReferenz[10] = 1000.0;
    dReferenz[20] = 1.0;
    const int i = 1000;
    dReferenz[i] *= 10.0; // about one decade
    ASSERT_EQ(Step(MEAS_ABSORBANCE), 0);
    EXPECT_DOUBLE_EQ(dAbsorb[10], 3.0);
    EXPECT_EQ(dAbsorb[20], 0.0);
    const double x = dLight[i] - dDark[i];
    ASSERT_GT(x, 0.9);
    EXPECT_DOUBLE_EQ(dAbsorb[i], std::log10(dReferenz[i] / x));
    EXPECT_NEAR(dAbsorb[i], 1.0, 0.05);
    for (int k = 0; k < N(); ++k)
        ASSERT_GE(dAbsorb[k], 0.0) << k;
    EXPECT_EQ(iMess, 1 | 2 | 8);
    EXPECT_EQ(iSelect, SHOW_ABSORBANCE);
}

TEST_F(MeasureSequence, DerivativesUseCentralDifferencesAndKeepTheirEnds) {
    MeasureTransmission();
    const int n = N();
    for (int i = 0; i < n; ++i) {
        dTrans[i] = 0.5 * dLambda[i] * dLambda[i]; // first derivative = wavelength
        dFormel1[i] = dFormel2[i] = -7.0;
    }
    const size_t calls = zsim_JournalCount();
    ASSERT_EQ(Step(MEAS_DERIVATIVE), 0);
    EXPECT_EQ(zsim_JournalCount(), calls) << "the derivative step talks to no device";
    EXPECT_EQ(dFormel1[0], -7.0);
    EXPECT_EQ(dFormel1[n - 1], -7.0);
    for (int i : {0, 1, n - 2, n - 1})
        EXPECT_EQ(dFormel2[i], -7.0) << i;
    for (int i : {1, 500, n - 2}) {
        const double expected = (dTrans[i - 1] - dTrans[i + 1]) / (dLambda[i - 1] - dLambda[i + 1]);
        EXPECT_DOUBLE_EQ(dFormel1[i], expected);
        EXPECT_NEAR(dFormel1[i], dLambda[i], 0.01);
    }
    // d/dl of l is 1 wherever the first derivative is exact.
    EXPECT_NEAR(dFormel2[700], 1.0, 1e-3);
    EXPECT_EQ(iSelect, SHOW_DERIVATIVE);
    EXPECT_NE(iMess & MEAS_DERIVATIVE, 0);
}

TEST_F(MeasureSequence, DerivativesOfTinySpectraLeaveUntouchedElements) {
    MeasureTransmission();
    for (int i = 0; i < 8; ++i) {
        dTrans[i] = i * i;
        dFormel1[i] = dFormel2[i] = -7.0;
    }
    stParam.pixelCount = 4; // the second-derivative loop runs empty
    ASSERT_EQ(Step(MEAS_DERIVATIVE), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dFormel2[i], -7.0) << i;
    EXPECT_NE(dFormel1[1], -7.0);
    EXPECT_EQ(dFormel1[3], -7.0);
    stParam.pixelCount = 2; // the first one too
    dFormel1[0] = dFormel1[1] = -9.0;
    ASSERT_EQ(Step(MEAS_DERIVATIVE), 0);
    EXPECT_EQ(dFormel1[0], -9.0);
    EXPECT_EQ(dFormel1[1], -9.0);
}

// Derivation is offered only with a transmission of the current dark and
// reference taken after every other sample, and derives that one.
TEST_F(MeasureSequence, DerivationOfferedOnlyWithTheLatestTransmission) {
    const struct {
        int button, sample;
        bool offered;
    } rows[] = {
        {MAINP_DARK, ZSIM_SAMPLE_NONE, false},
        {MAINP_REFERENCE, ZSIM_SAMPLE_NONE, false},
        {MAINP_TRANSMISSION, ZSIM_SAMPLE_HOLMIUM, true},
        {MAINP_FORMULA, ZSIM_SAMPLE_HOLMIUM, true},
        {MAINP_ABSORBANCE, ZSIM_SAMPLE_EMISSION, false}, // a newer sample
        {MAINP_TRANSMISSION, ZSIM_SAMPLE_EMISSION, true},
        {MAINP_REFERENCE, ZSIM_SAMPLE_NONE, false},
        {MAINP_TRANSMISSION, ZSIM_SAMPLE_HOLMIUM, true},
    };
    set_UndimMeasButtons();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.button);
        ASSERT_EQ(zsim_SetSample(0, r.sample), 0);
        Press(r.button);
        if (r.button == MAINP_DARK)
            LampOn();
        EXPECT_EQ(UiCtrlWidget(hMainPanel, MAINP_FORMULA)->isEnabled(), r.offered);
        // The graph selector offers the derivatives no more than the button.
        SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_DERIVATIVE);
        SelectGraph(hMainPanel, MAINP_SELECT_GRAPH, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(iSelect == SHOW_DERIVATIVE, r.offered && (iMess & MEAS_DERIVATIVE) != 0);
        if (iSelect == SHOW_DERIVATIVE)
            ExpectDerivativeShown();
    }
}

// In continuous mode every tick takes the sample anew and derives it.
TEST_F(MeasureSequence, ContinuousTicksDeriveEachNewTransmission) {
    MeasureTransmission();
    SetCtrlVal(hMainPanel, MAINP_SCDELAY, 0.0); // raised to the shortest period
    Press(MAINP_SCANMODE);
    Press(MAINP_FORMULA);
    const std::size_t fetched = Journal("ZOLT_FetchLight(").size();
    std::vector<double> last(dTrans, dTrans + stParam.pixelCount);
    for (std::size_t tick = 1; tick <= 2; ++tick) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return Journal("ZOLT_FetchLight(").size() >= fetched + tick && !measure_IsRunning();
            },
            10000));
        EXPECT_NE(std::vector<double>(dTrans, dTrans + stParam.pixelCount), last);
        ExpectDerivativeShown();
        last.assign(dTrans, dTrans + stParam.pixelCount);
    }
}

TEST_F(MeasureSequence, DarkPlusReferenceGivesBothKindsAndShowsTheReference) {
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 1);
    cbCheckBoxDarkRef(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(iMess, 3);
    EXPECT_EQ(iSelect, SHOW_REFERENCE);
    int shown = 0;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
    EXPECT_EQ(shown, SHOW_REFERENCE);
    EXPECT_EQ(iCbSelect, MEAS_DARK);
    EXPECT_EQ(Journal("ZOLT_InitMeasure(").size(), 2u);
    EXPECT_EQ(Journal("ZOLT_FetchDark(").size(), 1u);
    EXPECT_EQ(Journal("ZOLT_FetchLight(").size(), 1u);
    EXPECT_EQ(stSavedMeas.measured, 3);
}

TEST_F(MeasureSequence, OfflineStepReturnsMinusOneAndTouchesNothing) {
    iOffline = 1;
    iMess = 3;
    EXPECT_EQ(Step(MEAS_DARK), -1);
    EXPECT_EQ(iMess, 3);
    EXPECT_EQ(zsim_JournalCount(), 0u);
    int dimmed = 0;
    GetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
}

// ------------------------------------------------------------ acquisition

class MeasureAcquisition : public MeasureTest {};

TEST_F(MeasureAcquisition, EstimatedTimeOfSplitLightAcquisition) {
    stParam.splitTime = 100;
    stParam.sDelay = 5;
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 250.0);
    SetCtrlVal(hMainPanel, MAINP_AVER, 4);
    std::string first;
    OnClock([&](int) {
        const std::string t = CtrlText(MAINP_WAITING);
        if (first.empty() && t.rfind("ESTIMATED TIME", 0) == 0)
            first = t;
    });
    EXPECT_EQ(SpecRead(2), 0);
    EXPECT_EQ(first, "ESTIMATED TIME:  1.6 s");
}

TEST_F(MeasureAcquisition, BusyStatusKeepsPolling) {
    zsim_FailCall("ZOLT_MeasureStatusCore", 1, ZOLT_E_BUSY);
    EXPECT_EQ(SpecRead(1), 0);
    auto polls = Journal("ZOLT_MeasureStatusCore(");
    ASSERT_GE(polls.size(), 2u);
    EXPECT_NE(polls.front().find("-> 14"), std::string::npos);
    EXPECT_EQ(Journal("ZOLT_FetchDark(").size(), 1u);
}

TEST_F(MeasureAcquisition, FailedStartStillRestoresTriggerAndEvents) {
    zsim_FailCall("ZOLT_InitMeasure", 1, ZOLT_E_SEND);
    EXPECT_EQ(SpecRead(1), ZOLT_E_SEND);
    ExpectEventsRestored();
}

TEST_F(MeasureAcquisition, DeviceStillBusyAfterBothPhasesIsAnError) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    const double before = dLight[500];
    g_step = 1.0; // the 30 s pass in a few dozen polls
    zsim_SetNeverEnding(1);
    zsim_ClearJournal();
    ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    EXPECT_TRUE(HasError("Device busy!"));
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(dLight[500], before);
    EXPECT_TRUE(Journal("ZOLT_FetchLight(").empty());
    EXPECT_FALSE(Journal("ZOLT_Break(").empty()) << "the device is stopped after the wait";
    ExpectEventsRestored();
    // The device was stopped, so the next step measures.
    zsim_SetNeverEnding(0);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(iMess, 1);
}

TEST_F(MeasureAcquisition, FailedFetchIsAnErrorNotSuccess) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    zsim_FailCall("ZOLT_FetchLight", 1, ZOLT_E_RECEIVE);
    dLight[7] = -123.0;
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    EXPECT_TRUE(HasError("Could not receive from device!"));
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(dLight[7], -123.0);
    ExpectEventsRestored();
    // Only the failed step and the dark before it are offered.
    EXPECT_EQ(Dimmed(MAINP_DARK), 0);
    EXPECT_EQ(Dimmed(MAINP_REFERENCE), 0);
    EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 1);
}

// ---------------------------------------------------------------- breaks

class MeasureBreak : public MeasureTest {};

TEST_F(MeasureBreak, EscInFirstPhaseStopsSilently) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0); // one second of first phase
    zsim_SetNeverEnding(1);
    iRowLight[3] = 77;
    std::string phase;
    OnClock([&](int reading) {
        if (reading == 3) {
            phase = CtrlText(MAINP_WAITING);
            PressEsc();
        }
    });
    zsim_ClearJournal();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    EXPECT_EQ(phase.rfind("ESTIMATED TIME", 0), 0u) << phase;
    EXPECT_FALSE(AnyError());
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(iBreakMeas, 0);
    EXPECT_EQ(iRowLight[3], 0);
    EXPECT_FALSE(Journal("ZOLT_Break(").empty());
    EXPECT_TRUE(Journal("ZOLT_FetchLight(").empty());
    ExpectEventsRestored();
    EXPECT_EQ(Dimmed(MAINP_DARK), 0);
    EXPECT_EQ(Dimmed(MAINP_REFERENCE), 0);
    EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 1);
    int shown = 0;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
    EXPECT_EQ(shown, 1);
}

TEST_F(MeasureBreak, EscInSecondPhaseStopsSilently) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    zsim_SetNeverEnding(1);
    iSiCont = 1; // a continuous step: the break also ends continuous mode
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    bool pressed = false;
    OnClock([&](int) {
        if (!pressed && CtrlText(MAINP_WAITING) == "please wait...") {
            pressed = true;
            PressEsc();
        }
    });
    ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(AnyError());
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(iSiCont, 0);
    for (int i = 0; i < N(); ++i)
        ASSERT_EQ(iRowLight[i], 0) << i;
    EXPECT_EQ(Dimmed(MAINP_TRANSMISSION), 0);
    EXPECT_EQ(Dimmed(MAINP_ABSORBANCE), 1);
    int shown = 0;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &shown);
    EXPECT_EQ(shown, 2);
    ExpectEventsRestored();
}

// One Esc from the keyboard, arriving while the acquisition polls, stops it
// whatever holds the focus in the main window, in single and continuous mode.
TEST_F(MeasureBreak, OneEscKeyStopsTheAcquisitionWhereverTheFocusIs) {
    QWidget* panel = ShowMainWindow();
    ASSERT_NE(panel, nullptr);
    std::vector<QWidget*> focusable;
    for (QWidget* w : panel->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisible())
            focusable.push_back(w);
    ASSERT_GT(focusable.size(), 10u);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 2000.0);
    int tried = 0;
    for (const int continuous : {0, 1}) {
        for (QWidget* target : focusable) {
            SCOPED_TRACE(target->objectName().toStdString() + (continuous ? " continuous" : ""));
            iSiCont = continuous;
            SetCtrlVal(hMainPanel, MAINP_SCANMODE, continuous);
            bool pressed = false, focused = false;
            OnClock([&](int reading) {
                if (reading != 5)
                    return;
                QTimer::singleShot(0, [&] {
                    target->setFocus(Qt::MouseFocusReason);
                    focused = panel->focusWidget() == target;
                    QTest::keyClick(panel->windowHandle(), Qt::Key_Escape);
                    pressed = true;
                });
            });
            zsim_ClearJournal();
            ASSERT_EQ(Step(MEAS_REFERENCE), 0);
            ASSERT_TRUE(pressed);
            if (!focused)
                continue; // dimmed for the step: no user can focus it
            ++tried;
            EXPECT_FALSE(Journal("ZOLT_Break(").empty());
            EXPECT_TRUE(Journal("ZOLT_FetchLight(").empty());
            EXPECT_EQ(iSiCont, 0);
        }
    }
    EXPECT_GT(tried, static_cast<int>(focusable.size()));
    HidePanel(hMainPanel);
}

TEST_F(MeasureBreak, EscAtIdleDoesNotBreakTheNextMeasurement) {
    PressEsc();
    EXPECT_EQ(iBreakMeas, 0);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(iMess, 1);
    EXPECT_TRUE(Journal("ZOLT_Break(").empty());
    EXPECT_EQ(Journal("ZOLT_FetchDark(").size(), 1u);
}

TEST_F(MeasureBreak, BreakEndedByAnErrorIsNotCarriedToTheNextStep) {
    zsim_SetNeverEnding(1);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0);
    OnClock([&](int reading) {
        if (reading == 3) {
            PressEsc();
            zsim_FailCall("ZOLT_MeasureStatusCore", 0, ZOLT_E_RECEIVE);
        }
    });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_TRUE(HasError("Could not receive from device!"));
    EXPECT_EQ(iBreakMeas, 0);
    g_onClock = nullptr;
    zsim_ClearFaults();
    zsim_SetNeverEnding(0);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(iMess, 1);
}

TEST_F(MeasureAcquisition, StatusErrorStopsTheDevice) {
    zsim_SetNeverEnding(1);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0);
    OnClock([&](int reading) {
        if (reading == 3)
            zsim_FailCall("ZOLT_MeasureStatusCore", 0, ZOLT_E_RECEIVE);
    });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_TRUE(HasError("Could not receive from device!"));
    g_onClock = nullptr;
    zsim_ClearFaults();
    popup_script::Clear();
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_FALSE(AnyError());
    EXPECT_EQ(iMess, 1);
}

// ------------------------------------------------------------ re-entrancy

class MeasureReentrancy : public MeasureTest {};

TEST_F(MeasureReentrancy, NestedStepsReturnAtOnceWithoutEffects) {
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    int nested = 0;
    OnClock([&](int reading) {
        if (reading != 3)
            return;
        const size_t calls = zsim_JournalCount();
        const int mess = iMess, select = iCbSelect;
        EXPECT_EQ(main_Measure(), 0);
        // A device event presses the armed button, a timer ticks.
        CallCtrlCallback(hMainPanel, MAINP_TRANSMISSION, EVENT_COMMIT, 0, 0);
        ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
        EXPECT_EQ(zsim_JournalCount(), calls);
        EXPECT_EQ(iMess, mess);
        EXPECT_EQ(iCbSelect, select);
        ++nested;
    });
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(iMess, 3);
    EXPECT_EQ(Journal("ZOLT_InitMeasure(").size(), 2u);
}

TEST_F(MeasureReentrancy, ClickAfterSwitchingToSingleModeDuringContinuousStep) {
    SetCtrlVal(hMainPanel, MAINP_SCANMODE, 1);
    ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
    Callback_MeasureButton(hMainPanel, MAINP_DARK, EVENT_COMMIT, nullptr, 0, 0);
    bool clicked = false;
    OnClock([&](int reading) {
        if (reading != 3)
            return;
        SetCtrlVal(hMainPanel, MAINP_SCANMODE, 0);
        ScanMode(hMainPanel, MAINP_SCANMODE, EVENT_COMMIT, nullptr, 0, 0);
        const size_t calls = zsim_JournalCount();
        Callback_MeasureButton(hMainPanel, MAINP_REFERENCE, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(zsim_JournalCount(), calls);
        EXPECT_EQ(iCbSelect, MEAS_DARK);
        clicked = true;
    });
    ContMeas(hMainPanel, MAINP_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(iMess, 1);
    EXPECT_EQ(Journal("ZOLT_InitMeasure(").size(), 1u);
}

namespace {
int g_quits = 0;
bool g_quitInsideStep = false;
void TestQuit() {
    ++g_quits;
    g_quitInsideStep = measure_IsRunning() != 0;
    // What the real quit does to the measurement's resources.
    link_FreeSpectra();
    link_FreeRawCounts();
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;
    iOffline = 1;
    usStopFlag = 1;
}
} // namespace

TEST_F(MeasureReentrancy, QuitDuringPollWaitsForTheStepToUnwind) {
    g_quits = 0;
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 1);
    cbCheckBoxDarkRef(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0);
    int deferred = -1;
    OnClock([&](int reading) {
        if (reading == 3)
            deferred = measure_RequestQuitAfter(TestQuit);
    });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_EQ(deferred, 1);
    EXPECT_EQ(g_quits, 1);
    EXPECT_FALSE(g_quitInsideStep);
    EXPECT_EQ(Journal("ZOLT_InitMeasure(").size(), 1u) << "no reference after the quit";
    EXPECT_EQ(dDark, nullptr);
    // At idle nothing is deferred.
    EXPECT_EQ(measure_RequestQuitAfter(TestQuit), 0);
    EXPECT_EQ(g_quits, 1);
    usStopFlag = 0;
}

TEST_F(MeasureReentrancy, QuitMenuDuringPollQuitsAfterTheStep) {
    UseAxisScalingPanel(); // read back at quit
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 1000.0);
    bool asked = false;
    OnClock([&](int reading) {
        if (reading != 3)
            return;
        FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
        // Nothing is released under the running poll.
        EXPECT_NE(dDark, nullptr);
        EXPECT_NE(dwCurrentDevice, 0u);
        EXPECT_EQ(usStopFlag, 0);
        asked = true;
    });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_TRUE(asked);
    EXPECT_EQ(usStopFlag, 1);
    EXPECT_EQ(dDark, nullptr);
    EXPECT_FALSE(Journal("ZOLT_CloseDevice(").empty());
    EXPECT_TRUE(Journal("ZOLT_FetchDark(").empty());
    dwCurrentDevice = 0; // closed by the quit
    usStopFlag = 0;
}

// -------------------------------------------------------------- adaption

class MeasureAdaption : public MeasureTest {};

TEST_F(MeasureAdaption, StartCodes) {
    zsim_FailCall("ZOLT_StartAdaption", 1, 255);
    EXPECT_EQ(comm_AdaptionFirmware(), -99);
    zsim_FailCall("ZOLT_StartAdaption", 1, 11);
    EXPECT_EQ(comm_AdaptionFirmware(), -4);
    zsim_FailCall("ZOLT_StartAdaption", 1, ZOLT_E_SEND);
    EXPECT_EQ(comm_AdaptionFirmware(), -1);
}

TEST_F(MeasureAdaption, StatusCodes) {
    zsim_FailCall("ZOLT_CheckAdaptionStat", 1, 32);
    EXPECT_EQ(comm_AdaptionFirmware(), -3);
    ZOLT_Break(dwCurrentDevice);
    zsim_FailCall("ZOLT_CheckAdaptionStat", 1, 255);
    EXPECT_EQ(comm_AdaptionFirmware(), -99);
}

TEST_F(MeasureAdaption, SuccessShowsTheFoundValues) {
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 77.0);
    EXPECT_EQ(comm_AdaptionFirmware(), 0);
    float tint = 0.0f;
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &tint);
    float device = 0.0f;
    int32_t reserved = 0;
    ASSERT_EQ(ZOLT_GetTintConf(dwCurrentDevice, &device, &reserved), 0);
    EXPECT_FLOAT_EQ(tint, device);
    EXPECT_NE(tint, 77.0f);
}

TEST_F(MeasureAdaption, BreakGivesMinusTwoAndBreaksTheDarkThatFollows) {
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXDARKREF, 1);
    cbCheckBoxDarkRef(hMainPanel, MAINP_CHECKBOXDARKREF, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(hMainPanel, MAINP_CHECKBOXADAPT, 1);
    cbCheckBoxAdapt(hMainPanel, MAINP_CHECKBOXADAPT, EVENT_COMMIT, nullptr, 0, 0);
    zsim_SetMeasureTimeFactor(1000.0);
    OnClock([&](int reading) {
        if (reading == 2)
            PressEsc();
    });
    ASSERT_EQ(Step(MEAS_DARK), 0);
    EXPECT_FALSE(Journal("ZOLT_StartAdaption(").empty());
    EXPECT_FALSE(Journal("ZOLT_Break(").empty());
    EXPECT_TRUE(Journal("ZOLT_FetchDark(").empty());
    EXPECT_TRUE(Journal("ZOLT_ArbitraryCommand(").empty()) << "no lamp command with adaption";
    EXPECT_EQ(iMess, 0);
    EXPECT_EQ(iBreakMeas, 0);
    EXPECT_FALSE(AnyError());

    iBreakMeas = 1;
    ZOLT_Break(dwCurrentDevice);
    EXPECT_EQ(comm_AdaptionFirmware(), -2);
    zsim_FailCall("ZOLT_Break", 1, 255);
    EXPECT_EQ(comm_AdaptionFirmware(), -99);
    iBreakMeas = 0;
}

TEST_F(MeasureAdaption, TimeOutReturnsZeroAndStopsTheDevice) {
    g_step = 5.0;
    zsim_SetMeasureTimeFactor(1.0e6);
    EXPECT_EQ(comm_AdaptionFirmware(), 0);
    EXPECT_FALSE(Journal("ZOLT_Break(").empty());
    // The device is free for the dark acquisition.
    g_step = 0.01;
    zsim_SetMeasureTimeFactor(1.0);
    EXPECT_EQ(SpecRead(1), 0);
}
