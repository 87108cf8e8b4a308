// Shared by the CSV link, the ASCII link and the save controls.
#pragma once

#include <ctime>
#include <string>

#include "link/output_view.h"

namespace links {

// The workspace's view of the shown measurement.
OutputView View();
// Local time now.
std::tm Now();
// Folder and file name of a path ("." when it has no folder).
void SplitPath(const std::string& path, std::string* folder, std::string* file);
// Copies text into a char array; false when it does not fit.
bool CopyInto(char* dst, std::size_t size, const std::string& text);
// The reason of the last failure, for links_LastError().
void SetError(std::string text);
// Stop of each link without the menu form (menus, lamps and flags).
void StopCsv();
// Ends the CSV link once the table's last column is written; a write that
// failed is told.
void EndCsv();
void StopAscii();

} // namespace links
