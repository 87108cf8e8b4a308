// The .par file: exactly the 1024 bytes of the parameter block, nothing else.
#pragma once

#include <string>
#include <string_view>

#include "parameters/par_block.h"

namespace parameters {

// The texts shown (title "Failure") when a .par file cannot be read or written.
inline constexpr const char* kParReadFailure = "Error reading from .par file";
inline constexpr const char* kParWriteFailure = "Error writing to .par file";

// Accepts bytes only when they are exactly one block; out is untouched
// otherwise. Returns 0, or -1 with *error (if given) saying why.
int ParFile_Parse(std::string_view bytes, ParBlock* out, std::string* error = nullptr);

// Reads a .par file into out only when the file is a regular file of exactly
// 1024 bytes; out is untouched on any failure. Returns 0 or -1 with *error.
int ReadParFile(const std::string& path, ParBlock* out, std::string* error = nullptr);

// Writes the block through the atomic writer. Returns 0 or -1 with *error.
int SaveParFile(const std::string& path, const ParBlock& block, std::string* error = nullptr);

// The block list's label after a file load: "Parameter block from file "
// and the file name without its folder.
std::string ParFile_ListLabel(const std::string& path);

} // namespace parameters
