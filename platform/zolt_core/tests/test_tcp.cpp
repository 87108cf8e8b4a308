// The TCP/IP connection against a real zolt-sim process on loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "helpers.hpp"
#include "wire.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

class SimProcess {
  public:
    // On a free port, unless extra names a configuration: then where its
    // ip key says.
    explicit SimProcess(std::vector<std::string> extra = {}) {
        int fds[2], in[2];
        if (pipe(fds) != 0 || pipe(in) != 0)
            return;
        std::vector<std::string> args = {ZOLT_SIM_EXE, "--exit-with-parent"};
        if (std::find(extra.begin(), extra.end(), "--config") == extra.end())
            args.insert(args.end(), {"--port", "0"});
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_addclose(&fa, in[1]);
        if (posix_spawn(&pid_, ZOLT_SIM_EXE, &fa, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        close(in[0]);
        stdin_ = in[1];
        stdout_ = fds[0];
        // "zolt-sim: listening on 127.0.0.1:PORT (...)"
        std::string line;
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && line.find('\n') == std::string::npos && Clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buf[256];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            line.append(buf, static_cast<size_t>(n));
        }
        size_t at = line.find("127.0.0.1:");
        if (at != std::string::npos)
            address_ = line.substr(at, line.find(' ', at) - at);
    }
    ~SimProcess() {
        kill(SIGKILL);
        close(stdin_);
        close(stdout_);
    }
    // A bench command on its standard input; true once zolt-sim says it did it.
    bool command(const std::string& line) {
        std::string text = line + "\n";
        if (write(stdin_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return false;
        std::string seen;
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (seen.find("zolt-sim: " + line + "\n") == std::string::npos &&
               Clock::now() < deadline) {
            pollfd p{stdout_, POLLIN, 0};
            char buf[256];
            ssize_t n = poll(&p, 1, 100) > 0 ? read(stdout_, buf, sizeof buf) : 0;
            if (n > 0)
                seen.append(buf, static_cast<size_t>(n));
        }
        return seen.find("zolt-sim: " + line + "\n") != std::string::npos;
    }
    const std::string& address() const { return address_; }
    void kill(int sig) {
        if (pid_ <= 0)
            return;
        ::kill(pid_, sig);
        if (sig == SIGKILL) {
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1, stdout_ = -1;
    std::string address_;
};

int waitIdle(uint32_t h, int32_t* busy) {
    int st = 0;
    auto deadline = Clock::now() + std::chrono::seconds(5);
    do {
        st = ZOLT_MeasureStatusCore(h, busy);
        if (st == 0 && *busy)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (st == 0 && *busy && Clock::now() < deadline);
    return st;
}

// Binds fd to a free port on loopback: its "127.0.0.1:port", or "" when it
// could not.
std::string BindLoopback(int fd) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return "";
    return "127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
}

// A peer on loopback that answers each request with the next scripted
// reply; an empty entry leaves that request unanswered.
class ScriptedPeer {
  public:
    explicit ScriptedPeer(std::vector<zolt::Reply> script) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        address_ = BindLoopback(listen_);
        listen(listen_, 1);
        thread_ = std::thread([this, script] {
            int fd = accept(listen_, nullptr, nullptr);
            std::string request;
            for (const zolt::Reply& r : script) {
                if (zolt::recvFrame(fd, request, 5000) != zolt::IoResult::Ok)
                    break;
                ++requests_;
                if (r.status >= 0)
                    zolt::sendFrame(fd, zolt::encodeReply(r), 5000);
            }
            while (zolt::recvFrame(fd, request, 5000) == zolt::IoResult::Ok)
                ++requests_; // the rest unanswered, until the client goes
            close(fd);
        });
    }
    ~ScriptedPeer() {
        shutdown(listen_, SHUT_RDWR);
        thread_.join();
        close(listen_);
    }
    const std::string& address() const { return address_; }
    int requests() const { return requests_.load(); }
    static zolt::Reply silent() {
        zolt::Reply r;
        r.status = -1;
        return r;
    }
    static zolt::Reply pixels(int64_t greeting, size_t values) {
        zolt::Reply r;
        r.i[0] = greeting;
        r.i[1] = greeting;
        r.data.assign(values * sizeof(int32_t), '\x01');
        return r;
    }

  private:
    int listen_ = -1;
    std::string address_;
    std::thread thread_;
    std::atomic<int> requests_{0};
};

bool isLinkFailure(int st) {
    return st == ZOLT_E_TIME || st == ZOLT_E_RECEIVE || st == ZOLT_E_FATAL;
}

} // namespace

class ZoltCoreTcp : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("ZOLT_TCP_TIMEOUT_MS", "800", 1);
        unsetenv("ZOLT_SIM_CONFIG");
        zsim_Reset();
    }
    void TearDown() override { zsim_Reset(); }
};

TEST_F(ZoltCoreTcp, MeasuresThenSurvivesTheServerDyingMidMeasurement) {
    SimProcess sim({"--sample", "holmium"});
    ASSERT_FALSE(sim.address().empty()) << "zolt-sim did not start";
    uint32_t h = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h), ZOLT_OK);
    ASSERT_NE(h, 0u);
    uint32_t h2 = 0;
    EXPECT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h2), ZOLT_E_COM_OPEN)
        << "one client at a time";

    int32_t n = 0;
    ASSERT_EQ(ZOLT_GetPixel(h, &n), ZOLT_OK);
    EXPECT_EQ(n, 2048);
    uint8_t conn = 0, type = 0;
    char serial[16], ip[16], usb[16];
    uint16_t port = 0;
    uint32_t baud = 0;
    uint64_t bt = 0;
    ASSERT_EQ(ZOLT_GetDeviceInfo(0, &conn, &type, serial, &port, &baud, ip, usb, &bt), ZOLT_OK);
    EXPECT_EQ(conn, ZOLT_CONN_TCPIP);
    EXPECT_EQ(std::string(ip), sim.address());
    EXPECT_STREQ(serial, "ZS10001");
    char reply[ZOLT_REPLY_MAX];
    ASSERT_EQ(ZOLT_ArbitraryCommand(h, "*idn\r", reply), ZOLT_OK);
    EXPECT_NE(std::string(reply).find("KESTRO"), std::string::npos);
    ASSERT_EQ(ZOLT_SetTintConf(h, 2.0f), ZOLT_OK);
    ASSERT_EQ(ZOLT_SetAverConf(h, 2), ZOLT_OK);
    ASSERT_EQ(ZOLT_SetFunctionConf(h, ZOLT_FUNC_LIGHT), ZOLT_OK);
    ASSERT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
    int32_t busy = 1;
    ASSERT_EQ(waitIdle(h, &busy), ZOLT_OK);
    ASSERT_EQ(busy, 0);
    std::vector<int32_t> light(2048, -1);
    ASSERT_EQ(ZOLT_FetchLight(h, light.data()), ZOLT_OK);
    EXPECT_GT(light[1000], 5000);
    std::vector<float> grid(101);
    ASSERT_EQ(ZOLT_CalcLintLight(h, 500, 600, 1.0f, grid.data()), ZOLT_OK);
    EXPECT_GT(grid[50], 2000.0f);

    // A long measurement, then the server goes away.
    ASSERT_EQ(ZOLT_SetTintConf(h, 5000.0f), ZOLT_OK);
    ASSERT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
    ASSERT_EQ(ZOLT_MeasureStatusCore(h, &busy), ZOLT_OK);
    EXPECT_EQ(busy, 1);
    sim.kill(SIGKILL);
    auto t0 = Clock::now();
    int st = ZOLT_MeasureStatusCore(h, &busy);
    EXPECT_TRUE(isLinkFailure(st)) << "status " << st;
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3));
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_FATAL) << "the link stays dead";
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_HANDLE);
}

TEST_F(ZoltCoreTcp, SilentPeerTimesOut) {
    SimProcess sim;
    ASSERT_FALSE(sim.address().empty());
    uint32_t h = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h), ZOLT_OK);
    sim.kill(SIGSTOP);
    auto t0 = Clock::now();
    int32_t n = 0;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_TIME);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3));
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    sim.kill(SIGCONT);
}

TEST_F(ZoltCoreTcp, ListenerThatNeverAnswersFailsTheOpen) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const std::string addr = BindLoopback(fd);
    ASSERT_FALSE(addr.empty());
    ASSERT_EQ(listen(fd, 1), 0);
    uint32_t h = 0;
    EXPECT_EQ(ZOLT_OpenTCPDevice(addr.c_str(), &h), ZOLT_E_TIME);
    EXPECT_EQ(h, 0u);
    close(fd);
    // Nobody listens there any more.
    EXPECT_EQ(ZOLT_OpenTCPDevice(addr.c_str(), &h), ZOLT_E_COM_OPEN);
}

TEST_F(ZoltCoreTcp, BadAddressTexts) {
    uint32_t h = 0;
    for (const char* bad :
         {"", "localhost", "127.0.0.1:", "127.0.0.1:99999", "1.2.3", "127.0.0.1:80x"})
        EXPECT_EQ(ZOLT_OpenTCPDevice(bad, &h), ZOLT_E_INVALID_ARG) << bad;
}

// One description serves both: zolt-sim listens where its ip key says, and
// the library reaches the instrument there.
TEST_F(ZoltCoreTcp, RegistryEntryOpensOverTcp) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const std::string address = BindLoopback(probe);
    close(probe);
    ASSERT_FALSE(address.empty());
    const std::string cfg = "[device]\nconnection = tcp\nip = " + address + "\n";
    char file[] = "/tmp/zolt-tcp-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, cfg.data(), cfg.size()), static_cast<ssize_t>(cfg.size()));
    close(fd);
    SimProcess sim({"--config", file});
    std::remove(file);
    ASSERT_EQ(sim.address(), address);
    char err[200];
    ASSERT_EQ(zsim_Configure(cfg.c_str(), err, sizeof err), 0) << err;
    uint32_t h = 0, h2 = 0;
    ASSERT_EQ(ZOLT_OpenDevice(0, &h), ZOLT_OK);
    EXPECT_EQ(ZOLT_OpenDevice(0, &h2), ZOLT_E_COM_OPEN);
    uint8_t type = 0;
    ASSERT_EQ(ZOLT_GetDeviceType(h, &type), ZOLT_OK);
    EXPECT_EQ(type, 1);
    ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
    // The server frees the instrument when the client goes.
    auto deadline = Clock::now() + std::chrono::seconds(3);
    int st = -1;
    while ((st = ZOLT_OpenDevice(0, &h)) != ZOLT_OK && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(st, ZOLT_OK);
}

TEST_F(ZoltCoreTcp, APeerWhosePixelCountsDisagreeNeverOverrunsTheCallersBuffer) {
    // Greeting 64 pixels, then GetPixel answers 32 and 64, the fetches 128, 32
    // and 64 values.
    ScriptedPeer peer({ScriptedPeer::pixels(64, 0), ScriptedPeer::pixels(32, 0),
                       ScriptedPeer::pixels(64, 0), ScriptedPeer::pixels(0, 128),
                       ScriptedPeer::pixels(0, 32), ScriptedPeer::pixels(0, 64), zolt::Reply{}});
    uint32_t h = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(peer.address().c_str(), &h), ZOLT_OK);
    int32_t n = -1;
    EXPECT_EQ(ZOLT_GetPixel(h, &n), ZOLT_E_CONVERT);
    EXPECT_EQ(n, -1) << "the caller is not told a count the fetches will not honour";
    ASSERT_EQ(ZOLT_GetPixel(h, &n), ZOLT_OK);
    ASSERT_EQ(n, 64);
    // The buffer is exactly what the caller was told: ASan watches its end.
    for (int expected : {ZOLT_E_CONVERT, ZOLT_E_CONVERT, ZOLT_OK}) {
        std::vector<int32_t> counts(static_cast<size_t>(n), -1);
        EXPECT_EQ(ZOLT_FetchDark(h, counts.data()), expected);
        EXPECT_EQ(counts[0] == -1, expected != ZOLT_OK) << "copied only when the size agrees";
    }
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
}

TEST_F(ZoltCoreTcp, ASilentPeerHoldsUpOnlyItsOwnDevice) {
    ScriptedPeer peer({ScriptedPeer::pixels(64, 0), ScriptedPeer::silent()});
    uint32_t tcp = 0, local = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(peer.address().c_str(), &tcp), ZOLT_OK);
    ASSERT_EQ(ZOLT_OpenDevice(0, &local), ZOLT_OK);
    std::atomic<bool> waitingDone{false};
    std::thread waiting([&] {
        int32_t n = 0;
        EXPECT_EQ(ZOLT_GetPixel(tcp, &n), ZOLT_E_TIME);
        waitingDone = true;
    });
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (peer.requests() < 2 && Clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_GE(peer.requests(), 2) << "the request never reached the peer";
    // The peer holds the request; the other instrument answers meanwhile.
    int32_t n = 0;
    EXPECT_EQ(ZOLT_GetPixel(local, &n), ZOLT_OK);
    EXPECT_EQ(n, 2048);
    EXPECT_FALSE(waitingDone.load()) << "the in-process call waited for the silent peer";
    waiting.join();
    ZOLT_CloseDevice(local);
    ZOLT_CloseDevice(tcp);
}

TEST_F(ZoltCoreTcp, ACloseIsCompleteWhenItReturns) {
    SimProcess sim;
    ASSERT_FALSE(sim.address().empty());
    // A second client, refused, while the first works on.
    uint32_t h = 0, other = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h), ZOLT_OK);
    EXPECT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &other), ZOLT_E_COM_OPEN);
    for (int k = 0; k < 300; ++k) {
        ASSERT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
        ASSERT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h), ZOLT_OK) << "cycle " << k;
    }
    EXPECT_EQ(ZOLT_CloseDevice(h), ZOLT_OK);
}

namespace {
std::atomic<int> g_benchPosts{0};
void countPost(intptr_t, uint32_t, uintptr_t, intptr_t) {
    ++g_benchPosts;
}
} // namespace

TEST_F(ZoltCoreTcp, TheServedBenchTakesCommandsOnStandardInput) {
    SimProcess sim;
    ASSERT_FALSE(sim.address().empty());
    uint32_t h = 0;
    ASSERT_EQ(ZOLT_OpenTCPDevice(sim.address().c_str(), &h), ZOLT_OK);
    auto light = [&] {
        int32_t busy = 1;
        std::vector<int32_t> v(2048, -1);
        EXPECT_EQ(ZOLT_SetTintConf(h, 10.0f), ZOLT_OK);
        EXPECT_EQ(ZOLT_InitMeasure(h), ZOLT_OK);
        EXPECT_EQ(waitIdle(h, &busy), ZOLT_OK);
        EXPECT_EQ(ZOLT_FetchLight(h, v.data()), ZOLT_OK);
        return v;
    };
    auto empty = light();
    ASSERT_TRUE(sim.command("sample holmium"));
    auto holmium = light();
    // 536.4 nm, the deepest visible band, lies near pixel 835 of the default fit.
    size_t band = 0;
    float fit[5];
    ASSERT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
    for (size_t i = 0; i < 2048; ++i) {
        double x = static_cast<double>(i);
        if (fit[0] + x * (fit[1] + x * (fit[2] + x * (fit[3] + x * fit[4]))) >= 536.4) {
            band = i;
            break;
        }
    }
    EXPECT_LT(holmium[band] - 900, 0.7 * (empty[band] - 900)) << "the band shows in the beam";

    g_benchPosts = 0;
    ZOLT_SetMessagePoster(countPost);
    ASSERT_EQ(ZOLT_SetCallbackFunction(h, ZOLT_CALLBACK_POST_MESSAGE, 7), ZOLT_OK);
    ASSERT_TRUE(sim.command("trigger"));
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while (g_benchPosts.load() == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_benchPosts.load(), 1) << "the trigger reaches the program as a device event";
    int32_t enq = 0;
    ASSERT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_OK);
    EXPECT_EQ(enq, 1);
    ASSERT_EQ(ZOLT_SetCallbackFunction(h, ZOLT_CALLBACK_OFF, 0), ZOLT_OK);
    ZOLT_SetMessagePoster(nullptr);

    ASSERT_TRUE(sim.command("unplug"));
    EXPECT_EQ(ZOLT_GetEnquiry(h, &enq), ZOLT_E_NOT_CONNECTED);
    ZOLT_CloseDevice(h);
}

// zolt-sim --demo measures the instrument that --config describes; one it
// cannot use is named with the reason, and nothing starts.
TEST(ZoltSimProgram, DemoMeasuresTheDescribedInstrumentOrSaysWhyNot) {
    char dir[] = "/tmp/zolt-demo-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string good = std::string(dir) + "/good.ini", bad = std::string(dir) + "/bad.ini";
    std::ofstream(good) << "[device]\npixels = 1024\nfit = 300 0.5 0 0 0\n";
    std::ofstream(bad) << "[device]\n\npixels = many\n";
    unsetenv("ZOLT_SIM_CONFIG");
    struct Case {
        std::string config;
        int status, values;
        const char* said;
    } cases[] = {
        {good, 0, 1024, ", 1024 pixels"},
        {bad, 2, 0, "line 3: bad value 'many' for pixels"},
        {std::string(dir) + "/none.ini", 2, 0, "none.ini: No such file"},
    };
    for (const Case& c : cases) {
        const std::string cmd =
            std::string(ZOLT_SIM_EXE) + " --config " + c.config + " --demo 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char line[256];
        int values = 0;
        while (std::fgets(line, sizeof line, p) != nullptr) {
            out += line;
            int pixel = 0, dark = 0, light = 0;
            double nm = 0;
            values += std::sscanf(line, "%d %lf %d %d", &pixel, &nm, &dark, &light) == 4;
        }
        const int status = pclose(p);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << out;
        EXPECT_EQ(values, c.values) << c.config;
        EXPECT_NE(out.find(c.said), std::string::npos) << out;
    }
    for (const std::string& f : {good, bad})
        std::remove(f.c_str());
    rmdir(dir);
}

// A bad or empty option value ends zolt-sim with status 2 before it serves
// or measures anything (--demo would otherwise measure and end with 0).
TEST(ZoltSimProgram, RefusesEmptyAndBadOptionValues) {
    const char* const lines[] = {
        "--port ''",   "--port -1",   "--port ' 80'",
        "--device ''", "--device -1", "--seed ''",
        "--seed -5",   "--seed +5",   "--seed 99999999999999999999",
        "--config ''", "--sample ''", "--port",
    };
    for (const char* line : lines) {
        const std::string cmd = std::string(ZOLT_SIM_EXE) + " " + line + " --demo 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string out;
        char buf[256];
        while (std::fgets(buf, sizeof buf, p) != nullptr)
            out += buf;
        const int status = pclose(p);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << line << "\n" << out;
        EXPECT_EQ(out.find("instrument:"), std::string::npos) << line;
    }
}
