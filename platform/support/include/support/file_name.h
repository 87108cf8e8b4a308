// File names typed into a save chooser.
#pragma once

#include <string>
#include <strings.h>

namespace support {

// The path with `extension` (".csv") appended unless its file name already
// ends in it (in any case): a chooser that offers one kind of file saves that
// kind, whatever the user typed.
inline std::string WithExtension(std::string path, const std::string& extension) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t n = extension.size();
    if (path.size() - nameStart < n ||
        strcasecmp(path.c_str() + path.size() - n, extension.c_str()) != 0)
        path += extension;
    return path;
}

} // namespace support
