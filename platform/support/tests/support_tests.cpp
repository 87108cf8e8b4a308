#include <chrono>
#include <clocale>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "support/atomic_file.h"
#include "support/numfmt.h"
#include "support_testing/comma_locale.h"
#include "support_testing/odd_files.h"

namespace fs = std::filesystem;

namespace {

using support_testing::FileText;

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
    EXPECT_EQ(FileText(target), std::string(100000, 'x'));
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
    EXPECT_EQ(FileText(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

// A save killed half way leaves its temporary; the next save of the same
// file removes it.  A temporary that may still be written is kept: of a
// process that still runs, or of another computer sharing the folder, unless
// it has lain untouched for a day.
TEST_F(AtomicFileTest, ASaveRemovesOnlyTemporariesThatCanNeverBeFinished) {
    const fs::path target = dir / "a.val";
    ASSERT_EQ(support::WriteFileAtomic(target, "old"), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        support::AtomicFile f;
        if (f.Open(target) && f.Write("half of it"))
            ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string fresh = support::TempNameFor(target.string());
    const std::string here = fresh.substr(fresh.find('@')); // this computer
    const std::string gone = std::to_string(child), running = std::to_string(::getppid());
    const auto day = std::chrono::hours(25);
    const struct {
        std::string name;
        std::chrono::hours age;
        bool removed;
    } temps[] = {
        {"a.val.tmp" + running + ".7" + here, {}, false},
        {"a.val.tmp" + gone + ".3@elsewhere", {}, false},
        {"a.val.tmp" + gone + ".3@elsewhere.lab", day, true},
        {"a.val.tmp" + gone + ".4", {}, false}, // no computer named
        {"a.val.tmp" + gone + ".5", day, true},
        {"b.val.tmp" + gone + ".0" + here, day, false}, // another file's
    };
    for (const auto& t : temps) {
        std::ofstream(dir / t.name) << "a save elsewhere";
        fs::last_write_time(dir / t.name, fs::file_time_type::clock::now() - t.age);
    }
    const auto killed = [&] { // the killed save's temporary, of this computer
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string f = e.path().filename().string();
            n += f.rfind("a.val.tmp" + gone + ".", 0) == 0 && f.size() > here.size() &&
                 f.compare(f.size() - here.size(), here.size(), here) == 0;
        }
        return n;
    };
    ASSERT_EQ(killed(), 1);

    ASSERT_EQ(support::WriteFileAtomic(target, "new"), 0);
    EXPECT_EQ(killed(), 0);
    for (const auto& t : temps)
        EXPECT_EQ(fs::exists(dir / t.name), !t.removed) << t.name;
    EXPECT_EQ(FileText(target), "new");
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

// The user's locale is kept per thread between numbers; a locale named anew
// in the environment is followed at once, in either direction.
TEST(NumFmt, UserNumbersFollowTheLocaleTheEnvironmentNamesNow) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    for (int round = 0; round < 2; ++round) {
        {
            support_testing::UserLocaleScope scope(comma);
            EXPECT_EQ(support::FormatUser("%.2f", 1.5), "1,50");
        }
        support_testing::UserLocaleScope scope("C");
        EXPECT_EQ(support::FormatUser("%.2f", 1.5), "1.50");
    }
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
