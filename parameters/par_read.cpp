// Reading every parameter from the device into the window, writing one back,
// and re-reading after a device reset.
#include <cstring>
#include <string>

#include "link/core_call.h"
#include "link/device_params.h"
#include "link/hooks.h"
#include "link/log.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

constexpr int kTypeBareAnswers = 3; // answers without labels, blank-separated
constexpr int kConnBluetooth = 4;
constexpr int kPasswordLength = 10;

// Device-type settings of a few controls, made before every full read.
void DeviceTypeSettings() {
    const bool type3 = stParam.deviceType == kTypeBareAnswers;
    SetCtrlAttribute(hTabScan, TAB_SCAN_UT_TINT, ATTR_PRECISION, iTint_prec);
    SetCtrlAttribute(hTabAdc, TAB_ADC_UT_ADCV, ATTR_ON_VALUE, type3 ? 4 : 0);
    SetCtrlAttribute(hTabAdc, TAB_ADC_UT_ADCV, ATTR_OFF_VALUE, type3 ? 2 : 1);
    // The pixel count of type 3 comes with the sensor answer: shown, not edited.
    SetCtrlAttribute(hTabSens, TAB_SENS_UT_PIX, ATTR_CTRL_MODE, type3 ? VAL_INDICATOR : VAL_HOT);
    // Parameters this type does not have are not offered.
    SetCtrlAttribute(hTabRoot, TAB_ROOT_UT_DEVNUM, ATTR_VISIBLE, stParam.deviceType >= 3);
    SetCtrlAttribute(hTabSens, TAB_SENS_UT_PIXBIN, ATTR_VISIBLE, type3);
}

// Every real parameter but the integration time (whose decimals are the
// device's resolution) shows its significant digits, as File info shows the
// coefficients: fixed decimals would show 1e-13 as zero, a float's last bits
// as digits, and a step of 0.0125 as the 0.013 it is not.
void ShowSignificantDigits() {
    for (int row = 0; row < NumberOfParControls; ++row) {
        const auto& r = Parameter[static_cast<std::size_t>(row)];
        if (r.dataType != parameters::ParDataType::Float || r.control == "UT_TINT")
            continue;
        SetCtrlAttribute(PU_RowPanel(row), PU_RowControl(row), ATTR_FORMAT, VAL_SIGNIFICANT_FORMAT);
        SetCtrlAttribute(PU_RowPanel(row), PU_RowControl(row), ATTR_PRECISION, kCoeffDigits);
    }
}

// Adds the row's set command to the alphabetical list unless it is there,
// before the first entry that sorts after it.
void AddToAlphabet(int row) {
    const std::string command(Parameter[static_cast<std::size_t>(row)].setCommand);
    int count = 0;
    GetNumListItems(hParUtil, PARUTILITY_UT_ALPHABET, &count);
    int at = -1;
    for (int i = 0; i < count; ++i) {
        std::string label;
        GetLabelFromIndex(hParUtil, PARUTILITY_UT_ALPHABET, i, &label);
        if (label == command)
            return;
        if (at < 0 && label > command)
            at = i;
    }
    InsertListItem(hParUtil, PARUTILITY_UT_ALPHABET, at, command.c_str(), row);
}

// The device's answer to the row's query; the rows read by dedicated calls
// get an answer made up in the same form.
int Query(int row, std::string* answer) {
    const auto& r = Parameter[static_cast<std::size_t>(row)];
    answer->clear();
    if (r.queryCommand == "*PARA:CORRCOEFF?\r") {
        float coeff[4] = {};
        link_CoreCallKeep("PU_GetAllParam, ZOLT_GetCorrectionCoeff", ZOLT_GetCorrectionCoeff,
                          dwCurrentDevice, coeff);
        if (dwError == 0)
            *answer = parameters::PU_CorrCoeffAnswer(coeff, stParam.deviceType);
    } else if (r.queryCommand == "*CONF:AVER?\r") {
        uint16_t most = 0, now = 0;
        link_CoreCallKeep("PU_GetAllParam, ZOLT_GetAverConf", ZOLT_GetAverConf, dwCurrentDevice,
                          &most, &now);
        if (dwError == 0)
            *answer = parameters::PU_AverConfAnswer(now);
    } else {
        const std::string query(r.queryCommand);
        char reply[ZOLT_REPLY_MAX + 1] = {};
        link_CoreCallKeep("PU_GetAllParam, ZOLT_ArbitraryCommand", LogArg(query.c_str()),
                          ZOLT_ArbitraryCommand, dwCurrentDevice, query.c_str(), reply);
        if (dwError == 0)
            answer->assign(reply, strnlen(reply, ZOLT_REPLY_MAX));
    }
    return dwError;
}

void ShowRow(int row, int visible) {
    SetCtrlAttribute(PU_RowPanel(row), PU_RowControl(row), ATTR_VISIBLE, visible);
}

} // namespace

int PU_GetAllParam() {
    SetWaitCursor(1);
    DeviceTypeSettings();
    PU_InitParameters();
    ShowSignificantDigits();
    bParAnswered.assign(Parameter.size(), false);
    ResetTextBox(hTabLog, TAB_LOG_UT_LOGTEXT, "");
    ClearListCtrl(hParUtil, PARUTILITY_UT_ALPHABET);

    for (int row = 0; row < NumberOfParControls; ++row) {
        std::string answer;
        const int status = Query(row, &answer);
        PU_AddParLogLine(
            std::string(Parameter[static_cast<std::size_t>(row)].queryCommand).c_str());
        PU_AddParLogLine(answer.c_str());
        PU_AddParLogLine("");
        if (status == ZOLT_E_HANDLE) {
            SetWaitCursor(0);
            return -1;
        }
        if (status != 0 || parameters::PU_AnswerRefused(answer)) {
            ShowRow(row, 0);
            continue;
        }
        const std::string field(parameters::PU_AnswerField(
            answer, Parameter[static_cast<std::size_t>(row)].answerField, stParam.deviceType));
        // An answer without a value of the control's type is not shown as
        // one: a replay would write it to another device.
        if (PU_FirmwareAnswer_to_ControlValue(row, field.c_str()) != 0) {
            ShowRow(row, 0);
            continue;
        }
        bParAnswered[static_cast<std::size_t>(row)] = true;
        ShowRow(row, 1);
        AddToAlphabet(row);
    }
    PU_HighlightChanged();
    g_parameterHooks.PU_GetParBlockFromDevice();
    SetWaitCursor(0);
    return 0;
}

int PU_FirmwareAnswer_to_ControlValue(int row, const char* text) {
    if (row < 0 || row >= NumberOfParControls || text == nullptr)
        return -1;
    const auto value = parameters::PU_FirmwareAnswer_to_ControlValue(
        Parameter[static_cast<std::size_t>(row)].dataType, text);
    if (!value || !PU_SetControlValue(row, *value))
        return -1;
    return 0;
}

void PU_AddParLogLine(const char* text) {
    const std::string line = parameters::PU_AddParLogLine(text != nullptr ? text : "");
    AppendTextBoxLine(hTabLog, TAB_LOG_UT_LOGTEXT, line.c_str());
}

int SetParameter(int panel, int control, int event, void*, int, int) {
    // A wheel turned while passing over the window must not write to the
    // instrument: it never changes a parameter control.
    if (event == EVENT_MOUSE_WHEEL_SCROLL)
        return 1;
    if (event != EVENT_COMMIT)
        return 0;
    const int row = PU_ControlID_to_Index(panel, control);
    if (row >= NumberOfParControls)
        return 0; // a control without a parameter writes nothing
    const auto& r = Parameter[static_cast<std::size_t>(row)];
    SuspendTimerCallbacks();
    SetWaitCursor(1);

    bool send = true;
    std::string password;
    if (r.needsPassword) {
        const std::string command(r.setCommand);
        const std::string message =
            "Input a password to execute " + command + " firmware command\r";
        char typed[kPasswordLength + 1] = {};
        // Cancelled: nothing is sent (an empty password would only be refused).
        send = PasswordPopup("Enter password", message.c_str(), typed, kPasswordLength) >= 0;
        password = typed;
    }
    if (send) {
        // Every row sharing the command sends what its control shows.
        const std::vector<parameters::ParTextRow> rows = PU_CurrentTextRows(false);
        parameters::ParSetCommand cmd;
        if (!parameters::PU_SetParameterCommand(Parameter, rows, static_cast<std::size_t>(row),
                                                password, &cmd)) {
            MessagePopup("Error writing parameter", cmd.error.c_str());
        } else {
            // The password is the command's tail: masked wherever it is shown.
            const int secretFrom =
                r.needsPassword ? static_cast<int>(cmd.logText.size() - 1 - 4) : -1;
            set_Parameter(cmd.command.c_str(), secretFrom);
        }
    }
    PU_HighlightChanged();
    SetWaitCursor(0);
    ResumeTimerCallbacks();
    return 0;
}

int CmdReadParFromDevice(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    SuspendTimerCallbacks();
    SetWaitCursor(1);
    if (!(stParam.deviceType == kTypeBareAnswers && stParam.connectionType >= kConnBluetooth))
        main_FirmwareReset();
    PU_GetAllParam();
    fileio_Log_SectionCall("CVICALLBACK CmdReadParFromDevice, main_GetBasicParam()");
    dwError = main_GetBasicParam();
    fileio_Log_SectionResult(dwError);
    PU_CurrentValues_to_InitValues();
    SetWaitCursor(0);
    ResumeTimerCallbacks();
    return 0;
}
