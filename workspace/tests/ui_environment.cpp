// Set-up of the whole test program: a toolkit call that fails for the
// caller's mistake fails the test.  (The fixtures start the toolkit.)
#include <gtest/gtest.h>

#include "ui_testing/misuse.h"

namespace {

class UiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ui_testing::FailOnToolkitMisuse(); }
};

const ::testing::Environment* const kUi = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace
