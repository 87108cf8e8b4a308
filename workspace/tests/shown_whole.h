// Whether a widget shows its text whole, asked of the widget: its own font
// metrics against the room its style gives the text.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionTab>
#include <QTabBar>

namespace shown {

// The text of w when w does not show it whole, else "".  Line edits (the
// read-outs of the numeric boxes among them) are asked only while shown: they
// take their size when they are.
inline QString Cut(QWidget* w) {
    const QStyle* style = w->style();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const QSize need =
            label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
        const bool cut = need.width() > label->width() || need.height() > label->height();
        return cut && !label->text().isEmpty() ? label->text() : QString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->text().isEmpty())
            return {};
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        const auto room = qobject_cast<QCheckBox*>(button)      ? QStyle::SE_CheckBoxContents
                          : qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                                : QStyle::SE_PushButtonContents;
        const QRect r = style->subElementRect(room, &opt, button);
        QSize need = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        if (!button->icon().isNull())
            need.rwidth() += button->iconSize().width() + 4; // the lamp and its gap
        return need.width() > r.width() || need.height() > r.height() ? button->text() : QString();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const QString text = edit->displayText();
        if (text.isEmpty() || !edit->isVisible())
            return {};
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.rect = edit->rect();
        opt.lineWidth =
            edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
        const QRect r = style->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                            .marginsRemoved(edit->textMargins());
        // A line edit keeps two pixels free either side of its text.
        return edit->fontMetrics().horizontalAdvance(text) > r.width() - 4 ? text : QString();
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = combo->isEditable();
        opt.frame = combo->hasFrame();
        const QRect r =
            style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i)
            if (combo->fontMetrics().horizontalAdvance(combo->itemText(i)) > r.width())
                return combo->itemText(i);
    }
    return {};
}

// The label of tab i when it is out of sight or does not fit its tab.
inline QString CutTab(QTabBar* bar, int i, bool bold) {
    const QRect rect = bar->tabRect(i);
    if (!bar->rect().contains(rect))
        return bar->tabText(i);
    QStyleOptionTab opt;
    opt.initFrom(bar);
    opt.rect = rect;
    opt.text = bar->tabText(i);
    opt.shape = bar->shape();
    const QRect r = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &opt, bar);
    QFont font = bar->font();
    font.setBold(bold);
    return QFontMetrics(font).horizontalAdvance(opt.text) > r.width() ? opt.text : QString();
}

} // namespace shown
