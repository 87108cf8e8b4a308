// Marker modes, the WL Values dialog and the wavelength read-outs.
#include <QTest>
#include <cmath>
#include <limits>
#include <string>

#include <qcustomplot.h>

#include "test_eval_support.h"
#include "ui/ui_qt.h"
#include "user_input.h"
#include "workspace/axis_mode.h"

namespace eval_test {
namespace {

class ModeTest : public EvalTest {
  protected:
    static int Visible(int control) { return Attr(hMainPanel, control, ATTR_VISIBLE); }
    static int GraphWidth() { return Attr(hMainPanel, MAINP_SPECGRAPH, ATTR_WIDTH_C); }
    static int Checked(int item) { return MenuAttr(item, ATTR_CHECKED); }
    static int Box(int control) { return Int(hWlValDispl, control); }
    static void Click(int panel, int control) {
        CallCtrlCallback(panel, control, EVENT_COMMIT, 0, 0);
    }
    // The user checks or unchecks a box of the WL Values dialog.
    static void SetBox(int control, int on) {
        SetCtrlVal(hWlValDispl, control, on);
        Click(hWlValDispl, control);
    }
    // The user double clicks the shown curve at its point nearest `nm`.
    static void DoubleClickCurve(double nm) {
        DisplayPanel(hMainPanel);
        RefreshGraph(hMainPanel, MAINP_SPECGRAPH);
        ProcessSystemEvents();
        int i = 0;
        for (int k = 1; k < iNumOfMeas; ++k)
            if (std::fabs(dXInterpolVal[k] - nm) < std::fabs(dXInterpolVal[i] - nm))
                i = k;
        auto* graph = qobject_cast<QCustomPlot*>(UiCtrlWidget(hMainPanel, MAINP_SPECGRAPH));
        const QPoint at(static_cast<int>(graph->xAxis->coordToPixel(dXInterpolVal[i])),
                        static_cast<int>(graph->yAxis->coordToPixel(dYInterpolVal[i])));
        QTest::mouseDClick(graph, Qt::LeftButton, {}, at);
    }
    // Two markers placed by hand, with their lines.
    static void TwoMarkers() {
        for (int k = 0; k < 2; ++k) {
            FWHM[k].x = 500.0 + k;
            FWHM[k].value = 1.0;
            FWHM[k].plotHandle =
                PlotLine(hMainPanel, MAINP_SPECGRAPH, 500.0 + k, 0, 500.0 + k, 1, 0);
        }
    }
};

TEST_F(ModeTest, EachMarkerModeAppliesItsTable) {
    const int big = GraphWidth();
    struct Case {
        MenuCallbackPtr choose;
        int item;
        int* flag;
        int protocolDimmed;
        const char* plotLabel;
        const char* levelLabel;
        int level;
        int average; // FWHM_AV and FWHM_UNIT_AV shown
        int help;
        int caption;
        const char* radio;
    } cases[] = {
        {PeakMode, MENUBAR_FWHM, &iFwhmMode, 0, "Plot Peak Lines", "Peak width at", 50, 1, 0,
         MAINP_FWHMMODE_CAPTION, "Peak 12"},
        {ValleyMode, MENUBAR_VALLEY, &iValMode, 1, "Plot Valley Lines", "Valley width at", 50, 0, 0,
         MAINP_VALLEYMODE_CAPTION, "Valley 12"},
        {SymMode, MENUBAR_SYM, &sym_mode, 1, "Plot Peak Lines", "Symmetry at", 10, 0, 1,
         MAINP_SYMMODE_CAPTION, "Peak 12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.levelLabel);
        TwoMarkers();
        const int plots = Plots();
        c.choose(hMenuBar, c.item, nullptr, hMainPanel);
        EXPECT_EQ(*c.flag, 1);
        EXPECT_EQ(iFwhmMode + iValMode + sym_mode, 1);
        for (int item : {MENUBAR_FWHM, MENUBAR_VALLEY, MENUBAR_SYM, MENUBAR_NONE_MODE})
            EXPECT_EQ(Checked(item), item == c.item) << item;
        EXPECT_EQ(MenuAttr(MENUBAR_FILE_PROTOCOL, ATTR_MENU_DIMMED), c.protocolDimmed);
        EXPECT_LT(GraphWidth(), big);
        EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_plotline), c.plotLabel);
        EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_Threshold), c.levelLabel);
        EXPECT_EQ(Int(hMainPanel, MAINP_FWHM_Threshold), c.level);
        EXPECT_EQ(Visible(MAINP_FWHM_AV), c.average);
        EXPECT_EQ(Visible(MAINP_FWHM_UNIT_AV), c.average);
        EXPECT_EQ(Visible(MAINP_SHOWHELP), c.help);
        for (int caption :
             {MAINP_FWHMMODE_CAPTION, MAINP_VALLEYMODE_CAPTION, MAINP_SYMMODE_CAPTION})
            EXPECT_EQ(Visible(caption), caption == c.caption) << caption;
        for (int area : {MAINP_RBPEAK12, MAINP_FWHM_NM7, MAINP_FWHM_UNIT_3, MAINP_DEL_ALL_PEAK,
                         MAINP_FWHM_plotline, MAINP_FWHMMODE_DECO})
            EXPECT_EQ(Visible(area), 1) << area;
        EXPECT_EQ(Label(hMainPanel, MAINP_RBPEAK12), c.radio);
        EXPECT_EQ(Occupied(), 0); // choosing a mode clears the markers
        EXPECT_EQ(Plots(), plots - 2);
    }
    // The three captions sit in one place.
    EXPECT_EQ(Attr(hMainPanel, MAINP_VALLEYMODE_CAPTION, ATTR_LEFT_C),
              Attr(hMainPanel, MAINP_FWHMMODE_CAPTION, ATTR_LEFT_C));

    Click(hMainPanel, MAINP_SHOWHELP);
    int shown = 0;
    GetPanelAttribute(hAsFHelp, ATTR_VISIBLE_PANEL, &shown);
    EXPECT_EQ(shown, 1);
    Click(hAsFHelp, ASFHELP_CMDCLOSEASFHELP);
    GetPanelAttribute(hAsFHelp, ATTR_VISIBLE_PANEL, &shown);
    EXPECT_EQ(shown, 0);
}

TEST_F(ModeTest, NoneModeHidesTheAreaAndEnlargesTheGraph) {
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    const int small = GraphWidth();
    TwoMarkers();
    const int plots = Plots();
    NoneMode(hMenuBar, MENUBAR_NONE_MODE, nullptr, hMainPanel);
    EXPECT_EQ(iFwhmMode + iValMode + sym_mode, 0);
    EXPECT_GT(GraphWidth(), small);
    EXPECT_EQ(Checked(MENUBAR_NONE_MODE), 1);
    EXPECT_EQ(Checked(MENUBAR_FWHM) + Checked(MENUBAR_VALLEY) + Checked(MENUBAR_SYM), 0);
    EXPECT_EQ(MenuAttr(MENUBAR_FILE_PROTOCOL, ATTR_MENU_DIMMED), 1);
    EXPECT_EQ(Plots(), plots - 2);
    EXPECT_EQ(Occupied(), 0);
    for (int c : {MAINP_RBPEAK1, MAINP_FWHM12, MAINP_FWHM_NM3, MAINP_FWHM_UNIT_4, MAINP_FWHM_AV,
                  MAINP_FWHM_UNIT_AV, MAINP_FWHMMODE_DECO, MAINP_FWHM_plotline,
                  MAINP_FWHM_Threshold, MAINP_TEXTMSG_8, MAINP_DEL_ALL_PEAK, MAINP_FWHMMODE_CAPTION,
                  MAINP_VALLEYMODE_CAPTION, MAINP_SYMMODE_CAPTION, MAINP_SHOWHELP})
        EXPECT_EQ(Visible(c), 0) << c;
    EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_Threshold), "Peak width at"); // unchanged

    // The axis switches leave a mode the same way, without the rest.
    ValleyMode(hMenuBar, MENUBAR_VALLEY, nullptr, hMainPanel);
    set_HidePeaksPanel();
    EXPECT_EQ(iFwhmMode + iValMode + sym_mode, 0);
    EXPECT_GT(GraphWidth(), small);
    EXPECT_EQ(Checked(MENUBAR_NONE_MODE), 1);
    EXPECT_EQ(Checked(MENUBAR_VALLEY), 0);
}

// Chosen again from the menu, the active mode stays with its markers, and
// the next double click on the curve places one more.
TEST_F(ModeTest, ChoosingTheActiveModeAgainKeepsItAndItsMarkers) {
    struct Case {
        const char* item;
        int menu, sample, level;
        double first, second;
        const char* relabelled; // the plot-line box after the second choice
    } cases[] = {
        {"FWHM", MENUBAR_FWHM, ZSIM_SAMPLE_EMISSION, 50, 404.66, 435.84, "x"},
        {"VALLEY", MENUBAR_VALLEY, ZSIM_SAMPLE_HOLMIUM, 90, 414.8, 449.9, "Plot Valley Lines"},
        {"SYM", MENUBAR_SYM, ZSIM_SAMPLE_EMISSION, 10, 404.66, 435.84, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        MeasureReference(c.sample);
        user_input::Choose(hMainPanel, c.item);
        SetCtrlVal(hMainPanel, MAINP_FWHM_Threshold, c.level);
        DoubleClickCurve(c.first);
        SetCtrlAttribute(hMainPanel, MAINP_FWHM_plotline, ATTR_LABEL_TEXT, "x");
        user_input::Choose(hMainPanel, c.item);
        for (int item : {MENUBAR_FWHM, MENUBAR_VALLEY, MENUBAR_SYM, MENUBAR_NONE_MODE})
            EXPECT_EQ(Checked(item), item == c.menu) << item;
        EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_plotline), c.relabelled);
        DoubleClickCurve(c.second);
        EXPECT_EQ(Occupied(), 2);
    }
}

// An axis switch, with a marker mode or in a fresh session, leaves no part of
// the marker area over the enlarged graph, also once the next step is drawn.
TEST_F(ModeTest, AxisSwitchesHideTheWholeMarkerArea) {
    UseAxisScalingPanel();
    axis_RegisterCallbacks();
    DisplayPanel(hMainPanel);
    std::vector<int> area = {MAINP_FWHM_UNIT_AV,    MAINP_FWHMMODE_DECO,     MAINP_FWHM_plotline,
                             MAINP_FWHM_Threshold,  MAINP_FWHM_AV,           MAINP_TEXTMSG_8,
                             MAINP_DEL_ALL_PEAK,    MAINP_FWHMMODE_CAPTION,  MAINP_SHOWHELP,
                             MAINP_SYMMODE_CAPTION, MAINP_VALLEYMODE_CAPTION};
    for (const FwhmSlot& slot : FWHM)
        area.insert(area.end(), {slot.valueCtrl, slot.positionCtrl, slot.unitCtrl, slot.radioCtrl});
    const std::pair<const char*, int> cases[] = {
        {nullptr, AXISSCAL_RB_X2},
        {"FWHM", AXISSCAL_RB_X2},
        {"SYM", AXISSCAL_RB_X2},
        {"FWHM", AXISSCAL_RB_X1}}; // a mode chosen on the pixel axis
    for (const auto& [mode, radio] : cases) {
        SCOPED_TRACE(mode ? mode : "none");
        user_input::Click(hAxisScaling, radio == AXISSCAL_RB_X1 ? AXISSCAL_RB_X2 : AXISSCAL_RB_X1);
        if (mode != nullptr)
            user_input::Choose(hMainPanel, mode);
        user_input::Click(hAxisScaling, radio);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        EXPECT_EQ(MenuAttr(MENUBAR_FILE_PROTOCOL, ATTR_MENU_DIMMED), 1);
        for (int control : area)
            EXPECT_FALSE(UiCtrlWidget(hMainPanel, control)->isVisible()) << control;
    }
}

// ------------------------------------------------------- WL Values dialog

TEST_F(ModeTest, CheckBoxRulesOfTheWlValuesDialog) {
    SetBox(WLVALUE_CB_MIN_WAVE, 1);
    SetBox(WLVALUE_CB_FWHM, 1);
    EXPECT_EQ(Box(WLVALUE_CB_MIN_WAVE), 0);
    EXPECT_EQ(Visible(MAINP_FWHM), 0);

    SetBox(WLVALUE_CB_DOM_WAVE, 1);
    EXPECT_EQ(Visible(MAINP_DOM_WAVE), 1);
    SetBox(WLVALUE_CB_MAX_WAVE, 1);
    EXPECT_EQ(Box(WLVALUE_CB_DOM_WAVE), 0);
    EXPECT_EQ(Box(WLVALUE_CB_FWHM), 1); // the width combines with the peak

    SetBox(WLVALUE_CB_MIN_WAVE, 1);
    EXPECT_EQ(Box(WLVALUE_CB_MAX_WAVE) + Box(WLVALUE_CB_FWHM), 0);

    SetBox(WLVALUE_CB_DOM_WAVE, 1);
    EXPECT_EQ(Box(WLVALUE_CB_MIN_WAVE), 0);
    SetBox(WLVALUE_CB_DOM_WAVE, 0);
    EXPECT_EQ(Visible(MAINP_DOM_WAVE), 0);
    // Unchecking only unchecks.
    SetBox(WLVALUE_CB_FWHM, 1);
    SetBox(WLVALUE_CB_FWHM, 0);
    EXPECT_EQ(Box(WLVALUE_CB_FWHM), 0);
}

TEST_F(ModeTest, ValleyCentroidAsksForItsInterval) {
    SetBox(WLVALUE_CB_FWHM, 1);
    popup_script::PushChoice(COG_VAL_CANCEL_BUTTON);
    SetBox(WLVALUE_CB_COG_VALLEY, 1);
    EXPECT_EQ(Box(WLVALUE_CB_COG_VALLEY), 0);
    EXPECT_EQ(Box(WLVALUE_CB_FWHM), 0);
    EXPECT_EQ(dCOGInterval, 10.0);

    // The close box cancels too.
    popup_script::PushChoice(0);
    SetBox(WLVALUE_CB_COG_VALLEY, 1);
    EXPECT_EQ(Box(WLVALUE_CB_COG_VALLEY), 0);

    SetCtrlVal(hCOGIntervalPanel, COG_VAL_NUMERIC, 4.5);
    popup_script::PushChoice(COG_VAL_OK_BUTTON);
    SetBox(WLVALUE_CB_COG_VALLEY, 1);
    EXPECT_EQ(Box(WLVALUE_CB_COG_VALLEY), 1);
    EXPECT_EQ(dCOGInterval, 4.5);
}

TEST_F(ModeTest, ZeroIntervalIsRefusedAndTheLastOneKept) {
    dCOGInterval = 6.0;
    SetCtrlVal(hCOGIntervalPanel, COG_VAL_NUMERIC, 0.0);
    popup_script::PushChoice(COG_VAL_OK_BUTTON);     // refused: asked again
    popup_script::PushChoice(COG_VAL_CANCEL_BUTTON); // then left
    SetBox(WLVALUE_CB_COG_VALLEY, 1);
    EXPECT_EQ(dCOGInterval, 6.0);
    EXPECT_EQ(Box(WLVALUE_CB_COG_VALLEY), 0);
    bool told = false;
    for (const auto& s : popup_script::Record())
        told |= s.kind == popup_script::Kind::Message &&
                s.text == "The interval must be greater than 0 nm.";
    EXPECT_TRUE(told);
    EXPECT_EQ(popup_script::Pending(), 0u);
}

TEST_F(ModeTest, CondDisplayTakesTheChoicesAndConfiguresTheReadOut) {
    struct Case {
        int box;
        int xAxis;
        const char* label;
        int digits;
    } cases[] = {
        {WLVALUE_CB_MAX_WAVE, 1, "Peak /nm", 2},
        {WLVALUE_CB_MAX_WAVE, 0, "Peak /px", 0},
        {WLVALUE_CB_MIN_WAVE, 1, "Valley /nm", 2},
        {WLVALUE_CB_MIN_WAVE, 0, "Valley /px", 0},
        {WLVALUE_CB_COG_VALLEY, 1, "COG Valley /nm", 3},
        {WLVALUE_CB_DOM_WAVE, 1, "Centroid Wavelength /nm", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Click(hWlValDispl, WLVALUE_CDB_CANCEL);
        SetCtrlVal(hWlValDispl, c.box, 1);
        iXAchse = iPxlWlMode = c.xAxis;
        popup_script::PushChoice(WLVALUE_CDB_OK);
        CondDisplay(hMenuBar, MENUBAR_WL_VALUES, nullptr, hMainPanel);
        iXAchse = iPxlWlMode = 1;
        EXPECT_EQ(iCkdMaxWave, c.box == WLVALUE_CB_MAX_WAVE);
        EXPECT_EQ(iCkdMinWave, c.box == WLVALUE_CB_MIN_WAVE);
        EXPECT_EQ(iCkdCogVal, c.box == WLVALUE_CB_COG_VALLEY);
        EXPECT_EQ(iCkdDomWave, c.box == WLVALUE_CB_DOM_WAVE);
        EXPECT_EQ(Label(hMainPanel, MAINP_DOM_WAVE), c.label);
        EXPECT_EQ(Attr(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION), c.digits);
    }

    // Only the width: the position read-out keeps its look.
    Click(hWlValDispl, WLVALUE_CDB_CANCEL);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, 1);
    popup_script::PushChoice(WLVALUE_CDB_OK);
    CondDisplay(hMenuBar, MENUBAR_WL_VALUES, nullptr, hMainPanel);
    EXPECT_EQ(iCkdFwhm, 1);
    EXPECT_EQ(Label(hMainPanel, MAINP_DOM_WAVE), "Centroid Wavelength /nm");
}

TEST_F(ModeTest, CancelAndTheCloseBoxTurnEveryReadOutOff) {
    for (int answer : {static_cast<int>(WLVALUE_CDB_CANCEL), 0}) {
        SCOPED_TRACE(answer);
        SetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, 1);
        SetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, 1);
        iCkdFwhm = iCkdMaxWave = 1;
        popup_script::PushChoice(answer);
        CondDisplay(hMenuBar, MENUBAR_WL_VALUES, nullptr, hMainPanel);
        EXPECT_EQ(iCkdFwhm + iCkdMaxWave + iCkdMinWave + iCkdCogVal + iCkdDomWave, 0);
        for (int box : {WLVALUE_CB_FWHM, WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE,
                        WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE})
            EXPECT_EQ(Box(box), 0);
    }
}

TEST_F(ModeTest, DomWaveCtrlRestoresTheReadOut) {
    struct Case {
        int kind;
        const char* label;
        int digits;
        int box;
    } cases[] = {{1, "Peak /nm", 2, WLVALUE_CB_MAX_WAVE},
                 {2, "Valley /nm", 2, WLVALUE_CB_MIN_WAVE},
                 {3, "Centroid Wavelength /nm", 3, WLVALUE_CB_DOM_WAVE},
                 {4, "COG Valley /nm", 3, WLVALUE_CB_COG_VALLEY}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_VISIBLE, 0);
        SetCtrlVal(hWlValDispl, c.box, 0);
        set_DomWaveCtrl(c.kind);
        EXPECT_EQ(Label(hMainPanel, MAINP_DOM_WAVE), c.label);
        EXPECT_EQ(Attr(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION), c.digits);
        EXPECT_EQ(Box(c.box), 1);
        EXPECT_EQ(Visible(MAINP_DOM_WAVE), 1);
    }
    // The valley centroid restored at start-up gets the dialog's interval
    // when none was confirmed yet; a confirmed one stays.
    SetCtrlVal(hCOGIntervalPanel, COG_VAL_NUMERIC, 7.5);
    dCOGInterval = 0.0;
    set_DomWaveCtrl(4);
    EXPECT_EQ(dCOGInterval, 7.5);
    dCOGInterval = 3.0;
    set_DomWaveCtrl(4);
    EXPECT_EQ(dCOGInterval, 3.0);

    SetCtrlAttribute(hMainPanel, MAINP_DOM_WAVE, ATTR_VISIBLE, 0);
    set_DomWaveCtrl(0);
    EXPECT_EQ(Visible(MAINP_DOM_WAVE), 0);
    EXPECT_EQ(Label(hMainPanel, MAINP_DOM_WAVE), "COG Valley /nm");
}

// ------------------------------------------------------------ read-outs

TEST_F(ModeTest, PeakWavelengthAndWidthFollowTheCursor) {
    SetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, 1);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, 1);
    iCkdFwhm = iCkdMaxWave = 1;
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    ASSERT_GT(iAnzahlFWHM, 1);
    MoveCursorTo(546.07 - 0.8);
    EXPECT_NEAR(Num(hMainPanel, MAINP_DOM_WAVE), 546.07, 0.1);
    EXPECT_NEAR(Num(hMainPanel, MAINP_FWHM), zsim_EmissionLineFwhm(), PixelStepAt(546.07));
    EXPECT_EQ(Label(hMainPanel, MAINP_FWHM), "FWHM /nm");
    double x = 0, y = 0;
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, &x, &y);
    EXPECT_NEAR(x, 546.07, 0.1);
    EXPECT_NEAR(Num(hMainPanel, MAINP_c1x), x, 1e-9);
}

TEST_F(ModeTest, OfflineCursorMoveLeavesTheCursorWhereItWas) {
    SetCtrlVal(hWlValDispl, WLVALUE_CB_MAX_WAVE, 1);
    iCkdMaxWave = 1;
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    CursorTo(500.0);
    double x0 = 0, y0 = 0;
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, &x0, &y0);
    iOffline = 1;
    CallCtrlCallback(hMainPanel, MAINP_SPECGRAPH, EVENT_COMMIT, 1, 0);
    iOffline = 0;
    double x = 0, y = 0;
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, &x, &y);
    EXPECT_DOUBLE_EQ(x, x0); // not moved to the curve's first point
}

TEST_F(ModeTest, PeakCentroidOfASymmetricLineIsItsCentre) {
    SetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, 1);
    iCkdDomWave = 1;
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    MoveCursorTo(435.84 + 0.7);
    EXPECT_NEAR(Num(hMainPanel, MAINP_DOM_WAVE), 435.84, 0.05);
    EXPECT_NEAR(dXcursor, 435.84, 0.05);
    const int line = iDomWaveLineHandle;
    EXPECT_NE(line, 0);
    const int plots = Plots(); // the curve and one centroid line
    EXPECT_EQ(plots, 2);
    // The next evaluation replaces the line.
    MoveCursorTo(404.66);
    EXPECT_NEAR(Num(hMainPanel, MAINP_DOM_WAVE), 404.66, 0.05);
    EXPECT_NE(iDomWaveLineHandle, line);
    EXPECT_EQ(Plots(), plots);
}

TEST_F(ModeTest, PeakCentroidReadsNoneWhenItCannotBeFormed) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    auto noneAt = [&](double nm) {
        SetCtrlVal(hMainPanel, MAINP_DOM_WAVE, 123.0);
        iDomWaveLineHandle = 0;
        const int plots = Plots();
        dXcursor = nm;
        DomWave();
        EXPECT_EQ(Num(hMainPanel, MAINP_DOM_WAVE), 0.0);
        EXPECT_EQ(iDomWaveLineHandle, 0);
        EXPECT_EQ(Plots(), plots);
    };
    // Levels at or beyond the ends.
    for (double level : {0.0, 100.0}) {
        SCOPED_TRACE(level);
        SetCtrlVal(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, level);
        noneAt(435.84);
    }
    SetCtrlVal(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, 50.0);
    // Outside the displayed range.
    SetCtrlVal(hMainPanel, MAINP_ENDWL, 430);
    noneAt(435.84);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, 700);
    // A curve that holds no number around the line.
    for (int i = 0; i < iNumOfMeas; ++i)
        if (std::fabs(dXInterpolVal[i] - 435.84) < 3.0)
            dYInterpolVal[i] = std::numeric_limits<double>::quiet_NaN();
    noneAt(435.84);
    // The pixel axis has no centroid.
    iXAchse = 0;
    noneAt(435.84);
    iXAchse = 1;
}

TEST_F(ModeTest, ValleyCentroidOfASymmetricBandIsItsCentre) {
    SetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, 1);
    iCkdCogVal = 1;
    dCOGInterval = 10.0;
    MeasureTransmission(ZSIM_SAMPLE_HOLMIUM);
    ASSERT_GT(iNumOfMeas, 1000);
    MoveCursorTo(451.4 + 1.0);
    EXPECT_NEAR(Num(hMainPanel, MAINP_DOM_WAVE), 451.4, 0.05);
}

} // namespace
} // namespace eval_test
