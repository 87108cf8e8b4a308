// Records behind a graph control, shared by its parts.
#pragma once

#include <map>
#include <qcustomplot.h>

#include "ui_internal.h"

namespace uiimpl {

struct PlotRec {
    QCPAbstractPlottable* plottable = nullptr;
    QCPAbstractItem* item = nullptr; // lines drawn with PlotLine
    std::vector<double> x, y;        // every point as given; cursors snap to these
    bool envelope = false;           // the plottable holds a per-column envelope
    double envLo = 0.0, envHi = 0.0; // x range the envelope was made for
};

struct CursorRec {
    QCPItemTracer* tracer = nullptr;
    double x = 0.0, y = 0.0;
    int plot = 0;   // plot the cursor sits on, 0 = free
    int index = -1; // point index on that plot
    bool snap = true;
    bool visible = true;
};

struct AnnRec {
    QCPItemTracer* anchor = nullptr;
    QCPItemText* text = nullptr;
    QCPItemLine* arrow = nullptr;
    QString caption;
    int dx = 0, dy = 0;
    int color = 0, bg = 0xFFFFFF, frame = -1, fontSize = 0;
    bool arrowVisible = true;
};

struct GraphRec {
    QCustomPlot* plot = nullptr;
    int panel = 0, ctrl = 0;
    std::map<int, PlotRec> plots;
    CursorRec cursors[2];
    int active = 1;
    std::map<int, AnnRec> ann;
    int nextAnn = 1;
    int drag = 0;
    int xMode = VAL_AUTOSCALE, yMode = VAL_AUTOSCALE;
};

// The graph record of a control; null with *err set when there is none.
GraphRec* Graph(int panel, int control, int* err, Where where = Where::current());
// Ranges follow the plots on the axes that scale automatically.
void Rescale(GraphRec& g);
// Tick labels of the axis stay distinct, raising its precision when needed.
void UseDistinctTicks(QCPAxis* axis);
// Captions of annotations inside the plot area (once the layout is known).
void KeepCaptionsInside(GraphRec& g);
// Draws pending changes at the next turn of the event loop.
void Replot(GraphRec& g);

} // namespace uiimpl
