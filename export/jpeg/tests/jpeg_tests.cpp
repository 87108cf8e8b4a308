#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "jpeg/jpg_save.h"

namespace fs = std::filesystem;

namespace {

// Runs a command, collecting its standard output; the exit status, -1 when it
// could not run. Exit 127 means the tool is not installed.
int RunTool(const std::string& cmd, std::string* out) {
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out->append(buf, n);
    const int st = ::pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

bool Have(const char* tool) {
    std::string out;
    return RunTool(std::string("command -v ") + tool + " >/dev/null 2>&1", &out) == 0;
}

class JpegTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orvalin_jpeg_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
    fs::path dir;
};

// A bitmap of width x height: the left half red, the right half blue, in
// the given depth, rows padded by pad bytes.
struct Bitmap {
    int width, height, depth, bytesPerRow;
    std::vector<unsigned char> bits;
    Bitmap(int w, int h, int d, int pad)
        : width(w), height(h), depth(d), bytesPerRow(w * d / 8 + pad),
          bits(static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(h), 0xEE) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                unsigned char* p = &bits[static_cast<std::size_t>(y * bytesPerRow + x * d / 8)];
                const bool left = x < w / 2;
                if (d == 32) {
                    const std::uint32_t v = left ? 0xFFFF0000u : 0x800000FFu;
                    std::memcpy(p, &v, 4);
                } else if (d == 24) {
                    p[0] = left ? 255 : 0, p[1] = 0, p[2] = left ? 0 : 255;
                } else {
                    p[0] = left ? 200 : 40;
                }
            }
        }
    }
};

TEST(CopyRGB32to24, TakesRedGreenBlueFromTheWordAndDropsAlpha) {
    const std::uint32_t px[3] = {0xFF112233u, 0x00A0B0C0u, 0x7F010203u};
    const unsigned char want[9] = {0x11, 0x22, 0x33, 0xA0, 0xB0, 0xC0, 0x01, 0x02, 0x03};
    unsigned char out[9] = {};
    Jpg_CopyRGB32to24(out, reinterpret_cast<const unsigned char*>(px), 3);
    EXPECT_EQ(0, std::memcmp(out, want, 9));
    std::uint32_t same[3];
    std::memcpy(same, px, sizeof px);
    auto* bytes = reinterpret_cast<unsigned char*>(same);
    Jpg_CopyRGB32to24(bytes, bytes, 3); // in place
    EXPECT_EQ(0, std::memcmp(bytes, want, 9));
}

TEST_F(JpegTest, DecodesToTheSameColoursAtQuality75Baseline) {
    if (!Have("djpeg") || !Have("identify"))
        GTEST_SKIP() << "djpeg or identify is not installed";
    const struct { int depth, pad; } cases[] = {{32, 0}, {32, 12}, {24, 0}, {24, 5}, {8, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE("depth " + std::to_string(c.depth) + " pad " + std::to_string(c.pad));
        const Bitmap bmp(321, 123, c.depth, c.pad);
        const std::vector<unsigned char> before = bmp.bits;
        const fs::path file = dir / ("p" + std::to_string(c.depth) + ".jpg");
        std::string err;
        ASSERT_EQ(Jpg_SaveBitmapToFile(bmp.bits.data(), bmp.bytesPerRow, c.depth, bmp.width,
                                       bmp.height, file.c_str(), 75, &err),
                  0)
            << err;
        EXPECT_EQ(bmp.bits, before) << "the bitmap was changed";

        std::string info;
        ASSERT_EQ(RunTool("identify -verbose '" + file.string() + "'", &info), 0);
        for (const char* line : {"Quality: 75", "Geometry: 321x123+0+0", "Interlace: None"})
            EXPECT_NE(info.find(line), std::string::npos) << line;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos) << "no baseline frame";

        std::string pnm;
        ASSERT_EQ(RunTool("djpeg -pnm '" + file.string() + "'", &pnm), 0);
        std::istringstream hdr(pnm);
        std::string magic;
        int w = 0, h = 0, maxv = 0;
        hdr >> magic >> w >> h >> maxv;
        ASSERT_EQ(w, 321);
        ASSERT_EQ(h, 123);
        const std::size_t data = static_cast<std::size_t>(hdr.tellg()) + 1;
        const int comps = magic == "P6" ? 3 : 1;
        ASSERT_EQ(comps, c.depth == 8 ? 1 : 3);
        auto at = [&](int x, int y, int k) {
            return static_cast<unsigned char>(
                pnm[data + static_cast<std::size_t>((y * w + x) * comps + k)]);
        };
        if (comps == 1) {
            EXPECT_NEAR(at(40, 60, 0), 200, 4);
            EXPECT_NEAR(at(280, 60, 0), 40, 4);
        } else {
            EXPECT_GE(at(40, 60, 0), 240) << "red area";
            EXPECT_LE(at(40, 60, 2), 15) << "red area";
            EXPECT_LE(at(280, 60, 0), 15) << "blue area";
            EXPECT_GE(at(280, 60, 2), 240) << "blue area";
        }
    }
}

TEST_F(JpegTest, FailuresAreReportedAndLeaveNoFile) {
    const Bitmap bmp(64, 32, 32, 0);
    const Bitmap wide(65501, 1, 24, 0); // beyond the largest JPEG dimension
    const fs::path good = dir / "x.jpg";
    const struct {
        const unsigned char* bits;
        int bytesPerRow, depth, width, height;
        std::string file;
    } cases[] = {
        {bmp.bits.data(), bmp.bytesPerRow, 32, 64, 32, "/dev/full"},
        {bmp.bits.data(), bmp.bytesPerRow, 32, 64, 32, (dir / "missing" / "x.jpg").string()},
        {bmp.bits.data(), bmp.bytesPerRow, 32, 64, 32, dir.string()},
        {bmp.bits.data(), bmp.bytesPerRow, 32, 64, 32, ""},
        {bmp.bits.data(), bmp.bytesPerRow, 16, 64, 32, good.string()},
        {bmp.bits.data(), bmp.bytesPerRow, 32, 0, 32, good.string()},
        {bmp.bits.data(), 100, 32, 64, 32, good.string()},
        {nullptr, bmp.bytesPerRow, 32, 64, 32, good.string()},
        {wide.bits.data(), wide.bytesPerRow, 24, 65501, 1, good.string()},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Jpg_SaveBitmapToFile(c.bits, c.bytesPerRow, c.depth, c.width, c.height,
                                       c.file.c_str(), 75, &err),
                  1)
            << c.file << " depth " << c.depth << " width " << c.width;
        EXPECT_NE(err.find("Cannot write"), std::string::npos) << err;
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/full was replaced";

    // A write that fails part-way: the file size limit is hit.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::string err;
    const int rc =
        Jpg_SaveBitmapToFile(bmp.bits.data(), bmp.bytesPerRow, 32, 64, 32, good.c_str(), 75, &err);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("x.jpg"), std::string::npos) << err;
    EXPECT_EQ(Entries(), 0u) << "a file or temporary was left behind";
}

} // namespace
