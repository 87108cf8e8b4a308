// The printed protocol: header fields, the twelve marker lines, the date and
// the user's picture on the page panel, and the callbacks of the input panel.
#include "export/protocol.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

#include "export/export_state.h"
#include "link/shared_state.h"
#include "orvalin_Protocol_ui.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "support/numfmt.h"
#include "support/paths.h"
#include "ui/ui.h"

namespace {

// Header fields of the input panel and their read-outs on the page, in the
// order of the header texts in cPrtBuf.
struct HeaderField {
    int input;
    int page;
};
constexpr HeaderField kHeader[kPrtHeaderCount] = {
    {PRINT_SPEC_NUM, PROTOCOL1_SPECTR_NUM},   {PRINT_SPEC_TYPE, PROTOCOL1_SPEC_TYP},
    {PRINT_ARRAY_TYPE, PROTOCOL1_ARRAY_TYP},  {PRINT_PIXEL, PROTOCOL1_PIXEL},
    {PRINT_FIBER_SLIT, PROTOCOL1_FIBER_SLIT}, {PRINT_OPERATOR, PROTOCOL1_OPERATOR_NAME}};

constexpr int kWaveCtrls[kFwhmSlots] = {PROTOCOL1_DATA1,  PROTOCOL1_DATA2,  PROTOCOL1_DATA3,
                                        PROTOCOL1_DATA4,  PROTOCOL1_DATA5,  PROTOCOL1_DATA6,
                                        PROTOCOL1_DATA7,  PROTOCOL1_DATA8,  PROTOCOL1_DATA9,
                                        PROTOCOL1_DATA10, PROTOCOL1_DATA11, PROTOCOL1_DATA12};
constexpr int kValueCtrls[kFwhmSlots] = {
    PROTOCOL1_DATA1_2, PROTOCOL1_DATA2_2,  PROTOCOL1_DATA3_2,  PROTOCOL1_DATA4_2,
    PROTOCOL1_DATA5_2, PROTOCOL1_DATA6_2,  PROTOCOL1_DATA7_2,  PROTOCOL1_DATA8_2,
    PROTOCOL1_DATA9_2, PROTOCOL1_DATA10_2, PROTOCOL1_DATA11_2, PROTOCOL1_DATA12_2};

// Longest user name taken from the system.
constexpr std::size_t kMaxUserName = 99;

bool PanelsLoaded() {
    return hPrtHead > 0 && hPrtPanel > 0;
}

// The name of the user logged on, "" when it cannot be had.
std::string LoggedOnUser() {
    std::string name;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr)
        name = found->pw_name;
    if (name.empty()) {
        const char* env = std::getenv("USER");
        if (env != nullptr)
            name = env;
    }
    if (name.size() > kMaxUserName)
        name.resize(kMaxUserName);
    return name;
}

// The header callbacks are one behaviour bound to six fields.
int HeaderChanged(int event) {
    if (event == EVENT_VAL_CHANGED || event == EVENT_KEYPRESS)
        main_UpdateProtocol();
    return 0;
}

} // namespace

// ----------------------------------------------------------- pure helpers
std::string prot_DateText(int day, int month, int year) {
    char text[48];
    std::snprintf(text, sizeof text, "%2d.%2d.%4d", day, month, year);
    return text;
}

void prot_SlotTexts(double value, double position, std::string* valueText, std::string* waveText) {
    if (value == 0.0 && position == 0.0) {
        valueText->clear();
        waveText->clear();
        return;
    }
    // The protocol's numbers keep their point, whatever the user's locale.
    *valueText = support::FormatC("%.2f", value);
    *waveText = support::FormatC("@     %.2f", position);
}

bool prot_ArrayTypeFromLabel(const std::string& label, std::string* word) {
    const char* p = label.c_str();
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    char* end = nullptr;
    const long number = std::strtol(p, &end, 10);
    if (end == p || number < INT_MIN || number > INT_MAX)
        return false;
    p = end;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    const char* start = p;
    while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (p == start)
        return false;
    char field[50];
    prot_CopyField(field, std::string(start, p));
    *word = field;
    return true;
}

void prot_CopyField(char (&field)[50], const std::string& text) {
    std::size_t n = std::min<std::size_t>(text.size(), kPrtFieldChars);
    // Back off to the start of a character cut in two.
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// ---------------------------------------------------------------- updating
void main_UpdateProtocol() {
    if (!PanelsLoaded())
        return;
    for (int i = 0; i < kPrtHeaderCount; ++i) {
        std::string text;
        GetCtrlVal(hPrtHead, kHeader[i].input, &text);
        prot_CopyField(cPrtBuf[kPrtHeaderField + i], text);
        SetCtrlVal(hPrtPanel, kHeader[i].page, cPrtBuf[kPrtHeaderField + i]);
    }
    for (int n = 0; n < kFwhmSlots; ++n) {
        std::string value, wave;
        prot_SlotTexts(FWHM[n].value, FWHM[n].x, &value, &wave);
        prot_CopyField(cPrtBuf[kPrtValueField + n], value);
        prot_CopyField(cPrtBuf[kPrtWaveField + n], wave);
        SetCtrlVal(hPrtPanel, kWaveCtrls[n], cPrtBuf[kPrtWaveField + n]);
        SetCtrlVal(hPrtPanel, kValueCtrls[n], cPrtBuf[kPrtValueField + n]);
    }
}

// ----------------------------------------------------------------- opening
void PrintProt(int, int, void*, int) {
    if (!PanelsLoaded())
        return;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    if (localtime_r(&now, &today) != nullptr)
        SetCtrlVal(hPrtPanel, PROTOCOL1_DATE,
                   prot_DateText(today.tm_mday, today.tm_mon + 1, today.tm_year + 1900).c_str());

    // The serial buffer is filled by the device and need not be terminated.
    SetCtrlVal(hPrtHead, PRINT_SPEC_NUM,
               std::string(cSerial1, strnlen(cSerial1, sizeof cSerial1)).c_str());

    int index = -1;
    std::string label, word;
    if (hTabSens > 0 && GetCtrlIndex(hTabSens, TAB_SENS_UT_SENS, &index) == 0 && index >= 0 &&
        GetLabelFromIndex(hTabSens, TAB_SENS_UT_SENS, index, &label) == 0 &&
        prot_ArrayTypeFromLabel(label, &word))
        SetCtrlVal(hPrtHead, PRINT_ARRAY_TYPE, word.c_str());

    SetCtrlVal(hPrtHead, PRINT_PIXEL, std::to_string(stParam.pixelCount).c_str());

    std::string op;
    GetCtrlVal(hPrtHead, PRINT_OPERATOR, &op);
    if (op.empty())
        SetCtrlVal(hPrtHead, PRINT_OPERATOR, LoggedOnUser().c_str());

    main_UpdateProtocol();
    DisplayPanel(hPrtPanel);
    DisplayPanel(hPrtHead);
}

// --------------------------------------------------------------- callbacks
int SpecNum(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}
int SpecType(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}
int ArrayType(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}
int PrintPixel(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}
int FiberSlit(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}
int PrintOperator(int, int, int event, void*, int, int) {
    return HeaderChanged(event);
}

int CBPrint(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        prot_PrintPage(nullptr);
    return 0;
}

int CBClose(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) {
        HidePanel(hPrtPanel);
        HidePanel(hPrtHead);
    }
    return 0;
}

int DownloadImage(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    char path[4096] = {};
    const int chosen =
        FileSelectPopup(cLastImagePath, "*.*", "*.jpg;*.png;*.bmp;*.gif;*.tif", "Load Image File",
                        VAL_LOAD_BUTTON, 0, 0, 1, 0, path, sizeof path);
    if (chosen != VAL_EXISTING_FILE_SELECTED)
        return 0;
    support::KeepFolderOf(path, cLastImagePath, sizeof cLastImagePath);
    // The control replaces (and so releases) its picture only when the new
    // one could be read; otherwise the old one stays and the user is told.
    if (DisplayImageFile(hPrtPanel, PROTOCOL1_PICTURE_2, path) != 0) {
        MessagePopup("Load Image File",
                     (std::string("The image file could not be read:\n") + path).c_str());
        return 0;
    }
    imgID = 1;
    return 0;
}

void protocol_RegisterCallbacks() {
    RegisterMenuCallback("PrintProt", PrintProt);
    RegisterCtrlCallback("SpecNum", SpecNum);
    RegisterCtrlCallback("SpecType", SpecType);
    RegisterCtrlCallback("ArrayType", ArrayType);
    RegisterCtrlCallback("PrintPixel", PrintPixel);
    RegisterCtrlCallback("FiberSlit", FiberSlit);
    RegisterCtrlCallback("PrintOperator", PrintOperator);
    RegisterCtrlCallback("CBPrint", CBPrint);
    RegisterCtrlCallback("CBClose", CBClose);
    RegisterCtrlCallback("DownloadImage", DownloadImage);
}
