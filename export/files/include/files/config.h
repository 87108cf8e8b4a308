// The settings kept between runs in config.ini: three sections, "Software",
// "Boundaries" and "FWHM Protocol", read and written in the C locale.
//
// ConfigValues is a plain copy of the program's settings; the program copies
// its variables in before writing and out after reading.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Characters kept of each text (the program's buffers hold one more, the NUL).
constexpr std::size_t kConfigAddressChars = 15; // IP address, USB serial
constexpr std::size_t kConfigFolderChars = 258; // last folders of the file dialogs
constexpr std::size_t kConfigHeaderChars = 49;  // printed protocol header texts

constexpr int kConfigBoundCount = 12;
constexpr int kConfigHeaderCount = 5;

constexpr float kConfigDefaultTint = 19999.0f;

struct ConfigValues {
    // "Software": the last connection. Reading leaves these as they were when
    // their key is missing or unusable, except the Bluetooth address (0).
    std::uint8_t connectionType = 0;
    std::uint16_t connectionComPortNr = 0;
    std::int32_t connectionBaudrate = 0;
    std::string connectionIPAddress;
    std::string connectionUSBSerial;
    std::uint64_t connectionBTAddress = 0;

    // "Software": display and measurement options. Reading resets these to
    // the values below first.
    int clearSpectra = 1;
    int interpolation = 1;
    int pixelWave = 1;
    float integrationTime = kConfigDefaultTint; // ms
    unsigned dde = 0;                           // written, never taken from a file
    int temperatureCompensation = 0;
    int startWavelength = 380; // nm
    int endWavelength = 780;   // nm
    int checkBoxAdapt = 0;
    int checkBoxDarkRef = 0;
    int fwhm = 0;
    int maxWavelength = 0;
    int minWavelength = 0;
    int cogValley = 0;
    int dominantWavelength = 0;

    // "Software": last folders; empty when missing from a file that was read.
    std::string lastCsvPath;
    std::string lastValPath;
    std::string lastDatPath;
    std::string lastParPath;

    // "Boundaries": the user's Y-axis bounds of every view, lower/upper pairs.
    std::array<double, kConfigBoundCount> userBounds{};

    // "FWHM Protocol": the header texts of the printed protocol.
    std::array<std::string, kConfigHeaderCount> protocolHeader;
};

// Key names in the order they are written.
extern const char* const kConfigBoundKeys[kConfigBoundCount];
extern const char* const kConfigHeaderKeys[kConfigHeaderCount];

// Resets the options, bounds and header texts to their defaults; the
// connection fields and the folders keep their values.
void config_SetDefaults(ConfigValues* values);

// Reads a configuration text into *values, which holds the current settings
// on entry. The defaults are set first; then every key found with a usable
// value replaces its field. A number that is not a whole, finite value of
// its field's type keeps the default (no wrap-around into 8-, 16-bit or
// float fields, no NaN); texts are cut to their caps. Returns false when the
// text is not a configuration at all (too large, binary): the defaults stay.
bool config_Parse(std::string_view text, ConfigValues* values);

// The configuration as text, every key in its fixed order. Non-finite
// numbers are written as their defaults and texts are cut to their caps, so
// what is written reads back the same.
std::string config_Format(const ConfigValues& values);

// Where the file lives: inside appFolder (ending in '/') when that folder
// exists, else "config.ini" in the working directory. The reader passes the
// application-data folder as it is; the writer first tries to create it. A
// folder that could not be created therefore sends both to the same place.
std::string config_FilePath(const std::string& appFolder);

// The file counterparts of config_Parse and config_Format. Reading returns 0,
// or -1 when the file cannot be read or parsed (defaults set, *error says
// why). Writing goes through the atomic writer: 0, or -1 with *error set and
// the old file untouched.
int config_ReadFile(const std::string& path, ConfigValues* values, std::string* error = nullptr);
int config_WriteFile(const std::string& path, const ConfigValues& values,
                     std::string* error = nullptr);
