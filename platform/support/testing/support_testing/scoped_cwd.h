// Changes the working folder for the life of the object: back where it was
// even when the test that changed it fails half way.
#pragma once

#include <filesystem>

namespace support_testing {

class ScopedCwd {
  public:
    explicit ScopedCwd(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(p);
    }
    ~ScopedCwd() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

  private:
    std::filesystem::path old_;
};

} // namespace support_testing
