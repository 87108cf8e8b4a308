// Controls: kinds, values, attributes, list items, text boxes, timers.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "ui_internal.h"

namespace uiimpl {

namespace {

int KindOf(const uilayout::Entry& e) {
    auto t = e.props.find("ctrlType");
    if (t != e.props.end() && !t->second.isEmpty()) {
        static const std::map<QString, int> names = {{"numeric", CTRL_NUMERIC},
                                                     {"string", CTRL_STRING},
                                                     {"text", CTRL_TEXT_MSG},
                                                     {"textmsg", CTRL_TEXT_MSG},
                                                     {"ring", CTRL_RING},
                                                     {"listbox", CTRL_LIST_BOX},
                                                     {"radio", CTRL_RADIO},
                                                     {"checkbox", CTRL_CHECK_BOX},
                                                     {"binary", CTRL_BINARY_SWITCH},
                                                     {"command", CTRL_COMMAND_BUTTON},
                                                     {"led", CTRL_LED},
                                                     {"tab", CTRL_TAB},
                                                     {"table", CTRL_TABLE},
                                                     {"progress", CTRL_PROGRESS},
                                                     {"picture", CTRL_PICTURE},
                                                     {"textbox", CTRL_TEXT_BOX},
                                                     {"decoration", CTRL_DECORATION},
                                                     {"hyperlink", CTRL_HYPERLINK},
                                                     {"timer", CTRL_TIMER},
                                                     {"graph", CTRL_GRAPH}};
        auto it = names.find(t->second.toLower());
        if (it != names.end())
            return it->second;
    }
    const QString& c = e.className;
    if (c == "QSpinBox" || c == "QDoubleSpinBox")
        return CTRL_NUMERIC;
    if (c == "QLineEdit")
        return CTRL_STRING;
    if (c == "QLabel")
        return CTRL_TEXT_MSG;
    if (c == "QComboBox")
        return CTRL_RING;
    if (c == "QListWidget")
        return CTRL_LIST_BOX;
    if (c == "QRadioButton")
        return CTRL_RADIO;
    if (c == "QCheckBox")
        return CTRL_CHECK_BOX;
    if (c == "QPushButton" || c == "QToolButton")
        return CTRL_COMMAND_BUTTON;
    if (c == "QTabWidget")
        return CTRL_TAB;
    if (c == "QTableWidget" || c == "QTableView")
        return CTRL_TABLE;
    if (c == "QProgressBar")
        return CTRL_PROGRESS;
    if (c == "QPlainTextEdit" || c == "QTextEdit" || c == "QTextBrowser")
        return CTRL_TEXT_BOX;
    return CTRL_DECORATION;
}

int DataTypeOf(const uilayout::Entry& e) {
    auto t = e.props.find("dataType");
    if (t != e.props.end()) {
        const QString v = t->second.toLower();
        if (v == "int")
            return VAL_INTEGER;
        if (v == "short")
            return VAL_SHORT_INTEGER;
        if (v == "unsigned")
            return VAL_UNSIGNED_INTEGER;
        if (v == "char")
            return VAL_CHAR;
        if (v == "float")
            return VAL_FLOAT;
        if (v == "double")
            return VAL_DOUBLE;
    }
    return e.className == "QDoubleSpinBox" ? VAL_DOUBLE : VAL_INTEGER;
}

bool IsIntegral(int dt) {
    return dt != VAL_FLOAT && dt != VAL_DOUBLE;
}

void TypeRange(int dt, double* lo, double* hi) {
    switch (dt) {
    case VAL_SHORT_INTEGER:
        *lo = SHRT_MIN;
        *hi = SHRT_MAX;
        break;
    case VAL_UNSIGNED_INTEGER:
        *lo = 0;
        *hi = UINT_MAX;
        break;
    case VAL_CHAR:
        *lo = CHAR_MIN;
        *hi = CHAR_MAX;
        break;
    case VAL_INTEGER:
        *lo = INT_MIN;
        *hi = INT_MAX;
        break;
    case VAL_FLOAT:
        *lo = -std::numeric_limits<float>::max();
        *hi = std::numeric_limits<float>::max();
        break;
    default:
        *lo = -std::numeric_limits<double>::max();
        *hi = std::numeric_limits<double>::max();
    }
}

double Coerce(const CtrlRec& c, double v) {
    if (std::isnan(v))
        v = 0.0;
    if (IsIntegral(c.dataType))
        v = std::round(v);
    if (c.dataType == VAL_FLOAT)
        v = static_cast<double>(static_cast<float>(v));
    return std::clamp(v, c.minV, c.maxV);
}

// Pushes the stored numeric value into the widget (which may round it for display).
void ShowNum(CtrlRec& c) {
    QSignalBlocker block(c.w);
    if (auto* d = qobject_cast<QDoubleSpinBox*>(c.w))
        d->setValue(c.num);
    else if (auto* s = qobject_cast<QSpinBox*>(c.w))
        s->setValue(
            static_cast<int>(std::clamp(std::round(c.num), double(INT_MIN), double(INT_MAX))));
}

void ShowLed(CtrlRec& c) {
    c.w->setAutoFillBackground(true);
    QPalette pal = c.w->palette();
    pal.setColor(QPalette::Window, ToColor(c.ledOn ? c.onColor : c.offColor));
    c.w->setPalette(pal);
}

void SetupNumeric(CtrlRec& c, const uilayout::Entry& e) {
    c.dataType = DataTypeOf(e);
    double lo, hi;
    TypeRange(c.dataType, &lo, &hi);
    auto* d = qobject_cast<QDoubleSpinBox*>(c.w);
    auto* s = qobject_cast<QSpinBox*>(c.w);
    if (s) { // an int spin box cannot hold more
        lo = std::max(lo, double(INT_MIN));
        hi = std::min(hi, double(INT_MAX));
    }
    const bool hasMin = e.props.count("minimum") > 0, hasMax = e.props.count("maximum") > 0;
    c.minV = hasMin ? (d ? d->minimum() : s ? s->minimum() : lo) : lo;
    c.maxV = hasMax ? (d ? d->maximum() : s ? s->maximum() : hi) : hi;
    c.minV = std::max(c.minV, lo);
    c.maxV = std::min(c.maxV, hi);
    if (auto* sb = qobject_cast<QAbstractSpinBox*>(c.w))
        sb->setKeyboardTracking(false);
    if (d) {
        d->setRange(c.minV, c.maxV);
        c.precision = d->decimals();
        c.num = d->value();
    } else if (s) {
        s->setRange(static_cast<int>(c.minV), static_cast<int>(c.maxV));
        c.precision = 0;
        c.num = s->value();
    }
    c.num = Coerce(c, c.num);
    c.defV = c.num;
    const int panel = c.panel, id = c.id;
    auto changed = [panel, id](double v) {
        CtrlRec* r = Ctrl(panel, id);
        if (!r || S().suppress > 0)
            return;
        r->num = Coerce(*r, v);
        Dispatch(panel, id, EVENT_VAL_CHANGED, 0, 0);
        Dispatch(panel, id, EVENT_COMMIT, 0, 0);
    };
    if (d)
        QObject::connect(d, &QDoubleSpinBox::valueChanged, d, changed);
    else if (s)
        QObject::connect(s, &QSpinBox::valueChanged, s, [changed](int v) { changed(v); });
}

void SetupTimer(CtrlRec& c, const uilayout::Entry& e) {
    c.w->hide();
    auto iv = e.props.find("interval");
    if (iv != e.props.end()) {
        bool ok = false;
        double v = iv->second.toDouble(&ok);
        if (ok && v > 0)
            c.interval = v;
    }
    auto en = e.props.find("enabled");
    c.enabled = en == e.props.end() || en->second != "false";
    c.timer = new QTimer(c.w);
    c.timer->setInterval(std::max(1, static_cast<int>(std::lround(c.interval * 1000.0))));
    const int panel = c.panel, id = c.id;
    QObject::connect(c.timer, &QTimer::timeout, c.timer, [panel, id]() {
        CtrlRec* r = Ctrl(panel, id);
        // Suspended ticks are dropped, not queued; a callback still running
        // inside event processing is not entered a second time.
        if (!r || S().timerSuspend > 0 || r->inTick)
            return;
        r->inTick = true;
        Dispatch(panel, id, EVENT_TIMER_TICK, 0, 0);
        if (CtrlRec* again = Ctrl(panel, id))
            again->inTick = false;
    });
    if (c.enabled)
        c.timer->start();
}

QLabel* BuddyLabel(PanelRec& p, QWidget* w) {
    for (QLabel* l : p.w->findChildren<QLabel*>())
        if (l->buddy() == w)
            return l;
    return nullptr;
}

} // namespace

void SetupControl(PanelRec& p, CtrlRec& c, const uilayout::Entry& e) {
    c.kind = KindOf(e);
    c.labelWidget = BuddyLabel(p, c.w);
    c.dimmed = !c.w->isEnabled();
    const int panel = c.panel, id = c.id;
    auto commit = [panel, id]() {
        if (S().suppress > 0)
            return;
        Dispatch(panel, id, EVENT_VAL_CHANGED, 0, 0);
        Dispatch(panel, id, EVENT_COMMIT, 0, 0);
    };
    switch (c.kind) {
    case CTRL_NUMERIC:
        SetupNumeric(c, e);
        break;
    case CTRL_STRING:
        if (auto* le = qobject_cast<QLineEdit*>(c.w)) {
            if (e.props.count("maxLength"))
                c.maxLen = le->maxLength();
            QObject::connect(le, &QLineEdit::textEdited, le, [panel, id](const QString&) {
                Dispatch(panel, id, EVENT_VAL_CHANGED, 0, 0);
            });
            QObject::connect(le, &QLineEdit::editingFinished, le, [le, panel, id]() {
                if (!le->isModified())
                    return;
                le->setModified(false);
                Dispatch(panel, id, EVENT_COMMIT, 0, 0);
            });
        }
        break;
    case CTRL_TEXT_MSG:
        if (auto* l = qobject_cast<QLabel*>(c.w))
            l->setTextFormat(Qt::PlainText);
        break;
    case CTRL_HYPERLINK:
        if (auto* l = qobject_cast<QLabel*>(c.w)) {
            l->setTextFormat(Qt::RichText);
            l->setOpenExternalLinks(true);
            l->setTextInteractionFlags(Qt::TextBrowserInteraction);
        }
        break;
    case CTRL_RING:
        if (auto* cb = qobject_cast<QComboBox*>(c.w)) {
            QStringList vals;
            auto v = e.props.find("values");
            if (v != e.props.end())
                vals = v->second.split(',', Qt::SkipEmptyParts);
            for (int i = 0; i < cb->count(); ++i) {
                bool ok = false;
                int val = i < vals.size() ? vals[i].trimmed().toInt(&ok) : i;
                cb->setItemData(i, ok || i >= vals.size() ? val : i);
            }
            QObject::connect(cb, &QComboBox::activated, cb, [commit](int) { commit(); });
        }
        break;
    case CTRL_LIST_BOX:
        if (auto* lw = qobject_cast<QListWidget*>(c.w)) {
            QStringList vals;
            auto v = e.props.find("values");
            if (v != e.props.end())
                vals = v->second.split(',', Qt::SkipEmptyParts);
            for (int i = 0; i < lw->count(); ++i) {
                bool ok = false;
                int val = i < vals.size() ? vals[i].trimmed().toInt(&ok) : i;
                lw->item(i)->setData(Qt::UserRole, ok || i >= vals.size() ? val : i);
            }
            // A list box with items always has one selected.
            if (lw->count() > 0 && lw->currentRow() < 0)
                lw->setCurrentRow(0);
            QObject::connect(lw, &QListWidget::currentRowChanged, lw,
                             [panel, id](int) { Dispatch(panel, id, EVENT_VAL_CHANGED, 0, 0); });
            QObject::connect(lw, &QListWidget::itemActivated, lw, [panel, id](QListWidgetItem*) {
                Dispatch(panel, id, EVENT_COMMIT, 0, 0);
            });
        }
        break;
    case CTRL_RADIO:
    case CTRL_CHECK_BOX:
    case CTRL_COMMAND_BUTTON:
    case CTRL_BINARY_SWITCH:
        if (auto* b = qobject_cast<QAbstractButton*>(c.w)) {
            // Radio groups are kept exclusive by the program, not by the toolkit.
            if (c.kind == CTRL_RADIO)
                b->setAutoExclusive(false);
            if (c.kind == CTRL_BINARY_SWITCH) {
                b->setCheckable(true);
                auto on = e.props.find("onValue"), off = e.props.find("offValue");
                if (on != e.props.end())
                    c.onValue = on->second.toInt();
                if (off != e.props.end())
                    c.offValue = off->second.toInt();
            }
            if (c.kind == CTRL_COMMAND_BUTTON) {
                QObject::connect(b, &QAbstractButton::clicked, b,
                                 [panel, id]() { Dispatch(panel, id, EVENT_COMMIT, 0, 0); });
            } else {
                QObject::connect(b, &QAbstractButton::clicked, b, [commit](bool) { commit(); });
            }
        }
        break;
    case CTRL_LED:
        ShowLed(c);
        break;
    case CTRL_TAB:
        if (auto* tab = qobject_cast<QTabWidget*>(c.w))
            QObject::connect(tab, &QTabWidget::currentChanged, tab, [panel, id](int index) {
                Dispatch(panel, id, EVENT_VAL_CHANGED, index, 0);
            });
        break;
    case CTRL_TABLE:
        SetupTable(c);
        break;
    case CTRL_PROGRESS:
        if (auto* pb = qobject_cast<QProgressBar*>(c.w)) {
            pb->setRange(0, 100);
            c.num = pb->value() < 0 ? 0 : pb->value();
        }
        break;
    case CTRL_TIMER:
        SetupTimer(c, e);
        break;
    case CTRL_GRAPH:
        SetupGraph(c);
        break;
    default:
        break;
    }
}

void DestroyPanelTimers(PanelRec& p) {
    for (auto& [id, c] : p.ctrls)
        if (c->timer)
            c->timer->stop();
}

void ApplyColors(CtrlRec& c) {
    QPalette pal = c.w->palette();
    if (c.textColor >= 0) {
        QColor t = ToColor(c.textColor);
        pal.setColor(QPalette::WindowText, t);
        pal.setColor(QPalette::Text, t);
        pal.setColor(QPalette::ButtonText, t);
    }
    if (c.bgColor >= 0) {
        QColor b = ToColor(c.bgColor);
        pal.setColor(QPalette::Base, b);
        pal.setColor(QPalette::Window, b);
        c.w->setAutoFillBackground(true);
    }
    if (c.buttonColor >= 0)
        pal.setColor(QPalette::Button, ToColor(c.buttonColor));
    c.w->setPalette(pal);
}

} // namespace uiimpl

using namespace uiimpl;

namespace {

using Val = std::variant<int, double, QString>;

bool AsDouble(const Val& v, double* d) {
    if (auto* i = std::get_if<int>(&v))
        *d = *i;
    else if (auto* x = std::get_if<double>(&v))
        *d = *x;
    else
        return false;
    return true;
}

bool AsInt(const Val& v, int* out) {
    double d;
    if (!AsDouble(v, &d) || std::isnan(d))
        return false;
    *out = static_cast<int>(std::clamp(std::round(d), double(INT_MIN), double(INT_MAX)));
    return true;
}

int ItemCount(CtrlRec& c) {
    if (auto* cb = qobject_cast<QComboBox*>(c.w))
        return cb->count();
    if (auto* lw = qobject_cast<QListWidget*>(c.w))
        return lw->count();
    return -1;
}
int ItemValue(CtrlRec& c, int i) {
    if (auto* cb = qobject_cast<QComboBox*>(c.w))
        return cb->itemData(i).toInt();
    return qobject_cast<QListWidget*>(c.w)->item(i)->data(Qt::UserRole).toInt();
}
QString ItemLabel(CtrlRec& c, int i) {
    if (auto* cb = qobject_cast<QComboBox*>(c.w))
        return cb->itemText(i);
    return qobject_cast<QListWidget*>(c.w)->item(i)->text();
}
int CurrentIndex(CtrlRec& c) {
    if (auto* cb = qobject_cast<QComboBox*>(c.w))
        return cb->currentIndex();
    if (auto* lw = qobject_cast<QListWidget*>(c.w))
        return lw->currentRow();
    return -1;
}
void SelectIndex(CtrlRec& c, int i) {
    QSignalBlocker block(c.w);
    if (auto* cb = qobject_cast<QComboBox*>(c.w))
        cb->setCurrentIndex(i);
    else if (auto* lw = qobject_cast<QListWidget*>(c.w))
        lw->setCurrentRow(i);
}

int SetNum(CtrlRec& c, double v) {
    QSignalBlocker block(c.w);
    switch (c.kind) {
    case CTRL_NUMERIC:
        c.num = Coerce(c, v);
        ShowNum(c);
        return 0;
    case CTRL_RING:
    case CTRL_LIST_BOX: {
        int n = ItemCount(c);
        for (int i = 0; i < n; ++i)
            if (ItemValue(c, i) == v) {
                SelectIndex(c, i);
                return 0;
            }
        return Fail(UI_ERR_RANGE, "no item with that value");
    }
    case CTRL_RADIO:
    case CTRL_CHECK_BOX:
        qobject_cast<QAbstractButton*>(c.w)->setChecked(v != 0);
        return 0;
    case CTRL_BINARY_SWITCH: {
        auto* b = qobject_cast<QAbstractButton*>(c.w);
        if (v == c.onValue)
            b->setChecked(true);
        else if (v == c.offValue)
            b->setChecked(false);
        else
            return Fail(UI_ERR_RANGE, "value is neither the on nor the off value");
        return 0;
    }
    case CTRL_LED:
        c.ledOn = v != 0;
        ShowLed(c);
        return 0;
    case CTRL_PROGRESS:
        c.num = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 100.0);
        qobject_cast<QProgressBar*>(c.w)->setValue(static_cast<int>(std::lround(c.num)));
        return 0;
    case CTRL_TAB: {
        auto* tab = qobject_cast<QTabWidget*>(c.w);
        int i = static_cast<int>(v);
        if (i < 0 || i >= tab->count())
            return UI_ERR_RANGE;
        tab->setCurrentIndex(i);
        return 0;
    }
    default:
        return Fail(UI_ERR_TYPE, "control takes no number");
    }
}

int GetNum(CtrlRec& c, double* v) {
    switch (c.kind) {
    case CTRL_NUMERIC:
    case CTRL_PROGRESS:
        *v = c.num;
        return 0;
    case CTRL_RING:
    case CTRL_LIST_BOX: {
        int i = CurrentIndex(c);
        if (i < 0)
            return Fail(UI_ERR_RANGE, "no item selected");
        *v = ItemValue(c, i);
        return 0;
    }
    case CTRL_RADIO:
    case CTRL_CHECK_BOX:
        *v = qobject_cast<QAbstractButton*>(c.w)->isChecked() ? 1 : 0;
        return 0;
    case CTRL_BINARY_SWITCH:
        *v = qobject_cast<QAbstractButton*>(c.w)->isChecked() ? c.onValue : c.offValue;
        return 0;
    case CTRL_LED:
        *v = c.ledOn ? 1 : 0;
        return 0;
    case CTRL_TAB:
        *v = qobject_cast<QTabWidget*>(c.w)->currentIndex();
        return 0;
    default:
        return Fail(UI_ERR_TYPE, "control holds no number");
    }
}

int SetStr(CtrlRec& c, const QString& s) {
    QSignalBlocker block(c.w);
    switch (c.kind) {
    case CTRL_STRING: {
        auto* le = qobject_cast<QLineEdit*>(c.w);
        if (!le)
            return UI_ERR_TYPE;
        le->setText(c.maxLen >= 0 ? s.left(c.maxLen) : s);
        le->setModified(false);
        return 0;
    }
    case CTRL_TEXT_MSG:
    case CTRL_HYPERLINK:
        if (auto* l = qobject_cast<QLabel*>(c.w))
            l->setText(s);
        else
            return UI_ERR_TYPE;
        return 0;
    case CTRL_TEXT_BOX:
        if (auto* pt = qobject_cast<QPlainTextEdit*>(c.w)) {
            pt->moveCursor(QTextCursor::End);
            pt->insertPlainText(s);
        } else if (auto* te = qobject_cast<QTextEdit*>(c.w)) {
            te->moveCursor(QTextCursor::End);
            te->insertPlainText(s);
        } else {
            return UI_ERR_TYPE;
        }
        return 0;
    case CTRL_RING:
    case CTRL_LIST_BOX: {
        int n = ItemCount(c);
        for (int i = 0; i < n; ++i)
            if (ItemLabel(c, i) == s) {
                SelectIndex(c, i);
                return 0;
            }
        return Fail(UI_ERR_RANGE, "no item with that label");
    }
    default:
        return Fail(UI_ERR_TYPE, "control takes no text");
    }
}

int GetStr(CtrlRec& c, QString* s) {
    switch (c.kind) {
    case CTRL_STRING:
        if (auto* le = qobject_cast<QLineEdit*>(c.w))
            *s = le->text();
        else
            return UI_ERR_TYPE;
        return 0;
    case CTRL_TEXT_MSG:
    case CTRL_HYPERLINK:
    case CTRL_PICTURE:
        if (auto* l = qobject_cast<QLabel*>(c.w))
            *s = l->text();
        else
            return UI_ERR_TYPE;
        return 0;
    case CTRL_TEXT_BOX:
        if (auto* pt = qobject_cast<QPlainTextEdit*>(c.w))
            *s = pt->toPlainText();
        else if (auto* te = qobject_cast<QTextEdit*>(c.w))
            *s = te->toPlainText();
        else
            return UI_ERR_TYPE;
        return 0;
    case CTRL_RING:
    case CTRL_LIST_BOX: {
        int i = CurrentIndex(c);
        if (i < 0)
            return Fail(UI_ERR_RANGE, "no item selected");
        *s = ItemLabel(c, i);
        return 0;
    }
    default:
        return Fail(UI_ERR_TYPE, "control holds no text");
    }
}

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

int SetAttr(CtrlRec& c, int attr, const Val& v) {
    Quiet quiet;
    QSignalBlocker block(c.w);
    int i = 0;
    double d = 0;
    const bool isNum = AsDouble(v, &d);
    AsInt(v, &i);
    const QString* s = std::get_if<QString>(&v);
    switch (attr) {
    case ATTR_CTRL_VAL:
        return s ? SetStr(c, *s) : SetNum(c, d);
    case ATTR_LABEL_TEXT:
        if (!s)
            return UI_ERR_TYPE;
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
            return UI_ERR_TYPE;
        c.w->setToolTip(*s);
        return 0;
    default:
        break;
    }
    if (!isNum)
        return UI_ERR_TYPE;
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
        return 0;
    case ATTR_OFF_COLOR:
        c.offColor = i & 0xFFFFFF;
        if (c.kind == CTRL_LED)
            ShowLed(c);
        return 0;
    case ATTR_PRECISION:
        if (i < 0 || i > 15)
            return UI_ERR_RANGE;
        c.precision = i;
        if (auto* ds = qobject_cast<QDoubleSpinBox*>(c.w)) {
            ds->setDecimals(i);
            ds->setRange(c.minV, c.maxV);
            ShowNum(c);
        }
        return 0;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE: {
        if (c.kind != CTRL_NUMERIC)
            return UI_ERR_ATTRIBUTE;
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
            return UI_ERR_ATTRIBUTE;
        c.onValue = i;
        return 0;
    }
    case ATTR_OFF_VALUE:
        if (c.kind != CTRL_BINARY_SWITCH)
            return UI_ERR_ATTRIBUTE;
        c.offValue = i;
        return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        if (auto* le = qobject_cast<QLineEdit*>(c.w)) {
            c.maxLen = i < 0 ? -1 : i;
            le->setMaxLength(c.maxLen < 0 ? 32767 : c.maxLen);
            return 0;
        }
        return UI_ERR_ATTRIBUTE;
    case ATTR_INTERVAL:
        if (!c.timer)
            return UI_ERR_ATTRIBUTE;
        if (!(d > 0))
            return UI_ERR_RANGE;
        c.interval = d;
        c.timer->setInterval(std::max(1, static_cast<int>(std::lround(d * 1000.0))));
        return 0;
    case ATTR_ENABLED:
        if (!c.timer)
            return UI_ERR_ATTRIBUTE;
        c.enabled = i != 0;
        if (c.enabled && !c.timer->isActive())
            c.timer->start();
        else if (!c.enabled)
            c.timer->stop();
        return 0;
    default:
        return UI_ERR_ATTRIBUTE;
    }
}

int GetAttr(CtrlRec& c, int attr, Val* out) {
    switch (attr) {
    case ATTR_CTRL_VAL: {
        double d;
        if (GetNum(c, &d) == 0) {
            *out = d;
            return 0;
        }
        QString s;
        int r = GetStr(c, &s);
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
    case ATTR_MIN_VALUE:
        if (c.kind != CTRL_NUMERIC)
            return UI_ERR_ATTRIBUTE;
        *out = c.minV;
        return 0;
    case ATTR_MAX_VALUE:
        if (c.kind != CTRL_NUMERIC)
            return UI_ERR_ATTRIBUTE;
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
            return UI_ERR_ATTRIBUTE;
        *out = c.onValue;
        return 0;
    case ATTR_OFF_VALUE:
        if (c.kind != CTRL_BINARY_SWITCH)
            return UI_ERR_ATTRIBUTE;
        *out = c.offValue;
        return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        *out = c.maxLen;
        return 0;
    case ATTR_INTERVAL:
        if (!c.timer)
            return UI_ERR_ATTRIBUTE;
        *out = c.interval;
        return 0;
    case ATTR_ENABLED:
        if (!c.timer)
            return UI_ERR_ATTRIBUTE;
        *out = c.enabled ? 1 : 0;
        return 0;
    case ATTR_DATA_TYPE:
        if (c.kind != CTRL_NUMERIC)
            return UI_ERR_ATTRIBUTE;
        *out = c.dataType;
        return 0;
    case ATTR_CTRL_KIND:
        *out = c.kind;
        return 0;
    default:
        return UI_ERR_ATTRIBUTE;
    }
}

template <typename T> int GetIntegral(int panel, int control, T* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    double d;
    int r = GetNum(*c, &d);
    if (r)
        return r;
    d = std::round(d);
    *value = static_cast<T>(std::clamp(d, double(std::numeric_limits<T>::lowest()),
                                       double(std::numeric_limits<T>::max())));
    return 0;
}

// Copies UTF-8 text into a caller's buffer without splitting a character.
int CopyOut(const QString& s, char* out, std::size_t size) {
    if (!out || size == 0)
        return UI_ERR_BUFFER;
    QByteArray b = s.toUtf8();
    std::size_t n = static_cast<std::size_t>(b.size());
    bool cut = false;
    if (n > size - 1) {
        n = size - 1;
        while (n > 0 && (static_cast<unsigned char>(b[static_cast<qsizetype>(n)]) & 0xC0) == 0x80)
            --n;
        cut = true;
    }
    std::memcpy(out, b.constData(), n);
    out[n] = '\0';
    return cut ? UI_ERR_BUFFER : 0;
}

} // namespace

int SetCtrlVal(int panel, int control, int value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    return SetNum(*c, value);
}

int SetCtrlVal(int panel, int control, unsigned value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    return SetNum(*c, static_cast<double>(value));
}

int SetCtrlVal(int panel, int control, double value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    return SetNum(*c, value);
}

int SetCtrlVal(int panel, int control, const char* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    Quiet quiet;
    return SetStr(*c, QString::fromUtf8(value));
}

int GetCtrlVal(int panel, int control, int* value) {
    return GetIntegral(panel, control, value);
}
int GetCtrlVal(int panel, int control, short* value) {
    return GetIntegral(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned* value) {
    return GetIntegral(panel, control, value);
}
int GetCtrlVal(int panel, int control, unsigned short* value) {
    return GetIntegral(panel, control, value);
}

int GetCtrlVal(int panel, int control, char* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    if (c->kind == CTRL_NUMERIC)
        return GetIntegral(panel, control, value);
    QString s;
    int r = GetStr(*c, &s);
    if (r)
        return r;
    std::size_t limit = c->maxLen >= 0 ? static_cast<std::size_t>(c->maxLen) : 255;
    CopyOut(s, value, limit + 1);
    return 0;
}

int GetCtrlVal(int panel, int control, char* value, std::size_t size) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    QString s;
    int r = GetStr(*c, &s);
    if (r)
        return r;
    return CopyOut(s, value, size);
}

int GetCtrlVal(int panel, int control, float* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    double d;
    int r = GetNum(*c, &d);
    if (r == 0)
        *value = static_cast<float>(d);
    return r;
}

int GetCtrlVal(int panel, int control, double* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    return GetNum(*c, value);
}

int GetCtrlVal(int panel, int control, std::string* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    QString s;
    int r = GetStr(*c, &s);
    if (r == 0)
        *value = s.toStdString();
    return r;
}

int SetCtrlAttribute(int panel, int control, int attr, int value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return SetAttr(*c, attr, Val(value));
}

int SetCtrlAttribute(int panel, int control, int attr, double value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    return SetAttr(*c, attr, Val(value));
}

int SetCtrlAttribute(int panel, int control, int attr, const char* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    return SetAttr(*c, attr, Val(QString::fromUtf8(value)));
}

int GetCtrlAttribute(int panel, int control, int attr, int* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return UI_ERR_TYPE;
    Val v;
    int r = GetAttr(*c, attr, &v);
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
        return UI_ERR_TYPE;
    Val v;
    int r = GetAttr(*c, attr, &v);
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
        return UI_ERR_TYPE;
    Val v;
    int r = GetAttr(*c, attr, &v);
    if (r)
        return r;
    auto* s = std::get_if<QString>(&v);
    if (!s)
        return UI_ERR_TYPE;
    *value = s->toStdString();
    return 0;
}

int DefaultCtrl(int panel, int control) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    switch (c->kind) {
    case CTRL_NUMERIC:
    case CTRL_CHECK_BOX:
    case CTRL_RADIO:
    case CTRL_LED:
    case CTRL_PROGRESS:
        return SetNum(*c, c->defV);
    case CTRL_BINARY_SWITCH:
        return SetNum(*c, c->defV == c->onValue ? c->onValue : c->offValue);
    case CTRL_STRING:
        return SetStr(*c, QString());
    default:
        return 0;
    }
}

// --------------------------------------------------------- list items
int ClearListCtrl(int panel, int control) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    QSignalBlocker block(c->w);
    if (auto* cb = qobject_cast<QComboBox*>(c->w))
        cb->clear();
    else if (auto* lw = qobject_cast<QListWidget*>(c->w))
        lw->clear();
    else
        return UI_ERR_TYPE;
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (index < 0 || index > n)
        index = n;
    Quiet quiet;
    QSignalBlocker block(c->w);
    QString text = QString::fromUtf8(label ? label : "");
    if (auto* cb = qobject_cast<QComboBox*>(c->w)) {
        cb->insertItem(index, text, value);
    } else if (auto* lw = qobject_cast<QListWidget*>(c->w)) {
        auto* item = new QListWidgetItem(text);
        item->setData(Qt::UserRole, value);
        lw->insertItem(index, item);
        if (lw->currentRow() < 0)
            lw->setCurrentRow(0);
    }
    return 0;
}

int DeleteListItem(int panel, int control, int index, int count) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (index < 0 || index >= n)
        return UI_ERR_RANGE;
    if (count < 0 || index + count > n)
        count = n - index;
    Quiet quiet;
    QSignalBlocker block(c->w);
    for (int k = 0; k < count; ++k) {
        if (auto* cb = qobject_cast<QComboBox*>(c->w))
            cb->removeItem(index);
        else if (auto* lw = qobject_cast<QListWidget*>(c->w))
            delete lw->takeItem(index);
    }
    return 0;
}

int GetNumListItems(int panel, int control, int* count) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (count)
        *count = n;
    return 0;
}

int GetCtrlIndex(int panel, int control, int* index) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (ItemCount(*c) < 0)
        return UI_ERR_TYPE;
    if (index)
        *index = CurrentIndex(*c);
    return 0;
}

int SetCtrlIndex(int panel, int control, int index) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (index < 0 || index >= n)
        return UI_ERR_RANGE;
    Quiet quiet;
    SelectIndex(*c, index);
    return 0;
}

int GetLabelFromIndex(int panel, int control, int index, std::string* label) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (index < 0 || index >= n)
        return UI_ERR_RANGE;
    if (label)
        *label = ItemLabel(*c, index).toStdString();
    return 0;
}

int GetValueFromIndex(int panel, int control, int index, int* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    int n = ItemCount(*c);
    if (n < 0)
        return UI_ERR_TYPE;
    if (index < 0 || index >= n)
        return UI_ERR_RANGE;
    if (value)
        *value = ItemValue(*c, index);
    return 0;
}

// ------------------------------------------------------------ text box
int SetCtrlText(int panel, int control, const char* text) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    QSignalBlocker block(c->w);
    QString t = QString::fromUtf8(text ? text : "");
    if (auto* pt = qobject_cast<QPlainTextEdit*>(c->w))
        pt->setPlainText(t);
    else if (auto* te = qobject_cast<QTextEdit*>(c->w))
        te->setPlainText(t);
    else
        return SetStr(*c, t);
    return 0;
}

int AppendTextBoxLine(int panel, int control, const char* line) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    Quiet quiet;
    QSignalBlocker block(c->w);
    QString t = QString::fromUtf8(line ? line : "");
    if (auto* pt = qobject_cast<QPlainTextEdit*>(c->w))
        pt->appendPlainText(t);
    else if (auto* te = qobject_cast<QTextEdit*>(c->w))
        te->append(t.toHtmlEscaped());
    else
        return UI_ERR_TYPE;
    return 0;
}

int ResetTextBox(int panel, int control, const char* text) {
    CtrlRec* c = Ctrl(panel, control);
    if (c && c->kind != CTRL_TEXT_BOX)
        return UI_ERR_TYPE;
    return SetCtrlText(panel, control, text);
}

int GetNumTextBoxLines(int panel, int control, int* lines) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    const QTextDocument* doc = nullptr;
    if (auto* pt = qobject_cast<QPlainTextEdit*>(c->w))
        doc = pt->document();
    else if (auto* te = qobject_cast<QTextEdit*>(c->w))
        doc = te->document();
    if (!doc)
        return UI_ERR_TYPE;
    if (lines)
        *lines = doc->isEmpty() ? 0 : doc->blockCount();
    return 0;
}

int SetProgress(int panel, int control, double percent) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (c->kind != CTRL_PROGRESS)
        return UI_ERR_TYPE;
    Quiet quiet;
    return SetNum(*c, percent);
}

int DisplayImageFile(int panel, int control, const char* path) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    auto* l = qobject_cast<QLabel*>(c->w);
    if (!l)
        return UI_ERR_TYPE;
    QPixmap pm;
    if (!path || !pm.load(QString::fromLocal8Bit(path)))
        return Fail(UI_ERR_FILE, std::string("cannot read image ") + (path ? path : ""));
    Quiet quiet;
    l->setPixmap(pm);
    return 0;
}
