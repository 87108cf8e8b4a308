// The exports against the simulated instrument behind the real core: whole
// measurements polled until ready, and the counts they deliver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "zolt_sim.h"
#include "zolt_spectro_ex.h"

namespace {

using StartFn = int(ZOLT_API*)(uint32_t, float, uint16_t);
using FetchFn = int(ZOLT_API*)(uint32_t, int32_t*);

// The simulator's clock, moved by the tests: polling needs no real waiting.
double g_now = 100.0;
double TestClock() {
    return g_now;
}

constexpr double kPollStep = 0.002; // simulated seconds per status poll
constexpr int kMaxPolls = 1000000;  // far beyond any measurement here

double Mean(const std::vector<int32_t>& v, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += v[i];
    return sum / static_cast<double>(to - from);
}

std::vector<std::string> JournalNames() {
    std::vector<std::string> names;
    for (size_t i = 0; i < zsim_JournalCount(); ++i) {
        const std::string entry = zsim_JournalEntry(i);
        names.push_back(entry.substr(0, entry.find('(')));
    }
    return names;
}

// One instrument of the given device type: the exports set up types below 3
// and from 3 on differently.
class spectro_ex_Simulator : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        zsim_Reset();
        zsim_SetClock(TestClock);
        ZSimDevice device;
        zsim_DefaultDevice(&device);
        device.deviceType = static_cast<uint8_t>(GetParam());
        zsim_ClearDevices();
        ASSERT_EQ(zsim_AddDevice(&device), 0);
        Open();
    }

    void TearDown() override {
        if (handle_ != 0) {
            EXPECT_EQ(ZOLT_CloseSpectroEx(handle_), ZOLT_OK);
        }
        zsim_SetClock(nullptr);
        zsim_Reset();
    }

    void Open() {
        uint32_t count = 0;
        ASSERT_EQ(ZOLT_GetNumSpectroEx(&count), ZOLT_OK);
        ASSERT_GE(count, 1u);
        ASSERT_EQ(ZOLT_OpenSpectroEx(0, &handle_), ZOLT_OK);
        ASSERT_NE(handle_, 0u);
        ASSERT_EQ(ZOLT_PixelCountEx(handle_, &pixels_), ZOLT_OK);
        ASSERT_GT(pixels_, 16);
    }

    // Polls until the measurement is done; returns the number of busy answers.
    int WaitReady() {
        int busyPolls = 0;
        for (int i = 0; i < kMaxPolls; ++i) {
            int32_t busy = -1;
            const int status = ZOLT_SpectroStatusEx(handle_, &busy);
            EXPECT_EQ(status, ZOLT_OK);
            if (status != ZOLT_OK || busy == 0)
                return busyPolls;
            ++busyPolls;
            g_now += kPollStep;
        }
        ADD_FAILURE() << "measurement never finished";
        return busyPolls;
    }

    std::vector<int32_t> Measure(StartFn start, FetchFn fetch, float tintMs, uint16_t averages) {
        std::vector<int32_t> values(static_cast<size_t>(pixels_), -1);
        EXPECT_EQ(start(handle_, tintMs, averages), ZOLT_OK);
        EXPECT_GT(WaitReady(), 0) << "a fresh measurement reported ready at once";
        EXPECT_EQ(fetch(handle_, values.data()), ZOLT_OK);
        return values;
    }

    // Central pixels, away from the detector's weak ends.
    size_t From() const { return static_cast<size_t>(pixels_) / 4; }
    size_t To() const { return static_cast<size_t>(pixels_) * 3 / 4; }

    uint32_t handle_ = 0;
    int32_t pixels_ = 0;
};

TEST_P(spectro_ex_Simulator, DarkLightAndTransmissionOfTheEmptyBeam) {
    const auto dark = Measure(ZOLT_StartDarkEx, ZOLT_DarkPixEx, 10.0f, 2);
    const auto light = Measure(ZOLT_StartLightEx, ZOLT_LightPixEx, 10.0f, 2);
    const auto refer = Measure(ZOLT_StartReferEx, ZOLT_ReferPixEx, 10.0f, 2);
    const auto trans = Measure(ZOLT_StartTransReflEx, ZOLT_TransReflPixEx, 10.0f, 2);

    EXPECT_GT(Mean(dark, From(), To()), 0.0);
    EXPECT_GT(Mean(light, From(), To()), 2.0 * Mean(dark, From(), To()));
    size_t lightAbove = 0;
    for (size_t i = From(); i < To(); ++i)
        lightAbove += light[i] > dark[i] ? 1 : 0;
    EXPECT_EQ(lightAbove, To() - From());
    // Reference and light of the same empty beam agree within the noise.
    EXPECT_NEAR(Mean(refer, From(), To()) / Mean(light, From(), To()), 1.0, 0.05);

    // Transmission in 0.01 %: the empty beam transmits all.
    std::vector<int32_t> centre(trans.begin() + static_cast<long>(From()),
                                trans.begin() + static_cast<long>(To()));
    std::nth_element(centre.begin(), centre.begin() + centre.size() / 2, centre.end());
    EXPECT_NEAR(centre[centre.size() / 2], 10000, 300);
}

TEST_P(spectro_ex_Simulator, DarkCountsGrowWithTheIntegrationTime) {
    const auto shortDark = Measure(ZOLT_StartDarkEx, ZOLT_DarkPixEx, 5.0f, 1);
    const auto longDark = Measure(ZOLT_StartDarkEx, ZOLT_DarkPixEx, 500.0f, 1);
    EXPECT_GT(Mean(longDark, From(), To()), Mean(shortDark, From(), To()));
}

TEST_P(spectro_ex_Simulator, EachStartInitialisesTheMeasurementOnce) {
    const StartFn starts[] = {ZOLT_StartDarkEx, ZOLT_StartLightEx, ZOLT_StartReferEx,
                              ZOLT_StartTransReflEx};
    for (StartFn start : starts) {
        zsim_ClearJournal();
        ASSERT_EQ(start(handle_, 10.0f, 1), ZOLT_OK);
        const auto names = JournalNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), "ZOLT_InitMeasure"), 1);
        WaitReady();
    }
}

TEST_P(spectro_ex_Simulator, PrepareConfiguresWithoutStarting) {
    zsim_ClearJournal();
    ASSERT_EQ(ZOLT_PrepareTransReflEx(handle_, 20.0f, 3), ZOLT_OK);
    const auto names = JournalNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "ZOLT_InitMeasure"), 0);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "ZOLT_SetFormatConf");
    int32_t busy = -1;
    ASSERT_EQ(ZOLT_SpectroStatusEx(handle_, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
    float tint = 0;
    ASSERT_EQ(ZOLT_SpectroTintEx(handle_, &tint), ZOLT_OK);
    EXPECT_EQ(tint, 20.0f);
}

TEST_P(spectro_ex_Simulator, DarkWithoutTimeIsRefusedBeforeAnythingIsSet) {
    zsim_ClearJournal();
    EXPECT_EQ(ZOLT_StartDarkEx(handle_, 0.0f, 1), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(JournalNames(), std::vector<std::string>{"ZOLT_GetDeviceType"});
}

TEST_P(spectro_ex_Simulator, CoreFailureMidSequenceComesBackAndStopsIt) {
    zsim_FailCall("ZOLT_SetAverConf", 1, ZOLT_E_SEND);
    zsim_ClearJournal();
    EXPECT_EQ(ZOLT_StartLightEx(handle_, 10.0f, 1), ZOLT_E_SEND);
    const auto names = JournalNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "ZOLT_SetAverConf");
    int32_t busy = -1;
    ASSERT_EQ(ZOLT_SpectroStatusEx(handle_, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
}

TEST_P(spectro_ex_Simulator, BreakEndsARunningMeasurement) {
    zsim_SetNeverEnding(1);
    ASSERT_EQ(ZOLT_StartLightEx(handle_, 10.0f, 1), ZOLT_OK);
    g_now += 60.0;
    int32_t busy = 0;
    ASSERT_EQ(ZOLT_SpectroStatusEx(handle_, &busy), ZOLT_OK);
    ASSERT_NE(busy, 0);
    EXPECT_EQ(ZOLT_SpectroBreakEx(handle_), ZOLT_OK);
    ASSERT_EQ(ZOLT_SpectroStatusEx(handle_, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
}

TEST_P(spectro_ex_Simulator, WaveFetchesFollowTheCounts) {
    float fit[5] = {};
    ASSERT_EQ(ZOLT_GetFit(handle_, fit), ZOLT_OK);
    const auto lambda = [&fit](double p) {
        return fit[0] + p * (fit[1] + p * (fit[2] + p * (fit[3] + p * fit[4])));
    };
    const int32_t first = static_cast<int32_t>(std::ceil(lambda(pixels_ / 4.0)));
    const int32_t last = static_cast<int32_t>(std::floor(lambda(pixels_ * 3 / 4.0)));
    ASSERT_LT(first, last);
    const size_t points = static_cast<size_t>(last - first) + 1;

    Measure(ZOLT_StartDarkEx, ZOLT_DarkPixEx, 10.0f, 1);
    std::vector<float> dark(points, -1.0f);
    ASSERT_EQ(ZOLT_DarkWaveEx(handle_, first, last, 1.0f, dark.data()), ZOLT_OK);
    Measure(ZOLT_StartLightEx, ZOLT_LightPixEx, 10.0f, 1);
    std::vector<float> light(points, -1.0f);
    ASSERT_EQ(ZOLT_LightWaveEx(handle_, first, last, 1.0f, light.data()), ZOLT_OK);
    for (size_t i = 0; i < points; ++i)
        EXPECT_GT(light[i], dark[i]) << first + int(i) << " nm";

    // A bad grid is the core's to refuse; its status comes back unchanged.
    EXPECT_EQ(ZOLT_LightWaveEx(handle_, first, last, 0.0f, light.data()), ZOLT_E_STEP_WIDTH);
}

TEST(spectro_ex_DeliveredLibrary, ReportsItsVersion) {
    uint16_t major = 0, minor = 9, build = 0;
    ASSERT_EQ(ZOLT_GetSpectroExDLLVersion(&major, &minor, &build), ZOLT_OK);
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(build, 11);
}

INSTANTIATE_TEST_SUITE_P(DeviceTypes, spectro_ex_Simulator, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "type" + std::to_string(info.param);
                         });

} // namespace
