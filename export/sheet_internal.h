// Shared by the workbook-file link, the live link and their column writer.
#pragma once

#include <string>

#include "export/sheet_saver.h"

namespace sheet {

// The open workbook of the file link.
SheetSaver& Saver();
// Ends the file link after a failure the user is told about.
void StopFileWithMessage(const std::string& text);
// What the user is told when the live application went away.
inline constexpr const char* kNoLongerConnected =
    "The spreadsheet application is no longer connected.";
// Ends the file link after its workbook could not be saved (error says why),
// then offers to save the columns it held under another name.
void StopFileAfterFailedSave(const std::string& error);
// Ends the live link after the application was lost; told to the user.
void DropLiveWithMessage(const std::string& text);
// Clears the once-per-link notes (values left out of a .xls sheet, cells
// the application refused).
void ResetNotes();
// Result of the first refused live write of the current column (0 none).
int TakeLiveWriteError();

} // namespace sheet
