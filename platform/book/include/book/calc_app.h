// The live spreadsheet link on LibreOffice Calc. The program talks to a small
// helper script (orvalin_calc.py, beside the programs) over a socket pair; the
// helper drives the office through the office's own Python bridge. Nothing of
// the office is needed to build or run the program: where it is missing the
// link answers as unreachable.
#pragma once

#include <memory>
#include <string>

#include "book/live_app.h"

namespace book {

struct CalcOptions {
    // Interpreter that has the office's Python bridge, and the helper script
    // (empty: orvalin_calc.py beside the running program).
    std::string python = "/usr/bin/python3";
    std::string helper;
    // The office's launcher (empty: soffice on PATH).
    std::string office;
    // Shows the office's window; off, the office runs headless on a private
    // profile and ends with the helper.
    bool visible = true;
    // When set, a successful Quit first stores the workbook there (.xlsx,
    // placed atomically); failing to store keeps the link connected.
    std::string keepCopy;
    // Longest wait for any reply; past it the helper and the office it started
    // are killed and the call fails with kAppLost.
    int timeoutMs = 120000;
};

// Fills the empty entries of *options with what this machine has; false when
// the interpreter, the helper or the office's launcher is missing.
bool FindCalc(CalcOptions* options);

// The back end on LibreOffice Calc. Start fails with kAppUnreachable, and
// ErrorText says why, when the office or its Python bridge is missing.
std::unique_ptr<LiveApp> MakeCalcApp(const CalcOptions& options);

// The back end of this machine, chosen at run time: LibreOffice Calc where
// FindCalc finds it (visible when a display is present), else the
// unreachable one.
std::unique_ptr<LiveApp> MakeLiveApp();

} // namespace book
