// The instrument's stores: the text parameters and the parameter block, set
// at power-on and reached through text commands.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

void putFloat(std::vector<uint8_t>& b, size_t off, float v) {
    std::memcpy(&b[off], &v, 4);
}
void putU16(std::vector<uint8_t>& b, size_t off, uint16_t v) {
    b[off] = static_cast<uint8_t>(v & 0xFF);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}

bool startsWith(const std::string& s, const char* p) {
    return s.rfind(p, 0) == 0;
}

} // namespace

void blockChecksum(std::vector<uint8_t>& b) {
    uint32_t sum = 0;
    for (size_t i = 0; i < 1022; ++i)
        sum += b[i];
    putU16(b, 1022, static_cast<uint16_t>(sum & 0xFFFF));
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
    readControl(false); // the bench as the file leaves it
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

} // namespace zolt
