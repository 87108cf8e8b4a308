#include "ui_test_support.h"

#include <QCoreApplication>

#include "ui_testing/misuse.h"

namespace {

int CountingCb(int panel, int control, int event, void*, int d1, int d2) {
    Seen().push_back({panel, control, event, d1, d2});
    return 0;
}

int MainPanelCb(int panel, int control, int event, void*, int d1, int d2) {
    Seen().push_back({panel, control, event, d1, d2});
    return 0;
}

int GraphCb(int panel, int control, int event, void*, int d1, int d2) {
    Seen().push_back({panel, control, event, d1, d2});
    return 0;
}

int TimerCb(int, int, int event, void*, int, int) {
    if (event != EVENT_TIMER_TICK)
        return 0;
    ++TimerTicks();
    ++TimerDepth();
    TimerMaxDepth() = std::max(TimerMaxDepth(), TimerDepth());
    // Event processing inside a tick must not run the same tick again.
    ProcessSystemEvents();
    --TimerDepth();
    return 0;
}

void MenuCb(int bar, int item, void*, int panel) {
    SeenMenus().push_back({bar, item, panel});
}

class Env : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_EQ(InitUserInterface(0, nullptr), 0);
        ui_testing::FailOnToolkitMisuse();
    }
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Env);

} // namespace

std::vector<SeenEvent>& Seen() {
    static std::vector<SeenEvent> v;
    return v;
}
std::vector<SeenMenu>& SeenMenus() {
    static std::vector<SeenMenu> v;
    return v;
}
int& TimerTicks() {
    static int n = 0;
    return n;
}
int& TimerDepth() {
    static int n = 0;
    return n;
}
int& TimerMaxDepth() {
    static int n = 0;
    return n;
}

int CountOf(int control, int event) {
    int n = 0;
    for (const auto& e : Seen())
        if (e.control == control && e.event == event)
            ++n;
    return n;
}

const char* TestUi() {
    return UI_TEST_DATA_DIR "/ui_test.ui";
}

void RegisterTestCallbacks() {
    RegisterCtrlCallback("CountingCb", CountingCb);
    RegisterCtrlCallback("MainPanelCb", MainPanelCb);
    RegisterCtrlCallback("GraphCb", GraphCb);
    RegisterCtrlCallback("TimerCb", TimerCb);
    RegisterMenuCallback("MenuCb", MenuCb);
}

void UiTest::SetUp() {
    RegisterTestCallbacks();
    popup_script::Enable(true);
    popup_script::Clear();
    Seen().clear();
    SeenMenus().clear();
    main_ = LoadPanel(0, TestUi(), MAIN);
    ASSERT_GT(main_, 0) << GetUiErrorText();
}

void UiTest::TearDown() {
    if (main_ > 0)
        DiscardPanel(main_);
    while (TimerCallbacksSuspended())
        ResumeTimerCallbacks();
    ProcessSystemEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    popup_script::Clear();
}
