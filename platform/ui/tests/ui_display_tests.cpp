// Keys from a real display server while the program alternates draw-only and
// full event passes, as a measurement's polls do.  The parent test starts
// this same program on a virtual display (xvfb-run), where the child presses
// real keys with xdotool; it is skipped where either tool is missing.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <chrono>

#include "ui_test_support.h"

namespace {

constexpr const char* kChild = "UiTest.KeysFromTheDisplayReachThePanelBetweenDrawPasses";

bool PanelSawEsc() {
    for (const SeenEvent& e : Seen())
        if (e.control == 0 && e.event == EVENT_KEYPRESS && e.d1 == VAL_ESC_VKEY)
            return true;
    return false;
}

} // namespace

// Every key reaches the panel at the next full pass, not only when the
// display happens to send its next event.
TEST_F(UiTest, KeysFromTheDisplayReachThePanelBetweenDrawPasses) {
    if (QGuiApplication::platformName() != "xcb")
        GTEST_SKIP() << "runs on a display, started by UiOnDisplay";
    DisplayPanel(main_);
    QWindow* window = UiPanelWidget(main_)->windowHandle();
    window->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (int press = 1; press <= 5; ++press) {
        Seen().clear();
        QProcess key;
        key.start("xdotool", {"key", "Escape"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!PanelSawEsc() && std::chrono::steady_clock::now() < deadline) {
            for (int draw = 0; draw < 8; ++draw)
                ProcessDrawEvents();
            ProcessSystemEvents();
        }
        key.waitForFinished(10000); // false when the loop already saw it end
        EXPECT_EQ(key.exitCode(), 0) << "press " << press;
        EXPECT_TRUE(PanelSawEsc()) << "press " << press;
    }
}

TEST(UiOnDisplay, KeysReachThePanelBetweenDrawPasses) {
    if (QStandardPaths::findExecutable("xvfb-run").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty())
        GTEST_SKIP() << "xvfb-run or xdotool is not installed";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("xvfb-run",
                {"-a", "-s", "-screen 0 640x480x24", QCoreApplication::applicationFilePath(),
                 QString("--gtest_filter=") + kChild});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
    EXPECT_FALSE(out.contains("SKIPPED")) << out.toStdString();
}
