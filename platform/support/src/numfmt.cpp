#include "support/numfmt.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <locale.h>
#include <string>
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

// The environment that names the user's numeric locale (in the order the C
// library consults it) and where its files are.
constexpr const char* kLocaleVariables[] = {"LC_ALL", "LC_NUMERIC", "LANG", "LOCPATH"};

// The user's numeric locale of this thread.  Making one reads the locale's
// files, which costs far more than a number, so it is made once and again only
// when the environment now names another locale (a test, or a program that
// changes it while running).  The process locale (setlocale) plays no part.
class UserLocale {
  public:
    ~UserLocale() {
        if (loc_)
            freelocale(loc_);
    }
    locale_t Get() {
        if (loc_ && Unchanged())
            return loc_;
        for (std::size_t i = 0; i < std::size(kLocaleVariables); ++i) {
            const char* v = std::getenv(kLocaleVariables[i]);
            set_[i] = v != nullptr;
            names_[i] = v ? v : "";
        }
        locale_t fresh = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
        if (!fresh)
            fresh = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
        if (loc_)
            freelocale(loc_);
        loc_ = fresh;
        return loc_;
    }

  private:
    bool Unchanged() const {
        for (std::size_t i = 0; i < std::size(kLocaleVariables); ++i) {
            const char* v = std::getenv(kLocaleVariables[i]);
            if ((v != nullptr) != set_[i] || (v && names_[i] != v))
                return false;
        }
        return true;
    }

    locale_t loc_ = nullptr;
    std::array<std::string, std::size(kLocaleVariables)> names_;
    std::array<bool, std::size(kLocaleVariables)> set_{};
};

locale_t UserLocaleOfThread() {
    thread_local UserLocale user;
    return user.Get();
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
    va_list args;
    va_start(args, format);
    std::string s = VFormatIn(UserLocaleOfThread(), format, args);
    va_end(args);
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
