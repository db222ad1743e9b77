// The floor that the next day's update of a full folder is measured against: parse each
// one-bar file, append its record to the data file of the security its name gives (and set
// the file's count), set the security's last date, then rewrite MASTER, EMASTER and XMASTER
// and sync once. None of the checks, the lock, the journal or the undo of a real update.
//
//   floor-update DIR FILE...   (each FILE: a header row, then MM/DD/YYYY,O,H,L,C,V,OI)
#include "metastock/Mbf.h"
#include "metastock/Records.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Put(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int Number(std::string_view text) {
    int n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

// The line after the header as a 28-byte record; its date value.
int ParseBar(const std::string& text, std::uint8_t* pRecord) {
    std::string_view line = std::string_view(text).substr(text.find('\n') + 1);
    line = line.substr(0, line.find('\n'));
    std::string_view fields[7];
    for (std::string_view& field : fields) {
        const std::size_t nComma = line.find(',');
        field = line.substr(0, nComma);
        line = nComma == std::string_view::npos ? std::string_view() : line.substr(nComma + 1);
    }
    const int nDate = (Number(fields[0].substr(6, 4)) - 1900) * 10000 + Number(fields[0].substr(0, 2)) * 100 +
                      Number(fields[0].substr(3, 2));
    const float fDate = static_cast<float>(nDate);
    EncodeMbf(&fDate, pRecord);
    for (int i = 1; i < 7; ++i) {
        float value = 0.0f;
        std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), value);
        EncodeMbf(&value, pRecord + 4 * i);
    }
    return nDate;
}

std::string Trimmed(const std::uint8_t* p, std::size_t nWidth) {
    std::string text(reinterpret_cast<const char*>(p), nWidth);
    text.erase(std::min(text.find('\0'), text.size()));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: floor-update DIR FILE...\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    std::string master = Slurp(dir + "/MASTER"), emaster = Slurp(dir + "/EMASTER"), xmaster = Slurp(dir + "/XMASTER");
    // Symbol: where its record is (the directory file's bytes and offset) and its data file.
    struct SEntry {
        std::string* pFile;
        std::size_t nAt;
        std::string strData;
    };
    std::unordered_map<std::string, SEntry> bySymbol;
    for (std::size_t at = 53; at + 53 <= master.size(); at += 53) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(master.data()) + at;
        bySymbol[Trimmed(p + 36, 14)] = {&master, at, dir + "/F" + std::to_string(p[0]) + ".DAT"};
    }
    for (std::size_t at = 150; at + 150 <= xmaster.size(); at += 150) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(xmaster.data()) + at;
        bySymbol[Trimmed(p + 1, 14)] = {&xmaster, at, dir + "/F" + std::to_string(p[65] | (p[66] << 8)) + ".MWD"};
    }
    for (int nArg = 2; nArg < argc; ++nArg) {
        std::string symbol = std::filesystem::path(argv[nArg]).stem().string();
        for (char& c : symbol) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        const auto it = bySymbol.find(symbol);
        std::uint8_t record[28];
        const int nDate = ParseBar(Slurp(argv[nArg]), record);
        const int fd = it == bySymbol.end() ? -1 : ::open(it->second.strData.c_str(), O_RDWR);
        std::uint8_t header[4];
        const off_t nSize = fd < 0 ? -1 : ::lseek(fd, 0, SEEK_END);
        if (nSize < 28 || ::pwrite(fd, record, 28, nSize) != 28 || ::pread(fd, header, 4, 0) != 4) {
            std::fprintf(stderr, "floor-update: cannot append %s\n", argv[nArg]);
            return 1;
        }
        WriteInt16(header + 2, static_cast<std::int16_t>(ReadInt16(header + 2) + 1));
        if (::pwrite(fd, header, 4, 0) != 4 || ::close(fd) != 0) {
            return 1;
        }
        auto* p = reinterpret_cast<std::uint8_t*>(it->second.pFile->data()) + it->second.nAt;
        if (it->second.pFile == &master) {
            const MbfSingle last = EncodeMbf(static_cast<float>(nDate));
            std::copy(last.begin(), last.end(), p + 29);
            // EMASTER lists the same securities in the same order.
            WriteFloat(reinterpret_cast<std::uint8_t*>(emaster.data()) + it->second.nAt / 53 * 192 + 72,
                       static_cast<float>(nDate));
        } else {
            WriteInt32(p + 116, nDate + 19000000);
        }
    }
    if (!Put(dir + "/MASTER", master) || !Put(dir + "/EMASTER", emaster) || !Put(dir + "/XMASTER", xmaster)) {
        return 1;
    }
    // One sync of the file system, as a commit of many files does.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    return fd >= 0 && ::syncfs(fd) == 0 && ::close(fd) == 0 ? 0 : 1;
}
