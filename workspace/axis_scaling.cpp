// The user's Y bounds per kind of curve (axis-scaling panel), the automatic
// scaling switch and the "Ignore Range Violation" check boxes.
#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/display.h"

namespace {

// Bound controls of the axis-scaling panel in the order of dUserBounds.
constexpr int kBoundCtrl[12] = {AXISSCAL_DRK_MIN,  AXISSCAL_DRK_MAX, AXISSCAL_REF_MIN,
                                AXISSCAL_REF_MAX,  AXISSCAL_TRA_MIN, AXISSCAL_TRA_MAX,
                                AXISSCAL_ABS_MIN,  AXISSCAL_ABS_MAX, AXISSCAL_CALC_MIN,
                                AXISSCAL_CALC_MAX, AXISSCAL_FFT_MIN, AXISSCAL_FFT_MAX};

void TakeBoundsAndRedraw() {
    RemovePopup(hAxisScaling);
    for (int i = 0; i < 12; ++i) {
        double v = dUserBounds[i];
        if (GetCtrlVal(hAxisScaling, kBoundCtrl[i], &v) == 0)
            dUserBounds[i] = v;
    }
    display_DrawGraph();
}

} // namespace

void Axis_Scaling(int, int, void*, int) {
    // Closing the panel by its frame keeps what was typed, as OK does; OK
    // itself runs AxisScalingClose.
    if (RunModalPanel(hAxisScaling, {AXISSCAL_AxisScalingButton}) == 0)
        TakeBoundsAndRedraw();
}

int AxisScalingClose(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT)
        TakeBoundsAndRedraw();
    return 0;
}

int AutoScale(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(hMainPanel, MAINP_AUTO_SCALE, &iAutoScale);
    display_DrawGraph();
    return 0;
}

int RangeViolOn(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT)
        return 0;
    // Toggled rather than read, so both boxes always agree.
    iRangeViolation = 1 - iRangeViolation;
    SetCtrlVal(hAxisScaling, AXISSCAL_RANGEVIOLATION2, iRangeViolation);
    SetCtrlVal(hMainPanel, MAINP_RANGEVIOLATION1, iRangeViolation);
    return 0;
}
