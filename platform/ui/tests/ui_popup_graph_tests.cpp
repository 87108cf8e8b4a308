// Scripted popups, modal panels, graphs, images, printing, locale, and the
// program's own resource files.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <clocale>
#include <cstring>

#include "ui_test_support.h"
#include "ui_testing/dialogs.h"
#include "ui_testing/misuse.h"

using popup_script::Kind;

TEST_F(UiTest, ScriptedPopupsAnswerInOrderAndRecordWhatWasShown) {
    popup_script::PushConfirm(true);
    popup_script::PushPrompt("a long answer", true);
    popup_script::PushPrompt("", false);
    popup_script::PushPrompt("secret", true);
    popup_script::PushChoice(2);

    EXPECT_EQ(MessagePopup("Message", "Maximum number of points reached!"), 0); // takes no answer
    EXPECT_EQ(ConfirmPopup("Quit", "Do you really want to exit?"), 1);
    char buf[7];
    EXPECT_EQ(PromptPopup("Name", "Enter", buf, 6), 0);
    EXPECT_STREQ(buf, "a long"); // cut to the maximum length
    EXPECT_LT(PromptPopup("Name", "Enter", buf, 6), 0);
    EXPECT_EQ(PasswordPopup("Password", "Enter password", buf, 6), 0);
    EXPECT_STREQ(buf, "secret");
    EXPECT_EQ(GenericMessagePopup("Choose", "Which?", "A", "B", "C"), 2);
    EXPECT_EQ(popup_script::Pending(), 0u);
    EXPECT_EQ(ConfirmPopup("Again", "Sure?"), 0); // nothing queued: no

    const auto& r = popup_script::Record();
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].kind, Kind::Message);
    EXPECT_EQ(r[0].text, "Maximum number of points reached!");
    EXPECT_EQ(r[1].kind, Kind::Confirm);
    EXPECT_EQ(r[1].title, "Quit");
    EXPECT_EQ(r[4].kind, Kind::Password);
    EXPECT_EQ(r[6].title, "Again");
}

TEST_F(UiTest, FileSelectTellsOkCancelAndErrorApart) {
    char path[32];
    popup_script::PushFile("/tmp/a.spc", VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(FileSelectPopup("/data", "a.spc", "*.spc;*.txt", "Load", VAL_LOAD_BUTTON, 0, 0, 1, 0,
                              path, sizeof path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_STREQ(path, "/tmp/a.spc");
    const auto& shown = popup_script::Record().back();
    EXPECT_EQ(shown.kind, Kind::FileSelect);
    EXPECT_EQ(shown.directory, "/data");
    EXPECT_EQ(shown.defaultName, "a.spc");
    EXPECT_EQ(shown.text, "*.spc;*.txt");

    EXPECT_EQ(
        FileSelectPopup("", "", "*.csv", "Save", VAL_SAVE_BUTTON, 0, 0, 1, 1, path, sizeof path),
        VAL_NO_FILE_SELECTED); // nothing queued: cancelled
    EXPECT_STREQ(path, "");

    // A path that does not fit is refused, not cut into another file's name.
    popup_script::PushFile("/a/very/long/folder/name/that/does/not/fit.csv", VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(
        FileSelectPopup("", "", "*.csv", "Save", VAL_SAVE_BUTTON, 0, 0, 1, 1, path, sizeof path),
        UI_ERR_BUFFER);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(FileSelectPopup("", "", "", "Save", VAL_SAVE_BUTTON, 0, 0, 1, 1, nullptr, 0),
              UI_ERR_BUFFER);
}

TEST_F(UiTest, ModalPanelReturnsTheCommittingControl) {
    int dlg = LoadPanel(main_, TestUi(), DIALOG);
    ASSERT_GT(dlg, 0);
    popup_script::PushChoice(DIALOG_OK);
    EXPECT_EQ(RunModalPanel(dlg, {DIALOG_OK, DIALOG_CANCEL}), DIALOG_OK);
    EXPECT_EQ(CountOf(DIALOG_OK, EVENT_COMMIT), 1); // its callback ran as on a click
    EXPECT_EQ(popup_script::Record().back().title, "Question");
    EXPECT_EQ(RunModalPanel(dlg, {DIALOG_OK}), 0);

    // Unscripted, the panel really runs modally until the user commits one.
    popup_script::Enable(false);
    QTimer::singleShot(
        0, [dlg] { QTest::mouseClick(UiCtrlWidget(dlg, DIALOG_CANCEL), Qt::LeftButton); });
    EXPECT_EQ(RunModalPanel(dlg, {DIALOG_OK, DIALOG_CANCEL}), DIALOG_CANCEL);
    int visible = 1;
    GetPanelAttribute(dlg, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
    QTimer::singleShot(0, [dlg] { UiPanelWidget(dlg)->close(); });
    EXPECT_EQ(RunModalPanel(dlg, {DIALOG_OK}), 0);
    popup_script::Enable(true);

    ASSERT_EQ(InstallPopup(dlg), 0);
    GetPanelAttribute(dlg, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 1);
    EXPECT_EQ(RemovePopup(0), 0);
    GetPanelAttribute(dlg, ATTR_VISIBLE_PANEL, &visible);
    EXPECT_EQ(visible, 0);
}

// The real password prompt: its field has words beside it (the message, or
// "Password:" without one), hides what is typed and gives it back.
TEST_F(UiTest, PasswordPromptLabelsItsMaskedField) {
    const struct {
        const char* message;
        const char* label;
    } cases[] = {{"", "Password:"},
                 {"Input a password to execute *PARA:SERN firmware command",
                  "Input a password to execute *PARA:SERN firmware command"}};
    popup_script::Enable(false);
    for (const auto& c : cases) {
        std::string label;
        bool masked = false;
        char typed[50] = {};
        int result = -1;
        const auto user = [&](QWidget* w) {
            auto* prompt = qobject_cast<QInputDialog*>(w);
            if (prompt == nullptr)
                return;
            label = prompt->findChild<QLabel*>()->text().toStdString();
            auto* field = prompt->findChild<QLineEdit*>();
            masked = field->echoMode() == QLineEdit::Password;
            QTest::keyClicks(field, "6043");
            QTest::keyClick(field, Qt::Key_Return);
        };
        EXPECT_TRUE(ui_testing::Answering(
            [&] { result = PasswordPopup("Password", c.message, typed, 49); }, user));
        EXPECT_EQ(result, 0);
        EXPECT_EQ(label, c.label);
        EXPECT_TRUE(masked);
        EXPECT_STREQ(typed, "6043");
    }
    popup_script::Enable(true);
}

// A quit ends the real dialog that is open, and no later one waits, until
// the event loop has ended.
TEST_F(UiTest, QuitEndsTheOpenDialogAndNoneWaitsAfterIt) {
    int dlg = LoadPanel(main_, TestUi(), DIALOG);
    ASSERT_GT(dlg, 0);
    popup_script::Enable(false);
    QTimer::singleShot(0, [] { QuitUserInterface(4); });
    EXPECT_EQ(ConfirmPopup("Quit", "Do you really want to exit?"), 0);
    EXPECT_EQ(MessagePopup("ERROR", "Could not read sensor list!"), 0);
    EXPECT_EQ(RunModalPanel(dlg, {DIALOG_OK}), 0);
    popup_script::Enable(true);
    EXPECT_EQ(RunUserInterface(), 4);
}

namespace {
std::vector<double> Ramp(int n, double step) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = i * step;
    return v;
}
} // namespace

TEST_F(UiTest, PlotHandlesAreNeverReusedAndStaleDeletesAreHarmless) {
    auto x = Ramp(11, 1.0), y = Ramp(11, 2.0);
    int p1 = PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT,
                    VAL_SOLID, 0xFF0000);
    int p2 = PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_SCATTER, VAL_SOLID_SQUARE,
                    VAL_SOLID, 0x0000FF);
    ASSERT_GT(p1, 0);
    ASSERT_GT(p2, p1);
    int n = 0;
    GetNumGraphPlots(main_, MAIN_GRAPH, &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(DeleteGraphPlot(main_, MAIN_GRAPH, p1, VAL_IMMEDIATE_DRAW), 0);
    EXPECT_EQ(DeleteGraphPlot(main_, MAIN_GRAPH, p1, VAL_IMMEDIATE_DRAW), 0); // stale: no-op
    EXPECT_EQ(DeleteGraphPlot(main_, MAIN_GRAPH, 987654, VAL_IMMEDIATE_DRAW), 0);
    GetNumGraphPlots(main_, MAIN_GRAPH, &n);
    EXPECT_EQ(n, 1);
    int line = PlotLine(main_, MAIN_GRAPH, 3, 0, 3, 10, 0x800080);
    EXPECT_GT(line, p2);
    int p3 = PlotY(main_, MAIN_GRAPH, y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT, VAL_DASH, 0);
    EXPECT_GT(p3, line);
    DeleteGraphPlot(main_, MAIN_GRAPH, -1, VAL_DELAYED_DRAW);
    GetNumGraphPlots(main_, MAIN_GRAPH, &n);
    EXPECT_EQ(n, 0);
    int p4 = PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT,
                    VAL_SOLID, 0);
    EXPECT_GT(p4, p3);
    EXPECT_LT(PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 0, 0, 0, 0, 0), 0);
    {
        ui_testing::ExpectToolkitMisuse misuse;
        EXPECT_EQ(PlotXY(main_, MAIN_INT, x.data(), y.data(), 11, 0, 0, 0, 0), UI_ERR_TYPE);
    }
    EXPECT_TRUE(Seen().empty());
}

TEST_F(UiTest, AxesKeepTheirScalingAndNames) {
    auto x = Ramp(11, 1.0), y = Ramp(11, 2.0);
    PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0);
    int mode = -1;
    double lo = 0, hi = 0;
    GetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, &mode, &lo, &hi);
    EXPECT_EQ(mode, VAL_AUTOSCALE);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 20.0);
    ASSERT_EQ(SetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 108.9), 0);
    PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0);
    GetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, &mode, &lo, &hi);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(hi, 108.9); // plotting leaves a manual range alone
    EXPECT_EQ(SetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, VAL_MANUAL, 5.0, 5.0), UI_ERR_RANGE);
    EXPECT_EQ(SetAxisName(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, "Transmission/Reflexion [%]"), 0);
    EXPECT_EQ(SetAxisPrecision(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, 3), 0);
    EXPECT_EQ(SetAxisDivisions(main_, MAIN_GRAPH, VAL_XAXIS, 10), 0);
    EXPECT_EQ(SetAxisName(main_, MAIN_GRAPH, 7, "x"), UI_ERR_RANGE);
    EXPECT_EQ(SetGraphColors(main_, MAIN_GRAPH, 0xFFFFFF, 0xE0E0E0, 0), 0);
}

TEST_F(UiTest, CursorsSnapToPointsAndReportUserDrags) {
    auto x = Ramp(11, 1.0), y = Ramp(11, 2.0);
    int p = PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT,
                   VAL_SOLID, 0);
    SetGraphCursor(main_, MAIN_GRAPH, 1, 2.4, 0.0);
    double cx = 0, cy = 0;
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 2.0);
    EXPECT_EQ(cy, 4.0);
    int plot = 0, index = -1;
    ASSERT_EQ(GetGraphCursorIndex(main_, MAIN_GRAPH, 1, &plot, &index), 0);
    EXPECT_EQ(plot, p);
    EXPECT_EQ(index, 2);
    SetGraphCursor(main_, MAIN_GRAPH, 1, 2.6, 0.0);
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 3.0);
    SetGraphCursor(main_, MAIN_GRAPH, 1, 99.0, 0.0);
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 10.0); // beyond the data: the last point

    SetCursorSnap(main_, MAIN_GRAPH, 2, 0);
    SetGraphCursor(main_, MAIN_GRAPH, 2, 2.4, 1.5);
    GetGraphCursor(main_, MAIN_GRAPH, 2, &cx, &cy);
    EXPECT_EQ(cx, 2.4);
    EXPECT_EQ(cy, 1.5);
    EXPECT_EQ(GetGraphCursorIndex(main_, MAIN_GRAPH, 2, &plot, &index), UI_ERR_HANDLE);

    ASSERT_EQ(SetGraphCursorIndex(main_, MAIN_GRAPH, 1, p, 7), 0);
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 7.0);
    EXPECT_EQ(cy, 14.0);
    EXPECT_EQ(SetGraphCursorIndex(main_, MAIN_GRAPH, 1, p, 11), UI_ERR_RANGE);
    EXPECT_TRUE(Seen().empty()); // set from code: no event

    // Deleting the plot under a cursor leaves it where it was.
    DeleteGraphPlot(main_, MAIN_GRAPH, p, VAL_IMMEDIATE_DRAW);
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 7.0);
    EXPECT_EQ(GetGraphCursorIndex(main_, MAIN_GRAPH, 1, &plot, &index), UI_ERR_HANDLE);

    // The user drags cursor 1: moves while dragging, commit on release, snapped.
    p = PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 11, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID,
               0);
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, 10.0);
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 20.0);
    SetGraphCursorIndex(main_, MAIN_GRAPH, 1, p, 1);
    SetActiveGraphCursor(main_, MAIN_GRAPH, 1);
    DisplayPanel(main_);
    QWidget* plotW = UiCtrlWidget(main_, MAIN_GRAPH);
    ASSERT_NE(plotW, nullptr);
    RefreshGraph(main_, MAIN_GRAPH);
    ProcessSystemEvents();
    // Press on cursor 1 (at x = 1), release near the point x = 8.
    extern bool UiTestPixelOf(QWidget*, double, double, QPoint*);
    QPoint from, to;
    ASSERT_TRUE(UiTestPixelOf(plotW, 1.0, 2.0, &from));
    ASSERT_TRUE(UiTestPixelOf(plotW, 7.8, 15.0, &to));
    QTest::mousePress(plotW, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(plotW, to);
    QTest::mouseRelease(plotW, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_GE(CountOf(MAIN_GRAPH, EVENT_VAL_CHANGED), 1);
    ASSERT_EQ(CountOf(MAIN_GRAPH, EVENT_COMMIT), 1);
    for (const auto& e : Seen()) {
        if (e.event == EVENT_COMMIT) {
            EXPECT_EQ(e.d1, 1);
        }
    }
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, 8.0);
    EXPECT_EQ(cy, 16.0);
}

TEST_F(UiTest, LongCurvesKeepEveryPointForCursorsAndScaling) {
    // Long curves are drawn from a reduced copy; nothing the program reads may
    // come from it.
    const int n = 204801;
    std::vector<double> x(n), y(n, 1.0);
    for (int i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = 200.0 + i * 0.01;
    y[54321] = 500.0; // one narrow spike
    y[54322] = -7.0;
    int p =
        PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), n, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0);
    ASSERT_GT(p, 0);
    double lo = 0, hi = 0;
    GetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, nullptr, &lo, &hi);
    EXPECT_EQ(hi, 500.0);
    EXPECT_EQ(lo, -7.0);
    SetGraphCursor(main_, MAIN_GRAPH, 1, x[54322] + 0.001, 0);
    double cx = 0, cy = 0;
    GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
    EXPECT_EQ(cx, x[54322]);
    EXPECT_EQ(cy, -7.0);
    int plot = 0, index = 0;
    GetGraphCursorIndex(main_, MAIN_GRAPH, 1, &plot, &index);
    EXPECT_EQ(index, 54322);
    // Zoomed in, then automatic again: the whole curve's range comes back.
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, VAL_MANUAL, 400.0, 410.0);
    RefreshGraph(main_, MAIN_GRAPH);
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, VAL_AUTOSCALE, 0, 0);
    GetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, nullptr, &lo, &hi);
    EXPECT_EQ(lo, 200.0);
    EXPECT_EQ(hi, x[n - 1]);
    // The spike is still drawn when zoomed out: a column of the image shows it.
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, -10.0, 510.0);
    SetPlotColor(main_, MAIN_GRAPH, p, 0xFF0000);
    UiImage img;
    ASSERT_EQ(GetCtrlImage(main_, MAIN_GRAPH, &img), 0);
    int topRed = img.height;
    for (int yy = 0; yy < img.height; ++yy)
        for (int xx = 0; xx < img.width; ++xx)
            if ((img.pixels[static_cast<std::size_t>(yy * img.width + xx)] & 0xFFFFFF) == 0xFF0000)
                topRed = std::min(topRed, yy);
    EXPECT_LT(topRed, img.height / 4); // the spike reaches near the top
}

TEST_F(UiTest, AnnotationsHaveIdsAndAreFoundByCaption) {
    int a1 = AddGraphAnnotation(main_, MAIN_GRAPH, 1.0, 2.0, "Peak 1 \n X: 1.00 ", 0);
    int a10 = AddGraphAnnotation(main_, MAIN_GRAPH, 5.0, 2.0, "Peak 10 \n X: 5.00 ", 0);
    ASSERT_GT(a1, 0);
    ASSERT_GT(a10, a1);
    int id = 0;
    ASSERT_EQ(GetAnnotationIdFromCaption(main_, MAIN_GRAPH, "Peak 1", &id), 0);
    EXPECT_EQ(id, a1);
    ASSERT_EQ(GetAnnotationIdFromCaption(main_, MAIN_GRAPH, "Peak 10", &id), 0);
    EXPECT_EQ(id, a10);
    EXPECT_EQ(GetAnnotationIdFromCaption(main_, MAIN_GRAPH, "Peak 2", &id), UI_ERR_HANDLE);
    SetAnnotationAttribute(main_, MAIN_GRAPH, -1, ATTR_ANNOTATION_XOFFSET, -25);
    SetAnnotationAttribute(main_, MAIN_GRAPH, -1, ATTR_ANNOTATION_BGCOLOR, 0xE0E0E0);
    int v = 0;
    GetAnnotationAttribute(main_, MAIN_GRAPH, a10, ATTR_ANNOTATION_XOFFSET, &v);
    EXPECT_EQ(v, -25);
    GetAnnotationAttribute(main_, MAIN_GRAPH, a1, ATTR_ANNOTATION_BGCOLOR, &v);
    EXPECT_EQ(v, 0xE0E0E0);
    SetAnnotationCaption(main_, MAIN_GRAPH, a1, "Valley 1");
    std::string cap;
    GetAnnotationCaption(main_, MAIN_GRAPH, a1, &cap);
    EXPECT_EQ(cap, "Valley 1");
    EXPECT_EQ(DeleteGraphAnnotation(main_, MAIN_GRAPH, a1), 0);
    EXPECT_EQ(DeleteGraphAnnotation(main_, MAIN_GRAPH, a1), 0); // unknown: no-op
    int n = 0;
    GetNumAnnotations(main_, MAIN_GRAPH, &n);
    EXPECT_EQ(n, 1);
    EXPECT_GT(AddGraphAnnotation(main_, MAIN_GRAPH, 0, 0, "x", 0), a10); // ids not reused
    DeleteGraphAnnotation(main_, MAIN_GRAPH, -1);
    GetNumAnnotations(main_, MAIN_GRAPH, &n);
    EXPECT_EQ(n, 0);
}

TEST_F(UiTest, GraphImageShowsThePlottedCurve) {
    std::vector<double> x = {0, 10}, y = {5, 5};
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 10);
    PlotXY(main_, MAIN_GRAPH, x.data(), y.data(), 2, VAL_FAT_LINE, VAL_NO_POINT, VAL_SOLID,
           0xFF0000);
    UiImage img;
    ASSERT_EQ(GetCtrlImage(main_, MAIN_GRAPH, &img), 0);
    EXPECT_EQ(img.width, 380);
    EXPECT_EQ(img.height, 300);
    ASSERT_EQ(img.pixels.size(), static_cast<std::size_t>(img.width * img.height));
    std::size_t red = 0;
    for (std::uint32_t px : img.pixels)
        if ((px & 0xFFFFFF) == 0xFF0000)
            ++red;
    EXPECT_GT(red, 100u);
    UiImage panel;
    ASSERT_EQ(GetPanelImage(main_, &panel), 0);
    EXPECT_EQ(panel.width, 800);
}

TEST_F(UiTest, PrintsAPanelToPdf) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string pdf = dir.filePath("ui_print_test.pdf").toStdString();
    // An old file is replaced whole.
    {
        QFile old(QString::fromStdString(pdf));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    ASSERT_EQ(PrintPanel(main_, pdf.c_str()), 0);
    QFile f(QString::fromStdString(pdf));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    // A target that cannot be replaced (a folder) fails and leaves no temporary.
    const QString blocked = dir.filePath("blocked.pdf");
    ASSERT_TRUE(QDir().mkdir(blocked));
    EXPECT_LT(PrintPanel(main_, blocked.toLocal8Bit().constData()), 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"blocked.pdf", "ui_print_test.pdf"}));
    EXPECT_LT(PrintCtrl(main_, MAIN_GRAPH, "/nonexistent-dir/x.pdf"), 0);
    // Without a file the print dialog comes up: cancelled, or printing to the file chosen in it.
    EXPECT_EQ(PrintPanel(main_, nullptr), 1);
    EXPECT_EQ(popup_script::Record().back().kind, Kind::Print);
    EXPECT_EQ(popup_script::Record().back().text, "Main test panel");
    const std::string chosen = ::testing::TempDir() + "/ui_print_dialog.pdf";
    popup_script::Push({1, chosen});
    EXPECT_EQ(PrintPanel(main_, nullptr), 0);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(chosen)));
    EXPECT_FALSE(QFileInfo::exists("/nonexistent-dir/x.pdf.part"));
}

TEST_F(UiTest, ClipboardAndLocaleFormatting) {
    ASSERT_EQ(ClipboardPutText("589.30\t1.25\n"), 0);
    std::string s;
    ClipboardGetText(&s);
    EXPECT_EQ(s, "589.30\t1.25\n");
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C"); // set at start
    EXPECT_FALSE(FormatUserLocale("%.2f", 1.5).empty());
    EXPECT_EQ(FormatUserLocale("%s", 1.5), ""); // would read a double as a pointer
    EXPECT_EQ(FormatUserLocale("%f %f", 1.5), "");
    EXPECT_EQ(FormatUserLocale("%d", 1.5), "");
    EXPECT_EQ(FormatUserLocale("%5.1f%%", 12.34).size(), 6u);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C"); // untouched by the helper
    char dp = UserDecimalPoint();
    EXPECT_TRUE(dp == '.' || dp == ',');
}

// The program's own resource files, as the resources target puts them beside
// the programs: every panel and menu bar builds.  Whether every callback named
// in them resolves is the program's own test (its callbacks are not linked
// into this one).
TEST(WorkspaceUiFiles, EveryPanelLoads) {
    for (const char* name : {"orvalin.ui", "orvalin_Protocol.ui"}) {
        const std::string path = std::string(ORVALIN_PROGRAM_UI_DIR) + "/" + name;
        ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(path))) << path;
        std::vector<std::string> problems = CheckUiFile(path.c_str());
        std::size_t unresolved = 0;
        for (const std::string& p : problems) {
            if (p.rfind("unresolved callback", 0) == 0) {
                ++unresolved;
                continue;
            }
            ADD_FAILURE() << name << ": " << p;
        }
        if (unresolved)
            std::printf("%s: %zu callback names left to the program's own test\n", name,
                        unresolved);
    }
}
