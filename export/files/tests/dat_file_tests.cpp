#include <gtest/gtest.h>

#include "files/dat_file.h"

using namespace datfile;

TEST(DatFile, HeaderTitlesAndDataLines) {
    Header h;
    h.operatorName = "Anna B.";
    h.day = 7, h.month = 3, h.year = 2024, h.hour = 9, h.minute = 5, h.second = 3;
    h.integrationTime = 12.5;
    h.xTitle = XTitle(false);
    h.yTitle = YTitle(3, 1);
    const double x[] = {17.0, 400.25};
    const double y[] = {12.3456, -0.5};
    EXPECT_EQ(Format(h, x, y, 2), "Operator:    Anna B.\n"
                                  "Date:    07.03.2024\n"
                                  "Time:    09:05:03\n"
                                  "Integration time [ms]:    12.500000\n\n"
                                  "pixel    transmission [%]\n\n"
                                  "  17.00        12.346\n"
                                  "  400.25        -0.500\n");
    h.yTitle = YTitle(6, 1); // the series view has no title: no title line
    EXPECT_EQ(Format(h, x, y, 0).find("pixel"), std::string::npos);
}

TEST(DatFile, TitlesOfTheCurves) {
    const struct {
        int curve, func;
        const char* title;
    } cases[] = {{1, 1, "dark [counts]"},
                 {2, 1, "reference [counts]"},
                 {4, 1, "absorbance"},
                 {5, 1, "1. derivation"},
                 {5, 2, "2. derivation"},
                 {5, 3, ""},
                 {0, 1, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(YTitle(c.curve, c.func), c.title) << c.curve << " " << c.func;
    EXPECT_EQ(XTitle(true), "wavelength");
}

TEST(DatFile, SeriesNames) {
    const struct {
        const char* chosen;
        const char* base;
    } bases[] = {{"spectrum.dat", "spectrum"}, {"a.DAT", "a"},           {"ab", "ab"},
                 {"x.dat.txt", "x.dat.txt"},   {"run.data", "run.data"}, {".dat", ""}};
    for (const auto& b : bases)
        EXPECT_EQ(SeriesBase(b.chosen), b.base) << b.chosen;
    EXPECT_EQ(SeriesPath("/data", "spectrum", 0), "/data/spectrum00000.dat");
    EXPECT_EQ(SeriesPath("/data/", "spectrum", 1), "/data/spectrum00001.dat");
    EXPECT_EQ(SeriesPath("/", "s", 123456), "/s123456.dat");
    EXPECT_TRUE(InSeries("spectrum00012.dat", "spectrum"));
    EXPECT_TRUE(InSeries("spectrum123456.dat", "spectrum"));
    EXPECT_FALSE(InSeries("spectrum0001.dat", "spectrum"));
    EXPECT_FALSE(InSeries("spectrumA0001.dat", "spectrum"));
    EXPECT_FALSE(InSeries("other00001.dat", "spectrum"));
    EXPECT_FALSE(InSeries("spectrum00001.csv", "spectrum"));
}
