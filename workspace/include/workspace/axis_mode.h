// The x axis of the main graph (wavelength or pixel) and the displayed part
// of the spectrum: the range controls STARTWL / ENDWL, their reset popup, the
// axis radio buttons of the axis-scaling window and everything that is
// relabelled or switched on and off with the axis.
#pragma once

// Start and end of the displayed range are always at least this far apart
// (nm on the wavelength axis, pixels on the pixel axis).
constexpr int kMinRangeSpan = 10;

// A typed start raised to `lowest` and lowered to end - kMinRangeSpan; it
// never ends up below `lowest`, even when the device range is that narrow.
int axis_ClampStart(int value, int lowest, int end);
// A typed end lowered to `highest` and raised to start + kMinRangeSpan; it
// never ends up above `highest`.
int axis_ClampEnd(int value, int highest, int start);

// STARTWL / ENDWL: value changed clamps and redraws; a right click offers
// the reset to the whole range.
int StartSpec(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int EndSpec(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
// Reset popup at the mouse; RESET shows the whole range of the axis in force.
void Orvalin_Start_End_WL_Reset();

// RB_X1 / RB_X2 of the axis-scaling window.
int RbWave(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int RbPixel(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Put the axis in force; the pixel axis also clears the centroid read-out
// choices, which have no meaning there.
void set_ChangeToWL();
void set_ChangeToPixel();
// Labels, precisions, limits and menu items of the axis chosen by iPxlWlMode;
// also puts the graph's x axis on the displayed range.
void set_LblForPxlWL();

// Registers the callbacks above and the graph drawing's relabelling hook.
void axis_RegisterCallbacks();
