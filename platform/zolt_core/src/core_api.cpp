// The C interface of libzolt_core: argument checks, handles and the calls to
// in-process instruments.  Device behaviour lives in the sim_*.cpp files, the
// TCP client in core_tcp.cpp, the simulator's control seam in core_seam.cpp.
#include "zolt_core.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core_lib.hpp"
#include "wire.hpp"

using namespace zolt;
using namespace zolt::core;

extern "C" {

void ZOLT_SetMessagePoster(ZOLT_PostMessageFn post) {
    setPoster(post);
}

int ZOLT_GetNumDevices(uint32_t* count) {
    Scope sc("ZOLT_GetNumDevices", "");
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!count)
        return sc.done(ZOLT_E_INVALID_ARG);
    readIdleBenches();
    *count = static_cast<uint32_t>(L().reg.size());
    return sc.done(ZOLT_OK);
}

int ZOLT_GetDeviceInfo(uint32_t index, uint8_t* connectionType, uint8_t* deviceType,
                       char serial[16], uint16_t* comPort, uint32_t* baudrate, char ipAddress[16],
                       char usbSerial[16], uint64_t* btAddress) {
    Scope sc("ZOLT_GetDeviceInfo", "index=" + std::to_string(index));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!connectionType || !deviceType || !serial || !comPort || !baudrate || !ipAddress ||
        !usbSerial || !btAddress)
        return sc.done(ZOLT_E_INVALID_ARG);
    const ZSimDevice* dp = enumerated(index);
    if (!dp)
        return sc.done(ZOLT_E_DEVICE_NUMBER);
    const ZSimDevice& d = *dp;
    *connectionType = d.connectionType;
    *deviceType = d.deviceType;
    copyText(serial, ZOLT_TEXT16, std::string(d.serial, strnlen(d.serial, 16)));
    *comPort = d.comPort;
    *baudrate = d.baudrate;
    copyText(ipAddress, ZOLT_TEXT16, std::string(d.ipAddress, strnlen(d.ipAddress, 16)));
    copyText(usbSerial, ZOLT_TEXT16, std::string(d.usbSerial, strnlen(d.usbSerial, 16)));
    *btAddress = d.btAddress;
    return sc.done(ZOLT_OK);
}

int ZOLT_GetSerialDevice(uint32_t index, uint32_t* serialNumber, uint32_t* connectionType,
                         uint32_t* deviceType) {
    Scope sc("ZOLT_GetSerialDevice", "index=" + std::to_string(index));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!serialNumber || !connectionType || !deviceType)
        return sc.done(ZOLT_E_INVALID_ARG);
    const ZSimDevice* dp = enumerated(index);
    if (!dp)
        return sc.done(ZOLT_E_DEVICE_NUMBER);
    const ZSimDevice& d = *dp;
    // The number is the serial text's digits ("ZS10001" -> 10001).
    std::string s(d.serial, strnlen(d.serial, 16));
    size_t p = s.find_first_of("0123456789");
    *serialNumber = p == std::string::npos
                        ? 0u
                        : static_cast<uint32_t>(std::strtoul(s.c_str() + p, nullptr, 10));
    *connectionType = d.connectionType;
    *deviceType = d.deviceType;
    return sc.done(ZOLT_OK);
}

int ZOLT_OpenDevice(uint32_t index, uint32_t* handle) {
    Scope sc("ZOLT_OpenDevice", "index=" + std::to_string(index));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!handle)
        return sc.done(ZOLT_E_INVALID_ARG);
    if (index >= L().reg.size())
        return sc.done(ZOLT_E_DEVICE_NUMBER);
    readIdleBenches();
    return sc.done(openIndex(sc, index, handle));
}

int ZOLT_OpenCOMDevice(uint32_t port, uint32_t reserved, uint32_t* handle) {
    (void)reserved;
    return openMatching("ZOLT_OpenCOMDevice", "port=" + std::to_string(port), ZOLT_CONN_COM, handle,
                        [&](const ZSimDevice& d) { return d.comPort == port; });
}

int ZOLT_OpenFTDIDevice(const char* usbSerial, uint32_t* handle) {
    if (!usbSerial) {
        Scope sc("ZOLT_OpenFTDIDevice", "NULL");
        int st = 0;
        if (sc.fault(st))
            return sc.done(st);
        return sc.done(ZOLT_E_INVALID_ARG);
    }
    std::string want(usbSerial, strnlen(usbSerial, 64));
    return openMatching("ZOLT_OpenFTDIDevice", escape(want.c_str()), ZOLT_CONN_USB, handle,
                        [&](const ZSimDevice& d) {
                            return want == std::string(d.usbSerial, strnlen(d.usbSerial, 16));
                        });
}

int ZOLT_OpenBTDevice(uint64_t btAddress, uint32_t* handle) {
    char args[40];
    std::snprintf(args, sizeof args, "0x%012llX", static_cast<unsigned long long>(btAddress));
    return openMatching("ZOLT_OpenBTDevice", args, ZOLT_CONN_BT, handle,
                        [&](const ZSimDevice& d) { return d.btAddress == btAddress; });
}
int ZOLT_CloseDevice(uint32_t handle) {
    Scope sc("ZOLT_CloseDevice", hArg(handle));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    Lib& l = L();
    auto it = handle == 0 ? l.sessions.end() : l.sessions.find(handle);
    if (it == l.sessions.end())
        return sc.done(ZOLT_E_HANDLE);
    Session& s = it->second;
    st = ZOLT_OK;
    if (s.regIndex >= 0) {
        SimDevice& d = *l.reg[static_cast<size_t>(s.regIndex)];
        d.isOpen = false;
        if (d.unplugged)
            st = ZOLT_E_NOT_CONNECTED; // the handle goes all the same
    }
    std::shared_ptr<TcpLink> link = std::move(s.tcp);
    if (l.directHandle == handle)
        l.directHandle = 0;
    l.sessions.erase(it);
    if (link)
        closeTcp(sc, std::move(link));
    return sc.done(st);
}

int ZOLT_Reset(uint32_t h) {
    return devOp("ZOLT_Reset", h, "", true, mk(Fn::Reset), kNothing);
}

int ZOLT_GetFirmwareVersion(uint32_t h, char firmware[256]) {
    return devOp("ZOLT_GetFirmwareVersion", h, "", firmware != nullptr, mk(Fn::GetFirmwareVersion),
                 [&](const Reply& r) {
                     copyText(firmware, ZOLT_FIRMWARE_MAX,
                              r.data.substr(0, std::min(r.data.size(), r.data.find('\0'))));
                     return ZOLT_OK;
                 });
}

int ZOLT_GetFit(uint32_t h, float fit[5]) {
    return devOp("ZOLT_GetFit", h, "", fit != nullptr, mk(Fn::GetFit), [&](const Reply& r) {
        for (int k = 0; k < 5; ++k)
            fit[k] = static_cast<float>(r.f[k]);
        return ZOLT_OK;
    });
}

#define ZOLT_INT_GETTER(Name, Type)                                                                \
    int ZOLT_##Name(uint32_t h, Type* v) {                                                         \
        return devOp("ZOLT_" #Name, h, "", v != nullptr, mk(zolt::Fn::Name),                       \
                     [&](const zolt::Reply& r) {                                                   \
                         *v = static_cast<Type>(r.i[0]);                                           \
                         return ZOLT_OK;                                                           \
                     });                                                                           \
    }
#define ZOLT_FLOAT_GETTER(Name)                                                                    \
    int ZOLT_##Name(uint32_t h, float* v) {                                                        \
        return devOp("ZOLT_" #Name, h, "", v != nullptr, mk(zolt::Fn::Name),                       \
                     [&](const zolt::Reply& r) {                                                   \
                         *v = static_cast<float>(r.f[0]);                                          \
                         return ZOLT_OK;                                                           \
                     });                                                                           \
    }
#define ZOLT_SETTER(Name)                                                                          \
    int ZOLT_##Name(uint32_t h, int32_t value) {                                                   \
        return devOp("ZOLT_" #Name, h, std::to_string(value), true, mk(zolt::Fn::Name, value),     \
                     kNothing);                                                                    \
    }

ZOLT_INT_GETTER(GetPixelBinning, uint8_t)
ZOLT_FLOAT_GETTER(GetTint)
ZOLT_INT_GETTER(GetADCRes, uint8_t)
ZOLT_INT_GETTER(GetSDelay, int32_t)
ZOLT_INT_GETTER(GetSplitTime, int32_t)
ZOLT_FLOAT_GETTER(GetMinTintConf)
ZOLT_INT_GETTER(GetDeviceType, uint8_t)
ZOLT_INT_GETTER(GetOptTrigg, int32_t)
ZOLT_INT_GETTER(GetBaudrate, int32_t)
ZOLT_INT_GETTER(GetCorrectionStat, int32_t)
ZOLT_INT_GETTER(GetEnquiry, int32_t)
ZOLT_INT_GETTER(GetShutterStat, int32_t)
ZOLT_INT_GETTER(GetLaserStat, int32_t)
ZOLT_INT_GETTER(GetMeasHead, uint8_t)
ZOLT_FLOAT_GETTER(GetTemperature)
ZOLT_INT_GETTER(MeasureStatusCore, int32_t)
ZOLT_SETTER(SetTrigger)
ZOLT_SETTER(SetShutterStat)
ZOLT_SETTER(SetLaserStat)
ZOLT_SETTER(StartAdaption)
ZOLT_SETTER(SetExposureConf)
ZOLT_SETTER(SetAdaptConf)
ZOLT_SETTER(SetFunctionConf)
ZOLT_SETTER(SetFormatConf)

int ZOLT_GetPixel(uint32_t h, int32_t* pixelCount) {
    Scope sc("ZOLT_GetPixel", hArg(h));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!pixelCount)
        return sc.done(ZOLT_E_INVALID_ARG);
    Reply r;
    int32_t told = 0;
    st = dispatch(sc, h, mk(Fn::GetPixel), r, &told);
    // Fetches copy the count the connection greeted with; a device that now
    // says otherwise is out of step, and the caller must not size by it.
    if (st == ZOLT_OK && r.i[0] != told)
        st = ZOLT_E_CONVERT;
    if (st == ZOLT_OK)
        *pixelCount = told;
    return sc.done(st);
}

int ZOLT_GetBorder(uint32_t h, uint8_t* low, uint8_t* high) {
    return devOp("ZOLT_GetBorder", h, "", low && high, mk(Fn::GetBorder), [&](const Reply& r) {
        *low = static_cast<uint8_t>(r.i[0]);
        *high = static_cast<uint8_t>(r.i[1]);
        return ZOLT_OK;
    });
}

int ZOLT_GetCorrectionRange(uint32_t h, int32_t* first, int32_t* last) {
    return devOp("ZOLT_GetCorrectionRange", h, "", first && last, mk(Fn::GetCorrectionRange),
                 [&](const Reply& r) {
                     *first = static_cast<int32_t>(r.i[0]);
                     *last = static_cast<int32_t>(r.i[1]);
                     return ZOLT_OK;
                 });
}

int ZOLT_GetCorrectionCoeff(uint32_t h, float coeff[4]) {
    return devOp("ZOLT_GetCorrectionCoeff", h, "", coeff != nullptr, mk(Fn::GetCorrectionCoeff),
                 [&](const Reply& r) {
                     for (int k = 0; k < 4; ++k)
                         coeff[k] = static_cast<float>(r.f[k]);
                     return ZOLT_OK;
                 });
}

int ZOLT_SetCallbackFunction(uint32_t h, int32_t kind, intptr_t window) {
    char args[64];
    std::snprintf(args, sizeof args, "%s, kind=%d, window=%lld", hArg(h).c_str(), kind,
                  static_cast<long long>(window));
    Scope sc("ZOLT_SetCallbackFunction", args);
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (kind != ZOLT_CALLBACK_OFF && kind != ZOLT_CALLBACK_POST_MESSAGE)
        return sc.done(ZOLT_E_INVALID_ARG);
    Session* s = nullptr;
    st = session(h, &s);
    if (st != ZOLT_OK)
        return sc.done(st);
    s->callbackKind = kind;
    s->window = kind == ZOLT_CALLBACK_OFF ? 0 : window;
    if (kind == ZOLT_CALLBACK_POST_MESSAGE)
        watchDeviceEvents();
    return sc.done(ZOLT_OK);
}

namespace {

// Queries (a "?" in them, or the identification) may answer up to
// ZOLT_REPLY_MAX bytes; every other command's answer fits the short buffer
// callers give switch commands.
size_t replyCapacity(const std::string& command) {
    std::string head = command.substr(0, 4);
    for (char& ch : head)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    bool query = command.find('?') != std::string::npos || head == "*idn";
    return query ? ZOLT_REPLY_MAX : ZOLT_COMMAND_REPLY_MAX;
}

// The reply text up to its first NUL, cut to fit, and one terminator: the
// rest of the caller's buffer is left alone.
void putReply(char* reply, size_t capacity, const std::string& text) {
    size_t n = std::min({text.size(), text.find('\0'), capacity - 1});
    std::memcpy(reply, text.data(), n);
    reply[n] = '\0';
}

} // namespace

int ZOLT_ArbitraryCommand(uint32_t h, const char* command, char* reply) {
    Scope sc("ZOLT_ArbitraryCommand", hArg(h) + ", " + escape(command));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!command || !reply)
        return sc.done(ZOLT_E_INVALID_ARG);
    size_t n = strnlen(command, kMaxCommand + 1);
    if (n == 0 || n > kMaxCommand || command[n - 1] != '\r')
        return sc.done(ZOLT_E_INVALID_ARG);
    std::string cmd(command, n);
    for (const std::string& p : L().naks) {
        if (cmd.rfind(p, 0) != 0)
            continue;
        Session* s = nullptr;
        st = session(h, &s);
        if (st != ZOLT_OK)
            return sc.done(st);
        putReply(reply, replyCapacity(cmd), std::string(1, static_cast<char>(ZOLT_NAK)));
        return sc.done(ZOLT_OK);
    }
    Call c = mk(Fn::ArbitraryCommand);
    c.data = cmd;
    Reply r;
    st = dispatch(sc, h, c, r);
    if (st == ZOLT_OK)
        putReply(reply, replyCapacity(cmd), r.data);
    return sc.done(st);
}

int ZOLT_Break(uint32_t h) {
    return devOp("ZOLT_Break", h, "", true, mk(Fn::Break), kNothing);
}

int ZOLT_GetBatteryStat(uint32_t h, float* volts, uint8_t* percent, uint8_t* charging) {
    return devOp("ZOLT_GetBatteryStat", h, "", volts && percent && charging, mk(Fn::GetBatteryStat),
                 [&](const Reply& r) {
                     *volts = static_cast<float>(r.f[0]);
                     *percent = static_cast<uint8_t>(r.i[0]);
                     *charging = static_cast<uint8_t>(r.i[1]);
                     return ZOLT_OK;
                 });
}

int ZOLT_GetFlickerFreq(uint32_t h, float* hertz, int32_t* warning) {
    return devOp("ZOLT_GetFlickerFreq", h, "", hertz && warning, mk(Fn::GetFlickerFreq),
                 [&](const Reply& r) {
                     *hertz = static_cast<float>(r.f[0]);
                     *warning = static_cast<int32_t>(r.i[0]);
                     return ZOLT_OK;
                 });
}

int ZOLT_CheckAdaptionStat(uint32_t h, float* tintMs, uint16_t* averages, int32_t* busy) {
    return devOp("ZOLT_CheckAdaptionStat", h, "", tintMs && averages && busy,
                 mk(Fn::CheckAdaptionStat), [&](const Reply& r) {
                     *tintMs = static_cast<float>(r.f[0]);
                     *averages = static_cast<uint16_t>(r.i[0]);
                     *busy = static_cast<int32_t>(r.i[1]);
                     return ZOLT_OK;
                 });
}

int ZOLT_GetAverConf(uint32_t h, uint16_t* maxAverages, uint16_t* averages) {
    return devOp("ZOLT_GetAverConf", h, "", averages && maxAverages, mk(Fn::GetAverConf),
                 [&](const Reply& r) {
                     *maxAverages = static_cast<uint16_t>(r.i[0]);
                     *averages = static_cast<uint16_t>(r.i[1]);
                     return ZOLT_OK;
                 });
}

int ZOLT_GetParamBlock(uint32_t h, uint8_t block[1024]) {
    return devOp("ZOLT_GetParamBlock", h, "", block != nullptr, mk(Fn::GetParamBlock),
                 [&](const Reply& r) {
                     if (r.data.size() != ZOLT_PARAM_BLOCK_SIZE)
                         return ZOLT_E_CONVERT;
                     std::memcpy(block, r.data.data(), ZOLT_PARAM_BLOCK_SIZE);
                     return ZOLT_OK;
                 });
}

int ZOLT_SetParamBlock(uint32_t h, const uint8_t block[1024]) {
    Call c = mk(Fn::SetParamBlock);
    if (block)
        c.data.assign(reinterpret_cast<const char*>(block), ZOLT_PARAM_BLOCK_SIZE);
    return devOp("ZOLT_SetParamBlock", h, "", block != nullptr, c, kNothing);
}

int ZOLT_SetTintConf(uint32_t h, float tintMs) {
    char args[32];
    std::snprintf(args, sizeof args, "%.3f", static_cast<double>(tintMs));
    return devOp("ZOLT_SetTintConf", h, args, true, mk(Fn::SetTintConf, 0, 0, tintMs), kNothing);
}

int ZOLT_GetTintConf(uint32_t h, float* tintMs, int32_t* reserved) {
    return devOp("ZOLT_GetTintConf", h, "", tintMs && reserved, mk(Fn::GetTintConf),
                 [&](const Reply& r) {
                     *tintMs = static_cast<float>(r.f[0]);
                     *reserved = static_cast<int32_t>(r.i[0]);
                     return ZOLT_OK;
                 });
}

int ZOLT_SetAverConf(uint32_t h, uint32_t averages) {
    return devOp("ZOLT_SetAverConf", h, std::to_string(averages), true,
                 mk(Fn::SetAverConf, averages), kNothing);
}

int ZOLT_InitMeasure(uint32_t h) {
    return devOp("ZOLT_InitMeasure", h, "", true, mk(Fn::InitMeasure), kNothing);
}

int ZOLT_FetchDark(uint32_t h, int32_t* counts) {
    return fetch("ZOLT_FetchDark", h, counts, Fn::FetchDark);
}
int ZOLT_FetchLight(uint32_t h, int32_t* counts) {
    return fetch("ZOLT_FetchLight", h, counts, Fn::FetchLight);
}
int ZOLT_FetchRefer(uint32_t h, int32_t* counts) {
    return fetch("ZOLT_FetchRefer", h, counts, Fn::FetchRefer);
}
int ZOLT_FetchTransRefl(uint32_t h, int32_t* values) {
    return fetch("ZOLT_FetchTransRefl", h, values, Fn::FetchTransRefl);
}

int ZOLT_CalcLintDark(uint32_t h, int32_t firstNm, int32_t lastNm, float stepNm, float* out) {
    return calcLint("ZOLT_CalcLintDark", h, firstNm, lastNm, stepNm, out, Fn::CalcLintDark);
}
int ZOLT_CalcLintLight(uint32_t h, int32_t firstNm, int32_t lastNm, float stepNm, float* out) {
    return calcLint("ZOLT_CalcLintLight", h, firstNm, lastNm, stepNm, out, Fn::CalcLintLight);
}
int ZOLT_CalcLintRefer(uint32_t h, int32_t firstNm, int32_t lastNm, float stepNm, float* out) {
    return calcLint("ZOLT_CalcLintRefer", h, firstNm, lastNm, stepNm, out, Fn::CalcLintRefer);
}
int ZOLT_CalcLintTransRefl(uint32_t h, int32_t firstNm, int32_t lastNm, float stepNm, float* out) {
    return calcLint("ZOLT_CalcLintTransRefl", h, firstNm, lastNm, stepNm, out,
                    Fn::CalcLintTransRefl);
}

} // extern "C"
