// Panels that scale their contents: every control keeps its place and size in
// proportion to the panel's content area.  Positions are always computed from
// the base geometry, never from the previous scaled one, so repeated resizes
// do not drift.
#include <QEvent>
#include <QLayout>
#include <QMenuBar>
#include <algorithm>
#include <cmath>

#include "ui_internal.h"

namespace uiimpl {

namespace {

int Forward(double b, int cur, int base) {
    return static_cast<int>(std::lround(b * cur / base));
}

// The base coordinate shown as `c` at the current size; a whole base pixel
// when one fits, so edges that lined up in the design keep lining up.
double Inverse(int c, int cur, int base) {
    if (cur == base || cur <= 0)
        return c;
    const double exact = double(c) * base / cur;
    const double whole = std::round(exact);
    return Forward(whole, cur, base) == c ? whole : exact;
}

// Controls inside a layout are placed by that layout, not by us.
bool Managed(const CtrlRec& c) {
    QWidget* parent = c.w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(c.w) >= 0;
}

QPoint ContentPos(const PanelRec& p, const CtrlRec& c) {
    QWidget* parent = c.w->parentWidget();
    QPoint pos = parent && parent != p.w ? parent->mapTo(p.w, c.w->pos()) : c.w->pos();
    return pos - QPoint(0, MenuRoom(p));
}

struct Size {
    int w, h;
};

Size Content(const PanelRec& p) {
    return {p.w->width(), std::max(0, p.w->height() - MenuRoom(p))};
}

void Capture(const PanelRec& p, CtrlRec& c, Size cur) {
    const QPoint pos = ContentPos(p, c);
    c.base.l = Inverse(pos.x(), cur.w, p.baseW);
    c.base.r = Inverse(pos.x() + c.w->width(), cur.w, p.baseW);
    c.base.t = Inverse(pos.y(), cur.h, p.baseH);
    c.base.b = Inverse(pos.y() + c.w->height(), cur.h, p.baseH);
    c.base.set = true;
}

int Depth(const PanelRec& p, const QWidget* w) {
    int d = 0;
    for (const QWidget* a = w->parentWidget(); a && a != p.w; a = a->parentWidget())
        ++d;
    return d;
}

class PanelWatcher : public QObject {
  public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::Resize)
            return false;
        PanelRec* p = Panel(o->property("ui_panel").toInt());
        if (p && p->w == o)
            PanelResized(*p);
        return false;
    }
};

} // namespace

void PanelResized(PanelRec& p) {
    // An absolutely placed menu bar spans the window.
    auto mb = S().menuBars.find(p.menuBar);
    if (mb != S().menuBars.end() && mb->second->bar && mb->second->bar->parentWidget() == p.w &&
        !p.w->layout())
        mb->second->bar->resize(p.w->width(), mb->second->bar->height());
    if (p.scale)
        RescalePanel(p);
}

int MenuRoom(const PanelRec& p) {
    return p.w->property("ui_menu_room").toInt();
}

void WatchPanel(QWidget* w) {
    static PanelWatcher* watcher = new PanelWatcher;
    w->installEventFilter(watcher);
}

void SetPanelScaling(PanelRec& p, bool on) {
    if (on == p.scale)
        return;
    p.scale = on;
    if (!on)
        return;
    const Size cur = Content(p);
    p.baseW = cur.w;
    p.baseH = cur.h;
    for (auto& [id, c] : p.ctrls)
        if (c->w)
            Capture(p, *c, cur);
}

void RescalePanel(PanelRec& p) {
    if (!p.scale || p.baseW <= 0 || p.baseH <= 0)
        return;
    Quiet quiet;
    const Size cur = Content(p);
    const int room = MenuRoom(p);
    std::vector<std::pair<int, CtrlRec*>> order;
    for (auto& [id, c] : p.ctrls)
        if (c->w && !Managed(*c))
            order.push_back({Depth(p, c->w), c.get()});
    // Containers first, so their children are placed relative to where they now are.
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [depth, c] : order) {
        if (!c->base.set)
            Capture(p, *c, cur);
        const int l = Forward(c->base.l, cur.w, p.baseW), r = Forward(c->base.r, cur.w, p.baseW);
        const int t = Forward(c->base.t, cur.h, p.baseH), b = Forward(c->base.b, cur.h, p.baseH);
        QWidget* parent = c->w->parentWidget();
        QPoint at(l, t + room);
        if (parent && parent != p.w)
            at = parent->mapFrom(p.w, at);
        c->w->setGeometry(at.x(), at.y(), std::max(0, r - l), std::max(0, b - t));
    }
}

void NoteCtrlGeometry(CtrlRec& c, int attr) {
    PanelRec* p = Panel(c.panel);
    if (!p || !p->scale || !c.w || p->baseW <= 0 || p->baseH <= 0)
        return;
    const Size cur = Content(*p);
    if (!c.base.set) {
        Capture(*p, c, cur);
        return;
    }
    // Only the edges the attribute moved change; the others keep their base.
    const QPoint pos = ContentPos(*p, c);
    switch (attr) {
    case ATTR_LEFT_C:
        c.base.l = Inverse(pos.x(), cur.w, p->baseW);
        c.base.r = Inverse(pos.x() + c.w->width(), cur.w, p->baseW);
        break;
    case ATTR_WIDTH_C:
        c.base.r = Inverse(pos.x() + c.w->width(), cur.w, p->baseW);
        break;
    case ATTR_TOP_C:
        c.base.t = Inverse(pos.y(), cur.h, p->baseH);
        c.base.b = Inverse(pos.y() + c.w->height(), cur.h, p->baseH);
        break;
    case ATTR_HEIGHT_C:
        c.base.b = Inverse(pos.y() + c.w->height(), cur.h, p->baseH);
        break;
    default:
        break;
    }
}

} // namespace uiimpl
