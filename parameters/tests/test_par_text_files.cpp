// The parameter text against the simulated instrument: written to a file,
// edited and replayed; copied to the clipboard.
#include "par_test_support.h"
#include "support_testing/comma_locale.h"

using partest::ParWindowTest;

namespace {

std::string CurrentText(parameters::NumberStyle style = parameters::NumberStyle::Machine) {
    std::string s;
    PU_AllParameter_to_Text(s, style);
    return s;
}

int Press(int control) {
    return CallCtrlCallback(hParUtil, control, EVENT_COMMIT, 0, 0);
}

TEST_F(ParWindowTest, TextFileWrittenWithASafeName) {
    Open(0);
    ReadAll();
    const struct {
        const char* serial;
        const char* name;
    } names[] = {{"ZS20000", "ZS20000.txt"}, {"", "parameters.txt"}, {"a/b", "a_b.txt"}};
    for (const auto& n : names) {
        SCOPED_TRACE(n.serial);
        std::snprintf(cSerial1, sizeof cSerial1, "%s", n.serial);
        popup_script::Clear();
        const std::string path = dir_ + "/" + n.name;
        popup_script::PushFile(path, VAL_NEW_FILE_SELECTED);
        Press(PARUTILITY_CMDSAVE);
        ASSERT_EQ(popup_script::Record().size(), 1u);
        const auto& d = popup_script::Record()[0];
        EXPECT_EQ(d.title + "|" + d.text, "Save As...|Parameters as Text (*.txt);All Files (*.*);");
        EXPECT_EQ(d.defaultName, n.name);
        EXPECT_EQ(d.directory, dir_);
        EXPECT_EQ(FileBytes(path), CurrentText());
    }
    EXPECT_NE(FileBytes(dir_ + "/parameters.txt").find("*PARA:TINT "), std::string::npos);
    EXPECT_NE(Log().find("CVICALLBACK SaveParToDisk, FileSelectPopupEx"), std::string::npos);

    // A file that cannot be written, a dialog that failed, a cancel.
    const struct {
        int status;
        std::vector<std::string> shown;
    } faults[] = {
        {VAL_NEW_FILE_SELECTED, {"Save As...|", "Failure|Error writing the parameter text file"}},
        {-1, {"Save As...|", "Orvalin|Error!"}},
        {VAL_NO_FILE_SELECTED, {"Save As...|"}},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.status);
        popup_script::Clear();
        popup_script::PushFile(dir_ + "/no/such/folder.txt", f.status);
        Press(PARUTILITY_CMDSAVE);
        std::vector<std::string> shown;
        for (const auto& s : popup_script::Record())
            shown.push_back(s.title + "|" + s.text.substr(0, s.text.find('\n')));
        shown[0] = shown[0].substr(0, shown[0].find('|') + 1);
        EXPECT_EQ(shown, f.shown);
        // The chooser's answer is logged; only its failure as an error.
        const std::string log = Log();
        const std::size_t at = log.rfind("SaveParToDisk, FileSelectPopupEx");
        const std::string line = log.substr(at, log.find('\n', at) - at);
        EXPECT_NE(line.find("returned code: " + std::to_string(f.status)), std::string::npos);
        EXPECT_EQ(line.find("**ERROR") != std::string::npos, f.status < 0) << line;
    }
}

TEST_F(ParWindowTest, EditedTextFileIsReplayed) {
    Open(0);
    char reply[ZOLT_REPLY_MAX + 1] = {};
    ASSERT_EQ(ZOLT_ArbitraryCommand(dwCurrentDevice, "*PARA:SDEL 20\r", reply), 0);
    ReadAll();
    const std::string current = CurrentText();
    ASSERT_NE(current.find("*PARA:SDEL 20\n"), std::string::npos);

    // The file as written, then edited by hand.
    std::string text = current;
    const std::size_t tint = text.find("*PARA:TINT ");
    text.replace(tint, text.find('\n', tint) - tint, "*PARA:TINT 45");
    text += "*PARA:SDEL 2\n"     // a leading part of a current line
            "*para:save\n"       // not a parameter
            "*PARA:SPNUM 4242\n" // changes who the instrument is
            "*PARA:BOXCA 1 " +
            std::string(300, '7') +
            "\n" // longer than a command
            "**Firmware version X\n";
    const std::string path = dir_ + "/edited.txt";
    std::ofstream(path, std::ios::binary) << text;

    for (const bool identity : {false, true}) {
        SCOPED_TRACE(identity);
        const std::string tintLine = current.substr(tint, current.find('\n', tint) - tint);
        ASSERT_EQ(ZOLT_ArbitraryCommand(dwCurrentDevice, (tintLine + "\r").c_str(), reply), 0);
        ASSERT_EQ(ZOLT_ArbitraryCommand(dwCurrentDevice, "*PARA:SDEL 20\r", reply), 0);
        ReadAll();
        std::vector<int> held;
        readouts_SetPause([&](double) { held.push_back(TimerCallbacksSuspended()); });
        popup_script::Clear();
        zsim_ClearJournal();
        std::snprintf(cLastParPath, sizeof cLastParPath, "/");
        popup_script::PushFile(path, VAL_EXISTING_FILE_SELECTED);
        popup_script::PushConfirm(identity);
        Press(PARUTILITY_CMDSAVE_2);

        const std::string sent = Sent();
        EXPECT_NE(sent.find("*PARA:TINT 45\\r"), std::string::npos) << sent;
        EXPECT_NE(sent.find("*PARA:SDEL 2\\r"), std::string::npos);
        EXPECT_EQ(sent.find("*para:save"), std::string::npos);
        EXPECT_EQ(sent.find("*PARA:BOXCA 1"), std::string::npos);
        EXPECT_EQ(sent.find("*PARA:SPNUM 4242"),
                  identity ? sent.find("*PARA:SPNUM") : std::string::npos);
        EXPECT_EQ(sent.find("*PARA:FIT0 "), std::string::npos); // unchanged lines stay home
        EXPECT_EQ(std::string(cLastParPath), dir_);
        // Every command went with the status timer held.
        EXPECT_EQ(held.size(), identity ? 3u : 2u);
        for (int h : held)
            EXPECT_GT(h, 0);
        EXPECT_EQ(TimerCallbacksSuspended(), 0);

        const auto& shown = popup_script::Record();
        ASSERT_GE(shown.size(), 3u);
        EXPECT_EQ(shown[0].title, "Select file...");
        EXPECT_EQ(shown[1].kind, popup_script::Kind::Confirm);
        EXPECT_NE(shown[1].text.find("line "), std::string::npos);
        EXPECT_NE(shown[1].text.find("*PARA:SPNUM 4242"), std::string::npos);
        const std::string& refused = shown.back().text;
        EXPECT_NE(refused.find("*para:save"), std::string::npos) << refused;
        EXPECT_NE(refused.find("*PARA:BOXCA 1"), std::string::npos);
        EXPECT_EQ(refused.find("Firmware"), std::string::npos);

        // Read back, shown changed against the values before the replay.
        std::string title;
        GetPanelAttribute(hParUtil, ATTR_TITLE, &title);
        EXPECT_EQ(title, "Parameter Utility - " + path);
        EXPECT_EQ(Number(Row("UT_TINT")), 45.0);
        EXPECT_EQ(Number(Row("UT_SDEL")), 2.0);
        EXPECT_EQ(Attr(hTabScan, TAB_SCAN_UT_TINT, ATTR_TEXT_BGCOLOR), 0x0080FF);
    }
    readouts_SetPause([](double) {});

    // A file that cannot be read sends nothing.
    popup_script::Clear();
    zsim_ClearJournal();
    popup_script::PushFile(dir_, VAL_EXISTING_FILE_SELECTED);
    Press(PARUTILITY_CMDSAVE_2);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Shown().back().rfind("Failure|Error reading the parameter text file", 0), 0u);
}

TEST_F(ParWindowTest, ClipboardTextUsesTheUserDecimalSeparatorAndReplays) {
    Open(0);
    ReadAll();
    const std::string comma = support_testing::CommaLocale();
    for (const std::string& locale : {std::string("C"), comma}) {
        if (locale.empty())
            continue;
        SCOPED_TRACE(locale);
        support_testing::UserLocaleScope scope(locale);
        for (const bool key : {false, true}) {
            ClipboardPutText("");
            if (key)
                CallCtrlCallback(hParUtil, 0, EVENT_KEYPRESS, VAL_MENUKEY_MODIFIER | 'C', 0);
            else
                Press(PARUTILITY_CMD_PAR_TO_TEXT);
            std::string clip;
            ClipboardGetText(&clip);
            EXPECT_EQ(clip, CurrentText(parameters::NumberStyle::User));
            const std::string tint = clip.substr(clip.find("*PARA:TINT "), 20);
            EXPECT_NE(tint.find(locale == "C" ? '.' : ','), std::string::npos) << tint;
        }
        // Pasted into a file and loaded: the lines the user left alone stay
        // home, the one edited goes with the point.
        std::string clip;
        ClipboardGetText(&clip);
        const std::size_t at = clip.find("*PARA:TINT ");
        clip.replace(at, clip.find('\n', at) - at,
                     locale == "C" ? "*PARA:TINT 4.5" : "*PARA:TINT 4,5");
        const std::string path = dir_ + "/pasted.txt";
        std::ofstream(path, std::ios::binary) << clip;
        popup_script::Clear();
        zsim_ClearJournal();
        popup_script::PushFile(path, VAL_EXISTING_FILE_SELECTED);
        Press(PARUTILITY_CMDSAVE_2);
        const std::string sent = Sent();
        EXPECT_NE(sent.find("*PARA:TINT 4.5\\r"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("*PARA:FIT1 "), std::string::npos) << sent;
        EXPECT_EQ(Shown().size(), 1u); // the file chooser only
    }
    // The file always takes the point.
    EXPECT_EQ(CurrentText().find("*PARA:TINT 4,"), std::string::npos);
}

} // namespace
