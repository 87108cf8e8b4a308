#include "link/status.h"

#include "link/shared_state.h"
#include "ui/ui.h"

namespace {

struct StatusText {
    int code;
    const char* text;
};

constexpr StatusText kStatusTexts[] = {
    {2, "Could not open COM-port!"},
    {3, "Could not set COM-port settings!"},
    {4, "Could not set buffer of COM-port!"},
    {5, "Could not purge buffers of COM-port!"},
    {6, "Could not set COM-port timeout!"},
    {7, "Could not send to device!"},
    {8, "Communication time error!"},
    {10, "Could not receive from device!"},
    {11, "Command not supported or invalid argument!"},
    {12, "Could not convert received data!"},
    {13, "Invalid argument!"},
    {14, "Device busy!"},
    {17, "Invalid checksum of received data!"},
    {18, "Invalid step width!"},
    {19, "Invalid device number!"},
    {20, "Device not connected!"},
    {21, "Invalid device handle!"},
    {22, "Invalid calibration file number!"},
    {23, "Calibration data not read!"},
    {32, "Measurement failed (overexposure)!"},
    {128, "Internal DLL error!"},
    {255, "Fatal communication error!"},
};

constexpr const char* kUnknownStatus = "Unknown error or Windows sockets error codes!";

} // namespace

const char* ErrorText(int code) {
    if (code == 0 || code == kStatusUserBreak)
        return nullptr;
    for (const StatusText& s : kStatusTexts) {
        if (s.code == code)
            return s.text;
    }
    return kUnknownStatus;
}

int ErrorCheck(int code) {
    const char* text = ErrorText(code);
    if (text != nullptr)
        MessagePopup("Error", text);
    return code;
}

int is_dwError_0() {
    return dwError == 0 ? 1 : 0;
}

int comm_StatusToResult(int status) {
    if (status == 0)
        return 0;
    if (status == 255)
        return -99;
    return -1;
}
