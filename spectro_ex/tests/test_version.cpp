// The version query reads the record embedded in the library file that was
// actually loaded.  Copies of the library with a changed record show that.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "version_record.h"
#include "zolt_spectro_ex.h"

namespace {

using VersionFn = int(ZOLT_API*)(uint16_t*, uint16_t*, uint16_t*);
using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Offset of the record's descriptor in the library file; -1 unless found
// exactly once.  Only the note segments are searched: debug information may
// hold another copy of the bytes, which the loader never maps.
long FindRecord(const Bytes& file) {
    unsigned char pattern[12] = {'Z', 'O', 'L', 'T', 0, 0, 0, 0};
    std::memcpy(pattern + 8, &spectro_ex::kVersionSignature, 4);
    Elf64_Ehdr eh;
    if (file.size() < sizeof eh)
        return -1;
    std::memcpy(&eh, file.data(), sizeof eh);
    long found = -1;
    for (size_t i = 0; i < eh.e_phnum; ++i) {
        Elf64_Phdr ph;
        const size_t at = eh.e_phoff + i * sizeof ph;
        if (at + sizeof ph > file.size())
            return -1;
        std::memcpy(&ph, file.data() + at, sizeof ph);
        if (ph.p_type != PT_NOTE || ph.p_offset + ph.p_filesz > file.size())
            continue;
        for (size_t j = ph.p_offset; j + sizeof pattern <= ph.p_offset + ph.p_filesz; ++j) {
            if (std::memcmp(file.data() + j, pattern, sizeof pattern) != 0)
                continue;
            if (found != -1)
                return -1;
            found = static_cast<long>(j + 8);
        }
    }
    return found;
}

void PutU32(Bytes& file, size_t at, uint32_t value) {
    std::memcpy(file.data() + at, &value, 4);
}

class spectro_ex_Version : public ::testing::Test {
  protected:
    void SetUp() override {
        original_ = ReadFile(SPECTRO_EX_LIBRARY);
        ASSERT_FALSE(original_.empty());
        record_ = FindRecord(original_);
        ASSERT_GE(record_, 0) << "version record not found exactly once";
        char dir[] = "/tmp/spectro_ex_versionXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }

    void TearDown() override {
        for (void* h : handles_)
            dlclose(h);
        for (const std::string& f : files_)
            unlink(f.c_str());
        if (!dir_.empty())
            rmdir(dir_.c_str());
    }

    // Writes a copy of the library, loads it, and returns its version query.
    VersionFn LoadCopy(const Bytes& bytes) {
        const std::string path =
            dir_ + "/libzolt_spectro_ex_" + std::to_string(files_.size()) + ".so";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        files_.push_back(path);
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) {
            ADD_FAILURE() << dlerror();
            return nullptr;
        }
        handles_.push_back(h);
        return reinterpret_cast<VersionFn>(dlsym(h, "ZOLT_GetSpectroExDLLVersion"));
    }

    size_t At(size_t offset) const { return static_cast<size_t>(record_) + offset; }

    Bytes original_;
    long record_ = -1;
    std::string dir_;
    std::vector<std::string> files_;
    std::vector<void*> handles_;
};

TEST_F(spectro_ex_Version, ReportsTheDeliveredVersion) {
    uint16_t major = 0, minor = 99, build = 0;
    ASSERT_EQ(ZOLT_GetSpectroExDLLVersion(&major, &minor, &build), ZOLT_OK);
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(build, 11);
}

TEST_F(spectro_ex_Version, NullOutputsAreSkipped) {
    uint16_t minor = 99, build = 0;
    EXPECT_EQ(ZOLT_GetSpectroExDLLVersion(nullptr, &minor, nullptr), ZOLT_OK);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(ZOLT_GetSpectroExDLLVersion(nullptr, nullptr, &build), ZOLT_OK);
    EXPECT_EQ(build, 11);
    EXPECT_EQ(ZOLT_GetSpectroExDLLVersion(nullptr, nullptr, nullptr), ZOLT_OK);
}

TEST_F(spectro_ex_Version, RecordCarriesTheDescriptiveStrings) {
    const size_t stringsAt = At(spectro_ex::kVersionOffsetStrings);
    uint32_t size = 0;
    std::memcpy(&size, original_.data() + At(spectro_ex::kVersionOffsetStringsSize), 4);
    ASSERT_LE(stringsAt + size, original_.size());
    const std::string table(reinterpret_cast<const char*>(original_.data() + stringsAt), size);
    for (const char* pair : {"FileVersion\0"
                             "4.0.11",
                             "ProductVersion\0"
                             "4.0.11",
                             "FileDescription\0"
                             "ZOLT Extended Transmission/Reflection DLL",
                             "ProductName\0"
                             "ZOLT Extended Transmission/Reflection Dynamic Link Library (DLL)",
                             "InternalName\0"
                             "zolt_spectro_ex",
                             "OriginalFilename\0"
                             "zolt_spectro_ex.dll",
                             "SpecialBuild\0"
                             "Win32 Release"}) {
        // Key, NUL, value, NUL: the pair as a whole, so no value is cut short.
        const std::string key(pair);
        const std::string entry = key + '\0' + (pair + key.size() + 1) + '\0';
        EXPECT_NE(table.find(entry), std::string::npos) << key;
    }
}

TEST_F(spectro_ex_Version, ComesFromTheLoadedLibraryFile) {
    Bytes changed = original_;
    PutU32(changed, At(spectro_ex::kVersionOffsetFileMS), (9u << 16) | 8u);
    PutU32(changed, At(spectro_ex::kVersionOffsetFileLS), (7u << 16) | 6u);
    VersionFn copy = LoadCopy(changed);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, &ZOLT_GetSpectroExDLLVersion);

    uint16_t major = 0, minor = 0, build = 0;
    ASSERT_EQ(copy(&major, &minor, &build), ZOLT_OK);
    EXPECT_EQ(major, 9);
    EXPECT_EQ(minor, 8);
    EXPECT_EQ(build, 7); // the fourth number is not reported

    ASSERT_EQ(ZOLT_GetSpectroExDLLVersion(&major, &minor, &build), ZOLT_OK);
    EXPECT_EQ(major, 4);
    EXPECT_EQ(build, 11);
}

TEST_F(spectro_ex_Version, UnreadableRecordGives128AndLeavesOutputsAlone) {
    uint32_t descSize = 0, stringsSize = 0;
    std::memcpy(&descSize, original_.data() + record_ - 8, 4);
    std::memcpy(&stringsSize, original_.data() + At(spectro_ex::kVersionOffsetStringsSize), 4);
    struct {
        const char* what;
        long at;
        uint32_t value;
    } const damages[] = {
        {"signature", static_cast<long>(At(spectro_ex::kVersionOffsetSignature)), 0xFEEF04BCu},
        {"layout", static_cast<long>(At(spectro_ex::kVersionOffsetLayout)), 0x00020000u},
        {"note type", record_ - 4, spectro_ex::kVersionNoteType + 1},
        {"descriptor cut short", record_ - 8,
         static_cast<uint32_t>(spectro_ex::kVersionOffsetStrings - 1)},
        {"string table past the descriptor",
         static_cast<long>(At(spectro_ex::kVersionOffsetStringsSize)), descSize},
        // The table ends in two NULs; two bytes less ends it inside a value.
        {"string table unterminated", static_cast<long>(At(spectro_ex::kVersionOffsetStringsSize)),
         stringsSize - 2},
        {"empty string table", static_cast<long>(At(spectro_ex::kVersionOffsetStringsSize)), 0},
        {"note size past its segment", record_ - 8, 0x7FFFFFF0u},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        Bytes damaged = original_;
        PutU32(damaged, static_cast<size_t>(d.at), d.value);
        VersionFn copy = LoadCopy(damaged);
        ASSERT_NE(copy, nullptr);
        uint16_t major = 111, minor = 222, build = 333;
        EXPECT_EQ(copy(&major, &minor, &build), ZOLT_E_INTERNAL);
        EXPECT_EQ(major, 111);
        EXPECT_EQ(minor, 222);
        EXPECT_EQ(build, 333);
    }
}

} // namespace
