#include "ui_testing/misuse.h"

#include <gtest/gtest.h>

#include "ui/ui.h"

namespace ui_testing {

namespace {

int g_expecting = 0;
int g_seen = 0; // misuses met while expected

void OnMisuse(int code, const char* call, const char* what) {
    if (g_expecting > 0) {
        ++g_seen;
        return;
    }
    ADD_FAILURE() << "toolkit call failed with " << code << ": " << call << ": " << what;
}

} // namespace

void FailOnToolkitMisuse() {
    SetUiMisuseHook(OnMisuse);
}

ExpectToolkitMisuse::ExpectToolkitMisuse() : seenBefore_(g_seen) {
    ++g_expecting;
}

ExpectToolkitMisuse::~ExpectToolkitMisuse() {
    --g_expecting;
    EXPECT_GT(g_seen, seenBefore_) << "a toolkit misuse was expected, none came";
}

} // namespace ui_testing
