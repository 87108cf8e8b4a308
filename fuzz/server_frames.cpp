// What zolt-sim reads from its client: frames off a socket, decoded into
// calls and answered by the simulated instrument.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "server.hpp"
#include "wire.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024)
        return 0; // what one socket buffer holds, so the write below never blocks
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
        return 0;
    if (size > 0 && write(sv[0], data, size) != static_cast<ssize_t>(size)) {
        close(sv[0]);
        close(sv[1]);
        return 0;
    }
    shutdown(sv[0], SHUT_WR);
    ZSimDevice cfg;
    zolt::defaultDevice(cfg);
    zolt::SimDevice dev(cfg);
    zolt::ClientState client;
    std::string request, reply;
    double now = 100.0;
    while (zolt::recvFrame(sv[1], request, 0) == zolt::IoResult::Ok) {
        now += 0.25;
        if (!zolt::answer(dev, client, request, reply, now))
            break;
    }
    close(sv[0]);
    close(sv[1]);
    return 0;
}
