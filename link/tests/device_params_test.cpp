#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "link/device_params.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link_test_support.h"
#include "link_test_ui_ids.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "zolt_core.h"
#include "zolt_sim.h"

// Replies the simulator never gives (it only models sound instruments): while
// an override is set, these two getters answer with it instead of the core.
namespace overrides {
std::optional<int32_t> pixelCount;
std::optional<uint8_t> binning;
} // namespace overrides

extern "C" int ZOLT_GetPixel(uint32_t handle, int32_t* pixelCount) {
    if (overrides::pixelCount && pixelCount != nullptr) {
        *pixelCount = *overrides::pixelCount;
        return 0;
    }
    using Fn = int (*)(uint32_t, int32_t*);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "ZOLT_GetPixel"));
    return real(handle, pixelCount);
}

extern "C" int ZOLT_GetPixelBinning(uint32_t handle, uint8_t* binning) {
    if (overrides::binning && binning != nullptr) {
        *binning = *overrides::binning;
        return 0;
    }
    using Fn = int (*)(uint32_t, uint8_t*);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "ZOLT_GetPixelBinning"));
    return real(handle, binning);
}

namespace {

using linktest::FakeClock;
using linktest::ReadWhole;
using linktest::ScopedEnv;
using linktest::TempDir;

constexpr const char* kBasicReads[] = {
    "ZOLT_GetFit",        "ZOLT_GetPixel",  "ZOLT_GetFirmwareVersion",
    "ZOLT_GetDeviceType", "ZOLT_GetSDelay", "ZOLT_GetTint"};

// Fixture: a fresh simulator, the link state at program start and a session
// log in a temporary folder with a fixed clock (every line at 08:00:00).
class DeviceParamsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        zsim_Reset();
        link_ResetSharedState();
        popup_script::Clear();
        fileio_Log_End();
        fileio_Log_SetClock([this] { return clock_.Read(); });
        fileio_Log_Start();
        ASSERT_TRUE(fileio_Log_IsOpen());
    }
    void TearDown() override {
        overrides::pixelCount.reset();
        overrides::binning.reset();
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        zsim_Reset();
        fileio_Log_End();
        fileio_Log_SetClock({});
        link_ResetSharedState();
        popup_script::Clear();
    }

    static ZSimDevice Default() {
        ZSimDevice d{};
        zsim_DefaultDevice(&d);
        return d;
    }

    // Makes `d` the only simulated instrument and opens it.
    void Connect(const ZSimDevice& d) {
        zsim_ClearDevices();
        ASSERT_EQ(zsim_AddDevice(&d), 0);
        ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
        ASSERT_NE(dwCurrentDevice, 0u);
        stParam.connectionType = d.connectionType;
        zsim_ClearJournal();
    }

    std::string Log() const { return ReadWhole(fileio_Log_Path()); }

    // Lines of the log that contain `part`.
    std::vector<std::string> LogLines(const std::string& part) const {
        std::vector<std::string> lines;
        const std::string log = Log();
        std::size_t start = 0;
        while (start < log.size()) {
            std::size_t end = log.find('\n', start);
            if (end == std::string::npos)
                end = log.size();
            std::string line = log.substr(start, end - start);
            if (line.find(part) != std::string::npos)
                lines.push_back(line);
            start = end + 1;
        }
        return lines;
    }

    // How many journal entries name the core function `name`.
    static int JournalCalls(const std::string& name) {
        int n = 0;
        for (std::size_t i = 0; i < zsim_JournalCount(); ++i) {
            const std::string e = zsim_JournalEntry(i);
            if (e.rfind(name + "(", 0) == 0)
                ++n;
        }
        return n;
    }

    static std::string Line(const std::string& what, int code) {
        return "08:00:00 --- " + what + ", returned code: " + std::to_string(code) +
               (code != 0 ? " **ERROR" : " ");
    }

    TempDir dir_;
    ScopedEnv xdg_{"XDG_CONFIG_HOME", dir_.path().c_str()};
    FakeClock clock_;
};

// ---------------------------------------------------------- basic reads

TEST_F(DeviceParamsTest, GoodDeviceFillsTheRecord) {
    const ZSimDevice d = Default();
    Connect(d);
    stParam.baudrate = 0;
    EXPECT_EQ(comm_ReadParam(), 0);
    EXPECT_EQ(main_GetBasicParam(), 0);

    EXPECT_TRUE(popup_script::Record().empty());
    EXPECT_EQ(stParam.baudrate, 38400);
    EXPECT_EQ(stParam.pixelCount, d.pixelCount);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(stParam.fit[i], d.fit[i]) << i;
    EXPECT_STREQ(stParam.firmware, d.firmware);
    EXPECT_EQ(stParam.deviceType, d.deviceType);
    EXPECT_GE(stParam.pixelBinning, 1);
    EXPECT_EQ(dwError, 0);

    // Every getter logged under its caller's name, in the order of the reads.
    const std::vector<std::string> readParam = LogLines("comm_ReadParam, ");
    const std::vector<std::string> names = {
        "ZOLT_GetFirmwareVersion", "ZOLT_GetFit",       "ZOLT_GetPixel",
        "ZOLT_GetPixelBinning",    "ZOLT_GetTint",      "ZOLT_GetADCRes",
        "ZOLT_GetSDelay",          "ZOLT_GetSplitTime", "ZOLT_GetBorder",
        "ZOLT_GetMinTintConf",     "ZOLT_GetDeviceType"};
    ASSERT_GE(readParam.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(readParam[i], Line("comm_ReadParam, " + names[i], 0));
    }
    const std::vector<std::string> basic = LogLines("main_GetBasicParam, ");
    ASSERT_GE(basic.size(), 8u);
    const char* basicNames[] = {"ZOLT_GetFit",        "ZOLT_GetPixel",   "ZOLT_GetFirmwareVersion",
                                "ZOLT_GetDeviceType", "ZOLT_GetSDelay",  "ZOLT_GetTint",
                                "ZOLT_GetSplitTime",  "ZOLT_GetOptTrigg"};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(basic[i], Line(std::string("main_GetBasicParam, ") + basicNames[i], 0));
    }
}

class BasicReadFails : public DeviceParamsTest, public ::testing::WithParamInterface<int> {};

TEST_P(BasicReadFails, AllSixAreMadeAndTheConnectionFails) {
    const std::string failing = kBasicReads[GetParam()];
    const ZSimDevice d = Default();
    Connect(d);
    // Values no device reports, to see which fields the reads wrote.
    stParam.pixelCount = 7;
    std::memcpy(stParam.firmware, "old", 4);
    stParam.deviceType = 9;
    stParam.sDelay = -5;
    stParam.tintDefault = -1.0f;
    for (float& a : stParam.fit)
        a = -1.0f;
    iOffline = 0;

    zsim_FailCall(failing.c_str(), 1, 10);
    EXPECT_EQ(main_GetBasicParam(), -1);

    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "ERROR");
    EXPECT_EQ(popup_script::Record()[0].text, "Could not read parameter from device!");
    EXPECT_EQ(iOffline, 1);

    for (const char* name : kBasicReads) {
        EXPECT_EQ(JournalCalls(name), 1) << name;
        const std::vector<std::string> lines =
            LogLines(std::string("main_GetBasicParam, ") + name + ",");
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_EQ(lines[0],
                  Line(std::string("main_GetBasicParam, ") + name, name == failing ? 10 : 0));
    }
    // Nothing after the basic reads.
    EXPECT_EQ(JournalCalls("ZOLT_GetSplitTime"), 0);
    EXPECT_EQ(JournalCalls("ZOLT_GetCorrectionStat"), 0);
    EXPECT_EQ(JournalCalls("ZOLT_GetCorrectionRange"), 0);

    // The failed read left its field alone; the others were written.
    EXPECT_EQ(stParam.fit[0] == -1.0f, failing == "ZOLT_GetFit");
    EXPECT_EQ(stParam.pixelCount == 7, failing == "ZOLT_GetPixel");
    EXPECT_EQ(std::string(stParam.firmware) == "old", failing == "ZOLT_GetFirmwareVersion");
    EXPECT_EQ(stParam.deviceType == 9, failing == "ZOLT_GetDeviceType");
    EXPECT_EQ(stParam.sDelay == -5, failing == "ZOLT_GetSDelay");
    EXPECT_EQ(stParam.tintDefault == -1.0f, failing == "ZOLT_GetTint");
}

INSTANTIATE_TEST_SUITE_P(EachAlone, BasicReadFails, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(kBasicReads[info.param]).substr(5);
                         });

TEST_F(DeviceParamsTest, PixelCountBeyondTheArraysIsAFailedBasicRead) {
    for (int32_t pixels : {kMaxPixelCount + 1, 4096}) {
        ZSimDevice d = Default();
        d.pixelCount = pixels;
        Connect(d);
        popup_script::Clear();
        stParam.pixelCount = 512;
        comm_ReadParam();
        EXPECT_EQ(stParam.pixelCount, 512) << pixels;
        EXPECT_EQ(main_GetBasicParam(), -1) << pixels;
        EXPECT_EQ(stParam.pixelCount, 512) << pixels;
        ASSERT_EQ(popup_script::Record().size(), 1u);
        EXPECT_EQ(popup_script::Record()[0].text, "Could not read parameter from device!");
        EXPECT_EQ(iOffline, 1);
        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
    }
    // The largest count the arrays hold is fine.
    ZSimDevice d = Default();
    d.pixelCount = kMaxPixelCount;
    Connect(d);
    EXPECT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.pixelCount, kMaxPixelCount);
}

TEST_F(DeviceParamsTest, NoPixelsIsAFailedBasicRead) {
    Connect(Default());
    for (int32_t pixels : {0, -1, INT32_MIN}) {
        overrides::pixelCount = pixels;
        popup_script::Clear();
        stParam.pixelCount = 512;
        EXPECT_EQ(main_GetBasicParam(), -1) << pixels;
        EXPECT_EQ(stParam.pixelCount, 512);
        EXPECT_EQ(popup_script::Record().size(), 1u);
    }
}

TEST_F(DeviceParamsTest, OptionalReadsFallBack) {
    Connect(Default());
    zsim_FailCall("ZOLT_GetPixelBinning", 1, 10);
    zsim_FailCall("ZOLT_GetSplitTime", 1, 8);
    zsim_FailCall("ZOLT_GetBorder", 1, 10);
    stParam.splitTime = 77;
    comm_ReadParam();
    EXPECT_EQ(stParam.pixelBinning, 1);
    EXPECT_EQ(stParam.splitTime, 0);
    EXPECT_EQ(stParam.borderLow, 'A');
    EXPECT_EQ(stParam.borderHigh, 'Z');
    EXPECT_EQ(LogLines("comm_ReadParam, ZOLT_GetBorder")[0],
              Line("comm_ReadParam, ZOLT_GetBorder", 10));

    zsim_FailCall("ZOLT_GetSplitTime", 1, 8);
    zsim_FailCall("ZOLT_GetOptTrigg", 1, 11);
    stParam.splitTime = 77;
    stParam.optTrigger = 1;
    EXPECT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.splitTime, 0);
    EXPECT_EQ(stParam.optTrigger, 0);
    EXPECT_EQ(dwError, 11);
}

TEST_F(DeviceParamsTest, BinningOfZeroCountsAsOne) {
    ZSimDevice d = Default();
    d.deviceType = 3;
    d.pixelCount = 1024;
    d.corrRangeFirst = 200;
    d.corrRangeLast = 600;
    Connect(d);
    overrides::binning = 0;
    comm_ReadParam();
    EXPECT_EQ(stParam.pixelBinning, 1);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 1);
    EXPECT_EQ(stParam.corrRange1First, 200);
    EXPECT_EQ(stParam.corrRange1Last, 600);
}

TEST_F(DeviceParamsTest, BluetoothReadsTheBaudRateOthersDoNot) {
    ZSimDevice d = Default();
    d.connectionType = ZOLT_CONN_BT;
    d.baudrate = 9600;
    Connect(d);
    stParam.baudrate = 115000;
    comm_ReadParam();
    EXPECT_EQ(stParam.baudrate, 9600);
    EXPECT_EQ(LogLines("comm_ReadParam, ZOLT_GetBaudrate").size(), 1u);

    stParam.connectionType = ZOLT_CONN_USB;
    stParam.baudrate = 115000;
    zsim_ClearJournal();
    comm_ReadParam();
    EXPECT_EQ(stParam.baudrate, 115000);
    EXPECT_EQ(JournalCalls("ZOLT_GetBaudrate"), 0);
}

TEST_F(DeviceParamsTest, TypeThreeHasOpticalTriggerWithoutAsking) {
    ZSimDevice d = Default();
    d.deviceType = 3;
    Connect(d);
    stParam.optTrigger = 0;
    comm_ReadParam();
    EXPECT_EQ(stParam.optTrigger, 1);
    EXPECT_EQ(JournalCalls("ZOLT_GetOptTrigg"), 0);
}

// ------------------------------------------------------ correction data

struct RangeCase {
    const char* name;
    int pixels;
    uint8_t binning;
    int first;
    int last;
    int stat;     // expected correctionStat
    int outFirst; // expected corrRange1First / Last
    int outLast;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.name;
}

class TypeThreeRange : public DeviceParamsTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(TypeThreeRange, RangeIsReadDividedAndChecked) {
    const RangeCase& c = GetParam();
    ZSimDevice d = Default();
    d.deviceType = 3;
    d.pixelCount = c.pixels;
    d.binning = c.binning;
    d.corrRangeFirst = c.first;
    d.corrRangeLast = c.last;
    Connect(d);
    comm_ReadParam();
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, c.stat);
    EXPECT_EQ(stParam.corrRange1First, c.outFirst);
    EXPECT_EQ(stParam.corrRange1Last, c.outLast);
    EXPECT_EQ(stParam.corrRange2First, 0);
    EXPECT_EQ(stParam.corrRange2Last, 0);
    EXPECT_EQ(LogLines("main_GetBasicParam, ZOLT_GetCorrectionRange#1").size(), 1u);
    EXPECT_EQ(JournalCalls("ZOLT_GetCorrectionStat"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypeThreeRange,
    ::testing::Values(RangeCase{"Binning2", 1024, 2, 200, 600, 1, 100, 300},
                      RangeCase{"EqualValuesMeanNoData", 1024, 2, 400, 400, 0, 200, 200},
                      RangeCase{"BeyondThePixels", 1024, 1, 200, 3000, 0, 200, 3000},
                      RangeCase{"InsideOnceBinned", 1024, 2, 200, 2000, 1, 100, 1000},
                      RangeCase{"Reversed", 1024, 1, 600, 200, 0, 600, 200}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

TEST_F(DeviceParamsTest, OtherTypesGetTheFixedOffsetWindow) {
    ZSimDevice d = Default();
    d.deviceType = 1;
    d.pixelCount = 1024;
    d.binning = 1;
    d.correctionStat = 1;
    d.corrRangeFirst = 30;
    d.corrRangeLast = 900;
    const float coeff[4] = {0.5f, -1.25f, 2.0f, 3.5f};
    std::memcpy(d.corrCoeff, coeff, sizeof coeff);
    Connect(d);
    comm_ReadParam();
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 1);
    EXPECT_EQ(stParam.corrRange1First, 100);
    EXPECT_EQ(stParam.corrRange1Last, 200);
    EXPECT_EQ(stParam.corrRange2First, 30);
    EXPECT_EQ(stParam.corrRange2Last, 900);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(stParam.corrCoeff[i], coeff[i]);
    EXPECT_EQ(LogLines("main_GetBasicParam, ZOLT_GetCorrectionRange#2").size(), 1u);
    // The status query itself is not logged.
    EXPECT_TRUE(LogLines("ZOLT_GetCorrectionStat").empty());
    EXPECT_EQ(JournalCalls("ZOLT_GetCorrectionStat"), 1);
}

TEST_F(DeviceParamsTest, OtherTypesWithoutDataOrOutsideThePixelsHaveNoCorrection) {
    ZSimDevice d = Default();
    d.deviceType = 0;
    d.correctionStat = 0;
    Connect(d);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 0);
    EXPECT_EQ(JournalCalls("ZOLT_GetCorrectionRange"), 0);
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;

    // The fixed offset window 100..200 does not fit 128 pixels.
    d.correctionStat = 1;
    d.pixelCount = 128;
    d.corrRangeFirst = 10;
    d.corrRangeLast = 100;
    Connect(d);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 0);
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;

    // A correction range reaching past the pixels.
    d.pixelCount = 1024;
    d.corrRangeFirst = 10;
    d.corrRangeLast = 1025;
    Connect(d);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 0);
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;

    // Correction data that cannot be read is not used.
    d.corrRangeLast = 1024;
    Connect(d);
    zsim_FailCall("ZOLT_GetCorrectionCoeff", 1, 10);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(stParam.correctionStat, 0);
}

// ------------------------------------------------------- the wavelength fit

struct SpanCase {
    const char* name;
    double span; // nm over 1023 pixel steps (plus a quarter, so the end truncates to it)
    bool fallback;
};

void PrintTo(const SpanCase& c, std::ostream* os) {
    *os << c.name;
}

class FitSpan : public DeviceParamsTest, public ::testing::WithParamInterface<SpanCase> {};

TEST_P(FitSpan, OnlySpansOutsideTenTo5000TakeTheFallback) {
    const SpanCase& c = GetParam();
    ZSimDevice d = Default();
    d.pixelCount = 1024;
    const float fit[5] = {300.0f, static_cast<float>(c.span / 1023.0), 0.0f, 0.0f, 0.0f};
    std::memcpy(d.fit, fit, sizeof fit);
    Connect(d);
    comm_ReadParam();
    ASSERT_EQ(main_GetBasicParam(), 0);
    ASSERT_EQ(link_AllocPixelArrays(), 0);
    EXPECT_EQ(comm_CheckFit(), c.fallback ? 1 : 0);

    if (c.fallback) {
        ASSERT_EQ(popup_script::Record().size(), 1u);
        EXPECT_EQ(popup_script::Record()[0].title, "Fit error!");
        EXPECT_EQ(popup_script::Record()[0].text, "Fit coefficients are completely unreasonable.\n"
                                                  "The programm will make some assumptions to\n"
                                                  "make it work in all modes, but be sure to\n"
                                                  "change fit parameters as soon as possible.");
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(stParam.fit[i], kFallbackFit[i]);
        EXPECT_EQ(iMinWaveLen, -600);
        EXPECT_EQ(iMaxWaveLen, 929); // -600 + 2*1023 - 0.001*1023^2 + ... = 929.85
        EXPECT_DOUBLE_EQ(dLambda[0], -600.0);
        EXPECT_NEAR(dLambda[1023], 929.8457606, 1e-6);
    } else {
        EXPECT_TRUE(popup_script::Record().empty());
        EXPECT_EQ(iMinWaveLen, 300);
        EXPECT_EQ(iMaxWaveLen, 300 + static_cast<int>(c.span));
        EXPECT_DOUBLE_EQ(dLambda[0], 300.0);
        EXPECT_NEAR(dLambda[1023], 300.0 + c.span, 1e-2);
    }
    // The pixel wavelengths rise from the first to the last pixel.
    for (int i = 1; i < 1024; ++i)
        ASSERT_LT(dLambda[i - 1], dLambda[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Spans, FitSpan,
    ::testing::Values(SpanCase{"Span9", 9.25, true}, SpanCase{"Span10", 10.25, false},
                      SpanCase{"Span5000", 5000.25, false}, SpanCase{"Span5001", 5001.25, true}),
    [](const ::testing::TestParamInfo<SpanCase>& info) { return std::string(info.param.name); });

TEST_F(DeviceParamsTest, NonFiniteCoefficientsTakeTheFallback) {
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()};
    for (int slot = 0; slot < 5; ++slot) {
        for (float b : bad) {
            popup_script::Clear();
            const float good[5] = {300.0f, 0.5f, 0.0f, 0.0f, 0.0f};
            std::memcpy(stParam.fit, good, sizeof good);
            stParam.fit[slot] = b;
            stParam.pixelCount = 1024;
            EXPECT_EQ(comm_CheckFit(), 1) << slot;
            EXPECT_EQ(popup_script::Record().size(), 1u);
            EXPECT_EQ(iMinWaveLen, -600);
            EXPECT_EQ(iMaxWaveLen, 929);
        }
    }
}

TEST_F(DeviceParamsTest, HugeCoefficientsTakeTheFallback) {
    const float huge[5] = {300.0f, 1e30f, 1e30f, 1e30f, 1e30f};
    std::memcpy(stParam.fit, huge, sizeof huge);
    stParam.pixelCount = 2048;
    EXPECT_EQ(comm_CheckFit(), 1);
    EXPECT_EQ(iMinWaveLen, -600);
    EXPECT_EQ(iMaxWaveLen, 1796);
}

TEST_F(DeviceParamsTest, FallbackIsAppliedOnceEvenWhenItFailsToo) {
    for (int pixels : {1, 2, 5}) {
        popup_script::Clear();
        const float flat[5] = {500.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        std::memcpy(stParam.fit, flat, sizeof flat);
        stParam.pixelCount = pixels;
        ASSERT_EQ(link_AllocPixelArrays(), 0);
        EXPECT_EQ(comm_CheckFit(), 1) << pixels;
        EXPECT_EQ(popup_script::Record().size(), 1u) << pixels;
        EXPECT_EQ(iMinWaveLen, -600);
        EXPECT_LT(iMaxWaveLen - iMinWaveLen, 10);
        EXPECT_DOUBLE_EQ(dLambda[0], -600.0);
    }
    // Six pixels are the fewest the fallback covers.
    stParam.pixelCount = 6;
    const float flat[5] = {500.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::memcpy(stParam.fit, flat, sizeof flat);
    EXPECT_EQ(comm_CheckFit(), 1);
    EXPECT_EQ(iMaxWaveLen - iMinWaveLen, 10);
}

// ---------------------------------------------- effects on the main window

int gAdaptCommits = 0;
int gAdaptOtherEvents = 0;

int CountAdapt(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) {
        ++gAdaptCommits;
    } else {
        ++gAdaptOtherEvents;
    }
    return 0;
}

// A stand-in main window whose handles and ids are given to the link the way
// the workspace gives them at start-up.
class MainWindowEffectsTest : public DeviceParamsTest {
  protected:
    void SetUp() override {
        DeviceParamsTest::SetUp();
        RegisterCtrlCallback("cbCheckBoxAdapt", CountAdapt);
        gAdaptCommits = gAdaptOtherEvents = 0;
        hMainPanel = LoadPanel(0, LINK_TEST_UI, MAINP);
        ASSERT_GT(hMainPanel, 0);
        hMenuBar = LoadMenuBar(hMainPanel, LINK_TEST_UI, MENUBAR);
        ASSERT_GT(hMenuBar, 0);
        ASSERT_EQ(SetPanelMenuBar(hMainPanel, hMenuBar), 0);
        hMainBar = hMenuBar;
        iMenuFileOpen = MENUBAR_FILE_OPEN;
        iCtrlCheckboxAdapt = MAINP_CHECKBOXADAPT;
    }
    void TearDown() override {
        if (hMenuBar > 0)
            DiscardMenuBar(hMenuBar);
        if (hMainPanel > 0)
            DiscardPanel(hMainPanel);
        hMainPanel = hMenuBar = hMainBar = iMenuFileOpen = iCtrlCheckboxAdapt = 0;
        SetWaitCursor(0);
        DeviceParamsTest::TearDown();
    }
    int FileOpenDimmed() const {
        int dimmed = -1;
        EXPECT_EQ(GetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &dimmed), 0);
        return dimmed;
    }
};

TEST_F(MainWindowEffectsTest, FailedBasicReadDimsFileOpenAndEndsTheWaitCursor) {
    Connect(Default());
    ASSERT_EQ(SetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 0), 0);
    SetWaitCursor(1);
    zsim_FailCall("ZOLT_GetSDelay", 1, 7);
    EXPECT_EQ(main_GetBasicParam(), -1);
    EXPECT_EQ(FileOpenDimmed(), 1);
    EXPECT_EQ(GetWaitCursor(), 0);
    EXPECT_EQ(gAdaptCommits, 0);
}

TEST_F(MainWindowEffectsTest, TypeThreeAppliesTheAdaptionOption) {
    ZSimDevice d = Default();
    d.deviceType = 3;
    Connect(d);
    EXPECT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(gAdaptCommits, 1);
    EXPECT_EQ(gAdaptOtherEvents, 0);

    d.deviceType = 1;
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;
    Connect(d);
    EXPECT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(gAdaptCommits, 1);
}

// ------------------------------------------------------ identification

TEST_F(DeviceParamsTest, OverlongFirmwareTextIsCutPerField) {
    const std::string name(60, 'N');
    const std::string version(70, 'V');
    const std::string date(121, 'D');
    const std::string text = name + " x " + version + " " + date;
    ASSERT_EQ(text.size(), 255u);
    ZSimDevice d = Default();
    std::memset(d.firmware, 0, sizeof d.firmware);
    std::memcpy(d.firmware, text.data(), text.size());
    Connect(d);
    ASSERT_EQ(main_GetBasicParam(), 0);
    EXPECT_EQ(std::string(stParam.firmware), text);
    comm_SplitFirmware();
    EXPECT_EQ(std::string(stParam.firmwareName), std::string(49, 'N'));
    EXPECT_EQ(std::string(stParam.firmwareVersion), std::string(49, 'V'));
    EXPECT_EQ(std::string(stParam.firmwareDate), std::string(49, 'D'));
}

TEST(FirmwareSplitTest, WordsAndMissingWords) {
    DeviceParameters saved = stParam;
    std::strcpy(stParam.firmware, "  KESTRO\tspec 2.14\n 2024-03-01 extra words");
    comm_SplitFirmware();
    EXPECT_STREQ(stParam.firmwareName, "KESTRO");
    EXPECT_STREQ(stParam.firmwareVersion, "2.14");
    EXPECT_STREQ(stParam.firmwareDate, "2024-03-01");

    // Words the text lacks leave their fields empty, not as they were.
    std::strcpy(stParam.firmware, "ONLY two");
    comm_SplitFirmware();
    EXPECT_STREQ(stParam.firmwareName, "ONLY");
    EXPECT_STREQ(stParam.firmwareVersion, "");
    EXPECT_STREQ(stParam.firmwareDate, "");

    std::strcpy(stParam.firmware, "");
    comm_SplitFirmware();
    EXPECT_STREQ(stParam.firmwareName, "");

    // A text that fills the whole field without a terminator stays inside it.
    std::memset(stParam.firmware, 'Z', sizeof stParam.firmware);
    comm_SplitFirmware();
    EXPECT_EQ(std::string(stParam.firmwareName), std::string(49, 'Z'));
    stParam = saved;
}

TEST(DeviceTypeTextTest, BothTablesAndUnknownTypes) {
    EXPECT_STREQ(comm_DeviceTypeText(0, 1), "generic ZOLT device");
    EXPECT_STREQ(comm_DeviceTypeText(1, 1), "kestro (xx01)");
    EXPECT_STREQ(comm_DeviceTypeText(2, 1), "kestro 4407");
    EXPECT_STREQ(comm_DeviceTypeText(3, 1), "TKRMM7");
    EXPECT_STREQ(comm_DeviceTypeText(0, 2), "generic ZOLT device");
    EXPECT_STREQ(comm_DeviceTypeText(1, 2), "kestro device (xx01)");
    EXPECT_STREQ(comm_DeviceTypeText(2, 2), "kestro 4407");
    EXPECT_STREQ(comm_DeviceTypeText(3, 2), "TKRx7");
    for (int type : {4, 255, -1}) {
        EXPECT_STREQ(comm_DeviceTypeText(type, 1), "");
        EXPECT_STREQ(comm_DeviceTypeText(type, 2), "");
    }
}

} // namespace
