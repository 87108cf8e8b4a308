#include "numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "support/numfmt.h"

namespace parameters::detail {

bool ReadsBackAs(std::string_view text, float v) {
    double d = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    const float f = static_cast<float>(d);
    return f == v || (std::isnan(f) && std::isnan(v));
}

std::string FloatFixedOrShort(float v) {
    std::string s = support::FormatC("%f", static_cast<double>(v));
    if (!std::isfinite(v) || ReadsBackAs(s, v))
        return s;
    for (int digits = 1; digits < 9; ++digits) {
        s = support::FormatC("%.*g", digits, static_cast<double>(v));
        if (ReadsBackAs(s, v))
            return s;
    }
    return support::FormatC("%.9g", static_cast<double>(v));
}

std::string FloatExp(float v, bool user) {
    int digits = 6;
    if (std::isfinite(v)) {
        while (digits < 8 &&
               !ReadsBackAs(support::FormatC("%.*e", digits, static_cast<double>(v)), v))
            ++digits;
    }
    return user ? support::FormatUser("%.*e", digits, static_cast<double>(v))
                : support::FormatC("%.*e", digits, static_cast<double>(v));
}

std::string PointForComma(std::string_view word) {
    std::string pointed(word);
    if (pointed.find_first_not_of("0123456789+-eE,") != std::string::npos ||
        std::count(pointed.begin(), pointed.end(), ',') != 1)
        return pointed;
    std::replace(pointed.begin(), pointed.end(), ',', '.');
    double v = 0;
    return support::ParseDoubleC(pointed.c_str(), &v) ? pointed : std::string(word);
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace parameters::detail
