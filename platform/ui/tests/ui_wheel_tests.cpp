// The wheel over a control, as the user turns it.
#include <QApplication>
#include <QWheelEvent>
#include <QWidget>

#include "ui_test_support.h"

namespace {

// The wheel reaches the control's callback before the value moves; a
// callback returning 1 keeps the value as it was.
int g_swallow = 0;
double g_valueSeen = -1;
int WheelCb(int panel, int control, int event, void*, int d1, int d2) {
    Seen().push_back({panel, control, event, d1, d2});
    if (event != EVENT_MOUSE_WHEEL_SCROLL)
        return 0;
    GetCtrlVal(panel, control, &g_valueSeen);
    return g_swallow;
}

TEST_F(UiTest, WheelIsSwallowedWhenTheCallbackSaysSo) {
    RegisterCtrlCallback("CountingCb", WheelCb);
    ASSERT_EQ(SetCtrlVal(main_, MAIN_INT, 7), 0);
    QWidget* spin = UiCtrlWidget(main_, MAIN_INT);
    DisplayPanel(main_);
    for (int swallow : {1, 0}) {
        SCOPED_TRACE(swallow);
        g_swallow = swallow;
        Seen().clear();
        const QPointF at(spin->width() / 2.0, spin->height() / 2.0);
        QWheelEvent notch(at, spin->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(spin, &notch);
        double value = 0;
        GetCtrlVal(main_, MAIN_INT, &value);
        EXPECT_EQ(value, swallow ? 7 : 8);
        EXPECT_EQ(g_valueSeen, 7);
        ASSERT_FALSE(Seen().empty());
        EXPECT_EQ(Seen()[0].event, EVENT_MOUSE_WHEEL_SCROLL);
        EXPECT_EQ(Seen()[0].d1, 1);
        EXPECT_EQ(CountOf(MAIN_INT, EVENT_COMMIT), swallow ? 0 : 1);
    }
}

} // namespace
