// A quit signal ends the real program whatever box is open: the program is
// started as a user starts it, its start-up box comes up, then SIGTERM.
#include <QProcess>
#include <QTest>

#include "test_startup_support.h"

using startup_test::StartupTest;
namespace fs = std::filesystem;

TEST_F(StartupTest, QuitSignalEndsTheProgramWhileAStartUpBoxIsOpen) {
    struct Case {
        QStringList args;
        const char* logBeforeBox;
    } cases[] = {
        // "Could not read sensor list!": none in the working folder.
        {{}, "ZOLT_SetCallbackFunction"},
        // "COM-port number as the 2nd command line argument missing. ..."
        {{"COM"}, "comm_InitConnect, main_DevicesSearch()"},
    };
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* bin = std::getenv("ORVALIN_BINARY_DIR");
    const fs::path home = fs::path(dir_) / "ZOLT" / "Orvalin";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logBeforeBox);
        fs::remove_all(home);
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        // The user's environment, without the path to a locale an earlier
        // test made for itself (the program's own run would not have it).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LOCPATH");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QString::fromStdString(dir_));
        program.start(QString::fromStdString(fs::absolute(bin ? bin : ".") / "bin/orvalin"),
                      c.args);
        ASSERT_TRUE(program.waitForStarted());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return startup_test::ReadFile(home / "orvalin_session.log").find(c.logBeforeBox) !=
                       std::string::npos;
            },
            60000));
        QTest::qWait(500);
        program.terminate();                         // SIGTERM
        EXPECT_TRUE(program.waitForFinished(10000)); // else killed as `program` goes
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(fs::exists(home / "config.ini"));
    }
}
