#include "support/paths.h"

#include <cstring>
#include <filesystem>

namespace support {

bool KeepFolderOf(const std::string& path, char* folder, std::size_t size) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    if (folder == nullptr || dir.size() >= size)
        return false;
    std::memcpy(folder, dir.c_str(), dir.size() + 1);
    return true;
}

} // namespace support
