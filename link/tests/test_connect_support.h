// Fixture of the connection and device-event tests: the main window's
// panels loaded offscreen, a fresh simulated instrument registry, the session
// log in a folder of its own, scripted popups.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/connect.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "link_test_support.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "zolt_core.h"
#include "zolt_sim.h"

namespace connecttest {

inline ZSimDevice Device(uint8_t connection, const char* serial) {
    ZSimDevice d;
    zsim_DefaultDevice(&d);
    d.connectionType = connection;
    std::snprintf(d.serial, sizeof d.serial, "%s", serial);
    return d;
}

class ConnectFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("ZOLT_SIM_CONFIG");
        zsim_Reset();
        link_ResetSharedState();
        popup_script::Clear();
        g_workspaceHooks = WorkspaceHooks{};
        g_parameterHooks = ParameterHooks{};
        dConnectPause = 0.0;
        usStopFlag = 0;
        std::memset(sArg1, 0, sizeof sArg1);
        std::memset(sArg2, 0, sizeof sArg2);
        iFileOpen = 0;
        fTint = 0.0f;
        iStartWaveLen = 380;
        iEndWaveLen = 780;

        hMainPanel = LoadPanel(0, "orvalin.ui", MAINP);
        ASSERT_GT(hMainPanel, 0) << GetUiErrorText();
        hAboutPanel = LoadPanel(0, "orvalin.ui", ABOUT);
        hDevselectPanel = LoadPanel(0, "orvalin.ui", DEVSELECT);
        hCOGIntervalPanel = LoadPanel(0, "orvalin.ui", COG_VAL);
        hParUtil = LoadPanel(0, "orvalin.ui", PARUTILITY);
        ASSERT_GT(hAboutPanel, 0);
        ASSERT_GT(hDevselectPanel, 0);
        ASSERT_EQ(GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR, 0, &hTabRoot), 0);
        hMenuBar = LoadMenuBar(hMainPanel, "orvalin.ui", MENUBAR);
        ASSERT_GT(hMenuBar, 0);
        SetPanelMenuBar(hMainPanel, hMenuBar);
        hMainBar = hMenuBar;
        iMenuFileOpen = MENUBAR_FILE_OPEN;
        iCtrlCheckboxAdapt = MAINP_CHECKBOXADAPT;
        GetCtrlAttribute(hMainPanel, MAINP_DARK, ATTR_CMD_BUTTON_COLOR, &colorMeasButt);

        fileio_Log_Start();
        ASSERT_TRUE(fileio_Log_IsOpen());
    }

    void TearDown() override {
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        for (int* p : {&hParUtil, &hCOGIntervalPanel, &hDevselectPanel, &hAboutPanel}) {
            if (*p > 0)
                DiscardPanel(*p);
            *p = 0;
        }
        if (hMenuBar > 0)
            DiscardMenuBar(hMenuBar);
        if (hMainPanel > 0)
            DiscardPanel(hMainPanel);
        hMainPanel = hMenuBar = hMainBar = hTabRoot = 0;
        link_ResetSharedState();
        zsim_Reset();
        popup_script::Clear();
    }

    void Args(const char* a1, const char* a2) {
        std::snprintf(sArg1, sizeof sArg1, "%s", a1);
        std::snprintf(sArg2, sizeof sArg2, "%s", a2);
    }

    void Registry(const std::vector<ZSimDevice>& devices) {
        zsim_ClearDevices();
        for (const ZSimDevice& d : devices)
            ASSERT_GE(zsim_AddDevice(&d), 0);
    }

    // Every entry is flushed, so the open log can be read as it stands.
    static std::string Log() { return linktest::ReadWhole(fileio_Log_Path()); }

    static std::string Text(int panel, int control) {
        std::string s;
        GetCtrlVal(panel, control, &s);
        return s;
    }

    static std::string Title() {
        std::string s;
        GetPanelAttribute(hMainPanel, ATTR_TITLE, &s);
        return s;
    }

    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    }

    // Every popup shown, as "title|text".
    static std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (const auto& s : popup_script::Record())
            out.push_back(s.title + "|" + s.text);
        return out;
    }

    linktest::TempDir dir_;
    linktest::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().c_str()};
};

} // namespace connecttest
