// Starts the toolkit once for the whole test program and scripts every popup,
// so no test ever waits on a dialog.
#include <gtest/gtest.h>

#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui_testing/misuse.h"

// The leak-check suppressions (font caches, locale search paths) come with
// the shared test helpers linked into this program.

namespace {

class UiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "parameters_tests";
        static char* argv[] = {name, nullptr};
        ASSERT_EQ(InitUserInterface(argc, argv), 0);
        popup_script::Enable(true);
        ui_testing::FailOnToolkitMisuse();
    }
};

const ::testing::Environment* const kUi = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace
