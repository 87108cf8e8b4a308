// Display pipeline, graph drawing and axis scaling of the main graph.
//
// Every change of what the graph shows goes through display_Display, which
// resamples the chosen curve into the display arrays, and display_DrawGraph,
// which crops them to the displayed range, scales the axes, plots and runs
// the evaluations that are switched on.  Everything runs on the UI thread.
#pragma once

#include <array>
#include <vector>

#include "support/hook.h"

#include "workspace/state.h"

// ------------------------------------------------------- display arrays
// The arrays and their point counts are in link/shared_state.h, the display
// settings in workspace/state.h.

// Grows the four display buffers of the link to hold `points` values each
// (never shrinks them; new elements are zero).  false when memory runs out,
// the buffers are then left as they were.
bool display_ReserveBuffers(int points);
// Grows x2_Werte/y2_Werte likewise.
bool display_ReserveStored(int points);

// Wiring table of the evaluation and axis routines that the drawing runs.
// orvalin_Wire() (workspace/wiring.cpp) binds it; the display tests leave it
// unbound to draw without them.  An unbound entry says "<name>: not built yet"
// once.  To add an entry: a member here, a line in Entries() (a static_assert
// checks the count), and its binding in orvalin_Wire().
struct DisplayHooks {
    support::Hook<void()> set_LblForPxlWL{"set_LblForPxlWL"}; // axis and range labels
    support::Hook<void()> DomWave{"DomWave"};                 // peak centroid read-out
    support::Hook<void()> FWHM_AV_CALC{"FWHM_AV_CALC"};       // average of the marker results
    support::Hook<int(int panel, int control, int event, void* callbackData, int eventData1,
                      int eventData2),
                  0>
        DeleteAllPeak{"DeleteAllPeak"};

    std::array<support::HookEntry, 4> Entries() const {
        return {set_LblForPxlWL.entry(), DomWave.entry(), FWHM_AV_CALC.entry(),
                DeleteAllPeak.entry()};
    }
};
static_assert(support::ListsEveryEntry<DisplayHooks>());
extern DisplayHooks g_displayHooks;

// ---------------------------------------------------------- pipeline
void display_Display(int draw);
// Writes the curve yIn over lambda (last = index of the last sample) resampled
// by mode into xOut/yOut and returns the number of points to show.  Modes:
// 0 pixel index, 1 pixel wavelengths, 2..5 linear 0.1/1/2/5 nm, 6 and 7
// natural spline 0.1/0.01 nm; any other mode writes nothing and returns 0.
// xOut and yOut must hold display_GridPoints(lambda, mode, last) values.
int InterpolSpectra(double* xOut, double* yOut, const double* yIn, const double* lambda, int mode,
                    int last);
// Number of values InterpolSpectra writes at most (0 when it writes none, or
// -1 when the grid would be absurdly long for the wavelengths given).
int display_GridPoints(const double* lambda, int mode, int last);

int SelectGraph(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
void SpecView(int menuBar, int menuItem, void* callbackData, int panel);
void FileView(int menuBar, int menuItem, void* callbackData, int panel);
void CompareView(int menuBar, int menuItem, void* callbackData, int panel);
void Callback_Interpol(int menuBar, int menuItem, void* callbackData, int panel);
void set_InterpolMenuChecked();
void cbMenu_Display_ClearSpectra_optchange(int menuBar, int menuItem, void* callbackData,
                                           int panel);
int get_CurrentCursorPosition();

// ------------------------------------------------------------- graph
void display_DrawGraph();
void set_ConfigGraphAxis(int select, int funcNr, int xAchse);
void display_ClearMainGraph();
void display_COGValley();
void display_PlotFWHMValues();
void set_PrintAnnotation(int n, double x, double y);
// Puts the graph cursor on the point of the shown curve nearest in x: the
// stored curve in the stored view, else the measured one, whatever curve
// the user dragged the cursor onto before.
void display_CursorToCurve(int cursor, double x, double y);

// ------------------------------------------------------ axis scaling
void Axis_Scaling(int menuBar, int menuItem, void* callbackData, int panel);
int AxisScalingClose(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
int AutoScale(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int RangeViolOn(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);

// Registers every callback above by its name.
void display_RegisterCallbacks();
