// Fixture of the parameter-window tests: the window loaded offscreen with its
// twelve pages, one simulated instrument of a chosen type opened directly,
// the session log in a folder of its own, scripted popups.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "link/hooks.h"
#include "link/log.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_block_page.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "zolt_core.h"
#include "zolt_sim.h"

namespace partest {

namespace fs = std::filesystem;

class ParWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "par_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        unsetenv("ZOLT_SIM_CONFIG");
        zsim_Reset();
        link_ResetSharedState();
        popup_script::Clear();
        g_workspaceHooks = WorkspaceHooks{};
        g_parameterHooks = ParameterHooks{};
        g_workspaceHooks.measure_IsRunning = [] { return running; };
        g_workspaceHooks.main_StopContinuous = [] { ++stops; };
        g_parameterHooks.PU_GetParBlockFromDevice = PU_GetParBlockFromDevice;
        running = 0;
        stops = 0;
        pauses.clear();
        readouts_SetPause([](double s) { pauses.push_back(s); });
        readouts_RegisterCallbacks();
        parameters_RegisterCallbacks();
        hParUtil = LoadPanel(0, "orvalin.ui", PARUTILITY);
        ASSERT_GT(hParUtil, 0) << GetUiErrorText();
        int* const pages[] = {&hTabRoot, &hTabAdc,   &hTabSens,   &hTabComm,
                              &hTabMeas, &hTabScan,  &hTabPeriph, &hTabSpecFun,
                              &hTabCor,  &hTabOther, &hTabLog,    &hTabBlock};
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR, i, pages[i]), 0);
        Parameter.clear();
        bParAnswered.clear();
        NumberOfParControls = 0;
        std::snprintf(sPassword, sizeof sPassword, "6043");
        passForSavePar_already_entered = 0;
        std::snprintf(cLastParPath, sizeof cLastParPath, "%s", dir_.c_str());
        bParBlock.fill(0);
        ParBlockList.clear();
        fileio_Log_Start();
    }

    void TearDown() override {
        PU_HidePanel();
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
        fileio_Log_End();
        DiscardPanel(hParUtil);
        hParUtil = 0;
        readouts_SetPause(nullptr);
        link_ResetSharedState();
        zsim_Reset();
        popup_script::Clear();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The one instrument of the registry, of the given type, opened.
    void Open(int type, int optTrigger = 0) {
        ZSimDevice d;
        zsim_DefaultDevice(&d);
        d.deviceType = static_cast<uint8_t>(type);
        d.connectionType = ZOLT_CONN_USB;
        std::snprintf(d.serial, sizeof d.serial, "ZS2000%d", type);
        d.corrCoeff[0] = 1.5f;
        d.corrCoeff[1] = -2.25e-3f;
        d.corrCoeff[2] = 7e-7f;
        d.corrCoeff[3] = -1.25e-9f;
        device = d;
        zsim_ClearDevices();
        ASSERT_GE(zsim_AddDevice(&d), 0);
        ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
        stParam.deviceType = static_cast<uint8_t>(type);
        stParam.connectionType = ZOLT_CONN_USB;
        stParam.optTrigger = optTrigger;
        iOffline = 0;
        zsim_ClearJournal();
    }

    // Reads everything and takes it as the reference, as a connection does.
    void ReadAll() {
        ASSERT_EQ(PU_GetAllParam(), 0);
        PU_CurrentValues_to_InitValues();
        zsim_ClearJournal();
        popup_script::Clear();
    }

    static int Row(const char* control) {
        for (int i = 0; i < NumberOfParControls; ++i)
            if (Parameter[static_cast<std::size_t>(i)].control == control)
                return i;
        return -1;
    }
    static int Attr(int panel, int control, int attr) {
        int v = -1;
        GetCtrlAttribute(panel, control, attr, &v);
        return v;
    }
    static int TabAttr(int page, int attr) {
        int v = -1;
        GetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, page, attr, &v);
        return v;
    }
    static double Number(int row) {
        double v = -1;
        GetCtrlVal(PU_RowPanel(row), PU_RowControl(row), &v);
        return v;
    }
    static std::string Text(int panel, int control) {
        std::string s;
        GetCtrlVal(panel, control, &s);
        return s;
    }
    // Text commands sent since the journal was cleared.
    static std::string Sent() {
        std::string all;
        for (size_t i = 0; i < zsim_JournalCount(); ++i)
            if (std::string e = zsim_JournalEntry(i); e.rfind("ZOLT_ArbitraryCommand", 0) == 0)
                all += e + "\n";
        return all;
    }
    static std::string Log() {
        std::ifstream in(fileio_Log_Path(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Every popup shown, as "title|text".
    static std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (const auto& s : popup_script::Record())
            out.push_back(s.title + "|" + s.text);
        return out;
    }
    // Bytes of a file ("" when it cannot be read).
    static std::string FileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    static inline int running = 0;
    static inline int stops = 0;
    static inline std::vector<double> pauses;
    ZSimDevice device{};
    std::string dir_;
};

} // namespace partest
