// The C interface of libzolt_core: argument checks, handles, the registry of
// simulated instruments, fault injection, the call journal and the delivery
// of device-event messages.  Device behaviour itself lives in sim_model.cpp.

// The seam's functions are exported like the core API; the header predates
// the export macro, so its declarations get default visibility here.
#pragma GCC visibility push(default)
#include "zolt_sim.h"
#pragma GCC visibility pop

#include "zolt_core.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim_model.hpp"
#include "wire.hpp"

namespace {

using namespace zolt;

int tcpTimeoutMs() {
    static const int ms = [] {
        const char* e = std::getenv("ZOLT_TCP_TIMEOUT_MS");
        long v = e ? std::strtol(e, nullptr, 10) : 0;
        return (v >= 50 && v <= 60000) ? static_cast<int>(v) : 2000;
    }();
    return ms;
}

struct TcpLink {
    int fd = -1;
    bool broken = false;
    ~TcpLink() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct Session {
    int regIndex = -1;
    std::unique_ptr<TcpLink> tcp;
    int callbackKind = ZOLT_CALLBACK_OFF;
    intptr_t window = 0;
    int32_t pixelCount = 0;
    ZSimDevice info{}; // what the enumeration reports for it
};

struct Fault {
    std::string function;
    int nth;
    int status;
    int seen;
};

struct Lib {
    std::mutex mu;
    bool initialised = false;
    std::vector<std::unique_ptr<SimDevice>> reg;
    std::map<uint32_t, Session> sessions;
    uint32_t nextHandle = 1;
    std::vector<Fault> faults;
    std::vector<std::string> naks;
    Knobs knobs;
    double (*clock)() = nullptr;
    std::deque<std::string> journal;
    // The device last opened by its address: index 0 of the enumeration
    // describes it while it is open, as the connection set-up expects.
    uint32_t directHandle = 0;
};

// Never destroyed: a trigger thread may still look at it while the process ends.
Lib& L() {
    static Lib* lib = new Lib;
    return *lib;
}

constexpr size_t kJournalMax = 20000;

// ---- device-event messages ---------------------------------------------------

struct Post {
    intptr_t window;
};

// Messages go out from a thread of their own, so a poster never runs inside a
// ZOLT_ call and may itself call into the library.
class Poster {
  public:
    ~Poster() {
        {
            std::lock_guard<std::mutex> g(m_);
            stop_ = true;
        }
        cv_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }
    void setFn(ZOLT_PostMessageFn fn) { fn_.store(fn); }
    void post(intptr_t window) {
        std::lock_guard<std::mutex> g(m_);
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
        queue_.push_back(Post{window});
        cv_.notify_all();
    }
    void drop() {
        std::lock_guard<std::mutex> g(m_);
        queue_.clear();
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lk(m_);
        for (;;) {
            cv_.wait(lk, [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            Post p = queue_.front();
            queue_.pop_front();
            lk.unlock();
            if (ZOLT_PostMessageFn fn = fn_.load())
                fn(p.window, ZOLT_MSG_DEVICE_EVENT, 0, 0);
            lk.lock();
        }
    }
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Post> queue_;
    std::thread thread_;
    bool stop_ = false;
    std::atomic<ZOLT_PostMessageFn> fn_{nullptr};
};

Poster& poster() {
    static Poster p;
    return p;
}

// ---- registry ------------------------------------------------------------------

double now() {
    Lib& l = L();
    if (l.clock)
        return l.clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void closeAllSessions() {
    Lib& l = L();
    for (auto& [h, s] : l.sessions)
        if (s.regIndex >= 0 && s.regIndex < static_cast<int>(l.reg.size()))
            l.reg[static_cast<size_t>(s.regIndex)]->isOpen = false;
    l.sessions.clear();
}

void setRegistry(const std::vector<ZSimDevice>& devs) {
    Lib& l = L();
    closeAllSessions();
    l.reg.clear();
    for (const ZSimDevice& d : devs)
        l.reg.push_back(std::make_unique<SimDevice>(d));
}

bool readFile(const char* path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot open '") + path + "'";
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    text = ss.str();
    if (text.size() > 1024 * 1024) {
        error = std::string("'") + path + "' is larger than 1 MB";
        return false;
    }
    return true;
}

void loadStartRegistry() {
    std::vector<ZSimDevice> devs;
    const char* path = std::getenv("ZOLT_SIM_CONFIG");
    if (path && *path) {
        std::string text, error;
        if (readFile(path, text, error) && parseConfig(text, devs, error)) {
            setRegistry(devs);
            return;
        }
        std::fprintf(stderr, "zolt_core: ZOLT_SIM_CONFIG %s: %s; using the built-in instrument\n",
                     path, error.c_str());
        devs.clear();
    }
    ZSimDevice d;
    defaultDevice(d);
    devs.push_back(d);
    setRegistry(devs);
}

void ensureInit() {
    Lib& l = L();
    if (!l.initialised) {
        l.initialised = true;
        loadStartRegistry();
    }
}

// ---- journal, faults and the per-call frame -------------------------------------

std::string hArg(uint32_t h) {
    return "h=" + std::to_string(h);
}

std::string escape(const char* s) {
    if (!s)
        return "NULL";
    std::string out = "\"";
    for (size_t i = 0; s[i] && i < 64; ++i) {
        if (s[i] == '\r')
            out += "\\r";
        else if (s[i] == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(s[i]) < 32)
            out += '?';
        else
            out += s[i];
    }
    return out + "\"";
}

class Scope {
  public:
    Scope(const char* name, std::string args) : lock_(L().mu), name_(name), args_(std::move(args)) {
        ensureInit();
    }
    // An injected failure of this call, if one is due.
    bool fault(int& status) {
        Lib& l = L();
        for (size_t k = 0; k < l.faults.size(); ++k) {
            Fault& f = l.faults[k];
            if (f.function != name_)
                continue;
            ++f.seen;
            if (f.nth == 0 || f.seen == f.nth) {
                status = f.status;
                if (f.nth != 0)
                    l.faults.erase(l.faults.begin() + static_cast<long>(k));
                return true;
            }
        }
        return false;
    }
    int done(int status) {
        Lib& l = L();
        if (l.journal.size() >= kJournalMax)
            l.journal.pop_front();
        l.journal.push_back(std::string(name_) + "(" + args_ + ") -> " + std::to_string(status));
        return status;
    }

  private:
    std::lock_guard<std::mutex> lock_;
    const char* name_;
    std::string args_;
};

Call mk(Fn f, int64_t a = 0, int64_t b = 0, double x = 0) {
    Call c;
    c.fn = f;
    c.i[0] = a;
    c.i[1] = b;
    c.f[0] = x;
    return c;
}

int tcpExchange(TcpLink& t, const Call& c, Reply& r, int timeoutMs) {
    if (t.broken)
        return ZOLT_E_FATAL;
    IoResult io = sendFrame(t.fd, encodeCall(c), timeoutMs);
    std::string payload;
    if (io == IoResult::Ok)
        io = recvFrame(t.fd, payload, timeoutMs);
    if (io != IoResult::Ok) {
        t.broken = true; // the stream is out of step: nothing later can be trusted
        switch (io) {
        case IoResult::Timeout:
            return ZOLT_E_TIME;
        case IoResult::Closed:
            return ZOLT_E_RECEIVE;
        case IoResult::BadFrame:
            return ZOLT_E_CONVERT;
        default:
            return ZOLT_E_FATAL;
        }
    }
    if (!decodeReply(payload, r)) {
        t.broken = true;
        return ZOLT_E_CONVERT;
    }
    return r.status;
}

// Looks the handle up; lock held.
int session(uint32_t h, Session** out) {
    Lib& l = L();
    auto it = h == 0 ? l.sessions.end() : l.sessions.find(h);
    if (it == l.sessions.end())
        return ZOLT_E_HANDLE;
    Session& s = it->second;
    if (s.regIndex >= 0 && l.reg[static_cast<size_t>(s.regIndex)]->unplugged)
        return ZOLT_E_NOT_CONNECTED;
    *out = &s;
    return ZOLT_OK;
}

int dispatch(uint32_t h, const Call& c, Reply& r) {
    Session* s = nullptr;
    int st = session(h, &s);
    if (st != ZOLT_OK)
        return st;
    if (s->tcp)
        return tcpExchange(*s->tcp, c, r, tcpTimeoutMs());
    Lib& l = L();
    r = l.reg[static_cast<size_t>(s->regIndex)]->execute(c, now(), l.knobs);
    return r.status;
}

// One per-device call: fault, argument check, dispatch, unpacking.
template <class Unpack>
int devOp(const char* name, uint32_t h, const std::string& extra, bool argsOk, const Call& c,
          Unpack unpack) {
    Scope sc(name, extra.empty() ? hArg(h) : hArg(h) + ", " + extra);
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!argsOk)
        return sc.done(ZOLT_E_INVALID_ARG);
    Reply r;
    st = dispatch(h, c, r);
    if (st == ZOLT_OK)
        st = unpack(r);
    return sc.done(st);
}

const auto kNothing = [](const Reply&) { return ZOLT_OK; };

uint32_t newHandle() {
    Lib& l = L();
    for (;;) {
        uint32_t h = l.nextHandle++;
        if (l.nextHandle == 0)
            l.nextHandle = 1;
        if (h != 0 && !l.sessions.count(h))
            return h;
    }
}

int openTcp(const std::string& host, uint16_t port, int regIndex, uint32_t* handle) {
    int st = 0;
    int fd = connectTcp(host, port, tcpTimeoutMs(), &st);
    if (fd < 0)
        return st;
    auto link = std::make_unique<TcpLink>();
    link->fd = fd;
    Reply r;
    st = tcpExchange(*link, mk(Fn::Hello), r, tcpTimeoutMs());
    if (st != ZOLT_OK)
        return st;
    if (r.i[1] < kMinPixels || r.i[1] > kMaxPixels)
        return ZOLT_E_CONVERT;
    Session s;
    s.regIndex = regIndex;
    s.tcp = std::move(link);
    s.pixelCount = static_cast<int32_t>(r.i[1]);
    if (regIndex >= 0) {
        s.info = L().reg[static_cast<size_t>(regIndex)]->cfg;
    } else {
        defaultDevice(s.info);
        s.info.connectionType = ZOLT_CONN_TCPIP;
        s.info.deviceType = static_cast<uint8_t>(r.i[0]);
        s.info.baudrate = static_cast<uint32_t>(r.i[2]);
        s.info.comPort = 0;
        s.info.usbSerial[0] = '\0';
        s.info.btAddress = 0;
        copyText(s.info.serial, sizeof s.info.serial, r.data);
        std::string ip = port == ZOLT_TCP_DEFAULT_PORT ? host : host + ":" + std::to_string(port);
        copyText(s.info.ipAddress, sizeof s.info.ipAddress, ip);
    }
    uint32_t h = newHandle();
    L().sessions.emplace(h, std::move(s));
    *handle = h;
    return ZOLT_OK;
}

int openIndex(size_t index, uint32_t* handle) {
    Lib& l = L();
    SimDevice& d = *l.reg[index];
    if (d.unplugged)
        return ZOLT_E_NOT_CONNECTED;
    if (d.isOpen)
        return ZOLT_E_COM_OPEN;
    if (d.cfg.connectionType == ZOLT_CONN_TCPIP) {
        std::string host;
        uint16_t port = 0;
        if (!parseAddress(d.cfg.ipAddress, host, port))
            return ZOLT_E_COM_OPEN;
        int st = openTcp(host, port, static_cast<int>(index), handle);
        if (st == ZOLT_OK)
            d.isOpen = true;
        return st;
    }
    d.execute(mk(Fn::Hello), now(), l.knobs);
    d.isOpen = true;
    Session s;
    s.regIndex = static_cast<int>(index);
    s.pixelCount = d.cfg.pixelCount;
    s.info = d.cfg;
    uint32_t h = newHandle();
    l.sessions.emplace(h, std::move(s));
    *handle = h;
    return ZOLT_OK;
}

template <class Match>
int openMatching(const char* name, const std::string& args, uint8_t kind, uint32_t* handle,
                 Match match) {
    Scope sc(name, args);
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!handle)
        return sc.done(ZOLT_E_INVALID_ARG);
    Lib& l = L();
    for (size_t i = 0; i < l.reg.size(); ++i)
        if (l.reg[i]->cfg.connectionType == kind && match(l.reg[i]->cfg)) {
            st = openIndex(i, handle);
            if (st == ZOLT_OK)
                l.directHandle = *handle;
            return sc.done(st);
        }
    return sc.done(ZOLT_E_COM_OPEN);
}

// The record that enumeration index reports, or null when out of range.
const ZSimDevice* enumerated(uint32_t index) {
    Lib& l = L();
    if (index == 0 && l.directHandle != 0) {
        auto it = l.sessions.find(l.directHandle);
        if (it != l.sessions.end())
            return &it->second.info;
    }
    return index < l.reg.size() ? &l.reg[index]->cfg : nullptr;
}

int fetch(const char* name, uint32_t h, int32_t* out, Fn fn) {
    return devOp(name, h, "", out != nullptr, mk(fn), [&](const Reply& r) {
        Session* s = nullptr;
        if (session(h, &s) != ZOLT_OK)
            return ZOLT_E_HANDLE;
        if (r.data.size() != static_cast<size_t>(s->pixelCount) * sizeof(int32_t))
            return ZOLT_E_CONVERT;
        std::memcpy(out, r.data.data(), r.data.size());
        return ZOLT_OK;
    });
}

int calcLint(const char* name, uint32_t h, int32_t first, int32_t last, float step, float* out,
             Fn fn) {
    char args[96];
    std::snprintf(args, sizeof args, "%d, %d, %g", first, last, static_cast<double>(step));
    Scope sc(name, hArg(h) + ", " + args);
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!out)
        return sc.done(ZOLT_E_INVALID_ARG);
    double stepD = step;
    if (!(stepD > 0) || !std::isfinite(stepD) || last < first)
        return sc.done(ZOLT_E_STEP_WIDTH);
    double n = std::floor((static_cast<double>(last) - first) / stepD) + 1;
    if (n > kMaxLintPoints)
        return sc.done(ZOLT_E_INVALID_ARG);
    Reply r;
    st = dispatch(h, mk(fn, first, last, stepD), r);
    if (st == ZOLT_OK) {
        if (r.data.size() != static_cast<size_t>(n) * sizeof(float))
            return sc.done(ZOLT_E_CONVERT);
        std::memcpy(out, r.data.data(), r.data.size());
    }
    return sc.done(st);
}

} // namespace

// =================================================================================
// Core API
// =================================================================================

extern "C" {

void ZOLT_SetMessagePoster(ZOLT_PostMessageFn post) {
    poster().setFn(post);
}

int ZOLT_GetNumDevices(uint32_t* count) {
    Scope sc("ZOLT_GetNumDevices", "");
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!count)
        return sc.done(ZOLT_E_INVALID_ARG);
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
    return sc.done(openIndex(index, handle));
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

int ZOLT_OpenTCPDevice(const char* ipText, uint32_t* handle) {
    Scope sc("ZOLT_OpenTCPDevice", escape(ipText));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!ipText || !handle)
        return sc.done(ZOLT_E_INVALID_ARG);
    std::string host;
    uint16_t port = 0;
    if (!parseAddress(ipText, host, port))
        return sc.done(ZOLT_E_INVALID_ARG);
    st = openTcp(host, port, -1, handle);
    if (st == ZOLT_OK)
        L().directHandle = *handle;
    return sc.done(st);
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
    if (s.tcp && !s.tcp->broken) {
        // Tell the server, but do not wait for it: closing must not hang.
        sendFrame(s.tcp->fd, encodeCall(mk(Fn::Close)), 200);
    }
    if (l.directHandle == handle)
        l.directHandle = 0;
    l.sessions.erase(it);
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

ZOLT_INT_GETTER(GetPixel, int32_t)
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
    return sc.done(ZOLT_OK);
}

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
        reply[0] = static_cast<char>(ZOLT_NAK);
        reply[1] = '\0';
        return sc.done(ZOLT_OK);
    }
    Call c = mk(Fn::ArbitraryCommand);
    c.data = cmd;
    Reply r;
    st = dispatch(h, c, r);
    if (st == ZOLT_OK)
        copyText(reply, ZOLT_REPLY_MAX,
                 r.data.substr(0, std::min(r.data.size(), r.data.find('\0'))));
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

int ZOLT_GetAverConf(uint32_t h, uint16_t* averages, uint16_t* maxAverages) {
    return devOp("ZOLT_GetAverConf", h, "", averages && maxAverages, mk(Fn::GetAverConf),
                 [&](const Reply& r) {
                     *averages = static_cast<uint16_t>(r.i[0]);
                     *maxAverages = static_cast<uint16_t>(r.i[1]);
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

// =================================================================================
// Test seam
// =================================================================================

void zsim_DefaultDevice(ZSimDevice* d) {
    if (d)
        defaultDevice(*d);
}

void zsim_Reset(void) {
    std::lock_guard<std::mutex> g(L().mu);
    Lib& l = L();
    l.initialised = true;
    loadStartRegistry();
    l.faults.clear();
    l.naks.clear();
    l.knobs = Knobs{};
    l.clock = nullptr;
    l.journal.clear();
    poster().drop();
}

int zsim_Configure(const char* text, char* error, size_t errorSize) {
    std::string err;
    std::vector<ZSimDevice> devs;
    bool ok = text != nullptr && parseConfig(text, devs, err);
    if (!text)
        err = "no configuration text";
    if (!ok) {
        if (error && errorSize)
            copyText(error, errorSize, err);
        return 1;
    }
    std::lock_guard<std::mutex> g(L().mu);
    L().initialised = true;
    setRegistry(devs);
    if (error && errorSize)
        error[0] = '\0';
    return 0;
}

int zsim_ConfigureFile(const char* path, char* error, size_t errorSize) {
    std::string text, err;
    if (!path || !readFile(path, text, err)) {
        if (!path)
            err = "no file name";
        if (error && errorSize)
            copyText(error, errorSize, err);
        return 1;
    }
    int rc = zsim_Configure(text.c_str(), error, errorSize);
    if (rc != 0 && error && errorSize)
        copyText(error, errorSize, std::string(path) + ": " + error);
    return rc;
}

void zsim_ClearDevices(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().initialised = true;
    setRegistry({});
}

int zsim_AddDevice(const ZSimDevice* d) {
    std::string err;
    if (!d || !validateDevice(*d, err))
        return -1;
    std::lock_guard<std::mutex> g(L().mu);
    ensureInit();
    ZSimDevice copy = *d;
    copy.serial[15] = copy.usbSerial[15] = copy.ipAddress[15] = '\0';
    copy.firmware[255] = '\0';
    L().reg.push_back(std::make_unique<SimDevice>(copy));
    return static_cast<int>(L().reg.size() - 1);
}

int zsim_NumDevices(void) {
    std::lock_guard<std::mutex> g(L().mu);
    ensureInit();
    return static_cast<int>(L().reg.size());
}

namespace {
SimDevice* regAt(int index) {
    ensureInit();
    Lib& l = L();
    return (index >= 0 && index < static_cast<int>(l.reg.size()))
               ? l.reg[static_cast<size_t>(index)].get()
               : nullptr;
}
} // namespace

int zsim_GetDevice(int index, ZSimDevice* d) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || !d)
        return -1;
    *d = dev->cfg;
    return 0;
}

int zsim_SetSample(int index, int sample) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || sample < ZSIM_SAMPLE_NONE || sample > ZSIM_SAMPLE_EMISSION)
        return -1;
    dev->cfg.sample = sample;
    return 0;
}

void zsim_FailCall(const char* function, int nth, int status) {
    if (!function || nth < 0)
        return;
    std::lock_guard<std::mutex> g(L().mu);
    L().faults.push_back(Fault{function, nth, status, 0});
}

void zsim_ClearFaults(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().faults.clear();
    L().naks.clear();
    L().knobs = Knobs{};
}

void zsim_NakCommand(const char* commandPrefix) {
    if (!commandPrefix)
        return;
    std::lock_guard<std::mutex> g(L().mu);
    L().naks.emplace_back(commandPrefix);
}

void zsim_SetMeasureTimeFactor(double factor) {
    std::lock_guard<std::mutex> g(L().mu);
    L().knobs.timeFactor = (std::isfinite(factor) && factor > 0) ? factor : 1.0;
}

void zsim_SetNeverEnding(int on) {
    std::lock_guard<std::mutex> g(L().mu);
    L().knobs.neverEnding = on != 0;
}

void zsim_SetEnquiry(int index, int value) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->enquiry = value;
}

void zsim_SetBattery(int index, float volts, int percent, int charging) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index)) {
        dev->batteryFixed = true;
        dev->batteryVolts = volts;
        dev->batteryPercent = static_cast<uint8_t>(percent < 0 ? 0 : percent > 255 ? 255 : percent);
        dev->batteryCharging = charging != 0 ? 1 : 0;
    }
}

void zsim_SetTemperature(int index, float degrees) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->temperature = degrees;
}

void zsim_SetFlickerWarning(int index, int warning) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->flickerWarning = warning;
}

void zsim_FireTrigger(int index) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || dev->unplugged)
        return;
    dev->triggerPending = true;
    for (auto& [h, s] : L().sessions)
        if (s.regIndex == index && !s.tcp && s.callbackKind == ZOLT_CALLBACK_POST_MESSAGE)
            poster().post(s.window);
}

void zsim_Unplug(int index) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->unplugged = true;
}

void zsim_SetClock(double (*clockFn)(void)) {
    std::lock_guard<std::mutex> g(L().mu);
    L().clock = clockFn;
}

size_t zsim_JournalCount(void) {
    std::lock_guard<std::mutex> g(L().mu);
    return L().journal.size();
}

const char* zsim_JournalEntry(size_t i) {
    std::lock_guard<std::mutex> g(L().mu);
    return i < L().journal.size() ? L().journal[i].c_str() : nullptr;
}

void zsim_ClearJournal(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().journal.clear();
}

const double* zsim_HolmiumBands(int* count) {
    if (count)
        *count = static_cast<int>(holmiumBands().size());
    return holmiumBands().data();
}

const double* zsim_EmissionLines(int* count) {
    if (count)
        *count = static_cast<int>(emissionLines().size());
    return emissionLines().data();
}

double zsim_EmissionLineFwhm(void) {
    return kEmissionFwhm;
}

} // extern "C"
