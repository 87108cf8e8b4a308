// A holmium transmission measured from the simulated instrument, shown on the
// 0.01 nm spline grid.  With ORVALIN_DISPLAY_SHOT set to a file name the main
// window is also saved as a picture (run under a real display for that).
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "test_measure_support.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/state.h"
#include "zolt_sim.h"

namespace {

class DisplayMeasured : public measure_test::MeasureTest {
  protected:
    void SetUp() override {
        MeasureTest::SetUp();
        UseAxisScalingPanel();
    }
};

TEST_F(DisplayMeasured, HolmiumTransmissionOnTheFinestSplineGrid) {
    iStartWaveLen = iMinWaveLen;
    iEndWaveLen = iMaxWaveLen;
    SetCtrlVal(hMainPanel, MAINP_STARTWL, iStartWaveLen);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, iEndWaveLen);
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 1);
    SetCtrlVal(hMainPanel, MAINP_AVER, 16);
    iInterplMode = 7;
    ASSERT_EQ(Step(MEAS_DARK), 0);
    LampOn();
    ASSERT_EQ(Step(MEAS_REFERENCE), 0);
    ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_HOLMIUM), 0);
    ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
    ASSERT_EQ(iSelect, SHOW_TRANSMISSION);

    // 0.01 nm from the whole nanometre below the first pixel; the last
    // computed point is not shown, the end of the range is.
    const double first = std::trunc(dLambda[0]);
    const int expected =
        static_cast<int>((std::trunc(dLambda[stParam.pixelCount - 1]) - first) * 100) - 1;
    const int startIndex = static_cast<int>(std::lround((iStartWaveLen - first) * 100));
    EXPECT_EQ(iNumOfMeas, expected - startIndex);
    EXPECT_NEAR(dXInterpolVal[1] - dXInterpolVal[0], 0.01, 1e-9);

    int bands = 0;
    const double* band = zsim_HolmiumBands(&bands);
    for (int b = 0; b < bands; ++b) {
        if (band[b] < 400.0 || band[b] > 700.0)
            continue; // where the lamp is bright
        int at = -1;
        for (int i = 0; i < iNumOfMeas; ++i) {
            if (std::fabs(dXInterpolVal[i] - band[b]) > 6.0)
                continue;
            if (at < 0 || dYInterpolVal[i] < dYInterpolVal[at])
                at = i;
        }
        ASSERT_GE(at, 0);
        EXPECT_NEAR(dXInterpolVal[at], band[b], 1.0) << "band " << band[b];
    }

    double lo = 0, hi = 0;
    int mode = -1;
    GetAxisScalingMode(hMainPanel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, &mode, &lo, &hi);
    EXPECT_EQ(lo, 0.0);
    EXPECT_GT(hi, 90.0);
    EXPECT_LT(hi, 130.0);
    EXPECT_EQ(iFarbe, 0x0000FF);

    if (const char* shot = std::getenv("ORVALIN_DISPLAY_SHOT")) {
        SetPanelAttribute(hMainPanel, ATTR_WIDTH, 1280);
        SetPanelAttribute(hMainPanel, ATTR_HEIGHT, 800);
        DisplayPanel(hMainPanel);
        for (int i = 0; i < 20; ++i)
            ProcessDrawEvents();
        UiImage image;
        ASSERT_EQ(GetPanelImage(hMainPanel, &image), 0);
        QImage picture(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                       image.height, 4 * image.width, QImage::Format_ARGB32);
        EXPECT_TRUE(picture.save(shot));
    }
}

} // namespace
