// Writes the files of a day-by-day workflow for the benchmarks: generate-batch FILES BARS DIR
// makes DIR/first/T<i>.csv (BARS invented daily bars, oldest first, after a header row) and
// DIR/next/T<i>.csv (the next day's one bar of the same security), for i = 1 ... FILES.
#include "bench/PriceGenerator.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

bool ParseNumber(std::string_view text, long long& nValue) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), nValue);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool Put(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    long long nFiles = 0;
    long long nBars = 0;
    if (argc != 4 || !ParseNumber(argv[1], nFiles) || !ParseNumber(argv[2], nBars) || nFiles < 1 || nFiles > 100000 ||
        nBars < 1 || nBars > 10000) {
        std::fputs("usage: generate-batch FILES BARS DIR   (FILES 1 to 100000, BARS 1 to 10000)\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[3];
    std::error_code error;
    std::filesystem::create_directories(dir / "first", error);
    std::filesystem::create_directories(dir / "next", error);
    for (long long i = 1; i <= nFiles; ++i) {
        SPriceFileOptions options;
        options.nBars = static_cast<int>(nBars) + 1;
        options.bOldestFirst = true;
        options.nSeed = static_cast<std::uint32_t>(i);
        const auto text = GeneratePriceFile(options);
        // The header and every bar but the newest, then the header and the newest alone.
        const std::size_t nHeaderEnd = text ? text->find('\n') + 1 : 0;
        const std::size_t nLastLine = text ? text->rfind('\n', text->size() - 2) + 1 : 0;
        const std::string name = "T" + std::to_string(i) + ".csv";
        if (!text || !Put(dir / "first" / name, text->substr(0, nLastLine)) ||
            !Put(dir / "next" / name, text->substr(0, nHeaderEnd) + text->substr(nLastLine))) {
            std::fprintf(stderr, "generate-batch: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
