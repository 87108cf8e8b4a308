#include "version_record.h"

#include <link.h>

#include <cstring>

#define SPECTRO_EX_VERSION_MAJOR 4
#define SPECTRO_EX_VERSION_MINOR 0
#define SPECTRO_EX_VERSION_BUILD 11
#define SPECTRO_EX_VERSION_REVISION 0

#define SPECTRO_EX_STR2(x) #x
#define SPECTRO_EX_STR(x) SPECTRO_EX_STR2(x)
#define SPECTRO_EX_VERSION_TEXT                                                                    \
    SPECTRO_EX_STR(SPECTRO_EX_VERSION_MAJOR)                                                       \
    "." SPECTRO_EX_STR(SPECTRO_EX_VERSION_MINOR) "." SPECTRO_EX_STR(SPECTRO_EX_VERSION_BUILD)

// Every "\0" closes its own literal so that no following digit joins the
// escape.
#define SPECTRO_EX_VERSION_STRINGS                                                                 \
    "FileVersion\0" SPECTRO_EX_VERSION_TEXT "\0"                                                   \
    "ProductVersion\0" SPECTRO_EX_VERSION_TEXT "\0"                                                \
    "FileDescription\0"                                                                            \
    "ZOLT Extended Transmission/Reflection DLL\0"                                                  \
    "ProductName\0"                                                                                \
    "ZOLT Extended Transmission/Reflection Dynamic Link Library (DLL)\0"                           \
    "InternalName\0"                                                                               \
    "zolt_spectro_ex\0"                                                                            \
    "OriginalFilename\0"                                                                           \
    "zolt_spectro_ex.dll\0"                                                                        \
    "SpecialBuild\0"                                                                               \
    "Win32 Release\0"

namespace spectro_ex {
namespace {

constexpr uint32_t kFileVersionMS = (SPECTRO_EX_VERSION_MAJOR << 16) | SPECTRO_EX_VERSION_MINOR;
constexpr uint32_t kFileVersionLS = (SPECTRO_EX_VERSION_BUILD << 16) | SPECTRO_EX_VERSION_REVISION;
constexpr size_t kStringsSize = sizeof(SPECTRO_EX_VERSION_STRINGS);

constexpr size_t spectro_Align4(size_t n) {
    return (n + 3u) & ~size_t{3u};
}

struct VersionNote {
    uint32_t ownerSize;
    uint32_t descSize;
    uint32_t type;
    char owner[spectro_Align4(sizeof(kVersionNoteOwner))];
    uint32_t signature;
    uint32_t layout;
    uint32_t fileMS;
    uint32_t fileLS;
    uint32_t productMS;
    uint32_t productLS;
    uint32_t stringsSize;
    char strings[spectro_Align4(kStringsSize)];
};
static_assert(offsetof(VersionNote, signature) == 12 + spectro_Align4(sizeof(kVersionNoteOwner)));
static_assert(offsetof(VersionNote, strings) - offsetof(VersionNote, signature) ==
              kVersionOffsetStrings);

// A ".note" section becomes part of a PT_NOTE segment, which is mapped with
// the module, so the record can be read from memory without opening any file.
__attribute__((section(".note.zolt.version"), used, aligned(4))) const VersionNote kVersionNote = {
    sizeof(kVersionNoteOwner),
    static_cast<uint32_t>(kVersionOffsetStrings + kStringsSize),
    kVersionNoteType,
    "ZOLT",
    kVersionSignature,
    kVersionLayout,
    kFileVersionMS,
    kFileVersionLS,
    kFileVersionMS,
    kFileVersionLS,
    static_cast<uint32_t>(kStringsSize),
    SPECTRO_EX_VERSION_STRINGS,
};

uint32_t spectro_ReadU32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct NoteSearch {
    uintptr_t address; // an address inside the module we are looking for
    bool moduleFound;
    const unsigned char* desc;
    size_t descSize;
};

bool spectro_ModuleContains(const dl_phdr_info* info, uintptr_t address) {
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD)
            continue;
        const uintptr_t start = info->dlpi_addr + ph.p_vaddr;
        if (address >= start && address - start < ph.p_memsz)
            return true;
    }
    return false;
}

// Walks one PT_NOTE segment; every size is checked against the segment's end.
void spectro_ScanNotes(const unsigned char* p, size_t size, size_t align, NoteSearch* search) {
    const auto pad = [align](size_t n) { return (n + align - 1) & ~(align - 1); };
    size_t pos = 0;
    while (size - pos >= 12) {
        const uint32_t ownerSize = spectro_ReadU32(p + pos);
        const uint32_t descSize = spectro_ReadU32(p + pos + 4);
        const uint32_t type = spectro_ReadU32(p + pos + 8);
        const size_t ownerAt = pos + 12;
        if (ownerSize > size - ownerAt)
            return;
        const size_t descAt = ownerAt + pad(ownerSize);
        if (descAt > size || descSize > size - descAt)
            return;
        if (type == kVersionNoteType && ownerSize == sizeof(kVersionNoteOwner) &&
            std::memcmp(p + ownerAt, kVersionNoteOwner, sizeof(kVersionNoteOwner)) == 0) {
            search->desc = p + descAt;
            search->descSize = descSize;
            return;
        }
        const size_t next = descAt + pad(descSize);
        if (next <= pos || next > size)
            return;
        pos = next;
    }
}

int spectro_VisitModule(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<NoteSearch*>(data);
    if (!spectro_ModuleContains(info, search->address))
        return 0;
    search->moduleFound = true;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum && search->desc == nullptr; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_NOTE)
            continue;
        const size_t align = ph.p_align == 8 ? 8 : 4;
        spectro_ScanNotes(reinterpret_cast<const unsigned char*>(info->dlpi_addr + ph.p_vaddr),
                          ph.p_filesz, align, search);
    }
    return 1; // our module: stop here, found or not
}

} // namespace

bool version_ParseRecord(const unsigned char* desc, size_t size, FileVersion* out) {
    if (desc == nullptr || size < kVersionOffsetStrings)
        return false;
    if (spectro_ReadU32(desc + kVersionOffsetSignature) != kVersionSignature)
        return false;
    if (spectro_ReadU32(desc + kVersionOffsetLayout) != kVersionLayout)
        return false;
    const uint32_t stringsSize = spectro_ReadU32(desc + kVersionOffsetStringsSize);
    if (stringsSize == 0 || stringsSize > size - kVersionOffsetStrings)
        return false;
    if (desc[kVersionOffsetStrings + stringsSize - 1] != '\0')
        return false;

    const uint32_t ms = spectro_ReadU32(desc + kVersionOffsetFileMS);
    const uint32_t ls = spectro_ReadU32(desc + kVersionOffsetFileLS);
    out->major = static_cast<uint16_t>(ms >> 16);
    out->minor = static_cast<uint16_t>(ms & 0xFFFFu);
    out->build = static_cast<uint16_t>(ls >> 16);
    out->revision = static_cast<uint16_t>(ls & 0xFFFFu);
    return true;
}

bool version_ReadOwn(FileVersion* out) {
    // Any code address of ours identifies the module; a library of the same
    // name elsewhere on the search path is never consulted.
    NoteSearch search{reinterpret_cast<uintptr_t>(&version_ReadOwn), false, nullptr, 0};
    dl_iterate_phdr(spectro_VisitModule, &search);
    if (!search.moduleFound || search.desc == nullptr)
        return false;
    return version_ParseRecord(search.desc, search.descSize, out);
}

} // namespace spectro_ex
