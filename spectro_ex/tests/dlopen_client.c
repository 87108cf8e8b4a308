/*
 * A measuring program of its own kind: plain C, no header of the library,
 * every export found at run time, the library loaded as a plug-in is.  Per
 * cycle it loads the library named on the command line, resolves all 24
 * exports, opens the first instrument with device events on (the core starts
 * a thread for them), takes one dark spectrum, closes and unloads it.  After
 * each unload the core is gone and no thread of it is left.  Where the
 * address sanitizer is on, an unload from the second on leaves nothing
 * allocated, and the leak check finds at exit whatever else stayed.  Exit
 * code 0 only when all of that worked.
 */
#define _POSIX_C_SOURCE 200809L

#include <dirent.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
/* The sanitizer runtime's own count (gcc ships no header for it). */
size_t __sanitizer_get_current_allocated_bytes(void);
static size_t allocated(void) {
    return __sanitizer_get_current_allocated_bytes();
}
#else
/* The C library's malloc counts the blocks its per-thread caches keep as in
 * use, so its figures move by themselves: no count is compared there. */
static size_t allocated(void) {
    return 0;
}
#endif

typedef int (*GetNumFn)(uint32_t*);
typedef int (*OpenFn)(uint32_t, uint32_t*);
typedef int (*CloseFn)(uint32_t);
typedef int (*StartFn)(uint32_t, float, uint16_t);
typedef int (*PixFn)(uint32_t, int32_t*);
typedef int (*StatusFn)(uint32_t, int32_t*);
typedef int (*CountFn)(uint32_t, int32_t*);
typedef int (*VersionFn)(uint16_t*, uint16_t*, uint16_t*);
typedef int (*CallbackFn)(uint32_t, int32_t, intptr_t);

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

static int threads(void) {
    DIR* dir = opendir("/proc/self/task");
    if (dir == NULL)
        return -1;
    int count = 0;
    while (readdir(dir) != NULL)
        ++count;
    closedir(dir);
    return count - 2; /* "." and ".." */
}

/* A joined thread may linger in the task list a moment after the join. */
static int wait_threads(int expected) {
    const double deadline = now_seconds() + 5.0;
    while (threads() != expected) {
        if (now_seconds() > deadline)
            return 0;
        const struct timespec pause = {0, 1000000L};
        nanosleep(&pause, NULL);
    }
    return 1;
}

/* device events: the core's kind that posts a message per event */
enum { kPostMessage = 5 };

static int measure_dark(void* library, void* const* fn, int threads_before) {
    uint32_t devices = 0;
    int status = ((GetNumFn)fn[kGetNum])(&devices);
    if (status != 0 || devices == 0)
        return fail("no instrument found", status);

    uint32_t handle = 0;
    status = ((OpenFn)fn[kOpen])(0, &handle);
    if (status != 0)
        return fail("open", status);
    /* Found through the library: the core is one of its dependencies. */
    CallbackFn callback = (CallbackFn)dlsym(library, "ZOLT_SetCallbackFunction");
    int result = callback == NULL ? fail("core not reached through the library", 0) : 0;
    if (result == 0) {
        status = callback(handle, kPostMessage, 1);
        if (status != 0)
            result = fail("device events on", status);
        else if (threads() <= threads_before)
            result = fail("device events started no thread", 0);
    }
    if (result == 0)
        result = run_dark(fn, handle);
    status = ((CloseFn)fn[kClose])(handle);
    if (status != 0)
        return fail("close", status);
    return result;
}

static int cycle(const char* path, int threads_before) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "spectro_ex_dlopen_client: %s\n", dlerror());
        return 1;
    }
    void* fn[24];
    int result = 0;
    for (int i = 0; i < 24; ++i) {
        fn[i] = dlsym(library, kExports[i]);
        if (fn[i] == NULL) {
            fprintf(stderr, "spectro_ex_dlopen_client: %s not exported\n", kExports[i]);
            result = 1;
        }
    }
    if (result == 0) {
        uint16_t major = 0, minor = 0, build = 0;
        int status = ((VersionFn)fn[kVersion])(&major, &minor, &build);
        if (status != 0)
            result = fail("version query", status);
        else if (major != 4 || minor != 0 || build != 11)
            result = fail("unexpected version", (int)major * 10000 + minor * 100 + build);
        else
            result = measure_dark(library, fn, threads_before);
    }
    dlclose(library);
    return result;
}

int main(int argc, char** argv) {
    const int cycles = argc == 3 ? atoi(argv[2]) : 0;
    if (cycles < 3) {
        fprintf(stderr, "usage: %s <path of libzolt_spectro_ex.so> <cycles, 3 or more>\n", argv[0]);
        return 2;
    }
    /* The core is the library beside it. */
    char core[4096];
    const char* slash = strrchr(argv[1], '/');
    const int folder = slash == NULL ? 0 : (int)(slash - argv[1]) + 1;
    snprintf(core, sizeof core, "%.*slibzolt_core.so", folder, argv[1]);

    const int before = threads();
    size_t settled = 0;
    for (int c = 1; c <= cycles; ++c) {
        if (cycle(argv[1], before) != 0)
            return 1;
        void* still = dlopen(core, RTLD_NOW | RTLD_NOLOAD);
        if (still != NULL) {
            dlclose(still);
            return fail("the core stayed loaded after the unload", 0);
        }
        if (!wait_threads(before))
            return fail("a thread outlived the unload", threads() - before);
        /* The loader keeps a little of its own from the first reload on. */
        if (c == 2)
            settled = allocated();
    }
    const size_t now = allocated();
    if (now > settled) {
        const size_t left = now - settled;
        fprintf(stderr, "spectro_ex_dlopen_client: each unload leaves about %zu bytes allocated\n",
                left / (size_t)(cycles - 2));
        /* Skips the exit's leak report: over the frames of an unloaded library
         * it takes minutes, and the count above already says it. */
        _exit(1);
    }
    return 0;
}
