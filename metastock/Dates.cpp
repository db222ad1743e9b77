#include "metastock/Dates.h"

#include <array>
#include <cstdlib>

namespace {

constexpr std::array<std::int32_t, 12> kMonthStarts = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr std::size_t kMaxDateText = 10;
// Years since 1900 of the last date the files hold, 2140.
constexpr int kLastYear = 240;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A text of at most a few characters in which a position at or past the end reads as the
// NUL that a C buffer holds there.
struct SDateText {
    std::array<char, 16> chars{};
    std::size_t nSize = 0;
    char At(std::size_t i) const { return i < nSize ? chars[i] : '\0'; }
    void Push(char c) { chars[nSize++] = c; }
};

// atoi over the two characters at pos: leading blanks and a sign, then digits, stopping at
// anything else and at the end.
int ReadPart(const SDateText& text, std::size_t pos) {
    std::size_t i = pos;
    const std::size_t nEnd = pos + 2;
    while (i < nEnd && (text.At(i) == ' ' || (text.At(i) >= '\t' && text.At(i) <= '\r'))) {
        ++i;
    }
    bool bNegative = false;
    if (i < nEnd && (text.At(i) == '+' || text.At(i) == '-')) {
        bNegative = text.At(i) == '-';
        ++i;
    }
    int n = 0;
    while (i < nEnd && IsDigit(text.At(i))) {
        n = n * 10 + (text.At(i) - '0');
        ++i;
    }
    return bNegative ? -n : n;
}

struct SPartPositions {
    int nCentury; // -1: none
    int nYear;
    int nMonth;
    int nDay;
};

constexpr std::array<SPartPositions, 12> kPositions = {{
    {-1, 0, 3, 6}, {0, 2, 5, 8}, {-1, 6, 0, 3}, {6, 8, 0, 3}, {-1, 6, 3, 0}, {6, 8, 3, 0},
    {-1, 0, 2, 4}, {0, 2, 4, 6}, {-1, 4, 0, 2}, {4, 6, 0, 2}, {-1, 4, 2, 0}, {4, 6, 2, 0},
}};

// The fixed layout of the character-separated formats; false when the text has fewer than
// two separators.
bool Normalise(const SDateText& text, std::int16_t format, SDateText& out) {
    std::size_t nFirst = 0;
    std::size_t nLast = 0;
    int nSeparators = 0;
    for (std::size_t i = 0; i < text.nSize; ++i) {
        if (!IsDigit(text.chars[i])) {
            if (nSeparators++ == 0) {
                nFirst = i + 1;
            }
            nLast = i + 1;
        }
    }
    if (nSeparators < 2) {
        return false;
    }
    const std::size_t s1 = nFirst;
    const std::size_t s2 = nLast;
    const auto pushPair = [&](char a, char b) {
        out.Push(a);
        out.Push(b);
    };
    if (format == 2) {
        for (std::size_t i = 0; i < 5; ++i) {
            out.Push(text.At(i));
        }
    } else if (s1 == 3) {
        pushPair(text.At(0), text.At(1));
        out.Push('/');
    } else {
        pushPair('0', text.At(0));
        out.Push('/');
    }
    if (s2 - s1 == 3) {
        pushPair(text.At(s1), text.At(s1 + 1));
    } else {
        pushPair('0', text.At(s1));
    }
    out.Push('/');
    if (format == 4 || format == 6) {
        if (text.nSize == s2 + 4) {
            for (std::size_t i = 0; i < 4; ++i) {
                out.Push(text.At(s2 + i));
            }
        } else {
            for (char c : {'1', '9', '9', '9'}) {
                out.Push(c);
            }
        }
    } else if (text.nSize == s2 + 2) {
        pushPair(text.At(s2), text.At(s2 + 1));
    } else {
        pushPair('0', text.At(s2));
    }
    return true;
}

} // namespace

std::optional<std::int32_t> DateTextToDayNumber(std::string_view text, std::int16_t format) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (i < text.size() && text[i] == '"') {
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.empty() || format < kFirstDateFormat || format > kLastDateFormat || rest.size() > kMaxDateText) {
        return std::nullopt;
    }
    SDateText plain;
    for (char c : rest) {
        if (c == '\0') {
            break; // the text ends there, as a C string does
        }
        plain.Push(c);
    }
    SDateText normalised;
    const SDateText* pText = &plain;
    if (format <= kLastSeparatedDateFormat) {
        if (!Normalise(plain, format, normalised)) {
            return std::nullopt;
        }
        pText = &normalised;
    }
    const SPartPositions& pos = kPositions[static_cast<std::size_t>(format - 1)];
    const int nYearPart = ReadPart(*pText, static_cast<std::size_t>(pos.nYear));
    const int nMonth = ReadPart(*pText, static_cast<std::size_t>(pos.nMonth));
    const int nDay = ReadPart(*pText, static_cast<std::size_t>(pos.nDay));
    if (nYearPart == 0 && nMonth == 0 && nDay == 0) {
        return std::nullopt;
    }
    int nYear = 0;
    if (pos.nCentury >= 0) {
        nYear = (ReadPart(*pText, static_cast<std::size_t>(pos.nCentury)) - 19) * 100 + nYearPart;
    } else {
        nYear = nYearPart < 60 ? nYearPart + 100 : nYearPart;
    }
    // A year after 2140 cannot be held; DateToDayNumber would take one above 1900 as a full year.
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
    std::int32_t nYear = year;
    if (nYear > 1900) {
        nYear -= 1900;
    }
    if (month < 1 || month > 12) {
        return std::nullopt;
    }
    // Days before 1961 count back from it: floor division keeps every year the same length.
    std::int64_t n = FloorDiv(static_cast<std::int64_t>(nYear - 61) * 1461, 4);
    n += day + kMonthStarts[static_cast<std::size_t>(month - 1)];
    if (month > 2 && nYear % 4 == 0) {
        ++n;
    }
    return static_cast<std::int32_t>(n);
}

SDate DayNumberToDate(std::int32_t dayNumber) {
    const std::int64_t c = FloorDiv(4 * static_cast<std::int64_t>(dayNumber) - 1, 1461);
    const std::int64_t r = dayNumber - FloorDiv(c * 1461, 4);
    const std::int64_t nYear = c + 61;
    const bool bLeap = nYear % 4 == 0;
    int nMonth = 1;
    for (int m = 12; m >= 1; --m) {
        const std::int64_t nStart = kMonthStarts[static_cast<std::size_t>(m - 1)] + ((bLeap && m >= 3) ? 1 : 0);
        if (nStart < r) {
            nMonth = m;
            break;
        }
    }
    const std::int64_t nStart = kMonthStarts[static_cast<std::size_t>(nMonth - 1)] + ((bLeap && nMonth >= 3) ? 1 : 0);
    return SDate{static_cast<std::int16_t>(nYear), static_cast<std::int16_t>(nMonth),
                 static_cast<std::int16_t>(r - nStart)};
}

MbfSingle DayNumberToDateValue(std::int32_t dayNumber) {
    const SDate date = DayNumberToDate(dayNumber);
    const double value = date.nYear * 10000.0 + date.nMonth * 100.0 + date.nDay;
    return EncodeMbf(static_cast<float>(value));
}
