// Shared by the two file writers of the book.
#pragma once

#include <string>

namespace book {

// False, with *error set, for an empty path or one naming something other than
// a regular file (a folder, device or pipe is never replaced by a workbook).
bool CheckTarget(const std::string& path, std::string* error);

} // namespace book
