// State of the evaluation markers and the wavelength read-outs.
#pragma once

#include <cstdint>

// One evaluation marker; x not above 0 marks a free slot.
struct FwhmSlot {
    double value;
    double x;
    double y;
    int32_t plotHandle;
    int32_t colour;           // 0xRRGGBB
    int32_t valueCtrl;        // FWHMn
    int32_t positionCtrl;     // FWHM_NMn
    int32_t radioCtrl;        // RBPEAKn
    int32_t unitCtrl;         // FWHM_UNIT_n
    int32_t annotationId = 0; // the marker's caption on the graph, 0 when none
};
constexpr int kFwhmSlots = 12;
extern FwhmSlot FWHM[kFwhmSlots];

extern int iFwhmMode; // 1 peak-width mode
extern int iValMode;  // 1 valley-width mode
extern int sym_mode;  // 1 symmetry mode
extern int iThrSym;   // level in per cent for the symmetry mode
extern int iThrOther; // level for the width modes
// Read-out choices of the WL Values dialog.
extern int iCkdFwhm, iCkdMaxWave, iCkdMinWave, iCkdCogVal, iCkdDomWave;

// Slot colours and controls as at program start.
void eval_ResetFwhmTable();
