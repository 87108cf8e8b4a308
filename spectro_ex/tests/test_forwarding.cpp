// Exports that pass a call straight through to the core: same arguments in the
// same order, the core's status back unchanged, its outputs reaching the caller.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fake_core.h"
#include "zolt_spectro_ex.h"

namespace {

constexpr uint32_t kHandle = 0x80000001u;

std::string Ptr(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

// Caller-owned outputs; their addresses must reach the core unchanged.
struct Outputs {
    uint32_t u32[3] = {0, 0, 0};
    int32_t i32 = -7;
    int32_t counts[4] = {0, 0, 0, 0};
    float wave[4] = {0, 0, 0, 0};
    float tint = -1.0f;
};

struct ForwardCase {
    const char* label;
    std::function<int(Outputs&)> call;
    std::function<std::string(Outputs&)> expectedCall;
};

void PrintTo(const ForwardCase& c, std::ostream* os) {
    *os << c.label;
}

std::vector<ForwardCase> AllForwards() {
    const std::string h = std::to_string(kHandle);
    const auto fetch = [h](const char* label, int(ZOLT_API * fn)(uint32_t, int32_t*),
                           const char* core) {
        return ForwardCase{label, [fn](Outputs& o) { return fn(kHandle, o.counts); },
                           [h, core](Outputs& o) {
                               return std::string(core) + "(" + h + "," + Ptr(o.counts) + ")";
                           }};
    };
    const auto wave = [h](const char* label,
                          int(ZOLT_API * fn)(uint32_t, int32_t, int32_t, float, float*),
                          const char* core) {
        return ForwardCase{
            label, [fn](Outputs& o) { return fn(kHandle, 300, -800, 0.25f, o.wave); },
            [h, core](Outputs& o) {
                return std::string(core) + "(" + h + ",300,-800,0.25," + Ptr(o.wave) + ")";
            }};
    };
    return {
        {"GetNumSpectro", [](Outputs& o) { return ZOLT_GetNumSpectroEx(&o.u32[0]); },
         [](Outputs& o) { return "ZOLT_GetNumDevices(" + Ptr(&o.u32[0]) + ")"; }},
        {"GetSerialSpectro",
         [](Outputs& o) { return ZOLT_GetSerialSpectroEx(9, &o.u32[0], &o.u32[1], &o.u32[2]); },
         [](Outputs& o) {
             return "ZOLT_GetSerialDevice(9," + Ptr(&o.u32[0]) + "," + Ptr(&o.u32[1]) + "," +
                    Ptr(&o.u32[2]) + ")";
         }},
        {"OpenSpectro", [](Outputs& o) { return ZOLT_OpenSpectroEx(2, &o.u32[0]); },
         [](Outputs& o) { return "ZOLT_OpenDevice(2," + Ptr(&o.u32[0]) + ")"; }},
        {"CloseSpectro", [](Outputs&) { return ZOLT_CloseSpectroEx(kHandle); },
         [h](Outputs&) { return "ZOLT_CloseDevice(" + h + ")"; }},
        fetch("DarkPix", ZOLT_DarkPixEx, "ZOLT_FetchDark"),
        fetch("LightPix", ZOLT_LightPixEx, "ZOLT_FetchLight"),
        fetch("ReferPix", ZOLT_ReferPixEx, "ZOLT_FetchRefer"),
        fetch("TransReflPix", ZOLT_TransReflPixEx, "ZOLT_FetchTransRefl"),
        wave("DarkWave", ZOLT_DarkWaveEx, "ZOLT_CalcLintDark"),
        wave("LightWave", ZOLT_LightWaveEx, "ZOLT_CalcLintLight"),
        wave("ReferWave", ZOLT_ReferWaveEx, "ZOLT_CalcLintRefer"),
        wave("TransReflWave", ZOLT_TransReflWaveEx, "ZOLT_CalcLintTransRefl"),
        {"SpectroStatus", [](Outputs& o) { return ZOLT_SpectroStatusEx(kHandle, &o.i32); },
         [h](Outputs& o) { return "ZOLT_MeasureStatusCore(" + h + "," + Ptr(&o.i32) + ")"; }},
        {"SpectroBreak", [](Outputs&) { return ZOLT_SpectroBreakEx(kHandle); },
         [h](Outputs&) { return "ZOLT_Break(" + h + ")"; }},
        {"PixelCount", [](Outputs& o) { return ZOLT_PixelCountEx(kHandle, &o.i32); },
         [h](Outputs& o) { return "ZOLT_GetPixel(" + h + "," + Ptr(&o.i32) + ")"; }},
        {"SpectroTint", [](Outputs& o) { return ZOLT_SpectroTintEx(kHandle, &o.tint); },
         [h](Outputs& o) { return "ZOLT_GetTintConf(" + h + "," + Ptr(&o.tint) + ")"; }},
    };
}

class spectro_ex_Forward : public ::testing::TestWithParam<ForwardCase> {
  protected:
    void SetUp() override { fakecore::fake_Reset(); }
};

TEST_P(spectro_ex_Forward, MakesOneCoreCallWithTheSameArguments) {
    Outputs o;
    EXPECT_EQ(GetParam().call(o), ZOLT_OK);
    EXPECT_EQ(fakecore::fake_Calls(), std::vector<std::string>{GetParam().expectedCall(o)});
}

TEST_P(spectro_ex_Forward, ReturnsTheCoreStatusUnchanged) {
    for (int status : {int{ZOLT_E_HANDLE}, int{ZOLT_E_FATAL}, -1}) {
        fakecore::fake_Reset();
        fakecore::fake_FailAtCall(1, status);
        Outputs o;
        EXPECT_EQ(GetParam().call(o), status);
        EXPECT_EQ(fakecore::fake_Calls().size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllForwards, spectro_ex_Forward, ::testing::ValuesIn(AllForwards()),
                         [](const ::testing::TestParamInfo<ForwardCase>& info) {
                             return std::string(info.param.label);
                         });

class spectro_ex_ForwardOutputs : public ::testing::Test {
  protected:
    void SetUp() override { fakecore::fake_Reset(); }
    Outputs o;
};

TEST_F(spectro_ex_ForwardOutputs, CoreOutputsReachTheCaller) {
    ASSERT_EQ(ZOLT_GetNumSpectroEx(&o.u32[0]), ZOLT_OK);
    EXPECT_EQ(o.u32[0], fakecore::kNumDevices);
    ASSERT_EQ(ZOLT_GetSerialSpectroEx(0, &o.u32[0], &o.u32[1], &o.u32[2]), ZOLT_OK);
    EXPECT_EQ(o.u32[0], fakecore::kSerialNumber);
    EXPECT_EQ(o.u32[1], fakecore::kConnectionType);
    EXPECT_EQ(o.u32[2], fakecore::kSerialDeviceType);
    ASSERT_EQ(ZOLT_OpenSpectroEx(0, &o.u32[0]), ZOLT_OK);
    EXPECT_EQ(o.u32[0], fakecore::kOpenedHandle);
    ASSERT_EQ(ZOLT_SpectroStatusEx(kHandle, &o.i32), ZOLT_OK);
    EXPECT_EQ(o.i32, fakecore::kBusy);
    ASSERT_EQ(ZOLT_PixelCountEx(kHandle, &o.i32), ZOLT_OK);
    EXPECT_EQ(o.i32, fakecore::kPixelCount);
    ASSERT_EQ(ZOLT_TransReflPixEx(kHandle, o.counts), ZOLT_OK);
    EXPECT_EQ(o.counts[0], fakecore::kFetchFill);
    ASSERT_EQ(ZOLT_ReferWaveEx(kHandle, 400, 500, 1.0f, o.wave), ZOLT_OK);
    EXPECT_EQ(o.wave[0], fakecore::kWaveFill);
}

TEST_F(spectro_ex_ForwardOutputs, TintQueryKeepsTheCoreThirdOutputToItself) {
    ASSERT_EQ(ZOLT_SpectroTintEx(kHandle, &o.tint), ZOLT_OK);
    EXPECT_EQ(o.tint, fakecore::kTintMs);
    // The core must get a real place for its third output, not the caller's.
    EXPECT_NE(fakecore::fake_LastTintReserved(), nullptr);
    EXPECT_NE(fakecore::fake_LastTintReserved(), static_cast<const void*>(&o.tint));
}

TEST_F(spectro_ex_ForwardOutputs, TintQueryFailureLeavesTheResultAlone) {
    fakecore::fake_FailAtCall(1, ZOLT_E_NOT_CONNECTED);
    EXPECT_EQ(ZOLT_SpectroTintEx(kHandle, &o.tint), ZOLT_E_NOT_CONNECTED);
    EXPECT_EQ(o.tint, -1.0f);
}

} // namespace
