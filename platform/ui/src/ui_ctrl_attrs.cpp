// Controls: attributes (labels, colours, limits, geometry, modes, timers).
#include <QAbstractButton>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <climits>
#include <cmath>

#include "ui_internal.h"

using namespace uiimpl;

namespace {

QString LabelOf(CtrlRec& c) {
    if (auto* b = qobject_cast<QAbstractButton*>(c.w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(c.w))
        return g->title();
    if (c.labelWidget)
        if (auto* l = qobject_cast<QLabel*>(c.labelWidget.data()))
            return l->text();
    return c.label;
}

void SetIndicator(CtrlRec& c, bool on) {
    c.indicator = on;
    if (auto* sb = qobject_cast<QAbstractSpinBox*>(c.w))
        sb->setReadOnly(on);
    else if (auto* le = qobject_cast<QLineEdit*>(c.w))
        le->setReadOnly(on);
    else if (auto* pt = qobject_cast<QPlainTextEdit*>(c.w))
        pt->setReadOnly(on);
    else if (auto* te = qobject_cast<QTextEdit*>(c.w))
        te->setReadOnly(on);
    else {
        c.w->setAttribute(Qt::WA_TransparentForMouseEvents, on);
        c.w->setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    }
}

QPoint PanelPos(CtrlRec& c) {
    PanelRec* p = Panel(c.panel);
    if (!p || !c.w->parentWidget())
        return c.w->pos();
    return c.w->parentWidget()->mapTo(p->w, c.w->pos());
}

int SetAttr(CtrlRec& c, int attr, const Val& v, Where where) {
    Quiet quiet;
    QSignalBlocker block(c.w);
    int i = 0;
    double d = 0;
    const bool isNum = AsDouble(v, &d);
    AsInt(v, &i);
    const QString* s = std::get_if<QString>(&v);
    switch (attr) {
    case ATTR_CTRL_VAL:
        return s ? SetStr(c, *s, where) : SetNum(c, d, where);
    case ATTR_LABEL_TEXT:
        if (!s)
            return Fail(c, UI_ERR_TYPE, "takes text only", where);
        c.label = *s;
        if (auto* b = qobject_cast<QAbstractButton*>(c.w))
            b->setText(*s);
        else if (auto* g = qobject_cast<QGroupBox*>(c.w))
            g->setTitle(*s);
        else if (c.labelWidget)
            if (auto* l = qobject_cast<QLabel*>(c.labelWidget.data()))
                l->setText(*s);
        return 0;
    case ATTR_TOOLTIP_TEXT:
        if (!s)
            return Fail(c, UI_ERR_TYPE, "takes text only", where);
        c.w->setToolTip(*s);
        return 0;
    default:
        break;
    }
    if (!isNum)
        return Fail(c, UI_ERR_TYPE, "takes a number only", where);
    switch (attr) {
    case ATTR_DIMMED:
        c.dimmed = i != 0;
        c.w->setEnabled(!c.dimmed);
        if (c.labelWidget)
            c.labelWidget->setEnabled(!c.dimmed);
        return 0;
    case ATTR_VISIBLE:
        if (c.kind == CTRL_TIMER)
            return 0;
        c.w->setVisible(i != 0);
        if (c.labelWidget)
            c.labelWidget->setVisible(i != 0);
        return 0;
    case ATTR_TEXT_COLOR:
        c.textColor = i & 0xFFFFFF;
        ApplyColors(c);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        c.bgColor = i & 0xFFFFFF;
        ApplyColors(c);
        return 0;
    case ATTR_CMD_BUTTON_COLOR:
        c.buttonColor = i & 0xFFFFFF;
        ApplyColors(c);
        return 0;
    case ATTR_FRAME_COLOR:
        c.frameColor = i & 0xFFFFFF;
        return 0;
    case ATTR_ON_COLOR:
        c.onColor = i & 0xFFFFFF;
        if (c.kind == CTRL_LED)
            ShowLed(c);
        else if (c.kind == CTRL_BINARY_SWITCH)
            ShowSwitch(c);
        return 0;
    case ATTR_OFF_COLOR:
        c.offColor = i & 0xFFFFFF;
        if (c.kind == CTRL_LED)
            ShowLed(c);
        else if (c.kind == CTRL_BINARY_SWITCH)
            ShowSwitch(c);
        return 0;
    case ATTR_PRECISION:
        if (i < 0 || i > 15)
            return UI_ERR_RANGE;
        c.precision = i;
        ApplyNumericFormat(c);
        return 0;
    case ATTR_FORMAT:
        if (!qobject_cast<QDoubleSpinBox*>(c.w))
            return UI_ERR_ATTRIBUTE;
        if (i != VAL_DECIMAL_FORMAT && i != VAL_SIGNIFICANT_FORMAT)
            return UI_ERR_RANGE;
        c.format = i;
        ApplyNumericFormat(c);
        return 0;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE: {
        if (c.kind != CTRL_NUMERIC)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        double lo, hi;
        TypeRange(c.dataType, &lo, &hi);
        if (qobject_cast<QSpinBox*>(c.w)) {
            lo = std::max(lo, double(INT_MIN));
            hi = std::min(hi, double(INT_MAX));
        }
        double nv = std::clamp(IsIntegral(c.dataType) ? std::round(d) : d, lo, hi);
        if (attr == ATTR_MIN_VALUE)
            c.minV = nv;
        else
            c.maxV = nv;
        if (c.minV > c.maxV)
            (attr == ATTR_MIN_VALUE ? c.maxV : c.minV) = nv;
        if (auto* ds = qobject_cast<QDoubleSpinBox*>(c.w))
            ds->setRange(c.minV, c.maxV);
        else if (auto* sb = qobject_cast<QSpinBox*>(c.w))
            sb->setRange(static_cast<int>(c.minV), static_cast<int>(c.maxV));
        c.num = Coerce(c, c.num);
        ShowNum(c);
        return 0;
    }
    case ATTR_DEFAULT_VALUE:
        c.defV = d;
        return 0;
    case ATTR_CTRL_MODE:
        if (i != VAL_HOT && i != VAL_INDICATOR)
            return UI_ERR_RANGE;
        SetIndicator(c, i == VAL_INDICATOR);
        return 0;
    case ATTR_TOP_C:
    case ATTR_LEFT_C: {
        QPoint pp = PanelPos(c);
        if (attr == ATTR_TOP_C)
            pp.setY(i);
        else
            pp.setX(i);
        PanelRec* p = Panel(c.panel);
        QPoint local = (p && c.w->parentWidget()) ? c.w->parentWidget()->mapFrom(p->w, pp) : pp;
        c.w->move(local);
        NoteCtrlGeometry(c, attr);
        return 0;
    }
    case ATTR_WIDTH_C:
        c.w->resize(std::max(0, i), c.w->height());
        NoteCtrlGeometry(c, attr);
        return 0;
    case ATTR_HEIGHT_C:
        c.w->resize(c.w->width(), std::max(0, i));
        NoteCtrlGeometry(c, attr);
        return 0;
    case ATTR_ON_VALUE: {
        if (c.kind != CTRL_BINARY_SWITCH)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        c.onValue = i;
        return 0;
    }
    case ATTR_OFF_VALUE:
        if (c.kind != CTRL_BINARY_SWITCH)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        c.offValue = i;
        return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        if (auto* le = qobject_cast<QLineEdit*>(c.w)) {
            c.maxLen = i < 0 ? -1 : i;
            le->setMaxLength(c.maxLen < 0 ? 32767 : c.maxLen);
            return 0;
        }
        return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
    case ATTR_INTERVAL:
        if (!c.timer)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        if (!(d > 0))
            return UI_ERR_RANGE;
        c.interval = d;
        c.timer->setInterval(std::max(1, static_cast<int>(std::lround(d * 1000.0))));
        return 0;
    case ATTR_ENABLED:
        if (!c.timer)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        c.enabled = i != 0;
        if (c.enabled && !c.timer->isActive())
            c.timer->start();
        else if (!c.enabled)
            c.timer->stop();
        return 0;
    default:
        return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
    }
}

int GetAttr(CtrlRec& c, int attr, Val* out, Where where) {
    switch (attr) {
    case ATTR_CTRL_VAL: {
        double d;
        if (HoldsNumber(c)) {
            const int r = GetNum(c, &d, where);
            if (r == 0)
                *out = d;
            return r;
        }
        QString s;
        int r = GetStr(c, &s, where);
        if (r == 0)
            *out = s;
        return r;
    }
    case ATTR_LABEL_TEXT:
        *out = LabelOf(c);
        return 0;
    case ATTR_TOOLTIP_TEXT:
        *out = c.w->toolTip();
        return 0;
    case ATTR_CALLBACK_NAME:
        *out = c.callback;
        return 0;
    case ATTR_DIMMED:
        *out = c.dimmed ? 1 : 0;
        return 0;
    case ATTR_VISIBLE:
        *out = c.kind == CTRL_TIMER ? 0 : (c.w->isHidden() ? 0 : 1);
        return 0;
    case ATTR_TEXT_COLOR:
        *out =
            c.textColor >= 0 ? c.textColor : FromColor(c.w->palette().color(QPalette::WindowText));
        return 0;
    case ATTR_TEXT_BGCOLOR:
        *out = c.bgColor >= 0 ? c.bgColor : FromColor(c.w->palette().color(QPalette::Base));
        return 0;
    case ATTR_CMD_BUTTON_COLOR:
        *out =
            c.buttonColor >= 0 ? c.buttonColor : FromColor(c.w->palette().color(QPalette::Button));
        return 0;
    case ATTR_FRAME_COLOR:
        *out = c.frameColor >= 0 ? c.frameColor : FromColor(c.w->palette().color(QPalette::Mid));
        return 0;
    case ATTR_ON_COLOR:
        *out = c.onColor;
        return 0;
    case ATTR_OFF_COLOR:
        *out = c.offColor;
        return 0;
    case ATTR_PRECISION:
        *out = c.precision;
        return 0;
    case ATTR_FORMAT:
        *out = c.format;
        return 0;
    case ATTR_MIN_VALUE:
        if (c.kind != CTRL_NUMERIC)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.minV;
        return 0;
    case ATTR_MAX_VALUE:
        if (c.kind != CTRL_NUMERIC)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.maxV;
        return 0;
    case ATTR_DEFAULT_VALUE:
        *out = c.defV;
        return 0;
    case ATTR_CTRL_MODE:
        *out = c.indicator ? VAL_INDICATOR : VAL_HOT;
        return 0;
    case ATTR_TOP_C:
        *out = PanelPos(c).y();
        return 0;
    case ATTR_LEFT_C:
        *out = PanelPos(c).x();
        return 0;
    case ATTR_WIDTH_C:
        *out = c.w->width();
        return 0;
    case ATTR_HEIGHT_C:
        *out = c.w->height();
        return 0;
    case ATTR_ON_VALUE:
        if (c.kind != CTRL_BINARY_SWITCH)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.onValue;
        return 0;
    case ATTR_OFF_VALUE:
        if (c.kind != CTRL_BINARY_SWITCH)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.offValue;
        return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        *out = c.maxLen;
        return 0;
    case ATTR_INTERVAL:
        if (!c.timer)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.interval;
        return 0;
    case ATTR_ENABLED:
        if (!c.timer)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.enabled ? 1 : 0;
        return 0;
    case ATTR_DATA_TYPE:
        if (c.kind != CTRL_NUMERIC)
            return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
        *out = c.dataType;
        return 0;
    case ATTR_CTRL_KIND:
        *out = c.kind;
        return 0;
    default:
        return Fail(c, UI_ERR_ATTRIBUTE, "attribute not valid for this control", where);
    }
}

} // namespace

int SetCtrlAttribute(int panel, int control, int attr, int value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return SetAttr(*c, attr, Val(value), Where::current());
}

int SetCtrlAttribute(int panel, int control, int attr, double value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return SetAttr(*c, attr, Val(value), Where::current());
}

int SetCtrlAttribute(int panel, int control, int attr, const char* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no value given");
    return SetAttr(*c, attr, Val(QString::fromUtf8(value)), Where::current());
}

int GetCtrlAttribute(int panel, int control, int attr, int* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
    Val v;
    int r = GetAttr(*c, attr, &v, Where::current());
    if (r)
        return r;
    return AsInt(v, value) ? 0 : UI_ERR_TYPE;
}

int GetCtrlAttribute(int panel, int control, int attr, double* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
    Val v;
    int r = GetAttr(*c, attr, &v, Where::current());
    if (r)
        return r;
    return AsDouble(v, value) ? 0 : UI_ERR_TYPE;
}

int GetCtrlAttribute(int panel, int control, int attr, std::string* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
    Val v;
    int r = GetAttr(*c, attr, &v, Where::current());
    if (r)
        return r;
    auto* s = std::get_if<QString>(&v);
    if (!s)
        return Fail(*c, UI_ERR_TYPE, "takes text only");
    *value = s->toStdString();
    return 0;
}
