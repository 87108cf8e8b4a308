#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/shared_state.h"
#include "link/status.h"
#include "ui/popup_script.h"

namespace {

struct Listed {
    int code;
    const char* text;
};

const Listed kListed[] = {
    {2, "Could not open COM-port!"},
    {3, "Could not set COM-port settings!"},
    {4, "Could not set buffer of COM-port!"},
    {5, "Could not purge buffers of COM-port!"},
    {6, "Could not set COM-port timeout!"},
    {7, "Could not send to device!"},
    {8, "Communication time error!"},
    {10, "Could not receive from device!"},
    {11, "Command not supported or invalid argument!"},
    {12, "Could not convert received data!"},
    {13, "Invalid argument!"},
    {14, "Device busy!"},
    {17, "Invalid checksum of received data!"},
    {18, "Invalid step width!"},
    {19, "Invalid device number!"},
    {20, "Device not connected!"},
    {21, "Invalid device handle!"},
    {22, "Invalid calibration file number!"},
    {23, "Calibration data not read!"},
    {32, "Measurement failed (overexposure)!"},
    {128, "Internal DLL error!"},
    {255, "Fatal communication error!"},
};

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

TEST_F(StatusTest, EveryListedCodeShowsItsTextOnce) {
    for (const Listed& l : kListed) {
        int result = 0;
        const auto shown = Check(l.code, &result);
        EXPECT_EQ(result, l.code);
        ASSERT_EQ(shown.size(), 1u) << l.code;
        EXPECT_EQ(shown[0].kind, popup_script::Kind::Message);
        EXPECT_EQ(shown[0].title, "Error");
        EXPECT_EQ(shown[0].text, l.text) << l.code;
    }
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
    for (const Listed& l : kListed) {
        if (l.code != 255) {
            EXPECT_EQ(comm_StatusToResult(l.code), -1) << l.code;
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
