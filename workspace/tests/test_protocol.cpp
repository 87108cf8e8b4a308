// The printed protocol: texts of the page, opening, the sensor choice, the
// user's picture and the page printed to PDF.
#include <QImage>
#include <QLabel>
#include <QTest>
#include <ctime>
#include <fstream>
#include <pwd.h>
#include <regex>
#include <unistd.h>

#include "export/protocol.h"
#include "parameters/sens_choice.h"
#include "support_testing/comma_locale.h"
#include "support_testing/scoped_cwd.h"
#include "test_output_support.h"
#include "ui/ui_qt.h"
#include "workspace/display.h"

namespace {

using namespace output_test;

TEST(ProtocolTexts, DateSlotsArrayTypeAndFields) {
    EXPECT_EQ(prot_DateText(5, 3, 2026), " 5. 3.2026");
    EXPECT_EQ(prot_DateText(31, 12, 1999), "31.12.1999");

    struct Slot {
        double value, position;
        const char *valueText, *waveText;
    } slotCases[] = {{0.0, 0.0, "", ""},
                     {0.0, 546.074, "0.00", "@     546.07"},
                     {1.5, 0.0, "1.50", "@     0.00"},
                     {-2.0, 404.656, "-2.00", "@     404.66"}};
    for (const Slot& s : slotCases) {
        std::string v = "old", w = "old";
        prot_SlotTexts(s.value, s.position, &v, &w);
        EXPECT_EQ(v, s.valueText) << s.value << " " << s.position;
        EXPECT_EQ(w, s.waveText) << s.value << " " << s.position;
    }

    const std::string longName(60, 'x');
    struct Label {
        std::string label;
        bool ok;
        std::string word;
    } labels[] = {{"007    S1", true, "S1"},
                  {"012    two words", true, "two"},
                  {"3    " + longName, true, longName.substr(0, 49)},
                  {"S1    007", false, "kept"},
                  {"42", false, "kept"},
                  {"", false, "kept"}};
    for (const Label& l : labels) {
        std::string word = "kept";
        EXPECT_EQ(prot_ArrayTypeFromLabel(l.label, &word), l.ok) << l.label;
        EXPECT_EQ(word, l.word) << l.label;
    }

    char field[50];
    prot_CopyField(field, std::string(48, 'a') + "\xC3\xA9"); // é would end past 49 bytes
    EXPECT_EQ(std::string(field), std::string(48, 'a'));
    prot_CopyField(field, std::string(80, 'b'));
    EXPECT_EQ(std::string(field), std::string(49, 'b'));
}

class ProtocolTest : public OutputTest {
  protected:
    void SetUp() override {
        OutputTest::SetUp();
        eval_ResetFwhmTable();
        std::memset(cPrtBuf, 0, sizeof cPrtBuf);
        for (int c : {PRINT_SPEC_NUM, PRINT_SPEC_TYPE, PRINT_ARRAY_TYPE, PRINT_PIXEL,
                      PRINT_FIBER_SLIT, PRINT_OPERATOR})
            SetCtrlVal(hPrtHead, c, "");
        ClearListCtrl(hTabSens, TAB_SENS_UT_SENS);
    }

    static std::string Page(int control) {
        std::string s;
        GetCtrlVal(hPrtPanel, control, &s);
        return s;
    }
    static std::string Head(int control) {
        std::string s;
        GetCtrlVal(hPrtHead, control, &s);
        return s;
    }
};

TEST_F(ProtocolTest, HeaderEditsAndMarkersReachThePageAndTheBuffer) {
    FWHM[0].value = 0.0;
    FWHM[0].x = 546.074;
    FWHM[11].value = 12.25;
    FWHM[11].x = 404.656;
    const char* typed[6] = {"SN-4711", "Type A", "S1", "2048", "50 um", "Anna"};
    const int fields[6] = {PRINT_SPEC_NUM, PRINT_SPEC_TYPE,  PRINT_ARRAY_TYPE,
                           PRINT_PIXEL,    PRINT_FIBER_SLIT, PRINT_OPERATOR};
    const int shown[6] = {PROTOCOL1_SPECTR_NUM, PROTOCOL1_SPEC_TYP,   PROTOCOL1_ARRAY_TYP,
                          PROTOCOL1_PIXEL,      PROTOCOL1_FIBER_SLIT, PROTOCOL1_OPERATOR_NAME};
    for (int i = 0; i < 6; ++i) {
        SetCtrlVal(hPrtHead, fields[i], typed[i]);
        // The field's own callback, as typing fires it.
        CallCtrlCallback(hPrtHead, fields[i], EVENT_VAL_CHANGED, 0, 0);
        EXPECT_EQ(Page(shown[i]), typed[i]);
        EXPECT_STREQ(cPrtBuf[kPrtHeaderField + i], typed[i]);
    }
    EXPECT_EQ(Page(PROTOCOL1_DATA1), "@     546.07");
    EXPECT_EQ(Page(PROTOCOL1_DATA1_2), "0.00");
    EXPECT_EQ(Page(PROTOCOL1_DATA12), "@     404.66");
    EXPECT_EQ(Page(PROTOCOL1_DATA12_2), "12.25");
    EXPECT_EQ(Page(PROTOCOL1_DATA2), "");
    EXPECT_STREQ(cPrtBuf[kPrtWaveField], "@     546.07");
    EXPECT_STREQ(cPrtBuf[kPrtValueField + 11], "12.25");

    // Deleting all markers empties the page's lines.
    SetCtrlVal(hPrtHead, PRINT_OPERATOR, "Ben");
    CallCtrlCallback(hPrtHead, PRINT_OPERATOR, EVENT_LOST_FOCUS, 0, 0);
    EXPECT_EQ(Page(PROTOCOL1_OPERATOR_NAME), "Anna") << "other events do nothing";
    g_displayHooks.DeleteAllPeak(hMainPanel, MAINP_DEL_ALL_PEAK, EVENT_COMMIT, nullptr, 0, 0);
    for (int c : {PROTOCOL1_DATA1, PROTOCOL1_DATA1_2, PROTOCOL1_DATA12, PROTOCOL1_DATA12_2})
        EXPECT_EQ(Page(c), "") << c;
}

TEST_F(ProtocolTest, SlotsKeepTheirPointUnderACommaLocale) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    support_testing::UserLocaleScope scope(comma);
    FWHM[0].value = 5.5;
    FWHM[0].x = 546.074;
    // Typing into a header field brings the page up to date.
    QTest::keyClicks(UiCtrlWidget(hPrtHead, PRINT_OPERATOR), "A");
    EXPECT_EQ(Page(PROTOCOL1_DATA1_2), "5.50");
    EXPECT_EQ(Page(PROTOCOL1_DATA1), "@     546.07");
}

TEST_F(ProtocolTest, OpeningFillsDateDeviceSensorAndOperator) {
    std::strcpy(cSerial1, "0815");
    stParam.pixelCount = 1024;
    InsertListItem(hTabSens, TAB_SENS_UT_SENS, -1, "007    S1", 7);
    InsertListItem(hTabSens, TAB_SENS_UT_SENS, -1, "012    Deep UV", 12);
    SetCtrlIndex(hTabSens, TAB_SENS_UT_SENS, 1);
    const passwd* pw = getpwuid(getuid());
    const std::string user = pw != nullptr ? pw->pw_name : "";

    for (const std::string typed : {"Anna", ""}) {
        SetCtrlVal(hPrtHead, PRINT_OPERATOR, typed.c_str());
        PrintProt(0, 0, nullptr, 0);
        EXPECT_EQ(Head(PRINT_OPERATOR), typed.empty() ? user : typed);
    }
    EXPECT_EQ(Head(PRINT_SPEC_NUM), "0815");
    EXPECT_EQ(Head(PRINT_ARRAY_TYPE), "Deep");
    EXPECT_EQ(Head(PRINT_PIXEL), "1024");
    EXPECT_EQ(Page(PROTOCOL1_PIXEL), "1024");
    const std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    const std::string year = std::to_string(t->tm_year + 1900);
    EXPECT_TRUE(
        std::regex_match(Page(PROTOCOL1_DATE), std::regex("[ 1-3][0-9]\\.[ 1][0-9]\\.[0-9]{4}")))
        << Page(PROTOCOL1_DATE);
    EXPECT_EQ(Page(PROTOCOL1_DATE).substr(6), year);

    // No sensor chosen: the array type stays.
    SetCtrlVal(hPrtHead, PRINT_ARRAY_TYPE, "typed");
    ClearListCtrl(hTabSens, TAB_SENS_UT_SENS);
    PrintProt(0, 0, nullptr, 0);
    EXPECT_EQ(Head(PRINT_ARRAY_TYPE), "typed");

    CallCtrlCallback(hPrtHead, PRINT_CB_CLOSE, EVENT_COMMIT, 0, 0);
    for (int panel : {hPrtHead, hPrtPanel}) {
        int visible = -1;
        GetPanelAttribute(panel, ATTR_VISIBLE_PANEL, &visible);
        EXPECT_EQ(visible, 0);
    }
}

TEST_F(ProtocolTest, SensorChoiceIsFilledFromTheListFile) {
    support_testing::ScopedCwd cwd(dir_);
    stParam.deviceType = 0;
    int count = -1;
    // One that cannot be read (a folder of its name) is told.
    fs::create_directory("SPECSENs.ini");
    EXPECT_EQ(PU_LoadSensList(), -1);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].text, "Could not read sensor list!");
    GetNumListItems(hTabSens, TAB_SENS_UT_SENS, &count);
    EXPECT_EQ(count, 0);

    fs::remove("SPECSENs.ini");
    std::ofstream("SPECSENs.ini") << "Head 0 0\nZOLT:list 1 1\nS1 7 0\nDeepUV 12 0\n";
    EXPECT_EQ(PU_LoadSensList(), 0);
    GetNumListItems(hTabSens, TAB_SENS_UT_SENS, &count);
    ASSERT_EQ(count, 2);
    std::string label;
    GetLabelFromIndex(hTabSens, TAB_SENS_UT_SENS, 0, &label);
    EXPECT_EQ(label, "007    S1");
    int value = 0;
    GetValueFromIndex(hTabSens, TAB_SENS_UT_SENS, 1, &value);
    EXPECT_EQ(value, 12);
}

TEST_F(ProtocolTest, PictureIsShownOnlyWhenItCanBeRead) {
    const fs::path good = dir_ / "logo.png", bad = dir_ / "broken.png";
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(QString::fromStdString(good.string())));
    std::ofstream(bad) << "not a picture";
    auto* picture = qobject_cast<QLabel*>(UiCtrlWidget(hPrtPanel, PROTOCOL1_PICTURE_2));
    ASSERT_NE(picture, nullptr);

    popup_script::PushFile(good.string(), VAL_EXISTING_FILE_SELECTED);
    CallCtrlCallback(hPrtHead, PRINT_CB_DOWNLOAD_IMAGE, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(picture->pixmap().width(), 40);
    EXPECT_EQ(popup_script::Record().size(), 1u);

    popup_script::PushFile(bad.string(), VAL_EXISTING_FILE_SELECTED);
    CallCtrlCallback(hPrtHead, PRINT_CB_DOWNLOAD_IMAGE, EVENT_COMMIT, 0, 0);
    ASSERT_EQ(popup_script::Record().size(), 3u);
    EXPECT_EQ(popup_script::Record()[2].title, "Load Image File");
    EXPECT_EQ(picture->pixmap().width(), 40) << "the old picture stays";
}

std::string Squeezed(const std::string& s) {
    return std::regex_replace(s, std::regex("\\s+"), " ");
}

TEST_F(ProtocolTest, PrintedPdfIsOnePageOfReadableText) {
    if (!HaveTool("pdfinfo") || !HaveTool("pdftotext"))
        GTEST_SKIP() << "pdfinfo or pdftotext is not installed";
    const char* typed[6] = {"SN-4711", "Type A", "S1", "2048", "50 um", "Anna"};
    const int fields[6] = {PRINT_SPEC_NUM, PRINT_SPEC_TYPE,  PRINT_ARRAY_TYPE,
                           PRINT_PIXEL,    PRINT_FIBER_SLIT, PRINT_OPERATOR};
    for (int i = 0; i < 6; ++i)
        SetCtrlVal(hPrtHead, fields[i], typed[i]);
    FWHM[0].value = 0.0;
    FWHM[0].x = 546.074;
    FWHM[4].value = 1.75;
    FWHM[4].x = 435.833;
    main_UpdateProtocol();
    SetCtrlVal(hPrtPanel, PROTOCOL1_DATE, prot_DateText(5, 3, 2026).c_str());

    // Cancelled: nothing written.
    const fs::path pdf = dir_ / "protocol.pdf";
    popup_script::Push({0, ""});
    CallCtrlCallback(hPrtHead, PRINT_CB_PRINT, EVENT_COMMIT, 0, 0);
    EXPECT_TRUE(fs::is_empty(dir_));

    // The print dialog, or with no printer the file dialog, names the PDF.
    popup_script::Push({1, pdf.string()});
    CallCtrlCallback(hPrtHead, PRINT_CB_PRINT, EVENT_COMMIT, 0, 0);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_NE(Shell("pdfinfo '" + pdf.string() + "'").find("Pages:           1\n"),
              std::string::npos);
    const std::string text = Squeezed(Shell("pdftotext -layout '" + pdf.string() + "' -"));
    for (const char* want :
         {"Wavelength/FWHM Protocol", "Spectrometer Nr.: SN-4711", "Spectrometer Type : Type A",
          "Array Type : S1", "Pixel : 2048", "Fiber / Slit : 50 um", "Anna", "5. 3.2026",
          "@ 546.07 0.00", "@ 435.83 1.75", "Date", "Sign:"})
        EXPECT_NE(text.find(want), std::string::npos) << want << "\n" << text;

    EXPECT_LT(prot_PrintPage("/nonexistent-dir/p.pdf"), 0);
    EXPECT_EQ(popup_script::Record().back().title, "Print Protocol");
}

} // namespace
