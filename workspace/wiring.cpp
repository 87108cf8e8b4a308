// The one place that binds the wiring tables: what lower modules call in
// higher ones, and what the workspace calls in the output modules.  An entry
// left unbound here fails the wiring test.
#include "workspace/wiring.h"

#include "book/calc_app.h"
#include "export/config_file.h"
#include "export/export_hooks.h"
#include "export/export_state.h"
#include "export/output_links.h"
#include "export/protocol.h"
#include "export/sheet_output.h"
#include "link/hooks.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_block_page.h"
#include "parameters/par_window.h"
#include "parameters/sens_choice.h"
#include "workspace/axis_mode.h"
#include "workspace/connection.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/output_view.h"
#include "workspace/state.h"
#include "workspace/stats.h"

namespace {

void ClearStoredMeasured() {
    stSavedMeas.measured = 0;
}

void StopContinuous() {
    if (iSiCont != 0)
        CancelContinuous();
}

template <class Table> WiringTable Walk(const char* name, const Table& table) {
    const auto entries = table.Entries();
    return {name, std::vector<support::HookEntry>(entries.begin(), entries.end())};
}

} // namespace

void orvalin_Wire() {
    // Controls the link sets on the main panel.
    iMenuFileOpen = MENUBAR_FILE_OPEN;
    iCtrlCheckboxAdapt = MAINP_CHECKBOXADAPT;

    // From scratch, so nothing a test bound earlier survives.
    g_workspaceHooks = WorkspaceHooks{};
    g_parameterHooks = ParameterHooks{};
    g_exportHooks = ExportHooks{};
    g_displayHooks = DisplayHooks{};

    WorkspaceHooks& w = g_workspaceHooks;
    w.display_ClearMainGraph = display_ClearMainGraph;
    w.display_Display = display_Display;
    w.clearStoredMeasured = ClearStoredMeasured;
    w.set_MeasBtns = set_MeasBtns;
    w.set_UndimMeasButtons = set_UndimMeasButtons;
    w.set_ScanDelay = set_ScanDelay;
    w.measure_IsRunning = measure_IsRunning;
    w.set_ChangeToWL = set_ChangeToWL;
    w.set_ChangeToPixel = set_ChangeToPixel;
    w.main_UpdateTable = main_UpdateTable;
    w.main_PrintStatisticsTable = main_PrintStatisticsTable;
    w.main_FreeFFTValues = main_FreeFFTValues;
    w.main_GetOutputView = main_GetOutputView;
    w.display_GridPoints = display_GridPoints;
    w.InterpolSpectra = InterpolSpectra;
    w.main_StopContinuous = StopContinuous;
    w.comm_Disconnect = comm_Disconnect;

    ExportHooks& e = g_exportHooks;
    e.main_WriteToXLS = main_WriteToXLS;
    e.main_WriteCsv = main_WriteCsv;
    e.main_WriteCap = main_WriteCap;
    e.main_UpdateProtocol = main_UpdateProtocol;
    e.fileio_ReadIniFile = fileio_ReadIniFile;
    e.fileio_WriteIniFile = fileio_WriteIniFile;
    // The live spreadsheet link drives what this machine has.
    excel_SetLiveAppFactory(book::MakeLiveApp);

    ParameterHooks& p = g_parameterHooks;
    p.PU_GetAllParam = PU_GetAllParam;
    p.PU_CurrentValues_to_InitValues = PU_CurrentValues_to_InitValues;
    p.ShowParUtility = ShowParUtility;
    p.PU_DimParameterControls = PU_DimParameterControls;
    p.PU_GetParBlockFromDevice = PU_GetParBlockFromDevice;
    p.PU_LoadSensList = [] { PU_LoadSensList(); };

    DisplayHooks& d = g_displayHooks;
    d.set_LblForPxlWL = set_LblForPxlWL;
    d.DomWave = DomWave;
    d.FWHM_AV_CALC = FWHM_AV_CALC;
    d.DeleteAllPeak = DeleteAllPeak;

    orvalin_RegisterCallbacks();
}

std::vector<WiringTable> orvalin_WiringTables() {
    return {Walk("WorkspaceHooks", g_workspaceHooks), Walk("ParameterHooks", g_parameterHooks),
            Walk("ExportHooks", g_exportHooks), Walk("DisplayHooks", g_displayHooks)};
}
