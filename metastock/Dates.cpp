#include "metastock/Dates.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a run of at most 4 digits.
int DigitsValue(std::string_view digits) {
    int nValue = 0; // [0, 9999]
    for (char c : digits) {
        nValue = nValue * 10 + (c - '0');
    }
    return nValue;
}

enum class EPart { Year, Month, Day };

// Parts in the order a layout writes them: formats 1, 2, 7, 8 year first; 3, 4, 9, 10 month
// first; 5, 6, 11, 12 day first.
constexpr std::array<std::array<EPart, 3>, 3> kPartOrders = {{
    {EPart::Year, EPart::Month, EPart::Day},
    {EPart::Month, EPart::Day, EPart::Year},
    {EPart::Day, EPart::Month, EPart::Year},
}};

const std::array<EPart, 3>& PartOrder(int format) {
    return kPartOrders[static_cast<std::size_t>(((format - 1) % 6) / 2)];
}

// 2 for the YY layouts, 4 for the CCYY ones.
int YearDigits(int format) {
    return (format - 1) % 2 == 0 ? 2 : 4;
}

// Splits a separated date into its three digit groups; false when the text is not three
// non-empty groups of digits with exactly one other character between each two.
bool SplitGroups(std::string_view text, std::array<std::string_view, 3>& groups) {
    std::size_t i = 0;
    for (std::size_t g = 0; g < 3; ++g) {
        const std::size_t nStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        if (i == nStart) {
            return false;
        }
        groups[g] = text.substr(nStart, i - nStart);
        if (g < 2) {
            if (i == text.size()) {
                return false;
            }
            ++i; // the separator, a non-digit since the group stopped there
        }
    }
    return i == text.size();
}

SDateReading Fault(EDateFault fault, int nDigits = 0) {
    SDateReading reading;
    reading.fault = fault;
    reading.nDigits = nDigits;
    return reading;
}

// Checks the parts against the calendar and the range the files hold.
SDateReading FromParts(int year, int month, int day) {
    SDateReading reading;
    reading.date = SDate{year, month, day};
    if (month < 1 || month > 12) {
        reading.fault = EDateFault::Month;
    } else if (day < 1 || day > DaysInMonth(year, month)) {
        reading.fault = EDateFault::Day;
    } else if (const auto value = DateValueOf(year, month, day)) {
        reading.nValue = *value;
    } else {
        reading.fault = EDateFault::Range;
    }
    return reading;
}

std::string PartsText(const SDate& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.nYear, date.nMonth, date.nDay);
    return text;
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

std::optional<std::int32_t> DateValueOf(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    // Years are checked before they are multiplied, so that no year can overflow.
    if (year < 1900 || year > 2140) {
        return std::nullopt;
    }
    const std::int32_t value = (year - 1900) * 10000 + month * 100 + day;
    if (value > kLastDateValue) {
        return std::nullopt;
    }
    return value;
}

SDate DateOfValue(std::int32_t value) {
    return SDate{1900 + value / 10000, value / 100 % 100, value % 100};
}

std::string DateValueText(std::int32_t value) {
    return PartsText(DateOfValue(value));
}

SDateReading ReadDateText(std::string_view text, int format) {
    if (format < kFirstDateFormat || format > kLastDateFormat) {
        return Fault(EDateFault::Format);
    }
    if (text.empty()) {
        return Fault(EDateFault::Empty);
    }
    bool bOnlyDigits = true;
    for (char c : text) {
        bOnlyDigits = bOnlyDigits && IsDigit(c);
    }
    const int nYearDigits = YearDigits(format);
    const std::array<EPart, 3>& order = PartOrder(format);
    std::array<std::string_view, 3> groups;

    if (format > kLastSeparatedDateFormat) {
        if (!bOnlyDigits) {
            return Fault(EDateFault::NonDigit);
        }
        const std::size_t nWant = static_cast<std::size_t>(nYearDigits) + 4;
        if (text.size() != nWant) {
            // The count only matters as a number in the reason; a huge one is still "many".
            return Fault(EDateFault::DigitCount, text.size() > 99999 ? 99999 : static_cast<int>(text.size()));
        }
        std::size_t nPos = 0;
        for (std::size_t g = 0; g < 3; ++g) {
            const std::size_t nWidth = order[g] == EPart::Year ? static_cast<std::size_t>(nYearDigits) : 2;
            groups[g] = text.substr(nPos, nWidth);
            nPos += nWidth;
        }
    } else {
        if (bOnlyDigits) {
            return Fault(EDateFault::OnlyDigits);
        }
        if (!SplitGroups(text, groups)) {
            return Fault(EDateFault::Shape);
        }
        // The year first: a century that is there or missing is the most telling fault.
        for (std::size_t g = 0; g < 3; ++g) {
            const int nDigits = groups[g].size() > 99999 ? 99999 : static_cast<int>(groups[g].size());
            if (order[g] == EPart::Year && nDigits != nYearDigits) {
                return Fault(EDateFault::YearDigits, nDigits);
            }
        }
        for (std::size_t g = 0; g < 3; ++g) {
            const int nDigits = groups[g].size() > 99999 ? 99999 : static_cast<int>(groups[g].size());
            if (order[g] != EPart::Year && nDigits > 2) {
                return Fault(order[g] == EPart::Month ? EDateFault::MonthDigits : EDateFault::DayDigits, nDigits);
            }
        }
    }

    int year = 0;  // [0, 9999]
    int month = 0; // [0, 99]
    int day = 0;   // [0, 99]
    for (std::size_t g = 0; g < 3; ++g) {
        const int nValue = DigitsValue(groups[g]);
        switch (order[g]) {
        case EPart::Year:
            year = nYearDigits == 4 ? nValue : (nValue < 60 ? 2000 + nValue : 1900 + nValue);
            break;
        case EPart::Month:
            month = nValue;
            break;
        case EPart::Day:
            day = nValue;
            break;
        }
    }
    return FromParts(year, month, day);
}

std::string DateFaultText(const SDateReading& reading, int format) {
    const std::string strDigits = std::to_string(reading.nDigits);
    switch (reading.fault) {
    case EDateFault::None:
        return {};
    case EDateFault::Empty:
        return "it is empty";
    case EDateFault::NonDigit:
        return "You specified a numeric-only date format but a non-numeric date character was found.";
    case EDateFault::OnlyDigits:
        return "You specified a character-separated date format but only numeric date characters were found.";
    case EDateFault::Shape:
        return "it is not three groups of digits with one character between them";
    case EDateFault::YearDigits:
        return "the year has " + strDigits + " digits, the layout " + std::to_string(YearDigits(format));
    case EDateFault::MonthDigits:
        return "the month has " + strDigits + " digits";
    case EDateFault::DayDigits:
        return "the day has " + strDigits + " digits";
    case EDateFault::DigitCount:
        return "it has " + strDigits + " digits, the layout " + std::to_string(YearDigits(format) + 4);
    case EDateFault::Month:
        return "there is no month " + std::to_string(reading.date.nMonth);
    case EDateFault::Day:
        if (reading.date.nDay == 0) {
            return "there is no day 0";
        }
        return "there is no day " + std::to_string(reading.date.nDay) + " in " +
               kMonthNames[static_cast<std::size_t>(reading.date.nMonth - 1)] + " " +
               std::to_string(reading.date.nYear);
    case EDateFault::Range:
        return PartsText(reading.date) +
               (reading.date.nYear < 1900 ? " is before " + DateValueText(kFirstDateValue)
                                          : " is after " + DateValueText(kLastDateValue));
    case EDateFault::Format:
        return "there is no date format " + std::to_string(format);
    }
    return {};
}
