// Disconnecting and reconnecting the instrument while the program runs.
#include "workspace/connection.h"

#include <algorithm>
#include <cstring>

#include "export/export_hooks.h"
#include "export/export_state.h"
#include "link/connect.h"
#include "link/core_call.h"
#include "link/hooks.h"
#include "link/readouts.h"
#include "link/shared_state.h"
#include "link/trigger.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "workspace/stats.h"
#include "workspace/stats_state.h"
#include "zolt_core.h"

namespace {

constexpr int kOfflineGrey = 0xA0A0A0;

int Bar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

int MenuDimmed(int item) {
    int dimmed = 0;
    GetMenuBarAttribute(Bar(), item, ATTR_MENU_DIMMED, &dimmed);
    return dimmed;
}

void DimMenu(int item, int dimmed) {
    SetMenuBarAttribute(Bar(), item, ATTR_MENU_DIMMED, dimmed);
}

// Only the elements that were allocated: the pixel count may have changed
// since (a parameter read, a failed connection attempt).
void ZeroSpectrum(double* values) {
    if (values != nullptr && iAllocatedPixels > 0)
        std::fill_n(values, iAllocatedPixels, 0.0);
}

// The loaded spectrum file is forgotten; its view cannot be shown any more.
void ForgetLoadedFile() {
    if (iFileOpen == 1) {
        std::fill_n(dLambda2, std::clamp(stSavedMeas.pixelCount, 0, kSavedPoints), 0.0);
        iCompare = 0;
        SetMenuBarAttribute(Bar(), MENUBAR_FILE, ATTR_CHECKED, 0);
        SetMenuBarAttribute(Bar(), MENUBAR_COMPARE, ATTR_CHECKED, 0);
        SetMenuBarAttribute(Bar(), MENUBAR_KESTRO, ATTR_CHECKED, 1);
    }
}

void CloseDevice() {
    // The device must not post to a window that no longer listens for it.
    comm_RemoveDeviceEvents();
    if (dwCurrentDevice != 0) {
        link_CoreCallKeep("comm_Disconnect, ZOLT_CloseDevice", ZOLT_CloseDevice, dwCurrentDevice);
        dwCurrentDevice = 0;
    }
}

// A connection the user asks for: "OFFLINE" (from the command line or a
// declined search) held for the start only, so the order of a start without
// arguments runs: the last connection, then a search.
void ConnectAsAsked() {
    if (comm_ArgKeyword(sArg1) == KW_OFFLINE)
        sArg1[0] = '\0';
    comm_InitConnect();
}

} // namespace

void comm_Disconnect() {
    // Quitting closes the device anyway.
    if (usStopFlag != 0)
        return;
    // A running step uses the arrays and the device until it has unwound.
    if (measure_IsRunning() != 0) {
        if (measure_AfterStepPending() == 0)
            measure_RequestQuitAfter(comm_Disconnect);
        return;
    }

    SetCtrlAttribute(hMainPanel, MAINP_TIMER, ATTR_ENABLED, 0);
    for (int label : {MAINP_STORED, MAINP_MEASURED}) {
        SetCtrlAttribute(hMainPanel, label, ATTR_TEXT_COLOR, kOfflineGrey);
        SetCtrlAttribute(hMainPanel, label, ATTR_DIMMED, 1);
    }
    for (int text : {ABOUT_DEVTYPE, ABOUT_SERIAL1, ABOUT_FIRMWARE, ABOUT_CONNTYPE})
        SetCtrlVal(hAboutPanel, text, "...");

    set_FWHM_Reset();
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
    display_ClearMainGraph();
    if (iStat_CreatedTable != 0)
        main_StatisticsCloseDelete();

    iOffline = 1;
    // A stored spectrum can be opened offline too, as after an offline start.
    if (iMess == 0)
        DimMenu(MENUBAR_COMPARE, 1);
    DimMenu(MENUBAR_FILE_SAVE, 1);
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, 1);
    set_MeasBtns(1);

    if (MenuDimmed(MENUBAR_DISCON_DEVICE) == 0)
        g_exportHooks.fileio_WriteIniFile();
    set_ConnectionControl(0);

    iMess = 0;
    stSavedMeas.measured = 0;
    for (double* spectrum : {dDark, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2, dLambda})
        ZeroSpectrum(spectrum);
    ForgetLoadedFile();

    // A sleeping device holds the timers; wake it while it can still answer.
    comm_WakeIfAsleep();
    CloseDevice();
    iFileOpen = 0;

    for (int field : {TAB_ROOT_UT_SERN, TAB_ROOT_UT_SPNUM, TAB_ROOT_UT_DEVTYP})
        BlankCtrl(hTabRoot, field);
    g_parameterHooks.PU_DimParameterControls();
    SetCtrlAttribute(hMainPanel, MAINP_SCDELAY, ATTR_DIMMED, 1);
}

int main_ConDisconRoute() {
    if (MenuDimmed(MENUBAR_CON_DEVICE) != 0) {
        comm_Disconnect();
    } else {
        ++iConnecting;
        InitVariables(1);
        Init();
        ConnectAsAsked();
        --iConnecting;
    }
    return 1;
}

int ConnectDisconnectButton(int, int, int event, void*, int, int) {
    if (event != EVENT_VAL_CHANGED)
        return 0;
    main_ConDisconRoute();
    HidePanel(hParUtil);
    return 0;
}

void ConnectDevice(int, int, void*, int) {
    ConnectAsAsked();
}

void DisconnectDevice(int, int, void*, int) {
    comm_Disconnect();
}

int ConnectSpec(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    SetWaitCursor(1);
    main_ConDisconRoute();
    SetWaitCursor(0);
    return 0;
}

void connection_RegisterCallbacks() {
    RegisterCtrlCallback("ConnectDisconnectButton", ConnectDisconnectButton);
    RegisterMenuCallback("ConnectDevice", ConnectDevice);
    RegisterMenuCallback("DisconnectDevice", DisconnectDevice);
    RegisterCtrlCallback("ConnectSpec", ConnectSpec);
}
