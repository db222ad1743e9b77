// Directory files from fuzzed bytes: MASTER, EMASTER, XMASTER and a data file in a folder whose
// subfolder repeats them and links back. Reading, checking and the tree search must end without
// reading past any file; a folder whose MASTER or EMASTER is damaged refuses a new security and
// keeps every byte, a sound one (or one whose XMASTER alone is damaged) takes it whole and
// still reads back no worse.
#include "metastock/Database.h"
#include "platform/FileSystem.h"
#include "platform/RecordingMessageBox.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// On tmpfs where there is one: the commits' syncs cost nothing there. Each input removes it
// again, since libFuzzer may end the process without running exit handlers.
const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        return base / ("pelmar-fuzz-db-" + std::to_string(::getpid()));
    }();
    return dir;
}

void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Require(bool bTrue) {
    if (!bTrue) {
        std::abort();
    }
}

int TestOneInput(const std::uint8_t* pData, std::size_t size) {
    std::error_code ec;
    const fs::path dir = Scratch() / "db";
    fs::remove_all(dir, ec);
    fs::create_directories(dir / "SUB", ec);
    fs::create_directory_symlink(dir, dir / "SUB" / "LOOP", ec);
    // The lengths of the parts from the first bytes, the rest shared out in order.
    const char* p = reinterpret_cast<const char*>(pData) + 4;
    std::size_t nLeft = size - 4;
    const char* names[] = {"MASTER", "EMASTER", "XMASTER"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t n = std::min<std::size_t>(nLeft, static_cast<std::size_t>(pData[i]) * 8);
        Put(dir / names[i], std::string(p, n));
        Put(dir / "SUB" / names[i], std::string(p, n));
        p += n;
        nLeft -= n;
    }
    Put(dir / "F1.DAT", std::string(p, nLeft));
    const std::string symbol = pData[3] % 2 ? "A" : "ZZZZ";

    CRecordingMessageBox messages;
    CFileSystem& fileSystem = GetSystemFileSystem();
    std::string strError;
    {
        CDatabase reader(fileSystem, messages, dir);
        Require(reader.Read(strError));
        for (const std::string& line : reader.Check()) {
            Require(!line.empty());
        }
        for (const SSecurity& security : reader.Securities()) {
            const auto bars = reader.ReadBars(security, strError);
            Require(bars.has_value() || !strError.empty());
        }
        (void)FindSecurityInTree(fileSystem, dir, symbol);
    }

    std::string before[3];
    for (int i = 0; i < 3; ++i) {
        before[i] = Slurp(dir / names[i]);
    }
    SNewSecurity security{
        "NEWSYM", "A NAME LONGER THAN SIXTEEN", {true, false, false, false, true, false, false}, {}, 1, 1230103,
        1230103};
    const MbfSingle date = EncodeMbf(1230103.0f), close = EncodeMbf(1.5f);
    security.records.insert(security.records.end(), date.begin(), date.end());
    security.records.insert(security.records.end(), close.begin(), close.end());
    std::size_t nBefore = 0;
    bool bAdded = false;
    {
        CDatabase database(fileSystem, messages, dir);
        Require(database.LockAndRead(strError));
        nBefore = database.Securities().size();
        bAdded = database.AddSecurity(security, strError).has_value();
        Require(bAdded ? database.RefusingDamage().empty() : !strError.empty());
        Require(database.Commit(strError) || !bAdded);
    }
    if (!bAdded) {
        for (int i = 0; i < 3; ++i) {
            Require(Slurp(dir / names[i]) == before[i]);
        }
        return 0;
    }
    CDatabase after(fileSystem, messages, dir);
    Require(after.Read(strError) && after.RefusingDamage().empty());
    Require(after.Securities().size() == nBefore + 1 && after.FindSecurity("NEWSYM").has_value());
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    const int nResult = size < 4 ? 0 : TestOneInput(pData, size);
    std::error_code ec;
    fs::remove_all(Scratch(), ec);
    return nResult;
}
