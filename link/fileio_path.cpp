#include "link/fileio_path.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "ui/ui.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsAbsolute(const char* p) {
    return p != nullptr && p[0] == '/';
}

} // namespace

std::string fileio_AppDataFolder() {
    // Only absolute base folders count: a relative one would land the files
    // wherever the program happens to be started.
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (IsAbsolute(xdg)) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!IsAbsolute(home))
            return {};
        base = std::string(home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base == "/")
        base.clear();
    return base + "/ZOLT/Orvalin/";
}

int fileio_CheckPath(const std::string& path) {
    if (path.empty() || IsFolder(path))
        return 0;
    // The root folder is never created; every other missing folder up to the
    // last '/' is, outermost first.
    for (std::size_t pos = path.find('/'); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        if (pos == 0)
            continue;
        const std::string prefix = path.substr(0, pos + 1);
        if (IsFolder(prefix))
            continue;
        if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(prefix))) {
            const std::string text = "Error creating Directory: " + prefix;
            MessagePopup("Directory Error", text.c_str());
            return -1;
        }
    }
    return 0;
}
