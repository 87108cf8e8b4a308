// The real file chooser in each of its modes, and the wheel over a control.
#include <QAbstractSpinBox>
#include <QFile>
#include <QTemporaryDir>
#include <QWheelEvent>

#include "ui_test_support.h"
#include "ui_testing/dialogs.h"

namespace {

using uitesting::Answering;

// Runs the chooser; answers its dialogs in turn with `steps`.
int Choose(int button, const QString& folder, const char* filter, std::string* path,
           std::vector<std::function<void(QWidget*)>> steps) {
    char chosen[1024] = {};
    std::size_t next = 0;
    int r = 0;
    EXPECT_TRUE(Answering(
        [&] {
            r = FileSelectPopup(folder.toUtf8().constData(), "*.csv", filter, "Choose", button, 0,
                                1, 1, 1, chosen, sizeof chosen);
        },
        [&](QWidget* w) {
            if (next < steps.size())
                steps[next++](w);
            else
                w->close();
        }));
    *path = chosen;
    return r;
}

auto Type(const QString& name) {
    return [name](QWidget* w) { uitesting::TypeAndAccept(*qobject_cast<QFileDialog*>(w), name); };
}
auto Answer(QMessageBox::StandardButton b, QString* text = nullptr) {
    return [b, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        if (text)
            *text = box->text();
        uitesting::Click(*box, b);
    };
}
void Cancel(QWidget* w) {
    qobject_cast<QDialog*>(w)->reject();
}

class ChooserTest : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        popup_script::Enable(false);
        ASSERT_TRUE(dir_.isValid());
        QFile f(dir_.filePath("old.csv"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void TearDown() override {
        popup_script::Enable(true);
        UiTest::TearDown();
    }
    QTemporaryDir dir_;
};

TEST_F(ChooserTest, SaveTakesANewNameAndAsksBeforeReplacing) {
    for (int button : {VAL_SAVE_BUTTON, VAL_OK_BUTTON}) {
        SCOPED_TRACE(button);
        std::string path;
        // The filter's extension is added to a bare name.
        EXPECT_EQ(Choose(button, dir_.path(), "*.csv", &path, {Type("new")}),
                  VAL_NEW_FILE_SELECTED);
        EXPECT_EQ(QString::fromStdString(path), dir_.filePath("new.csv"));

        QString asked;
        EXPECT_EQ(Choose(button, dir_.path(), "*.csv", &path,
                         {Type("old"), Answer(QMessageBox::No, &asked), Cancel}),
                  VAL_NO_FILE_SELECTED);
        EXPECT_TRUE(asked.contains("old.csv already exists")) << asked.toStdString();
        EXPECT_EQ(Choose(button, dir_.path(), "*.csv", &path,
                         {Type("old.csv"), Answer(QMessageBox::Yes)}),
                  VAL_EXISTING_FILE_SELECTED);
        EXPECT_EQ(QString::fromStdString(path), dir_.filePath("old.csv"));
    }
}

TEST_F(ChooserTest, OpenNeedsAnExistingFile) {
    std::string path;
    bool tookMissing = true;
    EXPECT_EQ(Choose(VAL_LOAD_BUTTON, dir_.path(), "*.csv", &path, {[&](QWidget* w) {
                         auto& d = *qobject_cast<QFileDialog*>(w);
                         tookMissing = uitesting::Type(d, "missing.csv");
                         uitesting::TypeAndAccept(d, "old.csv");
                     }}),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_FALSE(tookMissing);
    EXPECT_EQ(QString::fromStdString(path), dir_.filePath("old.csv"));
}

TEST_F(ChooserTest, StartsInTheFolderGivenElseHomeWithTheFilterOfTheKind) {
    const struct {
        QString folder;
        const char* filters;
        QString expectFolder, expectFilter;
    } cases[] = {
        {dir_.path(), "*.csv", dir_.path(), "*.csv"},
        {"", "*.csv", QDir::homePath(), "*.csv"},
        {".", "*.csv", QDir::homePath(), "*.csv"},
        {dir_.filePath("gone"), "*.csv", QDir::homePath(), "*.csv"},
        {dir_.path(), "Text (*.txt);Tables (*.csv *.tsv)", dir_.path(), "Tables (*.csv *.tsv)"},
        {dir_.path(), "*.txt;*.dat", dir_.path(), "*.txt *.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString() + " " + c.filters);
        for (int button : {VAL_SAVE_BUTTON, VAL_LOAD_BUTTON}) {
            uitesting::Chooser seen;
            std::string path;
            Choose(button, c.folder, c.filters, &path, {[&](QWidget* w) {
                       seen = uitesting::Settings(*qobject_cast<QFileDialog*>(w));
                       Cancel(w);
                   }});
            EXPECT_EQ(seen.folder, c.expectFolder);
            EXPECT_EQ(seen.filter, c.expectFilter);
            EXPECT_EQ(seen.save, button == VAL_SAVE_BUTTON);
        }
    }
}

// The wheel reaches the control's callback before the value moves; a
// callback returning 1 keeps the value as it was.
int g_swallow = 0;
double g_valueSeen = -1;
int WheelCb(int panel, int control, int event, void*, int d1, int d2) {
    Seen().push_back({panel, control, event, d1, d2});
    if (event != EVENT_MOUSE_WHEEL_SCROLL)
        return 0;
    GetCtrlVal(panel, control, &g_valueSeen);
    return g_swallow;
}

TEST_F(UiTest, WheelIsSwallowedWhenTheCallbackSaysSo) {
    RegisterCtrlCallback("CountingCb", WheelCb);
    ASSERT_EQ(SetCtrlVal(main_, MAIN_INT, 7), 0);
    QWidget* spin = UiCtrlWidget(main_, MAIN_INT);
    DisplayPanel(main_);
    for (int swallow : {1, 0}) {
        SCOPED_TRACE(swallow);
        g_swallow = swallow;
        Seen().clear();
        const QPointF at(spin->width() / 2.0, spin->height() / 2.0);
        QWheelEvent notch(at, spin->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(spin, &notch);
        double value = 0;
        GetCtrlVal(main_, MAIN_INT, &value);
        EXPECT_EQ(value, swallow ? 7 : 8);
        EXPECT_EQ(g_valueSeen, 7);
        ASSERT_FALSE(Seen().empty());
        EXPECT_EQ(Seen()[0].event, EVENT_MOUSE_WHEEL_SCROLL);
        EXPECT_EQ(Seen()[0].d1, 1);
        EXPECT_EQ(CountOf(MAIN_INT, EVENT_COMMIT), swallow ? 0 : 1);
    }
}

} // namespace
