// A recording stand-in for the core library: it exports the core functions
// that zolt_spectro_ex calls, writes each call into a journal, and can make
// the call at a given position fail.
#ifndef SPECTRO_EX_FAKE_CORE_H
#define SPECTRO_EX_FAKE_CORE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fakecore {

// Values the fake writes through output pointers on success.
inline constexpr uint32_t kNumDevices = 3;
inline constexpr uint32_t kSerialNumber = 4711;
inline constexpr uint32_t kConnectionType = 2;
inline constexpr uint32_t kSerialDeviceType = 4;
inline constexpr uint32_t kOpenedHandle = 0xC0DE0001u;
inline constexpr int32_t kBusy = 1;
inline constexpr int32_t kPixelCount = 2048;
inline constexpr float kTintMs = 37.25f;
inline constexpr int32_t kTintReserved = 0x5A5A5A5A;
inline constexpr int32_t kFetchFill = 1234; // first element of a fetched array
inline constexpr float kWaveFill = 0.5f;    // first element of a Wave output

// Back to the start: empty journal, no failure, device type 0.
void fake_Reset();
void fake_SetDeviceType(uint8_t type);
// The call at position n (1 = the first after the reset) returns status.
void fake_FailAtCall(size_t n, int status);
// Journal entries, e.g. "ZOLT_SetTintConf(3735928559,12.5)"; pointers as %p.
const std::vector<std::string>& fake_Calls();
// The third argument the last ZOLT_GetTintConf call received.
const void* fake_LastTintReserved();

} // namespace fakecore

#endif
