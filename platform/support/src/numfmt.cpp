#include "support/numfmt.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace support {
namespace {

locale_t CLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Formats under loc for this thread only.
std::string VFormatIn(locale_t loc, const char* format, va_list args) {
    locale_t old = loc ? uselocale(loc) : static_cast<locale_t>(nullptr);
    char buf[256];
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    std::string out;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
        out.assign(buf, static_cast<std::size_t>(n));
    } else if (n >= 0) {
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        out.assign(big.data(), static_cast<std::size_t>(n));
    }
    va_end(again);
    if (old)
        uselocale(old);
    return out;
}

// The user's numeric locale, made fresh each call so a changed environment
// (and tests that switch it) is honoured.
locale_t NewUserLocale() {
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!loc)
        loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

bool OnlyBlanks(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        ++p;
    return *p == '\0';
}

} // namespace

std::string FormatC(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = VFormatIn(CLocale(), format, args);
    va_end(args);
    return s;
}

std::string FormatUser(const char* format, ...) {
    locale_t loc = NewUserLocale();
    va_list args;
    va_start(args, format);
    std::string s = VFormatIn(loc, format, args);
    va_end(args);
    if (loc)
        freelocale(loc);
    return s;
}

char UserDecimalPoint() {
    const std::string s = FormatUser("%.1f", 0.5);
    return s.size() >= 2 ? s[1] : '.';
}

bool ParseDoubleC(const char* text, double* out, bool allowNonFinite) {
    if (!text || OnlyBlanks(text))
        return false;
    char* end = nullptr;
    errno = 0;
    const double v = strtod_l(text, &end, CLocale());
    if (end == text || !OnlyBlanks(end) || errno == ERANGE)
        return false;
    if (!allowNonFinite && !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool ParseLongC(const char* text, long long* out) {
    if (!text || OnlyBlanks(text))
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = strtoll_l(text, &end, 10, CLocale());
    if (end == text || !OnlyBlanks(end) || errno == ERANGE)
        return false;
    *out = v;
    return true;
}

bool ParseULongC(const char* text, unsigned long long* out) {
    if (!text || OnlyBlanks(text))
        return false;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '-')
        return false; // strtoull would wrap a negative number silently
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = strtoull_l(p, &end, 10, CLocale());
    if (end == p || !OnlyBlanks(end) || errno == ERANGE)
        return false;
    *out = v;
    return true;
}

} // namespace support
