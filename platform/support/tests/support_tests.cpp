#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support_testing/comma_locale.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("orvalin_atomic_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesTheTargetWholeAndLeavesNoTemporary) {
    const fs::path target = dir / "a.txt";
    ASSERT_EQ(support::WriteFileAtomic(target, "old"), 0);
    ASSERT_EQ(support::WriteFileAtomic(target, std::string(100000, 'x')), 0);
    EXPECT_EQ(Slurp(target), std::string(100000, 'x'));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicFileTest, FailuresKeepTheOldFileAndSayWhy) {
    const fs::path target = dir / "keep.txt";
    ASSERT_EQ(support::WriteFileAtomic(target, "old"), 0);

    std::string err;
    EXPECT_EQ(support::WriteFileAtomic((dir / "missing" / "x.txt").string(), "new", &err), -1);
    EXPECT_NE(err.find("missing/x.txt"), std::string::npos) << err;

    err.clear();
    EXPECT_EQ(support::WriteFileAtomic(dir.string(), "new", &err), -1); // a folder
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(support::WriteFileAtomic("/dev/null", "new", &err), -1); // not replaced by a file

    { // abandoned half way: the target is untouched, the temporary gone
        support::AtomicFile f;
        ASSERT_TRUE(f.Open(target));
        ASSERT_TRUE(f.Write("new, but never committed"));
    }
    EXPECT_EQ(Slurp(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST(NumFmt, MachineFormatsStayCWhateverTheUserLocale) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    support_testing::UserLocaleScope scope(comma);
    EXPECT_EQ(support::FormatC("%.16g", 19999.5), "19999.5");
    EXPECT_EQ(support::FormatUser("%.2f", 1.5), "1,50");
    EXPECT_EQ(support::UserDecimalPoint(), ',');
    // The process locale is not touched by the user-locale formatting.
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ".");
    double d = 0;
    EXPECT_TRUE(support::ParseDoubleC("19999.0", &d));
    EXPECT_EQ(d, 19999.0);
}

TEST(NumFmt, ParsersTakeWholeFiniteInRangeNumbersOnly) {
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c :
         {Case{" 1.5 ", true}, Case{"1e308", true}, Case{"", false}, Case{"1,5", false},
          Case{"nan", false}, Case{"inf", false}, Case{"1e999", false}, Case{"12abc", false}}) {
        double d = 0;
        EXPECT_EQ(support::ParseDoubleC(c.text, &d), c.ok) << c.text;
    }
    unsigned long long u = 0;
    EXPECT_TRUE(support::ParseULongC("18446744073709551615", &u));
    EXPECT_EQ(u, 18446744073709551615ull);
    EXPECT_FALSE(support::ParseULongC("-1", &u));
    EXPECT_FALSE(support::ParseULongC("18446744073709551616", &u));
    long long l = 0;
    EXPECT_TRUE(support::ParseLongC("-42", &l));
    EXPECT_EQ(l, -42);
    EXPECT_FALSE(support::ParseLongC("4.2", &l));
}

} // namespace
