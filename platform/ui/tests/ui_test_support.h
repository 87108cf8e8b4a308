// Shared fixture: one application, scripted popups, recorded callbacks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "ui_test_ids.h"

struct SeenEvent {
    int panel, control, event, d1, d2;
};

struct SeenMenu {
    int bar, item, panel;
};

std::vector<SeenEvent>& Seen();
std::vector<SeenMenu>& SeenMenus();
int& TimerTicks();
int& TimerDepth();
int& TimerMaxDepth();
// Count of recorded events of one kind on one control.
int CountOf(int control, int event);

const char* TestUi();
void RegisterTestCallbacks(); // absolute path of the test resource file

class UiTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    int main_ = 0;
};
