#include "metastock/Dates.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Days before each month in a common year; a leap year adds 1 from March on.
constexpr std::array<std::int32_t, 12> kMonthStarts = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Day number of the last day of the year before (years since 1900); 1960 ends on day 0.
constexpr std::int64_t DaysBeforeYear(std::int64_t year) {
    return FloorDiv((year - 61) * 1461, 4);
}

// Whether years since 1900 is a leap year; 1900 and 2100 count as leap years.
constexpr bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0;
}

// Years since 1900 above this lie past the last day a day number holds (2140-06-04).
constexpr int kLastYear = 240;

// The text as the date column holds it, with a NUL at every position at or past its end, as
// a C string buffer reads there.
class CCharText {
public:
    explicit CCharText(std::string_view text) : m_text(text) {}
    char operator[](std::size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }
    std::size_t size() const { return m_text.size(); }

private:
    std::string_view m_text;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The part at pos of text read as atoi reads it, over at most those two characters.
int ReadPart(const CCharText& text, std::size_t pos) {
    std::size_t i = pos;
    const std::size_t end = pos + 2;
    while (i < end && IsAtoiSpace(text[i])) {
        ++i;
    }
    bool bNegative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    int nValue = 0; // [0, 99]
    while (i < end && IsDigit(text[i])) {
        nValue = nValue * 10 + (text[i] - '0');
        ++i;
    }
    return bNegative ? -nValue : nValue;
}

struct SPartPositions {
    int nCentury; // -1: the format has no century part
    int nYear;
    int nMonth;
    int nDay;
};

// Indexed by format number - 1.
constexpr std::array<SPartPositions, 12> kPositions = {{
    {-1, 0, 3, 6}, // YY_MM_DD
    {0, 2, 5, 8},  // CCYY_MM_DD
    {-1, 6, 0, 3}, // MM_DD_YY
    {6, 8, 0, 3},  // MM_DD_CCYY
    {-1, 6, 3, 0}, // DD_MM_YY
    {6, 8, 3, 0},  // DD_MM_CCYY
    {-1, 0, 2, 4}, // YYMMDD
    {0, 2, 4, 6},  // CCYYMMDD
    {-1, 4, 0, 2}, // MMDDYY
    {4, 6, 0, 2},  // MMDDCCYY
    {-1, 4, 2, 0}, // DDMMYY
    {4, 6, 2, 0},  // DDMMCCYY
}};

// Rewrites a date whose parts are separated by any non-digit into the fixed layout of its
// format: two-character groups joined by "/", a one-digit group led by "0". nullopt when the
// text has fewer than two separators.
std::optional<std::string> Normalise(const CCharText& text, int format) {
    std::size_t nFirst = 0;  // just after the first non-digit, 0 when none
    std::size_t nSecond = 0; // just after the last non-digit, when it is not the first
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            if (nFirst == 0) {
                nFirst = i + 1;
            } else {
                nSecond = i + 1;
            }
        }
    }
    if (nFirst == 0 || nSecond == 0) {
        return std::nullopt;
    }

    auto two = [&](std::size_t pos) { return std::string{text[pos], text[pos + 1]}; };
    auto padded = [&](std::size_t pos) { return std::string{'0', text[pos]}; };

    const std::string groupA = nFirst == 3 ? two(0) : padded(0);
    const std::string groupB = nSecond - nFirst == 3 ? two(nFirst) : padded(nFirst);
    std::string groupC;
    if (format == 4 || format == 6) {
        groupC = text.size() == nSecond + 4 ? two(nSecond) + two(nSecond + 2) : std::string("1999");
    } else {
        groupC = text.size() == nSecond + 2 ? two(nSecond) : padded(nSecond);
    }

    if (format == 2) {
        std::string head;
        for (std::size_t i = 0; i < 5; ++i) {
            head += text[i];
        }
        return head + groupB + "/" + groupC;
    }
    return groupA + "/" + groupB + "/" + groupC;
}

} // namespace

std::optional<std::int32_t> DateTextToDayNumber(std::string_view text, std::int16_t format) {
    // The column is a C string: nothing after a NUL belongs to it.
    text = text.substr(0, text.find('\0'));
    std::size_t nStart = 0;
    while (nStart < text.size() && text[nStart] == ' ') {
        ++nStart;
    }
    if (nStart < text.size() && text[nStart] == '"') {
        ++nStart;
    }
    text.remove_prefix(nStart);
    if (text.empty() || format < kFirstDateFormat || format > kLastDateFormat || text.size() > 10) {
        return std::nullopt;
    }

    std::string normalised;
    if (format <= kLastSeparatedDateFormat) {
        auto result = Normalise(CCharText(text), format);
        if (!result) {
            return std::nullopt;
        }
        normalised = std::move(*result);
    }
    const CCharText parts(format <= kLastSeparatedDateFormat ? std::string_view(normalised) : text);
    const SPartPositions& pos = kPositions[static_cast<std::size_t>(format - 1)];

    const int nYearPart = ReadPart(parts, static_cast<std::size_t>(pos.nYear));   // [-9, 99]
    const int nMonth = ReadPart(parts, static_cast<std::size_t>(pos.nMonth));     // [-9, 99]
    const int nDay = ReadPart(parts, static_cast<std::size_t>(pos.nDay));         // [-9, 99]
    if (nYearPart == 0 && nMonth == 0 && nDay == 0) {
        return std::nullopt;
    }
    int nYear; // years since 1900, [-2809, 8099]
    if (pos.nCentury >= 0) {
        nYear = (ReadPart(parts, static_cast<std::size_t>(pos.nCentury)) - 19) * 100 + nYearPart;
    } else {
        nYear = nYearPart < 60 ? nYearPart + 100 : nYearPart;
    }
    // No day number holds a date past 2140; checked here because DateToDayNumber would take
    // a value above 1900 (century 38 and on) as a full year number.
    if (nYear > kLastYear) {
        return std::nullopt;
    }
    const auto day = DateToDayNumber(static_cast<std::int16_t>(nYear), static_cast<std::int16_t>(nMonth),
                                     static_cast<std::int16_t>(nDay));
    if (!day || *day < kFirstDayNumber || *day > kLastDayNumber) {
        return std::nullopt;
    }
    return day;
}

std::optional<std::int32_t> DateToDayNumber(std::int16_t year, std::int16_t month, std::int16_t day) {
    if (month < 1 || month > 12) {
        return std::nullopt;
    }
    std::int64_t nYear = year > 1900 ? year - 1900 : year;
    std::int64_t n = day + DaysBeforeYear(nYear) + kMonthStarts[static_cast<std::size_t>(month - 1)];
    if (month > 2 && IsLeapYear(nYear)) {
        ++n;
    }
    // Within +-12.1 million for every 16-bit input, so it fits.
    return static_cast<std::int32_t>(n);
}

SDate DayNumberToDate(std::int32_t dayNumber) {
    const std::int64_t n = dayNumber;
    const std::int64_t nYearIndex = FloorDiv(4 * n - 1, 1461); // years since 1961
    const std::int64_t nDayOfYear = n - DaysBeforeYear(nYearIndex + 61); // [1, 366]
    const std::int64_t nYear = nYearIndex + 61;
    int nMonth = 12;
    std::int64_t nStart = 0;
    for (; nMonth >= 1; --nMonth) {
        nStart = kMonthStarts[static_cast<std::size_t>(nMonth - 1)] + ((nMonth > 2 && IsLeapYear(nYear)) ? 1 : 0);
        if (nStart < nDayOfYear) {
            break;
        }
    }
    return SDate{static_cast<std::int16_t>(nYear), static_cast<std::int16_t>(nMonth),
                 static_cast<std::int16_t>(nDayOfYear - nStart)};
}

MbfSingle DayNumberToDateValue(std::int32_t dayNumber) {
    const SDate date = DayNumberToDate(dayNumber);
    const double value = date.nYear * 10000.0 + date.nMonth * 100.0 + date.nDay;
    return EncodeMbf(static_cast<float>(value));
}
