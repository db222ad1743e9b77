// Invented daily price files for the benchmarks: a header row, then one bar a day, newest
// first, as price services export them. The same seed gives the same file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class EBenchDateLayout {
    MonthDayCentury, // MM/DD/YYYY, read as MM_DD_CCYY
    MonthDayYear,    // MMDDYY, read as MMDDYY
};

struct SPriceFileOptions {
    int nBars = 1000;                                    // lines after the header, [1, 65534 * 10]
    EBenchDateLayout layout = EBenchDateLayout::MonthDayCentury;
    bool bHeader = true;
    bool bCrLf = false;                                  // line ends as the files' platform writes them
    bool bOldestFirst = false;                           // the same bars in date order
    bool bMinutes = false;                               // one-minute bars, 09:30 to 15:59, in a Time column
    std::uint32_t nSeed = 20240611;
};

// The file's text, or nullopt when its dates cannot all be told apart: two-digit years
// cover 1960 to 2059 only (36,524 bars), four-digit years run back from 2139 to year 1.
std::optional<std::string> GeneratePriceFile(const SPriceFileOptions& options);
