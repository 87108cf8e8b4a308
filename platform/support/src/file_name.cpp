#include "support/file_name.h"

#include <strings.h>

namespace support {
namespace {

// Other spellings people give the same kind of file.
const char* OtherSpelling(const std::string& extension) {
    static const struct {
        const char* a;
        const char* b;
    } kPairs[] = {{".jpg", ".jpeg"}, {".tif", ".tiff"}};
    for (const auto& p : kPairs) {
        if (strcasecmp(extension.c_str(), p.a) == 0)
            return p.b;
        if (strcasecmp(extension.c_str(), p.b) == 0)
            return p.a;
    }
    return nullptr;
}

bool EndsIn(const std::string& name, const char* extension) {
    const std::string e = extension;
    return !e.empty() && name.size() > e.size() &&
           strcasecmp(name.c_str() + name.size() - e.size(), e.c_str()) == 0;
}

} // namespace

std::string SaveName(const std::string& path, const std::vector<std::string>& extensions) {
    if (extensions.empty())
        return path;
    const std::string name = path.substr(path.rfind('/') + 1);
    for (const std::string& e : extensions) {
        const char* other = OtherSpelling(e);
        if (EndsIn(name, e.c_str()) || (other != nullptr && EndsIn(name, other)))
            return path;
    }
    return path + extensions.front();
}

} // namespace support
