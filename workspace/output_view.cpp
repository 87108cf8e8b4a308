#include "workspace/output_view.h"

#include "orvalin_ui.h"
#include "ui/ui.h"
#include "workspace/state.h"

void main_GetOutputView(OutputView* view) {
    OutputView& v = *view;
    v.iSelect = iSelect;
    v.FuncNr = FuncNr;
    v.iXAchse = iXAchse;
    v.iCbSelect = iCbSelect;
    v.iFwhmMode = iFwhmMode;
    v.iValMode = iValMode;
    v.sym_mode = sym_mode;
    v.iCkdFwhm = iCkdFwhm;
    v.iCkdDomWave = iCkdDomWave;
    v.iCkdMaxWave = iCkdMaxWave;
    v.iCkdMinWave = iCkdMinWave;
    v.iCkdCogVal = iCkdCogVal;
    v.dOneTreshold = 0.0;
    if (hWlValDispl > 0)
        GetCtrlVal(hWlValDispl, WLVALUE_DOM_WAVE_BORDER, &v.dOneTreshold);
    v.hOpPanel = hOpPanel;
    v.hDdePanel = hDDEPanel;
    v.fTint_prev = fTint_prev;
}
