// The settings file as the program uses it: kept across a restart and a quit
// by signal, every setting mapped both ways, failures reported.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>

#include "export/config_file.h"
#include "export/protocol.h"
#include "files/config.h"
#include "orvalin_Protocol_ui.h"
#include "support_testing/odd_files.h"
#include "support_testing/scoped_cwd.h"
#include "test_startup_support.h"

using startup_test::StartupTest;

namespace {

namespace fs = std::filesystem;

class Settings : public StartupTest {
  protected:
    // One whole run of the program; `during` runs once the event loop is up
    // and must end it.
    void Run(std::vector<std::string> args, const std::function<void()>& during) {
        startup_test::Argv argv(std::move(args));
        ASSERT_EQ(startup_test::RunProgram(argv, during), 0);
        // As a new process would find it.
        orvalin_DiscardPanels();
        link_ResetSharedState();
        zsim_Reset();
        usStopFlag = 0;
        fTint = 0.0f;
    }

    ConfigValues Stored() {
        ConfigValues v;
        EXPECT_EQ(config_ReadFile(dir_ + "/ZOLT/Orvalin/config.ini", &v), 0);
        return v;
    }
};

double Shown(int control) {
    double v = -1.0;
    GetCtrlVal(hMainPanel, control, &v);
    return v;
}

} // namespace

// Changed, quit, started again (offline, where the control shows the stored
// value too): still there.
TEST_F(Settings, IntegrationTimeSurvivesARestart) {
    Run({"orvalin"}, [] {
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 250.0);
        FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
    });
    for (const char* mode : {"", "OFFLINE"}) {
        double shown = -1.0;
        Run({"orvalin", mode}, [&] {
            shown = Shown(MAINP_INTTIME);
            FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
        });
        EXPECT_EQ(shown, 250.0) << mode;
        EXPECT_EQ(Stored().integrationTime, 250.0f) << mode;
    }
}

// A closed terminal (SIGHUP), a log-out (SIGTERM) or Ctrl+C (SIGINT) quits as
// the menu does.
TEST_F(Settings, QuitSignalsKeepTheSettings) {
    // A run under nohup would keep ignoring the hang-up, as the program should.
    std::signal(SIGHUP, SIG_DFL);
    for (int sig : {SIGHUP, SIGTERM, SIGINT}) {
        const double tint = 100.0 + sig;
        Run({"orvalin"}, [&] {
            SetCtrlVal(hMainPanel, MAINP_INTTIME, tint);
            std::raise(sig);
        });
        EXPECT_EQ(Stored().integrationTime, static_cast<float>(tint)) << sig;
        EXPECT_FALSE(fileio_Log_IsOpen()) << sig;
    }
}

// Every setting goes to its own key and comes back into its own variable.
TEST_F(Settings, EveryVariableRoundTrips) {
    int* const ints[] = {&iClrDisplay,   &iInterplMode, &iPxlWlMode,     &iTempComp,
                         &iStartWaveLen, &iEndWaveLen,  &iCheckBoxAdapt, &iCheckBoxDarkRef,
                         &iCkdFwhm,      &iCkdMaxWave,  &iCkdMinWave,    &iCkdCogVal,
                         &iCkdDomWave};
    char(*const folders[])[260] = {&cLastCsvPath, &cLastValPath, &cLastDatPath, &cLastParPath};
    auto Fill = [&](int base) {
        for (int* v : ints)
            *v = base++;
        for (auto* f : folders)
            std::snprintf(*f, sizeof *f, "/data/%d/", base++);
        for (int i = 0; i < 12; ++i)
            dUserBounds[i] = base++ + 0.125;
        for (int i = kPrtHeaderField + 1; i < kPrtHeaderField + kPrtHeaderCount; ++i)
            std::snprintf(cPrtBuf[i], sizeof cPrtBuf[i], "head %d", base++);
        fTint = static_cast<float>(base++) + 0.5f;
        stParam.connectionType = static_cast<uint8_t>(base++);
        stParam.comPort = static_cast<uint16_t>(base++);
        stParam.baudrate = base++;
        std::snprintf(stParam.ipAddress, sizeof stParam.ipAddress, "10.0.0.%d", base++ % 250);
        std::snprintf(stParam.usbSerial, sizeof stParam.usbSerial, "FT%d", base++ % 100000);
        stParam.btAddress = 0xF000000000000000ull + static_cast<uint64_t>(base++);
        iCbSelect = 8;
    };
    auto Snapshot = [&] {
        std::vector<std::string> s;
        for (int* v : ints)
            s.push_back(std::to_string(*v));
        for (auto* f : folders)
            s.push_back(*f);
        for (double b : dUserBounds)
            s.push_back(std::to_string(b));
        for (int i = kPrtHeaderField + 1; i < kPrtHeaderField + kPrtHeaderCount; ++i)
            s.push_back(cPrtBuf[i]);
        s.push_back(std::to_string(fTint));
        s.push_back(std::to_string(stParam.connectionType) + " " + std::to_string(stParam.comPort) +
                    " " + std::to_string(stParam.baudrate) + " " + stParam.ipAddress + " " +
                    stParam.usbSerial + " " + std::to_string(stParam.btAddress));
        return s;
    };
    Fill(2);
    const auto written = Snapshot();
    ASSERT_EQ(fileio_WriteIniFile(), 0);
    Fill(500);
    ASSERT_EQ(fileio_ReadIniFile(), 0);
    EXPECT_EQ(Snapshot(), written);
    EXPECT_EQ(iCbSelect, 0);
}

// The clear-spectra choice read at start-up shows on its two menu items.
TEST_F(Settings, InitMarksTheClearSpectraChoice) {
    for (int clear : {0, 1}) {
        iClrDisplay = clear;
        ASSERT_EQ(fileio_WriteIniFile(), 0);
        orvalin_DiscardPanels();
        ASSERT_EQ(orvalin_LoadPanels(), 0);
        iClrDisplay = 1 - clear;
        Init();
        fileio_Log_End();
        int always = -1, never = -1;
        GetMenuBarAttribute(hMenuBar, MENUBAR_Always, ATTR_CHECKED, &always);
        GetMenuBarAttribute(hMenuBar, MENUBAR_Never, ATTR_CHECKED, &never);
        EXPECT_EQ(iClrDisplay, clear);
        EXPECT_EQ(always, clear);
        EXPECT_EQ(never, 1 - clear);
    }
}

// A folder that cannot be made is reported once; reader and writer then
// both use the working directory.
TEST_F(Settings, UnmakeableFolderFallsBackToTheWorkingDirectory) {
    std::ofstream(dir_ + "/ZOLT") << "a file where the folder should be";
    support_testing::ScopedCwd cwd(dir_);
    fTint = 33.0f;
    const int written = fileio_WriteIniFile();
    fTint = 1.0f;
    const int read = fileio_ReadIniFile();
    EXPECT_EQ(written, 0);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(fTint, 33.0f);
    EXPECT_TRUE(fs::exists(dir_ + "/config.ini"));
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Directory Error");
    EXPECT_EQ(popup_script::Record()[0].text, "Error creating Directory: " + dir_ + "/ZOLT/");
}

// A file that cannot be written is reported, and what was there stays.
TEST_F(Settings, WriteFailureIsReported) {
    const std::string target = dir_ + "/ZOLT/Orvalin/config.ini";
    fs::create_directories(target);
    std::ofstream(target + "/kept") << "x";
    EXPECT_EQ(fileio_WriteIniFile(), -1);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Settings not saved");
    EXPECT_EQ(popup_script::Record()[0].text.rfind("The settings could not be saved.\n", 0), 0u);
    EXPECT_TRUE(fs::exists(target + "/kept"));
}

// A named pipe in place of config.ini: the program starts on its defaults, and
// quitting says the settings were not saved rather than replacing the pipe.
TEST_F(Settings, ANamedPipeAsTheSettingsFileNeitherBlocksNorIsReplaced) {
    const std::string ini = dir_ + "/ZOLT/Orvalin/config.ini";
    fs::create_directories(dir_ + "/ZOLT/Orvalin");
    ASSERT_TRUE(support_testing::MakeFifo(ini));
    double shown = -1.0;
    {
        support_testing::HangGuard guard(30);
        Run({"orvalin", "OFFLINE"}, [&] {
            shown = Shown(MAINP_INTTIME);
            FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
        });
    }
    EXPECT_EQ(shown, 19999.0);
    EXPECT_TRUE(fs::is_fifo(ini));
    ASSERT_FALSE(popup_script::Record().empty());
    EXPECT_EQ(popup_script::Record().back().title, "Settings not saved");
    EXPECT_NE(popup_script::Record().back().text.find("not a regular file"), std::string::npos);
}

// config.ini kept elsewhere and linked into place stays a link, and the file
// it names holds the settings of the run.
TEST_F(Settings, ALinkedSettingsFileStaysALink) {
    fs::create_directories(dir_ + "/ZOLT/Orvalin");
    fs::create_directories(dir_ + "/dotfiles");
    std::ofstream(dir_ + "/dotfiles/config.ini") << "[Software]\n";
    fs::create_symlink("../../dotfiles/config.ini", dir_ + "/ZOLT/Orvalin/config.ini");
    Run({"orvalin", "OFFLINE"}, [] {
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 125.0);
        FILE_quit(hMenuBar, MENUBAR_FILE_Quit, nullptr, hMainPanel);
    });
    EXPECT_TRUE(fs::is_symlink(dir_ + "/ZOLT/Orvalin/config.ini"));
    EXPECT_EQ(Stored().integrationTime, 125.0f);
    ConfigValues linked;
    ASSERT_EQ(config_ReadFile(dir_ + "/dotfiles/config.ini", &linked), 0);
    EXPECT_EQ(linked.integrationTime, 125.0f);
}
