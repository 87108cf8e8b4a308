// The workbook saver's thread, alone: how it tells a save that failed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "book/book.h"
#include "export/sheet_saver.h"
#include "support_testing/odd_files.h"

namespace fs = std::filesystem;

// The saver tells a failed save once, with the news ready to take and its
// lock free, and saves nothing after it.
TEST(SheetSaverTest, AFailedSaveIsToldOnceWithItsError) {
    support_testing::HangGuard guard(30);
    const fs::path dir = fs::temp_directory_path() / ("orvalin_saver_" + std::to_string(getpid()));
    fs::create_directories(dir);
    book::Book b(book::Kind::Xlsx);
    b.AddSheet("Sheet1");
    std::promise<std::string> told;
    std::atomic<int> tellings{0};
    SheetSaver saver; // ends its thread before what the thread tells goes
    saver.OnFailure([&] {
        if (tellings++ == 0)
            told.set_value(saver.TakeError());
    });
    std::string error;
    ASSERT_TRUE(saver.Open(std::move(b), (dir / "gone.xlsx").string(), &error)) << error;
    fs::remove(dir / "gone.xlsx");
    fs::create_directory(dir / "gone.xlsx");
    saver.Commit();
    std::future<std::string> news = told.get_future();
    ASSERT_EQ(news.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_NE(news.get().find("not a regular file"), std::string::npos);
    saver.Commit(); // nothing more is saved after a failure, nor told
    saver.Close();
    EXPECT_EQ(tellings, 1);
    fs::remove_all(dir);
}
