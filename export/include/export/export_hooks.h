// Wiring table of the output modules' routines that the workspace calls:
// configuration file, CSV, ASCII and spreadsheet output, printed protocol.
//
// The program's start-up binds every entry in one place, orvalin_Wire()
// (workspace/wiring.cpp).  An entry left unbound says "<name>: not built yet"
// once and returns its fallback; the wiring test fails on one.
//
// To add an entry:
//   1. add a member `support::Hook<Signature, Fallback> name{"name"};` below
//      (Fallback: what a call returns while unbound; omit it for void),
//   2. add it to Entries() (a static_assert checks the count),
//   3. bind it in orvalin_Wire().
// A routine of this module that calls a higher one goes through the tables of
// link/hooks.h (WorkspaceHooks).
#pragma once

#include <array>

#include "support/hook.h"

struct ExportHooks {
    // Configuration file: 0, or -1 when it could not be read / written.
    support::Hook<int(), -1> fileio_ReadIniFile{"fileio_ReadIniFile"};
    support::Hook<int(), -1> fileio_WriteIniFile{"fileio_WriteIniFile"};
    // Output links after each measurement step.
    support::Hook<void(int unused)> main_WriteToXLS{"main_WriteToXLS"};
    support::Hook<void()> main_WriteCsv{"main_WriteCsv"};
    support::Hook<void()> main_WriteCap{"main_WriteCap"};
    // Protocol texts follow the evaluation markers.
    support::Hook<void()> main_UpdateProtocol{"main_UpdateProtocol"};

    std::array<support::HookEntry, 6> Entries() const {
        return {fileio_ReadIniFile.entry(), fileio_WriteIniFile.entry(),
                main_WriteToXLS.entry(),    main_WriteCsv.entry(),
                main_WriteCap.entry(),      main_UpdateProtocol.entry()};
    }
};
static_assert(support::ListsEveryEntry<ExportHooks>());
extern ExportHooks g_exportHooks;
