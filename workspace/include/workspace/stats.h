// Statistics over a run of measurements of one kind, and the series view.
//
// A statistics run stores every finished measurement of the chosen kind,
// then builds a table of per-pixel mean and sample standard deviation (one
// column per measurement) that can be saved for people to read.  The series
// view keeps spectra of one kind taken in continuous mode and draws them all
// (overlay) or their envelope.  Starting either ends the other.  Everything
// runs on the user-interface thread.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "workspace/state.h"

// ------------------------------------------------------------ statistics
// Digits after the point of every number in the table, as in the file.
constexpr int kStatTableDecimals = 2;

// Appends a copy of the current spectrum of `kind` (1, 2, 4, 8) to the store.
void main_UpdateTable(int kind);
// Builds the table from the store and computes the statistics; the window
// title and indicator follow `kind`.
void main_PrintStatisticsTable(int kind);
// Computes Stat_val over the first n - 1 measurements of `values` and writes
// the AV and STD columns of the table.
void main_Statistics_AV_STD(std::vector<std::vector<double>>& values, int n);
// Pixel rows, their labels and the grey first row; zeroes the sums.
void main_InitTable();
// AV and STD cells from row 2 down to 0.
void main_ClearColumn();
// Ends the run: the store released, the table emptied and hidden.
void main_StatisticsCloseDelete();

// The computation alone: fills each measurement's maximum entry and
// Stat_val.  Returns the pixel count used (0 when fewer than one
// measurement or no pixels are stored).
int stats_Compute(std::vector<std::vector<double>>& values, int n);
// The statistics file's text for the store, dated `when`, numbers under the
// user's locale.
std::string stats_FileText(const std::vector<std::vector<double>>& values, const std::tm& when);

void StatistParamMenu(int menuBar, int menuItem, void* callbackData, int panel);
void StatistTableMenu(int menuBar, int menuItem, void* callbackData, int panel);
int StatRB(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int StatParamOk(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
int StatisticsCancel(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
int CloseStatisticsTable(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int SaveStatisticsInFile(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);

// ----------------------------------------------------------- series view
// Stores a copy of the current spectrum of `kind` (1, 2, 4) as the next entry.
void main_SaveFFTValues(int kind);
// Ends the series: every entry released, the view and CB_FFT off.
void main_FreeFFTValues();
// Start of a measurement: a series that was shown is ended.
void set_CheckFFT();
// After a measurement step of `mode`: while armed, a continuous step of the
// chosen kind adds its spectrum; a full series enables CB_FFT.
void series_CollectStep(int mode);
// True when the series view draws every spectrum, false for the envelope.
bool series_ShowOverlay();

void MathFFT(int menuBar, int menuItem, void* callbackData, int panel);
int FFTDark(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int FFTReference(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);
int FFTTransmittance(int panel, int control, int event, void* callbackData, int eventData1,
                     int eventData2);
int FFTParamClose(int panel, int control, int event, void* callbackData, int eventData1,
                  int eventData2);
int FFTParametersOk(int panel, int control, int event, void* callbackData, int eventData1,
                    int eventData2);
int FFTStart(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Registers every callback above by its name.
void stats_RegisterCallbacks();
