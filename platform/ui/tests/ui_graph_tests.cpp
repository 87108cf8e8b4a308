// Graph details a user sees: where a cursor set from code lands, tick labels,
// captions of annotations.
#include <QWidget>
#include <cmath>
#include <qcustomplot.h>

#include "ui_test_support.h"

namespace {

// Two curves as in the comparing view: measured y = x, stored y = x + 10.
struct TwoCurves {
    int measured = 0, stored = 0;
    explicit TwoCurves(int panel) {
        std::vector<double> x(11), y1(11), y2(11);
        for (int i = 0; i < 11; ++i) {
            x[static_cast<std::size_t>(i)] = i;
            y1[static_cast<std::size_t>(i)] = i;
            y2[static_cast<std::size_t>(i)] = i + 10.0;
        }
        measured = PlotXY(panel, MAIN_GRAPH, x.data(), y1.data(), 11, VAL_THIN_LINE, VAL_NO_POINT,
                          VAL_SOLID, 0);
        stored = PlotXY(panel, MAIN_GRAPH, x.data(), y2.data(), 11, VAL_THIN_LINE, VAL_NO_POINT,
                        VAL_SOLID, 0x808080);
    }
};

} // namespace

TEST_F(UiTest, CursorSetFromCodeGoesOntoTheCurveThroughThePoint) {
    TwoCurves c(main_);
    struct Row {
        bool startOnStored;
        double x, y;
        bool onStored;
        double expectX, expectY;
    } rows[] = {
        {true, 5.0, 5.0, false, 5.0, 5.0},   // dragged onto the stored curve, set on the measured
        {false, 5.0, 15.0, true, 5.0, 15.0}, // and back
        {true, 5.2, 14.0, true, 5.0, 15.0},  // near the stored curve: its nearest point
        {false, 3.0, 4.0, false, 3.0, 3.0},  // near the measured curve
        {true, 7.0, NAN, true, 7.0, 17.0},   // no height given: the curve it sits on
        {false, 99.0, 10.0, false, 10.0, 10.0}, // beyond the data: the last point
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.y);
        ASSERT_EQ(
            SetGraphCursorIndex(main_, MAIN_GRAPH, 1, r.startOnStored ? c.stored : c.measured, 1),
            0);
        ASSERT_EQ(SetGraphCursor(main_, MAIN_GRAPH, 1, r.x, r.y), 0);
        double cx = 0, cy = 0;
        GetGraphCursor(main_, MAIN_GRAPH, 1, &cx, &cy);
        EXPECT_EQ(cx, r.expectX);
        EXPECT_EQ(cy, r.expectY);
        int plot = 0, index = -1;
        ASSERT_EQ(GetGraphCursorIndex(main_, MAIN_GRAPH, 1, &plot, &index), 0);
        EXPECT_EQ(plot, r.onStored ? c.stored : c.measured);
    }
}

TEST_F(UiTest, TickLabelsStayDistinctOnNearlyFlatCurves) {
    auto* plot = qobject_cast<QCustomPlot*>(UiCtrlWidget(main_, MAIN_GRAPH));
    ASSERT_NE(plot, nullptr);
    struct Row {
        double lo, hi;
        int precision;
        bool raised; // more decimals than asked for are needed
    } rows[] = {
        {0.5, 1.0, 0, true},    {1.0, 1.0, 0, true},     {100.0, 100.004, 2, true},
        {-3e-7, 2e-7, 3, true}, {0.0, 1000.0, 0, false}, {0.0, 1.0, 2, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.hi);
        DeleteGraphPlot(main_, MAIN_GRAPH, -1, VAL_IMMEDIATE_DRAW);
        const double x[] = {0, 1, 2}, y[] = {r.lo, (r.lo + r.hi) / 2, r.hi};
        PlotXY(main_, MAIN_GRAPH, x, y, 3, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0);
        SetAxisPrecision(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, r.precision);
        RefreshGraph(main_, MAIN_GRAPH);
        const QVector<QString> labels = plot->yAxis->tickVectorLabels();
        ASSERT_GE(labels.size(), 2);
        bool longer = false;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (i > 0) {
                EXPECT_NE(labels[i], labels[i - 1]);
            }
            const qsizetype dot = labels[i].indexOf('.');
            longer = longer || (dot >= 0 ? labels[i].size() - dot - 1 : 0) > r.precision;
        }
        EXPECT_EQ(longer, r.raised);
    }
}

TEST_F(UiTest, AnnotationCaptionsStayInsideThePlotArea) {
    DisplayPanel(main_);
    ProcessSystemEvents();
    auto* plot = qobject_cast<QCustomPlot*>(UiCtrlWidget(main_, MAIN_GRAPH));
    ASSERT_NE(plot, nullptr);
    const double x[] = {0, 10}, y[] = {0, 10};
    PlotXY(main_, MAIN_GRAPH, x, y, 2, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 0);
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_XAXIS, VAL_MANUAL, 0.0, 10.0);
    SetAxisScalingMode(main_, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 10.0);
    struct Row {
        double x, y;
        int dx, dy;
        bool moved;
    } rows[] = {
        {0, 10, -25, -20, true}, {10, 10, 25, -20, true}, {0, 0, -25, 20, true},
        {5, 10, 0, -20, true},   {5, 5, -25, -20, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x * 100 + r.y);
        DeleteGraphAnnotation(main_, MAIN_GRAPH, -1);
        const int id = AddGraphAnnotation(main_, MAIN_GRAPH, r.x, r.y, "3 / 80\nX: 589.30", 0);
        SetAnnotationAttribute(main_, MAIN_GRAPH, id, ATTR_ANNOTATION_XOFFSET, r.dx);
        SetAnnotationAttribute(main_, MAIN_GRAPH, id, ATTR_ANNOTATION_YOFFSET, r.dy);
        RefreshGraph(main_, MAIN_GRAPH);
        QCPItemText* text = nullptr;
        for (int i = 0; i < plot->itemCount(); ++i)
            if (auto* t = qobject_cast<QCPItemText*>(plot->item(i)))
                text = t;
        ASSERT_NE(text, nullptr);
        const QRectF area = plot->axisRect()->rect();
        const QRectF box(text->topLeft->pixelPosition(), text->bottomRight->pixelPosition());
        EXPECT_TRUE(area.contains(box)) << box.x() << "," << box.y();
        EXPECT_EQ(text->position->coords() != QPointF(r.dx, r.dy), r.moved);
        int dx = 0; // what the program set stays as it was
        GetAnnotationAttribute(main_, MAIN_GRAPH, id, ATTR_ANNOTATION_XOFFSET, &dx);
        EXPECT_EQ(dx, r.dx);
    }
}
