// Evaluation markers: up to twelve slots of FWHM, each holding the position
// of an evaluated peak or valley and its width or symmetry, placed by double
// clicks on the main graph; and the graph's own callback.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "export/export_hooks.h"
#include "link/connect.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/eval.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"
#include "zoltmath.h"

namespace {

// Main menu bar as the main panel holds it (the loaded one before that).
int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

bool MenuChecked(int item, int current) {
    int checked = current;
    if (GetMenuBarAttribute(MenuBar(), item, ATTR_CHECKED, &checked) != 0)
        return current != 0;
    return checked != 0;
}

void DeleteMarkerLine(FwhmSlot& slot) {
    if (slot.plotHandle != 0)
        DeleteGraphPlot(hMainPanel, MAINP_SPECGRAPH, slot.plotHandle, VAL_IMMEDIATE_DRAW);
    slot.plotHandle = 0;
}

void DeleteMarkerAnnotation(FwhmSlot& slot) {
    // Ids are never reused, so a stale one deletes nothing.
    if (slot.annotationId > 0)
        DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, slot.annotationId);
    slot.annotationId = 0;
}

void ShowSlotFree(const FwhmSlot& slot) {
    SetCtrlVal(hMainPanel, slot.valueCtrl, 0.0);
    SetCtrlVal(hMainPanel, slot.positionCtrl, 0.0);
    SetCtrlVal(hMainPanel, slot.radioCtrl, 0);
    SetCtrlAttribute(hMainPanel, slot.radioCtrl, ATTR_DIMMED, 1);
}

void AppendFixed2(std::string& out, double v) {
    char buf[64];
    // to_chars never looks at the locale, so the point is always a point.
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    if (r.ec == std::errc())
        out.append(buf, r.ptr);
}

} // namespace

void FWHM_MODE() {
    if (iSelect != SHOW_REFERENCE)
        return;

    int level = 0, plotLines = 0;
    GetCtrlVal(hMainPanel, MAINP_FWHM_Threshold, &level);
    GetCtrlVal(hMainPanel, MAINP_FWHM_plotline, &plotLines);
    iFwhmMode = MenuChecked(MENUBAR_FWHM, iFwhmMode);
    iValMode = MenuChecked(MENUBAR_VALLEY, iValMode);
    sym_mode = MenuChecked(MENUBAR_SYM, sym_mode);

    // A full table is said so whether or not the click would evaluate.
    int k = 0;
    while (k < kFwhmSlots && FWHM[k].x > 0.0)
        ++k;
    if (k == kFwhmSlots) {
        MessagePopup("Message", kMaxMarkersText);
        return;
    }

    const int count = iNumOfMeas;
    if (dXInterpolVal == nullptr || dYInterpolVal == nullptr || count < 2)
        return;
    const auto last = static_cast<uint32_t>(count - 1);
    const double start = dXcursor;
    double result = 0.0;
    int index = -1;
    bool evaluated = true;
    if (iXAchse != 0) {
        if (iFwhmMode == 1)
            result = zoltmath_FWHM(dYInterpolVal, dXInterpolVal, last, level, start, &index);
        else if (sym_mode == 1)
            result = zoltmath_Symmetry(dYInterpolVal, dXInterpolVal, last, level, start, &index);
        else if (iValMode == 1)
            result = zoltmath_ValleyWidth(dYInterpolVal, dXInterpolVal, last, level, start, &index);
        else
            evaluated = false;
    } else if (iFwhmMode == 1) {
        result = zoltmath_FWHMpix(dYInterpolVal, dXInterpolVal, last, level, start, &index);
    } else {
        evaluated = false;
    }
    // A slot holds only what an evaluation found; a position not above 0
    // would mark the slot free again at once.
    if (!evaluated || index < 0 || index >= count)
        return;
    const double x = dXInterpolVal[index];
    const double y = dYInterpolVal[index];
    if (!(x > 0.0) || !std::isfinite(result))
        return;

    FwhmSlot& slot = FWHM[k];
    const int n = k + 1;
    SetCtrlAttribute(hMainPanel, slot.radioCtrl, ATTR_DIMMED, 0);
    SetCtrlVal(hMainPanel, slot.radioCtrl, 1);
    SetCtrlVal(hMainPanel, slot.valueCtrl, result);
    SetCtrlVal(hMainPanel, slot.positionCtrl, x);
    slot.value = result;
    slot.x = x;
    slot.y = y;

    // The drawing hands the new annotation's id over in the slot.
    DeleteMarkerAnnotation(slot);
    set_PrintAnnotation(n, x, y);

    DeleteMarkerLine(slot);
    if (plotLines) {
        const int h = PlotLine(hMainPanel, MAINP_SPECGRAPH, x, 0.0, x, y, slot.colour);
        slot.plotHandle = h > 0 ? h : 0;
    }
    FWHM_AV_CALC();
}

void FWHM_AV_CALC() {
    double sum = 0.0;
    int count = 0;
    for (const FwhmSlot& slot : FWHM) {
        if (slot.value > 0.0) {
            sum += slot.value;
            ++count;
        }
    }
    SetCtrlVal(hMainPanel, MAINP_FWHM_AV, count > 0 ? sum / count : 0.0);
    // Every change of the markers ends here: the protocol page, open or
    // not, shows and prints the markers as they are now.
    g_exportHooks.main_UpdateProtocol();
}

void set_FWHM_Reset() {
    for (FwhmSlot& slot : FWHM) {
        DeleteMarkerLine(slot);
        slot.value = 0.0;
        slot.x = 0.0;
        slot.y = 0.0;
        slot.annotationId = 0;
        ShowSlotFree(slot);
    }
    SetCtrlVal(hMainPanel, MAINP_FWHM_AV, 0.0);
    DeleteGraphAnnotation(hMainPanel, MAINP_SPECGRAPH, -1);
}

void set_VisiblePeaks(int visible) {
    const int v = visible != 0 ? 1 : 0;
    for (const FwhmSlot& slot : FWHM) {
        SetCtrlAttribute(hMainPanel, slot.valueCtrl, ATTR_VISIBLE, v);
        SetCtrlAttribute(hMainPanel, slot.positionCtrl, ATTR_VISIBLE, v);
        SetCtrlAttribute(hMainPanel, slot.unitCtrl, ATTR_VISIBLE, v);
        SetCtrlAttribute(hMainPanel, slot.radioCtrl, ATTR_VISIBLE, v);
    }
    for (int control : {MAINP_FWHM_UNIT_AV, MAINP_FWHMMODE_DECO, MAINP_FWHM_plotline,
                        MAINP_FWHM_Threshold, MAINP_FWHM_AV, MAINP_TEXTMSG_8, MAINP_DEL_ALL_PEAK,
                        MAINP_SYMMODE_CAPTION, MAINP_VALLEYMODE_CAPTION, MAINP_FWHMMODE_CAPTION})
        SetCtrlAttribute(hMainPanel, control, ATTR_VISIBLE, v);
}

void set_HidePeaksPanel() {
    Main_MakeMainGraph_Small_or_Big(1);
    // The enlarged graph lies under the marker area: it goes with its mode,
    // and so does the protocol of the peak widths.
    set_VisiblePeaks(0);
    SetCtrlAttribute(hMainPanel, MAINP_SHOWHELP, ATTR_VISIBLE, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_FILE_PROTOCOL, ATTR_MENU_DIMMED, 1);
    iFwhmMode = 0;
    iValMode = 0;
    sym_mode = 0;
    SetMenuBarAttribute(MenuBar(), MENUBAR_NONE_MODE, ATTR_CHECKED, 1);
    SetMenuBarAttribute(MenuBar(), MENUBAR_VALLEY, ATTR_CHECKED, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_FWHM, ATTR_CHECKED, 0);
    SetMenuBarAttribute(MenuBar(), MENUBAR_SYM, ATTR_CHECKED, 0);
}

void set_RadButNameInMode(int kind) {
    for (int k = 0; k < kFwhmSlots; ++k) {
        char label[32] = "";
        if (kind == 0 || kind == 1)
            std::snprintf(label, sizeof label, "%s%d", kind == 0 ? "Peak " : "Valley ", k + 1);
        SetCtrlAttribute(hMainPanel, FWHM[k].radioCtrl, ATTR_LABEL_TEXT, label);
    }
}

std::string eval_MarkerClipboardText(int useComma) {
    std::string text;
    for (const FwhmSlot& slot : FWHM) {
        if (slot.plotHandle == 0)
            continue;
        AppendFixed2(text, slot.x);
        text += '\t';
        AppendFixed2(text, slot.value);
        text += '\n';
    }
    if (useComma)
        for (char& c : text)
            if (c == '.')
                c = ',';
    return text;
}

int SpecPaintPanel(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) {
        get_CurrentCursorPosition();
        int found = -1; // point of the peak or valley search, -1 when none ran
        if (iOffline == 0) {
            SetMenuBarAttribute(MenuBar(), MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, 0);
            if (iSelect == SHOW_REFERENCE) {
                if (iCkdDomWave && iXAchse != 0)
                    DomWave();
                if (iCkdFwhm && dXtemp != nullptr && dYtemp != nullptr && iAnzahlFWHM >= 2) {
                    const auto last = static_cast<uint32_t>(iAnzahlFWHM - 1);
                    const double start = dXcursor;
                    int peak = -1;
                    double width;
                    if (iXAchse != 0) {
                        SetCtrlAttribute(hMainPanel, MAINP_FWHM, ATTR_LABEL_TEXT, "FWHM /nm");
                        width = zoltmath_FWHM(dYtemp, dXtemp, last, 50, start, &peak);
                    } else {
                        SetCtrlAttribute(hMainPanel, MAINP_FWHM, ATTR_LABEL_TEXT, "FWHM /px");
                        width = zoltmath_FWHMpix(dYtemp, dXtemp, last, 50, start, &peak);
                    }
                    SetCtrlVal(hMainPanel, MAINP_FWHM, width);
                    if (peak >= 0 && peak < iAnzahlFWHM) {
                        dXcursor = dXtemp[peak];
                        dYcursor = dYtemp[peak];
                    }
                }
            }
            const bool curve =
                dXInterpolVal != nullptr && dYInterpolVal != nullptr && iNumOfMeas >= 2;
            const auto last = static_cast<uint32_t>(iNumOfMeas > 0 ? iNumOfMeas - 1 : 0);
            if (iCkdMaxWave == 1) {
                if (curve)
                    found = zoltmath_PeakWave(dYInterpolVal, dXInterpolVal, dXcursor, last);
            } else if (iCkdMinWave == 1) {
                if (curve)
                    found = zoltmath_ValleyWave(dYInterpolVal, dXInterpolVal, dXcursor, last);
            } else if (iCkdCogVal == 1) {
                display_COGValley();
            }
        }
        // Without a search (no instrument, no curve) the cursor stays where
        // the user put it.
        if (iSelect == SHOW_REFERENCE && (iCkdMaxWave || iCkdMinWave) && found >= 0 &&
            found < iNumOfMeas) {
            dXcursor = dXInterpolVal[found];
            dYcursor = dYInterpolVal[found];
            SetCtrlVal(hMainPanel, MAINP_DOM_WAVE, dXcursor);
        }
        display_CursorToCurve(1, dXcursor, dYcursor);
        SetCtrlVal(hMainPanel, MAINP_c1x, dXcursor);
        SetCtrlVal(hMainPanel, MAINP_c1y, dYcursor);
        if (iCkdCogVal == 1 && iSelect == SHOW_TRANSMISSION)
            display_COGValley();
    } else if (event == EVENT_LEFT_DOUBLE_CLICK) {
        if (iFwhmMode == 1 || iValMode == 1 || sym_mode == 1) {
            get_CurrentCursorPosition();
            FWHM_MODE();
            display_CursorToCurve(1, dXcursor, dYcursor);
        }
    }
    return 0;
}

int RadButPeak(int, int control, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    for (FwhmSlot& slot : FWHM) {
        if (slot.radioCtrl != control)
            continue;
        ShowSlotFree(slot);
        DeleteMarkerAnnotation(slot);
        DeleteMarkerLine(slot);
        slot.value = 0.0;
        slot.x = 0.0;
        slot.y = 0.0;
        FWHM_AV_CALC();
        break;
    }
    return 0;
}

int DeleteAllPeak(int, int, int event, void*, int, int) {
    iStartWlScal = 1;
    iEndWlScal = 1;
    if (event == EVENT_COMMIT) {
        set_FWHM_Reset();
        FWHM_AV_CALC();
    }
    return 0;
}

int PlotPeakValFwhm(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        display_PlotFWHMValues();
    return 0;
}

int FWHM_Copy_To_Buffer(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    const int useComma = ConfirmPopup("Use comma?", "Use comma as a decimal separator?");
    ClipboardPutText(eval_MarkerClipboardText(useComma == 1).c_str());
    return 0;
}
