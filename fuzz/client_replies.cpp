// The core library's TCP client against a peer whose every reply comes from
// the input: a real socket, the library's own calls, and buffers exactly as
// large as the interface says, so any write past them is caught.
#include <arpa/inet.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wire.hpp"
#include "zolt_core.h"

namespace {

using namespace zolt;

// Accepts one connection per input and answers each request with the next
// scripted reply; closes when the script runs out.
class Peer {
  public:
    Peer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(listen_, 4) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
            std::abort();
        address_ = "127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
        std::thread([this] { run(); }).detach();
    }
    const std::string& address() const { return address_; }
    void start(std::vector<std::string> replies) {
        std::lock_guard<std::mutex> g(m_);
        script_ = std::move(replies);
        pending_ = true;
        done_ = false;
        cv_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lk(m_);
        cv_.wait(lk, [this] { return done_; });
    }

  private:
    void run() {
        for (;;) {
            std::vector<std::string> script;
            {
                std::unique_lock<std::mutex> lk(m_);
                cv_.wait(lk, [this] { return pending_; });
                pending_ = false;
                script = std::move(script_);
            }
            int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            std::string request;
            for (size_t next = 0; fd >= 0 && next < script.size(); ++next)
                if (recvFrame(fd, request, 2000) != IoResult::Ok ||
                    sendFrame(fd, script[next], 2000) != IoResult::Ok)
                    break;
            if (fd >= 0)
                ::close(fd);
            std::lock_guard<std::mutex> g(m_);
            done_ = true;
            cv_.notify_all();
        }
    }
    int listen_ = -1;
    std::string address_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> script_;
    bool pending_ = false, done_ = false;
};

// A peer is mostly self-consistent: numbers and sizes are drawn from two
// pixel counts it has in mind, so answers that agree and answers that
// disagree are both near at hand.
std::vector<std::string> script(FuzzedDataProvider& in) {
    const int64_t counts[2] = {in.ConsumeIntegralInRange<int64_t>(16, 4096),
                               in.ConsumeIntegralInRange<int64_t>(16, 4096)};
    auto number = [&]() -> int64_t {
        int pick = in.ConsumeIntegralInRange<int>(0, 3);
        return pick < 2 ? counts[pick] : in.ConsumeIntegral<int16_t>();
    };
    std::vector<std::string> out;
    while (in.remaining_bytes() > 0 && out.size() < 32) {
        if (in.ConsumeIntegralInRange<int>(0, 15) == 0) { // raw bytes: the decoder itself
            out.push_back(in.ConsumeRandomLengthString(256));
            continue;
        }
        Reply r;
        r.status = in.ConsumeBool() ? 0 : in.ConsumeIntegral<int32_t>();
        for (int64_t& v : r.i)
            v = number();
        for (double& v : r.f)
            v = in.ConsumeFloatingPoint<double>();
        int64_t n = number();
        r.data.assign(static_cast<size_t>(4 * (n < 0 ? -n : n)), 'A');
        if (in.ConsumeBool())
            r.data.push_back('\r');
        out.push_back(encodeReply(r));
    }
    return out;
}

// The calls the program makes, each with the buffer the interface asks for.
void drive(uint32_t h) {
    int32_t pixels = 0;
    if (ZOLT_GetPixel(h, &pixels) == ZOLT_OK && pixels > 0 && pixels <= 8192) {
        std::vector<int32_t> counts(static_cast<size_t>(pixels));
        ZOLT_FetchDark(h, counts.data());
        ZOLT_FetchLight(h, counts.data());
        ZOLT_FetchRefer(h, counts.data());
        ZOLT_FetchTransRefl(h, counts.data());
    }
    std::vector<char> firmware(ZOLT_FIRMWARE_MAX);
    ZOLT_GetFirmwareVersion(h, firmware.data());
    std::vector<char> reply(ZOLT_REPLY_MAX);
    ZOLT_ArbitraryCommand(h, "*PARA:SERN?\r", reply.data());
    std::vector<float> lint(11);
    ZOLT_CalcLintLight(h, 400, 410, 1.0f, lint.data());
    std::vector<uint8_t> block(ZOLT_PARAM_BLOCK_SIZE);
    ZOLT_GetParamBlock(h, block.data());
    float fit[5];
    ZOLT_GetFit(h, fit);
    uint16_t a = 0, b = 0;
    ZOLT_GetAverConf(h, &a, &b);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ZOLT_TCP_TIMEOUT_MS", "200", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Peer* peer = new Peer;
    FuzzedDataProvider in(data, size);
    peer->start(script(in));
    uint32_t h = 0;
    if (ZOLT_OpenTCPDevice(peer->address().c_str(), &h) == ZOLT_OK) {
        drive(h);
        ZOLT_CloseDevice(h);
    }
    peer->wait();
    return 0;
}
