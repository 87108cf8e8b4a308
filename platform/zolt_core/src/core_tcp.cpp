// The TCP client of libzolt_core: one framed request and reply per call to a
// zolt-sim peer (or an instrument on the network).
#include <cstdlib>

#include "core_lib.hpp"
#include "wire.hpp"

using namespace zolt;
using namespace zolt::core;

namespace zolt::core {

int tcpTimeoutMs() {
    static const int ms = [] {
        const char* e = std::getenv("ZOLT_TCP_TIMEOUT_MS");
        long v = e ? std::strtol(e, nullptr, 10) : 0;
        return (v >= 50 && v <= 60000) ? static_cast<int>(v) : 2000;
    }();
    return ms;
}

int tcpExchange(TcpLink& t, const Call& c, Reply& r) {
    if (t.broken)
        return ZOLT_E_FATAL;
    const Deadline deadline = deadlineIn(tcpTimeoutMs());
    IoResult io = sendFrame(t.fd, encodeCall(c), deadline);
    std::string payload;
    if (io == IoResult::Ok)
        io = recvFrame(t.fd, payload, deadline);
    if (io != IoResult::Ok) {
        t.broken = true; // the stream is out of step: nothing later can be trusted
        switch (io) {
        case IoResult::Timeout:
            return ZOLT_E_TIME;
        case IoResult::Closed:
            return ZOLT_E_RECEIVE;
        case IoResult::BadFrame:
            return ZOLT_E_CONVERT;
        default:
            return ZOLT_E_FATAL;
        }
    }
    if (!decodeReply(payload, r)) {
        t.broken = true;
        return ZOLT_E_CONVERT;
    }
    return r.status;
}

int openTcp(Scope& sc, const std::string& host, uint16_t port, int regIndex, uint32_t* handle) {
    const uint64_t generation = L().generation;
    auto link = std::make_shared<TcpLink>();
    Reply r;
    int st = 0;
    sc.unlock();
    link->fd = connectTcp(host, port, tcpTimeoutMs(), &st);
    if (link->fd >= 0) {
        std::lock_guard<std::mutex> g(link->mu);
        st = tcpExchange(*link, mk(Fn::Hello), r);
    }
    sc.lock();
    if (st != ZOLT_OK)
        return st;
    if (r.i[1] < kMinPixels || r.i[1] > kMaxPixels)
        return ZOLT_E_CONVERT;
    if (regIndex >= 0 && L().generation != generation)
        return ZOLT_E_COM_OPEN; // the registry was replaced meanwhile
    Session s;
    s.regIndex = regIndex;
    s.tcp = std::move(link);
    s.pixelCount = static_cast<int32_t>(r.i[1]);
    if (regIndex >= 0) {
        s.info = L().reg[static_cast<size_t>(regIndex)]->cfg;
    } else {
        defaultDevice(s.info);
        s.info.connectionType = ZOLT_CONN_TCPIP;
        s.info.deviceType = static_cast<uint8_t>(r.i[0]);
        s.info.baudrate = static_cast<uint32_t>(r.i[2]);
        s.info.comPort = 0;
        s.info.usbSerial[0] = '\0';
        s.info.btAddress = 0;
        copyText(s.info.serial, sizeof s.info.serial, r.data);
        std::string ip = port == ZOLT_TCP_DEFAULT_PORT ? host : host + ":" + std::to_string(port);
        copyText(s.info.ipAddress, sizeof s.info.ipAddress, ip);
    }
    uint32_t h = newHandle();
    L().sessions.emplace(h, std::move(s));
    *handle = h;
    return ZOLT_OK;
}

void closeTcp(Scope& sc, std::shared_ptr<TcpLink> link) {
    sc.unlock();
    {
        // The peer answers a close once it has let the instrument go, so a
        // new connection right after this finds it free.
        std::lock_guard<std::mutex> g(link->mu);
        Reply r;
        tcpExchange(*link, mk(Fn::Close), r);
        link->broken = true;
    }
    sc.lock();
}

} // namespace zolt::core

extern "C" {

int ZOLT_OpenTCPDevice(const char* ipText, uint32_t* handle) {
    Scope sc("ZOLT_OpenTCPDevice", escape(ipText));
    int st = 0;
    if (sc.fault(st))
        return sc.done(st);
    if (!ipText || !handle)
        return sc.done(ZOLT_E_INVALID_ARG);
    std::string host;
    uint16_t port = 0;
    if (!parseAddress(ipText, host, port))
        return sc.done(ZOLT_E_INVALID_ARG);
    st = openTcp(sc, host, port, -1, handle);
    if (st == ZOLT_OK)
        L().directHandle = *handle;
    return sc.done(st);
}

} // extern "C"
