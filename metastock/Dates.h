// Dates as the MetaStock files hold them: the date value (year - 1900) * 10000 + month * 100
// + day, stored as an MBF single, for the days of the Gregorian calendar from 1900-01-01 to
// 2140-06-04. Date texts are read strictly under one of the twelve layouts of the date-format
// list: a text that does not have the layout's shape, or names no real day, is refused with
// its reason, never rolled over into another day or given a century it does not hold.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

constexpr std::int32_t kFirstDateValue = 101;     // 1900-01-01
constexpr std::int32_t kLastDateValue = 2400604;  // 2140-06-04

// The twelve date layouts, numbered as the date-format list orders them: 1-6 three groups of
// digits with one separating character between them, 7-12 digits only; in each half year first,
// month first, day first, each with a two-digit year (YY) and then a four-digit one (CCYY).
enum class EDateFormat : int {
    YY_MM_DD = 1,
    CCYY_MM_DD,
    MM_DD_YY,
    MM_DD_CCYY,
    DD_MM_YY,
    DD_MM_CCYY,
    YYMMDD,
    CCYYMMDD,
    MMDDYY,
    MMDDCCYY,
    DDMMYY,
    DDMMCCYY,
};
constexpr int kDateFormatCount = 12;
// The entries of the date-format list, in the order of their numbers: the names that settings
// store and the command line takes.
inline constexpr std::array<const char*, kDateFormatCount> kDateFormatNames = {
    "YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
    "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY",
};
constexpr const char* DateFormatName(EDateFormat format) {
    return kDateFormatNames[static_cast<std::size_t>(static_cast<int>(format) - 1)];
}
// The layout of a number from 1 to 12; nullopt for any other number.
constexpr std::optional<EDateFormat> DateFormatOfNumber(int nNumber) {
    return nNumber >= 1 && nNumber <= kDateFormatCount ? std::optional(static_cast<EDateFormat>(nNumber))
                                                       : std::nullopt;
}
// The layout whose name begins with text, ignoring case (the first in list order); nullopt when
// none does or text is empty.
std::optional<EDateFormat> DateFormatOfName(std::string_view text);
// Three groups with separators (1-6), not digits only (7-12).
constexpr bool IsSeparatedDateFormat(EDateFormat format) {
    return static_cast<int>(format) <= 6;
}

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
};

struct SDateReading {
    EDateFault fault = EDateFault::None;
    std::int32_t nValue = 0; // the date value when fault is None
    SDate date;              // the parts as read, for the reason of a Month, Day or Range fault
    int nDigits = 0;         // digits found, for YearDigits, MonthDigits, DayDigits, DigitCount
};

// Reads text, exactly as given (no blanks or quotes around it), under the layout format.
// Two-digit years below 60 are 20YY, the others 19YY.
SDateReading ReadDateText(std::string_view text, EDateFormat format);

// Why a reading failed, as a clause: "the year has 2 digits, the layout 4". The two
// mismatches of digits and separators give the full sentences the program has always shown.
std::string DateFaultText(const SDateReading& reading, EDateFormat format);

// A time of day, as intraday data files hold it: HHMMSS as a number (09:05:00 is 90500).
enum class ETimeFault {
    None,
    Empty,
    Shape,    // not one of the layouts below
    Hour,     // hour outside 0 to 23 (1 to 12 with AM or PM)
    Minute,   // minute outside 0 to 59
    Second,   // second outside 0 to 59
    Fraction, // a fraction of a second that is not zero: a time holds whole seconds
};

struct STimeReading {
    ETimeFault fault = ETimeFault::None;
    std::int32_t nTime = 0; // HHMMSS when fault is None
};

// Reads a time of day: HH:MM, HH:MM:SS (a fraction of zeros allowed), HHMM, HHMMSS (with or
// without the leading zero: 930, 93000), each optionally followed by AM or PM, then
// optionally by a zone (Z, UTC, GMT, +01:00, -0500, +01), which is dropped: the time stays as
// the file writes it.
STimeReading ReadTimeText(std::string_view text);
// Why a reading failed, as a clause: "there is no hour 25".
std::string TimeFaultText(const STimeReading& reading, std::string_view text);
// "HH:MM:SS" of HHMMSS.
std::string TimeText(std::int32_t nTime);
// A date and a time of day in one field ("2023-09-01 09:30", "2023-09-01T09:30:00-05:00"):
// the date before the first blank or the 'T' that follows a digit, and the time after it
// (blanks between skipped). Without either the whole text is the date and the time is empty.
std::pair<std::string_view, std::string_view> SplitDateTime(std::string_view text);

