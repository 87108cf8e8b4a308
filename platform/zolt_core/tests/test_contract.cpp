// The main road: enumerate, open, read parameters, measure, close.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "helpers.hpp"

using ztest::g_now;

class ZoltCoreContract : public ztest::Sim {};

TEST_F(ZoltCoreContract, DefaultRegistryHasOneUsbInstrument) {
    uint32_t n = 99;
    ASSERT_EQ(ZOLT_GetNumDevices(&n), ZOLT_OK);
    ASSERT_EQ(n, 1u);
    uint8_t conn = 0, type = 9;
    char serial[16], ip[16], usb[16];
    uint16_t port = 0;
    uint32_t baud = 0;
    uint64_t bt = 0;
    ASSERT_EQ(ZOLT_GetDeviceInfo(0, &conn, &type, serial, &port, &baud, ip, usb, &bt), ZOLT_OK);
    EXPECT_EQ(conn, ZOLT_CONN_USB);
    EXPECT_EQ(type, 1);
    EXPECT_STREQ(serial, "ZS10001");
    EXPECT_STREQ(usb, "FTZ20001");
    uint32_t sn = 0, c32 = 0, t32 = 0;
    ASSERT_EQ(ZOLT_GetSerialDevice(0, &sn, &c32, &t32), ZOLT_OK);
    EXPECT_EQ(sn, 10001u);
    EXPECT_EQ(c32, static_cast<uint32_t>(ZOLT_CONN_USB));
}

TEST_F(ZoltCoreContract, OpensEveryInProcessConnectionKind) {
    const char* cfg = "[device]\nconnection = com\ncom_port = 5\n"
                      "[device]\nconnection = usb\nusb_serial = FTX1\ntype = 2\n"
                      "[device]\nconnection = bt\nbt_address = 0011AABBCCDD\ntype = 3\n";
    char err[200];
    ASSERT_EQ(zsim_Configure(cfg, err, sizeof err), 0) << err;
    uint32_t h1 = 0, h2 = 0, h3 = 0;
    ASSERT_EQ(ZOLT_OpenCOMDevice(5, 0, &h1), ZOLT_OK);
    ASSERT_EQ(ZOLT_OpenFTDIDevice("FTX1", &h2), ZOLT_OK);
    ASSERT_EQ(ZOLT_OpenBTDevice(0x0011AABBCCDDull, &h3), ZOLT_OK);
    EXPECT_NE(h1, h2);
    EXPECT_NE(h2, h3);
    uint8_t t = 0;
    ASSERT_EQ(ZOLT_GetDeviceType(h2, &t), ZOLT_OK);
    EXPECT_EQ(t, 2);
    ASSERT_EQ(ZOLT_GetDeviceType(h3, &t), ZOLT_OK);
    EXPECT_EQ(t, 3);
    // Addresses nobody has.
    uint32_t h = 0;
    EXPECT_EQ(ZOLT_OpenCOMDevice(6, 0, &h), ZOLT_E_COM_OPEN);
    EXPECT_EQ(ZOLT_OpenFTDIDevice("NOPE", &h), ZOLT_E_COM_OPEN);
    EXPECT_EQ(ZOLT_OpenBTDevice(1, &h), ZOLT_E_COM_OPEN);
    for (uint32_t x : {h1, h2, h3})
        EXPECT_EQ(ZOLT_CloseDevice(x), ZOLT_OK);
}

TEST_F(ZoltCoreContract, IndexZeroDescribesADeviceOpenedByItsAddress) {
    char err[200];
    ASSERT_EQ(zsim_Configure("[device]\n[device]\nconnection = com\ncom_port = 5\ntype = 2\n", err,
                             sizeof err),
              0)
        << err;
    uint32_t h = 0;
    ASSERT_EQ(ZOLT_OpenCOMDevice(5, 0, &h), ZOLT_OK);
    uint8_t conn = 0, type = 0;
    char serial[16], ip[16], usb[16];
    uint16_t port = 0;
    uint32_t baud = 0;
    uint64_t bt = 0;
    ASSERT_EQ(ZOLT_GetDeviceInfo(0, &conn, &type, serial, &port, &baud, ip, usb, &bt), ZOLT_OK);
    EXPECT_EQ(conn, ZOLT_CONN_COM);
    EXPECT_EQ(port, 5);
    EXPECT_EQ(type, 2);
    EXPECT_STREQ(serial, "ZS10002");
    ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    ASSERT_EQ(ZOLT_GetDeviceInfo(0, &conn, &type, serial, &port, &baud, ip, usb, &bt), ZOLT_OK);
    EXPECT_EQ(conn, ZOLT_CONN_USB) << "back to the registry's first entry";
}

TEST_F(ZoltCoreContract, BasicParametersDescribeTheDefaultInstrument) {
    uint32_t h = open();
    float fit[5];
    ASSERT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
    int32_t n = pixels(h);
    EXPECT_EQ(n, 2048);
    auto wl = [&](double x) {
        return fit[0] + x * (fit[1] + x * (fit[2] + x * (fit[3] + x * fit[4])));
    };
    EXPECT_NEAR(wl(0), 190.0, 1.0);
    EXPECT_NEAR(wl(n - 1), 1100.0, 5.0);
    for (int i = 1; i < n; ++i)
        ASSERT_GT(wl(i), wl(i - 1)) << "fit must rise at pixel " << i;
    uint8_t bits = 0, bin = 0, lo = 0, hi = 0;
    ASSERT_EQ(ZOLT_GetADCRes(h, &bits), ZOLT_OK);
    EXPECT_EQ(bits, 16);
    ASSERT_EQ(ZOLT_GetPixelBinning(h, &bin), ZOLT_OK);
    EXPECT_EQ(bin, 1);
    ASSERT_EQ(ZOLT_GetBorder(h, &lo, &hi), ZOLT_OK);
    EXPECT_LT(lo, hi);
    char fw[ZOLT_FIRMWARE_MAX];
    ASSERT_EQ(ZOLT_GetFirmwareVersion(h, fw), ZOLT_OK);
    EXPECT_NE(std::string(fw).find(' '), std::string::npos);
    float tint = 0, minTint = 0;
    ASSERT_EQ(ZOLT_GetTint(h, &tint), ZOLT_OK);
    EXPECT_FLOAT_EQ(tint, 10.0f);
    ASSERT_EQ(ZOLT_GetMinTintConf(h, &minTint), ZOLT_OK);
    EXPECT_GT(minTint, 0.0f);
    uint16_t aver = 0, maxAver = 0;
    ASSERT_EQ(ZOLT_GetAverConf(h, &maxAver, &aver), ZOLT_OK);
    EXPECT_EQ(aver, 1);
    EXPECT_EQ(maxAver, 65535);
}

TEST_F(ZoltCoreContract, MeasurementIsBusyUntilItsDurationHasPassed) {
    uint32_t h = open();
    ASSERT_EQ(ZOLT_SetTintConf(h, 100.0f), ZOLT_OK);
    ASSERT_EQ(ZOLT_SetAverConf(h, 10), ZOLT_OK);
    ASSERT_EQ(ZOLT_SetFunctionConf(h, ZOLT_FUNC_DARK), ZOLT_OK);
    ASSERT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
    std::vector<int32_t> v(2048);
    int32_t busy = 0;
    g_now += 0.9; // 10 x 100 ms have not passed yet
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 1);
    EXPECT_EQ(ZOLT_FetchDark(h, v.data()), ZOLT_E_BUSY);
    EXPECT_EQ(ZOLT_InitMeasure(h), ZOLT_E_BUSY);
    EXPECT_EQ(ZOLT_SetTintConf(h, 5.0f), ZOLT_E_BUSY);
    g_now += 0.2;
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(ZOLT_FetchDark(h, v.data()), ZOLT_OK);
}

TEST_F(ZoltCoreContract, DarkAndLightWithPolling) {
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 1), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK);
    auto light = fetch(h, ZOLT_FetchLight);
    // Dark is offset plus a little dark current, flat across the detector.
    double darkMean = 0;
    for (int32_t d : dark)
        darkMean += d;
    darkMean /= static_cast<double>(dark.size());
    EXPECT_GT(darkMean, 500);
    EXPECT_LT(darkMean, 2000);
    // The lamp lifts the visible band well above dark, and not the deep UV edge.
    EXPECT_GT(meanDiff(light, dark, 900, 1100), 10000.0);
    EXPECT_LT(std::fabs(meanDiff(light, dark, 0, 10)), 300.0);
}

TEST_F(ZoltCoreContract, LampOffDarkensTheNextAcquisition) {
    uint32_t h = open();
    char reply[ZOLT_REPLY_MAX];
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 4), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*contr:lamp 0\r", reply), ZOLT_OK);
    ASSERT_NE(reply[0], ZOLT_NAK);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 4), ZOLT_OK);
    auto light = fetch(h, ZOLT_FetchLight);
    EXPECT_LT(std::fabs(meanDiff(light, dark, 0, 2048)), 5.0);
    // The lamp is back for the acquisition after that.
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 4), ZOLT_OK);
    EXPECT_GT(meanDiff(fetch(h, ZOLT_FetchLight), dark, 900, 1100), 10000.0);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*contr:lamp 0\r", reply), ZOLT_OK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*contr:lamp 1\r", reply), ZOLT_OK);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 4), ZOLT_OK);
    EXPECT_GT(meanDiff(fetch(h, ZOLT_FetchLight), dark, 900, 1100), 10000.0);
}

TEST_F(ZoltCoreContract, CountsScaleWithIntegrationTimeAndSaturate) {
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 5.0f, 16), ZOLT_OK);
    auto dark5 = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 5.0f, 16), ZOLT_OK);
    auto light5 = fetch(h, ZOLT_FetchLight);
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 16), ZOLT_OK);
    auto dark10 = fetch(h, ZOLT_FetchDark);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 16), ZOLT_OK);
    auto light10 = fetch(h, ZOLT_FetchLight);
    double s5 = meanDiff(light5, dark5, 800, 1200), s10 = meanDiff(light10, dark10, 800, 1200);
    EXPECT_NEAR(s10 / s5, 2.0, 0.02);
    // Dark current grows with the integration time too.
    EXPECT_GT(meanDiff(dark10, dark5, 0, 2048), 1.0);

    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 200.0f, 1), ZOLT_OK);
    auto bright = fetch(h, ZOLT_FetchLight);
    EXPECT_EQ(*std::max_element(bright.begin(), bright.end()), 65535);
    EXPECT_EQ(std::count(bright.begin(), bright.end(), 65535) > 100, true);
    for (int32_t v : bright)
        ASSERT_LE(v, 65535);
}

TEST_F(ZoltCoreContract, FullScaleFollowsTheAdcResolution) {
    char err[200];
    ASSERT_EQ(zsim_Configure("[device]\nadc_bits = 12\npixels = 512\n", err, sizeof err), 0) << err;
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 500.0f, 1), ZOLT_OK);
    auto v = fetch(h, ZOLT_FetchLight);
    ASSERT_EQ(v.size(), 512u);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 4095);
}

TEST_F(ZoltCoreContract, BreakEndsARunningMeasurement) {
    uint32_t h = open();
    zsim_SetNeverEnding(1);
    ASSERT_EQ(ZOLT_SetFunctionConf(h, ZOLT_FUNC_LIGHT), ZOLT_OK);
    ASSERT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
    int32_t busy = 0;
    g_now += 3600;
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 1);
    ASSERT_EQ(ZOLT_Break(h), ZOLT_OK);
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
    std::vector<int32_t> v(2048);
    EXPECT_EQ(ZOLT_FetchLight(h, v.data()), ZOLT_E_BUSY) << "a broken measurement has no data";
    zsim_SetNeverEnding(0);
    EXPECT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK);
}

TEST_F(ZoltCoreContract, TransmissionAndGridCalls) {
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 8), ZOLT_OK);
    ASSERT_EQ(measure(h, ZOLT_FUNC_REFER, 10.0f, 8), ZOLT_OK);
    std::vector<int32_t> t(2048);
    EXPECT_EQ(ZOLT_FetchTransRefl(h, t.data()), ZOLT_E_BUSY) << "no sample measured yet";
    ASSERT_EQ(measure(h, ZOLT_FUNC_TRANSREFL, 10.0f, 8), ZOLT_OK);
    ASSERT_EQ(ZOLT_FetchTransRefl(h, t.data()), ZOLT_OK);
    // Same light twice: about 100 %, i.e. 10000 in 0.01 % units.
    EXPECT_NEAR(t[1000], 10000, 150);
    std::vector<float> grid(11, -1.0f);
    ASSERT_EQ(ZOLT_CalcLintTransRefl(h, 500, 600, 10.0f, grid.data()), ZOLT_OK);
    for (float g : grid)
        EXPECT_NEAR(g, 100.0f, 2.0f);
    std::vector<float> refer(3);
    ASSERT_EQ(ZOLT_CalcLintRefer(h, 100, 120, 10.0f, refer.data()), ZOLT_OK);
    EXPECT_EQ(refer[0], 0.0f) << "outside the detector's range";
    EXPECT_EQ(ZOLT_CalcLintDark(h, 600, 500, 1.0f, grid.data()), ZOLT_E_STEP_WIDTH);
    EXPECT_EQ(ZOLT_CalcLintDark(h, 500, 600, 0.0f, grid.data()), ZOLT_E_STEP_WIDTH);
}

TEST_F(ZoltCoreContract, AdaptionHasABusyPhaseAndFindsAUsableTime) {
    uint32_t h = open();
    ASSERT_EQ(ZOLT_StartAdaption(h, 0), ZOLT_OK);
    float tint = 0;
    uint16_t aver = 0;
    int32_t busy = 0;
    ASSERT_EQ(ZOLT_CheckAdaptionStat(h, &tint, &aver, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 1);
    EXPECT_EQ(ZOLT_StartAdaption(h, 0), ZOLT_E_BUSY);
    for (int k = 0; k < 1000 && busy; ++k) {
        g_now += 0.01;
        ASSERT_EQ(ZOLT_CheckAdaptionStat(h, &tint, &aver, &busy), ZOLT_OK);
    }
    ASSERT_EQ(busy, 0);
    EXPECT_GT(tint, 0.0f);
    EXPECT_GE(aver, 1);
    float conf = 0;
    int32_t reserved = 0;
    ASSERT_EQ(ZOLT_GetTintConf(h, &conf, &reserved), ZOLT_OK);
    EXPECT_FLOAT_EQ(conf, tint);
    // The found time puts the brightest pixel near, not at, full scale.
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, tint, 1), ZOLT_OK);
    auto v = fetch(h, ZOLT_FetchLight);
    int32_t peak = *std::max_element(v.begin(), v.end());
    EXPECT_GT(peak, 40000);
    EXPECT_LT(peak, 60000);
}

TEST_F(ZoltCoreContract, TextCommands) {
    char err[200];
    ASSERT_EQ(zsim_Configure("[device]\ntype = 1\n[device]\ntype = 3\nconnection = bt\n", err,
                             sizeof err),
              0)
        << err;
    uint32_t h1 = open(0), h3 = open(1);
    char reply[ZOLT_REPLY_MAX];
    char fw[ZOLT_FIRMWARE_MAX];
    ASSERT_EQ(ZOLT_GetFirmwareVersion(h1, fw), ZOLT_OK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*idn\r", reply), ZOLT_OK);
    EXPECT_EQ(std::string(reply), std::string(fw) + "\r");
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*frobnicate\r", reply), ZOLT_OK);
    EXPECT_EQ(reply[0], ZOLT_NAK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*DATE?\r", reply), ZOLT_OK);
    EXPECT_EQ(reply[0], ZOLT_NAK) << "date and time are type 3 only";
    ASSERT_EQ(ZOLT_ArbitraryCommand(h3, "*DATE 2030-05-06\r", reply), ZOLT_OK);
    ASSERT_NE(reply[0], ZOLT_NAK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h3, "*DATE?\r", reply), ZOLT_OK);
    EXPECT_STREQ(reply, "2030-05-06\r");
    ASSERT_EQ(ZOLT_ArbitraryCommand(h3, "*TIME?\r", reply), ZOLT_OK);
    EXPECT_EQ(std::strlen(reply), 9u);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h3, "*sleep\r", reply), ZOLT_OK);
    EXPECT_NE(reply[0], ZOLT_NAK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*sleep\r", reply), ZOLT_OK);
    EXPECT_EQ(reply[0], ZOLT_NAK);
    // Text parameters read as "label:\tvalue" and write back.
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*PARA:PIX?\r", reply), ZOLT_OK);
    EXPECT_STREQ(reply, "PIX:\t2048\r");
    ASSERT_EQ(ZOLT_ArbitraryCommand(h1, "*PARA:TINT 25\r", reply), ZOLT_OK);
    float tint = 0;
    int32_t r = 0;
    ASSERT_EQ(ZOLT_GetTintConf(h1, &tint, &r), ZOLT_OK);
    EXPECT_FLOAT_EQ(tint, 25.0f);
}

TEST_F(ZoltCoreContract, RepliesWriteTheTextAndOneTerminatorOnly) {
    ZSimDevice d;
    zsim_DefaultDevice(&d);
    std::memset(d.firmware, 'F', 255);
    d.firmware[255] = '\0';
    zsim_ClearDevices();
    ASSERT_EQ(zsim_AddDevice(&d), 0);
    uint32_t h = open();
    zsim_NakCommand("*contr:laser");
    struct Case {
        const char* command;
        std::string reply;
    } cases[] = {
        {"*idn\r", std::string(ZOLT_REPLY_MAX - 1, 'F')}, // 255 characters and "\r", cut
        {"*PARA:SERN?\r", "SERN:\tZS10001\r"},
        {"*contr:lamp 1\r", "OK\r"},
        {"*contr:laser 1\r", std::string(1, static_cast<char>(ZOLT_NAK))},
    };
    for (const Case& c : cases) {
        char reply[ZOLT_REPLY_MAX + 64];
        std::memset(reply, 'X', sizeof reply);
        ASSERT_EQ(ZOLT_ArbitraryCommand(h, c.command, reply), ZOLT_OK) << c.command;
        EXPECT_EQ(std::string(reply), c.reply) << c.command;
        // A switch command's caller may give a ZOLT_COMMAND_REPLY_MAX buffer.
        size_t untouched = c.reply.size() + 1;
        for (size_t i = untouched; i < sizeof reply; ++i)
            ASSERT_EQ(reply[i], 'X') << c.command << " wrote byte " << i;
    }
}

namespace {
std::mutex g_m;
std::condition_variable g_cv;
int g_posts = 0;
intptr_t g_window = 0;
uint32_t g_message = 0;
std::thread::id g_thread;
void recordPost(intptr_t window, uint32_t message, uintptr_t, intptr_t) {
    std::lock_guard<std::mutex> lk(g_m);
    ++g_posts;
    g_window = window;
    g_message = message;
    g_thread = std::this_thread::get_id();
    g_cv.notify_all();
}
} // namespace

TEST_F(ZoltCoreContract, TriggerPostsTheDeviceEventFromAnotherThread) {
    ZOLT_SetMessagePoster(recordPost);
    {
        std::lock_guard<std::mutex> lk(g_m);
        g_posts = 0;
    }
    uint32_t h = open();
    int32_t enq = -1;
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 0);
    zsim_FireTrigger(0); // not armed: no message, but the device still asks
    ASSERT_EQ(ZOLT_SetCallbackFunction(h, ZOLT_CALLBACK_POST_MESSAGE, 4242), ZOLT_OK);
    zsim_FireTrigger(0);
    {
        std::unique_lock<std::mutex> lk(g_m);
        ASSERT_TRUE(g_cv.wait_for(lk, std::chrono::seconds(5), [] { return g_posts >= 1; }));
        EXPECT_EQ(g_posts, 1);
        EXPECT_EQ(g_window, 4242);
        EXPECT_EQ(g_message, ZOLT_MSG_DEVICE_EVENT);
        EXPECT_NE(g_thread, std::this_thread::get_id());
    }
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 1);
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 0) << "one enquiry per trigger";
    zsim_SetEnquiry(0, 1);
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 1);
    ASSERT_EQ(ZOLT_SetCallbackFunction(h, ZOLT_CALLBACK_OFF, 0), ZOLT_OK);
    zsim_FireTrigger(0);
    ASSERT_EQ(ZOLT_GetPixel(h, &enq), ZOLT_OK); // a round trip after the trigger
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> lk(g_m);
    EXPECT_EQ(g_posts, 1);
    ZOLT_SetMessagePoster(nullptr);
}

TEST_F(ZoltCoreContract, SwitchesAndSensorsFollowTheDeviceType) {
    char err[200];
    ASSERT_EQ(zsim_Configure("[device]\ntype = 0\n[device]\ntype = 2\nflicker = 100\n"
                             "[device]\ntype = 3\nflicker = fuzzy\nhead = 3\n",
                             err, sizeof err),
              0)
        << err;
    uint32_t h0 = open(0), h2 = open(1), h3 = open(2);
    int32_t v = 0;
    EXPECT_EQ(ZOLT_SetShutterStat(h0, 1), ZOLT_E_NOT_SUPPORTED);
    EXPECT_EQ(ZOLT_StartAdaption(h0, 0), ZOLT_E_NOT_SUPPORTED);
    EXPECT_EQ(ZOLT_GetLaserStat(h0, &v), ZOLT_E_NOT_SUPPORTED);
    ASSERT_EQ(ZOLT_SetLaserStat(h2, 1), ZOLT_OK);
    ASSERT_EQ(ZOLT_GetLaserStat(h2, &v), ZOLT_OK);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(ZOLT_SetLaserStat(h2, 7), ZOLT_E_INVALID_ARG);
    float hz = -1;
    int32_t warn = -1;
    EXPECT_EQ(ZOLT_GetFlickerFreq(h0, &hz, &warn), ZOLT_E_NOT_SUPPORTED);
    ASSERT_EQ(ZOLT_GetFlickerFreq(h2, &hz, &warn), ZOLT_OK);
    EXPECT_FLOAT_EQ(hz, 100.0f);
    EXPECT_EQ(warn, 0);
    ASSERT_EQ(ZOLT_GetFlickerFreq(h3, &hz, &warn), ZOLT_OK);
    EXPECT_EQ(hz, 0.0f);
    EXPECT_EQ(warn, 12);
    uint8_t head = 0;
    ASSERT_EQ(ZOLT_GetMeasHead(h3, &head), ZOLT_OK);
    EXPECT_EQ(head, 3);
    float volts = -1, deg = -300;
    uint8_t pct = 1, chg = 1;
    ASSERT_EQ(ZOLT_GetBatteryStat(h2, &volts, &pct, &chg), ZOLT_OK);
    EXPECT_EQ(volts, 0.0f);
    EXPECT_EQ(pct, 0);
    ASSERT_EQ(ZOLT_GetBatteryStat(h3, &volts, &pct, &chg), ZOLT_OK);
    EXPECT_GT(volts, 3.0f);
    EXPECT_GT(pct, 0);
    ASSERT_EQ(ZOLT_GetTemperature(h3, &deg), ZOLT_OK);
    EXPECT_GT(deg, 15.0f);
    EXPECT_LT(deg, 40.0f);
    // A closed shutter keeps the light out.
    ASSERT_EQ(measure(h2, ZOLT_FUNC_DARK, 10.0f, 4), ZOLT_OK);
    auto dark = fetch(h2, ZOLT_FetchDark);
    ASSERT_EQ(ZOLT_SetShutterStat(h2, 1), ZOLT_OK);
    ASSERT_EQ(measure(h2, ZOLT_FUNC_LIGHT, 10.0f, 4), ZOLT_OK);
    auto light = fetch(h2, ZOLT_FetchLight);
    EXPECT_LT(std::fabs(meanDiff(light, dark, 0, 2048)), 5.0);
}

TEST_F(ZoltCoreContract, ParameterBlockRoundTrip) {
    uint32_t h = open();
    uint8_t block[ZOLT_PARAM_BLOCK_SIZE];
    ASSERT_EQ(ZOLT_GetParamBlock(h, block), ZOLT_OK);
    float pixelsField = 0;
    std::memcpy(&pixelsField, block + 72, 4);
    EXPECT_EQ(pixelsField, 2048.0f);
    EXPECT_EQ(std::memcmp(block, "KESTRO", 6), 0);
    std::memcpy(block + 990, "hello", 6);
    ASSERT_EQ(ZOLT_SetParamBlock(h, block), ZOLT_OK);
    uint8_t back[ZOLT_PARAM_BLOCK_SIZE];
    ASSERT_EQ(ZOLT_GetParamBlock(h, back), ZOLT_OK);
    EXPECT_STREQ(reinterpret_cast<char*>(back + 990), "hello");
    uint32_t sum = 0;
    for (int i = 0; i < 1022; ++i)
        sum += back[i];
    EXPECT_EQ(back[1022] | (back[1023] << 8), static_cast<int>(sum & 0xFFFF));

    char err[200];
    ASSERT_EQ(zsim_Configure("[device]\ntype = 3\n", err, sizeof err), 0);
    uint32_t h3 = open();
    EXPECT_EQ(ZOLT_GetParamBlock(h3, block), ZOLT_E_NOT_SUPPORTED);
}

TEST_F(ZoltCoreContract, CloseInvalidatesTheHandleAndFreesTheDevice) {
    uint32_t h = open();
    ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    int32_t n = 0;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_HANDLE);
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_E_HANDLE);
    uint32_t h2 = open();
    EXPECT_NE(h2, h) << "handles are not reused";
    EXPECT_EQ(ZOLT_Reset(h2), ZOLT_OK);
}

namespace {
std::atomic<uint32_t> g_handle{0};
std::atomic<int> g_delivered{0};
std::atomic<int> g_enquiryFailures{0};
// Like an application that answers the message by asking the device at once.
void answerPost(intptr_t, uint32_t, uintptr_t, intptr_t) {
    int32_t v = 0;
    if (ZOLT_GetEnquiry(g_handle.load(), &v) != ZOLT_OK)
        ++g_enquiryFailures;
    ++g_delivered;
}
} // namespace

TEST_F(ZoltCoreContract, TriggersFromAnotherThreadAreAllDelivered) {
    uint32_t h = open();
    g_handle = h;
    g_delivered = 0;
    g_enquiryFailures = 0;
    ZOLT_SetMessagePoster(answerPost);
    ASSERT_EQ(ZOLT_SetCallbackFunction(h, ZOLT_CALLBACK_POST_MESSAGE, 1), ZOLT_OK);
    std::thread trigger([] {
        for (int k = 0; k < 200; ++k)
            zsim_FireTrigger(0);
    });
    int32_t busy = 0;
    for (int k = 0; k < 200; ++k)
        ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    trigger.join();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (g_delivered.load() < 200 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(g_delivered.load(), 200);
    EXPECT_EQ(g_enquiryFailures.load(), 0);
    ZOLT_SetMessagePoster(nullptr);
}
