#include "export/config_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "export/export_state.h"
#include "export/protocol.h"
#include "files/config.h"
#include "link/fileio_path.h"
#include "link/shared_state.h"
#include "parameters/parameters_state.h"
#include "ui/ui.h"

namespace {

// Copies text into a fixed buffer, cut to fit with its NUL.
template <std::size_t N> void Put(char (&dst)[N], const std::string& src) {
    const std::size_t n = std::min(src.size(), N - 1);
    std::memcpy(dst, src.data(), n);
    std::memset(dst + n, 0, N - n);
}

template <std::size_t N> std::string Get(const char (&src)[N]) {
    return std::string(src, strnlen(src, N));
}

// Folders of the file dialogs, in the order of ConfigValues.
struct Folder {
    std::string ConfigValues::*field;
    char (*buffer)[260];
};
const Folder kFolders[] = {{&ConfigValues::lastCsvPath, &cLastCsvPath},
                           {&ConfigValues::lastValPath, &cLastValPath},
                           {&ConfigValues::lastDatPath, &cLastDatPath},
                           {&ConfigValues::lastParPath, &cLastParPath}};

// The header texts the file keeps follow the instrument's number, which it
// does not keep.
constexpr int kFirstHeaderText = kPrtHeaderField + 1;

} // namespace

void fileio_CollectSettings(ConfigValues* v) {
    v->connectionType = stParam.connectionType;
    v->connectionComPortNr = stParam.comPort;
    v->connectionBaudrate = stParam.baudrate;
    v->connectionIPAddress = Get(stParam.ipAddress);
    v->connectionUSBSerial = Get(stParam.usbSerial);
    v->connectionBTAddress = stParam.btAddress;
    v->clearSpectra = iClrDisplay;
    v->interpolation = iInterplMode;
    v->pixelWave = iPxlWlMode;
    v->integrationTime = fTint;
    v->dde = static_cast<unsigned>(iCbSelect);
    v->temperatureCompensation = iTempComp;
    v->startWavelength = iStartWaveLen;
    v->endWavelength = iEndWaveLen;
    v->checkBoxAdapt = iCheckBoxAdapt;
    v->checkBoxDarkRef = iCheckBoxDarkRef;
    v->fwhm = iCkdFwhm;
    v->maxWavelength = iCkdMaxWave;
    v->minWavelength = iCkdMinWave;
    v->cogValley = iCkdCogVal;
    v->dominantWavelength = iCkdDomWave;
    for (const Folder& f : kFolders)
        v->*f.field = Get(*f.buffer);
    std::copy(std::begin(dUserBounds), std::end(dUserBounds), v->userBounds.begin());
    for (int i = 0; i < kConfigHeaderCount; ++i)
        v->protocolHeader[i] = Get(cPrtBuf[kFirstHeaderText + i]);
}

void fileio_ApplySettings(const ConfigValues& v) {
    stParam.connectionType = v.connectionType;
    stParam.comPort = v.connectionComPortNr;
    stParam.baudrate = v.connectionBaudrate;
    Put(stParam.ipAddress, v.connectionIPAddress);
    Put(stParam.usbSerial, v.connectionUSBSerial);
    stParam.btAddress = v.connectionBTAddress;
    iClrDisplay = v.clearSpectra;
    iInterplMode = v.interpolation;
    iPxlWlMode = v.pixelWave;
    fTint = v.integrationTime;
    // The selection the file records always starts unset.
    iCbSelect = 0;
    iTempComp = v.temperatureCompensation;
    iStartWaveLen = v.startWavelength;
    iEndWaveLen = v.endWavelength;
    iCheckBoxAdapt = v.checkBoxAdapt;
    iCheckBoxDarkRef = v.checkBoxDarkRef;
    iCkdFwhm = v.fwhm;
    iCkdMaxWave = v.maxWavelength;
    iCkdMinWave = v.minWavelength;
    iCkdCogVal = v.cogValley;
    iCkdDomWave = v.dominantWavelength;
    for (const Folder& f : kFolders)
        Put(*f.buffer, v.*f.field);
    std::copy(v.userBounds.begin(), v.userBounds.end(), std::begin(dUserBounds));
    for (int i = 0; i < kConfigHeaderCount; ++i)
        Put(cPrtBuf[kFirstHeaderText + i], v.protocolHeader[i]);
}

std::string fileio_IniFilePath() {
    return config_FilePath(fileio_AppDataFolder());
}

int fileio_ReadIniFile() {
    ConfigValues values;
    fileio_CollectSettings(&values);
    // The defaults are set first; without a readable file they stay, and the
    // stored connection and the folders keep the values they had.
    const int result = config_ReadFile(fileio_IniFilePath(), &values);
    fileio_ApplySettings(values);
    return result;
}

int fileio_WriteIniFile() {
    ConfigValues values;
    fileio_CollectSettings(&values);
    // A folder that cannot be made has been reported; the file then goes to
    // the working directory, where the reader looks too.
    const std::string folder = fileio_AppDataFolder();
    if (!folder.empty())
        fileio_CheckPath(folder);
    std::string error;
    if (config_WriteFile(fileio_IniFilePath(), values, &error) != 0) {
        MessagePopup("Settings not saved", ("The settings could not be saved.\n" + error).c_str());
        return -1;
    }
    return 0;
}
