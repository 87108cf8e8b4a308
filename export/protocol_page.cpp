// The protocol page on paper: every label of the page panel drawn as text
// (so a PDF of it can be searched and read), its rule lines as lines and its
// pictures as pictures, in the panel's layout scaled to the page.
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <string>

#include "export/export_state.h"
#include "export/print_target.h"
#include "export/protocol.h"
#include "support/paths.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"

namespace {

void DrawLabel(QPainter& painter, const QLabel& label, const QRect& box) {
    const QPixmap picture = label.pixmap();
    if (!picture.isNull()) {
        const QSize fitted = picture.size().scaled(box.size(), Qt::KeepAspectRatio);
        const QRect target(box.x() + (box.width() - fitted.width()) / 2,
                           box.y() + (box.height() - fitted.height()) / 2, fitted.width(),
                           fitted.height());
        painter.drawPixmap(target, picture);
        return;
    }
    if (label.frameShape() != QFrame::NoFrame) {
        painter.setPen(QPen(Qt::gray, 1));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    if (label.text().isEmpty())
        return;
    QFont font = label.font();
    // Pixels as on screen, so the painter's scaling keeps text and boxes in
    // proportion.
    font.setPixelSize(std::max(1, QFontInfo(label.font()).pixelSize()));
    painter.setFont(font);
    painter.setPen(label.palette().color(QPalette::WindowText));
    painter.drawText(box, static_cast<int>(label.alignment()), label.text());
}

void DrawRule(QPainter& painter, const QFrame& frame, const QRect& box) {
    painter.setPen(QPen(Qt::darkGray, 1));
    if (frame.frameShape() == QFrame::HLine) {
        const int y = box.center().y();
        painter.drawLine(box.left(), y, box.right(), y);
    } else {
        const int x = box.center().x();
        painter.drawLine(x, box.top(), x, box.bottom());
    }
}

void DrawPage(QWidget* panel, QPainter& painter, const QRectF& page) {
    const QSize size = panel->size();
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const double scale = std::min(page.width() / size.width(), page.height() / size.height());
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(panel))
            continue;
        const QRect box(w->mapTo(panel, QPoint(0, 0)), w->size());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            DrawLabel(painter, *label, box);
        } else if (auto* frame = qobject_cast<QFrame*>(w)) {
            if (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine)
                DrawRule(painter, *frame, box);
        }
    }
}

} // namespace

int export_PdfWithoutPrinter(const char* title, const char* defaultName, std::string* pdf) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        return 0;
    char path[4096] = {};
    if (FileSelectPopup(cLastPdfPath, defaultName, "*.pdf", title, VAL_SAVE_BUTTON, 0, 1, 1, 1,
                        path, sizeof path) <= 0)
        return -1;
    *pdf = path;
    support::KeepFolderOf(*pdf, cLastPdfPath, sizeof cLastPdfPath);
    return 1;
}

void export_TellPrintResult(int result, const char* title, const char* what) {
    if (result < 0)
        MessagePopup(
            title,
            ("The " + std::string(what) + " could not be printed:\n" + GetUiErrorText()).c_str());
    else if (result == UI_PRINT_HELD)
        MessagePopup(title, GetUiErrorText().c_str());
}

int prot_PrintPage(const char* pdfPath) {
    QWidget* panel = UiPanelWidget(hPrtPanel);
    if (panel == nullptr)
        return UI_ERR_PANEL;
    std::string pdf = pdfPath != nullptr ? pdfPath : "";
    if (pdf.empty()) {
        const int target = export_PdfWithoutPrinter("Save Protocol as PDF", "protocol.pdf", &pdf);
        if (target < 0)
            return 1;
    }
    const int r = PrintDrawnPage(
        hPrtPanel,
        [panel](QPainter& painter, const QRectF& page) { DrawPage(panel, painter, page); },
        pdf.empty() ? nullptr : pdf.c_str(), "Orvalin protocol");
    export_TellPrintResult(r, "Print Protocol", "protocol");
    return r;
}
