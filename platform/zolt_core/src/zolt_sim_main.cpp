// zolt-sim: serves one simulated instrument over TCP on loopback, or with
// --demo measures it once in process and prints what it saw.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "server.hpp"
#include "sim_model.hpp"
#include "wire.hpp"
#include "zolt_core.h"
#include "zolt_sim.h"

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int) {
    g_stop.store(true);
}

void usage() {
    std::printf(
        "usage: zolt-sim [--port N] [--config FILE] [--device N] [--sample none|holmium|emission]\n"
        "                [--seed N] [--demo] [--exit-with-parent]\n"
        "  --port N     TCP port on 127.0.0.1 (default: the port of the served device's\n"
        "               ip key, else %d; 0 picks a free one)\n"
        "  --config F   simulator configuration file ([device] sections;\n"
        "               default: the file named by ZOLT_SIM_CONFIG)\n"
        "  --device N   which device of the configuration to serve (default 0)\n"
        "  --sample S   sample in the beam\n"
        "  --seed N     noise seed\n"
        "  --demo       measure the instrument in process, print its values, then exit\n"
        "  --exit-with-parent  end when the process that started it ends\n"
        "While it serves, lines on standard input change the bench: sample none|holmium|emission,\n"
        "lamp on|off, trigger (the device asks for a measurement), unplug, plug.\n",
        ZOLT_TCP_DEFAULT_PORT);
}

bool waitDone(uint32_t h) {
    int32_t busy = 1;
    for (int k = 0; k < 2000 && busy; ++k) {
        if (ZOLT_MeasureStatusCore(h, &busy) != ZOLT_OK)
            return false;
        if (busy)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return busy == 0;
}

// Measures the described instrument in process, whatever connection it names.
int demo(ZSimDevice cfg) {
    cfg.connectionType = ZOLT_CONN_USB;
    zsim_ClearDevices();
    uint32_t h = 0;
    if (zsim_AddDevice(&cfg) != 0 || ZOLT_OpenDevice(0, &h) != ZOLT_OK) {
        std::fprintf(stderr, "zolt-sim: no simulated instrument to open\n");
        return 1;
    }
    char fw[ZOLT_FIRMWARE_MAX];
    int32_t pixels = 0;
    float fit[5];
    ZOLT_GetFirmwareVersion(h, fw);
    ZOLT_GetPixel(h, &pixels);
    ZOLT_GetFit(h, fit);
    std::printf("instrument: %s, %d pixels\n", fw, pixels);
    auto wl = [&](int i) {
        double x = i;
        return fit[0] +
               x * (fit[1] + x * (fit[2] + x * (fit[3] + x * static_cast<double>(fit[4]))));
    };
    std::printf("wavelength range: %.1f .. %.1f nm\n", wl(0), wl(pixels - 1));
    char reply[ZOLT_REPLY_MAX];
    std::vector<int32_t> dark(static_cast<size_t>(pixels)), light(static_cast<size_t>(pixels));
    ZOLT_SetTintConf(h, 10.0f);
    ZOLT_SetAverConf(h, 4);
    ZOLT_ArbitraryCommand(h, "*contr:lamp 0\r", reply);
    ZOLT_SetFunctionConf(h, ZOLT_FUNC_DARK);
    int st = ZOLT_InitMeasure(h);
    if (st == ZOLT_OK && waitDone(h))
        st = ZOLT_FetchDark(h, dark.data());
    ZOLT_ArbitraryCommand(h, "*contr:lamp 1\r", reply);
    ZOLT_SetFunctionConf(h, ZOLT_FUNC_LIGHT);
    if (st == ZOLT_OK)
        st = ZOLT_InitMeasure(h);
    if (st == ZOLT_OK && waitDone(h))
        st = ZOLT_FetchLight(h, light.data());
    if (st != ZOLT_OK) {
        std::fprintf(stderr, "zolt-sim: measurement failed with status %d\n", st);
        ZOLT_CloseDevice(h);
        return 1;
    }
    size_t peak = 0;
    for (size_t i = 0; i < light.size(); ++i)
        if (light[i] > light[peak])
            peak = i;
    std::printf("integration 10 ms, 4 averages\n");
    std::printf("brightest pixel %zu at %.1f nm: %d counts\n", peak, wl(static_cast<int>(peak)),
                light[peak]);
    std::printf("pixel       nm    dark   light\n");
    for (size_t i = 0; i < light.size(); ++i)
        std::printf("%5zu %8.2f %7d %7d\n", i, wl(static_cast<int>(i)), dark[i], light[i]);
    ZOLT_CloseDevice(h);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    long port = -1; // not given
    long index = 0;
    std::string configPath, sample;
    bool seedGiven = false, runDemo = false;
    unsigned long long seed = 0;
    for (int k = 1; k < argc; ++k) {
        std::string a = argv[k];
        // An empty value is no value: it would quietly stand for a default.
        auto value = [&]() -> const char* {
            if (k + 1 >= argc || argv[k + 1][0] == '\0') {
                std::fprintf(stderr, "zolt-sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++k];
        };
        // Digits only: the conversions would take blanks, a sign (a negative
        // seed wraps round) or nothing at all.
        auto number = [](const char* v) { return std::isdigit(static_cast<unsigned char>(*v)); };
        char* end = nullptr;
        if (a == "--port") {
            const char* v = value();
            port = std::strtol(v, &end, 10);
            if (!number(v) || *end || port < 0 || port > 65535) {
                std::fprintf(stderr, "zolt-sim: bad port '%s'\n", v);
                return 2;
            }
        } else if (a == "--config") {
            configPath = value();
        } else if (a == "--device") {
            const char* v = value();
            index = std::strtol(v, &end, 10);
            if (!number(v) || *end) {
                std::fprintf(stderr, "zolt-sim: bad device number '%s'\n", v);
                return 2;
            }
        } else if (a == "--sample") {
            sample = value();
        } else if (a == "--seed") {
            const char* v = value();
            errno = 0;
            seed = std::strtoull(v, &end, 0);
            if (!number(v) || *end || errno == ERANGE) {
                std::fprintf(stderr, "zolt-sim: bad seed '%s'\n", v);
                return 2;
            }
            seedGiven = true;
        } else if (a == "--demo") {
            runDemo = true;
        } else if (a == "--exit-with-parent") {
            // A test that crashes must not leave a server behind holding its
            // output pipes open.
            const pid_t parent = getppid();
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent)
                return 0;
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "zolt-sim: unknown option '%s'\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (configPath.empty() && std::getenv("ZOLT_SIM_CONFIG"))
        configPath = std::getenv("ZOLT_SIM_CONFIG");
    std::vector<ZSimDevice> devs(1);
    zolt::defaultDevice(devs[0]);
    if (!configPath.empty()) {
        // Unlike the library, which falls back to its built-in instrument,
        // zolt-sim serves only what it was asked to: a bad description ends it.
        std::string text, error;
        if (!zolt::readTextFile(configPath, 1024 * 1024, text, error) ||
            !zolt::parseConfig(text, devs, error)) {
            std::fprintf(stderr, "zolt-sim: %s: %s\nzolt-sim: no instrument started\n",
                         configPath.c_str(), error.c_str());
            return 2;
        }
    }
    if (index >= static_cast<long>(devs.size())) {
        std::fprintf(stderr, "zolt-sim: the configuration has %zu device(s)\n", devs.size());
        return 2;
    }
    ZSimDevice cfg = devs[static_cast<size_t>(index)];
    if (!sample.empty()) {
        if (sample == "none")
            cfg.sample = ZSIM_SAMPLE_NONE;
        else if (sample == "holmium")
            cfg.sample = ZSIM_SAMPLE_HOLMIUM;
        else if (sample == "emission")
            cfg.sample = ZSIM_SAMPLE_EMISSION;
        else {
            std::fprintf(stderr, "zolt-sim: bad sample '%s' (none, holmium or emission)\n",
                         sample.c_str());
            return 2;
        }
    }
    if (seedGiven)
        cfg.seed = seed;
    if (runDemo)
        return demo(cfg);
    cfg.connectionType = ZOLT_CONN_TCPIP;
    if (port < 0) {
        // Where the configuration says the instrument is reached, so a search
        // through the library finds this server there.
        std::string host;
        uint16_t described = ZOLT_TCP_DEFAULT_PORT;
        if (!zolt::parseAddress(cfg.ipAddress, host, described)) {
            std::fprintf(stderr, "zolt-sim: ip '%s' of device %ld is not an address[:port]\n",
                         cfg.ipAddress, index);
            return 2;
        }
        port = described;
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    uint16_t bound = 0;
    int fd = zolt::listenLoopback(static_cast<uint16_t>(port), &bound);
    if (fd < 0) {
        std::fprintf(stderr, "zolt-sim: cannot listen on 127.0.0.1:%ld: %s\n", port,
                     std::strerror(errno));
        return 1;
    }
    zolt::SimDevice dev(cfg);
    std::printf("zolt-sim: listening on 127.0.0.1:%u (device type %d, %d pixels, sample %s)\n",
                bound, cfg.deviceType, cfg.pixelCount, zolt::sampleName(cfg.sample));
    std::fflush(stdout);
    zolt::serve(dev, fd, g_stop, STDIN_FILENO);
    ::close(fd);
    return 0;
}
