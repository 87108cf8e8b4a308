// Parameter values as text: the command line that writes a parameter, the
// parameter text (one set command per line) and its replay into an instrument.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace parameters {

// Data type of a parameter control, by the toolkit's codes.
enum class ParDataType : int {
    Char = 0,
    Int = 1,
    Short = 2,
    Float = 3,
    Double = 4,
    String = 5,
    UShort = 6,
    UInt = 7,
};

// A control's value: integer types use integer, Float real, String text.
struct ParValue {
    ParDataType type = ParDataType::Int;
    std::int64_t integer = 0;
    float real = 0.0f;
    std::string text;
};

// Machine: C locale, for the instrument and the text file. User: the user's
// decimal separator, for the clipboard.
enum class NumberStyle { Machine, User };

// The value as the instrument takes it: integers in decimal (unsigned types
// as unsigned), floats in "%e" with as many digits as the value needs,
// strings with control characters turned into blanks, all trimmed. Nothing
// when the type has no text form or the value does not fit its type.
std::optional<std::string> PU_ParameterValue_to_String(const ParValue& value, NumberStyle style);

// One table row as the text export sees it.
struct ParTextRow {
    std::string_view setCommand;
    bool answered = false; // the instrument answered this row's query
    ParValue value;
};

// One entry of the alphabetical list of set commands.
struct ParAlphaEntry {
    std::string setCommand;
    int row = 0; // first answered row with that set command
};

// The answered rows' set commands, each once, sorted by byte order.
std::vector<ParAlphaEntry> PU_AlphabeticalList(std::span<const ParTextRow> rows);

// setCommand, then for every row with that set command, in table order, one
// blank and its value; values with no text add nothing. No carriage return.
std::string PU_CommandLine(std::span<const ParTextRow> rows, std::string_view setCommand,
                           NumberStyle style);

// Every entry of the alphabetical list as a command line ending in "\n".
std::string PU_AllParameter_to_Text(std::span<const ParTextRow> rows, NumberStyle style);

// "<serial>.txt" with the serial made safe for a file name; "parameters.txt"
// when nothing usable is left.
std::string ParText_DefaultFileName(std::string_view serial);

// The longest command line the instrument takes (without its carriage return).
inline constexpr std::size_t kMaxCommandLength = 254;
// Largest parameter text file read for a replay.
inline constexpr std::size_t kMaxParTextFileSize = 1 << 20;

struct KnownSetCommand {
    std::string_view command;
    bool identity = false; // changes who the instrument is: confirm before sending
};

struct ReplayLine {
    int lineNumber = 0;  // 1-based
    std::string command; // without the carriage return
    bool identity = false;
};

struct RefusedLine {
    int lineNumber = 0;
    std::string text;
    std::string reason;
};

struct ReplayPlan {
    std::vector<ReplayLine> send;     // in file order
    std::vector<RefusedLine> refused; // to report to the user
    int unchanged = 0;                // lines equal to a current line
};

// Picks the lines of a parameter text to send. Each line is trimmed and a
// value written with a decimal comma takes the point; lines
// of three characters or fewer and firmware-version lines ("**") are passed
// over; a line equal to a whole line of currentText is unchanged; the rest is
// sent only when it starts with a known set command followed by a blank or
// its end, holds only printable ASCII and no ';' (one command per line)
// and fits the instrument.
ReplayPlan ParText_PlanReplay(std::string_view fileText, std::string_view currentText,
                              std::span<const KnownSetCommand> known);

// Reads a parameter text file of at most kMaxParTextFileSize bytes.
int ParText_ReadFile(const std::string& path, std::string* out, std::string* error = nullptr);

// Writes a parameter text file through the atomic writer.
int ParText_WriteFile(const std::string& path, std::string_view text, std::string* error = nullptr);

} // namespace parameters
