// Panels, controls, attributes, callbacks, menus and timers.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <thread>

#include "ui_test_support.h"
#include "ui_testing/misuse.h"

TEST_F(UiTest, LoadsPanelsByIdAndRejectsWrongIds) {
    std::string title;
    ASSERT_EQ(GetPanelAttribute(main_, ATTR_TITLE, &title), 0);
    EXPECT_EQ(title, "Main test panel");

    int dlg = LoadPanel(main_, TestUi(), DIALOG);
    ASSERT_GT(dlg, 0);
    EXPECT_NE(dlg, main_);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(SetCtrlVal(dlg, DIALOG_OK, 1), UI_ERR_TYPE); // a button holds no value
    }

    EXPECT_EQ(LoadPanel(0, TestUi(), MAIN_DBL), UI_ERR_BAD_FILE); // a control, not a panel
    EXPECT_EQ(LoadPanel(0, TestUi(), PAGE_A), UI_ERR_BAD_FILE);   // tab pages come with their panel
    EXPECT_EQ(LoadPanel(0, TestUi(), 9999), UI_ERR_BAD_FILE);
    EXPECT_EQ(LoadPanel(0, "no_such_file.ui", MAIN), UI_ERR_FILE);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(LoadPanel(12345, TestUi(), DIALOG), UI_ERR_PANEL);
    }
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(SetCtrlVal(main_, DIALOG_OK, 1), UI_ERR_CONTROL); // control of another panel
    }

    // Discarding the parent discards the child panel too.
    ASSERT_EQ(DiscardPanel(main_), 0);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(DisplayPanel(dlg), UI_ERR_PANEL);
    }
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(DiscardPanel(main_), UI_ERR_PANEL);
    }
    main_ = 0;
}

// A caller's mistake reaches the misuse hook, naming the call and the
// control; other failures (a missing file, an item not there) do not.
TEST_F(UiTest, MisusesReachTheHookNamingTheCallAndTheControl) {
    static std::vector<std::string> heard;
    heard.clear();
    SetUiMisuseHook([](int code, const char* call, const char* what) {
        heard.push_back(std::to_string(code) + " " + call + " " + what);
    });
    SetCtrlVal(main_, MAIN_STR, 1.0);
    SetCtrlAttribute(main_, MAIN_STR, ATTR_INTERVAL, 1.0);
    GetCtrlVal(main_ + 1000, MAIN_STR, static_cast<std::string*>(nullptr));
    LoadPanel(0, "no_such_file.ui", MAIN);
    SetCtrlVal(main_, MAIN_RING, 123456);
    ui_testing::FailOnToolkitMisuse();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].rfind("-5 int SetCtrlVal(int, int, double) panel MAIN, control STR:", 0), 0u)
        << heard[0];
    EXPECT_EQ(heard[1].rfind("-4 int SetCtrlAttribute(", 0), 0u) << heard[1];
    EXPECT_NE(heard[1].find("control STR"), std::string::npos) << heard[1];
    EXPECT_EQ(heard[2].rfind("-2 int GetCtrlVal(", 0), 0u) << heard[2];
}

TEST_F(UiTest, RelativeNamesResolveThroughTheResourceFolderVariable) {
    ASSERT_EQ(setenv("ORVALIN_UI_DIR", UI_TEST_DATA_DIR, 1), 0);
    EXPECT_EQ(ResolveUiFile("ui_test.ui"), std::string(UI_TEST_DATA_DIR) + "/ui_test.ui");
    int p = LoadPanel(0, "ui_test.ui", DIALOG);
    EXPECT_GT(p, 0);
    DiscardPanel(p);
    unsetenv("ORVALIN_UI_DIR");
    EXPECT_EQ(ResolveUiFile("ui_test.ui"), "");
}

TEST_F(UiTest, RefusesAFileWhoseIdsDifferFromTheBuild) {
    // A resource file that numbers differently from the generated header must
    // not load silently with shifted ids.
    const std::string path = ::testing::TempDir() + "/ui_test.ui";
    {
        QFile in(TestUi());
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray xml = in.readAll();
        xml.replace("name=\"DBL_LABEL\"", "name=\"DBL_LABEL2\"");
        QFile out(QString::fromStdString(path));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(xml);
    }
    EXPECT_EQ(LoadPanel(0, path.c_str(), MAIN), UI_ERR_BAD_FILE);
    EXPECT_NE(GetUiErrorText().find("differ"), std::string::npos);
}

TEST_F(UiTest, IdsOfOneFileAreRefusedByAnother) {
    const std::string other = ::testing::TempDir() + "/other_panels.ui";
    QFile::remove(QString::fromStdString(other));
    ASSERT_TRUE(QFile::copy(TestUi(), QString::fromStdString(other)));
    EXPECT_EQ(LoadPanel(0, other.c_str(), MAIN), UI_ERR_BAD_FILE); // same layout, other numbering
    EXPECT_EQ(LoadMenuBar(0, other.c_str(), MENUBAR), UI_ERR_BAD_FILE);
}

TEST_F(UiTest, NumericValuesKeepFullPrecisionAndTheirDataTypeRange) {
    ASSERT_EQ(SetCtrlVal(main_, MAIN_DBL, 1.23456789), 0);
    double d = 0;
    ASSERT_EQ(GetCtrlVal(main_, MAIN_DBL, &d), 0);
    EXPECT_EQ(d, 1.23456789); // shown with 2 decimals, stored exactly
    int prec = -1;
    GetCtrlAttribute(main_, MAIN_DBL, ATTR_PRECISION, &prec);
    EXPECT_EQ(prec, 2);
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_DBL, ATTR_PRECISION, 0), 0);
    GetCtrlVal(main_, MAIN_DBL, &d);
    EXPECT_EQ(d, 1.23456789);
    // No maximum in the file: the data type's range applies, not the toolkit's 99.99.
    ASSERT_EQ(SetCtrlVal(main_, MAIN_DBL, 5000.5), 0);
    GetCtrlVal(main_, MAIN_DBL, &d);
    EXPECT_EQ(d, 5000.5);

    int i = 0;
    SetCtrlVal(main_, MAIN_INT, 5000); // file range -5 .. 1000
    GetCtrlVal(main_, MAIN_INT, &i);
    EXPECT_EQ(i, 1000);
    SetCtrlVal(main_, MAIN_INT, 2.6);
    GetCtrlVal(main_, MAIN_INT, &i);
    EXPECT_EQ(i, 3);
    double lo = 0, hi = 0;
    GetCtrlAttribute(main_, MAIN_INT, ATTR_MIN_VALUE, &lo);
    GetCtrlAttribute(main_, MAIN_INT, ATTR_MAX_VALUE, &hi);
    EXPECT_EQ(lo, -5);
    EXPECT_EQ(hi, 1000);
    SetCtrlAttribute(main_, MAIN_INT, ATTR_MAX_VALUE, 2);
    GetCtrlVal(main_, MAIN_INT, &i);
    EXPECT_EQ(i, 2); // narrowing the range coerces the value

    short s = 0;
    SetCtrlVal(main_, MAIN_SHORTV, 40000);
    GetCtrlVal(main_, MAIN_SHORTV, &s);
    EXPECT_EQ(s, 32767);
    unsigned u = 0;
    SetCtrlVal(main_, MAIN_UNS, 4000000000u);
    GetCtrlVal(main_, MAIN_UNS, &u);
    EXPECT_EQ(u, 4000000000u);
    SetCtrlVal(main_, MAIN_UNS, -3);
    GetCtrlVal(main_, MAIN_UNS, &u);
    EXPECT_EQ(u, 0u);
    char c = 0;
    SetCtrlVal(main_, MAIN_CHR, 65);
    GetCtrlVal(main_, MAIN_CHR, &c);
    EXPECT_EQ(c, 'A');
    float f = 0;
    SetCtrlVal(main_, MAIN_FLT, 0.1);
    GetCtrlVal(main_, MAIN_FLT, &d);
    GetCtrlVal(main_, MAIN_FLT, &f);
    EXPECT_EQ(d, static_cast<double>(0.1f));
    EXPECT_EQ(f, 0.1f);
    int type = 0;
    GetCtrlAttribute(main_, MAIN_FLT, ATTR_DATA_TYPE, &type);
    EXPECT_EQ(type, VAL_FLOAT);

    SetCtrlAttribute(main_, MAIN_INT, ATTR_DEFAULT_VALUE, 1);
    SetCtrlVal(main_, MAIN_INT, 0);
    DefaultCtrl(main_, MAIN_INT);
    GetCtrlVal(main_, MAIN_INT, &i);
    EXPECT_EQ(i, 1);
}

TEST_F(UiTest, TypedNumbersAreReadWholeAndBroughtIntoTheLimits) {
    DisplayPanel(main_);
    SetCtrlAttribute(main_, MAIN_DBL, ATTR_MIN_VALUE, 100.0); // INT keeps its file range -5 .. 1000
    SetCtrlAttribute(main_, MAIN_DBL, ATTR_MAX_VALUE, 5000.0);
    struct Row {
        int control;
        double start;
        const char* typed;
        double expected;
    } rows[] = {
        {MAIN_INT, 10, "7", 7},
        {MAIN_INT, 10, "1e9", 1000},
        {MAIN_INT, 10, "-5", -5},
        {MAIN_INT, 10, "-50", -5},
        {MAIN_INT, 10, "2.6", 3},
        {MAIN_INT, 10, "1e", 10},
        {MAIN_INT, 10, "x", 10},
        {MAIN_INT, -5, "-9", -5},
        {MAIN_DBL, 300, "20", 100},
        {MAIN_DBL, 300, "0", 100},
        {MAIN_DBL, 300, "-5", 100},
        {MAIN_DBL, 300, "1e9", 5000},
        {MAIN_DBL, 300, "1e999", 5000},
        {MAIN_DBL, 300, "250.5", 250.5},
        {MAIN_DBL, 300, "1e-999", 100},
        {MAIN_DBL, 300, "250,5", 250.5},
        {MAIN_INT, 10, "2,6", 3},
        {MAIN_DBL, 300, "1.234,5", 1234.5},
        {MAIN_DBL, 300, "1.234.5", 300},
        {MAIN_INT, -5, "1.000", 1},
        {MAIN_INT, -5, "1.000.000", 1000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        SetCtrlVal(main_, r.control, r.start);
        Seen().clear();
        QWidget* spin = UiCtrlWidget(main_, r.control);
        spin->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(spin, r.typed);
        QTest::keyClick(spin, Qt::Key_Return);
        double v = 0;
        GetCtrlVal(main_, r.control, &v);
        EXPECT_EQ(v, r.expected);
        // The callback hears of every change, with the value brought into the limits.
        EXPECT_EQ(CountOf(r.control, EVENT_COMMIT), r.expected != r.start ? 1 : 0);
        EXPECT_EQ(spin->findChild<QLineEdit*>()->text().toDouble(), r.expected);
    }
}

TEST_F(UiTest, StringsRingsAndListsHoldTheirValues) {
    SetCtrlVal(main_, MAIN_STR, "0123456789");
    std::string s;
    GetCtrlVal(main_, MAIN_STR, &s);
    EXPECT_EQ(s, "01234567"); // maximum length 8 from the file
    char small[4];
    EXPECT_EQ(GetCtrlVal(main_, MAIN_STR, small, sizeof small), UI_ERR_BUFFER);
    EXPECT_STREQ(small, "012");
    char fits[9];
    EXPECT_EQ(GetCtrlVal(main_, MAIN_STR, fits), 0); // buffer of max length + 1
    EXPECT_STREQ(fits, "01234567");
    double d;
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(GetCtrlVal(main_, MAIN_STR, &d), UI_ERR_TYPE);
    }

    SetCtrlVal(main_, MAIN_MSG, "<b>not markup</b>");
    GetCtrlVal(main_, MAIN_MSG, &s);
    EXPECT_EQ(s, "<b>not markup</b>");

    int v = 0, idx = -1;
    GetCtrlVal(main_, MAIN_RING, &v);
    EXPECT_EQ(v, 10);
    ASSERT_EQ(SetCtrlVal(main_, MAIN_RING, 30), 0);
    GetCtrlIndex(main_, MAIN_RING, &idx);
    EXPECT_EQ(idx, 2);
    EXPECT_EQ(SetCtrlVal(main_, MAIN_RING, 25), UI_ERR_RANGE);
    GetCtrlVal(main_, MAIN_RING, &v);
    EXPECT_EQ(v, 30); // a refused value leaves the selection alone
    ASSERT_EQ(InsertListItem(main_, MAIN_RING, 0, "five", 5), 0);
    ASSERT_EQ(InsertListItem(main_, MAIN_RING, -1, "forty", 40), 0);
    int n = 0;
    GetNumListItems(main_, MAIN_RING, &n);
    EXPECT_EQ(n, 5);
    std::string label;
    GetLabelFromIndex(main_, MAIN_RING, 4, &label);
    EXPECT_EQ(label, "forty");
    GetValueFromIndex(main_, MAIN_RING, 0, &v);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(GetLabelFromIndex(main_, MAIN_RING, 5, &label), UI_ERR_RANGE);
    SetCtrlVal(main_, MAIN_RING, "twenty");
    GetCtrlVal(main_, MAIN_RING, &v);
    EXPECT_EQ(v, 20);
    DeleteListItem(main_, MAIN_RING, 0, -1);
    GetNumListItems(main_, MAIN_RING, &n);
    EXPECT_EQ(n, 0);

    GetCtrlVal(main_, MAIN_LIST, &v);
    EXPECT_EQ(v, 0);
    SetCtrlIndex(main_, MAIN_LIST, 1);
    GetCtrlVal(main_, MAIN_LIST, &v);
    EXPECT_EQ(v, 1);
    ClearListCtrl(main_, MAIN_LIST);
    EXPECT_EQ(GetCtrlVal(main_, MAIN_LIST, &v), UI_ERR_RANGE);
}

TEST_F(UiTest, ButtonsSwitchesLedsProgressAndTextBox) {
    // Radio buttons are not exclusive by themselves: the program decides.
    SetCtrlVal(main_, MAIN_RB1, 1);
    SetCtrlVal(main_, MAIN_RB2, 1);
    int a = 0, b = 0;
    GetCtrlVal(main_, MAIN_RB1, &a);
    GetCtrlVal(main_, MAIN_RB2, &b);
    EXPECT_EQ(a + b, 2);

    int v = 0;
    GetCtrlVal(main_, MAIN_SWITCH, &v);
    EXPECT_EQ(v, 3);
    SetCtrlVal(main_, MAIN_SWITCH, 7);
    GetCtrlVal(main_, MAIN_SWITCH, &v);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(SetCtrlVal(main_, MAIN_SWITCH, 1), UI_ERR_RANGE);
    SetCtrlAttribute(main_, MAIN_SWITCH, ATTR_ON_VALUE, 9);
    GetCtrlVal(main_, MAIN_SWITCH, &v);
    EXPECT_EQ(v, 9);

    SetCtrlVal(main_, MAIN_LED, 1);
    GetCtrlVal(main_, MAIN_LED, &v);
    EXPECT_EQ(v, 1);

    double p = 0;
    SetProgress(main_, MAIN_PROGRESS, 150.0);
    GetCtrlVal(main_, MAIN_PROGRESS, &p);
    EXPECT_EQ(p, 100.0);
    SetProgress(main_, MAIN_PROGRESS, 33.3);
    GetCtrlVal(main_, MAIN_PROGRESS, &p);
    EXPECT_EQ(p, 33.3);

    int lines = -1;
    GetNumTextBoxLines(main_, MAIN_LOG, &lines);
    EXPECT_EQ(lines, 0);
    AppendTextBoxLine(main_, MAIN_LOG, "first");
    AppendTextBoxLine(main_, MAIN_LOG, "second");
    GetNumTextBoxLines(main_, MAIN_LOG, &lines);
    EXPECT_EQ(lines, 2);
    std::string text;
    GetCtrlVal(main_, MAIN_LOG, &text);
    EXPECT_EQ(text, "first\nsecond");
    SetCtrlVal(main_, MAIN_LOG, " more"); // appends
    GetCtrlVal(main_, MAIN_LOG, &text);
    EXPECT_EQ(text, "first\nsecond more");
    ResetTextBox(main_, MAIN_LOG, "");
    GetNumTextBoxLines(main_, MAIN_LOG, &lines);
    EXPECT_EQ(lines, 0);

    EXPECT_EQ(DisplayImageFile(main_, MAIN_PICTURE, "/nonexistent.png"), UI_ERR_FILE);
    int kind = 0;
    GetCtrlAttribute(main_, MAIN_LINK, ATTR_CTRL_KIND, &kind);
    EXPECT_EQ(kind, CTRL_HYPERLINK);
    GetCtrlAttribute(main_, MAIN_GROUP, ATTR_CTRL_KIND, &kind);
    EXPECT_EQ(kind, CTRL_DECORATION);
}

TEST_F(UiTest, SwitchesShowTheirStateAndRichLabelsTheirFormat) {
    DisplayPanel(main_);
    auto* sw = qobject_cast<QAbstractButton*>(UiCtrlWidget(main_, MAIN_SWITCH));
    ASSERT_NE(sw, nullptr);
    auto lamp = [sw]() {
        const QImage img = sw->icon().pixmap(sw->iconSize()).toImage();
        return img.pixelColor(img.width() / 2, img.height() / 2).rgb() & 0xFFFFFF;
    };
    SetCtrlAttribute(main_, MAIN_SWITCH, ATTR_ON_COLOR, 0x00FF00);
    SetCtrlAttribute(main_, MAIN_SWITCH, ATTR_OFF_COLOR, 0xFF0000);
    struct Step {
        bool click; // else set from code
        int value;
        unsigned color;
    } steps[] = {
        {false, 7, 0x00FF00}, {false, 3, 0xFF0000}, {true, 7, 0x00FF00}, {true, 3, 0xFF0000}};
    for (const Step& s : steps) {
        if (s.click)
            QTest::mouseClick(sw, Qt::LeftButton);
        else
            SetCtrlVal(main_, MAIN_SWITCH, s.value);
        int v = 0;
        GetCtrlVal(main_, MAIN_SWITCH, &v);
        EXPECT_EQ(v, s.value);
        EXPECT_EQ(lamp(), s.color);
    }

    // Markup is shown formatted only where the resource file asks for it.
    const char* markup = "<b>AF</b>&nbsp;=&nbsp;b&nbsp;/&nbsp;a";
    SetCtrlVal(main_, MAIN_MSG, markup);
    SetCtrlVal(main_, MAIN_RICH, markup);
    EXPECT_LT(UiCtrlWidget(main_, MAIN_RICH)->sizeHint().width(),
              UiCtrlWidget(main_, MAIN_MSG)->sizeHint().width());
}

TEST_F(UiTest, EveryAttributeSetCanBeReadBack) {
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_DIMMED, 1);
    SetCtrlAttribute(main_, MAIN_GROUP, ATTR_VISIBLE, 0);
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_CMD_BUTTON_COLOR, 0xFFD0C8);
    SetCtrlAttribute(main_, MAIN_MSG, ATTR_TEXT_COLOR, 0xA0A0A0);
    SetCtrlAttribute(main_, MAIN_MSG, ATTR_TEXT_BGCOLOR, 0x112233);
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_LABEL_TEXT, "Go");
    SetCtrlAttribute(main_, MAIN_DBL, ATTR_LABEL_TEXT, "FWHM /nm");
    SetCtrlAttribute(main_, MAIN_STR, ATTR_TOOLTIP_TEXT, "tip");
    SetCtrlAttribute(main_, MAIN_STR, ATTR_CTRL_MODE, VAL_INDICATOR);
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_LEFT_C, 250);
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_WIDTH_C, 90);
    SetCtrlAttribute(main_, MAIN_RB1, ATTR_TOP_C, 70); // inside the group box

    int v = 0;
    std::string s;
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_DIMMED, &v);
    EXPECT_EQ(v, 1);
    GetCtrlAttribute(main_, MAIN_GROUP, ATTR_VISIBLE, &v);
    EXPECT_EQ(v, 0);
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_CMD_BUTTON_COLOR, &v);
    EXPECT_EQ(v, 0xFFD0C8);
    GetCtrlAttribute(main_, MAIN_MSG, ATTR_TEXT_COLOR, &v);
    EXPECT_EQ(v, 0xA0A0A0);
    GetCtrlAttribute(main_, MAIN_MSG, ATTR_TEXT_BGCOLOR, &v);
    EXPECT_EQ(v, 0x112233);
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_LABEL_TEXT, &s);
    EXPECT_EQ(s, "Go");
    GetCtrlAttribute(main_, MAIN_DBL, ATTR_LABEL_TEXT, &s);
    EXPECT_EQ(s, "FWHM /nm"); // shown by the buddy label
    std::string buddy;
    GetCtrlVal(main_, MAIN_DBL_LABEL, &buddy);
    EXPECT_EQ(buddy, "FWHM /nm");
    GetCtrlAttribute(main_, MAIN_STR, ATTR_TOOLTIP_TEXT, &s);
    EXPECT_EQ(s, "tip");
    GetCtrlAttribute(main_, MAIN_STR, ATTR_CTRL_MODE, &v);
    EXPECT_EQ(v, VAL_INDICATOR);
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_LEFT_C, &v);
    EXPECT_EQ(v, 250);
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_WIDTH_C, &v);
    EXPECT_EQ(v, 90);
    GetCtrlAttribute(main_, MAIN_RB1, ATTR_TOP_C, &v);
    EXPECT_EQ(v, 70);
    GetCtrlAttribute(main_, MAIN_BUTTON, ATTR_CALLBACK_NAME, &s);
    EXPECT_EQ(s, "CountingCb");
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_INTERVAL, 1.0), UI_ERR_ATTRIBUTE);
    }
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_LABEL_TEXT, 3), UI_ERR_TYPE);
    }

    SetPanelAttribute(main_, ATTR_TITLE, "Renamed");
    SetPanelAttribute(main_, ATTR_WIDTH, 640);
    SetPanelAttribute(main_, ATTR_LEFT, 15);
    GetPanelAttribute(main_, ATTR_TITLE, &s);
    EXPECT_EQ(s, "Renamed");
    GetPanelAttribute(main_, ATTR_WIDTH, &v);
    EXPECT_EQ(v, 640);
    GetPanelAttribute(main_, ATTR_LEFT, &v);
    EXPECT_EQ(v, 15);
    SetPanelAttribute(main_, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    GetPanelAttribute(main_, ATTR_WINDOW_ZOOM, &v);
    EXPECT_EQ(v, VAL_MAXIMIZE);
    GetPanelAttribute(main_, ATTR_VISIBLE_PANEL, &v);
    EXPECT_EQ(v, 0);
    DisplayPanel(main_);
    GetPanelAttribute(main_, ATTR_VISIBLE_PANEL, &v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(GetActivePanel(), main_);
    int h = 0, w = 0;
    GetScreenSize(&h, &w);
    EXPECT_GT(h, 0);
    EXPECT_GT(w, 0);
}

TEST_F(UiTest, TabPagesArePanelsOfTheirOwn) {
    int tabs = LoadPanel(0, TestUi(), TABS);
    ASSERT_GT(tabs, 0);
    int a = 0, b = 0;
    ASSERT_EQ(GetPanelHandleFromTabPage(tabs, TABS_TABCTRL, 0, &a), 0);
    ASSERT_EQ(GetPanelHandleFromTabPage(tabs, TABS_TABCTRL, 1, &b), 0);
    EXPECT_EQ(GetPanelHandleFromTabPage(tabs, TABS_TABCTRL, 2, &b), UI_ERR_RANGE);
    EXPECT_NE(a, b);
    SetCtrlVal(a, PAGE_A_VALUE, 42);
    SetCtrlVal(b, PAGE_B_VALUE, "text");
    int v = 0;
    std::string s;
    GetCtrlVal(a, PAGE_A_VALUE, &v);
    GetCtrlVal(b, PAGE_B_VALUE, &s);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(s, "text");
    GetPanelAttribute(b, ATTR_TITLE, &s);
    EXPECT_EQ(s, "Second");
    SetActiveTabPage(tabs, TABS_TABCTRL, 1);
    GetActiveTabPage(tabs, TABS_TABCTRL, &v);
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(Seen().empty());
    DiscardPanel(tabs);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(SetCtrlVal(a, PAGE_A_VALUE, 1), UI_ERR_PANEL);
    }
}

TEST_F(UiTest, TablesHoldCellsLabelsAndColours) {
    int rows = 0, cols = 0;
    GetTableSize(main_, MAIN_TABLE, &rows, &cols);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(cols, 3);
    SetTableCellVal(main_, MAIN_TABLE, 1, 1, 2.5);
    SetTableCellVal(main_, MAIN_TABLE, 2, 3, "abc");
    ASSERT_EQ(SetTableSize(main_, MAIN_TABLE, 2048, 300), 0);
    double d = 0;
    std::string s;
    GetTableCellVal(main_, MAIN_TABLE, 1, 1, &d);
    EXPECT_EQ(d, 2.5); // kept across the resize
    GetTableCellVal(main_, MAIN_TABLE, 2, 3, &s);
    EXPECT_EQ(s, "abc");
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(GetTableCellVal(main_, MAIN_TABLE, 2, 3, &d), UI_ERR_TYPE);
    }
    EXPECT_EQ(SetTableCellVal(main_, MAIN_TABLE, 0, 1, 1.0), UI_ERR_RANGE);
    EXPECT_EQ(SetTableCellVal(main_, MAIN_TABLE, 2049, 1, 1.0), UI_ERR_RANGE);

    std::vector<double> col(2048);
    for (int i = 0; i < 2048; ++i)
        col[static_cast<std::size_t>(i)] = i * 0.5;
    ASSERT_EQ(SetTableColumnValues(main_, MAIN_TABLE, 300, col.data(), 2048), 0);
    EXPECT_EQ(SetTableColumnValues(main_, MAIN_TABLE, 300, col.data(), 2049), UI_ERR_RANGE);
    GetTableCellVal(main_, MAIN_TABLE, 2048, 300, &d);
    EXPECT_EQ(d, 1023.5);
    SetTableColumnPrecision(main_, MAIN_TABLE, 300, 2);
    GetTableCellVal(main_, MAIN_TABLE, 3, 300, &s);
    EXPECT_EQ(s, "1.00");
    SetTableCellColor(main_, MAIN_TABLE, 5, 5, 0xFF0000, 0x00FF00);
    int fg = 0, bg = 0;
    GetTableCellColor(main_, MAIN_TABLE, 5, 5, &fg, &bg);
    EXPECT_EQ(fg, 0xFF0000);
    EXPECT_EQ(bg, 0x00FF00);
    EXPECT_EQ(SetTableColumnLabel(main_, MAIN_TABLE, 1, "nm"), 0);
    EXPECT_EQ(SetTableRowLabel(main_, MAIN_TABLE, 2048, "last"), 0);
    EXPECT_EQ(SetTableColumnWidth(main_, MAIN_TABLE, 301, 50), UI_ERR_RANGE);
}

// A fitted column shows every number whole: the view asks no more width for
// any of its texts, however long.
TEST_F(UiTest, AFittedColumnCutsNoNumberShort) {
    DisplayPanel(main_);
    auto* table = qobject_cast<QTableView*>(UiCtrlWidget(main_, MAIN_TABLE));
    ASSERT_NE(table, nullptr);
    const QAbstractItemView* view = table;
    SetTableColumnPrecision(main_, MAIN_TABLE, 1, 2);
    for (double v : {1.0, 1e6, 1e12, -1e15}) {
        SetTableCellVal(main_, MAIN_TABLE, 2, 1, v);
        ASSERT_EQ(FitTableColumnWidth(main_, MAIN_TABLE, 1, 10), 0);
        EXPECT_GE(table->columnWidth(0), view->sizeHintForColumn(0)) << v;
    }
}

TEST_F(UiTest, ProgramChangesFireNoCallbacksButUserActionsDo) {
    DisplayPanel(main_);
    SetCtrlVal(main_, MAIN_DBL, 2.0);
    SetCtrlVal(main_, MAIN_CHK, 1);
    SetCtrlVal(main_, MAIN_RING, 20);
    SetCtrlVal(main_, MAIN_STR, "x");
    SetCtrlAttribute(main_, MAIN_INT, ATTR_MAX_VALUE, 10);
    SetActiveCtrl(main_, MAIN_STR);
    ProcessSystemEvents();
    EXPECT_TRUE(Seen().empty());

    QTest::mouseClick(UiCtrlWidget(main_, MAIN_BUTTON), Qt::LeftButton);
    EXPECT_EQ(CountOf(MAIN_BUTTON, EVENT_LEFT_CLICK), 1);
    EXPECT_EQ(CountOf(MAIN_BUTTON, EVENT_COMMIT), 1);

    QWidget* chk = UiCtrlWidget(main_, MAIN_CHK);
    QTest::mouseClick(chk, Qt::LeftButton, Qt::NoModifier,
                      QPoint(8, chk->height() / 2)); // on the box
    int v = 1;
    GetCtrlVal(main_, MAIN_CHK, &v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(CountOf(MAIN_CHK, EVENT_COMMIT), 1);

    QTest::mouseClick(UiCtrlWidget(main_, MAIN_SWITCH), Qt::LeftButton);
    GetCtrlVal(main_, MAIN_SWITCH, &v);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(CountOf(MAIN_SWITCH, EVENT_COMMIT), 1);

    QTest::mouseClick(UiCtrlWidget(main_, MAIN_BUTTON), Qt::RightButton);
    EXPECT_EQ(CountOf(MAIN_BUTTON, EVENT_RIGHT_CLICK), 1);

    // A dimmed control takes no clicks.
    SetCtrlAttribute(main_, MAIN_BUTTON, ATTR_DIMMED, 1);
    QTest::mouseClick(UiCtrlWidget(main_, MAIN_BUTTON), Qt::LeftButton);
    EXPECT_EQ(CountOf(MAIN_BUTTON, EVENT_COMMIT), 1);

    // Typing into a numeric control commits the value the user typed.
    QWidget* spin = UiCtrlWidget(main_, MAIN_INT);
    QLineEdit* edit = spin->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(spin, "7");
    QTest::keyClick(spin, Qt::Key_Return);
    GetCtrlVal(main_, MAIN_INT, &v);
    EXPECT_EQ(v, 7);
    EXPECT_GE(CountOf(MAIN_INT, EVENT_COMMIT), 1);

    EXPECT_EQ(CallCtrlCallback(main_, MAIN_RB1, EVENT_COMMIT, 5, 6), 0);
    ASSERT_FALSE(Seen().empty());
    EXPECT_EQ(Seen().back().control, MAIN_RB1);
    EXPECT_EQ(Seen().back().d1, 5);
}

TEST_F(UiTest, KeyPressesReachThePanelWithDistinctCodes) {
    DisplayPanel(main_);
    QWidget* w = UiPanelWidget(main_);
    auto lastPanelKey = [] {
        for (auto it = Seen().rbegin(); it != Seen().rend(); ++it)
            if (it->control == 0 && it->event == EVENT_KEYPRESS)
                return it->d1;
        return -1;
    };
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(lastPanelKey(), 0x0300);
    QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(lastPanelKey(), 0x40046);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(lastPanelKey(), VAL_MENUKEY_MODIFIER | 'C');
    QTest::keyClick(w, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(lastPanelKey(), 0x40400);
    QTest::keyClick(w, Qt::Key_Backspace);
    EXPECT_EQ(lastPanelKey(), 0x0100);
    QTest::keyClick(w, '*');
    EXPECT_EQ(lastPanelKey(), 0x2A);

    // A key in a control reaches the control's callback, then the panel's.
    Seen().clear();
    QTest::keyClick(UiCtrlWidget(main_, MAIN_STR), Qt::Key_A);
    EXPECT_EQ(CountOf(MAIN_STR, EVENT_KEYPRESS), 1);
    EXPECT_EQ(lastPanelKey(), 'a');
}

namespace {
int SwapCommaCb(int, int, int event, void*, int key, int) {
    if (event == EVENT_KEYPRESS && (key & VAL_ASCII_KEY_MASK) == ',')
        SetKeyPressEventKey('.');
    if (event == EVENT_KEYPRESS && key == 'x')
        return 1; // swallowed
    return 0;
}
} // namespace

TEST_F(UiTest, KeyCallbacksCanReplaceOrSwallowTheKey) {
    RegisterCtrlCallback("CountingCb", SwapCommaCb);
    QWidget* le = UiCtrlWidget(main_, MAIN_STR);
    QTest::keyClicks(le, "1,5x");
    std::string s;
    GetCtrlVal(main_, MAIN_STR, &s);
    EXPECT_EQ(s, "1.5");
}

TEST_F(UiTest, DiscardingAPanelInsideItsOwnCallbackIsSafe) {
    static int panel = 0;
    panel = main_;
    RegisterCtrlCallback("CountingCb", [](int p, int, int event, void*, int, int) {
        if (event == EVENT_COMMIT)
            DiscardPanel(p);
        return 0;
    });
    DisplayPanel(main_);
    QTest::mouseClick(UiCtrlWidget(main_, MAIN_BUTTON), Qt::LeftButton);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(DisplayPanel(panel), UI_ERR_PANEL);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main_ = 0;
}

TEST_F(UiTest, MenuBarsCarryItemsStateAndCallbacks) {
    int bar = LoadMenuBar(main_, TestUi(), MENUBAR);
    ASSERT_GT(bar, 0);
    EXPECT_EQ(GetPanelMenuBar(main_), bar);
    int v = -1;
    GetPanelAttribute(main_, ATTR_PANEL_MENU_BAR_CONSTANT, &v);
    EXPECT_EQ(v, MENUBAR);
    SetMenuBarAttribute(bar, MENUBAR_FILE_CHECK, ATTR_CHECKED, 1);
    SetMenuBarAttribute(bar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 1);
    SetMenuBarAttribute(bar, MENUBAR_FILE_OPEN, ATTR_ITEM_NAME, "Load...");
    GetMenuBarAttribute(bar, MENUBAR_FILE_CHECK, ATTR_CHECKED, &v);
    EXPECT_EQ(v, 1);
    GetMenuBarAttribute(bar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &v);
    EXPECT_EQ(v, 1);
    std::string name;
    GetMenuBarAttribute(bar, MENUBAR_FILE_OPEN, ATTR_ITEM_NAME, &name);
    EXPECT_EQ(name, "Load...");
    SetMenuBarAttribute(bar, MENUBAR_FILE, ATTR_MENU_DIMMED, 1); // a whole menu
    GetMenuBarAttribute(bar, MENUBAR_FILE, ATTR_MENU_DIMMED, &v);
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(SeenMenus().empty());
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(GetMenuBarAttribute(bar, POPUP_TRIG_ON, ATTR_CHECKED, &v), UI_ERR_CONTROL);
    }

    // The user choosing an item runs its callback with bar, item and panel.
    QAction* check = UiPanelWidget(main_)->findChild<QAction*>("FILE_CHECK");
    ASSERT_NE(check, nullptr);
    check->trigger();
    ASSERT_EQ(SeenMenus().size(), 1u);
    EXPECT_EQ(SeenMenus()[0].bar, bar);
    EXPECT_EQ(SeenMenus()[0].item, MENUBAR_FILE_CHECK);
    EXPECT_EQ(SeenMenus()[0].panel, main_);
    GetMenuBarAttribute(bar, MENUBAR_FILE_CHECK, ATTR_CHECKED, &v);
    EXPECT_EQ(v, 1); // the mark is the program's to change, not the click's

    int popup = LoadMenuBar(0, TestUi(), POPUP);
    ASSERT_GT(popup, 0);
    popup_script::PushChoice(POPUP_TRIG_ON);
    EXPECT_EQ(RunPopupMenu(popup, POPUP_TRIG, main_, -1, -1), POPUP_TRIG_ON);
    EXPECT_EQ(RunPopupMenu(popup, POPUP_TRIG, main_, 10, 10), 0); // nothing queued: dismissed
    ASSERT_EQ(popup_script::Record().size(), 2u);
    EXPECT_EQ(popup_script::Record()[0].kind, popup_script::Kind::PopupMenu);
    EXPECT_EQ(popup_script::Record()[0].title, "Trigger");
    EXPECT_EQ(SeenMenus().size(), 1u); // choosing from the popup runs no menu callback
    EXPECT_EQ(DiscardMenuBar(popup), 0);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(RunPopupMenu(popup, POPUP_TRIG, main_, -1, -1), UI_ERR_HANDLE);
    }
}

TEST_F(UiTest, SuspendedTimersNeverCallBack) {
    TimerTicks() = 0;
    TimerMaxDepth() = 0;
    double iv = 0;
    GetCtrlAttribute(main_, MAIN_TIMER, ATTR_INTERVAL, &iv);
    EXPECT_EQ(iv, 0.01);
    int en = 1;
    GetCtrlAttribute(main_, MAIN_TIMER, ATTR_ENABLED, &en);
    EXPECT_EQ(en, 0);
    SetCtrlAttribute(main_, MAIN_TIMER, ATTR_INTERVAL, 0.001);
    SetCtrlAttribute(main_, MAIN_TIMER, ATTR_ENABLED, 1);

    EXPECT_EQ(SuspendTimerCallbacks(), 1);
    EXPECT_EQ(SuspendTimerCallbacks(), 2);
    Delay(0.03);
    EXPECT_EQ(ResumeTimerCallbacks(), 1); // one level still suspended
    Delay(0.03);
    EXPECT_EQ(TimerTicks(), 0);
    EXPECT_EQ(ResumeTimerCallbacks(), 0);
    EXPECT_EQ(ResumeTimerCallbacks(), 0); // never below zero
    for (int i = 0; i < 2000 && TimerTicks() < 3; ++i)
        Delay(0.005);
    EXPECT_GE(TimerTicks(), 3);
    EXPECT_EQ(TimerMaxDepth(), 1); // a tick never re-enters itself
    SetCtrlAttribute(main_, MAIN_TIMER, ATTR_ENABLED, 0);
    const int ticks = TimerTicks();
    Delay(0.02);
    EXPECT_EQ(TimerTicks(), ticks);
}

TEST_F(UiTest, MessagesPostedFromAnotherThreadArriveOnTheUiThread) {
    static int got = 0;
    static unsigned gotW = 0, gotL = 0;
    static std::thread::id where;
    got = 0;
    intptr_t window = 0;
    ASSERT_EQ(InstallWinMsgCallback(
                  main_, 0x9000,
                  [](int, int msg, unsigned* w, unsigned* l, void*) {
                      got = msg;
                      gotW = *w;
                      gotL = *l;
                      where = std::this_thread::get_id();
                      return 0;
                  },
                  nullptr, &window),
              0);
    std::thread t([window] { PostWindowMessage(window, 0x9000, 7, 11); });
    t.join();
    EXPECT_EQ(got, 0); // queued, not called on the posting thread
    for (int i = 0; i < 100 && !got; ++i)
        ProcessSystemEvents();
    EXPECT_EQ(got, 0x9000);
    EXPECT_EQ(gotW, 7u);
    EXPECT_EQ(gotL, 11u);
    EXPECT_EQ(where, std::this_thread::get_id());
    RemoveWinMsgCallback(main_, 0x9000);
    got = 0;
    PostWindowMessage(window, 0x9000, 1, 1);
    ProcessSystemEvents();
    EXPECT_EQ(got, 0);
}

TEST_F(UiTest, DeferredCallsFromAnotherThreadRunOnTheUiThread) {
    static std::thread::id where;
    static int calls = 0;
    calls = 0;
    int data = 5;
    auto fn = [](void* d) {
        calls += *static_cast<int*>(d);
        where = std::this_thread::get_id();
    };
    std::thread t([&] { EXPECT_EQ(PostDeferredCall(fn, &data), 0); });
    t.join();
    EXPECT_EQ(calls, 0); // queued, not called on the posting thread
    for (int i = 0; i < 100 && calls == 0; ++i)
        ProcessSystemEvents();
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(where, std::this_thread::get_id());
}

TEST_F(UiTest, WaitCursorAndQuitFlags) {
    SetWaitCursor(1);
    EXPECT_EQ(GetWaitCursor(), 1);
    SetWaitCursor(0);
    EXPECT_EQ(GetWaitCursor(), 0);
    // A quit asked for before the loop runs ends it at once.
    QuitUserInterface(3);
    EXPECT_EQ(RunUserInterface(), 3);
}

TEST_F(UiTest, ClosingAPanelAsksItsCallbackAndFocusMovesAreReported) {
    DisplayPanel(main_);
    QWidget* w = UiPanelWidget(main_);
    w->close();
    EXPECT_EQ(CountOf(0, EVENT_CLOSE), 1);
    int visible = 0;
    GetPanelAttribute(main_, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 1); // the callback decides; it did not hide the panel

    // A panel without a callback just hides.
    int dlg = LoadPanel(0, TestUi(), DIALOG);
    DisplayPanel(dlg);
    UiPanelWidget(dlg)->close();
    GetPanelAttribute(dlg, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
    DiscardPanel(dlg);

    QApplication::setActiveWindow(w);
    UiCtrlWidget(main_, MAIN_STR)->setFocus(Qt::TabFocusReason);
    UiCtrlWidget(main_, MAIN_INT)->setFocus(Qt::MouseFocusReason);
    ProcessSystemEvents();
    EXPECT_EQ(CountOf(MAIN_STR, EVENT_GOT_FOCUS), 1);
    EXPECT_EQ(CountOf(MAIN_STR, EVENT_LOST_FOCUS), 1);
    EXPECT_EQ(CountOf(MAIN_INT, EVENT_GOT_FOCUS), 1);
    EXPECT_EQ(GetActiveCtrl(main_), MAIN_INT);
    SetActiveCtrl(main_, MAIN_STR); // from code: no events
    ProcessSystemEvents();
    EXPECT_EQ(CountOf(MAIN_STR, EVENT_GOT_FOCUS), 1);
    EXPECT_EQ(GetActiveCtrl(main_), MAIN_STR);
}
