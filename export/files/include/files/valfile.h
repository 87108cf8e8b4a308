// The spectrum file (.val): one measured set as a fixed binary record,
// little-endian, without header or checksum. Two layouts exist: the current
// record and the shorter record of the older program generation, which is
// converted on loading. Files are untrusted: a file is decoded into a
// temporary record and checked whole before the caller sees any of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace valfile {

constexpr int kPoints = 2049; // values per spectrum in a record
constexpr std::size_t kRecordSize = 98696;
constexpr std::size_t kOldRecordSize = 98640;

// The comment is built from at most four text lines of 39 characters each.
constexpr int kCommentLines = 4;
constexpr std::size_t kCommentLineChars = 39;
constexpr std::size_t kCommentChars = kCommentLines * kCommentLineChars;

enum class Layout { Current, Older };

struct ValFileRecord {
    char date[11] = {};          // "MM-DD-YYYY"
    char time[9] = {};           // "HH:MM:SS"
    char device[50] = {};        // firmware name word
    char versionNumber[50] = {}; // firmware version word
    char versionDate[12] = {};   // firmware date word
    float tint = 0.0f;           // integration time, ms
    std::int32_t pixelCount = 0; // valid values in each array
    std::int32_t lamp = 0;
    std::int32_t channels = 0;
    std::int32_t direction = 0;
    float fit[5] = {}; // wavelength polynomial c0..c4 over the pixel index
    double dark[kPoints] = {};
    double reference[kPoints] = {};
    double absorbance[kPoints] = {};
    double transmission[kPoints] = {};
    double derivative1[kPoints] = {};
    double derivative2[kPoints] = {};
    std::int32_t measured = 0; // measurement-kind bits of the spectra present
    char comment[164] = {};
};

// The record as the current file layout, kRecordSize bytes.
std::string Encode(const ValFileRecord& record);

// Decodes a whole file. The layout is decided by the size, which must be
// exactly one of the two; the older layout is converted. On success *out
// (and *layout, if given) is replaced; on failure *out is untouched and
// *error says what is wrong.
bool Decode(std::string_view bytes, ValFileRecord* out, std::string* error,
            Layout* layout = nullptr);

// Checks what loading and saving both demand: pixel count 1..kPoints, a
// finite integration time and fit, every text terminated inside its field.
// Over-long comments are not an error here: Decode cuts them.
bool Validate(const ValFileRecord& record, std::string* error);

// Reads and decodes a file (0), or leaves *out untouched (-1, *error set).
int Load(const std::string& path, ValFileRecord* out, std::string* error, Layout* layout = nullptr);
// Validates and writes the record through the atomic writer: 0, or -1 with
// *error set and nothing written.
int Save(const std::string& path, const ValFileRecord& record, std::string* error);

// Points of the file's wavelength range on the 0.01 nm evaluation grid:
// (upper - lower) x 100 + 1, lower the first pixel's wavelength and upper the
// last one's, both truncated toward zero. 0 when the range is empty or not a
// number, at most kMaxGridPoints. The evaluation arrays take the larger of
// this and what the connected instrument needs.
constexpr std::size_t kMaxGridPoints = 204801;
std::size_t GridPoints(const ValFileRecord& record);

// The comment of the comment panel: the first four lines, each cut to 39
// characters, joined without separator.
std::string BuildComment(const std::vector<std::string>& lines);
// True when BuildComment keeps all of the lines' text.
bool CommentFits(const std::vector<std::string>& lines);

// Copies text into a record field, cut to fit with its NUL, the rest zeroed.
void SetText(char* field, std::size_t size, std::string_view text);
template <std::size_t N> void SetText(char (&field)[N], std::string_view text) {
    SetText(field, N, text);
}

} // namespace valfile
