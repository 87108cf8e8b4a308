// Screen position of a data point on a graph, for simulated mouse drags.
#include <QPoint>
#include <QWidget>
#include <qcustomplot.h>

bool UiTestPixelOf(QWidget* w, double x, double y, QPoint* out) {
    auto* plot = qobject_cast<QCustomPlot*>(w);
    if (!plot)
        return false;
    *out = QPoint(static_cast<int>(plot->xAxis->coordToPixel(x)),
                  static_cast<int>(plot->yAxis->coordToPixel(y)));
    return true;
}
