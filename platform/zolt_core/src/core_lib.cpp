// Library state of libzolt_core: registry, handles, journal, message posting.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "core_lib.hpp"
#include "wire.hpp"

namespace zolt::core {

namespace {
// From load to unload (or the end of the process).  The message thread reads
// it, but that thread's owner is made on first use, after this, so it is
// stopped and joined before this goes: an unloaded library leaves neither
// memory nor a thread behind.
Lib g_lib;
} // namespace

Lib& L() {
    return g_lib;
}

namespace {

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
    // Between messages the thread also runs tick, every kTickMs.
    void watch(void (*tick)()) {
        std::lock_guard<std::mutex> g(m_);
        tick_ = tick;
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lk(m_);
        for (;;) {
            cv_.wait_for(lk, std::chrono::milliseconds(kTickMs),
                         [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            if (queue_.empty()) {
                if (void (*tick)() = tick_) {
                    lk.unlock();
                    tick();
                    lk.lock();
                }
                continue;
            }
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
    void (*tick_)() = nullptr;
    static constexpr int kTickMs = 100;
    std::atomic<ZOLT_PostMessageFn> fn_{nullptr};
};

Poster& poster() {
    static Poster p;
    return p;
}

void closeAllSessions() {
    Lib& l = L();
    for (auto& [h, s] : l.sessions)
        if (s.regIndex >= 0 && s.regIndex < static_cast<int>(l.reg.size()))
            l.reg[static_cast<size_t>(s.regIndex)]->isOpen = false;
    l.sessions.clear();
}

} // namespace

void setPoster(ZOLT_PostMessageFn fn) {
    poster().setFn(fn);
}
void postMessage(intptr_t window) {
    poster().post(window);
}
void dropPosts() {
    poster().drop();
}

namespace {

// Device events the program has not been told of: a trigger from the control
// file of an in-process instrument, or from a TCP peer's bench.
void watchEvents() {
    struct Peer {
        intptr_t window;
        std::shared_ptr<TcpLink> link;
    };
    std::vector<Peer> peers;
    {
        std::lock_guard<std::mutex> g(L().mu);
        Lib& l = L();
        for (auto& [h, s] : l.sessions) {
            if (s.callbackKind != ZOLT_CALLBACK_POST_MESSAGE)
                continue;
            if (s.tcp) {
                peers.push_back({s.window, s.tcp});
                continue;
            }
            SimDevice& d = *l.reg[static_cast<size_t>(s.regIndex)];
            if (!d.unplugged && d.execute(mk(Fn::PeekEvent), now(), l.knobs).i[0] == 1)
                postMessage(s.window);
        }
    }
    for (Peer& p : peers) {
        // A call in flight on that link: look again at the next tick.
        std::unique_lock<std::mutex> g(p.link->mu, std::try_to_lock);
        Reply r;
        if (g.owns_lock() && !p.link->broken &&
            tcpExchange(*p.link, mk(Fn::PeekEvent), r) == ZOLT_OK && r.i[0] == 1)
            postMessage(p.window);
    }
}

} // namespace

void watchDeviceEvents() {
    poster().watch(watchEvents);
}

double now() {
    Lib& l = L();
    if (l.clock)
        return l.clock();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void setRegistry(const std::vector<ZSimDevice>& devs) {
    Lib& l = L();
    closeAllSessions();
    l.reg.clear();
    ++l.generation;
    for (const ZSimDevice& d : devs)
        l.reg.push_back(std::make_unique<SimDevice>(d));
}

bool readFile(const char* path, std::string& text, std::string& error) {
    return readTextFile(path, 1024 * 1024, text, error);
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

int dispatch(Scope& sc, uint32_t h, const Call& c, Reply& r, int32_t* pixels) {
    Session* s = nullptr;
    int st = session(h, &s);
    if (st != ZOLT_OK)
        return st;
    if (pixels)
        *pixels = s->pixelCount;
    if (s->tcp) {
        std::shared_ptr<TcpLink> link = s->tcp;
        sc.unlock();
        {
            std::lock_guard<std::mutex> g(link->mu);
            st = tcpExchange(*link, c, r);
        }
        sc.lock();
        return st;
    }
    Lib& l = L();
    r = l.reg[static_cast<size_t>(s->regIndex)]->execute(c, now(), l.knobs);
    return r.status;
}

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

void readIdleBenches() {
    for (const std::unique_ptr<SimDevice>& d : L().reg)
        if (!d->isOpen)
            d->readControl(BenchEvents::Cable);
}

int openIndex(Scope& sc, size_t index, uint32_t* handle) {
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
        // Taken while it connects, so no other call opens it meanwhile.
        d.isOpen = true;
        const uint64_t generation = l.generation;
        int st = openTcp(sc, host, port, static_cast<int>(index), handle);
        if (st != ZOLT_OK && l.generation == generation)
            l.reg[index]->isOpen = false;
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
    Scope sc(name, hArg(h));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!out)
        return sc.done(ZOLT_E_INVALID_ARG);
    Reply r;
    int32_t told = 0;
    st = dispatch(sc, h, mk(fn), r, &told);
    // The caller's buffer holds the count it was told: any other size is a
    // peer out of step, never a copy.
    if (st == ZOLT_OK && r.data.size() != static_cast<size_t>(told) * sizeof(int32_t))
        st = ZOLT_E_CONVERT;
    if (st == ZOLT_OK)
        std::memcpy(out, r.data.data(), r.data.size());
    return sc.done(st);
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
    st = dispatch(sc, h, mk(fn, first, last, stepD), r);
    if (st == ZOLT_OK) {
        if (r.data.size() != static_cast<size_t>(n) * sizeof(float))
            return sc.done(ZOLT_E_CONVERT);
        std::memcpy(out, r.data.data(), r.data.size());
    }
    return sc.done(st);
}

} // namespace zolt::core
