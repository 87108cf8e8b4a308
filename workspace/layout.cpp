// Windows fitted to the screen, control geometry, the main graph's two
// widths, the about panel and the main window's print and picture commands.
#include "workspace/layout.h"

#include <QLabel>
#include <QWidget>
#include <cmath>
#include <cstring>
#include <string>

#include "export/graph_picture.h"
#include "export/print_target.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "support/paths.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "workspace/orvalin.h"

char cFileName[260] = {};
char cProjektDir[260] = {};

namespace {

constexpr int kPictureQuality = 75;

int Round(double v) {
    return static_cast<int>(std::lround(v));
}

bool Inside(const Rect& r, int y, int x) {
    return y >= r.top && y < r.top + r.height && x >= r.left && x < r.left + r.width;
}

void HideAbout() {
    HidePanel(hAboutPanel);
    // The start-up screen shows its status line there.
    SetCtrlAttribute(hAboutPanel, ABOUT_CONFIG, ATTR_VISIBLE, 1);
}

} // namespace

// ------------------------------------------------------------ screen fit
PanelFit layout_FitToScreen(int width, int height, int screenWidth, int screenHeight) {
    PanelFit fit{width, height, 0, 0, false};
    if (screenWidth > kReferenceScreenWidth)
        fit.width = Round(double(width) * screenWidth / kReferenceScreenWidth);
    if (screenHeight > kReferenceScreenHeight)
        fit.height = Round(double(height) * screenHeight / kReferenceScreenHeight);
    if (screenWidth <= 0 || screenHeight <= 0)
        return fit;
    const double rx = double(fit.width + kFrameWidth) / screenWidth;
    const double ry = double(fit.height + kFrameHeight) / screenHeight;
    const double r = rx > ry ? rx : ry;
    if (r <= 0.0)
        return fit;
    if (r > 1.0) {
        // Shrunk so that with its frame it fits: dividing by r alone would
        // shrink the frame's allowance too and leave the framed window taller
        // than the screen.
        const double sx = double(screenWidth - kFrameWidth) / fit.width;
        const double sy = double(screenHeight - kFrameHeight) / fit.height;
        const double s = sx < sy ? sx : sy;
        if (s > 0.0) {
            fit.width = Round(fit.width * s);
            fit.height = Round(fit.height * s);
        }
    }
    // The window with its frame is centred, so the frame too is on the screen.
    fit.top = (screenHeight - fit.height - kFrameHeight) / 2;
    fit.left = (screenWidth - fit.width - kFrameWidth) / 2;
    fit.placed = true;
    return fit;
}

void main_adjust_panel_to_screen(int panel) {
    int sh = 0, sw = 0;
    GetScreenSize(&sh, &sw);
    // Before the size changes below, so they scale the contents too.
    SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 1);
    int w = 0, h = 0;
    GetPanelAttribute(panel, ATTR_WIDTH, &w);
    GetPanelAttribute(panel, ATTR_HEIGHT, &h);
    const PanelFit fit = layout_FitToScreen(w, h, sw, sh);
    if (fit.width != w)
        SetPanelAttribute(panel, ATTR_WIDTH, fit.width);
    if (fit.height != h)
        SetPanelAttribute(panel, ATTR_HEIGHT, fit.height);
    if (!fit.placed)
        return;
    SetPanelAttribute(panel, ATTR_TOP, fit.top);
    SetPanelAttribute(panel, ATTR_LEFT, fit.left);
}

int main_LoadPanel_and_Adjust(int parent, const char* uiFile, int panelId) {
    const int handle = LoadPanel(parent, uiFile, panelId);
    if (handle > 0)
        main_adjust_panel_to_screen(handle);
    return handle;
}

// -------------------------------------------------------------- geometry
void main_GetControlGeometrie(int panel, int control, Rect* rect) {
    GetCtrlAttribute(panel, control, ATTR_TOP_C, &rect->top);
    GetCtrlAttribute(panel, control, ATTR_LEFT_C, &rect->left);
    GetCtrlAttribute(panel, control, ATTR_HEIGHT_C, &rect->height);
    GetCtrlAttribute(panel, control, ATTR_WIDTH_C, &rect->width);
}

void main_SetControlGeometrie(int panel, int control, Rect rect) {
    SetCtrlAttribute(panel, control, ATTR_TOP_C, rect.top);
    SetCtrlAttribute(panel, control, ATTR_HEIGHT_C, rect.height);
    SetCtrlAttribute(panel, control, ATTR_WIDTH_C, rect.width);
    SetCtrlAttribute(panel, control, ATTR_LEFT_C, rect.left);
}

void Main_MakeMainGraph_Small_or_Big(int big) {
    int graphLeft = 0, decoLeft = 0, decoWidth = 0, decoHeight = 0;
    GetCtrlAttribute(hMainPanel, MAINP_SPECGRAPH, ATTR_LEFT_C, &graphLeft);
    GetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_DECO, ATTR_LEFT_C, &decoLeft);
    GetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_DECO, ATTR_WIDTH_C, &decoWidth);
    GetCtrlAttribute(hMainPanel, MAINP_FWHMMODE_DECO, ATTR_HEIGHT_C, &decoHeight);
    const int width = big != 0 ? decoLeft + decoWidth - graphLeft : decoLeft - graphLeft;
    if (decoHeight > 0)
        SetCtrlAttribute(hMainPanel, MAINP_SPECGRAPH, ATTR_HEIGHT_C, decoHeight);
    if (width > 0)
        SetCtrlAttribute(hMainPanel, MAINP_SPECGRAPH, ATTR_WIDTH_C, width);
}

// ----------------------------------------------------------------- about
void about_MakeLinks() {
    QWidget* panel = UiPanelWidget(hAboutPanel);
    if (panel == nullptr)
        return;
    for (int link : {ABOUT_LINK_WEB, ABOUT_LINK_MAIL}) {
        auto* label = qobject_cast<QLabel*>(UiCtrlWidget(hAboutPanel, link));
        if (label == nullptr)
            continue;
        const QString url = label->property("url").toString();
        if (!url.isEmpty() && !label->text().contains(QLatin1String("<a ")))
            label->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                               .arg(url.toHtmlEscaped(), label->text().toHtmlEscaped()));
    }
    // Clicks on the panel's texts count as clicks on the panel (which hide
    // it); only the links keep their own.
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const bool isLink = w == UiCtrlWidget(hAboutPanel, ABOUT_LINK_WEB) ||
                            w == UiCtrlWidget(hAboutPanel, ABOUT_LINK_MAIL);
        if (!isLink && qobject_cast<QLabel*>(w) != nullptr)
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void about(int, int, void*, int) {
    SetCtrlAttribute(hAboutPanel, ABOUT_CONFIG, ATTR_VISIBLE, 0);
    DisplayPanel(hAboutPanel);
}

int AboutPanel(int panel, int, int event, void*, int eventData1, int eventData2) {
    switch (event) {
    case EVENT_LEFT_CLICK:
    case EVENT_RIGHT_CLICK:
        // eventData1 and eventData2: where the click was, top and left.
        for (int link : {ABOUT_LINK_WEB, ABOUT_LINK_MAIL}) {
            Rect r{};
            main_GetControlGeometrie(panel, link, &r);
            if (Inside(r, eventData1, eventData2))
                return 0;
        }
        HideAbout();
        break;
    case EVENT_CLOSE:
        HideAbout();
        break;
    case EVENT_KEYPRESS:
        if (eventData1 == VAL_ESC_VKEY)
            HideAbout();
        break;
    default:
        break;
    }
    return 0;
}

// -------------------------------------------------- print and picture
void FilePrintScreen(int, int, void*, int) {
    std::string pdf;
    const int target = export_PdfWithoutPrinter("Print to PDF File", "orvalin.pdf", &pdf);
    if (target < 0)
        return;
    export_TellPrintResult(
        PrintPanel(hMainPanel, pdf.empty() ? nullptr : pdf.c_str(), "Orvalin screen"), "Print",
        "window");
}

void FileSaveGraph(int, int, void*, int) {
    char chosen[4096] = {};
    const int status = FileSelectPopup(cProjektDir, "*.jpg", "*.jpg", "Name of File to Save",
                                       VAL_SAVE_BUTTON, 0, 1, 1, 1, chosen, sizeof chosen);
    SetWaitCursor(1);
    if (status <= 0 || chosen[0] == '\0') {
        MessagePopup("No file", "File not saved! No file selected.");
    } else if (std::strlen(chosen) >= sizeof cFileName) {
        MessagePopup("No file", "File not saved! The file name is too long.");
    } else {
        std::memcpy(cFileName, chosen, std::strlen(chosen) + 1);
        support::KeepFolderOf(cFileName, cProjektDir, sizeof cProjektDir);
        Jpg_SavePanelControlToFile(hMainPanel, MAINP_SPECGRAPH, cFileName, kPictureQuality);
    }
    SetWaitCursor(0);
}

void layout_RegisterCallbacks() {
    RegisterMenuCallback("about", about);
    RegisterCtrlCallback("AboutPanel", AboutPanel);
    RegisterMenuCallback("FilePrintScreen", FilePrintScreen);
    RegisterMenuCallback("FileSaveGraph", FileSaveGraph);
}
