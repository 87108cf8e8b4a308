// The instrument's binary parameter block: 1024 bytes, little-endian, whose
// fields that are also text parameters are read from and written to the
// parameter store, so the block, the text answers and the getters agree.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "sim_model.hpp"
#include "zolt_core.h"

namespace zolt {

namespace {

enum class BlockType : uint8_t { Text64, Float, U16, U32 };

// A block field that a parameter key holds.
struct BlockLink {
    size_t offset;
    BlockType type;
    const char* key;
    size_t field;
};

const BlockLink kLinks[] = {
    {0, BlockType::Text64, "IDN", 0},         {64, BlockType::Float, "PARA:SPNUM", 0},
    {72, BlockType::Float, "PARA:PIX", 0},    {76, BlockType::Float, "PARA:TINT", 0},
    {148, BlockType::Float, "PARA:ADCR", 0},  {152, BlockType::Float, "PARA:BORD", 1},
    {156, BlockType::Float, "PARA:BORD", 0},  {228, BlockType::U16, "PARA:SPLITT", 0},
    {248, BlockType::Float, "PARA:BAUD", 0},  {252, BlockType::Float, "PARA:DEVNUM", 0},
    {256, BlockType::Float, "PARA:FIT0", 0},  {260, BlockType::Float, "PARA:FIT1", 0},
    {264, BlockType::Float, "PARA:FIT2", 0},  {268, BlockType::Float, "PARA:FIT3", 0},
    {272, BlockType::Float, "PARA:FIT4", 0},  {880, BlockType::U16, "PARA:SCALTI", 0},
    {892, BlockType::U32, "PARA:PONTIM", 0},  {896, BlockType::U32, "PARA:UMINTI", 0},
    {900, BlockType::U16, "PARA:MAXTINT", 0},
};

size_t width(BlockType t) {
    switch (t) {
    case BlockType::Text64:
        return 64;
    case BlockType::U16:
        return 2;
    default:
        return 4;
    }
}

void putFloat(std::vector<uint8_t>& b, size_t off, float v) {
    std::memcpy(&b[off], &v, 4);
}
void putUnsigned(std::vector<uint8_t>& b, size_t off, size_t bytes, uint64_t v) {
    for (size_t i = 0; i < bytes; ++i)
        b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t getUnsigned(const std::vector<uint8_t>& b, size_t off, size_t bytes) {
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v |= static_cast<uint64_t>(b[off + i]) << (8 * i);
    return v;
}

void encode(std::vector<uint8_t>& b, const BlockLink& l, const std::string& text) {
    switch (l.type) {
    case BlockType::Text64:
        std::memset(&b[l.offset], 0, 64);
        std::memcpy(&b[l.offset], text.data(), std::min<size_t>(64, text.size()));
        break;
    case BlockType::Float:
        putFloat(b, l.offset, std::strtof(text.c_str(), nullptr));
        break;
    default: { // the stored value is in range; a wider one shows as the field's largest
        const uint64_t most = l.type == BlockType::U16 ? 0xFFFFu : 0xFFFFFFFFu;
        putUnsigned(b, l.offset, width(l.type),
                    std::min<uint64_t>(std::strtoull(text.c_str(), nullptr, 10), most));
    }
    }
}

// The field as parameter text; nothing for a float that is not a number.
std::optional<std::string> decode(const std::vector<uint8_t>& b, const BlockLink& l) {
    switch (l.type) {
    case BlockType::Text64: {
        const char* p = reinterpret_cast<const char*>(&b[l.offset]);
        return std::string(p, strnlen(p, 64));
    }
    case BlockType::Float: {
        float v = 0;
        std::memcpy(&v, &b[l.offset], 4);
        if (!std::isfinite(v))
            return std::nullopt;
        return fmtFloat(v);
    }
    default:
        return std::to_string(getUnsigned(b, l.offset, width(l.type)));
    }
}

} // namespace

void blockChecksum(std::vector<uint8_t>& b) {
    uint32_t sum = 0;
    for (size_t i = 0; i < 1022; ++i)
        sum += b[i];
    putUnsigned(b, 1022, 2, sum & 0xFFFF);
}

std::vector<uint8_t> factoryBlock(const ZSimDevice& cfg) {
    std::vector<uint8_t> b(ZOLT_PARAM_BLOCK_SIZE, 0);
    putFloat(b, 68, 1.0f);       // one channel
    putFloat(b, 256 + 20, 1.0f); // its gain
    putFloat(b, 256 + 28, 0.0f); // its first and last pixel
    putFloat(b, 256 + 32, static_cast<float>(cfg.pixelCount - 1));
    return b;
}

std::vector<uint8_t> SimDevice::composeBlock() const {
    std::vector<uint8_t> b = working_.block;
    b.resize(ZOLT_PARAM_BLOCK_SIZE, 0);
    for (const BlockLink& l : kLinks) {
        auto it = working_.keys.find(l.key);
        if (it != working_.keys.end() && l.field < it->second.size())
            encode(b, l, it->second[l.field]);
    }
    blockChecksum(b);
    return b;
}

// A written block is taken whole or not at all: every field that a parameter
// holds and that differs from what the instrument has must be a value the
// parameter takes. The instrument keeps it for power-on too, and keeps the
// checksum itself, so a stale one is no reason to refuse.
int SimDevice::writeBlock(const std::string& data) {
    captureLive();
    const std::vector<uint8_t> now = composeBlock();
    std::vector<uint8_t> block(data.begin(), data.end());
    std::map<std::string, std::vector<std::string>> changed;
    for (const BlockLink& l : kLinks) {
        auto it = working_.keys.find(l.key);
        if (it == working_.keys.end() || l.field >= it->second.size() ||
            std::memcmp(&now[l.offset], &block[l.offset], width(l.type)) == 0)
            continue;
        std::optional<std::string> text = decode(block, l);
        if (!text)
            return ZOLT_E_INVALID_ARG;
        if (!changed.count(l.key))
            changed[l.key] = it->second;
        changed[l.key][l.field] = *text;
    }
    for (auto& [key, fields] : changed)
        if (!checkFields(key, fields, working_.keys[key]))
            return ZOLT_E_INVALID_ARG;
    blockChecksum(block);
    for (auto& [key, fields] : changed) {
        working_.keys[key] = fields;
        saved_.keys[key] = fields;
    }
    working_.block = block;
    saved_.block = block;
    applyParams();
    return ZOLT_OK;
}

} // namespace zolt
