// Resampling grids, the display pipeline and its menu and selector callbacks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_display_support.h"

namespace {

using display_test::DisplayTest;

// Wavelengths 380.4 ... 780.2 nm over n samples, and a smooth curve on them.
struct Samples {
    explicit Samples(int n, double first = 380.4, double last = 780.2) : lambda(n), y(n) {
        for (int i = 0; i < n; ++i) {
            lambda[i] = first + (last - first) * i / (n - 1);
            y[i] = Curve(lambda[i]);
        }
    }
    static double Curve(double wl) { return 1000.0 + 0.01 * (wl - 500.0) * (wl - 500.0); }
    std::vector<double> lambda, y;
};

struct Grid {
    Grid(const Samples& s, int mode) {
        const int last = static_cast<int>(s.lambda.size()) - 1;
        const int room = display_GridPoints(s.lambda.data(), mode, last);
        x.assign(room > 0 ? room : 1, -1.0);
        y.assign(x.size(), -1.0);
        count = InterpolSpectra(x.data(), y.data(), s.y.data(), s.lambda.data(), mode, last);
    }
    std::vector<double> x, y;
    int count = 0;
};

TEST(DisplayGrid, LinearGridsStartAboveTheFirstWavelengthAndDropTheLastPointOfCoarseSteps) {
    const Samples s(2048);
    const Grid five(s, 5);
    ASSERT_EQ(five.count, 79);
    EXPECT_NEAR(five.x[0], 385.0, 1e-9);
    EXPECT_NEAR(five.x[78], 775.0, 1e-9);
    EXPECT_NEAR(five.x[79], 780.0, 1e-9); // computed, not shown

    const Grid one(s, 3);
    ASSERT_EQ(one.count, 400);
    EXPECT_NEAR(one.x[0], 381.0, 1e-9);
    EXPECT_NEAR(one.x[399], 780.0, 1e-9);
    EXPECT_NEAR(one.y[119], Samples::Curve(500.0), 0.01);

    const Grid two(s, 4);
    EXPECT_EQ(two.count, 199); // 382 ... 778; 780 not shown
    EXPECT_NEAR(two.x[198], 778.0, 1e-9);
}

TEST(DisplayGrid, SplineGridsStartAtTheWholeNanometreBelowTheFirstSample) {
    const Samples s(2048);
    const Grid tenth(s, 6);
    ASSERT_EQ(tenth.count, 3997);
    EXPECT_DOUBLE_EQ(tenth.x[0], 380.0);
    EXPECT_NEAR(tenth.x[3996], 779.6, 1e-9);

    const Grid hundredth(s, 7);
    ASSERT_EQ(hundredth.count, 39999); // 380.00 ... 779.98
    EXPECT_NEAR(hundredth.x[39998], 779.98, 1e-9);
    EXPECT_NEAR(hundredth.y[12000], Samples::Curve(500.0), 1e-6);
}

TEST(DisplayGrid, PixelModesCopyAndUnknownModesWriteNothing) {
    const Samples s(16);
    const Grid pixel(s, 0);
    ASSERT_EQ(pixel.count, 16);
    EXPECT_EQ(pixel.x[15], 15.0);
    EXPECT_EQ(pixel.y[15], s.y[15]);
    const Grid wavelength(s, 1);
    EXPECT_EQ(wavelength.x[15], s.lambda[15]);

    for (int mode : {-1, 8, 100}) {
        std::vector<double> x(64, -1.0), y(64, -1.0);
        EXPECT_EQ(InterpolSpectra(x.data(), y.data(), s.y.data(), s.lambda.data(), mode, 15), 0);
        EXPECT_EQ(x[0], -1.0);
        EXPECT_EQ(display_GridPoints(s.lambda.data(), mode, 15), 0);
    }
}

TEST(DisplayGrid, GridsWithNothingToShowCountZeroNotMinusOne) {
    const Samples narrow(4, 500.2, 500.6);
    for (int mode : {4, 5, 7})
        EXPECT_EQ(Grid(narrow, mode).count, 0) << "mode " << mode;
    const Samples falling(8, 700.0, 400.0);
    for (int mode : {2, 5, 6, 7})
        EXPECT_EQ(Grid(falling, mode).count, 0) << "mode " << mode;
}

// ------------------------------------------------------------ pipeline

TEST_F(DisplayTest, PixelAxisIsNeverResampledAndDarkStaysAtThePixelWavelengths) {
    Fill(dTrans, [](double wl) { return wl / 10.0; });
    Fill(dDark, [](double wl) { return wl; });
    iInterplMode = 7;
    iXAchse = 0;
    iSelect = SHOW_TRANSMISSION;
    display_Display(0);
    ASSERT_EQ(iNumOfMeas, 2048);
    EXPECT_EQ(dXInterpolVal[2047], 2047.0);
    EXPECT_EQ(dYInterpolVal[2047], dTrans[2047]);

    iXAchse = 1;
    iSelect = SHOW_DARK;
    display_Display(0);
    ASSERT_EQ(iNumOfMeas, 2048);
    EXPECT_EQ(dXInterpolVal[1000], dLambda[1000]);

    iSelect = SHOW_TRANSMISSION;
    display_Display(0);
    EXPECT_EQ(iNumOfMeas, 39999);
}

TEST_F(DisplayTest, ArraysGrowForWhatIsWrittenIntoThem) {
    // 2048 pixels over 10 nm: the 0.01 nm buffers hold 1001 values only.
    Device(2048, 500.0, 509.5);
    ASSERT_LT(iAllocatedDisplay, 2048);
    Fill(dReferenz, [](double wl) { return wl; });
    iSelect = SHOW_REFERENCE;
    iCkdFwhm = 1;
    display_Display(0);
    EXPECT_EQ(iNumOfMeas, 2048);
    EXPECT_EQ(iAnzahlFWHM, 2048);
    EXPECT_GE(iAllocatedDisplay, 2048);
    EXPECT_EQ(dYtemp[2047], dReferenz[2047]);

    // A stored file spanning more than 2048 nm at 0.01 nm.
    stSavedMeas.pixelCount = 2049;
    for (int i = 0; i < 2049; ++i) {
        dLambda2[i] = 200.0 + 2100.0 * i / 2048;
        stSavedMeas.reference[i] = 1.0;
    }
    iInterplMode = 7;
    iCompare = 1;
    display_Display(0);
    EXPECT_EQ(iNumberSave, 209999);
    EXPECT_EQ(iAnzahlFWHM, 209999);
    EXPECT_NEAR(x2_Werte[209998], 2299.98, 1e-6);
}

TEST_F(DisplayTest, CountsBelongToTheirBuffers) {
    Fill(dReferenz, [](double wl) { return wl; });
    iSelect = SHOW_REFERENCE;
    iCkdFwhm = 1;
    display_Display(1);
    ASSERT_GT(iNumOfMeas, 0);
    ASSERT_GT(iAnzahlFWHM, 0);
    // A new connection to a narrower instrument.
    iMinWaveLen = 500;
    iMaxWaveLen = 510;
    ASSERT_EQ(link_AllocDisplayBuffers(), 0);
    EXPECT_EQ(iNumOfMeas, 0);
    EXPECT_EQ(iAnzahlFWHM, 0);
    EXPECT_EQ(iNumOfPnt, 0);

    // A count beyond the buffers never has the copy grow its own source.
    iNumOfMeas = iAllocatedDisplay + 100;
    const int pixels = stParam.pixelCount;
    stParam.pixelCount = iAllocatedPixels + 1; // the measured curve is not resampled
    const int capacity = iAllocatedDisplay;
    display_Display(0);
    stParam.pixelCount = pixels;
    EXPECT_EQ(iAllocatedDisplay, capacity);
    EXPECT_EQ(iAnzahlFWHM, 0);
    iNumOfMeas = 0;
}

TEST_F(DisplayTest, NothingIsResampledOfflineWhileQuittingOrWithoutACurve) {
    Fill(dTrans, [](double) { return 50.0; });
    display_Display(1);
    const int shown = iNumOfMeas;
    ASSERT_GT(shown, 0);
    ASSERT_EQ(Plots(), 1);
    iInterplMode = 3;
    for (int run = 0; run < 3; ++run) {
        SetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 0);
        iOffline = run == 0;
        usStopFlag = run == 1;
        iSelect = run == 2 ? SHOW_NONE : SHOW_TRANSMISSION;
        display_Display(1);
        EXPECT_EQ(iNumOfMeas, shown);
        EXPECT_EQ(Plots(), 1);
        int dimmed = 0;
        GetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &dimmed);
        // Offline a file can still be opened for viewing.
        EXPECT_EQ(dimmed, run == 0 ? 0 : 1);
    }
}

TEST_F(DisplayTest, DerivativeWithoutAnOrderKeepsThePreviousCurve) {
    Fill(dTrans, [](double) { return 42.0; });
    display_Display(0);
    const int shown = iNumOfMeas;
    iSelect = SHOW_DERIVATIVE;
    FuncNr = 0;
    iInterplMode = 5;
    display_Display(0);
    EXPECT_EQ(iNumOfMeas, shown);
    EXPECT_EQ(dYInterpolVal[0], 42.0);
}

TEST_F(DisplayTest, StoredViewEvaluatesTheStoredCurve) {
    stSavedMeas.pixelCount = 100;
    for (int i = 0; i < 100; ++i) {
        dLambda2[i] = 400.0 + i;
        stSavedMeas.reference[i] = 7.0 + i;
    }
    iSelect = SHOW_REFERENCE;
    iCkdFwhm = 1;
    iCompare = 1;
    display_Display(0);
    EXPECT_EQ(iNumberSave, 100);
    EXPECT_EQ(iAnzahlFWHM, 100);
    EXPECT_EQ(dXtemp[99], 499.0);
    EXPECT_EQ(dYtemp[99], 106.0);
}

TEST_F(DisplayTest, SeriesEnvelopeHoldsMaximaThenMinimaReversed) {
    const int n = stParam.pixelCount;
    dFFTValues.assign(4, std::vector<double>(n + 1, 0.0));
    for (int j = 1; j <= 3; ++j) {
        dFFTValues[j][5] = 10.0 * j; // maximum
        dFFTValues[j][9] = -1.0 * j; // minimum
    }
    iNumOfFFT = 5; // two of them not taken yet
    iSelect = SHOW_SERIES;
    display_Display(0);
    ASSERT_EQ(iNumOfMeas, 6);
    const double want[] = {10, 20, 30, -3, -2, -1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(dXInterpolVal[i], i);
        EXPECT_EQ(dYInterpolVal[i], want[i]);
    }
    EXPECT_EQ(iFFTReady, 1);
}

// ------------------------------------------------------------ callbacks

TEST_F(DisplayTest, SelectorFallsBackToDarkForKindsNeitherMeasuredNorStored) {
    Fill(dDark, [](double) { return 1.0; });
    iMess = MEAS_DARK | MEAS_REFERENCE;
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 4);
    SelectGraph(hMainPanel, MAINP_SELECT_GRAPH, EVENT_COMMIT, nullptr, 0, 0);
    int ring = -1;
    GetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, &ring);
    EXPECT_EQ(ring, 1);
    EXPECT_EQ(iSelect, SHOW_DARK);

    stSavedMeas.measured = MEAS_ABSORBANCE;
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 4);
    SelectGraph(hMainPanel, MAINP_SELECT_GRAPH, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(iSelect, SHOW_ABSORBANCE);

    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 0);
    SelectGraph(hMainPanel, MAINP_SELECT_GRAPH, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(iSelect, SHOW_DARK);
}

TEST_F(DisplayTest, InterpolationMenuChecksItemAndParent) {
    const int items[] = {MENUBAR_no,      MENUBAR_linear01, MENUBAR_linear1, MENUBAR_linear2,
                         MENUBAR_linear5, MENUBAR_sp010,    MENUBAR_sp001};
    for (int mode = 1; mode <= 7; ++mode) {
        iExcelDescription = 0;
        Callback_Interpol(hMenuBar, items[mode - 1], nullptr, hMainPanel);
        EXPECT_EQ(iInterplMode, mode);
        EXPECT_EQ(iExcelDescription, 1);
        for (int m = 1; m <= 7; ++m)
            EXPECT_EQ(Checked(items[m - 1]), m == mode ? 1 : 0) << mode;
        EXPECT_EQ(Checked(MENUBAR_lin), mode >= 2 && mode <= 5 ? 1 : 0);
        EXPECT_EQ(Checked(MENUBAR_spline), mode >= 6 ? 1 : 0);
    }
    Callback_Interpol(hMenuBar, MENUBAR_KESTRO, nullptr, hMainPanel);
    EXPECT_EQ(iInterplMode, 7);
}

TEST_F(DisplayTest, ViewItemsSetChecksAndLegends) {
    const struct {
        void (*view)(int, int, void*, int);
        int compare, kestro, file, both, storedDim, measuredDim;
    } rows[] = {{FileView, 1, 0, 1, 0, 0, 1},
                {CompareView, 2, 0, 0, 1, 0, 0},
                {SpecView, 0, 1, 0, 0, 1, 0}};
    for (const auto& r : rows) {
        r.view(hMenuBar, 0, nullptr, hMainPanel);
        EXPECT_EQ(iCompare, r.compare);
        EXPECT_EQ(Checked(MENUBAR_KESTRO), r.kestro);
        EXPECT_EQ(Checked(MENUBAR_FILE), r.file);
        EXPECT_EQ(Checked(MENUBAR_COMPARE), r.both);
        int dim = -1;
        GetCtrlAttribute(hMainPanel, MAINP_STORED, ATTR_DIMMED, &dim);
        EXPECT_EQ(dim, r.storedDim);
        GetCtrlAttribute(hMainPanel, MAINP_MEASURED, ATTR_DIMMED, &dim);
        EXPECT_EQ(dim, r.measuredDim);
    }
}

TEST_F(DisplayTest, ClearSpectraOptionRefreshesBothMarks) {
    cbMenu_Display_ClearSpectra_optchange(hMenuBar, MENUBAR_Never, nullptr, hMainPanel);
    EXPECT_EQ(iClrDisplay, 0);
    EXPECT_EQ(Checked(MENUBAR_Always), 0);
    EXPECT_EQ(Checked(MENUBAR_Never), 1);
    iClrDisplay = 1;
    cbMenu_Display_ClearSpectra_optchange(0, 0, nullptr, 0); // what the settings reader does
    EXPECT_EQ(Checked(MENUBAR_Always), 1);
    EXPECT_EQ(Checked(MENUBAR_Never), 0);
}

} // namespace
