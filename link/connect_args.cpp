#include "link/connect_args.h"

#include <strings.h>

#include <cctype>
#include <cstddef>
#include <cstring>

int comm_ArgKeyword(const char* arg) {
    static const char* const kNames[] = {"SEARCH", "COM", "FTDI", "TCPIP", "BT", "OFFLINE"};
    if (arg == nullptr)
        return KW_NONE;
    for (int i = 0; i < 6; ++i) {
        if (strcasecmp(arg, kNames[i]) == 0)
            return i + 1;
    }
    return KW_NONE;
}

int comm_ParseComPort(const char* text) {
    if (text == nullptr || *text == '\0')
        return -1;
    int value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return -1;
        value = value * 10 + (*p - '0');
        if (value > 256)
            return -1;
    }
    return value >= 1 ? value : -1;
}

bool comm_ParseBtAddress(const char* text, uint64_t* address) {
    if (text == nullptr)
        return false;
    const char* p = text;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        p += 2;
    const std::size_t n = std::strlen(p);
    if (n == 0 || n > 16)
        return false;
    uint64_t v = 0;
    for (; *p != '\0'; ++p) {
        const int c = static_cast<unsigned char>(*p);
        if (!std::isxdigit(c))
            return false;
        v = (v << 4) |
            static_cast<uint64_t>(std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    *address = v;
    return true;
}
