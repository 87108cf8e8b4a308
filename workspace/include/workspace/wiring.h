// The wiring tables of the program, for the test that walks them.
#pragma once

#include <vector>

#include "support/hook.h"

struct WiringTable {
    const char* name;
    std::vector<support::HookEntry> entries;
};

// Every wiring table with the state of each entry, as bound now.
std::vector<WiringTable> orvalin_WiringTables();
