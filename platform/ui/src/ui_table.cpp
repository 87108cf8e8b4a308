// Table controls: a flat cell store behind a view, so thousands of rows by
// hundreds of columns cost a double per cell and draw only what is visible.
#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QLayout>
#include <QLocale>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <cmath>

#include "ui_internal.h"

namespace uiimpl {

struct TableModel : QAbstractTableModel {
    int panel = 0, ctrl = 0;
    int rows = 0, cols = 0;
    std::vector<double> num; // NaN: empty or text cell
    QHash<qint64, QString> text;
    QHash<qint64, QPair<int, int>> colors; // text, background; -1 = default
    std::vector<QString> rowLabels, colLabels;
    std::vector<int> precision; // per column, -1 shortest exact

    explicit TableModel(QObject* parent) : QAbstractTableModel(parent) {}

    qint64 key(int r, int c) const { return static_cast<qint64>(r) * cols + c; }
    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : rows; }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : cols; }

    QString shown(int r, int c) const {
        auto t = text.find(key(r, c));
        if (t != text.end())
            return *t;
        double v = num[static_cast<std::size_t>(key(r, c))];
        if (std::isnan(v))
            return {};
        int p = precision[static_cast<std::size_t>(c)];
        return p >= 0 ? QString::number(v, 'f', p)
                      : QString::number(v, 'g', QLocale::FloatingPointShortest);
    }

    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid() || i.row() >= rows || i.column() >= cols)
            return {};
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return shown(i.row(), i.column());
        if (role == Qt::ForegroundRole || role == Qt::BackgroundRole) {
            auto it = colors.find(key(i.row(), i.column()));
            if (it == colors.end())
                return {};
            int col = role == Qt::ForegroundRole ? it->first : it->second;
            if (col < 0)
                return {};
            return QBrush(ToColor(col));
        }
        return {};
    }

    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal && s >= 0 && s < cols)
            return colLabels[static_cast<std::size_t>(s)].isNull()
                       ? QString::number(s + 1)
                       : colLabels[static_cast<std::size_t>(s)];
        if (o == Qt::Vertical && s >= 0 && s < rows)
            return rowLabels[static_cast<std::size_t>(s)].isNull()
                       ? QString::number(s + 1)
                       : rowLabels[static_cast<std::size_t>(s)];
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& i) const override {
        return i.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                           : Qt::NoItemFlags;
    }

    bool setData(const QModelIndex& i, const QVariant& v, int role) override {
        if (role != Qt::EditRole || !i.isValid())
            return false;
        const QString s = v.toString();
        bool ok = false;
        double d = s.trimmed().toDouble(&ok);
        put(i.row(), i.column(), ok ? d : NAN, ok ? QString() : s);
        if (S().suppress == 0)
            Dispatch(panel, ctrl, EVENT_COMMIT, i.row() + 1, i.column() + 1);
        return true;
    }

    void put(int r, int c, double v, const QString& t) {
        num[static_cast<std::size_t>(key(r, c))] = v;
        if (t.isNull())
            text.remove(key(r, c));
        else
            text[key(r, c)] = t;
        emit dataChanged(index(r, c), index(r, c));
    }

    void resizeTo(int nr, int nc) {
        beginResetModel();
        std::vector<double> n(static_cast<std::size_t>(nr) * static_cast<std::size_t>(nc), NAN);
        QHash<qint64, QString> nt;
        QHash<qint64, QPair<int, int>> ncol;
        for (int r = 0; r < std::min(rows, nr); ++r)
            for (int c = 0; c < std::min(cols, nc); ++c) {
                qint64 nk = static_cast<qint64>(r) * nc + c;
                n[static_cast<std::size_t>(nk)] = num[static_cast<std::size_t>(key(r, c))];
            }
        for (auto it = text.begin(); it != text.end(); ++it) {
            int r = static_cast<int>(it.key() / cols), c = static_cast<int>(it.key() % cols);
            if (r < nr && c < nc)
                nt[static_cast<qint64>(r) * nc + c] = it.value();
        }
        for (auto it = colors.begin(); it != colors.end(); ++it) {
            int r = static_cast<int>(it.key() / cols), c = static_cast<int>(it.key() % cols);
            if (r < nr && c < nc)
                ncol[static_cast<qint64>(r) * nc + c] = it.value();
        }
        num.swap(n);
        text.swap(nt);
        colors.swap(ncol);
        rows = nr;
        cols = nc;
        rowLabels.resize(static_cast<std::size_t>(nr));
        colLabels.resize(static_cast<std::size_t>(nc));
        precision.resize(static_cast<std::size_t>(nc), -1);
        endResetModel();
    }
};

void SetupTable(CtrlRec& c) {
    QWidget* old = c.w;
    auto* view = new QTableView(old->parentWidget());
    auto* model = new TableModel(view);
    model->panel = c.panel;
    model->ctrl = c.id;
    if (auto* tw = qobject_cast<QTableWidget*>(old)) {
        model->resizeTo(tw->rowCount(), tw->columnCount());
        for (int col = 0; col < tw->columnCount(); ++col)
            if (auto* h = tw->horizontalHeaderItem(col))
                model->colLabels[static_cast<std::size_t>(col)] = h->text();
        for (int r = 0; r < tw->rowCount(); ++r) {
            if (auto* h = tw->verticalHeaderItem(r))
                model->rowLabels[static_cast<std::size_t>(r)] = h->text();
            for (int col = 0; col < tw->columnCount(); ++col)
                if (auto* it = tw->item(r, col))
                    model->put(r, col, NAN, it->text());
        }
    }
    view->setModel(model);
    view->setObjectName(old->objectName());
    view->setGeometry(old->geometry());
    view->setSizePolicy(old->sizePolicy());
    view->setMinimumSize(old->minimumSize());
    view->setMaximumSize(old->maximumSize());
    view->setToolTip(old->toolTip());
    view->setEnabled(old->isEnabled());
    view->setFont(old->font());
    view->setProperty("ui_ctrl_id", c.id);
    view->setProperty("ui_ctrl_panel", c.panel);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    if (QWidget* parent = old->parentWidget(); parent && parent->layout())
        delete parent->layout()->replaceWidget(old, view);
    view->setVisible(!old->isHidden());
    delete old;
    c.w = view;
    c.table = model;
}

} // namespace uiimpl

using namespace uiimpl;

namespace {
TableModel* Table(int panel, int control, int* err, Where where = Where::current()) {
    CtrlRec* c = Ctrl(panel, control, err, where);
    if (!c)
        return nullptr;
    if (!c->table) {
        *err = Fail(*c, UI_ERR_TYPE, "not a table", where);
        return nullptr;
    }
    return c->table;
}
bool Cell(TableModel* t, int row, int col) {
    return row >= 1 && row <= t->rows && col >= 1 && col <= t->cols;
}
} // namespace

int SetTableSize(int panel, int control, int rows, int columns) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (rows < 0 || columns < 0)
        return UI_ERR_RANGE;
    Quiet quiet;
    t->resizeTo(rows, columns);
    return 0;
}

int GetTableSize(int panel, int control, int* rows, int* columns) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (rows)
        *rows = t->rows;
    if (columns)
        *columns = t->cols;
    return 0;
}

int SetTableCellVal(int panel, int control, int row, int column, double value) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    Quiet quiet;
    t->put(row - 1, column - 1, value, QString());
    return 0;
}

int SetTableCellVal(int panel, int control, int row, int column, const char* text) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    Quiet quiet;
    t->put(row - 1, column - 1, NAN, QString::fromUtf8(text ? text : ""));
    return 0;
}

int GetTableCellVal(int panel, int control, int row, int column, double* value) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    double v = t->num[static_cast<std::size_t>(t->key(row - 1, column - 1))];
    if (std::isnan(v)) {
        bool ok = false;
        auto it = t->text.find(t->key(row - 1, column - 1));
        if (it != t->text.end())
            v = it->trimmed().toDouble(&ok);
        if (!ok)
            return Fail(UI_ERR_TYPE, "cell " + std::to_string(row) + ", " + std::to_string(column) +
                                         " holds text, not a number");
    }
    if (value)
        *value = v;
    return 0;
}

int GetTableCellVal(int panel, int control, int row, int column, std::string* text) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    if (text)
        *text = t->shown(row - 1, column - 1).toStdString();
    return 0;
}

int SetTableColumnValues(int panel, int control, int column, const double* values, int count) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->cols || count < 0 || count > t->rows || (count > 0 && !values))
        return UI_ERR_RANGE;
    Quiet quiet;
    for (int r = 0; r < count; ++r) {
        t->num[static_cast<std::size_t>(t->key(r, column - 1))] = values[r];
        t->text.remove(t->key(r, column - 1));
    }
    if (count > 0)
        emit t->dataChanged(t->index(0, column - 1), t->index(count - 1, column - 1));
    return 0;
}

int SetTableRowLabel(int panel, int control, int row, const char* label) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (row < 1 || row > t->rows)
        return UI_ERR_RANGE;
    t->rowLabels[static_cast<std::size_t>(row - 1)] = QString::fromUtf8(label ? label : "");
    emit t->headerDataChanged(Qt::Vertical, row - 1, row - 1);
    return 0;
}

int SetTableColumnLabel(int panel, int control, int column, const char* label) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->cols)
        return UI_ERR_RANGE;
    t->colLabels[static_cast<std::size_t>(column - 1)] = QString::fromUtf8(label ? label : "");
    emit t->headerDataChanged(Qt::Horizontal, column - 1, column - 1);
    return 0;
}

int SetTableColumnWidth(int panel, int control, int column, int width) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->cols || width < 0)
        return UI_ERR_RANGE;
    qobject_cast<QTableView*>(Ctrl(panel, control)->w.data())->setColumnWidth(column - 1, width);
    return 0;
}

int FitTableColumnWidth(int panel, int control, int column, int minWidth) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->cols || minWidth < 0)
        return UI_ERR_RANGE;
    auto* view = qobject_cast<QTableView*>(Ctrl(panel, control)->w.data());
    // A cell's text lies inside the delegate's margin on either side and
    // left of the grid line.  Its width has a fraction, which the view
    // rounds up before it decides to cut the text short.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int extra = 2 * margin + (view->showGrid() ? 1 : 0);
    const QFontMetricsF metrics(view->font());
    int width = minWidth;
    for (int r = 0; r < t->rows; ++r) {
        const QString shown = t->shown(r, column - 1);
        if (!shown.isEmpty())
            width = std::max(width,
                             static_cast<int>(std::ceil(metrics.horizontalAdvance(shown))) + extra);
    }
    view->setColumnWidth(column - 1, width);
    return 0;
}

int SetTableCellColor(int panel, int control, int row, int column, int textColor, int bgColor) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    t->colors[t->key(row - 1, column - 1)] = {textColor < 0 ? -1 : textColor & 0xFFFFFF,
                                              bgColor < 0 ? -1 : bgColor & 0xFFFFFF};
    emit t->dataChanged(t->index(row - 1, column - 1), t->index(row - 1, column - 1));
    return 0;
}

int GetTableCellColor(int panel, int control, int row, int column, int* textColor, int* bgColor) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (!Cell(t, row, column))
        return UI_ERR_RANGE;
    auto it = t->colors.find(t->key(row - 1, column - 1));
    if (textColor)
        *textColor = it == t->colors.end() ? -1 : it->first;
    if (bgColor)
        *bgColor = it == t->colors.end() ? -1 : it->second;
    return 0;
}

int SetTableColumnPrecision(int panel, int control, int column, int precision) {
    int err;
    TableModel* t = Table(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->cols || precision < -1 || precision > 15)
        return UI_ERR_RANGE;
    t->precision[static_cast<std::size_t>(column - 1)] = precision;
    if (t->rows > 0)
        emit t->dataChanged(t->index(0, column - 1), t->index(t->rows - 1, column - 1));
    return 0;
}
