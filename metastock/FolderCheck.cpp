#include "metastock/FolderCheck.h"

#include "metastock/DataFile.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"

#include <map>
#include <set>

namespace {

std::string Where(const SSecurity& security) {
    return std::string(security.directory == EDirectoryFile::Master ? "MASTER" : "XMASTER") + " record " +
           std::to_string(security.nRecord + 1) + " (" + security.strSymbol + ")";
}

bool IsMwd(const std::string& name) {
    return name.size() > 4 && EqualNoCase(name.substr(name.size() - 4), ".MWD");
}

} // namespace

CFolderCheck::CFolderCheck(CFileSystem& fs, std::filesystem::path folder, const CNameIndex& names,
                           const CDirectoryFiles& files)
    : m_fs(fs), m_folder(std::move(folder)), m_names(names), m_files(files) {}

std::vector<std::string> CFolderCheck::Run() const {
    std::vector<std::string> lines = m_files.Damage();
    CheckNumbers(lines);
    CheckTwins(lines);
    CheckXmasterHeader(lines);
    for (const SSecurity& security : m_files.Securities()) {
        CheckDataFile(security, lines);
    }
    for (int n : OrphanMwdNumbers(m_names, m_files)) {
        lines.push_back(m_names.Spell(DataFileName(EDirectoryFile::Xmaster, n)) +
                        ": no directory file lists it; a repair gives it an entry so that its bars can be read");
    }
    return lines;
}

std::vector<int> CFolderCheck::OrphanMwdNumbers(const CNameIndex& names, const CDirectoryFiles& files) {
    std::set<int> listed;
    for (const XmasterRecord& record : files.xmaster.records) {
        listed.insert(XmasterFileNumber(record));
    }
    std::set<int> orphans;
    for (const std::string& name : names.Names()) {
        const auto n = DataFileNumber(name);
        if (n && IsMwd(name) && *n >= CDirectoryFiles::kFirstXmasterNumber && *n <= CDirectoryFiles::kLastFileNumber &&
            listed.count(*n) == 0) {
            orphans.insert(*n);
        }
    }
    return {orphans.begin(), orphans.end()};
}

void CFolderCheck::CheckNumbers(std::vector<std::string>& lines) const {
    std::map<int, std::vector<const SSecurity*>> byNumber;
    for (const SSecurity& security : m_files.Securities()) {
        byNumber[security.nFileNumber].push_back(&security);
    }
    for (const auto& [nNumber, listed] : byNumber) {
        if (listed.size() > 1) {
            std::string line =
                "file number " + std::to_string(nNumber) + " is listed " + std::to_string(listed.size()) + " times:";
            for (const SSecurity* pSecurity : listed) {
                line += " " + Where(*pSecurity) + (pSecurity == listed.back() ? "" : ",");
            }
            lines.push_back(line);
        }
    }
}

void CFolderCheck::CheckTwins(std::vector<std::string>& lines) const {
    const SMasterFile& master = m_files.master;
    const SEmasterFile& emaster = m_files.emaster;
    if (!master.bExists || !emaster.bExists) {
        return;
    }
    // Paired by file number: a record on one side only is named once, and the records after
    // it are still compared with their own twins.
    std::vector<std::size_t> masterOrder;
    std::map<int, std::size_t> masterByNumber;
    std::map<int, std::size_t> emasterByNumber;
    for (std::size_t i = 0; i < master.Counted(0); ++i) {
        if (!IsDirectoryEntry(master.records[i])) {
            masterOrder.push_back(i);
            masterByNumber.emplace(master.records[i][0], i);
        }
    }
    for (std::size_t j = 0; j < emaster.Counted(0); ++j) {
        emasterByNumber.emplace(emaster.records[j][kEmasterFileNumberOffset], j);
    }
    bool bOneSided = false;
    for (std::size_t i : masterOrder) {
        if (emasterByNumber.count(master.records[i][0]) == 0) {
            const SSecurity security = SecurityFromMaster(master.records[i], i);
            lines.push_back(master.strName + " record " + std::to_string(i + 1) + ": file number " +
                            std::to_string(security.nFileNumber) + " (" + security.strSymbol + ") is only in " +
                            master.strName + "; " + emaster.strName + " has no record of it");
            bOneSided = true;
        }
    }
    for (std::size_t j = 0; j < emaster.Counted(0); ++j) {
        const SSecurity security = SecurityFromEmaster(emaster.records[j], j);
        if (masterByNumber.count(security.nFileNumber) == 0) {
            lines.push_back(emaster.strName + " record " + std::to_string(j + 1) + ": file number " +
                            std::to_string(security.nFileNumber) + " (" + security.strSymbol + ") is only in " +
                            emaster.strName + "; " + master.strName + " has no record of it");
            bOneSided = true;
        }
    }
    for (std::size_t k = 0; !bOneSided && k < masterOrder.size() && k < emaster.Counted(0); ++k) {
        const int nMaster = master.records[masterOrder[k]][0];
        const int nEmaster = emaster.records[k][kEmasterFileNumberOffset];
        if (nMaster != nEmaster) {
            lines.push_back(emaster.strName + ": its records are in another order than " + master.strName +
                            "'s (record " + std::to_string(k + 1) + " is file number " + std::to_string(nEmaster) +
                            ", " + master.strName + "'s is " + std::to_string(nMaster) + ")");
            break;
        }
    }
    CheckPairs(lines);
}

void CFolderCheck::CheckPairs(std::vector<std::string>& lines) const {
    const SMasterFile& master = m_files.master;
    for (std::size_t i = 0; i < master.Counted(0); ++i) {
        const auto twin = m_files.TwinIndex(i);
        if (IsDirectoryEntry(master.records[i]) || !twin || *twin >= m_files.emaster.Counted(0)) {
            continue;
        }
        const SSecurity fromMaster = SecurityFromMaster(master.records[i], i);
        const SSecurity fromEmaster = SecurityFromEmaster(m_files.emaster.records[*twin], *twin);
        const std::string prefix = m_files.emaster.strName + " record " + std::to_string(*twin + 1) + ": ";
        if (!EqualNoCase(fromEmaster.strSymbol, fromMaster.strSymbol)) {
            lines.push_back(prefix + "symbol " + fromEmaster.strSymbol + " where MASTER has " + fromMaster.strSymbol);
        }
        if (fromEmaster.nFirstDate != fromMaster.nFirstDate || fromEmaster.nLastDate != fromMaster.nLastDate) {
            lines.push_back(prefix + "dates " + YmdText(fromEmaster.nFirstDate) + "-" + YmdText(fromEmaster.nLastDate) +
                            " where MASTER has " + YmdText(fromMaster.nFirstDate) + "-" +
                            YmdText(fromMaster.nLastDate));
        }
    }
}

void CFolderCheck::CheckXmasterHeader(std::vector<std::string>& lines) const {
    const SXmasterFile& xmaster = m_files.xmaster;
    if (!xmaster.bExists || xmaster.records.empty()) {
        return;
    }
    int nHighest = 0;
    for (const XmasterRecord& record : xmaster.records) {
        nHighest = std::max(nHighest, XmasterFileNumber(record));
    }
    const int nNext = ReadUInt16(xmaster.header.data() + kXmasterNextNumberOffset);
    if (nNext < CDirectoryFiles::kFirstXmasterNumber || nNext > CDirectoryFiles::kLastFileNumber) {
        lines.push_back(xmaster.strName + ": the next file number " + std::to_string(nNext) +
                        " is out of range (256 to 65534); a new security takes the lowest free number");
    } else if (nNext <= nHighest) {
        lines.push_back(xmaster.strName + ": the next file number " + std::to_string(nNext) +
                        " is not above the highest in use, " + std::to_string(nHighest));
    }
}

void CFolderCheck::CheckDataFile(const SSecurity& security, std::vector<std::string>& lines) const {
    const std::string& name = security.strDataFile;
    const std::string prefix = name + " (" + Where(security) + "): ";
    if (!m_names.Find(name)) {
        lines.push_back(prefix + "missing");
        return;
    }
    if (security.nFieldCount < 2 || security.nFieldCount > kMaxDataFieldCount) {
        lines.push_back(prefix + "the directory gives " + std::to_string(security.nFieldCount) + " fields, not 2 to 8");
        return;
    }
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(security.nFieldCount);
    if (security.directory == EDirectoryFile::Master && m_files.master.bExists &&
        m_files.master.records[security.nRecord][kEntryRecordLengthOffset] != nRecordSize) {
        lines.push_back(prefix + "the record length is not 4 bytes for each of its " +
                        std::to_string(security.nFieldCount) + " fields");
        return;
    }
    auto pFile = m_fs.Open(m_folder / Utf8Path(name), EOpenMode::Read);
    const std::uint64_t nSize = pFile ? pFile->Size().value_or(0) : 0;
    std::vector<std::uint8_t> record(nRecordSize);
    if (!pFile || ReadUpTo(*pFile, record.data(), nRecordSize) != static_cast<std::ptrdiff_t>(nRecordSize)) {
        lines.push_back(prefix + (pFile ? "the file ends inside its header" : "cannot be read"));
        return;
    }
    const int nCounted = ReadUInt16(record.data() + kDataHeaderCountOffset);
    const std::uint64_t nStored = nSize / nRecordSize;
    if (nSize % nRecordSize != 0) {
        lines.push_back(prefix + std::to_string(nSize % nRecordSize) + " bytes after the last whole record");
    }
    if (nCounted == 0 || nStored != static_cast<std::uint64_t>(nCounted)) {
        lines.push_back(prefix + "the header counts " + std::to_string(std::max(nCounted - 1, 0)) +
                        " bars but the file holds " + std::to_string(nStored - 1) +
                        (nStored < static_cast<std::uint64_t>(nCounted) ? " (shorter)" : " (longer)"));
    }
    if (nCounted < 2 || nStored < static_cast<std::uint64_t>(nCounted)) {
        return;
    }
    std::int32_t nDates[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const std::uint64_t nAt = k == 0 ? 1 : static_cast<std::uint64_t>(nCounted - 1);
        if (!pFile->Seek(nAt * nRecordSize) || ReadUpTo(*pFile, record.data(), 4) != 4) {
            lines.push_back(prefix + "cannot be read");
            return;
        }
        nDates[k] = DateValueFromMbf(record.data());
    }
    const char* pszDirectory = security.directory == EDirectoryFile::Master ? "MASTER" : "XMASTER";
    if (nDates[0] != security.nFirstDate) {
        lines.push_back(prefix + "the first bar is dated " + YmdText(nDates[0]) + " but " + pszDirectory + " says " +
                        YmdText(security.nFirstDate));
    }
    if (nDates[1] != security.nLastDate) {
        lines.push_back(prefix + "the last bar is dated " + YmdText(nDates[1]) + " but " + pszDirectory + " says " +
                        YmdText(security.nLastDate));
    }
}
