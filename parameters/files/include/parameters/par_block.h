// The instrument's 1024-byte binary parameter block: its layout, the decoded
// list people read, and the checked edit of one field. No toolkit, no device:
// the window and the device calls sit on top of this.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parameters {

constexpr std::size_t kParBlockSize = 1024;
// The block image; multi-byte fields little-endian, floats IEEE 754 single.
using ParBlock = std::array<std::uint8_t, kParBlockSize>;

enum class ParBlockType : int {
    End = -1,
    Separator = 0,
    String = 1, // size bytes
    Float = 2,
    UChar = 3,
    UShort = 4,
    Short = 5,
    Hex32 = 6, // four bytes shown as hexadecimal and binary
    ULong = 7, // unsigned 32-bit
};

// One layout row. Separators have an empty label and offset 0.
struct ParBlockItem {
    std::string label;
    ParBlockType type = ParBlockType::End;
    std::string valueText; // rebuilt at every decode
    int size = 0;          // strings only
    int offset = 0;
};

// The whole layout in display order: 350 rows (325 fields, 25 separators).
// Rows are built once; the result is a fresh copy the caller may decorate.
std::vector<ParBlockItem> PU_InitParBlock();

// One line of the block list: its text and the layout row it shows.
struct ParBlockLine {
    int row = 0;
    std::string text; // "-------" or "%04d  %s%s" of offset, label, value
};

// Decodes every row's valueText from block and returns the list lines.
std::vector<ParBlockLine> PU_ParBlockBuffer_Interprate(const ParBlock& block,
                                                       std::vector<ParBlockItem>& rows);

// The value of one field as shown ("" for separators and end rows). Floats
// use "%f" unless that would hide the value; then the fewest digits that
// tell it apart from its neighbours.
std::string ParBlock_ValueText(const ParBlock& block, const ParBlockItem& row);

// The 32 bits as binary digits, a blank after every group of four (40 chars).
std::string main_32bit_to_binary(std::uint32_t value);

// What the edit prompt of a field shows.
struct ParBlockEditPrompt {
    std::string title;    // the row's label
    std::string typeText; // e.g. "Unsigned char [0 to 255]"
    std::string message;  // "%s\nCurrent value: %s" of typeText and valueText
    int maxLength = 0;    // size for strings, 15 otherwise
};

// False for separator and end rows (nothing to edit).
bool ParBlock_EditPrompt(const ParBlock& block, const ParBlockItem& row, ParBlockEditPrompt* out);

struct ParBlockEditResult {
    bool ok = false;
    std::string error; // why the input was refused (block untouched)
};

// Checks input against the field's type and limits and, only when it fits,
// writes it into block at the row's offset. Numbers are read in the C
// locale, surrounding blanks ignored; hexadecimal fields take an optional
// "0x". Strings are zero-padded to their size.
ParBlockEditResult ParBlock_ApplyEdit(ParBlock& block, const ParBlockItem& row,
                                      std::string_view input);

// Field access at a byte offset (little-endian, unaligned-safe). Offsets
// past the block read 0 and write nothing.
std::uint16_t ParBlock_GetU16(const ParBlock& block, std::size_t offset);
std::uint32_t ParBlock_GetU32(const ParBlock& block, std::size_t offset);
float ParBlock_GetFloat(const ParBlock& block, std::size_t offset);
void ParBlock_PutU16(ParBlock& block, std::size_t offset, std::uint16_t value);
void ParBlock_PutU32(ParBlock& block, std::size_t offset, std::uint32_t value);
void ParBlock_PutFloat(ParBlock& block, std::size_t offset, float value);

} // namespace parameters
