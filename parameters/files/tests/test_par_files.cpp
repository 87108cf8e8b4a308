#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "parameters/par_file.h"
#include "parameters/par_text.h"
#include "parameters/sens_list.h"
#include "support_testing/comma_locale.h"

using namespace parameters;
namespace fs = std::filesystem;

namespace {

class ParFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvalin_parfiles_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Put(const char* name, const std::string& bytes) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    fs::path dir;
};

TEST_F(ParFilesTest, ParFileRoundTripsAndRefusesAnyOtherSize) {
    ParBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 7);
    const std::string path = (dir / "dev.par").string();
    std::string err;
    ASSERT_EQ(SaveParFile(path, block, &err), 0) << err;
    ParBlock back{};
    ASSERT_EQ(ReadParFile(path, &back, &err), 0) << err;
    EXPECT_EQ(back, block);
    EXPECT_EQ(ParFile_ListLabel(path), "Parameter block from file dev.par");

    mkfifo((dir / "fifo.par").c_str(), 0600);
    const std::string bad[] = {Put("empty.par", ""),
                               Put("short.par", std::string(1023, 'x')),
                               Put("long.par", std::string(1025, 'x')),
                               Put("huge.par", std::string(1 << 16, 'x')),
                               (dir / "missing.par").string(),
                               dir.string(),
                               (dir / "fifo.par").string()};
    for (const std::string& p : bad) {
        err.clear();
        EXPECT_EQ(ReadParFile(p, &back, &err), -1) << p;
        EXPECT_NE(err.find(p), std::string::npos) << err;
        EXPECT_EQ(back, block) << p; // untouched
    }
    EXPECT_EQ(SaveParFile((dir / "no" / "x.par").string(), block, &err), -1);
}

ParValue Int(ParDataType t, std::int64_t v) {
    return {t, v, 0.0f, {}};
}
ParValue Real(float v) {
    return {ParDataType::Float, 0, v, {}};
}
ParValue Text(const char* s) {
    return {ParDataType::String, 0, 0.0f, s};
}

TEST(ParText, ValuesFormatForTheInstrument) {
    const std::pair<ParValue, const char*> cases[] = {
        {Int(ParDataType::UInt, 4294967295), "4294967295"},
        {Int(ParDataType::UInt, -1), nullptr},
        {Int(ParDataType::Char, 200), nullptr},
        {Int(ParDataType::Short, -32768), "-32768"},
        {Int(ParDataType::Double, 1), nullptr},
        {Real(7e-7f), "7.000000e-07"},
        {Real(1.00000012f), "1.0000001e+00"},
        {Real(std::numeric_limits<float>::quiet_NaN()), nullptr},
        {Text("  a\tb\r\n"), "a b"},
    };
    for (const auto& [v, want] : cases) {
        const auto got = PU_ParameterValue_to_String(v, NumberStyle::Machine);
        if (want)
            EXPECT_EQ(got.value_or("<none>"), want);
        else
            EXPECT_FALSE(got.has_value()) << *got;
    }
}

std::vector<ParTextRow> SampleRows() {
    return {
        {"**Firmware version ", true, Text("FW 1.0")},
        {"*PARA:TINT", true, Real(12.5f)},
        {"*PARA:BORD", true, Int(ParDataType::UInt, 100)},
        {"*PARA:BORD", true, Int(ParDataType::UInt, 60000)},
        {"*PARA:ADAP", false, Int(ParDataType::UInt, 3)}, // refused: left out
        {"*PARA:CORRCOEFF 0", true, Real(-1.5f)},
        {"*PARA:OFFS", true, Int(ParDataType::Double, 1)}, // no text form: command only
    };
}

TEST(ParText, TextListsSetCommandsInByteOrder) {
    const auto rows = SampleRows();
    EXPECT_EQ(PU_AllParameter_to_Text(rows, NumberStyle::Machine),
              "**Firmware version  FW 1.0\n" // the set command ends in a blank
              "*PARA:BORD 100 60000\n"
              "*PARA:CORRCOEFF 0 -1.500000e+00\n"
              "*PARA:OFFS\n"
              "*PARA:TINT 1.250000e+01\n");
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    support_testing::UserLocaleScope scope(comma);
    const std::string user = PU_AllParameter_to_Text(rows, NumberStyle::User);
    EXPECT_NE(user.find("*PARA:TINT 1,250000e+01\n"), std::string::npos) << user;
    EXPECT_NE(user.find("*PARA:BORD 100 60000\n"), std::string::npos) << user;
    EXPECT_NE(PU_AllParameter_to_Text(rows, NumberStyle::Machine).find("1.250000e+01"),
              std::string::npos);
}

TEST(ParText, ReplaySendsOnlyChangedKnownSetCommands) {
    const KnownSetCommand known[] = {
        {"*PARA:TINT", false}, {"*PARA:SERN", true}, {"*PARA:CORRCOEFF 2", false}};
    const std::string current =
        "*PARA:TINT 100\n*PARA:SERN 42\n**Firmware version 1\n*PARA:CORRCOEFF 2 4.8e-01\n";
    const std::string file = "*PARA:TINT 100\r\n"          // 1 unchanged
                             "*PARA:TINT 10\n"             // 2 a leading part of a current line
                             "*para:save\n"                // 3
                             "*PARA:TINTX 5\n"             // 4 not the command word
                             "**Firmware version 2\n"      // 5 never written
                             "ab\n"                        // 6 too short
                             "*PARA:SERN 43\n"             // 7 identity
                             "*PARA:TINT 1\r*para:save\n"  // 8 two commands in one line
                             "*PARA:CORRCOEFF 2 7,5e-7\n"  // 9 a decimal comma
                             "*PARA:CORRCOEFF 2 4,8e-01\n" // 10 the same as a current line
                             "*PARA:TINT 5;*para:save\n"   // 11 a chained command
                             "*PARA:TINT " +
                             std::string(300, '1'); // 12, long and not split
    const ReplayPlan plan = ParText_PlanReplay(file, current, known);
    ASSERT_EQ(plan.send.size(), 3u);
    EXPECT_EQ(plan.send[0].command, "*PARA:TINT 10");
    EXPECT_EQ(plan.send[1].command, "*PARA:SERN 43");
    EXPECT_TRUE(plan.send[1].identity);
    EXPECT_FALSE(plan.send[0].identity);
    EXPECT_EQ(plan.send[2].lineNumber, 9);
    EXPECT_EQ(plan.send[2].command, "*PARA:CORRCOEFF 2 7.5e-7");
    EXPECT_EQ(plan.unchanged, 2);
    std::vector<int> refused;
    for (const RefusedLine& r : plan.refused)
        refused.push_back(r.lineNumber);
    EXPECT_EQ(refused, (std::vector<int>{3, 4, 8, 11, 12}));
}

TEST(ParText, DefaultFileNameIsSafe) {
    const std::pair<const char*, const char*> cases[] = {
        {"SN123", "SN123.txt"},   {"", "parameters.txt"},       {"/", "_.txt"},
        {"a/../b", "a_.._b.txt"}, {"  ..  ", "parameters.txt"}, {"x\ny", "x_y.txt"},
    };
    for (const auto& [serial, name] : cases)
        EXPECT_EQ(ParText_DefaultFileName(serial), name) << serial;
}

TEST_F(ParFilesTest, TextFileReadIsBounded) {
    std::string text;
    EXPECT_EQ(ParText_ReadFile(Put("ok.txt", "*PARA:TINT 5\n"), &text), 0);
    EXPECT_EQ(text, "*PARA:TINT 5\n");
    std::string err;
    EXPECT_EQ(
        ParText_ReadFile(Put("big.txt", std::string(kMaxParTextFileSize + 1, 'x')), &text, &err),
        -1);
    EXPECT_NE(err.find("larger"), std::string::npos) << err;
}

struct SensCase {
    int deviceType;
    const char* text;
    std::vector<std::pair<int, const char*>> sensors;
    bool stopped;
};

TEST(SensList, ParsesRecordsAndStopsOnAMismatch) {
    const std::string longName = std::string(100, 'n') + " 1";
    const SensCase cases[] = {
        {0, "hdr 1 2 ZOLT:x 0 0 S1 7 -1 S2 8 0\n", {{7, "S1"}, {8, "S2"}}, false},
        {0, "S1 7 0 S2 8 0", {}, false}, // no "ZOLT:" record: nothing
        {0, "ZOLT: 0 0 S1 7 0 S2 x 0 S3 9 0", {{7, "S1"}}, true},
        {3, "A 1 A 1 B 2", {{1, "A"}, {1, "A"}, {2, "B"}}, false},
        {3, "A 1 B", {{1, "A"}}, true},
        {3, "A -1", {}, true},
        {3, "A 99999999999", {}, true},
        {3, longName.c_str(), {}, true},
    };
    for (const SensCase& c : cases) {
        const SensList list = SensList_Parse(c.text, c.deviceType);
        ASSERT_EQ(list.sensors.size(), c.sensors.size()) << c.text;
        for (std::size_t i = 0; i < c.sensors.size(); ++i) {
            EXPECT_EQ(list.sensors[i].number, c.sensors[i].first);
            EXPECT_EQ(list.sensors[i].name, c.sensors[i].second);
        }
        EXPECT_EQ(!list.stoppedAt.empty(), c.stopped) << c.text;
    }
    EXPECT_EQ(SensList_EntryText({7, "S1"}), "007    S1");
    EXPECT_EQ(SensList_FileName(3), "SPECSENs_TKRx7.ini");
    EXPECT_EQ(SensList_FileName(4), "SPECSENs.ini");
}

} // namespace
