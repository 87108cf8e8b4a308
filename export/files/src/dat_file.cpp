#include "files/dat_file.h"

#include <cctype>
#include <strings.h>

#include "support/numfmt.h"

namespace datfile {

std::string XTitle(bool wavelengthAxis) {
    return wavelengthAxis ? "wavelength" : "pixel";
}

std::string YTitle(int shownCurve, int funcNr) {
    switch (shownCurve) {
    case 1:
        return "dark [counts]";
    case 2:
        return "reference [counts]";
    case 3:
        return "transmission [%]";
    case 4:
        return "absorbance";
    case 5:
        return funcNr == 1 ? "1. derivation" : funcNr == 2 ? "2. derivation" : "";
    default:
        return "";
    }
}

std::string Format(const Header& h, const double* x, const double* y, int points) {
    std::string out = "Operator:    " + h.operatorName + "\n";
    out += support::FormatC("Date:    %02d.%02d.%04d\n", h.day, h.month, h.year);
    out += support::FormatC("Time:    %02d:%02d:%02d\n", h.hour, h.minute, h.second);
    out += support::FormatC("Integration time [ms]:    %f\n\n", h.integrationTime);
    if (!h.yTitle.empty())
        out += h.xTitle + "    " + h.yTitle + "\n\n";
    if (x != nullptr && y != nullptr) {
        for (int i = 0; i < points; ++i)
            out += support::FormatC("  %.2f  %12.3f\n", x[i], y[i]);
    }
    return out;
}

std::string SeriesBase(const std::string& fileName) {
    constexpr std::size_t kExt = 4;
    if (fileName.size() >= kExt &&
        strcasecmp(fileName.c_str() + fileName.size() - kExt, ".dat") == 0)
        return fileName.substr(0, fileName.size() - kExt);
    return fileName;
}

std::string SeriesPath(const std::string& folder, const std::string& base, int number) {
    std::string path = folder;
    if (path.empty())
        path = ".";
    if (path.back() != '/')
        path += '/';
    return path + base + support::FormatC("%05d", number) + ".dat";
}

bool InSeries(const std::string& name, const std::string& base) {
    if (name.size() < base.size() + 5 + 4 || name.compare(0, base.size(), base) != 0 ||
        name.compare(name.size() - 4, 4, ".dat") != 0)
        return false;
    for (std::size_t i = base.size(); i < name.size() - 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

} // namespace datfile
