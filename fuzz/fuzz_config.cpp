// Any bytes as config.ini: no crash, and once read, the settings write and
// read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ConfigValues values;
    config_Parse(std::string_view(reinterpret_cast<const char*>(data), size), &values);
    const std::string written = config_Format(values);
    ConfigValues again;
    if (!config_Parse(written, &again) || config_Format(again) != written)
        std::abort();
    return 0;
}
