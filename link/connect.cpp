#include "link/connect.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/core_call.h"
#include "link/device_params.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

// What ZOLT_GetDeviceInfo tells about one device.
struct DeviceInfo {
    uint8_t connectionType = 0;
    uint8_t deviceType = 0;
    char serial[ZOLT_TEXT16 + 1] = {};
    uint16_t comPort = 0;
    uint32_t baudrate = 0;
    char ipAddress[ZOLT_TEXT16 + 1] = {};
    char usbSerial[ZOLT_TEXT16 + 1] = {};
    uint64_t btAddress = 0;
};

// The fields of stParam that say how the device is reached, and its serial.
struct StoredConnection {
    uint8_t connectionType;
    uint16_t comPort;
    int32_t baudrate;
    char ipAddress[16];
    char usbSerial[16];
    uint64_t btAddress;
    char serial[16];
};

StoredConnection SaveConnection() {
    StoredConnection s{};
    s.connectionType = stParam.connectionType;
    s.comPort = stParam.comPort;
    s.baudrate = stParam.baudrate;
    std::memcpy(s.ipAddress, stParam.ipAddress, sizeof s.ipAddress);
    std::memcpy(s.usbSerial, stParam.usbSerial, sizeof s.usbSerial);
    s.btAddress = stParam.btAddress;
    std::memcpy(s.serial, cSerial1, sizeof s.serial);
    return s;
}

void RestoreConnection(const StoredConnection& s) {
    stParam.connectionType = s.connectionType;
    stParam.comPort = s.comPort;
    stParam.baudrate = s.baudrate;
    std::memcpy(stParam.ipAddress, s.ipAddress, sizeof s.ipAddress);
    std::memcpy(stParam.usbSerial, s.usbSerial, sizeof s.usbSerial);
    stParam.btAddress = s.btAddress;
    std::memcpy(cSerial1, s.serial, sizeof cSerial1);
}

// Copies at most size - 1 characters and always terminates.
void CopyText(char* dst, std::size_t size, const char* src) {
    const std::size_t n = strnlen(src, size - 1);
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

void CopyIntoRecord(const DeviceInfo& d) {
    stParam.connectionType = d.connectionType;
    stParam.deviceType = d.deviceType;
    CopyText(cSerial1, sizeof cSerial1, d.serial);
    stParam.comPort = d.comPort;
    stParam.baudrate = static_cast<int32_t>(d.baudrate);
    CopyText(stParam.ipAddress, sizeof stParam.ipAddress, d.ipAddress);
    CopyText(stParam.usbSerial, sizeof stParam.usbSerial, d.usbSerial);
    stParam.btAddress = d.btAddress;
}

int GetInfo(const char* logText, uint32_t index, DeviceInfo* d) {
    *d = DeviceInfo{};
    const int status = link_CoreCall(logText, ZOLT_GetDeviceInfo, index, &d->connectionType,
                                     &d->deviceType, d->serial, &d->comPort, &d->baudrate,
                                     d->ipAddress, d->usbSerial, &d->btAddress);
    // The library's texts are 16 bytes; keep them terminated whatever it wrote.
    d->serial[ZOLT_TEXT16 - 1] = d->ipAddress[ZOLT_TEXT16 - 1] = d->usbSerial[ZOLT_TEXT16 - 1] =
        '\0';
    return status;
}

// How a device was opened directly, to recognise its description.
struct OpenedBy {
    int keyword = KW_NONE; // KW_COM, KW_FTDI, KW_TCPIP, KW_BT
    unsigned port = 0;
    std::string text; // USB serial or IP address
    uint64_t bt = 0;
};

// Host part of "a.b.c.d" or "a.b.c.d:port".
std::string Host(const std::string& ip) {
    return ip.substr(0, ip.find(':'));
}

bool Describes(const DeviceInfo& d, const OpenedBy& o) {
    switch (o.keyword) {
    case KW_COM:
        return d.connectionType == ZOLT_CONN_COM && d.comPort == o.port;
    case KW_FTDI:
        return d.connectionType == ZOLT_CONN_USB && o.text == d.usbSerial;
    case KW_TCPIP:
        return d.connectionType == ZOLT_CONN_TCPIP && Host(o.text) == Host(d.ipAddress);
    case KW_BT:
        return d.connectionType >= ZOLT_CONN_BT && d.btAddress == o.bt;
    default:
        return false;
    }
}

// The description of a directly opened device.  The library describes
// devices by enumeration index, which need not be the opened one: index 0 is
// asked first (as it always was), then the others; a device no index
// describes keeps the address it was opened with.
DeviceInfo DescribeOpened(const OpenedBy& o) {
    DeviceInfo d;
    if (GetInfo("main_DevicesSearch, ZOLT_GetDeviceInfoEx#2", 0, &d) == ZOLT_OK && Describes(d, o))
        return d;
    uint32_t count = 0;
    ZOLT_GetNumDevices(&count);
    for (uint32_t i = 1; i < count && i < 256; ++i) {
        DeviceInfo other;
        if (GetInfo("main_DevicesSearch, ZOLT_GetDeviceInfoEx#2", i, &other) == ZOLT_OK &&
            Describes(other, o))
            return other;
    }
    // Not enumerated here (a network device): its address is the one it was
    // opened with, and the device itself tells its serial number.
    DeviceInfo kept;
    char reply[ZOLT_REPLY_MAX + 1] = {};
    const int status =
        link_CoreCall("main_DevicesSearch, ZOLT_ArbitraryCommand", "*PARA:SERN?",
                      ZOLT_ArbitraryCommand, dwCurrentDevice, "*PARA:SERN?\r", reply);
    if (status == ZOLT_OK && static_cast<unsigned char>(reply[0]) != ZOLT_NAK) {
        // "SERN:\tvalue\r"
        const char* v = std::strchr(reply, ':');
        v = v != nullptr ? v + 1 : reply;
        while (*v == ' ' || *v == '\t')
            ++v;
        std::size_t n = std::strcspn(v, "\r\n");
        if (n >= sizeof kept.serial)
            n = sizeof kept.serial - 1;
        std::memcpy(kept.serial, v, n);
        kept.serial[n] = '\0';
    }
    switch (o.keyword) {
    case KW_COM:
        kept.connectionType = ZOLT_CONN_COM;
        kept.comPort = static_cast<uint16_t>(o.port);
        kept.baudrate = static_cast<uint32_t>(stParam.baudrate);
        break;
    case KW_FTDI:
        kept.connectionType = ZOLT_CONN_USB;
        CopyText(kept.usbSerial, sizeof kept.usbSerial, o.text.c_str());
        break;
    case KW_TCPIP:
        kept.connectionType = ZOLT_CONN_TCPIP;
        CopyText(kept.ipAddress, sizeof kept.ipAddress, o.text.c_str());
        break;
    default:
        kept.connectionType = ZOLT_CONN_BT;
        kept.btAddress = o.bt;
        break;
    }
    kept.deviceType = stParam.deviceType;
    return kept;
}

void Status(const char* text) {
    SetCtrlVal(hAboutPanel, ABOUT_CONFIG, text);
}

void DimFileOpen(int dimmed) {
    const int bar = hMainBar != 0 ? hMainBar : hMenuBar;
    if (bar != 0)
        SetMenuBarAttribute(bar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, dimmed);
}

void DimMeasureButtons() {
    g_workspaceHooks.set_MeasBtns(1);
}

// Step "still offline": the window shows no device.
int StayOffline() {
    iOffline = 1;
    // "Open..." stays: a spectrum file is viewed without an instrument too.
    DimMeasureButtons();
    SetWaitCursor(0);
    double v = 0.0;
    if (GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_DEFAULT_VALUE, &v) == 0)
        iMinWaveLen = static_cast<int>(v);
    if (GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_DEFAULT_VALUE, &v) == 0)
        iMaxWaveLen = static_cast<int>(v);
    return kResultFailed;
}

// An opened device that cannot be set up is closed again, so its port can be
// opened later, and the stored connection stays the one from before.
int CloseAndStayOffline(const StoredConnection& before) {
    if (dwCurrentDevice != 0) {
        link_CoreCall("main_DevicesSearch, ZOLT_CloseDevice", ZOLT_CloseDevice, dwCurrentDevice);
        dwCurrentDevice = 0;
    }
    RestoreConnection(before);
    return StayOffline();
}

// A question whose yes searches and whose no stays offline.
void AskSearch(const char* title, const char* text) {
    CopyText(sArg1, sizeof sArg1, ConfirmPopup(title, text) == 1 ? "SEARCH" : "OFFLINE");
}

bool IsDirectKeyword(int kw) {
    return kw == KW_COM || kw == KW_FTDI || kw == KW_TCPIP || kw == KW_BT;
}

// Line of the device chooser.
std::string ChooserLine(const DeviceInfo& d) {
    char line[128];
    switch (d.connectionType) {
    case ZOLT_CONN_COM:
        std::snprintf(line, sizeof line, "%s %s %d", d.serial, "COM      ", d.comPort);
        break;
    case ZOLT_CONN_USB:
        std::snprintf(line, sizeof line, "%s %s %s", d.serial, "FTDI     ", d.usbSerial);
        break;
    case ZOLT_CONN_TCPIP:
        std::snprintf(line, sizeof line, "%s %s %s", d.serial, "TCP/IP   ", d.ipAddress);
        break;
    case ZOLT_CONN_BT:
        std::snprintf(line, sizeof line, "%s %s %llu", d.serial, "BlueTooth",
                      static_cast<unsigned long long>(d.btAddress));
        break;
    default:
        std::snprintf(line, sizeof line, "%s", d.serial);
        break;
    }
    return line;
}

// Lets the user pick one of several devices; -1 when cancelled.
int ChooseDevice(const std::vector<DeviceInfo>& devices) {
    ClearListCtrl(hDevselectPanel, DEVSELECT_SELECTDEV);
    for (std::size_t i = 0; i < devices.size(); ++i)
        InsertListItem(hDevselectPanel, DEVSELECT_SELECTDEV, -1, ChooserLine(devices[i]).c_str(),
                       static_cast<int>(i));
    SetCtrlIndex(hDevselectPanel, DEVSELECT_SELECTDEV, 0);
    SetWaitCursor(0);
    const int control = RunModalPanel(
        hDevselectPanel, {DEVSELECT_OKBUTTON, DEVSELECT_CANCELBUTTON, DEVSELECT_SELECTDEV});
    int index = -1;
    if (control != DEVSELECT_CANCELBUTTON && control > 0) {
        if (GetCtrlVal(hDevselectPanel, DEVSELECT_SELECTDEV, &index) != 0)
            index = -1;
    }
    SetWaitCursor(1);
    RemovePopup(hDevselectPanel);
    HidePanel(hDevselectPanel);
    if (index < 0 || index >= static_cast<int>(devices.size()))
        return -1;
    return index;
}

} // namespace

std::string comm_ConnTypeText() {
    char text[96];
    switch (stParam.connectionType) {
    case 0:
        return "";
    case ZOLT_CONN_COM:
        std::snprintf(text, sizeof text, "COM%d, baudrate %d", stParam.comPort, stParam.baudrate);
        break;
    case ZOLT_CONN_USB:
        std::snprintf(text, sizeof text, "USB (FTDI). USB serial number: %s", stParam.usbSerial);
        break;
    case ZOLT_CONN_TCPIP:
        std::snprintf(text, sizeof text, "TCP/IP, remote address %s", stParam.ipAddress);
        break;
    case ZOLT_CONN_BT:
        std::snprintf(text, sizeof text, "Bluetooth, address 0x%012llX",
                      static_cast<unsigned long long>(stParam.btAddress));
        break;
    default:
        return "";
    }
    return text;
}

int comm_OpenDevice(uint32_t index, uint32_t* handle) {
    const int status =
        link_CoreCall("comm_OpenDevice, ZOLT_OpenDevice", ZOLT_OpenDevice, index, handle);
    return comm_StatusToResult(status);
}

int comm_GetNumDevices(int32_t* count) {
    uint32_t n = 0;
    link_CoreCallKeep("comm_GetNumDevices, ZOLT_GetNumDevices", ZOLT_GetNumDevices, &n);
    if (dwError == ZOLT_OK)
        *count = n > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(n);
    return 0;
}

int set_ConnectionControl(int state) {
    const int bar = hMainBar != 0 ? hMainBar : hMenuBar;
    SetMenuBarAttribute(bar, MENUBAR_CON_DEVICE, ATTR_MENU_DIMMED, state != 0 ? 1 : 0);
    SetMenuBarAttribute(bar, MENUBAR_DISCON_DEVICE, ATTR_MENU_DIMMED, state != 0 ? 0 : 1);
    SetCtrlVal(hMainPanel, MAINP_SWITCHCONNECT, state != 0 ? 1 : 0);
    SetCtrlAttribute(hMainPanel, MAINP_SWITCHCONNECT, ATTR_TOOLTIP_TEXT,
                     state != 0 ? "Click to close connection"
                                : "Click to establish connection with ZOLT-device");
    SetPanelAttribute(hMainPanel, ATTR_TITLE, state != 0 ? sOrvalinTitle : "Orvalin (offline)");
    return 1;
}

int main_DevicesSearch() {
    // Device events that arrive while the device is set up are not acted on.
    DeviceCommandScope busy;
    const StoredConnection before = SaveConnection();

    // 1.
    dwCurrentDevice = 0;
    ++uConnectCount;
    DisplayPanel(hAboutPanel);
    SetWaitCursor(1);
    int index = 0;
    iOffline = 1;
    int kw = comm_ArgKeyword(sArg1);
    OpenedBy opened;

    // 2. The connection of the last run.
    if (stParam.connectionType != 0 && kw == KW_NONE) {
        Status("TRY TO OPEN THE LAST CONNECTED DEVICE...");
        uint32_t h = 0;
        switch (stParam.connectionType) {
        case ZOLT_CONN_COM:
            link_CoreCallKeep("main_DevicesSearch, ZOLT_OpenCOMDevice#1", ZOLT_OpenCOMDevice,
                              stParam.comPort, 0, &h);
            opened.keyword = KW_COM;
            opened.port = stParam.comPort;
            break;
        case ZOLT_CONN_USB:
            link_CoreCallKeep("main_DevicesSearch, ZOLT_OpenFTDIDevice#1", stParam.usbSerial,
                              ZOLT_OpenFTDIDevice, stParam.usbSerial, &h);
            opened.keyword = KW_FTDI;
            opened.text = stParam.usbSerial;
            break;
        case ZOLT_CONN_TCPIP:
            link_CoreCallKeep("main_DevicesSearch, ZOLT_OpenTCPDevice#1", stParam.ipAddress,
                              ZOLT_OpenTCPDevice, stParam.ipAddress, &h);
            opened.keyword = KW_TCPIP;
            opened.text = stParam.ipAddress;
            break;
        default:
            link_CoreCallKeep("main_DevicesSearch, ZOLT_OpenBTDevice#1", ZOLT_OpenBTDevice,
                              stParam.btAddress, &h);
            opened.keyword = KW_BT;
            opened.bt = stParam.btAddress;
            break;
        }
        if (dwError == ZOLT_OK) {
            dwCurrentDevice = h;
            iOffline = 0;
        } else {
            CopyText(sArg1, sizeof sArg1, "SEARCH");
            kw = KW_SEARCH;
        }
    }

    // 3. The address of the command line.
    int port = -1;
    uint64_t bt = 0;
    bool argUsable = true; // the address can be opened at all
    if (iOffline != 0 && IsDirectKeyword(kw)) {
        if (sArg2[0] == '\0') {
            static const char* const kMissing[] = {
                "COM-port number as the 2nd command line argument missing.\nDo you wish to search "
                "automatically?",
                "USB serial number as the 2nd command line argument missing.\nDo you wish to "
                "search automatically?",
                "IP address as the 2nd command line argument missing.\nDo you wish to search "
                "automatically?",
                "BlueTooth address as the 2nd command line argument missing.\nDo you wish to "
                "search automatically?"};
            AskSearch("ZOLT Tarvo ERROR", kMissing[kw - KW_COM]);
            kw = comm_ArgKeyword(sArg1);
        }
        if (kw == KW_COM) {
            port = comm_ParseComPort(sArg2);
            if (port < 1) {
                AskSearch(
                    "ZOLT Tarvo ERROR",
                    "Invalid COM port given by argument!\nA value between 1...256 is neccessary.\n"
                    "Do you wish to search automatically?");
                kw = comm_ArgKeyword(sArg1);
            }
        } else if (kw == KW_BT) {
            argUsable = comm_ParseBtAddress(sArg2, &bt);
        } else if (kw == KW_FTDI || kw == KW_TCPIP) {
            // The stored connection holds at most 15 characters.
            argUsable = std::strlen(sArg2) < sizeof stParam.ipAddress;
        }
    }

    // 4. Open by the command line.
    if (iOffline != 0 && IsDirectKeyword(kw)) {
        uint32_t h = 0;
        int status = ZOLT_E_INVALID_ARG;
        auto showOpening = [](const char* format, const char* what) {
            char text[160];
            std::snprintf(text, sizeof text, format, what);
            Status(text);
        };
        switch (kw) {
        case KW_COM: {
            char text[160];
            std::snprintf(text, sizeof text, "OPENING DEVICE ON COM-PORT %d...", port);
            Status(text);
            status = link_CoreCall("main_DevicesSearch, ZOLT_OpenCOMDevice#2", port,
                                   ZOLT_OpenCOMDevice, static_cast<uint32_t>(port), 0, &h);
            opened.keyword = KW_COM;
            opened.port = static_cast<unsigned>(port);
            break;
        }
        case KW_FTDI:
            showOpening("OPENING DEVICE WITH USB SERIAL NUMBER %s...", sArg2);
            if (argUsable)
                status = link_CoreCall("main_DevicesSearch, ZOLT_OpenFTDIDevice#2", sArg2,
                                       ZOLT_OpenFTDIDevice, sArg2, &h);
            opened.keyword = KW_FTDI;
            opened.text = sArg2;
            break;
        case KW_TCPIP:
            showOpening("OPENING DEVICE WITH IP ADDRESS %s...", sArg2);
            if (argUsable)
                status = link_CoreCall("main_DevicesSearch, ZOLT_OpenTCPDevice#2", sArg2,
                                       ZOLT_OpenTCPDevice, sArg2, &h);
            opened.keyword = KW_TCPIP;
            opened.text = sArg2;
            break;
        default:
            showOpening("OPENING DEVICE WITH BLUETOOTH ADDRESS %s...", sArg2);
            if (argUsable)
                status = link_CoreCall("main_DevicesSearch, ZOLT_OpenBTDevice#2", sArg2,
                                       ZOLT_OpenBTDevice, bt, &h);
            opened.keyword = KW_BT;
            opened.bt = bt;
            break;
        }
        dwError = status;
        if (status == ZOLT_OK) {
            dwCurrentDevice = h;
            iOffline = 0;
        } else {
            static const char* const kFailed[] = {
                "Could not find device on COM-port specified by argument!\nDo you wish to search "
                "automatically?",
                "Could not open device with USB serial number specified by argument!\nDo you wish "
                "to search automatically?",
                "Could not open device with IP address specified by argument!\nDo you wish to "
                "search automatically?",
                "Could not open device with BlueTooth address specified by argument!\nDo you wish "
                "to search automatically?"};
            AskSearch("ERROR", kFailed[kw - KW_COM]);
            kw = comm_ArgKeyword(sArg1);
        }
    }

    // 5. Search.
    bool searched = false;
    std::vector<DeviceInfo> devices;
    if (iOffline != 0 && kw != KW_OFFLINE) {
        Status("SEARCHING FOR DEVICES...");
        int32_t count = 0;
        comm_GetNumDevices(&count);
        if (count <= 0) {
            MessagePopup("No device found!", "No device found! Switched to offline mode.");
        } else {
            index = 0;
            if (count > 1) {
                devices.resize(static_cast<std::size_t>(count));
                for (int32_t i = 0; i < count; ++i)
                    GetInfo("main_DevicesSearch, ZOLT_GetDeviceInfoEx#1", static_cast<uint32_t>(i),
                            &devices[static_cast<std::size_t>(i)]);
                index = ChooseDevice(devices);
            }
            if (index < 0) {
                MessagePopup("Device choosing is cancelled", "Switched to offline mode.");
            } else {
                uint32_t h = 0;
                dwError = comm_OpenDevice(static_cast<uint32_t>(index), &h);
                if (dwError == ZOLT_OK) {
                    dwCurrentDevice = h;
                    iOffline = 0;
                    searched = true;
                } else {
                    MessagePopup("Error connecting device!",
                                 "Could not connect to device! Switched to offline mode.");
                }
            }
        }
    }

    // 6.
    if (iOffline != 0)
        return StayOffline();

    // 7. Set-up of the open device.
    Status("CONFIGURING DEVICE PARAMETERS...");
    if (searched) {
        DeviceInfo described;
        if (GetInfo("main_DevicesSearch, ZOLT_GetDeviceInfoEx#2", static_cast<uint32_t>(index),
                    &described) == ZOLT_OK) {
            CopyIntoRecord(described);
        } else if (static_cast<std::size_t>(index) < devices.size()) {
            CopyIntoRecord(devices[static_cast<std::size_t>(index)]);
        }
    } else {
        CopyIntoRecord(DescribeOpened(opened));
    }
    SetCtrlVal(hAboutPanel, ABOUT_SERIAL1, cSerial1);
    CopyText(sPrevSerNum, sizeof sPrevSerNum, cSerial1);
    if (stParam.deviceType != 3) {
        link_CoreCall("main_DevicesSearch, ZOLT_Reset", ZOLT_Reset, dwCurrentDevice);
    }
    comm_ReadParam();
    SetCtrlVal(hAboutPanel, ABOUT_CONNTYPE, comm_ConnTypeText().c_str());
    SetCtrlVal(hAboutPanel, ABOUT_DEVTYPE, comm_DeviceTypeText(stParam.deviceType, 1));
    SetCtrlVal(hAboutPanel, ABOUT_FIRMWARE, stParam.firmware);

    fileio_Log_SectionCall("main_DevicesSearch, main_GetBasicParam()");
    const int basic = main_GetBasicParam();
    fileio_Log_SectionResult(basic);
    if (basic != kResultOk)
        return CloseAndStayOffline(before);

    SetCtrlVal(hAboutPanel, ABOUT_SERIAL1, cSerial1);
    std::snprintf(sOrvalinTitle, sizeof sOrvalinTitle, "%s %s", "Orvalin #", cSerial1);
    // A type 3 device shows it as its adaption option, applied by the basic read.
    if (stParam.deviceType != 3)
        SetCtrlAttribute(hMainPanel, MAINP_AVERADAPT, ATTR_VISIBLE, 0);
    comm_SplitFirmware();
    if (link_AllocPixelArrays() != 0) {
        MessagePopup("Error connecting device!",
                     "Could not connect to device! Switched to offline mode.");
        return CloseAndStayOffline(before);
    }
    DimFileOpen(0);
    SetCtrlVal(hAboutPanel, ABOUT_CONNTYPE, comm_ConnTypeText().c_str());
    SetCtrlVal(hAboutPanel, ABOUT_FIRMWARE, stParam.firmware);
    SetCtrlVal(hAboutPanel, ABOUT_DEVTYPE, comm_DeviceTypeText(stParam.deviceType, 2));
    SetCtrlVal(hTabRoot, TAB_ROOT_UT_DEVTYP, comm_DeviceTypeText(stParam.deviceType, 2));
    iTint_prec = 3;
    SetCtrlAttribute(hMainPanel, MAINP_INTTIME, ATTR_PRECISION, iTint_prec);

    comm_InstallDeviceEvents();
    if (comm_SetTrigger(2) == kResultOk) {
        link_CoreCall("main_DevicesSearch, ZOLT_SetCallbackFunction", ZOLT_SetCallbackFunction,
                      dwCurrentDevice, ZOLT_CALLBACK_POST_MESSAGE, hMainHWND);
    }
    comm_CheckFit();
    if (link_AllocDisplayBuffers() != 0) {
        MessagePopup("Error connecting device!",
                     "Could not connect to device! Switched to offline mode.");
        link_FreeSpectra();
        return CloseAndStayOffline(before);
    }

    SetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MIN_VALUE, static_cast<double>(iMinWaveLen));
    SetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MAX_VALUE,
                     static_cast<double>(iMaxWaveLen - 1));
    SetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MIN_VALUE, static_cast<double>(iMinWaveLen + 1));
    SetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MAX_VALUE, static_cast<double>(iMaxWaveLen));
    GetCtrlVal(hMainPanel, MAINP_SCDELAY, &dScanDel);
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 1);
    iStartPixel = 0;
    iEndPixel = stParam.pixelCount - 1;
    if (iStartWaveLen < iMinWaveLen || iStartWaveLen > iMaxWaveLen)
        iStartWaveLen = iMinWaveLen;
    if (iEndWaveLen < iMinWaveLen || iEndWaveLen > iMaxWaveLen)
        iEndWaveLen = iMaxWaveLen;
    SetCtrlVal(hMainPanel, MAINP_STARTWL, iStartWaveLen);
    SetCtrlVal(hMainPanel, MAINP_ENDWL, iEndWaveLen);

    set_ConnectionControl(1);
    g_parameterHooks.PU_LoadSensList();
    g_parameterHooks.PU_GetAllParam();
    g_parameterHooks.PU_CurrentValues_to_InitValues();
    SetWaitCursor(0);
    return kResultOk;
}

void comm_InitConnect() {
    ++iConnecting;
    iMess = 0;
    g_workspaceHooks.clearStoredMeasured();
    g_workspaceHooks.display_ClearMainGraph();
    iOffline = 0;
    DimFileOpen(0);
    SetPanelAttribute(hMainPanel, ATTR_TITLE, "Orvalin");
    DimMeasureButtons();
    g_workspaceHooks.set_UndimMeasButtons();

    fileio_Log_SectionCall("comm_InitConnect, main_DevicesSearch()");
    const int result = main_DevicesSearch();
    fileio_Log_SectionResult(result);

    const int bar = hMainBar != 0 ? hMainBar : hMenuBar;
    if (result == kResultOk) {
        if (iFileOpen == 1) {
            SetMenuBarAttribute(bar, MENUBAR_COMPARE, ATTR_MENU_DIMMED, 0);
            SetMenuBarAttribute(bar, MENUBAR_COMPARE, ATTR_CHECKED, 1);
        } else {
            SetMenuBarAttribute(bar, MENUBAR_KESTRO, ATTR_MENU_DIMMED, 0);
            SetMenuBarAttribute(bar, MENUBAR_KESTRO, ATTR_CHECKED, 1);
        }
        SetCtrlVal(hMainPanel, MAINP_INTTIME,
                   static_cast<double>(fTint > 0.0f ? fTint : stParam.tintDefault));
        if (iPxlWlMode != 0) {
            g_workspaceHooks.set_ChangeToWL();
        } else {
            g_workspaceHooks.set_ChangeToPixel();
        }
        SetCtrlAttribute(hCOGIntervalPanel, COG_VAL_NUMERIC, ATTR_MAX_VALUE,
                         stParam.pixelCount / 2.0);
    } else {
        set_ConnectionControl(0);
    }

    if (dConnectPause > 0.0)
        Delay(dConnectPause);
    g_workspaceHooks.set_ScanDelay();
    HidePanel(hAboutPanel);
    --iConnecting;
}
