// ASCII result files: one text file per measurement, numbered in a series.
// Qt-free; the link (export/ascii_link.cpp) writes them through the atomic
// writer.
#pragma once

#include <string>

namespace datfile {

// Header of one result file.
struct Header {
    std::string operatorName;
    int day = 1, month = 1, year = 1970;
    int hour = 0, minute = 0, second = 0;
    double integrationTime = 0.0; // ms
    std::string xTitle;           // "wavelength" or "pixel"
    std::string yTitle;           // "" for a curve without a title: no title line
};

// "wavelength" on the wavelength axis, "pixel" on the pixel axis.
std::string XTitle(bool wavelengthAxis);
// "dark [counts]" ... "2. derivation", or "" for other curves.
std::string YTitle(int shownCurve, int funcNr);

// The whole file: header lines, the title line and one line per point.
std::string Format(const Header& header, const double* x, const double* y, int points);

// The base name of a series from the chosen file name: a trailing ".dat"
// (any case) is dropped, nothing else.
std::string SeriesBase(const std::string& fileName);

// Folder + "/" + base + the number with at least five digits + ".dat".
std::string SeriesPath(const std::string& folder, const std::string& base, int number);

// True when `name` is base + digits (five or more) + ".dat": a file of the
// series.
bool InSeries(const std::string& name, const std::string& base);

} // namespace datfile
