#include "fake_core.h"

#include <cstdarg>
#include <cstdio>

#include "zolt_core.h"

namespace fakecore {
namespace {

struct FakeState {
    std::vector<std::string> calls;
    size_t failAt = 0;
    int failStatus = 0;
    uint8_t deviceType = 0;
    const void* lastTintReserved = nullptr;
};

FakeState& fake_State() {
    static FakeState state;
    return state;
}

// Records one call and returns the status it is to answer.
__attribute__((format(printf, 1, 2))) int fake_Record(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    FakeState& s = fake_State();
    s.calls.emplace_back(text);
    return s.calls.size() == s.failAt ? s.failStatus : ZOLT_OK;
}

} // namespace

void fake_Reset() {
    fake_State() = FakeState{};
}
void fake_SetDeviceType(uint8_t type) {
    fake_State().deviceType = type;
}
void fake_FailAtCall(size_t n, int status) {
    fake_State().failAt = n;
    fake_State().failStatus = status;
}
const std::vector<std::string>& fake_Calls() {
    return fake_State().calls;
}
const void* fake_LastTintReserved() {
    return fake_State().lastTintReserved;
}

} // namespace fakecore

using fakecore::fake_Record;

extern "C" {

// Outputs are written only on success, as the real core does.

int ZOLT_API ZOLT_GetNumDevices(uint32_t* count) {
    const int status = fake_Record("ZOLT_GetNumDevices(%p)", static_cast<void*>(count));
    if (status == ZOLT_OK)
        *count = fakecore::kNumDevices;
    return status;
}

int ZOLT_API ZOLT_GetSerialDevice(uint32_t index, uint32_t* serialNumber, uint32_t* connectionType,
                                  uint32_t* deviceType) {
    const int status =
        fake_Record("ZOLT_GetSerialDevice(%u,%p,%p,%p)", index, static_cast<void*>(serialNumber),
                    static_cast<void*>(connectionType), static_cast<void*>(deviceType));
    if (status == ZOLT_OK) {
        *serialNumber = fakecore::kSerialNumber;
        *connectionType = fakecore::kConnectionType;
        *deviceType = fakecore::kSerialDeviceType;
    }
    return status;
}

int ZOLT_API ZOLT_OpenDevice(uint32_t index, uint32_t* handle) {
    const int status = fake_Record("ZOLT_OpenDevice(%u,%p)", index, static_cast<void*>(handle));
    if (status == ZOLT_OK)
        *handle = fakecore::kOpenedHandle;
    return status;
}

int ZOLT_API ZOLT_CloseDevice(uint32_t handle) {
    return fake_Record("ZOLT_CloseDevice(%u)", handle);
}

int ZOLT_API ZOLT_GetDeviceType(uint32_t handle, uint8_t* deviceType) {
    const int status = fake_Record("ZOLT_GetDeviceType(%u)", handle);
    if (status == ZOLT_OK)
        *deviceType = fakecore::fake_State().deviceType;
    return status;
}

int ZOLT_API ZOLT_SetExposureConf(uint32_t handle, int32_t mode) {
    return fake_Record("ZOLT_SetExposureConf(%u,%d)", handle, mode);
}

int ZOLT_API ZOLT_SetTintConf(uint32_t handle, float tintMs) {
    return fake_Record("ZOLT_SetTintConf(%u,%g)", handle, static_cast<double>(tintMs));
}

int ZOLT_API ZOLT_SetAdaptConf(uint32_t handle, int32_t on) {
    return fake_Record("ZOLT_SetAdaptConf(%u,%d)", handle, on);
}

int ZOLT_API ZOLT_SetAverConf(uint32_t handle, uint32_t averages) {
    return fake_Record("ZOLT_SetAverConf(%u,%u)", handle, averages);
}

int ZOLT_API ZOLT_SetFunctionConf(uint32_t handle, int32_t function) {
    return fake_Record("ZOLT_SetFunctionConf(%u,%d)", handle, function);
}

int ZOLT_API ZOLT_SetFormatConf(uint32_t handle, int32_t format) {
    return fake_Record("ZOLT_SetFormatConf(%u,%d)", handle, format);
}

int ZOLT_API ZOLT_InitMeasure(uint32_t handle) {
    return fake_Record("ZOLT_InitMeasure(%u)", handle);
}

int ZOLT_API ZOLT_MeasureStatusCore(uint32_t handle, int32_t* busy) {
    const int status =
        fake_Record("ZOLT_MeasureStatusCore(%u,%p)", handle, static_cast<void*>(busy));
    if (status == ZOLT_OK)
        *busy = fakecore::kBusy;
    return status;
}

static int fake_Fetch(const char* name, uint32_t handle, int32_t* counts) {
    const int status = fake_Record("%s(%u,%p)", name, handle, static_cast<void*>(counts));
    if (status == ZOLT_OK)
        counts[0] = fakecore::kFetchFill;
    return status;
}

int ZOLT_API ZOLT_FetchDark(uint32_t handle, int32_t* counts) {
    return fake_Fetch("ZOLT_FetchDark", handle, counts);
}
int ZOLT_API ZOLT_FetchLight(uint32_t handle, int32_t* counts) {
    return fake_Fetch("ZOLT_FetchLight", handle, counts);
}
int ZOLT_API ZOLT_FetchRefer(uint32_t handle, int32_t* counts) {
    return fake_Fetch("ZOLT_FetchRefer", handle, counts);
}
int ZOLT_API ZOLT_FetchTransRefl(uint32_t handle, int32_t* values) {
    return fake_Fetch("ZOLT_FetchTransRefl", handle, values);
}

static int fake_Lint(const char* name, uint32_t handle, int32_t firstNm, int32_t lastNm,
                     float stepNm, float* out) {
    const int status = fake_Record("%s(%u,%d,%d,%g,%p)", name, handle, firstNm, lastNm,
                                   static_cast<double>(stepNm), static_cast<void*>(out));
    if (status == ZOLT_OK)
        out[0] = fakecore::kWaveFill;
    return status;
}

int ZOLT_API ZOLT_CalcLintDark(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                               float* out) {
    return fake_Lint("ZOLT_CalcLintDark", handle, firstNm, lastNm, stepNm, out);
}
int ZOLT_API ZOLT_CalcLintLight(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                                float* out) {
    return fake_Lint("ZOLT_CalcLintLight", handle, firstNm, lastNm, stepNm, out);
}
int ZOLT_API ZOLT_CalcLintRefer(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                                float* out) {
    return fake_Lint("ZOLT_CalcLintRefer", handle, firstNm, lastNm, stepNm, out);
}
int ZOLT_API ZOLT_CalcLintTransRefl(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                                    float* out) {
    return fake_Lint("ZOLT_CalcLintTransRefl", handle, firstNm, lastNm, stepNm, out);
}

int ZOLT_API ZOLT_Break(uint32_t handle) {
    return fake_Record("ZOLT_Break(%u)", handle);
}

int ZOLT_API ZOLT_GetPixel(uint32_t handle, int32_t* pixelCount) {
    const int status = fake_Record("ZOLT_GetPixel(%u,%p)", handle, static_cast<void*>(pixelCount));
    if (status == ZOLT_OK)
        *pixelCount = fakecore::kPixelCount;
    return status;
}

int ZOLT_API ZOLT_GetTintConf(uint32_t handle, float* tintMs, int32_t* reserved) {
    // The reserved pointer is not journalled: it is the library's own local.
    const int status = fake_Record("ZOLT_GetTintConf(%u,%p)", handle, static_cast<void*>(tintMs));
    fakecore::fake_State().lastTintReserved = reserved;
    if (status == ZOLT_OK) {
        *tintMs = fakecore::kTintMs;
        *reserved = fakecore::kTintReserved;
    }
    return status;
}

} // extern "C"
