#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/config.h"
#include "ini/ini.h"
#include "support/atomic_file.h"
#include "support_testing/comma_locale.h"

namespace fs = std::filesystem;

namespace {

fs::path Fixtures() {
    return fs::path(std::getenv("ORVALIN_SOURCE_DIR")) / "export/files/tests/fixtures";
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Every field away from its default; the same values make_fixtures.py writes.
ConfigValues Sample() {
    ConfigValues v;
    v.connectionType = 3;
    v.connectionComPortNr = 65535;
    v.connectionBaudrate = 115200;
    v.connectionIPAddress = "192.168.100.200";
    v.connectionUSBSerial = "FT4XQ2B9";
    v.connectionBTAddress = 0xFEDCBA9876543210ull;
    v.clearSpectra = 0;
    v.interpolation = 2;
    v.pixelWave = 0;
    v.integrationTime = 12.5f;
    v.dde = 7;
    v.temperatureCompensation = 1;
    v.startWavelength = 200;
    v.endWavelength = 1100;
    v.checkBoxAdapt = v.checkBoxDarkRef = v.fwhm = v.maxWavelength = 1;
    v.cogValley = v.dominantWavelength = 1;
    v.minWavelength = 0;
    v.lastCsvPath = "/home/anna/Messungen 50% ; #1/Grün=ok:2";
    v.lastValPath = "";
    v.lastDatPath = "/tmp/dat";
    v.lastParPath = "/srv/par/a b";
    v.userBounds = {-0.001, 65535.75, 1e-300, 1.5e10, -2.5, 100.0,
                    0.1,    3.0,      -1e5,   1e5,    0.0,  12345.678};
    v.protocolHeader = {"kestro 4407", "CCD 2048", "2048", "50 µm / 25 µm", "Dr. O'Neil"};
    return v;
}

// What reading gives back: everything but the selection "DDE" records.
ConfigValues SampleAsRead() {
    ConfigValues v = Sample();
    v.dde = 0;
    return v;
}

// The written text names every field, so equal texts mean equal values.
void ExpectSameValues(const ConfigValues& a, const ConfigValues& b) {
    EXPECT_EQ(config_Format(a), config_Format(b));
}

TEST(Config, EveryKeyRoundTrips) {
    ConfigValues read; // defaults: every field of Sample() differs
    ASSERT_TRUE(config_Parse(config_Format(Sample()), &read));
    ExpectSameValues(read, SampleAsRead());
    EXPECT_EQ(read.connectionBTAddress, 0xFEDCBA9876543210ull);
    EXPECT_EQ(read.integrationTime, 12.5f);
    EXPECT_EQ(read.dde, 0u);

    // 16 significant digits survive, and a float time comes back exactly.
    ConfigValues v = Sample();
    v.userBounds[0] = 0.1234567890123456;
    v.integrationTime = 1.0f / 3.0f;
    ASSERT_TRUE(config_Parse(config_Format(v), &read));
    EXPECT_EQ(read.userBounds[0], 0.1234567890123456);
    EXPECT_EQ(read.integrationTime, 1.0f / 3.0f);
}

TEST(Config, ReadsAFileWrittenByPython) {
    ConfigValues read;
    ASSERT_EQ(config_ReadFile((Fixtures() / "python_written.ini").string(), &read), 0);
    ExpectSameValues(read, SampleAsRead());

    // The same file with CRLF line ends and a BOM.
    std::string crlf = "\xEF\xBB\xBF";
    for (char c : Slurp(Fixtures() / "python_written.ini"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ConfigValues again;
    ASSERT_TRUE(config_Parse(crlf, &again));
    ExpectSameValues(again, SampleAsRead());
}

TEST(Config, PythonReadsOursInTheFixedOrder) {
    const std::string ours = config_Format(Sample());
    if (const char* out = std::getenv("ORVALIN_FIXTURE_OUT")) { // regenerating the fixtures
        ASSERT_EQ(support::WriteFileAtomic(std::string(out) + "/orvalin_written.ini", ours), 0);
    }
    ASSERT_EQ(ours, Slurp(Fixtures() / "orvalin_written.ini"))
        << "the writer changed: regenerate the fixtures (see make_fixtures.py)";

    // Keys as configparser saw them, in file order, with the values it read.
    const char* const expected[] = {"Software\tConnectionType",
                                    "Software\tConnectionComPortNr",
                                    "Software\tConnectionBaudrate",
                                    "Software\tConnectionIPAddress",
                                    "Software\tConnectionUSBSerial",
                                    "Software\tConnectionBTAddress",
                                    "Software\tClearSpectra",
                                    "Software\tInterpolation",
                                    "Software\tPixelWave",
                                    "Software\tIntegration Time",
                                    "Software\tDDE",
                                    "Software\tTemperature Compensation",
                                    "Software\tStartwavelength",
                                    "Software\tEndwavelength",
                                    "Software\tCheckBoxAdapt",
                                    "Software\tCheckBoxDarkRef",
                                    "Software\tFWHM",
                                    "Software\tMax Wavelength",
                                    "Software\tMin Wavelength",
                                    "Software\tCOG Valley",
                                    "Software\tDominant Wavelength",
                                    "Software\tLastCSVPath",
                                    "Software\tLastValPath",
                                    "Software\tLastDatPath",
                                    "Software\tLastParPath",
                                    "Boundaries\tDark Lower Boundary",
                                    "Boundaries\tDark Upper Boundary",
                                    "Boundaries\tReference Lower Boundary",
                                    "Boundaries\tReference Upper Boundary",
                                    "Boundaries\tTransmission Lower Boundary",
                                    "Boundaries\tTransmission Upper Boundary",
                                    "Boundaries\tAbsorbance Lower Boundary",
                                    "Boundaries\tAbsorbance Upper Boundary",
                                    "Boundaries\tCalculate Lower Boundary",
                                    "Boundaries\tCalculate Upper Boundary",
                                    "Boundaries\tFFT Lower Boundary",
                                    "Boundaries\tFFT Upper Boundary",
                                    "FWHM Protocol\tSpectrometer Type",
                                    "FWHM Protocol\tArray Type",
                                    "FWHM Protocol\tPixel",
                                    "FWHM Protocol\tFiber/Slit",
                                    "FWHM Protocol\tOperator"};
    ini::Document doc;
    ASSERT_TRUE(doc.Parse(ours));
    std::istringstream seen(Slurp(Fixtures() / "orvalin_written.python.tsv"));
    std::string line;
    std::size_t n = 0;
    for (; std::getline(seen, line); ++n) {
        ASSERT_LT(n, std::size(expected)) << line;
        const std::size_t tab = line.rfind('\t');
        ASSERT_EQ(line.substr(0, tab), expected[n]);
        const std::size_t first = line.find('\t');
        const std::string* v =
            doc.Find(line.substr(0, first), line.substr(first + 1, tab - first - 1));
        ASSERT_NE(v, nullptr) << line;
        EXPECT_EQ(*v, line.substr(tab + 1)) << line;
    }
    EXPECT_EQ(n, std::size(expected));
}

TEST(Config, MissingKeysFollowTheirRules) {
    ConfigValues v = Sample(); // the settings before reading
    ASSERT_TRUE(config_Parse("[Software]\nDDE = 5\n", &v));
    ConfigValues expected;       // options reset to their defaults ...
    expected.connectionType = 3; // ... the connection kept ...
    expected.connectionComPortNr = 65535;
    expected.connectionBaudrate = 115200;
    expected.connectionIPAddress = "192.168.100.200";
    expected.connectionUSBSerial = "FT4XQ2B9";
    expected.connectionBTAddress = 0; // ... but the address and the folders emptied
    ExpectSameValues(v, expected);
    EXPECT_EQ(v.dde, 0u);

    // A file that is no configuration at all: defaults, nothing else touched.
    v = Sample();
    EXPECT_FALSE(config_Parse(std::string("[Software]\nClearSpectra = 0\0", 29), &v));
    expected.connectionBTAddress = v.connectionBTAddress;
    expected.lastCsvPath = "/home/anna/Messungen 50% ; #1/Grün=ok:2";
    expected.lastDatPath = "/tmp/dat";
    expected.lastParPath = "/srv/par/a b";
    ExpectSameValues(v, expected);
}

TEST(Config, UnusableValuesKeepTheirDefaults) {
    struct Case {
        const char* line;
        bool (*ok)(const ConfigValues&);
    };
    const Case cases[] = {
        {"[Software]\nConnectionType = 256",
         [](const ConfigValues& v) { return v.connectionType == 3; }},
        {"[Software]\nConnectionComPortNr = -1",
         [](const ConfigValues& v) { return v.connectionComPortNr == 65535; }},
        {"[Software]\nConnectionComPortNr = 65536",
         [](const ConfigValues& v) { return v.connectionComPortNr == 65535; }},
        {"[Software]\nConnectionBaudrate = 4294967296",
         [](const ConfigValues& v) { return v.connectionBaudrate == 115200; }},
        {"[Software]\nConnectionBTAddress = -1",
         [](const ConfigValues& v) { return v.connectionBTAddress == 0; }},
        {"[Software]\nConnectionBTAddress = 18446744073709551616",
         [](const ConfigValues& v) { return v.connectionBTAddress == 0; }},
        {"[Software]\nConnectionBTAddress = 18446744073709551615",
         [](const ConfigValues& v) { return v.connectionBTAddress == 18446744073709551615ull; }},
        {"[Software]\nIntegration Time = nan",
         [](const ConfigValues& v) { return v.integrationTime == kConfigDefaultTint; }},
        {"[Software]\nIntegration Time = 1e39",
         [](const ConfigValues& v) { return v.integrationTime == kConfigDefaultTint; }},
        {"[Software]\nIntegration Time = 1e999",
         [](const ConfigValues& v) { return v.integrationTime == kConfigDefaultTint; }},
        {"[Software]\nIntegration Time = 19999,5",
         [](const ConfigValues& v) { return v.integrationTime == kConfigDefaultTint; }},
        {"[Software]\nStartwavelength = 99999999999",
         [](const ConfigValues& v) { return v.startWavelength == 380; }},
        {"[Software]\nClearSpectra = 1.0",
         [](const ConfigValues& v) { return v.clearSpectra == 1; }},
        {"[Boundaries]\nDark Lower Boundary = -inf",
         [](const ConfigValues& v) { return v.userBounds[0] == 0.0; }},
        {"[Software]\nConnectionIPAddress = 1234567890123456789",
         [](const ConfigValues& v) { return v.connectionIPAddress == "123456789012345"; }},
        {"[FWHM Protocol]\nOperator = ÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄ", // 56 bytes
         [](const ConfigValues& v) { return v.protocolHeader[4] == "ÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄ"; }},
        {"[Software]\nLastCSVPath = /", // followed by 10,000 characters, see below
         [](const ConfigValues& v) { return v.lastCsvPath == "/" + std::string(257, 'd'); }},
    };
    for (const Case& c : cases) {
        ConfigValues v = Sample();
        std::string text = c.line;
        if (text.back() == '/')
            text += std::string(10000, 'd');
        ASSERT_TRUE(config_Parse(text, &v)) << c.line;
        EXPECT_TRUE(c.ok(v)) << c.line;
    }
}

TEST(Config, CommaLocaleChangesNothing) {
    const std::string comma = support_testing::CommaLocale();
    if (comma.empty())
        GTEST_SKIP() << "no comma locale available";
    const std::string before = config_Format(Sample());
    {
        support_testing::UserLocaleScope scope(comma);
        const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
        ASSERT_NE(std::setlocale(LC_NUMERIC, comma.c_str()), nullptr);
        const std::string during = config_Format(Sample());
        ConfigValues read;
        const bool parsed = config_Parse("[Software]\nIntegration Time = 19999.5\n", &read);
        std::setlocale(LC_NUMERIC, saved.c_str());
        EXPECT_EQ(during, before);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(read.integrationTime, 19999.5f);
    }
}

class ConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvalin_config_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    fs::path dir;
};

TEST_F(ConfigFileTest, ReaderAndWriterAgreeOnThePlace) {
    const std::string app = (dir / "ZOLT" / "Orvalin").string() + "/";
    EXPECT_EQ(config_FilePath(app), "config.ini") << "a missing folder falls back";
    EXPECT_EQ(config_FilePath(""), "config.ini");
    fs::create_directories(app);
    EXPECT_EQ(config_FilePath(app), app + "config.ini");
    EXPECT_EQ(config_FilePath(app.substr(0, app.size() - 1)), app + "config.ini");

    ASSERT_EQ(config_WriteFile(config_FilePath(app), Sample()), 0);
    ConfigValues read;
    ASSERT_EQ(config_ReadFile(config_FilePath(app), &read), 0);
    ExpectSameValues(read, SampleAsRead());
}

TEST_F(ConfigFileTest, AFailedWriteSaysWhyAndKeepsTheOldFile) {
    const fs::path target = dir / "config.ini";
    ConfigValues old;
    ASSERT_EQ(config_WriteFile(target.string(), old), 0);
    const std::string before = Slurp(target);

    std::string error;
    EXPECT_EQ(config_WriteFile((dir / "missing" / "config.ini").string(), Sample(), &error), -1);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;

    // A full disk: the file-size limit stops the write half way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    const int full = config_WriteFile(target.string(), Sample(), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(full, -1);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Slurp(target), before);

    if (::geteuid() != 0) { // permissions do not bind root
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        error.clear();
        EXPECT_EQ(config_WriteFile(target.string(), Sample(), &error), -1);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(Slurp(target), before);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "no temporary left";
}

} // namespace
