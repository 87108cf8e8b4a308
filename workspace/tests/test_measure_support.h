// Fixture of the measurement tests: the main panel and its dialogs loaded
// offscreen, the simulated instrument connected, and one fake clock shared by
// the instrument and the measurement waits so the long limits pass at once.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace measure_test {

// Current fake time (s) and its advance per wait-clock reading.
extern double g_now;
extern double g_step;
// Runs inside every reading of the measurement clock, with the reading's
// number (1 = first since the test began); tests use it to act "during a poll".
extern std::function<void(int)> g_onClock;
// Sets g_onClock and counts the readings from here on.
void OnClock(std::function<void(int)> action);

// Journal entries of the simulator that start with `prefix`.
std::vector<std::string> Journal(const std::string& prefix);
// Text of a main-panel string control.
std::string CtrlText(int control);
int Dimmed(int control);
int Visible(int control);
// Titles and texts of the popups shown since the test began.
std::vector<std::string> ShownTexts();

class MeasureTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The axis-scaling panel, for the steps that switch the axis or quit
    // (most tests run without it: its bounds would scale their graphs).
    static void UseAxisScalingPanel();
    // The main window shown and exposed, so real key presses reach it; null
    // when it never is.
    static QWidget* ShowMainWindow();
    // Opens simulated instrument 0 and fills the device record and arrays.
    void Connect();
    // One step of `kind` the way a button commit in single mode runs it.
    int Step(int kind);
    // Switches the instrument's lamp back on after a dark step (the dark
    // step switches it off).
    void LampOn();
};

} // namespace measure_test
