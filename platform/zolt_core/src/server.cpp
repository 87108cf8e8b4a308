#include "server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

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
    if (!decodeCall(request, c) || c.fn == Fn::Close)
        return false;
    Reply r;
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

void serve(SimDevice& dev, int listenFd, const std::atomic<bool>& stop) {
    int client = -1;
    ClientState state;
    auto drop = [&] {
        if (client >= 0)
            ::close(client);
        client = -1;
        state = ClientState{};
        dev.isOpen = false;
    };
    while (!stop.load()) {
        pollfd p[2] = {{listenFd, POLLIN, 0}, {client, POLLIN, 0}};
        int rc = ::poll(p, client >= 0 ? 2 : 1, 200);
        if (rc < 0 && errno != EINTR)
            break;
        if (rc <= 0)
            continue;
        if (p[0].revents & POLLIN) {
            int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                if (client >= 0) {
                    // Exclusive: the instrument already has its client.
                    // Read its greeting first so the close is orderly.
                    std::string greeting;
                    recvFrame(fd, greeting, 500);
                    Reply busy;
                    busy.status = ZOLT_E_COM_OPEN;
                    sendFrame(fd, encodeReply(busy), 500);
                    ::close(fd);
                } else {
                    client = fd;
                }
            }
        }
        if (client >= 0 && (p[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            std::string payload, reply;
            if (recvFrame(client, payload, kFrameTimeoutMs) != IoResult::Ok ||
                !answer(dev, state, payload, reply, monotonicSeconds()) ||
                sendFrame(client, reply, kFrameTimeoutMs) != IoResult::Ok)
                drop();
        }
    }
    drop();
}

} // namespace zolt
