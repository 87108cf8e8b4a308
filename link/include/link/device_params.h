// The device parameter record and the routines that fill it from the
// instrument.
#pragma once

#include <cstdint>

// Largest pixel count the spectrum arrays, the statistics and the spectrum
// file can hold.
constexpr int kMaxPixelCount = 2048;

struct DeviceParameters {
    uint8_t deviceType;     // 0 generic, 1 kestro (xx01), 2 kestro 4407, 3 TKRMM7
    uint8_t connectionType; // 0 none, 1 COM, 2 USB (FTDI), 3 TCP/IP, 4+ Bluetooth
    uint16_t comPort;
    int32_t baudrate; // 0 is replaced by 38400 before use
    char ipAddress[16];
    char usbSerial[16];
    uint64_t btAddress;
    float fit[5]; // wavelength (nm) of pixel i = a0 + a1 i + a2 i^2 + a3 i^3 + a4 i^4
    int32_t pixelCount;
    uint8_t pixelBinning; // at least 1
    float tintDevice;     // ms, kept only
    int32_t splitTime;    // ms
    float minTintConf;    // as the library writes it, kept only
    uint8_t adcResolution;
    uint8_t borderLow;
    uint8_t borderHigh;
    char firmware[256];       // identification text
    char firmwareName[50];    // word 1 of firmware
    char firmwareVersion[50]; // word 3
    char firmwareDate[50];    // word 4
    int32_t sDelay;           // ms added to measurement and scan times
    int32_t lamp;
    float tintDefault; // ms, the device's integration time
    int32_t optTrigger;
    int32_t correctionStat;  // 1 = stray-light correction data present
    int32_t corrRange1First; // offset window
    int32_t corrRange1Last;
    int32_t corrRange2First; // correction range
    int32_t corrRange2Last;
    float corrCoeff[4];
};

// Fallback wavelength polynomial for implausible device coefficients.
extern const float kFallbackFit[5];

// Significant digits a float coefficient holds: how the fit and correction
// coefficients are shown (they span many orders of magnitude, down to 1e-13).
constexpr int kCoeffDigits = 7;

// Reads the device parameters on dwCurrentDevice, each call logged; the
// statuses are not kept.  Returns 0.
int comm_ReadParam();

// Reads the basic parameters (baud-rate default, the six basic reads, split
// time, optical trigger, stray-light correction data).  Returns 0, or -1 when a
// basic parameter is unreadable or unusable: then the user is told, the
// program goes offline and FILE_OPEN is dimmed.
int main_GetBasicParam();

// Splits stParam.firmware into firmwareName (word 1), firmwareVersion (word 3)
// and firmwareDate (word 4).  Each field is cut to its size; a missing word
// leaves its field empty.
void comm_SplitFirmware();

// Device-type text: table 1 while configuring, table 2 after set-up.  Types
// outside the table have no text (empty).
const char* comm_DeviceTypeText(int deviceType, int table);

// Checks the wavelength polynomial, sets iMinWaveLen/iMaxWaveLen, replaces an
// implausible polynomial by the fallback (at most once, with a message) and
// fills dLambda when it is allocated.  Returns 0 when the device polynomial
// was kept, 1 when the fallback was applied.
int comm_CheckFit();
