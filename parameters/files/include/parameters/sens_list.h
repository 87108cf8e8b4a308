// The sensor list offered on the sensor page: read from a small text file in
// the working folder or beside the program, chosen by device type.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace parameters {

// Shown (title "ERROR") when the sensor-list file cannot be read.
inline constexpr const char* kSensListFailure = "Could not read sensor list!";

inline constexpr std::size_t kMaxSensListFileSize = 1 << 20;
inline constexpr std::size_t kMaxSensorNameLength = 99;
inline constexpr std::size_t kMaxSensors = 10000;

struct Sensor {
    int number = 0;
    std::string name;
};

struct SensList {
    std::vector<Sensor> sensors; // file order, duplicates kept
    // Why reading ended before the end of the text ("" when it did not).
    std::string stoppedAt;
};

// "SPECSENs_TKRx7.ini" for device type 3, "SPECSENs.ini" otherwise.
std::string SensList_FileName(int deviceType);
// That file in the working folder, else beside the program; the name alone
// when neither folder has it (reading it then says so).
std::string SensList_Path(int deviceType);

// Parses white-space separated records. Device type 3: word and number,
// all used. Others: word, number and an unused integer; records up to and
// including the first whose word contains "ZOLT:" are skipped. Reading stops
// at the first record that does not match (a name longer than
// kMaxSensorNameLength, a number that is not a whole non-negative int) and
// after kMaxSensors sensors.
SensList SensList_Parse(std::string_view text, int deviceType);

// Reads and parses path. Returns 0, or -1 with *error when it cannot be read.
int PU_LoadSensList(const std::string& path, int deviceType, SensList* out,
                    std::string* error = nullptr);

// The choice entry: "%.3d    %s" of number and name.
std::string SensList_EntryText(const Sensor& sensor);

} // namespace parameters
