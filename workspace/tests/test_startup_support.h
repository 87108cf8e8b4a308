// Fixture of the start-up and quit tests: toolkit offscreen, popups
// scripted, session log in a folder of its own, fresh simulated instrument.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "link/connect.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zolt_core.h"
#include "zolt_sim.h"

namespace startup_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            out.push_back(line);
    return out;
}

// A command line: the strings and the argv array that points into them.
struct Argv {
    std::vector<std::string> args;
    std::vector<char*> ptrs;
    explicit Argv(std::vector<std::string> a) : args(std::move(a)) {
        for (auto& s : args)
            ptrs.push_back(s.data());
        ptrs.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(args.size()); }
    char** argv() { return ptrs.data(); }
};

// Runs the program as main does; `during` (if any) runs once events are
// handled and must end it.  A run still going after `seconds` fails the test
// and is quit (every open box with it), so a lost quit cannot hang the tests.
inline int RunProgram(Argv& a, const std::function<void()>& during, int seconds = 60) {
    QObject scope;
    if (during)
        QTimer::singleShot(0, &scope, during);
    QTimer::singleShot(seconds * 1000, &scope, [seconds] {
        ADD_FAILURE() << "the program still ran after " << seconds << " s";
        QuitUserInterface(0);
    });
    return orvalin_Main(a.argc(), a.argv());
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "workspace_tests";
        static char* argv[] = {name, nullptr};
        ASSERT_EQ(InitUserInterface(argc, argv), 0);
        popup_script::Enable(true);
        popup_script::Clear();
        // A quit asked for outside the event loop (by an earlier test) would
        // end the next loop at once: consume it.
        QuitUserInterface(0);
        RunUserInterface();

        char pattern[] = "/tmp/startup_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        oldConfig_ = old != nullptr ? old : "";
        hadConfig_ = old != nullptr;
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        unsetenv("ZOLT_SIM_CONFIG");

        zsim_Reset();
        link_ResetSharedState();
        // Other suites keep their panels loaded between tests; start-up
        // tests begin with none of them attached.
        hMainPanel = 0;
        hMenuBar = hMainBar = 0;
        // A freshly loaded main panel is in single mode; display tests leave
        // continuous mode set without a panel that shows it.
        iSiCont = 0;
        // Each test starts the program without arguments unless it stores
        // its own; an earlier test's OFFLINE would keep this one offline.
        sArg1[0] = sArg2[0] = '\0';
        dStartupPause = 0.0;
        dConnectPause = 0.0;
        InitVariables(0);
        orvalin_Wire();
    }

    void TearDown() override {
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        orvalin_DiscardPanels();
        link_ResetSharedState();
        zsim_Reset();
        popup_script::Clear();
        usStopFlag = 0;
        if (hadConfig_) {
            setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Panels, defaults, settings and the connection, as the program starts.
    void StartUp() {
        ASSERT_EQ(orvalin_LoadPanels(), 0) << GetUiErrorText();
        GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, &colorMeasButt);
        Init();
        comm_InitConnect();
    }

    std::string Log() const { return ReadFile(fileio_Log_Path()); }

    static int TimerEnabled() {
        int on = -1;
        GetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, &on);
        return on;
    }

    std::string dir_;
    std::string oldConfig_;
    bool hadConfig_ = false;
};

} // namespace startup_test
