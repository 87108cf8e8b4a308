// Binds every callback name of the two resource files to its routine.
#include "export/output_links.h"
#include "export/protocol.h"
#include "export/sheet_output.h"
#include "export/spectrum_file.h"
#include "link/readouts.h"
#include "parameters/par_window.h"
#include "ui/ui.h"
#include "workspace/axis_mode.h"
#include "workspace/connection.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/layout.h"
#include "workspace/measure.h"
#include "workspace/orvalin.h"
#include "workspace/smooth.h"
#include "workspace/stats.h"

void orvalin_RegisterCallbacks() {
    RegisterCtrlCallback("Quit", Quit);
    RegisterMenuCallback("FILE_quit", FILE_quit);
    readouts_RegisterCallbacks();
    measure_RegisterCallbacks();
    display_RegisterCallbacks();
    eval_RegisterCallbacks();
    axis_RegisterCallbacks();
    smooth_RegisterCallbacks();
    stats_RegisterCallbacks();
    layout_RegisterCallbacks();
    protocol_RegisterCallbacks();
    links_RegisterCallbacks();
    excel_RegisterCallbacks();
    valfile_RegisterCallbacks();
    parameters_RegisterCallbacks();
    connection_RegisterCallbacks();
}
