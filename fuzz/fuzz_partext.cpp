// A parameter text replayed into an instrument, and instrument answers read
// into controls. Input: file text, a NUL, the current text; the first byte
// also picks the device type.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parameters/par_table.h"
#include "parameters/par_text.h"

using namespace parameters;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const int deviceType = size ? data[0] % 5 : 0;
    std::vector<ParameterControl> table;
    PU_InitParameters(deviceType, table);
    const auto known = PU_KnownSetCommands(table);

    const std::size_t nul = in.find('\0');
    const std::string_view file = in.substr(0, nul);
    const std::string_view current = nul == std::string_view::npos ? "" : in.substr(nul + 1);
    const ReplayPlan plan = ParText_PlanReplay(file, current, known);
    for (const ReplayLine& l : plan.send) {
        if (l.command.size() > kMaxCommandLength)
            __builtin_trap();
        for (char c : l.command)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                __builtin_trap(); // a CR or LF would smuggle a second command
        bool isKnown = false;
        for (const KnownSetCommand& k : known)
            isKnown = isKnown || l.command.starts_with(k.command);
        if (!isKnown)
            __builtin_trap();
    }

    // The same bytes as an answer to every row; values go back out as text.
    std::vector<ParTextRow> rows;
    for (const ParameterControl& r : table) {
        const auto v = PU_FirmwareAnswer_to_ControlValue(
            r.dataType, PU_AnswerField(in, r.answerField, deviceType));
        rows.push_back({r.setCommand, v.has_value(), v.value_or(r.init)});
    }
    const std::string text = PU_AllParameter_to_Text(rows, NumberStyle::Machine);
    (void)PU_AddParLogLine(in);
    (void)text;
    return 0;
}
