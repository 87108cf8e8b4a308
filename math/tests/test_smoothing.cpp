#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "math_fixtures.h"
#include "zoltmath.h"

namespace {

// Mean over the clipped window, straight from the definition.
std::vector<double> clippedMeans(const std::vector<double>& y, int half) {
    const int n = static_cast<int>(y.size());
    std::vector<double> out(y.size());
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        int count = 0;
        for (int k = i - half; k <= i + half; ++k) {
            if (k >= 0 && k < n) {
                sum += y[static_cast<size_t>(k)];
                ++count;
            }
        }
        out[static_cast<size_t>(i)] = sum / count;
    }
    return out;
}

std::vector<double> coefficients(int nLeft, int nRight, int degree) {
    ZoltMathArray c = zoltmath_CoefSavGol(nLeft, nRight, degree);
    if (!c)
        return {};
    return std::vector<double>(c.get(), c.get() + nLeft + nRight + 1);
}

} // namespace

TEST(MathBoxcar, ThreeSamplesEndsDivideByTwo) {
    std::vector<double> y{1.0, 2.0, 9.0};
    zoltmath_Boxcar(y.data(), 3, 3);
    EXPECT_DOUBLE_EQ(y[0], 1.5);
    EXPECT_DOUBLE_EQ(y[1], 4.0);
    EXPECT_DOUBLE_EQ(y[2], 5.5);
}

TEST(MathBoxcar, MeansComeFromUnsmoothedInput) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-100.0, 100.0);
    for (int width : {3, 4, 5, 9, 21}) {
        for (int n : {11, 12, 50}) {
            std::vector<double> y(static_cast<size_t>(n));
            for (double& v : y)
                v = dist(rng);
            const std::vector<double> expected = clippedMeans(y, (width - 1) / 2);
            zoltmath_Boxcar(y.data(), width, n);
            for (int i = 0; i < n; ++i) {
                EXPECT_NEAR(y[static_cast<size_t>(i)], expected[static_cast<size_t>(i)], 1e-12)
                    << "width " << width << " n " << n << " i " << i;
            }
        }
    }
}

TEST(MathBoxcar, WindowWiderThanSpectrumStaysInside) {
    // Sentinels either side catch any write outside [0, n-1].
    std::vector<double> buf{-7.0, 1.0, 2.0, 3.0, 4.0, -7.0};
    const std::vector<double> inner(buf.begin() + 1, buf.end() - 1);
    const std::vector<double> expected = clippedMeans(inner, 3); // width 7 on 4 points
    zoltmath_Boxcar(buf.data() + 1, 7, 4);
    EXPECT_EQ(buf.front(), -7.0);
    EXPECT_EQ(buf.back(), -7.0);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(buf[i + 1], expected[i], 1e-12);
}

TEST(MathBoxcar, DegenerateWidthsAndCountsLeaveInputAlone) {
    const std::vector<double> original{3.0, -1.0, 8.0};
    for (int width : {1, 2, 0, -5}) {
        std::vector<double> y = original;
        zoltmath_Boxcar(y.data(), width, 3);
        EXPECT_EQ(y, original) << "width " << width;
    }
    std::vector<double> y = original;
    zoltmath_Boxcar(y.data(), 3, 0);
    zoltmath_Boxcar(y.data(), 3, -4);
    zoltmath_Boxcar(nullptr, 3, 3);
    EXPECT_EQ(y, original);
}

TEST(MathBoxcar, WindowReachingTheCountAveragesEverything) {
    for (int width : {7, 9}) {
        std::vector<double> y{1.0, 2.0, 9.0};
        zoltmath_Boxcar(y.data(), width, 3);
        EXPECT_EQ(y, (std::vector<double>{4.0, 4.0, 4.0})) << "width " << width;
    }
}

TEST(MathSavGolCoefficients, PublishedConvolutionIntegers) {
    const std::vector<double> q5 = coefficients(2, 2, 2);
    const double e5[] = {-3, 12, 17, 12, -3};
    ASSERT_EQ(q5.size(), 5u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(q5[i] * 35.0, e5[i], 1e-10);

    const std::vector<double> q7 = coefficients(3, 3, 2);
    const double e7[] = {-2, 3, 6, 7, 6, 3, -2};
    ASSERT_EQ(q7.size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(q7[i] * 21.0, e7[i], 1e-10);

    const std::vector<double> k7 = coefficients(3, 3, 4);
    const double e7q[] = {5, -30, 75, 131, 75, -30, 5};
    ASSERT_EQ(k7.size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(k7[i] * 231.0, e7q[i], 1e-9);
}

TEST(MathSavGolCoefficients, MatchReferenceLeastSquaresWeights) {
    for (const SavGolFixture& f : kSavGolFixtures) {
        const std::vector<double> c = coefficients(f.nLeft, f.nRight, f.degree);
        ASSERT_EQ(c.size(), static_cast<size_t>(f.nLeft + f.nRight + 1))
            << f.nLeft << "," << f.nRight << " degree " << f.degree;
        for (size_t i = 0; i < c.size(); ++i) {
            EXPECT_NEAR(c[i], f.coef[i], f.tolerance)
                << f.nLeft << "," << f.nRight << " degree " << f.degree << " element " << i;
        }
    }
}

TEST(MathSavGolCoefficients, DegreeZeroIsPlainMean) {
    const std::vector<double> c = coefficients(4, 2, 0);
    ASSERT_EQ(c.size(), 7u);
    for (double v : c)
        EXPECT_NEAR(v, 1.0 / 7.0, 1e-14);
}

TEST(MathSavGolCoefficients, ExactFitWindowIsIdentity) {
    const std::vector<double> c = coefficients(2, 2, 4);
    ASSERT_EQ(c.size(), 5u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(c[i], i == 2 ? 1.0 : 0.0, 1e-9);
}

TEST(MathSavGolCoefficients, ImpossibleRequestsGiveNothing) {
    EXPECT_EQ(zoltmath_CoefSavGol(1, 1, 4), nullptr); // singular normal matrix
    EXPECT_EQ(zoltmath_CoefSavGol(-1, 2, 2), nullptr);
    EXPECT_EQ(zoltmath_CoefSavGol(2, -1, 2), nullptr);
    EXPECT_EQ(zoltmath_CoefSavGol(2, 2, -1), nullptr);
    // Degree at or above the window size for windows of 11 and more: the
    // pivots stay large although the system is singular.
    EXPECT_EQ(zoltmath_CoefSavGol(5, 5, 11), nullptr);
    EXPECT_EQ(zoltmath_CoefSavGol(6, 6, 13), nullptr);
    EXPECT_EQ(zoltmath_CoefSavGol(10, 10, 25), nullptr);
    EXPECT_EQ(zoltmath_CoefSavGol(0, 0, 1), nullptr);
    // Powers too large for a double.
    EXPECT_EQ(zoltmath_CoefSavGol(1000, 1000, 400), nullptr);
}

TEST(MathSavGolSmoothing, KeepsPolynomialsUpToTheDegree) {
    const int n = 40;
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        const double t = i * 0.25;
        y[static_cast<size_t>(i)] = 2.0 - 3.0 * t + 0.5 * t * t - 0.04 * t * t * t;
    }
    ZoltMathArray c = zoltmath_CoefSavGol(4, 3, 4);
    ASSERT_NE(c, nullptr);
    ZoltMathArray out = zoltmath_SmoothSavGol(y.data(), n, c.get(), 4, 3);
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < n; ++i)
        EXPECT_NEAR(out[static_cast<size_t>(i)], y[static_cast<size_t>(i)], 1e-9);
}

TEST(MathSavGolSmoothing, EdgesCopiedInteriorWeighted) {
    const std::vector<double> y{0.0, 0.0, 0.0, 35.0, 0.0, 0.0, 0.0};
    ZoltMathArray c = zoltmath_CoefSavGol(2, 2, 2);
    ASSERT_NE(c, nullptr);
    ZoltMathArray out = zoltmath_SmoothSavGol(y.data(), 7, c.get(), 2, 2);
    ASSERT_NE(out, nullptr);
    const double expected[] = {0.0, 0.0, 12.0, 17.0, 12.0, 0.0, 0.0};
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(out[i], expected[i], 1e-10) << i;

    // With an asymmetric window only the nLeft first and nRight last are copied.
    const std::vector<double> ramp{5.0, 1.0, 2.0, 3.0, 4.0, 9.0};
    ZoltMathArray c2 = zoltmath_CoefSavGol(1, 0, 0);
    ZoltMathArray out2 = zoltmath_SmoothSavGol(ramp.data(), 6, c2.get(), 1, 0);
    ASSERT_NE(out2, nullptr);
    EXPECT_DOUBLE_EQ(out2[0], 5.0);
    EXPECT_DOUBLE_EQ(out2[1], 3.0);
    EXPECT_DOUBLE_EQ(out2[5], 6.5);
}

TEST(MathSavGolSmoothing, ShortSpectrumIsCopiedWhole) {
    const std::vector<double> y{4.0, -2.0, 7.5, 1.0};
    ZoltMathArray c = zoltmath_CoefSavGol(3, 3, 2);
    ASSERT_NE(c, nullptr);
    for (int n = 1; n <= 4; ++n) { // n <= nLeft + nRight: no complete window
        ZoltMathArray out = zoltmath_SmoothSavGol(y.data(), n, c.get(), 3, 3);
        ASSERT_NE(out, nullptr);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(out[static_cast<size_t>(i)], y[static_cast<size_t>(i)]);
    }
}

TEST(MathSavGolSmoothing, RejectsMissingInput) {
    const std::vector<double> y{1.0, 2.0, 3.0};
    ZoltMathArray c = zoltmath_CoefSavGol(1, 1, 0);
    EXPECT_EQ(zoltmath_SmoothSavGol(y.data(), 3, nullptr, 1, 1), nullptr);
    EXPECT_EQ(zoltmath_SmoothSavGol(y.data(), 0, c.get(), 1, 1), nullptr);
    EXPECT_EQ(zoltmath_SmoothSavGol(y.data(), -3, c.get(), 1, 1), nullptr);
    EXPECT_EQ(zoltmath_SmoothSavGol(y.data(), 3, c.get(), -1, 1), nullptr);
    EXPECT_EQ(zoltmath_SmoothSavGol(nullptr, 3, c.get(), 1, 1), nullptr);
}
