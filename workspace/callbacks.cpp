// Binds every callback name of the two resource files to a function.
//
// Every name gets a stand-in first, which only says that nothing is built
// behind it yet; the real callbacks are registered afterwards and replace
// their stand-ins (a later registration of a name wins).
#include <array>
#include <cstddef>
#include <cstdio>
#include <utility>

#include "link/readouts.h"
#include "ui/ui.h"
#include "workspace/orvalin.h"
#include "workspace/stats.h"

#if __has_include("workspace/measure.h")
#include "workspace/measure.h"
#define ORVALIN_HAVE_MEASURE 1
#endif

// Registration routines of the other workspace modules, called when linked
// in (a module adds its own here).
void display_RegisterCallbacks() __attribute__((weak));
void eval_RegisterCallbacks() __attribute__((weak));

namespace {

// Control, panel and timer callbacks named in the resource files.
constexpr const char* kCtrlNames[] = {
    "AboutPanel",
    "ArrayType",
    "AutoScale",
    "AxisScalingClose",
    "CBClose",
    "CBPrint",
    "Callback_MeasureButton",
    "Callback_Sleep",
    "CancelPeakValley",
    "CancelValCOGInterval",
    "CloseAsFHelp",
    "CloseParUtilPanel",
    "CloseStatisticsTable",
    "CmdReadParFromDevice",
    "CogValleyValue",
    "CommentOk",
    "ConnectDisconnectButton",
    "ContMeas",
    "DeleteAllPeak",
    "DomValue",
    "DownloadImage",
    "EndSpec",
    "FFTDark",
    "FFTParamClose",
    "FFTParametersOk",
    "FFTReference",
    "FFTStart",
    "FFTTransmittance",
    "FWHM_Copy_To_Buffer",
    "FiberSlit",
    "FwhmValue",
    "GetValCOGInterval",
    "Infoclose",
    "KeyPress",
    "LoadParFromDisk",
    "OkPeakValley",
    "OperatorClose",
    "ParBlockItemClick",
    "ParBlock_SaveToDevice",
    "ParToText",
    "PeakValue",
    "PlotPeakValFwhm",
    "PrintOperator",
    "PrintPixel",
    "Quit",
    "RadButPeak",
    "RangeViolOn",
    "RbPixel",
    "RbWave",
    "ReadParFile",
    "SaveMeas",
    "SaveMeasCont",
    "SaveParFile",
    "SaveParToDisk",
    "SaveParameter",
    "SaveStatisticsInFile",
    "ScanDelay",
    "ScanMode",
    "SelectGraph",
    "SetAver",
    "SetControl",
    "SetParameter",
    "SetTint",
    "ShowAsFHelp",
    "SmoothCancel",
    "SmoothOk",
    "SpecNum",
    "SpecPaintPanel",
    "SpecType",
    "StartSpec",
    "StatParamOk",
    "StatRB",
    "StatisticsCancel",
    "Sync_Value",
    "UT_Alphabet_Choose",
    "ValleyValue",
    "cbCheckBoxAdapt",
    "cbCheckBoxDarkRef",
    "cbDateTime_SetToSystem",
    "cbPU_Callback",
    "cbParBackup",
    "cbParRestore",
    "cbTimerHallSensors",
};

// Menu item callbacks named in the resource files.
constexpr const char* kMenuNames[] = {
    "Axis_Scaling",
    "BoxcarMenuCallback",
    "Callback_Interpol",
    "CompareView",
    "CondDisplay",
    "ConnectDevice",
    "CsvOutput",
    "DisconnectDevice",
    "FILE_quit",
    "FileOpen",
    "FilePrintScreen",
    "FileSaveGraph",
    "FileView",
    "MathFFT",
    "NoSmoothMenuCallback",
    "NoneMode",
    "PeakMode",
    "PrintProt",
    "Properties",
    "SavGolMenuCallback",
    "SaveFile",
    "ShowParUtility",
    "SpecView",
    "StartAsciiLink",
    "StartCsvLink",
    "StartExcelLink",
    "StatistParamMenu",
    "StatistTableMenu",
    "StopAsciiLink",
    "StopCsvLink",
    "StopExcelLink",
    "SymMode",
    "ValleyMode",
    "about",
    "cbMenu_Display_ClearSpectra_optchange",
    "connect_with_excel",
    "disconnect_with_excel",
    "fileinfo",
};

constexpr std::size_t kNumCtrl = std::size(kCtrlNames);
constexpr std::size_t kNumMenu = std::size(kMenuNames);

void SayNotBuilt(const char* name) {
    std::fprintf(stderr, "callback %s: not built yet\n", name);
}

template <std::size_t I> int CtrlStub(int, int, int event, void*, int, int) {
    // Timer ticks and focus changes would repeat the line endlessly.
    if (event == EVENT_COMMIT || event == EVENT_VAL_CHANGED || event == EVENT_LEFT_DOUBLE_CLICK)
        SayNotBuilt(kCtrlNames[I]);
    return 0;
}

template <std::size_t I> void MenuStub(int, int, void*, int) {
    SayNotBuilt(kMenuNames[I]);
}

template <std::size_t... I>
constexpr std::array<CtrlCallbackPtr, sizeof...(I)> CtrlStubs(std::index_sequence<I...>) {
    return {&CtrlStub<I>...};
}

template <std::size_t... I>
constexpr std::array<MenuCallbackPtr, sizeof...(I)> MenuStubs(std::index_sequence<I...>) {
    return {&MenuStub<I>...};
}

} // namespace

void orvalin_RegisterCallbacks() {
    static constexpr auto kCtrlStubs = CtrlStubs(std::make_index_sequence<kNumCtrl>{});
    static constexpr auto kMenuStubs = MenuStubs(std::make_index_sequence<kNumMenu>{});
    for (std::size_t i = 0; i < kNumCtrl; ++i)
        RegisterCtrlCallback(kCtrlNames[i], kCtrlStubs[i]);
    for (std::size_t i = 0; i < kNumMenu; ++i)
        RegisterMenuCallback(kMenuNames[i], kMenuStubs[i]);

    RegisterCtrlCallback("Quit", Quit);
    RegisterMenuCallback("FILE_quit", FILE_quit);
    readouts_RegisterCallbacks();

#if ORVALIN_HAVE_MEASURE
    measure_RegisterCallbacks();
#endif
    if (display_RegisterCallbacks != nullptr)
        display_RegisterCallbacks();
    if (eval_RegisterCallbacks != nullptr)
        eval_RegisterCallbacks();
    stats_RegisterCallbacks();
}
