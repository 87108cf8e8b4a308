// The instrument's text parameters: every key it answers, the values it
// takes, the firmware password of protected keys, and the working, saved and
// backup copies. The getters and the physics read the working copy.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <utility>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

enum class Kind : uint8_t {
    U,      // integer lo..hi
    Real,   // float lo..hi
    Tint,   // float within the device type's integration times
    Pixel,  // a pixel of the sensor
    Fixed,  // a property of the hardware: only its present value is taken
    Text,   // printable text of 1..hi characters
    Choice, // one of choices (choices3 for device type 3)
};

struct FieldDef {
    Kind kind = Kind::U;
    double lo = 0, hi = 0;
    const char* choices = "";
    const char* choices3 = "";
};

// Device types that have a key.
enum : uint8_t { kTypes012 = 1, kType3 = 2, kTypes4Up = 4 };
constexpr uint8_t kAllTypes = 7, kNotType3 = 5, kType3Up = 6;

enum class Pw : uint8_t { No, Yes, NotType3 };
enum class Shape : uint8_t {
    Plain,
    Ordered,  // field 1 <= field 2
    Indexed,  // set one field: "KEY i value"
    Faults,   // a count, then that many pixels
    ReadOnly, // answers, takes nothing
};

struct KeyDef {
    const char* key; // the command word without "*", upper case
    std::vector<FieldDef> fields;
    const char* init = "0"; // power-on fields; "" when the configuration gives them
    uint8_t types = kAllTypes;
    Pw pw = Pw::No;
    Shape shape = Shape::Plain;
};

FieldDef U(double hi, double lo = 0) {
    return {Kind::U, lo, hi};
}
FieldDef Real(double lo, double hi) {
    return {Kind::Real, lo, hi};
}
FieldDef Of(Kind k) {
    return {k};
}
FieldDef Choice(const char* others, const char* type3) {
    return {Kind::Choice, 0, 0, others, type3};
}

constexpr double kU32 = 4294967295.0;
constexpr int kMaxFaultPixels = 19;

const std::vector<KeyDef>& keyDefs() {
    static const std::vector<KeyDef> defs = {
        {"VERS", {Of(Kind::Text)}, "", kAllTypes, Pw::No, Shape::ReadOnly},
        {"PARA:SERN", {{Kind::Text, 1, 15}}, "", kAllTypes, Pw::NotType3},
        {"PARA:SPNUM", {U(16777215)}, ""},
        {"PARA:DEVNUM", {U(255)}, "1", kType3Up},
        {"PARA:SCALTI", {U(65535)}},
        {"PARA:TINT", {Of(Kind::Tint)}, ""},
        {"PARA:SDEL", {U(100000)}, ""},
        {"PARA:MAXTINT", {Of(Kind::Fixed)}, "60000"},
        {"PARA:MAXAVER", {Of(Kind::Fixed)}, "65535"},
        {"PARA:BORD", {U(255), U(255)}, ""},
        {"PARA:CYCTIM", {U(65535)}},
        {"PARA:SPLITDARK", {U(1)}},
        {"PARA:PREDARK", {U(255)}},
        {"PARA:PRELIGHT", {U(255)}},
        {"PARA:SPLITT", {U(65535)}, ""},
        {"PARA:FAST", {U(1)}},
        {"PARA:TRSL", {U(1)}},
        {"PARA:TRIG", {U(2)}},
        {"PARA:LAMPP", {U(1)}, "1"},
        {"PARA:LAMPE", {U(1)}, "1"},
        {"PARA:SHUT", {U(1)}},
        {"PARA:FLMODE", {U(3)}},
        {"PARA:FLAS", {U(65535), U(65535)}, "100 10"},
        {"PARA:TRGDEL", {U(65535)}},
        {"PARA:TRMODE", {U(3)}},
        {"PARA:OPTIC", {U(1)}},
        {"PARA:LASMOD", {U(1), U(100)}, "0 50"},
        {"PARA:LASERINT", {U(100)}, "50"},
        {"PARA:LASERLIM", {U(100)}, "80", kAllTypes, Pw::Yes},
        {"CONF:BTEN", {U(1)}},
        {"CONF:DISPEN", {U(1)}},
        {"CONF:RTCEN", {U(1)}},
        {"CONF:SDCARDEN", {U(1)}},
        {"PARA:SPIEN", {U(1)}},
        {"PARA:SPIMAST", {U(1)}},
        {"PARA:SPIBR", {U(50000000, 1)}, "1000000"},
        {"PARA:WAVLIMIT", {Real(0, 5000), Real(0, 5000)}, "", kAllTypes, Pw::Yes, Shape::Ordered},
        {"PARA:ADAP", {U(1)}},
        {"PARA:FUNC", {U(4)}, "1"},
        {"PARA:CALIBN", {U(255)}},
        {"PARA:DISTA", {U(65535)}},
        {"PARA:EXPO", {U(2, 1)}, "2"},
        {"PARA:WAVSTEP", {Real(0.01, 100)}, "1"},
        {"PARA:BOXCA", {U(100)}},
        {"PARA:WAVBEG", {Real(0, 5000)}, ""},
        {"PARA:WAVEND", {Real(0, 5000)}, ""},
        {"PARA:FIT0", {Real(-1e30, 1e30)}, ""},
        {"PARA:FIT1", {Real(-1e30, 1e30)}, ""},
        {"PARA:FIT2", {Real(-1e30, 1e30)}, ""},
        {"PARA:FIT3", {Real(-1e30, 1e30)}, ""},
        {"PARA:FIT4", {Real(-1e30, 1e30)}, ""},
        {"PARA:SYNCMOD", {U(1)}},
        {"PARA:SYNCFREQ", {U(1000)}, "50"},
        {"PARA:WRAN",
         {Real(0, 5000), Real(0, 5000), Real(0.01, 100)},
         "",
         kAllTypes,
         Pw::No,
         Shape::Ordered},
        {"CONF:AVER", {U(kMaxAverages, 1)}, "", kNotType3},
        {"PARA:AVER", {U(kMaxAverages, 1)}, "", kType3},
        {"PARA:PONTIM", {U(kU32)}},
        {"PARA:PONMOD", {U(3)}},
        {"PARA:UMINTI", {U(kU32)}},
        {"PARA:ENCHAR", {U(255)}},
        {"PARA:TRGCONF", {U(255)}},
        {"PARA:ENCTURN", {U(65535)}},
        {"PARA:CORRENA", {U(1)}, ""},
        {"PARA:OFFCORR", {Of(Kind::Pixel), Of(Kind::Pixel)}, "", kAllTypes, Pw::No, Shape::Ordered},
        {"PARA:CORRRANGE",
         {Of(Kind::Pixel), Of(Kind::Pixel)},
         "",
         kAllTypes,
         Pw::No,
         Shape::Ordered},
        {"PARA:CORRCOEFF",
         {Real(-1e30, 1e30), Real(-1e30, 1e30), Real(-1e30, 1e30), Real(-1e30, 1e30)},
         "",
         kAllTypes,
         Pw::No,
         Shape::Indexed},
        {"PARA:ANCFAC", {Real(-1e6, 1e6)}, "1"},
        {"PARA:FAULTPI", {}, "0", kAllTypes, Pw::No, Shape::Faults},
        {"PARA:SENS", {U(255)}, "1", kNotType3},
        {"PARA:SENS", {U(255), Of(Kind::Fixed)}, "", kType3}, // sensor, pixels
        {"PARA:PIX", {Of(Kind::Fixed)}, "", kNotType3},
        {"PARA:PDAG", {Choice("1|0", "high|low")}, ""},
        {"PARA:OVSAMP", {U(16)}, "1"},
        {"PARA:PIXBIN", {U(8, 1)}, "", kType3},
        {"PARA:LDLIMIT", {U(65535)}, "500"},
        {"PARA:LDCURR", {U(65535)}},
        {"PARA:BMGTRIG", {U(1)}},
        {"PARA:ENAROW98", {U(1)}},
        {"PARA:FRAME", {U(65535)}},
        {"PARA:SUMLI", {U(65535)}, "1"},
        {"PARA:OFFS", {U(32767, -32768)}},
        {"PARA:ADCR", {U(24, 8)}, "", kAllTypes, Pw::NotType3},
        {"PARA:ADCV", {Choice("0|1", "4|2")}, ""},
        {"PARA:GAIN", {U(255)}, "1"},
        {"PARA:FORM", {U(2)}},
        {"PARA:BAUD", {U(3000000, 1200)}, ""},
        {"PARA:DIRECT", {U(1)}},
    };
    return defs;
}

uint8_t typeBit(int deviceType) {
    return deviceType == 3 ? kType3 : deviceType >= 4 ? kTypes4Up : kTypes012;
}

const KeyDef* findKey(const std::string& key, int deviceType) {
    for (const KeyDef& d : keyDefs())
        if (key == d.key && (d.types & typeBit(deviceType)))
            return &d;
    return nullptr;
}

bool needsPassword(const KeyDef& d, int deviceType) {
    return d.pw == Pw::Yes || (d.pw == Pw::NotType3 && deviceType != 3);
}

std::string upper(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

bool printable(const std::string& s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E)
            return false;
    return true;
}

// The canonical text of one field, or nothing when the instrument refuses it.
std::optional<std::string> fieldValue(const FieldDef& f, const std::string& text,
                                      const std::string& current, int deviceType, int pixels) {
    long long n = 0;
    double x = 0;
    switch (f.kind) {
    case Kind::U:
        if (!parseLong(text, static_cast<long long>(f.lo), static_cast<long long>(f.hi), n))
            return std::nullopt;
        return std::to_string(n);
    case Kind::Pixel:
        if (!parseLong(text, 0, pixels - 1, n))
            return std::nullopt;
        return std::to_string(n);
    case Kind::Fixed: {
        long long now = 0;
        if (!parseLong(current, 0, static_cast<long long>(kU32), now) ||
            !parseLong(text, now, now, n))
            return std::nullopt;
        return current;
    }
    case Kind::Real:
    case Kind::Tint: {
        double lo = f.kind == Kind::Tint ? traitsOf(deviceType).minTintMs : f.lo;
        double hi = f.kind == Kind::Tint ? kMaxTintMs : f.hi;
        if (!parseDouble(text, x) || x < lo || x > hi || !std::isfinite(static_cast<float>(x)))
            return std::nullopt;
        return fmtFloat(static_cast<float>(x));
    }
    case Kind::Text: {
        std::string t = trim(text);
        if (t.empty() || t.size() > static_cast<size_t>(f.hi) || !printable(t))
            return std::nullopt;
        return t;
    }
    case Kind::Choice: {
        std::string options = deviceType == 3 ? f.choices3 : f.choices;
        std::string want = lower(text);
        size_t at = 0;
        while (at <= options.size()) {
            size_t bar = options.find('|', at);
            std::string option = options.substr(at, bar == std::string::npos ? bar : bar - at);
            if (option == want)
                return option;
            if (bar == std::string::npos)
                break;
            at = bar + 1;
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

std::string firstChoice(const FieldDef& f, int deviceType) {
    std::string options = deviceType == 3 ? f.choices3 : f.choices;
    return options.substr(0, options.find('|'));
}

// Whole wavelengths just outside the sensor's range.
std::pair<std::string, std::string> wavelengthLimits(const SimDevice& d) {
    double a = d.wavelength(0), b = d.wavelength(d.cfg.pixelCount - 1);
    if (a > b)
        std::swap(a, b);
    a = std::clamp(std::floor(a), 0.0, 5000.0);
    b = std::clamp(std::ceil(b), a, 5000.0);
    return {fmtNum(a), fmtNum(b)};
}

// The number the serial holds ("ZS10001" -> 10001), 0 when none fits.
std::string serialNumber(const char* serial) {
    std::string digits;
    for (const char* p = serial; *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    long long n = 0;
    if (digits.size() > 8 || !parseLong(digits, 0, 16777215, n))
        n = 0;
    return std::to_string(n);
}

const std::string* field(const ParamSet& p, const char* key, size_t i) {
    auto it = p.keys.find(key);
    return it != p.keys.end() && i < it->second.size() ? &it->second[i] : nullptr;
}

} // namespace

std::string fmtFloat(float v) {
    char buf[48];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v)
            break;
    }
    return buf;
}

ParamSet SimDevice::factoryParams() const {
    const int type = cfg.deviceType;
    ParamSet p;
    for (const KeyDef& d : keyDefs()) {
        if (!(d.types & typeBit(type)) || d.shape == Shape::ReadOnly)
            continue;
        std::vector<std::string> v = words(d.init);
        for (size_t i = 0; i < d.fields.size(); ++i)
            if (d.fields[i].kind == Kind::Choice)
                v = {firstChoice(d.fields[i], type)};
        p.keys[d.key] = v;
    }
    auto put = [&](const char* key, std::vector<std::string> v) {
        if (p.keys.count(key))
            p.keys[key] = std::move(v);
    };
    const std::string pixels = std::to_string(cfg.pixelCount);
    const auto [wMin, wMax] = wavelengthLimits(*this);
    p.keys["IDN"] = {cfg.firmware};
    put("PARA:SERN", {cfg.serial});
    put("PARA:SPNUM", {serialNumber(cfg.serial)});
    put("PARA:TINT", {fmtFloat(cfg.tintMs)});
    put("PARA:SDEL", {std::to_string(cfg.sDelayMs)});
    put("PARA:BORD", {"66", "89"}); // 'B' and 'Y'
    put("PARA:SPLITT", {std::to_string(cfg.splitTimeMs)});
    put("PARA:WAVLIMIT", {wMin, wMax});
    put("PARA:WAVBEG", {wMin});
    put("PARA:WAVEND", {wMax});
    for (int k = 0; k < 5; ++k)
        put(("PARA:FIT" + std::to_string(k)).c_str(), {fmtFloat(cfg.fit[k])});
    put("PARA:WRAN", {wMin, wMax, "1"});
    put("CONF:AVER", {"1"});
    put("PARA:AVER", {"1"});
    put("PARA:CORRENA", {std::to_string(cfg.correctionStat)});
    const int last = cfg.pixelCount - 1;
    put("PARA:OFFCORR", {std::to_string(std::min(100, last)), std::to_string(std::min(200, last))});
    put("PARA:CORRRANGE", {std::to_string(cfg.corrRangeFirst), std::to_string(cfg.corrRangeLast)});
    std::vector<std::string> coeff;
    for (float c : cfg.corrCoeff)
        coeff.push_back(fmtFloat(c));
    put("PARA:CORRCOEFF", coeff);
    if (type == 3)
        put("PARA:SENS", {"1", pixels});
    put("PARA:PIX", {pixels});
    put("PARA:PIXBIN", {std::to_string(cfg.binning)});
    put("PARA:ADCR", {std::to_string(cfg.adcBits)});
    put("PARA:BAUD", {std::to_string(cfg.baudrate)});
    p.block = factoryBlock(cfg);
    return p;
}

void SimDevice::applyParams() {
    const ParamSet& p = working_;
    auto num = [&](const char* key, size_t i, double fallback) {
        const std::string* s = field(p, key, i);
        return s ? std::strtod(s->c_str(), nullptr) : fallback;
    };
    for (int k = 0; k < 5; ++k)
        cfg.fit[k] =
            static_cast<float>(num(("PARA:FIT" + std::to_string(k)).c_str(), 0, cfg.fit[k]));
    for (int k = 0; k < 4; ++k)
        cfg.corrCoeff[k] = static_cast<float>(num("PARA:CORRCOEFF", static_cast<size_t>(k), 0));
    if (const std::string* s = field(p, "IDN", 0))
        copyText(cfg.firmware, sizeof cfg.firmware, *s);
    if (const std::string* s = field(p, "PARA:SERN", 0))
        copyText(cfg.serial, sizeof cfg.serial, *s);
    cfg.adcBits = static_cast<int32_t>(num("PARA:ADCR", 0, cfg.adcBits));
    cfg.sDelayMs = static_cast<int32_t>(num("PARA:SDEL", 0, cfg.sDelayMs));
    cfg.splitTimeMs = static_cast<int32_t>(num("PARA:SPLITT", 0, cfg.splitTimeMs));
    cfg.baudrate = static_cast<uint32_t>(num("PARA:BAUD", 0, cfg.baudrate));
    cfg.binning = static_cast<uint8_t>(num("PARA:PIXBIN", 0, cfg.binning));
    cfg.correctionStat = static_cast<int32_t>(num("PARA:CORRENA", 0, cfg.correctionStat));
    cfg.corrRangeFirst = static_cast<int32_t>(num("PARA:CORRRANGE", 0, cfg.corrRangeFirst));
    cfg.corrRangeLast = static_cast<int32_t>(num("PARA:CORRRANGE", 1, cfg.corrRangeLast));
    borderLow_ = static_cast<uint8_t>(num("PARA:BORD", 0, borderLow_));
    borderHigh_ = static_cast<uint8_t>(num("PARA:BORD", 1, borderHigh_));
    tintConf_ = static_cast<float>(num("PARA:TINT", 0, tintConf_));
    const char* aver = cfg.deviceType == 3 ? "PARA:AVER" : "CONF:AVER";
    averages_ = static_cast<uint32_t>(num(aver, 0, averages_));
}

void SimDevice::captureLive() {
    working_.keys["PARA:TINT"] = {fmtFloat(tintConf_)};
    working_.keys[cfg.deviceType == 3 ? "PARA:AVER" : "CONF:AVER"] = {std::to_string(averages_)};
}

bool SimDevice::checkFields(const std::string& key, std::vector<std::string>& fields,
                            const std::vector<std::string>& current) const {
    const int type = cfg.deviceType;
    if (key == "IDN") {
        std::optional<std::string> t = fields.size() == 1
                                           ? fieldValue({Kind::Text, 1, 64}, fields[0], "", type, 0)
                                           : std::nullopt;
        if (t)
            fields[0] = *t;
        return t.has_value();
    }
    const KeyDef* d = findKey(key, type);
    if (!d || d->shape == Shape::ReadOnly)
        return false;
    if (d->shape == Shape::Faults) {
        long long count = 0;
        if (fields.empty() || !parseLong(fields[0], 0, kMaxFaultPixels, count) ||
            fields.size() != static_cast<size_t>(count) + 1)
            return false;
        fields[0] = std::to_string(count);
        for (size_t i = 1; i < fields.size(); ++i) {
            std::optional<std::string> v =
                fieldValue(Of(Kind::Pixel), fields[i], "", type, cfg.pixelCount);
            if (!v)
                return false;
            fields[i] = *v;
        }
        return true;
    }
    if (fields.size() != d->fields.size())
        return false;
    for (size_t i = 0; i < fields.size(); ++i) {
        std::optional<std::string> v = fieldValue(
            d->fields[i], fields[i], i < current.size() ? current[i] : "", type, cfg.pixelCount);
        if (!v)
            return false;
        fields[i] = *v;
    }
    return d->shape != Shape::Ordered ||
           std::strtod(fields[0].c_str(), nullptr) <= std::strtod(fields[1].c_str(), nullptr);
}

// "KEY:\tv1\tv2\r"; bare "v1 v2\r" for device type 3, whose answers carry
// no label. Cut to fit the caller's reply buffer.
std::string SimDevice::query(const std::string& key) {
    const KeyDef* d = findKey(key, cfg.deviceType);
    if (!d)
        return std::string(1, static_cast<char>(ZOLT_NAK));
    std::vector<std::string> v;
    if (key == "VERS") {
        std::vector<std::string> w = words(cfg.firmware);
        v = {w.size() >= 3 ? w[2] : std::string(cfg.firmware)};
    } else {
        v = working_.keys[key];
    }
    const bool bare = cfg.deviceType == 3;
    std::string head = bare ? "" : key.substr(key.find(':') + 1) + ":\t";
    std::string body;
    for (const std::string& s : v)
        body += (body.empty() ? "" : bare ? " " : "\t") + s;
    const size_t room = ZOLT_REPLY_MAX - 2 - head.size(); // "\r" and the NUL
    if (body.size() > room)
        body.resize(room);
    return head + body + "\r";
}

std::string SimDevice::setKey(const std::string& key, const std::string& rest) {
    const std::string nak(1, static_cast<char>(ZOLT_NAK)), ack(1, static_cast<char>(ZOLT_ACK));
    const KeyDef* d = findKey(key, cfg.deviceType);
    if (!d || d->shape == Shape::ReadOnly)
        return nak;
    std::string r = trim(rest);
    if (needsPassword(*d, cfg.deviceType)) {
        size_t blank = r.find_last_of(" \t");
        if (blank == std::string::npos || r.substr(blank + 1) != kFirmwarePassword)
            return nak;
        r = trim(r.substr(0, blank));
    }
    std::vector<std::string>& current = working_.keys[key];
    std::vector<std::string> f =
        d->fields.size() == 1 && d->fields[0].kind == Kind::Text ? std::vector{r} : words(r);
    if (d->shape == Shape::Indexed) {
        long long i = 0;
        if (f.size() != 2 || current.empty() ||
            !parseLong(f[0], 0, static_cast<long long>(current.size()) - 1, i))
            return nak;
        std::vector<std::string> all = current;
        all[static_cast<size_t>(i)] = f[1];
        f = std::move(all);
    }
    if (!checkFields(key, f, current))
        return nak;
    current = std::move(f);
    applyParams();
    return ack;
}

void SimDevice::open(double now) {
    exposure_ = 2;
    adaptConf_ = 0;
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
    // Power-on: the working parameters are the saved ones.
    if (!stored_) {
        saved_ = factoryParams();
        backup_ = saved_;
        stored_ = true;
    }
    working_ = saved_;
    applyParams();
    readControl(BenchEvents::None); // the bench as the file leaves it
}

std::string SimDevice::command(const std::string& cmdIn) {
    const std::string nak(1, static_cast<char>(ZOLT_NAK)), ack(1, static_cast<char>(ZOLT_ACK));
    const TypeTraits& tr = traitsOf(cfg.deviceType);
    std::string cmd = cmdIn.substr(0, cmdIn.size() - 1); // without the final "\r"
    std::string lc = lower(cmd);
    captureLive();
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
    if (tr.dateTime && (lc.rfind("*date ", 0) == 0 || lc.rfind("*time ", 0) == 0)) {
        time_t t = static_cast<time_t>(std::time(nullptr) + static_cast<time_t>(clockOffset_));
        struct tm tmv;
        gmtime_r(&t, &tmv);
        int a = 0, b = 0, c = 0;
        char extra = 0;
        if (std::sscanf(cmd.c_str() + 6, "%d%*[-:]%d%*[-:]%d%c", &a, &b, &c, &extra) != 3)
            return nak;
        if (lc.rfind("*date ", 0) == 0) {
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
    // The whole parameter set: stored for power-on, copied aside, put back.
    if (lc == "*para:save") {
        saved_ = working_;
        return ack;
    }
    const bool backup = lc.rfind("*para:backup ", 0) == 0;
    if (backup || lc.rfind("*para:restore ", 0) == 0) {
        if (trim(cmd.substr(cmd.find(' ') + 1)) != kAccessCode)
            return nak;
        if (backup) {
            backup_ = working_;
        } else {
            working_ = backup_;
            saved_ = backup_;
            applyParams();
        }
        return ack;
    }
    if (cmd.empty() || cmd[0] != '*')
        return nak;
    // "*KEY?" reads a parameter, "*KEY value ..." writes it.
    size_t q = cmd.find('?');
    if (q != std::string::npos && q + 1 == cmd.size())
        return query(upper(cmd.substr(1, q - 1)));
    size_t sp = cmd.find_first_of(" \t");
    if (sp != std::string::npos)
        return setKey(upper(cmd.substr(1, sp - 1)), cmd.substr(sp + 1));
    return nak;
}

} // namespace zolt
