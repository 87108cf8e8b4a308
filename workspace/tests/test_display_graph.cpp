// Drawing of the main graph: cropping, the Y range and the range question,
// cursor follow, plot handles, the centroid and marker lines, and the
// axis-scaling panel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QTest>
#include <functional>
#include <qcustomplot.h>

#include "test_display_support.h"
#include "ui/ui_qt.h"
#include "workspace/eval.h"
#include "workspace/measure.h"

namespace {

using display_test::DisplayTest;

double Dip(double wl) {
    return 90.0 - 40.0 * std::exp(-std::pow((wl - 536.0) / 5.0, 2)) + 0.02 * std::fabs(wl - 536.0);
}

double CursorX(int cursor = 1) {
    double x = 0.0, y = 0.0;
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, cursor, &x, &y);
    return x;
}

double ReadOut(int control) {
    double v = -1.0;
    GetCtrlVal(hMainPanel, control, &v);
    return v;
}

TEST_F(DisplayTest, CropKeepsTheEndPointOfTheMeasuredCurveOnly) {
    Fill(dTrans, [](double wl) { return wl / 10.0; });
    stSavedMeas.pixelCount = stParam.pixelCount;
    for (int i = 0; i < stParam.pixelCount; ++i) {
        dLambda2[i] = dLambda[i];
        stSavedMeas.transmission[i] = dTrans[i];
    }
    iInterplMode = 3; // 381 ... 780 nm
    iCompare = 2;
    Range(400, 700);
    display_Display(1);
    ASSERT_EQ(iNumOfMeas, 301);
    EXPECT_NEAR(dXInterpolVal[0], 400.0, 1e-9);
    EXPECT_NEAR(dXInterpolVal[300], 700.0, 1e-9);
    ASSERT_EQ(iNumberSave, 300);
    EXPECT_NEAR(x2_Werte[299], 699.0, 1e-9);
    // The centroid searches see the cropped curve.
    EXPECT_EQ(iNumOfPnt, 301);
    // Redrawing the cropped arrays (as the scaling switch does) keeps them.
    display_DrawGraph();
    EXPECT_EQ(iNumOfMeas, 301);
    EXPECT_EQ(iNumberSave, 300);

    Range(400, 800);
    display_Display(1);
    EXPECT_EQ(iNumOfMeas, 381);
    EXPECT_EQ(iNumberSave, 381);
}

TEST_F(DisplayTest, AutomaticRangeFollowsTheCurveKind) {
    Fill(dTrans, [](double wl) { return wl < 600.0 ? 98.0 : 40.0; });
    display_Display(1);
    double lo = 0, hi = 0;
    YAxis(&lo, &hi);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_NEAR(hi, 108.9, 1e-9);

    iSelect = SHOW_ABSORBANCE;
    Fill(dAbsorb, [](double wl) { return wl < 600.0 ? -1.0 : 2.0; });
    display_Display(1);
    YAxis(&lo, &hi);
    EXPECT_NEAR(lo, -1.1, 1e-9);
    EXPECT_NEAR(hi, 3.3, 1e-9);

    // Accumulating curves: the axis keeps the largest maximum since the clear.
    iSelect = SHOW_DARK;
    iClrDisplay = 0;
    display_ClearMainGraph();
    Fill(dDark, [](double wl) { return wl < 500.0 ? 500.0 : 10.0; });
    display_Display(1);
    Fill(dDark, [](double wl) { return wl < 500.0 ? 100.0 : 10.0; });
    display_Display(1);
    YAxis(&lo, &hi);
    EXPECT_NEAR(hi, 551.1, 1e-9);
    EXPECT_EQ(Plots(), 2);
}

TEST_F(DisplayTest, YAxisStaysOrderedAndFinite) {
    iSelect = SHOW_DARK;
    Fill(dDark, [](double) { return -20.0; });
    display_Display(1);
    double lo = 0, hi = 0;
    YAxis(&lo, &hi);
    EXPECT_LT(lo, -20.0);
    EXPECT_GT(hi, -20.0);

    iSelect = SHOW_TRANSMISSION;
    Fill(dTrans, [](double) { return 50.0; });
    dTrans[10] = std::numeric_limits<double>::quiet_NaN();
    dTrans[11] = std::numeric_limits<double>::infinity();
    dTrans[12] = -std::numeric_limits<double>::infinity();
    display_Display(1);
    YAxis(&lo, &hi);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_NEAR(hi, 56.1, 1e-9);

    // Equal or crossed user bounds give the curve its automatic range, not
    // the range the curve shown before left on the axis.
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);
    SetCtrlVal(hMainPanel, MAINP_RANGEVIOLATION1, 1);
    dUserBounds[0] = 900.0;
    dUserBounds[1] = 1000.0;
    for (double upper : {5.0, 1.0}) {
        iSelect = SHOW_DARK;
        display_Display(1);
        YAxis(&lo, &hi);
        EXPECT_DOUBLE_EQ(lo, 900.0);
        dUserBounds[4] = 5.0;
        dUserBounds[5] = upper;
        iSelect = SHOW_TRANSMISSION;
        display_Display(1);
        YAxis(&lo, &hi);
        EXPECT_DOUBLE_EQ(lo, 0.0);
        EXPECT_NEAR(hi, 56.1, 1e-9);
    }
}

TEST_F(DisplayTest, DataOutsideTheUserBoundsAsksWhetherToScaleAutomatically) {
    Fill(dTrans, [](double wl) { return wl < 600.0 ? 102.0 : 50.0; });
    dUserBounds[4] = 0.0;
    dUserBounds[5] = 100.0;
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);

    popup_script::PushChoice(AUTO_SCALE_ManScaleButton);
    display_Display(1);
    ASSERT_EQ(ModalPanelsShown(), 1);
    EXPECT_EQ(popup_script::Record()[0].title, "WARNING !");
    double lo = 0, hi = 0;
    YAxis(&lo, &hi);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 100.0);
    EXPECT_EQ(iAutoScale, 0);

    // Drawn again as it was: the user has answered for this curve.
    display_Display(1);
    EXPECT_EQ(ModalPanelsShown(), 1);

    // A new curve beyond the bounds asks again.
    Fill(dTrans, [](double wl) { return wl < 600.0 ? 103.0 : 50.0; });
    popup_script::PushChoice(AUTO_SCALE_AutoScaleButton);
    display_Display(1);
    EXPECT_EQ(ModalPanelsShown(), 2);
    int sw = -1;
    GetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, &sw);
    EXPECT_EQ(sw, 1);
    YAxis(&lo, &hi);
    EXPECT_NEAR(hi, 103.0 + 10.3 + 1.1, 1e-9);

    // Ignoring violations: no question, the bounds hold.
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);
    RangeViolOn(hMainPanel, MAINP_RANGEVIOLATION1, EVENT_COMMIT, nullptr, 0, 0);
    display_Display(1);
    EXPECT_EQ(ModalPanelsShown(), 2);
    YAxis(&lo, &hi);
    EXPECT_DOUBLE_EQ(hi, 100.0);
}

// One user action draws the same curve several times (each key typed into a
// field, then its value change and commit; a choice's change and commit):
// with the data beyond the user bounds the range question comes once.
TEST_F(DisplayTest, OneUserActionAsksTheRangeQuestionOnce) {
    measure_RegisterCallbacks();
    iSiCont = 0;
    iMess = MEAS_DARK | MEAS_REFERENCE | MEAS_TRANSMISSION;
    Fill(dTrans, [](double) { return 102.0; });
    dUserBounds[0] = 10.0; // a cleared dark lies below its bounds
    dUserBounds[1] = 20.0;
    dUserBounds[5] = 100.0;
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_REFERENCE);
    auto* graphs = qobject_cast<QComboBox*>(UiCtrlWidget(hMainPanel, MAINP_SELECT_GRAPH));
    auto* tint = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, MAINP_INTTIME));
    ASSERT_TRUE(graphs && tint);
    const struct {
        const char* what;
        std::function<void()> act;
    } actions[] = {
        {"Transmission chosen in the Graph selector",
         [&] { QTest::keyClick(graphs, Qt::Key_Down); }},
        {"25 and Enter typed into Integration Time",
         [&] {
             tint->selectAll();
             QTest::keyClicks(tint, "25");
             QTest::keyClick(tint, Qt::Key_Return);
         }},
    };
    for (const auto& action : actions) {
        popup_script::Clear();
        for (int i = 0; i < 8; ++i)
            popup_script::PushChoice(AUTO_SCALE_ManScaleButton);
        action.act();
        EXPECT_EQ(ModalPanelsShown(), 1) << action.what;
    }
    EXPECT_EQ(iSelect, SHOW_DARK);
    popup_script::Clear();
}

TEST_F(DisplayTest, CursorFollowsTheCurveAcrossMeasurementsAndGrids) {
    iInterplMode = 3;
    Fill(dTrans, [](double wl) { return wl / 10.0; });
    display_Display(1);
    EXPECT_NEAR(CursorX(), 381.0, 1e-9); // read-outs at 0, 0: the first point

    SetCtrlVal(hMainPanel, MAINP_c1x, 501.0);
    SetCtrlVal(hMainPanel, MAINP_c1y, 50.1);
    Fill(dTrans, [](double wl) { return wl / 20.0; });
    display_Display(1);
    EXPECT_NEAR(CursorX(), 501.0, 1e-9);
    EXPECT_NEAR(ReadOut(MAINP_c1y), 501.0 / 20.0, 1e-6);

    // 501 nm is no point of the 5 nm grid 385 ... 775.
    Callback_Interpol(hMenuBar, MENUBAR_linear5, nullptr, hMainPanel);
    EXPECT_NEAR(CursorX(), 770.0, 1e-9);
    EXPECT_NEAR(ReadOut(MAINP_c1x), 770.0, 1e-9);
}

TEST_F(DisplayTest, StoredViewAndMissingCurveLeaveCursorAndTimersAlone) {
    stSavedMeas.pixelCount = 100;
    for (int i = 0; i < 100; ++i)
        dLambda2[i] = 400.0 + i;
    SetCtrlVal(hMainPanel, MAINP_c1x, 501.0);
    SetCtrlVal(hMainPanel, MAINP_c1y, 3.0);
    iCompare = 1;
    display_Display(1);
    EXPECT_EQ(iNumberSave, 100);
    EXPECT_EQ(Plots(), 1);
    EXPECT_EQ(ReadOut(MAINP_c1x), 501.0);
    EXPECT_EQ(TimerCallbacksSuspended(), 0);

    iSelect = SHOW_NONE;
    display_ClearMainGraph();
    display_DrawGraph();
    EXPECT_EQ(Plots(), 0);
    EXPECT_EQ(TimerCallbacksSuspended(), 0);

    // A curve of one point is drawn but not evaluated.
    iSelect = SHOW_REFERENCE;
    iCompare = 0;
    iCkdMaxWave = 1;
    iNumOfMeas = 1;
    dXInterpolVal[0] = 500.0;
    dYInterpolVal[0] = 1.0;
    display_DrawGraph();
    EXPECT_EQ(iNumOfMeas, 1);
    EXPECT_EQ(ReadOut(MAINP_c1x), 501.0);
}

TEST_F(DisplayTest, ClearingZeroesEveryHandleItMadeStale) {
    Fill(dTrans, [](double) { return 10.0; });
    display_Display(1);
    EXPECT_GT(iPlotHandle1, 0);
    iCogLineHandle = 77;
    FWHM[3].plotHandle = 78;
    display_ClearMainGraph();
    EXPECT_EQ(Plots(), 0);
    EXPECT_EQ(iPlotHandle1, 0);
    EXPECT_EQ(iCogLineHandle, 0);
    EXPECT_EQ(FWHM[3].plotHandle, 0);
    EXPECT_EQ(dAbsoluteMax, -1.0e6);
}

TEST_F(DisplayTest, ValleyCentroidUsesTheDisplayedRangeAndReplacesItsLine) {
    Fill(dTrans, Dip);
    iCkdCogVal = 1;
    Range(400, 700);
    SetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, 534.0, 60.0);
    display_Display(1);
    EXPECT_NEAR(ReadOut(MAINP_DOM_WAVE), 536.0, 0.05);
    EXPECT_EQ(iMinWaveLen, 380); // the device range stays
    EXPECT_EQ(iMaxWaveLen, 781);
    const int line = iCogLineHandle;
    ASSERT_GT(line, 0);
    const int plots = Plots();
    display_COGValley();
    display_COGValley();
    EXPECT_EQ(Plots(), plots);
    EXPECT_GT(iCogLineHandle, line);

    // No centroid on the pixel axis.
    Range(400, 700);
    iXAchse = 0;
    iStartPixel = 0;
    iEndPixel = 2047;
    SetCtrlVal(hMainPanel, MAINP_STARTWL, 0);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, 2047);
    display_Display(1);
    SetCtrlVal(hMainPanel, MAINP_DOM_WAVE, 123.0);
    display_COGValley();
    EXPECT_EQ(ReadOut(MAINP_DOM_WAVE), 123.0);
    EXPECT_EQ(iCogLineHandle, 0);
}

TEST_F(DisplayTest, MarkerLinesAreReplacedNotPiledUp) {
    iSelect = SHOW_REFERENCE;
    Fill(dReferenz, [](double wl) { return 1000.0 * std::exp(-std::pow((wl - 600.0) / 3.0, 2)); });
    iFwhmMode = 1;
    ixStartPeakLines = iMinWaveLen;
    ixEndPeakLines = iMaxWaveLen;
    SetCtrlVal(hMainPanel, MAINP_FWHM_plotline, 1);
    SetCtrlVal(hMainPanel, MAINP_FWHM_Threshold, 50);
    FWHM[0].x = 599.0;
    display_Display(1);
    EXPECT_NEAR(FWHM[0].x, 600.0, 0.25);
    // Full width at half maximum of exp(-(d/3)^2), to one sample either side.
    EXPECT_NEAR(FWHM[0].value, 6.0 * std::sqrt(std::log(2.0)), 0.5);
    EXPECT_GT(FWHM[0].plotHandle, 0);
    const int plots = Plots();
    display_PlotFWHMValues();
    display_PlotFWHMValues();
    EXPECT_EQ(Plots(), plots);
    int annotations = -1;
    GetNumAnnotations(hMainPanel, MAINP_SPECGRAPH, &annotations);
    EXPECT_EQ(annotations, 1);
    std::string caption;
    int id = 0;
    ASSERT_EQ(GetAnnotationIdFromCaption(hMainPanel, MAINP_SPECGRAPH, "Peak 1", &id), 0);
    GetAnnotationCaption(hMainPanel, MAINP_SPECGRAPH, id, &caption);
    char want[64];
    std::snprintf(want, sizeof want, "Peak 1 \n X: %.2f ", FWHM[0].x);
    EXPECT_EQ(caption, want);

    SetCtrlVal(hMainPanel, MAINP_FWHM_plotline, 0);
    display_PlotFWHMValues();
    EXPECT_EQ(FWHM[0].plotHandle, 0);
    EXPECT_EQ(Plots(), plots - 1);
}

TEST_F(DisplayTest, AxisTextsPrecisionAndColoursFollowTheShownCurve) {
    constexpr int kKept = 0x123456; // the series view leaves the stored colour
    struct Row {
        int select, funcNr, interpolation;
        const char* axis;
        const char* readOut;
        int precision, colour, colour2;
    };
    const Row rows[] = {
        {1, 1, 2, "ADC-Counts", "ADC-Counts", 0, 0x000000, 0x808080},
        {2, 1, 1, "ADC-Counts", "ADC-Counts", 0, 0xFF0000, 0x008080},
        {2, 1, 3, "ADC-Counts", "ADC-Counts", 0, 0xFF0000, 0x008080},
        {2, 1, 2, "ADC-Counts", "ADC-Counts", 2, 0xFF0000, 0x008080},
        {2, 1, 6, "ADC-Counts", "ADC-Counts", 2, 0xFF0000, 0x008080},
        {2, 1, 7, "ADC-Counts", "ADC-Counts", 2, 0xFF0000, 0x008080},
        {3, 1, 1, "Transmission/Reflexion [%]", "Transmission [%]", 2, 0x0000FF, 0x800000},
        {4, 1, 1, "Absorbance [Units]", "Absorbance", 3, 0x00FF00, 0x0000FF},
        {5, 1, 1, "1. derivation transmission", "Y-Value", 3, 0xFF00FF, 0x008000},
        {5, 2, 1, "2. derivation transmission", "Y-Value", 3, 0xFF00FF, 0x008000},
        {6, 1, 1, "Power", "Power", 3, 0x008080, kKept},
    };
    auto* graph = qobject_cast<QCustomPlot*>(UiCtrlWidget(hMainPanel, MAINP_SPECGRAPH));
    ASSERT_NE(graph, nullptr);
    auto label = [](int control) {
        std::string s;
        GetCtrlAttribute(hMainPanel, control, ATTR_LABEL_TEXT, &s);
        return s;
    };
    auto attr = [](int control, int a) {
        int v = -1;
        GetCtrlAttribute(hMainPanel, control, a, &v);
        return v;
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.select << " " << r.funcNr << " " << r.interpolation);
        iInterplMode = r.interpolation;
        iFarbe2 = kKept;
        set_ConfigGraphAxis(r.select, r.funcNr, 1);
        EXPECT_EQ(graph->yAxis->label().toStdString(), r.axis);
        EXPECT_EQ(label(MAINP_c1y), r.readOut);
        EXPECT_EQ(graph->yAxis->numberPrecision(), r.precision);
        EXPECT_EQ(attr(MAINP_c1y, ATTR_PRECISION), r.precision);
        EXPECT_EQ(iFarbe, r.colour);
        EXPECT_EQ(iFarbe2, r.colour2);
        EXPECT_EQ(attr(MAINP_MEASURED, ATTR_TEXT_COLOR), r.colour);
    }
    EXPECT_EQ(graph->xAxis->label().toStdString(), "Frequence");
    EXPECT_EQ(label(MAINP_c1x), "Frequence");
    for (int xAxis : {0, 1}) {
        set_ConfigGraphAxis(SHOW_TRANSMISSION, 1, xAxis);
        EXPECT_EQ(attr(MAINP_c1x, ATTR_PRECISION), xAxis ? 2 : 0);
    }
}

TEST_F(DisplayTest, WidthReadOutNamesItsUnitByAxis) {
    iSelect = SHOW_REFERENCE;
    Fill(dReferenz, [](double wl) { return 1000.0 * std::exp(-std::pow((wl - 600.0) / 3.0, 2)); });
    iCkdFwhm = 1;
    SetCtrlVal(hWlValDispl, WLVALUE_CB_FWHM, 1);
    for (int xAxis : {1, 0}) {
        iXAchse = xAxis;
        if (xAxis == 0) {
            iStartPixel = 0;
            iEndPixel = stParam.pixelCount - 1;
            Range(iStartPixel, iEndPixel);
        }
        SetCtrlAttribute(hMainPanel, MAINP_FWHM, ATTR_LABEL_TEXT, "");
        SetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, xAxis ? 600.0 : 1000.0, 0.0);
        display_Display(1);
        std::string unit;
        GetCtrlAttribute(hMainPanel, MAINP_FWHM, ATTR_LABEL_TEXT, &unit);
        EXPECT_EQ(unit, xAxis ? "FWHM /nm" : "FWHM /px");
        EXPECT_GT(ReadOut(MAINP_FWHM), 0.0);
    }
}

TEST_F(DisplayTest, CursorReturnsToTheShownCurveAfterADragOntoTheStoredOne) {
    iSelect = SHOW_REFERENCE;
    Fill(dReferenz, [](double wl) { return 1000.0 * std::exp(-std::pow((wl - 600.0) / 3.0, 2)); });
    stSavedMeas.pixelCount = stParam.pixelCount;
    for (int i = 0; i < stParam.pixelCount; ++i) {
        dLambda2[i] = dLambda[i];
        stSavedMeas.reference[i] = dReferenz[i] / 2.0;
    }
    iCompare = 2;
    display_Display(1);
    ASSERT_GT(iPlotHandle1, 0);
    ASSERT_GT(iPlotHandle2, 0);
    ASSERT_EQ(SetGraphCursorIndex(hMainPanel, MAINP_SPECGRAPH, 1, iPlotHandle2, iNumberSave / 2),
              0);
    iCkdMaxWave = 1;
    SpecPaintPanel(hMainPanel, MAINP_SPECGRAPH, EVENT_COMMIT, nullptr, 1, 0);
    int plot = 0, index = -1;
    ASSERT_EQ(GetGraphCursorIndex(hMainPanel, MAINP_SPECGRAPH, 1, &plot, &index), 0);
    EXPECT_EQ(plot, iPlotHandle1);
    double x = 0.0, y = 0.0;
    GetGraphCursor(hMainPanel, MAINP_SPECGRAPH, 1, &x, &y);
    EXPECT_NEAR(x, 600.0, 0.3);
    EXPECT_EQ(y, ReadOut(MAINP_c1y));
    EXPECT_NEAR(y, 1000.0, 5.0);
}

// ---------------------------------------------------------- axis scaling

TEST_F(DisplayTest, AxisPanelTakesTheTwelveBoundsOnOkAndOnItsCloseBox) {
    const int controls[12] = {AXISSCAL_DRK_MIN,  AXISSCAL_DRK_MAX, AXISSCAL_REF_MIN,
                              AXISSCAL_REF_MAX,  AXISSCAL_TRA_MIN, AXISSCAL_TRA_MAX,
                              AXISSCAL_ABS_MIN,  AXISSCAL_ABS_MAX, AXISSCAL_CALC_MIN,
                              AXISSCAL_CALC_MAX, AXISSCAL_FFT_MIN, AXISSCAL_FFT_MAX};
    Fill(dTrans, [](double) { return 50.0; });
    display_Display(1);
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);
    SetCtrlVal(hMainPanel, MAINP_RANGEVIOLATION1, 1);
    for (int closeBox = 0; closeBox <= 1; ++closeBox) {
        for (int i = 0; i < 12; ++i)
            SetCtrlVal(hAxisScaling, controls[i], 10.0 * (i + 1) + closeBox);
        popup_script::PushChoice(closeBox ? 0 : AXISSCAL_AxisScalingButton);
        Axis_Scaling(hMenuBar, MENUBAR_Axis, nullptr, hMainPanel);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(dUserBounds[i], 10.0 * (i + 1) + closeBox);
        double lo = 0, hi = 0;
        YAxis(&lo, &hi);
        EXPECT_EQ(lo, 50.0 + closeBox);
        EXPECT_EQ(hi, 60.0 + closeBox);
    }
    EXPECT_EQ(ModalPanelsShown(), 2);
}

TEST_F(DisplayTest, IgnoreRangeViolationBoxesAlwaysAgree) {
    auto state = [](int panel, int control) {
        int v = -1;
        GetCtrlVal(panel, control, &v);
        return v;
    };
    RangeViolOn(hAxisScaling, AXISSCAL_RANGEVIOLATION2, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(iRangeViolation, 1);
    EXPECT_EQ(state(hMainPanel, MAINP_RANGEVIOLATION1), 1);
    EXPECT_EQ(state(hAxisScaling, AXISSCAL_RANGEVIOLATION2), 1);
    RangeViolOn(hMainPanel, MAINP_RANGEVIOLATION1, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(iRangeViolation, 1);
    RangeViolOn(hMainPanel, MAINP_RANGEVIOLATION1, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(state(hMainPanel, MAINP_RANGEVIOLATION1), 0);
    EXPECT_EQ(state(hAxisScaling, AXISSCAL_RANGEVIOLATION2), 0);
}

TEST_F(DisplayTest, AutoScaleSwitchRedrawsWithTheUserBounds) {
    Fill(dTrans, [](double) { return 15.0; });
    display_Display(1);
    dUserBounds[4] = 10.0;
    dUserBounds[5] = 20.0;
    SetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, 0);
    AutoScale(hMainPanel, MAINP_AUTO_SCALE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(iAutoScale, 0);
    EXPECT_EQ(ModalPanelsShown(), 0);
    double lo = 0, hi = 0;
    YAxis(&lo, &hi);
    EXPECT_EQ(lo, 10.0);
    EXPECT_EQ(hi, 20.0);
}

} // namespace
