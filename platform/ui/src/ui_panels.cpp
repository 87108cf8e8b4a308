// Panels: building them from the resource files, showing, hiding, popups,
// attributes and tab pages.
#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <QUiLoader>
#include <cmath>

#include "ui_internal.h"

using namespace uiimpl;

namespace {

// Builds the toolkit's own numeric boxes in place of the plain ones.
class PanelLoader : public QUiLoader {
  public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        if (QWidget* w = NewNumericBox(className, parent)) {
            w->setObjectName(name);
            return w;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

QUiLoader& Loader() {
    static QUiLoader* loader = new PanelLoader;
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
        if (m->panel == handle)
            EndModalWait(m);
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

} // namespace

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
        return NoPanel(panel);
    Quiet quiet;
    Discard(panel);
    return 0;
}

int DisplayPanel(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
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
        return NoPanel(panel);
    Quiet quiet;
    if (p->popup)
        return RemovePopup(panel);
    p->w->hide();
    return 0;
}

int InstallPopup(int panel) {
    PanelRec* p = Panel(panel);
    if (!p || p->isPage)
        return NoPanel(panel);
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
        return NoPanel(panel);
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
        return NoPanel(panel);
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
        return NoPanel(panel);
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
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a panel");
    }
}

int SetPanelAttribute(int panel, int attr, const char* value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    if (attr != ATTR_TITLE || !value)
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a panel");
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
        return NoPanel(panel);
    if (!value)
        return Fail(UI_ERR_TYPE, "no place for the value");
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
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a panel");
    }
}

int GetPanelAttribute(int panel, int attr, std::string* value) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    if (attr != ATTR_TITLE || !value)
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a panel");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
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
        return NoPanel(panel);
    return p->activeCtrl;
}

namespace {

constexpr int kTabBoldRole = 1; // the tab's data: 1 when its label is bold

// Draws the labels of tabs marked bold in a bold face and makes room for it;
// the space around a label follows the bar's font, so a bar whose font was
// scaled down with its panel still shows every tab.
class TabStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_TabBarTabLabel && Bold(option, widget)) {
            painter->save();
            QFont f = painter->font();
            f.setBold(true);
            painter->setFont(f);
            QProxyStyle::drawControl(element, option, painter, widget);
            painter->restore();
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
        if (type == CT_TabBarTab && tab && widget && Bold(option, widget)) {
            QFont f = widget->font();
            f.setBold(true);
            s.rwidth() += QFontMetrics(f).horizontalAdvance(tab->text) -
                          widget->fontMetrics().horizontalAdvance(tab->text);
        }
        return s;
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int v = QProxyStyle::pixelMetric(metric, option, widget);
        if ((metric != PM_TabBarTabHSpace && metric != PM_TabBarTabVSpace) || !widget)
            return v;
        const double ours = widget->font().pointSizeF(), usual = QApplication::font().pointSizeF();
        return ours > 0 && usual > 0 ? static_cast<int>(std::lround(v * ours / usual)) : v;
    }

  private:
    // While the bar lays its tabs out, the option's rectangle is the tab's
    // old one (empty before the first layout): the label tells the tab.
    static bool Bold(const QStyleOption* option, const QWidget* widget) {
        const auto* bar = qobject_cast<const QTabBar*>(widget);
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
        if (!bar || !tab)
            return false;
        int i = bar->tabAt(option->rect.center());
        if (i < 0 || bar->tabText(i) != tab->text) {
            i = bar->count() - 1;
            while (i >= 0 && bar->tabText(i) != tab->text)
                --i;
        }
        return i >= 0 && bar->tabData(i).toInt() == kTabBoldRole;
    }
};

} // namespace

void uiimpl::UseTabStyle(QTabBar* bar) {
    if (dynamic_cast<TabStyle*>(bar->style()))
        return;
    // On the application's style, not the desktop's.
    auto* style = new TabStyle(QApplication::style()->name());
    style->setParent(bar);
    bar->setStyle(style);
}

namespace {

QTabBar* TabBarOf(int panel, int tabControl, int pageIndex, int* err,
                  Where where = Where::current()) {
    CtrlRec* c = Ctrl(panel, tabControl, err, where);
    if (!c)
        return nullptr;
    auto* tab = qobject_cast<QTabWidget*>(c->w.data());
    if (!tab) {
        *err = Fail(*c, UI_ERR_TYPE, "not a tab control", where);
        return nullptr;
    }
    if (pageIndex < 0 || pageIndex >= tab->count()) {
        *err = UI_ERR_RANGE;
        return nullptr;
    }
    return tab->tabBar();
}

} // namespace

int SetTabPageAttribute(int panel, int tabControl, int pageIndex, int attr, int value) {
    int err = 0;
    QTabBar* bar = TabBarOf(panel, tabControl, pageIndex, &err);
    if (!bar)
        return err;
    Quiet quiet;
    switch (attr) {
    case ATTR_TAB_LABEL_COLOR:
        bar->setTabTextColor(pageIndex, ToColor(value & 0xFFFFFF));
        return 0;
    case ATTR_TAB_LABEL_BOLD:
        UseTabStyle(bar);
        bar->setTabData(pageIndex, value ? kTabBoldRole : 0);
        // The bar keeps its tabs' sizes until a label changes: lay them out
        // again for the bold label's width.
        bar->setTabText(pageIndex, bar->tabText(pageIndex));
        return 0;
    default:
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a tab page");
    }
}

int GetTabPageAttribute(int panel, int tabControl, int pageIndex, int attr, int* value) {
    int err = 0;
    QTabBar* bar = TabBarOf(panel, tabControl, pageIndex, &err);
    if (!bar)
        return err;
    if (!value)
        return Fail(UI_ERR_TYPE, "no place for the value");
    switch (attr) {
    case ATTR_TAB_LABEL_COLOR: {
        const QColor c = bar->tabTextColor(pageIndex);
        *value = c.isValid() ? FromColor(c) : FromColor(bar->palette().color(QPalette::WindowText));
        return 0;
    }
    case ATTR_TAB_LABEL_BOLD:
        *value = bar->tabData(pageIndex).toInt() == kTabBoldRole ? 1 : 0;
        return 0;
    default:
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a tab page");
    }
}
