#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/hook.h"

namespace {

int Twice(int v) {
    return 2 * v;
}

struct Table {
    support::Hook<int(int), -1> twice{"twice"};
    support::Hook<void()> refresh{"refresh"};
    std::array<support::HookEntry, 2> Entries() const { return {twice.entry(), refresh.entry()}; }
};
static_assert(support::ListsEveryEntry<Table>());

} // namespace

TEST(Hook, UnboundSaysSoOnceAndFallsBack) {
    Table t;
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.twice(4), -1);
    EXPECT_EQ(t.twice(5), -1);
    t.refresh();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "twice: not built yet\nrefresh: not built yet\n");

    t.twice = Twice;
    testing::internal::CaptureStderr();
    EXPECT_EQ(t.twice(4), 8);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(t.Entries()[0].bound);
    EXPECT_FALSE(t.Entries()[1].bound);

    // A fresh table forgets every binding.
    t = Table{};
    EXPECT_FALSE(t.twice.bound());
    EXPECT_EQ(t.twice(4), -1);
}
