#include "bench/PriceGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kMinutesADay = 390; // 09:30 to 15:59

struct SCalendarDate {
    int nYear;  // [1, 9999]
    int nMonth; // [1, 12]
    int nDay;   // [1, 31]
};

bool IsLeapYear(int nYear) {
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

int DaysInMonth(int nYear, int nMonth) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return nMonth == 2 && IsLeapYear(nYear) ? 29 : kDays[nMonth - 1];
}

void StepBack(SCalendarDate& date) {
    if (--date.nDay > 0) {
        return;
    }
    if (--date.nMonth == 0) {
        date.nMonth = 12;
        --date.nYear;
    }
    date.nDay = DaysInMonth(date.nYear, date.nMonth);
}

} // namespace

std::optional<std::string> GeneratePriceFile(const SPriceFileOptions& options) {
    if (options.nBars < 1) {
        return std::nullopt;
    }
    // Every calendar day gets a bar, back from a newest day late enough that 65,534 bars
    // stay after 1900 and so convert; larger files only serve the reversal.
    SCalendarDate date{2139, 12, 31};
    int nOldestYear = 1;
    if (options.layout == EBenchDateLayout::MonthDayYear) {
        date = {2059, 12, 31}; // two-digit years below 60 are read as 20YY
        nOldestYear = 1960;
    }
    std::mt19937 random(options.nSeed);
    std::normal_distribution<double> dailyMove(0.0, 0.015);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::lognormal_distribution<double> turnover(13.0, 0.5);

    const char* pszEnd = options.bCrLf ? "\r\n" : "\n";
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(options.nBars));
    // A random walk run backwards in time: each older close is the newer open moved a little.
    double fClose = 48.25;
    double fOpenInterest = 25000.0;
    char line[160];
    for (int i = 0; i < options.nBars; ++i) {
        if (date.nYear < nOldestYear) {
            return std::nullopt;
        }
        const double fOpen = std::max(0.5, fClose * std::exp(dailyMove(random)));
        const double fRange = std::max(fOpen, fClose) * std::abs(dailyMove(random)) * 0.8;
        const double fHigh = std::max(fOpen, fClose) + fRange * unit(random);
        const double fLow = std::max(0.01, std::min(fOpen, fClose) - fRange * unit(random));
        const long nVolume = std::lround(turnover(random));
        fOpenInterest = std::max(100.0, fOpenInterest + dailyMove(random) * 20000.0);
        int nWritten = 0;
        // Minute bars run back from 15:59 to 09:30 through each day.
        const int nMinuteOfDay = 9 * 60 + 30 + (kMinutesADay - 1 - i % kMinutesADay);
        if (options.bMinutes) {
            nWritten = std::snprintf(line, sizeof line, "%02d/%02d/%04d,%02d:%02d,%.2f,%.2f,%.2f,%.2f,%ld,%ld%s",
                                     date.nMonth, date.nDay, date.nYear, nMinuteOfDay / 60, nMinuteOfDay % 60, fOpen,
                                     fHigh, fLow, fClose, nVolume, std::lround(fOpenInterest), pszEnd);
        } else if (options.layout == EBenchDateLayout::MonthDayYear) {
            nWritten = std::snprintf(line, sizeof line, "%02d%02d%02d,%.2f,%.2f,%.2f,%.2f,%ld,%ld%s", date.nMonth,
                                     date.nDay, date.nYear % 100, fOpen, fHigh, fLow, fClose, nVolume,
                                     std::lround(fOpenInterest), pszEnd);
        } else {
            nWritten = std::snprintf(line, sizeof line, "%02d/%02d/%04d,%.2f,%.2f,%.2f,%.2f,%ld,%ld%s", date.nMonth,
                                     date.nDay, date.nYear, fOpen, fHigh, fLow, fClose, nVolume,
                                     std::lround(fOpenInterest), pszEnd);
        }
        if (nWritten <= 0 || static_cast<std::size_t>(nWritten) >= sizeof line) {
            return std::nullopt;
        }
        lines.emplace_back(line, static_cast<std::size_t>(nWritten));
        fClose = fOpen * std::exp(dailyMove(random) * 0.3);
        if (!options.bMinutes || i % kMinutesADay == kMinutesADay - 1) {
            StepBack(date);
        }
    }
    if (options.bOldestFirst) {
        std::reverse(lines.begin(), lines.end());
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(options.nBars) * 56 + 64);
    if (options.bHeader) {
        text += options.bMinutes ? "Date,Time,Open,High,Low,Close,Volume,OpenInt" : "Date,Open,High,Low,Close,Volume,OpenInt";
        text += pszEnd;
    }
    for (const auto& bar : lines) {
        text += bar;
    }
    return text;
}
