// The version record that zolt_spectro_ex carries inside its own file, and the
// reader that finds it in the module the caller actually loaded.
//
// The record is an ELF note (owner "ZOLT", type kVersionNoteType) in a loaded
// segment.  Its descriptor, native byte order:
//   u32 signature           kVersionSignature
//   u32 record layout       kVersionLayout
//   u32 file version MS     major << 16 | minor
//   u32 file version LS     build << 16 | revision
//   u32 product version MS
//   u32 product version LS
//   u32 string table size   bytes that follow, last one NUL
//   string table            "key\0value\0" pairs, ended by an empty key
#ifndef SPECTRO_EX_VERSION_RECORD_H
#define SPECTRO_EX_VERSION_RECORD_H

#include <cstddef>
#include <cstdint>

namespace spectro_ex {

inline constexpr char kVersionNoteOwner[] = "ZOLT";
inline constexpr uint32_t kVersionNoteType = 1;
inline constexpr uint32_t kVersionSignature = 0xFEEF04BDu;
inline constexpr uint32_t kVersionLayout = 0x00010000u;

// Offsets inside the descriptor.
inline constexpr size_t kVersionOffsetSignature = 0;
inline constexpr size_t kVersionOffsetLayout = 4;
inline constexpr size_t kVersionOffsetFileMS = 8;
inline constexpr size_t kVersionOffsetFileLS = 12;
inline constexpr size_t kVersionOffsetStringsSize = 24;
inline constexpr size_t kVersionOffsetStrings = 28;

struct FileVersion {
    uint16_t major;
    uint16_t minor;
    uint16_t build;
    uint16_t revision;
};

// Checks a record descriptor of size bytes; false when it is malformed.
bool version_ParseRecord(const unsigned char* desc, size_t size, FileVersion* out);

// Reads the record of the module this code was loaded from.  False when the
// module or its record cannot be found or the record is malformed.
bool version_ReadOwn(FileVersion* out);

} // namespace spectro_ex

#endif
