// MASTER trees from fuzzed bytes: a root MASTER, a subdirectory's MASTER and a data file.
// The search must end, the add must leave MASTER either as it was or with exactly one more
// whole record, and the database readers must answer without reading past the data.
#include "tests/fuzz/FuzzSupport.h"

#include "metastock/MasterFile.h"

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
    if (size < 4) {
        return 0;
    }
    const auto out = FreshDir("db");
    std::filesystem::create_directories(out / "SUB");
    std::error_code ec;
    std::filesystem::create_directory_symlink(out, out / "LOOP", ec);
    // Lengths of the three parts from the first bytes, the rest shared out in order.
    const char* p = reinterpret_cast<const char*>(pData) + 4;
    std::size_t nLeft = size - 4;
    std::size_t nParts[3];
    for (int i = 0; i < 3; ++i) {
        nParts[i] = std::min<std::size_t>(nLeft, static_cast<std::size_t>(pData[i]) * 8);
        nLeft -= nParts[i];
    }
    PutFile(out / "MASTER", p, nParts[0]);
    PutFile(out / "SUB" / "master", p + nParts[0], nParts[1]);
    PutFile(out / "F1.DAT", p + nParts[0] + nParts[1], nParts[2]);
    const std::string before = Slurp(out / "MASTER");

    MasterRecord entry{};
    std::string dir;
    (void)SearchMasterTree(GetSystemFileSystem(), out.string(), pData[3] % 2 ? "A" : "ZZZZ", entry, dir);

    const auto input = FuzzScratch() / "input.txt";
    PutFile(input, "01/04/99,1,2,3,4,5,6\n", 21);
    SImportSettings settings;
    settings.strPathIn = input.string();
    settings.strPathOut = out.string();
    settings.strSymbol = "NEWSYM";
    settings.strDateFormat = "MM_DD_YY";
    settings.nExist = 0;
    const int nResult = RunJob(settings);
    const std::string after = Slurp(out / "MASTER");
    const bool bOneMore = after.size() == (before.size() / 53 + 1) * 53 && after.size() >= 106;
    if (nResult == 0 ? !bOneMore : (after != before && !bOneMore)) {
        std::abort();
    }
    return 0;
}
