// Fixture of the display tests: the main panel, its menu bar and the
// dialogs the drawing uses loaded offscreen, and a device of the given pixel
// count and wavelength span "connected" by filling the shared arrays.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/state.h"

namespace display_test {

inline std::string UiFile() {
    const char* src = std::getenv("ORVALIN_SOURCE_DIR");
    return std::string(src ? src : ".") + "/workspace/orvalin.ui";
}

struct Panels {
    int main = 0, bar = 0, scale = 0, axis = 0, wl = 0;
};

inline Panels& LoadedPanels() {
    static Panels p;
    if (p.main > 0)
        return p;
    static int argc = 1;
    static char name[] = "workspace_tests";
    static char* argv[] = {name, nullptr};
    EXPECT_EQ(InitUserInterface(argc, argv), 0);
    popup_script::Enable(true);
    const std::string ui = UiFile();
    p.main = LoadPanel(0, ui.c_str(), MAINP);
    EXPECT_GT(p.main, 0) << GetUiErrorText();
    p.bar = LoadMenuBar(p.main, ui.c_str(), MENUBAR);
    p.scale = LoadPanel(p.main, ui.c_str(), AUTO_SCALE);
    p.axis = LoadPanel(0, ui.c_str(), AXISSCAL);
    p.wl = LoadPanel(0, ui.c_str(), WLVALUE);
    EXPECT_GT(p.bar, 0);
    EXPECT_GT(p.scale, 0);
    EXPECT_GT(p.axis, 0);
    EXPECT_GT(p.wl, 0);
    return p;
}

class DisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const Panels& p = LoadedPanels();
        hMainPanel = p.main;
        hMenuBar = hMainBar = p.bar;
        hScalePanel = p.scale;
        hAxisScaling = p.axis;
        hWlValDispl = p.wl;
        display_RegisterCallbacks();
        g_displayHooks = DisplayHooks{};
        popup_script::Clear();

        usStopFlag = 0;
        iSelect = SHOW_TRANSMISSION;
        FuncNr = 1;
        iMess = 0;
        iSiCont = 1; // leaves the measure buttons alone
        iCompare = 0;
        iClrDisplay = 1;
        iInterplMode = 1;
        iXAchse = 1;
        iPxlWlMode = 1;
        iFileOpen = 0;
        iCkdFwhm = iCkdMaxWave = iCkdMinWave = iCkdCogVal = iCkdDomWave = 0;
        iFwhmMode = sym_mode = iValMode = 0;
        iRangeViolation = 0;
        dCOGInterval = 10.0;
        iNumOfMeas = iNumberSave = iAnzahlFWHM = 0;
        for (double& b : dUserBounds)
            b = 0.0;
        eval_ResetFwhmTable();
        stSavedMeas = SavedMeasurement{};
        iNumOfFFT = 0;
        dFFTValues.clear();
        dXcursor = dYcursor = 0.0;

        SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 1);
        SetCtrlVal(hMainPanel, MAINP_RANGEVIOLATION1, 0);
        SetCtrlVal(hAxisScaling, AXISSCAL_RANGEVIOLATION2, 0);
        SetCtrlVal(hMainPanel, MAINP_c1x, 0.0);
        SetCtrlVal(hMainPanel, MAINP_c1y, 0.0);
        for (int box : {WLVALUE_CB_FWHM, WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE,
                        WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE})
            SetCtrlVal(hWlValDispl, box, 0);
        Device(2048, 380.4, 780.2);
        display_ClearMainGraph();
    }

    void TearDown() override {
        link_ResetSharedState();
        EXPECT_EQ(TimerCallbacksSuspended(), 0);
        // Other suites expect no main window until they load one.
        hMainPanel = hMenuBar = hMainBar = 0;
        hScalePanel = hAxisScaling = hWlValDispl = 0;
    }

    // Pixel count and the first and last pixel wavelength of the device;
    // the displayed range becomes the device's whole range.
    void Device(int pixels, double first, double last) {
        link_ResetSharedState();
        stParam.pixelCount = pixels;
        ASSERT_EQ(link_AllocPixelArrays(), 0);
        for (int i = 0; i < pixels; ++i)
            dLambda[i] = pixels > 1 ? first + (last - first) * i / (pixels - 1) : first;
        iMinWaveLen = static_cast<int>(first);
        iMaxWaveLen = static_cast<int>(last) + 1;
        ASSERT_EQ(link_AllocDisplayBuffers(), 0);
        iOffline = 0;
        Range(iMinWaveLen, iMaxWaveLen);
    }

    void Range(int start, int end) {
        iStartWaveLen = start;
        iEndWaveLen = end;
        SetCtrlVal(hMainPanel, MAINP_STARTWL, start);
        SetCtrlVal(hMainPanel, MAINP_ENDWL, end);
    }

    // Fills a measured spectrum with f(wavelength).
    void Fill(double* spectrum, const std::function<double(double)>& f) {
        for (int i = 0; i < stParam.pixelCount; ++i)
            spectrum[i] = f(dLambda[i]);
    }

    static void YAxis(double* lo, double* hi) {
        int mode = -1;
        ASSERT_EQ(GetAxisScalingMode(hMainPanel, MAINP_SPECGRAPH, VAL_LEFT_YAXIS, &mode, lo, hi),
                  0);
        EXPECT_EQ(mode, VAL_MANUAL);
    }

    static int Plots() {
        int n = -1;
        GetNumGraphPlots(hMainPanel, MAINP_SPECGRAPH, &n);
        return n;
    }

    static int Checked(int item) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, ATTR_CHECKED, &v);
        return v;
    }

    static int ModalPanelsShown() {
        int n = 0;
        for (const auto& s : popup_script::Record())
            if (s.kind == popup_script::Kind::ModalPanel)
                ++n;
        return n;
    }
};

} // namespace display_test
