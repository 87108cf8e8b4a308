// Application, callback registry, resource files, timers, window messages
// and the routing of user events to callbacks.
#include <QAbstractEventDispatcher>
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

// The font library keeps a cache, and on a display the session bus library
// a buffer, for the life of the process, which the leak checker of sanitizer
// builds would report at exit in every GUI program.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus-1\n";
}

namespace uiimpl {

State& S() {
    static State s;
    return s;
}

namespace {

UiMisuseHook g_misuseHook = nullptr;

// Codes of the caller's mistakes.  An unknown menu bar comes through
// NoMenuBar; plots and annotations may be asked for freely.
bool IsMisuse(int code) {
    return code == UI_ERR_PANEL || code == UI_ERR_CONTROL || code == UI_ERR_ATTRIBUTE ||
           code == UI_ERR_TYPE;
}

std::string PanelText(int handle) {
    auto it = S().panels.find(handle);
    if (it == S().panels.end())
        return "panel handle " + std::to_string(handle);
    return "panel " + it->second->name.toStdString();
}

void Report(int code, const std::string& text, const Where& where) {
    if (g_misuseHook)
        g_misuseHook(code, where.function_name(), text.c_str());
}

} // namespace

int Fail(int code, const std::string& text, Where where) {
    S().lastError = text;
    if (IsMisuse(code))
        Report(code, text, where);
    return code;
}

int Fail(const CtrlRec& c, int code, const std::string& text, Where where) {
    return Fail(code, PanelText(c.panel) + ", control " + c.name.toStdString() + ": " + text,
                where);
}

int NoPanel(int panel, Where where) {
    return Fail(UI_ERR_PANEL, PanelText(panel) + ": no such panel", where);
}

int NoMenuBar(int menuBar, Where where) {
    const std::string text = "menu bar handle " + std::to_string(menuBar) + ": no such menu bar";
    S().lastError = text;
    Report(UI_ERR_HANDLE, text, where);
    return UI_ERR_HANDLE;
}

PanelRec* Panel(int handle) {
    auto it = S().panels.find(handle);
    if (it == S().panels.end() || !it->second->w)
        return nullptr;
    return it->second.get();
}

CtrlRec* Ctrl(int panel, int control) {
    PanelRec* p = Panel(panel);
    if (!p)
        return nullptr;
    auto it = p->ctrls.find(control);
    if (it == p->ctrls.end() || !it->second->w)
        return nullptr;
    return it->second.get();
}

CtrlRec* Ctrl(int panel, int control, int* err, Where where) {
    CtrlRec* c = Ctrl(panel, control);
    int code = 0;
    if (!Panel(panel)) {
        code = NoPanel(panel, where);
    } else if (!c) {
        code = Fail(UI_ERR_CONTROL,
                    PanelText(panel) + ": no control with id " + std::to_string(control), where);
    }
    if (err)
        *err = code;
    return c;
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

void EndModalWait(ModalWait* m) {
    if (m->result >= 0)
        return;
    m->result = 0;
    if (m->loop)
        m->loop->quit();
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

std::map<std::pair<int, int>, std::pair<WinMsgCallbackPtr, void*>>& Hooks() {
    static std::map<std::pair<int, int>, std::pair<WinMsgCallbackPtr, void*>> hooks;
    return hooks;
}

} // namespace

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
    int err = 0;
    if (!Panel(panel))
        return NoPanel(panel);
    if (control != 0 && !Ctrl(panel, control, &err))
        return err;
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

void SetUiMisuseHook(UiMisuseHook hook) {
    g_misuseHook = hook;
}

// ----------------------------------------------------------- application
int InitUserInterface(int argc, char** argv) {
    if (!QApplication::instance()) {
        static int s_argc = 0;
        static char s_name[] = "orvalin";
        static char* s_fallback[] = {s_name, nullptr};
        s_argc = argc > 0 && argv ? argc : 1;
        static QApplication* app = NewApplication(s_argc, argc > 0 && argv ? argv : s_fallback);
        (void)app;
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
        S().quitting = S().dismissing = false;
        return S().quitCode;
    }
    S().inMainLoop = true;
    int r = QApplication::exec();
    S().inMainLoop = false;
    S().quitRequested = false;
    S().quitting = S().dismissing = false;
    return r;
}

void QuitUserInterface(int code) {
    S().quitCode = code;
    S().quitting = true;
    // Asking Qt to exit with no loop running would end every later local loop
    // (Delay, modal panels) at once; remember the request instead.
    if (qApp && S().inMainLoop)
        QCoreApplication::exit(code);
    else
        S().quitRequested = true;
    // A box open now (the quit may come from inside its loop, or before the
    // main loop runs) would keep the program alive.
    EndDialogs();
}

void DismissDialogs(int on) {
    S().dismissing = on != 0;
    if (S().dismissing)
        EndDialogs();
}

int DialogsDismissed() {
    return NoDialogWaits() ? 1 : 0;
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
    // Input read meanwhile is held back, and under the glib dispatcher the
    // window system's source looks at it again only after a wake-up, which
    // otherwise comes with the next event from the display: a key pressed
    // during a measurement's polls waited for the measurement's end.
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(qApp->thread()))
        d->wakeUp();
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
        return NoPanel(panel);
    if (control == 0) {
        resetPanel(*p);
        return 0;
    }
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!c->timer)
        return Fail(*c, UI_ERR_TYPE, "not a timer");
    if (c->timer->isActive())
        c->timer->start();
    return 0;
}

// ---------------------------------------------------------------- events
int InstallWinMsgCallback(int panel, int message, WinMsgCallbackPtr fn, void* callbackData,
                          intptr_t* windowHandle) {
    if (!Panel(panel))
        return NoPanel(panel);
    if (!fn)
        return Fail(UI_ERR_TYPE, "no callback function given");
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

int PostDeferredCall(DeferredCallbackPtr fn, void* callbackData) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return UI_ERR_NO_APP;
    if (!fn)
        return UI_ERR_TYPE;
    QMetaObject::invokeMethod(
        app, [fn, callbackData]() { fn(callbackData); }, Qt::QueuedConnection);
    return 0;
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
