// Each test program gets a settings folder of its own: CTest runs the tests
// as parallel processes, and a test that quits writes config.ini.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct OwnConfigHome {
    std::string dir;
    OwnConfigHome() {
        dir = (std::filesystem::temp_directory_path() /
               ("orvalin_ws_config_" + std::to_string(::getpid())))
                  .string();
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~OwnConfigHome() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
} ownConfigHome;

} // namespace
