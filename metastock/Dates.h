// Dates as the MetaStock files hold them. The date value is (year - 1900) * 10000 +
// month * 100 + day as an MBF single; between the date text and the date value every date
// passes through a day number: day 1 is 1961-01-01, earlier days are zero or negative, and
// every year whose number minus 1900 is divisible by 4 is a leap year.
#pragma once

#include "metastock/Mbf.h"

#include <cstdint>
#include <optional>
#include <string_view>

constexpr std::int32_t kFirstDayNumber = -22280; // 1900-01-01
constexpr std::int32_t kLastDayNumber = 65535;   // 2140-06-04

// Date format numbers 1 to 12, as the date-format list orders them.
constexpr std::int16_t kFirstDateFormat = 1;
constexpr std::int16_t kLastSeparatedDateFormat = 6; // 1-6 separated by characters, 7-12 digits only
constexpr std::int16_t kLastDateFormat = 12;

// The day number of the date that text holds under format, or nullopt when the text
// cannot be read: an unusable text, a month outside 1 to 12, or a date outside
// 1900-01-01 to 2140-06-04.
std::optional<std::int32_t> DateTextToDayNumber(std::string_view text, std::int16_t format);

// year above 1900 is a full year number, otherwise years since 1900. Days past a month's
// end run on into the next months, day 0 is the last day of the month before. nullopt for
// a month outside 1 to 12.
std::optional<std::int32_t> DateToDayNumber(std::int16_t year, std::int16_t month, std::int16_t day);

struct SDate {
    std::int16_t nYear;  // years since 1900
    std::int16_t nMonth; // [1, 12]
    std::int16_t nDay;   // [1, 31]
};

SDate DayNumberToDate(std::int32_t dayNumber);

// The MBF bytes of the date value of dayNumber.
MbfSingle DayNumberToDateValue(std::int32_t dayNumber);
