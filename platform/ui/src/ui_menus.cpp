// Menu bars from the resource files, their items, and popup menus.
#include <QAction>
#include <QBuffer>
#include <QCursor>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>

#include "ui/popup_script.h"
#include "ui_internal.h"

using namespace uiimpl;

namespace {

int g_popupBar = 0; // items of this bar run no callback while it pops up

MenuBarRec* Bar(int handle) {
    auto it = S().menuBars.find(handle);
    if (it == S().menuBars.end() || !it->second->bar)
        return nullptr;
    return it->second.get();
}

QAction* Item(MenuBarRec* mb, int item) {
    auto it = mb->items.find(item);
    return it == mb->items.end() ? nullptr : it->second.data();
}

int NoItem(int menuBar, int item, Where where = Where::current()) {
    return Fail(UI_ERR_CONTROL,
                "menu bar handle " + std::to_string(menuBar) + ": no item with id " +
                    std::to_string(item),
                where);
}

void Detach(MenuBarRec& mb) {
    PanelRec* p = Panel(mb.panel);
    if (p && p->menuBar == mb.handle)
        p->menuBar = 0;
    mb.panel = 0;
    if (!mb.bar)
        return;
    if (p && p->w->layout() && p->w->layout()->menuBar() == mb.bar)
        p->w->layout()->setMenuBar(nullptr);
    mb.bar->hide();
    mb.bar->setParent(nullptr);
}

} // namespace

int LoadMenuBar(int panel, const char* uiFile, int menuBarId) {
    if (!qApp)
        return Fail(UI_ERR_NO_APP, "InitUserInterface has not been called");
    if (panel != 0 && !Panel(panel))
        return NoPanel(panel);
    QString path = Resolve(uiFile);
    if (path.isEmpty())
        return Fail(UI_ERR_FILE, std::string("resource file not found: ") + (uiFile ? uiFile : ""));
    int err = 0;
    auto layout = LoadLayout(path, &err);
    if (!layout)
        return err;
    const uilayout::Entry* e = layout->byId(menuBarId);
    if (!e || e->kind != uilayout::Kind::MenuBar)
        return Fail(UI_ERR_BAD_FILE, "no menu bar with id " + std::to_string(menuBarId));
    QByteArray bytes = layout->menuBarUi.at(e->objectName);
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    Quiet quiet;
    QUiLoader loader;
    QWidget* host = loader.load(&buf, nullptr);
    if (!host)
        return Fail(UI_ERR_BAD_FILE,
                    "cannot build menu bar: " + loader.errorString().toStdString());
    auto* bar = host->findChild<QMenuBar*>(e->objectName);
    if (!bar) {
        delete host;
        return Fail(UI_ERR_BAD_FILE, "menu bar missing after load");
    }
    // The actions are owned by the form; keep them with the bar.
    for (QAction* a : host->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        a->setParent(bar);
    bar->setParent(nullptr);
    delete host;

    auto rec = std::make_unique<MenuBarRec>();
    rec->handle = S().nextMenuBar++;
    rec->id = e->id;
    rec->bar = bar;
    rec->file = path;
    rec->name = e->objectName;
    const int handle = rec->handle;
    for (const auto& entry : layout->entries) {
        if (entry.owner != e->objectName)
            continue;
        if (entry.kind == uilayout::Kind::Menu) {
            QMenu* m = bar->findChild<QMenu*>(entry.objectName);
            if (!m)
                continue;
            rec->menus[entry.id] = m;
            rec->items[entry.id] = m->menuAction();
        } else if (entry.kind == uilayout::Kind::MenuItem) {
            QAction* a = bar->findChild<QAction*>(entry.objectName);
            if (!a)
                continue;
            rec->items[entry.id] = a;
            auto cb = entry.props.find("callback");
            if (cb != entry.props.end() && !cb->second.isEmpty())
                rec->callbacks[entry.id] = cb->second;
            const int id = entry.id;
            QObject::connect(a, &QAction::triggered, a, [handle, id, a](bool checked) {
                // A check mark shows the program's state and only the program
                // sets it: undo the toggle the click made.
                if (a->isCheckable()) {
                    QSignalBlocker block(a);
                    a->setChecked(!checked);
                }
                if (g_popupBar == handle)
                    return;
                DispatchMenu(handle, id);
            });
        }
    }
    S().menuBars[handle] = std::move(rec);
    if (panel != 0)
        SetPanelMenuBar(panel, handle);
    return handle;
}

int SetPanelMenuBar(int panel, int menuBar) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    Quiet quiet;
    if (p->menuBar)
        if (MenuBarRec* old = Bar(p->menuBar))
            Detach(*old);
    p->menuBar = 0;
    if (menuBar == 0)
        return 0;
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    Detach(*mb);
    QWidget* w = p->w;
    if (QLayout* l = w->layout()) {
        l->setMenuBar(mb->bar);
    } else {
        // Absolutely placed panels: make room for the bar above the controls once.
        mb->bar->setParent(w);
        const int h = mb->bar->sizeHint().height();
        // The room's height is kept: the controls of a scaling panel are
        // placed below it.
        if (w->property("ui_menu_room").toInt() <= 0) {
            for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (c != mb->bar)
                    c->move(c->x(), c->y() + h);
            w->setProperty("ui_menu_room", h);
            w->resize(w->width(), w->height() + h);
            RescalePanel(*p);
        }
        mb->bar->setGeometry(0, 0, w->width(), h);
    }
    mb->bar->show();
    mb->panel = panel;
    p->menuBar = menuBar;
    return 0;
}

int GetPanelMenuBar(int panel) {
    PanelRec* p = Panel(panel);
    if (!p)
        return NoPanel(panel);
    return Bar(p->menuBar) ? p->menuBar : 0;
}

int DiscardMenuBar(int menuBar) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    Quiet quiet;
    Detach(*mb);
    mb->bar->deleteLater();
    S().menuBars.erase(menuBar);
    return 0;
}

int SetMenuBarAttribute(int menuBar, int item, int attr, int value) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    QAction* a = Item(mb, item);
    if (!a)
        return NoItem(menuBar, item);
    Quiet quiet;
    QSignalBlocker block(a);
    switch (attr) {
    case ATTR_CHECKED:
        if (value && !a->isCheckable())
            a->setCheckable(true);
        a->setChecked(value != 0);
        return 0;
    case ATTR_MENU_DIMMED:
        a->setEnabled(value == 0);
        return 0;
    case ATTR_MENU_VISIBLE:
        a->setVisible(value != 0);
        return 0;
    default:
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a menu item");
    }
}

int SetMenuBarAttribute(int menuBar, int item, int attr, const char* value) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    QAction* a = Item(mb, item);
    if (!a)
        return NoItem(menuBar, item);
    if (attr != ATTR_ITEM_NAME || !value)
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a menu item");
    Quiet quiet;
    a->setText(QString::fromUtf8(value));
    return 0;
}

int GetMenuBarAttribute(int menuBar, int item, int attr, int* value) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    QAction* a = Item(mb, item);
    if (!a)
        return NoItem(menuBar, item);
    if (!value)
        return Fail(UI_ERR_TYPE, "no place for the value");
    switch (attr) {
    case ATTR_CHECKED:
        *value = a->isChecked() ? 1 : 0;
        return 0;
    case ATTR_MENU_DIMMED:
        *value = a->isEnabled() ? 0 : 1;
        return 0;
    case ATTR_MENU_VISIBLE:
        *value = a->isVisible() ? 1 : 0;
        return 0;
    default:
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a menu item");
    }
}

int GetMenuBarAttribute(int menuBar, int item, int attr, std::string* value) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    QAction* a = Item(mb, item);
    if (!a)
        return NoItem(menuBar, item);
    if (attr != ATTR_ITEM_NAME || !value)
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for a menu item");
    *value = a->text().toStdString();
    return 0;
}

int RunPopupMenu(int menuBar, int menu, int panel, int top, int left) {
    MenuBarRec* mb = Bar(menuBar);
    if (!mb)
        return NoMenuBar(menuBar);
    auto mit = mb->menus.find(menu);
    if (mit == mb->menus.end() || !mit->second)
        return NoItem(menuBar, menu);
    QMenu* m = mit->second;
    const std::string title = m->title().toStdString();
    if (popup_script::Enabled()) {
        // Same seam as the dialogs: record, then take the next queued answer.
        int r = ScriptedPopupMenu(title);
        auto it = mb->items.find(r);
        if (r == 0 || it == mb->items.end() || mb->menus.count(r))
            return 0;
        return r;
    }
    if (NoDialogWaits())
        return 0;
    QPoint pos = QCursor::pos();
    if (!(top == -1 && left == -1))
        if (PanelRec* p = Panel(panel))
            pos = p->w->mapToGlobal(QPoint(left, top));
    const int saved = g_popupBar;
    g_popupBar = menuBar;
    QAction* chosen = m->exec(pos);
    g_popupBar = saved;
    if (!chosen || !Bar(menuBar))
        return 0;
    for (const auto& [id, a] : mb->items)
        if (a == chosen && !mb->menus.count(id))
            return id;
    return 0;
}
