// State shared by the parts of the toolkit layer.  Everything here runs on
// the UI thread, except PostWindowMessage.
#pragma once

#include <QApplication>
#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <source_location>
#include <string>
#include <variant>
#include <vector>

#include "ui/ui.h"
#include "ui_layout.h"

class QTimer;
class QMenuBar;
class QAction;
class QMenu;

namespace uiimpl {

struct GraphRec;   // ui_graph.cpp
struct TableModel; // ui_table.cpp

// Geometry of a control at the panel's base size, as edges in content
// coordinates (fractions kept, so a value set from code comes back exactly),
// and the point size of its font there.
struct ScaleBase {
    bool set = false;
    double l = 0, t = 0, r = 0, b = 0;
    double points = 0; // 0: a font sized in pixels, left as it is
};

struct CtrlRec {
    int panel = 0;
    int id = 0;
    QPointer<QWidget> w;
    int kind = 0; // CtrlKind
    QString name;
    QString callback;
    int dataType = VAL_DOUBLE;
    double num = 0.0; // numeric value as set (never rounded by display precision)
    double minV = 0.0, maxV = 0.0, defV = 0.0;
    int precision = 2;
    int format = VAL_DECIMAL_FORMAT;
    int textColor = -1, bgColor = -1, buttonColor = -1, frameColor = -1;
    int onColor = 0x00C000, offColor = 0x404040;
    int onValue = 1, offValue = 0;
    int maxLen = -1;
    bool indicator = false;
    bool dimmed = false;
    QString label;                 // label text when the widget has none of its own
    QPointer<QWidget> labelWidget; // a QLabel whose buddy is this control
    // timer
    QTimer* timer = nullptr;
    double interval = 1.0;
    bool enabled = true;
    bool inTick = false;
    // LED
    bool ledOn = false;
    std::unique_ptr<GraphRec> graph;
    TableModel* table = nullptr; // owned by its view
    ScaleBase base;
    CtrlRec();
    ~CtrlRec();
    CtrlRec(const CtrlRec&) = delete;
    CtrlRec& operator=(const CtrlRec&) = delete;
};

struct PanelRec {
    int handle = 0;
    int panelId = 0;
    int parent = 0; // parent panel handle, 0 = top level
    QPointer<QWidget> w;
    QString name;
    QString file; // resolved path
    QString callback;
    bool isPage = false;
    int tabCtrl = 0; // for pages: the tab control id in the parent panel
    int menuBar = 0;
    int activeCtrl = 0;
    bool popup = false;
    std::map<int, std::unique_ptr<CtrlRec>> ctrls;
    std::vector<int> pages;   // handles of tab pages owned by this panel
    bool scale = false;       // contents follow the panel's size
    int baseW = 0, baseH = 0; // content size when scaling was switched on
};

struct MenuBarRec {
    int handle = 0;
    int id = 0;
    QPointer<QMenuBar> bar;
    QString file;
    QString name;
    int panel = 0;                          // attached to
    std::map<int, QPointer<QAction>> items; // item id -> action (menus: their menuAction)
    std::map<int, QPointer<QMenu>> menus;
    std::map<int, QString> callbacks;
};

struct ModalWait {
    int panel = 0;
    std::vector<int> controls;
    int result = -1;
    class QEventLoop* loop = nullptr;
};

// Ends a modal panel's wait unanswered (result 0), unless it has its answer.
void EndModalWait(ModalWait* m);

struct State {
    std::map<int, std::unique_ptr<PanelRec>> panels;
    std::map<int, std::unique_ptr<MenuBarRec>> menuBars;
    int nextPanel = 1;
    int nextMenuBar = 1;
    int suppress = 0; // > 0 while the program itself changes widgets
    int timerSuspend = 0;
    int activePanel = 0;
    bool waitCursor = false;
    bool quitRequested = false;
    bool inMainLoop = false;
    bool quitting = false;   // from QuitUserInterface until the loop has ended: no dialog waits
    bool dismissing = false; // DismissDialogs: no dialog waits
    int quitCode = 0;
    std::string lastError;
    std::map<std::string, CtrlCallbackPtr> ctrlCallbacks;
    std::map<std::string, MenuCallbackPtr> menuCallbacks;
    std::map<std::string, unsigned long long> fingerprints; // file name -> built ids
    int replaceKey = 0;
    bool replaceKeySet = false;
    std::vector<struct ModalWait*> modal; // RunModalPanel calls in progress, innermost last
    std::vector<int> popupStack;
};

State& S();

// True while a dialog must not wait for an answer (a quit, DismissDialogs).
inline bool NoDialogWaits() {
    return S().quitting || S().dismissing;
}

// RAII: changes made by the program fire no callbacks.
struct Quiet {
    Quiet() { ++S().suppress; }
    ~Quiet() { --S().suppress; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

// Where a public function was called from: names the call in a misuse report.
using Where = std::source_location;

// Records the error text and returns the code; a misuse (an unknown panel or
// control, an attribute or a value that does not fit) also reaches the
// misuse hook, naming the toolkit function `where` lies in.
int Fail(int code, const std::string& text, Where where = Where::current());
// The same for one control, named by its panel and its own name.
int Fail(const CtrlRec& c, int code, const std::string& text, Where where = Where::current());
// An unknown panel handle (or one that is no panel of its own here).
int NoPanel(int panel, Where where = Where::current());
// An unknown menu bar handle: a misuse like an unknown panel.
int NoMenuBar(int menuBar, Where where = Where::current());

PanelRec* Panel(int handle);
CtrlRec* Ctrl(int panel, int control);
// A lookup whose failure is the caller's mistake (reported as a misuse).
CtrlRec* Ctrl(int panel, int control, int* err, Where where = Where::current());

// Delivers a user event to a control (control 0: the panel); no-op while the
// program itself is changing widgets.  Returns the callback's result.
int Dispatch(int panel, int control, int event, int d1, int d2);
// Same, ignoring the quiet flag (CallCtrlCallback).
int Invoke(int panel, int control, int event, int d1, int d2);
void DispatchMenu(int menuBar, int item);

QColor ToColor(int rgb);
int FromColor(const QColor& c);

// ui_layout cache: parsed file by resolved path.
std::shared_ptr<const uilayout::Layout> LoadLayout(const QString& path, int* err);
QString Resolve(const char* file);

// Parts set up by the controls code (ui_ctrl_setup.cpp).
void SetupControl(PanelRec& p, CtrlRec& c, const uilayout::Entry& e);
void ApplyColors(CtrlRec& c);
void DestroyPanelTimers(PanelRec& p);
bool IsIntegral(int dataType);
void TypeRange(int dataType, double* lo, double* hi); // what the data type can hold
double Coerce(const CtrlRec& c, double v);            // into the control's type and limits
void ShowNum(CtrlRec& c);                             // stored number into the widget
void ShowLed(CtrlRec& c);
void ShowSwitch(CtrlRec& c); // its lamp after a change of state or colours

// Numeric boxes (ui_numeric.cpp).  A typed entry is read whole: digits with
// an optional point and exponent; a value beyond a double comes back as an
// infinity (or zero), for the control's limits to bring in.
bool ParseNumericEntry(const QString& text, double* value);
// The toolkit's box for a spin box class of a resource file, else null.
QWidget* NewNumericBox(const QString& className, QWidget* parent);
// A real numeric box shows c.num by c.format and c.precision.
void ApplyNumericFormat(CtrlRec& c);

// Values of controls (ui_controls.cpp), also set and read as attributes.
using Val = std::variant<int, double, QString>;
bool AsDouble(const Val& v, double* d);
bool AsInt(const Val& v, int* out);
int SetNum(CtrlRec& c, double v, Where where = Where::current());
int GetNum(CtrlRec& c, double* v, Where where = Where::current());
int SetStr(CtrlRec& c, const QString& s, Where where = Where::current());
int GetStr(CtrlRec& c, QString* s, Where where = Where::current());
bool HoldsNumber(const CtrlRec& c); // GetNum reads its value

// Graph parts
void SetupGraph(CtrlRec& c);
void ReplotNow(QWidget* w); // draws pending graph changes before a grab

// Table parts
void SetupTable(CtrlRec& c);

// Ends every dialog, modal panel and popup menu that waits for the user, as
// if dismissed (a quit must not wait for an answer nobody may give).
void EndDialogs();

// Adds an entry to the popup seam's record.
void NotePopup(int kind, const char* title, const std::string& text);

// Records a popup menu and returns the scripted item (0 when none queued).
int ScriptedPopupMenu(const std::string& title);

// Scripted print dialog: true and the PDF path when the answer prints.
bool ScriptedPrint(const std::string& what, std::string* pdfPath);

// A print server's queue, as it says of itself (ui_print_queue.cpp).
struct PrintQueue {
    bool exists = true; // the server knows the queue
    bool accepting = true;
    bool stopped = false;
    std::string reason; // its message, else its state reasons
};
// Asked right before a job goes to `printer`.
PrintQueue PrintQueueBeforeJob(const std::string& printer);
// Right after the job named `job` went: 0 queued to print, UI_PRINT_HELD
// when the stopped queue holds it, UI_ERR_IO when refused; the last error
// text says which and why.
int PrintQueueAfterJob(const std::string& printer, const PrintQueue& before,
                       const std::string& job);

// The toolkit's look of a tab bar: bold labels, spacing that follows its font
// (ui_panels.cpp).
void UseTabStyle(class QTabBar* bar);

// Scaling of panel contents (ui_scale.cpp).  Fonts follow the smaller of the
// two factors, down to a legible size; the tab pages of a scaling panel that
// do not scale by themselves follow their panel.
void WatchPanel(QWidget* w); // resize events of a panel widget
void SetPanelScaling(PanelRec& p, bool on);
void RescalePanel(PanelRec& p);
// After the panel's size changed: its menu bar and (when scaling) its controls follow.
void PanelResized(PanelRec& p);
// After code changed one geometry attribute of a control: its base follows.
void NoteCtrlGeometry(CtrlRec& c, int attr);
int MenuRoom(const PanelRec& p); // height above the content area

// Application event filter (keys, mouse, focus, close), ui_events.cpp.
void InstallAppFilter();
// The application object the toolkit makes itself; it routes input before any filter.
QApplication* NewApplication(int& argc, char** argv);

} // namespace uiimpl
