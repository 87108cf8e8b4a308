#include "files/config.h"

#include <sys/stat.h>

#include <cfloat>
#include <cmath>

#include "ini/ini.h"
#include "support/atomic_file.h"

const char* const kConfigBoundKeys[kConfigBoundCount] = {
    "Dark Lower Boundary",       "Dark Upper Boundary",         "Reference Lower Boundary",
    "Reference Upper Boundary",  "Transmission Lower Boundary", "Transmission Upper Boundary",
    "Absorbance Lower Boundary", "Absorbance Upper Boundary",   "Calculate Lower Boundary",
    "Calculate Upper Boundary",  "FFT Lower Boundary",          "FFT Upper Boundary",
};

const char* const kConfigHeaderKeys[kConfigHeaderCount] = {
    "Spectrometer Type", "Array Type", "Pixel", "Fiber/Slit", "Operator",
};

namespace {

constexpr const char* kSoftware = "Software";
constexpr const char* kBoundaries = "Boundaries";
constexpr const char* kProtocol = "FWHM Protocol";

// The options of "Software" that are plain ints, in the order they are
// written after "DDE" (the order they are read in does not matter).
struct IntKey {
    const char* key;
    int ConfigValues::*field;
};
constexpr IntKey kOptionsBeforeTint[] = {
    {"ClearSpectra", &ConfigValues::clearSpectra},
    {"Interpolation", &ConfigValues::interpolation},
    {"PixelWave", &ConfigValues::pixelWave},
};
constexpr IntKey kOptionsAfterDde[] = {
    {"Temperature Compensation", &ConfigValues::temperatureCompensation},
    {"Startwavelength", &ConfigValues::startWavelength},
    {"Endwavelength", &ConfigValues::endWavelength},
    {"CheckBoxAdapt", &ConfigValues::checkBoxAdapt},
    {"CheckBoxDarkRef", &ConfigValues::checkBoxDarkRef},
    {"FWHM", &ConfigValues::fwhm},
    {"Max Wavelength", &ConfigValues::maxWavelength},
    {"Min Wavelength", &ConfigValues::minWavelength},
    {"COG Valley", &ConfigValues::cogValley},
    {"Dominant Wavelength", &ConfigValues::dominantWavelength},
};

struct FolderKey {
    const char* key;
    std::string ConfigValues::*field;
};
constexpr FolderKey kFolders[] = {
    {"LastCSVPath", &ConfigValues::lastCsvPath},
    {"LastValPath", &ConfigValues::lastValPath},
    {"LastDatPath", &ConfigValues::lastDatPath},
    {"LastParPath", &ConfigValues::lastParPath},
};

// Cuts at a NUL (the program's texts end there) and to at most max bytes
// without splitting a UTF-8 character.
std::string Cut(std::string s, std::size_t max) {
    s = s.substr(0, s.find('\0'));
    if (s.size() <= max)
        return s;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

void GetText(const ini::Document& doc, const char* section, const char* key, std::size_t max,
             std::string* out) {
    std::string v;
    if (doc.GetString(section, key, &v))
        *out = Cut(std::move(v), max);
}

} // namespace

void config_SetDefaults(ConfigValues* v) {
    const ConfigValues d;
    for (const IntKey& k : kOptionsBeforeTint)
        v->*k.field = d.*k.field;
    for (const IntKey& k : kOptionsAfterDde)
        v->*k.field = d.*k.field;
    v->integrationTime = d.integrationTime;
    v->dde = d.dde;
    v->userBounds = d.userBounds;
    v->protocolHeader = d.protocolHeader;
}

namespace {
void Apply(const ini::Document& doc, ConfigValues* v) {
    int n = 0;
    if (doc.GetInt(kSoftware, "ConnectionType", &n, 0, UINT8_MAX))
        v->connectionType = static_cast<std::uint8_t>(n);
    if (doc.GetInt(kSoftware, "ConnectionComPortNr", &n, 0, UINT16_MAX))
        v->connectionComPortNr = static_cast<std::uint16_t>(n);
    doc.GetInt(kSoftware, "ConnectionBaudrate", &v->connectionBaudrate);
    GetText(doc, kSoftware, "ConnectionIPAddress", kConfigAddressChars, &v->connectionIPAddress);
    GetText(doc, kSoftware, "ConnectionUSBSerial", kConfigAddressChars, &v->connectionUSBSerial);
    v->connectionBTAddress = 0;
    doc.GetUInt64(kSoftware, "ConnectionBTAddress", &v->connectionBTAddress);

    for (const IntKey& k : kOptionsBeforeTint)
        doc.GetInt(kSoftware, k.key, &(v->*k.field));
    double d = 0.0;
    if (doc.GetDouble(kSoftware, "Integration Time", &d, -FLT_MAX, FLT_MAX))
        v->integrationTime = static_cast<float>(d);
    // "DDE" is written for other readers but never taken back: the selection
    // it records always starts unset.
    for (const IntKey& k : kOptionsAfterDde)
        doc.GetInt(kSoftware, k.key, &(v->*k.field));
    for (const FolderKey& k : kFolders) {
        v->*k.field = std::string();
        GetText(doc, kSoftware, k.key, kConfigFolderChars, &(v->*k.field));
    }

    for (int i = 0; i < kConfigBoundCount; ++i)
        doc.GetDouble(kBoundaries, kConfigBoundKeys[i], &v->userBounds[i]);
    for (int i = 0; i < kConfigHeaderCount; ++i)
        GetText(doc, kProtocol, kConfigHeaderKeys[i], kConfigHeaderChars, &v->protocolHeader[i]);
}
} // namespace

bool config_Parse(std::string_view text, ConfigValues* values) {
    config_SetDefaults(values);
    ini::Document doc;
    if (!doc.Parse(text))
        return false;
    Apply(doc, values);
    return true;
}

std::string config_Format(const ConfigValues& v) {
    const ConfigValues d;
    ini::Document doc;
    doc.PutInt(kSoftware, "ConnectionType", v.connectionType);
    doc.PutInt(kSoftware, "ConnectionComPortNr", v.connectionComPortNr);
    doc.PutInt(kSoftware, "ConnectionBaudrate", v.connectionBaudrate);
    doc.PutString(kSoftware, "ConnectionIPAddress",
                  Cut(v.connectionIPAddress, kConfigAddressChars));
    doc.PutString(kSoftware, "ConnectionUSBSerial",
                  Cut(v.connectionUSBSerial, kConfigAddressChars));
    doc.PutUInt64(kSoftware, "ConnectionBTAddress", v.connectionBTAddress);
    for (const IntKey& k : kOptionsBeforeTint)
        doc.PutInt(kSoftware, k.key, v.*k.field);
    doc.PutDouble(kSoftware, "Integration Time",
                  std::isfinite(v.integrationTime) ? v.integrationTime : d.integrationTime);
    doc.PutUInt(kSoftware, "DDE", v.dde);
    for (const IntKey& k : kOptionsAfterDde)
        doc.PutInt(kSoftware, k.key, v.*k.field);
    for (const FolderKey& k : kFolders)
        doc.PutString(kSoftware, k.key, Cut(v.*k.field, kConfigFolderChars));
    for (int i = 0; i < kConfigBoundCount; ++i)
        doc.PutDouble(kBoundaries, kConfigBoundKeys[i],
                      std::isfinite(v.userBounds[i]) ? v.userBounds[i] : 0.0);
    for (int i = 0; i < kConfigHeaderCount; ++i)
        doc.PutString(kProtocol, kConfigHeaderKeys[i],
                      Cut(v.protocolHeader[i], kConfigHeaderChars));
    return doc.ToText();
}

std::string config_FilePath(const std::string& appFolder) {
    struct stat st {};
    if (!appFolder.empty() && ::stat(appFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return appFolder + (appFolder.back() == '/' ? "" : "/") + "config.ini";
    return "config.ini";
}

int config_ReadFile(const std::string& path, ConfigValues* values, std::string* error) {
    config_SetDefaults(values);
    ini::Document doc;
    if (!doc.ReadFile(path, error))
        return -1;
    Apply(doc, values);
    return 0;
}

int config_WriteFile(const std::string& path, const ConfigValues& values, std::string* error) {
    return support::WriteFileAtomic(path, config_Format(values), error);
}
