// The program's life: start-up, defaults, settings, quit.
#pragma once

#include <string>

// Resource files of the user interface.
constexpr const char* kMainUiFile = "orvalin.ui";
constexpr const char* kProtocolUiFile = "orvalin_Protocol.ui";

// Longest command-line argument sArg1/sArg2 can hold.
constexpr int kMaxArgLength = 99;

// The whole program: 0 after the event loop ends, -1 when the toolkit, the
// main panel or a menu bar cannot be started, or an argument is too long.
int orvalin_Main(int argc, char** argv);

// Copies argv[1] and argv[2] into sArg1 / sArg2 (both cleared first).
// Returns 0, or -1 with a message in *error when one is longer than
// kMaxArgLength characters (nothing is copied then).
int orvalin_StoreArguments(int argc, char** argv, std::string* error);

// Loads every panel and menu bar of both resource files in their order and
// fetches the tab pages.  Returns 0, or -1 when the main panel or a menu bar
// cannot be loaded.
int orvalin_LoadPanels();
// Discards everything orvalin_LoadPanels loaded (tests).
void orvalin_DiscardPanels();

// Defaults of the workspace state; reconnect 1 keeps the link and
// evaluation-mode flags.
void InitVariables(int reconnect);
// Reads the settings and puts them into the controls.
void Init();
// The shutdown itself: stores settings, frees the spectra, closes the device
// and the log, ends the event loop.
void comm_ShortQuit();
// Quit now, or once a running measurement has unwound.
void orvalin_QuitWhenIdle();

// SIGTERM, SIGHUP and SIGINT quit as FILE_Quit does, from the event loop (the
// handler only writes to a pipe).  A second signal while quitting ends the
// program at once.  Returns 0, or -1 when the pipe cannot be made.
int orvalin_CatchQuitSignals();

// QUIT button and FILE_Quit menu item.
int Quit(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
void FILE_quit(int menuBar, int menuItem, void* callbackData, int panel);

// Panel loading fitted to the screen, and the main graph's width.
int main_LoadPanel_and_Adjust(int parent, const char* uiFile, int panelId);
void main_adjust_panel_to_screen(int panel);
void Main_MakeMainGraph_Small_or_Big(int big);

// Registers every callback named in the resource files (each module's own
// registration).
void orvalin_RegisterCallbacks();

// The program's wiring, done once at start-up: binds every entry of the
// wiring tables (link/hooks.h, export/export_hooks.h, DisplayHooks), gives
// the link the control ids it needs, and registers the callbacks.
void orvalin_Wire();

// Pause after the main window is shown, in seconds (tests set 0).
extern double dStartupPause;
