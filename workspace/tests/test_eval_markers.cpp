// Evaluation markers on spectra measured from the simulated instrument.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <locale.h>
#include <string>

#include "support_testing/comma_locale.h"
#include <QTest>
#include <unistd.h>

#include "export/protocol.h"
#include "support/numfmt.h"
#include "test_eval_support.h"
#include "test_output_support.h"
#include "ui/ui_qt.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace eval_test {
namespace {

constexpr double kLines[] = {404.66, 435.84, 546.07}; // isolated lines of the emission lamp
constexpr double kBands[] = {416.3, 451.4, 536.4};    // holmium bands inside 380..700 nm

std::string Caption(int id) {
    std::string s;
    GetAnnotationCaption(hMainPanel, MAINP_SPECGRAPH, id, &s);
    return s;
}

class MarkerTest : public EvalTest {};

TEST_F(MarkerTest, PeakWidthsOfEmissionLinesMatchTheSimulatedLines) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    ASSERT_EQ(iFwhmMode, 1);
    const int plotsBefore = Plots();
    for (double line : kLines)
        DoubleClickAt(line + 0.6); // a little off the top

    const double fwhm = zsim_EmissionLineFwhm();
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(kLines[k]);
        const FwhmSlot& s = FWHM[k];
        EXPECT_NEAR(s.x, kLines[k], 0.1);
        EXPECT_NEAR(s.value, fwhm, PixelStepAt(kLines[k]));
        EXPECT_GT(s.y, 0.0);
        EXPECT_DOUBLE_EQ(Num(hMainPanel, s.valueCtrl), s.value);
        EXPECT_DOUBLE_EQ(Num(hMainPanel, s.positionCtrl), s.x);
        EXPECT_EQ(Int(hMainPanel, s.radioCtrl), 1);
        EXPECT_EQ(Attr(hMainPanel, s.radioCtrl, ATTR_DIMMED), 0);
        EXPECT_NE(s.plotHandle, 0);
        ASSERT_GT(s.annotationId, 0);
        EXPECT_EQ(Caption(s.annotationId).rfind("Peak " + std::to_string(k + 1) + " ", 0), 0u)
            << Caption(s.annotationId);
    }
    EXPECT_EQ(Occupied(), 3);
    EXPECT_EQ(Annotations(), 3);
    EXPECT_EQ(Plots(), plotsBefore + 3);
    EXPECT_NEAR(Num(hMainPanel, MAINP_FWHM_AV), (FWHM[0].value + FWHM[1].value + FWHM[2].value) / 3,
                1e-12);
    EXPECT_EQ(Label(hMainPanel, MAINP_RBPEAK2), "Peak 2");
}

TEST_F(MarkerTest, ValleyModeFindsHolmiumBandMinima) {
    MeasureReference(ZSIM_SAMPLE_HOLMIUM);
    ValleyMode(hMenuBar, MENUBAR_VALLEY, nullptr, hMainPanel);
    ASSERT_EQ(iValMode, 1);
    // On the lamp's sloping curve the shoulders hold only near the top: at
    // 50 % the walk would run off to the dim end of the range.
    SetCtrlVal(hMainPanel, MAINP_FWHM_Threshold, 90);
    for (double band : kBands)
        DoubleClickAt(band - 1.5);
    ASSERT_EQ(Occupied(), 3);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(kBands[k]);
        EXPECT_NEAR(FWHM[k].x, kBands[k], 0.2);
        EXPECT_GT(FWHM[k].value, 0.0);
        EXPECT_EQ(Caption(FWHM[k].annotationId).rfind("Valley " + std::to_string(k + 1) + " ", 0),
                  0u);
    }
    EXPECT_EQ(Label(hMainPanel, MAINP_RBPEAK3), "Valley 3");
}

TEST_F(MarkerTest, SymmetryOfASymmetricLineIsOneAndKeepsPeakLabels) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    SymMode(hMenuBar, MENUBAR_SYM, nullptr, hMainPanel);
    EXPECT_EQ(Int(hMainPanel, MAINP_FWHM_Threshold), 10);
    DoubleClickAt(435.84);
    ASSERT_EQ(Occupied(), 1);
    EXPECT_NEAR(FWHM[0].value, 1.0, 0.1);
    EXPECT_EQ(Label(hMainPanel, MAINP_RBPEAK1), "Peak 1");
}

TEST_F(MarkerTest, RemovingOneMarkerRemovesOnlyItsCaptionAndLine) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    for (double line : kLines)
        DoubleClickAt(line);
    ASSERT_EQ(Occupied(), 3);
    const int plots = Plots();
    const int keep1 = FWHM[0].annotationId, keep3 = FWHM[2].annotationId;

    SetCtrlVal(hMainPanel, MAINP_RBPEAK2, 0);
    CallCtrlCallback(hMainPanel, MAINP_RBPEAK2, EVENT_COMMIT, 0, 0);

    EXPECT_EQ(Annotations(), 2);
    EXPECT_FALSE(Caption(keep1).empty());
    EXPECT_FALSE(Caption(keep3).empty());
    EXPECT_EQ(Plots(), plots - 1);
    EXPECT_EQ(FWHM[1].x, 0.0);
    EXPECT_EQ(FWHM[1].value, 0.0);
    EXPECT_EQ(FWHM[1].plotHandle, 0);
    EXPECT_EQ(Attr(hMainPanel, MAINP_RBPEAK2, ATTR_DIMMED), 1);
    EXPECT_EQ(Num(hMainPanel, MAINP_FWHM2), 0.0);
    EXPECT_EQ(Num(hMainPanel, MAINP_FWHM_NM2), 0.0);
    EXPECT_NEAR(Num(hMainPanel, MAINP_FWHM_AV), (FWHM[0].value + FWHM[2].value) / 2, 1e-12);

    // The freed slot is the one the next marker takes.
    DoubleClickAt(kLines[1]);
    EXPECT_GT(FWHM[1].x, 0.0);
    EXPECT_EQ(FWHM[3].x, 0.0);
    EXPECT_EQ(Annotations(), 3);
}

TEST_F(MarkerTest, RemovingMarkerOneLeavesMarkerTen) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    // Ten markers over the spectrum; a caption lookup by "Peak 1" would
    // also match "Peak 10".
    for (int k = 0; k < 10; ++k)
        DoubleClickAt(390.0 + 30.0 * k);
    ASSERT_EQ(Occupied(), 10);
    const int ten = FWHM[9].annotationId;
    CallCtrlCallback(hMainPanel, MAINP_RBPEAK1, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Annotations(), 9);
    EXPECT_EQ(Caption(ten).rfind("Peak 10 ", 0), 0u);
}

TEST_F(MarkerTest, ThirteenthMarkerIsRefusedAndTheTableStays) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    for (int k = 0; k < kFwhmSlots; ++k)
        DoubleClickAt(390.0 + 25.0 * k);
    ASSERT_EQ(Occupied(), kFwhmSlots);
    FwhmSlot before[kFwhmSlots];
    std::copy(std::begin(FWHM), std::end(FWHM), before);
    const int annotations = Annotations(), plots = Plots();
    popup_script::Clear();

    DoubleClickAt(435.84);

    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Message");
    EXPECT_EQ(popup_script::Record()[0].text,
              "Maximum number of points reached!\nTo enter a new, delete one! (Point *)");
    for (int k = 0; k < kFwhmSlots; ++k) {
        EXPECT_EQ(FWHM[k].x, before[k].x);
        EXPECT_EQ(FWHM[k].value, before[k].value);
        EXPECT_EQ(FWHM[k].y, before[k].y);
        EXPECT_EQ(FWHM[k].plotHandle, before[k].plotHandle);
        EXPECT_EQ(FWHM[k].annotationId, before[k].annotationId);
    }
    EXPECT_EQ(Annotations(), annotations);
    EXPECT_EQ(Plots(), plots);

    // The full table is said first, even where the click would evaluate nothing.
    popup_script::Clear();
    const int n = iNumOfMeas;
    iNumOfMeas = 1;
    FWHM_MODE();
    iNumOfMeas = n;
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].text, kMaxMarkersText);
}

TEST_F(MarkerTest, NoSlotIsFilledWhenNothingIsEvaluated) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    // No marker mode: a double click does nothing.
    DoubleClickAt(435.84);
    EXPECT_EQ(Occupied(), 0);

    // Valley and symmetry have no pixel-axis evaluation.
    for (auto mode : {ValleyMode, SymMode}) {
        mode(hMenuBar, 0, nullptr, hMainPanel);
        iXAchse = 0;
        FWHM_MODE();
        iXAchse = 1;
        EXPECT_EQ(Occupied(), 0);
        EXPECT_EQ(Annotations(), 0);
        EXPECT_TRUE(popup_script::Record().empty());
        for (const FwhmSlot& s : FWHM)
            EXPECT_EQ(s.value, 0.0);
    }

    // Another curve than the reference.
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    iSelect = SHOW_DARK;
    FWHM_MODE();
    iSelect = SHOW_REFERENCE;
    EXPECT_EQ(Occupied(), 0);

    // A curve too short to evaluate.
    const int n = iNumOfMeas;
    iNumOfMeas = 1;
    FWHM_MODE();
    iNumOfMeas = n;
    EXPECT_EQ(Occupied(), 0);
}

TEST_F(MarkerTest, AverageLeavesOutZeroResults) {
    const double values[] = {2.0, 4.0, 0.0};
    for (int k = 0; k < 3; ++k) {
        FWHM[k].x = 500.0 + k;
        FWHM[k].value = values[k];
    }
    FWHM_AV_CALC();
    EXPECT_DOUBLE_EQ(Num(hMainPanel, MAINP_FWHM_AV), 3.0);

    set_FWHM_Reset();
    FWHM_AV_CALC();
    EXPECT_DOUBLE_EQ(Num(hMainPanel, MAINP_FWHM_AV), 0.0);
}

TEST_F(MarkerTest, WithoutPeakLinesMarkersGetNoLineAndAreNotCopied) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    SetCtrlVal(hMainPanel, MAINP_FWHM_plotline, 0);
    const int plots = Plots();
    DoubleClickAt(435.84);
    ASSERT_EQ(Occupied(), 1);
    EXPECT_EQ(FWHM[0].plotHandle, 0);
    EXPECT_EQ(Plots(), plots);
    EXPECT_EQ(eval_MarkerClipboardText(0), "");
}

// glibc keeps the search path of a LOCPATH lookup for good; that one block
// is not a leak of ours.
struct LeakCheckPause {
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler off;
#endif
};

TEST_F(MarkerTest, ClipboardCopyOfTwoMarkersWithAndWithoutComma) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    DoubleClickAt(kLines[0]);
    DoubleClickAt(kLines[1]);
    ASSERT_EQ(Occupied(), 2);
    char expected[128];
    std::snprintf(expected, sizeof expected, "%.2f\t%.2f\n%.2f\t%.2f\n", FWHM[0].x, FWHM[0].value,
                  FWHM[1].x, FWHM[1].value);

    popup_script::PushConfirm(false);
    CallCtrlCallback(hMainPanel, MAINP_FWHM_COPY_TO_BUFFER, EVENT_COMMIT, 0, 0);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Use comma?");
    EXPECT_EQ(popup_script::Record()[0].text, "Use comma as a decimal separator?");
    std::string text;
    ClipboardGetText(&text);
    EXPECT_EQ(text, expected);

    popup_script::PushConfirm(true);
    CallCtrlCallback(hMainPanel, MAINP_FWHM_COPY_TO_BUFFER, EVENT_COMMIT, 0, 0);
    ClipboardGetText(&text);
    std::string comma = expected;
    for (char& c : comma)
        if (c == '.')
            c = ',';
    EXPECT_EQ(text, comma);
}

TEST_F(MarkerTest, ClipboardLineFormat) {
    FWHM[0].x = 589.3;
    FWHM[0].value = 1.25;
    FWHM[0].plotHandle = 7;
    FWHM[2].x = 1000.005; // no line: left out
    FWHM[2].value = 3.0;
    EXPECT_EQ(eval_MarkerClipboardText(0), "589.30\t1.25\n");
    EXPECT_EQ(eval_MarkerClipboardText(1), "589,30\t1,25\n");
    FWHM[0].plotHandle = 0;
}

TEST_F(MarkerTest, ClipboardKeepsPointsUnderACommaLocale) {
    const std::string name = support_testing::CommaLocale();
    if (name.empty())
        GTEST_SKIP() << "no locale with a decimal comma can be had here";
    FWHM[0].x = 589.3;
    FWHM[0].value = 1.25;
    FWHM[0].plotHandle = 7;
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    {
        [[maybe_unused]] LeakCheckPause pause;
        ASSERT_NE(std::setlocale(LC_NUMERIC, name.c_str()), nullptr);
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const std::string noComma = eval_MarkerClipboardText(0);
    const std::string withComma = eval_MarkerClipboardText(1);
    std::setlocale(LC_NUMERIC, old.c_str());
    FWHM[0].plotHandle = 0;
    ASSERT_STREQ(probe, "1,5"); // the locale really has a comma
    EXPECT_EQ(noComma, "589.30\t1.25\n");
    EXPECT_EQ(withComma, "589,30\t1,25\n");
}

TEST_F(MarkerTest, DeleteAllPeakClearsEverySlot) {
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    for (double line : kLines)
        DoubleClickAt(line);
    ASSERT_EQ(Occupied(), 3);
    const int plots = Plots();
    iStartWlScal = iEndWlScal = 0;
    CallCtrlCallback(hMainPanel, MAINP_DEL_ALL_PEAK, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(iStartWlScal, 1);
    EXPECT_EQ(iEndWlScal, 1);
    EXPECT_EQ(Occupied(), 0);
    EXPECT_EQ(Annotations(), 0);
    EXPECT_EQ(Plots(), plots - 3);
    for (const FwhmSlot& s : FWHM) {
        EXPECT_EQ(s.plotHandle, 0);
        EXPECT_EQ(Int(hMainPanel, s.radioCtrl), 0);
        EXPECT_EQ(Attr(hMainPanel, s.radioCtrl, ATTR_DIMMED), 1);
    }
    EXPECT_EQ(Num(hMainPanel, MAINP_FWHM_AV), 0.0);
}

// A marker set while the protocol is open is on the page PRINT prints.
TEST_F(MarkerTest, TheProtocolPrintsTheMarkersAsTheyAreWhenPrinted) {
    if (!output_test::HaveTool("pdftotext"))
        GTEST_SKIP() << "pdftotext is not installed";
    static const std::string ui = UiPath().substr(0, UiPath().rfind('/')) + "/orvalin_Protocol.ui";
    static const int head = LoadPanel(0, ui.c_str(), PRINT),
                     page = LoadPanel(0, ui.c_str(), PROTOCOL1);
    ASSERT_GT(head, 0);
    hPrtHead = head;
    hPrtPanel = page;
    MeasureReference(ZSIM_SAMPLE_EMISSION);
    PeakMode(hMenuBar, MENUBAR_FWHM, nullptr, hMainPanel);
    DoubleClickAt(kLines[0]);
    PrintProt(hMenuBar, MENUBAR_FILE_PROTOCOL, nullptr, hMainPanel);
    for (int k = 1; k < 3; ++k)
        DoubleClickAt(kLines[k]);
    ASSERT_EQ(Occupied(), 3);
    const std::string pdf =
        std::filesystem::temp_directory_path() / ("protocol_" + std::to_string(getpid()) + ".pdf");
    popup_script::Push({1, pdf});
    QTest::mouseClick(UiCtrlWidget(hPrtHead, PRINT_CB_PRINT), Qt::LeftButton);
    const std::string text = output_test::Shell("pdftotext -layout '" + pdf + "' -");
    std::remove(pdf.c_str());
    for (int k = 0; k < 3; ++k)
        EXPECT_NE(text.find(support::FormatC("%.2f", FWHM[k].x)), std::string::npos)
            << FWHM[k].x << "\n"
            << text;
    CBClose(0, 0, EVENT_COMMIT, nullptr, 0, 0);
    hPrtHead = hPrtPanel = 0;
}

} // namespace
} // namespace eval_test
