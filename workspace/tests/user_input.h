// What the user does to a loaded panel: picks an item of its menu bar,
// clicks one of its controls.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QWidget>

#include "ui/ui_qt.h"

namespace user_input {

// Chooses the menu item of `panel` named `item`, check-mark toggle included.
inline void Choose(int panel, const char* item) {
    QAction* a = UiPanelWidget(panel)->findChild<QAction*>(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
}

// Clicks the control near its left edge: a check box or radio button takes
// clicks on its indicator and label only, a button anywhere.
inline void Click(int panel, int control) {
    QWidget* w = UiCtrlWidget(panel, control);
    ASSERT_NE(w, nullptr) << control;
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
}

} // namespace user_input
