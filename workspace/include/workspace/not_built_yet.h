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
    {Unbuilt::Entry, "PU_GetParBlockFromDevice", "parameter block"},
    {Unbuilt::Control, "ParBlockItemClick", "parameter block"},
    {Unbuilt::Control, "ParBlock_SaveToDevice", "parameter block"},
    {Unbuilt::Control, "LoadParFromDisk", "parameter files and sensor list"},
    {Unbuilt::Control, "ParToText", "parameter files and sensor list"},
    {Unbuilt::Control, "ReadParFile", "parameter files and sensor list"},
    {Unbuilt::Control, "SaveParFile", "parameter files and sensor list"},
    {Unbuilt::Control, "SaveParToDisk", "parameter files and sensor list"},
};
