// The parameter window: its table of parameter controls, reading every
// parameter from the device into them, writing one back, and the window's
// own buttons, keys and protected commands.  Everything acts on
// dwCurrentDevice and runs on the UI thread.
#pragma once

#include <string>
#include <vector>

#include "parameters/par_table.h"

// ------------------------------------------------------- the control table
// Rebuilds Parameter for stParam.deviceType (94, 95 or 96 rows).
void PU_InitParameters();
// Index of the first row showing (panel, control); NumberOfParControls when none.
int PU_ControlID_to_Index(int panel, int control);
// Tab page index of the row's control; -1 when no page holds it.
int PU_Index_to_TabIndex(int row);
// Colour attribute a highlight sets on a control of kind ctrlKind (CtrlKind);
// -1 (told once per run) for a kind it does not know.
int PU_getColorAttribute(int ctrlKind);
// Panel handle of the tab page and control id of a row.
int PU_RowPanel(int row);
int PU_RowControl(int row);
// Control id of a named parameter control on its page; 0 when unknown.
int PU_ControlIdOf(parameters::ParTab tab, std::string_view control);
// The row's control value as the table holds values; false when it holds
// none (a switch or list in no known state).
bool PU_ControlValue(int row, parameters::ParValue* value);
// Puts value into the row's control; false when the control cannot show it.
bool PU_SetControlValue(int row, const parameters::ParValue& value);
// Every row with its control's current value; onlyAnswered: rows the device
// did not answer carry their initial value and count as unanswered.
std::vector<parameters::ParTextRow> PU_CurrentTextRows(bool onlyAnswered = true);

// ------------------------------------------------ reading and writing
// Reads every row from the device into its control.  0, or -1 when the
// device handle is invalid (the read stops there).
int PU_GetAllParam();
// Puts one answer field into the row's control: 0, or -1 when the text
// holds no value of the control's type (the control keeps its value).
int PU_FirmwareAnswer_to_ControlValue(int row, const char* text);
// Appends text with its control characters spelt out to the log page.
void PU_AddParLogLine(const char* text);
// Marks every answered control changed (0x0080FF, and its tab label bold)
// or unchanged (0xF0F0F0) against its row's initial value.
void PU_HighlightChanged();
// The controls' values become the rows' initial values; controls undimmed.
void PU_CurrentValues_to_InitValues();
// Dims every parameter control (the device went away).
void PU_DimParameterControls();
// The row's value as the device takes it: 0, or -1 when it has no text form.
int PU_ParameterValue_to_String(int row, std::string* out);
int SetParameter(int panel, int control, int event, void* data, int d1, int d2);
int CmdReadParFromDevice(int panel, int control, int event, void* data, int d1, int d2);

// --------------------------------------------------------------- window
void ShowParUtility(int menuBar, int menuItem, void* data, int panel);
// Stops continuous measurement, probes the optional functions and shows the
// window as a modal popup; refused while a measurement runs.
void PU_DisplayPanel();
// Stops the status timer, wakes a sleeping device and removes the window.
// The one way other code closes the window.
void PU_HidePanel();
int CloseParUtilPanel(int panel, int control, int event, void* data, int d1, int d2);
int cbPU_Callback(int panel, int control, int event, void* data, int d1, int d2);
int UT_Alphabet_Choose(int panel, int control, int event, void* data, int d1, int d2);

// ---------------------------------------------------- protected commands
// 0 when the typed password is sPassword; otherwise "Wrong password!" and
// non-zero.
int Orvalin_AskPassword();
int SaveParameter(int panel, int control, int event, void* data, int d1, int d2);
int cbParBackup(int panel, int control, int event, void* data, int d1, int d2);
int cbParRestore(int panel, int control, int event, void* data, int d1, int d2);

// Registers the callbacks above under their names.
void parameters_RegisterCallbacks();
