#include "link/shared_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "orvalin_ui.h"

DeviceParameters stParam{};
char cSerial1[16] = {};
int dwError = 0;
uint32_t dwCurrentDevice = 0;
unsigned uConnectCount = 0;

char sArg1[100] = {};
char sArg2[100] = {};
char sPrevSerNum[16] = {};
char sOrvalinTitle[64] = {};
int iStartWaveLen = 380;
int iEndWaveLen = 780;
int iStartPixel = 0;
int iEndPixel = 0;
int iTint_prec = 3;
int iMess = 0;
float fTint = 19999.0f;
int iPxlWlMode = 1;
int iFileOpen = 0;
double dScanDel = 0.0;
int hAboutPanel = 0;
int hDevselectPanel = 0;
int hParUtil = 0;
int hTabRoot = 0;
int hCOGIntervalPanel = 0;
double dConnectPause = 1.0;

intptr_t hMainHWND = 0;
uint16_t usStopFlag = 0;
int colorMeasButt = 0;

int iOffline = 1;
int iConnecting = 0;
int iMinWaveLen = 0;
int iMaxWaveLen = 0;

int hMainPanel = 0;
int hMenuBar = 0;
int hMainBar = 0;
int iMenuFileOpen = 0;
int iCtrlCheckboxAdapt = 0;

int32_t* iRowDark = nullptr;
int32_t* iRowLight = nullptr;
double* dDark = nullptr;
double* dLight = nullptr;
double* dReferenz = nullptr;
double* dTrans = nullptr;
double* dAbsorb = nullptr;
double* dFormel1 = nullptr;
double* dFormel2 = nullptr;
double* dLambda = nullptr;
double* dXInterpolVal = nullptr;
double* dYInterpolVal = nullptr;
double* dXtemp = nullptr;
double* dYtemp = nullptr;

double* x2_Werte = nullptr;
double* y2_Werte = nullptr;
int iNumberSave = 0;
int iNumOfMeas = 0;
int iAnzahlFWHM = 0;
int iNumOfPnt = 0;

FwhmSlot FWHM[kFwhmSlots] = {};

int iAllocatedPixels = 0;
int iAllocatedDisplay = 0;

namespace {

double** const kPixelSpectra[] = {&dDark,   &dLight,   &dReferenz, &dTrans,
                                  &dAbsorb, &dFormel1, &dFormel2,  &dLambda};
double** const kDisplayBuffers[] = {&dXInterpolVal, &dYInterpolVal, &dXtemp, &dYtemp};

template <class T> void Release(T** p) {
    std::free(*p);
    *p = nullptr;
}

void FreePixelSpectra() {
    for (double** p : kPixelSpectra)
        Release(p);
    iAllocatedPixels = 0;
}

// The point counts belong to the buffers: a count left from before would
// read and write past buffers of another size.
void FreeDisplayBuffers() {
    for (double** p : kDisplayBuffers)
        Release(p);
    iAllocatedDisplay = 0;
    iNumOfMeas = 0;
    iAnzahlFWHM = 0;
    iNumOfPnt = 0;
}

} // namespace

int link_AllocPixelArrays() {
    FreePixelSpectra();
    link_FreeRawCounts();
    const int n = stParam.pixelCount;
    if (n <= 0 || n > kMaxPixelCount)
        return -1;
    const auto count = static_cast<std::size_t>(n);
    iRowDark = static_cast<int32_t*>(std::calloc(count, sizeof(int32_t)));
    iRowLight = static_cast<int32_t*>(std::calloc(count, sizeof(int32_t)));
    bool ok = iRowDark != nullptr && iRowLight != nullptr;
    for (double** p : kPixelSpectra) {
        *p = static_cast<double*>(std::calloc(count, sizeof(double)));
        ok = ok && *p != nullptr;
    }
    if (!ok) {
        FreePixelSpectra();
        link_FreeRawCounts();
        return -1;
    }
    iAllocatedPixels = n;
    return 0;
}

int link_AllocDisplayBuffers() {
    FreeDisplayBuffers();
    const long long span = static_cast<long long>(iMaxWaveLen) - iMinWaveLen;
    // The fit check accepts spans up to 5000 nm; anything wider is not a range
    // of this device.
    if (span < 0 || span > 5000)
        return -1;
    const auto count = static_cast<std::size_t>(span * 100 + 1);
    bool ok = true;
    for (double** p : kDisplayBuffers) {
        *p = static_cast<double*>(std::calloc(count, sizeof(double)));
        ok = ok && *p != nullptr;
    }
    if (!ok) {
        FreeDisplayBuffers();
        return -1;
    }
    iAllocatedDisplay = static_cast<int>(count);
    return 0;
}

int link_GrowDisplayBuffers(int points) {
    const bool present = dXInterpolVal && dYInterpolVal && dXtemp && dYtemp;
    const int have = present ? iAllocatedDisplay : 0;
    if (points <= have)
        return 0;
    for (double** p : kDisplayBuffers) {
        // One that cannot grow keeps its old contents and size; the count
        // stays that of the smallest, so nothing is written past any.
        void* q = std::realloc(*p, static_cast<std::size_t>(points) * sizeof(double));
        if (q == nullptr)
            return -1;
        *p = static_cast<double*>(q);
        std::fill(*p + have, *p + points, 0.0);
    }
    iAllocatedDisplay = points;
    return 0;
}

void link_FreeSpectra() {
    FreePixelSpectra();
    FreeDisplayBuffers();
}

void link_FreeRawCounts() {
    Release(&iRowDark);
    Release(&iRowLight);
}

void link_ResetSharedState() {
    link_FreeSpectra();
    link_FreeRawCounts();
    stParam = DeviceParameters{};
    std::memset(cSerial1, 0, sizeof cSerial1);
    dwError = 0;
    dwCurrentDevice = 0;
    iOffline = 1;
    iConnecting = 0;
    iMinWaveLen = 0;
    iMaxWaveLen = 0;
}

void eval_ResetFwhmTable() {
    static const int32_t kColour[kFwhmSlots] = {0x0000FF, 0x000080, 0x00FFFF, 0x008080,
                                                0xFF00FF, 0x800080, 0xFF0000, 0x800000,
                                                0x00FF00, 0x008000, 0xFFFF00, 0x808000};
    static const int32_t kValue[kFwhmSlots] = {
        MAINP_FWHM1, MAINP_FWHM2, MAINP_FWHM3, MAINP_FWHM4,  MAINP_FWHM5,  MAINP_FWHM6,
        MAINP_FWHM7, MAINP_FWHM8, MAINP_FWHM9, MAINP_FWHM10, MAINP_FWHM11, MAINP_FWHM12};
    static const int32_t kPosition[kFwhmSlots] = {
        MAINP_FWHM_NM1, MAINP_FWHM_NM2,  MAINP_FWHM_NM3,  MAINP_FWHM_NM4,
        MAINP_FWHM_NM5, MAINP_FWHM_NM6,  MAINP_FWHM_NM7,  MAINP_FWHM_NM8,
        MAINP_FWHM_NM9, MAINP_FWHM_NM10, MAINP_FWHM_NM11, MAINP_FWHM_NM12};
    static const int32_t kRadio[kFwhmSlots] = {MAINP_RBPEAK1,  MAINP_RBPEAK2,  MAINP_RBPEAK3,
                                               MAINP_RBPEAK4,  MAINP_RBPEAK5,  MAINP_RBPEAK6,
                                               MAINP_RBPEAK7,  MAINP_RBPEAK8,  MAINP_RBPEAK9,
                                               MAINP_RBPEAK10, MAINP_RBPEAK11, MAINP_RBPEAK12};
    static const int32_t kUnit[kFwhmSlots] = {
        MAINP_FWHM_UNIT_1, MAINP_FWHM_UNIT_2,  MAINP_FWHM_UNIT_3,  MAINP_FWHM_UNIT_4,
        MAINP_FWHM_UNIT_5, MAINP_FWHM_UNIT_6,  MAINP_FWHM_UNIT_7,  MAINP_FWHM_UNIT_8,
        MAINP_FWHM_UNIT_9, MAINP_FWHM_UNIT_10, MAINP_FWHM_UNIT_11, MAINP_FWHM_UNIT_12};
    for (int i = 0; i < kFwhmSlots; ++i) {
        FWHM[i] =
            FwhmSlot{0.0, 0.0, 0.0, 0, kColour[i], kValue[i], kPosition[i], kRadio[i], kUnit[i]};
    }
}
