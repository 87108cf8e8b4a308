#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "link/core_call.h"
#include "link/log.h"
#include "link_test_support.h"
#include "support_testing/odd_files.h"
#include "support_testing/scoped_cwd.h"
#include "ui/popup_script.h"

namespace {

using linktest::At;
using linktest::Expected;
using linktest::FakeClock;
using linktest::ReadWhole;
using linktest::ScopedEnv;
using linktest::TempDir;
using support_testing::ScopedCwd;

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fileio_Log_End();
        popup_script::Clear();
        fileio_Log_SetClock([this] { return clock_.Read(); });
    }
    void TearDown() override {
        fileio_Log_End();
        fileio_Log_SetClock({});
        popup_script::Clear();
    }

    std::string LogPath() const {
        return (dir_.path() / "cfg" / "ZOLT" / "Orvalin" / "orvalin_session.log").string();
    }
    std::string Log() const { return ReadWhole(LogPath()); }

    TempDir dir_;
    ScopedEnv xdg_{"XDG_CONFIG_HOME", (dir_.path() / "cfg").c_str()};
    FakeClock clock_;
};

TEST_F(LogTest, HeaderBannerAndEveryEntryForm) {
    for (int s = 3; s <= 11; ++s)
        clock_.times.push_back(At(2026, 12, 9, 8, 15, s));
    fileio_Log_Start();
    ASSERT_TRUE(fileio_Log_IsOpen());
    EXPECT_EQ(fileio_Log_Path(), LogPath());

    fileio_Log_Call("comm_SetTrigger, ZOLT_SetTrigger");
    fileio_Log_Call_ArgInt(2);
    fileio_Log_Result(255);
    fileio_Log_Call("comm_OpenDevice, ZOLT_OpenDevice");
    fileio_Log_Result(0);
    fileio_Log_Call("main_DevicesSearch, ZOLT_OpenFTDIDevice#1");
    fileio_Log_Call_ArgStr("FT4711");
    fileio_Log_Result(21);
    fileio_Log_Call("main_SetTint, ZOLT_SetTintConf");
    fileio_Log_Call_ArgFloat(12.5f);
    fileio_Log_Result(0);
    fileio_Log_Call("main_DevicesSearch, ZOLT_OpenBTDevice#2");
    fileio_Log_Call_ArgULL(0x00A1B2C3D4E5ull, "0x%012llX");
    fileio_Log_Result(0);
    // A format that does not take one unsigned 64-bit value is not used.
    fileio_Log_Call("test, bad format");
    fileio_Log_Call_ArgULL(42, "%s");
    fileio_Log_Result(-1);
    fileio_Log_SectionCall("comm_InitConnect, main_DevicesSearch()");
    fileio_Log_Call("main_DevicesSearch, ZOLT_Reset");
    fileio_Log_Call_ArgInt(-7);
    fileio_Log_Result(0);
    fileio_Log_SectionResult(-1);
    fileio_Log_SectionCall("comm_ShortQuit");
    fileio_Log_SectionResultVoid();

    EXPECT_EQ(Log(), Expected("log_first_run.txt"));
    // One clock reading per call line or section start, none for the parts.
    EXPECT_EQ(clock_.readings, 9);
}

TEST_F(LogTest, NestingStopsAtTheCapAndNeverGoesNegative) {
    clock_.last = At(2026, 12, 9, 9, 0, 0);
    fileio_Log_Start();
    for (int i = 1; i <= 22; ++i) {
        fileio_Log_SectionCall(("level " + std::to_string(i)).c_str());
        EXPECT_EQ(fileio_Log_Indent(), std::min(5 * i, 100)) << i;
    }
    fileio_Log_Call("at the cap");
    fileio_Log_Result(0);
    for (int i = 0; i < 23; ++i) {
        if (i % 2 == 0) {
            fileio_Log_SectionResult(i);
        } else {
            fileio_Log_SectionResultVoid();
        }
        EXPECT_GE(fileio_Log_Indent(), 0);
    }
    EXPECT_EQ(fileio_Log_Indent(), 0);
    fileio_Log_Call("back at zero");
    fileio_Log_Result(0);
    EXPECT_EQ(Log(), Expected("log_nesting.txt"));
}

TEST_F(LogTest, DayChangeGivesABannerAtTheNextLineOnly) {
    clock_.times = {At(2026, 5, 31, 23, 59, 59), At(2026, 6, 1, 0, 0, 1), At(2026, 6, 1, 0, 0, 2),
                    At(2026, 7, 1, 10, 0, 0)};
    fileio_Log_Start();
    fileio_Log_Call("before midnight");
    // The line is finished after midnight: its parts read no clock.
    clock_.last = At(2026, 6, 1, 0, 0, 0);
    fileio_Log_Call_ArgInt(7);
    fileio_Log_Result(0);
    fileio_Log_Call("after midnight");
    fileio_Log_Result(0);
    fileio_Log_SectionCall("same day");
    fileio_Log_SectionResultVoid();
    fileio_Log_Call("same day number, next month");
    fileio_Log_Result(0);
    EXPECT_EQ(Log(), Expected("log_day_change.txt"));
}

TEST_F(LogTest, RestartWhileOpenContinuesTheFileAndEndStopsWriting) {
    clock_.times = {At(2026, 12, 9, 10, 0, 0), At(2026, 12, 9, 10, 0, 1),
                    At(2026, 12, 9, 10, 0, 2)};
    fileio_Log_Start();
    fileio_Log_Call("first run");
    fileio_Log_Result(0);
    fileio_Log_SectionCall("open section");
    EXPECT_EQ(fileio_Log_Indent(), 5);

    fileio_Log_Start();
    EXPECT_EQ(fileio_Log_Indent(), 0);
    fileio_Log_Call("after restart");
    fileio_Log_Result(14);
    fileio_Log_End();
    EXPECT_FALSE(fileio_Log_IsOpen());
    const int readingsAtEnd = clock_.readings;

    fileio_Log_Call("after end");
    fileio_Log_Call_ArgInt(1);
    fileio_Log_Call_ArgStr("x");
    fileio_Log_Call_ArgFloat(1.0f);
    fileio_Log_Call_ArgULL(1, "%llu");
    fileio_Log_Result(3);
    fileio_Log_SectionCall("after end");
    fileio_Log_SectionResult(1);
    fileio_Log_SectionResultVoid();
    fileio_Log_End();

    EXPECT_EQ(Log(), Expected("log_restart.txt"));
    EXPECT_EQ(clock_.readings, readingsAtEnd);
}

TEST_F(LogTest, OneLoggedCoreCallWritesTheWholeLine) {
    struct Case {
        LogArg arg;
        int status;
        bool keep;
        const char* line;
    };
    const Case cases[] = {
        {LogArg(), 0, false, "08:00:00 --- t, returned code: 0 \n"},
        {LogArg(2), 255, true, "08:00:00 --- t Arg = 2, returned code: 255 **ERROR\n"},
        {LogArg("FT4711"), 21, false, "08:00:00 --- t Arg=\"FT4711\", returned code: 21 **ERROR\n"},
        {LogArg::Float(12.5f), 0, true, "08:00:00 --- t Arg = 12.5000000, returned code: 0 \n"},
        {LogArg::ULL(0xA1B2ull, "0x%06llX"), -1, false,
         "08:00:00 --- t Arg = 0x00A1B2, returned code: -1 **ERROR\n"},
    };
    fileio_Log_Start();
    fileio_Log_SectionCall("banner first");
    fileio_Log_SectionResultVoid();
    for (const Case& c : cases) {
        const std::size_t before = Log().size();
        dwError = 77;
        std::string seenDuringCall;
        auto call = [&] {
            seenDuringCall = Log().substr(before);
            return c.status;
        };
        const int status =
            c.keep ? link_CoreCallKeep("t", c.arg, call) : link_CoreCall("t", c.arg, call);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(dwError, c.keep ? c.status : 77) << c.line;
        EXPECT_EQ(Log().substr(before), c.line);
        // The call line is out before the call runs, its status after.
        EXPECT_EQ(seenDuringCall, std::string(c.line).substr(0, std::string(c.line).find(',')));
    }
    dwError = 0;
}

TEST_F(LogTest, LongTextsAreWrittenWhole) {
    const std::string what(5000, 'w');
    const std::string arg(3000, 'a');
    fileio_Log_Start();
    fileio_Log_Call(what.c_str());
    fileio_Log_Call_ArgStr(arg.c_str());
    fileio_Log_Result(0);
    const std::string log = Log();
    EXPECT_NE(log.find("08:00:00 --- " + what + " Arg=\"" + arg + "\", returned code: 0 \n"),
              std::string::npos);
}

TEST_F(LogTest, FallsBackToTheWorkingDirectory) {
    TempDir work;
    ScopedCwd cwd(work.path());
    // A plain file where the configuration folder should be.
    const auto blocker = dir_.path() / "blocker";
    { std::ofstream(blocker) << "x"; }
    ScopedEnv xdg("XDG_CONFIG_HOME", blocker.c_str());

    fileio_Log_Start();
    ASSERT_TRUE(fileio_Log_IsOpen());
    EXPECT_EQ(fileio_Log_Path(), "orvalin_session.log");
    fileio_Log_End();
    EXPECT_EQ(ReadWhole(work.path() / "orvalin_session.log").rfind("ZOLT Orvalin log file.", 0),
              0u);

    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Directory Error");
    EXPECT_EQ(popup_script::Record()[0].text,
              "Error creating Directory: " + blocker.string() + "/");
}

// Whatever the user's set-up put where the log goes, start-up neither blocks
// nor writes into it: the log falls back to the working folder.
TEST_F(LogTest, ALogPathThatIsNoRegularFileFallsBack) {
    const struct {
        const char* what;
        std::function<bool(const std::filesystem::path&)> make;
    } cases[] = {
        {"named pipe", [](const auto& p) { return support_testing::MakeFifo(p.string()); }},
        {"link to /dev/full",
         [](const auto& p) {
             std::filesystem::create_symlink("/dev/full", p);
             return true;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir work;
        ScopedCwd cwd(work.path());
        std::filesystem::create_directories(std::filesystem::path(LogPath()).parent_path());
        std::filesystem::remove(LogPath());
        ASSERT_TRUE(c.make(LogPath()));
        {
            support_testing::HangGuard guard(10);
            fileio_Log_Start();
        }
        ASSERT_TRUE(fileio_Log_IsOpen());
        EXPECT_EQ(fileio_Log_Path(), "orvalin_session.log");
        fileio_Log_End();
        EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(LogPath())));
    }
}

TEST_F(LogTest, HomeConfigFolderWithoutXdg) {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", dir_.path().c_str());
    fileio_Log_Start();
    const auto expected = dir_.path() / ".config" / "ZOLT" / "Orvalin" / "orvalin_session.log";
    EXPECT_EQ(fileio_Log_Path(), expected.string());
    EXPECT_TRUE(std::filesystem::is_regular_file(expected));
}

TEST_F(LogTest, UnopenableLogMakesEveryCallANoOp) {
    TempDir work;
    ScopedCwd cwd(work.path());
    const auto blocker = dir_.path() / "blocker";
    { std::ofstream(blocker) << "x"; }
    ScopedEnv xdg("XDG_CONFIG_HOME", blocker.c_str());
    // A folder of the log's name keeps the fallback from opening too.
    std::filesystem::create_directory(work.path() / "orvalin_session.log");

    fileio_Log_Start();
    EXPECT_FALSE(fileio_Log_IsOpen());
    fileio_Log_Call("x");
    fileio_Log_Call_ArgInt(1);
    fileio_Log_Call_ArgStr("s");
    fileio_Log_Call_ArgFloat(2.0f);
    fileio_Log_Call_ArgULL(3, "%llu");
    fileio_Log_Result(4);
    fileio_Log_SectionCall("s");
    fileio_Log_SectionResult(0);
    fileio_Log_SectionResultVoid();
    fileio_Log_End();
    EXPECT_EQ(clock_.readings, 0);
    EXPECT_EQ(fileio_Log_Indent(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(work.path() / "orvalin_session.log"));
}

} // namespace
