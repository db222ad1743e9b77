// The floor that whole conversions are measured against: one buffered pass that reads each
// price file, parses its dates and numbers and writes the same 28-byte MBF records that a
// conversion writes, with none of the checks, locking or committing. Same files, same records.
//
//   floor-convert [--reverse] [--minutes] OUTDIR FILE...
//   (a header row, then MM/DD/YYYY,O,H,L,C,V,OI; with --minutes MM/DD/YYYY,HH:MM,O,H,L,C,V,OI
//   and 32-byte records that hold the time after the date)
#include "metastock/Mbf.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool ReadFile(const char* pszPath, std::string& text) {
    std::FILE* pFile = std::fopen(pszPath, "rb");
    if (pFile == nullptr) {
        return false;
    }
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0) {
        text.append(buffer, n);
    }
    return std::fclose(pFile) == 0;
}

int Number(std::string_view text) {
    int n = 0;
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

// One line "MM/DD/YYYY,[HH:MM,]O,H,L,C,V,OI" as a record: the date value, the time as HHMMSS
// with bMinutes, and six values, MBF-encoded.
bool ParseLine(std::string_view line, std::uint8_t* pRecord, bool bMinutes) {
    std::string_view fields[8];
    const int nFields = bMinutes ? 8 : 7;
    for (int i = 0; i < nFields; ++i) {
        const std::size_t nComma = line.find(',');
        fields[i] = line.substr(0, nComma);
        line = nComma == std::string_view::npos ? std::string_view() : line.substr(nComma + 1);
    }
    const std::string_view date = fields[0];
    if (date.size() != 10) {
        return false;
    }
    const int nValue = (Number(date.substr(6, 4)) - 1900) * 10000 + Number(date.substr(0, 2)) * 100 +
                       Number(date.substr(3, 2));
    const float fDate = static_cast<float>(nValue);
    EncodeMbf(&fDate, pRecord);
    if (bMinutes) {
        const float fTime = static_cast<float>(Number(fields[1].substr(0, 2)) * 10000 + Number(fields[1].substr(3, 2)) * 100);
        EncodeMbf(&fTime, pRecord + 4);
    }
    for (int i = nFields - 6; i < nFields; ++i) {
        float value = 0.0f;
        std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), value);
        EncodeMbf(&value, pRecord + 4 * i);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int nArg = 1;
    const bool bReverse = argc > nArg && std::strcmp(argv[nArg], "--reverse") == 0;
    nArg += bReverse ? 1 : 0;
    const bool bMinutes = argc > nArg && std::strcmp(argv[nArg], "--minutes") == 0;
    nArg += bMinutes ? 1 : 0;
    const std::size_t nRecord = bMinutes ? 32 : 28;
    if (argc - nArg < 2) {
        std::fputs("usage: floor-convert [--reverse] [--minutes] OUTDIR FILE...\n", stderr);
        return 2;
    }
    const std::string outDir = argv[nArg++];
    for (int nFile = 1; nArg < argc; ++nArg, ++nFile) {
        std::string text;
        if (!ReadFile(argv[nArg], text)) {
            std::fprintf(stderr, "floor-convert: cannot read %s\n", argv[nArg]);
            return 1;
        }
        std::vector<std::uint8_t> records(nRecord); // the header record
        std::size_t nPos = text.find('\n') + 1; // past the header row
        while (nPos < text.size()) {
            std::size_t nEnd = text.find('\n', nPos);
            if (nEnd == std::string::npos) {
                nEnd = text.size();
            }
            std::uint8_t record[32];
            if (ParseLine(std::string_view(text).substr(nPos, nEnd - nPos), record, bMinutes)) {
                records.insert(records.end(), record, record + nRecord);
            }
            nPos = nEnd + 1;
        }
        if (bReverse) {
            const std::size_t nBars = records.size() / nRecord - 1;
            const auto at = [&](std::size_t n) { return records.begin() + static_cast<std::ptrdiff_t>(nRecord * n); };
            for (std::size_t i = 0; i < nBars / 2; ++i) {
                std::swap_ranges(at(1 + i), at(2 + i), at(nBars - i));
            }
        }
        const std::string path = outDir + "/F" + std::to_string(nFile) + ".DAT";
        std::FILE* pOut = std::fopen(path.c_str(), "wb");
        if (pOut == nullptr || std::fwrite(records.data(), 1, records.size(), pOut) != records.size() ||
            std::fclose(pOut) != 0) {
            std::fprintf(stderr, "floor-convert: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
