// Parsing of the command-line connection arguments, free of the toolkit so it
// can be tested and fuzzed alone.
#pragma once

#include <cstdint>

// Keyword of sArg1 (case-insensitive): 0 none of them, else one of these.
enum ConnectKeyword { KW_NONE = 0, KW_SEARCH, KW_COM, KW_FTDI, KW_TCPIP, KW_BT, KW_OFFLINE };
int comm_ArgKeyword(const char* arg);
// Strict decimal COM port 1..256; -1 for anything else ("5abc", "", "0", "257").
int comm_ParseComPort(const char* text);
// Strict hexadecimal Bluetooth address (optional 0x, 1 to 16 digits);
// false for anything else.
bool comm_ParseBtAddress(const char* text, uint64_t* address);
