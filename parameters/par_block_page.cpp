// The parameter-block page: the block read from the device, decoded into the
// page's list, one field edited by a double click, the whole block written
// back after the password and a confirmation.
#include <string>
#include <vector>

#include "link/core_call.h"
#include "link/device_params.h"
#include "link/log.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "link/status.h"
#include "orvalin_ui.h"
#include "parameters/par_block_page.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "ui/ui.h"
#include "zolt_core.h"

namespace {

constexpr int kTypeWithoutBlock = 3;
constexpr const char* kDefaultLabel = "Parameter block";

void SetListLabel(const char* text) {
    SetCtrlAttribute(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, ATTR_LABEL_TEXT, text);
}

// The page shows nothing: no block, or one that belongs to no device.
void EmptyPage() {
    bParBlock.fill(0);
    ClearListCtrl(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK);
    SetListLabel(kDefaultLabel);
}

// Index of the list line showing layout row `row`; -1 when none does.
int LineOfRow(int row) {
    int count = 0;
    GetNumListItems(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, &count);
    for (int i = 0; i < count; ++i) {
        int value = -1;
        if (GetValueFromIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, i, &value) == 0 && value == row)
            return i;
    }
    return -1;
}

} // namespace

void PU_InitParBlock() {
    ParBlockList = parameters::PU_InitParBlock();
}

void PU_GetParBlockFromDevice() {
    if (stParam.deviceType == kTypeWithoutBlock) {
        // The previous device's block must not pass for this one's.
        EmptyPage();
        return;
    }
    PU_InitParBlock();
    // Read aside: a failed read leaves the image and the list as they were.
    parameters::ParBlock read{};
    const int status = link_CoreCall("PU_GetParBlockFromDevice, ZOLT_GetParamBlock",
                                     ZOLT_GetParamBlock, dwCurrentDevice, read.data());
    if (status != 0) {
        ErrorCheck(status);
        return;
    }
    bParBlock = read;
    PU_ParBlockBuffer_Interprate_and_Display();
    SetListLabel("Parameter block read from device");
}

void PU_ParBlockBuffer_Interprate_and_Display() {
    if (ParBlockList.empty())
        PU_InitParBlock();
    const std::vector<parameters::ParBlockLine> lines =
        parameters::PU_ParBlockBuffer_Interprate(bParBlock, ParBlockList);
    const int panel = hTabBlock, list = TAB_BLOCK_UT_PAR_BLOCK;
    int count = 0;
    GetNumListItems(panel, list, &count);
    if (count != static_cast<int>(lines.size())) {
        ClearListCtrl(panel, list);
        count = 0;
    }
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const parameters::ParBlockLine& line = lines[static_cast<std::size_t>(i)];
        if (i < count) {
            std::string shown;
            int value = -1;
            GetLabelFromIndex(panel, list, i, &shown);
            GetValueFromIndex(panel, list, i, &value);
            if (shown == line.text && value == line.row)
                continue;
            DeleteListItem(panel, list, i, 1);
        }
        InsertListItem(panel, list, i, line.text.c_str(), line.row);
    }
}

int ParBlockItemClick(int panel, int control, int event, void*, int, int) {
    if (event != EVENT_LEFT_DOUBLE_CLICK)
        return 0;
    int line = -1, row = -1;
    if (GetCtrlIndex(panel, control, &line) != 0 || line < 0 ||
        GetValueFromIndex(panel, control, line, &row) != 0 || row < 0 ||
        row >= static_cast<int>(ParBlockList.size()))
        return 0;
    const parameters::ParBlockItem& item = ParBlockList[static_cast<std::size_t>(row)];
    parameters::ParBlockEditPrompt prompt;
    if (!parameters::ParBlock_EditPrompt(bParBlock, item, &prompt))
        return 0;
    std::vector<char> typed(static_cast<std::size_t>(prompt.maxLength) + 1, '\0');
    if (PromptPopupButtons(prompt.title.c_str(), prompt.message.c_str(), typed.data(),
                           prompt.maxLength, "Set", "Cancel") != 0)
        return 1;
    // Input that does not fit the field is refused, not turned into 0.
    const parameters::ParBlockEditResult result =
        parameters::ParBlock_ApplyEdit(bParBlock, item, typed.data());
    if (!result.ok) {
        MessagePopup(prompt.title.c_str(), result.error.c_str());
        return 1;
    }
    PU_ParBlockBuffer_Interprate_and_Display();
    if (const int at = LineOfRow(row); at >= 0)
        SetCtrlIndex(panel, control, at);
    return 1;
}

int ParBlock_SaveToDevice(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || stParam.deviceType == kTypeWithoutBlock)
        return 0;
    if (Orvalin_AskPassword() != 0)
        return 1;
    if (iOffline != 0)
        return 0;
    if (ConfirmPopup("Do you really want to overwrite the parameter block in the device?",
                     "Really really sure?") == 0)
        return 1;
    SuspendTimerCallbacks(); // no status query between the block and its read-back
    SetWaitCursor(1);
    const int status = link_CoreCall("CVICALLBACK ParBlock_SaveToDevice, ZOLT_SetParamBlock",
                                     ZOLT_SetParamBlock, dwCurrentDevice, bParBlock.data());
    if (status != 0) {
        ErrorCheck(status);
    } else {
        main_FirmwareReset();
        PU_GetAllParam();
        // The block holds the pixel count, integration time and fit the
        // workspace works with.
        fileio_Log_SectionCall("CVICALLBACK ParBlock_SaveToDevice, main_GetBasicParam()");
        dwError = main_GetBasicParam();
        fileio_Log_SectionResult(dwError);
        PU_CurrentValues_to_InitValues();
    }
    SetWaitCursor(0);
    ResumeTimerCallbacks();
    return status != 0 ? 1 : 0;
}
