/*
 * zolt_spectro_ex.h - the extended measurement library.
 *
 * One call per kind of measurement configures the device through the core
 * library (exposure mode, integration time, averaging, function, output
 * format) and starts or prepares it; the other calls pass status, break,
 * fetch, pixel count, integration time and enumeration through to the core.
 * The library keeps no state: every call works only on its arguments and the
 * device behind the handle, and returns a core status code (0 success).
 *
 * Own codes: ZOLT_E_INVALID_ARG (13) for an integration time of 0 where a
 * fixed time is required; ZOLT_E_INTERNAL (128) when the library's version
 * record cannot be read.  Export ordinals are fixed in zolt_spectro_ex.def.
 */
#ifndef ZOLT_SPECTRO_EX_H
#define ZOLT_SPECTRO_EX_H

#include <stdint.h>

#include "zolt_core.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Enumeration and connection (forwarded to the core) */
ZOLT_EXPORT int ZOLT_API ZOLT_GetNumSpectroEx(uint32_t* count);
ZOLT_EXPORT int ZOLT_API ZOLT_GetSerialSpectroEx(uint32_t index, uint32_t* serialNumber,
                                                 uint32_t* connectionType, uint32_t* deviceType);
ZOLT_EXPORT int ZOLT_API ZOLT_OpenSpectroEx(uint32_t deviceNumber, uint32_t* handle);
ZOLT_EXPORT int ZOLT_API ZOLT_CloseSpectroEx(uint32_t handle);

/* Dark: needs a non-zero integration time (else 13) */
ZOLT_EXPORT int ZOLT_API ZOLT_StartDarkEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_DarkPixEx(uint32_t handle, int32_t* counts);
ZOLT_EXPORT int ZOLT_API ZOLT_DarkWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                         float stepNm, float* out);

/* Light: an integration time of 0 lets the device choose (types below 3) */
ZOLT_EXPORT int ZOLT_API ZOLT_StartLightEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_LightPixEx(uint32_t handle, int32_t* counts);
ZOLT_EXPORT int ZOLT_API ZOLT_LightWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                          float stepNm, float* out);

/* Reference: as light */
ZOLT_EXPORT int ZOLT_API ZOLT_StartReferEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_ReferPixEx(uint32_t handle, int32_t* counts);
ZOLT_EXPORT int ZOLT_API ZOLT_ReferWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                          float stepNm, float* out);

/* Transmission/reflection: needs a non-zero integration time (else 13) */
ZOLT_EXPORT int ZOLT_API ZOLT_StartTransReflEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_TransReflPixEx(uint32_t handle, int32_t* values);
ZOLT_EXPORT int ZOLT_API ZOLT_TransReflWaveEx(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                              float stepNm, float* out);

/* Running measurement: busy is non-zero until it has finished */
ZOLT_EXPORT int ZOLT_API ZOLT_SpectroStatusEx(uint32_t handle, int32_t* busy);
ZOLT_EXPORT int ZOLT_API ZOLT_SpectroBreakEx(uint32_t handle);

ZOLT_EXPORT int ZOLT_API ZOLT_PixelCountEx(uint32_t handle, int32_t* pixelCount);
ZOLT_EXPORT int ZOLT_API ZOLT_SpectroTintEx(uint32_t handle, float* tintMs);

/* Configure without starting */
ZOLT_EXPORT int ZOLT_API ZOLT_PrepareLightEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_PrepareReferEx(uint32_t handle, float tintMs, uint16_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_PrepareTransReflEx(uint32_t handle, float tintMs, uint16_t averages);

/* The library's own version (major.minor.build); 128 when its version record
 * cannot be read, outputs then untouched.  Null outputs are skipped. */
ZOLT_EXPORT int ZOLT_API ZOLT_GetSpectroExDLLVersion(uint16_t* major, uint16_t* minor,
                                                     uint16_t* build);

#ifdef __cplusplus
}
#endif

#endif /* ZOLT_SPECTRO_EX_H */
