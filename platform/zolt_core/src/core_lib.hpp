// Internals of libzolt_core shared by its files: the library state (registry,
// sessions, faults, journal), the per-call frame and the paths a call takes to
// an in-process instrument or to a TCP peer.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt::core {

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

Lib& L();

constexpr size_t kJournalMax = 20000;

// Device-event messages go out from a thread of their own.
void setPoster(ZOLT_PostMessageFn fn);
void postMessage(intptr_t window);
void dropPosts();

double now();
void setRegistry(const std::vector<ZSimDevice>& devs);
bool readFile(const char* path, std::string& text, std::string& error);
void loadStartRegistry();
void ensureInit();

std::string hArg(uint32_t h);
std::string escape(const char* s);

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

inline Call mk(Fn f, int64_t a = 0, int64_t b = 0, double x = 0) {
    Call c;
    c.fn = f;
    c.i[0] = a;
    c.i[1] = b;
    c.f[0] = x;
    return c;
}

int tcpTimeoutMs();
int tcpExchange(TcpLink& t, const Call& c, Reply& r, int timeoutMs);
// Opens a TCP peer; regIndex >= 0 when it is an instrument of the registry.
int openTcp(const std::string& host, uint16_t port, int regIndex, uint32_t* handle);

// Looks the handle up; lock held.
int session(uint32_t h, Session** out);
int dispatch(uint32_t h, const Call& c, Reply& r);

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

inline const auto kNothing = [](const Reply&) { return ZOLT_OK; };

uint32_t newHandle();
int openIndex(size_t index, uint32_t* handle);

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
const ZSimDevice* enumerated(uint32_t index);
int fetch(const char* name, uint32_t h, int32_t* out, Fn fn);
int calcLint(const char* name, uint32_t h, int32_t first, int32_t last, float step, float* out,
             Fn fn);

} // namespace zolt::core
