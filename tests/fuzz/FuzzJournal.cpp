// A fuzzed PELMAR.JNL in a database folder, then the next change's recovery: it must end, and
// touch nothing but what a journal may name (the directory files, F<n> files and the journal's
// own temporaries): a user's files, a folder inside and the folder's parent keep every byte.
// With the first byte odd, the READY and COMMIT lines get the checks their lines need, so that
// the fuzzer reaches what a journal of this program's form makes the recovery do.
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

const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        return base / ("pelmar-fuzz-jnl-" + std::to_string(::getpid()));
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

// Every READY or COMMIT line with the check of the bytes before it.
std::string WithChecks(const std::string& text) {
    std::string fixed;
    std::size_t nStart = 0;
    while (nStart < text.size()) {
        const std::size_t nEnd = std::min(text.find('\n', nStart), text.size());
        std::string line = text.substr(nStart, nEnd - nStart);
        for (const char* pszWord : {"READY ", "COMMIT "}) {
            if (line.rfind(pszWord, 0) == 0) {
                line = pszWord + CJournal::CommitText(fixed).substr(7, 8);
            }
        }
        fixed += line + (nEnd < text.size() ? "\n" : "");
        nStart = nEnd + 1;
    }
    return fixed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    std::error_code ec;
    const fs::path top = Scratch();
    const fs::path dir = top / "db";
    fs::remove_all(top, ec);
    fs::create_directories(dir / "sub", ec);
    const std::string text(reinterpret_cast<const char*>(pData) + 1, size - 1);
    // Files the journal may not touch, and database files it may.
    const std::pair<fs::path, std::string> guarded[] = {
        {top / "outside.txt", "outside"},     {dir / "notes.txt", "notes"},
        {dir / "sub" / "F1.DAT", "below"},    {dir / "prices.csv.pelmar-20240105", "input"},
        {dir / "master.txt", "not a master"},
    };
    for (const auto& [path, bytes] : guarded) {
        Put(path, bytes);
    }
    Put(dir / "MASTER", std::string(53, '\0'));
    Put(dir / "F1.DAT", std::string(28, '\1'));
    Put(dir / "F1.DAT.pelmar-0123abcd", std::string(28, '\2'));
    Put(dir / "PELMAR.JNL", (pData[0] & 1) != 0 ? WithChecks(text) : text);

    CRecordingMessageBox messages;
    {
        CDatabase database(GetSystemFileSystem(), messages, dir);
        std::string strError;
        const bool bRead = database.LockAndRead(strError, std::chrono::seconds(1));
        Require(bRead || !strError.empty());
    }
    for (const auto& [path, bytes] : guarded) {
        Require(Slurp(path) == bytes);
    }
    Require(fs::is_directory(dir / "sub"));
    fs::remove_all(top, ec);
    return 0;
}
