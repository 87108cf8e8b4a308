// Status codes of the core instrument library as the user sees them.
#pragma once

// Status the measurement code uses when the user stopped a measurement.
constexpr int kStatusUserBreak = -10;

// Text shown for a status code; nullptr for 0 and kStatusUserBreak, which
// show nothing.
const char* ErrorText(int code);

// Shows the error popup (title "Error") for every code but 0 and -10 and
// returns the code unchanged once the user has closed it.
int ErrorCheck(int code);

// 1 when dwError is 0, else 0.
int is_dwError_0();

// Result of a routine that wraps a single core call: 0 for status 0, -99 for
// status 255 (fatal communication error), -1 for any other status.
int comm_StatusToResult(int status);
