// Reads a whole regular file of bounded size: the files read here come from
// users and are never trusted to be small, or to be files at all.
#pragma once

#include <cstddef>
#include <string>

namespace parameters::detail {

// Returns 0 with the bytes, or -1 with a message naming the path (missing,
// not a regular file, larger than maxBytes, read error).
int ReadBoundedFile(const std::string& path, std::size_t maxBytes, std::string* out,
                    std::string* error);

} // namespace parameters::detail
