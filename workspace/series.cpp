// Series view: spectra of one kind taken one after another in continuous
// mode, drawn together on the main graph, either all of them overlaid or as
// their envelope.
//
// Which of the two the graph draws is the state of the MATH_FFT menu item:
// unchecked, every spectrum; checked, the envelope (dimmed, as on the
// wavelength axis, the envelope too).  Showing the series starts with the
// overlay; pressing CB_FFT again while it is shown switches between the two.
// A full series stops continuous measuring; the next measurement ends it.
#include <algorithm>
#include <new>
#include <vector>

#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"
#include "workspace/measure.h"
#include "workspace/stats.h"

int rbFFTDark = 0, rbFFTRef = 0, rbFFTTrans = 0;
int indxFFT = 0;

namespace {

constexpr int kDefaultCount = 50;

int MenuBar() {
    return hMainBar != 0 ? hMainBar : hMenuBar;
}

void DimSeriesButton(int dimmed) {
    SetCtrlAttribute(hMainPanel, MAINP_CB_FFT, ATTR_DIMMED, dimmed);
}

const double* Spectrum(int kind) {
    switch (kind) {
    case MEAS_DARK:
        return dDark;
    case MEAS_REFERENCE:
        return dReferenz;
    case MEAS_TRANSMISSION:
        return dTrans;
    default:
        return nullptr;
    }
}

int ChosenKind() {
    if (rbFFTDark)
        return MEAS_DARK;
    if (rbFFTRef)
        return MEAS_REFERENCE;
    if (rbFFTTrans)
        return MEAS_TRANSMISSION;
    return 0;
}

// Spectra held after entry 0.
int Collected() {
    return std::max(static_cast<int>(dFFTValues.size()) - 1, 0);
}

constexpr int kRadios[] = {FFT_PARAM_RB_FFT_DARK, FFT_PARAM_RB_FFT_REFERENCE,
                           FFT_PARAM_RB_FFT_TRANS};

void ResetDialog() {
    for (int r : kRadios)
        SetCtrlVal(hFFTParPanel, r, 0);
    SetCtrlAttribute(hFFTParPanel, FFT_PARAM_FFT_PARAM_OK, ATTR_DIMMED, 1);
}

int ChooseKind(int panel, int control, int event) {
    if (event != EVENT_COMMIT)
        return 0;
    for (int r : kRadios)
        SetCtrlVal(panel, r, r == control ? 1 : 0);
    SetCtrlAttribute(panel, FFT_PARAM_FFT_PARAM_OK, ATTR_DIMMED, 0);
    return 0;
}

} // namespace

void main_SaveFFTValues(int kind) {
    const double* spectrum = Spectrum(kind);
    const int pixels = stParam.pixelCount;
    if (spectrum == nullptr || pixels <= 0 || iAllocatedPixels < pixels || dFFTValues.empty() ||
        indxFFT != static_cast<int>(dFFTValues.size()) ||
        dFFTValues[0].size() != static_cast<std::size_t>(pixels) + 1)
        return;
    try {
        std::vector<double> copy(spectrum, spectrum + pixels);
        copy.push_back(0.0);
        dFFTValues.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        MessagePopup("Error", "Not enough memory to store the spectrum of the series.");
        return;
    }
    indxFFT += 1;
}

void main_FreeFFTValues() {
    if (dFFTValues.empty())
        return;
    // The graph must not go on showing a series that no longer exists.
    if (Collected() > 0 && iSelect == SHOW_SERIES) {
        iSelect = SHOW_NONE;
        display_ClearMainGraph();
    }
    dFFTValues.clear();
    dFFTValues.shrink_to_fit();
    dMaxMinFFT.clear();
    iStartFFT = 0;
    iFFTReady = 0;
    DimSeriesButton(1);
    indxFFT = 0;
}

void set_CheckFFT() {
    if (iFFTReady != 1)
        return;
    iStartFFT = 0;
    DimSeriesButton(1);
    iFFTReady = 0;
    main_FreeFFTValues();
}

void series_CollectStep(int mode) {
    if (iStartFFT != 1 || iSiCont == 0 || dFFTValues.empty() || mode == 0 || mode != ChosenKind() ||
        Collected() >= iNumOfFFT)
        return;
    main_SaveFFTValues(mode);
    if (Collected() >= iNumOfFFT) {
        // The next scan would end the series: measuring stops here, so the
        // series waits until the user shows it.
        CancelContinuous();
        DimSeriesButton(0);
    }
}

bool series_ShowOverlay() {
    int dimmed = 1, checked = 0;
    GetMenuBarAttribute(MenuBar(), MENUBAR_MATH_FFT, ATTR_MENU_DIMMED, &dimmed);
    GetMenuBarAttribute(MenuBar(), MENUBAR_MATH_FFT, ATTR_CHECKED, &checked);
    return !dimmed && !checked;
}

// ------------------------------------------------------------ callbacks
void MathFFT(int, int, void*, int) {
    iStartFFT = 0;
    const int buttons[] = {MAINP_DARK, MAINP_REFERENCE, MAINP_TRANSMISSION};
    for (int i = 0; i < 3; ++i) {
        int dimmed = 1;
        GetCtrlAttribute(hMainPanel, buttons[i], ATTR_DIMMED, &dimmed);
        SetCtrlAttribute(hFFTParPanel, kRadios[i], ATTR_DIMMED, dimmed);
    }
    DisplayPanel(hFFTParPanel);
}

int FFTDark(int panel, int control, int event, void*, int, int) {
    return ChooseKind(panel, control, event);
}

int FFTReference(int panel, int control, int event, void*, int, int) {
    return ChooseKind(panel, control, event);
}

int FFTTransmittance(int panel, int control, int event, void*, int, int) {
    return ChooseKind(panel, control, event);
}

int FFTParamClose(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    HidePanel(panel);
    ResetDialog();
    return 0;
}

int FFTParametersOk(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    int count = 0;
    GetCtrlVal(panel, FFT_PARAM_NUM_OF_FFT, &count);
    int chosen[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        GetCtrlVal(panel, kRadios[i], &chosen[i]);
    if (count < 1) {
        MessagePopup("Message", "The number of spectra must be at least 1.");
        return 0;
    }
    if (!(chosen[0] || chosen[1] || chosen[2]))
        return 0;

    // Statistics and the series view exclude each other.
    if (iStatisticsParam != 0) {
        iStatisticsParam = 0;
        main_StatisticsCloseDelete();
    }
    iFFTReady = 0;
    HidePanel(panel);
    MessagePopup("Info", "You must make measurements only in cont. mode");

    main_FreeFFTValues();
    iNumOfFFT = count;
    rbFFTDark = chosen[0];
    rbFFTRef = chosen[1];
    rbFFTTrans = chosen[2];
    ResetDialog();
    SetCtrlVal(panel, FFT_PARAM_NUM_OF_FFT, kDefaultCount);

    const int pixels = std::max(stParam.pixelCount, 0);
    try {
        dFFTValues.assign(1, std::vector<double>(static_cast<std::size_t>(pixels) + 1, 0.0));
        dFFTValues.reserve(static_cast<std::size_t>(count) + 1);
        indxFFT = 1;
        iStartFFT = 1;
    } catch (const std::bad_alloc&) {
        dFFTValues.clear();
        MessagePopup("Error", "Not enough memory for the series.");
    }
    // The overlay comes first.
    SetMenuBarAttribute(MenuBar(), MENUBAR_MATH_FFT, ATTR_CHECKED, 0);
    set_UndimMeasButtons();
    SetCtrlAttribute(panel, FFT_PARAM_FFT_PARAM_OK, ATTR_DIMMED, 1);
    DimSeriesButton(1);
    return 0;
}

int FFTStart(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || Collected() == 0)
        return 0;
    const bool shown = iSelect == SHOW_SERIES && iFFTReady == 1;
    int checked = 0;
    GetMenuBarAttribute(MenuBar(), MENUBAR_MATH_FFT, ATTR_CHECKED, &checked);
    SetMenuBarAttribute(MenuBar(), MENUBAR_MATH_FFT, ATTR_CHECKED, shown ? !checked : 0);
    if (iSelect != SHOW_SERIES)
        display_ClearMainGraph();
    iSelect = SHOW_SERIES;
    SetCtrlVal(hMainPanel, MAINP_SELECT_GRAPH, SHOW_SERIES);
    display_Display(1);
    set_UndimMeasButtons();
    DimSeriesButton(0);
    return 0;
}

// ---------------------------------------------------------- registration
void stats_RegisterCallbacks() {
    RegisterMenuCallback("StatistParamMenu", StatistParamMenu);
    RegisterMenuCallback("StatistTableMenu", StatistTableMenu);
    RegisterCtrlCallback("StatRB", StatRB);
    RegisterCtrlCallback("StatParamOk", StatParamOk);
    RegisterCtrlCallback("StatisticsCancel", StatisticsCancel);
    RegisterCtrlCallback("CloseStatisticsTable", CloseStatisticsTable);
    RegisterCtrlCallback("SaveStatisticsInFile", SaveStatisticsInFile);
    RegisterMenuCallback("MathFFT", MathFFT);
    RegisterCtrlCallback("FFTDark", FFTDark);
    RegisterCtrlCallback("FFTReference", FFTReference);
    RegisterCtrlCallback("FFTTransmittance", FFTTransmittance);
    RegisterCtrlCallback("FFTParamClose", FFTParamClose);
    RegisterCtrlCallback("FFTParametersOk", FFTParametersOk);
    RegisterCtrlCallback("FFTStart", FFTStart);
}
