// Panels that scale their contents when resized.
#include <QWidget>
#include <array>
#include <vector>

#include "ui_test_support.h"

namespace {

using Geo = std::array<int, 4>; // top, left, width, height

Geo GeoOf(int panel, int control) {
    Geo g{-1, -1, -1, -1};
    GetCtrlAttribute(panel, control, ATTR_TOP_C, &g[0]);
    GetCtrlAttribute(panel, control, ATTR_LEFT_C, &g[1]);
    GetCtrlAttribute(panel, control, ATTR_WIDTH_C, &g[2]);
    GetCtrlAttribute(panel, control, ATTR_HEIGHT_C, &g[3]);
    return g;
}

void Resize(int panel, int width, int height) {
    ASSERT_EQ(SetPanelAttribute(panel, ATTR_WIDTH, width), 0);
    ASSERT_EQ(SetPanelAttribute(panel, ATTR_HEIGHT, height), 0);
}

const std::vector<int>& MainControls() {
    static const std::vector<int> ids = {
        MAIN_DBL, MAIN_DBL_LABEL, MAIN_INT,   MAIN_STR,   MAIN_RING,  MAIN_LIST,  MAIN_GROUP,
        MAIN_LED, MAIN_LOG,       MAIN_TIMER, MAIN_GRAPH, MAIN_TABLE, MAIN_SWITCH};
    return ids;
}

} // namespace

TEST_F(UiTest, ScalingPanelPlacesEveryControlInProportion) {
    int on = -1;
    ASSERT_EQ(GetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, &on), 0);
    EXPECT_EQ(on, 0);
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    ASSERT_EQ(GetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, &on), 0);
    EXPECT_EQ(on, 1);

    Resize(main_, 1200, 900); // 1.5 in both directions, panel still hidden
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{15, 15, 150, 36}));
    EXPECT_EQ(GeoOf(main_, MAIN_DBL_LABEL), (Geo{15, 180, 150, 36})); // the buddy label
    EXPECT_EQ(GeoOf(main_, MAIN_GRAPH), (Geo{15, 600, 570, 450}));
    EXPECT_EQ(GeoOf(main_, MAIN_LED), (Geo{300, 435, 24, 24})); // a decoration
    EXPECT_EQ(GeoOf(main_, MAIN_TABLE), (Geo{480, 600, 570, 300}));

    // Different factors per direction; edges round separately, so controls
    // that touched in the design still touch.
    Resize(main_, 1000, 660); // 1.25 x 1.1
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{11, 13, 125, 26}));
    Geo label = GeoOf(main_, MAIN_DBL_LABEL);
    EXPECT_EQ(label[1], 150);
    EXPECT_EQ(label[2], 125);

    // The graph's plot follows its control once laid out.
    ASSERT_EQ(DisplayPanel(main_), 0);
    ProcessSystemEvents();
    QWidget* plot = UiCtrlWidget(main_, MAIN_GRAPH);
    ASSERT_NE(plot, nullptr);
    const Geo graph = GeoOf(main_, MAIN_GRAPH);
    EXPECT_EQ(plot->width(), graph[2]);
    EXPECT_EQ(plot->height(), graph[3]);

    // A resize by the user (window frame) scales as well.
    UiPanelWidget(main_)->resize(1600, 1200);
    ProcessSystemEvents();
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{20, 20, 200, 48}));
}

TEST_F(UiTest, HiddenAndLayoutManagedControlsOfAScalingPanel) {
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_STR, ATTR_VISIBLE, 0), 0);
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    Resize(main_, 1600, 1200);
    EXPECT_EQ(GeoOf(main_, MAIN_STR), (Geo{380, 20, 200, 48}));
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_STR, ATTR_VISIBLE, 1), 0);
    EXPECT_EQ(GeoOf(main_, MAIN_STR), (Geo{380, 20, 200, 48}));
    // The group box scales; the buttons inside it stay with its layout.
    EXPECT_EQ(GeoOf(main_, MAIN_GROUP), (Geo{80, 400, 360, 240}));
    ASSERT_EQ(DisplayPanel(main_), 0);
    ProcessSystemEvents();
    const Geo rb = GeoOf(main_, MAIN_RB1);
    EXPECT_GE(rb[0], 80);
    EXPECT_LT(rb[0] + rb[3], 80 + 240);
}

TEST_F(UiTest, GeometrySetFromCodeWhileScaledStaysProportional) {
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    Resize(main_, 1200, 900);
    // Given and read back in current pixels.
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_DBL, ATTR_WIDTH_C, 300), 0);
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_DBL, ATTR_LEFT_C, 101), 0);
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_DBL, ATTR_TOP_C, 30), 0);
    ASSERT_EQ(SetCtrlAttribute(main_, MAIN_DBL, ATTR_HEIGHT_C, 60), 0);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{30, 101, 300, 60}));
    // The same size again changes nothing.
    Resize(main_, 1200, 900);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{30, 101, 300, 60}));

    Resize(main_, 800, 600);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{20, 67, 200, 40}));
    Resize(main_, 1600, 1200);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{40, 134, 400, 80}));

    // The program's way of lining one control up with another (the graph's
    // right edge on the table's) keeps them lined up at every size.
    Resize(main_, 1111, 777);
    int tableLeft = 0, tableWidth = 0, graphLeft = 0;
    GetCtrlAttribute(main_, MAIN_TABLE, ATTR_LEFT_C, &tableLeft);
    GetCtrlAttribute(main_, MAIN_TABLE, ATTR_WIDTH_C, &tableWidth);
    GetCtrlAttribute(main_, MAIN_GRAPH, ATTR_LEFT_C, &graphLeft);
    ASSERT_EQ(
        SetCtrlAttribute(main_, MAIN_GRAPH, ATTR_WIDTH_C, tableLeft + tableWidth - graphLeft - 100),
        0);
    for (auto [w, h] : {std::pair{800, 600}, {1600, 1200}, {1333, 901}, {1111, 777}}) {
        Resize(main_, w, h);
        const Geo g = GeoOf(main_, MAIN_GRAPH), t = GeoOf(main_, MAIN_TABLE);
        EXPECT_NEAR(g[1] + g[2], t[1] + t[2] - 100.0 * w / 1111, 1.0) << w << "x" << h;
    }
    Resize(main_, 800, 600);
    EXPECT_EQ(GeoOf(main_, MAIN_GRAPH)[2], 380 - 72); // 100 px at 1111 wide is 72 at 800
}

TEST_F(UiTest, FontsFollowTheSmallerFactorDownToALegibleSize) {
    QWidget* box = UiCtrlWidget(main_, MAIN_DBL);
    const double base = box->font().pointSizeF();
    ASSERT_GT(base * 0.25, 0.0);
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    const struct {
        int w, h;
        double points;
    } cases[] = {{1200, 900, 1.5 * base},
                 {1200, 540, 0.9 * base},
                 {800, 600, base},
                 {200, 150, 7.0}}; // a quarter would be too small to read
    for (const auto& c : cases) {
        Resize(main_, c.w, c.h);
        EXPECT_NEAR(box->font().pointSizeF(), c.points, 0.01) << c.w << "x" << c.h;
    }
}

TEST_F(UiTest, ScaledGeometryDoesNotDriftOverManyResizes) {
    std::vector<Geo> before;
    for (int id : MainControls())
        before.push_back(GeoOf(main_, id));
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    for (int round = 0; round < 3; ++round) {
        for (auto [w, h] : {std::pair{813, 577}, {1279, 911}, {641, 479}, {1001, 733}, {333, 251}})
            Resize(main_, w, h);
        Resize(main_, 800, 600);
        for (size_t i = 0; i < MainControls().size(); ++i)
            EXPECT_EQ(GeoOf(main_, MainControls()[i]), before[i])
                << "control " << MainControls()[i];
    }
}

TEST_F(UiTest, PanelWithoutScalingKeepsItsControlsWhereTheyAre) {
    const Geo dbl = GeoOf(main_, MAIN_DBL), graph = GeoOf(main_, MAIN_GRAPH);
    Resize(main_, 1600, 1200);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), dbl);
    EXPECT_EQ(GeoOf(main_, MAIN_GRAPH), graph);
    // Switched on at this size, then off again: later resizes leave them alone.
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    Resize(main_, 800, 600);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{5, 5, 50, 12}));
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 0), 0);
    int on = -1;
    GetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, &on);
    EXPECT_EQ(on, 0);
    Resize(main_, 1600, 1200);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{5, 5, 50, 12}));
}

TEST_F(UiTest, ScalingUsesTheAreaBelowTheMenuBar) {
    // Switched on before the bar is attached, as the program does at loading.
    ASSERT_EQ(SetPanelAttribute(main_, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    const int bar = LoadMenuBar(main_, TestUi(), MENUBAR);
    ASSERT_GT(bar, 0);
    int h = 0;
    GetPanelAttribute(main_, ATTR_HEIGHT, &h);
    const int room = h - 600;
    ASSERT_GT(room, 0);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{10 + room, 10, 100, 24})); // room made, nothing scaled

    Resize(main_, 1600, 1200 + room);
    EXPECT_EQ(GeoOf(main_, MAIN_DBL), (Geo{20 + room, 20, 200, 48}));
    EXPECT_EQ(GeoOf(main_, MAIN_TABLE), (Geo{640 + room, 800, 760, 400}));
    ASSERT_EQ(DisplayPanel(main_), 0);
    ProcessSystemEvents();
    // The bar spans the widened window.
    int menuWidth = 0;
    for (QObject* ch : UiPanelWidget(main_)->children())
        if (ch->inherits("QMenuBar"))
            menuWidth = static_cast<QWidget*>(ch)->width();
    EXPECT_EQ(menuWidth, 1600);
}

TEST_F(UiTest, TabPagesFollowTheirPanelOrScaleByThemselves) {
    const int tabs = LoadPanel(0, TestUi(), TABS);
    ASSERT_GT(tabs, 0);
    int pageA = 0, pageB = 0;
    ASSERT_EQ(GetPanelHandleFromTabPage(tabs, TABS_TABCTRL, 0, &pageA), 0);
    ASSERT_EQ(GetPanelHandleFromTabPage(tabs, TABS_TABCTRL, 1, &pageB), 0);
    const double pointsB = UiCtrlWidget(pageB, PAGE_B_VALUE)->font().pointSizeF();
    ASSERT_EQ(DisplayPanel(tabs), 0);
    ProcessSystemEvents();
    int pageW0 = 0, pageH0 = 0;
    GetPanelAttribute(pageA, ATTR_WIDTH, &pageW0);
    GetPanelAttribute(pageA, ATTR_HEIGHT, &pageH0);
    ASSERT_GT(pageW0, 0);
    ASSERT_EQ(SetPanelAttribute(tabs, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    ASSERT_EQ(SetPanelAttribute(pageA, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);

    Resize(tabs, 800, 600);
    ProcessSystemEvents();
    EXPECT_EQ(GeoOf(tabs, TABS_TABCTRL), (Geo{0, 0, 800, 600}));
    int pageW = 0, pageH = 0;
    GetPanelAttribute(pageA, ATTR_WIDTH, &pageW);
    GetPanelAttribute(pageA, ATTR_HEIGHT, &pageH);
    EXPECT_GT(pageW, pageW0);
    const Geo v = GeoOf(pageA, PAGE_A_VALUE);
    EXPECT_NEAR(v[1], 10.0 * pageW / pageW0, 0.51);
    EXPECT_NEAR(v[2], 80.0 * pageW / pageW0, 1.01);
    EXPECT_NEAR(v[3], 24.0 * pageH / pageH0, 1.01);
    // The other page scales with its panel, font and all.
    EXPECT_EQ(GeoOf(pageB, PAGE_B_VALUE), (Geo{20, 20, 160, 48}));
    EXPECT_DOUBLE_EQ(UiCtrlWidget(pageB, PAGE_B_VALUE)->font().pointSizeF(), 2 * pointsB);
    DiscardPanel(tabs);
}
