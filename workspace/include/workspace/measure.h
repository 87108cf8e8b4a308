// Measurement sequence and the main-window measurement controls.
//
// A measurement step runs on the user-interface thread and keeps the window
// alive by processing events while it polls the instrument, so callbacks can
// run inside it.  main_Measure therefore refuses to nest, the Esc key only
// requests a break while a step runs, and a quit asked for during a step is
// carried out once the step has unwound (measure_RequestQuitAfter).
#pragma once

#include <cstdint>

// --------------------------------------------------------------- sequence
// One measurement step of the kind in iCbSelect.  0 when the step ended
// (successfully, with a device error or by a user break); -1 without a
// device.  Called while a step runs it returns 0 at once and changes nothing.
int main_Measure();
// One acquisition: mode 1 dark, 2 or more light.  0 after the fetch, -10
// after a user break, else the non-zero status that ended it (14 when the
// device is still busy after the wait, the fetch status when the fetch fails).
int SpecRead(int mode);
// Device-side adaption of the integration time: kResultOk, kResultFailed,
// kResultFatal (link/status.h) or one of its own results below.
constexpr int kAdaptionBroken = -2;       // the user stopped it
constexpr int kAdaptionOverexposed = -3;  // the device reported overexposure
constexpr int kAdaptionNotSupported = -4; // the device has no adaption
int comm_AdaptionFirmware();
// Leaves continuous mode.
void CancelContinuous();

// 1 when the measured set holds a transmission of its dark and reference
// taken after every other sample: the derivatives can be offered.
int measure_DerivationReady();
// 1 while a measurement step runs (inside main_Measure).
int measure_IsRunning();
// Quit asked for while a step runs: the step is broken at its next poll and
// `quit` is called once it has unwound (the arrays and the device are in use
// until then).  Returns 1 when the quit was deferred, 0 when no step runs and
// the caller must quit itself.
int measure_RequestQuitAfter(void (*quit)());
// 1 while a routine asked for with measure_RequestQuitAfter waits for the
// running step to unwind.
int measure_AfterStepPending();

// While a step runs, what it measures with stays as it began: a change of
// INTTIME or AVER, or switching a single step to continuous, is undone (the
// control shows the step's value again) and 1 is returned.  Leaving
// continuous mode during a continuous step is allowed (0), as is anything
// at idle.  In continuous mode a step runs most of the time, so an entry
// made during one is kept and takes effect when the step ends.
int measure_RefuseDuringStep(int control);
// 1 while a continuous step runs: keys typed into its fields go on.
int measure_ContinuousStepRunning();

// Monotonic clock of the measurement waits, in seconds.  Tests install the
// simulated instrument's clock here (null restores the real one) so the
// 30 s and 120 s limits pass without waiting.
double measure_Timer();
void measure_SetClock(double (*now)());

// Back to the program-start values of this module (tests).
void measure_ResetState();

// --------------------------------------------------------------- controls
int Callback_MeasureButton(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int ScanMode(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ScanDelay(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
int SetAver(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int SetTint(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int ContMeas(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
int cbCheckBoxDarkRef(int panel, int control, int event, void* callbackData, int eventData1,
                      int eventData2);
int cbCheckBoxAdapt(int panel, int control, int event, void* callbackData, int eventData1,
                    int eventData2);
int KeyPress(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// Recomputes the minimum scan period and applies it to SCDELAY.
void set_ScanDelay();
// iAverage = AVER (times AVERADAPT while that is shown), limited to what the
// instrument accepts.
void main_GetAverage();
// Dims (non-zero) or undims the six measure buttons.
void set_MeasBtns(int dimmed);
// Enables the measure buttons the measured set allows.
void set_UndimMeasButtons();
// Trigger popup of a measure button.
void Orvalin_TrigMeasPopUp(int control);

// Registers every callback above by its name.
void measure_RegisterCallbacks();
