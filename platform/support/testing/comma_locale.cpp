#include "support_testing/comma_locale.h"

#include <cstdlib>
#include <filesystem>
#include <locale.h>

namespace support_testing {
namespace {
const char* const kVars[3] = {"LC_ALL", "LC_NUMERIC", "LANG"};

bool Exists(const char* name) {
    locale_t l = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr));
    if (!l)
        return false;
    freelocale(l);
    return true;
}
} // namespace

std::string CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
        if (Exists(name))
            return name;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "orvalin_comma_locale";
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string cmd =
        "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (!fs::exists(dir / "de_DE.UTF-8") && std::system(cmd.c_str()) != 0)
        return "";
    setenv("LOCPATH", dir.c_str(), 1);
    return Exists("de_DE.UTF-8") ? "de_DE.UTF-8" : "";
}

UserLocaleScope::UserLocaleScope(const std::string& name) {
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(kVars[i]);
        had_[i] = v != nullptr;
        if (v)
            saved_[i] = v;
        setenv(kVars[i], name.c_str(), 1);
    }
}

UserLocaleScope::~UserLocaleScope() {
    for (int i = 0; i < 3; ++i) {
        if (had_[i])
            setenv(kVars[i], saved_[i].c_str(), 1);
        else
            unsetenv(kVars[i]);
    }
}

} // namespace support_testing

// glibc keeps the search path of a locale loaded through LOCPATH for the life
// of the process; the toolkit's font library keeps its caches. Neither is ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:__argz_add_sep\nleak:_nl_make_l10nflist\nleak:libfontconfig\n";
}
