#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

#include "parameters/par_block.h"

using namespace parameters;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ParBlockItem RowAt(int offset) {
    for (const ParBlockItem& r : PU_InitParBlock())
        if (r.type != ParBlockType::Separator && r.offset == offset)
            return r;
    ADD_FAILURE() << "no field at " << offset;
    return {};
}

int Width(const ParBlockItem& r) {
    switch (r.type) {
    case ParBlockType::String:
        return r.size;
    case ParBlockType::UChar:
        return 1;
    case ParBlockType::UShort:
    case ParBlockType::Short:
        return 2;
    default:
        return 4;
    }
}

TEST(ParBlock, LayoutCoversTheBlockWithoutOverlap) {
    const auto rows = PU_InitParBlock();
    ASSERT_EQ(rows.size(), 350u);
    std::set<int> owned;
    int separators = 0;
    for (const ParBlockItem& r : rows) {
        if (r.type == ParBlockType::Separator) {
            ++separators;
            EXPECT_TRUE(r.label.empty());
            continue;
        }
        for (int b = r.offset; b < r.offset + Width(r); ++b)
            EXPECT_TRUE(owned.insert(b).second) << r.label << " overlaps at byte " << b;
    }
    EXPECT_EQ(separators, 25);
    EXPECT_EQ(*owned.rbegin(), 1023);
    // Only the two gaps belong to no field.
    EXPECT_EQ(owned.size(), 1020u);
    for (int gap : {984, 985, 988, 989})
        EXPECT_FALSE(owned.count(gap)) << gap;
}

TEST(ParBlock, DecodesTheIndependentlyPackedFixture) {
    const std::string bytes = Slurp(PARAMETER_FIXTURES "/parblock.bin");
    ASSERT_EQ(bytes.size(), kParBlockSize);
    ParBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    std::istringstream expected(Slurp(PARAMETER_FIXTURES "/parblock_lines.txt"));

    auto rows = PU_InitParBlock();
    const auto lines = PU_ParBlockBuffer_Interprate(block, rows);
    ASSERT_EQ(lines.size(), 350u);
    std::string want;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(std::getline(expected, want));
        EXPECT_EQ(lines[i].text, want) << "line " << i;
        EXPECT_EQ(lines[i].row, static_cast<int>(i));
    }
}

TEST(ParBlock, BinaryDigitsInGroupsOfFour) {
    EXPECT_EQ(main_32bit_to_binary(0xA5), "0000 0000 0000 0000 0000 0000 1010 0101 ");
    EXPECT_EQ(main_32bit_to_binary(0x80000001u), "1000 0000 0000 0000 0000 0000 0000 0001 ");
}

TEST(ParBlock, SmallFloatsStayDistinguishable) {
    for (float v : {7e-7f, 7.0000005e-7f, 1e-30f, -3.4e38f, 0.1f}) {
        ParBlock b{};
        ParBlock_PutFloat(b, 794, v);
        const std::string text = ParBlock_ValueText(b, RowAt(794));
        EXPECT_EQ(std::stof(text), v) << text;
    }
}

struct EditCase {
    int offset;
    const char* input;
    bool ok;
    const char* shown; // value text after the edit (before it when refused)
};

TEST(ParBlock, EditsAreCheckedAgainstTheFieldType) {
    const std::string tooLong(33, 'x');
    const EditCase cases[] = {
        {88, "255", true, "255"},
        {88, "300", false, "7"},
        {88, "-1", false, "7"},
        {92, " 65535 ", true, "65535"},
        {92, "65536", false, "7"},
        {128, "-32768", true, "-32768"},
        {128, "32768", false, "7"},
        {892, "4294967295", true, "4294967295"},
        {892, "-1", false, "7"},
        {892, "4294967296", false, "7"},
        {140, "0xA5", true, "0xA5 (0000 0000 0000 0000 0000 0000 1010 0101 )"},
        {140, "ff", true, "0xFF (0000 0000 0000 0000 0000 0000 1111 1111 )"},
        {140, "0x", false, "0x7 (0000 0000 0000 0000 0000 0000 0000 0111 )"},
        {140, "0x1FFFFFFFF", false, "0x7 (0000 0000 0000 0000 0000 0000 0000 0111 )"},
        {794, "7e-7", true, "7e-07"},
        {794, "abc", false, "7.000000"},
        {794, "1,5", true, "1.500000"},
        {794, "1,5,0", false, "7.000000"},
        {794, "1e39", false, "7.000000"},
        {794, "1e-50", false, "7.000000"},
        {794, "1234567890123456", false, "7.000000"},
        {990, "short", true, "short"},
        {990, tooLong.c_str(), false, "7"},
    };
    for (const EditCase& c : cases) {
        const ParBlockItem row = RowAt(c.offset);
        ParBlock b{};
        // Every field starts at 7 (the string field at "7").
        if (row.type == ParBlockType::String)
            b[990] = '7';
        else if (row.type == ParBlockType::Float)
            ParBlock_PutFloat(b, 794, 7.0f);
        else
            b[static_cast<std::size_t>(c.offset)] = 7;
        const ParBlock before = b;
        const ParBlockEditResult r = ParBlock_ApplyEdit(b, row, c.input);
        EXPECT_EQ(r.ok, c.ok) << c.offset << " " << c.input;
        EXPECT_EQ(r.error.empty(), c.ok) << r.error;
        EXPECT_EQ(ParBlock_ValueText(b, row), c.shown) << c.offset << " " << c.input;
        if (!c.ok) {
            EXPECT_EQ(b, before);
        }
        // Neighbouring bytes are never touched.
        EXPECT_EQ(b[static_cast<std::size_t>(c.offset) - 1],
                  before[static_cast<std::size_t>(c.offset) - 1]);
    }
}

TEST(ParBlock, ShorterTextClearsTheRestOfTheField) {
    ParBlock b{};
    b.fill(0xAB);
    const ParBlockItem row = RowAt(990);
    ASSERT_TRUE(ParBlock_ApplyEdit(b, row, "hi").ok);
    EXPECT_EQ(b[990], 'h');
    for (int i = 992; i < 1022; ++i)
        EXPECT_EQ(b[static_cast<std::size_t>(i)], 0) << i;
    EXPECT_EQ(b[1022], 0xAB);
}

TEST(ParBlock, EditPromptTexts) {
    const std::pair<int, const char*> cases[] = {
        {0, "String 64 characters"},
        {64, "Float number"},
        {88, "Unsigned char [0 to 255]"},
        {92, "Unsigned short [0 to 65,535]"},
        {128, "Short [-32,768 to 32,767]"},
        {140, "4 bytes as hex"},
        {892, "Unsigned long [0 to 4,294,967,295]"},
    };
    ParBlock b{};
    for (const auto& [offset, typeText] : cases) {
        ParBlockEditPrompt p;
        const ParBlockItem row = RowAt(offset);
        ASSERT_TRUE(ParBlock_EditPrompt(b, row, &p));
        EXPECT_EQ(p.title, row.label);
        EXPECT_EQ(p.message,
                  std::string(typeText) + "\nCurrent value: " + ParBlock_ValueText(b, row));
        EXPECT_EQ(p.maxLength, offset == 0 ? 64 : 15);
    }
    ParBlockEditPrompt p;
    EXPECT_FALSE(ParBlock_EditPrompt(b, PU_InitParBlock()[7], &p)); // a separator
}

} // namespace
