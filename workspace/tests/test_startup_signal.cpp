// A quit signal ends the real program whatever box is open: the program is
// started as a user starts it, its start-up box comes up, then SIGTERM.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "test_startup_support.h"

extern char** environ;

using startup_test::StartupTest;
namespace fs = std::filesystem;

namespace {

// bin/orvalin started in `folder`; -1 when it could not be.
pid_t StartProgram(const std::string& folder, std::vector<std::string> args) {
    const char* bin = std::getenv("ORVALIN_BINARY_DIR");
    args.insert(args.begin(), fs::absolute(std::string(bin ? bin : ".") + "/bin/orvalin"));
    startup_test::Argv argv(std::move(args));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, argv.argv()[0], &actions, nullptr, argv.argv(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Whether `done` holds within `seconds`, asked every 50 ms.
template <class Done> bool WaitFor(int seconds, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace

TEST_F(StartupTest, QuitSignalEndsTheProgramWhileAStartUpBoxIsOpen) {
    struct Case {
        std::vector<std::string> args;
        const char* logBeforeBox;
    } cases[] = {
        // "Could not read sensor list!": none in the working folder.
        {{}, "ZOLT_SetCallbackFunction"},
        // "COM-port number as the 2nd command line argument missing. ..."
        {{"COM"}, "comm_InitConnect, main_DevicesSearch()"},
    };
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path home = fs::path(dir_) / "ZOLT" / "Orvalin";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logBeforeBox);
        fs::remove_all(home);
        const pid_t pid = StartProgram(dir_, c.args);
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(WaitFor(60, [&] {
            return startup_test::ReadFile(home / "orvalin_session.log").find(c.logBeforeBox) !=
                   std::string::npos;
        }));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::kill(pid, SIGTERM);
        int status = -1;
        const bool ended = WaitFor(10, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
        if (!ended) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ended);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(fs::exists(home / "config.ini"));
    }
}
