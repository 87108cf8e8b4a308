// Images of panels and controls, clipboard, printing, user-locale numbers.
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <cstring>
#include <functional>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "ui/popup_script.h"
#include "ui/ui_qt.h"
#include "ui_internal.h"

using namespace uiimpl;

namespace {

int Grab(QWidget* w, UiImage* image) {
    if (!image)
        return Fail(UI_ERR_TYPE, "no place for the image");
    ReplotNow(w);
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    image->width = img.width();
    image->height = img.height();
    image->pixels.assign(
        static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height()), 0);
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
        std::copy(line, line + img.width(),
                  image->pixels.begin() + static_cast<std::ptrdiff_t>(y) * img.width());
    }
    return 0;
}

using PageDrawer = UiPageDrawer;

// The printer says only that it cannot open its file: the file writer's own
// attempt in the same folder names the path and the reason.
std::string WhyNotWritable(const std::string& target) {
    support::AtomicFile probe;
    if (!probe.Open(target))
        return probe.Error();
    return "Cannot write \"" + target + "\"";
}

// Prints one page that `draw` paints; `w` parents the dialog, `job` names
// the job in the printer's queue (the window's title when empty).
int Print(QWidget* w, const PageDrawer& draw, const char* pdfPath, const char* job) {
    const QString jobName = job && *job ? QString::fromUtf8(job) : w->window()->windowTitle();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(jobName);
    std::string target, temp;
    if (pdfPath && *pdfPath) {
        target = pdfPath;
        // The printer writes a temporary beside the target, which is then put
        // in place whole, so a failure leaves no partial file.
        temp = support::TempNameFor(target);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(temp.c_str()));
    } else if (popup_script::Enabled()) {
        std::string chosen;
        if (!ScriptedPrint(w->windowTitle().toStdString(), &chosen))
            return 1;
        return Print(w, draw, chosen.c_str(), job);
    } else if (NoDialogWaits()) {
        return 1;
    } else {
        QPrintDialog dlg(&printer, w->window());
        if (dlg.exec() != QDialog::Accepted)
            return 1;
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
            const QByteArray file = printer.outputFileName().toLocal8Bit();
            return Print(w, draw, file.constData(), job);
        }
    }
    const std::string queue = temp.empty() ? printer.printerName().toStdString() : "";
    const PrintQueue before = queue.empty() ? PrintQueue{} : PrintQueueBeforeJob(queue);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (temp.empty())
            return Fail(UI_ERR_IO, "cannot start printing");
        std::remove(temp.c_str());
        return Fail(UI_ERR_IO, WhyNotWritable(target));
    }
    draw(painter,
         QRectF(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()));
    const bool ok = painter.end();
    if (temp.empty()) {
        if (!ok)
            return Fail(UI_ERR_IO, "printing failed");
        return queue.empty() ? 0 : PrintQueueAfterJob(queue, before, jobName.toStdString());
    }
    if (!ok) {
        std::remove(temp.c_str());
        return Fail(UI_ERR_IO, "cannot write " + target);
    }
    std::string error;
    if (support::CommitFileAtomic(temp, target, &error) != 0)
        return Fail(UI_ERR_IO, error);
    return 0;
}

// Draws a widget as it shows on screen, scaled to fit and keeping its proportions.
PageDrawer RenderWidget(QWidget* w) {
    ReplotNow(w);
    return [w](QPainter& painter, const QRectF& page) {
        const QSize sz = w->size().isEmpty() ? w->sizeHint() : w->size();
        if (sz.width() <= 0 || sz.height() <= 0)
            return;
        const double scale = std::min(page.width() / sz.width(), page.height() / sz.height());
        painter.scale(scale, scale);
        w->render(&painter, QPoint(), QRegion(),
                  QWidget::DrawChildren | QWidget::DrawWindowBackground);
    };
}

// Accepts exactly one floating conversion (flags, width, precision allowed) and %%.
bool OneDoubleFormat(const char* f) {
    int conversions = 0;
    for (const char* p = f; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9')
                ++p;
        }
        if (*p == 'l' || *p == 'L') {
            if (*p == 'L')
                return false;
            ++p;
        }
        if (!*p || !std::strchr("eEfFgGaA", *p))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

int GetCtrlImage(int panel, int control, UiImage* image) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return Grab(c->w, image);
}

int GetPanelImage(int panel, UiImage* image) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    return Grab(p->w, image);
}

int ClipboardPutText(const char* text) {
    if (!qApp)
        return UI_ERR_NO_APP;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text ? text : ""));
    return 0;
}

int ClipboardGetText(std::string* text) {
    if (!qApp)
        return UI_ERR_NO_APP;
    if (text)
        *text = QGuiApplication::clipboard()->text().toStdString();
    return 0;
}

int PrintPanel(int panel, const char* pdfPath, const char* jobName) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    return Print(p->w, RenderWidget(p->w), pdfPath, jobName);
}

int PrintCtrl(int panel, int control, const char* pdfPath, const char* jobName) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return Print(c->w, RenderWidget(c->w), pdfPath, jobName);
}

int PrintDrawnPage(int panel, const PageDrawer& draw, const char* pdfPath, const char* jobName) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    if (!draw)
        return Fail(UI_ERR_TYPE, "no page drawer given");
    return Print(p->w, draw, pdfPath, jobName);
}

std::string FormatUserLocale(const char* format, double value) {
    if (!format || !OneDoubleFormat(format))
        return {};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return support::FormatUser(format, value); // the format was checked above
#pragma GCC diagnostic pop
}

char UserDecimalPoint() {
    return support::UserDecimalPoint();
}
