// Date texts under the twelve formats, the day number scheme from 1900-01-01 to 2140-06-04,
// and the date value that the files hold.
#include "metastock/Dates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace {

// The date value (year - 1900) * 10000 + month * 100 + day of a day number.
int DateValueOf(std::int32_t dayNumber) {
    const SDate date = DayNumberToDate(dayNumber);
    return date.nYear * 10000 + date.nMonth * 100 + date.nDay;
}

// The date value that text gives under format, nullopt when it is unreadable.
std::optional<int> ValueOfText(const std::string& text, int format) {
    const auto day = DateTextToDayNumber(text, static_cast<std::int16_t>(format));
    if (!day) {
        return std::nullopt;
    }
    return DateValueOf(*day);
}

struct SDateCase {
    const char* pszText;
    int nFormat;
    std::optional<int> value; // nullopt: unreadable
};

void ExpectCases(std::initializer_list<SDateCase> cases) {
    for (const SDateCase& c : cases) {
        EXPECT_EQ(ValueOfText(c.pszText, c.nFormat), c.value) << '"' << c.pszText << "\" format " << c.nFormat;
    }
}

bool IsLeap(int yearsSince1900) {
    return yearsSince1900 % 4 == 0;
}

int DaysInMonth(int yearsSince1900, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(yearsSince1900) ? 29 : kDays[month - 1];
}

} // namespace

TEST(DateText, ReadsEveryFormat) {
    ExpectCases({
        {"99/12/31", 1, 991231},
        {"99-1-5", 1, 990105},
        {"00.01.05", 1, 1000105},
        {"2000-1-5", 2, 1000105},
        {"1999/12/31", 2, 991231},
        {"12/31/99", 3, 991231},
        {"1/5/00", 3, 1000105},
        {"12-31-1999", 4, 991231},
        {"1/5/2000", 4, 1000105},
        {"31.12.99", 5, 991231},
        {"5/1/00", 5, 1000105},
        {"31/12/1999", 6, 991231},
        {"5-1-2000", 6, 1000105},
        {"991231", 7, 991231},
        {"000105", 7, 1000105},
        {"19991231", 8, 991231},
        {"20000105", 8, 1000105},
        {"123199", 9, 991231},
        {"010500", 9, 1000105},
        {"12311999", 10, 991231},
        {"01052000", 10, 1000105},
        {"311299", 11, 991231},
        {"050100", 11, 1000105},
        {"31121999", 12, 991231},
        {"05012000", 12, 1000105},
    });
}

TEST(DateText, TheDayNumberOfTheEndOf1999) {
    EXPECT_EQ(DateTextToDayNumber("12/31/99", 3), 14244);
}

TEST(DateText, ALastGroupThatIsNotFourDigitsLongIs1999) {
    ExpectCases({
        {"1/5/00", 4, 990105},
        {"5/1/00", 6, 990105},
        {"1/5/20000", 4, 990105},
    });
}

TEST(DateText, LeadingBlanksAndOneQuoteAreSkipped) {
    ExpectCases({
        {"  \"991231", 7, 991231},
        {"  \"12/31/99", 3, 991231},
        {"\"19991231", 8, 991231},
        {"   991231", 7, 991231},
        // Only one quote is skipped; the second one ends the year part early.
        {"\"\"991231", 7, std::nullopt},
    });
}

TEST(DateText, NothingLeftOrTooLongIsUnreadable) {
    ExpectCases({
        {"", 3, std::nullopt},
        {"    ", 3, std::nullopt},
        {"  \"", 7, std::nullopt},
        {"12/31/19999", 4, std::nullopt}, // 11 characters
        {"  \"12/31/19999", 4, std::nullopt},
        {"19991231000", 8, std::nullopt},
        // Ten characters after the blanks and the quote are still read.
        {"   \"12/31/1999", 4, 991231},
    });
}

TEST(DateText, TooFewSeparatorsIsUnreadable) {
    ExpectCases({
        {"123199", 3, std::nullopt},
        {"12/3199", 3, std::nullopt},
        {"1231/99", 1, std::nullopt},
        {"19991231", 2, std::nullopt},
        {"/", 5, std::nullopt},
        {"7", 6, std::nullopt},
    });
}

TEST(DateText, TextsEndingAtASeparatorStayInsideTheText) {
    // Groups past the end read as the end of the text; whatever the result, nothing past the
    // text is read (the sanitizer build checks that).
    for (int format = 1; format <= 6; ++format) {
        for (const char* text : {"12/31/", "1//", "//", "1/5/", "2000-1-", "12/31/1", "/1/5", "\"1/5/"}) {
            (void)DateTextToDayNumber(text, static_cast<std::int16_t>(format));
        }
    }
    // A last group of one character is led by "0"; one of none reads as year 0, 2000.
    ExpectCases({
        {"12/31/1", 3, 1011231},
        {"12/31/", 3, 1001231},
        {"1/5/", 3, 1000105},
    });
}

TEST(DateText, FormatNumbersOutside1To12AreUnreadable) {
    ExpectCases({
        {"991231", 0, std::nullopt},
        {"991231", 13, std::nullopt},
        {"991231", -7, std::nullopt},
    });
}

TEST(DateText, AllPartsZeroIsUnreadable) {
    ExpectCases({
        {"00/00/00", 1, std::nullopt},
        {"000000", 7, std::nullopt},
        {"00/00/00", 3, std::nullopt},
    });
}

TEST(DateText, MonthOutside1To12IsUnreadable) {
    ExpectCases({
        {"13/01/99", 3, std::nullopt},
        {"00/15/99", 3, std::nullopt},
        {"991301", 7, std::nullopt},
        {"990015", 7, std::nullopt},
        {"1999/13/01", 2, std::nullopt},
        {"15/13/1999", 6, std::nullopt},
    });
}

TEST(DateText, DaysRollOverIntoTheNextOrPreviousMonth) {
    ExpectCases({
        {"1999/02/30", 2, 990302},
        {"1999/03/00", 2, 990228},
        {"2000/03/00", 2, 1000229},
        {"990100", 7, 981231},
        {"12/32/99", 3, 1000101},
        // Every year whose number minus 1900 is divisible by 4 has a 29 February.
        {"2100/02/29", 2, 2000229},
        {"19000229", 8, 229},
    });
}

TEST(DateText, TwoDigitYearsBelow60AreThe2000s) {
    ExpectCases({
        {"01/01/59", 3, 1590101},
        {"01/01/61", 3, 610101},
        {"01/01/60", 3, 600101},
        {"590101", 7, 1590101},
        {"00/01/01", 1, 1000101},
        {"99/01/01", 1, 990101},
    });
}

TEST(DateText, FourDigitYearsAreTakenAsWritten) {
    ExpectCases({
        {"20590101", 8, 1590101},
        {"19590101", 8, 590101},
        {"1950-01-03", 2, 500103},
        {"01/03/1950", 4, 500103},
    });
}

TEST(DateText, TheRangeIs1900To2140June4) {
    ExpectCases({
        {"19000101", 8, 101},
        {"18991231", 8, std::nullopt},
        {"19601231", 8, 601231},
        {"19610101", 8, 610101},
        {"21400604", 8, 2400604},
        {"21400605", 8, std::nullopt},
        {"21410101", 8, std::nullopt},
        {"2140/06/04", 2, 2400604},
        {"2140/06/05", 2, std::nullopt},
        {"06/05/2140", 4, std::nullopt},
        // Day 0 of 1900-01 is 1899-12-31.
        {"19000100", 8, std::nullopt},
    });
    EXPECT_EQ(DateTextToDayNumber("19000101", 8), kFirstDayNumber);
    EXPECT_EQ(DateTextToDayNumber("19601231", 8), 0);
    EXPECT_EQ(DateTextToDayNumber("19610101", 8), 1);
    EXPECT_EQ(DateTextToDayNumber("21400604", 8), kLastDayNumber);
}

TEST(DateText, YearsAfter2140AreUnreadableNotFullYearNumbers) {
    // Century 38 and on gives more than 1900 years since 1900, which must not be mistaken
    // for a full year number.
    ExpectCases({
        {"38050101", 8, std::nullopt},
        {"01013805", 10, std::nullopt},
        {"3805/01/01", 2, std::nullopt},
        {"38010101", 8, std::nullopt},
        {"39990101", 8, std::nullopt},
        {"99991231", 8, std::nullopt},
    });
}

TEST(DateText, DatesBefore1961CountBackWithFloorDivision) {
    ExpectCases({
        {"12/31/60", 3, 601231},
        {"12/32/60", 3, 610101},
        {"01/00/61", 3, 601231},
        {"02/29/60", 3, 600229},
        {"03/01/1957", 4, 570301},
        {"12/31/1956", 4, 561231},
        {"01/01/1957", 4, 570101},
    });
    EXPECT_EQ(DateTextToDayNumber("12/31/60", 3), 0);
    EXPECT_EQ(DateTextToDayNumber("12/30/60", 3), -1);
}

TEST(DateToDayNumber, TakesYearsAbove1900AsFullYears) {
    EXPECT_EQ(DateToDayNumber(1999, 12, 31), 14244);
    EXPECT_EQ(DateToDayNumber(99, 12, 31), 14244);
    EXPECT_EQ(DateToDayNumber(61, 1, 1), 1);
    EXPECT_EQ(DateToDayNumber(1961, 1, 1), 1);
    // 1900 itself is not above 1900, so it is year 1900 + 1900.
    EXPECT_NE(DateToDayNumber(1900, 1, 1), DateToDayNumber(0, 1, 1));
}

TEST(DateToDayNumber, MonthOutside1To12HasNoDayNumber) {
    EXPECT_EQ(DateToDayNumber(99, 0, 1), std::nullopt);
    EXPECT_EQ(DateToDayNumber(99, 13, 1), std::nullopt);
    EXPECT_EQ(DateToDayNumber(99, -1, 1), std::nullopt);
}

TEST(DateToDayNumber, DaysRunOverMonthEnds) {
    EXPECT_EQ(DateToDayNumber(99, 2, 29), DateToDayNumber(99, 3, 1));
    EXPECT_EQ(DateToDayNumber(100, 2, 30), DateToDayNumber(100, 3, 1));
    EXPECT_EQ(DateToDayNumber(99, 3, 0), DateToDayNumber(99, 2, 28));
    EXPECT_EQ(DateToDayNumber(99, 1, 0), DateToDayNumber(98, 12, 31));
    EXPECT_EQ(DateToDayNumber(61, 1, 0), 0);
    EXPECT_EQ(DateToDayNumber(60, 12, 31), 0);
    EXPECT_EQ(DateToDayNumber(60, 12, 32), 1);
}

TEST(DayNumber, KnownDays) {
    EXPECT_EQ(DateValueOf(1), 610101);
    EXPECT_EQ(DateValueOf(0), 601231);
    EXPECT_EQ(DateValueOf(-1), 601230);
    EXPECT_EQ(DateValueOf(14244), 991231);
    EXPECT_EQ(DateValueOf(kLastDayNumber), 2400604);
    EXPECT_EQ(DateValueOf(kFirstDayNumber), 101);
    EXPECT_EQ(DayNumberToDateValue(1), (MbfSingle{0x50, 0xF3, 0x14, 0x94}));
    EXPECT_EQ(DayNumberToDateValue(14244), (MbfSingle{0xF0, 0xFF, 0x71, 0x94}));
    EXPECT_EQ(DecodeMbf(DayNumberToDateValue(kLastDayNumber)), 2400604.0f);
}

TEST(DayNumber, EveryDayFrom1900To2140RoundTrips) {
    // Walk the calendar one day at a time and compare with both directions of the scheme.
    int year = 0;
    int month = 1;
    int day = 1;
    for (std::int32_t n = kFirstDayNumber; n <= kLastDayNumber; ++n) {
        const SDate date = DayNumberToDate(n);
        ASSERT_EQ(date.nYear, year) << n;
        ASSERT_EQ(date.nMonth, month) << n;
        ASSERT_EQ(date.nDay, day) << n;
        ASSERT_EQ(DateToDayNumber(static_cast<std::int16_t>(year), static_cast<std::int16_t>(month),
                                  static_cast<std::int16_t>(day)),
                  n);
        const float value = static_cast<float>(year * 10000 + month * 100 + day);
        ASSERT_EQ(DayNumberToDateValue(n), EncodeMbf(value)) << n;
        ASSERT_EQ(DecodeMbf(DayNumberToDateValue(n)), value) << n;

        if (++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    EXPECT_EQ(year * 10000 + month * 100 + day, 2400605);
}

TEST(DayNumber, EveryDateOfEveryMonthReadsBackFromText) {
    char text[40];
    for (int year = 1900; year <= 2140; year += 7) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year - 1900, month); ++day) {
                std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
                ASSERT_EQ(ValueOfText(text, 8), (year - 1900) * 10000 + month * 100 + day) << text;
                std::snprintf(text, sizeof text, "%d/%d/%04d", month, day, year);
                ASSERT_EQ(ValueOfText(text, 4), (year - 1900) * 10000 + month * 100 + day) << text;
            }
        }
    }
}
