// The parameter-block page against the simulated instrument: the block read,
// written to a .par file, read back and written into another instrument; the
// edit dialog of each field type; faults that must leave the block alone.
#include <cstring>

#include "par_test_support.h"
#include "support/numfmt.h"
#include "ui/ui_qt.h"
#include "ui_testing/dialogs.h"

using partest::ParWindowTest;

namespace {

class ParBlockPageTest : public ParWindowTest {
  protected:
    // Replaces the registry's instrument by d and opens it.
    void Reopen(const ZSimDevice& d) {
        if (dwCurrentDevice != 0)
            ZOLT_CloseDevice(dwCurrentDevice);
        zsim_ClearDevices();
        ASSERT_GE(zsim_AddDevice(&d), 0);
        ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
        device = d;
        stParam.deviceType = d.deviceType;
        zsim_ClearJournal();
    }
    static int Lines() {
        int n = -1;
        GetNumListItems(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, &n);
        return n;
    }
    static std::string Label() {
        std::string s;
        GetCtrlAttribute(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, ATTR_LABEL_TEXT, &s);
        return s;
    }
    static int RowOf(const std::string& label) {
        for (std::size_t i = 0; i < ParBlockList.size(); ++i)
            if (ParBlockList[i].label == label)
                return static_cast<int>(i);
        return -1;
    }
    static int LineOf(int row) {
        for (int i = 0; i < Lines(); ++i) {
            int v = -1;
            GetValueFromIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, i, &v);
            if (v == row)
                return i;
        }
        return -1;
    }
    static std::string LineText(int line) {
        std::string s;
        GetLabelFromIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, line, &s);
        return s;
    }
    static std::string BlockBytes() {
        return std::string(reinterpret_cast<const char*>(bParBlock.data()), bParBlock.size());
    }
    static int Press(int control) {
        return CallCtrlCallback(hTabBlock, control, EVENT_COMMIT, 0, 0);
    }
    static bool Journal(const char* fn) {
        for (size_t i = 0; i < zsim_JournalCount(); ++i)
            if (std::string(zsim_JournalEntry(i)).starts_with(fn))
                return true;
        return false;
    }
};

// The buttons and the real chooser as the user meets them: a new .par file
// is made and read back; an existing one is replaced only after a yes.
TEST_F(ParBlockPageTest, NewParFileMadeAndReadBackThroughTheChooser) {
    Open(0);
    ReadAll();
    const std::string saved = BlockBytes();
    DisplayPanel(hParUtil);
    popup_script::Enable(false);
    const auto click = [](int control, std::vector<std::function<void(QFileDialog&)>> steps,
                          QMessageBox::StandardButton reply = QMessageBox::No) {
        std::size_t next = 0;
        EXPECT_TRUE(ui_testing::Answering(
            [control] { QTest::mouseClick(UiCtrlWidget(hTabBlock, control), Qt::LeftButton); },
            [&](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w))
                    return ui_testing::Click(*box, reply);
                auto* d = qobject_cast<QFileDialog*>(w);
                ASSERT_NE(d, nullptr);
                if (next < steps.size())
                    steps[next++](*d);
                else
                    d->reject();
            }));
    };
    ui_testing::Chooser seen;
    click(TAB_BLOCK_CMD_SAVE_PAR, {[&](QFileDialog& d) {
              seen = ui_testing::Settings(d);
              ui_testing::TypeAndAccept(d, "made"); // the filter adds .par
          }});
    EXPECT_TRUE(seen.save && seen.asksBeforeReplacing);
    EXPECT_EQ(seen.folder.toStdString(), dir_);
    EXPECT_EQ(seen.filter, "*.par");
    const std::string made = dir_ + "/made.par";
    EXPECT_TRUE(FileBytes(made) == saved);

    bParBlock.fill(0);
    bool tookMissing = true;
    click(TAB_BLOCK_CMD_READ_PAR, {[&](QFileDialog& d) {
              seen = ui_testing::Settings(d);
              tookMissing = ui_testing::Type(d, "missing.par");
              ui_testing::TypeAndAccept(d, "made.par");
          }});
    EXPECT_TRUE(seen.existing && !seen.save);
    EXPECT_FALSE(tookMissing);
    EXPECT_TRUE(BlockBytes() == saved);
    EXPECT_EQ(Label(), "Parameter block from file made.par");

    // Over the file: the first question is answered no (kept), then yes.
    bParBlock[0] ^= 0xFF;
    const auto over = [](QFileDialog& d) { ui_testing::TypeAndAccept(d, "made"); };
    click(TAB_BLOCK_CMD_SAVE_PAR, {over, [](QFileDialog& d) { d.reject(); }});
    EXPECT_TRUE(FileBytes(made) == saved);
    click(TAB_BLOCK_CMD_SAVE_PAR, {over}, QMessageBox::Yes);
    EXPECT_TRUE(FileBytes(made) == BlockBytes());
    popup_script::Enable(true);
}

TEST_F(ParBlockPageTest, DeviceToParFileToAnotherDevice) {
    Open(0);
    ReadAll();
    EXPECT_EQ(Label(), "Parameter block read from device");
    ASSERT_EQ(Lines(), 350);
    const int pixels = RowOf("Pixels: ");
    EXPECT_EQ(LineText(LineOf(pixels)),
              support::FormatC("0072  Pixels: %f", static_cast<double>(device.pixelCount)));
    const ZSimDevice first = device;

    const std::string par = dir_ + "/first.par";
    popup_script::PushFile(par, VAL_NEW_FILE_SELECTED);
    Press(TAB_BLOCK_CMD_SAVE_PAR);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    const auto& dialog = popup_script::Record()[0];
    EXPECT_EQ(dialog.title + "|" + dialog.text + "|" + dialog.defaultName,
              "Save As...|*.par|*.par");
    EXPECT_EQ(dialog.directory, dir_);
    const std::string saved = BlockBytes();
    EXPECT_EQ(FileBytes(par), saved);

    // Another instrument with another fit and integration time.
    ZSimDevice other = first;
    other.deviceType = 1;
    other.fit[0] = 300.0f;
    other.fit[1] = 0.25f;
    other.tintMs = 77.0f;
    std::snprintf(other.serial, sizeof other.serial, "ZS30001");
    Reopen(other);
    ReadAll();
    ASSERT_NE(BlockBytes(), saved);

    std::snprintf(cLastParPath, sizeof cLastParPath, "/nonexistent");
    popup_script::PushFile(par, VAL_EXISTING_FILE_SELECTED);
    Press(TAB_BLOCK_CMD_READ_PAR);
    EXPECT_EQ(popup_script::Record()[0].title, "Select parameter file...");
    EXPECT_EQ(std::string(cLastParPath), dir_); // the chosen file's folder
    EXPECT_EQ(BlockBytes(), saved);
    EXPECT_EQ(Label(), "Parameter block from file first.par");

    popup_script::Clear();
    popup_script::PushPrompt("6043");
    popup_script::PushConfirm(true);
    EXPECT_EQ(Press(TAB_BLOCK_CMD_PAR_SAVETODEVICE), 0);
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{
                  "Password|", "Do you really want to overwrite the parameter block in the "
                               "device?|Really really sure?"}));
    EXPECT_TRUE(Journal("ZOLT_Reset"));
    float fit[5] = {}, tint = 0;
    ASSERT_EQ(ZOLT_GetFit(dwCurrentDevice, fit), 0);
    ASSERT_EQ(ZOLT_GetTint(dwCurrentDevice, &tint), 0);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(fit[k], first.fit[k]) << k;
    EXPECT_EQ(tint, first.tintMs);
    // Read back: the window, the block and the workspace's basic parameters.
    EXPECT_EQ(BlockBytes(), saved);
    EXPECT_FLOAT_EQ(Number(Row("UT_TINT")), first.tintMs);
    EXPECT_NE(Log().find("CVICALLBACK ParBlock_SaveToDevice, main_GetBasicParam()"),
              std::string::npos);
}

TEST_F(ParBlockPageTest, EditDialogOfEachType) {
    Open(0);
    ReadAll();
    const struct {
        const char* label;
        const char* input; // nullptr: cancelled
        const char* typeText;
        const char* shown; // value after the edit; nullptr: refused, block unchanged
    } cases[] = {
        {"Firmware version: ", "Sim", "String 64 characters", "Sim"},
        {"Integration time: ", "12.5", "Float number", "12.500000"},
        {"Ch1. Fit3: ", "1.25e-9", "Float number", "1.25e-09"},
        {"Calib. mode rad: ", "200", "Unsigned char [0 to 255]", "200"},
        {"Calib. mode irrad: ", "300", "Unsigned char [0 to 255]", nullptr},
        {"sc30 row width: ", "abc", "Unsigned short [0 to 65,535]", nullptr},
        {"Wav beg: ", "-5", "Short [-32,768 to 32,767]", "-5"},
        {"Conf flag: ", "0xA5", "4 bytes as hex",
         "0xA5 (0000 0000 0000 0000 0000 0000 1010 0101 )"},
        {"Check-configuration: ", "0x", "4 bytes as hex", nullptr},
        {"pontime: ", "-1", "Unsigned long [0 to 4,294,967,295]", nullptr},
        {"umintim: ", "4294967295", "Unsigned long [0 to 4,294,967,295]", "4294967295"},
        {"Res134: ", nullptr, "Unsigned short [0 to 65,535]", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const int row = RowOf(c.label);
        const int line = LineOf(row);
        ASSERT_GE(line, 0);
        const std::string before = BlockBytes(), oldLine = LineText(line);
        const std::string oldValue = oldLine.substr(6 + std::strlen(c.label));
        popup_script::Clear();
        if (c.input != nullptr)
            popup_script::PushPrompt(c.input);
        SetCtrlIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, line);
        EXPECT_EQ(
            CallCtrlCallback(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, EVENT_LEFT_DOUBLE_CLICK, 0, 0), 1);
        ASSERT_FALSE(popup_script::Record().empty());
        EXPECT_EQ(popup_script::Record()[0].title, c.label);
        EXPECT_EQ(popup_script::Record()[0].text,
                  std::string(c.typeText) + "\nCurrent value: " + oldValue);
        if (c.shown == nullptr) {
            EXPECT_EQ(BlockBytes(), before);
            EXPECT_EQ(LineText(line), oldLine);
            EXPECT_EQ(popup_script::Record().size(), c.input != nullptr ? 2u : 1u);
            continue;
        }
        EXPECT_EQ(LineText(line),
                  support::FormatC("%04d  %s%s", ParBlockList[row].offset, c.label, c.shown));
        int selected = -1;
        GetCtrlIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, &selected);
        EXPECT_EQ(selected, line);
    }
    // The shorter text cleared the rest of its field.
    for (int i = 3; i < 64; ++i)
        EXPECT_EQ(bParBlock[static_cast<std::size_t>(i)], 0) << i;
    // Separators open nothing.
    popup_script::Clear();
    SetCtrlIndex(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, LineOf(RowOf("Device ID: ")) + 6);
    EXPECT_EQ(CallCtrlCallback(hTabBlock, TAB_BLOCK_UT_PAR_BLOCK, EVENT_LEFT_DOUBLE_CLICK, 0, 0),
              0);
    EXPECT_TRUE(popup_script::Record().empty());
}

TEST_F(ParBlockPageTest, FaultsLeaveTheBlockAlone) {
    Open(0);
    ReadAll();
    const std::string held = BlockBytes(), label = Label();
    const auto write = [&](const std::string& name, std::size_t bytes) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << std::string(bytes, '\x5A');
        return dir_ + "/" + name;
    };
    const std::string files[] = {write("short.par", 1000), write("long.par", 1025),
                                 write("empty.par", 0), dir_ + "/missing.par", dir_};
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        popup_script::Clear();
        popup_script::PushFile(f, VAL_EXISTING_FILE_SELECTED);
        Press(TAB_BLOCK_CMD_READ_PAR);
        EXPECT_EQ(Shown().back(), "Failure|Error reading from .par file");
        EXPECT_EQ(BlockBytes(), held);
        EXPECT_EQ(Label(), label);
    }

    popup_script::Clear();
    popup_script::PushFile(dir_ + "/no/such/folder.par", VAL_NEW_FILE_SELECTED);
    Press(TAB_BLOCK_CMD_SAVE_PAR);
    EXPECT_EQ(Shown().back(), "Failure|Error writing to .par file");

    // A failed device read: told, and the block stays.
    popup_script::Clear();
    zsim_FailCall("ZOLT_GetParamBlock", 1, ZOLT_E_TIME);
    bParBlock[500] ^= 0xFF;
    const std::string edited = BlockBytes();
    PU_GetParBlockFromDevice();
    EXPECT_EQ(Shown().size(), 1u);
    EXPECT_EQ(BlockBytes(), edited);
    zsim_ClearFaults();

    // Writing: wrong password, a "No", a refused write: nothing reset or re-read.
    const struct {
        const char* password;
        bool yes;
        int fail;
        std::size_t popups;
    } saves[] = {{"6042", true, 0, 2}, {"6043", false, 0, 2}, {"6043", true, ZOLT_E_BUSY, 3}};
    for (const auto& s : saves) {
        SCOPED_TRACE(s.popups);
        popup_script::Clear();
        zsim_ClearJournal();
        popup_script::PushPrompt(s.password);
        popup_script::PushConfirm(s.yes);
        if (s.fail != 0)
            zsim_FailCall("ZOLT_SetParamBlock", 1, s.fail);
        EXPECT_EQ(Press(TAB_BLOCK_CMD_PAR_SAVETODEVICE), 1);
        EXPECT_EQ(Shown().size(), s.popups);
        EXPECT_EQ(Journal("ZOLT_SetParamBlock"), s.fail != 0);
        EXPECT_FALSE(Journal("ZOLT_Reset"));
        EXPECT_EQ(BlockBytes(), edited);
        zsim_ClearFaults();
    }
}

TEST_F(ParBlockPageTest, Type3HasNoBlock) {
    Open(0);
    ReadAll();
    ASSERT_EQ(Lines(), 350);
    ZSimDevice d = device;
    d.deviceType = 3;
    Reopen(d);
    ReadAll();
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(Label(), "Parameter block");
    EXPECT_EQ(BlockBytes(), std::string(1024, '\0'));
    zsim_ClearJournal();
    EXPECT_EQ(Press(TAB_BLOCK_CMD_PAR_SAVETODEVICE), 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{});
    EXPECT_EQ(zsim_JournalCount(), 0u);
}

} // namespace
