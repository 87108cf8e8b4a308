#include "link/device_params.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "link/core_call.h"
#include "link/hooks.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "ui/ui.h"
#include "zolt_core.h"
#include "zoltmath.h"

const float kFallbackFit[5] = {-600.0f, 2.0f, -0.001f, 7e-7f, -2e-10f};

namespace {

// Copies at most size - 1 characters and always terminates.
void CopyField(char* dst, std::size_t size, std::string_view src) {
    const std::size_t n = std::min(src.size(), size - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

bool UsablePixelCount(int32_t n) {
    return n > 0 && n <= kMaxPixelCount;
}

bool FiniteFit(const float fit[5]) {
    for (int i = 0; i < 5; ++i) {
        if (!std::isfinite(fit[i]))
            return false;
    }
    return true;
}

// Wavelength of pixel p, summed in the same order as the pixel wavelengths.
double Polynomial(const float fit[5], double p) {
    return ((static_cast<double>(fit[0]) + fit[1] * p) + fit[2] * std::pow(p, 2.0)) +
           fit[3] * std::pow(p, 3.0) + fit[4] * std::pow(p, 4.0);
}

bool FitsInt(double v) {
    return std::isfinite(v) && v > INT_MIN - 1.0 && v < INT_MAX + 1.0;
}

// Sets iMinWaveLen/iMaxWaveLen from stParam.fit; false when the polynomial is
// not a plausible wavelength calibration.
bool CheckFitOnce() {
    const double n = std::max(static_cast<double>(stParam.pixelCount) - 1.0, 0.0);
    const double first = stParam.fit[0];
    const double last = Polynomial(stParam.fit, n);
    if (!FiniteFit(stParam.fit) || !FitsInt(first) || !FitsInt(last))
        return false;
    iMinWaveLen = static_cast<int>(std::trunc(first));
    iMaxWaveLen = static_cast<int>(std::trunc(last));
    const long long span = static_cast<long long>(iMaxWaveLen) - iMinWaveLen;
    return span >= 10 && span <= 5000;
}

void FillLambda() {
    if (dLambda == nullptr)
        return;
    const int n = std::min(stParam.pixelCount, iAllocatedPixels);
    if (n <= 0)
        return;
    zoltmath_Fitpolynom(dLambda, stParam.fit[0], stParam.fit[1], stParam.fit[2], stParam.fit[3],
                        stParam.fit[4], n);
}

bool RangeInside(int32_t first, int32_t last, int32_t end) {
    return first >= 0 && first <= last && last <= end;
}

void DimFileOpen() {
    const int bar = hMainBar != 0 ? hMainBar : hMenuBar;
    if (bar != 0 && iMenuFileOpen != 0)
        SetMenuBarAttribute(bar, iMenuFileOpen, ATTR_MENU_DIMMED, 1);
}

} // namespace

int comm_ReadParam() {
    const uint32_t h = dwCurrentDevice;

    char firmware[ZOLT_FIRMWARE_MAX + 1] = {};
    if (link_CoreCall("comm_ReadParam, ZOLT_GetFirmwareVersion", ZOLT_GetFirmwareVersion, h,
                      firmware) == ZOLT_OK) {
        CopyField(stParam.firmware, sizeof stParam.firmware,
                  std::string_view(firmware, strnlen(firmware, ZOLT_FIRMWARE_MAX)));
    }

    float fit[5] = {};
    if (link_CoreCall("comm_ReadParam, ZOLT_GetFit", ZOLT_GetFit, h, fit) == ZOLT_OK) {
        std::memcpy(stParam.fit, fit, sizeof fit);
    }

    int32_t pixels = 0;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetPixel", ZOLT_GetPixel, h, &pixels) == ZOLT_OK &&
        UsablePixelCount(pixels)) {
        stParam.pixelCount = pixels;
    }

    uint8_t binning = 0;
    const int binStatus =
        link_CoreCall("comm_ReadParam, ZOLT_GetPixelBinning", ZOLT_GetPixelBinning, h, &binning);
    // A binning of 0 would divide the correction range by zero: count it as 1.
    stParam.pixelBinning = (binStatus == ZOLT_OK && binning != 0) ? binning : 1;

    float tint = 0.0f;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetTint", ZOLT_GetTint, h, &tint) == ZOLT_OK) {
        stParam.tintDevice = tint;
    }

    uint8_t adc = 0;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetADCRes", ZOLT_GetADCRes, h, &adc) == ZOLT_OK) {
        stParam.adcResolution = adc;
    }

    int32_t delay = 0;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetSDelay", ZOLT_GetSDelay, h, &delay) == ZOLT_OK) {
        stParam.sDelay = delay;
    }

    int32_t split = 0;
    stParam.splitTime =
        link_CoreCall("comm_ReadParam, ZOLT_GetSplitTime", ZOLT_GetSplitTime, h, &split) == ZOLT_OK
            ? split
            : 0;

    uint8_t low = 0;
    uint8_t high = 0;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetBorder", ZOLT_GetBorder, h, &low, &high) ==
        ZOLT_OK) {
        stParam.borderLow = low;
        stParam.borderHigh = high;
    } else {
        stParam.borderLow = 'A';
        stParam.borderHigh = 'Z';
    }

    float minTint = 0.0f;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetMinTintConf", ZOLT_GetMinTintConf, h, &minTint) ==
        ZOLT_OK) {
        stParam.minTintConf = minTint;
    }

    uint8_t type = 0;
    if (link_CoreCall("comm_ReadParam, ZOLT_GetDeviceType", ZOLT_GetDeviceType, h, &type) ==
        ZOLT_OK) {
        stParam.deviceType = type;
    }

    if (stParam.deviceType == 3) {
        stParam.optTrigger = 1;
    } else {
        int32_t trig = 0;
        if (link_CoreCall("comm_ReadParam, ZOLT_GetOptTrigg", ZOLT_GetOptTrigg, h, &trig) ==
            ZOLT_OK) {
            stParam.optTrigger = trig;
        }
    }

    if (stParam.connectionType == 4) {
        int32_t baud = 0;
        if (link_CoreCall("comm_ReadParam, ZOLT_GetBaudrate", ZOLT_GetBaudrate, h, &baud) ==
            ZOLT_OK) {
            stParam.baudrate = baud;
        }
    }
    return 0;
}

int main_GetBasicParam() {
    const uint32_t h = dwCurrentDevice;
    if (stParam.baudrate == 0)
        stParam.baudrate = 38400;

    // All six are read even when one fails, so that the log shows every
    // unreadable one.
    bool failed = false;

    float fit[5] = {};
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetFit", ZOLT_GetFit, h, fit);
    if (dwError == ZOLT_OK) {
        std::memcpy(stParam.fit, fit, sizeof fit);
    } else {
        failed = true;
    }

    int32_t pixels = 0;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetPixel", ZOLT_GetPixel, h, &pixels);
    // A count the arrays and files cannot hold is as unusable as no count.
    if (dwError == ZOLT_OK && UsablePixelCount(pixels)) {
        stParam.pixelCount = pixels;
    } else {
        failed = true;
    }

    char firmware[ZOLT_FIRMWARE_MAX + 1] = {};
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetFirmwareVersion", ZOLT_GetFirmwareVersion, h,
                      firmware);
    if (dwError == ZOLT_OK) {
        CopyField(stParam.firmware, sizeof stParam.firmware,
                  std::string_view(firmware, strnlen(firmware, ZOLT_FIRMWARE_MAX)));
    } else {
        failed = true;
    }

    uint8_t type = 0;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetDeviceType", ZOLT_GetDeviceType, h, &type);
    if (dwError == ZOLT_OK) {
        stParam.deviceType = type;
    } else {
        failed = true;
    }

    int32_t delay = 0;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetSDelay", ZOLT_GetSDelay, h, &delay);
    if (dwError == ZOLT_OK) {
        stParam.sDelay = delay;
    } else {
        failed = true;
    }

    float tint = 0.0f;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetTint", ZOLT_GetTint, h, &tint);
    if (dwError == ZOLT_OK) {
        stParam.tintDefault = tint;
    } else {
        failed = true;
    }

    if (failed) {
        MessagePopup("ERROR", "Could not read parameter from device!");
        iOffline = 1;
        DimFileOpen();
        SetWaitCursor(0);
        // Outside a connection set-up (which closes the device itself) the
        // program would stay dead while its window still says connected:
        // it goes offline, shown as the Connection switch shows it.
        if (iConnecting == 0)
            g_workspaceHooks.comm_Disconnect();
        return kResultFailed;
    }

    int32_t split = 0;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetSplitTime", ZOLT_GetSplitTime, h, &split);
    stParam.splitTime = dwError == ZOLT_OK ? split : 0;

    int32_t trig = 0;
    link_CoreCallKeep("main_GetBasicParam, ZOLT_GetOptTrigg", ZOLT_GetOptTrigg, h, &trig);
    stParam.optTrigger = dwError == ZOLT_OK ? trig : 0;

    stParam.correctionStat = 0;
    stParam.corrRange1First = stParam.corrRange1Last = 0;
    stParam.corrRange2First = stParam.corrRange2Last = 0;
    const int32_t pixelsNow = stParam.pixelCount;

    if (stParam.deviceType == 3) {
        int32_t first = 0;
        int32_t last = 0;
        link_CoreCallKeep("main_GetBasicParam, ZOLT_GetCorrectionRange#1", ZOLT_GetCorrectionRange,
                          h, &first, &last);
        if (dwError == ZOLT_OK) {
            stParam.corrRange1First = first;
            stParam.corrRange1Last = last;
        }
        if (stParam.corrRange1First != stParam.corrRange1Last)
            stParam.correctionStat = 1;
        const int32_t binning = std::max<int32_t>(stParam.pixelBinning, 1);
        stParam.corrRange1First /= binning;
        stParam.corrRange1Last /= binning;
        // A window outside the pixels would make the correction read past the
        // spectrum: leave the correction off.
        if (!RangeInside(stParam.corrRange1First, stParam.corrRange1Last, pixelsNow - 1)) {
            stParam.correctionStat = 0;
        }
        // Applies the stored adaption option to this device.
        if (hMainPanel != 0 && iCtrlCheckboxAdapt != 0) {
            CallCtrlCallback(hMainPanel, iCtrlCheckboxAdapt, EVENT_COMMIT, 0, 0);
        }
    } else {
        int32_t stat = 0;
        if (ZOLT_GetCorrectionStat(h, &stat) == ZOLT_OK)
            stParam.correctionStat = stat;
        if (stParam.correctionStat == 1) {
            int32_t first = 0;
            int32_t last = 0;
            link_CoreCallKeep("main_GetBasicParam, ZOLT_GetCorrectionRange#2",
                              ZOLT_GetCorrectionRange, h, &first, &last);
            const bool rangeRead = dwError == ZOLT_OK;
            if (rangeRead) {
                stParam.corrRange2First = first;
                stParam.corrRange2Last = last;
            }
            float coeff[4] = {};
            link_CoreCallKeep("main_GetBasicParam, ZOLT_GetCorrectionCoeff",
                              ZOLT_GetCorrectionCoeff, h, coeff);
            const bool coeffRead = dwError == ZOLT_OK;
            if (coeffRead)
                std::memcpy(stParam.corrCoeff, coeff, sizeof coeff);
            stParam.corrRange1First = 100;
            stParam.corrRange1Last = 200;
            // Correction data that could not be read, or ranges beyond the
            // pixels (the correction range ends before its last value), would
            // correct with stale numbers or read past the spectrum.
            if (!rangeRead || !coeffRead ||
                !RangeInside(stParam.corrRange2First, stParam.corrRange2Last, pixelsNow) ||
                !RangeInside(stParam.corrRange1First, stParam.corrRange1Last, pixelsNow - 1)) {
                stParam.correctionStat = 0;
            }
        }
    }
    return 0;
}

void comm_SplitFirmware() {
    const std::string_view text(stParam.firmware,
                                strnlen(stParam.firmware, sizeof stParam.firmware));
    std::string_view words[4];
    std::size_t pos = 0;
    for (std::string_view& word : words) {
        auto isBlank = [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
        };
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
        const std::size_t start = pos;
        while (pos < text.size() && !isBlank(text[pos]))
            ++pos;
        word = text.substr(start, pos - start);
    }
    CopyField(stParam.firmwareName, sizeof stParam.firmwareName, words[0]);
    CopyField(stParam.firmwareVersion, sizeof stParam.firmwareVersion, words[2]);
    CopyField(stParam.firmwareDate, sizeof stParam.firmwareDate, words[3]);
}

const char* comm_DeviceTypeText(int deviceType, int table) {
    static constexpr const char* kConfiguring[4] = {"generic ZOLT device", "kestro (xx01)",
                                                    "kestro 4407", "TKRMM7"};
    static constexpr const char* kAfterSetup[4] = {"generic ZOLT device", "kestro device (xx01)",
                                                   "kestro 4407", "TKRx7"};
    if (deviceType < 0 || deviceType > 3)
        return "";
    return table == 1 ? kConfiguring[deviceType] : kAfterSetup[deviceType];
}

int comm_CheckFit() {
    int replaced = 0;
    if (!CheckFitOnce()) {
        MessagePopup("Fit error!", "Fit coefficients are completely unreasonable.\n"
                                   "The programm will make some assumptions to\n"
                                   "make it work in all modes, but be sure to\n"
                                   "change fit parameters as soon as possible.");
        std::memcpy(stParam.fit, kFallbackFit, sizeof kFallbackFit);
        replaced = 1;
        // The fallback is applied once: for pixel counts it cannot cover
        // (below 6) its range stands as it comes out.
        CheckFitOnce();
    }
    FillLambda();
    return replaced;
}
