#include "link/shared_state.h"

#include <cstdlib>
#include <cstring>

DeviceParameters stParam{};
char cSerial1[16] = {};
int dwError = 0;
uint32_t dwCurrentDevice = 0;

int iOffline = 1;
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

void FreeDisplayBuffers() {
    for (double** p : kDisplayBuffers)
        Release(p);
    iAllocatedDisplay = 0;
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
    iMinWaveLen = 0;
    iMaxWaveLen = 0;
}
