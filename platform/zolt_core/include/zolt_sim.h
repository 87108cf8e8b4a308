/*
 * zolt_sim.h - control of the simulated instrument behind libzolt_core.
 * Not part of the core API: tests and the zolt-sim program use it to shape
 * the registry of instruments and to inject faults.
 */
#ifndef ZOLT_SIM_H
#define ZOLT_SIM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ZSIM_SAMPLE_NONE = 0, ZSIM_SAMPLE_HOLMIUM = 1, ZSIM_SAMPLE_EMISSION = 2 };

typedef struct ZSimDevice {
    uint8_t deviceType;     /* 0..4 */
    uint8_t connectionType; /* ZOLT_CONN_COM, _USB, _TCPIP, _BT */
    uint16_t comPort;
    uint32_t baudrate;
    char serial[16];
    char usbSerial[16];
    char ipAddress[16]; /* for TCP devices served by zolt-sim: "a.b.c.d[:port]" */
    uint64_t btAddress;
    int32_t pixelCount;
    float fit[5];    /* wavelength polynomial a0..a4 */
    int32_t adcBits; /* full scale = 2^adcBits - 1 */
    uint8_t binning;
    int32_t sample;     /* ZSIM_SAMPLE_* in the beam */
    char firmware[256]; /* identification text ("*idn") */
    int32_t correctionStat;
    int32_t corrRangeFirst, corrRangeLast;
    float corrCoeff[4];
    uint64_t seed; /* noise seed */
    /* Appended fields (zsim_DefaultDevice fills them). */
    float tintMs;        /* integration time at power-on, ms */
    int32_t sDelayMs;    /* extra delay of a light measurement, ms */
    int32_t splitTimeMs; /* split time, ms (0: none) */
    float flickerHz;     /* light modulation: >0 Hz, 0 none (warning 11), <0 fuzzy (12) */
    uint8_t measHead;    /* measuring-head sensor bits */
    /* Sample-changer commands read at the start of each acquisition (and
     * while the device-event message is armed), and when a closed device is
     * counted or opened (unplug, plug); "" for none. */
    char control[256];
} ZSimDevice;

/* Fills d with the built-in default instrument. */
void zsim_DefaultDevice(ZSimDevice* d);
/* Back to the start state: the default registry (one instrument, or the file
 * named by the environment variable ZOLT_SIM_CONFIG), every handle closed,
 * faults, journal and clock override cleared.  The message poster installed
 * with ZOLT_SetMessagePoster stays; posts not yet delivered are dropped. */
void zsim_Reset(void);
/* Registry from a configuration text; on error returns non-zero and writes a
 * message naming the line into error (errorSize bytes), registry unchanged. */
int zsim_Configure(const char* text, char* error, size_t errorSize);
int zsim_ConfigureFile(const char* path, char* error, size_t errorSize);
/* Replacing or clearing the registry closes every open handle. */
void zsim_ClearDevices(void);
int zsim_AddDevice(const ZSimDevice* d); /* returns the new index, or -1 */
int zsim_NumDevices(void);
int zsim_GetDevice(int index, ZSimDevice* d);
int zsim_SetSample(int index, int sample);

/* Faults.  function is a core function name such as "ZOLT_GetFit". */
void zsim_FailCall(const char* function, int nth,
                   int status);                  /* nth 1 = next call; 0 = every call */
void zsim_ClearFaults(void);                     /* also NAKs, time factor and never-ending */
void zsim_NakCommand(const char* commandPrefix); /* ZOLT_ArbitraryCommand replies NAK */
void zsim_SetMeasureTimeFactor(double factor);   /* >1 slower measurements */
void zsim_SetNeverEnding(int on);                /* measurements never finish */
void zsim_SetEnquiry(int index, int value);      /* what ZOLT_GetEnquiry answers */
/* Fixed answers of the status read-outs, kept until zsim_Reset. */
void zsim_SetBattery(int index, float volts, int percent, int charging); /* instead of the type's */
void zsim_SetTemperature(int index, float degrees);  /* NaN: back to the warming model */
void zsim_SetFlickerWarning(int index, int warning); /* of a failed determination; 0: 11 or 12 */
/* In-process devices only.  The next ZOLT_GetEnquiry answers 1 once, then
 * the zsim_SetEnquiry value again.  Armed = ZOLT_SetCallbackFunction kind 5;
 * the message is posted from the library's own thread. */
void zsim_FireTrigger(int index); /* posts the device-event message if armed */
/* Opening it gives ZOLT_E_NOT_CONNECTED too; ZOLT_CloseDevice still frees the
 * handle (and returns ZOLT_E_NOT_CONNECTED).  zsim_Reset plugs it back. */
void zsim_Unplug(int index); /* every later call on it: ZOLT_E_NOT_CONNECTED */

/* Time: a monotonic clock in seconds; NULL restores the real one. */
void zsim_SetClock(double (*now)(void));

/* Journal of core calls: "ZOLT_Name(args) -> status", oldest first, at most
 * 20000 kept; NULL past the end.  The text is the calling thread's own copy,
 * valid until that thread asks for the next entry. */
size_t zsim_JournalCount(void);
const char* zsim_JournalEntry(size_t i);
void zsim_ClearJournal(void);

/* Reference data of the samples (nm). */
const double* zsim_HolmiumBands(int* count);
const double* zsim_EmissionLines(int* count);
double zsim_EmissionLineFwhm(void); /* full width at half maximum of each line, nm */

#ifdef __cplusplus
}
#endif

#endif /* ZOLT_SIM_H */
