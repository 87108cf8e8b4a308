// Screen fit, control geometry, the about panel and the graph picture.
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "export/graph_picture.h"
#include "test_output_support.h"
#include "ui/ui_qt.h"
#include "workspace/layout.h"

namespace {

using namespace output_test;

struct FitCase {
    const char* what;
    int w, h, sw, sh;
    PanelFit want;
};

TEST(FitToScreen, EnlargesShrinksAndCentres) {
    // Centred with the frame: (screen - size - frame) / 2.
    const FitCase cases[] = {
        {"reference screen: kept, centred", 1000, 700, 1920, 1036, {1000, 700, 152, 457, true}},
        {"big screen: enlarged in proportion", 1000, 700, 2560, 1440, {1333, 973, 218, 610, true}},
        {"fits on a small screen: only centred", 1000, 700, 1024, 768, {1000, 700, 18, 9, true}},
        {"framed size exactly the screen", 1018, 737, 1024, 768, {1018, 737, 0, 0, true}},
        {"one pixel too high: shrunk", 1018, 740, 1024, 768, {1014, 737, 0, 2, true}},
        {"too high: shrunk alike to the screen", 800, 1200, 1920, 1036, {670, 1005, 0, 622, true}},
        {"less than twice too wide: shrunk", 2800, 600, 1920, 1036, {1914, 410, 297, 0, true}},
        {"no screen size: left alone", 1000, 700, 0, 0, {1000, 700, 0, 0, false}},
        {"no screen height: left alone", 1000, 700, 1920, 0, {1000, 700, 0, 0, false}},
    };
    for (const FitCase& c : cases) {
        const PanelFit got = layout_FitToScreen(c.w, c.h, c.sw, c.sh);
        EXPECT_EQ(got.width, c.want.width) << c.what;
        EXPECT_EQ(got.height, c.want.height) << c.what;
        EXPECT_EQ(got.placed, c.want.placed) << c.what;
        if (c.want.placed) {
            EXPECT_EQ(got.top, c.want.top) << c.what;
            EXPECT_EQ(got.left, c.want.left) << c.what;
        }
    }
}

class LayoutTest : public OutputTest {};

TEST_F(LayoutTest, GeometryHelpersAndTheGraphsTwoWidths) {
    const Rect saved = [] {
        Rect r{};
        main_GetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, &r);
        return r;
    }();
    main_SetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, Rect{40, 30, 210, 320});
    Rect r{};
    main_GetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, &r);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.height, 210);
    EXPECT_EQ(r.width, 320);

    Rect deco{};
    main_GetControlGeometrie(hMainPanel, MAINP_FWHMMODE_DECO, &deco);
    for (int big : {0, 1}) {
        Main_MakeMainGraph_Small_or_Big(big);
        main_GetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, &r);
        EXPECT_EQ(r.left + r.width, deco.left + (big ? deco.width : 0)) << big;
        EXPECT_EQ(r.height, deco.height) << big;
    }
    main_SetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, saved);
}

int AboutVisible() {
    int v = -1;
    GetPanelAttribute(hAboutPanel, ATTR_VISIBLE_PANEL, &v);
    return v;
}

QPoint Centre(int control) {
    Rect r{};
    main_GetControlGeometrie(hAboutPanel, control, &r);
    return {r.left + r.width / 2, r.top + r.height / 2};
}

TEST_F(LayoutTest, AboutClosesByEscAndClicksButNotOnALink) {
    about_MakeLinks();
    QWidget* panel = UiPanelWidget(hAboutPanel);
    Rect link{};
    main_GetControlGeometrie(hAboutPanel, ABOUT_LINK_MAIL, &link);
    // Beside the link's text, inside its control, so nothing is opened.
    const QPoint onLink(link.left + link.width - 3, link.top + link.height / 2);
    struct Case {
        const char* what;
        std::function<void(QWindow*)> act;
        int staysOpen;
    };
    const Case cases[] = {
        {"Esc", [](QWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }, 0},
        {"another key", [](QWindow* w) { QTest::keyClick(w, Qt::Key_A); }, 1},
        {"left click on a text",
         [](QWindow* w) { QTest::mouseClick(w, Qt::LeftButton, {}, Centre(ABOUT_ABOUT_TITLE)); },
         0},
        {"right click on the panel",
         [](QWindow* w) { QTest::mouseClick(w, Qt::RightButton, {}, QPoint(3, 3)); }, 0},
        {"left click on a link",
         [&](QWindow* w) { QTest::mouseClick(w, Qt::LeftButton, {}, onLink); }, 1},
        {"closing it", [&](QWindow*) { panel->close(); }, 0},
    };
    for (const Case& c : cases) {
        about(0, 0, nullptr, 0);
        ASSERT_EQ(AboutVisible(), 1) << c.what;
        int config = -1;
        GetCtrlAttribute(hAboutPanel, ABOUT_CONFIG, ATTR_VISIBLE, &config);
        EXPECT_EQ(config, 0) << c.what;
        QWindow* window = panel->windowHandle();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        c.act(window);
        EXPECT_EQ(AboutVisible(), c.staysOpen) << c.what;
        if (!c.staysOpen) {
            GetCtrlAttribute(hAboutPanel, ABOUT_CONFIG, ATTR_VISIBLE, &config);
            EXPECT_EQ(config, 1) << c.what;
        }
        HidePanel(hAboutPanel);
    }
    std::string text;
    GetCtrlVal(hAboutPanel, ABOUT_LINK_MAIL, &text);
    EXPECT_NE(text.find("href=\"mailto:"), std::string::npos) << text;
}

// A red graph with a curve, saved through the File menu command.
TEST_F(LayoutTest, SavedGraphIsABaselineJpegOfTheGraphInItsColours) {
    if (!HaveTool("identify") || !HaveTool("djpeg"))
        GTEST_SKIP() << "identify or djpeg is not installed";
    DisplayPanel(hMainPanel);
    SetGraphColors(hMainPanel, MAINP_SPECGRAPH, 0xFF0000, 0xFF0000, 0x000000);
    const double y[] = {1, 3, 2, 5, 4};
    ASSERT_GT(
        PlotY(hMainPanel, MAINP_SPECGRAPH, y, 5, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0x0000FF),
        0);
    const fs::path chosen = dir_ / "graph";
    popup_script::PushFile(chosen.string(), VAL_NEW_FILE_SELECTED);
    FileSaveGraph(0, 0, nullptr, 0);
    DeleteGraphPlot(hMainPanel, MAINP_SPECGRAPH, -1, VAL_IMMEDIATE_DRAW);
    const fs::path file = dir_ / "graph.jpg";
    ASSERT_TRUE(fs::exists(file)) << "the name gets .jpg";
    EXPECT_EQ(popup_script::Record().size(), 1u) << "only the file dialog";

    const std::string info = Shell("identify -verbose '" + file.string() + "'");
    Rect graph{};
    main_GetControlGeometrie(hMainPanel, MAINP_SPECGRAPH, &graph);
    EXPECT_NE(info.find("Quality: 75"), std::string::npos) << info;
    EXPECT_NE(info.find("Interlace: None"), std::string::npos) << "baseline";
    EXPECT_NE(info.find("Geometry: " + std::to_string(graph.width) + "x" +
                        std::to_string(graph.height) + "+0+0"),
              std::string::npos)
        << info;

    // The middle of the plot area is red after decoding: no channel swap.
    const std::string ppm = Shell("djpeg -pnm '" + file.string() + "'");
    int w = 0, h = 0, max = 0, used = 0;
    ASSERT_EQ(std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used), 3);
    const std::size_t at = std::size_t(used) + 1 + 3 * (std::size_t(h / 2) * w + w / 2 + 7);
    ASSERT_LT(at + 2, ppm.size());
    EXPECT_GT(static_cast<unsigned char>(ppm[at]), 200);
    EXPECT_LT(static_cast<unsigned char>(ppm[at + 1]), 60);
    EXPECT_LT(static_cast<unsigned char>(ppm[at + 2]), 60);
}

TEST_F(LayoutTest, PictureFailuresAreToldAndWriteNothing) {
    popup_script::PushFile("", VAL_NO_FILE_SELECTED);
    FileSaveGraph(0, 0, nullptr, 0);
    ASSERT_EQ(popup_script::Record().size(), 2u);
    EXPECT_EQ(popup_script::Record()[1].title, "No file");
    EXPECT_EQ(popup_script::Record()[1].text, "File not saved! No file selected.");
    EXPECT_EQ(GetWaitCursor(), 0);

    for (const char* target : {"/dev/full", "/nonexistent-dir/graph.jpg"}) {
        popup_script::Clear();
        EXPECT_EQ(Jpg_SavePanelControlToFile(hMainPanel, MAINP_SPECGRAPH, target, 75), 1);
        ASSERT_EQ(popup_script::Record().size(), 1u) << target;
        EXPECT_NE(popup_script::Record()[0].text.find(target), std::string::npos)
            << popup_script::Record()[0].text;
    }
    EXPECT_FALSE(fs::exists("/nonexistent-dir"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(LayoutTest, PrintScreenPrintsTheMainWindowOnOnePage) {
    if (!HaveTool("pdfinfo"))
        GTEST_SKIP() << "pdfinfo is not installed";
    // Cancelled: nothing written.
    popup_script::Push({0, ""});
    FilePrintScreen(0, 0, nullptr, 0);
    EXPECT_TRUE(fs::is_empty(dir_));
    // The print dialog, or with no printer the file dialog, names the PDF.
    const fs::path pdf = dir_ / "window.pdf";
    popup_script::Push({1, pdf.string()});
    FilePrintScreen(0, 0, nullptr, 0);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_NE(Shell("pdfinfo '" + pdf.string() + "'").find("Pages:           1\n"),
              std::string::npos);
}

} // namespace
