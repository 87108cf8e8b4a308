// Sensor-list files of both kinds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parameters/sens_list.h"

using namespace parameters;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int deviceType : {0, 3}) {
        const SensList list = SensList_Parse(text, deviceType);
        if (list.sensors.size() > kMaxSensors)
            __builtin_trap();
        for (const Sensor& s : list.sensors) {
            if (s.number < 0 || s.name.empty() || s.name.size() > kMaxSensorNameLength)
                __builtin_trap();
            (void)SensList_EntryText(s);
        }
    }
    return 0;
}
