// The 24 exports of zolt_spectro_ex.  Every one works only on its arguments
// and on the device behind the handle; nothing is kept between calls.
#include "zolt_spectro_ex.h"

#include "version_record.h"

namespace {

// Device types from 3 on take the integration time without exposure-mode or
// adaption switches.
constexpr uint8_t kFirstTintOnlyType = 3;

constexpr int32_t kExposureAuto = 1;  // the device chooses the time itself
constexpr int32_t kExposureFixed = 2; // a fixed integration time follows
constexpr int32_t kAdaptOff = 0;
constexpr int32_t kFormatDefault = 0;

enum class Finish { Start, Prepare };

// -0.0f compares equal to 0.0f, so both mean "no time given".
bool spectro_IsZeroTime(float tintMs) {
    return tintMs == 0.0f;
}

int spectro_Finish(uint32_t handle, Finish finish) {
    return finish == Finish::Start ? ZOLT_InitMeasure(handle)
                                   : ZOLT_SetFormatConf(handle, kFormatDefault);
}

// Each step is made only when all before it succeeded; steps already made stay
// in effect in the device, as the core keeps no transaction to roll back.
int spectro_LightSequence(uint32_t handle, float tintMs, uint16_t averages, int32_t function,
                          Finish finish) {
    uint8_t deviceType = 0;
    int status = ZOLT_GetDeviceType(handle, &deviceType);
    if (status != ZOLT_OK)
        return status;

    if (deviceType < kFirstTintOnlyType) {
        if (spectro_IsZeroTime(tintMs)) {
            if ((status = ZOLT_SetExposureConf(handle, kExposureAuto)) != ZOLT_OK)
                return status;
        } else {
            if ((status = ZOLT_SetExposureConf(handle, kExposureFixed)) != ZOLT_OK)
                return status;
            if ((status = ZOLT_SetTintConf(handle, tintMs)) != ZOLT_OK)
                return status;
            if ((status = ZOLT_SetAdaptConf(handle, kAdaptOff)) != ZOLT_OK)
                return status;
        }
    } else {
        if ((status = ZOLT_SetTintConf(handle, tintMs)) != ZOLT_OK)
            return status;
    }
    if ((status = ZOLT_SetAverConf(handle, averages)) != ZOLT_OK)
        return status;
    if ((status = ZOLT_SetFunctionConf(handle, function)) != ZOLT_OK)
        return status;
    return spectro_Finish(handle, finish);
}

int spectro_DarkSequence(uint32_t handle, float tintMs, uint16_t averages) {
    uint8_t deviceType = 0;
    int status = ZOLT_GetDeviceType(handle, &deviceType);
    if (status != ZOLT_OK)
        return status;
    if (spectro_IsZeroTime(tintMs))
        return ZOLT_E_INVALID_ARG;

    if (deviceType < kFirstTintOnlyType) {
        if ((status = ZOLT_SetExposureConf(handle, kExposureFixed)) != ZOLT_OK)
            return status;
    }
    if ((status = ZOLT_SetTintConf(handle, tintMs)) != ZOLT_OK)
        return status;
    if ((status = ZOLT_SetAverConf(handle, averages)) != ZOLT_OK)
        return status;
    if ((status = ZOLT_SetFunctionConf(handle, ZOLT_FUNC_DARK)) != ZOLT_OK)
        return status;
    return spectro_Finish(handle, Finish::Start);
}

int spectro_TransReflSequence(uint32_t handle, float tintMs, uint16_t averages, Finish finish) {
    uint8_t deviceType = 0;
    int status = ZOLT_GetDeviceType(handle, &deviceType);
    if (status != ZOLT_OK)
        return status;
    if (spectro_IsZeroTime(tintMs))
        return ZOLT_E_INVALID_ARG;

    if (deviceType < kFirstTintOnlyType) {
        if ((status = ZOLT_SetExposureConf(handle, kExposureFixed)) != ZOLT_OK)
            return status;
        if ((status = ZOLT_SetAdaptConf(handle, kAdaptOff)) != ZOLT_OK)
            return status;
    }
    if ((status = ZOLT_SetTintConf(handle, tintMs)) != ZOLT_OK)
        return status;
    if ((status = ZOLT_SetAverConf(handle, averages)) != ZOLT_OK)
        return status;
    if ((status = ZOLT_SetFunctionConf(handle, ZOLT_FUNC_TRANSREFL)) != ZOLT_OK)
        return status;
    return spectro_Finish(handle, finish);
}

} // namespace

extern "C" {

int ZOLT_API ZOLT_GetNumSpectroEx(uint32_t* count) {
    return ZOLT_GetNumDevices(count);
}

int ZOLT_API ZOLT_GetSerialSpectroEx(uint32_t index, uint32_t* serialNumber,
                                     uint32_t* connectionType, uint32_t* deviceType) {
    return ZOLT_GetSerialDevice(index, serialNumber, connectionType, deviceType);
}

int ZOLT_API ZOLT_OpenSpectroEx(uint32_t deviceNumber, uint32_t* handle) {
    return ZOLT_OpenDevice(deviceNumber, handle);
}

int ZOLT_API ZOLT_CloseSpectroEx(uint32_t handle) {
    return ZOLT_CloseDevice(handle);
}

int ZOLT_API ZOLT_StartDarkEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_DarkSequence(handle, tintMs, averages);
}

int ZOLT_API ZOLT_DarkPixEx(uint32_t handle, int32_t* counts) {
    return ZOLT_FetchDark(handle, counts);
}

int ZOLT_API ZOLT_DarkWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                             float* out) {
    return ZOLT_CalcLintDark(handle, firstNm, lastNm, stepNm, out);
}

int ZOLT_API ZOLT_StartLightEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_LightSequence(handle, tintMs, averages, ZOLT_FUNC_LIGHT, Finish::Start);
}

int ZOLT_API ZOLT_LightPixEx(uint32_t handle, int32_t* counts) {
    return ZOLT_FetchLight(handle, counts);
}

int ZOLT_API ZOLT_LightWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                              float* out) {
    return ZOLT_CalcLintLight(handle, firstNm, lastNm, stepNm, out);
}

int ZOLT_API ZOLT_StartReferEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_LightSequence(handle, tintMs, averages, ZOLT_FUNC_REFER, Finish::Start);
}

int ZOLT_API ZOLT_ReferPixEx(uint32_t handle, int32_t* counts) {
    return ZOLT_FetchRefer(handle, counts);
}

int ZOLT_API ZOLT_ReferWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                              float* out) {
    return ZOLT_CalcLintRefer(handle, firstNm, lastNm, stepNm, out);
}

int ZOLT_API ZOLT_StartTransReflEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_TransReflSequence(handle, tintMs, averages, Finish::Start);
}

int ZOLT_API ZOLT_TransReflPixEx(uint32_t handle, int32_t* values) {
    return ZOLT_FetchTransRefl(handle, values);
}

int ZOLT_API ZOLT_TransReflWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm, float stepNm,
                                  float* out) {
    return ZOLT_CalcLintTransRefl(handle, firstNm, lastNm, stepNm, out);
}

int ZOLT_API ZOLT_SpectroStatusEx(uint32_t handle, int32_t* busy) {
    return ZOLT_MeasureStatusCore(handle, busy);
}

int ZOLT_API ZOLT_SpectroBreakEx(uint32_t handle) {
    return ZOLT_Break(handle);
}

int ZOLT_API ZOLT_PixelCountEx(uint32_t handle, int32_t* pixelCount) {
    return ZOLT_GetPixel(handle, pixelCount);
}

int ZOLT_API ZOLT_SpectroTintEx(uint32_t handle, float* tintMs) {
    // The core's third output is of no use to our callers.
    int32_t discarded = 0;
    return ZOLT_GetTintConf(handle, tintMs, &discarded);
}

int ZOLT_API ZOLT_PrepareLightEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_LightSequence(handle, tintMs, averages, ZOLT_FUNC_LIGHT, Finish::Prepare);
}

int ZOLT_API ZOLT_PrepareReferEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_LightSequence(handle, tintMs, averages, ZOLT_FUNC_REFER, Finish::Prepare);
}

int ZOLT_API ZOLT_PrepareTransReflEx(uint32_t handle, float tintMs, uint16_t averages) {
    return spectro_TransReflSequence(handle, tintMs, averages, Finish::Prepare);
}

int ZOLT_API ZOLT_GetSpectroExDLLVersion(uint16_t* major, uint16_t* minor, uint16_t* build) {
    spectro_ex::FileVersion version{};
    if (!spectro_ex::version_ReadOwn(&version))
        return ZOLT_E_INTERNAL;
    // Callers may ask for only some of the numbers.
    if (major != nullptr)
        *major = version.major;
    if (minor != nullptr)
        *minor = version.minor;
    if (build != nullptr)
        *build = version.build;
    return ZOLT_OK;
}

} // extern "C"
