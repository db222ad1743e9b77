#include "metastock/FolderRepair.h"

#include "metastock/DataFile.h"
#include "metastock/Dates.h"
#include "metastock/FolderCheck.h"
#include "metastock/FolderLock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr std::uint64_t kMaxDataFileBytes = 64u << 20;

// A date value the calendar has: how a record that holds a date is told from one that does not.
bool IsDateValue(std::int32_t nValue) {
    const SDate date = DateOfValue(nValue);
    return DateValueOf(date.nYear, date.nMonth, date.nDay) == nValue;
}

std::uint8_t FieldBits(const std::vector<int>& fields) {
    FieldFlags flags{};
    std::uint8_t nTime = 0;
    for (int field : fields) {
        if (field == kFieldTime) {
            nTime = kFieldBitTime;
        } else {
            flags[static_cast<std::size_t>(field)] = true;
        }
    }
    return static_cast<std::uint8_t>(FieldSetBits(flags) | nTime);
}

std::string Range(std::int32_t nFirst, std::int32_t nLast) {
    return YmdText(nFirst) + "-" + YmdText(nLast);
}

} // namespace

// A security the repaired folder lists, and what its data file says.
struct CFolderRepair::SKept {
    EDirectoryFile directory = EDirectoryFile::Master;
    int nFileNumber = 0;
    std::string strDataFile;
    int nBars = 0;
    std::int32_t nFirstDate = 0; // 0 where the file holds no bar
    std::int32_t nLastDate = 0;
    std::string where; // "MASTER record 3 (ABC)"
};

CFolderRepair::CFolderRepair(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder)
    : m_fs(fs), m_messages(messages), m_folder(std::move(folder)) {}

CFolderRepair::~CFolderRepair() = default;

std::string CFolderRepair::Folder() const {
    return PathUtf8(m_folder);
}

bool CFolderRepair::Plan(std::string& strError, std::chrono::milliseconds wait) {
    auto pLock = std::make_unique<CFolderLock>(m_fs, m_messages, m_folder);
    if (!pLock->Take(wait, strError)) {
        return false;
    }
    m_pLock = std::move(pLock);
    CFolderCommit commit(m_fs, m_folder);
    m_journalProblem = commit.JournalProblem();
    if (m_journalProblem) {
        m_changes.push_back(std::string(CJournal::kFileName) + ": " + *m_journalProblem + "; set aside as " +
                            CJournal::OldCopyName(CJournal::kFileName) + ", nothing of it replayed");
    } else if (!commit.Recover(m_messages, strError)) {
        return false;
    }
    auto listed = m_fs.ListDirectory(m_folder);
    if (!listed) {
        strError = Folder() + ": the folder cannot be listed (does it exist?).";
        return false;
    }
    m_names.Assign(std::move(*listed));
    if (!m_files.Load(m_fs, m_folder, m_names, strError)) {
        return false;
    }
    if (!m_files.master.bExists && !m_files.emaster.bExists && !m_files.xmaster.bExists &&
        CFolderCheck::OrphanMwdNumbers(m_names, m_files).empty()) {
        strError = Folder() + " holds no MetaStock database (no MASTER, EMASTER or XMASTER).";
        return false;
    }
    PlanMaster();
    PlanEmaster();
    PlanXmaster();
    PlanOrphans();
    if (!m_strReadError.empty()) {
        strError = m_strReadError;
        return false;
    }
    const auto keep = [&](const auto& file, std::optional<std::string>& bytes) {
        if (bytes && *bytes == file.original) {
            bytes.reset();
        }
        if (bytes && file.bExists && !file.original.empty()) {
            m_change.writes.push_back({CJournal::OldCopyName(file.strName), file.original, false, false});
        }
    };
    keep(m_files.master, m_master);
    keep(m_files.emaster, m_emaster);
    keep(m_files.xmaster, m_xmaster);
    // As every commit: data files first, then XMASTER, EMASTER and MASTER last.
    for (const auto& [pBytes, pFile] :
         {std::pair{&m_xmaster, &m_files.xmaster.strName}, std::pair{&m_emaster, &m_files.emaster.strName},
          std::pair{&m_master, &m_files.master.strName}}) {
        if (*pBytes) {
            m_change.writes.push_back({*pFile, **pBytes, false, false});
        }
    }
    return true;
}

std::optional<CFolderRepair::SKept> CFolderRepair::Inspect(const SSecurity& security, const std::string& where) {
    SKept kept;
    kept.directory = security.directory;
    kept.nFileNumber = security.nFileNumber;
    kept.strDataFile = DataFileName(security.directory, security.nFileNumber);
    kept.where = where;
    const auto name = m_names.Find(kept.strDataFile);
    if (!name) {
        m_changes.push_back(where + ": its data file " + kept.strDataFile + " is missing; the entry is removed");
        return std::nullopt;
    }
    kept.strDataFile = *name;
    const std::filesystem::path path = m_folder / Utf8Path(*name);
    std::string strIgnored;
    const auto nRecordSize = RecordSizeOf(security, PathUtf8(path), strIgnored);
    if (!nRecordSize) {
        return kept; // no record size to cut to: the entry and its file stay as they are
    }
    auto bytes = ReadWholeFile(m_fs, path, kMaxDataFileBytes);
    if (!bytes) {
        // Never a reason to drop an entry: the file may read tomorrow.
        m_strReadError = PathUtf8(path) + " cannot be read; nothing was changed.";
        return std::nullopt;
    }
    if (bytes->size() < *nRecordSize) {
        m_changes.push_back(where + ": " + *name +
                            " ends inside its header and holds no bar; the entry is removed, the file left as it is");
        return std::nullopt;
    }
    const std::size_t nRecords = std::min<std::size_t>(bytes->size() / *nRecordSize, kMaxBarsPerFile + 1);
    const std::size_t nTail = bytes->size() - nRecords * *nRecordSize;
    const int nCounted = ReadUInt16(reinterpret_cast<const std::uint8_t*>(bytes->data()) + kDataHeaderCountOffset);
    kept.nBars = static_cast<int>(nRecords) - 1;
    if (nTail != 0 || nCounted != static_cast<int>(nRecords)) {
        std::string fixed = bytes->substr(0, nRecords * *nRecordSize);
        WriteInt16(reinterpret_cast<std::uint8_t*>(fixed.data()) + kDataHeaderCountOffset,
                   static_cast<std::int16_t>(nRecords));
        m_change.writes.push_back({*name, std::move(fixed), false, false});
        m_changes.push_back(
            *name + ": " + (nTail != 0 ? std::to_string(nTail) + " bytes of a partial record at its end cut; " : "") +
            "its header counts " + std::to_string(kept.nBars) + " bars" +
            (nCounted != static_cast<int>(nRecords) ? " (it counted " + std::to_string(std::max(nCounted - 1, 0)) + ")"
                                                    : ""));
    }
    if (kept.nBars > 0) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes->data());
        kept.nFirstDate = DateValueFromMbf(p + *nRecordSize);
        kept.nLastDate = DateValueFromMbf(p + static_cast<std::size_t>(kept.nBars) * *nRecordSize);
    }
    return kept;
}

void CFolderRepair::PlanMaster() {
    SMasterFile& master = m_files.master;
    if (!master.bExists || master.original.size() < kMasterRecordSize) {
        if (master.bExists) {
            m_changes.push_back(master.strName + ": it ends inside its header; left as it is");
        }
        return;
    }
    std::vector<MasterRecord> records;
    std::set<int> numbers;
    for (std::size_t i = 0; i < master.records.size(); ++i) {
        const MasterRecord& record = master.records[i];
        const SSecurity security = SecurityFromMaster(record, i);
        const std::string where = master.strName + " record " + std::to_string(i + 1) + " (" + security.strSymbol + ")";
        if (IsDirectoryEntry(record)) {
            records.push_back(record);
            continue;
        }
        if (security.nFileNumber == 0 || !numbers.insert(security.nFileNumber).second) {
            m_changes.push_back(where + ": file number " + std::to_string(security.nFileNumber) +
                                (security.nFileNumber == 0 ? " is no number" : " is listed before") +
                                "; the entry is removed");
            continue;
        }
        auto kept = Inspect(security, where);
        if (!kept) {
            continue;
        }
        records.push_back(record);
        MasterRecord& fixed = records.back();
        if (kept->nBars > 0 && (security.nFirstDate != kept->nFirstDate || security.nLastDate != kept->nLastDate)) {
            const MbfSingle first = DateMbf(kept->nFirstDate), last = DateMbf(kept->nLastDate);
            std::copy(first.begin(), first.end(), fixed.begin() + kEntryFirstDateOffset);
            std::copy(last.begin(), last.end(), fixed.begin() + kEntryLastDateOffset);
            m_changes.push_back(where + ": dates " + Range(security.nFirstDate, security.nLastDate) + " set to " +
                                Range(kept->nFirstDate, kept->nLastDate) + " from " + kept->strDataFile);
        }
        m_kept.push_back(std::move(*kept));
    }
    if (master.original.size() != kMasterRecordSize * (master.records.size() + 1)) {
        m_changes.push_back(master.strName + ": the partial record at its end cut");
    }
    int nHighest = ReadInt16(master.header.data() + 2);
    for (int n : numbers) {
        nHighest = std::max(nHighest, n);
    }
    if (ReadInt16(master.header.data()) != static_cast<int>(records.size())) {
        m_changes.push_back(master.strName + ": the entry count " + std::to_string(ReadInt16(master.header.data())) +
                            " set to " + std::to_string(records.size()));
    }
    master.records = std::move(records);
    WriteInt16(master.header.data(), static_cast<std::int16_t>(master.records.size()));
    WriteInt16(master.header.data() + 2, static_cast<std::int16_t>(nHighest));
    m_master = master.Bytes();
}

void CFolderRepair::PlanEmaster() {
    SEmasterFile& emaster = m_files.emaster;
    if (!emaster.bExists || !m_master) {
        return;
    }
    std::map<int, std::size_t> byNumber; // the first EMASTER record of each number
    for (std::size_t j = 0; j < emaster.records.size(); ++j) {
        byNumber.emplace(emaster.records[j][kEmasterFileNumberOffset], j);
    }
    std::vector<EmasterRecord> records;
    std::set<std::size_t> used;
    std::size_t nKept = 0;
    const std::size_t nLinesBefore = m_changes.size();
    for (const MasterRecord& record : m_files.master.records) {
        if (IsDirectoryEntry(record)) {
            continue;
        }
        const SSecurity security = SecurityFromMaster(record, records.size());
        const SKept& kept = m_kept[nKept++];
        const auto twin = byNumber.find(security.nFileNumber);
        if (twin != byNumber.end() && EqualNoCase(EmasterSymbol(emaster.records[twin->second]), security.strSymbol)) {
            records.push_back(emaster.records[twin->second]); // its long name and field set stay
            used.insert(twin->second);
        } else {
            const auto fields = StandardFields(security.nFieldCount, security.cPeriodicity == 'I');
            records.push_back(SExtendedEntry{security.nFileNumber, security.strSymbol, security.strName,
                                             security.nFieldCount, FieldBits(fields), 0, 0}
                                  .ToEmaster());
            records.back()[kEmasterPeriodicityOffset] = static_cast<std::uint8_t>(security.cPeriodicity);
            WriteInt16(records.back().data() + kEmasterIntervalOffset, static_cast<std::int16_t>(security.nInterval));
            m_changes.push_back(
                emaster.strName + ": the record of file number " + std::to_string(security.nFileNumber) + " (" +
                security.strSymbol + ") made from " + m_files.master.strName +
                (twin != byNumber.end() ? ", replacing one for " + EmasterSymbol(emaster.records[twin->second]) : ""));
            used.insert(twin != byNumber.end() ? twin->second : emaster.records.size());
        }
        EmasterRecord& fixed = records.back();
        const std::int32_t nFirst = kept.nBars > 0 ? kept.nFirstDate : security.nFirstDate;
        const std::int32_t nLast = kept.nBars > 0 ? kept.nLastDate : security.nLastDate;
        WriteFloat(fixed.data() + kEmasterFirstDateOffset, static_cast<float>(nFirst));
        WriteFloat(fixed.data() + kEmasterLastDateOffset, static_cast<float>(nLast));
        WriteInt32(fixed.data() + kEmasterFirstYmdOffset, YmdFromDateValue(nFirst));
    }
    for (std::size_t j = 0; j < emaster.records.size(); ++j) {
        if (used.count(j) == 0) {
            m_changes.push_back(emaster.strName + " record " + std::to_string(j + 1) + ": file number " +
                                std::to_string(emaster.records[j][kEmasterFileNumberOffset]) + " (" +
                                EmasterSymbol(emaster.records[j]) + ") is not in " + m_files.master.strName +
                                "; removed");
        }
    }
    if (emaster.original.size() < kEmasterRecordSize) {
        emaster.header.fill(0);
    }
    emaster.records = std::move(records);
    std::copy_n(m_files.master.header.begin(), 4, emaster.header.begin());
    const std::string bytes = emaster.Bytes();
    if (bytes != emaster.original && m_changes.size() == nLinesBefore) {
        m_changes.push_back(emaster.strName + ": its records set in step with " + m_files.master.strName);
    }
    m_emaster = bytes;
}

// An XMASTER with no records and the folder's serial number: its header is then written
// whole, not mended field by field.
void CFolderRepair::StartXmaster() {
    SXmasterFile& xmaster = m_files.xmaster;
    xmaster.header.fill(0);
    xmaster.records.clear();
    m_bXmasterRebuilt = true;
    std::copy(kXmasterSignature.begin(), kXmasterSignature.end(), xmaster.header.begin());
    std::copy_n(m_files.master.header.begin() + kMasterSerialOffset, 4, xmaster.header.begin() + kXmasterSerialOffset);
}

void CFolderRepair::PlanXmaster() {
    SXmasterFile& xmaster = m_files.xmaster;
    if (!xmaster.bExists) {
        return;
    }
    const bool bUsable = HasXmasterSignature(xmaster) && xmaster.original.size() >= kXmasterRecordSize;
    if (!bUsable) {
        m_changes.push_back(xmaster.strName + ": not an XMASTER; kept as " + CJournal::OldCopyName(xmaster.strName) +
                            " and made anew from the data files that no directory file lists");
        StartXmaster();
    } else if (xmaster.original.size() != kXmasterRecordSize * (xmaster.records.size() + 1)) {
        m_changes.push_back(xmaster.strName + ": the partial record at its end cut");
    }
    std::vector<XmasterRecord> records;
    std::set<int> numbers;
    for (std::size_t i = 0; i < xmaster.records.size(); ++i) {
        XmasterRecord record = xmaster.records[i];
        const SSecurity security = SecurityFromXmaster(record, i);
        const std::string where =
            xmaster.strName + " record " + std::to_string(i + 1) + " (" + security.strSymbol + ")";
        if (security.nFileNumber < CDirectoryFiles::kFirstXmasterNumber ||
            security.nFileNumber > CDirectoryFiles::kLastFileNumber || !numbers.insert(security.nFileNumber).second) {
            m_changes.push_back(where + ": file number " + std::to_string(security.nFileNumber) +
                                " is out of range or listed before; the entry is removed");
            continue;
        }
        auto kept = Inspect(security, where);
        if (!kept) {
            continue;
        }
        if (kept->nBars > 0 && (security.nFirstDate != kept->nFirstDate || security.nLastDate != kept->nLastDate)) {
            WriteInt32(record.data() + kXmasterFirstYmdOffset, YmdFromDateValue(kept->nFirstDate));
            WriteInt32(record.data() + kXmasterLastYmdOffset, YmdFromDateValue(kept->nLastDate));
            m_changes.push_back(where + ": dates " + Range(security.nFirstDate, security.nLastDate) + " set to " +
                                Range(kept->nFirstDate, kept->nLastDate) + " from " + kept->strDataFile);
        }
        records.push_back(record);
    }
    xmaster.records = std::move(records);
}

void CFolderRepair::PlanOrphans() {
    SXmasterFile& xmaster = m_files.xmaster;
    for (int n : CFolderCheck::OrphanMwdNumbers(m_names, m_files)) {
        const std::string name = m_names.Spell(DataFileName(EDirectoryFile::Xmaster, n));
        const auto bytes = ReadWholeFile(m_fs, m_folder / Utf8Path(name), kMaxDataFileBytes);
        if (!bytes) {
            m_strReadError = PathUtf8(m_folder / Utf8Path(name)) + " cannot be read; nothing was changed.";
            return;
        }
        // The field count is the one whose records fill the file as its header counts them
        // and hold real dates in their first field.
        std::vector<int> counts;
        for (int f = 2; bytes && f <= kMaxDataFieldCount; ++f) {
            const std::size_t nSize = 4 * static_cast<std::size_t>(f);
            const int nRecords =
                bytes->size() >= nSize ? ReadUInt16(reinterpret_cast<const std::uint8_t*>(bytes->data()) + 2) : 0;
            const auto dateAt = [&](std::size_t i) {
                return DateValueFromMbf(reinterpret_cast<const std::uint8_t*>(bytes->data()) + i * nSize);
            };
            if (nRecords >= 2 && bytes->size() / nSize == static_cast<std::size_t>(nRecords) &&
                IsDateValue(dateAt(1)) && IsDateValue(dateAt(static_cast<std::size_t>(nRecords) - 1))) {
                counts.push_back(f);
            }
        }
        if (counts.size() != 1) {
            m_changes.push_back(name + ": no directory file lists it, and its fields cannot be told from it; left "
                                       "as it is");
            continue;
        }
        const std::string symbol = "F" + std::to_string(n);
        const auto fields = StandardFields(counts.front());
        SSecurity security;
        security.directory = EDirectoryFile::Xmaster;
        security.nFileNumber = n;
        security.nFieldCount = counts.front();
        auto kept = Inspect(security, name);
        if (!kept) {
            continue;
        }
        const XmasterRecord record =
            SExtendedEntry{n, symbol, symbol, counts.front(), FieldBits(fields), kept->nFirstDate, kept->nLastDate}
                .ToXmaster();
        if (!xmaster.bExists) {
            xmaster.bExists = true;
            xmaster.strName = "XMASTER";
            m_changes.push_back("XMASTER: none was there; made for the data files that no directory file lists");
            StartXmaster();
        }
        const auto at = std::find_if(xmaster.records.begin(), xmaster.records.end(),
                                     [&](const XmasterRecord& r) { return XmasterFileNumber(r) > n; });
        xmaster.records.insert(at, record);
        m_changes.push_back(name + ": no directory file listed it; " + xmaster.strName + " lists it as " + symbol +
                            " (" + std::to_string(counts.front()) + " fields, " + std::to_string(kept->nBars) +
                            " bars)");
    }
    if (!xmaster.bExists) {
        return;
    }
    int nHighest = CDirectoryFiles::kFirstXmasterNumber - 1;
    for (const XmasterRecord& record : xmaster.records) {
        nHighest = std::max(nHighest, XmasterFileNumber(record));
    }
    const int nCount = static_cast<int>(xmaster.records.size());
    const int nNext = ReadUInt16(xmaster.header.data() + kXmasterNextNumberOffset);
    if (nNext <= nHighest || nNext > CDirectoryFiles::kLastFileNumber) {
        if (!m_bXmasterRebuilt) {
            m_changes.push_back(xmaster.strName + ": the next file number " + std::to_string(nNext) + " set to " +
                                std::to_string(nHighest + 1));
        }
        WriteInt16(xmaster.header.data() + kXmasterNextNumberOffset, static_cast<std::int16_t>(nHighest + 1));
    }
    if (!m_bXmasterRebuilt && (ReadInt16(xmaster.header.data() + kXmasterCountOffset) != nCount ||
                               ReadInt16(xmaster.header.data() + kXmasterCountCopyOffset) != nCount)) {
        m_changes.push_back(xmaster.strName + ": the record count set to " + std::to_string(nCount));
    }
    WriteInt16(xmaster.header.data() + kXmasterCountOffset, static_cast<std::int16_t>(nCount));
    WriteInt16(xmaster.header.data() + kXmasterCountCopyOffset, static_cast<std::int16_t>(nCount));
    m_xmaster = xmaster.Bytes();
}

bool CFolderRepair::Apply(std::string& strError) {
    if (!m_pLock) {
        strError = Folder() + ": the folder must be locked before it is repaired.";
        return false;
    }
    // The journal that is not one of this program's holds the name the repair's own journal
    // needs: it goes aside first, and comes back when the repair fails.
    const std::filesystem::path journal = m_folder / CJournal::kFileName;
    const std::filesystem::path aside = m_folder / CJournal::OldCopyName(CJournal::kFileName);
    bool bAside = false;
    if (m_journalProblem) {
        bAside = m_fs.ReplaceFile(journal, aside);
        if (!bAside || !m_fs.SyncDirectory(m_folder)) {
            if (bAside) {
                m_fs.ReplaceFile(aside, journal);
            }
            strError = "Cannot set " + PathUtf8(journal) + " aside; nothing was changed.";
            return false;
        }
    }
    CFolderCommit commit(m_fs, m_folder);
    if (!m_change.Empty() && !commit.Run(m_change, strError, m_warnings)) {
        const SEntryStatus left = m_fs.Status(journal);
        if (bAside && left.kind == EEntryKind::Missing && !left.bLink && m_fs.ReplaceFile(aside, journal)) {
            m_fs.SyncDirectory(m_folder);
        }
        return false;
    }
    m_journalProblem.reset();
    m_change = {};
    return true;
}
