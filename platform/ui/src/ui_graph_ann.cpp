// Graph annotations: captions with an arrow to a point of the plot.
#include <algorithm>

#include "ui_graph.h"

using namespace uiimpl;

namespace {

// Puts the caption at offset (dx, dy) pixels from its point, on the side of
// the offset so it never covers the point, and starts the arrow there.
void Offset(AnnRec& a, double dx, double dy) {
    a.text->position->setCoords(dx, dy);
    a.arrow->start->setCoords(dx, dy);
    Qt::Alignment al = (dy < 0   ? Qt::AlignBottom
                        : dy > 0 ? Qt::AlignTop
                                 : Qt::AlignVCenter) |
                       (dx < 0   ? Qt::AlignRight
                        : dx > 0 ? Qt::AlignLeft
                                 : Qt::AlignHCenter);
    a.text->setPositionAlignment(al);
}

void Place(AnnRec& a) {
    Offset(a, a.dx, a.dy);
    a.arrow->setVisible(a.arrowVisible && (a.dx != 0 || a.dy != 0));
    a.text->setColor(ToColor(a.color));
    a.text->setBrush(QBrush(ToColor(a.bg)));
    a.text->setPen(a.frame < 0 ? QPen(Qt::NoPen) : QPen(ToColor(a.frame)));
    if (a.fontSize > 0) {
        QFont f = a.text->font();
        f.setPointSize(a.fontSize);
        a.text->setFont(f);
    }
}

// The caption's box in pixels with its position at `at` and offset (dx, dy).
QRectF CaptionBox(const AnnRec& a, QPointF at, double dx, double dy) {
    const QRect text =
        QFontMetrics(a.text->font())
            .boundingRect(0, 0, 0, 0, Qt::TextDontClip | a.text->textAlignment(), a.caption);
    const QMargins pad = a.text->padding();
    const double w = text.width() + pad.left() + pad.right();
    const double h = text.height() + pad.top() + pad.bottom();
    const double left = dx < 0 ? at.x() - w : dx > 0 ? at.x() : at.x() - w / 2;
    const double top = dy < 0 ? at.y() - h : dy > 0 ? at.y() : at.y() - h / 2;
    return QRectF(left, top, w, h);
}

AnnRec* Ann(GraphRec* g, int id) {
    auto it = g->ann.find(id);
    return it == g->ann.end() ? nullptr : &it->second;
}

void RemoveAnn(GraphRec* g, AnnRec& a) {
    g->plot->removeItem(a.text);
    g->plot->removeItem(a.arrow);
    g->plot->removeItem(a.anchor);
}

} // namespace

// A caption that would stand out of the plot area goes to the other side of
// its point; where that does not fit either, it is moved in as far as needed.
// The arrow keeps pointing at the point.
void uiimpl::KeepCaptionsInside(GraphRec& g) {
    const QRectF area = g.plot->axisRect()->rect();
    for (auto& [id, a] : g.ann) {
        const QPointF p = a.anchor->position->pixelPosition();
        if (!area.adjusted(-1, -1, 1, 1).contains(p)) { // the point itself is not shown
            Offset(a, a.dx, a.dy);
            continue;
        }
        double dx = a.dx, dy = a.dy;
        QRectF box = CaptionBox(a, p + QPointF(dx, dy), dx, dy);
        if (box.left() < area.left() || box.right() > area.right()) {
            QRectF other = CaptionBox(a, p + QPointF(-dx, dy), -dx, dy);
            if (other.left() >= area.left() && other.right() <= area.right()) {
                dx = -dx;
                box = other;
            }
        }
        if (box.top() < area.top() || box.bottom() > area.bottom()) {
            QRectF other = CaptionBox(a, p + QPointF(dx, -dy), dx, -dy);
            if (other.top() >= area.top() && other.bottom() <= area.bottom()) {
                dy = -dy;
                box = other;
            }
        }
        const double sx =
            std::clamp(box.left(), area.left(), std::max(area.left(), area.right() - box.width())) -
            box.left();
        const double sy =
            std::clamp(box.top(), area.top(), std::max(area.top(), area.bottom() - box.height())) -
            box.top();
        Offset(a, dx + sx, dy + sy);
    }
}

int AddGraphAnnotation(int panel, int graph, double x, double y, const char* caption, int color) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    AnnRec a;
    a.caption = QString::fromUtf8(caption ? caption : "");
    a.color = color & 0xFFFFFF;
    a.anchor = new QCPItemTracer(g->plot);
    a.anchor->setStyle(QCPItemTracer::tsNone);
    a.anchor->setGraph(nullptr);
    a.anchor->position->setCoords(x, y);
    a.text = new QCPItemText(g->plot);
    a.text->position->setType(QCPItemPosition::ptAbsolute);
    a.text->position->setParentAnchor(a.anchor->position);
    a.text->setText(a.caption);
    a.text->setPadding(QMargins(3, 2, 3, 2));
    a.arrow = new QCPItemLine(g->plot);
    a.arrow->start->setType(QCPItemPosition::ptAbsolute);
    a.arrow->end->setType(QCPItemPosition::ptAbsolute);
    a.arrow->start->setParentAnchor(a.anchor->position);
    a.arrow->end->setParentAnchor(a.anchor->position);
    a.arrow->end->setCoords(0, 0);
    a.arrow->setHead(QCPLineEnding::esSpikeArrow);
    Place(a);
    const int id = g->nextAnn++;
    g->ann[id] = a;
    Replot(*g);
    return id;
}

int SetAnnotationCaption(int panel, int graph, int id, const char* caption) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    AnnRec* a = Ann(g, id);
    if (!a)
        return UI_ERR_HANDLE;
    a->caption = QString::fromUtf8(caption ? caption : "");
    a->text->setText(a->caption);
    Replot(*g);
    return 0;
}

int GetAnnotationCaption(int panel, int graph, int id, std::string* caption) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    AnnRec* a = Ann(g, id);
    if (!a)
        return UI_ERR_HANDLE;
    if (caption)
        *caption = a->caption.toStdString();
    return 0;
}

int DeleteGraphAnnotation(int panel, int graph, int id) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (id == -1) {
        for (auto& [k, a] : g->ann)
            RemoveAnn(g, a);
        g->ann.clear();
    } else {
        AnnRec* a = Ann(g, id);
        if (!a)
            return 0;
        RemoveAnn(g, *a);
        g->ann.erase(id);
    }
    Replot(*g);
    return 0;
}

int GetNumAnnotations(int panel, int graph, int* count) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    if (count)
        *count = static_cast<int>(g->ann.size());
    return 0;
}

int GetAnnotationIdFromCaption(int panel, int graph, const char* caption, int* id) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    const QString want = QString::fromUtf8(caption ? caption : "");
    if (want.isEmpty())
        return UI_ERR_RANGE;
    for (auto& [k, a] : g->ann)
        if (a.caption == want) {
            if (id)
                *id = k;
            return 0;
        }
    for (auto& [k, a] : g->ann)
        if (a.caption.startsWith(want) && a.caption.size() > want.size()) {
            QChar next = a.caption[want.size()];
            if (next == ' ' || next == '\n' || next == '\t' || next == '\r') {
                if (id)
                    *id = k;
                return 0;
            }
        }
    return UI_ERR_HANDLE;
}

int SetAnnotationAttribute(int panel, int graph, int id, int attr, int value) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    auto apply = [attr, value](AnnRec& a) {
        switch (attr) {
        case ATTR_ANNOTATION_XOFFSET:
            a.dx = value;
            break;
        case ATTR_ANNOTATION_YOFFSET:
            a.dy = value;
            break;
        case ATTR_ANNOTATION_CAPTION_COLOR:
            a.color = value & 0xFFFFFF;
            break;
        case ATTR_ANNOTATION_BGCOLOR:
            a.bg = value & 0xFFFFFF;
            break;
        case ATTR_ANNOTATION_FRAME_COLOR:
            a.frame = value < 0 ? -1 : value & 0xFFFFFF;
            break;
        case ATTR_ANNOTATION_FONT_SIZE:
            a.fontSize = std::clamp(value, 0, 200);
            break;
        case ATTR_ANNOTATION_ARROW_VISIBLE:
            a.arrowVisible = value != 0;
            break;
        default:
            return false;
        }
        Place(a);
        return true;
    };
    if (id == -1) {
        for (auto& [k, a] : g->ann)
            if (!apply(a))
                return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for an annotation");
    } else {
        AnnRec* a = Ann(g, id);
        if (!a)
            return UI_ERR_HANDLE;
        if (!apply(*a))
            return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for an annotation");
    }
    Replot(*g);
    return 0;
}

int GetAnnotationAttribute(int panel, int graph, int id, int attr, int* value) {
    int err;
    GraphRec* g = Graph(panel, graph, &err);
    if (!g)
        return err;
    AnnRec* a = Ann(g, id);
    if (!a)
        return UI_ERR_HANDLE;
    int v;
    switch (attr) {
    case ATTR_ANNOTATION_XOFFSET:
        v = a->dx;
        break;
    case ATTR_ANNOTATION_YOFFSET:
        v = a->dy;
        break;
    case ATTR_ANNOTATION_CAPTION_COLOR:
        v = a->color;
        break;
    case ATTR_ANNOTATION_BGCOLOR:
        v = a->bg;
        break;
    case ATTR_ANNOTATION_FRAME_COLOR:
        v = a->frame;
        break;
    case ATTR_ANNOTATION_FONT_SIZE:
        v = a->fontSize;
        break;
    case ATTR_ANNOTATION_ARROW_VISIBLE:
        v = a->arrowVisible ? 1 : 0;
        break;
    default:
        return Fail(UI_ERR_ATTRIBUTE, "attribute not valid for an annotation");
    }
    if (value)
        *value = v;
    return 0;
}
