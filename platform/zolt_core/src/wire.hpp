// Framed request/reply protocol between libzolt_core and zolt-sim.
//
// Frame: "ZSF1" magic, u32 payload length (little-endian), payload.
// Request payload: u16 function, u16 0, 4 x i64, 2 x f64, u32 n, n data bytes.
// Reply payload:   i32 status, 4 x i64, 5 x f64, u32 n, n data bytes.
// One request is answered by exactly one reply, in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "sim_model.hpp"

namespace zolt {

constexpr uint32_t kMaxFrame = 20u * 1024u * 1024u;

std::string encodeCall(const Call& c);
bool decodeCall(const std::string& payload, Call& c);
std::string encodeReply(const Reply& r);
bool decodeReply(const std::string& payload, Reply& r);

enum class IoResult { Ok, Timeout, Closed, Error, BadFrame };

using Deadline = std::chrono::steady_clock::time_point;
Deadline deadlineIn(int ms);

// Both give up at the deadline (or after timeoutMs in total); they never
// raise SIGPIPE.  One deadline for a request and its reply bounds the call.
IoResult sendFrame(int fd, const std::string& payload, Deadline deadline);
IoResult recvFrame(int fd, std::string& payload, Deadline deadline);
IoResult sendFrame(int fd, const std::string& payload, int timeoutMs);
IoResult recvFrame(int fd, std::string& payload, int timeoutMs);

// "a.b.c.d" or "a.b.c.d:port"; false for anything else.
bool parseAddress(const char* text, std::string& host, uint16_t& port);
// Connects within timeoutMs; returns the socket or -1 with *status set.
int connectTcp(const std::string& host, uint16_t port, int timeoutMs, int* status);

} // namespace zolt
