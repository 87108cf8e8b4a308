// Session log: one plain-text record of every core-library call.  Failed calls
// are marked "**ERROR".  Larger operations are wrapped in indented sections.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "link/fileio_path.h"

// Opens the log in the user's configuration folder (or the working
// directory) and writes its header.  While a log is already open, the same
// file is continued and the next entry starts with a date banner.
void fileio_Log_Start();

// Start of a call line: date banner if due, indent, time and `what`.
void fileio_Log_Call(const char* what);
void fileio_Log_Call_ArgInt(int v);
void fileio_Log_Call_ArgStr(const char* s);
void fileio_Log_Call_ArgFloat(float v);
// `format` holds one conversion for an unsigned 64-bit value such as "%llu"
// or "0x%012llX"; any other format is replaced by "%llu".
void fileio_Log_Call_ArgULL(uint64_t v, const char* format);
// End of a call line with the status.
void fileio_Log_Result(int code);
// End of a call line with an answer that is no status (a file chooser's 1 or
// 2): marked "**ERROR" only when it `failed`.
void fileio_Log_Answer(int code, bool failed);

void fileio_Log_SectionCall(const char* what);
void fileio_Log_SectionResult(int code);
void fileio_Log_SectionResultVoid();

// Closes the log; later calls (but a new start) write nothing.
void fileio_Log_End();

// ------------------------------------------------------------- inspection
bool fileio_Log_IsOpen();
std::string fileio_Log_Path(); // path of the open (or last opened) log
int fileio_Log_Indent();

// Local time source of the log entries; an empty function restores the
// system clock.  Tests use it to get fixed times and day changes.
void fileio_Log_SetClock(std::function<std::tm()> clock);
