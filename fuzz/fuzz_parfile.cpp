// .par bytes: the exact-size check, then the decoded list and one edit of
// any field on whatever block the bytes make.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "parameters/par_block.h"
#include "parameters/par_file.h"

using namespace parameters;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ParBlock block{};
    block.fill(0x5A);
    const ParBlock before = block;
    if (ParFile_Parse(bytes, &block) != 0 && block != before)
        __builtin_trap(); // a refused file must not touch the block

    ParBlock any{};
    std::memcpy(any.data(), data, size < any.size() ? size : any.size());
    auto rows = PU_InitParBlock();
    const auto lines = PU_ParBlockBuffer_Interprate(any, rows);
    if (lines.size() != rows.size())
        __builtin_trap();

    if (size > kParBlockSize) {
        const ParBlockItem& row = rows[data[kParBlockSize] % rows.size()];
        const ParBlock unedited = any;
        const ParBlockEditResult r = ParBlock_ApplyEdit(any, row, bytes.substr(kParBlockSize + 1));
        if (!r.ok && any != unedited)
            __builtin_trap();
    }
    return 0;
}
