// The command-line connection arguments: keyword, then its address.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/connect_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string in(reinterpret_cast<const char*>(data), size);
    size_t cut = in.find('\n');
    std::string arg1 = in.substr(0, cut);
    std::string arg2 = cut == std::string::npos ? std::string() : in.substr(cut + 1);
    // Arguments reach the program as C strings.
    arg1 = arg1.c_str();
    arg2 = arg2.c_str();

    int kw = comm_ArgKeyword(arg1.c_str());
    if (kw < KW_NONE || kw > KW_OFFLINE)
        std::abort();
    int port = comm_ParseComPort(arg2.c_str());
    if (port != -1 && (port < 1 || port > 256))
        std::abort();
    uint64_t bt = 0;
    if (comm_ParseBtAddress(arg2.c_str(), &bt)) {
        // An accepted address reads back to the same value.
        char text[24];
        std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(bt));
        uint64_t again = 0;
        if (!comm_ParseBtAddress(text, &again) || again != bt)
            std::abort();
    }
    return 0;
}
