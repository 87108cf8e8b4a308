// Any bytes as an INI text: no crash, and what the writer makes of a parsed
// document reads back to the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ini/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ini::Document doc;
    if (!doc.Parse(text))
        return 0;
    const std::string written = doc.ToText();
    ini::Document again;
    // Quoting can lengthen a parsed value past the caps; such a file is
    // refused or its line skipped, which the reader is allowed to do.
    if (!again.Parse(written))
        return 0;
    const std::string rewritten = again.ToText();
    std::size_t longest = 0, run = 0;
    for (char c : written) {
        run = c == '\n' ? 0 : run + 1;
        longest = run > longest ? run : longest;
    }
    if (longest <= ini::kMaxLineLength && rewritten != written)
        std::abort();
    return 0;
}
