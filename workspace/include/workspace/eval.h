// Evaluation of the shown spectrum: the twelve marker slots placed by double
// clicks on the graph, the marker modes (peak width, valley width, symmetry,
// none) and the wavelength read-outs that follow the graph cursor.
#pragma once

#include <string>

#include "workspace/state.h"

// ------------------------------------------------------------------ state
// dCOGInterval, the half window of the valley centroid, is in
// workspace/display.h; the interval dialog here sets it.

// Message shown when a thirteenth marker is asked for.
inline constexpr const char* kMaxMarkersText =
    "Maximum number of points reached!\nTo enter a new, delete one! (Point *)";

// ---------------------------------------------------------------- markers
// Evaluates the shown reference curve at the cursor and fills the first free
// slot.  Nothing is filled when no evaluation applies (another curve shown,
// no marker mode, valley or symmetry on the pixel axis, a curve of fewer
// than two points).
void FWHM_MODE();
// Average of the positive slot results into FWHM_AV (0.0 when none).
void FWHM_AV_CALC();
// Empties every slot, its line, annotation and read-outs.
void set_FWHM_Reset();
// Shows (non-zero) or hides the marker area of the main panel.
void set_VisiblePeaks(int visible);
// Leaves every marker mode and enlarges the graph (the axis switches).
void set_HidePeaksPanel();
// Labels the slot radio buttons: 0 "Peak n", 1 "Valley n", else empty.
void set_RadButNameInMode(int kind);
// Clipboard text of the slots that have a marker line: one "x<TAB>value"
// line each with two decimals, formatted with a decimal point; with
// useComma every point becomes a comma.
std::string eval_MarkerClipboardText(int useComma);

int SpecPaintPanel(int panel, int control, int event, void* callbackData, int eventData1,
                   int eventData2);
int RadButPeak(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
int DeleteAllPeak(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2);
int PlotPeakValFwhm(int panel, int control, int event, void* callbackData, int eventData1,
                    int eventData2);
int FWHM_Copy_To_Buffer(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);

// ------------------------------------------------------------------ modes
void PeakMode(int menuBar, int menuItem, void* callbackData, int panel);
void ValleyMode(int menuBar, int menuItem, void* callbackData, int panel);
void SymMode(int menuBar, int menuItem, void* callbackData, int panel);
void NoneMode(int menuBar, int menuItem, void* callbackData, int panel);
// The WL Values dialog; its frame's close box counts as Cancel.
void CondDisplay(int menuBar, int menuItem, void* callbackData, int panel);

int FwhmValue(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int PeakValue(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int ValleyValue(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int CogValleyValue(int panel, int control, int event, void* callbackData, int eventData1,
                   int eventData2);
int DomValue(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int CancelPeakValley(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
int OkPeakValley(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);
int GetValCOGInterval(int panel, int control, int event, void* callbackData, int eventData1,
                      int eventData2);
int CancelValCOGInterval(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int ShowAsFHelp(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int CloseAsFHelp(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);

// Centroid wavelength of the peak at the cursor into DOM_WAVE, with its line
// on the graph; 0.0 when there is none (out of the displayed range, a level
// not strictly between 0 and 100, the pixel axis, too short a curve).
void DomWave();
// Restores the wavelength read-out at start-up: 1 peak, 2 valley, 3 peak
// centroid, 4 valley centroid; other kinds do nothing.
void set_DomWaveCtrl(int kind);
// Sets CB_DOM_WAVE, CB_MAX_WAVE and CB_MIN_WAVE from their choices.
void set_WlValueChecked();

// Registers every callback above by its name.
void eval_RegisterCallbacks();
// Back to the program-start values of this module (tests).
void eval_ResetState();
