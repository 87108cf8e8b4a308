// Numbering of resource files, shared by the id generator and the loader.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <cstdlib>

#include "ui_layout.h"

namespace {

QByteArray Ui(const QByteArray& body) {
    return "<?xml version=\"1.0\"?><ui version=\"4.0\"><class>f</class>"
           "<widget class=\"QWidget\" name=\"f\">" +
           body + "</widget></ui>";
}

int IdOf(const uilayout::Layout& l, const char* name) {
    const uilayout::Entry* e = l.byConst(name);
    return e ? e->id : -1;
}

} // namespace

TEST(UiLayout, NumbersPanelsControlsPagesAndMenusInFileOrder) {
    QByteArray xml =
        Ui("<widget class=\"QWidget\" name=\"P\">"
           "  <layout class=\"QVBoxLayout\" name=\"l\"><item><widget class=\"QSpinBox\" name=\"N\">"
           "    <property name=\"callback\" "
           "stdset=\"0\"><string>Cb</string></property></widget></item>"
           "  <item><spacer name=\"s\"/></item></layout>"
           "  <widget class=\"QTabWidget\" name=\"T\">"
           "    <widget class=\"QWidget\" name=\"PG\"><widget class=\"QLineEdit\" "
           "name=\"E\"/></widget>"
           "  </widget>"
           "</widget>"
           "<widget class=\"QMenuBar\" name=\"BAR\">"
           "  <widget class=\"QMenu\" name=\"M\"><addaction name=\"A1\"/><addaction "
           "name=\"separator\"/>"
           "    <widget class=\"QMenu\" name=\"SUB\"><addaction name=\"A2\"/></widget><addaction "
           "name=\"SUB\"/>"
           "  </widget><addaction name=\"M\"/>"
           "</widget>"
           "<action name=\"A1\"><property name=\"callback\" "
           "stdset=\"0\"><string>MenuCb</string></property></action>"
           "<action name=\"A2\"/>");
    uilayout::Layout l;
    ASSERT_TRUE(uilayout::Parse(xml, "f.ui", l)) << l.error.toStdString();
    const int b = uilayout::IdBase("f.ui");
    EXPECT_EQ(l.base, b);
    EXPECT_EQ(IdOf(l, "P"), b + 1);
    EXPECT_EQ(IdOf(l, "P_N"), b + 2); // inside a layout: still the panel's
    EXPECT_EQ(IdOf(l, "P_T"), b + 3);
    EXPECT_EQ(IdOf(l, "PG"), b + 4);
    EXPECT_EQ(IdOf(l, "PG_E"), b + 5); // a page's control is named after the page
    EXPECT_EQ(IdOf(l, "BAR"), b + 6);
    EXPECT_EQ(IdOf(l, "BAR_M"), b + 7);
    EXPECT_EQ(IdOf(l, "BAR_A1"), b + 8);
    EXPECT_EQ(IdOf(l, "BAR_SUB"), b + 9);
    EXPECT_EQ(IdOf(l, "BAR_A2"), b + 10);
    EXPECT_EQ(l.entries.size(), 10u);
    EXPECT_EQ(l.byConst("P_N")->props.at("callback"), "Cb");
    EXPECT_EQ(l.byConst("BAR_A1")->props.at("callback"), "MenuCb");
    EXPECT_EQ(l.byConst("PG")->tabControl, "T");
    EXPECT_EQ(l.byId(b + 5)->constName, "PG_E");
    EXPECT_EQ(l.byId(b + 11), nullptr);
    EXPECT_EQ(l.byId(5), nullptr);
    EXPECT_TRUE(l.panelUi.count("P"));
    EXPECT_TRUE(l.menuBarUi.at("BAR").contains("name=\"A2\"")); // the actions travel with the bar
    EXPECT_NE(uilayout::IdBase("f.ui"), uilayout::IdBase("g.ui"));
}

TEST(UiLayout, RejectsNamesThatCannotBecomeConstants) {
    uilayout::Layout l;
    EXPECT_FALSE(uilayout::Parse(
        Ui("<widget class=\"QWidget\" name=\"P\"><widget class=\"QLabel\" name=\"a-b\"/></widget>"),
        "f.ui", l));
    EXPECT_NE(l.error.indexOf("a-b"), -1);
    // Panel A's control B_C and panel A_B's control C would both be A_B_C.
    EXPECT_FALSE(uilayout::Parse(
        Ui("<widget class=\"QWidget\" name=\"A\"><widget class=\"QLabel\" name=\"B_C\"/></widget>"
           "<widget class=\"QWidget\" name=\"A_B\"><widget class=\"QLabel\" name=\"C\"/></widget>"),
        "f.ui", l));
    EXPECT_NE(l.error.indexOf("duplicate id name A_B_C"), -1);
    EXPECT_FALSE(uilayout::Parse("<ui><widget class=\"QWidget\" name=\"f\"><widget", "f.ui", l));
    EXPECT_NE(l.error.indexOf("XML error"), -1);
    EXPECT_FALSE(uilayout::Parse("<ui version=\"4.0\"></ui>", "f.ui", l));
    EXPECT_FALSE(uilayout::Parse("", "f.ui", l));
}

TEST(UiLayout, FingerprintFollowsEveryRename) {
    uilayout::Layout a, b;
    ASSERT_TRUE(uilayout::Parse(
        Ui("<widget class=\"QWidget\" name=\"P\"><widget class=\"QLabel\" name=\"X\"/></widget>"),
        "f.ui", a));
    ASSERT_TRUE(uilayout::Parse(
        Ui("<widget class=\"QWidget\" name=\"P\"><widget class=\"QLabel\" name=\"Y\"/></widget>"),
        "f.ui", b));
    EXPECT_NE(a.fingerprint, b.fingerprint);
}

TEST(UiIdGenerator, FailsOnABadFileAndLeavesNoHeader) {
    const std::string dir = ::testing::TempDir();
    const std::string bad = dir + "/bad_ids.ui", header = dir + "/bad_ids.h";
    QFile::remove(QString::fromStdString(header));
    {
        QFile f(QString::fromStdString(bad));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Ui("<widget class=\"QWidget\" name=\"P\"><widget class=\"QLabel\" "
                   "name=\"a.b\"/></widget>"));
    }
    const std::string cmd = std::string(UI_IDGEN_PATH) + " " + bad + " " + header + " 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(header)));
    const std::string good =
        std::string(UI_IDGEN_PATH) + " " + UI_TEST_DATA_DIR "/ui_test.ui " + header;
    EXPECT_EQ(std::system(good.c_str()), 0);
    QFile h(QString::fromStdString(header));
    ASSERT_TRUE(h.open(QIODevice::ReadOnly));
    const QByteArray text = h.readAll();
    EXPECT_TRUE(text.contains("constexpr int MAIN_GRAPH = "));
    EXPECT_TRUE(text.contains("constexpr int MENUBAR_FILE_CHECK = "));
    EXPECT_TRUE(text.contains("UiRegisterIdFingerprint(\"ui_test.ui\""));
}
