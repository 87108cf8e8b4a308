// A quit signal ends the program whatever box is open: the program starts as
// main starts it, its real start-up box comes up, then SIGTERM.
#include <QMessageBox>
#include <csignal>

#include "support_testing/scoped_cwd.h"
#include "test_startup_support.h"
#include "ui_testing/dialogs.h"

using startup_test::StartupTest;
namespace fs = std::filesystem;

TEST_F(StartupTest, QuitSignalEndsTheProgramWhileAStartUpBoxIsOpen) {
    struct Case {
        std::vector<std::string> args;
        bool unreadableList; // a folder where the sensor list should be
        const char* box;
    } cases[] = {
        {{"orvalin"}, true, "Could not read sensor list!"},
        {{"orvalin", "COM"},
         false,
         "COM-port number as the 2nd command line argument missing.\nDo you wish to search "
         "automatically?"},
    };
    support_testing::ScopedCwd cwd(dir_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        if (c.unreadableList)
            fs::create_directory("SPECSENs.ini");
        startup_test::Argv a(c.args);
        int result = -1;
        QString shown;
        popup_script::Enable(false);
        const auto signalTheBox = [&](QWidget* w) {
            if (!shown.isEmpty())
                return; // a later box: the quit must end it by itself
            auto* box = qobject_cast<QMessageBox*>(w);
            shown = box != nullptr ? box->text() : w->windowTitle();
            std::raise(SIGTERM);
        };
        EXPECT_TRUE(ui_testing::Answering([&] { result = startup_test::RunProgram(a, nullptr); },
                                          signalTheBox))
            << "a box stayed open";
        popup_script::Enable(true);
        EXPECT_EQ(shown.toStdString(), c.box);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(fs::exists(fs::path(dir_) / "ZOLT" / "Orvalin" / "config.ini"));
        TearDown(); // as a new process would find it
        SetUp();
        fs::current_path(dir_);
    }
}
