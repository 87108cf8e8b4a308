// State of the parameter window, its protected commands and its files, and
// the last folders of the file dialogs (the configuration keeps them; the
// parameter files and the output files use them).
#pragma once

#include "link/shared_state.h" // hParUtil, hTabRoot

extern char cLastCsvPath[260]; // last folders of the file dialogs
extern char cLastValPath[260];
extern char cLastDatPath[260];
extern char cLastParPath[260];

extern char sPassword[50]; // password of the protected parameter commands
extern int passForSavePar_already_entered;

// Tab pages of the parameter window (hParUtil and its root page hTabRoot are
// in link/shared_state.h, because the connection fills them).
extern int hTabAdc, hTabSens, hTabComm, hTabMeas, hTabScan, hTabPeriph, hTabSpecFun, hTabCor,
    hTabOther, hTabLog, hTabBlock;

// The parameter-control table of the connected device and, per row, whether
// the device answered its query at the last read (parameters/par_table.h).
#include <vector>

#include "parameters/par_block.h"
#include "parameters/par_table.h"

extern std::vector<parameters::ParameterControl> Parameter;
extern int NumberOfParControls;
extern std::vector<bool> bParAnswered;

// The parameter-block image (from the device or a .par file, with the user's
// edits) and its layout, one row per line of the block page.
extern parameters::ParBlock bParBlock;
extern std::vector<parameters::ParBlockItem> ParBlockList;
