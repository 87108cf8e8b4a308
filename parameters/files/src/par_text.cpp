#include "parameters/par_text.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "numtext.h"
#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support/read_file.h"

namespace parameters {
namespace {

using detail::Trim;

std::optional<std::string> Integer(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    if (v < lo || v > hi)
        return std::nullopt;
    return support::FormatC("%lld", static_cast<long long>(v)); // no separators either way
}

// Calls f(line) for every line of text ("\n"-separated, last line without one).
template <typename F> void ForEachLine(std::string_view text, F f) {
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        f(text.substr(0, nl));
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
}

bool PrintableAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x7F;
    });
}

// Parameter text copied to the clipboard in a comma locale writes
// "4,820000e-01": each word takes the point the instrument reads.
std::string PointedNumbers(std::string_view line) {
    std::string out;
    while (!line.empty()) {
        const std::size_t end = std::min(line.find(' '), line.size());
        out += detail::PointForComma(line.substr(0, end));
        if (end < line.size())
            out += ' ';
        line.remove_prefix(std::min(end + 1, line.size()));
    }
    return out;
}

} // namespace

std::optional<std::string> PU_ParameterValue_to_String(const ParValue& v, NumberStyle style) {
    switch (v.type) {
    case ParDataType::Char:
        return Integer(v.integer, -128, 127);
    case ParDataType::Int:
        return Integer(v.integer, INT32_MIN, INT32_MAX);
    case ParDataType::Short:
        return Integer(v.integer, INT16_MIN, INT16_MAX);
    case ParDataType::UShort:
        return Integer(v.integer, 0, UINT16_MAX);
    case ParDataType::UInt:
        return Integer(v.integer, 0, UINT32_MAX);
    case ParDataType::Float:
        if (!std::isfinite(v.real))
            return std::nullopt;
        return detail::FloatExp(v.real, style == NumberStyle::User);
    case ParDataType::String: {
        // A control character in a value would end or split the command.
        std::string s = v.text;
        for (char& c : s)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                c = ' ';
        return std::string(Trim(s));
    }
    default:
        return std::nullopt;
    }
}

std::vector<ParAlphaEntry> PU_AlphabeticalList(std::span<const ParTextRow> rows) {
    std::vector<ParAlphaEntry> list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].answered)
            continue;
        const std::string_view cmd = rows[i].setCommand;
        const auto at = std::lower_bound(
            list.begin(), list.end(), cmd,
            [](const ParAlphaEntry& e, std::string_view c) { return e.setCommand < c; });
        if (at != list.end() && at->setCommand == cmd)
            continue;
        list.insert(at, ParAlphaEntry{std::string(cmd), static_cast<int>(i)});
    }
    return list;
}

std::string PU_CommandLine(std::span<const ParTextRow> rows, std::string_view setCommand,
                           NumberStyle style) {
    std::string line(setCommand);
    for (const ParTextRow& r : rows) {
        if (r.setCommand != setCommand)
            continue;
        const std::optional<std::string> v = PU_ParameterValue_to_String(r.value, style);
        if (v && !v->empty()) {
            line += ' ';
            line += *v;
        }
    }
    return line;
}

std::string PU_AllParameter_to_Text(std::span<const ParTextRow> rows, NumberStyle style) {
    std::string text;
    for (const ParAlphaEntry& e : PU_AlphabeticalList(rows)) {
        text += PU_CommandLine(rows, e.setCommand, style);
        text += '\n';
    }
    return text;
}

std::string ParText_DefaultFileName(std::string_view serial) {
    std::string name(Trim(serial));
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    if (name.empty() || name == "." || name == "..")
        name = "parameters";
    return name + ".txt";
}

ReplayPlan ParText_PlanReplay(std::string_view fileText, std::string_view currentText,
                              std::span<const KnownSetCommand> known) {
    std::unordered_set<std::string_view> current;
    ForEachLine(currentText, [&](std::string_view l) { current.insert(Trim(l)); });

    ReplayPlan plan;
    int number = 0;
    ForEachLine(fileText, [&](std::string_view raw) {
        ++number;
        const std::string pointed = PointedNumbers(Trim(raw));
        const std::string_view line = pointed;
        if (line.size() <= 3 || line.find("**") != std::string_view::npos)
            return;
        if (current.count(line)) {
            ++plan.unchanged;
            return;
        }
        const auto refuse = [&](const char* reason) {
            plan.refused.push_back({number, std::string(line), reason});
        };
        if (!PrintableAscii(line))
            return refuse("holds characters other than printable ASCII");
        if (line.find(';') != std::string_view::npos)
            return refuse("holds a command separator");
        if (line.size() > kMaxCommandLength)
            return refuse("too long for the instrument");
        for (const KnownSetCommand& k : known) {
            if (!k.command.empty() && line.starts_with(k.command) &&
                (line.size() == k.command.size() || line[k.command.size()] == ' ')) {
                plan.send.push_back({number, std::string(line), k.identity});
                return;
            }
        }
        refuse("not a set command of this instrument's parameters");
    });
    return plan;
}

int ParText_ReadFile(const std::string& path, std::string* out, std::string* error) {
    std::string why;
    if (support::ReadRegularFile(path, kMaxParTextFileSize, out, &why) == 0)
        return 0;
    if (error)
        *error = path + ": " + why;
    return -1;
}

int ParText_WriteFile(const std::string& path, std::string_view text, std::string* error) {
    return support::WriteFileAtomic(path, text, error);
}

} // namespace parameters
