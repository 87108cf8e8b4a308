#include "parameters/par_table.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "numtext.h"
#include "support/numfmt.h"

namespace parameters {
namespace {

bool HasRow(const ParRowSpec& s, int deviceType) {
    switch (s.types) {
    case ParRowTypes::Type3:
        return deviceType == 3;
    case ParRowTypes::Type3AndAbove:
        return deviceType >= 3;
    default:
        return true;
    }
}

bool Control(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string_view ParTab_Label(ParTab tab) {
    static constexpr std::string_view labels[] = {
        "ROOT", "ADC",          "SENSOR",           "COMMUNICATION", "MEAS",
        "SCAN", "PERIPHERICAL", "SPECIFIC FEATURE", "CORRECTION",    "OTHERS"};
    const auto i = static_cast<std::size_t>(tab);
    return i < std::size(labels) ? labels[i] : std::string_view{};
}

void PU_InitParameters(int deviceType, std::vector<ParameterControl>& table) {
    std::vector<ParameterControl> fresh;
    fresh.reserve(kParameterRows.size());
    const bool type3 = deviceType == 3;
    for (const ParRowSpec& s : kParameterRows) {
        if (!HasRow(s, deviceType))
            continue;
        ParameterControl row;
        row.tab = s.tab;
        row.control = s.control;
        row.answerField = type3 && s.answerField3 ? s.answerField3 : s.answerField;
        row.needsPassword =
            s.password == ParPassword::Yes || (s.password == ParPassword::NotType3 && !type3);
        row.queryCommand = type3 && !s.query3.empty() ? s.query3 : s.query;
        row.setCommand = type3 && !s.set3.empty() ? s.set3 : s.set;
        row.dataType = s.dataType;
        row.identity = s.identity;
        const std::size_t i = fresh.size();
        if (i < table.size() && table[i].control == row.control &&
            table[i].init.type == row.dataType)
            row.init = table[i].init;
        else
            row.init.type = row.dataType;
        fresh.push_back(std::move(row));
    }
    table = std::move(fresh);
}

std::size_t PU_ControlName_to_Index(const std::vector<ParameterControl>& table, ParTab tab,
                                    std::string_view control) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].tab == tab && table[i].control == control)
            return i;
    return table.size();
}

std::vector<KnownSetCommand> PU_KnownSetCommands(const std::vector<ParameterControl>& table) {
    std::vector<KnownSetCommand> known;
    for (const ParameterControl& r : table) {
        if (r.setCommand.find("**") != std::string_view::npos)
            continue;
        bool seen = false;
        for (KnownSetCommand& k : known)
            if (k.command == r.setCommand) {
                k.identity = k.identity || r.identity;
                seen = true;
            }
        if (!seen)
            known.push_back({r.setCommand, r.identity});
    }
    return known;
}

std::vector<ParTextRow> PU_TextRows(const std::vector<ParameterControl>& table,
                                    std::span<const ParValue> current,
                                    const std::vector<bool>& answered) {
    std::vector<ParTextRow> rows;
    rows.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const bool have = i < current.size() && i < answered.size() && answered[i];
        rows.push_back({table[i].setCommand, have, have ? current[i] : table[i].init});
    }
    return rows;
}

bool PU_SetParameterCommand(const std::vector<ParameterControl>& table,
                            std::span<const ParTextRow> rows, std::size_t row,
                            std::string_view password, ParSetCommand* out) {
    *out = {};
    if (row >= table.size() || row >= rows.size()) {
        out->error = "No parameter for this control.";
        return false;
    }
    std::string line = PU_CommandLine(rows, table[row].setCommand, NumberStyle::Machine);
    std::string logLine = line;
    if (table[row].needsPassword) {
        line += ' ';
        line += detail::Trim(password);
        logLine += " ****";
    }
    if (line.size() > kMaxCommandLength) {
        out->error = support::FormatC("The command is too long for the instrument (%zu of at "
                                      "most %zu characters): %s",
                                      line.size(), kMaxCommandLength, logLine.c_str());
        return false;
    }
    out->command = line + '\r';
    out->logText = logLine + '\r';
    return true;
}

bool PU_ValueChanged(const ParValue& a, const ParValue& b) {
    switch (b.type) {
    case ParDataType::Float:
        return std::isnan(a.real) || std::isnan(b.real) || a.real != b.real;
    case ParDataType::String:
        return a.text != b.text;
    case ParDataType::Double:
        return false;
    default:
        return a.integer != b.integer;
    }
}

std::string_view PU_AnswerSeparators(int deviceType) {
    return deviceType == 3 ? std::string_view(":;\n\t ") : std::string_view(":;\n\t");
}

int interp_FindSeparator(std::string_view text, std::string_view separators, int n) {
    if (n < 1)
        return -1;
    bool inRun = false;
    int runs = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool sep = separators.find(text[i]) != std::string_view::npos;
        if (sep && !inRun && ++runs == n)
            return static_cast<int>(i);
        inRun = sep;
    }
    return -1;
}

std::string_view PU_AnswerField(std::string_view answer, int answerField, int deviceType) {
    const std::string_view seps = PU_AnswerSeparators(deviceType);
    const int n = deviceType == 3 ? answerField - 1 : answerField;
    const int p = interp_FindSeparator(answer, seps, n);
    if (p < 0)
        return answer;
    // Past the whole run: "KEY:;5" is 5, not the ";5" that reads as 0.
    std::size_t i = static_cast<std::size_t>(p);
    while (i < answer.size() && seps.find(answer[i]) != std::string_view::npos)
        ++i;
    return answer.substr(i);
}

bool PU_AnswerRefused(std::string_view answer) {
    return !answer.empty() && answer[0] == 0x15;
}

std::optional<ParValue> PU_FirmwareAnswer_to_ControlValue(ParDataType type, std::string_view text) {
    text = detail::Trim(text);
    if (text.empty())
        return std::nullopt;
    ParValue v;
    v.type = type;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    const auto inRange = [&](long long lo, long long hi) -> std::optional<ParValue> {
        long long x = 0;
        const auto [end, ec] = std::from_chars(first, last, x);
        if (ec != std::errc() || x < lo || x > hi)
            return std::nullopt;
        v.integer = x;
        return v;
    };
    switch (type) {
    case ParDataType::Char:
        return inRange(-128, 127);
    case ParDataType::Int:
        return inRange(INT32_MIN, INT32_MAX);
    case ParDataType::Short:
        return inRange(INT16_MIN, INT16_MAX);
    case ParDataType::UShort:
        return inRange(0, UINT16_MAX);
    case ParDataType::UInt:
        return inRange(0, UINT32_MAX);
    case ParDataType::Float: {
        double d = 0;
        const auto [end, ec] = std::from_chars(first, last, d);
        if (ec != std::errc() || !std::isfinite(d) || std::fabs(d) > FLT_MAX)
            return std::nullopt;
        v.real = static_cast<float>(d);
        return v;
    }
    case ParDataType::String:
        v.text.assign(text);
        for (char& c : v.text)
            if (Control(static_cast<unsigned char>(c)))
                c = ' ';
        return v;
    default:
        return std::nullopt;
    }
}

std::string PU_CorrCoeffAnswer(const float c[4], int deviceType) {
    std::string a =
        deviceType == 3 ? std::string() : std::string("coefficients (from DLL-command):");
    for (int i = 0; i < 4; ++i) {
        if (deviceType != 3 || i > 0)
            a += deviceType == 3 ? ' ' : '\t';
        a += detail::FloatExp(c[i], false);
    }
    return a + '\r';
}

std::string PU_AverConfAnswer(std::uint16_t average) {
    return support::FormatC("%s\t%u\r", "Average:", static_cast<unsigned>(average));
}

std::string PU_AddParLogLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case 0x15:
            line += "<NAK>";
            break;
        case 0x06:
            line += "<ACK>";
            break;
        case ' ':
            line += "<SP>";
            break;
        case '\r':
            line += "<CR>";
            break;
        case '\n':
            line += "<LF>";
            break;
        case '\t':
            line += "<TAB>";
            break;
        case 0x03:
            line += "<ETX>";
            break;
        default:
            line += c;
        }
    }
    return line;
}

} // namespace parameters
