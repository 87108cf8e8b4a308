// Configuration of the simulated instruments: defaults, checks and the
// configuration text, with the small text helpers the simulator shares.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

const TypeTraits kTraits[5] = {
    // shutter laser head flicker date sleep block adapt minTint battV batt% chg
    {false, false, false, false, false, false, true, false, 0.05f, 0.0f, 0, 0}, // 0 generic
    {true, false, true, true, false, false, true, true, 0.01f, 0.0f, 0, 0},     // 1 xx01
    {true, true, true, true, false, false, true, true, 0.01f, 0.0f, 0, 0},      // 2 4407
    {true, true, true, true, true, true, false, true, 0.005f, 3.85f, 76, 0},    // 3 TKRMM7
    {false, false, true, true, false, true, true, true, 0.01f, 3.70f, 55, 1},   // 4
};

} // namespace

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

std::string lower(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

bool parseLong(const std::string& s, long long lo, long long hi, long long& out, int base) {
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, base);
    if (errno != 0 || end == s.c_str() || *end != '\0' || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseDouble(const std::string& s, double& out) {
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (errno != 0 || end == s.c_str() || *end != '\0' || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    std::string x;
    while (in >> x)
        w.push_back(x);
    return w;
}

std::string fmtNum(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

const TypeTraits& traitsOf(int deviceType) {
    return kTraits[(deviceType >= 0 && deviceType <= 4) ? deviceType : 0];
}

void copyText(char* dst, size_t size, const std::string& src) {
    if (size == 0)
        return;
    size_t n = std::min(size - 1, src.size());
    std::memcpy(dst, src.data(), n);
    std::memset(dst + n, 0, size - n);
}

const char* sampleName(int sample) {
    switch (sample) {
    case ZSIM_SAMPLE_HOLMIUM:
        return "holmium";
    case ZSIM_SAMPLE_EMISSION:
        return "emission";
    default:
        return "none";
    }
}

const char* defaultFirmware(int type) {
    switch (type) {
    case 0:
        return "ZOLT-GENERIC sim 1.0.4 2026-01-15";
    case 2:
        return "KESTRO-4407 sim 3.1.0 2026-02-20";
    case 3:
        return "TKRMM7 sim 5.2.7 2026-04-02";
    case 4:
        return "ZOLT-X4 sim 1.2.0 2026-03-11";
    default:
        return "KESTRO-XX01 sim 2.3.1 2026-01-15";
    }
}

void defaultDevice(ZSimDevice& d, int ordinal) {
    std::memset(&d, 0, sizeof d);
    d.deviceType = 1;
    d.connectionType = ZOLT_CONN_USB;
    d.comPort = static_cast<uint16_t>(3 + ordinal);
    d.baudrate = 115200;
    std::snprintf(d.serial, sizeof d.serial, "ZS%05d", 10001 + ordinal);
    std::snprintf(d.usbSerial, sizeof d.usbSerial, "FTZ%05d", 20001 + ordinal);
    copyText(d.ipAddress, sizeof d.ipAddress, "127.0.0.1");
    d.btAddress = 0x00A0B0C0D000ull + static_cast<uint64_t>(ordinal);
    d.pixelCount = 2048;
    // 190 nm at pixel 0 to about 1100 nm at pixel 2047, gently non-linear.
    d.fit[0] = 190.0f;
    d.fit[1] = 0.482f;
    d.fit[2] = -2.0e-5f;
    d.fit[3] = 1.0e-9f;
    d.fit[4] = -1.0e-13f;
    d.adcBits = 16;
    d.binning = 1;
    d.sample = ZSIM_SAMPLE_NONE;
    copyText(d.firmware, sizeof d.firmware, defaultFirmware(1));
    d.correctionStat = 0;
    d.corrRangeFirst = 0;
    d.corrRangeLast = 0;
    d.seed = 0x5EED0000ull + static_cast<uint64_t>(ordinal);
    d.tintMs = 10.0f;
    d.sDelayMs = 2;
    d.splitTimeMs = 0;
    d.flickerHz = 0.0f;
    d.measHead = 0x01;
}

bool validateDevice(const ZSimDevice& d, std::string& error) {
    char buf[160];
    if (d.deviceType > 4) {
        error = "device type must be 0..4";
        return false;
    }
    if (d.connectionType < ZOLT_CONN_COM || d.connectionType > ZOLT_CONN_BT) {
        error = "connection must be com, usb, tcp or bt";
        return false;
    }
    if (d.pixelCount < kMinPixels || d.pixelCount > kMaxPixels) {
        std::snprintf(buf, sizeof buf, "pixel count %d outside %d..%d", d.pixelCount, kMinPixels,
                      kMaxPixels);
        error = buf;
        return false;
    }
    if (d.adcBits < 8 || d.adcBits > 24) {
        error = "ADC resolution must be 8..24 bits";
        return false;
    }
    for (float c : d.fit)
        if (!std::isfinite(c)) {
            error = "fit coefficients must be finite";
            return false;
        }
    if (d.sample < ZSIM_SAMPLE_NONE || d.sample > ZSIM_SAMPLE_EMISSION) {
        error = "sample must be none, holmium or emission";
        return false;
    }
    if (!(d.tintMs >= traitsOf(d.deviceType).minTintMs && d.tintMs <= kMaxTintMs)) {
        error = "integration time outside the device's range";
        return false;
    }
    if (d.binning < 1) {
        error = "binning must be at least 1";
        return false;
    }
    if (d.sDelayMs < 0 || d.splitTimeMs < 0 || !std::isfinite(d.flickerHz)) {
        error = "delays must not be negative";
        return false;
    }
    return true;
}

// ---- configuration text ---------------------------------------------------

bool parseConfig(const std::string& text, std::vector<ZSimDevice>& out, std::string& error) {
    std::vector<ZSimDevice> devs;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    bool firmwareGiven = false;
    auto fail = [&](const std::string& msg) {
        error = "line " + std::to_string(lineNo) + ": " + msg;
        return false;
    };
    auto finishDevice = [&]() -> bool {
        if (devs.empty())
            return true;
        ZSimDevice& d = devs.back();
        if (!firmwareGiven)
            copyText(d.firmware, sizeof d.firmware, defaultFirmware(d.deviceType));
        std::string why;
        if (!validateDevice(d, why))
            return fail("device " + std::to_string(devs.size()) + ": " + why);
        return true;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        if (raw.size() > 1000)
            return fail("line too long");
        std::string line = raw;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (lower(line) != "[device]")
                return fail("unknown section '" + line + "' (expected [device])");
            if (!finishDevice())
                return false;
            if (devs.size() >= 64)
                return fail("more than 64 devices");
            ZSimDevice d;
            defaultDevice(d, static_cast<int>(devs.size()));
            devs.push_back(d);
            firmwareGiven = false;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key = value, got '" + line + "'");
        std::string key = lower(trim(line.substr(0, eq)));
        std::string val = trim(line.substr(eq + 1));
        if (devs.empty())
            return fail("'" + key + "' before the first [device] section");
        ZSimDevice& d = devs.back();
        long long n = 0;
        double x = 0;
        auto bad = [&](const char* expect) {
            return fail("bad value '" + val + "' for " + key + " (expected " + expect + ")");
        };
        if (key == "type") {
            if (!parseLong(val, 0, 4, n))
                return bad("0..4");
            d.deviceType = static_cast<uint8_t>(n);
        } else if (key == "connection") {
            std::string v = lower(val);
            if (v == "com")
                d.connectionType = ZOLT_CONN_COM;
            else if (v == "usb")
                d.connectionType = ZOLT_CONN_USB;
            else if (v == "tcp")
                d.connectionType = ZOLT_CONN_TCPIP;
            else if (v == "bt")
                d.connectionType = ZOLT_CONN_BT;
            else
                return bad("com, usb, tcp or bt");
        } else if (key == "com_port") {
            if (!parseLong(val, 1, 255, n))
                return bad("1..255");
            d.comPort = static_cast<uint16_t>(n);
        } else if (key == "baudrate") {
            if (!parseLong(val, 0, 10000000, n))
                return bad("0..10000000");
            d.baudrate = static_cast<uint32_t>(n);
        } else if (key == "serial" || key == "usb_serial" || key == "ip") {
            if (val.empty() || val.size() > 15)
                return bad("1 to 15 characters");
            char* dst = key == "serial"       ? d.serial
                        : key == "usb_serial" ? d.usbSerial
                                              : d.ipAddress;
            copyText(dst, 16, val);
        } else if (key == "bt_address") {
            if (!parseLong(val, 0, 0xFFFFFFFFFFFFll, n, 16))
                return bad("hexadecimal, 48 bits");
            d.btAddress = static_cast<uint64_t>(n);
        } else if (key == "pixels") {
            if (!parseLong(val, kMinPixels, kMaxPixels, n))
                return bad("16..4096");
            d.pixelCount = static_cast<int32_t>(n);
        } else if (key == "fit") {
            std::vector<std::string> w = words(val);
            if (w.size() != 5)
                return bad("five numbers a0 a1 a2 a3 a4");
            for (int k = 0; k < 5; ++k) {
                if (!parseDouble(w[static_cast<size_t>(k)], x))
                    return bad("five numbers a0 a1 a2 a3 a4");
                d.fit[k] = static_cast<float>(x);
            }
        } else if (key == "adc_bits") {
            if (!parseLong(val, 8, 24, n))
                return bad("8..24");
            d.adcBits = static_cast<int32_t>(n);
        } else if (key == "binning") {
            if (!parseLong(val, 1, 8, n))
                return bad("1..8");
            d.binning = static_cast<uint8_t>(n);
        } else if (key == "sample") {
            std::string v = lower(val);
            if (v == "none")
                d.sample = ZSIM_SAMPLE_NONE;
            else if (v == "holmium")
                d.sample = ZSIM_SAMPLE_HOLMIUM;
            else if (v == "emission")
                d.sample = ZSIM_SAMPLE_EMISSION;
            else
                return bad("none, holmium or emission");
        } else if (key == "firmware") {
            if (val.empty() || val.size() > 255)
                return bad("1 to 255 characters");
            copyText(d.firmware, sizeof d.firmware, val);
            firmwareGiven = true;
        } else if (key == "correction") {
            if (!parseLong(val, 0, 1, n))
                return bad("0 or 1");
            d.correctionStat = static_cast<int32_t>(n);
        } else if (key == "correction_range") {
            std::vector<std::string> w = words(val);
            long long a = 0, b = 0;
            if (w.size() != 2 || !parseLong(w[0], 0, kMaxPixels, a) ||
                !parseLong(w[1], 0, kMaxPixels, b))
                return bad("two pixel numbers");
            d.corrRangeFirst = static_cast<int32_t>(a);
            d.corrRangeLast = static_cast<int32_t>(b);
        } else if (key == "correction_coeff") {
            std::vector<std::string> w = words(val);
            if (w.size() != 4)
                return bad("four numbers");
            for (int k = 0; k < 4; ++k) {
                if (!parseDouble(w[static_cast<size_t>(k)], x))
                    return bad("four numbers");
                d.corrCoeff[k] = static_cast<float>(x);
            }
        } else if (key == "seed") {
            errno = 0;
            char* end = nullptr;
            unsigned long long s = std::strtoull(val.c_str(), &end, 0);
            if (val.empty() || errno != 0 || *end != '\0' || val[0] == '-')
                return bad("an unsigned number");
            d.seed = s;
        } else if (key == "tint") {
            if (!parseDouble(val, x) || x <= 0 || x > kMaxTintMs)
                return bad("ms, 0 < tint <= 60000");
            d.tintMs = static_cast<float>(x);
        } else if (key == "sdelay" || key == "split_time") {
            if (!parseLong(val, 0, 100000, n))
                return bad("0..100000 ms");
            (key == "sdelay" ? d.sDelayMs : d.splitTimeMs) = static_cast<int32_t>(n);
        } else if (key == "flicker") {
            std::string v = lower(val);
            if (v == "none")
                d.flickerHz = 0.0f;
            else if (v == "fuzzy")
                d.flickerHz = -1.0f;
            else if (parseDouble(val, x) && x > 0 && x < 100000)
                d.flickerHz = static_cast<float>(x);
            else
                return bad("none, fuzzy or a frequency in Hz");
        } else if (key == "control") {
            if (val.empty() || val.size() > 255)
                return bad("a file name of 1 to 255 characters");
            copyText(d.control, sizeof d.control, val);
        } else if (key == "head") {
            if (!parseLong(val, 0, 255, n))
                return bad("0..255");
            d.measHead = static_cast<uint8_t>(n);
        } else {
            return fail("unknown key '" + key + "'");
        }
    }
    if (!finishDevice())
        return false;
    if (devs.empty()) {
        lineNo = std::max(lineNo, 1);
        return fail("no [device] section");
    }
    out = std::move(devs);
    return true;
}

bool readTextFile(const std::string& path, std::size_t maxBytes, std::string& text,
                  std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        error = "not a regular file";
    else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ok = false;
        error = "larger than " + std::to_string(maxBytes / 1024) + " KB";
    }
    text.clear();
    char buf[16384];
    // Read one byte past the limit, so a file that grew meanwhile is refused too.
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            error = std::strerror(errno);
        } else if (n == 0) {
            break;
        } else if (text.size() + static_cast<std::size_t>(n) > maxBytes) {
            ok = false;
            error = "larger than " + std::to_string(maxBytes / 1024) + " KB";
        } else {
            text.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return ok;
}

} // namespace zolt
