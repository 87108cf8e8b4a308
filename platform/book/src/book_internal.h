// Shared by the file writers and the live back ends of the book.
#pragma once

#include <string>

namespace book {

// A live-link target: "B3", or a vertical range "B6:B9" of exactly count
// rows. Sets the 1-based first row and column; false for any other shape.
bool ParseColumnTarget(const std::string& ref, int count, int* row, int* column);

} // namespace book
