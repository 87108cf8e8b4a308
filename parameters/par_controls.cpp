// The parameter-control table on the window: which control each row shows,
// the controls' values as the table holds them, the device-type settings of
// a few controls, and the marking of changed values.
#include <cmath>
#include <cstdio>
#include <string_view>

#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/par_window.h"
#include "parameters/parameters_state.h"
#include "support/numfmt.h"
#include "ui/ui.h"

namespace {

using parameters::ParDataType;
using parameters::ParTab;
using parameters::ParValue;

constexpr int kChangedColour = 0x0080FF;
constexpr int kUnchangedColour = 0xF0F0F0;

struct NamedControl {
    ParTab tab;
    std::string_view name;
    int id;
};

#define C(TAB, PAGE, NAME)                                                                         \
    NamedControl {                                                                                 \
        ParTab::TAB, #NAME, PAGE##_##NAME                                                          \
    }
constexpr NamedControl kControls[] = {
    C(Root, TAB_ROOT, UT_VERS),
    C(Root, TAB_ROOT, UT_SERN),
    C(Root, TAB_ROOT, UT_SPNUM),
    C(Root, TAB_ROOT, UT_DEVNUM),
    C(Scan, TAB_SCAN, UT_SCALTI),
    C(Scan, TAB_SCAN, UT_TINT),
    C(Scan, TAB_SCAN, UT_SDEL),
    C(Scan, TAB_SCAN, UT_MAXTIN),
    C(Scan, TAB_SCAN, UT_MAXAVER),
    C(Scan, TAB_SCAN, UT_BORD_LOW),
    C(Scan, TAB_SCAN, UT_BORD_HI),
    C(Scan, TAB_SCAN, UT_CYCTIM),
    C(Scan, TAB_SCAN, UT_SPLITDARK),
    C(Scan, TAB_SCAN, UT_PREDARK),
    C(Scan, TAB_SCAN, UT_PRELIGHT),
    C(Scan, TAB_SCAN, UT_SPLITT),
    C(Scan, TAB_SCAN, UT_FAST),
    C(Periph, TAB_PERIPH, UT_TRSL),
    C(Periph, TAB_PERIPH, UT_TRIG),
    C(Periph, TAB_PERIPH, UT_LAMPP),
    C(Periph, TAB_PERIPH, UT_LAMPE),
    C(Periph, TAB_PERIPH, UT_SHUT),
    C(Periph, TAB_PERIPH, UT_FLMODE),
    C(Periph, TAB_PERIPH, UT_FLAS_1),
    C(Periph, TAB_PERIPH, UT_FLAS_2),
    C(Periph, TAB_PERIPH, UT_TRGDEL),
    C(Periph, TAB_PERIPH, UT_TRMODE),
    C(Periph, TAB_PERIPH, UT_OPTIC),
    C(Periph, TAB_PERIPH, UT_LASMOD),
    C(Periph, TAB_PERIPH, UT_LASMOD_2),
    C(Periph, TAB_PERIPH, UT_LASERINT),
    C(Periph, TAB_PERIPH, UT_LASERLIM),
    C(Periph, TAB_PERIPH, UT_BTEN),
    C(Periph, TAB_PERIPH, UT_DISPEN),
    C(Periph, TAB_PERIPH, UT_RTCEN),
    C(Periph, TAB_PERIPH, UT_SDCARDEN),
    C(Comm, TAB_COMM, UT_SPIEN),
    C(Comm, TAB_COMM, UT_SPIMAST),
    C(Comm, TAB_COMM, UT_SPIBRATE),
    C(Meas, TAB_MEAS, UT_WAVLIMIT_MIN),
    C(Meas, TAB_MEAS, UT_WAVLIMIT_MAX),
    C(Meas, TAB_MEAS, UT_ADAP),
    C(Meas, TAB_MEAS, UT_FUNC),
    C(Meas, TAB_MEAS, UT_CALIBN),
    C(Meas, TAB_MEAS, UT_DISTA),
    C(Meas, TAB_MEAS, UT_EXPO),
    C(Meas, TAB_MEAS, UT_WAVSTEP),
    C(Meas, TAB_MEAS, UT_BOXCA),
    C(Meas, TAB_MEAS, UT_WAVBEG),
    C(Meas, TAB_MEAS, UT_WAVEND),
    C(Meas, TAB_MEAS, UT_FIT0),
    C(Meas, TAB_MEAS, UT_FIT1),
    C(Meas, TAB_MEAS, UT_FIT2),
    C(Meas, TAB_MEAS, UT_FIT3),
    C(Meas, TAB_MEAS, UT_FIT4),
    C(Meas, TAB_MEAS, UT_SYNCMOD),
    C(Meas, TAB_MEAS, UT_SYNCFREQ),
    C(Meas, TAB_MEAS, UT_WRAN_START),
    C(Meas, TAB_MEAS, UT_WRAN_END),
    C(Meas, TAB_MEAS, UT_WRAN_STEP),
    C(Meas, TAB_MEAS, UT_CONFAVER),
    C(SpecFun, TAB_SPECFUN, UT_PONTIM),
    C(SpecFun, TAB_SPECFUN, UT_PONMODE),
    C(SpecFun, TAB_SPECFUN, UT_UMINTI),
    C(SpecFun, TAB_SPECFUN, UT_ENCHAR),
    C(SpecFun, TAB_SPECFUN, UT_TRGCONF),
    C(SpecFun, TAB_SPECFUN, UT_ENCTURN),
    C(Cor, TAB_COR, UT_CORRENA),
    C(Cor, TAB_COR, UT_OFFCORR_BEG),
    C(Cor, TAB_COR, UT_OFFCORR_END),
    C(Cor, TAB_COR, UT_CORRRANGE_BEG),
    C(Cor, TAB_COR, UT_CORRRANGE_END),
    C(Cor, TAB_COR, UT_COR0),
    C(Cor, TAB_COR, UT_COR1),
    C(Cor, TAB_COR, UT_COR2),
    C(Cor, TAB_COR, UT_COR3),
    C(Cor, TAB_COR, UT_ANCFAC),
    C(Sens, TAB_SENS, UT_FAULTY),
    C(Sens, TAB_SENS, UT_SENS),
    C(Sens, TAB_SENS, UT_PIX),
    C(Sens, TAB_SENS, UT_PDAG),
    C(Sens, TAB_SENS, UT_OVSAMP),
    C(Sens, TAB_SENS, UT_PIXBIN),
    C(Other, TAB_OTHER, UT_LDLIMIT),
    C(Other, TAB_OTHER, UT_LDCURR),
    C(Other, TAB_OTHER, UT_BMGTRIG),
    C(Other, TAB_OTHER, UT_ENAROW98),
    C(Other, TAB_OTHER, UT_FRAME),
    C(Other, TAB_OTHER, UT_SUMLI),
    C(Adc, TAB_ADC, UT_OFFS),
    C(Adc, TAB_ADC, UT_ADCR),
    C(Adc, TAB_ADC, UT_ADCV),
    C(Adc, TAB_ADC, UT_GAIN),
    C(Comm, TAB_COMM, UT_FORM),
    C(Comm, TAB_COMM, UT_BAUD),
    C(Comm, TAB_COMM, UT_DIRECT),
};
#undef C

constexpr int IdOf(ParTab tab, std::string_view name) {
    for (const NamedControl& c : kControls)
        if (c.tab == tab && c.name == name)
            return c.id;
    return 0;
}

constexpr bool EveryRowHasItsControl() {
    for (const parameters::ParRowSpec& r : parameters::kParameterRows)
        if (IdOf(r.tab, r.control) == 0)
            return false;
    return true;
}
static_assert(EveryRowHasItsControl(), "a parameter row names a control the window lacks");

// Page handles in the order of ParTab.
int* const kPages[] = {&hTabRoot, &hTabAdc,    &hTabSens,    &hTabComm, &hTabMeas,
                       &hTabScan, &hTabPeriph, &hTabSpecFun, &hTabCor,  &hTabOther};

bool ValidRow(int row) {
    return row >= 0 && row < NumberOfParControls &&
           static_cast<std::size_t>(row) < Parameter.size();
}

int Kind(int row) {
    int kind = 0;
    GetCtrlAttribute(PU_RowPanel(row), PU_RowControl(row), ATTR_CTRL_KIND, &kind);
    return kind;
}

// A two-state switch showing a text parameter: the texts of its states.
struct SwitchTexts {
    const char* on;
    const char* off;
};
SwitchTexts PdagTexts() {
    return stParam.deviceType == 3 ? SwitchTexts{"high", "low"} : SwitchTexts{"1", "0"};
}

int TabCount() {
    int n = 0;
    int page = 0;
    while (GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR, n, &page) == 0)
        ++n;
    return n;
}

} // namespace

int PU_ControlIdOf(ParTab tab, std::string_view control) {
    return IdOf(tab, control);
}

int PU_RowPanel(int row) {
    if (!ValidRow(row))
        return 0;
    const auto t = static_cast<std::size_t>(Parameter[static_cast<std::size_t>(row)].tab);
    return t < std::size(kPages) ? *kPages[t] : 0;
}

int PU_RowControl(int row) {
    if (!ValidRow(row))
        return 0;
    const auto& r = Parameter[static_cast<std::size_t>(row)];
    return IdOf(r.tab, r.control);
}

void PU_InitParameters() {
    parameters::PU_InitParameters(stParam.deviceType, Parameter);
    NumberOfParControls = static_cast<int>(Parameter.size());
    bParAnswered.resize(Parameter.size(), false);
}

int PU_ControlID_to_Index(int panel, int control) {
    for (int i = 0; i < NumberOfParControls; ++i)
        if (PU_RowPanel(i) == panel && PU_RowControl(i) == control)
            return i;
    return NumberOfParControls;
}

int PU_Index_to_TabIndex(int row) {
    const int panel = PU_RowPanel(row);
    int page = 0;
    for (int i = 0; GetPanelHandleFromTabPage(hParUtil, PARUTILITY_TABPAR, i, &page) == 0; ++i)
        if (page == panel)
            return i;
    return -1;
}

int PU_getColorAttribute(int ctrlKind) {
    switch (ctrlKind) {
    case CTRL_NUMERIC:
    case CTRL_STRING:
    case CTRL_RING:
        return ATTR_TEXT_BGCOLOR;
    case CTRL_BINARY_SWITCH:
        return ATTR_CMD_BUTTON_COLOR;
    default: {
        static bool told = false; // once per run, not once per control and pass
        if (!told) {
            told = true;
            MessagePopup("Information", "Color attribute unknown for the controls of this type. "
                                        "Check getColorAttribute function in get.");
        }
        return -1;
    }
    }
}

bool PU_ControlValue(int row, ParValue* value) {
    if (!ValidRow(row))
        return false;
    const int panel = PU_RowPanel(row), control = PU_RowControl(row);
    const ParDataType type = Parameter[static_cast<std::size_t>(row)].dataType;
    ParValue v;
    v.type = type;
    if (type == ParDataType::String) {
        if (Kind(row) == CTRL_BINARY_SWITCH) {
            int on = 0, state = 0;
            if (GetCtrlVal(panel, control, &state) != 0 ||
                GetCtrlAttribute(panel, control, ATTR_ON_VALUE, &on) != 0)
                return false;
            v.text = state == on ? PdagTexts().on : PdagTexts().off;
        } else if (GetCtrlVal(panel, control, &v.text) != 0) {
            return false;
        }
    } else if (type == ParDataType::Double) {
        return false;
    } else {
        double d = 0.0;
        if (GetCtrlVal(panel, control, &d) != 0 || !std::isfinite(d))
            return false;
        if (type == ParDataType::Float)
            v.real = static_cast<float>(d);
        else
            v.integer = static_cast<std::int64_t>(std::llround(d));
    }
    *value = v;
    return true;
}

bool PU_SetControlValue(int row, const ParValue& v) {
    if (!ValidRow(row))
        return false;
    const int panel = PU_RowPanel(row), control = PU_RowControl(row);
    switch (v.type) {
    case ParDataType::String:
        if (Kind(row) == CTRL_BINARY_SWITCH) {
            const SwitchTexts t = PdagTexts();
            int on = 1, off = 0;
            GetCtrlAttribute(panel, control, ATTR_ON_VALUE, &on);
            GetCtrlAttribute(panel, control, ATTR_OFF_VALUE, &off);
            if (v.text != t.on && v.text != t.off)
                return false;
            return SetCtrlVal(panel, control, v.text == t.on ? on : off) == 0;
        }
        return SetCtrlVal(panel, control, v.text.c_str()) == 0;
    case ParDataType::Float:
        return SetCtrlVal(panel, control, static_cast<double>(v.real)) == 0;
    case ParDataType::Double:
        return false;
    default:
        break;
    }
    const double d = static_cast<double>(v.integer);
    if (SetCtrlVal(panel, control, d) == 0)
        return true;
    // A list without the device's entry (no sensor list, or an unknown
    // sensor) gets one, so the value is neither lost nor replaced.
    if (Kind(row) != CTRL_RING || v.integer < INT32_MIN || v.integer > INT32_MAX)
        return false;
    const std::string label = support::FormatC("%.3lld", static_cast<long long>(v.integer));
    InsertListItem(panel, control, -1, label.c_str(), static_cast<int>(v.integer));
    return SetCtrlVal(panel, control, d) == 0;
}

std::vector<parameters::ParTextRow> PU_CurrentTextRows(bool onlyAnswered) {
    std::vector<ParValue> current(Parameter.size());
    std::vector<bool> answered(Parameter.size(), false);
    for (int i = 0; i < NumberOfParControls; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const bool read = !onlyAnswered || (k < bParAnswered.size() && bParAnswered[k]);
        answered[k] = read && PU_ControlValue(i, &current[k]);
    }
    return parameters::PU_TextRows(Parameter, current, answered);
}

void PU_HighlightChanged() {
    const int tabs = TabCount();
    for (int i = 0; i < tabs; ++i) {
        SetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, i, ATTR_TAB_LABEL_COLOR, 0);
        SetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, i, ATTR_TAB_LABEL_BOLD, 0);
    }
    for (int i = 0; i < NumberOfParControls; ++i) {
        // A control the device did not answer is hidden and marks nothing.
        if (static_cast<std::size_t>(i) >= bParAnswered.size() ||
            !bParAnswered[static_cast<std::size_t>(i)])
            continue;
        const int attr = PU_getColorAttribute(Kind(i));
        ParValue now;
        if (!PU_ControlValue(i, &now))
            continue;
        const bool changed =
            parameters::PU_ValueChanged(Parameter[static_cast<std::size_t>(i)].init, now);
        if (attr >= 0)
            SetCtrlAttribute(PU_RowPanel(i), PU_RowControl(i), attr,
                             changed ? kChangedColour : kUnchangedColour);
        if (changed) {
            const int tab = PU_Index_to_TabIndex(i);
            SetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, tab, ATTR_TAB_LABEL_COLOR,
                                kChangedColour);
            SetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, tab, ATTR_TAB_LABEL_BOLD, 1);
        }
    }
}

void PU_CurrentValues_to_InitValues() {
    for (int i = 0; i < NumberOfParControls; ++i) {
        ParValue now;
        if (!PU_ControlValue(i, &now))
            continue;
        Parameter[static_cast<std::size_t>(i)].init = now;
        SetCtrlAttribute(PU_RowPanel(i), PU_RowControl(i), ATTR_DIMMED, 0);
    }
    PU_HighlightChanged();
}

void PU_DimParameterControls() {
    for (int i = 0; i < NumberOfParControls; ++i)
        SetCtrlAttribute(PU_RowPanel(i), PU_RowControl(i), ATTR_DIMMED, 1);
}

int PU_ParameterValue_to_String(int row, std::string* out) {
    ParValue v;
    if (!PU_ControlValue(row, &v))
        return -1;
    const auto text = parameters::PU_ParameterValue_to_String(v, parameters::NumberStyle::Machine);
    if (!text)
        return -1;
    *out = *text;
    return 0;
}
