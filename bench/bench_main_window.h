// Start-up shared by the benchmarks that run on the program's main window:
// the toolkit offscreen, popups scripted, the main panel and its menu bar.
#pragma once

#include <cstdlib>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/popup_script.h"
#include "ui/ui.h"

// The program's main resource file.
inline constexpr const char* kBenchUiFile = ORVALIN_UI_SOURCE_DIR "/orvalin.ui";

// False when the toolkit or the main window cannot be had.
inline bool bench_StartMainWindow(char* programName) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char* argv[] = {programName, nullptr};
    if (InitUserInterface(argc, argv) != 0)
        return false;
    popup_script::Enable(true);
    hMainPanel = LoadPanel(0, kBenchUiFile, MAINP);
    hMenuBar = hMainBar = LoadMenuBar(hMainPanel, kBenchUiFile, MENUBAR);
    return hMainPanel > 0 && hMenuBar > 0;
}
