// The parameter window: opening it with its probes of the device's optional
// functions, the ways of closing it, the alphabetical list, and the
// password-protected whole-set commands.
#include <cstring>
#include <string>

#include "link/core_call.h"
#include "link/device_params.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_block_page.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

constexpr int kTypeWithBackup = 3;
constexpr int kConnBluetooth = 4;
constexpr double kStatusInterval = 0.1;    // s
constexpr double kRestoreSettleTime = 3.0; // s the device needs to restore its parameters
constexpr const char* kAccessCode = "58vorn73";
constexpr int kPasswordMax = 49;

int Command(const char* log, const char* command, bool* refused) {
    char reply[ZOLT_REPLY_MAX + 1] = {};
    const int status = link_CoreCall(log, ZOLT_ArbitraryCommand, dwCurrentDevice, command, reply);
    *refused = static_cast<unsigned char>(reply[0]) == ZOLT_NAK;
    return status;
}

void Show(int control, bool visible) {
    SetCtrlAttribute(hParUtil, control, ATTR_VISIBLE, visible ? 1 : 0);
}

// Read-outs of the device's switches: shown only when the device has them.
void ProbeSwitch(const char* log, int (*get)(uint32_t, int32_t*), int control) {
    int32_t state = 0;
    const int status = link_CoreCall(log, get, dwCurrentDevice, &state);
    Show(control, status == 0);
    if (status == 0)
        SetCtrlVal(hParUtil, control, state != 0 ? 1 : 0);
}

// Every way the user closes the window: changed basic parameters (a new fit,
// an integration time) reach the workspace before it goes on.
void CloseByUser(const char* section) {
    comm_WakeIfAsleep(); // a sleeping device answers nothing
    if (iOffline == 0 && dwCurrentDevice != 0) {
        fileio_Log_SectionCall(section);
        dwError = main_GetBasicParam();
        fileio_Log_SectionResult(dwError);
    }
    PU_HidePanel();
}

bool ResetsOnSave() {
    return !(stParam.deviceType == kTypeWithBackup && stParam.connectionType >= kConnBluetooth);
}

void ReadBack(const char* section) {
    PU_GetAllParam();
    fileio_Log_SectionCall(section);
    dwError = main_GetBasicParam();
    fileio_Log_SectionResult(dwError);
    PU_CurrentValues_to_InitValues();
}

struct DeviceBusy {
    DeviceBusy() {
        SuspendTimerCallbacks();
        SetWaitCursor(1);
    }
    ~DeviceBusy() {
        SetWaitCursor(0);
        ResumeTimerCallbacks();
    }
    DeviceBusy(const DeviceBusy&) = delete;
    DeviceBusy& operator=(const DeviceBusy&) = delete;
};

} // namespace

void ShowParUtility(int, int, void*, int) {
    // Opened before the log and the device are ready, it would be incomplete.
    if (iConnecting > 0)
        return;
    fileio_Log_SectionCall("CVICALLBACK ShowParUtility, PU_DisplayPanel()");
    PU_DisplayPanel();
    fileio_Log_SectionResultVoid();
}

void PU_DisplayPanel() {
    if (iConnecting > 0)
        return;
    // Commands sent now would land inside the acquisition.
    if (g_workspaceHooks.measure_IsRunning()) {
        MessagePopup("Parameter Utility",
                     "The parameter window opens when the running measurement has ended.");
        return;
    }
    g_workspaceHooks.main_StopContinuous();

    bool refused = false;
    Command("PU_DisplayPanel, ZOLT_ArbitraryCommand *idn", "*idn\r", &refused);
    const int sleep =
        Command("PU_DisplayPanel, ZOLT_ArbitraryCommand *sleep", "*sleep\r", &refused);
    Show(PARUTILITY_SLEEP, sleep == 0 && !refused);
    Command("PU_DisplayPanel, ZOLT_ArbitraryCommand *idn", "*idn\r", &refused);
    SetCtrlVal(hParUtil, PARUTILITY_SLEEP, 0);

    ProbeSwitch("PU_DisplayPanel, ZOLT_GetShutterStat", ZOLT_GetShutterStat, PARUTILITY_SHUT);
    ProbeSwitch("PU_DisplayPanel, ZOLT_GetLaserStat", ZOLT_GetLaserStat, PARUTILITY_LASER);

    const bool backup = stParam.deviceType == kTypeWithBackup;
    Show(PARUTILITY_CMDBACKUP, backup);
    Show(PARUTILITY_CMDRESTORE, backup);

    comm_CheckHallSensors();
    if (dwCurrentDevice == 0)
        comm_HideReadouts();
    SetCtrlAttribute(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_INTERVAL, kStatusInterval);
    SetCtrlAttribute(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_ENABLED, 1);

    Show(PARUTILITY_SYNC_VALUE, stParam.optTrigger != 0);
    Show(PARUTILITY_SYNC_MEAS_BUTTON, stParam.optTrigger != 0);

    InstallPopup(hParUtil);
}

void PU_HidePanel() {
    if (hParUtil <= 0)
        return;
    SetCtrlAttribute(hParUtil, PARUTILITY_TIMER_HALL_SENSORS, ATTR_ENABLED, 0);
    comm_WakeIfAsleep();
    RemovePopup(hParUtil);
    HidePanel(hParUtil);
}

int CloseParUtilPanel(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        CloseByUser("CVICALLBACK CloseParUtilPanel, main_GetBasicParam()");
    return 0;
}

int cbPU_Callback(int, int, int event, void*, int key, int) {
    if (event == EVENT_CLOSE) {
        CloseByUser("CVICALLBACK cbPU_Callback, main_GetBasicParam()");
    } else if (event == EVENT_KEYPRESS) {
        if (key == VAL_ESC_VKEY || key == (VAL_MENUKEY_MODIFIER | 'F'))
            CloseByUser("CVICALLBACK cbPU_Callback, main_GetBasicParam()");
        else if (key == (VAL_MENUKEY_MODIFIER | 'C'))
            CallCtrlCallback(hParUtil, PARUTILITY_CMD_PAR_TO_TEXT, EVENT_COMMIT, 0, 0);
    }
    return 0;
}

int UT_Alphabet_Choose(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_LEFT_CLICK && event != EVENT_VAL_CHANGED)
        return 0;
    int row = -1;
    if (GetCtrlVal(panel, control, &row) != 0 || row < 0 || row >= NumberOfParControls)
        return 0;
    const int tab = PU_Index_to_TabIndex(row);
    if (tab >= 0)
        SetActiveTabPage(hParUtil, PARUTILITY_TABPAR, tab);
    SetActiveCtrl(PU_RowPanel(row), PU_RowControl(row));
    return 0;
}

int Orvalin_AskPassword() {
    char typed[kPasswordMax + 1] = {};
    if (PasswordPopup("Password", "", typed, kPasswordMax) < 0)
        typed[0] = '\0';
    const int result = std::strcmp(typed, sPassword);
    if (result != 0)
        MessagePopup("Message", "Wrong password!");
    return result;
}

int SaveParameter(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (passForSavePar_already_entered == 0 && Orvalin_AskPassword() != 0)
        return 1;
    passForSavePar_already_entered = 1;
    DeviceBusy busy;
    set_Parameter("*para:save\r");
    if (ResetsOnSave())
        main_FirmwareReset();
    ReadBack("CVICALLBACK SaveParameter, main_GetBasicParam()");
    return 0;
}

int cbParBackup(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (Orvalin_AskPassword() != 0)
        return 1;
    passForSavePar_already_entered = 1;
    DeviceBusy busy;
    const std::string command = std::string("*para:backup ") + kAccessCode + "\r";
    set_Parameter(command.c_str());
    return 0;
}

int cbParRestore(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    if (Orvalin_AskPassword() != 0)
        return 1;
    passForSavePar_already_entered = 1;
    DeviceBusy busy;
    const std::string command = std::string("*para:restore ") + kAccessCode + "\r";
    set_Parameter(command.c_str());
    if (stParam.deviceType == kTypeWithBackup)
        comm_Pause(kRestoreSettleTime);
    ReadBack("CVICALLBACK cbParRestore, main_GetBasicParam()");
    return 0;
}

void parameters_RegisterCallbacks() {
    RegisterCtrlCallback("SetParameter", SetParameter);
    RegisterCtrlCallback("CmdReadParFromDevice", CmdReadParFromDevice);
    RegisterCtrlCallback("CloseParUtilPanel", CloseParUtilPanel);
    RegisterCtrlCallback("cbPU_Callback", cbPU_Callback);
    RegisterCtrlCallback("UT_Alphabet_Choose", UT_Alphabet_Choose);
    RegisterCtrlCallback("SaveParameter", SaveParameter);
    RegisterCtrlCallback("cbParBackup", cbParBackup);
    RegisterCtrlCallback("cbParRestore", cbParRestore);
    RegisterCtrlCallback("ParBlockItemClick", ParBlockItemClick);
    RegisterCtrlCallback("ParBlock_SaveToDevice", ParBlock_SaveToDevice);
    RegisterCtrlCallback("ReadParFile", ReadParFile);
    RegisterCtrlCallback("SaveParFile", SaveParFile);
    RegisterCtrlCallback("SaveParToDisk", SaveParToDisk);
    RegisterCtrlCallback("LoadParFromDisk", LoadParFromDisk);
    RegisterCtrlCallback("ParToText", ParToText);
    RegisterMenuCallback("ShowParUtility", ShowParUtility);
}
