// Bad arguments get their documented status and never touch memory.
#include <cstring>
#include <string>

#include "helpers.hpp"

class ZoltCoreMisuse : public ztest::Sim {};

TEST_F(ZoltCoreMisuse, NullPointersGiveInvalidArgument) {
    uint32_t h = open();
    EXPECT_EQ(ZOLT_GetNumDevices(nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_OpenDevice(0, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_OpenFTDIDevice(nullptr, &h), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_OpenTCPDevice(nullptr, &h), ZOLT_E_INVALID_ARG);
    uint8_t b;
    char s[16];
    uint16_t p;
    uint32_t u;
    uint64_t bt;
    EXPECT_EQ(ZOLT_GetDeviceInfo(0, &b, &b, s, &p, &u, s, nullptr, &bt), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetSerialDevice(0, &u, nullptr, &u), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetFirmwareVersion(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetFit(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetPixel(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetBorder(h, &b, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetCorrectionRange(h, nullptr, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetEnquiry(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_ArbitraryCommand(h, nullptr, s), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_ArbitraryCommand(h, "*idn\r", nullptr), ZOLT_E_INVALID_ARG);
    float f;
    int32_t i;
    EXPECT_EQ(ZOLT_GetBatteryStat(h, &f, &b, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetFlickerFreq(h, nullptr, &i), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_CheckAdaptionStat(h, &f, nullptr, &i), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetAverConf(h, nullptr, &p), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetParamBlock(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetParamBlock(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_GetTintConf(h, &f, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_MeasureStatusCore(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_FetchDark(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_FetchTransRefl(h, nullptr), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_CalcLintLight(h, 400, 500, 1.0f, nullptr), ZOLT_E_INVALID_ARG);
}

TEST_F(ZoltCoreMisuse, UnknownClosedAndZeroHandles) {
    uint32_t h = open();
    ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    for (uint32_t bad : {0u, h, 0xDEADBEEFu}) {
        int32_t i;
        float f[5];
        char reply[ZOLT_REPLY_MAX];
        std::vector<int32_t> v(2048);
        EXPECT_EQ(ZOLT_GetPixel(bad, &i), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_GetFit(bad, f), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_Reset(bad), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_Break(bad), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_SetTrigger(bad, 2), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_SetCallbackFunction(bad, 5, 1), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_ArbitraryCommand(bad, "*idn\r", reply), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_InitMeasure(bad), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_FetchLight(bad, v.data()), ZOLT_E_HANDLE);
        EXPECT_EQ(ZOLT_CloseDevice(bad), ZOLT_E_HANDLE);
    }
}

TEST_F(ZoltCoreMisuse, IndexOutOfRange) {
    uint32_t h = 0, u;
    uint8_t b;
    char s[16];
    uint16_t p;
    uint64_t bt;
    EXPECT_EQ(ZOLT_OpenDevice(1, &h), ZOLT_E_DEVICE_NUMBER);
    EXPECT_EQ(ZOLT_GetDeviceInfo(1, &b, &b, s, &p, &u, s, s, &bt), ZOLT_E_DEVICE_NUMBER);
    EXPECT_EQ(ZOLT_GetSerialDevice(7, &u, &u, &u), ZOLT_E_DEVICE_NUMBER);
    EXPECT_EQ(h, 0u) << "nothing written on failure";
}

TEST_F(ZoltCoreMisuse, OpenIsExclusive) {
    uint32_t h = open(), h2 = 0;
    EXPECT_EQ(ZOLT_OpenDevice(0, &h2), ZOLT_E_COM_OPEN);
    EXPECT_EQ(ZOLT_OpenFTDIDevice("FTZ20001", &h2), ZOLT_E_COM_OPEN);
    EXPECT_EQ(h2, 0u);
    ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    EXPECT_EQ(ZOLT_OpenFTDIDevice("FTZ20001", &h2), ZOLT_OK);
}

TEST_F(ZoltCoreMisuse, BadCommands) {
    uint32_t h = open();
    char reply[ZOLT_REPLY_MAX];
    std::string longCmd(400, 'A');
    longCmd += "\r";
    EXPECT_EQ(ZOLT_ArbitraryCommand(h, longCmd.c_str(), reply), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_ArbitraryCommand(h, "*idn", reply), ZOLT_E_INVALID_ARG) << "no carriage return";
    EXPECT_EQ(ZOLT_ArbitraryCommand(h, "", reply), ZOLT_E_INVALID_ARG);
}

TEST_F(ZoltCoreMisuse, OutOfRangeSettings) {
    uint32_t h = open();
    EXPECT_EQ(ZOLT_SetAverConf(h, 0), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetAverConf(h, 65536), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetAverConf(h, 65535), ZOLT_OK);
    EXPECT_EQ(ZOLT_SetTintConf(h, -1.0f), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetTintConf(h, 1e9f), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetTintConf(h, 0.0f), ZOLT_OK) << "0 asks for automatic exposure";
    EXPECT_EQ(ZOLT_SetFunctionConf(h, 5), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetExposureConf(h, 0), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetTrigger(h, 9), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_SetCallbackFunction(h, 3, 1), ZOLT_E_INVALID_ARG);
    EXPECT_EQ(ZOLT_StartAdaption(h, 1), ZOLT_E_INVALID_ARG);
    std::vector<float> out(4);
    EXPECT_EQ(ZOLT_CalcLintLight(h, 0, 2000000000, 0.0001f, out.data()), ZOLT_E_INVALID_ARG)
        << "absurd grid";
}

TEST_F(ZoltCoreMisuse, FetchBeforeAnyMeasurement) {
    uint32_t h = open();
    std::vector<int32_t> v(2048, 7);
    EXPECT_EQ(ZOLT_FetchDark(h, v.data()), ZOLT_E_BUSY);
    EXPECT_EQ(ZOLT_FetchRefer(h, v.data()), ZOLT_E_BUSY);
    EXPECT_EQ(v[0], 7);
}

TEST_F(ZoltCoreMisuse, ReconfiguringClosesOpenHandles) {
    uint32_t h = open();
    char err[100];
    ASSERT_EQ(zsim_Configure("[device]\n", err, sizeof err), 0);
    int32_t n;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_HANDLE);
}
