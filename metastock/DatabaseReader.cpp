#include "metastock/DatabaseReader.h"

#include "metastock/Mbf.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <memory>

namespace {

// A MASTER holds at most 32767 counted entries; past this many records a file is not one.
constexpr std::size_t kMaxListedRecords = 65536;

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::unique_ptr<CFile> OpenNoCase(CFileSystem& fs, const std::filesystem::path& dir, const std::string& name,
                                  std::filesystem::path& found) {
    const auto path = FindEntryNoCase(dir, name);
    found = path ? *path : dir / name;
    return path ? fs.Open(*path, EOpenMode::Read) : nullptr;
}

} // namespace

std::optional<SMasterListing> ReadMasterListing(CFileSystem& fs, const std::filesystem::path& dir,
                                                std::string& strError) {
    SMasterListing listing;
    auto pFile = OpenNoCase(fs, dir, "MASTER", listing.path);
    if (!pFile) {
        strError = PathText(listing.path) + ": no MASTER file can be opened there";
        return std::nullopt;
    }
    MasterRecord record;
    const std::ptrdiff_t nHeader = ReadUpTo(*pFile, record.data(), record.size());
    if (nHeader < 0) {
        strError = PathText(listing.path) + ": read error";
        return std::nullopt;
    }
    if (static_cast<std::size_t>(nHeader) < record.size()) {
        strError = PathText(listing.path) + ": the file ends inside its header (" + std::to_string(nHeader) +
                   " of 53 bytes)";
        return std::nullopt;
    }
    listing.header = SMasterHeader::FromBytes(record);

    for (;;) {
        const std::ptrdiff_t n = ReadUpTo(*pFile, record.data(), record.size());
        if (n < 0) {
            strError = PathText(listing.path) + ": read error";
            return std::nullopt;
        }
        if (static_cast<std::size_t>(n) < record.size()) {
            if (n > 0) {
                listing.problems.push_back(PathText(listing.path) + ": " + std::to_string(n) +
                                           " bytes after the last whole record are not part of any entry");
            }
            break;
        }
        if (listing.records.size() == kMaxListedRecords) {
            listing.problems.push_back(PathText(listing.path) + ": only the first " +
                                       std::to_string(kMaxListedRecords) + " records are read");
            break;
        }
        listing.records.push_back(record);
    }

    const std::int32_t nCount = listing.header.nEntryCount;
    if (nCount < 0) {
        listing.problems.push_back(PathText(listing.path) + ": the header's entry count " + std::to_string(nCount) +
                                   " is negative");
    } else if (static_cast<std::size_t>(nCount) > listing.records.size()) {
        listing.problems.push_back(PathText(listing.path) + ": the header counts " + std::to_string(nCount) +
                                   " entries but the file holds only " + std::to_string(listing.records.size()));
    }
    listing.nCounted = std::min(listing.records.size(), static_cast<std::size_t>(std::max(nCount, 0)));
    return listing;
}

std::string DataFileName(std::uint8_t nFileNumber) {
    return "F" + std::to_string(nFileNumber) + ".DAT";
}

std::string DopFileName(std::uint8_t nFileNumber) {
    return "F" + std::to_string(nFileNumber) + ".DOP";
}

std::optional<std::string> EntryLayoutProblem(const MasterRecord& entry) {
    const int nFieldCount = entry[4];
    const int nRecordLength = entry[3];
    if (nFieldCount < 2 || nFieldCount > kFieldCount) {
        return "field count " + std::to_string(nFieldCount) + " is not 2 to 7";
    }
    if (nRecordLength != 4 * nFieldCount) {
        return "record length " + std::to_string(nRecordLength) + " is not 4 bytes for each of its " +
               std::to_string(nFieldCount) + " fields";
    }
    return std::nullopt;
}

namespace {

// Opens entry's data file and reads its header record; pFile stays at the first bar.
std::optional<SDataFileInfo> OpenDataFile(CFileSystem& fs, const std::filesystem::path& dir, const MasterRecord& entry,
                                          std::unique_ptr<CFile>& pFile, std::string& strError) {
    if (auto problem = EntryLayoutProblem(entry)) {
        strError = "MASTER entry with file number " + std::to_string(entry[0]) + ": " + *problem;
        return std::nullopt;
    }
    const std::size_t nRecordLength = entry[3];
    SDataFileInfo info;
    pFile = OpenNoCase(fs, dir, DataFileName(entry[0]), info.path);
    if (!pFile) {
        strError = PathText(info.path) + ": the data file cannot be opened";
        return std::nullopt;
    }
    const std::optional<std::uint64_t> size = pFile->Size();
    std::vector<std::uint8_t> header(nRecordLength);
    const std::ptrdiff_t n = ReadUpTo(*pFile, header.data(), header.size());
    if (n < 0 || !size) {
        strError = PathText(info.path) + ": read error";
        return std::nullopt;
    }
    if (static_cast<std::size_t>(n) < nRecordLength) {
        strError = PathText(info.path) + ": the file ends inside its header (" + std::to_string(n) + " of " +
                   std::to_string(nRecordLength) + " bytes)";
        return std::nullopt;
    }
    const std::uint16_t nRecords = static_cast<std::uint16_t>(ReadInt16(header.data() + kDataHeaderCountOffset));
    if (nRecords == 0) {
        strError = PathText(info.path) + ": the header's record count is 0; it must count the header itself";
        return std::nullopt;
    }
    info.nBarCount = nRecords - 1;
    info.nStoredBars = *size / nRecordLength - 1;
    info.bPartialRecord = *size % nRecordLength != 0;
    if (info.nStoredBars < static_cast<std::uint64_t>(info.nBarCount)) {
        strError = PathText(info.path) + ": the header counts " + std::to_string(info.nBarCount) +
                   " bars but the file holds only " + std::to_string(info.nStoredBars);
        return std::nullopt;
    }
    return info;
}

} // namespace

std::optional<SDataFileInfo> ReadDataFileInfo(CFileSystem& fs, const std::filesystem::path& dir,
                                              const MasterRecord& entry, std::string& strError) {
    std::unique_ptr<CFile> pFile;
    return OpenDataFile(fs, dir, entry, pFile, strError);
}

std::vector<int> StandardFields(int nFieldCount) {
    switch (nFieldCount) {
    case 2:
        return {kFieldDate, kFieldClose};
    case 3:
        return {kFieldDate, kFieldClose, kFieldVolume};
    case 4:
        return {kFieldDate, kFieldHigh, kFieldLow, kFieldClose};
    case 5:
        return {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    case 6:
        return {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    case 7:
        return {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume, kFieldOpenInterest};
    default:
        return {};
    }
}

std::optional<std::vector<int>> ParseDopText(const std::string& text, int nFieldCount) {
    std::vector<int> fields;
    FieldFlags seen{};
    std::size_t nStart = 0;
    while (nStart < text.size()) {
        std::size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = text.size();
        }
        std::string line = text.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        // "NAME",x,y: only the name tells the field.
        const std::size_t nClose = line.find('"', 1);
        if (line[0] != '"' || nClose == std::string::npos) {
            return std::nullopt;
        }
        const std::string name = UpperAscii(line.substr(1, nClose - 1));
        int field = 0;
        while (field < kFieldCount && name != DopFieldName(field)) {
            ++field;
        }
        if (field == kFieldCount || seen[static_cast<std::size_t>(field)]) {
            return std::nullopt;
        }
        seen[static_cast<std::size_t>(field)] = true;
        fields.push_back(field);
    }
    if (static_cast<int>(fields.size()) != nFieldCount || !seen[kFieldDate]) {
        return std::nullopt;
    }
    return fields;
}

std::optional<SSecurityBars> ReadSecurityBars(CFileSystem& fs, const std::filesystem::path& dir,
                                              const MasterRecord& entry, std::string& strError) {
    std::unique_ptr<CFile> pFile;
    auto info = OpenDataFile(fs, dir, entry, pFile, strError);
    if (!info) {
        return std::nullopt;
    }
    SSecurityBars bars;
    bars.info = *info;
    const int nFieldCount = entry[4];
    const std::size_t nRecordLength = entry[3];

    // A description longer than this names no seven fields.
    constexpr std::size_t kMaxDopBytes = 4096;
    std::filesystem::path dopPath;
    std::string strDopProblem;
    if (auto pDop = OpenNoCase(fs, dir, DopFileName(entry[0]), dopPath)) {
        std::string text(kMaxDopBytes + 1, '\0');
        const std::ptrdiff_t n = ReadUpTo(*pDop, reinterpret_cast<std::uint8_t*>(text.data()), text.size());
        if (n < 0) {
            strDopProblem = "it cannot be read";
        } else if (static_cast<std::size_t>(n) > kMaxDopBytes) {
            strDopProblem = "it is too long to be a field description";
        } else {
            text.resize(static_cast<std::size_t>(n));
            if (auto fields = ParseDopText(text, nFieldCount)) {
                bars.fields = std::move(*fields);
            } else {
                strDopProblem = "it does not name " + std::to_string(nFieldCount) + " distinct known fields";
            }
        }
    } else {
        strDopProblem = "there is no such file";
    }
    if (bars.fields.empty()) {
        bars.fields = StandardFields(nFieldCount);
        bars.warnings.push_back(PathText(dopPath) + ": " + strDopProblem + "; taking the usual " +
                                std::to_string(nFieldCount) + "-field layout");
    }
    if (info->nStoredBars > static_cast<std::uint64_t>(info->nBarCount)) {
        bars.warnings.push_back(PathText(info->path) + ": the file holds " + std::to_string(info->nStoredBars) +
                                " bars but its header counts " + std::to_string(info->nBarCount) +
                                "; only the counted bars are shown");
    }

    std::vector<std::uint8_t> data(nRecordLength * static_cast<std::size_t>(info->nBarCount));
    const std::ptrdiff_t n = ReadUpTo(*pFile, data.data(), data.size());
    if (n != static_cast<std::ptrdiff_t>(data.size())) {
        // The size said otherwise: the file changed under us or could not be read.
        strError = PathText(info->path) + ": read error";
        return std::nullopt;
    }
    bars.values.reserve(data.size() / 4);
    for (std::size_t i = 0; i < data.size(); i += 4) {
        float value;
        DecodeMbf(data.data() + i, &value);
        bars.values.push_back(value);
    }
    return bars;
}
