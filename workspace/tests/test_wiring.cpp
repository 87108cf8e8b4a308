// The program's wiring: every table entry is bound at start-up and every
// callback of the resource files has its routine, except what kNotBuiltYet
// lists, and that list holds nothing else.
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "test_startup_support.h"
#include "workspace/not_built_yet.h"
#include "workspace/wiring.h"

using startup_test::StartupTest;

namespace {

std::set<std::string> Listed(bool callbacks) {
    std::set<std::string> out;
    for (const NotBuiltYet& n : kNotBuiltYet) {
        if ((n.kind != Unbuilt::Entry) == callbacks) {
            EXPECT_TRUE(out.insert(n.name).second) << n.name << " is listed twice";
        }
    }
    return out;
}

// Names in `a` that are not in `b`.
std::vector<std::string> Missing(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::vector<std::string> out;
    for (const std::string& s : a)
        if (!b.count(s))
            out.push_back(s);
    return out;
}

void PrintFeaturesToBuild() {
    std::map<std::string, std::string> features;
    for (const NotBuiltYet& n : kNotBuiltYet) {
        std::string& names = features[n.feature];
        names += (names.empty() ? "" : ", ") + std::string(n.name);
    }
    std::printf("Features still to build (%zu):\n", features.size());
    for (const auto& [feature, names] : features)
        std::printf("  %s: %s\n", feature.c_str(), names.c_str());
}

} // namespace

TEST_F(StartupTest, EveryTableEntryIsBoundOrNotBuiltYet) {
    orvalin_Wire();
    std::set<std::string> unbound, names;
    for (const WiringTable& table : orvalin_WiringTables()) {
        for (const support::HookEntry& e : table.entries) {
            EXPECT_TRUE(names.insert(e.name).second) << e.name << " is in two tables";
            if (!e.bound)
                unbound.insert(e.name);
        }
    }
    const std::set<std::string> listed = Listed(false);
    EXPECT_EQ(Missing(unbound, listed), std::vector<std::string>{}) << "unbound, not listed";
    EXPECT_EQ(Missing(listed, unbound), std::vector<std::string>{})
        << "listed, but bound or unknown";
    PrintFeaturesToBuild();
}

TEST_F(StartupTest, EveryCallbackIsBuiltOrNotBuiltYet) {
    const std::set<std::string> listed = Listed(true);
    // Only the real routines, without the stand-ins of the listed names.
    for (const NotBuiltYet& n : kNotBuiltYet) {
        if (n.kind == Unbuilt::Control)
            RegisterCtrlCallback(n.name, nullptr);
        else if (n.kind == Unbuilt::Menu)
            RegisterMenuCallback(n.name, nullptr);
    }
    orvalin_RegisterBuiltCallbacks();
    std::set<std::string> unresolved;
    for (const char* file : {kMainUiFile, kProtocolUiFile}) {
        for (const std::string& u : UnresolvedCallbacks(file))
            unresolved.insert(u.substr(0, u.find(" (")));
    }
    orvalin_Wire();
    EXPECT_EQ(Missing(unresolved, listed), std::vector<std::string>{}) << "no routine, not listed";
    EXPECT_EQ(Missing(listed, unresolved), std::vector<std::string>{})
        << "listed, but built or not in the resource files";
}
