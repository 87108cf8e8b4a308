// Controls: values, list items, text boxes, progress bars and images.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextEdit>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "ui_internal.h"

namespace uiimpl {

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

} // namespace uiimpl

using namespace uiimpl;

namespace {

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

} // namespace

namespace uiimpl {

int SetNum(CtrlRec& c, double v, Where where) {
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
        ShowSwitch(c);
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
        return Fail(c, UI_ERR_TYPE, "control takes no number", where);
    }
}

bool HoldsNumber(const CtrlRec& c) {
    switch (c.kind) {
    case CTRL_NUMERIC:
    case CTRL_PROGRESS:
    case CTRL_RING:
    case CTRL_LIST_BOX:
    case CTRL_RADIO:
    case CTRL_CHECK_BOX:
    case CTRL_BINARY_SWITCH:
    case CTRL_LED:
    case CTRL_TAB:
        return true;
    default:
        return false;
    }
}

int GetNum(CtrlRec& c, double* v, Where where) {
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
        return Fail(c, UI_ERR_TYPE, "control holds no number", where);
    }
}

int SetStr(CtrlRec& c, const QString& s, Where where) {
    QSignalBlocker block(c.w);
    switch (c.kind) {
    case CTRL_STRING: {
        auto* le = qobject_cast<QLineEdit*>(c.w);
        if (!le)
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
        le->setText(c.maxLen >= 0 ? s.left(c.maxLen) : s);
        le->setModified(false);
        return 0;
    }
    case CTRL_TEXT_MSG:
    case CTRL_HYPERLINK:
        if (auto* l = qobject_cast<QLabel*>(c.w))
            l->setText(s);
        else
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
        return 0;
    case CTRL_TEXT_BOX:
        if (auto* pt = qobject_cast<QPlainTextEdit*>(c.w)) {
            pt->moveCursor(QTextCursor::End);
            pt->insertPlainText(s);
        } else if (auto* te = qobject_cast<QTextEdit*>(c.w)) {
            te->moveCursor(QTextCursor::End);
            te->insertPlainText(s);
        } else {
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
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
        return Fail(c, UI_ERR_TYPE, "control takes no text", where);
    }
}

int GetStr(CtrlRec& c, QString* s, Where where) {
    switch (c.kind) {
    case CTRL_STRING:
        if (auto* le = qobject_cast<QLineEdit*>(c.w))
            *s = le->text();
        else
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
        return 0;
    case CTRL_TEXT_MSG:
    case CTRL_HYPERLINK:
    case CTRL_PICTURE:
        if (auto* l = qobject_cast<QLabel*>(c.w))
            *s = l->text();
        else
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
        return 0;
    case CTRL_TEXT_BOX:
        if (auto* pt = qobject_cast<QPlainTextEdit*>(c.w))
            *s = pt->toPlainText();
        else if (auto* te = qobject_cast<QTextEdit*>(c.w))
            *s = te->toPlainText();
        else
            return Fail(c, UI_ERR_TYPE, "its widget is of another kind", where);
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
        return Fail(c, UI_ERR_TYPE, "control holds no text", where);
    }
}
} // namespace uiimpl

namespace {

template <typename T>
int GetIntegral(int panel, int control, T* value, Where where = Where::current()) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err, where);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no place for the value", where);
    double d;
    int r = GetNum(*c, &d, where);
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
        return Fail(*c, UI_ERR_TYPE, "no value given");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
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
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
    return GetNum(*c, value);
}

int GetCtrlVal(int panel, int control, std::string* value) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (!value)
        return Fail(*c, UI_ERR_TYPE, "no place for the value");
    QString s;
    int r = GetStr(*c, &s);
    if (r == 0)
        *value = s.toStdString();
    return r;
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

int BlankCtrl(int panel, int control) {
    int err;
    CtrlRec* c = Ctrl(panel, control, &err);
    if (!c)
        return err;
    if (c->kind != CTRL_NUMERIC && c->kind != CTRL_STRING)
        return Fail(*c, UI_ERR_TYPE, "control shows neither a number nor a text");
    const int r = DefaultCtrl(panel, control);
    // The box's text goes; its value stays, so the next value set shows again.
    if (auto* box = qobject_cast<QAbstractSpinBox*>(c->w)) {
        QSignalBlocker block(box);
        box->clear();
    }
    return r;
}

// --------------------------------------------------------- list items
namespace {

// The ring or list box at (panel, control) and its number of items; nullptr
// with the error in *err for an unknown control or one of another type.
CtrlRec* ListCtrl(int panel, int control, int* count, int* err, Where where = Where::current()) {
    CtrlRec* c = Ctrl(panel, control, err, where);
    if (!c)
        return nullptr;
    *count = ItemCount(*c);
    if (*count < 0) {
        *err = Fail(*c, UI_ERR_TYPE, "not a ring or list box", where);
        return nullptr;
    }
    return c;
}

// The same for an existing item's index: UI_ERR_RANGE (no misuse) otherwise.
CtrlRec* ListItem(int panel, int control, int index, int* err, Where where = Where::current()) {
    int n = 0;
    CtrlRec* c = ListCtrl(panel, control, &n, err, where);
    if (c && (index < 0 || index >= n)) {
        *err = UI_ERR_RANGE;
        return nullptr;
    }
    return c;
}

} // namespace

int ClearListCtrl(int panel, int control) {
    int n, err;
    CtrlRec* c = ListCtrl(panel, control, &n, &err);
    if (!c)
        return err;
    Quiet quiet;
    QSignalBlocker block(c->w);
    if (auto* cb = qobject_cast<QComboBox*>(c->w))
        cb->clear();
    else
        qobject_cast<QListWidget*>(c->w)->clear();
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    int n, err;
    CtrlRec* c = ListCtrl(panel, control, &n, &err);
    if (!c)
        return err;
    if (index < 0 || index > n)
        index = n;
    Quiet quiet;
    QSignalBlocker block(c->w);
    QString text = QString::fromUtf8(label ? label : "");
    if (auto* cb = qobject_cast<QComboBox*>(c->w)) {
        cb->insertItem(index, text, value);
    } else {
        auto* lw = qobject_cast<QListWidget*>(c->w);
        auto* item = new QListWidgetItem(text);
        item->setData(Qt::UserRole, value);
        lw->insertItem(index, item);
        if (lw->currentRow() < 0)
            lw->setCurrentRow(0);
    }
    return 0;
}

int DeleteListItem(int panel, int control, int index, int count) {
    int n, err;
    CtrlRec* c = ListCtrl(panel, control, &n, &err);
    if (!c)
        return err;
    if (index < 0 || index >= n)
        return UI_ERR_RANGE;
    if (count < 0 || index + count > n)
        count = n - index;
    Quiet quiet;
    QSignalBlocker block(c->w);
    for (int k = 0; k < count; ++k) {
        if (auto* cb = qobject_cast<QComboBox*>(c->w))
            cb->removeItem(index);
        else
            delete qobject_cast<QListWidget*>(c->w)->takeItem(index);
    }
    return 0;
}

int GetNumListItems(int panel, int control, int* count) {
    int n, err;
    if (!ListCtrl(panel, control, &n, &err))
        return err;
    if (count)
        *count = n;
    return 0;
}

int GetCtrlIndex(int panel, int control, int* index) {
    int n, err;
    CtrlRec* c = ListCtrl(panel, control, &n, &err);
    if (!c)
        return err;
    if (index)
        *index = CurrentIndex(*c);
    return 0;
}

int SetCtrlIndex(int panel, int control, int index) {
    int err;
    CtrlRec* c = ListItem(panel, control, index, &err);
    if (!c)
        return err;
    Quiet quiet;
    SelectIndex(*c, index);
    return 0;
}

int GetLabelFromIndex(int panel, int control, int index, std::string* label) {
    int err;
    CtrlRec* c = ListItem(panel, control, index, &err);
    if (!c)
        return err;
    if (label)
        *label = ItemLabel(*c, index).toStdString();
    return 0;
}

int GetValueFromIndex(int panel, int control, int index, int* value) {
    int err;
    CtrlRec* c = ListItem(panel, control, index, &err);
    if (!c)
        return err;
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
        return Fail(*c, UI_ERR_TYPE, "not a text box");
    return 0;
}

int ResetTextBox(int panel, int control, const char* text) {
    CtrlRec* c = Ctrl(panel, control);
    if (c && c->kind != CTRL_TEXT_BOX)
        return Fail(*c, UI_ERR_TYPE, "not a text box");
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
        return Fail(*c, UI_ERR_TYPE, "not a text box");
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
        return Fail(*c, UI_ERR_TYPE, "not a progress bar");
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
        return Fail(*c, UI_ERR_TYPE, "not a picture");
    QPixmap pm;
    if (!path || !pm.load(QString::fromLocal8Bit(path)))
        return Fail(UI_ERR_FILE, std::string("cannot read image ") + (path ? path : ""));
    Quiet quiet;
    l->setPixmap(pm);
    return 0;
}
