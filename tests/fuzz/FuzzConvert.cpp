// Whole input files through a conversion into a scratch database. The first bytes choose
// the layout (delimiter, date format, columns, skipping, reversal); the rest is the file.
// Every run must leave a consistent database: a MASTER of whole records counting its
// entries, and a data file of whole records whose header counts them.
#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    const auto out = FreshDir("db");
    const auto input = FuzzScratch() / "input.txt";
    PutFile(input, reinterpret_cast<const char*>(pData) + 6, size - 6);

    SImportSettings settings;
    settings.strPathIn = input.string();
    settings.strPathOut = out.string();
    settings.strSymbol = "FUZZ";
    settings.nExist = 1;
    settings.nDelimiter = pData[0] % 3;
    settings.strDateFormat = kDateFormatNames[pData[1] % 12];
    settings.bReverseOrder = (pData[2] & 1) != 0;
    settings.bSkipOn = (pData[2] & 2) != 0;
    settings.nRowsToSkip = pData[3] % 4;
    // Columns 1 to 7 in an order chosen by the input; fields switched off by its bits.
    long long SImportSettings::*columns[] = {&SImportSettings::nOpenCol, &SImportSettings::nHiCol,
                                             &SImportSettings::nLoCol, &SImportSettings::nVolCol,
                                             &SImportSettings::nOICol};
    settings.nDateCol = 1 + pData[4] % 2;
    settings.nCloCol = settings.nDateCol == 1 ? 2 : 1;
    for (int i = 0; i < 5; ++i) {
        settings.*columns[i] = 3 + (i + pData[4] / 2) % 5;
    }
    settings.bOpenOn = (pData[5] & 1) != 0;
    settings.bHiOn = (pData[5] & 2) != 0;
    settings.bLoOn = (pData[5] & 4) != 0;
    settings.bVolOn = (pData[5] & 8) != 0;
    settings.bOIOn = (pData[5] & 16) != 0;

    if (RunJob(settings) < 0) {
        return 0;
    }
    const std::string master = Slurp(out / "MASTER");
    if (master.size() != 106 || master[0] != 1) {
        std::abort();
    }
    const int nFields = static_cast<std::uint8_t>(master[53 + 4]);
    const std::string data = Slurp(out / "F1.DAT");
    const std::size_t nRecord = static_cast<std::size_t>(4 * nFields);
    if (nRecord == 0 || data.size() % nRecord != 0 || data.size() < nRecord) {
        std::abort();
    }
    const auto nCount = static_cast<std::size_t>(static_cast<std::uint8_t>(data[2]) |
                                                 (static_cast<std::uint8_t>(data[3]) << 8));
    // A run that stopped before finishing leaves the header as created (count 1).
    if (nCount != data.size() / nRecord && nCount != 1) {
        std::abort();
    }
    return 0;
}
