// Any bytes as a spectrum file: no crash; a file that is accepted passes the
// checks, and its record encodes and decodes to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "files/valfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto record = std::make_unique<valfile::ValFileRecord>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!valfile::Decode(bytes, record.get(), nullptr))
        return 0;
    if (!valfile::Validate(*record, nullptr) ||
        valfile::GridPoints(*record) > valfile::kMaxGridPoints)
        std::abort();
    const std::string encoded = valfile::Encode(*record);
    auto again = std::make_unique<valfile::ValFileRecord>();
    if (!valfile::Decode(encoded, again.get(), nullptr) || valfile::Encode(*again) != encoded)
        std::abort();
    return 0;
}
