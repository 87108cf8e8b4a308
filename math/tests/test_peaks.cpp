#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "math_fixtures.h"
#include "zoltmath.h"

namespace {

std::vector<double> indices(size_t n) {
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<double>(i);
    return x;
}

uint32_t lastOf(const std::vector<double>& y) {
    return static_cast<uint32_t>(y.size() - 1);
}

} // namespace

TEST(MathPeakSearch, ClimbsOverPlateauAndPrefersRight) {
    const std::vector<double> y{0, 1, 3, 3, 2, 0};
    const std::vector<double> x = indices(y.size());
    EXPECT_EQ(zoltmath_PeakWave(y.data(), x.data(), x[1], lastOf(y)), 3);
}

TEST(MathPeakSearch, DescendingFlankTakesHigherLeftClimb) {
    const std::vector<double> y{0, 1, 5, 4, 3, 2, 1, 0};
    const std::vector<double> x = indices(y.size());
    EXPECT_EQ(zoltmath_PeakWave(y.data(), x.data(), 4.0, lastOf(y)), 2);
}

TEST(MathPeakSearch, NeverReturnsIndexZeroFromLeftClimb) {
    const std::vector<double> y{9, 5, 3, 2};
    const std::vector<double> x = indices(y.size());
    EXPECT_EQ(zoltmath_PeakWave(y.data(), x.data(), 2.0, lastOf(y)), 1);
}

TEST(MathPeakSearch, StartBeyondCurveBeginsAtLast) {
    const std::vector<double> y{0, 1, 2, 3};
    const std::vector<double> x = indices(y.size());
    EXPECT_EQ(zoltmath_PeakWave(y.data(), x.data(), 99.0, lastOf(y)), 3);
}

TEST(MathValleySearch, DescendsOverPlateau) {
    const std::vector<double> y{5, 3, 1, 1, 2, 4};
    const std::vector<double> x = indices(y.size());
    EXPECT_EQ(zoltmath_ValleyWave(y.data(), x.data(), 1.0, lastOf(y)), 3);
}

TEST(MathWidths, HalfMaximumWorkedExample) {
    const std::vector<double> y{0, 1, 4, 1, 0};
    const std::vector<double> x = indices(y.size());
    int p = -7;
    EXPECT_DOUBLE_EQ(zoltmath_FWHM(y.data(), x.data(), lastOf(y), 50, 2.0, &p), 2.0);
    EXPECT_EQ(p, 2);
    p = -7;
    EXPECT_NEAR(zoltmath_FWHMpix(y.data(), x.data(), lastOf(y), 50, 2.0, &p), 4.0 / 3.0, 1e-12);
    EXPECT_EQ(p, 2);
}

TEST(MathWidths, HigherPointMovesPeakExceptForPixelWidth) {
    const std::vector<double> y{0, 1, 2, 10, 9, 12, 3, 0};
    std::vector<double> x = indices(y.size());
    for (double& v : x)
        v = 400.0 + 2.0 * v; // wavelengths, 2 nm apart
    int p = -1;
    EXPECT_DOUBLE_EQ(zoltmath_FWHM(y.data(), x.data(), lastOf(y), 50, x[3], &p), 8.0);
    EXPECT_EQ(p, 5);
    p = -1;
    EXPECT_NEAR(zoltmath_FWHMpix(y.data(), x.data(), lastOf(y), 50, x[3], &p),
                (5.0 + 7.0 / 9.0) - (3.0 - 5.0 / 8.0), 1e-12);
    EXPECT_EQ(p, 3);
    p = -1;
    // Half-widths measured from the climbed peak (index 3): right 3 points, left 1.
    EXPECT_DOUBLE_EQ(zoltmath_Symmetry(y.data(), x.data(), lastOf(y), 50, x[3], &p), 3.0);
    EXPECT_EQ(p, 5);
}

TEST(MathWidths, CurveAboveLevelToTheEndsSpansWholeCurve) {
    const std::vector<double> y{5, 6, 7, 8};
    const std::vector<double> x = indices(y.size());
    int p = -1;
    EXPECT_DOUBLE_EQ(zoltmath_FWHM(y.data(), x.data(), lastOf(y), 50, 3.0, &p), 3.0);
    EXPECT_EQ(p, 3);
}

TEST(MathWidths, SymmetricPeakHasSymmetryOne) {
    const std::vector<double> y{0, 1, 3, 6, 3, 1, 0};
    const std::vector<double> x = indices(y.size());
    int p = -1;
    EXPECT_DOUBLE_EQ(zoltmath_Symmetry(y.data(), x.data(), lastOf(y), 50, 3.0, &p), 1.0);
    EXPECT_EQ(p, 3);
}

TEST(MathWidths, PixelWidthsMatchReference) {
    for (const WidthFixture& f : kWidthFixtures) {
        // Exact-size copies: any read past either end is caught by the sanitizer.
        const std::vector<double> y(f.y, f.y + f.n);
        const std::vector<double> x = indices(y.size());
        int p = -1;
        const double w = zoltmath_FWHMpix(y.data(), x.data(), lastOf(y), f.percent,
                                          x[static_cast<size_t>(f.peak)], &p);
        EXPECT_EQ(p, f.peak);
        EXPECT_NEAR(w, f.width, 1e-9) << "peak " << f.peak << " at " << f.percent << " %";
    }
}

TEST(MathWidthFaults, WalksThatCannotMoveGiveZero) {
    const std::vector<double> y{0, 1, 4, 1, 0};
    const std::vector<double> neg{-5, -3, -1, -3, -5};
    const std::vector<double> x = indices(5);
    for (const auto* curve : {&y, &neg}) {
        for (int percent : {100, 150}) {
            if (curve == &neg && percent != 100)
                continue;
            int p = -1;
            EXPECT_EQ(zoltmath_FWHM(curve->data(), x.data(), 4, percent, 2.0, &p), 0.0);
            EXPECT_EQ(p, 2);
            EXPECT_EQ(zoltmath_FWHMpix(curve->data(), x.data(), 4, percent, 2.0, &p), 0.0);
            EXPECT_EQ(zoltmath_Symmetry(curve->data(), x.data(), 4, percent, 2.0, &p), 0.0);
        }
    }
    // A negative peak at 50 %: its level lies above it.
    int p = -1;
    EXPECT_EQ(zoltmath_FWHMpix(neg.data(), x.data(), 4, 50, 2.0, &p), 0.0);
    EXPECT_EQ(zoltmath_Symmetry(neg.data(), x.data(), 4, 50, 2.0, &p), 0.0);
}

TEST(MathWidthFaults, PeakAtEitherEndStaysInsideCurve) {
    const std::vector<double> rising{0, 1, 2, 3, 4};
    const std::vector<double> falling{4, 3, 2, 1, 0};
    const std::vector<double> x = indices(5);
    int p = -1;
    EXPECT_NEAR(zoltmath_FWHMpix(rising.data(), x.data(), 4, 50, 4.0, &p), 2.0, 1e-12);
    EXPECT_EQ(p, 4);
    EXPECT_EQ(zoltmath_FWHMpix(rising.data(), x.data(), 4, 100, 4.0, &p), 0.0);
    EXPECT_NEAR(zoltmath_FWHMpix(falling.data(), x.data(), 4, 50, 0.0, &p), 2.0, 1e-12);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(zoltmath_FWHMpix(falling.data(), x.data(), 4, 100, 0.0, &p), 0.0);
    // The left half-width of a peak at index 0 is zero.
    EXPECT_EQ(zoltmath_Symmetry(falling.data(), x.data(), 4, 50, 0.0, &p), 0.0);
}

TEST(MathWidthFaults, FlatEdgeGivesFiniteCrossing) {
    // The left walk runs out at index 0 while still above the level, on a flat
    // stretch: no slope to interpolate along, so the crossing is the edge.
    const std::vector<double> y{5, 5, 8, 5, 0};
    const std::vector<double> x = indices(5);
    int p = -1;
    const double w = zoltmath_FWHMpix(y.data(), x.data(), 4, 50, 2.0, &p);
    EXPECT_TRUE(std::isfinite(w));
    EXPECT_NEAR(w, 3.2, 1e-12);
}

TEST(MathWidthFaults, EmptyCurveGivesNoIndex) {
    const std::vector<double> y{3.0};
    const std::vector<double> x{400.0};
    const uint32_t wrapped = static_cast<uint32_t>(-1); // a count of 0 minus one
    for (uint32_t last : {0u, wrapped}) {
        EXPECT_EQ(zoltmath_PeakWave(y.data(), x.data(), 400.0, last), -1);
        EXPECT_EQ(zoltmath_ValleyWave(y.data(), x.data(), 400.0, last), -1);
        int p = 5;
        EXPECT_EQ(zoltmath_FWHM(y.data(), x.data(), last, 50, 400.0, &p), 0.0);
        EXPECT_EQ(p, -1);
        p = 5;
        EXPECT_EQ(zoltmath_FWHMpix(y.data(), x.data(), last, 50, 400.0, &p), 0.0);
        EXPECT_EQ(p, -1);
        p = 5;
        EXPECT_EQ(zoltmath_Symmetry(y.data(), x.data(), last, 50, 400.0, &p), 0.0);
        EXPECT_EQ(p, -1);
        p = 5;
        EXPECT_EQ(zoltmath_ValleyWidth(y.data(), x.data(), last, 50, 400.0, &p), 0.0);
        EXPECT_EQ(p, -1);
    }
}

TEST(MathValleyWidth, LevelFromLowerShoulder) {
    // Shoulder peak at 2 (10); its walk stops at 4 on both sides, so r = 4 and
    // with a floor of 0 the valley level is 4.
    const std::vector<double> y{0, 4, 10, 4, 3, 1, 0, 1, 3, 4};
    const std::vector<double> x = indices(y.size());
    int v = -1;
    EXPECT_DOUBLE_EQ(zoltmath_ValleyWidth(y.data(), x.data(), lastOf(y), 50, 6.0, &v), 6.0);
    EXPECT_EQ(v, 6);
}

TEST(MathValleyWidth, LowerPointMovesValleyAndLevel) {
    const std::vector<double> y{0, 4, 10, 4, 3, 1, 0, 1, -2, 1, 4};
    const std::vector<double> x = indices(y.size());
    int v = -1;
    EXPECT_DOUBLE_EQ(zoltmath_ValleyWidth(y.data(), x.data(), lastOf(y), 50, 6.0, &v), 2.0);
    EXPECT_EQ(v, 8);
}
