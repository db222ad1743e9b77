#include "metastock/DirectoryFiles.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace {

// No directory file of a real folder comes near this; a larger one is not a directory file.
constexpr std::uint64_t kMaxDirectoryBytes = 64u << 20;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

template <std::size_t kSize>
bool LoadFile(CFileSystem& fs, const std::filesystem::path& folder, const CNameIndex& names, const char* pszName,
              SDirectoryFile<kSize>& file, std::vector<std::string>& links, std::string& strError) {
    file = {};
    const auto name = names.Find(pszName);
    file.strName = name.value_or(pszName);
    if (!name) {
        return true;
    }
    const std::filesystem::path path = folder / Utf8Path(*name);
    if (fs.Status(path).bLink) {
        // Never read through: it would make another folder's file, or any file, this one's.
        links.push_back(*name + ": a symbolic link, not a file of this folder; it is not read");
        file.bExists = true;
        return true;
    }
    auto bytes = ReadWholeFile(fs, path, kMaxDirectoryBytes);
    if (!bytes) {
        strError = PathUtf8(path) + " cannot be read.";
        return false;
    }
    file.bExists = true;
    file.original = std::move(*bytes);
    return true;
}

} // namespace

bool CDirectoryFiles::Load(CFileSystem& fs, const std::filesystem::path& folder, const CNameIndex& names,
                           std::string& strError) {
    m_pNames = &names;
    std::vector<std::string> links;
    if (!LoadFile(fs, folder, names, "MASTER", master, links, strError) ||
        !LoadFile(fs, folder, names, "EMASTER", emaster, links, strError) ||
        !LoadFile(fs, folder, names, "XMASTER", xmaster, links, strError)) {
        return false;
    }
    FindDamage();
    for (const std::string& line : links) {
        m_damage.push_back(line);
        (line.rfind(xmaster.strName + ":", 0) == 0 ? m_bXmasterDamaged : m_bMasterDamaged) = true;
    }
    if (xmaster.bExists && xmaster.original.empty()) {
        xmaster.records.clear(); // a link: it lists nothing
    }
    m_bStale = true;
    return true;
}

void CDirectoryFiles::StartNew() {
    master.bExists = master.bChanged = true;
    master.strName = "MASTER";
    emaster.bExists = emaster.bChanged = true;
    emaster.strName = "EMASTER";
    m_bStale = true;
}

void CDirectoryFiles::Settle(bool bDone, const CNameIndex& names) {
    const auto settle = [bDone](auto& file) {
        if (bDone && file.bChanged) {
            file.original = file.Bytes();
        }
        // After a failure the folder is as it was, and so is this object.
        file.bExists = !file.original.empty();
        file.bChanged = false;
    };
    settle(master);
    settle(emaster);
    settle(xmaster);
    m_pNames = &names;
    FindDamage();
    m_bStale = true;
}

void CDirectoryFiles::FindDamage() {
    m_damage = master.Parse();
    master.CountProblems(0, "entry count", m_damage);
    const auto emasterProblems = emaster.Parse();
    m_damage.insert(m_damage.end(), emasterProblems.begin(), emasterProblems.end());
    emaster.CountProblems(0, "entry count", m_damage);
    if (master.WholeHeader() && emaster.WholeHeader() &&
        ReadInt16(master.header.data()) != ReadInt16(emaster.header.data())) {
        m_damage.push_back(emaster.strName + ": its entry count " + std::to_string(ReadInt16(emaster.header.data())) +
                           " is not MASTER's " + std::to_string(ReadInt16(master.header.data())));
    }
    m_bMasterDamaged = !m_damage.empty();
    std::vector<std::string> xmasterDamage = xmaster.Parse();
    if (xmaster.bExists && !HasXmasterSignature(xmaster)) {
        xmasterDamage = {xmaster.strName + ": the file does not begin with the XMASTER signature 5D FE 58 4D"};
        xmaster.records.clear(); // not an XMASTER: it lists nothing
    } else {
        xmaster.CountProblems(kXmasterCountOffset, "record count", xmasterDamage);
    }
    m_bXmasterDamaged = !xmasterDamage.empty();
    m_damage.insert(m_damage.end(), xmasterDamage.begin(), xmasterDamage.end());
}

const std::vector<SSecurity>& CDirectoryFiles::Securities() const {
    if (m_bStale) {
        Rebuild();
    }
    return m_securities;
}

SSecurity CDirectoryFiles::Describe(EDirectoryFile directory, std::size_t nRecord) const {
    SSecurity security;
    if (directory == EDirectoryFile::Xmaster) {
        security = SecurityFromXmaster(xmaster.records[nRecord], nRecord);
    } else if (!master.bExists) {
        security = SecurityFromEmaster(emaster.records[nRecord], nRecord);
    } else {
        security = SecurityFromMaster(master.records[nRecord], nRecord);
        if (const auto twin = TwinIndex(nRecord); twin && *twin < emaster.Counted(0)) {
            const EmasterRecord& record = emaster.records[*twin];
            security.nFieldSet = record[kEmasterFieldSetOffset];
            // MASTER holds 16 characters; the twin's long-name field the whole name.
            const std::string name = EmasterName(record);
            if (name.size() > security.strName.size()) {
                security.strName = name;
            }
        }
    }
    if (m_pNames != nullptr) {
        security.strDataFile = m_pNames->Spell(DataFileName(security.directory, security.nFileNumber));
    }
    return security;
}

void CDirectoryFiles::Index(std::size_t nIndex) const {
    m_bySymbol[Upper(m_securities[nIndex].strSymbol)].push_back(nIndex);
}

void CDirectoryFiles::Rebuild() const {
    m_securities.clear();
    m_bySymbol.clear();
    if (master.bExists) {
        const std::size_t nMaster = master.Counted(0);
        for (std::size_t i = 0; i < nMaster; ++i) {
            if (!IsDirectoryEntry(master.records[i])) {
                m_securities.push_back(Describe(EDirectoryFile::Master, i));
            }
        }
    } else {
        // Without MASTER, EMASTER is all that lists the first 255.
        for (std::size_t i = 0; i < emaster.Counted(0); ++i) {
            m_securities.push_back(Describe(EDirectoryFile::Master, i));
        }
    }
    const std::size_t nXmaster = xmaster.Counted(kXmasterCountOffset);
    for (std::size_t i = 0; i < nXmaster; ++i) {
        m_securities.push_back(Describe(EDirectoryFile::Xmaster, i));
    }
    for (std::size_t i = 0; i < m_securities.size(); ++i) {
        Index(i);
    }
    m_bStale = false;
}

std::optional<SSecurity> CDirectoryFiles::Find(const std::string& symbol) const {
    if (m_bStale) {
        Rebuild();
    }
    const auto it = m_bySymbol.find(Upper(symbol));
    if (it == m_bySymbol.end() || it->second.empty()) {
        return std::nullopt;
    }
    return m_securities[it->second.front()];
}

std::optional<std::size_t> CDirectoryFiles::Locate(const SSecurity& security) const {
    const bool bMaster = security.directory == EDirectoryFile::Master;
    const std::size_t nRecords = bMaster ? master.records.size() : xmaster.records.size();
    const auto matches = [&](std::size_t i) {
        return bMaster ? master.records[i][0] == security.nFileNumber && !IsDirectoryEntry(master.records[i])
                       : XmasterFileNumber(xmaster.records[i]) == security.nFileNumber;
    };
    if (security.nRecord < nRecords && matches(security.nRecord)) {
        return security.nRecord;
    }
    for (std::size_t i = 0; i < nRecords; ++i) {
        if (matches(i)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> CDirectoryFiles::TwinIndex(std::size_t nRecord) const {
    if (!emaster.bExists || nRecord >= master.records.size()) {
        return std::nullopt;
    }
    const std::uint8_t nNumber = master.records[nRecord][0];
    // The same index first: the pairing of every sound folder, and the tie-break where a
    // damaged one lists a number twice.
    if (nRecord < emaster.records.size() && emaster.records[nRecord][kEmasterFileNumberOffset] == nNumber) {
        return nRecord;
    }
    for (std::size_t i = 0; i < emaster.records.size(); ++i) {
        if (emaster.records[i][kEmasterFileNumberOffset] == nNumber) {
            return i;
        }
    }
    return std::nullopt;
}

EmasterRecord* CDirectoryFiles::Twin(std::size_t nRecord) {
    const auto index = TwinIndex(nRecord);
    return index ? &emaster.records[*index] : nullptr;
}

CDirectoryFiles::UsedNumbers CDirectoryFiles::Used(const CNameIndex& names) const {
    UsedNumbers used;
    used.set(0);
    for (const MasterRecord& record : master.records) {
        used.set(record[0]);
    }
    for (const EmasterRecord& record : emaster.records) {
        used.set(record[kEmasterFileNumberOffset]);
    }
    for (const XmasterRecord& record : xmaster.records) {
        used.set(static_cast<std::size_t>(std::min(XmasterFileNumber(record), kLastFileNumber + 1)));
    }
    for (int n : names.DataFileNumbers()) {
        used.set(static_cast<std::size_t>(std::min(n, kLastFileNumber + 1)));
    }
    return used;
}

std::optional<int> CDirectoryFiles::NewXmasterNumber(const UsedNumbers& used, const CNameIndex& names) const {
    int nStart = kFirstXmasterNumber;
    if (xmaster.bExists) {
        nStart = std::max<int>(ReadUInt16(xmaster.header.data() + kXmasterNextNumberOffset), kFirstXmasterNumber);
    } else {
        // A new XMASTER starts above every F<n> on disk that an XMASTER number could be.
        const auto& numbers = names.DataFileNumbers();
        const auto highest = numbers.upper_bound(kLastFileNumber);
        nStart = std::max(highest == numbers.begin() ? 0 : *std::prev(highest) + 1, kFirstXmasterNumber);
    }
    for (int n = nStart; n <= kLastFileNumber; ++n) {
        if (!used.test(static_cast<std::size_t>(n))) {
            return n;
        }
    }
    // Past the end of the numbers (a next number of 65535, say): the lowest that is free.
    for (int n = kFirstXmasterNumber; n < std::min(nStart, kLastFileNumber + 1); ++n) {
        if (!used.test(static_cast<std::size_t>(n))) {
            return n;
        }
    }
    return std::nullopt;
}

void CDirectoryFiles::SetMasterCounts(int nDelta, int nNumber) {
    const int nCount = std::max(ReadInt16(master.header.data()) + nDelta, 0);
    WriteInt16(master.header.data(), static_cast<std::int16_t>(nCount));
    const int nHighest = std::max<int>(ReadInt16(master.header.data() + 2), nNumber);
    WriteInt16(master.header.data() + 2, static_cast<std::int16_t>(nHighest));
    master.bChanged = true;
    if (emaster.bExists) {
        std::copy_n(master.header.begin(), 4, emaster.header.begin());
        emaster.bChanged = true;
    }
}

void CDirectoryFiles::SetXmasterCount(int nDelta) {
    const int n = std::max(ReadInt16(xmaster.header.data() + kXmasterCountOffset) + nDelta, 0);
    WriteInt16(xmaster.header.data() + kXmasterCountOffset, static_cast<std::int16_t>(n));
    WriteInt16(xmaster.header.data() + kXmasterCountCopyOffset, static_cast<std::int16_t>(n));
    xmaster.bChanged = true;
}

void CDirectoryFiles::Refresh(EDirectoryFile directory, std::size_t nRecord) {
    if (m_bStale) {
        return;
    }
    const auto matches = [&](const SSecurity& security) {
        return security.directory == directory && security.nRecord == nRecord;
    };
    // XMASTER's securities end the list in record order: record i is nearly always there.
    const std::size_t nGuess = m_securities.size() - xmaster.Counted(kXmasterCountOffset) + nRecord;
    const auto listed =
        directory == EDirectoryFile::Xmaster && nGuess < m_securities.size() && matches(m_securities[nGuess])
            ? m_securities.begin() + static_cast<std::ptrdiff_t>(nGuess)
            : std::find_if(m_securities.begin(), m_securities.end(), matches);
    if (listed == m_securities.end()) {
        return;
    }
    SSecurity fresh = Describe(directory, nRecord);
    m_bStale = fresh.strSymbol != listed->strSymbol; // the index by symbol is rebuilt
    *listed = std::move(fresh);
}

void CDirectoryFiles::Appended(EDirectoryFile directory) {
    const bool bMaster = directory == EDirectoryFile::Master;
    const bool bAtEnd = bMaster ? m_securities.empty() || m_securities.back().directory == EDirectoryFile::Master
                                : xmaster.Counted(kXmasterCountOffset) == xmaster.records.size();
    if (m_bStale || !bAtEnd || (bMaster && !master.bExists)) {
        m_bStale = true;
        return;
    }
    const std::size_t nRecord = (bMaster ? master.records.size() : xmaster.records.size()) - 1;
    m_securities.push_back(Describe(directory, nRecord));
    Index(m_securities.size() - 1);
}

void CDirectoryFiles::Respell(const CNameIndex& names) {
    m_pNames = &names;
    m_bStale = true;
}

int CDirectoryFiles::AddToMaster(const SNewSecurity& security, const UsedNumbers& used) {
    int nNumber = 1;
    while (nNumber <= kMaxMasterEntries && used.test(static_cast<std::size_t>(nNumber))) {
        ++nNumber;
    }
    // Bytes 2-3 of MASTER hold the highest number in use, not a count: a folder whose numbers
    // have gaps is full only when it lists 255 securities or no number is left.
    if (ReadInt16(master.header.data()) >= kMaxMasterEntries || nNumber > kMaxMasterEntries) {
        return 0;
    }
    const int nFieldCount = static_cast<int>(std::count(security.fields.begin(), security.fields.end(), true));
    SSecurityEntry entry;
    entry.nFileNumber = static_cast<std::uint8_t>(nNumber);
    entry.nRecordLength = static_cast<std::uint8_t>(4 * nFieldCount);
    entry.nFieldCount = static_cast<std::uint8_t>(nFieldCount);
    entry.strName = security.strName.substr(0, kEntryTextChars);
    entry.strSymbol = security.strSymbol;
    entry.firstDate = DateMbf(security.nFirstDate);
    entry.lastDate = DateMbf(security.nLastDate);
    master.records.push_back(entry.ToBytes());
    if (emaster.bExists) {
        emaster.records.push_back(SExtendedEntry{nNumber, security.strSymbol, security.strName, nFieldCount,
                                                 FieldSetBits(security.fields), security.nFirstDate, security.nLastDate}
                                      .ToEmaster());
    }
    SetMasterCounts(+1, nNumber);
    Appended(EDirectoryFile::Master);
    return nNumber;
}

void CDirectoryFiles::AddToXmaster(const SNewSecurity& security, int nNumber) {
    if (!xmaster.bExists) {
        xmaster.bExists = true;
        xmaster.header.fill(0);
        std::copy(kXmasterSignature.begin(), kXmasterSignature.end(), xmaster.header.begin());
        std::copy_n(master.header.begin() + kMasterSerialOffset, 4, xmaster.header.begin() + kXmasterSerialOffset);
    }
    const int nFieldCount = static_cast<int>(std::count(security.fields.begin(), security.fields.end(), true));
    const XmasterRecord record = SExtendedEntry{nNumber,
                                                security.strSymbol,
                                                security.strName,
                                                nFieldCount,
                                                FieldSetBits(security.fields),
                                                security.nFirstDate,
                                                security.nLastDate}
                                     .ToXmaster();
    // Records ascend by number; a number below the last one (a gap filled) goes in between.
    if (xmaster.records.empty() || XmasterFileNumber(xmaster.records.back()) < nNumber) {
        xmaster.records.push_back(record);
        SetXmasterCount(+1);
        Appended(EDirectoryFile::Xmaster);
    } else {
        const auto at = std::find_if(xmaster.records.begin(), xmaster.records.end(),
                                     [&](const XmasterRecord& r) { return XmasterFileNumber(r) > nNumber; });
        xmaster.records.insert(at, record);
        SetXmasterCount(+1);
        Reordered();
    }
    // The next number stays where removals left it; one out of range (65535 blocks every
    // new security) follows the highest number in use again.
    int nNext = ReadUInt16(xmaster.header.data() + kXmasterNextNumberOffset);
    if (nNext < kFirstXmasterNumber || nNext > kLastFileNumber) {
        nNext = 0;
        for (const XmasterRecord& r : xmaster.records) {
            nNext = std::max(nNext, XmasterFileNumber(r) + 1);
        }
    }
    WriteInt16(xmaster.header.data() + kXmasterNextNumberOffset,
               static_cast<std::int16_t>(std::min(std::max(nNumber + 1, nNext), 65535)));
}

void CDirectoryFiles::SetDates(EDirectoryFile directory, std::size_t nIndex, std::int32_t nFirstDate,
                               std::int32_t nLastDate) {
    if (directory == EDirectoryFile::Master) {
        MasterRecord& record = master.records[nIndex];
        const MbfSingle last = DateMbf(nLastDate);
        std::copy(last.begin(), last.end(), record.begin() + kEntryLastDateOffset);
        if (nFirstDate != 0) {
            const MbfSingle first = DateMbf(nFirstDate);
            std::copy(first.begin(), first.end(), record.begin() + kEntryFirstDateOffset);
        }
        master.bChanged = true;
        if (EmasterRecord* pTwin = Twin(nIndex)) {
            WriteFloat(pTwin->data() + kEmasterLastDateOffset, static_cast<float>(nLastDate));
            if (nFirstDate != 0) {
                WriteFloat(pTwin->data() + kEmasterFirstDateOffset, static_cast<float>(nFirstDate));
                WriteInt32(pTwin->data() + kEmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
            }
            emaster.bChanged = true;
        }
    } else {
        XmasterRecord& record = xmaster.records[nIndex];
        WriteInt32(record.data() + kXmasterLastYmdOffset, YmdFromDateValue(nLastDate));
        if (nFirstDate != 0) {
            WriteInt32(record.data() + kXmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
        }
        xmaster.bChanged = true;
    }
    Refresh(directory, nIndex);
}

void CDirectoryFiles::SetSymbol(EDirectoryFile directory, std::size_t nIndex, const std::string& symbol,
                                const std::optional<std::string>& name) {
    if (directory == EDirectoryFile::Master) {
        MasterRecord& record = master.records[nIndex];
        const auto padded = PadEntryText(symbol);
        std::copy_n(padded.begin(), kEntryShortSymbolChars, record.begin() + kEntrySymbolOffset);
        // A long symbol of an earlier version ran on over bytes 50 and 51.
        if (record[kEntrySymbolOffset + kEntryShortSymbolChars] != ' ') {
            record[kEntrySymbolOffset + kEntryShortSymbolChars] = ' ';
            record[kEntrySymbolOffset + kEntryShortSymbolChars + 1] = ' ';
        }
        if (name) {
            const auto paddedName = PadEntryText(*name);
            std::copy(paddedName.begin(), paddedName.end(), record.begin() + kEntryNameOffset);
        }
        master.bChanged = true;
        if (EmasterRecord* pTwin = Twin(nIndex)) {
            PutFieldText(pTwin->data() + kEmasterSymbolOffset, kEmasterSymbolChars, symbol);
            if (name) {
                PutFieldText(pTwin->data() + kEmasterNameOffset, kEmasterNameChars, *name);
                PutFieldText(pTwin->data() + kEmasterLongNameOffset, kEmasterLongNameChars + 1,
                             name->size() > kEmasterNameChars ? *name : std::string());
            }
            emaster.bChanged = true;
        }
    } else {
        XmasterRecord& record = xmaster.records[nIndex];
        PutFieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars + 1, symbol);
        if (name) {
            PutFieldText(record.data() + kXmasterNameOffset, kXmasterNameChars + 1, *name);
        }
        xmaster.bChanged = true;
    }
    Refresh(directory, nIndex);
}

void CDirectoryFiles::RemoveRecord(EDirectoryFile directory, std::size_t nIndex, std::optional<std::size_t> nTwin) {
    if (directory == EDirectoryFile::Master) {
        master.records.erase(master.records.begin() + static_cast<std::ptrdiff_t>(nIndex));
        if (nTwin) {
            emaster.records.erase(emaster.records.begin() + static_cast<std::ptrdiff_t>(*nTwin));
        }
        SetMasterCounts(-1);
    } else {
        xmaster.records.erase(xmaster.records.begin() + static_cast<std::ptrdiff_t>(nIndex));
        SetXmasterCount(-1);
    }
    Reordered();
}
