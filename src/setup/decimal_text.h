#pragma once

// Number fields of the page are text fields read as decimal integers. Operators type into them
// and Config.ini may hold anything, so reading one must cope with blanks, trailing junk and
// numbers far outside the int range.

#include <optional>
#include <string_view>

namespace halvo {

// The decimal number a field starts with: leading blanks, an optional sign, digits; whatever
// follows the digits is ignored ("12 ms" reads 12). Values beyond the int range saturate.
// nullopt when there is no digit to read.
std::optional<int> LeadingDecimal(std::string_view text);

// The text is one decimal number and nothing else (blanks around it allowed), within the int
// range; otherwise nullopt. For keys, where a near miss must not count as a match.
std::optional<int> WholeDecimal(std::string_view text);

}  // namespace halvo
