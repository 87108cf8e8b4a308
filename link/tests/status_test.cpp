#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "link/shared_state.h"
#include "link/status.h"
#include "ui/popup_script.h"
#include "zolt_core.h"

namespace {

struct Named {
    const char* name;
    int code;
};

// Every status code the core names.
#define NAMED_CODE(name, value) {#name, name},
const Named kNamed[] = {ZOLT_STATUS_CODES(NAMED_CODE)};
#undef NAMED_CODE

constexpr const char* kUnknown = "Unknown error or Windows sockets error codes!";

const int kUnlisted[] = {1,
                         9,
                         15,
                         16,
                         24,
                         31,
                         33,
                         127,
                         129,
                         254,
                         256,
                         1000,
                         2147483647,
                         -1,
                         -9,
                         -11,
                         -99,
                         -255,
                         -2147483647 - 1};

class StatusTest : public ::testing::Test {
  protected:
    void SetUp() override { popup_script::Clear(); }
    void TearDown() override { popup_script::Clear(); }

    // Runs ErrorCheck and returns the popups it showed.
    std::vector<popup_script::Shown> Check(int code, int* result) {
        popup_script::Clear();
        *result = ErrorCheck(code);
        return popup_script::Record();
    }
};

TEST_F(StatusTest, EveryNamedCodeHasItsOwnText) {
    std::set<std::string> texts;
    for (const Named& n : kNamed) {
        if (n.code == ZOLT_OK)
            continue;
        int result = 0;
        const auto shown = Check(n.code, &result);
        EXPECT_EQ(result, n.code);
        ASSERT_EQ(shown.size(), 1u) << n.name;
        EXPECT_EQ(shown[0].kind, popup_script::Kind::Message);
        EXPECT_EQ(shown[0].title, "Error");
        EXPECT_NE(shown[0].text, kUnknown) << n.name;
        EXPECT_TRUE(texts.insert(shown[0].text).second) << n.name << " shares its text";
    }
    EXPECT_EQ(ErrorText(ZOLT_E_BUSY), std::string("Device busy!"));
    EXPECT_EQ(ErrorText(ZOLT_E_FATAL), std::string("Fatal communication error!"));
}

TEST_F(StatusTest, UnlistedCodesShowTheUnknownText) {
    for (int code : kUnlisted) {
        int result = 0;
        const auto shown = Check(code, &result);
        EXPECT_EQ(result, code);
        ASSERT_EQ(shown.size(), 1u) << code;
        EXPECT_EQ(shown[0].title, "Error");
        EXPECT_EQ(shown[0].text, kUnknown) << code;
    }
}

TEST_F(StatusTest, SuccessAndUserBreakShowNothing) {
    for (int code : {0, -10}) {
        int result = 1;
        EXPECT_TRUE(Check(code, &result).empty()) << code;
        EXPECT_EQ(result, code);
        EXPECT_EQ(ErrorText(code), nullptr);
    }
}

TEST_F(StatusTest, WrapperResults) {
    EXPECT_EQ(comm_StatusToResult(0), 0);
    EXPECT_EQ(comm_StatusToResult(255), -99);
    EXPECT_EQ(comm_StatusToResult(14), -1);
    for (const Named& n : kNamed) {
        if (n.code != ZOLT_OK && n.code != ZOLT_E_FATAL) {
            EXPECT_EQ(comm_StatusToResult(n.code), -1) << n.name;
        }
    }
    for (int code : kUnlisted)
        EXPECT_EQ(comm_StatusToResult(code), -1) << code;
    EXPECT_EQ(comm_StatusToResult(-10), -1);
}

TEST_F(StatusTest, IsDwError0FollowsTheLastStatus) {
    dwError = 0;
    EXPECT_EQ(is_dwError_0(), 1);
    for (int code : {2, 255, -10, -1}) {
        dwError = code;
        EXPECT_EQ(is_dwError_0(), 0) << code;
    }
    dwError = 0;
}

} // namespace
