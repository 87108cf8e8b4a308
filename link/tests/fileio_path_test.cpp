#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/fileio_path.h"
#include "link_test_support.h"
#include "ui/popup_script.h"

namespace {

namespace fs = std::filesystem;
using linktest::ScopedEnv;
using linktest::TempDir;

class CheckPathTest : public ::testing::Test {
  protected:
    void SetUp() override { popup_script::Clear(); }
    void TearDown() override { popup_script::Clear(); }
    TempDir dir_;
};

TEST_F(CheckPathTest, CreatesEveryMissingLevel) {
    const fs::path target = dir_.path() / "a" / "b" / "c";
    EXPECT_EQ(fileio_CheckPath(target.string() + "/"), 0);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(popup_script::Record().empty());
}

TEST_F(CheckPathTest, TextAfterTheLastSlashIsNotCreated) {
    EXPECT_EQ(fileio_CheckPath((dir_.path() / "a" / "file.ini").string()), 0);
    EXPECT_TRUE(fs::is_directory(dir_.path() / "a"));
    EXPECT_FALSE(fs::exists(dir_.path() / "a" / "file.ini"));
}

TEST_F(CheckPathTest, ExistingFolderNeedsNothing) {
    EXPECT_EQ(fileio_CheckPath(dir_.path().string() + "/"), 0);
    EXPECT_EQ(fileio_CheckPath(dir_.path().string()), 0);
    EXPECT_TRUE(popup_script::Record().empty());
}

TEST_F(CheckPathTest, FileInTheWayFailsWithOneMessage) {
    { std::ofstream(dir_.path() / "f") << "x"; }
    const std::string path = (dir_.path() / "f" / "g").string() + "/";
    EXPECT_EQ(fileio_CheckPath(path), -1);
    ASSERT_EQ(popup_script::Record().size(), 1u);
    EXPECT_EQ(popup_script::Record()[0].title, "Directory Error");
    EXPECT_EQ(popup_script::Record()[0].text,
              "Error creating Directory: " + (dir_.path() / "f").string() + "/");
    EXPECT_FALSE(fs::exists(dir_.path() / "f" / "g"));
}

TEST_F(CheckPathTest, LongPathsAreNotCut) {
    std::string path = dir_.path().string();
    for (int i = 0; i < 30; ++i)
        path += "/" + std::string(20, static_cast<char>('a' + i % 26));
    path += "/";
    ASSERT_GT(path.size(), 600u);
    EXPECT_EQ(fileio_CheckPath(path), 0);
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(AppDataFolderTest, XdgThenHomeElseNothing) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/x/cfg/");
        EXPECT_EQ(fileio_AppDataFolder(), "/x/cfg/ZOLT/Orvalin/");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
        ScopedEnv home("HOME", "/home/u");
        EXPECT_EQ(fileio_AppDataFolder(), "/home/u/.config/ZOLT/Orvalin/");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(fileio_AppDataFolder(), "");
    }
}

} // namespace
