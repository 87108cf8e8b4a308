// Panels that scale their contents: every control keeps its place and size in
// proportion to the panel's content area, and its font with it.  Positions
// and sizes are always computed from the base, never from the previous scaled
// one, so repeated resizes do not drift.
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

// The scale a panel's controls follow: its own, or for a tab page that does
// not scale by itself, the panel that holds it.
struct Frame {
    bool on = false;
    int curW = 0, curH = 0, baseW = 0, baseH = 0;
    double font = 1.0; // factor for point sizes
};

Frame FrameOf(const PanelRec& p) {
    Frame f;
    if (p.scale) {
        if (p.baseW <= 0 || p.baseH <= 0)
            return f;
        f.on = true;
        f.curW = p.w->width();
        f.curH = std::max(0, p.w->height() - MenuRoom(p));
        f.baseW = p.baseW;
        f.baseH = p.baseH;
        f.font = std::min(double(f.curW) / f.baseW, double(f.curH) / f.baseH);
        return f;
    }
    if (const PanelRec* owner = p.isPage ? Panel(p.parent) : nullptr)
        return FrameOf(*owner);
    return f;
}

Frame Identity(const PanelRec& p) {
    Frame f;
    f.on = true;
    f.curW = f.baseW = p.w->width();
    f.curH = f.baseH = std::max(0, p.w->height() - MenuRoom(p));
    return f;
}

void Capture(const PanelRec& p, CtrlRec& c, const Frame& f) {
    const QPoint pos = ContentPos(p, c);
    c.base.l = Inverse(pos.x(), f.curW, f.baseW);
    c.base.r = Inverse(pos.x() + c.w->width(), f.curW, f.baseW);
    c.base.t = Inverse(pos.y(), f.curH, f.baseH);
    c.base.b = Inverse(pos.y() + c.w->height(), f.curH, f.baseH);
    c.base.points = std::max(0.0, c.w->font().pointSizeF());
    c.base.set = true;
}

// Captures the controls of a panel, and of the pages that follow it, where
// they are now.
void CaptureAll(PanelRec& p, const Frame& f) {
    for (auto& [id, c] : p.ctrls)
        if (c->w)
            Capture(p, *c, f);
    for (int page : p.pages)
        if (PanelRec* pg = Panel(page); pg && !pg->scale)
            CaptureAll(*pg, f);
}

// Smaller than this, text is hard to read: fonts shrink no further.
constexpr double kLegiblePoints = 7.0;

void ScaleFont(CtrlRec& c, double factor) {
    if (c.base.points <= 0)
        return;
    const double points = std::max(std::min(c.base.points, kLegiblePoints), c.base.points * factor);
    QFont font = c.w->font();
    if (std::abs(font.pointSizeF() - points) < 0.01)
        return;
    font.setPointSizeF(points);
    c.w->setFont(font);
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
    const Frame f = Identity(p);
    p.baseW = f.baseW;
    p.baseH = f.baseH;
    CaptureAll(p, f);
}

void RescalePanel(PanelRec& p) {
    const Frame f = FrameOf(p);
    if (!f.on)
        return;
    Quiet quiet;
    const int room = MenuRoom(p);
    std::vector<std::pair<int, CtrlRec*>> order;
    for (auto& [id, c] : p.ctrls)
        if (c->w)
            order.push_back({Depth(p, c->w), c.get()});
    // Containers first, so their children are placed relative to where they now are.
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [depth, c] : order) {
        if (!c->base.set)
            Capture(p, *c, f);
        ScaleFont(*c, f.font);
        if (Managed(*c))
            continue;
        const int l = Forward(c->base.l, f.curW, f.baseW), r = Forward(c->base.r, f.curW, f.baseW);
        const int t = Forward(c->base.t, f.curH, f.baseH), b = Forward(c->base.b, f.curH, f.baseH);
        QWidget* parent = c->w->parentWidget();
        QPoint at(l, t + room);
        if (parent && parent != p.w)
            at = parent->mapFrom(p.w, at);
        c->w->setGeometry(at.x(), at.y(), std::max(0, r - l), std::max(0, b - t));
    }
    for (int page : p.pages)
        if (PanelRec* pg = Panel(page); pg && !pg->scale)
            RescalePanel(*pg);
}

void NoteCtrlGeometry(CtrlRec& c, int attr) {
    PanelRec* p = Panel(c.panel);
    if (!p || !c.w)
        return;
    const Frame f = FrameOf(*p);
    if (!f.on)
        return;
    if (!c.base.set) {
        Capture(*p, c, f);
        return;
    }
    // Only the edges the attribute moved change; the others keep their base.
    const QPoint pos = ContentPos(*p, c);
    switch (attr) {
    case ATTR_LEFT_C:
        c.base.l = Inverse(pos.x(), f.curW, f.baseW);
        c.base.r = Inverse(pos.x() + c.w->width(), f.curW, f.baseW);
        break;
    case ATTR_WIDTH_C:
        c.base.r = Inverse(pos.x() + c.w->width(), f.curW, f.baseW);
        break;
    case ATTR_TOP_C:
        c.base.t = Inverse(pos.y(), f.curH, f.baseH);
        c.base.b = Inverse(pos.y() + c.w->height(), f.curH, f.baseH);
        break;
    case ATTR_HEIGHT_C:
        c.base.b = Inverse(pos.y() + c.w->height(), f.curH, f.baseH);
        break;
    default:
        break;
    }
}

} // namespace uiimpl
