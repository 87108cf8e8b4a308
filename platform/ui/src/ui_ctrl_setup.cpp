// Controls: kinds and set-up of every control as it is loaded, numeric limits, timers.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
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
} // namespace

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

// A switch shows its state by a lamp beside its text, lit in the on colour.
void ShowSwitch(CtrlRec& c) {
    auto* b = qobject_cast<QAbstractButton*>(c.w);
    if (!b)
        return;
    const int side = std::max(8, b->fontMetrics().height() - 2);
    const qreal dpr = b->devicePixelRatioF();
    QPixmap pm(QSize(side, side) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor lamp = ToColor(b->isChecked() ? c.onColor : c.offColor);
    painter.setPen(QPen(lamp.darker(160), 1.0));
    painter.setBrush(lamp);
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    painter.end();
    b->setIcon(QIcon(pm));
    b->setIconSize(QSize(side, side));
}

namespace {

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
        // Texts the program sets are shown as they are, unless the resource
        // file declares the label's format (a help text in rich text).
        if (auto* l = qobject_cast<QLabel*>(c.w); l && !e.props.count("textFormat"))
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
                ShowSwitch(c);
                QObject::connect(b, &QAbstractButton::toggled, b, [panel, id](bool) {
                    if (CtrlRec* r = Ctrl(panel, id))
                        ShowSwitch(*r);
                });
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
        if (auto* tab = qobject_cast<QTabWidget*>(c.w)) {
            UseTabStyle(tab->tabBar());
            QObject::connect(tab, &QTabWidget::currentChanged, tab, [panel, id](int index) {
                Dispatch(panel, id, EVENT_VAL_CHANGED, index, 0);
            });
        }
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
        // A dimmed control keeps the style's dimmed text, whatever its colour.
        const QColor t = ToColor(c.textColor);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            for (QPalette::ColorRole role :
                 {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                pal.setColor(group, role, t);
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
