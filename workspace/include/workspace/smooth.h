// Smoothing of the reference: the SMOOTHING menu and the Smoothing Filters
// dialog.  The measurement sequence reads the check marks of the menu, inL,
// inR, iDeg and the boxcar width.
#pragma once

#include "workspace/state.h"

enum SmoothFilter { SMOOTH_NONE = 0, SMOOTH_SAVGOL = 1, SMOOTH_BOXCAR = 2 };

// The filter in force (the one checked item of the menu) and the filter the
// dialog is open for (SMOOTH_NONE when it is closed).
extern int iSmoothFilter;
extern int iSmoothDialogFilter;

// What the dialog says about the values typed into it.
enum SmoothVerdict {
    SMOOTH_ACCEPTED = 0,
    SMOOTH_NEGATIVE_COUNT,  // a left or right count below 0
    SMOOTH_EMPTY_WINDOW,    // no point left or right of the smoothed one
    SMOOTH_WINDOW_TOO_WIDE, // window not smaller than the pixel count
    SMOOTH_NEGATIVE_DEGREE, // degree below 0
    SMOOTH_ODD_DEGREE,      // degree not even
    SMOOTH_DEGREE_TOO_HIGH, // degree not below left + right
    SMOOTH_WIDTH_BELOW_ONE, // boxcar width below 1
    SMOOTH_EVEN_WIDTH,      // boxcar width even
    SMOOTH_WIDTH_TOO_WIDE   // boxcar width not smaller than the pixel count
};

// Checks of the Savitzky-Golay fields and the boxcar width; `pixels` is the
// device's pixel count, 0 when none is known (the window is then not
// compared with it).
SmoothVerdict smooth_CheckSavGol(int degree, int left, int right, int pixels);
SmoothVerdict smooth_CheckBoxcar(int width, int pixels);
// The message of a rejection (nullptr for SMOOTH_ACCEPTED).
const char* smooth_VerdictText(SmoothVerdict verdict);
// The largest even degree below left + right.
int smooth_LargestEvenDegree(int left, int right);

// Menu items SavGolMenu, BoxcarMenu and noSmoothMenu.
void SavGolMenuCallback(int menuBar, int menuItem, void* callbackData, int panel);
void BoxcarMenuCallback(int menuBar, int menuItem, void* callbackData, int panel);
void NoSmoothMenuCallback(int menuBar, int menuItem, void* callbackData, int panel);
// SMOOTHOK and CB_SMOOTH_CANCEL of the dialog.
int SmoothOk(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int SmoothCancel(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);

// Back to no smoothing with the start values (start-up and tests); the
// dialog's fields keep what they show.
void smooth_ResetState();
// Registers the callbacks above by their names.
void smooth_RegisterCallbacks();
