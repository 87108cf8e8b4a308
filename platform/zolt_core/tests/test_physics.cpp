// The simulated spectra: holmium bands, mercury lines, noise and the seed.
#include <algorithm>
#include <cmath>

#include "helpers.hpp"

class ZoltCorePhysics : public ztest::Sim {
  protected:
    std::vector<double> wavelengths(uint32_t h) {
        float fit[5];
        EXPECT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
        std::vector<double> wl(2048);
        for (size_t i = 0; i < wl.size(); ++i) {
            double x = static_cast<double>(i);
            wl[i] = fit[0] + x * (fit[1] + x * (fit[2] + x * (fit[3] + x * fit[4])));
        }
        return wl;
    }
    // Vertex of the parabola through the three points around index k.
    static double vertex(const std::vector<double>& wl, const std::vector<double>& y, size_t k) {
        double y0 = y[k - 1], y1 = y[k], y2 = y[k + 1];
        double den = y0 - 2 * y1 + y2;
        double t = den != 0 ? 0.5 * (y0 - y2) / den : 0.0;
        return wl[k] + t * (t > 0 ? wl[k + 1] - wl[k] : wl[k] - wl[k - 1]);
    }
};

TEST_F(ZoltCorePhysics, HolmiumOverReferenceShowsTheBandsWhereConfigured) {
    uint32_t h = open();
    const float tint = 15.0f;
    const uint32_t aver = 64;
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, tint, aver), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, tint, aver), ZOLT_OK);
    auto ref = fetch(h, ZOLT_FetchLight);
    ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_HOLMIUM), 0);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, tint, aver), ZOLT_OK);
    auto sample = fetch(h, ZOLT_FetchLight);
    ASSERT_LT(*std::max_element(ref.begin(), ref.end()), 65535) << "reference must not saturate";
    auto wl = wavelengths(h);
    std::vector<double> t(2048, 1.0);
    for (size_t i = 0; i < t.size(); ++i) {
        double r = ref[i] - dark[i];
        t[i] = r > 50 ? (sample[i] - dark[i]) / r : 1.0;
    }
    int n = 0;
    const double* bands = zsim_HolmiumBands(&n);
    ASSERT_EQ(n, 8);
    for (int b = 0; b < n; ++b) {
        // Deepest point within +-6 nm of the band, refined by a parabola.
        size_t best = 0;
        for (size_t i = 1; i + 1 < t.size(); ++i)
            if (std::fabs(wl[i] - bands[b]) < 6.0 && (best == 0 || t[i] < t[best]))
                best = i;
        ASSERT_GT(best, 0u);
        EXPECT_LT(t[best], 0.8) << "band at " << bands[b] << " nm is too shallow";
        EXPECT_NEAR(vertex(wl, t, best), bands[b], 0.5) << "band at " << bands[b] << " nm";
    }
    // Away from the bands the filter is flat.
    size_t k = 0;
    while (wl[k] < 760.0)
        ++k;
    EXPECT_NEAR(t[k], 0.9, 0.02);
}

TEST_F(ZoltCorePhysics, EmissionLampShowsMercuryLines) {
    ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_EMISSION), 0);
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 16), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 16), ZOLT_OK);
    auto light = fetch(h, ZOLT_FetchLight);
    auto wl = wavelengths(h);
    std::vector<double> s(2048);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = light[i] - dark[i];
    for (double line : {404.66, 435.84, 546.07}) {
        size_t best = 0;
        for (size_t i = 1; i + 1 < s.size(); ++i)
            if (std::fabs(wl[i] - line) < 3.0 && (best == 0 || s[i] > s[best]))
                best = i;
        EXPECT_NEAR(vertex(wl, s, best), line, 0.3);
        EXPECT_GT(s[best], 1000.0);
    }
    EXPECT_DOUBLE_EQ(zsim_EmissionLineFwhm(), 1.5);
    // Between lines there is next to nothing.
    size_t k = 0;
    while (wl[k] < 480.0)
        ++k;
    EXPECT_LT(s[k], 100.0);
}

TEST_F(ZoltCorePhysics, SameSeedSameSpectraAndAveragingReducesNoise) {
    auto run = [&](uint64_t seed, uint32_t aver) {
        zsim_ClearDevices();
        ZSimDevice d;
        zsim_DefaultDevice(&d);
        d.seed = seed;
        EXPECT_EQ(zsim_AddDevice(&d), 0);
        uint32_t h = open();
        std::vector<std::vector<int32_t>> out;
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, aver), ZOLT_OK);
            out.push_back(fetch(h, ZOLT_FetchLight));
        }
        ZOLT_CloseDevice(h);
        return out;
    };
    auto a = run(7, 1), b = run(7, 1), c = run(8, 1);
    EXPECT_EQ(a, b);
    EXPECT_NE(a[0], c[0]);
    EXPECT_NE(a[0], a[1]) << "successive frames carry fresh noise";
    auto spread = [](const std::vector<std::vector<int32_t>>& m) {
        double s = 0;
        for (size_t i = 900; i < 1100; ++i)
            s += std::pow(m[0][i] - m[1][i], 2.0);
        return std::sqrt(s / 200.0);
    };
    auto avg = run(7, 16);
    EXPECT_NEAR(spread(a) / spread(avg), 4.0, 1.0);
}

TEST_F(ZoltCorePhysics, EveryAcceptedFitGivesCountsWithinTheAdcRange) {
    // Pixels at 0 nm, below it, and far beyond any light.
    for (const char* fit : {"0 2 5 1 0", "-500 1 0 0 0", "190 1e6 0 0 0", "0 0 0 0 0"}) {
        std::string cfg = std::string("[device]\npixels = 64\nfit = ") + fit + "\n";
        char err[200];
        ASSERT_EQ(zsim_Configure(cfg.c_str(), err, sizeof err), 0) << fit << ": " << err;
        uint32_t h = open();
        for (int function : {ZOLT_FUNC_DARK, ZOLT_FUNC_LIGHT}) {
            ASSERT_EQ(measure(h, function, 10.0f, 1), ZOLT_OK) << fit;
            auto counts = fetch(h, function == ZOLT_FUNC_DARK ? ZOLT_FetchDark : ZOLT_FetchLight);
            for (int32_t c : counts)
                ASSERT_TRUE(c >= 0 && c <= 65535) << fit << ": " << c;
        }
        ZOLT_CloseDevice(h);
    }
}
