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

const std::array<EPart, 3>& PartOrder(EDateFormat format) {
    return kPartOrders[static_cast<std::size_t>(((static_cast<int>(format) - 1) % 6) / 2)];
}

// 2 for the YY layouts, 4 for the CCYY ones.
int YearDigits(EDateFormat format) {
    return (static_cast<int>(format) - 1) % 2 == 0 ? 2 : 4;
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

std::optional<EDateFormat> DateFormatOfName(std::string_view text) {
    if (text.empty()) {
        return std::nullopt; // no entry chosen, not the first entry
    }
    for (int n = 1; n <= kDateFormatCount; ++n) {
        const std::string_view entry = kDateFormatNames[static_cast<std::size_t>(n - 1)];
        bool bMatch = text.size() <= entry.size();
        for (std::size_t k = 0; k < text.size() && bMatch; ++k) {
            const char c = text[k] >= 'a' && text[k] <= 'z' ? static_cast<char>(text[k] - 'a' + 'A') : text[k];
            bMatch = c == entry[k];
        }
        if (bMatch) {
            return static_cast<EDateFormat>(n);
        }
    }
    return std::nullopt;
}

SDateReading ReadDateText(std::string_view text, EDateFormat format) {
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

    if (!IsSeparatedDateFormat(format)) {
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

std::string DateFaultText(const SDateReading& reading, EDateFormat format) {
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
    }
    return {};
}

namespace {

bool EqualsNoCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != upper[i]) {
            return false;
        }
    }
    return true;
}

std::size_t DigitRun(std::string_view text, std::size_t i) {
    std::size_t nEnd = i;
    while (nEnd < text.size() && IsDigit(text[nEnd])) {
        ++nEnd;
    }
    return nEnd - i;
}

// A zone after a time: Z, UTC, GMT, or an offset +HH, +HHMM, +HH:MM (or with a minus).
bool IsZone(std::string_view text) {
    if (text == "Z" || EqualsNoCase(text, "UTC") || EqualsNoCase(text, "GMT")) {
        return true;
    }
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) {
        return false;
    }
    text.remove_prefix(1);
    const std::size_t nHours = DigitRun(text, 0);
    if (nHours == 4 && text.size() == 4) {
        return true;
    }
    if (nHours != 2) {
        return false;
    }
    return text.size() == 2 || (text.size() == 5 && text[2] == ':' && DigitRun(text, 3) == 2);
}

} // namespace

namespace {

struct SClock {
    int nHour = 0;   // [0, 99]
    int nMinute = 0; // [0, 99]
    int nSecond = 0; // [0, 99]
};

// The hours, minutes and seconds at the start of text: H:MM, HH:MM:SS or digits only
// ([H]HMM, [H]HMMSS); the length read, 0 when there are none.
std::size_t ReadClock(std::string_view text, SClock& clock) {
    const std::size_t nLead = DigitRun(text, 0);
    if (nLead >= 1 && nLead <= 2 && nLead < text.size() && text[nLead] == ':') {
        clock.nHour = DigitsValue(text.substr(0, nLead));
        std::size_t i = nLead + 1;
        if (DigitRun(text, i) != 2) {
            return 0;
        }
        clock.nMinute = DigitsValue(text.substr(i, 2));
        i += 2;
        if (i < text.size() && text[i] == ':') {
            if (DigitRun(text, i + 1) != 2) {
                return 0;
            }
            clock.nSecond = DigitsValue(text.substr(i + 1, 2));
            i += 3;
        }
        return i;
    }
    if (nLead < 3 || nLead > 6) {
        return 0;
    }
    const std::size_t nHourDigits = nLead % 2 == 1 ? 1 : 2;
    clock.nHour = DigitsValue(text.substr(0, nHourDigits));
    clock.nMinute = DigitsValue(text.substr(nHourDigits, 2));
    clock.nSecond = nLead >= 5 ? DigitsValue(text.substr(nHourDigits + 2, 2)) : 0;
    return nLead;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

STimeReading ReadTimeText(std::string_view text) {
    STimeReading reading;
    SClock clock;
    const std::size_t nClock = text.empty() ? 0 : ReadClock(text, clock);
    reading.fault = text.empty() ? ETimeFault::Empty : nClock == 0 ? ETimeFault::Shape : ETimeFault::None;
    std::string_view rest = text.substr(nClock);
    // A fraction of a second, of zeros only.
    if (reading.fault == ETimeFault::None && !rest.empty() && rest.front() == '.') {
        const std::size_t nFraction = DigitRun(rest, 1);
        const std::string_view fraction = rest.substr(1, nFraction);
        reading.fault = nFraction == 0                                             ? ETimeFault::Shape
                        : fraction.find_first_not_of('0') != std::string_view::npos ? ETimeFault::Fraction
                                                                                    : ETimeFault::None;
        rest.remove_prefix(1 + nFraction);
    }
    rest = TrimBlanks(rest);
    const bool bHalfDay = rest.size() >= 2 && (EqualsNoCase(rest.substr(0, 2), "AM") || EqualsNoCase(rest.substr(0, 2), "PM"));
    const bool bAfternoon = bHalfDay && EqualsNoCase(rest.substr(0, 2), "PM");
    if (bHalfDay) {
        rest = TrimBlanks(rest.substr(2));
    }
    if (reading.fault == ETimeFault::None && !rest.empty() && !IsZone(rest)) {
        reading.fault = ETimeFault::Shape;
    }
    if (reading.fault != ETimeFault::None) {
        return reading;
    }
    if (bHalfDay && (clock.nHour < 1 || clock.nHour > 12)) {
        return STimeReading{ETimeFault::Hour, clock.nHour};
    }
    const int nHour = bHalfDay ? clock.nHour % 12 + (bAfternoon ? 12 : 0) : clock.nHour; // [0, 99]
    if (nHour > 23) {
        return STimeReading{ETimeFault::Hour, nHour};
    }
    if (clock.nMinute > 59) {
        return STimeReading{ETimeFault::Minute, clock.nMinute};
    }
    if (clock.nSecond > 59) {
        return STimeReading{ETimeFault::Second, clock.nSecond};
    }
    reading.nTime = nHour * 10000 + clock.nMinute * 100 + clock.nSecond;
    return reading;
}

std::string TimeFaultText(const STimeReading& reading, std::string_view text) {
    switch (reading.fault) {
    case ETimeFault::None:
        return {};
    case ETimeFault::Empty:
        return "there is no time";
    case ETimeFault::Shape:
        return "\"" + std::string(text) + "\" is not a time of day such as 09:30, 09:30:00, 0930 or 4:00 PM";
    case ETimeFault::Hour:
        return "there is no hour " + std::to_string(reading.nTime);
    case ETimeFault::Minute:
        return "there is no minute " + std::to_string(reading.nTime);
    case ETimeFault::Second:
        return "there is no second " + std::to_string(reading.nTime);
    case ETimeFault::Fraction:
        return "the time has a fraction of a second, and a bar's time holds whole seconds";
    }
    return {};
}

std::string TimeText(std::int32_t nTime) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(nTime / 10000 % 100),
                  static_cast<int>(nTime / 100 % 100), static_cast<int>(nTime % 100));
    return text;
}

std::pair<std::string_view, std::string_view> SplitDateTime(std::string_view text) {
    std::size_t nAt = std::string_view::npos;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == ' ' || (text[i] == 'T' && IsDigit(text[i - 1]))) {
            nAt = i;
            break;
        }
    }
    if (nAt == std::string_view::npos) {
        return {text, {}};
    }
    std::string_view time = text.substr(nAt + 1);
    while (!time.empty() && time.front() == ' ') {
        time.remove_prefix(1);
    }
    return {text.substr(0, nAt), time};
}
