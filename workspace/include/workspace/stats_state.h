// State of the statistics run and the series view.
#pragma once

#include <cstdint>

extern int iStatisticsParam;   // kinds the statistics collect
extern int iMeasTask;          // measurements wanted
extern uint16_t usStatMesFlag; // the target message was shown
extern char cStatMsg1[100];    // "The given number of measurements is reached."
extern char cStatMsg2[100];    // "Statistics is stopped"
extern int iStat_CreatedTable; // 1 once the table was built from the current store
extern int iStatDark, iStatRef, iStatTrans, iStatAbs;
extern int iStartFFT; // series view state
extern int iFFTReady;
