#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "ini/ini.h"

namespace {

struct ParseCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> value; // nullopt: the key must be missing
};

TEST(IniParse, ReadsWhatTheFileMeans) {
    const std::string longValue(10000, 'v');
    const ParseCase cases[] = {
        {"letter case ignored", "[software]\nintegration time = 5\n", "Software",
         "Integration Time", "5"},
        {"first duplicate wins", "[S]\nA = 1\na = 2\n", "S", "A", "1"},
        {"repeated header continues", "[S]\nA=1\n[T]\nX=0\n[ S ]\nB=2\n", "s", "B", "2"},
        {"comments skipped", "[S]\n; A = 1\n  # A = 2\nA = 3\n", "S", "A", "3"},
        {"CRLF and BOM", "\xEF\xBB\xBF[S]\r\nA =  x y \r\n", "S", "A", "x y"},
        {"slash and blanks in key", "[P]\nFiber/Slit=50 / 25\n", "P", "fiber/slit", "50 / 25"},
        {"'=' inside the value", "[S]\nA = b=c ; #d\n", "S", "A", "b=c ; #d"},
        {"empty value", "[S]\nA =\n", "S", "A", ""},
        {"quoted string", "[S]\nA = \"  a \\\"q\\\" \\\\ \\n\\t\"\n", "S", "A",
         "  a \"q\" \\ \n\t"},
        {"unknown escape kept", "[S]\nA = \"C:\\dir\"\n", "S", "A", "C:\\dir"},
        {"unmatched quote literal", "[S]\nA = \"abc\n", "S", "A", "\"abc"},
        {"text after closing quote", "[S]\nA = \"a\" b\n", "S", "A", "\"a\" b"},
        {"no final line end", "[S]\nA = 1", "S", "A", "1"},
        {"10,000-character line", "[S]\nA = " + longValue + "\n", "S", "A", longValue},
        {"over-long line skipped",
         "[S]\nA = " + std::string(ini::kMaxLineLength, 'x') + "\nA = 2\n", "S", "A", "2"},
        {"key before any header", "A = 1\n[S]\n", "S", "A", std::nullopt},
        {"broken header", "[S]\nA = 1\n[T\nB = 2\n", "S", "B", std::nullopt},
        {"line without '='", "[S]\nA\n", "S", "A", std::nullopt},
        {"other section", "[S]\nA = 1\n", "T", "A", std::nullopt},
    };
    for (const ParseCase& c : cases) {
        ini::Document doc;
        ASSERT_TRUE(doc.Parse(c.text)) << c.name;
        const std::string* v = doc.Find(c.section, c.key);
        if (c.value) {
            ASSERT_NE(v, nullptr) << c.name;
            EXPECT_EQ(*v, *c.value) << c.name;
        } else {
            EXPECT_EQ(v, nullptr) << c.name;
        }
    }
}

TEST(IniParse, RefusesWhatIsNotAnIniText) {
    const std::string tooLarge = "[S]\n" + std::string(ini::kMaxFileSize, ';');
    const std::string binary("[S]\nA = 1\0\n", 11);
    for (const std::string& text : {tooLarge, binary}) {
        ini::Document doc;
        std::string error;
        EXPECT_FALSE(doc.Parse(text, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(doc.SectionCount(), 0u);
    }
}

TEST(IniGet, NumbersMustBeWholeAndInRange) {
    struct Case {
        const char* text;
        bool i, u, u64, d; // accepted as int, unsigned, uint64, double
    };
    const Case cases[] = {
        {"42", true, true, true, true},
        {" -7 ", true, false, false, true},
        {"2147483648", false, true, true, true},
        {"4294967296", false, false, true, true},
        {"18446744073709551615", false, false, true, true},
        {"18446744073709551616", false, false, false, true},
        {"19999.0", false, false, false, true},
        {"1,5", false, false, false, false},
        {"12abc", false, false, false, false},
        {"nan", false, false, false, false},
        {"inf", false, false, false, false},
        {"1e999", false, false, false, false},
        {"", false, false, false, false},
    };
    for (const Case& c : cases) {
        ini::Document doc;
        ASSERT_TRUE(doc.Parse(std::string("[S]\nK = ") + c.text + "\n"));
        int i = -99;
        unsigned u = 99;
        std::uint64_t u64 = 99;
        double d = -99.0;
        EXPECT_EQ(doc.GetInt("S", "K", &i), c.i) << c.text;
        EXPECT_EQ(doc.GetUInt("S", "K", &u), c.u) << c.text;
        EXPECT_EQ(doc.GetUInt64("S", "K", &u64), c.u64) << c.text;
        EXPECT_EQ(doc.GetDouble("S", "K", &d), c.d) << c.text;
        if (!c.i) {
            EXPECT_EQ(i, -99) << "a refused value must leave the target alone: " << c.text;
        }
    }
    ini::Document doc;
    ASSERT_TRUE(doc.Parse("[S]\nK = 256\nD = 3.5\n"));
    int i = 0;
    double d = 0.0;
    EXPECT_FALSE(doc.GetInt("S", "K", &i, 0, 255));
    EXPECT_TRUE(doc.GetInt("S", "K", &i, 0, 256));
    EXPECT_FALSE(doc.GetDouble("S", "D", &d, 0.0, 3.0));
}

TEST(IniWrite, KeepsOrderAndReadsBackEveryValue) {
    ini::Document doc;
    const std::string texts[] = {"plain", "",         " lead", "trail\t", "\"quoted\"",
                                 "a\nb",  "C:\\x\\y", "50%;#", "Grün"};
    ASSERT_TRUE(doc.PutInt("Zeta", "Int", -5));
    for (std::size_t i = 0; i < std::size(texts); ++i)
        ASSERT_TRUE(doc.PutString("Alpha", "Key " + std::to_string(i), texts[i])) << i;
    ASSERT_TRUE(doc.PutUInt64("Zeta", "Big", 18446744073709551615ull));
    ASSERT_TRUE(doc.PutInt("zeta", "INT", 9)); // replaced in place, case ignored
    const std::string text = doc.ToText();
    EXPECT_LT(text.find("[Zeta]\nInt = 9\nBig = 18446744073709551615\n"), text.find("[Alpha]"));
    EXPECT_NE(text.find("Key 0 = plain\n"), std::string::npos) << "plain values stay unquoted";

    ini::Document back;
    ASSERT_TRUE(back.Parse(text));
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        std::string v;
        ASSERT_TRUE(back.GetString("Alpha", "Key " + std::to_string(i), &v)) << i;
        EXPECT_EQ(v, texts[i]) << i;
    }
}

TEST(IniWrite, RefusesWhatCouldNotBeReadBack) {
    ini::Document doc;
    EXPECT_FALSE(doc.PutString("", "K", "v"));
    EXPECT_FALSE(doc.PutString("A]B", "K", "v"));
    EXPECT_FALSE(doc.PutString("S", "", "v"));
    EXPECT_FALSE(doc.PutString("S", " K", "v"));
    EXPECT_FALSE(doc.PutString("S", "K=1", "v"));
    EXPECT_FALSE(doc.PutString("S", "; K", "v"));
    EXPECT_FALSE(doc.PutString("S", "[K]", "v"));
    EXPECT_FALSE(doc.PutString("S", "K\n", "v"));
    EXPECT_FALSE(doc.PutString("S", "K", std::string_view("a\0b", 3)));
    EXPECT_FALSE(doc.PutDouble("S", "K", std::nan("")));
    EXPECT_FALSE(doc.PutString("S", "K", std::string(ini::kMaxLineLength - 5, '\n')));
    EXPECT_TRUE(doc.PutString("T", "K", std::string(ini::kMaxLineLength - 4, 'x')));
    ini::Document back;
    ASSERT_TRUE(back.Parse(doc.ToText()));
    EXPECT_NE(back.Find("T", "K"), nullptr) << "the longest line put must read back";
    EXPECT_EQ(doc.SectionCount(), 1u);
}

} // namespace
