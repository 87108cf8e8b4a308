// Axis mode and displayed range: clamping, the reset popup, relabelling per
// axis and what the axis switches end or keep.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "test_display_support.h"
#include "workspace/axis_mode.h"
#include "workspace/eval.h"

namespace {

using display_test::DisplayTest;

constexpr int kPixels = 2048;

class AxisTest : public DisplayTest {
  protected:
    void SetUp() override {
        DisplayTest::SetUp();
        static int resetBar = 0;
        if (resetBar <= 0)
            resetBar = LoadMenuBar(0, display_test::UiFile().c_str(), XAXISRESET);
        ASSERT_GT(resetBar, 0);
        hXAxisResetBar = resetBar;
        axis_RegisterCallbacks();
        Device(kPixels, 380.4, 1000.2); // 380 ... 1001 nm
        Fill(dTrans, [](double wl) { return wl / 10.0; });
        iStartPixel = 0;
        iEndPixel = kPixels - 1;
        iStartFFT = 0;
        SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 0);
    }
    void TearDown() override {
        hXAxisResetBar = 0;
        DisplayTest::TearDown();
    }

    static void Switch(bool wavelength) {
        CallCtrlCallback(hAxisScaling, wavelength ? AXISSCAL_RB_X1 : AXISSCAL_RB_X2, EVENT_COMMIT,
                         0, 0);
    }
    static int Value(int control) {
        int v = INT_MIN;
        GetCtrlVal(hMainPanel, control, &v);
        return v;
    }
    static void XAxis(double* lo, double* hi) {
        int mode = -1;
        GetAxisScalingMode(hMainPanel, MAINP_SPECGRAPH, VAL_XAXIS, &mode, lo, hi);
    }
    static std::string Label(int panel, int control) {
        std::string s;
        GetCtrlAttribute(panel, control, ATTR_LABEL_TEXT, &s);
        return s;
    }
    static int Attr(int panel, int control, int attr) {
        int v = -1;
        GetCtrlAttribute(panel, control, attr, &v);
        return v;
    }
    static int MenuDimmed(int item) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, ATTR_MENU_DIMMED, &v);
        return v;
    }
};

TEST(AxisClamp, KeepsTheSpanInsideTheLimits) {
    struct Case {
        bool start;
        int value, limit, other, want;
    } cases[] = {
        {true, 900, 380, 780, 770},   // start beyond the end
        {true, 300, 380, 780, 380},   // below the device
        {true, 500, 380, 780, 500},   // inside
        {true, 385, 380, 388, 380},   // the span cannot be kept: the limit wins
        {false, 405, 1001, 400, 410}, // end below start + 10
        {false, 1200, 1001, 400, 1001}, {false, 995, 1001, 995, 1001}, // likewise at the top
        {true, INT_MIN, 0, 100, 0},     {false, INT_MAX, 2047, 0, 2047},
    };
    for (const Case& c : cases) {
        const int got = c.start ? axis_ClampStart(c.value, c.limit, c.other)
                                : axis_ClampEnd(c.value, c.limit, c.other);
        EXPECT_EQ(got, c.want) << (c.start ? "start " : "end ") << c.value;
    }
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
        iStartWaveLen = 400;
        iEndWaveLen = 780;
        iStartPixel = 100;
        iEndPixel = 1500;
        set_LblForPxlWL();
        iStartWlScal = iEndWlScal = 1;
        iExcelDescription = 0;

        SetCtrlVal(hMainPanel, c.control, c.typed);
        CallCtrlCallback(hMainPanel, c.control, EVENT_VAL_CHANGED, 0, 0);

        EXPECT_EQ(Value(c.control), c.want);
        const bool start = c.control == MAINP_STARTWL;
        const int held = c.wavelength ? (start ? iStartWaveLen : iEndWaveLen)
                                      : (start ? iStartPixel : iEndPixel);
        EXPECT_EQ(held, c.want);
        EXPECT_EQ(start ? iStartWlScal : iEndWlScal, 0);
        EXPECT_EQ(iExcelDescription, 1);
        double lo = 0, hi = 0;
        XAxis(&lo, &hi);
        EXPECT_EQ(lo, Value(MAINP_STARTWL));
        EXPECT_EQ(hi, Value(MAINP_ENDWL));
        EXPECT_GE(Value(MAINP_ENDWL) - Value(MAINP_STARTWL), kMinRangeSpan);
    }
}

TEST_F(AxisTest, RightClickResetsToTheWholeRangeOnlyWhenChosen) {
    struct Case {
        bool wavelength;
        int control;
        bool choose;
        int start, end;
    } cases[] = {
        {true, MAINP_STARTWL, true, 380, 1001},
        {true, MAINP_ENDWL, false, 400, 780},
        {false, MAINP_ENDWL, true, 0, kPixels - 1},
        {false, MAINP_STARTWL, false, 100, 1500},
    };
    for (const Case& c : cases) {
        Switch(c.wavelength);
        iStartWaveLen = 400;
        iEndWaveLen = 780;
        iStartPixel = 100;
        iEndPixel = 1500;
        set_LblForPxlWL();
        popup_script::Clear();
        popup_script::PushChoice(c.choose ? XAXISRESET_RESET : 0);

        CallCtrlCallback(hMainPanel, c.control, EVENT_RIGHT_CLICK, 10, 10);

        ASSERT_EQ(popup_script::Record().size(), 1u);
        EXPECT_EQ(popup_script::Record()[0].kind, popup_script::Kind::PopupMenu);
        EXPECT_EQ(Value(MAINP_STARTWL), c.start);
        EXPECT_EQ(Value(MAINP_ENDWL), c.end);
        EXPECT_EQ(c.wavelength ? iStartWaveLen : iStartPixel, c.start);
        EXPECT_EQ(c.wavelength ? iEndWaveLen : iEndPixel, c.end);
    }
}

TEST_F(AxisTest, LabelsPrecisionAndLimitsFollowTheAxis) {
    struct Case {
        bool wavelength;
        const char *start, *end, *cursor, *unit, *peak;
        int digits, startMin, startMax, endMin, endMax;
    } cases[] = {
        {true, "Start of Spectrum  /nm", "End of Spectrum  /nm", "Wavelength /nm", "nm", "Peak /nm",
         2, 380, 1000, 381, 1001},
        {false, "Start Pixel", "End Pixel", "Pixel", "px", "Peak /px", 0, 0, kPixels - 2, 2,
         kPixels - 1},
    };
    iCkdMaxWave = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        Switch(c.wavelength);
        EXPECT_EQ(iXAchse, c.wavelength ? 1 : 0);
        EXPECT_EQ(iPxlWlMode, c.wavelength ? 1 : 0);
        EXPECT_EQ(Attr(hAxisScaling, AXISSCAL_RB_X1, ATTR_CTRL_VAL), c.wavelength ? 1 : 0);
        EXPECT_EQ(Label(hMainPanel, MAINP_STARTWL), c.start);
        EXPECT_EQ(Label(hMainPanel, MAINP_ENDWL), c.end);
        EXPECT_EQ(Label(hMainPanel, MAINP_c1x), c.cursor);
        EXPECT_EQ(Label(hMainPanel, MAINP_DOM_WAVE), c.peak);
        EXPECT_EQ(Attr(hMainPanel, MAINP_DOM_WAVE, ATTR_PRECISION), c.digits);
        for (const FwhmSlot& slot : FWHM) {
            std::string unit;
            GetCtrlVal(hMainPanel, slot.unitCtrl, &unit);
            EXPECT_EQ(unit, c.unit);
            EXPECT_EQ(Attr(hMainPanel, slot.positionCtrl, ATTR_PRECISION), c.digits);
        }
        double lo = 0, hi = 0;
        GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MIN_VALUE, &lo);
        GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MAX_VALUE, &hi);
        EXPECT_EQ(lo, c.startMin);
        EXPECT_EQ(hi, c.startMax);
        GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MIN_VALUE, &lo);
        GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MAX_VALUE, &hi);
        EXPECT_EQ(lo, c.endMin);
        EXPECT_EQ(hi, c.endMax);
        const int pixelDim = c.wavelength ? 0 : 1;
        EXPECT_EQ(MenuDimmed(MENUBAR_inter), pixelDim);
        EXPECT_EQ(MenuDimmed(MENUBAR_VALLEY), pixelDim);
        EXPECT_EQ(MenuDimmed(MENUBAR_SYM), pixelDim);
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
    EXPECT_EQ(iCkdCogVal, 0);
    EXPECT_EQ(iCkdDomWave, 0);

    // Even when asked for, no centroid runs over pixel numbers: the
    // device's wavelength range stays.
    iCkdCogVal = 1;
    display_Display(1);
    EXPECT_EQ(iMinWaveLen, 380);
    EXPECT_EQ(iMaxWaveLen, 1001);
}

TEST_F(AxisTest, SwitchingEndsMarkerModesAndTheSeriesView) {
    ValleyMode(hMenuBar, MENUBAR_VALLEY, nullptr, hMainPanel);
    ASSERT_EQ(iValMode, 1);
    Switch(false);
    EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_Threshold), "Peak width at");
    EXPECT_EQ(Label(hMainPanel, MAINP_FWHM_plotline), "Plot Peak Lines");
    EXPECT_EQ(iValMode, 0);
    EXPECT_EQ(Checked(MENUBAR_NONE_MODE), 1);
    EXPECT_EQ(Checked(MENUBAR_VALLEY), 0);

    iStartFFT = 1;
    Switch(true);
    EXPECT_EQ(iStartFFT, 0);
    EXPECT_EQ(Attr(hMainPanel, MAINP_CB_FFT, ATTR_DIMMED), 1);
    EXPECT_EQ(MenuDimmed(MENUBAR_MATH_FFT), 1);
    EXPECT_EQ(iFwhmMode + iValMode + sym_mode, 0);
}

} // namespace
