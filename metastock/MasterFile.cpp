#include "metastock/MasterFile.h"

#include "platform/FileSystem.h"
#include "platform/PathLookup.h"
#include "platform/ReplacementFile.h"

#include <algorithm>
#include <bitset>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace {

// Reads until size bytes are in or the file ends: true only for a whole record.
bool ReadRecord(CFile& file, void* pBuffer, std::size_t size) {
    return ReadUpTo(file, pBuffer, size) == static_cast<std::ptrdiff_t>(size);
}

// Every whole record after the header; false on a read error (the end of the file, also
// inside a record, is no error: a trailing part of a record is not carried over).
bool ReadAllRecords(CFile& file, std::vector<MasterRecord>& records) {
    MasterRecord record;
    for (;;) {
        const std::ptrdiff_t n = ReadUpTo(file, record.data(), record.size());
        if (n < 0) {
            return false;
        }
        if (n < static_cast<std::ptrdiff_t>(record.size())) {
            return true;
        }
        records.push_back(record);
    }
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// A directory entry's name is followed only when it names one directory right here.
bool IsPlainDirectoryName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// What makes two paths one directory: looked up once per level, so that the check for a
// loop back costs no file system calls per level on the path (a deep tree would otherwise
// take time cubic in its depth).
struct SDirectoryId {
    dev_t device;
    ino_t inode;
    bool operator==(const SDirectoryId&) const = default;
};

std::optional<SDirectoryId> DirectoryId(const std::filesystem::path& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return SDirectoryId{st.st_dev, st.st_ino};
}

struct SSearchLevel {
    std::string strDir;     // ends in a separator
    std::int32_t nPosition; // 0 not scanned yet; 1..N resume the look-out for directory entries; N + 1 done
    std::optional<SDirectoryId> id;
};

} // namespace

std::optional<SMasterHeader> ReadMasterHeader(CFileSystem& fs, const std::filesystem::path& master) {
    auto pFile = fs.Open(master, EOpenMode::Read);
    if (!pFile) {
        return std::nullopt;
    }
    MasterRecord header;
    if (!ReadRecord(*pFile, header.data(), header.size())) {
        return std::nullopt;
    }
    return SMasterHeader::FromBytes(header);
}

bool CreateEmptyMaster(CFileSystem& fs, const std::filesystem::path& master, const std::filesystem::path& temporary) {
    CReplacementFile file(fs, temporary, master);
    const MasterRecord header{};
    return file.Open() && file.Write(header.data(), header.size()) && file.Commit();
}

SAddResult AppendSecurityEntry(CFileSystem& fs, const std::filesystem::path& master,
                               const std::filesystem::path& temporary, SSecurityEntry entry,
                               const std::function<bool(std::uint8_t)>& beforeCommit) {
    SAddResult result;
    std::vector<MasterRecord> records;
    SMasterHeader header;
    {
        auto pFile = fs.Open(master, EOpenMode::Read);
        if (!pFile) {
            return result;
        }
        MasterRecord headerBytes;
        if (!ReadRecord(*pFile, headerBytes.data(), headerBytes.size())) {
            return result;
        }
        header = SMasterHeader::FromBytes(headerBytes);
        if (header.nEntryCount >= 255 || header.nFileCounter >= 255) {
            result.status = EAddStatus::Full;
            return result;
        }
        if (!ReadAllRecords(*pFile, records)) {
            return result;
        }
    }

    // File number 0 is never given out; a directory entry's number blocks as well.
    std::bitset<256> used;
    used.set(0);
    for (const MasterRecord& record : records) {
        used.set(record[0]);
    }
    int nFree = 1;
    while (nFree <= 255 && used.test(static_cast<std::size_t>(nFree))) {
        ++nFree;
    }
    if (nFree > 255) {
        result.status = EAddStatus::NoFreeNumber;
        return result;
    }
    entry.nFileNumber = static_cast<std::uint8_t>(nFree);

    ++header.nEntryCount;
    ++header.nFileCounter;
    CReplacementFile file(fs, temporary, master);
    if (!file.Open()) {
        return result;
    }
    const MasterRecord headerBytes = header.ToBytes();
    bool bOk = file.Write(headerBytes.data(), headerBytes.size());
    for (const MasterRecord& record : records) {
        bOk = bOk && file.Write(record.data(), record.size());
    }
    const MasterRecord entryBytes = entry.ToBytes();
    bOk = bOk && file.Write(entryBytes.data(), entryBytes.size());
    if (!bOk || (beforeCommit && !beforeCommit(entry.nFileNumber)) || !file.Commit()) {
        return result;
    }
    result.status = EAddStatus::Added;
    result.nFileNumber = entry.nFileNumber;
    return result;
}

bool UpdateEntryDates(CFileSystem& fs, const std::filesystem::path& master, const std::filesystem::path& temporary,
                      std::uint8_t nFileNumber, const MbfSingle& firstDate, const MbfSingle& lastDate) {
    auto pSource = fs.Open(master, EOpenMode::Read);
    if (!pSource) {
        return false;
    }
    MasterRecord header;
    if (!ReadRecord(*pSource, header.data(), header.size())) {
        return false;
    }
    std::vector<MasterRecord> records;
    if (!ReadAllRecords(*pSource, records)) {
        return false;
    }
    pSource.reset();

    CReplacementFile file(fs, temporary, master);
    if (!file.Open() || !file.Write(header.data(), header.size())) {
        return false;
    }
    for (MasterRecord& record : records) {
        if (record[0] == nFileNumber) {
            std::copy(firstDate.begin(), firstDate.end(), record.begin() + kEntryFirstDateOffset);
            std::copy(lastDate.begin(), lastDate.end(), record.begin() + kEntryLastDateOffset);
        }
        if (!file.Write(record.data(), record.size())) {
            return false;
        }
    }
    return file.Commit();
}

bool EntryMatchesSymbol(const MasterRecord& record, const std::string& symbol) {
    const std::size_t nSpaces = static_cast<std::size_t>(std::count(symbol.begin(), symbol.end(), ' '));
    return EqualNoCase(symbol, EntryNameText(record)) || EqualNoCase(symbol, EntrySymbolText(record, nSpaces));
}

std::int16_t SearchMasterTree(CFileSystem& fs, const std::string& root, const std::string& symbol,
                              MasterRecord& entry, std::string& dir) {
    std::string strRoot = root;
    if (!strRoot.empty() && strRoot.back() != '/' && strRoot.back() != ':') {
        strRoot += '/';
    }
    std::vector<SSearchLevel> levels{
        {strRoot, 0, DirectoryId(strRoot.empty() ? std::filesystem::path(".") : std::filesystem::path(strRoot))}};

    for (;;) {
        SSearchLevel& level = levels.back();
        std::int32_t nEntries = 0;
        std::unique_ptr<CFile> pFile;
        MasterRecord record;
        const std::filesystem::path dirPath = level.strDir.empty() ? std::filesystem::path(".") : std::filesystem::path(level.strDir);
        if (auto master = FindEntryNoCase(dirPath, "master")) {
            pFile = fs.Open(*master, EOpenMode::Read);
        }
        if (!pFile || !ReadRecord(*pFile, record.data(), record.size())) {
            pFile.reset();
            level.nPosition = 1;
        } else {
            nEntries = SMasterHeader::FromBytes(record).nEntryCount;
        }

        if (pFile && level.nPosition == 0) {
            for (std::int32_t i = 1; i <= nEntries; ++i) {
                if (!ReadRecord(*pFile, record.data(), record.size())) {
                    pFile.reset();
                    level.nPosition = 1;
                    nEntries = 0;
                    break;
                }
                if (IsDirectoryEntry(record)) {
                    if (level.nPosition == 0) {
                        level.nPosition = i;
                    }
                } else if (EntryMatchesSymbol(record, symbol)) {
                    entry = record;
                    DecodeMbf(entry.data() + kEntryFirstDateOffset, entry.data() + kEntryFirstDateOffset);
                    DecodeMbf(entry.data() + kEntryLastDateOffset, entry.data() + kEntryLastDateOffset);
                    dir = level.strDir;
                    return kFindFound;
                }
            }
            if (level.nPosition == 0) {
                level.nPosition = nEntries + 1;
            }
        }

        bool bDescended = false;
        if (pFile && level.nPosition <= nEntries) {
            if (!pFile->Seek(static_cast<std::uint64_t>(level.nPosition) * kMasterRecordSize)) {
                return kFindTruncated;
            }
            while (level.nPosition <= nEntries) {
                if (!ReadRecord(*pFile, record.data(), record.size())) {
                    return kFindTruncated;
                }
                ++level.nPosition;
                if (!IsDirectoryEntry(record)) {
                    continue;
                }
                const std::string strName = DirectoryEntryName(record);
                if (!IsPlainDirectoryName(strName)) {
                    continue;
                }
                const std::filesystem::path parent = level.strDir.empty() ? std::filesystem::path(".") : std::filesystem::path(level.strDir);
                const std::filesystem::path subdir = EntryPathNoCase(parent, strName);
                const std::optional<SDirectoryId> subdirId = DirectoryId(subdir);
                bool bOnPath = false;
                for (const SSearchLevel& onPath : levels) {
                    if (subdirId && onPath.id == subdirId) {
                        bOnPath = true;
                        break;
                    }
                }
                if (bOnPath) {
                    continue;
                }
                std::string strSubdir = level.strDir + subdir.filename().string() + '/';
                levels.push_back({std::move(strSubdir), 0, subdirId});
                bDescended = true;
                break;
            }
        }
        pFile.reset();
        if (bDescended) {
            continue;
        }
        if (levels.size() == 1) {
            return kFindNotFound;
        }
        levels.pop_back();
    }
}
