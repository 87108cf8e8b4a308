// A number field shown empty, as a field with no instrument behind it.
#include <QAbstractSpinBox>

#include "ui_test_support.h"

namespace {

// Emptied, the field shows no number and reads as its default; the next value
// set shows again, the default one too.
TEST_F(UiTest, BlankedNumberShowsNothingUntilTheNextValue) {
    DisplayPanel(main_);
    for (int control : {MAIN_INT, MAIN_DBL}) {
        SCOPED_TRACE(control);
        auto* box = qobject_cast<QAbstractSpinBox*>(UiCtrlWidget(main_, control));
        ASSERT_NE(box, nullptr);
        double fresh = 0.0, value = 0.0;
        GetCtrlAttribute(main_, control, ATTR_DEFAULT_VALUE, &fresh);
        SetCtrlVal(main_, control, fresh + 1);
        EXPECT_EQ(BlankCtrl(main_, control), 0);
        EXPECT_EQ(box->text(), "");
        GetCtrlVal(main_, control, &value);
        EXPECT_EQ(value, fresh);
        SetCtrlVal(main_, control, fresh);
        EXPECT_FALSE(box->text().isEmpty());
        EXPECT_EQ(box->text().toDouble(), fresh);
    }
}

} // namespace
