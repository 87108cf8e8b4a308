#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "math_fixtures.h"
#include "zoltmath.h"

TEST(MathWavelengthPolynomial, LinearCoefficients) {
    std::vector<double> out(3);
    zoltmath_Fitpolynom(out.data(), 300.0, 0.5, 0.0, 0.0, 0.0, 3);
    EXPECT_EQ(out[0], 300.0);
    EXPECT_EQ(out[1], 300.5);
    EXPECT_EQ(out[2], 301.0);
}

TEST(MathWavelengthPolynomial, MatchesReferenceEvaluation) {
    for (const PolyFixture& f : kPolyFixtures) {
        std::vector<double> out(static_cast<size_t>(f.n));
        zoltmath_Fitpolynom(out.data(), f.a[0], f.a[1], f.a[2], f.a[3], f.a[4], f.n);
        for (int p = 0; p < f.n; ++p) {
            const double ref = f.value[p];
            EXPECT_NEAR(out[static_cast<size_t>(p)], ref, 1e-12 * std::fabs(ref) + 1e-12) << p;
        }
    }
}

TEST(MathLinearResampling, WholeNanometreGridSkipsFirstAndEnd) {
    std::vector<double> x(401);
    std::vector<double> y(401);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = 380.0 + static_cast<double>(i);
        y[i] = 2.0 * x[i] + 1.0;
    }
    std::vector<double> ox(500);
    std::vector<double> oy(500);
    const int k = zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), x[0], x[400],
                                             1.0, 401, 500);
    ASSERT_EQ(k, 399);
    EXPECT_DOUBLE_EQ(ox[0], 381.0);
    EXPECT_DOUBLE_EQ(ox[398], 779.0);
    for (int i = 0; i < k; ++i)
        EXPECT_NEAR(oy[static_cast<size_t>(i)], 2.0 * ox[static_cast<size_t>(i)] + 1.0, 1e-9);

    x[0] = 380.37;
    const int k2 = zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), x[0],
                                              x[400], 1.0, 401, 500);
    EXPECT_EQ(k2, 399);
    EXPECT_DOUBLE_EQ(ox[0], 381.0);
}

TEST(MathLinearResampling, FineStepAccumulatesByAddition) {
    const std::vector<double> x{0.0, 1.0, 2.0};
    const std::vector<double> y{0.0, 10.0, 0.0};
    std::vector<double> ox(64);
    std::vector<double> oy(64);
    const int k =
        zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), 0.0, 2.0, 0.1, 3, 64);
    ASSERT_GE(k, 19);
    bool differsFromProduct = false;
    double g = 0.0;
    for (int i = 0; i < k; ++i) {
        g += 0.1;
        EXPECT_EQ(ox[static_cast<size_t>(i)], g);
        differsFromProduct = differsFromProduct || ox[static_cast<size_t>(i)] != (i + 1) * 0.1;
    }
    EXPECT_TRUE(differsFromProduct);
    EXPECT_NEAR(oy[4], 5.0, 1e-9);  // 0.5
    EXPECT_NEAR(oy[14], 5.0, 1e-9); // 1.5
}

TEST(MathLinearResampling, DegenerateInputsWriteNothing) {
    const std::vector<double> x{1.0, 2.0, 3.0};
    const std::vector<double> y{1.0, 2.0, 3.0};
    std::vector<double> o(16, -1.0);
    EXPECT_EQ(
        zoltmath_LineInterpolation(o.data(), o.data(), y.data(), x.data(), 0, 3.0, 0.0, 3, 16), 0);
    EXPECT_EQ(
        zoltmath_LineInterpolation(o.data(), o.data(), y.data(), x.data(), 0, 3.0, -1.0, 3, 16), 0);
    EXPECT_EQ(zoltmath_LineInterpolation(o.data(), o.data(), y.data(), x.data(), 0, 3.0,
                                         std::numeric_limits<double>::quiet_NaN(), 3, 16),
              0);
    EXPECT_EQ(
        zoltmath_LineInterpolation(o.data(), o.data(), y.data(), x.data(), 0, 3.0, 0.5, 1, 16), 0);
    EXPECT_EQ(zoltmath_LineInterpolation(o.data(), o.data(), y.data(), x.data(), 0, 3.0, 0.5, 3, 0),
              0);
    for (double v : o)
        EXPECT_EQ(v, -1.0);
}

TEST(MathLinearResampling, GridBeyondDataContinuesEndInterval) {
    const std::vector<double> x{10.0, 11.0, 12.0}; // exact size: no reads past
    const std::vector<double> y{0.0, 1.0, 3.0};
    std::vector<double> ox(32);
    std::vector<double> oy(32);
    const int k =
        zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), 0, 15.0, 1.0, 3, 32);
    ASSERT_EQ(k, 4); // 11, 12, 13, 14
    EXPECT_NEAR(oy[0], 1.0, 1e-12);
    EXPECT_NEAR(oy[1], 3.0, 1e-12);
    EXPECT_NEAR(oy[2], 5.0, 1e-12);
    EXPECT_NEAR(oy[3], 7.0, 1e-12);
}

TEST(MathLinearResampling, NeverExceedsCapacity) {
    const std::vector<double> x{0.0, 100.0};
    const std::vector<double> y{0.0, 100.0};
    std::vector<double> ox(12, -1.0);
    std::vector<double> oy(12, -1.0);
    const int k =
        zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), 0, 100.0, 1.0, 2, 10);
    EXPECT_EQ(k, 10);
    EXPECT_EQ(ox[10], -1.0);
    EXPECT_EQ(oy[10], -1.0);
}

TEST(MathLinearResampling, RepeatedXGivesFiniteValues) {
    // The last interval has no width: beyond the data its sample value holds.
    const std::vector<double> x{0.0, 1.0, 1.0, 2.0, 2.0};
    const std::vector<double> y{0.0, 1.0, 5.0, 6.0, 9.0};
    std::vector<double> ox(16);
    std::vector<double> oy(16);
    const int k =
        zoltmath_LineInterpolation(oy.data(), ox.data(), y.data(), x.data(), 0, 3.0, 0.5, 5, 16);
    ASSERT_EQ(k, 5);
    for (int i = 0; i < k; ++i)
        EXPECT_TRUE(std::isfinite(oy[static_cast<size_t>(i)])) << i;
    EXPECT_NEAR(oy[0], 0.5, 1e-12);
    EXPECT_NEAR(oy[2], 5.5, 1e-12);
    EXPECT_NEAR(oy[4], 6.0, 1e-12);
}

TEST(MathSplineResampling, MatchesNaturalCubicReference) {
    for (const SplineFixture& f : kSplineFixtures) {
        const std::vector<double> x(f.x, f.x + f.n);
        const std::vector<double> y(f.y, f.y + f.n);
        const std::vector<double> t(f.t, f.t + f.m);
        std::vector<double> out(static_cast<size_t>(f.m));
        zoltmath_SplineInterpol(out.data(), t.data(), y.data(), x.data(), f.n, f.m);
        double scale = 0.0;
        for (double v : y)
            scale = std::fmax(scale, std::fabs(v));
        for (int i = 0; i < f.m; ++i) {
            EXPECT_NEAR(out[static_cast<size_t>(i)], f.value[i], 1e-10 * scale)
                << "n " << f.n << " t " << t[static_cast<size_t>(i)];
        }
    }
}

TEST(MathSplineResampling, UnorderedGridGivesSameValues) {
    const SplineFixture& f = kSplineFixtures[1];
    std::vector<double> t(f.t, f.t + f.m);
    std::vector<double> reversed(t.rbegin(), t.rend());
    std::vector<double> out(t.size());
    zoltmath_SplineInterpol(out.data(), reversed.data(), f.y, f.x, f.n, f.m);
    for (int i = 0; i < f.m; ++i) {
        EXPECT_NEAR(out[static_cast<size_t>(f.m - 1 - i)], f.value[i], 1e-7) << i;
    }
}

TEST(MathSplineResampling, RepeatedXAndTinyInputs) {
    const std::vector<double> x{0.0, 1.0, 1.0, 2.0, 3.0};
    const std::vector<double> y{0.0, 1.0, 9.0, 0.0, 1.0};
    const std::vector<double> t{0.0, 0.5, 1.0, 1.5, 2.5, 3.0};
    std::vector<double> out(t.size(), -1.0);
    zoltmath_SplineInterpol(out.data(), t.data(), y.data(), x.data(), 5, 6);
    for (double v : out)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(out[2], 1.0, 1e-12); // the first sample at a repeated x is kept
    EXPECT_NEAR(out[5], 1.0, 1e-12);

    const double one = 4.5;
    const double oneX = 7.0;
    zoltmath_SplineInterpol(out.data(), t.data(), &one, &oneX, 1, 6);
    for (double v : out)
        EXPECT_EQ(v, 4.5);

    std::vector<double> untouched(6, -3.0);
    zoltmath_SplineInterpol(untouched.data(), t.data(), y.data(), x.data(), 0, 6);
    for (double v : untouched)
        EXPECT_EQ(v, -3.0);
}

TEST(MathSplineResampling, OneNanSampleStaysLocal) {
    // 21 samples of a smooth curve with sample 10 lost.
    std::vector<double> x, y;
    for (int i = 0; i <= 20; ++i) {
        x.push_back(i);
        y.push_back(std::sin(0.3 * i));
    }
    y[10] = std::nan("");
    std::vector<double> t, out;
    for (double v = 0.0; v <= 20.0; v += 0.25)
        t.push_back(v);
    out.assign(t.size(), 0.0);
    zoltmath_SplineInterpol(out.data(), t.data(), y.data(), x.data(), 21,
                            static_cast<int>(t.size()));
    for (size_t i = 0; i < t.size(); ++i) {
        const bool touchesGap = t[i] > 9.0 && t[i] < 11.0;
        EXPECT_EQ(std::isnan(out[i]), touchesGap) << "t " << t[i];
        if (!touchesGap && std::fmod(t[i], 1.0) == 0.0) {
            EXPECT_NEAR(out[i], std::sin(0.3 * t[i]), 1e-12) << "t " << t[i];
        }
    }
}

TEST(MathStrayLightCorrection, OnlyStatusOneCorrects) {
    for (int stat : {0, 2, -1}) {
        std::vector<double> ref(300, 50.0);
        ZoltMathCorrection c;
        c.pixelCount = 300;
        c.correctionStat = stat;
        c.corrRange1First = 100;
        c.corrRange1Last = 200;
        EXPECT_EQ(calc_UVCorrection(ref.data(), c), 0);
        for (double v : ref)
            EXPECT_EQ(v, 50.0);
    }
}

TEST(MathStrayLightCorrection, OffsetIsRoundedWindowMean) {
    // Window 0..4 holds 10, 10, 10, 10, 12: mean 10.4, every pixel drops by 10.
    std::vector<double> ref{10, 10, 10, 10, 12, 100, 200};
    ZoltMathCorrection c;
    c.pixelCount = 7;
    c.correctionStat = 1;
    c.corrRange1First = 0;
    c.corrRange1Last = 4;
    c.corrRange2First = 3;
    c.corrRange2Last = 3; // empty correction range: offset only
    c.corrCoeff[0] = 1.0f;
    calc_UVCorrection(ref.data(), c);
    const std::vector<double> expected{0, 0, 0, 0, 2, 90, 190};
    EXPECT_EQ(ref, expected);
}

TEST(MathStrayLightCorrection, SubtractsShareOfTotalOverRange) {
    std::vector<double> ref{100, 200, 300, 400, 500, 600};
    ZoltMathCorrection c;
    c.pixelCount = 6;
    c.correctionStat = 1;
    c.corrRange1First = 0;
    c.corrRange1Last = 1; // mean 150
    c.corrRange2First = 2;
    c.corrRange2Last = 4; // pixels 2 and 3
    c.corrCoeff[0] = 0.0078125f;
    c.corrCoeff[1] = 0.0009765625f;
    c.corrCoeff[2] = 0.000244140625f;
    c.corrCoeff[3] = 0.00006103515625f;
    calc_UVCorrection(ref.data(), c);
    // Total after the offset is 1200; shares 0.01123046875 and 0.01458740234375
    // give 13.48 -> 13 and 17.50 -> 18.
    const std::vector<double> expected{-50, 50, 137, 232, 350, 450};
    EXPECT_EQ(ref, expected);
}

TEST(MathStrayLightCorrection, EmptyOrOutsideWindowsAreSafe) {
    ZoltMathCorrection c;
    c.pixelCount = 50;
    c.correctionStat = 1;
    c.corrCoeff[0] = 0.001f;

    // An empty offset window (last one below first) shifts nothing.
    std::vector<double> ref(50, 7.0);
    c.corrRange1First = 10;
    c.corrRange1Last = 9;
    calc_UVCorrection(ref.data(), c);
    for (double v : ref)
        EXPECT_EQ(v, 7.0);

    // The device's default window 100..200 lies past a 50-pixel spectrum.
    c.corrRange1First = 100;
    c.corrRange1Last = 200;
    calc_UVCorrection(ref.data(), c);
    for (double v : ref)
        EXPECT_EQ(v, 7.0);

    // A window reaching past the end is clipped to the last pixel.
    std::vector<double> tail(50, 0.0);
    for (size_t i = 40; i < 50; ++i)
        tail[i] = 20.0;
    c.corrRange1First = 40;
    c.corrRange1Last = 200;
    calc_UVCorrection(tail.data(), c);
    EXPECT_EQ(tail[0], -20.0);
    EXPECT_EQ(tail[45], 0.0);

    // A correction range past the end is clipped (exact-size array).
    std::vector<double> exact(50, 1000.0);
    c.corrRange1First = 10;
    c.corrRange1Last = 9;
    c.corrRange2First = 45;
    c.corrRange2Last = 5000;
    calc_UVCorrection(exact.data(), c);
    EXPECT_EQ(exact[44], 1000.0);
    EXPECT_EQ(exact[45], 1000.0 - 50.0); // total 50000 x 0.001
    EXPECT_EQ(exact[49], 1000.0 - 50.0);

    // Negative pixel numbers count as huge unsigned ones: nothing to do.
    std::vector<double> neg(50, 3.0);
    c.corrRange1First = -5;
    c.corrRange1Last = 20;
    c.corrRange2First = -5;
    c.corrRange2Last = 20;
    calc_UVCorrection(neg.data(), c);
    for (double v : neg)
        EXPECT_EQ(v, 3.0);
}

TEST(MathCorrelation, SignAndDegenerateInput) {
    const std::vector<double> a{1.0, 4.0, 2.0, 8.0, 5.0};
    std::vector<double> neg(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        neg[i] = -a[i];
    EXPECT_NEAR(zoltmath_Korrelation(a.data(), a.data(), 5), 1.0, 1e-15);
    EXPECT_NEAR(zoltmath_Korrelation(a.data(), neg.data(), 5), -1.0, 1e-15);
    const std::vector<double> flat(5, 3.0);
    EXPECT_EQ(zoltmath_Korrelation(a.data(), flat.data(), 5), 0.0);
    EXPECT_EQ(zoltmath_Korrelation(flat.data(), flat.data(), 5), 0.0);
    EXPECT_EQ(zoltmath_Korrelation(a.data(), a.data(), 0), 0.0);
    EXPECT_EQ(pow2(-3.0), 9.0);
}

TEST(MathHelpers, SortAndExtremes) {
    const std::vector<double> a{3.0, -1.0, 7.0, 7.0, 0.5};
    std::vector<double> sorted(a.size());
    zoltmath_SortDescending(a.data(), 5, sorted.data());
    EXPECT_EQ(sorted, (std::vector<double>{7.0, 7.0, 3.0, 0.5, -1.0}));
    EXPECT_EQ(a[0], 3.0); // the input is left as it was
    double hi = 0.0;
    double lo = 0.0;
    int hiIndex = -1;
    int loIndex = -1;
    EXPECT_EQ(zoltmath_MaxMin1D(a.data(), 5, &hi, &hiIndex, &lo, &loIndex), 0);
    EXPECT_EQ(hi, 7.0);
    EXPECT_EQ(hiIndex, 2);
    EXPECT_EQ(lo, -1.0);
    EXPECT_EQ(loIndex, 1);
    EXPECT_EQ(zoltmath_MaxMin1D(a.data(), 0, &hi, &hiIndex, &lo, &loIndex), -1);
}
