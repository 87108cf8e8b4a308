// Test helpers for the files a user's set-up can put in place of a regular
// one, and a guard that turns a hang into a failure.
#pragma once

#include <string>

namespace support_testing {

// Ends the test program with a message if it is still inside its scope after
// `seconds`: a file operation that blocks fails the run instead of hanging it.
class HangGuard {
  public:
    explicit HangGuard(unsigned seconds);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

// Makes a named pipe at path; false when it cannot.
bool MakeFifo(const std::string& path);

// The whole content of a regular file, "" when it cannot be read.
std::string FileText(const std::string& path);

} // namespace support_testing
