// Saving and loading spectrum files through the FILE menu against the
// simulated instrument, popups scripted.
#include <QAbstractSpinBox>
#include <QImage>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

#include "export/spectrum_file.h"
#include "files/valfile.h"
#include "support_testing/odd_files.h"
#include "test_startup_support.h"
#include "ui/ui_qt.h"
#include "ui_testing/dialogs.h"
#include "user_input.h"
#include "workspace/display.h"

using startup_test::StartupTest;

namespace {

namespace fs = std::filesystem;

class SpectrumFile : public StartupTest {
  protected:
    void SetUp() override {
        StartupTest::SetUp();
        stSavedMeas = SavedMeasurement{};
        iFileOpen = 0;
        cLastValPath[0] = '\0';
        sArg1[0] = sArg2[0] = '\0';
    }

    // Connected (or offline) with a measured dark spectrum.
    void Measured(const char* mode = nullptr) {
        if (mode != nullptr)
            std::strcpy(sArg1, mode);
        StartUp();
        ASSERT_EQ(iOffline, mode != nullptr ? 1 : 0);
        if (iOffline)
            return;
        SetCtrlVal(hMainPanel, MAINP_INTTIME, 10.0);
        CallCtrlCallback(hMainPanel, MAINP_DARK, EVENT_COMMIT, 0, 0);
        ASSERT_EQ(iMess & 1, 1);
    }

    void Save(const std::string& path, const std::string& comment) {
        popup_script::PushFile(path, VAL_NEW_FILE_SELECTED);
        SaveFile(hMenuBar, MENUBAR_FILE_SAVE, nullptr, hMainPanel);
        SetCtrlText(hCommentPanel, COMMENT_COMM_TEXT, comment.c_str());
        CallCtrlCallback(hCommentPanel, COMMENT_COMMANDBUTTON, EVENT_COMMIT, 0, 0);
    }

    void Open(const std::string& path) {
        popup_script::PushFile(path, VAL_EXISTING_FILE_SELECTED);
        FileOpen(hMenuBar, MENUBAR_FILE_OPEN, nullptr, hMainPanel);
    }

    static std::unique_ptr<valfile::ValFileRecord> Read(const std::string& path) {
        auto r = std::make_unique<valfile::ValFileRecord>();
        std::string error;
        EXPECT_EQ(valfile::Load(path, r.get(), &error), 0) << error;
        return r;
    }

    static std::string Title(int panel) {
        std::string t;
        GetPanelAttribute(panel, ATTR_TITLE, &t);
        return t;
    }

    static int Menu(int item, int attr) {
        int v = -1;
        GetMenuBarAttribute(hMenuBar, item, attr, &v);
        return v;
    }

    static std::string Text(int panel, int control) {
        std::string s;
        GetCtrlVal(panel, control, &s);
        return s;
    }

    static const popup_script::Shown& LastShown() { return popup_script::Record().back(); }
};

} // namespace

TEST_F(SpectrumFile, SaveThenOpenShowsTheSavedSet) {
    Measured();
    const std::string path = dir_ + "/first.val";
    Save(dir_ + "/first", "ab\n\ncd");
    const auto& dialog = popup_script::Record().front();
    EXPECT_EQ(dialog.title, "Name of File to Save");
    EXPECT_EQ(dialog.defaultName, "*.val");
    EXPECT_EQ(std::string(cLastValPath), dir_ + "/");
    ASSERT_EQ(fs::file_size(path), valfile::kRecordSize);

    const auto file = Read(path);
    const int n = stParam.pixelCount;
    EXPECT_EQ(file->pixelCount, n);
    EXPECT_STREQ(file->comment, "abcd");
    EXPECT_EQ(file->measured, iMess);
    EXPECT_EQ(file->tint, 10.0f);
    EXPECT_STREQ(file->device, stParam.firmwareName);
    EXPECT_EQ(std::memcmp(file->dark, dDark, sizeof(double) * n), 0);
    EXPECT_EQ(std::memcmp(file->fit, stParam.fit, sizeof file->fit), 0);

    // Loading elsewhere does not move the folder of the next dialog.
    std::strcpy(cLastValPath, "/elsewhere/");
    stSavedMeas = SavedMeasurement{};
    Open(path);
    EXPECT_EQ(popup_script::Record()[1].title, "Name of File to Load");
    EXPECT_STREQ(cLastValPath, "/elsewhere/");
    EXPECT_EQ(iFileOpen, 1);
    EXPECT_EQ(Title(hMainPanel), "Orvalin  first.val");
    EXPECT_EQ(Title(hInfLoad), "File info :  first.val");
    EXPECT_EQ(Text(hInfLoad, FILELOAD_COMMENTS), "abcd");
    EXPECT_EQ(Text(hInfLoad, FILELOAD_DEVICE), stParam.firmwareName);
    EXPECT_EQ(std::memcmp(stSavedMeas.dark, dDark, sizeof(double) * n), 0);
    for (int i : {0, n / 2, n - 1})
        EXPECT_NEAR(dLambda2[i], dLambda[i], 1e-3 * std::fabs(dLambda[i])) << i;
    // A measured set is there: the compare view, both curves drawn.
    EXPECT_EQ(iCompare, 2);
    EXPECT_EQ(Menu(MENUBAR_COMPARE, ATTR_CHECKED), 1);
    EXPECT_EQ(Menu(MENUBAR_FILEINFO, ATTR_MENU_DIMMED), 0);
    EXPECT_GT(iNumberSave, 0);
    EXPECT_GT(iPlotHandle2, 0);
}

// The float's own digits, not the rounding of a fixed number of decimals.
TEST_F(SpectrumFile, FileInfoShowsEveryFitCoefficientWithItsDigits) {
    Measured();
    Save(dir_ + "/fit.val", "");
    Open(dir_ + "/fit.val");
    user_input::Choose(hMainPanel, "FILEINFO");
    const auto file = Read(dir_ + "/fit.val");
    const float* fit = file->fit;
    ASSERT_NE(fit[4], 0.0f) << "the instrument's polynomial has a fourth-order term";
    const int fields[] = {FILELOAD_FIT0, FILELOAD_FIT1, FILELOAD_FIT2, FILELOAD_FIT3,
                          FILELOAD_FIT4};
    for (int i = 0; i < 5; ++i) {
        const QString shown =
            qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hInfLoad, fields[i]))->text();
        bool ok = false;
        EXPECT_NEAR(shown.toDouble(&ok), fit[i], 1e-6 * std::fabs(fit[i])) << shown.toStdString();
        EXPECT_TRUE(ok) << i;
    }
}

// In the measured and the stored view the legend of the curve not drawn is
// dimmed: no pixel of it shows its curve's colour.
TEST_F(SpectrumFile, EachViewDimsTheLegendOfTheCurveNotDrawn) {
    Measured();
    CallCtrlCallback(hMainPanel, MAINP_REFERENCE, EVENT_COMMIT, 0, 0); // colours far from grey
    Save(dir_ + "/legend.val", "");
    Open(dir_ + "/legend.val");
    const auto showsItsColour = [](int legend) {
        int rgb = 0;
        GetCtrlAttribute(hMainPanel, legend, ATTR_TEXT_COLOR, &rgb);
        const QColor colour(QRgb(static_cast<unsigned>(rgb)));
        const QImage shown = UiCtrlWidget(hMainPanel, legend)->grab().toImage();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                        std::abs(c.blue() - colour.blue()) <
                    60)
                    return true;
            }
        return false;
    };
    const std::tuple<const char*, bool, bool> rows[] = {
        {"KESTRO", true, false}, {"FILE", false, true}, {"COMPARE", true, true}};
    for (const auto& [item, measured, stored] : rows) {
        user_input::Choose(hMainPanel, item);
        EXPECT_EQ(showsItsColour(MAINP_MEASURED), measured) << item;
        EXPECT_EQ(showsItsColour(MAINP_STORED), stored) << item;
    }
}

// A continuous-mode step while the comment is typed: the file holds the set
// as it is when the comment is confirmed, kinds and arrays together.
TEST_F(SpectrumFile, RecordIsTakenWhenTheCommentIsConfirmed) {
    Measured();
    popup_script::PushFile(dir_ + "/late.val", VAL_NEW_FILE_SELECTED);
    SaveFile(hMenuBar, MENUBAR_FILE_SAVE, nullptr, hMainPanel);
    int visible = 0;
    GetPanelAttribute(hCommentPanel, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 1);
    EXPECT_FALSE(fs::exists(dir_ + "/late.val"));
    SetCtrlVal(hMainPanel, MAINP_INTTIME, 20.0);
    CallCtrlCallback(hMainPanel, MAINP_DARK, EVENT_COMMIT, 0, 0);
    CallCtrlCallback(hCommentPanel, COMMENT_COMMANDBUTTON, EVENT_COMMIT, 0, 0);
    const auto file = Read(dir_ + "/late.val");
    EXPECT_EQ(file->tint, 20.0f);
    EXPECT_EQ(std::memcmp(file->dark, dDark, sizeof(double) * stParam.pixelCount), 0);
}

TEST_F(SpectrumFile, SavingRefusesWhatARecordCannotHold) {
    Measured();
    const int pixels = stParam.pixelCount;
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* says;
    } cases[] = {
        {"target not writable", [&] { fs::create_directory(dir_ + "/refused.val"); },
         "refused.val"},
        {"too many pixels", [] { stParam.pixelCount = valfile::kPoints + 1; },
         "a spectrum file holds at most 2049"},
        {"no spectra",
         [&] {
             stParam.pixelCount = pixels;
             link_FreeSpectra();
         },
         "There is no measured spectrum to save."},
    };
    for (const Case& c : cases) {
        c.arrange();
        popup_script::Clear();
        Save(dir_ + "/refused.val", "x");
        EXPECT_FALSE(fs::is_regular_file(dir_ + "/refused.val")) << c.name;
        EXPECT_EQ(LastShown().title, "File not saved") << c.name;
        EXPECT_NE(LastShown().text.find(c.says), std::string::npos) << LastShown().text;
    }
}

TEST_F(SpectrumFile, CancelledDialogsSaySoAndChangeNothing) {
    Measured();
    popup_script::Push({VAL_NO_FILE_SELECTED, ""});
    SaveFile(hMenuBar, MENUBAR_FILE_SAVE, nullptr, hMainPanel);
    EXPECT_EQ(LastShown().title, "No file");
    EXPECT_EQ(LastShown().text, "File not saved! No file selected.");
    // A name that does not exist is no file to load.
    popup_script::PushFile(dir_ + "/missing.val", VAL_NEW_FILE_SELECTED);
    FileOpen(hMenuBar, MENUBAR_FILE_OPEN, nullptr, hMainPanel);
    EXPECT_EQ(LastShown().text, "File not loaded! No file selected or file doesn't exist.");
    EXPECT_EQ(iFileOpen, 0);
    EXPECT_STREQ(cLastValPath, "");
    // File Info shows nothing without a loaded file.
    fileinfo(hMenuBar, MENUBAR_FILEINFO, nullptr, hMainPanel);
    int visible = 1;
    GetPanelAttribute(hInfLoad, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
}

// A new integration time clears the measured set: Save... then says there
// is nothing to save, asks for no name and writes nothing.
TEST_F(SpectrumFile, AClearedSetIsNotSaved) {
    Measured();
    auto* field = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(hMainPanel, MAINP_INTTIME));
    field->selectAll();
    QTest::keyClicks(field, "50");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(iMess, 0);
    popup_script::Clear();
    user_input::Choose(hMainPanel, "FILE_SAVE");
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(LastShown().text, "File not saved!\nThere is no measured spectrum to save.");
}

// A comment longer than the file keeps is said before saving: No goes back
// to the comment, Yes saves it cut.
TEST_F(SpectrumFile, ACommentTheFileCannotHoldWholeIsSaidBeforeSaving) {
    Measured();
    const std::string l39(39, 'a'), l50(50, 'b');
    const struct {
        std::string typed;
        bool asked;
        std::string saved;
    } cases[] = {
        {l39 + "\n" + l39 + "\n" + l39 + "\n" + l39, false, l39 + l39 + l39 + l39},
        {l50, true, l50.substr(0, 39)},
        {"1\n2\n3\n4\n5", true, "1234"},
    };
    QWidget* box = UiCtrlWidget(hCommentPanel, COMMENT_COMM_TEXT);
    QWidget* ok = UiCtrlWidget(hCommentPanel, COMMENT_COMMANDBUTTON);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string path = dir_ + "/comment.val";
        fs::remove(path);
        popup_script::Clear();
        popup_script::PushFile(path, VAL_NEW_FILE_SELECTED);
        SaveFile(hMenuBar, MENUBAR_FILE_SAVE, nullptr, hMainPanel);
        SetCtrlText(hCommentPanel, COMMENT_COMM_TEXT, "");
        const QStringList lines = QString::fromStdString(c.typed).split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, lines[i]);
        }
        for (bool yes : {false, true}) {
            popup_script::PushConfirm(yes);
            QTest::mouseClick(ok, Qt::LeftButton);
            if (!c.asked)
                break;
            EXPECT_EQ(fs::exists(path), yes) << "No keeps the comment open, unsaved";
        }
        EXPECT_EQ(popup_script::Pending(), c.asked ? 0u : 1u);
        popup_script::Clear();
        EXPECT_STREQ(Read(path)->comment, c.saved.c_str());
    }
}

// A bad file is refused whole: the loaded file, view, menus and arrays stay.
TEST_F(SpectrumFile, BadFilesAreRefusedWithTheStateUnchanged) {
    Measured();
    const std::string good = dir_ + "/good.val";
    Save(good, "kept");
    Open(good);
    const std::string bytes = startup_test::ReadFile(good);

    auto unterminated = bytes;
    std::memset(unterminated.data() + 98532, 'A', 164);
    auto tooManyPixels = bytes;
    const int32_t big = 5000;
    std::memcpy(tooManyPixels.data() + 136, &big, 4);
    auto falling = bytes;
    const float c1 = -0.5f;
    std::memcpy(falling.data() + 156, &c1, 4);
    const struct {
        const char* name;
        std::string content;
    } cases[] = {{"truncated", bytes.substr(0, 1000)},
                 {"oversize", bytes + "x"},
                 {"garbage", std::string(valfile::kRecordSize, '\xff')},
                 {"unterminated comment", unterminated},
                 {"pixel count", tooManyPixels},
                 {"wavelengths falling", falling},
                 {"empty", ""}};

    auto before = std::make_unique<SavedMeasurement>(stSavedMeas);
    const std::vector<double> lambda(dLambda2, dLambda2 + kSavedPoints);
    const std::string title = Title(hMainPanel);
    const int compare = iCompare, shown = iNumberSave;
    for (const auto& c : cases) {
        const std::string bad = dir_ + "/bad.val";
        std::ofstream(bad, std::ios::binary) << c.content;
        popup_script::Clear();
        Open(bad);
        EXPECT_EQ(LastShown().title, "File not loaded") << c.name;
        EXPECT_EQ(std::memcmp(before.get(), &stSavedMeas, sizeof stSavedMeas), 0) << c.name;
        EXPECT_EQ(std::vector<double>(dLambda2, dLambda2 + kSavedPoints), lambda) << c.name;
        EXPECT_EQ(Title(hMainPanel), title) << c.name;
        EXPECT_EQ(Title(hInfLoad), "File info :  good.val") << c.name;
        EXPECT_EQ(iCompare, compare) << c.name;
        EXPECT_EQ(iNumberSave, shown) << c.name;
        EXPECT_STREQ(cValFile, "good.val") << c.name;
    }
}

// Offline: a file of the older generation loads, shows on its own and its
// header is converted; another file can still be opened.
TEST_F(SpectrumFile, OlderFileOpensOffline) {
    Measured("OFFLINE");
    ASSERT_EQ(iOffline, 1);
    Open(std::string(std::getenv("ORVALIN_SOURCE_DIR")) + "/export/files/tests/fixtures/older.val");
    EXPECT_EQ(iFileOpen, 1);
    EXPECT_EQ(Title(hMainPanel), "Orvalin (offline)  older.val");
    EXPECT_EQ(Text(hInfLoad, FILELOAD_VER_NUM), "1.50");
    EXPECT_EQ(iCompare, 1);
    EXPECT_EQ(Menu(MENUBAR_COMPARE, ATTR_MENU_DIMMED), 1);
    EXPECT_EQ(Menu(MENUBAR_FILE, ATTR_CHECKED), 1);
    EXPECT_EQ(Menu(MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED), 0);
    // The stored curve is drawn without an instrument.
    EXPECT_GT(iNumberSave, 0);
    EXPECT_GT(iPlotHandle2, 0);
    EXPECT_EQ(iNumOfMeas, 0);
    // The evaluation arrays hold the file's 0.01 nm grid.
    EXPECT_GE(iAllocatedDisplay, static_cast<int>(valfile::GridPoints(stSavedMeas)));

    HidePanel(hInfLoad);
    fileinfo(hMenuBar, MENUBAR_FILEINFO, nullptr, hMainPanel);
    int visible = 0;
    GetPanelAttribute(hInfLoad, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 1);
    CallCtrlCallback(hInfLoad, FILELOAD_COMMANDBUTTON, EVENT_COMMIT, 0, 0);
    GetPanelAttribute(hInfLoad, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
}

// FILE > Open through the real file chooser, the name typed into its name
// field: a named pipe is refused with a message, and the program goes on.
TEST_F(SpectrumFile, OpeningANamedPipeSaysSoAndDoesNotBlock) {
    Measured("OFFLINE");
    const std::string pipe = dir_ + "/pipe.val";
    ASSERT_TRUE(support_testing::MakeFifo(pipe));
    std::string chooser, message;
    popup_script::Enable(false);
    support_testing::HangGuard guard(20);
    EXPECT_TRUE(
        ui_testing::Answering([] { FileOpen(hMenuBar, MENUBAR_FILE_OPEN, nullptr, hMainPanel); },
                              [&](QWidget* w) {
                                  if (auto* d = qobject_cast<QFileDialog*>(w)) {
                                      chooser = d->windowTitle().toStdString();
                                      ui_testing::TypeAndAccept(*d, QString::fromStdString(pipe));
                                  } else if (auto* m = qobject_cast<QMessageBox*>(w)) {
                                      message = m->text().toStdString();
                                      m->accept();
                                  }
                              }));
    popup_script::Enable(true);
    EXPECT_EQ(chooser, "Name of File to Load");
    EXPECT_EQ(message, "File not loaded!\n" + pipe + ": not a regular file");
    EXPECT_EQ(iFileOpen, 0);
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// A file the user made read-only is refused, named, and left as it was.
TEST_F(SpectrumFile, SavingOverAReadOnlyFileIsRefused) {
    Measured();
    const std::string path = dir_ + "/kept.val";
    std::ofstream(path) << "old";
    fs::permissions(path, fs::perms::owner_read);
    Save(path, "x");
    EXPECT_EQ(LastShown().title, "File not saved");
    EXPECT_NE(LastShown().text.find("\"" + path + "\": Permission denied"), std::string::npos)
        << LastShown().text;
    EXPECT_EQ(startup_test::ReadFile(path), "old");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read);
}

// A set saved while a file of another instrument is open becomes the stored
// set: drawn on its own wavelengths and named in the titles.
TEST_F(SpectrumFile, SavingWhileAFileIsOpenShowsTheFileWritten) {
    Measured();
    Save(dir_ + "/other.val", "");
    std::string bytes = startup_test::ReadFile(dir_ + "/other.val");
    const int32_t pixels = 1024;
    const float fit[5] = {300.0f, 0.4f, 0.0f, 0.0f, 0.0f};
    std::memcpy(bytes.data() + 136, &pixels, sizeof pixels);
    std::memcpy(bytes.data() + 152, fit, sizeof fit);
    std::ofstream(dir_ + "/other.val", std::ios::binary) << bytes;
    Open(dir_ + "/other.val");
    ASSERT_EQ(Title(hMainPanel), "Orvalin  other.val");

    popup_script::PushFile(dir_ + "/mine.val", VAL_NEW_FILE_SELECTED);
    user_input::Choose(hMainPanel, "FILE_SAVE");
    QTest::mouseClick(UiCtrlWidget(hCommentPanel, COMMENT_COMMANDBUTTON), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(dir_ + "/mine.val"));
    EXPECT_EQ(Title(hMainPanel), "Orvalin  mine.val");
    EXPECT_EQ(Title(hInfLoad), "File info :  mine.val");
    int shownPixels = 0;
    GetCtrlVal(hInfLoad, FILELOAD_PIXEL, &shownPixels);
    EXPECT_EQ(shownPixels, stParam.pixelCount);
    const int n = stParam.pixelCount;
    for (int i : {0, n / 2, n - 1})
        EXPECT_NEAR(dLambda2[i], dLambda[i], 1e-3 * std::fabs(dLambda[i])) << i;
}
