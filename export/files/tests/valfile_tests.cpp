#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "files/valfile.h"

namespace fs = std::filesystem;
using valfile::ValFileRecord;

namespace {

std::string Fixture(const char* name) {
    std::ifstream in(fs::path(std::getenv("ORVALIN_SOURCE_DIR")) / "export/files/tests/fixtures" /
                         name,
                     std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

double* Array(ValFileRecord& r, int a) {
    double* all[] = {r.dark,         r.reference,   r.absorbance,
                     r.transmission, r.derivative1, r.derivative2};
    return all[a];
}

// The record make_fixtures.py packs into current.val.
std::unique_ptr<ValFileRecord> CurrentSample() {
    auto r = std::make_unique<ValFileRecord>();
    valfile::SetText(r->date, "04-17-2024");
    valfile::SetText(r->time, "13:05:59");
    valfile::SetText(r->device, "TKRMM7");
    valfile::SetText(r->versionNumber, "3.21b");
    valfile::SetText(r->versionDate, "2023-11-30");
    r->tint = 12.5f;
    r->pixelCount = 2048;
    r->lamp = 1;
    r->channels = 2;
    r->direction = -1;
    const float fit[5] = {301.25f, 0.5f, -1.5e-5f, 2.5e-9f, -1.25e-13f};
    std::memcpy(r->fit, fit, sizeof fit);
    for (int a = 0; a < 6; ++a)
        for (int i = 0; i < valfile::kPoints; ++i)
            Array(*r, a)[i] = (a + 1) * 1000.0 + i * 0.25;
    r->measured = 31;
    valfile::SetText(r->comment, "first line of the commentsecond");
    return r;
}

template <typename T> T At(const std::string& bytes, std::size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v); // the test host is little-endian
    return v;
}

TEST(ValFile, CurrentLayoutMatchesAnIndependentWriter) {
    const std::string file = Fixture("current.val");
    ASSERT_EQ(file.size(), valfile::kRecordSize);
    const auto sample = CurrentSample();
    EXPECT_TRUE(valfile::Encode(*sample) == file) << "encoded bytes differ from the fixture";

    // A few fields at their documented offsets, straight from the fixture.
    EXPECT_EQ(std::string(file.data() + 20), "TKRMM7");
    EXPECT_EQ(std::string(file.data() + 120), "2023-11-30");
    EXPECT_EQ(At<float>(file, 132), 12.5f);
    EXPECT_EQ(At<std::int32_t>(file, 136), 2048);
    EXPECT_EQ(At<float>(file, 152), 301.25f);
    EXPECT_EQ(At<std::uint32_t>(file, 172), 0u); // padding
    EXPECT_EQ(At<double>(file, 176), 1000.0);
    EXPECT_EQ(At<double>(file, 82136 + 8 * 2048), 6000.0 + 2048 * 0.25);
    EXPECT_EQ(At<std::int32_t>(file, 98528), 31);

    auto read = std::make_unique<ValFileRecord>();
    valfile::Layout layout = valfile::Layout::Older;
    std::string error;
    ASSERT_TRUE(valfile::Decode(file, read.get(), &error, &layout)) << error;
    EXPECT_EQ(layout, valfile::Layout::Current);
    EXPECT_TRUE(valfile::Encode(*read) == file) << "decoding lost or moved a field";
}

TEST(ValFile, OlderLayoutIsConverted) {
    const std::string file = Fixture("older.val");
    ASSERT_EQ(file.size(), valfile::kOldRecordSize);
    auto r = std::make_unique<ValFileRecord>();
    valfile::Layout layout = valfile::Layout::Current;
    std::string error;
    ASSERT_TRUE(valfile::Decode(file, r.get(), &error, &layout)) << error;
    EXPECT_EQ(layout, valfile::Layout::Older);
    EXPECT_STREQ(r->date, "12-01-2009");
    EXPECT_STREQ(r->time, "08:00:00");
    EXPECT_STREQ(r->device, "kestro xx01");
    EXPECT_STREQ(r->versionNumber, "1.50");
    EXPECT_STREQ(r->versionDate, "2009-10-02");
    EXPECT_EQ(r->tint, 100.0f);
    EXPECT_EQ(r->pixelCount, 1024);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->fit[0], static_cast<float>(350.123456789));
    EXPECT_EQ(r->fit[2], static_cast<float>(-2e-5));
    for (int a = 0; a < 6; ++a) // copied whole, beyond the pixel count too
        EXPECT_EQ(Array(*r, a)[2048], (a + 1) * 100.0 + 2048 * 0.5) << a;
    EXPECT_EQ(r->measured, 3);
    EXPECT_STREQ(r->comment, "old");
}

TEST(ValFile, BadFilesAreRefusedAndChangeNothing) {
    const std::string current = Fixture("current.val");
    const std::string older = Fixture("older.val");
    using Edit = std::function<void(std::string&)>;
    auto put = [](std::size_t offset, auto v) {
        return [=](std::string& b) { std::memcpy(b.data() + offset, &v, sizeof v); };
    };
    auto fill = [](std::size_t offset, std::size_t n) {
        return [=](std::string& b) { std::memset(b.data() + offset, 'x', n); };
    };
    struct Case {
        const char* name;
        const std::string* base;
        Edit edit;
    };
    const Case cases[] = {
        {"empty", &current, [](std::string& b) { b.clear(); }},
        {"truncated", &current, [](std::string& b) { b.pop_back(); }},
        {"oversize", &current, [](std::string& b) { b.push_back('\0'); }},
        {"between the layouts", &older, [](std::string& b) { b.append(28, '\0'); }},
        {"garbage", &current, [](std::string& b) { std::memset(b.data(), 0xA5, b.size()); }},
        {"no pixels", &current, put(136, std::int32_t{0})},
        {"negative pixels", &current, put(136, std::int32_t{-5})},
        {"too many pixels", &current, put(136, std::int32_t{2050})},
        {"fit not a number", &current, put(160, std::nanf(""))},
        {"wavelengths falling", &current, put(156, -0.2f)},
        {"time infinite", &current, put(132, HUGE_VALF)},
        {"date unterminated", &current, fill(0, 11)},
        {"device unterminated", &current, fill(20, 50)},
        {"version date unterminated", &current, fill(120, 12)},
        {"comment unterminated", &current, fill(98532, 164)},
        {"older device unterminated", &older, fill(20, 20)},
        {"older version not a number", &older, put(40, std::nanf(""))},
        {"older fit beyond float", &older, put(80, 1e300)},
        {"older too many pixels", &older, put(60, std::int32_t{4096})},
    };
    for (const Case& c : cases) {
        std::string bytes = *c.base;
        c.edit(bytes);
        auto r = CurrentSample();
        std::string error;
        EXPECT_FALSE(valfile::Decode(bytes, r.get(), &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_TRUE(valfile::Encode(*r) == valfile::Encode(*CurrentSample())) << c.name;
    }
}

TEST(ValFile, LongCommentsAreCutToTheCommentPanelsSize) {
    std::string bytes = Fixture("current.val");
    std::memset(bytes.data() + 98532, 'c', 163);
    auto r = std::make_unique<ValFileRecord>();
    ASSERT_TRUE(valfile::Decode(bytes, r.get(), nullptr));
    EXPECT_EQ(std::string(r->comment), std::string(valfile::kCommentChars, 'c'));

    struct Case {
        std::vector<std::string> lines;
        std::string comment;
    };
    const std::string l45(45, 'l');
    const Case cases[] = {
        {{"ab", "", "cd"}, "abcd"},
        {{"1", "2", "3", "4", "5"}, "1234"},
        {{l45, l45, l45, l45}, std::string(156, 'l')},
        {{std::string(38, 'a') + "é"}, std::string(38, 'a')}, // no half character
    };
    for (const Case& c : cases)
        EXPECT_EQ(valfile::BuildComment(c.lines), c.comment);
}

TEST(ValFile, GridPointsStayWithinTheArrays) {
    struct Case {
        float fit[5];
        int pixels;
        std::size_t points;
    };
    const Case cases[] = {
        {{380.7f, 0.2f, 0, 0, 0}, 2001, 40001},    // 380 .. 780 nm
        {{-5.5f, 0.01f, 0, 0, 0}, 1001, 901},      // truncated toward zero: -5 .. 4
        {{300.0f, 1.0f, 0, 0, 0}, 2049, 204801},   // 300 .. 2348 nm
        {{300.0f, 10.0f, 0, 0, 0}, 2049, 204801},  // capped
        {{800.0f, -0.2f, 0, 0, 0}, 2049, 0},       // falling: empty range
        {{0.0f, 0.0f, 0, 0, 3e38f}, 2049, 204801}, // overflows to infinity
        {{0.0f, 0.0f, 0, 0, -3e38f}, 2049, 0},     // and to minus infinity
        {{380.0f, 0.2f, 0, 0, 0}, 0, 0},           // no pixels
    };
    for (const Case& c : cases) {
        ValFileRecord r;
        std::memcpy(r.fit, c.fit, sizeof r.fit);
        r.pixelCount = c.pixels;
        EXPECT_EQ(valfile::GridPoints(r), c.points) << c.fit[0] << " " << c.fit[1];
    }
}

TEST(ValFile, SaveAndLoadThroughFiles) {
    const fs::path dir = fs::temp_directory_path() / ("orvalin_val_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "a.val").string();
    auto sample = CurrentSample();
    std::string error;
    ASSERT_EQ(valfile::Save(path, *sample, &error), 0) << error;
    auto read = std::make_unique<ValFileRecord>();
    ASSERT_EQ(valfile::Load(path, read.get(), &error), 0) << error;
    EXPECT_TRUE(valfile::Encode(*read) == valfile::Encode(*sample));

    // A set the record cannot hold is refused, and the file on disk stays.
    sample->pixelCount = 2050;
    error.clear();
    EXPECT_EQ(valfile::Save(path, *sample, &error), -1);
    EXPECT_NE(error.find("2050"), std::string::npos) << error;
    ASSERT_EQ(valfile::Load(path, read.get(), &error), 0);
    EXPECT_EQ(read->pixelCount, 2048);

    EXPECT_EQ(valfile::Load((dir / "missing.val").string(), read.get(), &error), -1);
    EXPECT_NE(error.find("missing.val"), std::string::npos);
    fs::remove_all(dir);
}

} // namespace
