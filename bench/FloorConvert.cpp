// The floor that whole conversions are measured against: one buffered pass that reads each
// price file, parses its dates and numbers and writes the same 28-byte MBF records that a
// conversion writes, with none of the checks, locking or committing. Same files, same records.
//
//   floor-convert [--reverse] OUTDIR FILE...   (a header row, then MM/DD/YYYY,O,H,L,C,V,OI)
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

// One line "MM/DD/YYYY,O,H,L,C,V,OI" as a record: the date value and six values, MBF-encoded.
bool ParseLine(std::string_view line, std::uint8_t* pRecord) {
    std::string_view fields[7];
    for (int i = 0; i < 7; ++i) {
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
    for (int i = 1; i < 7; ++i) {
        float value = 0.0f;
        std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), value);
        EncodeMbf(&value, pRecord + 4 * i);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int nArg = 1;
    const bool bReverse = argc > 1 && std::strcmp(argv[1], "--reverse") == 0;
    nArg += bReverse ? 1 : 0;
    if (argc - nArg < 2) {
        std::fputs("usage: floor-convert [--reverse] OUTDIR FILE...\n", stderr);
        return 2;
    }
    const std::string outDir = argv[nArg++];
    for (int nFile = 1; nArg < argc; ++nArg, ++nFile) {
        std::string text;
        if (!ReadFile(argv[nArg], text)) {
            std::fprintf(stderr, "floor-convert: cannot read %s\n", argv[nArg]);
            return 1;
        }
        std::vector<std::uint8_t> records(28); // the header record
        std::size_t nPos = text.find('\n') + 1; // past the header row
        while (nPos < text.size()) {
            std::size_t nEnd = text.find('\n', nPos);
            if (nEnd == std::string::npos) {
                nEnd = text.size();
            }
            std::uint8_t record[28];
            if (ParseLine(std::string_view(text).substr(nPos, nEnd - nPos), record)) {
                records.insert(records.end(), record, record + 28);
            }
            nPos = nEnd + 1;
        }
        if (bReverse) {
            const std::size_t nBars = records.size() / 28 - 1;
            for (std::size_t i = 0; i < nBars / 2; ++i) {
                std::swap_ranges(records.begin() + 28 * (1 + i), records.begin() + 28 * (2 + i),
                                 records.begin() + 28 * (nBars - i));
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
