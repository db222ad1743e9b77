// Numbers of the price columns, read as the C library's "%f" reads them in the C locale,
// whatever the user's locale: blanks, an optional sign, digits with an optional full stop,
// an optional exponent; the longest such prefix counts and the rest is ignored.
#pragma once

#include <optional>
#include <string_view>

// nullopt when the text does not begin with a decimal number ("inf", "nan" and hexadecimal
// forms are not numbers here) or when the number is beyond the range of a float.
std::optional<float> ScanNumber(std::string_view text);
