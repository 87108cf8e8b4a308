// What the program does not do yet: every wiring-table entry left unbound and
// every callback of the resource files without its routine, with the feature
// it belongs to.  A callback listed here gets a stand-in that says
// "callback <name>: not built yet"; an unbound entry says "<name>: not built
// yet" when called.
//
// Whoever builds a feature binds its entries in orvalin_Wire()
// (workspace/wiring.cpp), registers its callbacks, and deletes its lines here.
// The wiring test fails on an unbound entry or unregistered callback missing
// here, and on a line here whose entry is bound or whose callback is real.
#pragma once

enum class Unbuilt {
    Entry,   // an entry of a wiring table
    Control, // a control, panel or timer callback
    Menu     // a menu item callback
};

struct NotBuiltYet {
    Unbuilt kind;
    const char* name;
    const char* feature;
};

inline constexpr NotBuiltYet kNotBuiltYet[] = {
    {Unbuilt::Control, "ConnectDisconnectButton", "disconnect, reconnect and connection controls"},
    {Unbuilt::Menu, "ConnectDevice", "disconnect, reconnect and connection controls"},
    {Unbuilt::Menu, "DisconnectDevice", "disconnect, reconnect and connection controls"},
    {Unbuilt::Entry, "main_UpdateTable", "statistics"},
    {Unbuilt::Entry, "main_PrintStatisticsTable", "statistics"},
    {Unbuilt::Control, "CloseStatisticsTable", "statistics"},
    {Unbuilt::Control, "SaveStatisticsInFile", "statistics"},
    {Unbuilt::Control, "StatRB", "statistics"},
    {Unbuilt::Control, "StatisticsCancel", "statistics"},
    {Unbuilt::Control, "StatParamOk", "statistics"},
    {Unbuilt::Menu, "StatistParamMenu", "statistics"},
    {Unbuilt::Menu, "StatistTableMenu", "statistics"},
    {Unbuilt::Entry, "main_FreeFFTValues", "series view"},
    {Unbuilt::Control, "FFTDark", "series view"},
    {Unbuilt::Control, "FFTParamClose", "series view"},
    {Unbuilt::Control, "FFTParametersOk", "series view"},
    {Unbuilt::Control, "FFTReference", "series view"},
    {Unbuilt::Control, "FFTStart", "series view"},
    {Unbuilt::Control, "FFTTransmittance", "series view"},
    {Unbuilt::Menu, "MathFFT", "series view"},
    {Unbuilt::Control, "AboutPanel", "panel layout, about panel and graph output commands"},
    {Unbuilt::Menu, "about", "panel layout, about panel and graph output commands"},
    {Unbuilt::Menu, "FilePrintScreen", "panel layout, about panel and graph output commands"},
    {Unbuilt::Control, "CommentOk", "spectrum file"},
    {Unbuilt::Control, "Infoclose", "spectrum file"},
    {Unbuilt::Menu, "FileOpen", "spectrum file"},
    {Unbuilt::Menu, "SaveFile", "spectrum file"},
    {Unbuilt::Menu, "fileinfo", "spectrum file"},
    {Unbuilt::Entry, "main_WriteCsv", "CSV measurement table"},
    {Unbuilt::Menu, "CsvOutput", "CSV measurement table"},
    {Unbuilt::Entry, "main_WriteCap", "ASCII result files"},
    {Unbuilt::Control, "OperatorClose", "ASCII result files"},
    {Unbuilt::Control, "SaveMeas", "output links and save buttons"},
    {Unbuilt::Control, "SaveMeasCont", "output links and save buttons"},
    {Unbuilt::Menu, "StartAsciiLink", "output links and save buttons"},
    {Unbuilt::Menu, "StopAsciiLink", "output links and save buttons"},
    {Unbuilt::Menu, "StartCsvLink", "output links and save buttons"},
    {Unbuilt::Menu, "StopCsvLink", "output links and save buttons"},
    {Unbuilt::Entry, "fileio_ReadIniFile", "configuration file"},
    {Unbuilt::Entry, "fileio_WriteIniFile", "configuration file"},
    {Unbuilt::Entry, "main_WriteToXLS", "spreadsheet output"},
    {Unbuilt::Menu, "Properties", "spreadsheet output"},
    {Unbuilt::Menu, "StartExcelLink", "spreadsheet output"},
    {Unbuilt::Menu, "StopExcelLink", "spreadsheet output"},
    {Unbuilt::Menu, "connect_with_excel", "spreadsheet output"},
    {Unbuilt::Menu, "disconnect_with_excel", "spreadsheet output"},
    {Unbuilt::Entry, "main_UpdateProtocol", "printed protocol"},
    {Unbuilt::Control, "ArrayType", "printed protocol"},
    {Unbuilt::Control, "CBClose", "printed protocol"},
    {Unbuilt::Control, "CBPrint", "printed protocol"},
    {Unbuilt::Control, "DownloadImage", "printed protocol"},
    {Unbuilt::Control, "FiberSlit", "printed protocol"},
    {Unbuilt::Control, "PrintOperator", "printed protocol"},
    {Unbuilt::Control, "PrintPixel", "printed protocol"},
    {Unbuilt::Control, "SpecNum", "printed protocol"},
    {Unbuilt::Control, "SpecType", "printed protocol"},
    {Unbuilt::Menu, "PrintProt", "printed protocol"},
    {Unbuilt::Menu, "FileSaveGraph", "graph picture"},
    {Unbuilt::Entry, "PU_GetParBlockFromDevice", "parameter block"},
    {Unbuilt::Control, "ParBlockItemClick", "parameter block"},
    {Unbuilt::Control, "ParBlock_SaveToDevice", "parameter block"},
    {Unbuilt::Entry, "PU_LoadSensList", "parameter files and sensor list"},
    {Unbuilt::Control, "LoadParFromDisk", "parameter files and sensor list"},
    {Unbuilt::Control, "ParToText", "parameter files and sensor list"},
    {Unbuilt::Control, "ReadParFile", "parameter files and sensor list"},
    {Unbuilt::Control, "SaveParFile", "parameter files and sensor list"},
    {Unbuilt::Control, "SaveParToDisk", "parameter files and sensor list"},
};
