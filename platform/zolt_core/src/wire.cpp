#include "wire.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "zolt_core.h"

namespace zolt {

namespace {

const char kMagic[4] = {'Z', 'S', 'F', '1'};

void putU(std::string& s, uint64_t v, int bytes) {
    for (int k = 0; k < bytes; ++k)
        s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}
void putD(std::string& s, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    putU(s, v, 8);
}

struct Reader {
    const std::string& s;
    size_t pos = 0;
    bool ok = true;
    uint64_t u(int bytes) {
        if (pos + static_cast<size_t>(bytes) > s.size()) {
            ok = false;
            return 0;
        }
        uint64_t v = 0;
        for (int k = 0; k < bytes; ++k)
            v |= static_cast<uint64_t>(static_cast<uint8_t>(s[pos + static_cast<size_t>(k)]))
                 << (8 * k);
        pos += static_cast<size_t>(bytes);
        return v;
    }
    double d() {
        uint64_t v = u(8);
        double x;
        std::memcpy(&x, &v, 8);
        return x;
    }
    std::string bytes() {
        uint64_t n = u(4);
        if (!ok || n > s.size() - pos) {
            ok = false;
            return {};
        }
        std::string out = s.substr(pos, static_cast<size_t>(n));
        pos += static_cast<size_t>(n);
        return out;
    }
};

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

IoResult waitFd(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int rc = ::poll(&p, 1, remainingMs(deadline));
        if (rc > 0) {
            // Readable data or a hang-up: let recv report what arrived first.
            if ((events & POLLIN) && (p.revents & (POLLIN | POLLHUP)))
                return IoResult::Ok;
            if (p.revents & (POLLERR | POLLNVAL))
                return IoResult::Error;
            return IoResult::Ok;
        }
        if (rc == 0)
            return IoResult::Timeout;
        if (errno != EINTR)
            return IoResult::Error;
    }
}

IoResult sendAll(int fd, const char* p, size_t n, Clock::time_point deadline) {
    while (n > 0) {
        ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (k > 0) {
            p += k;
            n -= static_cast<size_t>(k);
            continue;
        }
        if (k < 0 && errno == EINTR)
            continue;
        if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            IoResult w = waitFd(fd, POLLOUT, deadline);
            if (w != IoResult::Ok)
                return w;
            continue;
        }
        return (errno == EPIPE || errno == ECONNRESET) ? IoResult::Closed : IoResult::Error;
    }
    return IoResult::Ok;
}

IoResult recvAll(int fd, char* p, size_t n, Clock::time_point deadline) {
    while (n > 0) {
        IoResult w = waitFd(fd, POLLIN, deadline);
        if (w != IoResult::Ok)
            return w;
        ssize_t k = ::recv(fd, p, n, MSG_DONTWAIT);
        if (k > 0) {
            p += k;
            n -= static_cast<size_t>(k);
            continue;
        }
        if (k == 0)
            return IoResult::Closed;
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            continue;
        return errno == ECONNRESET ? IoResult::Closed : IoResult::Error;
    }
    return IoResult::Ok;
}

} // namespace

std::string encodeCall(const Call& c) {
    std::string s;
    putU(s, static_cast<uint16_t>(c.fn), 2);
    putU(s, 0, 2);
    for (int64_t v : c.i)
        putU(s, static_cast<uint64_t>(v), 8);
    for (double v : c.f)
        putD(s, v);
    putU(s, c.data.size(), 4);
    s += c.data;
    return s;
}

bool decodeCall(const std::string& payload, Call& c) {
    Reader r{payload};
    uint64_t fn = r.u(2);
    r.u(2);
    for (int64_t& v : c.i)
        v = static_cast<int64_t>(r.u(8));
    for (double& v : c.f)
        v = r.d();
    c.data = r.bytes();
    if (!r.ok || r.pos != payload.size() || fn >= static_cast<uint64_t>(Fn::Count))
        return false;
    c.fn = static_cast<Fn>(fn);
    return true;
}

std::string encodeReply(const Reply& rep) {
    std::string s;
    putU(s, static_cast<uint32_t>(rep.status), 4);
    for (int64_t v : rep.i)
        putU(s, static_cast<uint64_t>(v), 8);
    for (double v : rep.f)
        putD(s, v);
    putU(s, rep.data.size(), 4);
    s += rep.data;
    return s;
}

bool decodeReply(const std::string& payload, Reply& rep) {
    Reader r{payload};
    rep.status = static_cast<int32_t>(static_cast<uint32_t>(r.u(4)));
    for (int64_t& v : rep.i)
        v = static_cast<int64_t>(r.u(8));
    for (double& v : rep.f)
        v = r.d();
    rep.data = r.bytes();
    return r.ok && r.pos == payload.size();
}

Deadline deadlineIn(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

IoResult sendFrame(int fd, const std::string& payload, int timeoutMs) {
    return sendFrame(fd, payload, deadlineIn(timeoutMs));
}

IoResult recvFrame(int fd, std::string& payload, int timeoutMs) {
    return recvFrame(fd, payload, deadlineIn(timeoutMs));
}

IoResult sendFrame(int fd, const std::string& payload, Deadline deadline) {
    if (payload.size() > kMaxFrame)
        return IoResult::BadFrame;
    std::string frame(kMagic, 4);
    putU(frame, payload.size(), 4);
    frame += payload;
    return sendAll(fd, frame.data(), frame.size(), deadline);
}

IoResult recvFrame(int fd, std::string& payload, Deadline deadline) {
    char head[8];
    IoResult r = recvAll(fd, head, 8, deadline);
    if (r != IoResult::Ok)
        return r;
    if (std::memcmp(head, kMagic, 4) != 0)
        return IoResult::BadFrame;
    uint32_t n = 0;
    for (int k = 0; k < 4; ++k)
        n |= static_cast<uint32_t>(static_cast<uint8_t>(head[4 + k])) << (8 * k);
    if (n > kMaxFrame)
        return IoResult::BadFrame;
    payload.assign(n, '\0');
    return n == 0 ? IoResult::Ok : recvAll(fd, payload.data(), n, deadline);
}

bool parseAddress(const char* text, std::string& host, uint16_t& port) {
    if (!text)
        return false;
    std::string s(text);
    if (s.empty() || s.size() > 64)
        return false;
    port = ZOLT_TCP_DEFAULT_PORT;
    size_t colon = s.find(':');
    if (colon != std::string::npos) {
        std::string p = s.substr(colon + 1);
        if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos)
            return false;
        long v = std::strtol(p.c_str(), nullptr, 10);
        if (v < 1 || v > 65535)
            return false;
        port = static_cast<uint16_t>(v);
        s.erase(colon);
    }
    in_addr a{};
    if (::inet_pton(AF_INET, s.c_str(), &a) != 1)
        return false;
    host = s;
    return true;
}

int connectTcp(const std::string& host, uint16_t port, int timeoutMs, int* status) {
    *status = ZOLT_E_COM_OPEN;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &sa.sin_addr) != 1) {
        *status = ZOLT_E_INVALID_ARG;
        return -1;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    if (rc < 0 && errno == EINPROGRESS) {
        IoResult w = waitFd(fd, POLLOUT, Clock::now() + std::chrono::milliseconds(timeoutMs));
        int err = 0;
        socklen_t len = sizeof err;
        if (w == IoResult::Timeout) {
            *status = ZOLT_E_TIME;
            ::close(fd);
            return -1;
        }
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
            ::close(fd);
            return -1;
        }
    } else if (rc < 0) {
        ::close(fd);
        return -1;
    }
    *status = ZOLT_OK;
    return fd;
}

} // namespace zolt
