// The parameter-block page of the parameter window and the window's parameter
// files: the block image read from the device or a .par file, decoded into
// the page's list, edited line by line and written back; the parameter text
// saved, copied and replayed.  Everything runs on the UI thread.
#pragma once

#include <string>

#include "parameters/par_text.h"

// --------------------------------------------------------- the block page
// Builds the block layout (ParBlockList) afresh.
void PU_InitParBlock();
// Reads the block from the device into bParBlock and shows it.  Device type
// 3 has no block: its page is emptied.  A failed read leaves image and list.
void PU_GetParBlockFromDevice();
// Decodes bParBlock into the page's list (lines that did not change are left
// as they are, so the list keeps its scroll position).
void PU_ParBlockBuffer_Interprate_and_Display();
int ParBlockItemClick(int panel, int control, int event, void* data, int d1, int d2);
int ParBlock_SaveToDevice(int panel, int control, int event, void* data, int d1, int d2);

// ------------------------------------------------------ parameter files
int ReadParFile(int panel, int control, int event, void* data, int d1, int d2);
int SaveParFile(int panel, int control, int event, void* data, int d1, int d2);
int SaveParToDisk(int panel, int control, int event, void* data, int d1, int d2);
int LoadParFromDisk(int panel, int control, int event, void* data, int d1, int d2);
int ParToText(int panel, int control, int event, void* data, int d1, int d2);
// Appends the parameter text of the answered controls (one set command per
// line) to out.
void PU_AllParameter_to_Text(std::string& out,
                             parameters::NumberStyle style = parameters::NumberStyle::Machine);
