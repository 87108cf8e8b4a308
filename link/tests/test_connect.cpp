// Device search and connection against the simulated instrument.
#include <cmath>

#include "test_connect_support.h"

using connecttest::ConnectFixture;
using connecttest::Device;

namespace {

const char kSearchCom[] =
    "Invalid COM port given by argument!\nA value between 1...256 is neccessary.\n"
    "Do you wish to search automatically?";

ZSimDevice ComDevice(const char* serial, uint16_t port) {
    ZSimDevice d = Device(ZOLT_CONN_COM, serial);
    d.comPort = port;
    return d;
}

} // namespace

// ------------------------------------------------------------ parsing
TEST(ConnectParse, ComPortIsStrictDecimalOneTo256) {
    EXPECT_EQ(comm_ParseComPort("5"), 5);
    EXPECT_EQ(comm_ParseComPort("1"), 1);
    EXPECT_EQ(comm_ParseComPort("256"), 256);
    EXPECT_EQ(comm_ParseComPort("007"), 7);
    for (const char* bad :
         {"", "0", "257", "abc", "5abc", " 5", "-5", "+5", "99999999999999999999"})
        EXPECT_EQ(comm_ParseComPort(bad), -1) << bad;
}

TEST(ConnectParse, BluetoothAddressIsHexadecimalInEitherCase) {
    uint64_t a = 0, b = 0, c = 0;
    ASSERT_TRUE(comm_ParseBtAddress("0012ABCDEF01", &a));
    ASSERT_TRUE(comm_ParseBtAddress("0012abcdef01", &b));
    ASSERT_TRUE(comm_ParseBtAddress("0x12AbCdEf01", &c));
    EXPECT_EQ(a, 0x0012ABCDEF01ull);
    EXPECT_EQ(b, a);
    EXPECT_EQ(c, a);
    uint64_t max = 0;
    ASSERT_TRUE(comm_ParseBtAddress("FFFFFFFFFFFFFFFF", &max));
    EXPECT_EQ(max, ~0ull);
    for (const char* bad : {"", "0x", "12G4", "1 2", "10000000000000000"}) {
        uint64_t v = 7;
        EXPECT_FALSE(comm_ParseBtAddress(bad, &v)) << bad;
        EXPECT_EQ(v, 7u) << bad;
    }
}

TEST(ConnectParse, KeywordsInAnyCase) {
    EXPECT_EQ(comm_ArgKeyword("com"), KW_COM);
    EXPECT_EQ(comm_ArgKeyword("TcpIp"), KW_TCPIP);
    EXPECT_EQ(comm_ArgKeyword("offline"), KW_OFFLINE);
    EXPECT_EQ(comm_ArgKeyword("Bt"), KW_BT);
    EXPECT_EQ(comm_ArgKeyword(""), KW_NONE);
    EXPECT_EQ(comm_ArgKeyword("COM1"), KW_NONE);
}

// -------------------------------------------------------- start-up routes
TEST_F(ConnectFixture, NoArgumentsAndNoStoredConnectionSearchesAtOnce) {
    comm_InitConnect();
    EXPECT_EQ(iOffline, 0);
    EXPECT_NE(dwCurrentDevice, 0u);
    EXPECT_TRUE(popup_script::Record().empty()) << ::testing::PrintToString(Shown());
    const std::string log = Log();
    EXPECT_EQ(Count(log, "ZOLT_Open"), 1) << log;
    EXPECT_NE(log.find("comm_GetNumDevices, ZOLT_GetNumDevices, returned code: 0 \n"),
              std::string::npos);
    EXPECT_NE(log.find("comm_OpenDevice, ZOLT_OpenDevice, returned code: 0 \n"), std::string::npos);
    EXPECT_EQ(Title(), "Orvalin # ZS10001");
    EXPECT_EQ(Text(hAboutPanel, ABOUT_SERIAL1), "ZS10001");
    EXPECT_STREQ(sPrevSerNum, "ZS10001");
    // The found device becomes the stored connection.
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_USB);
    EXPECT_STREQ(stParam.usbSerial, "FTZ20001");
    EXPECT_EQ(Text(hAboutPanel, ABOUT_CONNTYPE), "USB (FTDI). USB serial number: FTZ20001");
    EXPECT_EQ(iTint_prec, 3);
    EXPECT_EQ(iStartPixel, 0);
    EXPECT_EQ(iEndPixel, 2047);
}

TEST_F(ConnectFixture, StoredConnectionIsTriedFirst) {
    Registry({ComDevice("ZS30001", 4), ComDevice("ZS30002", 12)});
    stParam.connectionType = ZOLT_CONN_COM;
    stParam.comPort = 12;
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_STREQ(cSerial1, "ZS30002");
    const std::string log = Log();
    EXPECT_NE(log.find("main_DevicesSearch, ZOLT_OpenCOMDevice#1, returned code: 0 \n"),
              std::string::npos);
    EXPECT_EQ(log.find("ZOLT_GetNumDevices"), std::string::npos);
    EXPECT_TRUE(popup_script::Record().empty());
}

TEST_F(ConnectFixture, FailingStoredConnectionSearchesWithoutAMessage) {
    stParam.connectionType = ZOLT_CONN_COM;
    stParam.comPort = 77;
    comm_InitConnect();
    EXPECT_EQ(iOffline, 0);
    EXPECT_TRUE(popup_script::Record().empty());
    const std::string log = Log();
    EXPECT_NE(log.find("main_DevicesSearch, ZOLT_OpenCOMDevice#1, returned code: "),
              std::string::npos);
    EXPECT_NE(log.find("comm_GetNumDevices"), std::string::npos);
}

TEST_F(ConnectFixture, LowerCaseComKeywordOpensThatPort) {
    Registry({ComDevice("ZS30001", 4), ComDevice("ZS30005", 5)});
    Args("com", "5");
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_COM);
    EXPECT_EQ(stParam.comPort, 5);
    EXPECT_STREQ(cSerial1, "ZS30005");
    EXPECT_NE(Log().find("main_DevicesSearch, ZOLT_OpenCOMDevice#2 Arg = 5, returned code: 0 \n"),
              std::string::npos);
    EXPECT_EQ(Text(hAboutPanel, ABOUT_CONNTYPE), "COM5, baudrate 115200");
}

// The device described after a direct open is the one opened, not the
// first one enumerated.
TEST_F(ConnectFixture, DirectOpenDescribesTheOpenedDevice) {
    Registry({Device(ZOLT_CONN_USB, "ZS40001"), ComDevice("ZS40009", 9)});
    Args("COM", "9");
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_STREQ(cSerial1, "ZS40009");
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_COM);
    EXPECT_EQ(stParam.comPort, 9);
    EXPECT_EQ(Title(), "Orvalin # ZS40009");
}

class BadComArgument : public ConnectFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadComArgument, AsksAndYesSearches) {
    Args("COM", GetParam());
    popup_script::PushConfirm(true);
    comm_InitConnect();
    ASSERT_FALSE(popup_script::Record().empty());
    const auto& q = popup_script::Record()[0];
    EXPECT_EQ(q.kind, popup_script::Kind::Confirm);
    EXPECT_EQ(q.title, "ZOLT Tarvo ERROR");
    if (*GetParam() == '\0') {
        EXPECT_EQ(q.text, "COM-port number as the 2nd command line argument missing.\nDo you wish "
                          "to search automatically?");
    } else {
        EXPECT_EQ(q.text, kSearchCom);
    }
    EXPECT_EQ(iOffline, 0);
    const std::string log = Log();
    EXPECT_EQ(log.find("ZOLT_OpenCOMDevice"), std::string::npos) << log;
    EXPECT_NE(log.find("comm_GetNumDevices"), std::string::npos);
}

TEST_P(BadComArgument, AsksAndNoStaysOffline) {
    Args("COM", GetParam());
    popup_script::PushConfirm(false);
    comm_InitConnect();
    ASSERT_EQ(popup_script::Record().size(), 1u) << ::testing::PrintToString(Shown());
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(dwCurrentDevice, 0u);
    EXPECT_STREQ(sArg1, "OFFLINE");
    const std::string log = Log();
    EXPECT_EQ(log.find("ZOLT_Open"), std::string::npos) << log;
    EXPECT_EQ(log.find("comm_GetNumDevices"), std::string::npos);
    EXPECT_EQ(Title(), "Orvalin (offline)");
}

INSTANTIATE_TEST_SUITE_P(Values, BadComArgument, ::testing::Values("", "0", "257", "abc", "5abc"));

TEST_F(ConnectFixture, ComPortWithNoDeviceAsksWhetherToSearch) {
    Args("COM", "17");
    popup_script::PushConfirm(false);
    comm_InitConnect();
    ASSERT_EQ(Shown(), std::vector<std::string>{
                           "ERROR|Could not find device on COM-port specified by argument!\n"
                           "Do you wish to search automatically?"});
    EXPECT_EQ(iOffline, 1);
    EXPECT_NE(Log().find("main_DevicesSearch, ZOLT_OpenCOMDevice#2 Arg = 17, returned code: "),
              std::string::npos);
}

TEST_F(ConnectFixture, OfflineMakesNoOpenCallEvenWithAStoredConnection) {
    stParam.connectionType = ZOLT_CONN_USB;
    std::snprintf(stParam.usbSerial, sizeof stParam.usbSerial, "FTZ20001");
    Args("OFFLINE", "");
    comm_InitConnect();
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(dwCurrentDevice, 0u);
    EXPECT_TRUE(popup_script::Record().empty());
    const std::string log = Log();
    EXPECT_EQ(log.find("ZOLT_Open"), std::string::npos) << log;
    EXPECT_EQ(log.find("ZOLT_GetNumDevices"), std::string::npos) << log;
    EXPECT_NE(log.find("comm_InitConnect, main_DevicesSearch()"), std::string::npos);
    EXPECT_NE(log.find("----- Returned code: -1-----"), std::string::npos);
    int dimmed = 0;
    GetMenuBarAttribute(hMenuBar, MENUBAR_CON_DEVICE, ATTR_MENU_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    // A spectrum file can be opened for viewing offline.
    GetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
}

TEST_F(ConnectFixture, NoDeviceFound) {
    zsim_ClearDevices();
    comm_InitConnect();
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           "No device found!|No device found! Switched to offline mode."});
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(Log().find("comm_OpenDevice"), std::string::npos);
}

// ------------------------------------------------------------- chooser
class ThreeDevices : public ConnectFixture {
  protected:
    void SetUp() override {
        ConnectFixture::SetUp();
        ZSimDevice bt = Device(ZOLT_CONN_BT, "ZS50003");
        bt.btAddress = 0x0012ABCDEF01ull;
        Registry({ComDevice("ZS50001", 7), Device(ZOLT_CONN_USB, "ZS50002"), bt});
    }
};

TEST_F(ThreeDevices, ChooserShowsOneLinePerDevice) {
    popup_script::PushChoice(DEVSELECT_CANCELBUTTON);
    comm_InitConnect();
    int count = 0;
    GetNumListItems(hDevselectPanel, DEVSELECT_SELECTDEV, &count);
    ASSERT_EQ(count, 3);
    std::vector<std::string> lines(3);
    for (int i = 0; i < 3; ++i) {
        GetLabelFromIndex(hDevselectPanel, DEVSELECT_SELECTDEV, i,
                          &lines[static_cast<std::size_t>(i)]);
        int value = -1;
        GetValueFromIndex(hDevselectPanel, DEVSELECT_SELECTDEV, i, &value);
        EXPECT_EQ(value, i);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"ZS50001 COM       7", "ZS50002 FTDI      FTZ20001",
                                               "ZS50003 BlueTooth 80191811329"}));
    EXPECT_EQ(Count(Log(), "main_DevicesSearch, ZOLT_GetDeviceInfoEx#1, returned code: 0 \n"), 3);
}

TEST_F(ThreeDevices, CancelGoesStraightToTheCancelledMessage) {
    // A stored connection that no longer answers leads to the search.
    stParam.connectionType = ZOLT_CONN_COM;
    stParam.comPort = 99;
    stParam.baudrate = 57600;
    popup_script::PushChoice(DEVSELECT_CANCELBUTTON);
    comm_InitConnect();
    const auto& rec = popup_script::Record();
    ASSERT_EQ(rec.size(), 2u);
    EXPECT_EQ(rec[0].kind, popup_script::Kind::ModalPanel);
    EXPECT_EQ(rec[0].title, "Please select device");
    EXPECT_EQ(rec[1].title, "Device choosing is cancelled");
    EXPECT_EQ(rec[1].text, "Switched to offline mode.");
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(Log().find("comm_OpenDevice"), std::string::npos);
    // The listing did not overwrite the stored connection.
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_COM);
    EXPECT_EQ(stParam.comPort, 99);
    EXPECT_EQ(stParam.baudrate, 57600);
    EXPECT_EQ(stParam.btAddress, 0u);
}

TEST_F(ThreeDevices, OkOpensTheSelectedDevice) {
    popup_script::PushChoice(DEVSELECT_OKBUTTON);
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_STREQ(cSerial1, "ZS50001");
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_COM);
    EXPECT_EQ(stParam.comPort, 7);
}

TEST_F(ConnectFixture, OneDeviceNeedsNoChooser) {
    comm_InitConnect();
    for (const auto& s : popup_script::Record())
        EXPECT_NE(s.kind, popup_script::Kind::ModalPanel);
    EXPECT_EQ(iOffline, 0);
}

TEST_F(ConnectFixture, BluetoothArgumentShowsItsAddress) {
    ZSimDevice bt = Device(ZOLT_CONN_BT, "ZS60001");
    bt.btAddress = 0x0012ABCDEF01ull;
    Registry({Device(ZOLT_CONN_USB, "ZS60000"), bt});
    Args("BT", "0012abcdef01");
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(stParam.btAddress, 0x0012ABCDEF01ull);
    EXPECT_EQ(Text(hAboutPanel, ABOUT_CONNTYPE), "Bluetooth, address 0x0012ABCDEF01");
    EXPECT_NE(
        Log().find(
            "main_DevicesSearch, ZOLT_OpenBTDevice#2 Arg=\"0012abcdef01\", returned code: 0 \n"),
        std::string::npos);
}

TEST_F(ConnectFixture, MalformedBluetoothAddressIsNotOpened) {
    Args("BT", "00:12:AB");
    popup_script::PushConfirm(false);
    comm_InitConnect();
    EXPECT_EQ(Shown(),
              std::vector<std::string>{
                  "ERROR|Could not open device with BlueTooth address specified by argument!\n"
                  "Do you wish to search automatically?"});
    EXPECT_EQ(Log().find("ZOLT_Open"), std::string::npos);
}

// ---------------------------------------------------------- set-up faults
TEST_F(ConnectFixture, FailedBasicReadClosesTheDeviceAndStaysOffline) {
    Registry({ComDevice("ZS70001", 3)});
    stParam.connectionType = ZOLT_CONN_USB;
    std::snprintf(stParam.usbSerial, sizeof stParam.usbSerial, "OLD0001");
    Args("COM", "3");
    // The first pixel read belongs to comm_ReadParam, the second to the
    // basic parameters.
    zsim_FailCall("ZOLT_GetPixel", 2, ZOLT_E_RECEIVE);
    comm_InitConnect();
    EXPECT_EQ(Shown(), std::vector<std::string>{"ERROR|Could not read parameter from device!"});
    EXPECT_EQ(iOffline, 1);
    EXPECT_EQ(dwCurrentDevice, 0u);
    EXPECT_NE(Log().find("main_DevicesSearch, ZOLT_CloseDevice, returned code: 0 \n"),
              std::string::npos);
    EXPECT_EQ(Title(), "Orvalin (offline)");
    int dimmed = 0;
    GetMenuBarAttribute(hMenuBar, MENUBAR_DISCON_DEVICE, ATTR_MENU_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    GetMenuBarAttribute(hMenuBar, MENUBAR_FILE_OPEN, ATTR_MENU_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    // The stored connection is the one from before.
    EXPECT_EQ(stParam.connectionType, ZOLT_CONN_USB);
    EXPECT_STREQ(stParam.usbSerial, "OLD0001");
    // No handle was leaked: the port opens again.
    uint32_t h = 0;
    EXPECT_EQ(ZOLT_OpenCOMDevice(3, 0, &h), 0);
    if (h != 0)
        ZOLT_CloseDevice(h);
}

TEST_F(ConnectFixture, ArraysFollowThePixelCountOfEachConnection) {
    ZSimDevice big = ComDevice("ZS80001", 3);
    big.pixelCount = 2048;
    Registry({big});
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(iAllocatedPixels, 2048);
    EXPECT_EQ(iAllocatedDisplay, (iMaxWaveLen - iMinWaveLen) * 100 + 1);
    const int firstDisplay = iAllocatedDisplay;
    dDark[2047] = 1.0;

    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;
    ZSimDevice small = ComDevice("ZS80002", 4);
    small.pixelCount = 512;
    small.fit[0] = 400.0f;
    small.fit[1] = 0.5f;
    small.fit[2] = small.fit[3] = small.fit[4] = 0.0f;
    Registry({small});
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(iAllocatedPixels, 512);
    EXPECT_EQ(iEndPixel, 511);
    EXPECT_EQ(iMinWaveLen, 400);
    EXPECT_EQ(iMaxWaveLen, 655);
    EXPECT_EQ(iAllocatedDisplay, 25501);
    EXPECT_NE(iAllocatedDisplay, firstDisplay);
    // Zero-filled anew and indexable to the last pixel (the sanitizer
    // catches a stale, larger or smaller size).
    for (double* a : {dDark, dLight, dReferenz, dTrans, dAbsorb, dFormel1, dFormel2})
        EXPECT_EQ(a[511], 0.0);
    EXPECT_EQ(iRowDark[511], 0);
    EXPECT_DOUBLE_EQ(dLambda[511], 400.0 + 0.5 * 511);
    EXPECT_EQ(dYtemp[25500], 0.0);
    // The start of the displayed range lies below this device's range.
    EXPECT_EQ(iStartWaveLen, 400);
    EXPECT_EQ(iEndWaveLen, 655);
}

TEST_F(ConnectFixture, ConnectedControlsAndRanges) {
    iStartWaveLen = 150; // below the device's 190 nm
    iEndWaveLen = 700;
    fTint = 0.0f;
    comm_InitConnect();
    ASSERT_EQ(iOffline, 0);
    EXPECT_EQ(iStartWaveLen, iMinWaveLen);
    EXPECT_EQ(iEndWaveLen, 700);
    double min = 0, max = 0;
    GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MIN_VALUE, &min);
    GetCtrlAttribute(hMainPanel, MAINP_STARTWL, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(min, iMinWaveLen);
    EXPECT_EQ(max, iMaxWaveLen - 1);
    GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MIN_VALUE, &min);
    GetCtrlAttribute(hMainPanel, MAINP_ENDWL, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(min, iMinWaveLen + 1);
    EXPECT_EQ(max, iMaxWaveLen);
    // No own integration time: the device's is shown.
    double tint = 0;
    GetCtrlVal(hMainPanel, MAINP_INTTIME, &tint);
    EXPECT_NEAR(tint, stParam.tintDefault, 1e-6);
    int precision = 0;
    GetCtrlAttribute(hMainPanel, MAINP_INTTIME, ATTR_PRECISION, &precision);
    EXPECT_EQ(precision, 3);
    GetCtrlAttribute(hCOGIntervalPanel, COG_VAL_NUMERIC, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(max, 1024.0);
    EXPECT_EQ(Text(hAboutPanel, ABOUT_DEVTYPE), "kestro device (xx01)");
    EXPECT_EQ(Text(hTabRoot, TAB_ROOT_UT_DEVTYP), "kestro device (xx01)");
    int dimmed = 1, checked = 0;
    GetMenuBarAttribute(hMenuBar, MENUBAR_KESTRO, ATTR_MENU_DIMMED, &dimmed);
    GetMenuBarAttribute(hMenuBar, MENUBAR_KESTRO, ATTR_CHECKED, &checked);
    EXPECT_EQ(dimmed, 0);
    EXPECT_EQ(checked, 1);
    std::string tip;
    GetCtrlAttribute(hMainPanel, MAINP_SWITCHCONNECT, ATTR_TOOLTIP_TEXT, &tip);
    EXPECT_EQ(tip, "Click to close connection");
    const std::string log = Log();
    EXPECT_NE(log.find("comm_SetTrigger, ZOLT_SetTrigger Arg = 2, returned code: 0 \n"),
              std::string::npos);
    EXPECT_NE(log.find("main_DevicesSearch, ZOLT_SetCallbackFunction, returned code: 0 \n"),
              std::string::npos);
    EXPECT_NE(log.find("main_DevicesSearch, main_GetBasicParam()"), std::string::npos);
}

TEST_F(ConnectFixture, HooksRunInTheirPlaces) {
    static std::vector<std::string> calls;
    calls.clear();
    g_workspaceHooks.display_ClearMainGraph = [] { calls.push_back("clear"); };
    g_workspaceHooks.set_MeasBtns = [](int d) { calls.push_back("dim" + std::to_string(d)); };
    g_workspaceHooks.set_UndimMeasButtons = [] { calls.push_back("undim"); };
    g_workspaceHooks.set_ChangeToWL = [] { calls.push_back("wl"); };
    g_workspaceHooks.set_ChangeToPixel = [] { calls.push_back("pixel"); };
    g_workspaceHooks.set_ScanDelay = [] { calls.push_back("scan"); };
    iPxlWlMode = 1;
    comm_InitConnect();
    EXPECT_EQ(calls, (std::vector<std::string>{"clear", "dim1", "undim", "wl", "scan"}));
    calls.clear();
    ZOLT_CloseDevice(dwCurrentDevice);
    dwCurrentDevice = 0;
    Args("OFFLINE", "");
    iPxlWlMode = 0;
    comm_InitConnect();
    EXPECT_EQ(calls, (std::vector<std::string>{"clear", "dim1", "undim", "dim1", "scan"}));
}
