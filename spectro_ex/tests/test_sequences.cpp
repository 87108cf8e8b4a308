// Set-up sequences of the Start and Prepare exports, checked call by call
// against the recording fake core, with a failure injected at every step.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_core.h"
#include "zolt_spectro_ex.h"

namespace {

using Calls = std::vector<std::string>;
using StartFn = int(ZOLT_API*)(uint32_t, float, uint16_t);

// Large enough to show that the handle is passed on unchanged, not narrowed.
constexpr uint32_t kHandle = 0xDEADBEEFu;
constexpr char kH[] = "3735928559";

std::string Call(const char* name) {
    return std::string(name) + "(" + kH + ")";
}
std::string Call(const char* name, const std::string& arg) {
    return std::string(name) + "(" + kH + "," + arg + ")";
}

struct SequenceCase {
    const char* label;
    StartFn fn;
    uint8_t deviceType;
    float tintMs;
    uint16_t averages;
    Calls expected;
    int expectedStatus; // with no failure injected
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << c.label << " type " << int(c.deviceType) << " tint " << c.tintMs;
}

// Device types that must behave alike: below 3, and 3 and above.
constexpr uint8_t kLowTypes[] = {0, 1, 2};
constexpr uint8_t kHighTypes[] = {3, 4, 255};

std::vector<SequenceCase> AllCases() {
    std::vector<SequenceCase> cases;
    const auto add = [&](const char* label, StartFn fn, bool low, float tint, uint16_t aver,
                         Calls expected, int status = ZOLT_OK) {
        for (uint8_t type :
             low ? std::vector<uint8_t>(std::begin(kLowTypes), std::end(kLowTypes))
                 : std::vector<uint8_t>(std::begin(kHighTypes), std::end(kHighTypes)))
            cases.push_back({label, fn, type, tint, aver, expected, status});
    };
    const std::string type = Call("ZOLT_GetDeviceType");

    // Light and reference, Start and Prepare: the four share one sequence and
    // differ in the function code and the last step.
    struct LightKind {
        const char* label;
        StartFn fn;
        const char* function;
        std::string last;
    };
    const LightKind lightKinds[] = {
        {"StartLight", ZOLT_StartLightEx, "1", Call("ZOLT_InitMeasure")},
        {"StartRefer", ZOLT_StartReferEx, "3", Call("ZOLT_InitMeasure")},
        {"PrepareLight", ZOLT_PrepareLightEx, "1", Call("ZOLT_SetFormatConf", "0")},
        {"PrepareRefer", ZOLT_PrepareReferEx, "3", Call("ZOLT_SetFormatConf", "0")},
    };
    for (const LightKind& k : lightKinds) {
        // Time 0 below type 3: the device chooses, so no time and no adaption.
        add(k.label, k.fn, true, 0.0f, 5,
            {type, Call("ZOLT_SetExposureConf", "1"), Call("ZOLT_SetAverConf", "5"),
             Call("ZOLT_SetFunctionConf", k.function), k.last});
        add(k.label, k.fn, true, 12.5f, 5,
            {type, Call("ZOLT_SetExposureConf", "2"), Call("ZOLT_SetTintConf", "12.5"),
             Call("ZOLT_SetAdaptConf", "0"), Call("ZOLT_SetAverConf", "5"),
             Call("ZOLT_SetFunctionConf", k.function), k.last});
        // From type 3 on the time is sent as it is, 0 included.
        add(k.label, k.fn, false, 0.0f, 65535,
            {type, Call("ZOLT_SetTintConf", "0"), Call("ZOLT_SetAverConf", "65535"),
             Call("ZOLT_SetFunctionConf", k.function), k.last});
        add(k.label, k.fn, false, 12.5f, 1,
            {type, Call("ZOLT_SetTintConf", "12.5"), Call("ZOLT_SetAverConf", "1"),
             Call("ZOLT_SetFunctionConf", k.function), k.last});
    }

    // Dark: exposure mode only, then the time.
    add("StartDark", ZOLT_StartDarkEx, true, 0.0f, 5, {type}, ZOLT_E_INVALID_ARG);
    add("StartDark", ZOLT_StartDarkEx, false, 0.0f, 5, {type}, ZOLT_E_INVALID_ARG);
    add("StartDark", ZOLT_StartDarkEx, true, -0.0f, 5, {type}, ZOLT_E_INVALID_ARG);
    add("StartDark", ZOLT_StartDarkEx, true, 40.0f, 3,
        {type, Call("ZOLT_SetExposureConf", "2"), Call("ZOLT_SetTintConf", "40"),
         Call("ZOLT_SetAverConf", "3"), Call("ZOLT_SetFunctionConf", "2"),
         Call("ZOLT_InitMeasure")});
    add("StartDark", ZOLT_StartDarkEx, false, 40.0f, 3,
        {type, Call("ZOLT_SetTintConf", "40"), Call("ZOLT_SetAverConf", "3"),
         Call("ZOLT_SetFunctionConf", "2"), Call("ZOLT_InitMeasure")});
    // Only zero is refused; a negative time is the core's business.
    add("StartDark", ZOLT_StartDarkEx, false, -2.0f, 3,
        {type, Call("ZOLT_SetTintConf", "-2"), Call("ZOLT_SetAverConf", "3"),
         Call("ZOLT_SetFunctionConf", "2"), Call("ZOLT_InitMeasure")});

    // Transmission/reflection: exposure mode and adaption switch, then the time.
    struct TransKind {
        const char* label;
        StartFn fn;
        std::string last;
    };
    const TransKind transKinds[] = {
        {"StartTransRefl", ZOLT_StartTransReflEx, Call("ZOLT_InitMeasure")},
        {"PrepareTransRefl", ZOLT_PrepareTransReflEx, Call("ZOLT_SetFormatConf", "0")},
    };
    for (const TransKind& k : transKinds) {
        add(k.label, k.fn, true, 0.0f, 2, {type}, ZOLT_E_INVALID_ARG);
        add(k.label, k.fn, false, -0.0f, 2, {type}, ZOLT_E_INVALID_ARG);
        add(k.label, k.fn, true, 8.0f, 2,
            {type, Call("ZOLT_SetExposureConf", "2"), Call("ZOLT_SetAdaptConf", "0"),
             Call("ZOLT_SetTintConf", "8"), Call("ZOLT_SetAverConf", "2"),
             Call("ZOLT_SetFunctionConf", "4"), k.last});
        add(k.label, k.fn, false, 8.0f, 2,
            {type, Call("ZOLT_SetTintConf", "8"), Call("ZOLT_SetAverConf", "2"),
             Call("ZOLT_SetFunctionConf", "4"), k.last});
    }
    return cases;
}

class spectro_ex_Sequence : public ::testing::TestWithParam<SequenceCase> {
  protected:
    void SetUp() override { fakecore::fake_Reset(); }
};

// Each expected list holds exactly one ZOLT_InitMeasure for a Start export and
// none for a Prepare export.
TEST_P(spectro_ex_Sequence, IssuesTheCallsInOrder) {
    const SequenceCase& c = GetParam();
    fakecore::fake_SetDeviceType(c.deviceType);
    EXPECT_EQ(c.fn(kHandle, c.tintMs, c.averages), c.expectedStatus);
    EXPECT_EQ(fakecore::fake_Calls(), c.expected);
}

TEST_P(spectro_ex_Sequence, StopsAtTheFirstFailingStep) {
    const SequenceCase& c = GetParam();
    for (size_t step = 1; step <= c.expected.size(); ++step) {
        SCOPED_TRACE("failing step " + std::to_string(step));
        fakecore::fake_Reset();
        fakecore::fake_SetDeviceType(c.deviceType);
        // A different code per step shows that the failing call's own status
        // comes back, not a fixed one.
        const int status = 40 + static_cast<int>(step);
        fakecore::fake_FailAtCall(step, status);
        EXPECT_EQ(c.fn(kHandle, c.tintMs, c.averages), status);
        const Calls made(c.expected.begin(), c.expected.begin() + static_cast<long>(step));
        EXPECT_EQ(fakecore::fake_Calls(), made);
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, spectro_ex_Sequence, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                             char name[96];
                             std::snprintf(name, sizeof name, "%s_type%d_%zu", info.param.label,
                                           info.param.deviceType, info.index);
                             return std::string(name);
                         });

} // namespace
