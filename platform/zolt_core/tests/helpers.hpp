// Shared fixture: a fresh simulator with an injected clock, so measurement
// times pass instantly.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "zolt_core.h"
#include "zolt_sim.h"

namespace ztest {

inline double g_now = 1000.0;
inline double fakeNow() {
    return g_now;
}

class Sim : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("ZOLT_SIM_CONFIG");
        zsim_Reset();
        g_now = 1000.0;
        zsim_SetClock(fakeNow);
    }
    void TearDown() override { zsim_Reset(); }

    uint32_t open(uint32_t index = 0) {
        uint32_t h = 0;
        EXPECT_EQ(ZOLT_OpenDevice(index, &h), ZOLT_OK);
        EXPECT_NE(h, 0u);
        return h;
    }
    static int32_t pixels(uint32_t h) {
        int32_t n = 0;
        EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_OK);
        return n;
    }
    // Starts one measurement and advances the clock until it reports done.
    static int measure(uint32_t h, int function, float tintMs, uint32_t averages) {
        int st = ZOLT_SetExposureConf(h, 2);
        if (st == 0)
            st = ZOLT_SetTintConf(h, tintMs);
        if (st == 0)
            st = ZOLT_SetAverConf(h, averages);
        if (st == 0)
            st = ZOLT_SetFunctionConf(h, function);
        if (st == 0)
            st = ZOLT_InitMeasure(h);
        int32_t busy = 1;
        for (int k = 0; st == 0 && busy && k < 100000; ++k) {
            st = ZOLT_MeasureStatusCore(h, &busy);
            g_now += 0.01;
        }
        return st;
    }
    static std::vector<int32_t> fetch(uint32_t h, int (*fn)(uint32_t, int32_t*)) {
        std::vector<int32_t> v(static_cast<size_t>(pixels(h)), -1);
        EXPECT_EQ(fn(h, v.data()), ZOLT_OK);
        return v;
    }
    static double meanDiff(const std::vector<int32_t>& a, const std::vector<int32_t>& b,
                           size_t from, size_t to) {
        double s = 0;
        for (size_t i = from; i < to; ++i)
            s += a[i] - b[i];
        return s / static_cast<double>(to - from);
    }
};

} // namespace ztest
