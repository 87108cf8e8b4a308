#include "server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "wire.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

constexpr int kFrameTimeoutMs = 3000;

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int listenLoopback(uint16_t port, uint16_t* boundPort) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    if (boundPort)
        *boundPort = ntohs(sa.sin_port);
    return fd;
}

bool answer(SimDevice& dev, ClientState& client, const std::string& request, std::string& reply,
            double now) {
    Call c;
    reply.clear();
    if (!decodeCall(request, c))
        return false;
    Reply r;
    if (c.fn == Fn::Close) {
        dev.isOpen = false;
        reply = encodeReply(r);
        return false;
    }
    if (dev.unplugged) {
        r.status = ZOLT_E_NOT_CONNECTED;
        reply = encodeReply(r);
        return true;
    }
    if (c.fn != Fn::Hello && !client.greeted) {
        r.status = ZOLT_E_HANDLE;
    } else {
        r = dev.execute(c, now, Knobs{});
        if (c.fn == Fn::Hello) {
            client.greeted = true;
            dev.isOpen = true;
        }
    }
    reply = encodeReply(r);
    return true;
}

namespace {

// A connection refused while the instrument has its client: told at once,
// then kept until it hangs up (so the refusal is read, not reset) or its
// time is up.
struct Refused {
    int fd;
    Deadline until;
};

void refuse(std::vector<Refused>& refused, int fd) {
    Reply busy;
    busy.status = ZOLT_E_COM_OPEN;
    if (sendFrame(fd, encodeReply(busy), 0) != IoResult::Ok) {
        ::close(fd);
        return;
    }
    refused.push_back({fd, deadlineIn(kFrameTimeoutMs)});
}

} // namespace

// Runs every whole line that has arrived on the control input.
void control(SimDevice& dev, int& fd, std::string& pending) {
    char buf[512];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) {
        fd = -1; // closed: the instrument runs on as it is
        return;
    }
    pending.append(buf, static_cast<size_t>(n));
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, nl), message;
        pending.erase(0, nl + 1);
        ControlResult r = applyControl(dev, line, BenchEvents::All, message);
        if (r == ControlResult::Done)
            std::printf("zolt-sim: %s\n", message.c_str());
        else if (r == ControlResult::Error)
            std::fprintf(stderr, "zolt-sim: %s\n", message.c_str());
        std::fflush(stdout);
    }
    if (pending.size() > 4096)
        pending.clear(); // no command is that long
}

void serve(SimDevice& dev, int listenFd, const std::atomic<bool>& stop, int controlFd) {
    std::string controlText;
    int client = -1;
    ClientState state;
    std::vector<Refused> refused;
    auto drop = [&] {
        if (client >= 0)
            ::close(client);
        client = -1;
        state = ClientState{};
        dev.isOpen = false;
    };
    while (!stop.load()) {
        std::vector<pollfd> p = {
            {listenFd, POLLIN, 0}, {client, POLLIN, 0}, {controlFd, POLLIN, 0}};
        for (const Refused& r : refused)
            p.push_back({r.fd, POLLIN, 0});
        int rc = ::poll(p.data(), p.size(), 200);
        if (rc < 0 && errno != EINTR)
            break;
        // The served client first: a close it sent is done before a new
        // connection is looked at.
        if (client >= 0 && rc > 0 && (p[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            std::string payload, reply;
            bool keep = recvFrame(client, payload, kFrameTimeoutMs) == IoResult::Ok &&
                        answer(dev, state, payload, reply, monotonicSeconds());
            if (!reply.empty() && sendFrame(client, reply, kFrameTimeoutMs) != IoResult::Ok)
                keep = false;
            if (!keep)
                drop();
        }
        for (size_t k = refused.size(); k-- > 0;) {
            const short ev = p[3 + k].revents;
            char sink[256];
            bool gone =
                (ev & (POLLHUP | POLLERR | POLLNVAL)) ||
                ((ev & POLLIN) && ::recv(refused[k].fd, sink, sizeof sink, MSG_DONTWAIT) <= 0);
            if (gone || Deadline::clock::now() >= refused[k].until) {
                ::close(refused[k].fd);
                refused.erase(refused.begin() + static_cast<long>(k));
            }
        }
        if (controlFd >= 0 && rc > 0 && (p[2].revents & (POLLIN | POLLHUP | POLLERR)))
            control(dev, controlFd, controlText);
        if (rc > 0 && (p[0].revents & POLLIN)) {
            int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                if (client >= 0)
                    refuse(refused, fd);
                else
                    client = fd;
            }
        }
    }
    drop();
    for (const Refused& r : refused)
        ::close(r.fd);
}

} // namespace zolt
