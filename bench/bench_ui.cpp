// Redraw of a graph holding one 204,801-point curve (the 0.01 nm grid over a
// 2048 nm device range), as the display does after every measurement.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ui/ui.h"
#include "ui_bench_ids.h"

namespace {

constexpr int kPoints = 204801;

struct Scene {
    int panel = 0;
    std::vector<double> x, y;
};

Scene& Setup() {
    static Scene s;
    if (s.panel)
        return s;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    InitUserInterface(0, nullptr);
    s.panel = LoadPanel(0, UI_BENCH_FILE, MAIN);
    SetCtrlAttribute(s.panel, MAIN_GRAPH, ATTR_LEFT_C, 0);
    SetCtrlAttribute(s.panel, MAIN_GRAPH, ATTR_TOP_C, 0);
    SetPanelAttribute(s.panel, ATTR_WIDTH, 1400);
    SetPanelAttribute(s.panel, ATTR_HEIGHT, 800);
    SetCtrlAttribute(s.panel, MAIN_GRAPH, ATTR_WIDTH_C, 1280);
    SetCtrlAttribute(s.panel, MAIN_GRAPH, ATTR_HEIGHT_C, 720);
    DisplayPanel(s.panel);
    s.x.resize(kPoints);
    s.y.resize(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        double nm = 200.0 + i * 0.01;
        s.x[static_cast<std::size_t>(i)] = nm;
        // A smooth lamp-like curve with fine ripple, so sampling has work to do.
        s.y[static_cast<std::size_t>(i)] =
            30000.0 * std::exp(-std::pow((nm - 650.0) / 300.0, 2)) + 200.0 * std::sin(i * 0.37);
    }
    SetAxisScalingMode(s.panel, MAIN_GRAPH, VAL_XAXIS, VAL_MANUAL, 200.0,
                       200.0 + (kPoints - 1) * 0.01);
    SetAxisScalingMode(s.panel, MAIN_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 33000.0);
    ProcessSystemEvents();
    return s;
}

// Drawing the graph again with the curve in place (window resize, cursor move).
void BM_RedrawPlot204801(benchmark::State& state) {
    Scene& s = Setup();
    int h = PlotXY(s.panel, MAIN_GRAPH, s.x.data(), s.y.data(), kPoints, VAL_THIN_LINE,
                   VAL_NO_POINT, VAL_SOLID, 0xFF0000);
    RefreshGraph(s.panel, MAIN_GRAPH);
    for (auto _ : state)
        RefreshGraph(s.panel, MAIN_GRAPH);
    DeleteGraphPlot(s.panel, MAIN_GRAPH, h, VAL_IMMEDIATE_DRAW);
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_RedrawPlot204801)->Unit(benchmark::kMillisecond);

// A new measurement: the old curve deleted, the new one plotted and drawn.
void BM_ReplaceAndRedrawPlot204801(benchmark::State& state) {
    Scene& s = Setup();
    int h = 0;
    for (auto _ : state) {
        if (h)
            DeleteGraphPlot(s.panel, MAIN_GRAPH, h, VAL_DELAYED_DRAW);
        h = PlotXY(s.panel, MAIN_GRAPH, s.x.data(), s.y.data(), kPoints, VAL_THIN_LINE,
                   VAL_NO_POINT, VAL_SOLID, 0xFF0000);
        RefreshGraph(s.panel, MAIN_GRAPH);
    }
    DeleteGraphPlot(s.panel, MAIN_GRAPH, h, VAL_IMMEDIATE_DRAW);
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ReplaceAndRedrawPlot204801)->Unit(benchmark::kMillisecond);

} // namespace
