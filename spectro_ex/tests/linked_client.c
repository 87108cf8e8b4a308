/*
 * A measuring program as a third party writes one: it includes the public
 * header and is linked against the library.  Kept to C89 so that it compiles
 * as every C standard and as C++98 and later; those compiles check that the
 * headers do too.  Opens the first instrument, takes one dark spectrum and
 * exits 0 only when all of that worked.
 */
#include <stdio.h>
#include <time.h>

#include "zolt_spectro_ex.h"

#define MAX_PIXELS 4096

static int32_t counts[MAX_PIXELS];

static int fail(const char* what, int status) {
    fprintf(stderr, "linked_client: %s (status %d)\n", what, status);
    return 1;
}

static int dark(uint32_t handle) {
    int32_t pixels = 0;
    int32_t busy = 1;
    long sum = 0;
    int32_t i;
    /* Only guards against a hang: a 5 ms measurement ends long before. */
    const time_t deadline = time(NULL) + 30;
    int status = ZOLT_PixelCountEx(handle, &pixels);
    if (status != ZOLT_OK || pixels <= 0 || pixels > MAX_PIXELS)
        return fail("pixel count", status);
    status = ZOLT_StartDarkEx(handle, 5.0f, 1);
    if (status != ZOLT_OK)
        return fail("start dark", status);
    while (busy != 0) {
        status = ZOLT_SpectroStatusEx(handle, &busy);
        if (status != ZOLT_OK)
            return fail("status", status);
        if (time(NULL) > deadline)
            return fail("measurement never finished", 0);
    }
    status = ZOLT_DarkPixEx(handle, counts);
    if (status != ZOLT_OK)
        return fail("fetch dark", status);
    for (i = 0; i < pixels; ++i)
        sum += counts[i];
    if (sum <= 0)
        return fail("dark spectrum is empty", 0);
    printf("dark: %ld pixels, mean %.1f counts\n", (long)pixels, (double)sum / pixels);
    return 0;
}

int main(void) {
    uint16_t major = 0, minor = 0, build = 0;
    uint32_t devices = 0;
    uint32_t handle = 0;
    int result;
    int status = ZOLT_GetSpectroExDLLVersion(&major, &minor, &build);
    if (status != ZOLT_OK)
        return fail("version", status);
    printf("zolt_spectro_ex %u.%u.%u\n", (unsigned)major, (unsigned)minor, (unsigned)build);
    status = ZOLT_GetNumSpectroEx(&devices);
    if (status != ZOLT_OK || devices == 0)
        return fail("no instrument found", status);
    status = ZOLT_OpenSpectroEx(0, &handle);
    if (status != ZOLT_OK)
        return fail("open", status);
    result = dark(handle);
    status = ZOLT_CloseSpectroEx(handle);
    if (status != ZOLT_OK)
        return fail("close", status);
    return result;
}
