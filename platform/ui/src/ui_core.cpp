// Application, callback registry, resource files, panels and the routing of
// user events to callbacks.
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>
#include <QUiLoader>
#include <clocale>
#include <mutex>

#include "ui_internal.h"

#ifndef ORVALIN_UI_FALLBACK_DIR
#define ORVALIN_UI_FALLBACK_DIR ""
#endif

// The font library keeps a cache for the life of the process that the leak
// checker of sanitizer builds would report at exit in every GUI program.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace uiimpl {

State& S() {
    static State s;
    return s;
}

int Fail(int code, const std::string& text) {
    S().lastError = text;
    return code;
}

PanelRec* Panel(int handle) {
    auto it = S().panels.find(handle);
    if (it == S().panels.end() || !it->second->w)
        return nullptr;
    return it->second.get();
}

CtrlRec* Ctrl(int panel, int control, int* err) {
    PanelRec* p = Panel(panel);
    if (!p) {
        if (err)
            *err = UI_ERR_PANEL;
        return nullptr;
    }
    auto it = p->ctrls.find(control);
    if (it == p->ctrls.end() || !it->second->w) {
        if (err)
            *err = UI_ERR_CONTROL;
        return nullptr;
    }
    if (err)
        *err = 0;
    return it->second.get();
}

CtrlRec* Ctrl(int panel, int control) {
    return Ctrl(panel, control, nullptr);
}

QColor ToColor(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
int FromColor(const QColor& c) {
    return (c.red() << 16) | (c.green() << 8) | c.blue();
}

int Invoke(int panel, int control, int event, int d1, int d2) {
    PanelRec* p = Panel(panel);
    if (!p)
        return 0;
    QString name;
    if (control == 0) {
        name = p->callback;
    } else {
        CtrlRec* c = Ctrl(panel, control);
        if (!c)
            return 0;
        name = c->callback;
    }
    int result = 0;
    if (!name.isEmpty()) {
        auto it = S().ctrlCallbacks.find(name.toStdString());
        if (it != S().ctrlCallbacks.end() && it->second)
            result = it->second(panel, control, event, nullptr, d1, d2);
    }
    if (event == EVENT_COMMIT && control != 0) {
        for (auto rit = S().modal.rbegin(); rit != S().modal.rend(); ++rit) {
            ModalWait* m = *rit;
            if (m->panel != panel || m->result >= 0)
                continue;
            for (int c : m->controls) {
                if (c == control) {
                    m->result = control;
                    if (m->loop)
                        m->loop->quit();
                    break;
                }
            }
            break;
        }
    }
    return result;
}

int Dispatch(int panel, int control, int event, int d1, int d2) {
    if (S().suppress > 0)
        return 0;
    return Invoke(panel, control, event, d1, d2);
}

void DispatchMenu(int menuBar, int item) {
    if (S().suppress > 0)
        return;
    auto it = S().menuBars.find(menuBar);
    if (it == S().menuBars.end())
        return;
    auto cb = it->second->callbacks.find(item);
    if (cb == it->second->callbacks.end())
        return;
    auto fn = S().menuCallbacks.find(cb->second.toStdString());
    if (fn == S().menuCallbacks.end() || !fn->second)
        return;
    fn->second(menuBar, item, nullptr, it->second->panel);
}

QString Resolve(const char* file) {
    if (!file || !*file)
        return {};
    QString f = QString::fromLocal8Bit(file);
    QFileInfo fi(f);
    if (fi.isAbsolute())
        return fi.exists() ? fi.absoluteFilePath() : QString();
    QStringList dirs;
    QByteArray env = qgetenv("ORVALIN_UI_DIR");
    if (!env.isEmpty())
        dirs << QString::fromLocal8Bit(env);
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath();
    dirs << QStringLiteral(ORVALIN_UI_FALLBACK_DIR);
    for (const QString& d : dirs) {
        if (d.isEmpty())
            continue;
        QFileInfo c(QDir(d), f);
        if (c.exists() && c.isFile())
            return c.absoluteFilePath();
    }
    return {};
}

std::shared_ptr<const uilayout::Layout> LoadLayout(const QString& path, int* err) {
    struct Cached {
        QDateTime mtime;
        qint64 size = 0;
        std::shared_ptr<const uilayout::Layout> layout;
    };
    static std::map<QString, Cached> cache;
    QFileInfo fi(path);
    auto it = cache.find(path);
    if (it != cache.end() && it->second.mtime == fi.lastModified() && it->second.size == fi.size())
        return it->second.layout;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *err = Fail(UI_ERR_FILE, "cannot read " + path.toStdString());
        return nullptr;
    }
    auto layout = std::make_shared<uilayout::Layout>();
    if (!uilayout::Parse(f.readAll(), fi.fileName(), *layout)) {
        *err = Fail(UI_ERR_BAD_FILE, path.toStdString() + ": " + layout->error.toStdString());
        return nullptr;
    }
    auto fp = S().fingerprints.find(fi.fileName().toStdString());
    if (fp != S().fingerprints.end() && fp->second != layout->fingerprint) {
        *err = Fail(UI_ERR_BAD_FILE,
                    path.toStdString() + ": its ids differ from those the program was built with");
        return nullptr;
    }
    cache[path] = Cached{fi.lastModified(), fi.size(), layout};
    return layout;
}

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

// Key presses go to the control's callback, then (unless swallowed) to the
// panel callback; a tab page without a callback hands them to its panel.
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
    if (control) {
        CtrlRec* c = Ctrl(panel, control);
        if (c && c->w && c->w->isEnabled() && !c->indicator)
            r = Dispatch(panel, control, EVENT_KEYPRESS, code, 0);
    }
    const bool replace = S().replaceKeySet;
    const int newKey = S().replaceKey;
    S().replaceKeySet = false;
    if (r == 0) {
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
        return Dispatch(panel, control, event, pos.y(), pos.x()) != 0;
    }
    return Dispatch(panel, 0, event, pos.y(), pos.x()) != 0;
}

bool RouteInput(QObject* o, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
        return RouteKey(o, static_cast<QKeyEvent*>(e));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return RouteMouse(o, static_cast<QMouseEvent*>(e));
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
            if (m->panel == panel && m->result < 0) {
                m->result = 0;
                if (m->loop)
                    m->loop->quit();
            }
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

QUiLoader& Loader() {
    static QUiLoader* loader = new QUiLoader;
    return *loader;
}

void RegisterContents(PanelRec& p, const uilayout::Layout& layout, const QString& file);

PanelRec* NewPanel(QWidget* w, const uilayout::Entry& e, const QString& file, int parent) {
    auto rec = std::make_unique<PanelRec>();
    rec->handle = S().nextPanel++;
    rec->panelId = e.id;
    rec->parent = parent;
    rec->w = w;
    rec->name = e.objectName;
    rec->file = file;
    auto cb = e.props.find("callback");
    if (cb != e.props.end())
        rec->callback = cb->second;
    w->setProperty("ui_panel", rec->handle);
    WatchPanel(w);
    PanelRec* raw = rec.get();
    S().panels[raw->handle] = std::move(rec);
    return raw;
}

// The widget of that name that belongs to this panel itself, not to one of
// its tab pages (pages may reuse control names).
QWidget* FindOwned(PanelRec& p, const uilayout::Layout& layout, const QString& name) {
    for (QWidget* cand : p.w->findChildren<QWidget*>(name)) {
        bool inPage = false;
        for (QWidget* a = cand->parentWidget(); a && a != p.w; a = a->parentWidget()) {
            const uilayout::Entry* pe = layout.byConst(a->objectName());
            if (pe && pe->kind == uilayout::Kind::Panel && !pe->tabControl.isEmpty()) {
                inPage = true;
                break;
            }
        }
        if (!inPage)
            return cand;
    }
    return nullptr;
}

void RegisterContents(PanelRec& p, const uilayout::Layout& layout, const QString& file) {
    for (const uilayout::Entry& e : layout.entries) {
        if (e.owner != p.name)
            continue;
        if (e.kind == uilayout::Kind::Control) {
            QWidget* cw = FindOwned(p, layout, e.objectName);
            if (!cw)
                continue;
            auto c = std::make_unique<CtrlRec>();
            c->panel = p.handle;
            c->id = e.id;
            c->w = cw;
            c->name = e.objectName;
            auto cb = e.props.find("callback");
            if (cb != e.props.end())
                c->callback = cb->second;
            cw->setProperty("ui_ctrl_id", e.id);
            cw->setProperty("ui_ctrl_panel", p.handle);
            CtrlRec* raw = c.get();
            p.ctrls[e.id] = std::move(c);
            SetupControl(p, *raw, e);
        } else if (e.kind == uilayout::Kind::Panel && !e.tabControl.isEmpty()) {
            QWidget* pw = FindOwned(p, layout, e.objectName);
            if (!pw)
                continue;
            PanelRec* page = NewPanel(pw, e, file, p.handle);
            page->isPage = true;
            if (const uilayout::Entry* tab = layout.byConst(p.name + "_" + e.tabControl))
                page->tabCtrl = tab->id;
            p.pages.push_back(page->handle);
            RegisterContents(*page, layout, file);
        }
    }
}

void Discard(int handle) {
    auto it = S().panels.find(handle);
    if (it == S().panels.end())
        return;
    std::unique_ptr<PanelRec> rec = std::move(it->second);
    S().panels.erase(it);
    for (int page : rec->pages)
        Discard(page);
    std::vector<int> children;
    for (auto& [h, p] : S().panels)
        if (p->parent == handle && !p->isPage)
            children.push_back(h);
    for (int c : children)
        Discard(c);
    for (auto& [h, mb] : S().menuBars)
        if (mb->panel == handle)
            mb->panel = 0;
    auto& stack = S().popupStack;
    stack.erase(std::remove(stack.begin(), stack.end(), handle), stack.end());
    if (S().activePanel == handle)
        S().activePanel = 0;
    for (ModalWait* m : S().modal)
        if (m->panel == handle && m->result < 0) {
            m->result = 0;
            if (m->loop)
                m->loop->quit();
        }
    DestroyPanelTimers(*rec);
    if (rec->w && !rec->isPage) {
        rec->w->hide();
        // The widget may be inside its own signal handler right now.
        rec->w->deleteLater();
    }
}

void Raise(QWidget* w) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    w->raise();
    w->activateWindow();
}

void FirstShowPlacement(PanelRec& p) {
    if (p.w->property("ui_placed").toBool())
        return;
    p.w->setProperty("ui_placed", true);
    QRect area;
    if (PanelRec* parent = Panel(p.parent))
        area = parent->w->window()->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isEmpty())
        return;
    QRect g = p.w->frameGeometry();
    p.w->move(area.center() - QPoint(g.width() / 2, g.height() / 2));
}

std::map<std::pair<int, int>, std::pair<WinMsgCallbackPtr, void*>>& Hooks() {
    static std::map<std::pair<int, int>, std::pair<WinMsgCallbackPtr, void*>> hooks;
    return hooks;
}

} // namespace

void InstallAppFilter() {
    static AppFilter* filter = nullptr;
    if (filter)
        return;
    filter = new AppFilter;
    qApp->installEventFilter(filter);
}

} // namespace uiimpl

using namespace uiimpl;

// ------------------------------------------------------ callback registry
void RegisterCtrlCallback(const char* name, CtrlCallbackPtr fn) {
    if (name && *name)
        S().ctrlCallbacks[name] = fn;
}

void RegisterMenuCallback(const char* name, MenuCallbackPtr fn) {
    if (name && *name)
        S().menuCallbacks[name] = fn;
}

int CallCtrlCallback(int panel, int control, int event, int eventData1, int eventData2) {
    if (!Panel(panel))
        return UI_ERR_PANEL;
    if (control != 0 && !Ctrl(panel, control))
        return UI_ERR_CONTROL;
    return Invoke(panel, control, event, eventData1, eventData2);
}

std::vector<std::string> UnresolvedCallbacks(const char* uiFile) {
    std::vector<std::string> out;
    QString path = Resolve(uiFile);
    if (path.isEmpty())
        return {std::string("file not found: ") + (uiFile ? uiFile : "(null)")};
    int err = 0;
    auto layout = LoadLayout(path, &err);
    if (!layout)
        return {S().lastError};
    for (const auto& e : layout->entries) {
        auto cb = e.props.find("callback");
        if (cb == e.props.end() || cb->second.isEmpty())
            continue;
        const std::string name = cb->second.toStdString();
        bool ok;
        if (e.kind == uilayout::Kind::MenuItem || e.kind == uilayout::Kind::Menu) {
            auto it = S().menuCallbacks.find(name);
            ok = it != S().menuCallbacks.end() && it->second;
        } else {
            auto it = S().ctrlCallbacks.find(name);
            ok = it != S().ctrlCallbacks.end() && it->second;
        }
        if (!ok)
            out.push_back(name + " (" + e.constName.toStdString() + ")");
    }
    return out;
}

void SetKeyPressEventKey(int key) {
    S().replaceKey = key;
    S().replaceKeySet = true;
}

int UiRegisterIdFingerprint(const char* uiFile, unsigned long long fingerprint) {
    if (uiFile)
        S().fingerprints[uiFile] = fingerprint;
    return 1;
}

std::string ResolveUiFile(const char* uiFile) {
    return Resolve(uiFile).toStdString();
}

std::string GetUiErrorText() {
    return S().lastError;
}

// ----------------------------------------------------------- application
int InitUserInterface(int argc, char** argv) {
    if (!QApplication::instance()) {
        static int s_argc = 0;
        static char s_name[] = "orvalin";
        static char* s_fallback[] = {s_name, nullptr};
        s_argc = argc > 0 && argv ? argc : 1;
        static QApplication* app = new UiApplication(s_argc, argc > 0 && argv ? argv : s_fallback);
        (void)app;
        g_ownApp = true;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return UI_ERR_NO_APP;
    // Machine formats are written with a full stop whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    if (QStyle* st = QStyleFactory::create("Fusion"))
        QApplication::setStyle(st);
    InstallAppFilter();
    return 0;
}

int RunUserInterface() {
    if (!qApp)
        return UI_ERR_NO_APP;
    if (S().quitRequested) {
        S().quitRequested = false;
        return S().quitCode;
    }
    S().inMainLoop = true;
    int r = QApplication::exec();
    S().inMainLoop = false;
    S().quitRequested = false;
    return r;
}

void QuitUserInterface(int code) {
    S().quitCode = code;
    // Asking Qt to exit with no loop running would end every later local loop
    // (Delay, modal panels) at once; remember the request instead.
    if (qApp && S().inMainLoop)
        QCoreApplication::exit(code);
    else
        S().quitRequested = true;
}

void ProcessSystemEvents() {
    if (!qApp)
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessDrawEvents() {
    if (!qApp)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Delay(double seconds) {
    if (!qApp)
        return;
    if (!(seconds > 0)) {
        ProcessSystemEvents();
        return;
    }
    QEventLoop loop;
    const double ms = std::min(seconds * 1000.0 + 0.5, 2.0e9);
    QTimer::singleShot(static_cast<int>(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

void SetWaitCursor(int on) {
    if (!qApp)
        return;
    bool want = on != 0;
    if (want == S().waitCursor)
        return;
    S().waitCursor = want;
    if (want)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

int GetWaitCursor() {
    return S().waitCursor ? 1 : 0;
}

void GetScreenSize(int* height, int* width) {
    QRect r;
    if (qApp)
        if (QScreen* s = QGuiApplication::primaryScreen())
            r = s->geometry();
    if (height)
        *height = r.height();
    if (width)
        *width = r.width();
}

// ----------------------------------------------------------------- panels
int LoadPanel(int parentPanel, const char* uiFile, int panelId) {
    if (!qApp)
        return Fail(UI_ERR_NO_APP, "InitUserInterface has not been called");
    PanelRec* parent = nullptr;
    if (parentPanel != 0) {
        parent = Panel(parentPanel);
        if (!parent)
            return Fail(UI_ERR_PANEL, "unknown parent panel");
    }
    QString path = Resolve(uiFile);
    if (path.isEmpty())
        return Fail(UI_ERR_FILE, std::string("resource file not found: ") + (uiFile ? uiFile : ""));
    int err = 0;
    auto layout = LoadLayout(path, &err);
    if (!layout)
        return err;
    const uilayout::Entry* e = layout->byId(panelId);
    if (!e || e->kind != uilayout::Kind::Panel || !e->tabControl.isEmpty())
        return Fail(UI_ERR_BAD_FILE,
                    "no panel with id " + std::to_string(panelId) + " in " + path.toStdString());
    auto doc = layout->panelUi.find(e->objectName);
    if (doc == layout->panelUi.end())
        return Fail(UI_ERR_BAD_FILE, "panel not found");
    QByteArray bytes = doc->second;
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    Quiet quiet;
    QWidget* w = Loader().load(&buf, nullptr);
    if (!w)
        return Fail(UI_ERR_BAD_FILE, "cannot build panel " + e->objectName.toStdString() + ": " +
                                         Loader().errorString().toStdString());
    if (parent)
        w->setParent(parent->w, Qt::Dialog);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    PanelRec* p = NewPanel(w, *e, path, parentPanel);
    RegisterContents(*p, *layout, path);
    return p->handle;
}

int DiscardPanel(int panel) {
    PanelRec* p = Panel(panel);
    if (!p || p->isPage)
        return UI_ERR_PANEL;
    Quiet quiet;
    Discard(panel);
    return 0;
}

int DisplayPanel(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    Quiet quiet;
    if (p->isPage) {
        p->w->show();
        return 0;
    }
    FirstShowPlacement(*p);
    p->w->show();
    Raise(p->w);
    S().activePanel = panel;
    return 0;
}

int HidePanel(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    Quiet quiet;
    if (p->popup)
        return RemovePopup(panel);
    p->w->hide();
    return 0;
}

int InstallPopup(int panel) {
    PanelRec* p = Panel(panel);
    if (!p || p->isPage)
        return UI_ERR_PANEL;
    Quiet quiet;
    if (!p->popup) {
        p->popup = true;
        S().popupStack.push_back(panel);
    }
    // Modality only takes effect when the window is shown again.
    if (p->w->isVisible() && p->w->windowModality() != Qt::ApplicationModal)
        p->w->hide();
    p->w->setWindowModality(Qt::ApplicationModal);
    FirstShowPlacement(*p);
    p->w->show();
    Raise(p->w);
    S().activePanel = panel;
    return 0;
}

int RemovePopup(int panel) {
    auto& stack = S().popupStack;
    if (panel == 0) {
        if (stack.empty())
            return 0;
        panel = stack.back();
    }
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    if (!p->popup)
        return 0;
    Quiet quiet;
    p->popup = false;
    stack.erase(std::remove(stack.begin(), stack.end(), panel), stack.end());
    p->w->hide();
    p->w->setWindowModality(Qt::NonModal);
    return 0;
}

int GetActivePanel() {
    return Panel(S().activePanel) ? S().activePanel : 0;
}

int SetActivePanel(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    Quiet quiet;
    Raise(p->w->window());
    S().activePanel = panel;
    return 0;
}

namespace {
QTabWidget* PageTab(PanelRec* p, int* index) {
    PanelRec* owner = Panel(p->parent);
    if (!owner)
        return nullptr;
    CtrlRec* tc = Ctrl(owner->handle, p->tabCtrl);
    auto* tab = tc ? qobject_cast<QTabWidget*>(tc->w.data()) : nullptr;
    if (tab && index)
        *index = tab->indexOf(p->w);
    return tab;
}
} // namespace

int SetPanelAttribute(int panel, int attr, int value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    Quiet quiet;
    QWidget* w = p->w;
    switch (attr) {
    case ATTR_TOP:
        w->move(w->x(), value);
        w->setProperty("ui_placed", true);
        return 0;
    case ATTR_LEFT:
        w->move(value, w->y());
        w->setProperty("ui_placed", true);
        return 0;
    // A hidden panel gets its resize event only when shown: scale now.
    case ATTR_WIDTH:
        w->resize(std::max(1, value), w->height());
        PanelResized(*p);
        return 0;
    case ATTR_HEIGHT:
        w->resize(w->width(), std::max(1, value));
        PanelResized(*p);
        return 0;
    case ATTR_SCALE_CONTENTS_ON_RESIZE:
        SetPanelScaling(*p, value != 0);
        return 0;
    case ATTR_VISIBLE_PANEL:
        return value ? DisplayPanel(panel) : HidePanel(panel);
    case ATTR_WINDOW_ZOOM: {
        Qt::WindowStates st = w->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
        if (value == VAL_MAXIMIZE)
            st |= Qt::WindowMaximized;
        else if (value == VAL_MINIMIZE)
            st |= Qt::WindowMinimized;
        else if (value != VAL_NO_ZOOM)
            return UI_ERR_RANGE;
        w->setWindowState(st);
        return 0;
    }
    default:
        return UI_ERR_ATTRIBUTE;
    }
}

int SetPanelAttribute(int panel, int attr, const char* value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    if (attr != ATTR_TITLE || !value)
        return UI_ERR_ATTRIBUTE;
    Quiet quiet;
    QString t = QString::fromUtf8(value);
    p->w->setWindowTitle(t);
    int idx = -1;
    if (p->isPage)
        if (QTabWidget* tab = PageTab(p, &idx); tab && idx >= 0)
            tab->setTabText(idx, t);
    return 0;
}

int GetPanelAttribute(int panel, int attr, int* value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    if (!value)
        return UI_ERR_TYPE;
    QWidget* w = p->w;
    switch (attr) {
    case ATTR_TOP:
        *value = w->y();
        return 0;
    case ATTR_LEFT:
        *value = w->x();
        return 0;
    case ATTR_WIDTH:
        *value = w->width();
        return 0;
    case ATTR_HEIGHT:
        *value = w->height();
        return 0;
    case ATTR_VISIBLE_PANEL:
        *value = w->isHidden() ? 0 : 1;
        return 0;
    case ATTR_SCALE_CONTENTS_ON_RESIZE:
        *value = p->scale ? 1 : 0;
        return 0;
    case ATTR_WINDOW_ZOOM:
        *value = (w->windowState() & Qt::WindowMaximized)   ? VAL_MAXIMIZE
                 : (w->windowState() & Qt::WindowMinimized) ? VAL_MINIMIZE
                                                            : VAL_NO_ZOOM;
        return 0;
    case ATTR_PANEL_MENU_BAR_CONSTANT: {
        auto it = S().menuBars.find(p->menuBar);
        *value = it == S().menuBars.end() ? 0 : it->second->id;
        return 0;
    }
    default:
        return UI_ERR_ATTRIBUTE;
    }
}

int GetPanelAttribute(int panel, int attr, std::string* value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    if (attr != ATTR_TITLE || !value)
        return UI_ERR_ATTRIBUTE;
    *value = p->w->windowTitle().toStdString();
    int idx = -1;
    if (p->isPage)
        if (QTabWidget* tab = PageTab(p, &idx); tab && idx >= 0)
            *value = tab->tabText(idx).toStdString();
    return 0;
}

int GetPanelHandleFromTabPage(int panel, int tabControl, int pageIndex, int* pagePanel) {
    int err;
    CtrlRec* c = Ctrl(panel, tabControl, &err);
    if (!c)
        return err;
    auto* tab = qobject_cast<QTabWidget*>(c->w.data());
    if (!tab)
        return UI_ERR_TYPE;
    if (pageIndex < 0 || pageIndex >= tab->count())
        return UI_ERR_RANGE;
    QWidget* pw = tab->widget(pageIndex);
    for (auto& [h, p] : S().panels) {
        if (p->w == pw) {
            if (pagePanel)
                *pagePanel = h;
            return 0;
        }
    }
    return UI_ERR_RANGE;
}

int SetActiveTabPage(int panel, int tabControl, int pageIndex) {
    int err;
    CtrlRec* c = Ctrl(panel, tabControl, &err);
    if (!c)
        return err;
    auto* tab = qobject_cast<QTabWidget*>(c->w.data());
    if (!tab)
        return UI_ERR_TYPE;
    if (pageIndex < 0 || pageIndex >= tab->count())
        return UI_ERR_RANGE;
    Quiet quiet;
    QSignalBlocker block(tab);
    tab->setCurrentIndex(pageIndex);
    return 0;
}

int GetActiveTabPage(int panel, int tabControl, int* pageIndex) {
    int err;
    CtrlRec* c = Ctrl(panel, tabControl, &err);
    if (!c)
        return err;
    auto* tab = qobject_cast<QTabWidget*>(c->w.data());
    if (!tab)
        return UI_ERR_TYPE;
    if (pageIndex)
        *pageIndex = tab->currentIndex();
    return 0;
}

int SetActiveCtrl(int panel, int control) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    c->w->setFocus(Qt::OtherFocusReason);
    Panel(panel)->activeCtrl = control;
    return 0;
}

int GetActiveCtrl(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    return p->activeCtrl;
}

// ------------------------------------------------------------------ timers
int SuspendTimerCallbacks() {
    return ++S().timerSuspend;
}

int ResumeTimerCallbacks() {
    if (S().timerSuspend > 0)
        --S().timerSuspend;
    return S().timerSuspend;
}

int TimerCallbacksSuspended() {
    return S().timerSuspend;
}

int ResetTimer(int panel, int control) {
    auto resetPanel = [](PanelRec& p) {
        for (auto& [id, c] : p.ctrls)
            if (c->timer && c->timer->isActive())
                c->timer->start();
    };
    if (panel == 0) {
        for (auto& [h, p] : S().panels)
            resetPanel(*p);
        return 0;
    }
    PanelRec* p = Panel(panel);
    if (!p)
        return UI_ERR_PANEL;
    if (control == 0) {
        resetPanel(*p);
        return 0;
    }
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!c->timer)
        return UI_ERR_TYPE;
    if (c->timer->isActive())
        c->timer->start();
    return 0;
}

// ---------------------------------------------------------------- events
int InstallWinMsgCallback(int panel, int message, WinMsgCallbackPtr fn, void* callbackData,
                          intptr_t* windowHandle) {
    if (!Panel(panel))
        return UI_ERR_PANEL;
    if (!fn)
        return UI_ERR_TYPE;
    Hooks()[{panel, message}] = {fn, callbackData};
    if (windowHandle)
        *windowHandle = panel;
    return 0;
}

int RemoveWinMsgCallback(int panel, int message) {
    Hooks().erase({panel, message});
    return 0;
}

void PostWindowMessage(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [window, message, wParam, lParam]() {
            auto it = Hooks().find({static_cast<int>(window), static_cast<int>(message)});
            if (it == Hooks().end() || !Panel(static_cast<int>(window)))
                return;
            unsigned w = static_cast<unsigned>(wParam);
            unsigned l = static_cast<unsigned>(lParam);
            it->second.first(static_cast<int>(window), static_cast<int>(message), &w, &l,
                             it->second.second);
        },
        Qt::QueuedConnection);
}

std::vector<std::string> CheckUiFile(const char* uiFile) {
    std::vector<std::string> problems = UnresolvedCallbacks(uiFile);
    for (std::string& p : problems)
        p = "unresolved callback " + p;
    QString path = Resolve(uiFile);
    if (path.isEmpty())
        return problems;
    int err = 0;
    auto layout = LoadLayout(path, &err);
    if (!layout)
        return problems;
    for (const auto& e : layout->entries) {
        if (e.kind == uilayout::Kind::Panel && e.tabControl.isEmpty()) {
            int h = LoadPanel(0, path.toLocal8Bit().constData(), e.id);
            if (h <= 0)
                problems.push_back("panel " + e.constName.toStdString() + ": " + S().lastError);
            else
                DiscardPanel(h);
        } else if (e.kind == uilayout::Kind::MenuBar) {
            int h = LoadMenuBar(0, path.toLocal8Bit().constData(), e.id);
            if (h <= 0)
                problems.push_back("menu bar " + e.constName.toStdString() + ": " + S().lastError);
            else
                DiscardMenuBar(h);
        }
    }
    return problems;
}

#include "ui/ui_qt.h"

QWidget* UiPanelWidget(int panel) {
    PanelRec* p = Panel(panel);
    return p ? p->w.data() : nullptr;
}

QWidget* UiCtrlWidget(int panel, int control) {
    CtrlRec* c = Ctrl(panel, control);
    if (!c)
        return nullptr;
    if (c->kind == CTRL_GRAPH)
        for (QObject* ch : c->w->children())
            if (ch->isWidgetType() && ch->property("ui_graph").toBool())
                return static_cast<QWidget*>(ch);
    return c->w.data();
}
