// Writes an invented price file for the benchmarks: generate-prices BARS OUTPUT [options].
#include "bench/PriceGenerator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

int Usage() {
    std::fputs("usage: generate-prices BARS OUTPUT [--mmddyy] [--no-header] [--crlf] [--oldest-first] [--minutes] [--seed N]\n"
               "  BARS lines of invented daily bars, newest first, after a header row; dates MM/DD/YYYY\n"
               "  (--mmddyy: MMDDYY), columns Date,Open,High,Low,Close,Volume,OpenInt; --minutes: one-minute\n"
               "  bars with a Time column (HH:MM) after the date.\n",
               stderr);
    return 2;
}

bool ParseNumber(std::string_view text, long long& nValue) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    SPriceFileOptions options;
    long long nBars = 0;
    if (!ParseNumber(argv[1], nBars) || nBars < 1 || nBars > 10'000'000) {
        std::fprintf(stderr, "generate-prices: BARS must be a number from 1 to 10000000, not '%s'\n", argv[1]);
        return 2;
    }
    options.nBars = static_cast<int>(nBars);
    for (int i = 3; i < argc; ++i) {
        const std::string_view arg = argv[i];
        long long nSeed = 0;
        if (arg == "--mmddyy") {
            options.layout = EBenchDateLayout::MonthDayYear;
        } else if (arg == "--no-header") {
            options.bHeader = false;
        } else if (arg == "--crlf") {
            options.bCrLf = true;
        } else if (arg == "--oldest-first") {
            options.bOldestFirst = true;
        } else if (arg == "--minutes") {
            options.bMinutes = true;
        } else if (arg == "--seed" && i + 1 < argc && ParseNumber(argv[i + 1], nSeed) && nSeed >= 0 &&
                   nSeed <= 0xFFFFFFFFLL) {
            options.nSeed = static_cast<std::uint32_t>(nSeed);
            ++i;
        } else {
            return Usage();
        }
    }
    const auto text = GeneratePriceFile(options);
    if (!text) {
        std::fprintf(stderr, "generate-prices: %lld daily bars do not fit the date layout's years\n", nBars);
        return 1;
    }
    // Written whole or reported: a benchmark must never run on a cut file.
    std::FILE* pFile = std::fopen(argv[2], "wb");
    if (!pFile) {
        std::fprintf(stderr, "generate-prices: cannot create %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    const bool bWritten = std::fwrite(text->data(), 1, text->size(), pFile) == text->size();
    const bool bClosed = std::fclose(pFile) == 0;
    if (!bWritten || !bClosed) {
        std::fprintf(stderr, "generate-prices: cannot write %s\n", argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
