// The instrument's parameter store as the parameter window meets it: every
// row of the program's table read, parsed and written back, refusals, the
// getters following the store, the three copies, and the parameter block.
#include <cstring>
#include <string>
#include <vector>

#include "helpers.hpp"
#include "parameters/par_table.h"
#include "sim_model.hpp"

namespace {

using namespace parameters;
const std::string kAckText(1, static_cast<char>(ZOLT_ACK));
const std::string kNakText(1, static_cast<char>(ZOLT_NAK));
const std::string kPw = std::string(" ") + zolt::kFirmwarePassword;

class SimParams : public ztest::Sim {
  protected:
    uint32_t openType(int type) {
        char err[200];
        std::string text = "[device]\ntype = " + std::to_string(type) + "\n";
        EXPECT_EQ(zsim_Configure(text.c_str(), err, sizeof err), 0) << err;
        return open();
    }
    static std::string send(uint32_t h, const std::string& command) {
        char reply[ZOLT_REPLY_MAX];
        EXPECT_EQ(ZOLT_ArbitraryCommand(h, command.c_str(), reply), ZOLT_OK) << command;
        return reply;
    }
    static std::vector<uint8_t> block(uint32_t h) {
        std::vector<uint8_t> b(ZOLT_PARAM_BLOCK_SIZE);
        EXPECT_EQ(ZOLT_GetParamBlock(h, b.data()), ZOLT_OK);
        return b;
    }
    static float blockFloat(const std::vector<uint8_t>& b, size_t offset) {
        float v = 0;
        std::memcpy(&v, &b[offset], 4);
        return v;
    }
};

TEST_F(SimParams, EveryRowOfTheTableReadsInItsTypesFormAndTakesItsValueBack) {
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE("device type " + std::to_string(type));
        zsim_Reset();
        uint32_t h = openType(type);
        std::vector<ParameterControl> table;
        PU_InitParameters(type, table);
        std::vector<ParValue> values;
        std::vector<std::string> answers;
        for (const ParameterControl& row : table) {
            const std::string q(row.queryCommand);
            std::string a = send(h, q);
            answers.push_back(a);
            ASSERT_NE(a.substr(0, 1), kNakText) << q;
            ASSERT_LT(a.size(), size_t{ZOLT_REPLY_MAX});
            ASSERT_EQ(a.find('\r'), a.size() - 1) << q;
            const std::string word = q.substr(1, q.find('?') - 1);
            const std::string label = word.substr(word.find(':') + 1);
            if (type == 3)
                EXPECT_EQ(a.find_first_of(":\t"), std::string::npos) << q << " " << a;
            else
                EXPECT_EQ(a.rfind(label + ":\t", 0), 0u) << q << " " << a;
            auto v = PU_FirmwareAnswer_to_ControlValue(row.dataType,
                                                       PU_AnswerField(a, row.answerField, type));
            ASSERT_TRUE(v.has_value()) << q << " field " << row.answerField << ": " << a;
            values.push_back(*v);
        }
        // Rows another device type has are refused here.
        for (const ParRowSpec& s : kParameterRows)
            for (std::string_view q : {s.query, s.query3}) {
                bool mine = false;
                for (const ParameterControl& row : table)
                    mine = mine || row.queryCommand == q;
                if (!q.empty() && !mine) {
                    EXPECT_EQ(send(h, std::string(q)), kNakText) << q;
                }
            }
        // Each value written back as the window writes it is taken and changes nothing.
        std::vector<ParTextRow> rows =
            PU_TextRows(table, values, std::vector<bool>(table.size(), true));
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i].setCommand.find("**") != std::string_view::npos ||
                PU_ControlName_to_Index(table, table[i].tab, table[i].control) != i)
                continue;
            ParSetCommand cmd;
            ASSERT_TRUE(PU_SetParameterCommand(table, rows, i, zolt::kFirmwarePassword, &cmd))
                << cmd.error;
            EXPECT_EQ(send(h, cmd.command), kAckText) << cmd.command;
        }
        for (size_t i = 0; i < table.size(); ++i)
            EXPECT_EQ(send(h, std::string(table[i].queryCommand)), answers[i]);
        ZOLT_CloseDevice(h);
    }
}

TEST_F(SimParams, SetsAreCheckedAndShowInTheAnswer) {
    struct Case {
        int type;
        std::string command; // "\r" appended
        bool taken;
        const char* query; // then answers this
        const char* answer;
    } cases[] = {
        {1, "*para:tint 25", true, "*Para:Tint?", "TINT:\t25\r"},
        {1, "*PARA:TINT 0.001", false, "*PARA:TINT?", "TINT:\t10\r"},
        {3, "*PARA:TINT 0.006", true, "*PARA:TINT?", "0.006\r"},
        {1, "*PARA:BORD 65 90", true, "*PARA:BORD?", "BORD:\t65\t90\r"},
        {3, "*PARA:BORD 65 90", true, "*PARA:BORD?", "65 90\r"},
        {1, "*PARA:BORD 65", false, "*PARA:BORD?", "BORD:\t66\t89\r"},
        {1, "*PARA:BORD 65 256", false, "*PARA:BORD?", "BORD:\t66\t89\r"},
        {1, "*PARA:SERN SN 1" + kPw, true, "*PARA:SERN?", "SERN:\tSN 1\r"},
        {1, "*PARA:SERN SN1", false, "*PARA:SERN?", "SERN:\tZS10001\r"},
        {1, "*PARA:SERN SN1 7390", false, "*PARA:SERN?", "SERN:\tZS10001\r"},
        {3, "*PARA:SERN SN 1", true, "*PARA:SERN?", "SN 1\r"},
        {3, "*PARA:LASERLIM 60", false, "*PARA:LASERLIM?", "80\r"},
        {3, "*PARA:LASERLIM 60" + kPw, true, "*PARA:LASERLIM?", "60\r"},
        {1, "*PARA:WAVLIMIT 900 300" + kPw, false, nullptr, nullptr},
        {1, "*PARA:WAVLIMIT 300 900" + kPw, true, "*PARA:WAVLIMIT?", "WAVLIMIT:\t300\t900\r"},
        {1, "*PARA:PIX 1024", false, "*PARA:PIX?", "PIX:\t2048\r"},
        {1, "*PARA:PIX 2048", true, "*PARA:PIX?", "PIX:\t2048\r"},
        {3, "*PARA:SENS 2 1024", false, "*PARA:SENS?", "1 2048\r"},
        {3, "*PARA:SENS 2 2048", true, "*PARA:SENS?", "2 2048\r"},
        {1, "*PARA:NOSUCH 1", false, "*PARA:NOSUCH?", "\x15"},
        {1, "*VERS 9", false, "*vers?", "VERS:\t2.3.1\r"},
        {1, "*PARA:CORRCOEFF 2 7e-7", true, "*PARA:CORRCOEFF?", "CORRCOEFF:\t0\t0\t7e-07\t0\r"},
        {1, "*PARA:CORRCOEFF 4 1", false, nullptr, nullptr},
        {1, "*PARA:ADCV 4", false, "*PARA:ADCV?", "ADCV:\t0\r"},
        {3, "*PARA:ADCV 4", true, "*PARA:ADCV?", "4\r"},
        {3, "*PARA:PDAG LOW", true, "*PARA:PDAG?", "low\r"},
        {1, "*PARA:PDAG low", false, "*PARA:PDAG?", "PDAG:\t1\r"},
        {1, "*PARA:FAULTPI 2 12 345", true, "*PARA:FAULTPI?", "FAULTPI:\t2\t12\t345\r"},
        {1, "*PARA:FAULTPI 2 12", false, nullptr, nullptr},
        {1, "*PARA:FAULTPI 1 2048", false, nullptr, nullptr},
        {1, "*PARA:OFFS -5", true, "*PARA:OFFS?", "OFFS:\t-5\r"},
        {1, "*CONF:AVER 0", false, "*CONF:AVER?", "AVER:\t1\r"},
        {1, "*PARA:SPIBR 1e6", false, nullptr, nullptr},
        {1, "*PARA:TINT", false, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        zsim_Reset();
        uint32_t h = openType(c.type);
        EXPECT_EQ(send(h, c.command + "\r"), c.taken ? kAckText : kNakText);
        if (c.query) {
            EXPECT_EQ(send(h, std::string(c.query) + "\r"), c.answer);
        }
    }
}

TEST_F(SimParams, TheGettersFollowTheStore) {
    uint32_t h = open();
    for (const char* c : {"*PARA:CORRCOEFF 1 -2.5\r", "*CONF:AVER 7\r", "*PARA:FIT3 7e-7\r",
                          "*PARA:BORD 65 90\r", "*PARA:CORRRANGE 300 900\r", "*PARA:SPLITT 40\r"})
        ASSERT_EQ(send(h, c), kAckText) << c;
    ASSERT_EQ(send(h, "*PARA:ADCR 12" + kPw + "\r"), kAckText);
    float coeff[4] = {}, fit[5] = {};
    uint16_t most = 0, aver = 0;
    uint8_t lo = 0, hi = 0, bits = 0;
    int32_t first = 0, last = 0, split = 0;
    ASSERT_EQ(ZOLT_GetCorrectionCoeff(h, coeff) | ZOLT_GetAverConf(h, &most, &aver) |
                  ZOLT_GetFit(h, fit) | ZOLT_GetBorder(h, &lo, &hi) |
                  ZOLT_GetCorrectionRange(h, &first, &last) | ZOLT_GetSplitTime(h, &split) |
                  ZOLT_GetADCRes(h, &bits),
              ZOLT_OK);
    EXPECT_EQ(coeff[1], -2.5f);
    EXPECT_EQ(aver, 7);
    EXPECT_EQ(fit[3], 7e-7f);
    EXPECT_EQ(std::string({static_cast<char>(lo), static_cast<char>(hi)}), "AZ");
    EXPECT_EQ(first * 1000 + last, 300900);
    EXPECT_EQ(split, 40);
    EXPECT_EQ(bits, 12);
}

TEST_F(SimParams, WorkingSavedAndBackupCopies) {
    uint32_t h = openType(3);
    auto tint = [&] { return send(h, "*PARA:TINT?\r"); };
    send(h, "*PARA:TINT 25\r");
    ASSERT_EQ(ZOLT_Reset(h), ZOLT_OK);
    EXPECT_EQ(tint(), "10\r") << "unsaved values are lost at a reset";
    send(h, "*PARA:TINT 25\r");
    EXPECT_EQ(send(h, "*para:save\r"), kAckText);
    EXPECT_EQ(send(h, "*para:backup 58VORN73\r"), kNakText);
    EXPECT_EQ(send(h, "*para:backup\r"), kNakText);
    EXPECT_EQ(send(h, std::string("*PARA:BACKUP ") + zolt::kAccessCode + "\r"), kAckText);
    send(h, "*PARA:TINT 30\r");
    send(h, "*para:save\r");
    ZOLT_CloseDevice(h);
    h = open();
    EXPECT_EQ(tint(), "30\r") << "saved values last over a new connection";
    EXPECT_EQ(send(h, "*para:restore 58vorn7\r"), kNakText);
    EXPECT_EQ(tint(), "30\r");
    EXPECT_EQ(send(h, std::string("*para:restore ") + zolt::kAccessCode + "\r"), kAckText);
    EXPECT_EQ(tint(), "25\r");
    ASSERT_EQ(ZOLT_Reset(h), ZOLT_OK);
    EXPECT_EQ(tint(), "25\r") << "a restore is kept for power-on";
    float t = 0;
    ASSERT_EQ(ZOLT_GetTint(h, &t), ZOLT_OK);
    EXPECT_EQ(t, 25.0f);
}

TEST_F(SimParams, TheBlockAgreesWithTheParametersAndAWrittenOneIsKept) {
    for (int type : {0, 1, 2, 4}) {
        SCOPED_TRACE("device type " + std::to_string(type));
        zsim_Reset();
        uint32_t h = openType(type);
        send(h, "*PARA:TINT 12.5\r");
        std::vector<uint8_t> b = block(h);
        char fw[ZOLT_FIRMWARE_MAX];
        float fit[5] = {}, tint = 0;
        int32_t pixels = 0;
        ASSERT_EQ(ZOLT_GetFirmwareVersion(h, fw), ZOLT_OK);
        ASSERT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
        ASSERT_EQ(ZOLT_GetTint(h, &tint), ZOLT_OK);
        ASSERT_EQ(ZOLT_GetPixel(h, &pixels), ZOLT_OK);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), strnlen(fw, 64)),
                  std::string(fw, strnlen(fw, 64)));
        EXPECT_EQ(blockFloat(b, 72), static_cast<float>(pixels));
        EXPECT_EQ(blockFloat(b, 76), tint);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(blockFloat(b, 256 + 4 * static_cast<size_t>(k)), fit[k]);

        // Changed fields, a byte no parameter holds, a stale checksum.
        float newTint = 40.0f, newFit0 = 200.5f;
        std::memcpy(&b[76], &newTint, 4);
        std::memcpy(&b[256], &newFit0, 4);
        b[800] = 0xA5;
        b[1022] ^= 0xFF;
        ASSERT_EQ(ZOLT_SetParamBlock(h, b.data()), ZOLT_OK);
        ASSERT_EQ(ZOLT_Reset(h), ZOLT_OK);
        ASSERT_EQ(ZOLT_GetTint(h, &tint), ZOLT_OK);
        ASSERT_EQ(ZOLT_GetFit(h, fit), ZOLT_OK);
        EXPECT_EQ(tint, 40.0f);
        EXPECT_EQ(fit[0], 200.5f);
        EXPECT_EQ(send(h, "*PARA:FIT0?\r"), "FIT0:\t200.5\r");
        std::vector<uint8_t> back = block(h);
        EXPECT_EQ(back[800], 0xA5);
        uint32_t sum = 0;
        for (size_t i = 0; i < 1022; ++i)
            sum += back[i];
        EXPECT_EQ(back[1022] | back[1023] << 8, static_cast<int>(sum & 0xFFFF));

        // Values a parameter refuses leave the instrument as it was.
        for (size_t offset : {size_t{72}, size_t{76}}) { // another sensor; a 0 ms time
            std::vector<uint8_t> bad = back;
            float v = offset == 72 ? 1024.0f : 0.0f;
            std::memcpy(&bad[offset], &v, 4);
            bad[801] = 0x5A;
            EXPECT_EQ(ZOLT_SetParamBlock(h, bad.data()), ZOLT_E_INVALID_ARG);
            EXPECT_EQ(block(h), back);
        }
        ZOLT_CloseDevice(h);
    }
    uint32_t h3 = openType(3);
    std::vector<uint8_t> b(ZOLT_PARAM_BLOCK_SIZE);
    EXPECT_EQ(ZOLT_GetParamBlock(h3, b.data()), ZOLT_E_NOT_SUPPORTED);
}

TEST_F(SimParams, ALongIdentificationStillFitsTheReply) {
    ZSimDevice d;
    zsim_DefaultDevice(&d);
    std::string fw = "A B " + std::string(sizeof d.firmware - 5, 'v');
    std::memcpy(d.firmware, fw.c_str(), fw.size() + 1);
    zsim_ClearDevices();
    ASSERT_EQ(zsim_AddDevice(&d), 0);
    uint32_t h = open();
    std::string a = send(h, "*VERS?\r");
    EXPECT_EQ(a.size(), size_t{ZOLT_REPLY_MAX - 1});
    EXPECT_EQ(a.back(), '\r');
}

} // namespace
