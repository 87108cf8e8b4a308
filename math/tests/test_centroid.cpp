#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "zoltmath.h"

namespace {

std::vector<double> wavelengths(size_t n, double first, double step) {
    std::vector<double> wl(n);
    for (size_t i = 0; i < n; ++i)
        wl[i] = first + step * static_cast<double>(i);
    return wl;
}

ZoltMathCurveRange rangeOf(const std::vector<double>& y, int lo, int hi) {
    return {static_cast<int>(y.size()), lo, hi};
}

} // namespace

TEST(MathPeakCentroid, SymmetricPeakCentresOnItsTop) {
    const std::vector<double> wl = wavelengths(21, 500.0, 1.0);
    std::vector<double> y(21);
    for (size_t i = 0; i < 21; ++i)
        y[i] = 1000.0 * std::exp(-0.5 * std::pow((wl[i] - 510.0) / 3.0, 2));
    double g = 0.0;
    double v = 0.0;
    const int j =
        zoltmath_DomWavePeak(y.data(), wl.data(), 50.0, 508.0, &g, &v, rangeOf(y, 400, 600));
    EXPECT_EQ(j, 10);
    EXPECT_NEAR(g, 510.0, 1e-9);
    EXPECT_NEAR(v, 1000.0, 1e-9);
}

TEST(MathPeakCentroid, OnlyPointsStrictlyAboveLevelWeigh) {
    // Level 2: the two points equal to it carry no weight.
    const std::vector<double> y{0, 2, 4, 3, 2, 0};
    const std::vector<double> wl = wavelengths(6, 600.0, 2.0);
    double g = 0.0;
    double v = 0.0;
    const int j =
        zoltmath_DomWavePeak(y.data(), wl.data(), 50.0, 604.0, &g, &v, rangeOf(y, 500, 700));
    const double expected = (4.0 * 604.0 + 3.0 * 606.0) / 7.0;
    EXPECT_NEAR(g, expected, 1e-12);
    EXPECT_EQ(j, 3);
    EXPECT_NEAR(v, 4.0 + (expected - 604.0) * (3.0 - 4.0) / 2.0, 1e-12);
}

TEST(MathPeakCentroid, LimitsAreExclusive) {
    const std::vector<double> y{0, 1, 5, 1, 0};
    const std::vector<double> wl = wavelengths(5, 508.0, 1.0); // centroid 510
    for (const ZoltMathCurveRange& r : {rangeOf(y, 510, 600), rangeOf(y, 400, 510)}) {
        double g = -1.0;
        double v = -1.0;
        EXPECT_EQ(zoltmath_DomWavePeak(y.data(), wl.data(), 50.0, 510.0, &g, &v, r), -1);
        EXPECT_EQ(g, -1.0); // the centroid is only written on success
        EXPECT_NEAR(v, 5.0, 1e-12);
    }
}

TEST(MathPeakCentroid, NoPositiveWeightIsAFailure) {
    const std::vector<double> wl = wavelengths(5, 500.0, 1.0);
    const std::vector<double> zero(5, 0.0);
    const std::vector<double> negative{-5, -3, -1, -3, -5};
    for (const auto* y : {&zero, &negative}) {
        double g = -1.0;
        double v = -1.0;
        EXPECT_EQ(
            zoltmath_DomWavePeak(y->data(), wl.data(), 50.0, 502.0, &g, &v, rangeOf(*y, 400, 600)),
            -1);
        EXPECT_EQ(g, -1.0);
        EXPECT_EQ(v, -1.0);
    }
    // Fewer than two points give nothing.
    const std::vector<double> one{7.0};
    double g = -1.0;
    double v = -1.0;
    EXPECT_EQ(
        zoltmath_DomWavePeak(one.data(), wl.data(), 50.0, 500.0, &g, &v, rangeOf(one, 400, 600)),
        -1);
}

TEST(MathValleyCentroid, LowerShoulderSetsLevel) {
    const std::vector<double> y{90, 100, 60, 40, 20, 40, 60, 80, 70, 60, 50};
    const std::vector<double> wl = wavelengths(y.size(), 500.0, 1.0);
    double level = 0.0;
    double g = 0.0;
    double v = -1.0;
    ZoltMathValleyConstruction c;
    const int r = zoltmath_DomWaveValley(y.data(), wl.data(), 50.0, 504.0, &level, 4.0, &g, &v,
                                         rangeOf(y, 400, 600), &c);
    EXPECT_EQ(r, 0);
    EXPECT_DOUBLE_EQ(level, 50.0); // 20 + (80 - 20) * 0.5
    EXPECT_DOUBLE_EQ(c.dTemp1, 501.0);
    EXPECT_DOUBLE_EQ(c.dTemp2, 507.0);
    EXPECT_EQ(c.iTmpCOG1, 2);
    EXPECT_EQ(c.iTmpCOG2, 6);
    EXPECT_NEAR(g, 504.0, 1e-12);
    EXPECT_NEAR(v, 20.0, 1e-12);
}

TEST(MathValleyCentroid, NearestHighestPointIsTheShoulder) {
    // Two equal maxima on the right: the one nearer the valley wins.
    const std::vector<double> y{30, 70, 50, 10, 60, 80, 80, 40};
    const std::vector<double> wl = wavelengths(y.size(), 700.0, 0.5);
    double level = 0.0;
    double g = 0.0;
    double v = 0.0;
    ZoltMathValleyConstruction c;
    EXPECT_EQ(zoltmath_DomWaveValley(y.data(), wl.data(), 100.0, 701.5, &level, 2.0, &g, &v,
                                     rangeOf(y, 600, 800), &c),
              0);
    EXPECT_DOUBLE_EQ(c.dTemp1, wl[1]);
    EXPECT_DOUBLE_EQ(c.dTemp2, wl[5]);
    EXPECT_DOUBLE_EQ(level, 70.0); // 100 %: the lower shoulder itself
}

TEST(MathValleyCentroid, WindowIsClippedToCurve) {
    // The half window reaches past both ends; the window stops at 0 and last.
    const std::vector<double> y{50, 30, 10, 30, 40};
    const std::vector<double> wl = wavelengths(y.size(), 500.0, 1.0);
    double level = 0.0;
    double g = 0.0;
    double v = 0.0;
    ZoltMathValleyConstruction c;
    const int r = zoltmath_DomWaveValley(y.data(), wl.data(), 50.0, 502.0, &level, 50.0, &g, &v,
                                         rangeOf(y, 400, 600), &c);
    EXPECT_EQ(r, 0);
    EXPECT_DOUBLE_EQ(c.dTemp1, 501.0);
    EXPECT_DOUBLE_EQ(c.dTemp2, 503.0);
    EXPECT_DOUBLE_EQ(level, 20.0);
    EXPECT_GE(c.iTmpCOG1, 0);
    EXPECT_LE(c.iTmpCOG2, 4);
    EXPECT_NEAR(g, 502.0, 1e-12);
}

TEST(MathValleyCentroid, NoDepthIsAFailure) {
    // A flat curve: the level equals every point, nothing lies below it.
    const std::vector<double> y(6, 25.0);
    const std::vector<double> wl = wavelengths(y.size(), 500.0, 1.0);
    double level = -1.0;
    double g = -1.0;
    double v = -1.0;
    EXPECT_EQ(zoltmath_DomWaveValley(y.data(), wl.data(), 50.0, 502.0, &level, 2.0, &g, &v,
                                     rangeOf(y, 400, 600), nullptr),
              -1);
    EXPECT_EQ(level, -1.0);
    EXPECT_EQ(g, -1.0);
}

TEST(MathValleyCentroid, CentroidOutsideRangeRejected) {
    const std::vector<double> y{90, 100, 60, 40, 20, 40, 60, 80, 70, 60, 50};
    const std::vector<double> wl = wavelengths(y.size(), 500.0, 1.0);
    double level = -1.0;
    double g = -1.0;
    double v = -1.0;
    EXPECT_EQ(zoltmath_DomWaveValley(y.data(), wl.data(), 50.0, 504.0, &level, 4.0, &g, &v,
                                     rangeOf(y, 504, 600), nullptr),
              -1);
    EXPECT_EQ(g, -1.0);
    EXPECT_EQ(level, -1.0);
    EXPECT_NEAR(v, 20.0, 1e-12);
}

TEST(MathValleyCentroid, FlatWindowShouldersNextToValley) {
    // Every other point holds the window's largest value, which exceeds its
    // smallest (the floor), so each side finds the plateau point nearest the
    // valley; the level is the same as with the window ends.
    const std::vector<double> y{50, 50, 50, 10, 50, 50, 50};
    const std::vector<double> wl = wavelengths(y.size(), 500.0, 1.0);
    double level = 0.0;
    double g = 0.0;
    double v = 0.0;
    ZoltMathValleyConstruction c;
    EXPECT_EQ(zoltmath_DomWaveValley(y.data(), wl.data(), 50.0, 503.0, &level, 2.0, &g, &v,
                                     rangeOf(y, 400, 600), &c),
              0);
    EXPECT_DOUBLE_EQ(c.dTemp1, 502.0);
    EXPECT_DOUBLE_EQ(c.dTemp2, 504.0);
    EXPECT_DOUBLE_EQ(level, 30.0);
    EXPECT_NEAR(g, 503.0, 1e-12);
}
