// Hooks of the statistics and output modules that the measurement sequence
// calls.  Until those modules exist, later.cpp holds stand-ins that do
// nothing.  The display and the stored record are in workspace/display.h and
// workspace/saved_meas.h.
#pragma once

#include "workspace/display.h"    // display_Display, display_ClearMainGraph
#include "workspace/saved_meas.h" // stSavedMeas
#include "workspace/stats.h"      // statistics and series hooks

// ------------------------------------------------------- output links
void main_WriteToXLS(int append);
void main_WriteCsv();
void main_WriteCap();
