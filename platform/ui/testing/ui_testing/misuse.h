// Toolkit calls that fail for the caller's mistake (an unknown panel, control
// or menu bar, an attribute or a value that does not fit the control) fail
// the running test, naming the call and the control.
#pragma once

namespace ui_testing {

// Installs the toolkit's misuse hook; every test program's set-up calls it.
void FailOnToolkitMisuse();

// While one lives, misuses are expected (a test that checks the error code
// of such a call on purpose); it fails the test if none came.
class ExpectToolkitMisuse {
  public:
    ExpectToolkitMisuse();
    ~ExpectToolkitMisuse();
    ExpectToolkitMisuse(const ExpectToolkitMisuse&) = delete;
    ExpectToolkitMisuse& operator=(const ExpectToolkitMisuse&) = delete;

  private:
    int seenBefore_;
};

} // namespace ui_testing
