// Test helper: a locale whose decimal separator is a comma, built with
// localedef into a temporary LOCPATH when the system has none installed.
#pragma once

#include <string>

namespace support_testing {

// The locale's name, or "" when none can be had (the caller then skips).
std::string CommaLocale();

// Sets LC_ALL/LC_NUMERIC/LANG to name for its lifetime and restores them.
class UserLocaleScope {
  public:
    explicit UserLocaleScope(const std::string& name);
    ~UserLocaleScope();
    UserLocaleScope(const UserLocaleScope&) = delete;
    UserLocaleScope& operator=(const UserLocaleScope&) = delete;

  private:
    std::string saved_[3];
    bool had_[3] = {false, false, false};
};

} // namespace support_testing
