// Numbers as text. Machine formats (INI, spectrum, parameter files, workbooks)
// always use the C locale; texts people read use the user's numeric locale
// for that one call (a per-thread locale), never the global setlocale.
#pragma once

#include <string>

namespace support {

// printf-style formatting in the C locale, whatever the process locale is.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));
// printf-style formatting under the user's numeric locale (LC_ALL, LC_NUMERIC,
// LANG); falls back to C when that locale does not exist.
std::string FormatUser(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The user's decimal separator ('.' or ',' …).
char UserDecimalPoint();

// Parses a whole C-locale number (leading/trailing blanks allowed). False on
// empty text, trailing garbage, or a value out of the type's range; NaN and
// infinities are refused unless allowNonFinite.
bool ParseDoubleC(const char* text, double* out, bool allowNonFinite = false);
bool ParseLongC(const char* text, long long* out);
bool ParseULongC(const char* text, unsigned long long* out);

} // namespace support
