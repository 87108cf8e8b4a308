// Wiring tables of the routines that the link and everything above it reach
// in higher modules: the workspace (pressing measure buttons, redrawing) and
// the parameter window.  They are declared here, in the lowest module that
// calls them, so that no module depends on one above it.
//
// The program's start-up binds every entry in one place, orvalin_Wire()
// (workspace/wiring.cpp); nothing else binds them (tests may, to isolate a
// module).  An entry left unbound says "<name>: not built yet" once and
// returns its fallback.
//
// To add an entry:
//   1. add a member `support::Hook<Signature, Fallback> name{"name"};` below
//      (Fallback: what a call returns while unbound; omit it for void),
//   2. add it to the table's Entries() (a static_assert checks the count),
//   3. bind it in orvalin_Wire().
// The wiring test fails on an entry that orvalin_Wire() leaves unbound.
#pragma once

#include <array>

#include "link/output_view.h"
#include "support/hook.h"

// Routines of the workspace that the modules below it call.
struct WorkspaceHooks {
    support::Hook<void()> display_ClearMainGraph{"display_ClearMainGraph"};
    // Forgets which kinds the stored measured set holds.
    support::Hook<void()> clearStoredMeasured{"clearStoredMeasured"};
    support::Hook<void(int dimmed)> set_MeasBtns{"set_MeasBtns"};
    support::Hook<void()> set_UndimMeasButtons{"set_UndimMeasButtons"};
    support::Hook<void()> set_ScanDelay{"set_ScanDelay"};
    support::Hook<void()> set_ChangeToWL{"set_ChangeToWL"};
    support::Hook<void()> set_ChangeToPixel{"set_ChangeToPixel"};
    // 1 while a measurement step runs (its own re-entrancy guard).
    support::Hook<int(), 0> measure_IsRunning{"measure_IsRunning"};
    // Statistics table and series store.
    support::Hook<void(int kind)> main_UpdateTable{"main_UpdateTable"};
    support::Hook<void(int kind)> main_PrintStatisticsTable{"main_PrintStatisticsTable"};
    support::Hook<void()> main_FreeFFTValues{"main_FreeFFTValues"};
    // What the output links write of the shown measurement.
    support::Hook<void(OutputView* view)> main_GetOutputView{"main_GetOutputView"};
    // Redraws the graph with the current view (draw 1).
    support::Hook<void(int draw)> display_Display{"display_Display"};

    // Ends continuous measurement when it runs.
    support::Hook<void()> main_StopContinuous{"main_StopContinuous"};
    // Takes the program offline as the Connection switch does.
    support::Hook<void()> comm_Disconnect{"comm_Disconnect"};

    // Resampling of a per-pixel curve as the display does it (the spreadsheet
    // writes the dark curve this way): the most values it writes, then the
    // curve itself; see workspace/display.h.
    support::Hook<int(const double* lambda, int mode, int last), 0> display_GridPoints{
        "display_GridPoints"};
    support::Hook<int(double* xOut, double* yOut, const double* yIn, const double* lambda, int mode,
                      int last),
                  0>
        InterpolSpectra{"InterpolSpectra"};

    std::array<support::HookEntry, 17> Entries() const {
        return {display_ClearMainGraph.entry(), clearStoredMeasured.entry(),
                set_MeasBtns.entry(),           set_UndimMeasButtons.entry(),
                set_ScanDelay.entry(),          set_ChangeToWL.entry(),
                set_ChangeToPixel.entry(),      measure_IsRunning.entry(),
                main_UpdateTable.entry(),       main_PrintStatisticsTable.entry(),
                main_FreeFFTValues.entry(),     main_GetOutputView.entry(),
                display_Display.entry(),        main_StopContinuous.entry(),
                display_GridPoints.entry(),     InterpolSpectra.entry(),
                comm_Disconnect.entry()};
    }
};
static_assert(support::ListsEveryEntry<WorkspaceHooks>());
extern WorkspaceHooks g_workspaceHooks;

// Routines of the parameter window and its files.
struct ParameterHooks {
    support::Hook<void()> PU_LoadSensList{"PU_LoadSensList"};
    support::Hook<int(), -1> PU_GetAllParam{"PU_GetAllParam"};
    support::Hook<void()> PU_CurrentValues_to_InitValues{"PU_CurrentValues_to_InitValues"};
    support::Hook<void(int menuBar, int menuItem, void* callbackData, int panel)> ShowParUtility{
        "ShowParUtility"};
    // Builds the parameter block's layout and reads the block from the device.
    support::Hook<void()> PU_GetParBlockFromDevice{"PU_GetParBlockFromDevice"};
    // Dims every control of the parameter-control table (going offline).
    support::Hook<void()> PU_DimParameterControls{"PU_DimParameterControls"};

    std::array<support::HookEntry, 6> Entries() const {
        return {PU_LoadSensList.entry(),
                PU_GetAllParam.entry(),
                PU_CurrentValues_to_InitValues.entry(),
                ShowParUtility.entry(),
                PU_GetParBlockFromDevice.entry(),
                PU_DimParameterControls.entry()};
    }
};
static_assert(support::ListsEveryEntry<ParameterHooks>());
extern ParameterHooks g_parameterHooks;
