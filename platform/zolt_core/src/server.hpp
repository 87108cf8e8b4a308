// Serves one simulated instrument to one TCP client at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "sim_model.hpp"

namespace zolt {

// Binds 127.0.0.1:port (0: any free port); returns the socket or -1.
int listenLoopback(uint16_t port, uint16_t* boundPort);

// What the server keeps about its client between frames.
struct ClientState {
    bool greeted = false;
};

// Answers one request payload into reply; false when the connection is to
// end: a malformed request (reply left empty), or the client's close (reply
// set, to be sent before the connection ends).
bool answer(SimDevice& dev, ClientState& client, const std::string& request, std::string& reply,
            double now);

// Runs until stop becomes true.  A second client while one is connected is
// refused with ZOLT_E_COM_OPEN without holding up the first; a client that
// stalls mid-frame is dropped.  Lines on controlFd (-1: none) are
// sample-changer commands; what they did goes to standard output.
void serve(SimDevice& dev, int listenFd, const std::atomic<bool>& stop, int controlFd = -1);

} // namespace zolt
