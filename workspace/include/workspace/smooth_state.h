// Smoothing settings of the reference step.
#pragma once

extern int iSvGlChecked; // Savitzky-Golay item checked
extern int iBxcrChecked; // boxcar item checked
extern int iBxcrParam;   // boxcar width
extern int inL, inR;     // Savitzky-Golay left and right points
extern int iDeg;         // Savitzky-Golay degree
