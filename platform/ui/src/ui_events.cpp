// Routing of the user's keys, mouse presses, focus changes and window
// closes to callbacks.
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "ui_internal.h"

namespace uiimpl {

namespace {

int KeyCode(const QKeyEvent* k) {
    const auto m = k->modifiers();
    int mods = 0;
    if (m & Qt::ControlModifier)
        mods |= VAL_MENUKEY_MODIFIER;
    if (m & Qt::AltModifier)
        mods |= VAL_ALT_MODIFIER;
    int vkey = 0;
    switch (k->key()) {
    case Qt::Key_Escape:
        vkey = VAL_ESC_VKEY;
        break;
    case Qt::Key_Backspace:
        vkey = VAL_BACKSPACE_VKEY;
        break;
    case Qt::Key_Delete:
        vkey = VAL_DELETE_VKEY;
        break;
    case Qt::Key_Tab:
        vkey = VAL_TAB_VKEY;
        break;
    case Qt::Key_Backtab:
        vkey = VAL_TAB_VKEY;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        vkey = VAL_ENTER_VKEY;
        break;
    case Qt::Key_Up:
        vkey = VAL_UP_ARROW_VKEY;
        break;
    case Qt::Key_Down:
        vkey = VAL_DOWN_ARROW_VKEY;
        break;
    case Qt::Key_Left:
        vkey = VAL_LEFT_ARROW_VKEY;
        break;
    case Qt::Key_Right:
        vkey = VAL_RIGHT_ARROW_VKEY;
        break;
    case Qt::Key_Insert:
        vkey = VAL_INSERT_VKEY;
        break;
    case Qt::Key_Home:
        vkey = VAL_HOME_VKEY;
        break;
    case Qt::Key_End:
        vkey = VAL_END_VKEY;
        break;
    case Qt::Key_PageUp:
        vkey = VAL_PAGE_UP_VKEY;
        break;
    case Qt::Key_PageDown:
        vkey = VAL_PAGE_DOWN_VKEY;
        break;
    default:
        if (k->key() >= Qt::Key_F1 && k->key() <= Qt::Key_F12)
            vkey = VAL_F1_VKEY + (k->key() - Qt::Key_F1) * 0x100;
    }
    if (vkey) {
        if ((m & Qt::ShiftModifier) || k->key() == Qt::Key_Backtab)
            mods |= VAL_SHIFT_MODIFIER;
        return vkey | mods;
    }
    if ((mods & (VAL_MENUKEY_MODIFIER | VAL_ALT_MODIFIER)) && k->key() >= 0x20 &&
        k->key() <= 0x7E) {
        if (m & Qt::ShiftModifier)
            mods |= VAL_SHIFT_MODIFIER;
        return k->key() | mods;
    }
    const QString t = k->text();
    if (t.size() == 1 && t[0].unicode() >= 0x20 && t[0].unicode() <= 0x7E)
        return t[0].unicode() | mods;
    return 0;
}

// The panel and control a widget belongs to (control 0 when none).
bool Locate(QObject* o, int* panel, int* control) {
    *panel = 0;
    *control = 0;
    for (QObject* w = o; w; w = w->parent()) {
        if (*control == 0) {
            QVariant c = w->property("ui_ctrl_id");
            if (c.isValid()) {
                *control = c.toInt();
                *panel = w->property("ui_ctrl_panel").toInt();
                return true;
            }
        }
        QVariant p = w->property("ui_panel");
        if (p.isValid()) {
            *panel = p.toInt();
            return true;
        }
        if (w->isWidgetType() && static_cast<QWidget*>(w)->isWindow() &&
            !w->property("ui_panel").isValid())
            break;
    }
    return false;
}

// Key presses go to the control's callback, then (unless swallowed, or an
// edit of a typed field) to the panel callback; a tab page without a
// callback hands them to its panel.
int PanelKeyTarget(int panel) {
    for (PanelRec* p = Panel(panel); p; p = Panel(p->parent)) {
        if (!p->callback.isEmpty())
            return p->handle;
        if (!p->isPage)
            break;
    }
    return 0;
}

// Key and mouse presses go to callbacks once, at the widget that first
// receives them (Qt then hands unaccepted ones up the parents).
bool g_replaying = false;
bool g_ownApp = false;

// Backspace and Delete in a field the user types into edit what was typed;
// they are no shortcut of the panel there.
bool EditsText(const CtrlRec& c, const QKeyEvent* k) {
    return (c.kind == CTRL_NUMERIC || c.kind == CTRL_STRING) &&
           (k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Delete);
}

bool RouteKey(QObject* o, QKeyEvent* k) {
    if (g_replaying || !o->isWidgetType())
        return false;
    int panel, control;
    if (!Locate(o, &panel, &control) || S().suppress > 0)
        return false;
    const int code = KeyCode(k);
    if (code == 0)
        return false;
    S().replaceKeySet = false;
    int r = 0;
    bool editing = false;
    if (control) {
        CtrlRec* c = Ctrl(panel, control);
        if (c && c->w && c->w->isEnabled() && !c->indicator) {
            r = Dispatch(panel, control, EVENT_KEYPRESS, code, 0);
            editing = EditsText(*c, k);
        }
    }
    const bool replace = S().replaceKeySet;
    const int newKey = S().replaceKey;
    S().replaceKeySet = false;
    if (r == 0 && !editing) {
        int target = PanelKeyTarget(panel);
        if (target)
            r = Dispatch(target, 0, EVENT_KEYPRESS, code, 0);
    }
    if (r != 0)
        return true;
    if (replace && (newKey & VAL_ASCII_KEY_MASK) && !(newKey & VAL_VKEY_MASK)) {
        const char ch = static_cast<char>(newKey & VAL_ASCII_KEY_MASK);
        int qkey = (ch >= 'a' && ch <= 'z') ? ch - 'a' + 'A' : ch;
        QKeyEvent repl(QEvent::KeyPress, qkey, k->modifiers(), QString(QChar(ch)));
        g_replaying = true;
        QCoreApplication::sendEvent(o, &repl);
        g_replaying = false;
        return true;
    }
    return false;
}

// The control whose callback took the last right press: the context menu
// event of the same click is its too, so that one click opens one menu.
struct Taken {
    int panel = 0;
    int control = -1;
};
Taken g_rightTaken;

bool RouteMouse(QObject* o, QMouseEvent* m) {
    if (!o->isWidgetType())
        return false;
    int panel, control;
    if (!Locate(o, &panel, &control) || S().suppress > 0)
        return false;
    int event = 0;
    if (m->button() == Qt::LeftButton)
        event =
            m->type() == QEvent::MouseButtonDblClick ? EVENT_LEFT_DOUBLE_CLICK : EVENT_LEFT_CLICK;
    else if (m->button() == Qt::RightButton && m->type() == QEvent::MouseButtonPress)
        event = EVENT_RIGHT_CLICK;
    if (!event)
        return false;
    PanelRec* p = Panel(panel);
    if (!p)
        return false;
    QPoint pos = p->w->mapFromGlobal(m->globalPosition().toPoint());
    if (control) {
        CtrlRec* c = Ctrl(panel, control);
        if (!c || !c->w->isEnabled() || c->indicator)
            return false;
    }
    const bool taken = Dispatch(panel, control, event, pos.y(), pos.x()) != 0;
    if (taken && event == EVENT_RIGHT_CLICK)
        g_rightTaken = Taken{panel, control};
    return taken;
}

bool ContextMenuTaken(QObject* o, const QContextMenuEvent* e) {
    int panel, control;
    return e->reason() == QContextMenuEvent::Mouse && o->isWidgetType() &&
           Locate(o, &panel, &control) && panel == g_rightTaken.panel &&
           control == g_rightTaken.control;
}

// Only controls hear the wheel: a panel has no value for it to change.
bool RouteWheel(QObject* o, QWheelEvent* w) {
    if (!o->isWidgetType())
        return false;
    int panel, control;
    if (!Locate(o, &panel, &control) || control == 0 || S().suppress > 0)
        return false;
    CtrlRec* c = Ctrl(panel, control);
    if (!c || !c->w->isEnabled() || c->indicator)
        return false;
    const QPoint delta = w->angleDelta();
    const int eighths = delta.y() != 0 ? delta.y() : delta.x();
    if (eighths == 0)
        return false;
    // A fine-grained wheel sends parts of a notch; each still counts as one.
    const int notches = eighths / 120 != 0 ? eighths / 120 : (eighths > 0 ? 1 : -1);
    return Dispatch(panel, control, EVENT_MOUSE_WHEEL_SCROLL, notches, 0) != 0;
}

bool RouteInput(QObject* o, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
        return RouteKey(o, static_cast<QKeyEvent*>(e));
    case QEvent::MouseButtonPress:
        g_rightTaken = Taken{};
        return RouteMouse(o, static_cast<QMouseEvent*>(e));
    case QEvent::MouseButtonDblClick:
        return RouteMouse(o, static_cast<QMouseEvent*>(e));
    case QEvent::ContextMenu:
        return ContextMenuTaken(o, static_cast<QContextMenuEvent*>(e));
    case QEvent::Wheel:
        return RouteWheel(o, static_cast<QWheelEvent*>(e));
    default:
        return false;
    }
}

class UiApplication : public QApplication {
  public:
    UiApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* e) override {
        if (RouteInput(receiver, e))
            return true;
        return QApplication::notify(receiver, e);
    }
};

class AppFilter : public QObject {
  public:
    bool eventFilter(QObject* o, QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
        case QEvent::Wheel:
            // Only when the application object was made elsewhere: an
            // unaccepted event comes through again for each parent.
            if (g_ownApp)
                return false;
            if (e == last_ && lastReceiver_ && IsAncestor(o, lastReceiver_))
                return lastSwallowed_;
            last_ = e;
            lastReceiver_ = o;
            lastSwallowed_ = RouteInput(o, e);
            return lastSwallowed_;
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // Only focus the user moved: not the program's SetActiveCtrl,
            // nor a window being shown or activated.
            const auto reason = static_cast<QFocusEvent*>(e)->reason();
            if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
                focus(o, e->type() == QEvent::FocusIn);
            else if (e->type() == QEvent::FocusIn)
                track(o);
            return false;
        }
        case QEvent::Close:
            return close(o, static_cast<QCloseEvent*>(e));
        case QEvent::WindowActivate: {
            QVariant p = o->property("ui_panel");
            if (p.isValid() && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
                S().activePanel = p.toInt();
            return false;
        }
        default:
            return false;
        }
    }

  private:
    static bool IsAncestor(QObject* a, QObject* of) {
        for (QObject* p = of->parent(); p; p = p->parent())
            if (p == a)
                return true;
        return false;
    }

    void track(QObject* o) {
        for (QObject* w = o; w; w = w->parent()) {
            QVariant c = w->property("ui_ctrl_id");
            if (!c.isValid())
                continue;
            if (PanelRec* p = Panel(w->property("ui_ctrl_panel").toInt()))
                p->activeCtrl = c.toInt();
            return;
        }
    }

    void focus(QObject* o, bool in) {
        if (!o->isWidgetType())
            return;
        QVariant c = o->property("ui_ctrl_id");
        if (!c.isValid()) {
            // Editors inside composite controls (spin boxes, combo boxes).
            QObject* parent = o->parent();
            if (!parent || !parent->property("ui_ctrl_id").isValid())
                return;
            o = parent;
            c = o->property("ui_ctrl_id");
        }
        const int panel = o->property("ui_ctrl_panel").toInt();
        PanelRec* p = Panel(panel);
        if (!p)
            return;
        if (in)
            p->activeCtrl = c.toInt();
        Dispatch(panel, c.toInt(), in ? EVENT_GOT_FOCUS : EVENT_LOST_FOCUS, 0, 0);
    }

    bool close(QObject* o, QCloseEvent* e) {
        QVariant pv = o->property("ui_panel");
        if (!pv.isValid() || !o->isWidgetType() || !static_cast<QWidget*>(o)->isWindow())
            return false;
        const int panel = pv.toInt();
        PanelRec* p = Panel(panel);
        if (!p)
            return false;
        e->ignore();
        for (ModalWait* m : S().modal)
            if (m->panel == panel)
                EndModalWait(m);
        if (p->callback.isEmpty()) {
            p->w->hide();
        } else {
            Dispatch(panel, 0, EVENT_CLOSE, 0, 0);
        }
        return true;
    }

    QEvent* last_ = nullptr;
    QPointer<QObject> lastReceiver_;
    bool lastSwallowed_ = false;
};

} // namespace

void InstallAppFilter() {
    static AppFilter* filter = nullptr;
    if (filter)
        return;
    filter = new AppFilter;
    qApp->installEventFilter(filter);
}

QApplication* NewApplication(int& argc, char** argv) {
    g_ownApp = true;
    return new UiApplication(argc, argv);
}

} // namespace uiimpl
