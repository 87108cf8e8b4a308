// Qt-facing extras for tests and for code that must reach a widget: the
// widget behind a panel or control handle, e.g. to simulate a user's click.
#pragma once

#include <functional>

class QPainter;
class QRectF;
class QWidget;

QWidget* UiPanelWidget(int panel);             // nullptr for an unknown handle
QWidget* UiCtrlWidget(int panel, int control); // graphs: the plot widget itself

// Paints one printed page: the painter on the printer, the printable area in
// device pixels (origin at its top left).
using UiPageDrawer = std::function<void(QPainter& painter, const QRectF& page)>;
// Prints the page `draw` paints, with PrintPanel's dialog, seam, PDF
// handling, job name and results; `panel` parents the dialog.
int PrintDrawnPage(int panel, const UiPageDrawer& draw, const char* pdfPath,
                   const char* jobName = nullptr);
