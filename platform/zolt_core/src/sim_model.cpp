#include "sim_model.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

#include "zolt_core.h"

namespace zolt {

namespace {

constexpr double kLn2x4 = 2.772588722239781; // 4 ln 2: Gaussian from its FWHM
constexpr double kReadoutMs = 0.5;           // dead time per frame
constexpr float kMaxAutoTintMs = 5000.0f;

// Deterministic noise: splitmix64 drives everything, so a seed gives the
// same spectra on every machine.
struct Rng {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed) {}
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() {
        return (static_cast<double>(next() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
    }
    double normal() {
        double u1 = uniform(), u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
};

struct Band {
    double nm, fwhm, depth;
};
const Band kHolmium[] = {{241.1, 4.0, 0.35}, {287.1, 5.0, 0.30}, {361.5, 4.0, 0.45},
                         {416.3, 5.0, 0.35}, {451.4, 4.0, 0.40}, {485.8, 4.0, 0.25},
                         {536.4, 5.0, 0.45}, {640.5, 5.0, 0.30}};
const Band kMercury[] = {
    {253.65, kEmissionFwhm, 0.90}, {296.73, kEmissionFwhm, 0.15}, {313.16, kEmissionFwhm, 0.35},
    {365.01, kEmissionFwhm, 0.60}, {404.66, kEmissionFwhm, 0.45}, {435.84, kEmissionFwhm, 1.00},
    {546.07, kEmissionFwhm, 0.85}, {576.96, kEmissionFwhm, 0.20}, {579.07, kEmissionFwhm, 0.22}};

double gauss(double x, double centre, double fwhm) {
    double d = x - centre;
    return std::exp(-kLn2x4 * d * d / (fwhm * fwhm));
}

// Silicon-like detector response with a grating/window roll-off in the UV.
double detectorResponse(double nm) {
    double r = std::exp(-std::pow((nm - 680.0) / 330.0, 2.0));
    double uvCut = 1.0 / (1.0 + std::exp(-(nm - 205.0) / 8.0));
    return r * uvCut;
}

// Halogen-like source: a 3000 K black body plus a weak UV continuum so the
// deep-UV bands stay measurable.
double lampSpectrum(double nm) {
    const double c2 = 1.4388e7; // nm K
    double planck = 1.0 / (std::pow(nm / 966.0, 5.0) * (std::exp(c2 / (nm * 3000.0)) - 1.0));
    double planckPeak = 1.0 / (std::exp(c2 / (966.0 * 3000.0)) - 1.0);
    double uv = 0.35 * std::exp(-std::pow((nm - 235.0) / 60.0, 2.0));
    return planck / planckPeak + uv;
}

double holmiumTransmission(double nm) {
    double t = 0.9;
    for (const Band& b : kHolmium)
        t *= 1.0 - b.depth * gauss(nm, b.nm, b.fwhm);
    return t;
}

double mercuryEmission(double nm) {
    double e = 0.002;
    for (const Band& b : kMercury)
        e += b.depth * gauss(nm, b.nm, b.fwhm);
    return e;
}

// Brightest point of source x detector over the usual range, for scaling.
double peakOf(double (*source)(double)) {
    double peak = 1e-12;
    for (double nm = 190.0; nm <= 1100.0; nm += 0.25)
        peak = std::max(peak, source(nm) * detectorResponse(nm));
    return peak;
}

uint64_t mix(uint64_t a, uint64_t b) {
    Rng r(a ^ (b * 0xD1B54A32D192ED03ull));
    return r.next();
}

const TypeTraits kTraits[5] = {
    // shutter laser head flicker date sleep block adapt minTint battV batt% chg
    {false, false, false, false, false, false, true, false, 0.05f, 0.0f, 0, 0}, // 0 generic
    {true, false, true, true, false, false, true, true, 0.01f, 0.0f, 0, 0},     // 1 xx01
    {true, true, true, true, false, false, true, true, 0.01f, 0.0f, 0, 0},      // 2 4407
    {true, true, true, true, true, true, false, true, 0.005f, 3.85f, 76, 0},    // 3 TKRMM7
    {false, false, true, true, false, true, true, true, 0.01f, 3.70f, 55, 1},   // 4
};

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

bool parseLong(const std::string& s, long long lo, long long hi, long long& out, int base = 10) {
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

void putFloat(std::vector<uint8_t>& b, size_t off, float v) {
    std::memcpy(&b[off], &v, 4);
}
void putU16(std::vector<uint8_t>& b, size_t off, uint16_t v) {
    b[off] = static_cast<uint8_t>(v & 0xFF);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}

void blockChecksum(std::vector<uint8_t>& b) {
    uint32_t sum = 0;
    for (size_t i = 0; i < 1022; ++i)
        sum += b[i];
    putU16(b, 1022, static_cast<uint16_t>(sum & 0xFFFF));
}

std::string fmtNum(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

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

const std::vector<double>& holmiumBands() {
    static const std::vector<double> v = [] {
        std::vector<double> r;
        for (const Band& b : kHolmium)
            r.push_back(b.nm);
        return r;
    }();
    return v;
}

const std::vector<double>& emissionLines() {
    static const std::vector<double> v = [] {
        std::vector<double> r;
        for (const Band& b : kMercury)
            r.push_back(b.nm);
        return r;
    }();
    return v;
}

static const char* defaultFirmware(int type) {
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

// ---- the instrument ---------------------------------------------------------

double SimDevice::wavelength(int pixel) const {
    double x = pixel;
    return cfg.fit[0] +
           x * (cfg.fit[1] +
                x * (cfg.fit[2] + x * (cfg.fit[3] + x * static_cast<double>(cfg.fit[4]))));
}

double SimDevice::fullScale() const {
    return std::ldexp(1.0, cfg.adcBits) - 1.0;
}

// About 4000 counts/ms at the brightest pixel of a 16-bit device, so the
// power-on 10 ms integration lands near 60 % of full scale.
double SimDevice::signalRate(int pixel) const {
    double nm = wavelength(pixel);
    double scale = fullScale() / 65535.0 * 4000.0;
    static const double lampPeak = peakOf(lampSpectrum), mercuryPeak = peakOf(mercuryEmission);
    if (cfg.sample == ZSIM_SAMPLE_EMISSION)
        return scale * 0.75 * mercuryEmission(nm) * detectorResponse(nm) / mercuryPeak;
    double s = scale * lampSpectrum(nm) * detectorResponse(nm) / lampPeak;
    if (cfg.sample == ZSIM_SAMPLE_HOLMIUM)
        s *= holmiumTransmission(nm);
    return s;
}

double SimDevice::lightRate(int pixel) const {
    if (shutter_ != 0)
        return 0.0;
    // The emission lamp shines by itself; the instrument's own lamp only
    // lights the filter path.
    if (cfg.sample != ZSIM_SAMPLE_EMISSION && !lampOn_)
        return 0.0;
    return signalRate(pixel);
}

std::vector<int32_t> SimDevice::frame(bool light, float tintMs, uint32_t averages) {
    const double fs = fullScale();
    const double scale = fs / 65535.0;
    const double readNoise = 6.0 * scale;
    const double countsPerElectron = 0.25;
    Rng rng(mix(cfg.seed, ++frames_));
    std::vector<int32_t> out(static_cast<size_t>(cfg.pixelCount));
    for (int i = 0; i < cfg.pixelCount; ++i) {
        Rng fixed(mix(cfg.seed ^ 0xF1F1F1F1ull, static_cast<uint64_t>(i)));
        double offset = scale * (900.0 + 40.0 * (fixed.uniform() - 0.5));
        double darkRate = scale * 0.5 * (0.8 + 0.4 * fixed.uniform());
        double signal = darkRate * tintMs + (light ? lightRate(i) * tintMs : 0.0);
        double mean = offset + signal;
        double v;
        if (mean >= fs) {
            v = fs;
        } else {
            double sigma = std::sqrt(readNoise * readNoise + signal * countsPerElectron * scale);
            v = mean + rng.normal() * sigma / std::sqrt(static_cast<double>(averages));
            v = std::clamp(std::round(v), 0.0, fs);
        }
        out[static_cast<size_t>(i)] = static_cast<int32_t>(v);
    }
    return out;
}

float SimDevice::autoTint(uint16_t* averages) const {
    double peak = 0;
    for (int i = 0; i < cfg.pixelCount; ++i)
        peak = std::max(peak, lightRate(i));
    const double fs = fullScale();
    double target = 0.75 * (fs - 900.0 * fs / 65535.0);
    float minTint = traitsOf(cfg.deviceType).minTintMs;
    float t = kMaxAutoTintMs;
    if (peak > 1e-9)
        t = static_cast<float>(std::clamp(target / peak, static_cast<double>(minTint),
                                          static_cast<double>(kMaxAutoTintMs)));
    if (averages)
        *averages = static_cast<uint16_t>(std::clamp(std::floor(100.0 / t), 1.0, 50.0));
    return t;
}

void SimDevice::seedParams() {
    params_.clear();
    std::vector<std::string> w = words(cfg.firmware);
    params_["*VERS"] = w.size() >= 3 ? w[2] : std::string(cfg.firmware);
    params_["*PARA:SERN"] = cfg.serial;
    params_["*PARA:PIX"] = std::to_string(cfg.pixelCount);
    params_["*PARA:SENS"] = "1\t" + std::to_string(cfg.pixelCount);
    params_["*PARA:SDEL"] = std::to_string(cfg.sDelayMs);
    params_["*PARA:SPLITT"] = std::to_string(cfg.splitTimeMs);
    params_["*PARA:MAXTINT"] = fmtNum(kMaxTintMs);
    params_["*PARA:MAXAVER"] = std::to_string(kMaxAverages);
    params_["*PARA:BORD"] = "B\tY";
    params_["*PARA:PIXBIN"] = std::to_string(cfg.binning);
    params_["*PARA:ADCR"] = std::to_string(cfg.adcBits);
    for (int k = 0; k < 5; ++k) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(cfg.fit[k]));
        params_["*PARA:FIT" + std::to_string(k)] = buf;
    }
}

void SimDevice::open(double now) {
    exposure_ = 2;
    tintConf_ = cfg.tintMs;
    adaptConf_ = 0;
    averages_ = 1;
    function_ = ZOLT_FUNC_LIGHT;
    format_ = 0;
    trigger_ = 0;
    lampOn_ = true;
    shutter_ = 0;
    laser_ = 0;
    sleeping_ = false;
    openedAt_ = now;
    running_ = false;
    adapting_ = false;
    pending_.clear();
    dark_.clear();
    light_.clear();
    refer_.clear();
    triggerPending = false;
    block_.assign(ZOLT_PARAM_BLOCK_SIZE, 0);
    std::memcpy(block_.data(), cfg.firmware, std::min<size_t>(64, std::strlen(cfg.firmware)));
    putFloat(block_, 64, static_cast<float>(std::strtoul(cfg.serial + 2, nullptr, 10)));
    putFloat(block_, 68, 1.0f);
    putFloat(block_, 72, static_cast<float>(cfg.pixelCount));
    putFloat(block_, 76, cfg.tintMs);
    putFloat(block_, 148, static_cast<float>(cfg.adcBits));
    putU16(block_, 228, static_cast<uint16_t>(std::min(cfg.splitTimeMs, 65535)));
    putFloat(block_, 248, static_cast<float>(cfg.baudrate));
    for (int k = 0; k < 5; ++k)
        putFloat(block_, 256 + 4 * static_cast<size_t>(k), cfg.fit[k]);
    putFloat(block_, 256 + 28, 0.0f);
    putFloat(block_, 256 + 32, static_cast<float>(cfg.pixelCount - 1));
    blockChecksum(block_);
    seedParams();
}

void SimDevice::update(double now, const Knobs& knobs) {
    if (running_ && !knobs.neverEnding && now >= endAt_) {
        running_ = false;
        switch (runFunction_) {
        case ZOLT_FUNC_DARK:
            dark_ = std::move(pending_);
            break;
        case ZOLT_FUNC_REFER:
            refer_ = std::move(pending_);
            break;
        default:
            light_ = std::move(pending_);
            break;
        }
        pending_.clear();
    }
    if (adapting_ && now >= adaptEnd_) {
        adapting_ = false;
        tintConf_ = adaptTint_;
        averages_ = adaptAver_;
    }
}

bool SimDevice::transRefl(std::vector<double>& out) const {
    if (light_.empty() || dark_.empty() || refer_.empty())
        return false;
    out.resize(light_.size());
    for (size_t i = 0; i < light_.size(); ++i) {
        double ref = static_cast<double>(refer_[i]) - dark_[i];
        out[i] = ref > 0 ? (static_cast<double>(light_[i]) - dark_[i]) / ref * 100.0 : 0.0;
    }
    return true;
}

int SimDevice::lint(const std::vector<double>& y, const Call& c, Reply& r) const {
    double first = static_cast<double>(c.i[0]), last = static_cast<double>(c.i[1]), step = c.f[0];
    if (!(step > 0) || !std::isfinite(step) || last < first)
        return ZOLT_E_STEP_WIDTH;
    double n = std::floor((last - first) / step) + 1;
    if (n > kMaxLintPoints)
        return ZOLT_E_INVALID_ARG;
    size_t count = static_cast<size_t>(n);
    std::vector<double> wl(y.size());
    for (size_t i = 0; i < y.size(); ++i)
        wl[i] = wavelength(static_cast<int>(i));
    std::vector<float> out(count, 0.0f);
    size_t j = 0;
    for (size_t k = 0; k < count; ++k) {
        double x = first + static_cast<double>(k) * step;
        if (x < wl.front() || x > wl.back())
            continue; // outside the detector: 0
        while (j + 2 < wl.size() && wl[j + 1] < x)
            ++j;
        double span = wl[j + 1] - wl[j];
        double t = span > 0 ? (x - wl[j]) / span : 0.0;
        out[k] = static_cast<float>(y[j] + t * (y[j + 1] - y[j]));
    }
    r.data.assign(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(float));
    return ZOLT_OK;
}

static bool startsWith(const std::string& s, const char* p) {
    return s.rfind(p, 0) == 0;
}

std::string SimDevice::command(const std::string& cmdIn) {
    const std::string nak(1, static_cast<char>(ZOLT_NAK));
    const TypeTraits& tr = traitsOf(cfg.deviceType);
    std::string cmd = cmdIn.substr(0, cmdIn.size() - 1); // without the final "\r"
    std::string lc = lower(cmd);
    if (lc == "*idn") {
        sleeping_ = false;
        return std::string(cfg.firmware) + "\r";
    }
    if (lc == "*sleep") {
        if (!tr.sleep)
            return nak;
        sleeping_ = true;
        return "OK\r";
    }
    if (lc == "*contr:lamp 0" || lc == "*contr:lamp 1") {
        lampOn_ = lc.back() == '1';
        return "OK\r";
    }
    if (tr.dateTime && (lc == "*date?" || lc == "*time?")) {
        time_t t = static_cast<time_t>(std::time(nullptr) + static_cast<time_t>(clockOffset_));
        struct tm tmv;
        gmtime_r(&t, &tmv);
        char buf[32];
        std::strftime(buf, sizeof buf, lc == "*date?" ? "%Y-%m-%d\r" : "%H:%M:%S\r", &tmv);
        return buf;
    }
    if (tr.dateTime && (startsWith(lc, "*date ") || startsWith(lc, "*time "))) {
        time_t t = static_cast<time_t>(std::time(nullptr) + static_cast<time_t>(clockOffset_));
        struct tm tmv;
        gmtime_r(&t, &tmv);
        int a = 0, b = 0, c = 0;
        char extra = 0;
        if (std::sscanf(cmd.c_str() + 6, "%d%*[-:]%d%*[-:]%d%c", &a, &b, &c, &extra) != 3)
            return nak;
        if (startsWith(lc, "*date ")) {
            if (a < 1970 || a > 2200 || b < 1 || b > 12 || c < 1 || c > 31)
                return nak;
            tmv.tm_year = a - 1900;
            tmv.tm_mon = b - 1;
            tmv.tm_mday = c;
        } else {
            if (a < 0 || a > 23 || b < 0 || b > 59 || c < 0 || c > 59)
                return nak;
            tmv.tm_hour = a;
            tmv.tm_min = b;
            tmv.tm_sec = c;
        }
        clockOffset_ = static_cast<double>(timegm(&tmv) - std::time(nullptr));
        return "OK\r";
    }
    // Text parameters: "*PARA:KEY?" reads "KEY:\tvalue", "*PARA:KEY value" writes.
    size_t q = cmd.find('?');
    if (q != std::string::npos && q + 1 == cmd.size()) {
        std::string key = cmd.substr(0, q);
        for (char& ch : key)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        std::string value;
        if (key == "*PARA:TINT")
            value = fmtNum(tintConf_);
        else if (key == "*CONF:AVER" || key == "*PARA:AVER")
            value = std::to_string(averages_);
        else {
            auto it = params_.find(key);
            if (it == params_.end())
                return nak;
            value = it->second;
        }
        size_t colon = key.find(':');
        std::string label = colon == std::string::npos ? key.substr(1) : key.substr(colon + 1);
        return label + ":\t" + value + "\r";
    }
    size_t sp = cmd.find(' ');
    if (sp != std::string::npos) {
        std::string key = cmd.substr(0, sp);
        for (char& ch : key)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        std::string value = trim(cmd.substr(sp + 1));
        if (value.empty())
            return nak;
        double x = 0;
        if (key == "*PARA:TINT") {
            if (!parseDouble(value, x) || x < tr.minTintMs || x > kMaxTintMs)
                return nak;
            tintConf_ = static_cast<float>(x);
            return "OK\r";
        }
        if (key == "*CONF:AVER" || key == "*PARA:AVER") {
            long long n = 0;
            if (!parseLong(value, 1, kMaxAverages, n))
                return nak;
            averages_ = static_cast<uint32_t>(n);
            return "OK\r";
        }
        auto it = params_.find(key);
        if (it == params_.end() || key == "*VERS")
            return nak;
        for (char& ch : value)
            if (ch == ' ')
                ch = '\t';
        it->second = value;
        return "OK\r";
    }
    return nak;
}

Reply SimDevice::execute(const Call& c, double now, const Knobs& knobs) {
    Reply r;
    const TypeTraits& tr = traitsOf(cfg.deviceType);
    update(now, knobs);
    auto counts = [&](const std::vector<int32_t>& v) {
        if (running_ || v.empty()) {
            r.status = ZOLT_E_BUSY;
            return;
        }
        r.data.assign(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int32_t));
    };
    auto asDouble = [](const std::vector<int32_t>& v) {
        return std::vector<double>(v.begin(), v.end());
    };
    auto lintOf = [&](const std::vector<int32_t>& v) {
        if (running_ || v.empty())
            r.status = ZOLT_E_BUSY;
        else
            r.status = lint(asDouble(v), c, r);
    };
    auto setWhileIdle = [&](bool valid, auto apply) {
        if (busy())
            r.status = ZOLT_E_BUSY;
        else if (!valid)
            r.status = ZOLT_E_INVALID_ARG;
        else
            apply();
    };
    switch (c.fn) {
    case Fn::Hello:
        open(now);
        r.i[0] = cfg.deviceType;
        r.i[1] = cfg.pixelCount;
        r.i[2] = cfg.baudrate;
        r.data.assign(cfg.serial, strnlen(cfg.serial, sizeof cfg.serial));
        break;
    case Fn::Close:
        break;
    case Fn::Reset:
        open(now);
        break;
    case Fn::GetFirmwareVersion:
        r.data = cfg.firmware;
        break;
    case Fn::GetFit:
        for (int k = 0; k < 5; ++k)
            r.f[k] = cfg.fit[k];
        break;
    case Fn::GetPixel:
        r.i[0] = cfg.pixelCount;
        break;
    case Fn::GetPixelBinning:
        r.i[0] = cfg.binning;
        break;
    case Fn::GetTint:
        r.f[0] = tintConf_;
        break;
    case Fn::GetADCRes:
        r.i[0] = cfg.adcBits;
        break;
    case Fn::GetSDelay:
        r.i[0] = cfg.sDelayMs;
        break;
    case Fn::GetSplitTime:
        r.i[0] = cfg.splitTimeMs;
        break;
    case Fn::GetBorder:
        r.i[0] = 'B';
        r.i[1] = 'Y';
        break;
    case Fn::GetMinTintConf:
        r.f[0] = tr.minTintMs;
        break;
    case Fn::GetDeviceType:
        r.i[0] = cfg.deviceType;
        break;
    case Fn::GetOptTrigg:
        r.i[0] = cfg.deviceType == 3 ? 1 : 0;
        break;
    case Fn::GetBaudrate:
        r.i[0] = cfg.baudrate;
        break;
    case Fn::GetCorrectionStat:
        r.i[0] = cfg.correctionStat;
        break;
    case Fn::GetCorrectionRange:
        r.i[0] = cfg.corrRangeFirst;
        r.i[1] = cfg.corrRangeLast;
        break;
    case Fn::GetCorrectionCoeff:
        for (int k = 0; k < 4; ++k)
            r.f[k] = cfg.corrCoeff[k];
        break;
    case Fn::SetTrigger:
        if (c.i[0] < 0 || c.i[0] > 2)
            r.status = ZOLT_E_INVALID_ARG;
        else
            trigger_ = static_cast<int>(c.i[0]);
        break;
    case Fn::GetEnquiry:
        r.i[0] = triggerPending ? 1 : enquiry;
        triggerPending = false;
        break;
    case Fn::ArbitraryCommand:
        if (c.data.empty() || c.data.size() > kMaxCommand || c.data.back() != '\r' ||
            c.data.find('\0') != std::string::npos)
            r.status = ZOLT_E_INVALID_ARG;
        else
            r.data = command(c.data);
        break;
    case Fn::Break:
        running_ = false;
        pending_.clear();
        adapting_ = false;
        break;
    case Fn::SetShutterStat:
    case Fn::SetLaserStat: {
        bool has = c.fn == Fn::SetShutterStat ? tr.shutter : tr.laser;
        if (!has)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.i[0] != 0 && c.i[0] != 1)
            r.status = ZOLT_E_INVALID_ARG;
        else
            (c.fn == Fn::SetShutterStat ? shutter_ : laser_) = static_cast<int>(c.i[0]);
        break;
    }
    case Fn::GetShutterStat:
        if (!tr.shutter)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = shutter_;
        break;
    case Fn::GetLaserStat:
        if (!tr.laser)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = laser_;
        break;
    case Fn::GetMeasHead:
        if (!tr.measHead)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.i[0] = cfg.measHead;
        break;
    case Fn::GetTemperature:
        r.f[0] = std::isnan(temperature) ? 23.5 + 1.2 * (1.0 - std::exp(-(now - openedAt_) / 600.0))
                                         : temperature;
        break;
    case Fn::GetBatteryStat:
        r.f[0] = batteryFixed ? batteryVolts : tr.batteryVolts;
        r.i[0] = batteryFixed ? batteryPercent : tr.batteryPercent;
        r.i[1] = batteryFixed ? batteryCharging : tr.charging;
        break;
    case Fn::GetFlickerFreq:
        if (!tr.flicker)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else if (cfg.flickerHz > 0)
            r.f[0] = cfg.flickerHz;
        else
            r.i[0] = flickerWarning != 0 ? flickerWarning : cfg.flickerHz < 0 ? 12 : 11;
        break;
    case Fn::StartAdaption: {
        if (!tr.adaption)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.i[0] != 0)
            r.status = ZOLT_E_INVALID_ARG;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else {
            adaptTint_ = autoTint(&adaptAver_);
            // A few trial integrations walk from the present time to the result.
            float t0 = tintConf_ > 0 ? tintConf_ : 10.0f;
            trials_.clear();
            double total = 0;
            for (int k = 0; k < 4; ++k) {
                float t = static_cast<float>(t0 * std::pow(adaptTint_ / t0, (k + 1) / 4.0));
                trials_.push_back(t);
                total += t + 5.0;
            }
            adapting_ = true;
            adaptStart_ = now;
            adaptEnd_ = now + total / 1000.0 * knobs.timeFactor;
        }
        break;
    }
    case Fn::CheckAdaptionStat:
        if (adapting_) {
            double frac = (now - adaptStart_) / std::max(1e-9, adaptEnd_ - adaptStart_);
            size_t k = std::min(trials_.size() - 1,
                                static_cast<size_t>(frac * static_cast<double>(trials_.size())));
            r.f[0] = trials_[k];
            r.i[0] = 1;
            r.i[1] = 1;
        } else {
            r.f[0] = tintConf_;
            r.i[0] = averages_;
            r.i[1] = 0;
        }
        break;
    case Fn::GetAverConf:
        r.i[0] = averages_;
        r.i[1] = kMaxAverages;
        break;
    case Fn::GetParamBlock:
        if (!tr.paramBlock)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else
            r.data.assign(block_.begin(), block_.end());
        break;
    case Fn::SetParamBlock:
        if (!tr.paramBlock)
            r.status = ZOLT_E_NOT_SUPPORTED;
        else if (c.data.size() != ZOLT_PARAM_BLOCK_SIZE)
            r.status = ZOLT_E_INVALID_ARG;
        else if (busy())
            r.status = ZOLT_E_BUSY;
        else {
            block_.assign(c.data.begin(), c.data.end());
            blockChecksum(block_); // the instrument keeps the sum itself
        }
        break;
    case Fn::SetExposureConf:
        setWhileIdle(c.i[0] == 1 || c.i[0] == 2, [&] { exposure_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetTintConf: {
        double t = c.f[0];
        bool ok = std::isfinite(t) && (t == 0.0 || (t >= tr.minTintMs - 1e-9 && t <= kMaxTintMs));
        setWhileIdle(ok, [&] { tintConf_ = static_cast<float>(t); });
        break;
    }
    case Fn::GetTintConf:
        r.f[0] = tintConf_;
        r.i[0] = 0;
        break;
    case Fn::SetAdaptConf:
        setWhileIdle(c.i[0] == 0 || c.i[0] == 1, [&] { adaptConf_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetAverConf:
        setWhileIdle(c.i[0] >= 1 && c.i[0] <= kMaxAverages,
                     [&] { averages_ = static_cast<uint32_t>(c.i[0]); });
        break;
    case Fn::SetFunctionConf:
        setWhileIdle(c.i[0] >= ZOLT_FUNC_LIGHT && c.i[0] <= ZOLT_FUNC_TRANSREFL,
                     [&] { function_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::SetFormatConf:
        setWhileIdle(c.i[0] >= 0 && c.i[0] <= 2, [&] { format_ = static_cast<int>(c.i[0]); });
        break;
    case Fn::InitMeasure: {
        if (busy()) {
            r.status = ZOLT_E_BUSY;
            break;
        }
        bool dark = function_ == ZOLT_FUNC_DARK;
        double extraMs = 0;
        float tint = tintConf_;
        if (exposure_ == 1 || tint <= 0) {
            uint16_t unused = 1;
            tint = autoTint(&unused);
            extraMs = 4.0 * (tint + 5.0); // the automatic exposure's own trials
            tintConf_ = tint;
        }
        double ms = averages_ * (tint + kReadoutMs) + extraMs + (dark ? 0.0 : cfg.sDelayMs);
        if (cfg.splitTimeMs > 0 && tint > cfg.splitTimeMs && !dark)
            ms += averages_ * tint;
        pending_ = frame(!dark, tint, averages_);
        // "*contr:lamp 0" darkens one acquisition: the program switches the
        // lamp off before each dark step and never on again.
        lampOn_ = true;
        runFunction_ = function_;
        running_ = true;
        endAt_ = now + ms / 1000.0 * knobs.timeFactor;
        sleeping_ = false;
        break;
    }
    case Fn::MeasureStatusCore:
        r.i[0] = running_ ? 1 : 0;
        break;
    case Fn::FetchDark:
        counts(dark_);
        break;
    case Fn::FetchLight:
        counts(light_);
        break;
    case Fn::FetchRefer:
        counts(refer_);
        break;
    case Fn::FetchTransRefl: {
        std::vector<double> t;
        if (running_ || !transRefl(t)) {
            r.status = ZOLT_E_BUSY;
            break;
        }
        std::vector<int32_t> v(t.size());
        for (size_t i = 0; i < t.size(); ++i)
            v[i] = static_cast<int32_t>(std::lround(std::clamp(t[i] * 100.0, -2.0e9, 2.0e9)));
        r.data.assign(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int32_t));
        break;
    }
    case Fn::CalcLintDark:
        lintOf(dark_);
        break;
    case Fn::CalcLintLight:
        lintOf(light_);
        break;
    case Fn::CalcLintRefer:
        lintOf(refer_);
        break;
    case Fn::CalcLintTransRefl: {
        std::vector<double> t;
        if (running_ || !transRefl(t))
            r.status = ZOLT_E_BUSY;
        else
            r.status = lint(t, c, r);
        break;
    }
    case Fn::Count:
        r.status = ZOLT_E_NOT_SUPPORTED;
        break;
    }
    return r;
}

} // namespace zolt
