// Numbers of the price columns, read strictly: the whole text must be one decimal number (an
// optional sign, digits with an optional fraction, an optional exponent), with the full stop
// or, when the layout says so, the comma as its decimal mark, whatever the user's locale.
// Thousands are grouped only with the other mark and only in groups of three (1,234,567.5 or
// 1.234.567,5). No "inf" or "nan", no hexadecimal. A number that an MBF single
// cannot hold is refused rather than stored as something else.
#pragma once

#include <string>
#include <string_view>

enum class ENumberFault {
    None,
    Empty,
    NotNumber,
    TooLarge, // magnitude 2^127 or more
    TooSmall, // not zero, but below the smallest normal single (about 1.2e-38)
};

struct SNumberReading {
    ENumberFault fault = ENumberFault::None;
    float fValue = 0.0f; // the nearest single when fault is None
};

// text has no blanks or quotes around it. With bDecimalComma the comma is the decimal mark and
// a full stop only groups thousands.
SNumberReading ReadNumber(std::string_view text, bool bDecimalComma);

// text without the blanks around it.
std::string_view TrimBlanks(std::string_view text);

// A price without the currency sign or code that it carries before or after the number
// (blanks between allowed; a sign before the currency, -$5, stays before the number); the
// text itself when it carries none. scratch holds the text when it must be rebuilt.
std::string_view WithoutCurrency(std::string_view text, std::string_view currency, std::string& scratch);

