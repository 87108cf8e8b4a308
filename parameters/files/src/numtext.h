// Float texts that keep the value: the shortest printf form that reads back
// to the same single-precision number.
#pragma once

#include <string>
#include <string_view>

namespace parameters::detail {

// "%f" when that reads back to v, else the fewest "%.Ng" digits that do.
std::string FloatFixedOrShort(float v);

// "%e" when that reads back to v, else "%.7e" or "%.8e". user: the user's
// decimal separator (for people), else the C locale (for the instrument).
std::string FloatExp(float v, bool user);

// True when text (C locale, whole) reads back to exactly v.
bool ReadsBackAs(std::string_view text, float v);

// A number written with a decimal comma ("4,82e-01") with the point the C
// locale reads; any other text as it is.
std::string PointForComma(std::string_view word);

// Blanks, tabs, CR and LF removed from both ends.
std::string_view Trim(std::string_view s);

} // namespace parameters::detail
