// Dates as the MetaStock files hold them: the date value (year - 1900) * 10000 + month * 100
// + day, stored as an MBF single, for the days of the Gregorian calendar from 1900-01-01 to
// 2140-06-04. Date texts are read strictly under one of the twelve layouts of the date-format
// list: a text that does not have the layout's shape, or names no real day, is refused with
// its reason, never rolled over into another day or given a century it does not hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::int32_t kFirstDateValue = 101;     // 1900-01-01
constexpr std::int32_t kLastDateValue = 2400604;  // 2140-06-04

// Date format numbers, as the date-format list orders them: 1-6 three groups of digits with
// one separating character between them, 7-12 digits only. The YY layouts are 1, 3, 5, 7, 9, 11.
constexpr int kFirstDateFormat = 1;
constexpr int kLastSeparatedDateFormat = 6;
constexpr int kLastDateFormat = 12;

struct SDate {
    int nYear = 0;  // full year, [1900, 2140] for a date value
    int nMonth = 0; // [1, 12]
    int nDay = 0;   // [1, 31]
};

bool IsLeapYear(int year);
// [28, 31]; month in [1, 12].
int DaysInMonth(int year, int month);
// The date value of a day of the calendar within 1900-01-01 to 2140-06-04; nullopt otherwise.
std::optional<std::int32_t> DateValueOf(int year, int month, int day);
// The parts of a date value (no check that it names a real day).
SDate DateOfValue(std::int32_t value);
// "YYYY-MM-DD".
std::string DateValueText(std::int32_t value);

enum class EDateFault {
    None,
    Empty,
    NonDigit,    // a numeric-only layout (7-12) met a character that is not a digit
    OnlyDigits,  // a separated layout (1-6) met digits only
    Shape,       // not three groups of digits with one character between each two
    YearDigits,  // the year group has the wrong number of digits
    MonthDigits, // a month group of more than 2 digits
    DayDigits,   // a day group of more than 2 digits
    DigitCount,  // a numeric-only text of the wrong length
    Month,       // month outside 1 to 12
    Day,         // no such day in that month
    Range,       // before 1900-01-01 or after 2140-06-04
    Format,      // the format number is not 1 to 12
};

struct SDateReading {
    EDateFault fault = EDateFault::None;
    std::int32_t nValue = 0; // the date value when fault is None
    SDate date;              // the parts as read, for the reason of a Month, Day or Range fault
    int nDigits = 0;         // digits found, for YearDigits, MonthDigits, DayDigits, DigitCount
};

// Reads text, exactly as given (no blanks or quotes around it), under format 1 to 12.
// Two-digit years below 60 are 20YY, the others 19YY.
SDateReading ReadDateText(std::string_view text, int format);

// Why a reading failed, as a clause: "the year has 2 digits, the layout 4". The two
// mismatches of digits and separators give the full sentences the program has always shown.
std::string DateFaultText(const SDateReading& reading, int format);
