// A small INI document: "[Section]" headers and "Key = Value" lines.
//
// Reading is tolerant, because the file is ours but people edit it: section
// and key look-up ignores ASCII letter case, the first of duplicate keys wins,
// lines starting with ';' or '#' are comments, CRLF line ends and a UTF-8 BOM
// are accepted, and a value may be a double-quoted string with backslash
// escapes. Lines and files are capped in size so a hostile file cannot make
// us read without end.
//
// Writing keeps sections and keys in the order they were first put, and
// quotes a string only when it could not be read back otherwise, so other
// INI readers see plain values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ini {

// Lines longer than this are skipped whole when reading.
constexpr std::size_t kMaxLineLength = 16 * 1024;
// Larger files are refused.
constexpr std::size_t kMaxFileSize = 1024 * 1024;

class Document {
  public:
    // Replaces the contents with the parsed text. Returns false (with *error
    // set, if given) when the text is too large or is not text (NUL bytes);
    // the document is then empty.
    bool Parse(std::string_view text, std::string* error = nullptr);
    // Reads and parses a file. False when it cannot be read or parsed.
    bool ReadFile(const std::string& path, std::string* error = nullptr);

    // The raw (unquoted) value, or nullptr when the key is missing.
    const std::string* Find(std::string_view section, std::string_view key) const;

    // Each getter leaves *out alone and returns false when the key is missing,
    // the value is not a whole number of the type (C locale), or it lies
    // outside [min, max]. Doubles must be finite.
    bool GetString(std::string_view section, std::string_view key, std::string* out) const;
    bool GetInt(std::string_view section, std::string_view key, int* out,
                int min = std::numeric_limits<int>::min(),
                int max = std::numeric_limits<int>::max()) const;
    bool GetUInt(std::string_view section, std::string_view key, unsigned* out) const;
    bool GetUInt64(std::string_view section, std::string_view key, std::uint64_t* out) const;
    bool GetDouble(std::string_view section, std::string_view key, double* out,
                   double min = std::numeric_limits<double>::lowest(),
                   double max = std::numeric_limits<double>::max()) const;

    // Put adds the key at the end of its section (the section at the end of
    // the document when new), or replaces the value of an existing key in
    // place. Numbers are written as "%d", "%u", "%llu" and "%.16g" in the C
    // locale. Returns false, and puts nothing, when the section or key could
    // not be read back (empty, control characters, outer blanks, a key
    // starting with '[', ';' or '#' or holding '=', a section name holding
    // ']'), when a string holds a NUL, when a double is not finite, or when
    // the line would be longer than kMaxLineLength.
    bool PutString(std::string_view section, std::string_view key, std::string_view value);
    bool PutInt(std::string_view section, std::string_view key, int value);
    bool PutUInt(std::string_view section, std::string_view key, unsigned value);
    bool PutUInt64(std::string_view section, std::string_view key, std::uint64_t value);
    bool PutDouble(std::string_view section, std::string_view key, double value);

    // The whole document as text, LF line ends, a blank line between sections.
    std::string ToText() const;
    // Writes ToText() through the atomic writer. 0, or -1 with *error set.
    int WriteFile(const std::string& path, std::string* error = nullptr) const;

    std::size_t SectionCount() const { return sections_.size(); }

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;
    bool Put(std::string_view section, std::string_view key, std::string value);

    std::vector<Section> sections_;
};

} // namespace ini
