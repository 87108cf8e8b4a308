// Smoothing settings: the menu's one choice, the dialog's checks and
// corrections, and the smoothed reference of the simulated instrument.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "user_input.h"
#include "workspace/smooth.h"
#include "workspace/state.h"
#include "zolt_sim.h"

using namespace measure_test;
using user_input::Choose;

namespace {

int Checked(int item) {
    int v = -1;
    GetMenuBarAttribute(hMenuBar, item, ATTR_CHECKED, &v);
    return v;
}
// The check marks of SavitzkyGolay, Boxcar and no as three digits.
std::string Marks() {
    std::string m;
    for (int item : {MENUBAR_SavGolMenu, MENUBAR_BoxcarMenu, MENUBAR_noSmoothMenu})
        m += std::to_string(Checked(item));
    return m;
}
bool DialogShown() {
    int v = 0;
    GetPanelAttribute(hSmoothPanel, ATTR_VISIBLE_PANEL, &v);
    return v != 0;
}
// Savitzky-Golay (degree, left, right) or, with degree < 0, a boxcar of
// width `left`, confirmed in the dialog.
void Apply(int degree, int left, int right) {
    Choose(hMainPanel, degree >= 0 ? "SavGolMenu" : "BoxcarMenu");
    if (degree >= 0) {
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGDEGREE, degree);
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGLEFTNUM, left);
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGRIGHTNUM, right);
    } else {
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_BOXCARPAR, left);
    }
    CallCtrlCallback(hSmoothPanel, SMOOTHFLTR_SMOOTHOK, EVENT_COMMIT, 0, 0);
}

class SmoothTest : public MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        UseAxisScalingPanel();
        smooth_ResetState();
    }
    void TearDown() override {
        RemovePopup(hSmoothPanel);
        MeasureTest::TearDown();
    }
};

// What the dialog's resource limits keep out but the checks must still hold.
TEST(SmoothCheck, VerdictsBeyondTheFieldLimits) {
    EXPECT_EQ(smooth_CheckSavGol(2, -1, 4, 2048), SMOOTH_NEGATIVE_COUNT);
    EXPECT_EQ(smooth_CheckSavGol(-2, 2, 2, 2048), SMOOTH_NEGATIVE_DEGREE);
    EXPECT_EQ(smooth_CheckSavGol(2, INT_MAX, INT_MAX, 2048), SMOOTH_WINDOW_TOO_WIDE);
    EXPECT_EQ(smooth_CheckSavGol(2, 50, 50, 0), SMOOTH_ACCEPTED); // no device known
    EXPECT_EQ(smooth_CheckSavGol(0, 1, 0, 2048), SMOOTH_ACCEPTED);
    EXPECT_EQ(smooth_CheckBoxcar(-3, 2048), SMOOTH_WIDTH_BELOW_ONE);
    EXPECT_EQ(smooth_CheckBoxcar(0, 2048), SMOOTH_WIDTH_BELOW_ONE);
}

TEST_F(SmoothTest, DialogCorrectsOrTakesTheValues) {
    struct Case {
        int degree, left, right; // degree < 0: boxcar of width `left`
        int pixels;
        const char* message; // nullptr: accepted
        int field, shown;    // field corrected and what it shows
        const char* marks;
    } cases[] = {
        {3, 2, 2, 0, "Degree must be an even number", SMOOTHFLTR_SGDEGREE, 2, "001"},
        {4, 2, 2, 0, "Degree of the polynom must be smaller that the number of points",
         SMOOTHFLTR_SGDEGREE, 2, "001"},
        {6, 2, 3, 0, "Degree of the polynom must be smaller that the number of points",
         SMOOTHFLTR_SGDEGREE, 4, "001"},
        {0, 0, 0, 0, "Left and right number of elements must not both be 0", SMOOTHFLTR_SGLEFTNUM,
         2, "001"},
        {2, 40, 40, 81, "The filter must be narrower than the number of pixels",
         SMOOTHFLTR_SGRIGHTNUM, 2, "001"},
        {-1, 4, 0, 0, "Degree must be an odd number", SMOOTHFLTR_BOXCARPAR, 1, "001"},
        {-1, 81, 0, 81, "The filter must be narrower than the number of pixels",
         SMOOTHFLTR_BOXCARPAR, 1, "001"},
        {4, 3, 3, 0, nullptr, SMOOTHFLTR_SGDEGREE, 4, "100"},
        {-1, 7, 0, 0, nullptr, SMOOTHFLTR_BOXCARPAR, 7, "010"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.degree) + " " + std::to_string(c.left));
        smooth_ResetState();
        if (c.pixels > 0)
            stParam.pixelCount = c.pixels;
        popup_script::Clear();
        Apply(c.degree, c.left, c.right);

        const auto shown = ShownTexts();
        if (c.message != nullptr) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0], std::string("Error: ") + c.message);
            EXPECT_TRUE(DialogShown());
            // The values in force stay until the dialog's values pass.
            EXPECT_EQ(inL + inR + iDeg + iBxcrParam, 7);
        } else {
            EXPECT_TRUE(shown.empty());
            EXPECT_FALSE(DialogShown());
        }
        int field = INT_MIN;
        GetCtrlVal(hSmoothPanel, c.field, &field);
        EXPECT_EQ(field, c.shown);
        EXPECT_EQ(Marks(), c.marks);
        EXPECT_EQ(iSvGlChecked, c.marks[0] == '1' ? 1 : 0);
        EXPECT_EQ(iBxcrChecked, c.marks[1] == '1' ? 1 : 0);
        RemovePopup(hSmoothPanel);
        stParam.pixelCount = 2048;
    }
    EXPECT_EQ(iBxcrParam, 7);
}

TEST_F(SmoothTest, MenuShowsOneChoiceAndCancelSwitchesSmoothingOff) {
    Apply(-1, 5, 0);
    ASSERT_EQ(Marks(), "010");
    for (int button :
         {MAINP_DARK, MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA})
        SetCtrlAttribute(hMainPanel, button, ATTR_DIMMED, 0);

    Choose(hMainPanel, "SavGolMenu");
    // Opening the dialog changes no mark; the filter in force stays shown.
    EXPECT_EQ(Marks(), "010");
    EXPECT_TRUE(DialogShown());
    EXPECT_EQ(Dimmed(MAINP_DARK), 0);
    for (int button : {MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA})
        EXPECT_EQ(Dimmed(button), 1);

    CallCtrlCallback(hSmoothPanel, SMOOTHFLTR_CB_SMOOTH_CANCEL, EVENT_RIGHT_CLICK, 0, 0);
    EXPECT_TRUE(DialogShown());
    CallCtrlCallback(hSmoothPanel, SMOOTHFLTR_CB_SMOOTH_CANCEL, EVENT_COMMIT, 0, 0);
    EXPECT_FALSE(DialogShown());
    EXPECT_EQ(Marks(), "001");

    // "no" chosen while checked stays checked and dims nothing.
    SetCtrlAttribute(hMainPanel, MAINP_REFERENCE, ATTR_DIMMED, 0);
    Choose(hMainPanel, "noSmoothMenu");
    EXPECT_EQ(Marks(), "001");
    EXPECT_EQ(Dimmed(MAINP_REFERENCE), 0);
}

// Noise of a measured reference: the spread of the difference of two, in
// which the spectrum itself cancels.
double Noise(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::pow(a[i] - b[i], 2);
    return std::sqrt(sum / static_cast<double>(a.size()) / 2.0);
}

// Centroid of the curve within 3 nm of `line` (dark subtracted: the base
// line is near 0).
double LineCentroid(const std::vector<double>& y, double line) {
    double wsum = 0.0, xsum = 0.0;
    for (int i = 0; i < stParam.pixelCount; ++i) {
        if (std::fabs(dLambda[i] - line) <= 3.0) {
            wsum += y[static_cast<std::size_t>(i)];
            xsum += y[static_cast<std::size_t>(i)] * dLambda[i];
        }
    }
    return xsum / wsum;
}

TEST_F(SmoothTest, SmoothedEmissionReferenceHasLessNoiseAndKeepsItsLines) {
    ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_EMISSION), 0);
    ASSERT_EQ(Step(MEAS_DARK), 0);
    std::vector<double> ref[3][2]; // raw, Savitzky-Golay, boxcar; twice each
    for (int f = 0; f < 3; ++f) {
        if (f > 0)
            Apply(f == 1 ? 2 : -1, f == 1 ? 2 : 5, 2);
        ASSERT_EQ(Marks(), f == 0 ? "001" : f == 1 ? "100" : "010");
        for (auto& r : ref[f]) {
            ASSERT_EQ(Step(MEAS_REFERENCE), 0);
            r.assign(dReferenz, dReferenz + stParam.pixelCount);
        }
    }
    // A 5-point quadratic keeps 0.70 of white noise, a 5-point mean 0.45.
    const double rawNoise = Noise(ref[0][0], ref[0][1]);
    EXPECT_LT(Noise(ref[1][0], ref[1][1]), 0.8 * rawNoise);
    EXPECT_LT(Noise(ref[2][0], ref[2][1]), 0.55 * rawNoise);

    int lines = 0, checked = 0;
    const double* line = zsim_EmissionLines(&lines);
    for (int l = 0; l < lines; ++l) {
        // Lines with no other line or spectrum end within 5 nm.
        bool alone = line[l] > dLambda[0] + 5.0 && line[l] < dLambda[stParam.pixelCount - 1] - 5.0;
        for (int m = 0; m < lines; ++m)
            alone = alone && (m == l || std::fabs(line[m] - line[l]) > 5.0);
        if (!alone)
            continue;
        ++checked;
        const double at = LineCentroid(ref[0][0], line[l]);
        EXPECT_NEAR(at, line[l], 0.1);
        EXPECT_NEAR(LineCentroid(ref[1][0], line[l]), at, 0.1) << line[l];
        EXPECT_NEAR(LineCentroid(ref[2][0], line[l]), at, 0.1) << line[l];
    }
    EXPECT_GE(checked, 3);
}

} // namespace
