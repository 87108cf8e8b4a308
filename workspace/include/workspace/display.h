// Display pipeline, graph drawing and axis scaling of the main graph.
//
// Every change of what the graph shows goes through display_Display, which
// resamples the chosen curve into the display arrays, and display_DrawGraph,
// which crops them to the displayed range, scales the axes, plots and runs
// the evaluations that are switched on.  Everything runs on the UI thread.
#pragma once

#include <vector>

#include "workspace/saved_meas.h"
#include "workspace/state.h"

// ------------------------------------------------------- display arrays
// The measured curve as shown is dXInterpolVal/dYInterpolVal (link) with
// iNumOfMeas points; the evaluation copy is dXtemp/dYtemp with iAnzahlFWHM
// points.  The stored curve of the open spectrum file as shown:
extern double* x2_Werte;
extern double* y2_Werte;
extern int iNumberSave;                // points in x2_Werte/y2_Werte
extern int iNumOfMeas;                 // points in dXInterpolVal/dYInterpolVal
extern int iAnzahlFWHM;                // points in dXtemp/dYtemp
extern int iNumOfPnt;                  // points of the measured curve the centroid searches use
extern std::vector<double> dMaxMinFFT; // series envelope: maxima, then minima reversed

// Grows the four display buffers of the link to hold `points` values each
// (never shrinks them; new elements are zero).  false when memory runs out,
// the buffers are then left as they were.
bool display_ReserveBuffers(int points);
// Grows x2_Werte/y2_Werte likewise.
bool display_ReserveStored(int points);

// ------------------------------------------------------ drawing state
extern int iAutoScale;        // 1 automatic Y range, 0 the user bounds
extern int iRangeViolation;   // 1 "Ignore Range Violation"
extern int iFarbe;            // colour of the measured curve (0xRRGGBB)
extern int iFarbe2;           // colour of the stored curve
extern int iCogLineHandle;    // valley-centroid line, 0 none
extern int iExcelDescription; // 1 the next spreadsheet column needs a description
extern double dCOGInterval;   // half window of the valley centroid, nm

// Series view: entry 0 is a row of zeros, entries 1.. the spectra taken
// (pixel count + 1 values each); iNumOfFFT spectra are wanted.
extern int iNumOfFFT;
extern std::vector<std::vector<double>> dFFTValues;

// Routines of the evaluation and axis modules that the drawing runs.  Those
// modules fill them in when they register their callbacks; a null entry is
// skipped.
struct DisplayHooks {
    void (*set_LblForPxlWL)() = nullptr; // axis and range labels
    void (*DomWave)() = nullptr;         // peak centroid read-out
    void (*FWHM_AV_CALC)() = nullptr;    // average of the marker results
    int (*DeleteAllPeak)(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2) = nullptr;
};
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
