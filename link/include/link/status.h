// Status codes of the core instrument library as the user sees them.
//
// The core's codes are named in zolt_core.h (ZOLT_OK, ZOLT_E_...); the names
// below are the program's own results, which callers test instead of numbers.
#pragma once

constexpr int kResultOk = 0;          // done
constexpr int kResultFailed = -1;     // failed; the cause was shown or logged
constexpr int kStatusUserBreak = -10; // the user stopped the measurement
constexpr int kResultFatal = -99;     // the core reported a fatal communication error

// Text shown for a status code; nullptr for ZOLT_OK and kStatusUserBreak,
// which show nothing.
const char* ErrorText(int code);

// Shows the error popup (title "Error") for every code but ZOLT_OK and
// kStatusUserBreak and returns the code unchanged once the user has closed it.
int ErrorCheck(int code);

// 1 when dwError is ZOLT_OK, else 0.
int is_dwError_0();

// Result of a routine that wraps a single core call: kResultOk for ZOLT_OK,
// kResultFatal for ZOLT_E_FATAL, kResultFailed for any other status.
int comm_StatusToResult(int status);
