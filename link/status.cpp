#include "link/status.h"

#include "link/shared_state.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

struct StatusText {
    int code;
    const char* text;
};

constexpr StatusText kStatusTexts[] = {
    {ZOLT_E_COM_OPEN, "Could not open COM-port!"},
    {ZOLT_E_COM_SETTINGS, "Could not set COM-port settings!"},
    {ZOLT_E_COM_BUFFER, "Could not set buffer of COM-port!"},
    {ZOLT_E_COM_PURGE, "Could not purge buffers of COM-port!"},
    {ZOLT_E_COM_TIMEOUT, "Could not set COM-port timeout!"},
    {ZOLT_E_SEND, "Could not send to device!"},
    {ZOLT_E_TIME, "Communication time error!"},
    {ZOLT_E_RECEIVE, "Could not receive from device!"},
    {ZOLT_E_NOT_SUPPORTED, "Command not supported or invalid argument!"},
    {ZOLT_E_CONVERT, "Could not convert received data!"},
    {ZOLT_E_INVALID_ARG, "Invalid argument!"},
    {ZOLT_E_BUSY, "Device busy!"},
    {ZOLT_E_CHECKSUM, "Invalid checksum of received data!"},
    {ZOLT_E_STEP_WIDTH, "Invalid step width!"},
    {ZOLT_E_DEVICE_NUMBER, "Invalid device number!"},
    {ZOLT_E_NOT_CONNECTED, "Device not connected!"},
    {ZOLT_E_HANDLE, "Invalid device handle!"},
    {ZOLT_E_CALIB_NUMBER, "Invalid calibration file number!"},
    {ZOLT_E_CALIB_NOT_READ, "Calibration data not read!"},
    {ZOLT_E_OVEREXPOSURE, "Measurement failed (overexposure)!"},
    {ZOLT_E_INTERNAL, "Internal DLL error!"},
    {ZOLT_E_FATAL, "Fatal communication error!"},
};

constexpr const char* kUnknownStatus = "Unknown error or Windows sockets error codes!";

} // namespace

const char* ErrorText(int code) {
    if (code == ZOLT_OK || code == kStatusUserBreak)
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
    return dwError == ZOLT_OK ? 1 : 0;
}

int comm_StatusToResult(int status) {
    if (status == ZOLT_OK)
        return kResultOk;
    if (status == ZOLT_E_FATAL)
        return kResultFatal;
    return kResultFailed;
}
