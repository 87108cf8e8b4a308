/*
 * A measuring program of its own kind: plain C, no header of the library,
 * every export found at run time.  Loads the library named on the command
 * line, resolves all 24 exports, opens the first instrument and takes one
 * dark spectrum.  Exit code 0 only when all of that worked.
 */
#define _POSIX_C_SOURCE 200809L

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef int (*GetNumFn)(uint32_t*);
typedef int (*OpenFn)(uint32_t, uint32_t*);
typedef int (*CloseFn)(uint32_t);
typedef int (*StartFn)(uint32_t, float, uint16_t);
typedef int (*PixFn)(uint32_t, int32_t*);
typedef int (*StatusFn)(uint32_t, int32_t*);
typedef int (*CountFn)(uint32_t, int32_t*);
typedef int (*VersionFn)(uint16_t*, uint16_t*, uint16_t*);

static const char* const kExports[24] = {
    "ZOLT_GetNumSpectroEx", "ZOLT_GetSerialSpectroEx", "ZOLT_OpenSpectroEx",
    "ZOLT_CloseSpectroEx",  "ZOLT_StartDarkEx",        "ZOLT_DarkPixEx",
    "ZOLT_DarkWaveEx",      "ZOLT_StartLightEx",       "ZOLT_LightPixEx",
    "ZOLT_LightWaveEx",     "ZOLT_StartReferEx",       "ZOLT_ReferPixEx",
    "ZOLT_ReferWaveEx",     "ZOLT_StartTransReflEx",   "ZOLT_TransReflPixEx",
    "ZOLT_TransReflWaveEx", "ZOLT_SpectroStatusEx",    "ZOLT_SpectroBreakEx",
    "ZOLT_PixelCountEx",    "ZOLT_SpectroTintEx",      "ZOLT_PrepareLightEx",
    "ZOLT_PrepareReferEx",  "ZOLT_PrepareTransReflEx", "ZOLT_GetSpectroExDLLVersion",
};

enum {
    kGetNum = 0,
    kOpen = 2,
    kClose = 3,
    kStartDark = 4,
    kDarkPix = 5,
    kStatus = 16,
    kPixelCount = 18,
    kVersion = 23
};

static int fail(const char* what, int status) {
    fprintf(stderr, "spectro_ex_dlopen_client: %s (status %d)\n", what, status);
    return 1;
}

static double now_seconds(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

/* Waits for the running measurement; the deadline only guards against a hang. */
static int wait_ready(void* const* fn, uint32_t handle) {
    const double deadline = now_seconds() + 30.0;
    for (;;) {
        int32_t busy = 1;
        const int status = ((StatusFn)fn[kStatus])(handle, &busy);
        if (status != 0)
            return fail("status", status);
        if (busy == 0)
            return 0;
        if (now_seconds() > deadline)
            return fail("measurement never finished", 0);
        const struct timespec pause = {0, 1000000L};
        nanosleep(&pause, NULL);
    }
}

static int run_dark(void* const* fn, uint32_t handle) {
    int32_t pixels = 0;
    int status = ((CountFn)fn[kPixelCount])(handle, &pixels);
    if (status != 0 || pixels <= 0 || pixels > 1 << 20)
        return fail("pixel count", status);

    status = ((StartFn)fn[kStartDark])(handle, 5.0f, 1);
    if (status != 0)
        return fail("start dark", status);
    if (wait_ready(fn, handle) != 0)
        return 1;

    int32_t* counts = calloc((size_t)pixels, sizeof *counts);
    if (counts == NULL)
        return fail("out of memory", 0);
    status = ((PixFn)fn[kDarkPix])(handle, counts);
    long long sum = 0;
    for (int32_t i = 0; i < pixels; ++i)
        sum += counts[i];
    free(counts);
    if (status != 0)
        return fail("fetch dark", status);
    if (sum <= 0)
        return fail("dark spectrum is empty", 0);
    printf("dark: %d pixels, mean %.1f counts\n", (int)pixels, (double)sum / pixels);
    return 0;
}

static int measure_dark(void* const* fn) {
    uint32_t devices = 0;
    int status = ((GetNumFn)fn[kGetNum])(&devices);
    if (status != 0 || devices == 0)
        return fail("no instrument found", status);

    uint32_t handle = 0;
    status = ((OpenFn)fn[kOpen])(0, &handle);
    if (status != 0)
        return fail("open", status);
    const int result = run_dark(fn, handle);
    status = ((CloseFn)fn[kClose])(handle);
    if (status != 0)
        return fail("close", status);
    return result;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <path of libzolt_spectro_ex.so>\n", argv[0]);
        return 2;
    }
    /* Kept loaded to the end, as a measuring program keeps its instrument
     * libraries: unloading the core would drop its device registry unfreed. */
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library == NULL) {
        fprintf(stderr, "spectro_ex_dlopen_client: %s\n", dlerror());
        return 1;
    }

    void* fn[24];
    int missing = 0;
    for (int i = 0; i < 24; ++i) {
        fn[i] = dlsym(library, kExports[i]);
        if (fn[i] == NULL) {
            fprintf(stderr, "spectro_ex_dlopen_client: %s not exported\n", kExports[i]);
            missing = 1;
        }
    }
    int result = missing;
    if (!missing) {
        uint16_t major = 0, minor = 0, build = 0;
        int status = ((VersionFn)fn[kVersion])(&major, &minor, &build);
        if (status != 0)
            result = fail("version query", status);
        else if (major != 4 || minor != 0 || build != 11)
            result = fail("unexpected version", (int)major * 10000 + minor * 100 + build);
        else
            result = measure_dark(fn);
    }
    dlclose(library);
    return result;
}
