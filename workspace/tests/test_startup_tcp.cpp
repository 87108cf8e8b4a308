// The program connected over TCP/IP to a zolt-sim process on loopback.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "link/status.h"
#include "test_startup_support.h"
#include "workspace/measure.h"

extern char** environ;

using startup_test::StartupTest;

namespace {

// zolt-sim on a free port; its first line names the address.
class SimProcess {
  public:
    SimProcess() {
        const char* bin = std::getenv("ORVALIN_BINARY_DIR");
        std::string exe = std::string(bin != nullptr ? bin : ".") + "/bin/zolt-sim";
        int fds[2];
        if (pipe(fds) != 0)
            return;
        std::vector<std::string> args = {exe, "--port", "0", "--exit-with-parent"};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        if (posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char buf[256];
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            line.append(buf, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        const std::size_t at = line.find("127.0.0.1:");
        if (at != std::string::npos)
            address_ = line.substr(at, line.find(' ', at) - at);
    }
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    const std::string& address() const { return address_; }
    void Kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    std::string address_;
};

} // namespace

TEST_F(StartupTest, TcpConnectionToZoltSimThenTheServerDies) {
    setenv("ZOLT_TCP_TIMEOUT_MS", "500", 1);
    SimProcess sim;
    ASSERT_FALSE(sim.address().empty()) << "zolt-sim did not start";

    std::string title, connType;
    int offline = -1;
    int afterDeath = 0;
    bool errorShown = false;
    const auto during = [&] {
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &title);
        GetCtrlVal(hAboutPanel, ABOUT_CONNTYPE, &connType);
        offline = iOffline;
        sim.Kill();
        popup_script::Clear();
        // A device command after the server has gone: a status, no hang.
        const auto start = std::chrono::steady_clock::now();
        afterDeath = comm_SetTrigger(2);
        iCbSelect = MEAS_DARK;
        main_Measure();
        for (const auto& s : popup_script::Record()) {
            if (s.title == "Error" && std::string(ErrorText(ZOLT_E_RECEIVE)) == s.text)
                errorShown = true;
            if (s.title == "Error" && std::string(ErrorText(ZOLT_E_FATAL)) == s.text)
                errorShown = true;
            if (s.title == "Error" && std::string(ErrorText(ZOLT_E_TIME)) == s.text)
                errorShown = true;
            if (s.title == "Error" && std::string(ErrorText(ZOLT_E_SEND)) == s.text)
                errorShown = true;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
    };
    const std::string address = sim.address();
    startup_test::Argv a({"orvalin", "TCPIP", address});
    EXPECT_EQ(startup_test::RunProgram(a, during), 0);
    unsetenv("ZOLT_TCP_TIMEOUT_MS");

    EXPECT_EQ(offline, 0);
    EXPECT_EQ(connType, "TCP/IP, remote address " + address);
    EXPECT_EQ(title, "Orvalin # ZS10001");
    EXPECT_NE(afterDeath, 0);
    EXPECT_TRUE(errorShown) << ::testing::PrintToString(popup_script::Record().size());
}
