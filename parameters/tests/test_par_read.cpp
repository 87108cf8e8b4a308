// Reading every parameter into the window, marking and writing a changed one,
// and the faults of a read, against the simulated instrument.
#include <cmath>

#include "par_test_support.h"

using partest::ParWindowTest;

namespace {

// Every row's control has the kind and data type the row converts to.
TEST_F(ParWindowTest, ControlsHoldTheTypesOfTheirRows) {
    for (int type : {0, 3}) {
        stParam.deviceType = static_cast<uint8_t>(type);
        PU_InitParameters();
        for (int i = 0; i < NumberOfParControls; ++i) {
            const auto& r = Parameter[static_cast<std::size_t>(i)];
            const int kind = Attr(PU_RowPanel(i), PU_RowControl(i), ATTR_CTRL_KIND);
            SCOPED_TRACE(std::string(r.control));
            switch (r.dataType) {
            case parameters::ParDataType::String:
                EXPECT_TRUE(kind == CTRL_STRING || kind == CTRL_BINARY_SWITCH);
                break;
            case parameters::ParDataType::Float:
                EXPECT_EQ(Attr(PU_RowPanel(i), PU_RowControl(i), ATTR_DATA_TYPE), VAL_FLOAT);
                break;
            case parameters::ParDataType::UInt:
                if (kind == CTRL_NUMERIC) {
                    EXPECT_EQ(Attr(PU_RowPanel(i), PU_RowControl(i), ATTR_DATA_TYPE),
                              VAL_UNSIGNED_INTEGER);
                } else {
                    EXPECT_EQ(kind, CTRL_RING);
                }
                break;
            default:
                EXPECT_TRUE(kind == CTRL_NUMERIC || kind == CTRL_BINARY_SWITCH);
            }
            EXPECT_EQ(PU_ControlID_to_Index(PU_RowPanel(i), PU_RowControl(i)), i);
        }
    }
    EXPECT_EQ(PU_ControlID_to_Index(hTabAdc, TAB_ADC_UT_CHAN), NumberOfParControls);
}

TEST_F(ParWindowTest, EveryParameterOfEachDeviceTypeReachesItsControl) {
    const struct { int type, rows; } cases[] = {{0, 94}, {1, 94}, {2, 94}, {3, 96}, {4, 95}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Open(c.type);
        ASSERT_EQ(PU_GetAllParam(), 0);
        EXPECT_EQ(NumberOfParControls, c.rows);
        // The instrument's store answers every parameter of its type.
        for (int i = 0; i < NumberOfParControls; ++i) {
            const auto& r = Parameter[static_cast<std::size_t>(i)];
            EXPECT_TRUE(bParAnswered[static_cast<std::size_t>(i)]) << r.control;
            EXPECT_EQ(Attr(PU_RowPanel(i), PU_RowControl(i), ATTR_VISIBLE), 1) << r.control;
        }
        int listed = 0;
        GetNumListItems(hParUtil, PARUTILITY_UT_ALPHABET, &listed);
        EXPECT_EQ(static_cast<std::size_t>(listed),
                  parameters::PU_AlphabeticalList(PU_CurrentTextRows()).size());

        // Values known from the instrument's description, in every type's
        // answer form; the corrections and averaging come by dedicated calls.
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(static_cast<float>(Number(Row(("UT_COR" + std::to_string(k)).c_str()))),
                      device.corrCoeff[k]);
        EXPECT_EQ(Number(Row("UT_CONFAVER")), 1.0);
        EXPECT_FLOAT_EQ(Number(Row("UT_TINT")), device.tintMs);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(static_cast<float>(Number(Row(("UT_FIT" + std::to_string(k)).c_str()))),
                      device.fit[k]);
        EXPECT_EQ(Text(hTabRoot, TAB_ROOT_UT_SERN), device.serial);
        EXPECT_EQ(Number(Row("UT_PIX")), device.pixelCount);
        // Three log lines per row: query, answer, empty.
        int lines = 0;
        GetNumTextBoxLines(hTabLog, TAB_LOG_UT_LOGTEXT, &lines);
        EXPECT_GE(lines, 3 * NumberOfParControls);
        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
    }
}

TEST_F(ParWindowTest, ChangedValueIsMarkedWrittenAndReadAgain) {
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE(type);
        Open(type);
        ReadAll();
        const int tint = Row("UT_TINT"), fit = Row("UT_FIT2");
        const int scan = PU_Index_to_TabIndex(tint), meas = PU_Index_to_TabIndex(fit);
        ASSERT_EQ(scan, 5);
        ASSERT_EQ(meas, 4);
        EXPECT_EQ(Attr(hTabScan, TAB_SCAN_UT_TINT, ATTR_TEXT_BGCOLOR), 0xF0F0F0);

        SetCtrlVal(hTabScan, TAB_SCAN_UT_TINT, 42.5);
        CallCtrlCallback(hTabScan, TAB_SCAN_UT_TINT, EVENT_COMMIT, 0, 0);
        EXPECT_NE(Sent().find("*PARA:TINT 4.250000e+01"), std::string::npos) << Sent();
        EXPECT_EQ(Attr(hTabScan, TAB_SCAN_UT_TINT, ATTR_TEXT_BGCOLOR), 0x0080FF);
        EXPECT_EQ(TabAttr(scan, ATTR_TAB_LABEL_COLOR), 0x0080FF);
        EXPECT_EQ(TabAttr(scan, ATTR_TAB_LABEL_BOLD), 1);
        EXPECT_EQ(TabAttr(meas, ATTR_TAB_LABEL_BOLD), 0);

        // A tiny fit coefficient goes out and comes back exactly.
        SetCtrlVal(hTabMeas, TAB_MEAS_UT_FIT2, 7e-7);
        CallCtrlCallback(hTabMeas, TAB_MEAS_UT_FIT2, EVENT_COMMIT, 0, 0);
        EXPECT_NE(Sent().find("*PARA:FIT2 7.000000e-07"), std::string::npos) << Sent();
        EXPECT_EQ(TabAttr(meas, ATTR_TAB_LABEL_BOLD), 1);
        EXPECT_EQ(Shown(), std::vector<std::string>{});

        SetCtrlVal(hTabMeas, TAB_MEAS_UT_FIT2, 0.0);
        SetCtrlVal(hTabScan, TAB_SCAN_UT_TINT, 1.0);
        ReadAll();
        EXPECT_EQ(Number(tint), 42.5);
        EXPECT_EQ(static_cast<float>(Number(fit)), 7e-7f);
        EXPECT_EQ(Attr(hTabScan, TAB_SCAN_UT_TINT, ATTR_TEXT_BGCOLOR), 0xF0F0F0);
        EXPECT_EQ(TabAttr(scan, ATTR_TAB_LABEL_BOLD) + TabAttr(meas, ATTR_TAB_LABEL_BOLD), 0);
        ZOLT_CloseDevice(dwCurrentDevice);
        dwCurrentDevice = 0;
    }
}

// Rows sharing a set command are written together, in table order.
TEST_F(ParWindowTest, SharedSetCommandSendsEveryValue) {
    Open(0);
    ReadAll();
    SetCtrlVal(hTabMeas, TAB_MEAS_UT_WRAN_START, 400.0);
    SetCtrlVal(hTabMeas, TAB_MEAS_UT_WRAN_END, 700.0);
    SetCtrlVal(hTabMeas, TAB_MEAS_UT_WRAN_STEP, 0.5);
    CallCtrlCallback(hTabMeas, TAB_MEAS_UT_WRAN_END, EVENT_COMMIT, 0, 0);
    EXPECT_NE(Sent().find("*PARA:WRAN 4.000000e+02 7.000000e+02 5.000000e-01"), std::string::npos)
        << Sent();
    EXPECT_EQ(Shown(), std::vector<std::string>{});
    // The instrument took all three.
    ReadAll();
    EXPECT_EQ(Number(Row("UT_WRAN_START")), 400.0);
    EXPECT_EQ(Number(Row("UT_WRAN_END")), 700.0);
    EXPECT_EQ(Number(Row("UT_WRAN_STEP")), 0.5);
    // A control without a row writes nothing.
    zsim_ClearJournal();
    CallCtrlCallback(hTabAdc, TAB_ADC_UT_CHAN, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Sent(), "");
}

TEST_F(ParWindowTest, FaultsDuringTheRead) {
    Open(0);
    // Refused query: that control is hidden and left out of the list.
    zsim_NakCommand("*PARA:TINT?");
    EXPECT_EQ(PU_GetAllParam(), 0);
    EXPECT_EQ(Attr(hTabScan, TAB_SCAN_UT_TINT, ATTR_VISIBLE), 0);
    EXPECT_EQ(Attr(hTabMeas, TAB_MEAS_UT_FIT0, ATTR_VISIBLE), 1);
    EXPECT_EQ(SetCtrlVal(hParUtil, PARUTILITY_UT_ALPHABET, "*PARA:TINT"), UI_ERR_RANGE);
    EXPECT_EQ(SetCtrlVal(hParUtil, PARUTILITY_UT_ALPHABET, "*PARA:FIT0"), 0);
    std::string log = Text(hTabLog, TAB_LOG_UT_LOGTEXT);
    EXPECT_NE(log.find("*PARA:TINT?<CR>\n<NAK>"), std::string::npos);
    zsim_ClearFaults();

    // Invalid handle half-way: the read stops there with -1.
    zsim_FailCall("ZOLT_ArbitraryCommand", 10, ZOLT_E_HANDLE);
    EXPECT_EQ(PU_GetAllParam(), -1);
    log = Text(hTabLog, TAB_LOG_UT_LOGTEXT);
    EXPECT_EQ(Count(log, "?<CR>"), 10);
    EXPECT_EQ(Count(log, "*PARA:BORD?"), 2); // the ninth and tenth query
    EXPECT_EQ(Count(log, "*PARA:CYCTIM?"), 0);
    zsim_ClearFaults();

    // The longest reply the instrument can give: an identification text that
    // fills it.  Every byte reaches the log line and the control.
    ZOLT_CloseDevice(dwCurrentDevice);
    ZSimDevice d = device;
    const std::string fw = "A" + std::string(240, 'x') + "Z";
    std::snprintf(d.firmware, sizeof d.firmware, "%s", fw.c_str());
    zsim_ClearDevices();
    ASSERT_GE(zsim_AddDevice(&d), 0);
    ASSERT_EQ(ZOLT_OpenDevice(0, &dwCurrentDevice), 0);
    EXPECT_EQ(PU_GetAllParam(), 0);
    log = Text(hTabLog, TAB_LOG_UT_LOGTEXT);
    EXPECT_NE(log.find("VERS:<TAB>" + fw + "<CR>"), std::string::npos);
    EXPECT_EQ(Text(hTabRoot, TAB_ROOT_UT_VERS), fw);
}

TEST_F(ParWindowTest, PasswordRowRightWrongAndCancelled) {
    Open(0);
    ReadAll();
    SetCtrlVal(hTabRoot, TAB_ROOT_UT_SERN, "ZS77");
    const auto commit = [] {
        zsim_ClearJournal();
        CallCtrlCallback(hTabRoot, TAB_ROOT_UT_SERN, EVENT_COMMIT, 0, 0);
    };

    popup_script::PushPrompt("7391"); // the firmware password
    commit();
    ASSERT_FALSE(popup_script::Record().empty());
    EXPECT_EQ(popup_script::Record()[0].kind, popup_script::Kind::Password);
    EXPECT_EQ(popup_script::Record()[0].title, "Enter password");
    EXPECT_EQ(popup_script::Record()[0].text,
              "Input a password to execute *PARA:SERN firmware command\r");
    EXPECT_NE(Sent().find("*PARA:SERN ZS77 7391"), std::string::npos) << Sent();
    EXPECT_EQ(popup_script::Record().size(), 1u); // taken without an error
    char reply[ZOLT_REPLY_MAX + 1] = {};
    ZOLT_ArbitraryCommand(dwCurrentDevice, "*PARA:SERN?\r", reply);
    EXPECT_NE(std::string(reply).find("ZS77"), std::string::npos) << reply;

    // The device refuses a wrong password: the error names the command but
    // not the password, and the serial number stays.
    popup_script::Clear();
    SetCtrlVal(hTabRoot, TAB_ROOT_UT_SERN, "ZS78");
    popup_script::PushPrompt("fw-wrong");
    commit();
    EXPECT_NE(Sent().find("fw-wrong"), std::string::npos);
    EXPECT_EQ(Shown().back(), "Error writing parameter|*PARA:SERN ZS78 ****");
    ZOLT_ArbitraryCommand(dwCurrentDevice, "*PARA:SERN?\r", reply);
    EXPECT_NE(std::string(reply).find("ZS77"), std::string::npos) << reply;

    popup_script::Clear();
    popup_script::PushPrompt("", false);
    commit();
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(TimerCallbacksSuspended(), 0);

    EXPECT_EQ(Log().find("7391"), std::string::npos);
    EXPECT_EQ(Log().find("fw-wrong"), std::string::npos);
    EXPECT_NE(Log().find("*PARA:SERN ZS77 ****"), std::string::npos);
}

TEST_F(ParWindowTest, OverlongCommandIsRefusedWithAMessage) {
    Open(3); // no password on the serial number
    ReadAll();
    SetCtrlVal(hTabRoot, TAB_ROOT_UT_SERN, std::string(300, 'x').c_str());
    CallCtrlCallback(hTabRoot, TAB_ROOT_UT_SERN, EVENT_COMMIT, 0, 0);
    EXPECT_EQ(Sent(), "");
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].rfind("Error writing parameter|The command is too long", 0), 0u);
}

// Told once per run, not once per control and pass.
TEST_F(ParWindowTest, UnknownColourAttributeIsToldOnce) {
    EXPECT_EQ(PU_getColorAttribute(CTRL_LED), -1);
    EXPECT_EQ(PU_getColorAttribute(CTRL_TABLE), -1);
    EXPECT_EQ(PU_getColorAttribute(CTRL_NUMERIC), ATTR_TEXT_BGCOLOR);
    EXPECT_EQ(Shown(), (std::vector<std::string>{
                           "Information|Color attribute unknown for the controls of this type. "
                           "Check getColorAttribute function in get."}));
}

} // namespace
