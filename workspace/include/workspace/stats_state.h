// State of the statistics run and the series view.
#pragma once

#include <cstdint>
#include <vector>

extern int iStatisticsParam;   // kind the statistics collect (0 none)
extern int iMeasTask;          // measurements wanted
extern uint16_t usStatMesFlag; // the target message was shown
extern char cStatMsg1[100];    // "The given number of measurements is reached."
extern char cStatMsg2[100];    // "Statistics is stopped"
extern int iStat_CreatedTable; // 1 once the table was built from the current store
extern int iStatDark, iStatRef, iStatTrans, iStatAbs;
extern int iStartFFT; // series view state
extern int iFFTReady;

// Per-entry sums and results of the statistics.  Entry i < pixel count is
// pixel i; the last entry holds the statistics of the per-measurement maxima.
// Sized from the pixel count of the stored measurements.
struct StatisticsAccumulator {
    std::vector<double> sum;
    std::vector<double> sumSqDev;
    std::vector<double> average;
    std::vector<double> stdDev; // NaN while fewer than two measurements are stored
    double maxAverage = 0.0;
    double maxStdDev = 0.0;
    double meanStdDev = 0.0; // mean deviation over the pixels ("AV(STD)")
};
extern StatisticsAccumulator Stat_val;

// The measurements of the run: each the spectrum's pixel values and, last,
// its maximum (filled when the statistics are computed).
extern std::vector<std::vector<double>> dStatistValues;
extern int indxStatistics; // 1 + stored measurements during a run, 0 after close
extern int indxColumn;     // measurements counted in the current run

// Series view (the stored spectra themselves are dFFTValues, workspace/display.h).
extern int rbFFTDark, rbFFTRef, rbFFTTrans; // kind chosen when armed
extern int indxFFT;                         // next entry of dFFTValues to fill
