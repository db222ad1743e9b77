// Date texts read strictly under the twelve layouts, checked against the standard library's
// calendar for every day from 1900-01-01 to 2140-06-04 and for every impossible day.
#include "metastock/Dates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using namespace std::chrono;

// The text of a day under a layout, as a file would write it.
std::string TextOf(int format, int year, int month, int day, bool bPadded = true) {
    char text[48];
    const int yy = year % 100;
    const char* pszPart = bPadded ? "%02d" : "%d";
    const std::string dd = (std::snprintf(text, sizeof text, pszPart, day), text);
    const std::string mm = (std::snprintf(text, sizeof text, pszPart, month), text);
    const std::string y2 = (std::snprintf(text, sizeof text, "%02d", yy), text);
    const std::string y4 = (std::snprintf(text, sizeof text, "%04d", year), text);
    const std::string& y = (format - 1) % 2 == 0 ? y2 : y4;
    const std::string sep = format <= 6 ? (format % 3 == 0 ? "/" : format % 3 == 2 ? "-" : ".") : "";
    switch ((format - 1) % 6 / 2) {
    case 0:
        return y + sep + mm + sep + dd;
    case 1:
        return mm + sep + dd + sep + y;
    default:
        return dd + sep + mm + sep + y;
    }
}

std::int32_t ValueOf(int year, int month, int day) {
    return (year - 1900) * 10000 + month * 100 + day;
}

SDateReading Read(std::string_view text, int nFormat) {
    return ReadDateText(text, static_cast<EDateFormat>(nFormat));
}

struct SFaultCase {
    const char* pszText;
    int nFormat;
    EDateFault fault;
    const char* pszClause; // DateFaultText, or nullptr
};

} // namespace

TEST(Dates, EveryDayOfTheRangeReadsUnderEveryLayout) {
    const sys_days last = year{2140} / 6 / 4;
    std::int32_t nPrevious = 0;
    for (sys_days d = year{1900} / 1 / 1; d <= last; d += days{1}) {
        const year_month_day ymd{d};
        const int y = static_cast<int>(ymd.year());
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int dd = static_cast<int>(static_cast<unsigned>(ymd.day()));
        const std::int32_t value = ValueOf(y, m, dd);
        ASSERT_GT(value, nPrevious);
        nPrevious = value;
        ASSERT_EQ(DateValueOf(y, m, dd), value);
        ASSERT_EQ(DateValueText(value), TextOf(2, y, m, dd));
        for (int format = 1; format <= 12; ++format) {
            // Two-digit years stand for 1960 to 2059.
            if ((format - 1) % 2 == 0 && (y < 1960 || y > 2059)) {
                continue;
            }
            for (bool bPadded : {true, false}) {
                if (!bPadded && format > 6) {
                    continue;
                }
                const std::string text = TextOf(format, y, m, dd, bPadded);
                const SDateReading reading = Read(text, format);
                ASSERT_EQ(reading.fault, EDateFault::None) << text << " format " << format;
                ASSERT_EQ(reading.nValue, value) << text << " format " << format;
            }
        }
    }
    EXPECT_EQ(nPrevious, kLastDateValue);
}

TEST(Dates, EveryImpossibleDayAndMonthIsRefused) {
    for (int y = 1900; y <= 2140; ++y) {
        for (int m = 0; m <= 13; ++m) {
            for (int d = 0; d <= 31; ++d) {
                const bool bReal = year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}}.ok();
                const SDateReading reading = Read(TextOf(8, y, m, d), 8);
                if (bReal) {
                    continue;
                }
                ASSERT_EQ(reading.fault, m < 1 || m > 12 ? EDateFault::Month : EDateFault::Day) << y << m << d;
                ASSERT_EQ(Read(TextOf(4, y, m, d, false), 4).fault, reading.fault) << y << m << d;
                ASSERT_EQ(DateValueOf(y, m, d), std::nullopt);
            }
        }
    }
}

TEST(Dates, EveryDayOutsideTheRangeIsRefused) {
    for (sys_days d = year{1898} / 1 / 1; d <= sys_days{year{2142} / 1 / 1}; d += days{1}) {
        const year_month_day ymd{d};
        const int y = static_cast<int>(ymd.year());
        if (y >= 1900 && d <= sys_days{year{2140} / 6 / 4}) {
            continue;
        }
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int dd = static_cast<int>(static_cast<unsigned>(ymd.day()));
        for (int format : {2, 8, 12}) {
            ASSERT_EQ(Read(TextOf(format, y, m, dd), format).fault, EDateFault::Range) << y << m << dd;
        }
        ASSERT_EQ(DateValueOf(y, m, dd), std::nullopt);
    }
}

TEST(Dates, TextsOfTheWrongShapeAreRefusedWithTheirReason) {
    const SFaultCase cases[] = {
        // A layout left over from another file.
        {"2023-01-03", 3, EDateFault::MonthDigits, "the month has 4 digits"},
        {"01/03/2023", 3, EDateFault::YearDigits, "the year has 4 digits, the layout 2"},
        {"01/03/23", 4, EDateFault::YearDigits, "the year has 2 digits, the layout 4"},
        {"2023-01-03", 1, EDateFault::YearDigits, "the year has 4 digits, the layout 2"},
        {"1/123/2023", 4, EDateFault::DayDigits, "the day has 3 digits"},
        {"20230103", 7, EDateFault::DigitCount, "it has 8 digits, the layout 6"},
        {"230103", 8, EDateFault::DigitCount, "it has 6 digits, the layout 8"},
        {"2023013", 8, EDateFault::DigitCount, nullptr},
        {"2023-01-03", 8, EDateFault::NonDigit,
         "You specified a numeric-only date format but a non-numeric date character was found."},
        {" 20230103", 8, EDateFault::NonDigit, nullptr},
        {"20230103", 2, EDateFault::OnlyDigits,
         "You specified a character-separated date format but only numeric date characters were found."},
        {"2023--01", 2, EDateFault::Shape, "it is not three groups of digits with one character between them"},
        {"2023-01", 2, EDateFault::Shape, nullptr},
        {"2023-01-03-", 2, EDateFault::Shape, nullptr},
        {"2023-01-03 10:00", 2, EDateFault::Shape, nullptr},
        {"-2023-01-03", 2, EDateFault::Shape, nullptr},
        {"Jan 3, 2023", 4, EDateFault::Shape, nullptr},
        {"", 2, EDateFault::Empty, nullptr},
        {"02/30/2023", 4, EDateFault::Day, "there is no day 30 in February 2023"},
        {"1900-02-29", 2, EDateFault::Day, "there is no day 29 in February 1900"},
        {"2100-02-29", 2, EDateFault::Day, nullptr},
        {"00/01/23", 5, EDateFault::Day, "there is no day 0"},
        {"2023-13-01", 2, EDateFault::Month, "there is no month 13"},
        {"2140-06-05", 2, EDateFault::Range, "2140-06-05 is after 2140-06-04"},
        {"18991231", 8, EDateFault::Range, "1899-12-31 is before 1900-01-01"},
        {"00000101", 8, EDateFault::Range, nullptr},
    };
    for (const SFaultCase& c : cases) {
        const SDateReading reading = Read(c.pszText, c.nFormat);
        EXPECT_EQ(reading.fault, c.fault) << c.pszText << " format " << c.nFormat;
        if (c.pszClause) {
            EXPECT_EQ(DateFaultText(reading, static_cast<EDateFormat>(c.nFormat)), c.pszClause) << c.pszText;
        }
    }
}

TEST(Dates, TwoDigitYearsBelow60AreThisCentury) {
    EXPECT_EQ(Read("590101", 7).nValue, ValueOf(2059, 1, 1));
    EXPECT_EQ(Read("600101", 7).nValue, ValueOf(1960, 1, 1));
    EXPECT_EQ(Read("12/31/99", 3).nValue, ValueOf(1999, 12, 31));
    EXPECT_EQ(Read("1/3/00", 3).nValue, ValueOf(2000, 1, 3));
    // Separators need not be alike, nor be punctuation.
    EXPECT_EQ(Read("3.1/2023", 6).nValue, ValueOf(2023, 1, 3));
    EXPECT_EQ(Read("2023x1y3", 2).nValue, ValueOf(2023, 1, 3));
}

TEST(Dates, EveryTimeOfDayReadsInEveryLayout) {
    char text[32];
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; ++m) {
            for (int s = 0; s < 60; ++s) {
                const std::int32_t nTime = h * 10000 + m * 100 + s;
                const int h12 = h % 12 == 0 ? 12 : h % 12;
                const char* pszHalf = h < 12 ? "AM" : "pm";
                std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
                ASSERT_EQ(ReadTimeText(text).nTime, nTime) << text;
                ASSERT_EQ(TimeText(nTime), text);
                std::snprintf(text, sizeof text, "%d%02d%02d", h, m, s);
                ASSERT_EQ(ReadTimeText(text).nTime, nTime) << text;
                std::snprintf(text, sizeof text, "%d:%02d:%02d %s", h12, m, s, pszHalf);
                ASSERT_EQ(ReadTimeText(text).nTime, nTime) << text;
                std::snprintf(text, sizeof text, "%02d:%02d:%02d.000-05:00", h, m, s);
                ASSERT_EQ(ReadTimeText(text).nTime, nTime) << text;
            }
            std::snprintf(text, sizeof text, "%02d%02d", h, m);
            ASSERT_EQ(ReadTimeText(text).nTime, h * 10000 + m * 100) << text;
            std::snprintf(text, sizeof text, "%d:%02d%s", h % 12 == 0 ? 12 : h % 12, m, h < 12 ? "am" : "PM");
            ASSERT_EQ(ReadTimeText(text).nTime, h * 10000 + m * 100) << text;
        }
    }
}

TEST(Dates, TimesOfTheWrongShapeAreRefusedWithTheirReason) {
    const struct {
        const char* pszText;
        ETimeFault fault;
        const char* pszClause;
    } cases[] = {
        {"", ETimeFault::Empty, "there is no time"},
        {"24:00", ETimeFault::Hour, "there is no hour 24"},
        {"13:00 PM", ETimeFault::Hour, "there is no hour 13"},
        {"0:30 AM", ETimeFault::Hour, "there is no hour 0"},
        {"09:60", ETimeFault::Minute, "there is no minute 60"},
        {"09:30:61", ETimeFault::Second, "there is no second 61"},
        {"09:30:00.5", ETimeFault::Fraction, "the time has a fraction of a second, and a bar's time holds whole seconds"},
        {"9h30", ETimeFault::Shape, "\"9h30\" is not a time of day such as 09:30, 09:30:00, 0930 or 4:00 PM"},
        {"09:3", ETimeFault::Shape, nullptr},
        {"09:30:", ETimeFault::Shape, nullptr},
        {"12", ETimeFault::Shape, nullptr},
        {"1234567", ETimeFault::Shape, nullptr},
        {"09:30 EST", ETimeFault::Shape, nullptr},
        {"09:30+5", ETimeFault::Shape, nullptr},
        {"09:30.", ETimeFault::Shape, nullptr},
    };
    for (const auto& c : cases) {
        const STimeReading reading = ReadTimeText(c.pszText);
        EXPECT_EQ(reading.fault, c.fault) << c.pszText;
        if (c.pszClause) {
            EXPECT_EQ(TimeFaultText(reading, c.pszText), c.pszClause);
        }
    }
    for (const char* pszZone : {"Z", "UTC", "gmt", "+01", "-0500", "+05:30"}) {
        EXPECT_EQ(ReadTimeText(std::string("16:00 ") + pszZone).nTime, 160000) << pszZone;
    }
    EXPECT_EQ(SplitDateTime("2023-09-01T09:30:00Z"), std::make_pair(std::string_view("2023-09-01"), std::string_view("09:30:00Z")));
    EXPECT_EQ(SplitDateTime("09/01/2023   4:00 PM"), std::make_pair(std::string_view("09/01/2023"), std::string_view("4:00 PM")));
    EXPECT_EQ(SplitDateTime("20230901"), std::make_pair(std::string_view("20230901"), std::string_view()));
}
