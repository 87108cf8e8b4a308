// Axis mode and displayed range: clamping, the reset popup, relabelling per
// axis and what the axis switches end or keep.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <climits>
#include <string>

#include "test_display_support.h"
#include "ui/ui_qt.h"
#include "workspace/axis_mode.h"
#include "workspace/eval.h"

namespace {

constexpr int kPixels = 2048;

int Attr(int panel, int control, int attr) {
    int v = INT_MIN;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}
std::string Label(int control) {
    std::string s;
    GetCtrlAttribute(hMainPanel, control, ATTR_LABEL_TEXT, &s);
    return s;
}
int MenuDimmed(int item) {
    int v = -1;
    GetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, &v);
    return v;
}

class AxisTest : public display_test::DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        static int resetBar = LoadMenuBar(0, display_test::UiFile().c_str(), XAXISRESET);
        ASSERT_GT(resetBar, 0);
        hXAxisResetBar = resetBar;
        axis_RegisterCallbacks();
        Device(kPixels, 380.4, 1000.2); // 380 ... 1001 nm
        Fill(dTrans, [](double wl) { return wl / 10.0; });
        iStartFFT = 0;
    }
    void TearDown() override {
        hXAxisResetBar = 0;
        DisplayTest::TearDown();
    }
    // The axis chosen, showing 400 ... 780 nm or pixels 100 ... 1500.
    static void Switch(bool wavelength) {
        CallCtrlCallback(hAxisScaling, wavelength ? AXISSCAL_RB_X1 : AXISSCAL_RB_X2, EVENT_COMMIT,
                         0, 0);
        iStartWaveLen = 400, iEndWaveLen = 780, iStartPixel = 100, iEndPixel = 1500;
        set_LblForPxlWL();
    }
    static int Value(int control) { return Attr(hMainPanel, control, ATTR_CTRL_VAL); }
};

TEST(AxisClamp, TheLimitWinsWhereTheSpanCannotBeKept) {
    EXPECT_EQ(axis_ClampStart(385, 380, 388), 380);
    EXPECT_EQ(axis_ClampEnd(995, 1001, 995), 1001);
    EXPECT_EQ(axis_ClampStart(INT_MIN, 0, 100), 0);
    EXPECT_EQ(axis_ClampEnd(INT_MAX, 2047, 0), 2047);
}

TEST_F(AxisTest, TypedRangeIsClampedAndTheXAxisFollowsIt) {
    struct Case {
        bool wavelength;
        int control, typed, want;
    } cases[] = {
        {true, MAINP_STARTWL, 900, 770},    {true, MAINP_ENDWL, 405, 410},
        {true, MAINP_STARTWL, 300, 380},    {true, MAINP_ENDWL, 1200, 1001},
        {false, MAINP_STARTWL, -5, 0},      {false, MAINP_ENDWL, 3000, kPixels - 1},
        {false, MAINP_STARTWL, 1495, 1490}, {false, MAINP_ENDWL, 105, 110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.typed));
        Switch(c.wavelength);
        iStartWlScal = iEndWlScal = 1;
        iExcelDescription = 0;
        SetCtrlVal(hMainPanel, c.control, c.typed);
        CallCtrlCallback(hMainPanel, c.control, EVENT_VAL_CHANGED, 0, 0);

        const bool start = c.control == MAINP_STARTWL;
        EXPECT_EQ(Value(c.control), c.want);
        EXPECT_EQ(c.wavelength ? (start ? iStartWaveLen : iEndWaveLen)
                               : (start ? iStartPixel : iEndPixel),
                  c.want);
        EXPECT_EQ(start ? iStartWlScal : iEndWlScal, 0);
        EXPECT_EQ(iExcelDescription, 1);
        double lo = 0, hi = 0;
        GetAxisScalingMode(hMainPanel, MAINP_SPECGRAPH, VAL_XAXIS, nullptr, &lo, &hi);
        EXPECT_EQ(lo, Value(MAINP_STARTWL));
        EXPECT_EQ(hi, Value(MAINP_ENDWL));
    }
}

TEST_F(AxisTest, RightClickResetsToTheWholeRangeOnlyWhenChosen) {
    struct Case {
        bool wavelength, choose;
        int control, start, end;
    } cases[] = {
        {true, true, MAINP_STARTWL, 380, 1001},
        {true, false, MAINP_ENDWL, 400, 780},
        {false, true, MAINP_ENDWL, 0, kPixels - 1},
        {false, false, MAINP_STARTWL, 100, 1500},
    };
    for (const Case& c : cases) {
        Switch(c.wavelength);
        popup_script::Clear();
        popup_script::PushChoice(c.choose ? XAXISRESET_RESET : 0);
        CallCtrlCallback(hMainPanel, c.control, EVENT_RIGHT_CLICK, 10, 10);

        ASSERT_EQ(popup_script::Record().size(), 1u);
        EXPECT_EQ(popup_script::Record()[0].kind, popup_script::Kind::PopupMenu);
        EXPECT_EQ(Value(MAINP_STARTWL), c.start);
        EXPECT_EQ(Value(MAINP_ENDWL), c.end);
        EXPECT_EQ(c.wavelength ? iEndWaveLen : iEndPixel, c.end);
    }
}

// One right click, one menu: the click and the context menu event that
// follows it open the range menu only, not also the field's edit menu.
TEST_F(AxisTest, RightClickOpensNoSecondMenu) {
    DisplayPanel(hMainPanel);
    QStringList others;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&others] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            others << menu->metaObject()->className();
            menu->close();
        }
    });
    poll.start(5);
    for (int control : {MAINP_STARTWL, MAINP_ENDWL}) {
        QLineEdit* edit = UiCtrlWidget(hMainPanel, control)->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        popup_script::Clear();
        const QPoint at = edit->rect().center();
        QTest::mouseClick(edit, Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, edit->mapToGlobal(at));
        QApplication::sendEvent(edit, &menu);
        EXPECT_EQ(popup_script::Record().size(), 1u);
    }
    EXPECT_TRUE(others.isEmpty()) << others.join(' ').toStdString();
}

TEST_F(AxisTest, LabelsPrecisionAndLimitsFollowTheAxis) {
    struct Case {
        bool wavelength;
        const char *start, *end, *cursor, *unit, *peak;
        int digits, limits[4];
    } cases[] = {
        {true,
         "Start of Spectrum  /nm",
         "End of Spectrum  /nm",
         "Wavelength /nm",
         "nm",
         "Peak /nm",
         2,
         {380, 1000, 381, 1001}},
        {false,
         "Start Pixel",
         "End Pixel",
         "Pixel",
         "px",
         "Peak /px",
         0,
         {0, kPixels - 2, 2, kPixels - 1}},
    };
    iCkdMaxWave = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        Switch(c.wavelength);
        EXPECT_EQ(iXAchse, c.wavelength ? 1 : 0);
        EXPECT_EQ(Attr(hAxisScaling, AXISSCAL_RB_X1, ATTR_CTRL_VAL), c.wavelength ? 1 : 0);
        EXPECT_EQ(Label(MAINP_STARTWL), c.start);
        EXPECT_EQ(Label(MAINP_ENDWL), c.end);
        EXPECT_EQ(Label(MAINP_c1x), c.cursor);
        EXPECT_EQ(Label(MAINP_DOM_WAVE), c.peak);
        EXPECT_EQ(Attr(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION), c.digits);
        for (const FwhmSlot& slot : FWHM) {
            std::string unit;
            GetCtrlVal(hMainPanel, slot.unitCtrl, &unit);
            EXPECT_EQ(unit, c.unit);
            EXPECT_EQ(Attr(hMainPanel, slot.positionCtrl, ATTR_PRECISION), c.digits);
        }
        double limit[4] = {};
        GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MIN_VALUE, &limit[0]);
        GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MAX_VALUE, &limit[1]);
        GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MIN_VALUE, &limit[2]);
        GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MAX_VALUE, &limit[3]);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(limit[k], c.limits[k]) << k;
        const int pixelDim = c.wavelength ? 0 : 1;
        for (int item : {MENUBAR_inter, MENUBAR_VALLEY, MENUBAR_SYM})
            EXPECT_EQ(MenuDimmed(item), pixelDim);
        EXPECT_EQ(MenuDimmed(MENUBAR_MATH_FFT), 1 - pixelDim);
        for (int box : {WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE, WLVALUE_DOM_WAVE_BORDER})
            EXPECT_EQ(Attr(hWlValDispl, box, ATTR_DIMMED), pixelDim);
    }
}

TEST_F(AxisTest, CentroidChoicesEndOnlyWithTheWavelengthAxis) {
    Switch(true);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_COG_VALLEY, 1);
    SetCtrlVal(hWlValDispl, WLVALUE_CB_DOM_WAVE, 1);
    display_Display(1); // every draw relabels the axis
    EXPECT_EQ(Attr(hWlValDispl, WLVALUE_CB_COG_VALLEY, ATTR_CTRL_VAL), 1);
    EXPECT_EQ(Attr(hWlValDispl, WLVALUE_CB_DOM_WAVE, ATTR_CTRL_VAL), 1);

    Switch(false);
    EXPECT_EQ(Attr(hWlValDispl, WLVALUE_CB_COG_VALLEY, ATTR_CTRL_VAL), 0);
    EXPECT_EQ(Attr(hWlValDispl, WLVALUE_CB_DOM_WAVE, ATTR_CTRL_VAL), 0);
    // Even when asked for, no centroid runs over pixel numbers.
    iCkdCogVal = 1;
    display_Display(1);
    EXPECT_EQ(iMinWaveLen, 380);
    EXPECT_EQ(iMaxWaveLen, 1001);
}

TEST_F(AxisTest, SwitchingEndsMarkerModesAndTheSeriesView) {
    ValleyMode(hMenuBar, MENUBAR_VALLEY, nullptr, hMainPanel);
    Switch(false);
    EXPECT_EQ(Label(MAINP_FWHM_Threshold), "Peak width at");
    EXPECT_EQ(iValMode, 0);
    EXPECT_EQ(Checked(MENUBAR_NONE_MODE), 1);

    iStartFFT = 1;
    Switch(true);
    EXPECT_EQ(iStartFFT, 0);
    EXPECT_EQ(Attr(hMainPanel, MAINP_CB_FFT, ATTR_DIMMED), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_MATH_FFT), 1);
}

} // namespace
