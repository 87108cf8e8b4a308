// Graph axes: ranges, names, precision, divisions, colours; tick labels that
// stay distinct at the precision shown.
#include <cmath>

#include "ui_graph.h"

namespace uiimpl {

namespace {

// Labels are made at the axis's precision, raised as far as needed for
// neighbouring ticks to read differently: a nearly flat curve would show
// "1 1 1 0 0 0" otherwise.
class DistinctTicker : public QCPAxisTicker {
  protected:
    QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale& locale,
                                       QChar formatChar, int precision) override {
        for (int p = precision;; ++p) {
            QVector<QString> labels =
                QCPAxisTicker::createLabelVector(ticks, locale, formatChar, p);
            bool distinct = true;
            for (qsizetype i = 1; i < labels.size() && distinct; ++i)
                distinct = labels[i] != labels[i - 1];
            if (distinct || p >= 15)
                return labels;
        }
    }
};

} // namespace

void UseDistinctTicks(QCPAxis* axis) {
    const int count = axis->ticker()->tickCount();
    QSharedPointer<QCPAxisTicker> t(new DistinctTicker);
    t->setTickCount(count);
    axis->setTicker(t);
}

} // namespace uiimpl

using namespace uiimpl;

namespace {

QCPAxis* Axis(GraphRec* g, int axis) {
    if (axis == VAL_XAXIS)
        return g->plot->xAxis;
    if (axis == VAL_LEFT_YAXIS)
        return g->plot->yAxis;
    return nullptr;
}
} // namespace

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    QCPAxis* a = Axis(g, axis);
    if (!a)
        return UI_ERR_RANGE;
    if (mode != VAL_MANUAL && mode != VAL_AUTOSCALE)
        return UI_ERR_RANGE;
    Quiet quiet;
    (axis == VAL_XAXIS ? g->xMode : g->yMode) = mode;
    if (mode == VAL_MANUAL) {
        if (!std::isfinite(min) || !std::isfinite(max) || !(min < max))
            return UI_ERR_RANGE;
        a->setRange(min, max);
    } else {
        Rescale(*g);
    }
    Replot(*g);
    return 0;
}

int GetAxisScalingMode(int panel, int graph, int axis, int* mode, double* min, double* max) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    QCPAxis* a = Axis(g, axis);
    if (!a)
        return UI_ERR_RANGE;
    if (mode)
        *mode = axis == VAL_XAXIS ? g->xMode : g->yMode;
    if (min)
        *min = a->range().lower;
    if (max)
        *max = a->range().upper;
    return 0;
}

int SetAxisName(int panel, int graph, int axis, const char* name) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    QCPAxis* a = Axis(g, axis);
    if (!a)
        return UI_ERR_RANGE;
    a->setLabel(QString::fromUtf8(name ? name : ""));
    Replot(*g);
    return 0;
}

int SetAxisPrecision(int panel, int graph, int axis, int precision) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    QCPAxis* a = Axis(g, axis);
    if (!a)
        return UI_ERR_RANGE;
    if (precision < 0 || precision > 15)
        return UI_ERR_RANGE;
    a->setNumberFormat("f");
    a->setNumberPrecision(precision);
    Replot(*g);
    return 0;
}

int SetAxisDivisions(int panel, int graph, int axis, int divisions) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    QCPAxis* a = Axis(g, axis);
    if (!a)
        return UI_ERR_RANGE;
    if (divisions < 1 || divisions > 100)
        return UI_ERR_RANGE;
    a->ticker()->setTickCount(divisions);
    Replot(*g);
    return 0;
}

int SetGraphColors(int panel, int graph, int plotBg, int gridColor, int axisColor) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    g->plot->axisRect()->setBackground(QBrush(ToColor(plotBg)));
    for (QCPAxis* a : {g->plot->xAxis, g->plot->yAxis}) {
        a->grid()->setPen(QPen(ToColor(gridColor), 1, Qt::DotLine));
        QPen ap(ToColor(axisColor));
        a->setBasePen(ap);
        a->setTickPen(ap);
        a->setSubTickPen(ap);
        a->setLabelColor(ToColor(axisColor));
        a->setTickLabelColor(ToColor(axisColor));
    }
    Replot(*g);
    return 0;
}
