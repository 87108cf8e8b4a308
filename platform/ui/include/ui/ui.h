// Toolkit layer: panels, controls, menus, popups, timers and graphs on Qt.
//
// The program is written against these free functions, in the procedural style
// of the rest of the code base.  Handles are ints; control and menu ids are
// constants generated at build time from the .ui resource files by
// orvalin_ui_ids() (platform/ui/cmake/OrvalinUiIds.cmake): panel MAINP,
// control MAINP_DARK, menu bar MENUBAR, item MENUBAR_FILE_QUIT.  The ids of
// each file lie in a range of their own, so an id used with the wrong file or
// panel is refused.  Setting anything from code never fires a callback.
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
    EVENT_RIGHT_CLICK = 5, // a callback returning non-zero takes the click and its context menu
    EVENT_KEYPRESS = 6,
    EVENT_GOT_FOCUS = 7,
    EVENT_LOST_FOCUS = 8,
    EVENT_CLOSE = 9,
    EVENT_DISCARD = 10,
    EVENT_TIMER_TICK = 11,
    EVENT_PANEL_SIZE = 12,
    EVENT_PANEL_MOVE = 13,
    // A wheel notch over a control, delivered before the control's value
    // changes; eventData1 = notches, up positive.  A callback that returns
    // non-zero swallows it and the control stays as it was.
    EVENT_MOUSE_WHEEL_SCROLL = 14
};

// Key codes delivered with EVENT_KEYPRESS in eventData1: a printable character
// as its ASCII code (no Shift bit: "*" is 0x2A), a letter typed with Ctrl or
// Alt as its upper-case code, or one of these virtual keys; OR-ed with the
// modifier bits.  Esc = 0x0300, Ctrl+Tab = 0x40400, Ctrl+F = 0x40046.
enum UiKey {
    VAL_BACKSPACE_VKEY = 0x0100,
    VAL_DELETE_VKEY = 0x0200,
    VAL_ESC_VKEY = 0x0300,
    VAL_TAB_VKEY = 0x0400,
    VAL_ENTER_VKEY = 0x0500,
    VAL_UP_ARROW_VKEY = 0x0600,
    VAL_DOWN_ARROW_VKEY = 0x0700,
    VAL_LEFT_ARROW_VKEY = 0x0800,
    VAL_RIGHT_ARROW_VKEY = 0x0900,
    VAL_INSERT_VKEY = 0x0A00,
    VAL_HOME_VKEY = 0x0B00,
    VAL_END_VKEY = 0x0C00,
    VAL_PAGE_UP_VKEY = 0x0D00,
    VAL_PAGE_DOWN_VKEY = 0x0E00,
    VAL_F1_VKEY = 0x7000, // F1..F12 follow in steps of 0x100
    VAL_ALT_MODIFIER = 0x10000,
    VAL_SHIFT_MODIFIER = 0x20000,
    VAL_MENUKEY_MODIFIER = 0x40000, // Ctrl
    VAL_VKEY_MASK = 0xFF00,
    VAL_ASCII_KEY_MASK = 0x00FF
};

// Error results (every function returns 0 or a handle on success).
enum UiError {
    UI_ERR_NO_APP = -1,    // InitUserInterface not called
    UI_ERR_PANEL = -2,     // unknown panel handle
    UI_ERR_CONTROL = -3,   // unknown control id on that panel
    UI_ERR_ATTRIBUTE = -4, // attribute not valid for that control
    UI_ERR_TYPE = -5,      // value type does not fit the control
    UI_ERR_RANGE = -6,     // index or item value out of range / not found
    UI_ERR_FILE = -7,      // resource file not found or unreadable
    UI_ERR_BAD_FILE = -8,  // resource file malformed, or id not in it
    UI_ERR_BUFFER = -9,    // caller's buffer too small
    UI_ERR_HANDLE = -10,   // unknown menu bar, plot, annotation
    UI_ERR_IO = -11        // printing / writing failed
};
// Text of the last error of a loader or printing function.
std::string GetUiErrorText();
// A call that fails for a mistake of its caller (an unknown panel, control or
// menu bar, an attribute or a value that does not fit the control) is never
// meant by the program.  Such a call returns its error code as any other and
// also reaches this hook (nullptr: none), which tests arm to fail on it.
// call: the toolkit function; what: the panel or control and the reason.
using UiMisuseHook = void (*)(int code, const char* call, const char* what);
void SetUiMisuseHook(UiMisuseHook hook);

// Standard callback signature of controls, panels and timers.
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = CtrlCallbackPtr; // control argument is 0
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);
// Window-message hook (device events): message and two values.
using WinMsgCallbackPtr = int (*)(int panel, int message, unsigned* wParam, unsigned* lParam,
                                  void* callbackData);

// ------------------------------------------------------ callback registry
// Callbacks are bound by the name given in the .ui file (dynamic property
// "callback").  The program registers every named function before loading.
void RegisterCtrlCallback(const char* name, CtrlCallbackPtr fn);
void RegisterMenuCallback(const char* name, MenuCallbackPtr fn);
// Calls the callback bound to a control (or panel, control 0) as if the event
// had happened; returns its result, or 0 when it has none.
int CallCtrlCallback(int panel, int control, int event, int eventData1, int eventData2);
// Names referenced by a .ui file that resolve to nothing registered.
// The file name is resolved as LoadPanel does; a file that cannot be read
// yields one entry describing the problem.
std::vector<std::string> UnresolvedCallbacks(const char* uiFile);
// Whole-file check for tests: builds every panel and menu bar of the file
// (then discards them) and lists every problem: load failures and callback
// names that resolve to nothing.  Register all callbacks first.
std::vector<std::string> CheckUiFile(const char* uiFile);
// Inside a control or panel callback for EVENT_KEYPRESS: the control receives
// `key` (same coding as eventData1) instead of the key pressed.  A callback
// that returns non-zero for EVENT_KEYPRESS swallows the key instead.
void SetKeyPressEventKey(int key);
// Called by the generated id headers; the loader refuses a file whose ids
// differ from those the program was built with.
int UiRegisterIdFingerprint(const char* uiFile, unsigned long long fingerprint);
// Full path the loader uses for `uiFile` ("" when not found): the name as
// given when absolute, else $ORVALIN_UI_DIR, the program's folder, the
// built-in resource folder.
std::string ResolveUiFile(const char* uiFile);

// ----------------------------------------------------------- application
int InitUserInterface(int argc, char** argv); // creates the application; 0 on success
int RunUserInterface();                       // runs until QuitUserInterface
// Ends the loop (or the next one run); every dialog open then ends unanswered,
// and none opened afterwards waits, until the loop has ended.
void QuitUserInterface(int code);
// While `on` is 1 every dialog open now ends unanswered and none opened later
// waits, but the loop goes on: work that must unwind before a quit is not
// held up, and the quit can still ask its own questions once it is back to 0.
void DismissDialogs(int on);
// 1 while a dialog would end unanswered (a quit, or DismissDialogs(1)).
int DialogsDismissed();
// 1 while a dialog, a modal panel or a popup menu waits for an answer.
int DialogWaiting();
void ProcessSystemEvents();
void ProcessDrawEvents();
void Delay(double seconds); // keeps the event loop running
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
int InstallPopup(int panel); // modal; also displays it
int RemovePopup(int panel);  // that panel, or 0: the most recently installed popup
int GetActivePanel();
int SetActivePanel(int panel);

enum PanelAttr {
    ATTR_TITLE = 1, // string
    ATTR_TOP,
    ATTR_LEFT,
    ATTR_WIDTH,
    ATTR_HEIGHT,
    ATTR_VISIBLE_PANEL,
    ATTR_WINDOW_ZOOM, // VAL_MAXIMIZE / VAL_NO_ZOOM / VAL_MINIMIZE
    ATTR_PANEL_MENU_BAR_CONSTANT,
    // int 0/1.  When on, a resize places and sizes every control in
    // proportion to the panel's content area (below the menu bar) at the
    // moment it was switched on.  Control geometry set and read from code is
    // in current pixels; fonts keep their size.
    ATTR_SCALE_CONTENTS_ON_RESIZE
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
// A page's label on the tab bar: colour 0xRRGGBB and bold face (0/1).
enum TabPageAttr { ATTR_TAB_LABEL_COLOR = 400, ATTR_TAB_LABEL_BOLD };
int SetTabPageAttribute(int panel, int tabControl, int pageIndex, int attr, int value);
int GetTabPageAttribute(int panel, int tabControl, int pageIndex, int attr, int* value);

// --------------------------------------------------------------- controls
// Values: numeric controls of every data type, strings, rings/list boxes
// (value of the selected item), check boxes / radio buttons / switches (0/1 or
// the per-state values), LEDs.  A double is stored exactly, whatever its
// display precision.
// On a text box SetCtrlVal appends the text (the box is a log); SetCtrlText
// replaces it.  On a ring or list box a string selects the item with that label.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, short* value);
int GetCtrlVal(int panel, int control, unsigned* value);
int GetCtrlVal(int panel, int control, unsigned short* value);
// string: caller's buffer of ATTR_MAX_ENTRY_LENGTH + 1 bytes (255 + 1 when the
// control sets no maximum; longer texts are cut); a char numeric: one char.
int GetCtrlVal(int panel, int control, char* value);
int GetCtrlVal(int panel, int control, float* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, std::string* value);
int GetCtrlVal(int panel, int control, char* value, std::size_t size);

enum CtrlAttr {
    ATTR_CTRL_VAL = 100,
    ATTR_LABEL_TEXT, // string
    ATTR_DIMMED,     // int
    ATTR_VISIBLE,    // int
    ATTR_TEXT_COLOR, // int 0xRRGGBB
    ATTR_TEXT_BGCOLOR,
    ATTR_CMD_BUTTON_COLOR,
    ATTR_FRAME_COLOR,
    ATTR_PRECISION, // digits after the point
    ATTR_MIN_VALUE, // double
    ATTR_MAX_VALUE,
    ATTR_DEFAULT_VALUE,
    ATTR_TOOLTIP_TEXT, // string
    ATTR_CTRL_MODE,    // VAL_HOT / VAL_INDICATOR
    ATTR_TOP_C,
    ATTR_LEFT_C,
    ATTR_WIDTH_C,
    ATTR_HEIGHT_C,
    ATTR_ON_VALUE,
    ATTR_OFF_VALUE, // binary switch per-state values
    ATTR_MAX_ENTRY_LENGTH,
    ATTR_CALLBACK_NAME, // string, read only
    ATTR_INTERVAL,      // timer control, double seconds
    ATTR_ENABLED,       // timer control
    ATTR_ON_COLOR,      // LED / binary switch colour when on (0xRRGGBB)
    ATTR_OFF_COLOR,     // ... when off
    ATTR_DATA_TYPE,     // numeric: one of VAL_INTEGER ..., read only
    ATTR_CTRL_KIND,     // one of CtrlKind, read only
    ATTR_FORMAT         // real numeric: VAL_DECIMAL_FORMAT / VAL_SIGNIFICANT_FORMAT
};
enum CtrlKind {
    CTRL_NUMERIC = 1,
    CTRL_STRING,
    CTRL_TEXT_MSG,
    CTRL_RING,
    CTRL_LIST_BOX,
    CTRL_RADIO,
    CTRL_CHECK_BOX,
    CTRL_BINARY_SWITCH,
    CTRL_COMMAND_BUTTON,
    CTRL_LED,
    CTRL_TAB,
    CTRL_TABLE,
    CTRL_PROGRESS,
    CTRL_PICTURE,
    CTRL_TEXT_BOX,
    CTRL_DECORATION,
    CTRL_HYPERLINK,
    CTRL_TIMER,
    CTRL_GRAPH
};
enum { VAL_INTEGER = 1, VAL_SHORT_INTEGER, VAL_UNSIGNED_INTEGER, VAL_CHAR, VAL_FLOAT, VAL_DOUBLE };
enum { VAL_HOT = 0, VAL_INDICATOR = 1 };
// Decimal: ATTR_PRECISION digits after the point.  Significant: ATTR_PRECISION
// significant digits, in scientific form where the decimal one would hide them.
enum { VAL_DECIMAL_FORMAT = 0, VAL_SIGNIFICANT_FORMAT = 1 };
int SetCtrlAttribute(int panel, int control, int attr, int value);
int SetCtrlAttribute(int panel, int control, int attr, double value);
int SetCtrlAttribute(int panel, int control, int attr, const char* value);
int GetCtrlAttribute(int panel, int control, int attr, int* value);
int GetCtrlAttribute(int panel, int control, int attr, double* value);
int GetCtrlAttribute(int panel, int control, int attr, std::string* value);
int SetActiveCtrl(int panel, int control);
int GetActiveCtrl(int panel);
int DefaultCtrl(int panel, int control);
// A numeric control shows no number (a string control no text) until the next
// value is set; meanwhile its value reads as its default.
int BlankCtrl(int panel, int control);

// Rings and list boxes: items with a label and an int value.
int ClearListCtrl(int panel, int control);
int InsertListItem(int panel, int control, int index, const char* label, int value); // -1 = end
int DeleteListItem(int panel, int control, int index, int count); // count -1: to the end
int GetNumListItems(int panel, int control, int* count);
int GetCtrlIndex(int panel, int control, int* index);
int SetCtrlIndex(int panel, int control, int index);
int GetLabelFromIndex(int panel, int control, int index, std::string* label);
int GetValueFromIndex(int panel, int control, int index, int* value);

// Text box: append-only log.
int SetCtrlText(int panel, int control, const char* text); // replaces all
int AppendTextBoxLine(int panel, int control, const char* line);
int ResetTextBox(int panel, int control, const char* text);
int GetNumTextBoxLines(int panel, int control, int* lines);

// Tables
int SetTableSize(int panel, int control, int rows, int columns);
int GetTableSize(int panel, int control, int* rows, int* columns);
int SetTableCellVal(int panel, int control, int row, int column, double value); // 1-based
int SetTableCellVal(int panel, int control, int row, int column, const char* text);
int GetTableCellVal(int panel, int control, int row, int column, double* value);
int GetTableCellVal(int panel, int control, int row, int column, std::string* text);
int SetTableColumnValues(int panel, int control, int column, const double* values, int count);
int SetTableRowLabel(int panel, int control, int row, const char* label);
int SetTableColumnLabel(int panel, int control, int column, const char* label);
int SetTableColumnWidth(int panel, int control, int column, int width);
int SetTableCellColor(int panel, int control, int row, int column, int textColor, int bgColor);
// Digits after the point of a column's numbers (-1: shortest exact form).
int SetTableColumnPrecision(int panel, int control, int column, int precision);
// Widens a column, to no less than minWidth, so that every cell shows its
// whole text; the width then follows the data, not a guess.
int FitTableColumnWidth(int panel, int control, int column, int minWidth);
int GetTableCellColor(int panel, int control, int row, int column, int* textColor, int* bgColor);

// Progress bar
int SetProgress(int panel, int control, double percent);

// Progress dialog: a modal window with a bar and a label that shows at once
// and does not wait; the caller works meanwhile and updates it.  Recorded by
// the popup seam (kind Progress: title, label) without taking an answer.
// cancelText nullptr or "": no cancel button.  Returns a handle > 0.
int CreateProgressDialog(const char* title, const char* indicatorLabel, int modal,
                         const char* cancelText);
// percent 0..100; 1 when the user has cancelled, else 0; < 0 for an unknown handle.
int UpdateProgressDialog(int dialog, int percent, int processEvents);
int DiscardProgressDialog(int dialog);
int GetNumProgressDialogs(); // open ones

// Picture controls
int DisplayImageFile(int panel, int control, const char* path);

// Timers (timer controls in the .ui files)
int SuspendTimerCallbacks(); // counted
int ResumeTimerCallbacks();
int TimerCallbacksSuspended();
int ResetTimer(int panel, int control); // 0 control: every timer of the panel; panel 0: all

// ----------------------------------------------------------------- menus
int LoadMenuBar(int panel, const char* uiFile, int menuBarId); // handle > 0
int SetPanelMenuBar(int panel, int menuBar);
int GetPanelMenuBar(int panel);
int DiscardMenuBar(int menuBar);
enum MenuAttr { ATTR_CHECKED = 200, ATTR_MENU_DIMMED, ATTR_ITEM_NAME, ATTR_MENU_VISIBLE };
int SetMenuBarAttribute(int menuBar, int item, int attr, int value);
int SetMenuBarAttribute(int menuBar, int item, int attr, const char* value);
int GetMenuBarAttribute(int menuBar, int item, int attr, int* value);
int GetMenuBarAttribute(int menuBar, int item, int attr, std::string* value);
// Pops the menu bar's menu `menu` up at (top, left) of `panel`, or at the
// mouse when top and left are -1; returns the chosen item id or 0 when
// dismissed.  Scripted: the answer's result is the item id (recorded with
// the menu's title).  Choosing an item does not run its menu callback.
int RunPopupMenu(int menuBar, int menu, int panel, int top, int left);

// ----------------------------------------------------------------- popups
// All modal dialogs go through one seam (ui/popup_script.h lets tests queue
// answers and read back every (title, text) shown).
int MessagePopup(const char* title, const char* message);
int ConfirmPopup(const char* title, const char* message); // yes 1, no 0
int GenericMessagePopup(const char* title, const char* message, const char* b1, const char* b2,
                        const char* b3); // 1..3
int PromptPopup(const char* title, const char* message, char* response,
                int maxLength); // 0 ok, <0 cancel
int PasswordPopup(const char* title, const char* message, char* response, int maxLength);
// A prompt whose two buttons read okText and cancelText (Enter: ok, Esc: cancel).
int PromptPopupButtons(const char* title, const char* message, char* response, int maxLength,
                       const char* okText, const char* cancelText);
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };
enum { VAL_SELECT_BUTTON = 0, VAL_OK_BUTTON = 1, VAL_SAVE_BUTTON = 2, VAL_LOAD_BUTTON = 3 };
// Returns one of VAL_*_FILE_SELECTED, or negative on error.  path: caller's
// buffer of pathSize bytes.  VAL_SAVE_BUTTON and VAL_OK_BUTTON choose a file
// to write: a new name is taken, an existing file is replaced only after the
// user agreed; VAL_LOAD_BUTTON and VAL_SELECT_BUTTON need an existing file.
// It starts in defaultDirectory when that is an absolute folder that exists,
// else in the user's home.  filterList: ';'-separated filters ("*.csv" or
// "Name (*.a *.b)"); the one preselected is the first that takes
// defaultFileName ("*.xls" or a name); a name without wildcards is offered.
// In a save chooser a name typed without extension gets its filter's one.
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileName,
                    const char* filterList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* path, std::size_t pathSize);
// Runs `panel` modally until one of `controls` commits; returns that control
// (or 0 when closed by its frame).  The committing control's callback runs as
// usual.  Scripted: the answer's result is the control, whose callback is
// then run with EVENT_COMMIT before returning (recorded with the panel title).
int RunModalPanel(int panel, const std::vector<int>& controls);

// ------------------------------------------------------------------ graph
enum {
    VAL_THIN_LINE = 0,
    VAL_CONNECTED_POINTS = 1,
    VAL_SCATTER = 2,
    VAL_FAT_LINE = 3,
    VAL_VERTICAL_BAR = 4
};
enum { VAL_SOLID = 0, VAL_DASH = 1, VAL_DOT = 2 };
enum {
    VAL_NO_POINT = 0,
    VAL_SIMPLE_DOT = 1,
    VAL_SOLID_SQUARE = 2,
    VAL_EMPTY_SQUARE = 3,
    VAL_X = 4,
    VAL_CROSS = 5
};
enum { VAL_DELAYED_DRAW = 0, VAL_IMMEDIATE_DRAW = 1 };
enum { VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1 };
enum { VAL_MANUAL = 0, VAL_AUTOSCALE = 1 };
// Returns a plot handle > 0, never reused; < 0 on error.
int PlotXY(int panel, int graph, const double* x, const double* y, int count, int plotStyle,
           int pointStyle, int lineStyle, int color);
// y over its index 0..count-1.
int PlotY(int panel, int graph, const double* y, int count, int plotStyle, int pointStyle,
          int lineStyle, int color);
int PlotLine(int panel, int graph, double x1, double y1, double x2, double y2, int color);
int DeleteGraphPlot(int panel, int graph, int plot, int refresh); // plot -1: all; unknown: no-op
int GetNumGraphPlots(int panel, int graph, int* count);
int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);
int GetAxisScalingMode(int panel, int graph, int axis, int* mode, double* min, double* max);
int SetAxisName(int panel, int graph, int axis, const char* name);
int SetAxisPrecision(int panel, int graph, int axis, int precision);
int SetAxisDivisions(int panel, int graph, int axis, int divisions);
int SetGraphColors(int panel, int graph, int plotBg, int gridColor, int axisColor);
int SetPlotColor(int panel, int graph, int plot, int color);
// Cursors 1 and 2 (crosshairs).  With snap on (the default) a cursor sits on
// the nearest point of a plot: SetGraphCursor goes to the shown plot passing
// nearest to (x, y) (y NaN: nearest in x alone), onto its point nearest in
// x; the plot it sat on before decides only a tie.  When the user drags a
// cursor (or clicks into the plot area, which moves the active one), the
// graph's callback gets EVENT_VAL_CHANGED while the mouse moves and
// EVENT_COMMIT when it is released, eventData1 = the cursor number; a
// double click gives EVENT_LEFT_DOUBLE_CLICK after the first click moved it.
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
int DeleteGraphAnnotation(int panel, int graph, int id); // -1: all; unknown: no-op
int GetNumAnnotations(int panel, int graph, int* count);
// Id of the annotation whose caption is `caption`, or starts with it followed
// by a space or line break ("Peak 1" finds "Peak 1 \n X: 2.00", not "Peak 10 ...").
int GetAnnotationIdFromCaption(int panel, int graph, const char* caption, int* id);
int GetAnnotationCaption(int panel, int graph, int id, std::string* caption);
enum AnnotationAttr {
    ATTR_ANNOTATION_XOFFSET = 300, // caption offset from the point, pixels
    ATTR_ANNOTATION_YOFFSET,
    ATTR_ANNOTATION_CAPTION_COLOR, // 0xRRGGBB
    ATTR_ANNOTATION_BGCOLOR,
    ATTR_ANNOTATION_FRAME_COLOR,
    ATTR_ANNOTATION_FONT_SIZE,
    ATTR_ANNOTATION_ARROW_VISIBLE
};
// id -1: every annotation of the graph.
int SetAnnotationAttribute(int panel, int graph, int id, int attr, int value);
int GetAnnotationAttribute(int panel, int graph, int id, int attr, int* value);
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
// Prints a panel or a control on one page, scaled to fit.  With `pdfPath`
// set, writes that PDF file; with none, shows the print dialog first (a
// popup of the scriptable seam).  The printer's queue lists the job as
// `jobName` (the panel's title when none).  0 printed, 1 cancelled by the
// user, UI_PRINT_HELD sent to a stopped queue that holds it, < 0 error;
// GetUiErrorText says why for the last two.
enum { UI_PRINT_HELD = 2 };
int PrintPanel(int panel, const char* pdfPath, const char* jobName = nullptr);
int PrintCtrl(int panel, int control, const char* pdfPath, const char* jobName = nullptr);

// ---------------------------------------------------------------- events
// Post a window message to a panel from any thread; delivered as a queued
// call of the hook installed for it on the UI thread.
int InstallWinMsgCallback(int panel, int message, WinMsgCallbackPtr fn, void* callbackData,
                          intptr_t* windowHandle);
int RemoveWinMsgCallback(int panel, int message);
// The core library's message poster: delivers (window, message, wParam,
// lParam) into the UI thread's event loop.
void PostWindowMessage(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Runs fn(callbackData) soon on the UI thread's event loop; callable from any
// thread. UI_ERR_NO_APP before the application has started.
using DeferredCallbackPtr = void (*)(void* callbackData);
int PostDeferredCall(DeferredCallbackPtr fn, void* callbackData);

// ------------------------------------------------------------------ locale
// Formats under the user's locale without touching the global one.
std::string FormatUserLocale(const char* format, double value);
char UserDecimalPoint();
