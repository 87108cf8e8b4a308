// Graph control on QCustomPlot: plots by handle, cursors, axes.
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ui_graph.h"

namespace uiimpl {

CtrlRec::CtrlRec() = default;
CtrlRec::~CtrlRec() = default;

namespace {

int g_nextPlot = 1; // plot handles are never reused, across all graphs

// Point of plot `h` nearest to x; false when the plot has no data.
bool NearestByX(GraphRec& g, int h, double x, int* index, double* px, double* py) {
    auto it = g.plots.find(h);
    if (it == g.plots.end() || !it->second.plottable || it->second.x.empty())
        return false;
    const std::vector<double>& xs = it->second.x;
    std::size_t best = 0;
    if (qobject_cast<QCPGraph*>(it->second.plottable)) { // ascending x
        auto b = std::lower_bound(xs.begin(), xs.end(), x);
        if (b == xs.end())
            --b;
        if (b != xs.begin() && std::fabs(*(b - 1) - x) <= std::fabs(*b - x))
            --b;
        best = static_cast<std::size_t>(b - xs.begin());
    } else {
        double bd = INFINITY;
        for (std::size_t i = 0; i < xs.size(); ++i)
            if (std::fabs(xs[i] - x) < bd) {
                bd = std::fabs(xs[i] - x);
                best = i;
            }
    }
    *index = static_cast<int>(best);
    *px = xs[best];
    *py = it->second.y[best];
    return true;
}

bool PointAt(GraphRec& g, int h, int index, double* px, double* py) {
    auto it = g.plots.find(h);
    if (it == g.plots.end() || !it->second.plottable)
        return false;
    if (index < 0 || static_cast<std::size_t>(index) >= it->second.x.size())
        return false;
    *px = it->second.x[static_cast<std::size_t>(index)];
    *py = it->second.y[static_cast<std::size_t>(index)];
    return true;
}

// Long curves are handed to the plot as an envelope over [lo, hi]: per
// column the first, lowest, highest and last point, in their order, plus the
// neighbours just outside.  It draws the same picture as every point would,
// at a fraction of the cost of each redraw.
constexpr std::size_t kEnvelopeAbove = 20000;
constexpr int kEnvelopeColumns = 4096;

void MakeEnvelope(PlotRec& p, double lo, double hi) {
    auto* gr = qobject_cast<QCPGraph*>(p.plottable);
    if (!gr)
        return;
    const std::vector<double>& xs = p.x;
    const std::vector<double>& ys = p.y;
    std::size_t i0 =
        static_cast<std::size_t>(std::lower_bound(xs.begin(), xs.end(), lo) - xs.begin());
    std::size_t i1 =
        static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), hi) - xs.begin());
    QVector<double> k, v;
    k.reserve(4 * kEnvelopeColumns + 4);
    v.reserve(4 * kEnvelopeColumns + 4);
    auto add = [&](std::size_t i) {
        k.push_back(xs[i]);
        v.push_back(ys[i]);
    };
    if (i0 > 0)
        add(i0 - 1);
    const double span = hi - lo;
    std::size_t i = i0;
    while (i < i1) {
        const long col = span > 0 ? static_cast<long>((xs[i] - lo) / span * kEnvelopeColumns) : 0;
        std::size_t first = i, lowest = i, highest = i, last = i;
        for (++i; i < i1; ++i) {
            const long c = span > 0 ? static_cast<long>((xs[i] - lo) / span * kEnvelopeColumns) : 0;
            if (c != col)
                break;
            last = i;
            if (ys[i] < ys[lowest])
                lowest = i;
            if (ys[i] > ys[highest])
                highest = i;
        }
        std::size_t pts[4] = {first, std::min(lowest, highest), std::max(lowest, highest), last};
        std::size_t prev = static_cast<std::size_t>(-1);
        for (std::size_t q : pts) {
            if (q == prev)
                continue;
            add(q);
            prev = q;
        }
    }
    if (i1 < xs.size())
        add(i1);
    gr->setData(k, v, true);
    p.envLo = lo;
    p.envHi = hi;
}

void UpdateEnvelopes(GraphRec& g) {
    const QCPRange r = g.plot->xAxis->range();
    for (auto& [h, p] : g.plots)
        if (p.envelope && (p.envLo != r.lower || p.envHi != r.upper))
            MakeEnvelope(p, r.lower, r.upper);
}

int FirstDataPlot(GraphRec& g) {
    for (auto& [h, p] : g.plots)
        if (p.plottable)
            return h;
    return 0;
}

// The shown curve passing nearest to (x, y), measured in fractions of the
// axis ranges at the point nearest in x; y NaN: only x counts.  A tie keeps
// the curve `current`, else the oldest.  0 when nothing is plotted.
int NearestCurve(GraphRec& g, int current, double x, double y) {
    const double xs = g.plot->xAxis->range().size(), ys = g.plot->yAxis->range().size();
    auto distance = [&](int h, double* d) {
        auto it = g.plots.find(h);
        int idx;
        double px, py;
        if (it == g.plots.end() || !it->second.plottable || !it->second.plottable->visible() ||
            !NearestByX(g, h, x, &idx, &px, &py))
            return false;
        const double dx = (px - x) / (xs > 0 ? xs : 1.0);
        const double dy = std::isnan(y) ? 0.0 : (py - y) / (ys > 0 ? ys : 1.0);
        *d = std::hypot(dx, dy);
        return true;
    };
    int best = 0;
    double bestD = INFINITY, d;
    if (current && distance(current, &d)) {
        best = current;
        bestD = d;
    }
    for (auto& [h, p] : g.plots)
        if (h != current && distance(h, &d) && d < bestD) {
            best = h;
            bestD = d;
        }
    return best ? best : FirstDataPlot(g);
}

void ShowCursor(GraphRec& g, int n) {
    CursorRec& c = g.cursors[n - 1];
    c.tracer->position->setCoords(c.x, c.y);
    c.tracer->setVisible(c.visible);
}
} // namespace

void Rescale(GraphRec& g) {
    if (g.xMode == VAL_AUTOSCALE) {
        // From every point, not from an envelope made for an older range.
        bool any = false;
        QCPRange r;
        for (auto& [h, p] : g.plots) {
            if (!p.plottable || p.x.empty() || !p.plottable->visible())
                continue;
            double mn = p.x.front(), mx = p.x.back();
            if (!qobject_cast<QCPGraph*>(p.plottable)) {
                auto [lo, hi] = std::minmax_element(p.x.begin(), p.x.end());
                mn = *lo;
                mx = *hi;
            }
            if (!any)
                r = QCPRange(mn, mx);
            else
                r.expand(QCPRange(mn, mx));
            any = true;
        }
        if (any) {
            if (r.lower == r.upper)
                r = QCPRange(r.lower - 0.5, r.upper + 0.5);
            g.plot->xAxis->setRange(r);
        }
    }
    UpdateEnvelopes(g);
    if (g.yMode == VAL_AUTOSCALE)
        g.plot->yAxis->rescale(true);
}

// Moves a cursor to where the user points, snapping to the nearest point on screen.
namespace {

void MoveToMouse(GraphRec& g, int n, const QPointF& pos) {
    CursorRec& c = g.cursors[n - 1];
    QCPAxis* xa = g.plot->xAxis;
    QCPAxis* ya = g.plot->yAxis;
    const double mx = xa->pixelToCoord(pos.x()), my = ya->pixelToCoord(pos.y());
    if (c.snap) {
        double bestD = INFINITY;
        int bestPlot = 0, bestIdx = -1;
        double bx = 0, by = 0;
        for (auto& [h, p] : g.plots) {
            if (!p.plottable || !p.plottable->visible())
                continue;
            int idx;
            double px, py;
            if (!NearestByX(g, h, mx, &idx, &px, &py))
                continue;
            // The neighbours may be nearer on screen when the curve is steep.
            for (int k = idx - 1; k <= idx + 1; ++k) {
                double qx, qy;
                if (!PointAt(g, h, k, &qx, &qy))
                    continue;
                double dx = xa->coordToPixel(qx) - pos.x(), dy = ya->coordToPixel(qy) - pos.y();
                double d = dx * dx + dy * dy;
                if (d < bestD) {
                    bestD = d;
                    bestPlot = h;
                    bestIdx = k;
                    bx = qx;
                    by = qy;
                }
            }
        }
        if (bestPlot) {
            c.x = bx;
            c.y = by;
            c.plot = bestPlot;
            c.index = bestIdx;
            ShowCursor(g, n);
            Replot(g);
            return;
        }
    }
    c.x = mx;
    c.y = my;
    c.plot = 0;
    c.index = -1;
    ShowCursor(g, n);
    Replot(g);
}

} // namespace

void Replot(GraphRec& g) {
    g.plot->replot(QCustomPlot::rpQueuedReplot);
}

GraphRec* Graph(int panel, int control, int* err, Where where) {
    CtrlRec* c = Ctrl(panel, control, err, where);
    if (!c)
        return nullptr;
    if (!c->graph) {
        *err = Fail(*c, UI_ERR_TYPE, "not a graph", where);
        return nullptr;
    }
    return c->graph.get();
}

void SetupGraph(CtrlRec& c) {
    auto g = std::make_unique<GraphRec>();
    g->panel = c.panel;
    g->ctrl = c.id;
    auto* layout = c.w->layout() ? c.w->layout() : new QVBoxLayout(c.w);
    layout->setContentsMargins(0, 0, 0, 0);
    g->plot = new QCustomPlot(c.w);
    layout->addWidget(g->plot);
    QCustomPlot* plot = g->plot;
    plot->setProperty("ui_graph", true);
    // Curves of 200,000 points must redraw in a few milliseconds.
    plot->setNotAntialiasedElements(QCP::aePlottables);
    plot->setPlottingHint(QCP::phFastPolylines, true);
    UseDistinctTicks(plot->xAxis);
    UseDistinctTicks(plot->yAxis);
    const char* pens[2] = {"#000000", "#808080"};
    for (int n = 0; n < 2; ++n) {
        auto* t = new QCPItemTracer(plot);
        t->setStyle(QCPItemTracer::tsCrosshair);
        t->setPen(QPen(QColor(pens[n]), 1, Qt::DashLine));
        t->position->setType(QCPItemPosition::ptPlotCoords);
        t->setGraph(nullptr);
        g->cursors[n].tracer = t;
        t->position->setCoords(0, 0);
    }
    GraphRec* raw = g.get();
    const int panel = c.panel, id = c.id;
    QObject::connect(plot, &QCustomPlot::beforeReplot, plot, [raw, panel, id]() {
        CtrlRec* cr = Ctrl(panel, id);
        if (cr && cr->graph.get() == raw)
            UpdateEnvelopes(*raw);
    });
    QObject::connect(plot, &QCustomPlot::afterLayout, plot, [raw, panel, id]() {
        CtrlRec* cr = Ctrl(panel, id);
        if (cr && cr->graph.get() == raw)
            KeepCaptionsInside(*raw);
    });
    QObject::connect(plot, &QCustomPlot::mousePress, plot, [raw, panel, id](QMouseEvent* e) {
        CtrlRec* cr = Ctrl(panel, id);
        if (!cr || cr->graph.get() != raw || e->button() != Qt::LeftButton || cr->dimmed ||
            cr->indicator)
            return;
        if (!raw->plot->axisRect()->rect().contains(e->pos()))
            return;
        int pick = 0;
        for (int n = 1; n <= 2; ++n) {
            const CursorRec& cc = raw->cursors[n - 1];
            if (!cc.visible)
                continue;
            double cx = raw->plot->xAxis->coordToPixel(cc.x);
            if (std::fabs(cx - e->pos().x()) <= 6.0) {
                pick = n;
                break;
            }
        }
        if (!pick)
            pick = raw->active;
        raw->active = pick;
        raw->drag = pick;
        MoveToMouse(*raw, pick, e->position());
        Dispatch(panel, id, EVENT_VAL_CHANGED, pick, 0);
    });
    QObject::connect(plot, &QCustomPlot::mouseMove, plot, [raw, panel, id](QMouseEvent* e) {
        CtrlRec* cr = Ctrl(panel, id);
        if (!cr || cr->graph.get() != raw || !raw->drag)
            return;
        MoveToMouse(*raw, raw->drag, e->position());
        Dispatch(panel, id, EVENT_VAL_CHANGED, raw->drag, 0);
    });
    QObject::connect(plot, &QCustomPlot::mouseRelease, plot, [raw, panel, id](QMouseEvent*) {
        CtrlRec* cr = Ctrl(panel, id);
        if (!cr || cr->graph.get() != raw || !raw->drag)
            return;
        const int n = raw->drag;
        raw->drag = 0;
        Dispatch(panel, id, EVENT_COMMIT, n, 0);
    });
    c.graph = std::move(g);
}

} // namespace uiimpl

using namespace uiimpl;

namespace {

void Style(QCPAbstractPlottable* p, int plotStyle, int pointStyle, int lineStyle, int color) {
    QPen pen(ToColor(color));
    pen.setWidth(plotStyle == VAL_FAT_LINE ? 3 : 1);
    pen.setStyle(lineStyle == VAL_DASH  ? Qt::DashLine
                 : lineStyle == VAL_DOT ? Qt::DotLine
                                        : Qt::SolidLine);
    p->setPen(pen);
    QCPScatterStyle::ScatterShape shape = QCPScatterStyle::ssNone;
    switch (pointStyle) {
    case VAL_SIMPLE_DOT:
        shape = QCPScatterStyle::ssDisc;
        break;
    case VAL_SOLID_SQUARE:
    case VAL_EMPTY_SQUARE:
        shape = QCPScatterStyle::ssSquare;
        break;
    case VAL_X:
        shape = QCPScatterStyle::ssCross;
        break;
    case VAL_CROSS:
        shape = QCPScatterStyle::ssPlus;
        break;
    default:
        break;
    }
    if (shape == QCPScatterStyle::ssNone &&
        (plotStyle == VAL_SCATTER || plotStyle == VAL_CONNECTED_POINTS))
        shape = QCPScatterStyle::ssDisc;
    QCPScatterStyle ss(shape, ToColor(color),
                       pointStyle == VAL_SOLID_SQUARE ? ToColor(color) : Qt::transparent, 5);
    if (auto* gr = qobject_cast<QCPGraph*>(p)) {
        gr->setScatterStyle(ss);
        gr->setLineStyle(plotStyle == VAL_SCATTER        ? QCPGraph::lsNone
                         : plotStyle == VAL_VERTICAL_BAR ? QCPGraph::lsImpulse
                                                         : QCPGraph::lsLine);
    } else if (auto* cv = qobject_cast<QCPCurve*>(p)) {
        cv->setScatterStyle(ss);
        cv->setLineStyle(plotStyle == VAL_SCATTER ? QCPCurve::lsNone : QCPCurve::lsLine);
    }
}

} // namespace

int PlotXY(int panel, int graph, const double* x, const double* y, int count, int plotStyle,
           int pointStyle, int lineStyle, int color) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (count <= 0 || !x || !y)
        return Fail(UI_ERR_RANGE, "no points to plot");
    Quiet quiet;
    bool sorted = true;
    for (int i = 1; i < count && sorted; ++i)
        sorted = !(x[i] < x[i - 1]);
    PlotRec rec;
    rec.x.assign(x, x + count);
    rec.y.assign(y, y + count);
    const bool points =
        plotStyle == VAL_SCATTER || plotStyle == VAL_CONNECTED_POINTS || pointStyle != VAL_NO_POINT;
    if (sorted) {
        auto* gr = g->plot->addGraph();
        gr->setAdaptiveSampling(true);
        rec.plottable = gr;
        // Point markers must all be drawn; only plain lines take the envelope.
        rec.envelope = !points && static_cast<std::size_t>(count) > kEnvelopeAbove;
        if (rec.envelope)
            MakeEnvelope(rec, x[0], x[count - 1]);
        else
            gr->setData(QVector<double>(x, x + count), QVector<double>(y, y + count), true);
    } else {
        // Curves that turn back in x keep their point order.
        auto* cv = new QCPCurve(g->plot->xAxis, g->plot->yAxis);
        cv->setData(QVector<double>(x, x + count), QVector<double>(y, y + count));
        rec.plottable = cv;
    }
    Style(rec.plottable, plotStyle, pointStyle, lineStyle, color);
    const int h = g_nextPlot++;
    g->plots[h] = std::move(rec);
    Rescale(*g);
    Replot(*g);
    return h;
}

int PlotY(int panel, int graph, const double* y, int count, int plotStyle, int pointStyle,
          int lineStyle, int color) {
    if (count <= 0 || !y)
        return Fail(UI_ERR_RANGE, "no points to plot");
    std::vector<double> x(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        x[static_cast<std::size_t>(i)] = i;
    return PlotXY(panel, graph, x.data(), y, count, plotStyle, pointStyle, lineStyle, color);
}

int PlotLine(int panel, int graph, double x1, double y1, double x2, double y2, int color) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    Quiet quiet;
    auto* line = new QCPItemLine(g->plot);
    line->start->setCoords(x1, y1);
    line->end->setCoords(x2, y2);
    line->setPen(QPen(ToColor(color)));
    const int h = g_nextPlot++;
    g->plots[h].item = line;
    Replot(*g);
    return h;
}

int DeleteGraphPlot(int panel, int graph, int plot, int /*refresh*/) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    Quiet quiet;
    auto drop = [g](int h, PlotRec& p) {
        if (p.plottable)
            g->plot->removePlottable(p.plottable);
        if (p.item)
            g->plot->removeItem(p.item);
        for (CursorRec& c : g->cursors)
            if (c.plot == h) {
                c.plot = 0;
                c.index = -1;
            }
    };
    if (plot == -1) {
        for (auto& [h, p] : g->plots)
            drop(h, p);
        g->plots.clear();
    } else {
        auto it = g->plots.find(plot);
        if (it == g->plots.end())
            return 0; // stale or unknown handle: nothing to do
        drop(it->first, it->second);
        g->plots.erase(it);
    }
    Rescale(*g);
    Replot(*g);
    return 0;
}

int GetNumGraphPlots(int panel, int graph, int* count) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (count)
        *count = static_cast<int>(g->plots.size());
    return 0;
}

int SetPlotColor(int panel, int graph, int plot, int color) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    auto it = g->plots.find(plot);
    if (it == g->plots.end())
        return UI_ERR_HANDLE;
    if (it->second.plottable) {
        QPen pen = it->second.plottable->pen();
        pen.setColor(ToColor(color));
        it->second.plottable->setPen(pen);
    } else if (auto* line = qobject_cast<QCPItemLine*>(it->second.item)) {
        QPen pen = line->pen();
        pen.setColor(ToColor(color));
        line->setPen(pen);
    }
    Replot(*g);
    return 0;
}

int SetGraphCursor(int panel, int graph, int cursor, double x, double y) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    CursorRec& c = g->cursors[cursor - 1];
    int idx;
    double px, py;
    const int h = c.snap ? NearestCurve(*g, c.plot, x, y) : 0;
    if (h && NearestByX(*g, h, x, &idx, &px, &py)) {
        c.x = px;
        c.y = py;
        c.plot = h;
        c.index = idx;
    } else {
        c.x = x;
        c.y = y;
        c.plot = 0;
        c.index = -1;
    }
    ShowCursor(*g, cursor);
    Replot(*g);
    return 0;
}

int GetGraphCursor(int panel, int graph, int cursor, double* x, double* y) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    if (x)
        *x = g->cursors[cursor - 1].x;
    if (y)
        *y = g->cursors[cursor - 1].y;
    return 0;
}

int SetGraphCursorIndex(int panel, int graph, int cursor, int plot, int pointIndex) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    double px, py;
    if (!g->plots.count(plot))
        return UI_ERR_HANDLE;
    if (!PointAt(*g, plot, pointIndex, &px, &py))
        return UI_ERR_RANGE;
    CursorRec& c = g->cursors[cursor - 1];
    c.x = px;
    c.y = py;
    c.plot = plot;
    c.index = pointIndex;
    ShowCursor(*g, cursor);
    Replot(*g);
    return 0;
}

int GetGraphCursorIndex(int panel, int graph, int cursor, int* plot, int* pointIndex) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    const CursorRec& c = g->cursors[cursor - 1];
    if (plot)
        *plot = c.plot;
    if (pointIndex)
        *pointIndex = c.index;
    return c.plot ? 0 : UI_ERR_HANDLE;
}

int SetCursorVisible(int panel, int graph, int cursor, int visible) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    g->cursors[cursor - 1].visible = visible != 0;
    ShowCursor(*g, cursor);
    Replot(*g);
    return 0;
}

int SetCursorSnap(int panel, int graph, int cursor, int snapToPoint) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    g->cursors[cursor - 1].snap = snapToPoint != 0;
    return 0;
}

int SetActiveGraphCursor(int panel, int graph, int cursor) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor < 1 || cursor > 2)
        return UI_ERR_RANGE;
    g->active = cursor;
    return 0;
}

int GetActiveGraphCursor(int panel, int graph, int* cursor) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (cursor)
        *cursor = g->active;
    return 0;
}

int RefreshGraph(int panel, int graph) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    g->plot->replot(QCustomPlot::rpImmediateRefresh);
    return 0;
}

// Used by the image grabber: draw now rather than at the next event loop turn.
void uiimpl::ReplotNow(QWidget* w) {
    for (QCustomPlot* p : w->findChildren<QCustomPlot*>())
        p->replot(QCustomPlot::rpImmediateRefresh);
    if (auto* p = qobject_cast<QCustomPlot*>(w))
        p->replot(QCustomPlot::rpImmediateRefresh);
}
