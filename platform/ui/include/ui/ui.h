// Toolkit layer: panels, controls, menus, popups, timers and graphs on Qt.
//
// The program is written against these free functions, in the procedural style
// of the rest of the code base.  Handles are ints; control and menu ids are
// constants generated at build time from the .ui resource files (see
// ui_codegen).  Setting anything from code never fires a callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------- events
enum UiEvent {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_LEFT_DOUBLE_CLICK = 4,
    EVENT_RIGHT_CLICK = 5,
    EVENT_KEYPRESS = 6,
    EVENT_GOT_FOCUS = 7,
    EVENT_LOST_FOCUS = 8,
    EVENT_CLOSE = 9,
    EVENT_DISCARD = 10,
    EVENT_TIMER_TICK = 11,
    EVENT_PANEL_SIZE = 12,
    EVENT_PANEL_MOVE = 13
};

// Key codes delivered with EVENT_KEYPRESS in eventData1: the character or one of
// these virtual keys, OR-ed with the modifier bits.
enum UiKey {
    VAL_ESC_VKEY = 0x1B00,
    VAL_ENTER_VKEY = 0x0D00,
    VAL_TAB_VKEY = 0x0900,
    VAL_F1_VKEY = 0x7000,  // F1..F12 follow in steps of 0x100
    VAL_MENUKEY_MODIFIER = 0x10000,   // Ctrl
    VAL_SHIFT_MODIFIER = 0x20000,
    VAL_ALT_MODIFIER = 0x40000,
    VAL_VKEY_MASK = 0xFF00,
    VAL_ASCII_KEY_MASK = 0x00FF
};

// Standard callback signature of controls, panels and timers.
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = CtrlCallbackPtr;  // control argument is 0
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);
// Window-message hook (device events): message and two values.
using WinMsgCallbackPtr = int (*)(int panel, int message, unsigned* wParam, unsigned* lParam,
                                  void* callbackData);

// ------------------------------------------------------ callback registry
// Callbacks are bound by the name given in the .ui file (dynamic property
// "callback").  The program registers every named function before loading.
void RegisterCtrlCallback(const char* name, CtrlCallbackPtr fn);
void RegisterMenuCallback(const char* name, MenuCallbackPtr fn);
// Names referenced by a .ui file that resolve to nothing registered.
std::vector<std::string> UnresolvedCallbacks(const char* uiFile);

// ----------------------------------------------------------- application
int InitUserInterface(int argc, char** argv);  // creates the application; 0 on success
int RunUserInterface();                        // runs until QuitUserInterface
void QuitUserInterface(int code);
void ProcessSystemEvents();
void ProcessDrawEvents();
void Delay(double seconds);  // keeps the event loop running
void SetWaitCursor(int on);
int GetWaitCursor();
void GetScreenSize(int* height, int* width);

// ----------------------------------------------------------------- panels
// Loads panel `panelId` (generated constant) from `uiFile` (a path relative to
// the resource folder, or absolute).  parent 0 = top-level.  Returns a handle
// > 0, or a negative value on failure.
int LoadPanel(int parentPanel, const char* uiFile, int panelId);
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int InstallPopup(int panel);  // modal
int RemovePopup(int panel);
int GetActivePanel();
int SetActivePanel(int panel);

enum PanelAttr {
    ATTR_TITLE = 1,   // string
    ATTR_TOP, ATTR_LEFT, ATTR_WIDTH, ATTR_HEIGHT,
    ATTR_VISIBLE_PANEL,
    ATTR_WINDOW_ZOOM,  // VAL_MAXIMIZE / VAL_NO_ZOOM / VAL_MINIMIZE
    ATTR_PANEL_MENU_BAR_CONSTANT
};
enum { VAL_NO_ZOOM = 0, VAL_MAXIMIZE = 1, VAL_MINIMIZE = 2 };
int SetPanelAttribute(int panel, int attr, int value);
int SetPanelAttribute(int panel, int attr, const char* value);
int GetPanelAttribute(int panel, int attr, int* value);
int GetPanelAttribute(int panel, int attr, std::string* value);

// Tab control pages are panels of their own.
int GetPanelHandleFromTabPage(int panel, int tabControl, int pageIndex, int* pagePanel);
int SetActiveTabPage(int panel, int tabControl, int pageIndex);
int GetActiveTabPage(int panel, int tabControl, int* pageIndex);

// --------------------------------------------------------------- controls
// Values: numeric controls of every data type, strings, rings/list boxes
// (value of the selected item), check boxes / radio buttons / switches (0/1 or
// the per-state values), LEDs.  A double is stored exactly, whatever its
// display precision.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, short* value);
int GetCtrlVal(int panel, int control, unsigned* value);
int GetCtrlVal(int panel, int control, unsigned short* value);
int GetCtrlVal(int panel, int control, char* value);  // string: caller's buffer of ctrl's max length + 1
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, std::string* value);
int GetCtrlVal(int panel, int control, char* value, std::size_t size);

enum CtrlAttr {
    ATTR_CTRL_VAL = 100,
    ATTR_LABEL_TEXT,     // string
    ATTR_DIMMED,         // int
    ATTR_VISIBLE,        // int
    ATTR_TEXT_COLOR,     // int 0xRRGGBB
    ATTR_TEXT_BGCOLOR,
    ATTR_CMD_BUTTON_COLOR,
    ATTR_FRAME_COLOR,
    ATTR_PRECISION,      // digits after the point
    ATTR_MIN_VALUE,      // double
    ATTR_MAX_VALUE,
    ATTR_DEFAULT_VALUE,
    ATTR_TOOLTIP_TEXT,   // string
    ATTR_CTRL_MODE,      // VAL_HOT / VAL_INDICATOR
    ATTR_TOP_C, ATTR_LEFT_C, ATTR_WIDTH_C, ATTR_HEIGHT_C,
    ATTR_ON_VALUE, ATTR_OFF_VALUE,  // binary switch per-state values
    ATTR_MAX_ENTRY_LENGTH,
    ATTR_CALLBACK_NAME,  // string, read only
    ATTR_INTERVAL,       // timer control, double seconds
    ATTR_ENABLED         // timer control
};
enum { VAL_HOT = 0, VAL_INDICATOR = 1 };
int SetCtrlAttribute(int panel, int control, int attr, int value);
int SetCtrlAttribute(int panel, int control, int attr, double value);
int SetCtrlAttribute(int panel, int control, int attr, const char* value);
int GetCtrlAttribute(int panel, int control, int attr, int* value);
int GetCtrlAttribute(int panel, int control, int attr, double* value);
int GetCtrlAttribute(int panel, int control, int attr, std::string* value);
int SetActiveCtrl(int panel, int control);
int GetActiveCtrl(int panel);
int DefaultCtrl(int panel, int control);

// Rings and list boxes: items with a label and an int value.
int ClearListCtrl(int panel, int control);
int InsertListItem(int panel, int control, int index, const char* label, int value);  // -1 = end
int GetNumListItems(int panel, int control, int* count);
int GetCtrlIndex(int panel, int control, int* index);
int SetCtrlIndex(int panel, int control, int index);
int GetLabelFromIndex(int panel, int control, int index, std::string* label);
int GetValueFromIndex(int panel, int control, int index, int* value);

// Text box: append-only log.
int SetCtrlText(int panel, int control, const char* text);  // replaces all
int AppendTextBoxLine(int panel, int control, const char* line);
int ResetTextBox(int panel, int control, const char* text);

// Tables
int SetTableSize(int panel, int control, int rows, int columns);
int GetTableSize(int panel, int control, int* rows, int* columns);
int SetTableCellVal(int panel, int control, int row, int column, double value);  // 1-based
int SetTableCellVal(int panel, int control, int row, int column, const char* text);
int GetTableCellVal(int panel, int control, int row, int column, double* value);
int GetTableCellVal(int panel, int control, int row, int column, std::string* text);
int SetTableColumnValues(int panel, int control, int column, const double* values, int count);
int SetTableRowLabel(int panel, int control, int row, const char* label);
int SetTableColumnLabel(int panel, int control, int column, const char* label);
int SetTableColumnWidth(int panel, int control, int column, int width);
int SetTableCellColor(int panel, int control, int row, int column, int textColor, int bgColor);

// Progress bar
int SetProgress(int panel, int control, double percent);

// Timers (timer controls in the .ui files)
int SuspendTimerCallbacks();  // counted
int ResumeTimerCallbacks();
int TimerCallbacksSuspended();
int ResetTimer(int panel, int control);  // 0 control: every timer of the panel; panel 0: all

// ----------------------------------------------------------------- menus
int LoadMenuBar(int panel, const char* uiFile, int menuBarId);  // handle > 0
int SetPanelMenuBar(int panel, int menuBar);
int GetPanelMenuBar(int panel);
int DiscardMenuBar(int menuBar);
enum MenuAttr { ATTR_CHECKED = 200, ATTR_MENU_DIMMED, ATTR_ITEM_NAME, ATTR_MENU_VISIBLE };
int SetMenuBarAttribute(int menuBar, int item, int attr, int value);
int SetMenuBarAttribute(int menuBar, int item, int attr, const char* value);
int GetMenuBarAttribute(int menuBar, int item, int attr, int* value);
int GetMenuBarAttribute(int menuBar, int item, int attr, std::string* value);
// Pops the menu bar's menu `menu` up at the mouse; returns the chosen item id
// or 0 when dismissed.  Scriptable in tests.
int RunPopupMenu(int menuBar, int menu, int panel, int top, int left);

// ----------------------------------------------------------------- popups
// All modal dialogs go through one seam (ui/popup_script.h lets tests queue
// answers and read back every (title, text) shown).
int MessagePopup(const char* title, const char* message);
int ConfirmPopup(const char* title, const char* message);  // yes 1, no 0
int GenericMessagePopup(const char* title, const char* message, const char* b1, const char* b2,
                        const char* b3);  // 1..3
int PromptPopup(const char* title, const char* message, char* response, int maxLength);  // 0 ok, <0 cancel
int PasswordPopup(const char* title, const char* message, char* response, int maxLength);
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };
enum { VAL_SELECT_BUTTON = 0, VAL_OK_BUTTON = 1, VAL_SAVE_BUTTON = 2, VAL_LOAD_BUTTON = 3 };
// Returns one of VAL_*_FILE_SELECTED, or negative on error.  path: caller's
// buffer of pathSize bytes.
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileName,
                    const char* filterList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* path, std::size_t pathSize);
// Runs `panel` modally until one of `controls` commits; returns that control
// (or 0 when closed by its frame).
int RunModalPanel(int panel, const std::vector<int>& controls);

// ------------------------------------------------------------------ graph
enum { VAL_THIN_LINE = 0, VAL_CONNECTED_POINTS = 1, VAL_SCATTER = 2, VAL_FAT_LINE = 3,
       VAL_VERTICAL_BAR = 4 };
enum { VAL_SOLID = 0, VAL_DASH = 1, VAL_DOT = 2 };
enum { VAL_NO_POINT = 0, VAL_SIMPLE_DOT = 1, VAL_SOLID_SQUARE = 2, VAL_EMPTY_SQUARE = 3,
       VAL_X = 4, VAL_CROSS = 5 };
enum { VAL_DELAYED_DRAW = 0, VAL_IMMEDIATE_DRAW = 1 };
enum { VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1 };
enum { VAL_MANUAL = 0, VAL_AUTOSCALE = 1 };
// Returns a plot handle > 0, never reused; < 0 on error.
int PlotXY(int panel, int graph, const double* x, const double* y, int count, int plotStyle,
           int pointStyle, int lineStyle, int color);
int PlotLine(int panel, int graph, double x1, double y1, double x2, double y2, int color);
int DeleteGraphPlot(int panel, int graph, int plot, int refresh);  // plot -1: all; unknown: no-op
int GetNumGraphPlots(int panel, int graph, int* count);
int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);
int GetAxisScalingMode(int panel, int graph, int axis, int* mode, double* min, double* max);
int SetAxisName(int panel, int graph, int axis, const char* name);
int SetAxisPrecision(int panel, int graph, int axis, int precision);
int SetAxisDivisions(int panel, int graph, int axis, int divisions);
int SetGraphColors(int panel, int graph, int plotBg, int gridColor, int axisColor);
int SetPlotColor(int panel, int graph, int plot, int color);
// Cursors 1 and 2.
int SetGraphCursor(int panel, int graph, int cursor, double x, double y);
int GetGraphCursor(int panel, int graph, int cursor, double* x, double* y);
int SetGraphCursorIndex(int panel, int graph, int cursor, int plot, int pointIndex);
int GetGraphCursorIndex(int panel, int graph, int cursor, int* plot, int* pointIndex);
int SetCursorVisible(int panel, int graph, int cursor, int visible);
int SetCursorSnap(int panel, int graph, int cursor, int snapToPoint);
int SetActiveGraphCursor(int panel, int graph, int cursor);
int GetActiveGraphCursor(int panel, int graph, int* cursor);
// Annotations: returns an id > 0.
int AddGraphAnnotation(int panel, int graph, double x, double y, const char* caption, int color);
int SetAnnotationCaption(int panel, int graph, int id, const char* caption);
int DeleteGraphAnnotation(int panel, int graph, int id);  // -1: all; unknown: no-op
int GetNumAnnotations(int panel, int graph, int* count);
int RefreshGraph(int panel, int graph);

// 32-bit image of a control or panel (ARGB, row-major, rowBytes = 4 * width).
struct UiImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
int GetCtrlImage(int panel, int control, UiImage* image);
int GetPanelImage(int panel, UiImage* image);

// -------------------------------------------------------------- clipboard
int ClipboardPutText(const char* text);
int ClipboardGetText(std::string* text);

// --------------------------------------------------------------- printing
// Prints a panel or a control; with no printer, writes a PDF to `pdfPath`.
int PrintPanel(int panel, const char* pdfPath);
int PrintCtrl(int panel, int control, const char* pdfPath);

// ---------------------------------------------------------------- events
// Post a window message to a panel from any thread; delivered as a queued
// call of the hook installed for it on the UI thread.
int InstallWinMsgCallback(int panel, int message, WinMsgCallbackPtr fn, void* callbackData,
                          intptr_t* windowHandle);
int RemoveWinMsgCallback(int panel, int message);
// The core library's message poster: delivers (window, message, wParam,
// lParam) into the UI thread's event loop.
void PostWindowMessage(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// ------------------------------------------------------------------ locale
// Formats under the user's locale without touching the global one.
std::string FormatUserLocale(const char* format, double value);
char UserDecimalPoint();
