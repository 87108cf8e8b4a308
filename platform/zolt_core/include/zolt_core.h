/*
 * zolt_core.h - C interface of the core instrument library.
 *
 * Every function returns an int status: ZOLT_OK (0) on success, otherwise one
 * of the ZOLT_E_* codes below.  Per-device functions take the device handle
 * first; openers write the new handle through their last argument.  A handle is
 * never 0.  No function aborts, and none writes past a buffer whose size this
 * header states.
 *
 * Buffer sizes callers must provide:
 *   - ZOLT_ArbitraryCommand reply: ZOLT_REPLY_MAX bytes for a query (a command
 *     with "?", or "*IDN"), ZOLT_COMMAND_REPLY_MAX bytes for any other command.
 *     The reply and its NUL are written, nothing more; a longer reply is cut
 *     to fit.
 *   - ZOLT_GetFirmwareVersion: ZOLT_FIRMWARE_MAX bytes.
 *   - serial / IP / USB serial texts: 16 bytes.
 *   - spectrum fetches: one int32 per pixel, the count ZOLT_GetPixel gives;
 *     every fetch copies exactly that many (a TCP peer that answers another
 *     count gives ZOLT_E_CONVERT, to ZOLT_GetPixel and to the fetch alike).
 *   - parameter block: ZOLT_PARAM_BLOCK_SIZE bytes.
 *
 * Behaviour of this (simulated) implementation that callers may rely on:
 *   - A device is open at most once: a second open gives ZOLT_E_COM_OPEN, an
 *     address that no instrument has also gives ZOLT_E_COM_OPEN.
 *   - Handles count up from 1 and are not reused within a run.
 *   - While a device opened by its address (COM port, USB serial, IP text,
 *     Bluetooth address) is open, index 0 of ZOLT_GetDeviceInfo and
 *     ZOLT_GetSerialDevice describes that device.
 *   - Outputs are written only when the call returns ZOLT_OK.
 *   - Commands longer than 256 bytes or not ending in "\r": ZOLT_E_INVALID_ARG.
 *   - A fetch or CalcLint call while a measurement runs, or before one of
 *     that kind has completed (a broken measurement leaves none), gives
 *     ZOLT_E_BUSY.  Transmission needs a dark, a reference and a sample.
 *   - TCP/IP: each call waits at most 2 s for its request and reply together
 *     (environment ZOLT_TCP_TIMEOUT_MS, 50..60000): a silent peer gives
 *     ZOLT_E_TIME, a closed one ZOLT_E_RECEIVE, and every later call on that
 *     handle ZOLT_E_FATAL.  A wait on one peer holds up no other device.
 *     ZOLT_CloseDevice always frees the handle and returns once the peer has
 *     let the instrument go, so it can be opened again at once.
 */
#ifndef ZOLT_CORE_H
#define ZOLT_CORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define ZOLT_API __stdcall
#else
#define ZOLT_API
#endif

#if defined(__GNUC__)
#define ZOLT_EXPORT __attribute__((visibility("default")))
#else
#define ZOLT_EXPORT
#endif

/* Status codes.  ZOLT_STATUS_CODES(X) names each one once, so that a table
 * that must cover every code (the status texts) can be checked against it.
 * ZOLT_STATUS_CODES_LAST_APART(X, LAST) gives the last one to LAST instead:
 * C89 and C++98 refuse a comma after an enumeration's last member. */
#define ZOLT_STATUS_CODES(X) ZOLT_STATUS_CODES_LAST_APART(X, X)
#define ZOLT_STATUS_CODES_LAST_APART(X, LAST)                                                      \
    X(ZOLT_OK, 0)                                                                                  \
    X(ZOLT_E_COM_OPEN, 2)                                                                          \
    X(ZOLT_E_COM_SETTINGS, 3)                                                                      \
    X(ZOLT_E_COM_BUFFER, 4)                                                                        \
    X(ZOLT_E_COM_PURGE, 5)                                                                         \
    X(ZOLT_E_COM_TIMEOUT, 6)                                                                       \
    X(ZOLT_E_SEND, 7)                                                                              \
    X(ZOLT_E_TIME, 8)                                                                              \
    X(ZOLT_E_RECEIVE, 10)                                                                          \
    X(ZOLT_E_NOT_SUPPORTED, 11)                                                                    \
    X(ZOLT_E_CONVERT, 12)                                                                          \
    X(ZOLT_E_INVALID_ARG, 13)                                                                      \
    X(ZOLT_E_BUSY, 14)                                                                             \
    X(ZOLT_E_CHECKSUM, 17)                                                                         \
    X(ZOLT_E_STEP_WIDTH, 18)                                                                       \
    X(ZOLT_E_DEVICE_NUMBER, 19)                                                                    \
    X(ZOLT_E_NOT_CONNECTED, 20)                                                                    \
    X(ZOLT_E_HANDLE, 21)                                                                           \
    X(ZOLT_E_CALIB_NUMBER, 22)                                                                     \
    X(ZOLT_E_CALIB_NOT_READ, 23)                                                                   \
    X(ZOLT_E_OVEREXPOSURE, 32)                                                                     \
    X(ZOLT_E_INTERNAL, 128)                                                                        \
    LAST(ZOLT_E_FATAL, 255)

#define ZOLT_STATUS_ENUMERATOR(name, value) name = value,
#define ZOLT_STATUS_LAST_ENUMERATOR(name, value) name = value
enum { ZOLT_STATUS_CODES_LAST_APART(ZOLT_STATUS_ENUMERATOR, ZOLT_STATUS_LAST_ENUMERATOR) };
#undef ZOLT_STATUS_ENUMERATOR
#undef ZOLT_STATUS_LAST_ENUMERATOR

/* Connection types reported by ZOLT_GetDeviceInfo */
enum {
    ZOLT_CONN_NONE = 0,
    ZOLT_CONN_COM = 1,
    ZOLT_CONN_USB = 2,
    ZOLT_CONN_TCPIP = 3,
    ZOLT_CONN_BT = 4
};

/* Callback kinds for ZOLT_SetCallbackFunction */
enum { ZOLT_CALLBACK_OFF = 0, ZOLT_CALLBACK_POST_MESSAGE = 5 };

/* Window messages the library posts */
#define ZOLT_MSG_DEVICE_EVENT 0x9000u
#define ZOLT_MSG_NEW_WINDOW 1004u

/* Measurement function codes (ZOLT_SetFunctionConf) */
enum { ZOLT_FUNC_LIGHT = 1, ZOLT_FUNC_DARK = 2, ZOLT_FUNC_REFER = 3, ZOLT_FUNC_TRANSREFL = 4 };

#define ZOLT_REPLY_MAX 255
#define ZOLT_COMMAND_REPLY_MAX 50
#define ZOLT_FIRMWARE_MAX 256
#define ZOLT_TEXT16 16
#define ZOLT_PARAM_BLOCK_SIZE 1024
#define ZOLT_NAK 0x15
#define ZOLT_ACK 0x06

/*
 * Message posting.  On Windows the library posts the device-event message to
 * a window handle.  Here the application installs the function that delivers
 * such a message to its event loop; the library calls it from whatever thread
 * noticed the event, never synchronously from inside another ZOLT_ call.
 */
typedef void (*ZOLT_PostMessageFn)(intptr_t window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam);
ZOLT_EXPORT void ZOLT_API ZOLT_SetMessagePoster(ZOLT_PostMessageFn post);

/* Enumeration and connection */
ZOLT_EXPORT int ZOLT_API ZOLT_GetNumDevices(uint32_t* count);
ZOLT_EXPORT int ZOLT_API ZOLT_GetDeviceInfo(uint32_t index, uint8_t* connectionType,
                                            uint8_t* deviceType, char serial[16], uint16_t* comPort,
                                            uint32_t* baudrate, char ipAddress[16],
                                            char usbSerial[16], uint64_t* btAddress);
ZOLT_EXPORT int ZOLT_API ZOLT_GetSerialDevice(uint32_t index, uint32_t* serialNumber,
                                              uint32_t* connectionType, uint32_t* deviceType);
ZOLT_EXPORT int ZOLT_API ZOLT_OpenDevice(uint32_t index, uint32_t* handle);
ZOLT_EXPORT int ZOLT_API ZOLT_OpenCOMDevice(uint32_t port, uint32_t reserved, uint32_t* handle);
ZOLT_EXPORT int ZOLT_API ZOLT_OpenFTDIDevice(const char* usbSerial, uint32_t* handle);
/* ipText: "a.b.c.d" or "a.b.c.d:port" (default port ZOLT_TCP_DEFAULT_PORT) */
#define ZOLT_TCP_DEFAULT_PORT 7477
ZOLT_EXPORT int ZOLT_API ZOLT_OpenTCPDevice(const char* ipText, uint32_t* handle);
ZOLT_EXPORT int ZOLT_API ZOLT_OpenBTDevice(uint64_t btAddress, uint32_t* handle);
ZOLT_EXPORT int ZOLT_API ZOLT_CloseDevice(uint32_t handle);
ZOLT_EXPORT int ZOLT_API ZOLT_Reset(uint32_t handle);

/* Basic parameters */
ZOLT_EXPORT int ZOLT_API ZOLT_GetFirmwareVersion(uint32_t handle, char firmware[256]);
ZOLT_EXPORT int ZOLT_API ZOLT_GetFit(uint32_t handle, float fit[5]);
ZOLT_EXPORT int ZOLT_API ZOLT_GetPixel(uint32_t handle, int32_t* pixelCount);
ZOLT_EXPORT int ZOLT_API ZOLT_GetPixelBinning(uint32_t handle, uint8_t* binning);
ZOLT_EXPORT int ZOLT_API ZOLT_GetTint(uint32_t handle, float* tintMs);
ZOLT_EXPORT int ZOLT_API ZOLT_GetADCRes(uint32_t handle, uint8_t* bits);
ZOLT_EXPORT int ZOLT_API ZOLT_GetSDelay(uint32_t handle, int32_t* delayMs);
ZOLT_EXPORT int ZOLT_API ZOLT_GetSplitTime(uint32_t handle, int32_t* splitMs);
ZOLT_EXPORT int ZOLT_API ZOLT_GetBorder(uint32_t handle, uint8_t* low, uint8_t* high);
ZOLT_EXPORT int ZOLT_API ZOLT_GetMinTintConf(uint32_t handle, float* minTintMs);
ZOLT_EXPORT int ZOLT_API ZOLT_GetDeviceType(uint32_t handle, uint8_t* deviceType);
ZOLT_EXPORT int ZOLT_API ZOLT_GetOptTrigg(uint32_t handle, int32_t* optTrigger);
ZOLT_EXPORT int ZOLT_API ZOLT_GetBaudrate(uint32_t handle, int32_t* baudrate);
ZOLT_EXPORT int ZOLT_API ZOLT_GetCorrectionStat(uint32_t handle, int32_t* stat);
ZOLT_EXPORT int ZOLT_API ZOLT_GetCorrectionRange(uint32_t handle, int32_t* first, int32_t* last);
ZOLT_EXPORT int ZOLT_API ZOLT_GetCorrectionCoeff(uint32_t handle, float coeff[4]);

/* Trigger, device events, commands */
ZOLT_EXPORT int ZOLT_API ZOLT_SetTrigger(uint32_t handle, int32_t mode);
ZOLT_EXPORT int ZOLT_API ZOLT_GetEnquiry(uint32_t handle, int32_t* value);
ZOLT_EXPORT int ZOLT_API ZOLT_SetCallbackFunction(uint32_t handle, int32_t kind, intptr_t window);
/* command ends in "\r"; reply holds ZOLT_REPLY_MAX bytes for a query,
 * ZOLT_COMMAND_REPLY_MAX for another command; a reply starting with ZOLT_NAK
 * means the device refused the command.  A parameter written ("*PARA:KEY v")
 * answers ZOLT_ACK alone. */
ZOLT_EXPORT int ZOLT_API ZOLT_ArbitraryCommand(uint32_t handle, const char* command, char* reply);
ZOLT_EXPORT int ZOLT_API ZOLT_Break(uint32_t handle);

/* Switches and sensors */
ZOLT_EXPORT int ZOLT_API ZOLT_SetShutterStat(uint32_t handle, int32_t value);
ZOLT_EXPORT int ZOLT_API ZOLT_GetShutterStat(uint32_t handle, int32_t* value);
ZOLT_EXPORT int ZOLT_API ZOLT_SetLaserStat(uint32_t handle, int32_t value);
ZOLT_EXPORT int ZOLT_API ZOLT_GetLaserStat(uint32_t handle, int32_t* value);
ZOLT_EXPORT int ZOLT_API ZOLT_GetMeasHead(uint32_t handle, uint8_t* sensorBits);
ZOLT_EXPORT int ZOLT_API ZOLT_GetTemperature(uint32_t handle, float* degrees);
ZOLT_EXPORT int ZOLT_API ZOLT_GetBatteryStat(uint32_t handle, float* volts, uint8_t* percent,
                                             uint8_t* charging);
ZOLT_EXPORT int ZOLT_API ZOLT_GetFlickerFreq(uint32_t handle, float* hertz, int32_t* warning);

/* Adaption of the integration time */
ZOLT_EXPORT int ZOLT_API ZOLT_StartAdaption(uint32_t handle, int32_t mode);
ZOLT_EXPORT int ZOLT_API ZOLT_CheckAdaptionStat(uint32_t handle, float* tintMs, uint16_t* averages,
                                                int32_t* busy);
/* maxAverages: the largest averaging the device accepts (65535);
 * averages: the current averaging */
ZOLT_EXPORT int ZOLT_API ZOLT_GetAverConf(uint32_t handle, uint16_t* maxAverages,
                                          uint16_t* averages);

/* Parameter block */
ZOLT_EXPORT int ZOLT_API ZOLT_GetParamBlock(uint32_t handle, uint8_t block[1024]);
ZOLT_EXPORT int ZOLT_API ZOLT_SetParamBlock(uint32_t handle, const uint8_t block[1024]);

/* Measurement configuration and run */
ZOLT_EXPORT int ZOLT_API ZOLT_SetExposureConf(uint32_t handle, int32_t mode);
/* tintMs 0: automatic exposure; otherwise ZOLT_GetMinTintConf .. 60000 ms */
ZOLT_EXPORT int ZOLT_API ZOLT_SetTintConf(uint32_t handle, float tintMs);
ZOLT_EXPORT int ZOLT_API ZOLT_GetTintConf(uint32_t handle, float* tintMs, int32_t* reserved);
ZOLT_EXPORT int ZOLT_API ZOLT_SetAdaptConf(uint32_t handle, int32_t on);
ZOLT_EXPORT int ZOLT_API ZOLT_SetAverConf(uint32_t handle, uint32_t averages);
ZOLT_EXPORT int ZOLT_API ZOLT_SetFunctionConf(uint32_t handle, int32_t function);
ZOLT_EXPORT int ZOLT_API ZOLT_SetFormatConf(uint32_t handle, int32_t format);
ZOLT_EXPORT int ZOLT_API ZOLT_InitMeasure(uint32_t handle);
ZOLT_EXPORT int ZOLT_API ZOLT_MeasureStatusCore(uint32_t handle, int32_t* busy);
/* counts: one int32 per pixel */
ZOLT_EXPORT int ZOLT_API ZOLT_FetchDark(uint32_t handle, int32_t* counts);
ZOLT_EXPORT int ZOLT_API ZOLT_FetchLight(uint32_t handle, int32_t* counts);
ZOLT_EXPORT int ZOLT_API ZOLT_FetchRefer(uint32_t handle, int32_t* counts);
/* transmission/reflection in units of 0.01 % */
ZOLT_EXPORT int ZOLT_API ZOLT_FetchTransRefl(uint32_t handle, int32_t* values);
/* Spectrum on the wavelength grid firstNm, firstNm+stepNm, ... <= lastNm;
 * out holds floor((lastNm-firstNm)/stepNm)+1 floats.  stepNm <= 0 or
 * lastNm < firstNm: ZOLT_E_STEP_WIDTH; more than 4000000 points:
 * ZOLT_E_INVALID_ARG.  Counts for dark, light and reference, percent for
 * transmission/reflection; 0 outside the detector's wavelength range. */
ZOLT_EXPORT int ZOLT_API ZOLT_CalcLintDark(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                           float stepNm, float* out);
ZOLT_EXPORT int ZOLT_API ZOLT_CalcLintLight(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                            float stepNm, float* out);
ZOLT_EXPORT int ZOLT_API ZOLT_CalcLintRefer(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                            float stepNm, float* out);
ZOLT_EXPORT int ZOLT_API ZOLT_CalcLintTransRefl(uint32_t handle, int32_t firstNm, int32_t lastNm,
                                                float stepNm, float* out);

#ifdef __cplusplus
}
#endif

#endif /* ZOLT_CORE_H */
