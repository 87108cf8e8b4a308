// The test seam itself: faults, journal, unplugging and the configuration text.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "helpers.hpp"
#include "sim_model.hpp"
#include "wire.hpp"

using ztest::g_now;

class ZoltCoreSeam : public ztest::Sim {};

TEST_F(ZoltCoreSeam, FailCallHitsTheNthCallOnlyOrEveryCall) {
    uint32_t h = open();
    float fit[5];
    zsim_FailCall("ZOLT_GetFit", 2, ZOLT_E_TIME);
    EXPECT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
    EXPECT_EQ(ZOLT_GetFit(h, fit), ZOLT_E_TIME);
    EXPECT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
    zsim_FailCall("ZOLT_GetPixel", 0, ZOLT_E_FATAL);
    int32_t n = 0;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_FATAL);
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_FATAL);
    EXPECT_EQ(n, 0) << "a failed call writes nothing";
    zsim_FailCall("ZOLT_OpenDevice", 1, ZOLT_E_FATAL);
    zsim_ClearFaults();
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_OK);
}

TEST_F(ZoltCoreSeam, JournalRecordsCallsWithArgumentsAndStatus) {
    uint32_t h = open();
    zsim_ClearJournal();
    ZOLT_SetTrigger(h, 2);
    ZOLT_SetTrigger(h + 1000, 2);
    char reply[ZOLT_REPLY_MAX];
    ZOLT_ArbitraryCommand(h, "*idn\r", reply);
    ASSERT_EQ(zsim_JournalCount(), 3u);
    EXPECT_EQ(std::string(zsim_JournalEntry(0)),
              "ZOLT_SetTrigger(h=" + std::to_string(h) + ", 2) -> 0");
    EXPECT_EQ(
        std::string(zsim_JournalEntry(1)).substr(std::string(zsim_JournalEntry(1)).size() - 5),
        "-> 21");
    EXPECT_NE(std::string(zsim_JournalEntry(2)).find("\"*idn\\r\""), std::string::npos);
    EXPECT_EQ(zsim_JournalEntry(3), nullptr);
    // An entry is the caller's copy: clearing the journal leaves it readable.
    const char* first = zsim_JournalEntry(0);
    zsim_ClearJournal();
    EXPECT_EQ(std::string(first), "ZOLT_SetTrigger(h=" + std::to_string(h) + ", 2) -> 0");
}

TEST_F(ZoltCoreSeam, NakCommandRefusesByPrefix) {
    uint32_t h = open();
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 1), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    zsim_NakCommand("*contr:lamp");
    char reply[ZOLT_REPLY_MAX];
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*contr:lamp 0\r", reply), ZOLT_OK);
    EXPECT_EQ(reply[0], ZOLT_NAK);
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*idn\r", reply), ZOLT_OK);
    EXPECT_NE(reply[0], ZOLT_NAK);
    // The refused command did nothing: the lamp is still on.
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK);
    EXPECT_GT(meanDiff(fetch(h, ZOLT_FetchLight), dark, 900, 1100), 10000.0);
}

TEST_F(ZoltCoreSeam, UnpluggedDeviceAnswersNotConnected) {
    uint32_t h = open();
    zsim_Unplug(0);
    int32_t n;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_NOT_CONNECTED);
    uint32_t h2 = 0;
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_E_NOT_CONNECTED);
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_HANDLE) << "close frees the handle anyway";
    EXPECT_EQ(ZOLT_OpenDevice(0, &h2), ZOLT_E_NOT_CONNECTED);
    zsim_Reset();
    EXPECT_EQ(ZOLT_OpenDevice(0, &h2), ZOLT_OK);
}

TEST_F(ZoltCoreSeam, TimeFactorStretchesMeasurements) {
    uint32_t h = open();
    zsim_SetMeasureTimeFactor(10.0);
    ASSERT_EQ(ZOLT_SetTintConf(h, 100.0f), ZOLT_OK);
    ASSERT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
    int32_t busy = 0;
    g_now += 0.5;
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 1);
    g_now += 0.6;
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 0);
}

TEST_F(ZoltCoreSeam, ConfigurationErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"type = 1\n", "line 1: 'type' before the first [device] section"},
        {"[device]\n\npixels = many\n", "line 3: bad value 'many' for pixels (expected 16..4096)"},
        {"[device]\ncolour = red\n", "line 2: unknown key 'colour'"},
        {"[printer]\n", "line 1: unknown section '[printer]' (expected [device])"},
        {"[device]\nfit = 1 2 3\n",
         "line 2: bad value '1 2 3' for fit (expected five numbers a0 a1 a2 a3 a4)"},
        {"[device]\njust words\n", "line 2: expected key = value, got 'just words'"},
        {"# nothing\n", "line 1: no [device] section"},
        {"[device]\ntype = 0\ntint = 0.01\n",
         "line 3: device 1: integration time outside the device's range"},
    };
    for (const Case& c : cases) {
        char err[200] = "untouched";
        EXPECT_NE(zsim_Configure(c.text, err, sizeof err), 0) << c.text;
        EXPECT_STREQ(err, c.message);
    }
    EXPECT_EQ(zsim_NumDevices(), 1) << "a bad text leaves the registry as it was";
    char tiny[8];
    EXPECT_NE(zsim_Configure("[device]\nx=1\n", tiny, sizeof tiny), 0);
    EXPECT_EQ(std::string(tiny), "line 2:");
}

TEST_F(ZoltCoreSeam, ConfigurationBuildsTheRegistry) {
    const char* text = "# two instruments\n"
                       "[device]\n"
                       "type = 3\nconnection = bt\nbt_address = A0B0C0D0E0F1\nserial = TK00042\n"
                       "pixels = 1024\nfit = 300 0.5 0 0 0\nadc_bits = 14\nsample = holmium\n"
                       "[DEVICE]\n"
                       "connection = tcp\nip = 127.0.0.1:7999   # served by zolt-sim\n";
    char err[200];
    ASSERT_EQ(zsim_Configure(text, err, sizeof err), 0) << err;
    ASSERT_EQ(zsim_NumDevices(), 2);
    ZSimDevice d;
    ASSERT_EQ(zsim_GetDevice(0, &d), 0);
    EXPECT_EQ(d.deviceType, 3);
    EXPECT_EQ(d.btAddress, 0xA0B0C0D0E0F1ull);
    EXPECT_STREQ(d.serial, "TK00042");
    EXPECT_EQ(d.pixelCount, 1024);
    EXPECT_EQ(d.adcBits, 14);
    EXPECT_EQ(d.sample, ZSIM_SAMPLE_HOLMIUM);
    EXPECT_FLOAT_EQ(d.fit[0], 300.0f);
    EXPECT_EQ(std::string(d.firmware).rfind("TKRMM7", 0), 0u) << "firmware text follows the type";
    ASSERT_EQ(zsim_GetDevice(1, &d), 0);
    EXPECT_EQ(d.connectionType, ZOLT_CONN_TCPIP);
    EXPECT_STREQ(d.ipAddress, "127.0.0.1:7999");
    EXPECT_EQ(zsim_GetDevice(2, &d), -1);
}

TEST_F(ZoltCoreSeam, EnvironmentFileIsTheStartRegistry) {
    std::string path = ::testing::TempDir() + "zolt_core_env.cfg";
    {
        std::ofstream out(path);
        out << "[device]\nconnection = com\ncom_port = 9\n[device]\n[device]\n";
    }
    setenv("ZOLT_SIM_CONFIG", path.c_str(), 1);
    zsim_Reset();
    uint32_t n = 0;
    ASSERT_EQ(ZOLT_GetNumDevices(&n), ZOLT_OK);
    EXPECT_EQ(n, 3u);
    uint32_t h = 0;
    EXPECT_EQ(ZOLT_OpenCOMDevice(9, 0, &h), ZOLT_OK);
    // A broken file falls back to the built-in instrument.
    {
        std::ofstream out(path);
        out << "[device]\npixels = -3\n";
    }
    zsim_Reset();
    ASSERT_EQ(ZOLT_GetNumDevices(&n), ZOLT_OK);
    EXPECT_EQ(n, 1u);
    char err[200];
    EXPECT_NE(zsim_ConfigureFile(path.c_str(), err, sizeof err), 0);
    EXPECT_EQ(std::string(err), path + ": line 2: bad value '-3' for pixels (expected 16..4096)");
    EXPECT_NE(zsim_ConfigureFile("/nonexistent/zolt.cfg", err, sizeof err), 0);
    EXPECT_EQ(std::string(err), "/nonexistent/zolt.cfg: No such file or directory");
    unsetenv("ZOLT_SIM_CONFIG");
    std::remove(path.c_str());

    // What is no small regular file is refused without reading it; a named
    // pipe must not block (the alarm ends a run that hangs).
    const std::string fifo = ::testing::TempDir() + "zolt_core_env.fifo";
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* why;
    } odd[] = {{fifo, "not a regular file"},
               {::testing::TempDir(), "not a regular file"},
               {"/dev/zero", "not a regular file"}};
    ::alarm(10);
    for (const auto& o : odd) {
        EXPECT_NE(zsim_ConfigureFile(o.path.c_str(), err, sizeof err), 0) << o.path;
        EXPECT_NE(std::string(err).find(o.why), std::string::npos) << err;
    }
    std::string text, why;
    { std::ofstream(path) << std::string(2 * 1024 * 1024, '#'); }
    EXPECT_FALSE(zolt::readTextFile(path, 1024 * 1024, text, why));
    EXPECT_EQ(why, "larger than 1024 KB");
    ::alarm(0);
    ::unlink(fifo.c_str());
    std::remove(path.c_str());
}

TEST_F(ZoltCoreSeam, AddDeviceRejectsNonsense) {
    ZSimDevice d;
    zsim_DefaultDevice(&d);
    d.pixelCount = 1 << 20;
    EXPECT_EQ(zsim_AddDevice(&d), -1);
    zsim_DefaultDevice(&d);
    d.deviceType = 9;
    EXPECT_EQ(zsim_AddDevice(&d), -1);
    EXPECT_EQ(zsim_AddDevice(nullptr), -1);
    zsim_DefaultDevice(&d);
    EXPECT_EQ(zsim_AddDevice(&d), 1);
    EXPECT_EQ(zsim_SetSample(5, ZSIM_SAMPLE_HOLMIUM), -1);
    EXPECT_EQ(zsim_SetSample(0, 9), -1);
}

TEST(ZoltCoreWire, GarbageFramesAreRejected) {
    zolt::Call c;
    EXPECT_FALSE(zolt::decodeCall(std::string("\x01\x00", 2), c));
    zolt::Call ok;
    ok.fn = zolt::Fn::GetFit;
    ok.data = "abc";
    std::string enc = zolt::encodeCall(ok);
    ASSERT_TRUE(zolt::decodeCall(enc, c));
    EXPECT_EQ(c.fn, zolt::Fn::GetFit);
    EXPECT_EQ(c.data, "abc");
    enc[enc.size() - 4] = '\x7f'; // data length now runs past the end
    EXPECT_FALSE(zolt::decodeCall(enc.substr(0, enc.size() - 1), c));
    std::string badFn = zolt::encodeCall(ok);
    badFn[0] = '\xff';
    badFn[1] = '\xff';
    EXPECT_FALSE(zolt::decodeCall(badFn, c));
}

TEST_F(ZoltCoreSeam, ControlFileChangesTheBenchAtTheNextAcquisition) {
    char dir[] = "/tmp/zolt-bench-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/bench.txt";
    std::string cfg = "[device]\nsample = none\ncontrol = " + path + "\n";
    char err[200];
    ASSERT_EQ(zsim_Configure(cfg.c_str(), err, sizeof err), 0) << err;
    std::ofstream(path) << "sample emission\n"; // read at power-on
    uint32_t h = open();
    auto add = [&](const char* line) { std::ofstream(path, std::ios::app) << line << "\n"; };
    ZSimDevice d;
    ASSERT_EQ(zsim_GetDevice(0, &d), 0);
    EXPECT_EQ(d.sample, ZSIM_SAMPLE_EMISSION);
    struct Step {
        const char* line;
        int sample;
        bool dark; // the light frame shows no lamp
    } steps[] = {
        {"sample holmium", ZSIM_SAMPLE_HOLMIUM, false},
        {"lamp off", ZSIM_SAMPLE_HOLMIUM, true},
        {"sample glass  # not a sample: refused, nothing changes", ZSIM_SAMPLE_HOLMIUM, true},
        {"lamp on\nsample none", ZSIM_SAMPLE_NONE, false},
    };
    ASSERT_EQ(measure(h, ZOLT_FUNC_DARK, 10.0f, 1), ZOLT_OK);
    auto dark = fetch(h, ZOLT_FetchDark);
    for (const Step& s : steps) {
        add(s.line);
        ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK) << s.line;
        ASSERT_EQ(zsim_GetDevice(0, &d), 0);
        EXPECT_EQ(d.sample, s.sample) << s.line;
        double lit = meanDiff(fetch(h, ZOLT_FetchLight), dark, 1000, 1100);
        EXPECT_EQ(lit < 50.0, s.dark) << s.line << ": " << lit;
    }
    // Events run once, when they are new.
    int32_t enq = -1;
    add("trigger");
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK);
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 1);
    ASSERT_EQ(measure(h, ZOLT_FUNC_LIGHT, 10.0f, 1), ZOLT_OK);
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 0);
    add("unplug");
    ZOLT_InitMeasure(h);
    EXPECT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_E_NOT_CONNECTED);
    ZOLT_CloseDevice(h);
    add("plug"); // while nothing uses it: seen when it is opened again
    ZOLT_CloseDevice(open());
    std::remove(path.c_str());
    rmdir(dir);
}
