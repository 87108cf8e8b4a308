// Smoothing settings: which filter smooths the reference and with what
// window, chosen in the SMOOTHING menu and the Smoothing Filters dialog.
#include "workspace/smooth.h"

#include <algorithm>
#include <climits>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/state.h"

int iSmoothFilter = SMOOTH_NONE;
int iSmoothDialogFilter = SMOOTH_NONE;

namespace {

int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

// The check marks show the filter in force, and only that one.
void ShowFilterInForce() {
    const int bar = MenuBar();
    SetMenuBarAttribute(bar, MENUBAR_SavGolMenu, ATTR_CHECKED, iSmoothFilter == SMOOTH_SAVGOL);
    SetMenuBarAttribute(bar, MENUBAR_BoxcarMenu, ATTR_CHECKED, iSmoothFilter == SMOOTH_BOXCAR);
    SetMenuBarAttribute(bar, MENUBAR_noSmoothMenu, ATTR_CHECKED, iSmoothFilter == SMOOTH_NONE);
}

void PutInForce(int filter) {
    iSmoothFilter = filter;
    iSvGlChecked = filter == SMOOTH_SAVGOL ? 1 : 0;
    iBxcrChecked = filter == SMOOTH_BOXCAR ? 1 : 0;
    ShowFilterInForce();
}

void CloseDialog() {
    iSmoothDialogFilter = SMOOTH_NONE;
    RemovePopup(hSmoothPanel);
}

void Dim(int panel, int control, bool dimmed) {
    SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
}

// Opens the dialog for one filter; the other filter's fields are dimmed.
void OpenDialog(int filter) {
    ShowFilterInForce();
    iSmoothDialogFilter = filter;
    InstallPopup(hSmoothPanel);
    // A new filter needs a new reference: only the dark button stays.
    for (int button : {MAINP_REFERENCE, MAINP_TRANSMISSION, MAINP_ABSORBANCE, MAINP_FORMULA})
        Dim(hMainPanel, button, true);
    const bool savGol = filter == SMOOTH_SAVGOL;
    for (int control : {SMOOTHFLTR_BOXCARPAR, SMOOTHFLTR_BXCLABEL})
        Dim(hSmoothPanel, control, savGol);
    for (int control :
         {SMOOTHFLTR_SGDEGREE, SMOOTHFLTR_SGLEFTNUM, SMOOTHFLTR_SGRIGHTNUM, SMOOTHFLTR_SGLABEL})
        Dim(hSmoothPanel, control, !savGol);
}

int ReadField(int control) {
    int v = 0;
    GetCtrlVal(hSmoothPanel, control, &v);
    return v;
}

void Reject(SmoothVerdict verdict) {
    MessagePopup("Error", smooth_VerdictText(verdict));
}

// Savitzky-Golay fields: true when they passed and are in force.
bool TakeSavGol() {
    const int degree = ReadField(SMOOTHFLTR_SGDEGREE);
    const int left = ReadField(SMOOTHFLTR_SGLEFTNUM);
    const int right = ReadField(SMOOTHFLTR_SGRIGHTNUM);
    const SmoothVerdict verdict = smooth_CheckSavGol(degree, left, right, stParam.pixelCount);
    if (verdict == SMOOTH_ACCEPTED) {
        iDeg = degree;
        inL = left;
        inR = right;
        return true;
    }
    Reject(verdict);
    // The field at fault is corrected; the values in force stay until the
    // dialog's values pass.
    switch (verdict) {
    case SMOOTH_ODD_DEGREE:
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGDEGREE, 2);
        break;
    case SMOOTH_DEGREE_TOO_HIGH:
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGDEGREE, smooth_LargestEvenDegree(left, right));
        break;
    case SMOOTH_NEGATIVE_DEGREE:
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGDEGREE, iDeg);
        break;
    default:
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGLEFTNUM, inL);
        SetCtrlVal(hSmoothPanel, SMOOTHFLTR_SGRIGHTNUM, inR);
        break;
    }
    return false;
}

bool TakeBoxcar() {
    const int width = ReadField(SMOOTHFLTR_BOXCARPAR);
    const SmoothVerdict verdict = smooth_CheckBoxcar(width, stParam.pixelCount);
    if (verdict == SMOOTH_ACCEPTED) {
        iBxcrParam = width;
        return true;
    }
    Reject(verdict);
    SetCtrlVal(hSmoothPanel, SMOOTHFLTR_BOXCARPAR, 1);
    return false;
}

} // namespace

SmoothVerdict smooth_CheckSavGol(int degree, int left, int right, int pixels) {
    if (left < 0 || right < 0)
        return SMOOTH_NEGATIVE_COUNT;
    // In 64 bits: two huge counts must not wrap round to a small window.
    const long long sum = static_cast<long long>(left) + right;
    if (sum < 1)
        return SMOOTH_EMPTY_WINDOW;
    if (pixels > 0 && sum + 1 >= pixels)
        return SMOOTH_WINDOW_TOO_WIDE;
    if (degree < 0)
        return SMOOTH_NEGATIVE_DEGREE;
    if (degree % 2 != 0)
        return SMOOTH_ODD_DEGREE;
    if (degree >= sum)
        return SMOOTH_DEGREE_TOO_HIGH;
    return SMOOTH_ACCEPTED;
}

SmoothVerdict smooth_CheckBoxcar(int width, int pixels) {
    if (width < 1)
        return SMOOTH_WIDTH_BELOW_ONE;
    if (width % 2 == 0)
        return SMOOTH_EVEN_WIDTH;
    if (pixels > 0 && width >= pixels)
        return SMOOTH_WIDTH_TOO_WIDE;
    return SMOOTH_ACCEPTED;
}

const char* smooth_VerdictText(SmoothVerdict verdict) {
    switch (verdict) {
    case SMOOTH_ACCEPTED:
        return nullptr;
    case SMOOTH_NEGATIVE_COUNT:
        return "Left and right number of elements must not be negative";
    case SMOOTH_EMPTY_WINDOW:
        return "Left and right number of elements must not both be 0";
    case SMOOTH_WINDOW_TOO_WIDE:
    case SMOOTH_WIDTH_TOO_WIDE:
        return "The filter must be narrower than the number of pixels";
    case SMOOTH_NEGATIVE_DEGREE:
        return "Degree must not be negative";
    case SMOOTH_ODD_DEGREE:
        return "Degree must be an even number";
    case SMOOTH_DEGREE_TOO_HIGH:
        return "Degree of the polynom must be smaller that the number of points";
    case SMOOTH_WIDTH_BELOW_ONE:
        return "Boxcar parameter must be at least 1";
    case SMOOTH_EVEN_WIDTH:
        return "Degree must be an odd number";
    }
    return nullptr;
}

int smooth_LargestEvenDegree(int left, int right) {
    const long long sum = static_cast<long long>(left) + right;
    const long long even = sum % 2 == 0 ? sum - 2 : sum - 1;
    return static_cast<int>(std::clamp<long long>(even, 0, INT_MAX - 1));
}

void SavGolMenuCallback(int, int, void*, int) {
    OpenDialog(SMOOTH_SAVGOL);
}

void BoxcarMenuCallback(int, int, void*, int) {
    OpenDialog(SMOOTH_BOXCAR);
}

void NoSmoothMenuCallback(int, int, void*, int) {
    PutInForce(SMOOTH_NONE);
}

int SmoothOk(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    switch (iSmoothDialogFilter) {
    case SMOOTH_SAVGOL:
        if (!TakeSavGol())
            return 0; // the dialog stays open
        PutInForce(SMOOTH_SAVGOL);
        break;
    case SMOOTH_BOXCAR:
        if (!TakeBoxcar())
            return 0;
        PutInForce(SMOOTH_BOXCAR);
        break;
    default:
        break;
    }
    CloseDialog();
    return 0;
}

int SmoothCancel(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    // Cancelling switches smoothing off, whatever was in force.
    PutInForce(SMOOTH_NONE);
    CloseDialog();
    return 0;
}

void smooth_ResetState() {
    iSmoothDialogFilter = SMOOTH_NONE;
    inL = inR = iDeg = 2;
    iBxcrParam = 1;
    PutInForce(SMOOTH_NONE);
}

void smooth_RegisterCallbacks() {
    RegisterMenuCallback("SavGolMenuCallback", SavGolMenuCallback);
    RegisterMenuCallback("BoxcarMenuCallback", BoxcarMenuCallback);
    RegisterMenuCallback("NoSmoothMenuCallback", NoSmoothMenuCallback);
    RegisterCtrlCallback("SmoothOk", SmoothOk);
    RegisterCtrlCallback("SmoothCancel", SmoothCancel);
}
