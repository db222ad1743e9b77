// One directory file of a folder (MASTER, EMASTER or XMASTER) as a header and fixed-size
// records in memory: read whole, split, changed record by record and written whole again.
#pragma once

#include "metastock/Records.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

template <std::size_t kSize>
struct SDirectoryFile {
    bool bExists = false;
    std::string strName;  // as spelled on disk, or as it will be created
    std::string original; // the bytes as read or as last committed
    bool bChanged = false;
    std::array<std::uint8_t, kSize> header{};
    std::vector<std::array<std::uint8_t, kSize>> records;

    std::string Bytes() const {
        std::string bytes(header.begin(), header.end());
        bytes.reserve(kSize * (records.size() + 1));
        for (const auto& record : records) {
            bytes.append(record.begin(), record.end());
        }
        return bytes;
    }

    bool WholeHeader() const { return bExists && original.size() >= kSize; }

    // Splits original; returns what is wrong with its length.
    std::vector<std::string> Parse() {
        records.clear();
        header.fill(0);
        std::vector<std::string> problems;
        if (!bExists) {
            return problems;
        }
        const std::size_t nHeader = std::min(original.size(), kSize);
        std::copy_n(original.begin(), nHeader, header.begin());
        if (original.size() < kSize) {
            problems.push_back(strName + ": the file ends inside its header (" + std::to_string(original.size()) +
                               " of " + std::to_string(kSize) + " bytes)");
            return problems;
        }
        const std::size_t nRecords = (original.size() - kSize) / kSize;
        records.resize(nRecords);
        for (std::size_t i = 0; i < nRecords; ++i) {
            std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(kSize * (i + 1)), kSize, records[i].begin());
        }
        if (const std::size_t nTail = (original.size() - kSize) % kSize; nTail != 0) {
            problems.push_back(strName + ": " + std::to_string(nTail) +
                               " bytes after the last whole record are a partial record");
        }
        return problems;
    }

    // The records that the count at offset nCountOffset lists: at most those present.
    std::size_t Counted(std::size_t nCountOffset) const {
        const int nCount = ReadInt16(header.data() + nCountOffset);
        return std::min(records.size(), static_cast<std::size_t>(std::max(nCount, 0)));
    }

    void CountProblems(std::size_t nCountOffset, const std::string& what, std::vector<std::string>& problems) const {
        if (!WholeHeader()) {
            return;
        }
        const int nCount = ReadInt16(header.data() + nCountOffset);
        if (nCount < 0) {
            problems.push_back(strName + ": the " + what + " " + std::to_string(nCount) + " is negative");
        } else if (static_cast<std::size_t>(nCount) != records.size()) {
            problems.push_back(strName + ": the " + what + " is " + std::to_string(nCount) + " but the file holds " +
                               std::to_string(records.size()) + " records");
        }
    }
};

using SMasterFile = SDirectoryFile<kMasterRecordSize>;
using SEmasterFile = SDirectoryFile<kEmasterRecordSize>;
using SXmasterFile = SDirectoryFile<kXmasterRecordSize>;

// Whether an XMASTER's first bytes carry its signature "]\xFEXM".
inline bool HasXmasterSignature(const SXmasterFile& file) {
    return file.original.size() >= 4 &&
           std::equal(kXmasterSignature.begin(), kXmasterSignature.begin() + 4, file.original.begin(),
                      [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
}
