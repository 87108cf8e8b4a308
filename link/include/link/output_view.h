// What the output links read of the workspace when they write a measurement:
// the curve shown, the axis, the evaluation modes and read-outs, and the
// operator panel.  The workspace fills it through
// WorkspaceHooks::main_GetOutputView (link/hooks.h).
#pragma once

struct OutputView {
    int iSelect = 0;   // curve shown: 1 dark ... 5 derivative, 0 none
    int FuncNr = 0;    // derivative shown, 1 or 2
    int iXAchse = 1;   // x axis: 1 wavelength, 0 pixel
    int iCbSelect = 0; // kind last requested by a measure button, 0 before any
    int iFwhmMode = 0; // marker modes
    int iValMode = 0;
    int sym_mode = 0;
    int iCkdFwhm = 0; // read-out choices
    int iCkdDomWave = 0;
    int iCkdMaxWave = 0;
    int iCkdMinWave = 0;
    int iCkdCogVal = 0;
    double dOneTreshold = 0.0; // centre-of-gravity threshold in per cent (DOM_WAVE_BORDER)
    int hOpPanel = 0;          // operator panel (PANEL_OP)
    int hDdePanel = 0;         // spreadsheet output options (DDE_PANEL)
    float fTint_prev = 0.0f;   // integration time of the shown spectrum, ms
};
