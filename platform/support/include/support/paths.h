// The folder a file chooser starts in next time.
#pragma once

#include <cstddef>
#include <string>

namespace support {

// Keeps the folder of `path` in `folder` (a buffer of `size` bytes); a folder
// that does not fit is not kept (false) rather than kept cut.
bool KeepFolderOf(const std::string& path, char* folder, std::size_t size);

} // namespace support
