// Fixture of the evaluation tests: the measurement fixture (main panel,
// simulated instrument, fake clock) plus the WL Values, interval and help
// panels, with spectra measured through the measurement sequence and shown
// on the 0.01 nm spline grid.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "link/connect.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "test_measure_support.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"
#include "workspace/state.h"
#include "zolt_sim.h"

namespace eval_test {

inline std::string UiPath() {
#ifdef ORVALIN_UI_SOURCE_DIR
    return std::string(ORVALIN_UI_SOURCE_DIR) + "/orvalin.ui";
#else
    return "orvalin.ui";
#endif
}

class EvalTest : public measure_test::MeasureTest {
  protected:
    static void SetUpTestSuite() {
        MeasureTest::SetUpTestSuite();
        static int wl = 0, cog = 0, asf = 0;
        if (wl <= 0) {
            const std::string ui = UiPath();
            wl = LoadPanel(0, ui.c_str(), WLVALUE);
            cog = LoadPanel(0, ui.c_str(), COG_VAL);
            asf = LoadPanel(0, ui.c_str(), ASFHELP);
        }
        ASSERT_GT(wl, 0) << GetUiErrorText();
        ASSERT_GT(cog, 0) << GetUiErrorText();
        ASSERT_GT(asf, 0) << GetUiErrorText();
        s_wl = wl;
        s_cog = cog;
        s_asf = asf;
    }

    void SetUp() override {
        MeasureTest::SetUp();
        hWlValDispl = s_wl;
        hCOGIntervalPanel = s_cog;
        hAsFHelp = s_asf;
        display_RegisterCallbacks();
        eval_RegisterCallbacks();
        eval_ResetState();
        iThrOther = 50;
        iThrSym = 10;
        iCkdFwhm = iCkdMaxWave = iCkdMinWave = iCkdCogVal = iCkdDomWave = 0;
        for (int box : {WLVALUE_CB_FWHM, WLVALUE_CB_MIN_WAVE, WLVALUE_CB_MAX_WAVE,
                        WLVALUE_CB_COG_VALLEY, WLVALUE_CB_DOM_WAVE})
            SetCtrlVal(hWlValDispl, box, 0);
        SetCtrlVal(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, 50.0);
        dCOGInterval = 10.0;
        iInterplMode = 7; // natural spline, 0.01 nm
        iCompare = 0;
        iXAchse = 1;
        iStartWaveLen = 380;
        iEndWaveLen = 700;
        SetCtrlVal(hMainPanel, MAINP_STARTWL, 380);
        SetCtrlVal(hMainPanel, MAINP_ENDWL, 700);
        SetCtrlVal(hMainPanel, MAINP_FWHM_plotline, 1);
        NoneMode(hMenuBar, MENUBAR_NONE_MODE, nullptr, hMainPanel);
        display_ClearMainGraph();
        popup_script::Clear();
    }

    // Dark, then a reference with `sample` in the beam, through the
    // measurement sequence; the reference is then shown.
    void MeasureReference(int sample) {
        ASSERT_EQ(zsim_SetSample(0, sample), 0);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        LampOn();
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        ASSERT_EQ(iSelect, SHOW_REFERENCE);
        ASSERT_GT(iNumOfMeas, 1000); // the spline grid, not the pixels
    }

    // Dark and reference without a sample, then the transmission of `sample`.
    void MeasureTransmission(int sample) {
        ASSERT_EQ(zsim_SetSample(0, ZSIM_SAMPLE_NONE), 0);
        ASSERT_EQ(Step(MEAS_DARK), 0);
        LampOn();
        ASSERT_EQ(Step(MEAS_REFERENCE), 0);
        ASSERT_EQ(zsim_SetSample(0, sample), 0);
        ASSERT_EQ(Step(MEAS_TRANSMISSION), 0);
        ASSERT_EQ(iSelect, SHOW_TRANSMISSION);
    }

    // The user puts cursor 1 at `nm` (it snaps to the curve).
    void CursorTo(double nm) { SetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, nm, 0.0); }

    void DoubleClickAt(double nm) {
        CursorTo(nm);
        CallCtrlCallback(hMainPanel, MAINP_SPECGRAPH, EVENT_LEFT_DOUBLE_CLICK, 0, 0);
    }

    void MoveCursorTo(double nm) {
        CursorTo(nm);
        CallCtrlCallback(hMainPanel, MAINP_SPECGRAPH, EVENT_COMMIT, 1, 0);
    }

    // Wavelength step between the device's pixels around `nm`.
    static double PixelStepAt(double nm) {
        for (int i = 1; i < stParam.pixelCount; ++i)
            if (dLambda[i] >= nm)
                return dLambda[i] - dLambda[i - 1];
        return 0.0;
    }

    static int Occupied() {
        int n = 0;
        for (const FwhmSlot& s : FWHM)
            n += s.x > 0.0;
        return n;
    }

    static int Annotations() {
        int n = -1;
        GetNumAnnotations(hMainPanel, MAINP_SPECGRAPH, &n);
        return n;
    }

    static int Plots() {
        int n = -1;
        GetNumGraphPlots(hMainPanel, MAINP_SPECGRAPH, &n);
        return n;
    }

    static double Num(int panel, int control) {
        double v = NAN;
        GetCtrlVal(panel, control, &v);
        return v;
    }

    static int Int(int panel, int control) {
        int v = -1;
        GetCtrlVal(panel, control, &v);
        return v;
    }

    static std::string Label(int panel, int control) {
        std::string s;
        GetCtrlAttribute(panel, control, ATTR_LABEL_TEXT, &s);
        return s;
    }

    static int Attr(int panel, int control, int attr) {
        int v = -1;
        GetCtrlAttribute(panel, control, attr, &v);
        return v;
    }

    static int MenuAttr(int item, int attr) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, attr, &v);
        return v;
    }

    static inline int s_wl = 0, s_cog = 0, s_asf = 0;
};

} // namespace eval_test
