// The simulator's control seam (zolt_sim.h): registry, faults, journal.
#pragma GCC visibility push(default)
#include "zolt_sim.h"
#pragma GCC visibility pop

#include <cmath>
#include <mutex>

#include "core_lib.hpp"

using namespace zolt;
using namespace zolt::core;

namespace {
SimDevice* regAt(int index) {
    ensureInit();
    Lib& l = L();
    return (index >= 0 && index < static_cast<int>(l.reg.size()))
               ? l.reg[static_cast<size_t>(index)].get()
               : nullptr;
}
} // namespace

extern "C" {

void zsim_DefaultDevice(ZSimDevice* d) {
    if (d)
        defaultDevice(*d);
}

void zsim_Reset(void) {
    std::lock_guard<std::mutex> g(L().mu);
    Lib& l = L();
    l.initialised = true;
    loadStartRegistry();
    l.faults.clear();
    l.naks.clear();
    l.knobs = Knobs{};
    l.clock = nullptr;
    l.journal.clear();
    dropPosts();
}

int zsim_Configure(const char* text, char* error, size_t errorSize) {
    std::string err;
    std::vector<ZSimDevice> devs;
    bool ok = text != nullptr && parseConfig(text, devs, err);
    if (!text)
        err = "no configuration text";
    if (!ok) {
        if (error && errorSize)
            copyText(error, errorSize, err);
        return 1;
    }
    std::lock_guard<std::mutex> g(L().mu);
    L().initialised = true;
    setRegistry(devs);
    if (error && errorSize)
        error[0] = '\0';
    return 0;
}

int zsim_ConfigureFile(const char* path, char* error, size_t errorSize) {
    std::string text, err;
    if (!path || !readFile(path, text, err)) {
        err = path ? std::string(path) + ": " + err : "no file name";
        if (error && errorSize)
            copyText(error, errorSize, err);
        return 1;
    }
    int rc = zsim_Configure(text.c_str(), error, errorSize);
    if (rc != 0 && error && errorSize)
        copyText(error, errorSize, std::string(path) + ": " + error);
    return rc;
}

void zsim_ClearDevices(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().initialised = true;
    setRegistry({});
}

int zsim_AddDevice(const ZSimDevice* d) {
    std::string err;
    if (!d || !validateDevice(*d, err))
        return -1;
    std::lock_guard<std::mutex> g(L().mu);
    ensureInit();
    ZSimDevice copy = *d;
    copy.serial[15] = copy.usbSerial[15] = copy.ipAddress[15] = '\0';
    copy.firmware[255] = '\0';
    L().reg.push_back(std::make_unique<SimDevice>(copy));
    return static_cast<int>(L().reg.size() - 1);
}

int zsim_NumDevices(void) {
    std::lock_guard<std::mutex> g(L().mu);
    ensureInit();
    return static_cast<int>(L().reg.size());
}

int zsim_GetDevice(int index, ZSimDevice* d) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || !d)
        return -1;
    *d = dev->cfg;
    return 0;
}

int zsim_SetSample(int index, int sample) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || sample < ZSIM_SAMPLE_NONE || sample > ZSIM_SAMPLE_EMISSION)
        return -1;
    dev->cfg.sample = sample;
    return 0;
}

void zsim_FailCall(const char* function, int nth, int status) {
    if (!function || nth < 0)
        return;
    std::lock_guard<std::mutex> g(L().mu);
    L().faults.push_back(Fault{function, nth, status, 0});
}

void zsim_ClearFaults(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().faults.clear();
    L().naks.clear();
    L().knobs = Knobs{};
}

void zsim_NakCommand(const char* commandPrefix) {
    if (!commandPrefix)
        return;
    std::lock_guard<std::mutex> g(L().mu);
    L().naks.emplace_back(commandPrefix);
}

void zsim_SetMeasureTimeFactor(double factor) {
    std::lock_guard<std::mutex> g(L().mu);
    L().knobs.timeFactor = (std::isfinite(factor) && factor > 0) ? factor : 1.0;
}

void zsim_SetNeverEnding(int on) {
    std::lock_guard<std::mutex> g(L().mu);
    L().knobs.neverEnding = on != 0;
}

void zsim_SetEnquiry(int index, int value) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->enquiry = value;
}

void zsim_SetBattery(int index, float volts, int percent, int charging) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index)) {
        dev->batteryFixed = true;
        dev->batteryVolts = volts;
        dev->batteryPercent = static_cast<uint8_t>(percent < 0 ? 0 : percent > 255 ? 255 : percent);
        dev->batteryCharging = charging != 0 ? 1 : 0;
    }
}

void zsim_SetTemperature(int index, float degrees) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->temperature = degrees;
}

void zsim_SetFlickerWarning(int index, int warning) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->flickerWarning = warning;
}

void zsim_FireTrigger(int index) {
    std::lock_guard<std::mutex> g(L().mu);
    SimDevice* dev = regAt(index);
    if (!dev || dev->unplugged)
        return;
    dev->triggerPending = true;
    // Its message goes out now or never: unarmed, it is lost as a window
    // message would be.
    dev->triggerAnnounced = true;
    for (auto& [h, s] : L().sessions)
        if (s.regIndex == index && !s.tcp && s.callbackKind == ZOLT_CALLBACK_POST_MESSAGE)
            postMessage(s.window);
}

void zsim_Unplug(int index) {
    std::lock_guard<std::mutex> g(L().mu);
    if (SimDevice* dev = regAt(index))
        dev->unplugged = true;
}

void zsim_SetClock(double (*clockFn)(void)) {
    std::lock_guard<std::mutex> g(L().mu);
    L().clock = clockFn;
}

size_t zsim_JournalCount(void) {
    std::lock_guard<std::mutex> g(L().mu);
    return L().journal.size();
}

const char* zsim_JournalEntry(size_t i) {
    // A copy per thread: the journal may drop the entry as soon as the lock
    // is let go.
    thread_local std::string copy;
    std::lock_guard<std::mutex> g(L().mu);
    if (i >= L().journal.size())
        return nullptr;
    copy = L().journal[i];
    return copy.c_str();
}

void zsim_ClearJournal(void) {
    std::lock_guard<std::mutex> g(L().mu);
    L().journal.clear();
}

const double* zsim_HolmiumBands(int* count) {
    if (count)
        *count = static_cast<int>(holmiumBands().size());
    return holmiumBands().data();
}

const double* zsim_EmissionLines(int* count) {
    if (count)
        *count = static_cast<int>(emissionLines().size());
    return emissionLines().data();
}

double zsim_EmissionLineFwhm(void) {
    return kEmissionFwhm;
}

} // extern "C"
