// Fixture of the layout, picture and protocol tests: the main panel, the
// about panel, the parameter window and both protocol panels loaded once
// offscreen, popups scripted, a scratch folder per test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "export/export_state.h"
#include "link/shared_state.h"
#include "orvalin_Protocol_ui.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/orvalin.h"

namespace output_test {

namespace fs = std::filesystem;

// Standard output of a shell command, "" when it fails.
inline std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    return pclose(p) == 0 ? out : std::string();
}

inline bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

class OutputTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "workspace_tests";
        static char* argv[] = {name, nullptr};
        ASSERT_EQ(InitUserInterface(argc, argv), 0);
        popup_script::Enable(true);
        static bool loaded = false;
        if (loaded)
            return;
        const std::string dir = ORVALIN_UI_SOURCE_DIR;
        const std::string ui = dir + "/orvalin.ui", prot = dir + "/orvalin_Protocol.ui";
        s_main = LoadPanel(0, ui.c_str(), MAINP);
        s_about = LoadPanel(0, ui.c_str(), ABOUT);
        s_par = LoadPanel(0, ui.c_str(), PARUTILITY);
        s_page = LoadPanel(0, prot.c_str(), PROTOCOL1);
        s_head = LoadPanel(0, prot.c_str(), PRINT);
        ASSERT_GT(s_main, 0) << GetUiErrorText();
        ASSERT_GT(s_about, 0) << GetUiErrorText();
        ASSERT_GT(s_par, 0) << GetUiErrorText();
        ASSERT_GT(s_page, 0) << GetUiErrorText();
        ASSERT_GT(s_head, 0) << GetUiErrorText();
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(GetPanelHandleFromTabPage(s_par, PARUTILITY_TABPAR, i, &s_pages[i]), 0);
        s_comment = LoadPanel(s_main, ui.c_str(), COMMENT);
        ASSERT_GT(s_comment, 0) << GetUiErrorText();
        loaded = true;
    }

    void SetUp() override {
        hMainPanel = s_main;
        hAboutPanel = s_about;
        hParUtil = s_par;
        int* const pages[12] = {&hTabRoot, &hTabAdc,   &hTabSens,   &hTabComm,
                                &hTabMeas, &hTabScan,  &hTabPeriph, &hTabSpecFun,
                                &hTabCor,  &hTabOther, &hTabLog,    &hTabBlock};
        for (int i = 0; i < 12; ++i)
            *pages[i] = s_pages[i];
        hCommentPanel = s_comment;
        hPrtPanel = s_page;
        hPrtHead = s_head;
        orvalin_Wire();
        popup_script::Clear();
        char pattern[] = "/tmp/output_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        popup_script::Clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static inline int s_main = 0, s_about = 0, s_par = 0, s_comment = 0, s_page = 0, s_head = 0;
    static inline std::array<int, 12> s_pages{};
    fs::path dir_;
};

} // namespace output_test
