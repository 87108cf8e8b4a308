// Saving and loading the spectrum file (.val) from the FILE menu: the
// comment panel, the file info panel, the stored curve set the display draws.
#pragma once

#include <string>

#include "export/export_state.h"

// FILE -> Save...: chooses the file and opens the comment panel; the file is
// written when the comment is confirmed.
void SaveFile(int menuBar, int menuItem, void* callbackData, int panel);
// The comment panel's OK: fills the record from the workspace as it is now,
// writes it, closes the panel.
int CommentOk(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
// FILE -> Open...: reads and checks a file whole before anything changes,
// then makes it the stored curve set and shows it.
void FileOpen(int menuBar, int menuItem, void* callbackData, int panel);
// FILE -> File Info: the file info panel of the loaded file.
void fileinfo(int menuBar, int menuItem, void* callbackData, int panel);
int Infoclose(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);

// Fills *record from the workspace (header, the first pixel-count values of
// the six spectra, the kinds measured) with the given comment; values past
// the pixel count are left as they are.  false with *error when the
// workspace holds no set a record can keep.
bool valfile_FillRecord(SavedMeasurement* record, const std::string& comment, std::string* error);

void valfile_RegisterCallbacks();
