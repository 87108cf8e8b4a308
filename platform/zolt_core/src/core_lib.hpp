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

// One TCP peer.  Its own lock serialises the requests on its stream, so a
// slow or silent peer holds up only the calls to that device.
struct TcpLink {
    std::mutex mu;
    int fd = -1;
    bool broken = false; // lock held
    ~TcpLink() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct Session {
    int regIndex = -1;
    std::shared_ptr<TcpLink> tcp; // also held by a call in flight
    // The pixel count the caller is told; every fetch honours it.
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
    uint64_t generation = 0; // counts registry replacements
};

Lib& L();

constexpr size_t kJournalMax = 20000;

// Device-event messages go out from a thread of their own.
void setPoster(ZOLT_PostMessageFn fn);
void postMessage(intptr_t window);
void dropPosts();
// From the first armed device on, device events are looked for regularly.
void watchDeviceEvents();

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
    // Around a wait on a TCP peer the library lock is let go.
    void unlock() { lock_.unlock(); }
    void lock() { lock_.lock(); }

  private:
    std::unique_lock<std::mutex> lock_;
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
// One request and its reply within one deadline; the link's lock held.
int tcpExchange(TcpLink& t, const Call& c, Reply& r);
// Opens a TCP peer; regIndex >= 0 when it is an instrument of the registry.
// The library lock is let go while it connects.
int openTcp(Scope& sc, const std::string& host, uint16_t port, int regIndex, uint32_t* handle);
// Tells the peer of a closing session and waits until it has seen it.
void closeTcp(Scope& sc, std::shared_ptr<TcpLink> link);

// Looks the handle up; lock held.
int session(uint32_t h, Session** out);
// Runs one call on the handle's device; *pixels gets the count the caller was told.
int dispatch(Scope& sc, uint32_t h, const Call& c, Reply& r, int32_t* pixels = nullptr);

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
    st = dispatch(sc, h, c, r);
    if (st == ZOLT_OK)
        st = unpack(r);
    return sc.done(st);
}

inline const auto kNothing = [](const Reply&) { return ZOLT_OK; };

uint32_t newHandle();
// The benches of the instruments no program uses: a cable plugged in or
// pulled while the program was offline counts at its next search or open.
void readIdleBenches();
int openIndex(Scope& sc, size_t index, uint32_t* handle);

template <class Match>
int openMatching(const char* name, const std::string& args, uint8_t kind, uint32_t* handle,
                 Match match) {
    Scope sc(name, args);
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!handle)
        return sc.done(ZOLT_E_INVALID_ARG);
    readIdleBenches();
    Lib& l = L();
    for (size_t i = 0; i < l.reg.size(); ++i)
        if (l.reg[i]->cfg.connectionType == kind && match(l.reg[i]->cfg)) {
            st = openIndex(sc, i, handle);
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
