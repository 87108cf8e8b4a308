// The program's wiring: start-up binds every table entry (that every callback
// of the resource files has its routine is a start-up test).
#include <set>
#include <string>
#include <vector>

#include "test_startup_support.h"
#include "workspace/wiring.h"

using startup_test::StartupTest;

TEST_F(StartupTest, EveryTableEntryIsBound) {
    orvalin_Wire();
    std::set<std::string> names;
    std::vector<std::string> unbound;
    for (const WiringTable& table : orvalin_WiringTables()) {
        for (const support::HookEntry& e : table.entries) {
            EXPECT_TRUE(names.insert(e.name).second) << e.name << " is in two tables";
            if (!e.bound)
                unbound.push_back(std::string(table.name) + "." + e.name);
        }
    }
    EXPECT_EQ(unbound, std::vector<std::string>{});
}
