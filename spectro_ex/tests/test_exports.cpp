// The built library exports exactly the names of the module-definition file,
// whose ordinals are the fixed ones that importing programs rely on.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef SPECTRO_EX_EXPORTS_SUITE
#define SPECTRO_EX_EXPORTS_SUITE spectro_ex_Exports
#endif

namespace {

// Ordinal order; a program importing by ordinal breaks if one moves.
const char* const kOrdinalTable[] = {
    "ZOLT_GetNumSpectroEx", "ZOLT_GetSerialSpectroEx", "ZOLT_OpenSpectroEx",
    "ZOLT_CloseSpectroEx",  "ZOLT_StartDarkEx",        "ZOLT_DarkPixEx",
    "ZOLT_DarkWaveEx",      "ZOLT_StartLightEx",       "ZOLT_LightPixEx",
    "ZOLT_LightWaveEx",     "ZOLT_StartReferEx",       "ZOLT_ReferPixEx",
    "ZOLT_ReferWaveEx",     "ZOLT_StartTransReflEx",   "ZOLT_TransReflPixEx",
    "ZOLT_TransReflWaveEx", "ZOLT_SpectroStatusEx",    "ZOLT_SpectroBreakEx",
    "ZOLT_PixelCountEx",    "ZOLT_SpectroTintEx",      "ZOLT_PrepareLightEx",
    "ZOLT_PrepareReferEx",  "ZOLT_PrepareTransReflEx", "ZOLT_GetSpectroExDLLVersion",
};

// (ordinal, name) pairs of the EXPORTS section; a line of another shape there
// is a failure.
std::vector<std::pair<int, std::string>> ReadDef(const char* path) {
    std::ifstream in(path);
    EXPECT_TRUE(in.is_open()) << path;
    std::vector<std::pair<int, std::string>> exports;
    bool inExports = false;
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream line(text.substr(0, text.find(';')));
        std::string name, ordinal, rest;
        if (!(line >> name))
            continue;
        if (name == "EXPORTS") {
            inExports = true;
            continue;
        }
        if (!inExports)
            continue;
        if ((line >> ordinal) && !(line >> rest) && ordinal.size() > 1 && ordinal[0] == '@' &&
            ordinal.find_first_not_of("0123456789", 1) == std::string::npos)
            exports.emplace_back(std::stoi(ordinal.substr(1)), name);
        else
            ADD_FAILURE() << "unreadable export line: " << text;
    }
    return exports;
}

struct DynamicSymbol {
    char type;
    std::string name;
};

std::vector<DynamicSymbol> DefinedDynamicSymbols(const char* library) {
    const std::string command = std::string("nm -D --defined-only '") + library + "' 2>&1";
    std::vector<DynamicSymbol> symbols;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return symbols;
    }
    char text[512];
    while (std::fgets(text, sizeof text, pipe) != nullptr) {
        // "address type name"
        std::istringstream line(text);
        std::string address, type, name, rest;
        if ((line >> address >> type >> name) && !(line >> rest) && type.size() == 1)
            symbols.push_back({type[0], name});
        else
            ADD_FAILURE() << "unexpected nm output: " << text;
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return symbols;
}

TEST(SPECTRO_EX_EXPORTS_SUITE, DefFileHoldsTheFixedOrdinals) {
    const auto exports = ReadDef(SPECTRO_EX_DEF_FILE);
    ASSERT_EQ(exports.size(), std::size(kOrdinalTable));
    for (size_t i = 0; i < exports.size(); ++i) {
        EXPECT_EQ(exports[i].first, static_cast<int>(i + 1));
        EXPECT_EQ(exports[i].second, kOrdinalTable[i]);
    }
}

TEST(SPECTRO_EX_EXPORTS_SUITE, LibraryExportsExactlyTheDefNames) {
    std::set<std::string> defNames;
    for (const auto& e : ReadDef(SPECTRO_EX_DEF_FILE))
        defNames.insert(e.second);
    ASSERT_EQ(defNames.size(), std::size(kOrdinalTable));

    std::set<std::string> exported;
    for (const DynamicSymbol& s : DefinedDynamicSymbols(SPECTRO_EX_LIBRARY)) {
        EXPECT_EQ(s.type, 'T') << s.name << " is not a function in the text section";
        exported.insert(s.name);
    }
    EXPECT_EQ(exported, defNames);
}

} // namespace
