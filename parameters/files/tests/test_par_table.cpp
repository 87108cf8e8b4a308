#include <gtest/gtest.h>
#include <limits>

#include "parameters/par_table.h"

using namespace parameters;

namespace {

std::size_t IndexOf(const std::vector<ParameterControl>& t, std::string_view control) {
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].control == control)
            return i;
    return t.size();
}

TEST(ParTable, RowsPerDeviceType) {
    struct Case {
        int type;
        std::size_t rows;
        bool devnum, pixbin, sernPassword;
        std::string_view aver, pixQuery;
        int pixField;
    };
    const Case cases[] = {
        {0, 94, false, false, true, "*CONF:AVER", "*PARA:PIX?\r", 1},
        {2, 94, false, false, true, "*CONF:AVER", "*PARA:PIX?\r", 1},
        {3, 96, true, true, false, "*PARA:AVER", "*PARA:SENS?\r", 2},
        {4, 95, true, false, true, "*CONF:AVER", "*PARA:PIX?\r", 1},
        {9, 95, true, false, true, "*CONF:AVER", "*PARA:PIX?\r", 1},
    };
    for (const Case& c : cases) {
        std::vector<ParameterControl> t;
        PU_InitParameters(c.type, t);
        ASSERT_EQ(t.size(), c.rows) << c.type;
        EXPECT_EQ(IndexOf(t, "UT_DEVNUM") < t.size(), c.devnum);
        if (c.devnum) {
            EXPECT_EQ(IndexOf(t, "UT_DEVNUM"), IndexOf(t, "UT_SPNUM") + 1);
        }
        EXPECT_EQ(IndexOf(t, "UT_PIXBIN") < t.size(), c.pixbin);
        if (c.pixbin) {
            EXPECT_EQ(IndexOf(t, "UT_PIXBIN"), IndexOf(t, "UT_OVSAMP") + 1);
        }
        EXPECT_EQ(t[IndexOf(t, "UT_SERN")].needsPassword, c.sernPassword);
        EXPECT_EQ(t[IndexOf(t, "UT_ADCR")].needsPassword, c.sernPassword);
        EXPECT_TRUE(t[IndexOf(t, "UT_LASERLIM")].needsPassword);
        EXPECT_EQ(t[IndexOf(t, "UT_CONFAVER")].setCommand, c.aver);
        const ParameterControl& pix = t[IndexOf(t, "UT_PIX")];
        EXPECT_EQ(pix.queryCommand, c.pixQuery);
        EXPECT_EQ(pix.answerField, c.pixField);
        EXPECT_EQ(PU_ControlName_to_Index(t, ParTab::Cor, "UT_COR2"), IndexOf(t, "UT_COR2"));
        EXPECT_EQ(PU_ControlName_to_Index(t, ParTab::Root, "UT_COR2"), t.size());
    }
}

TEST(ParTable, RebuildKeepsInitialValuesAndKnowsTheSetCommands) {
    std::vector<ParameterControl> t;
    PU_InitParameters(0, t);
    t[IndexOf(t, "UT_TINT")].init.real = 12.5f;
    PU_InitParameters(0, t);
    EXPECT_EQ(t[IndexOf(t, "UT_TINT")].init.real, 12.5f);

    const auto known = PU_KnownSetCommands(t);
    const auto find = [&](std::string_view c) {
        for (const KnownSetCommand& k : known)
            if (k.command == c)
                return &k;
        return static_cast<const KnownSetCommand*>(nullptr);
    };
    EXPECT_EQ(find("**Firmware version "), nullptr);
    ASSERT_NE(find("*PARA:CORRCOEFF 3"), nullptr);
    ASSERT_NE(find("*PARA:SERN"), nullptr);
    EXPECT_TRUE(find("*PARA:SERN")->identity);
    EXPECT_FALSE(find("*PARA:BORD")->identity);
}

TEST(ParTable, SetCommandsCarryEveryValueOfTheirCommand) {
    std::vector<ParameterControl> t;
    PU_InitParameters(0, t);
    std::vector<ParValue> values;
    for (const ParameterControl& r : t)
        values.push_back(r.init);
    values[IndexOf(t, "UT_BORD_LOW")].integer = 100;
    values[IndexOf(t, "UT_BORD_HI")].integer = 4000000000;
    values[IndexOf(t, "UT_COR2")].real = 7e-7f;
    values[IndexOf(t, "UT_SERN")].text = "SN 1";
    const std::vector<bool> answered(t.size(), true);
    const auto rows = PU_TextRows(t, values, answered);

    ParSetCommand cmd;
    ASSERT_TRUE(PU_SetParameterCommand(t, rows, IndexOf(t, "UT_BORD_HI"), "", &cmd));
    EXPECT_EQ(cmd.command, "*PARA:BORD 100 4000000000\r");
    ASSERT_TRUE(PU_SetParameterCommand(t, rows, IndexOf(t, "UT_COR2"), "", &cmd));
    EXPECT_EQ(cmd.command, "*PARA:CORRCOEFF 2 7.000000e-07\r");
    ASSERT_TRUE(PU_SetParameterCommand(t, rows, IndexOf(t, "UT_SERN"), " 6043 ", &cmd));
    EXPECT_EQ(cmd.command, "*PARA:SERN SN 1 6043\r");
    EXPECT_EQ(cmd.logText.find("6043"), std::string::npos) << cmd.logText;

    values[IndexOf(t, "UT_SERN")].text = std::string(300, 'x');
    const auto longRows = PU_TextRows(t, values, answered);
    EXPECT_FALSE(PU_SetParameterCommand(t, longRows, IndexOf(t, "UT_SERN"), "6043", &cmd));
    EXPECT_TRUE(cmd.command.empty());
    EXPECT_EQ(cmd.error.find("6043"), std::string::npos) << cmd.error;
}

TEST(ParTable, ChangedValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const ParValue f1{ParDataType::Float, 0, 1.0f, {}}, fNan{ParDataType::Float, 0, nan, {}};
    const ParValue s1{ParDataType::String, 0, 0, "a"}, s2{ParDataType::String, 0, 0, "b"};
    const ParValue u1{ParDataType::UInt, 1, 0, {}}, u2{ParDataType::UInt, 2, 0, {}};
    EXPECT_FALSE(PU_ValueChanged(f1, f1));
    EXPECT_TRUE(PU_ValueChanged(fNan, fNan));
    EXPECT_FALSE(PU_ValueChanged(s1, s1));
    EXPECT_TRUE(PU_ValueChanged(s1, s2));
    EXPECT_TRUE(PU_ValueChanged(u1, u2));
}

TEST(ParTable, FindSeparatorCountsRuns) {
    const std::tuple<const char*, int, int> cases[] = {
        {"K:\t1\t2\r", 1, 1},  {"K:\t1\t2\r", 2, 4}, {"K:\t1\t2\r", 3, -1},
        {"K:\t1\t2\r", 0, -1}, {"\t1", 1, 0},        {"", 1, -1},
    };
    for (const auto& [text, n, want] : cases)
        EXPECT_EQ(interp_FindSeparator(text, ":;\n\t", n), want) << text << " " << n;
}

TEST(ParTable, AnswersBecomeControlValues) {
    struct Case {
        const char* answer;
        int field, deviceType;
        ParDataType type;
        std::optional<double> number; // integer or float result
        const char* text;             // string result
    };
    using enum ParDataType;
    const Case cases[] = {
        {"PIX:\t2048\r", 1, 0, UInt, 2048, nullptr},
        {"BORD:\t100\t60000\r", 2, 0, UInt, 60000, nullptr},
        {"BORD:\t100\t60000\r", 1, 0, UInt, 100, nullptr},
        {"100 200\r", 1, 3, UInt, 100, nullptr},
        {"100  200\r", 2, 3, UInt, 200, nullptr},
        {"K:;5\r", 1, 0, UInt, 5, nullptr},
        {"K:\t5\r", 2, 0, UInt, std::nullopt, nullptr}, // field missing: no number
        {"K:\t-5\r", 1, 0, UInt, std::nullopt, nullptr},
        {"K:\t4294967295\r", 1, 0, UInt, 4294967295.0, nullptr},
        {"K:\t70000\r", 1, 0, UShort, std::nullopt, nullptr},
        {"K:\t-7\r", 1, 0, Short, -7, nullptr},
        {"K:\t7e-7\t1\r", 1, 0, Float, 7e-7f, nullptr},
        {"K:\t1e39\r", 1, 0, Float, std::nullopt, nullptr},
        {"V:\tFW 1.2\tbuild 3\r", 1, 0, String, std::nullopt, "FW 1.2 build 3"},
        {"K:\t\r", 1, 0, String, std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        const auto v = PU_FirmwareAnswer_to_ControlValue(
            c.type, PU_AnswerField(c.answer, c.field, c.deviceType));
        SCOPED_TRACE(c.answer);
        if (c.text) {
            ASSERT_TRUE(v);
            EXPECT_EQ(v->text, c.text);
        } else if (!c.number) {
            EXPECT_FALSE(v.has_value());
        } else if (c.type == Float) {
            ASSERT_TRUE(v);
            EXPECT_EQ(v->real, static_cast<float>(*c.number));
        } else {
            ASSERT_TRUE(v);
            EXPECT_EQ(v->integer, static_cast<std::int64_t>(*c.number));
        }
    }
    EXPECT_TRUE(PU_AnswerRefused("\x15\r"));
    EXPECT_FALSE(PU_AnswerRefused("K:\t1\r"));
}

TEST(ParTable, SynthesisedCoefficientAnswersReadBackExactly) {
    const float coeffs[4] = {7e-7f, -1.00000012f, 3.0f, 0.0f};
    for (int type : {0, 3, 4}) {
        std::vector<ParameterControl> t;
        PU_InitParameters(type, t);
        const std::string answer = PU_CorrCoeffAnswer(coeffs, type);
        for (int i = 0; i < 4; ++i) {
            const ParameterControl& row = t[IndexOf(t, "UT_COR" + std::to_string(i))];
            const auto v = PU_FirmwareAnswer_to_ControlValue(
                row.dataType, PU_AnswerField(answer, row.answerField, type));
            ASSERT_TRUE(v) << answer;
            EXPECT_EQ(v->real, coeffs[i]) << "type " << type << ": " << answer;
        }
    }
    const auto aver = PU_FirmwareAnswer_to_ControlValue(
        ParDataType::UInt, PU_AnswerField(PU_AverConfAnswer(65535), 1, 0));
    ASSERT_TRUE(aver);
    EXPECT_EQ(aver->integer, 65535);
}

TEST(ParTable, LogLinesSpellOutControlCharacters) {
    EXPECT_EQ(PU_AddParLogLine("\x15\x06 \r\n\t\x03x"), "<NAK><ACK><SP><CR><LF><TAB><ETX>x");
    const std::string longAnswer(255, ' ');
    EXPECT_EQ(PU_AddParLogLine(longAnswer).size(), 255u * 4);
}

} // namespace
