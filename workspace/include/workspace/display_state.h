// State of the display, the graph and its axes.
#pragma once

extern int iXAchse;         // x axis shown: 1 wavelength, 0 pixel
extern double dAbsoluteMin; // running Y extent since the last clear
extern double dAbsoluteMax;
extern int iActiveCursor;         // active graph cursor
extern int iPlotHandle;           // plot handles of the main graph
extern int iPlotHandle1;          // last measured curve
extern int iPlotHandle2;          // last stored curve
extern double dXcursor, dYcursor; // graph cursor last read
extern int iCompare;              // view: 0 measured, 1 stored, 2 both
extern int iClrDisplay;           // 1 clear the graph before each new curve
extern int iInterplMode;          // display resampling 1..7
extern int iStartWlScal;          // 1 while the displayed start / end are those
extern int iEndWlScal;            // the markers were placed in
extern double dUserBounds[12];    // lower and upper Y bound per shown curve
