#include "metastock/Database.h"

#include "metastock/FolderCommit.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

namespace {

// No directory file of a real folder comes near this; a larger one is not a directory file.
constexpr std::uint64_t kMaxDirectoryBytes = 64u << 20;
constexpr std::uint64_t kMaxDataFileBytes = 64u << 20; // far above 65,535 records of 32 bytes
constexpr std::size_t kMasterHeaderSize = kMasterRecordSize;
constexpr std::size_t kEmasterHeaderSize = kEmasterRecordSize;
constexpr std::size_t kXmasterHeaderSize = kXmasterRecordSize;
constexpr int kFirstXmasterNumber = 256;
constexpr int kLastFileNumber = 65534; // the XMASTER header keeps the next number in 16 bits
constexpr int kMaxDataFieldCount = 8;  // seven fields and the time
constexpr auto kLockPoll = std::chrono::milliseconds(50);

const std::string kFullMessage =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.";
const std::string kDuplicateMessage = CDatabase::kDuplicateSymbolMessage;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Text cut before its (nSpaces + 1)-th space, as the duplicate check compares symbols.
std::string CutAtSpace(const std::string& text, std::size_t nSpaces) {
    std::size_t nSeen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && nSeen++ == nSpaces) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::int32_t DateValueFromMbf(const std::uint8_t* p) {
    MbfSingle bytes;
    std::copy(p, p + 4, bytes.begin());
    return static_cast<std::int32_t>(std::lround(std::clamp(DecodeMbf(bytes), -1e9f, 1e9f)));
}

std::int32_t DateValueFromFloat(float value) {
    return std::isfinite(value) ? static_cast<std::int32_t>(std::lround(std::clamp(value, -1e9f, 1e9f))) : 0;
}

MbfSingle DateMbf(std::int32_t nDateValue) {
    return EncodeMbf(static_cast<float>(nDateValue));
}

// F<n>.anything, any case: the number n, which no new security may take.
std::optional<int> DataFileNumber(const std::string& name) {
    if (name.size() < 3 || (name[0] != 'F' && name[0] != 'f')) {
        return std::nullopt;
    }
    int n = 0;
    std::size_t i = 1;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        n = std::min(n * 10 + (name[i] - '0'), 1 << 20);
    }
    if (i == 1 || i == name.size() || name[i] != '.') {
        return std::nullopt;
    }
    return n;
}

// A directory file read whole and split into its header and records; problems are damage.
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
        if (!bExists || original.size() < kSize) {
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

// The folder's entries by name, found as the charting software's platform finds them.
class CNameIndex {
public:
    void Assign(std::vector<std::string> names) {
        m_names = std::move(names);
        m_byUpper.clear();
        for (const std::string& name : m_names) {
            m_byUpper[Upper(name)].push_back(name);
        }
    }
    // The spelling on disk: an exact match first, then the smallest that differs only in case.
    std::optional<std::string> Find(const std::string& name) const {
        const auto it = m_byUpper.find(Upper(name));
        if (it == m_byUpper.end()) {
            return std::nullopt;
        }
        if (std::find(it->second.begin(), it->second.end(), name) != it->second.end()) {
            return name;
        }
        return *std::min_element(it->second.begin(), it->second.end());
    }
    std::string Spell(const std::string& name) const { return Find(name).value_or(name); }
    const std::vector<std::string>& Names() const { return m_names; }
    void Add(const std::string& name) {
        if (!Find(name) || *Find(name) != name) {
            m_names.push_back(name);
            m_byUpper[Upper(name)].push_back(name);
        }
    }
    void Remove(const std::string& name) {
        m_names.erase(std::remove(m_names.begin(), m_names.end(), name), m_names.end());
        auto& spellings = m_byUpper[Upper(name)];
        spellings.erase(std::remove(spellings.begin(), spellings.end(), name), spellings.end());
        if (spellings.empty()) {
            m_byUpper.erase(Upper(name));
        }
    }

private:
    std::vector<std::string> m_names;
    std::unordered_map<std::string, std::vector<std::string>> m_byUpper;
};

SSecurity SecurityFromMaster(const MasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.directory = EDirectoryFile::Master;
    security.nRecord = nRecord;
    security.nFileNumber = record[0];
    security.strSymbol = EntrySymbol(record);
    security.strName = EntryNameText(record);
    security.nFieldCount = record[kEntryFieldCountOffset];
    security.cPeriodicity =
        record[kEntryPeriodicityOffset] != 0 ? static_cast<char>(record[kEntryPeriodicityOffset]) : 'D';
    security.nInterval = ReadUInt16(record.data() + kEntryIntervalOffset);
    security.nFirstDate = DateValueFromMbf(record.data() + kEntryFirstDateOffset);
    security.nLastDate = DateValueFromMbf(record.data() + kEntryLastDateOffset);
    return security;
}

std::string EmasterSymbol(const EmasterRecord& record) {
    return TrimRight(FieldText(record.data() + kEmasterSymbolOffset, kEmasterSymbolChars));
}

// The whole name: the long-name field where it holds one, else the 16-character field.
std::string EmasterName(const EmasterRecord& record) {
    if (record[kEmasterLongNameOffset] != 0) {
        return TrimRight(FieldText(record.data() + kEmasterLongNameOffset, kEmasterLongNameChars));
    }
    return TrimRight(FieldText(record.data() + kEmasterNameOffset, kEmasterNameChars));
}

SSecurity SecurityFromEmaster(const EmasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.nRecord = nRecord;
    security.nFileNumber = record[kEmasterFileNumberOffset];
    security.strSymbol = EmasterSymbol(record);
    security.strName = EmasterName(record);
    security.nFieldCount = record[kEmasterFieldCountOffset];
    security.nFieldSet = record[kEmasterFieldSetOffset];
    security.cPeriodicity =
        record[kEmasterPeriodicityOffset] != 0 ? static_cast<char>(record[kEmasterPeriodicityOffset]) : 'D';
    security.nInterval = ReadUInt16(record.data() + kEmasterIntervalOffset);
    security.nFirstDate = DateValueFromFloat(ReadFloat(record.data() + kEmasterFirstDateOffset));
    security.nLastDate = DateValueFromFloat(ReadFloat(record.data() + kEmasterLastDateOffset));
    return security;
}

SSecurity SecurityFromXmaster(const XmasterRecord& record, std::size_t nRecord) {
    SSecurity security;
    security.directory = EDirectoryFile::Xmaster;
    security.nRecord = nRecord;
    security.nFileNumber = ReadUInt16(record.data() + kXmasterFileNumberOffset);
    security.strSymbol = TrimRight(FieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars));
    security.strName = TrimRight(FieldText(record.data() + kXmasterNameOffset, kXmasterNameChars + 1));
    security.nFieldSet = record[kXmasterFieldSetOffset];
    security.nFieldCount = std::popcount(security.nFieldSet);
    security.cPeriodicity =
        record[kXmasterPeriodicityOffset] != 0 ? static_cast<char>(record[kXmasterPeriodicityOffset]) : 'D';
    security.nInterval = ReadUInt16(record.data() + kXmasterIntervalOffset);
    security.nFirstDate = DateValueFromYmd(ReadInt32(record.data() + kXmasterFirstYmdOffset));
    security.nLastDate = DateValueFromYmd(ReadInt32(record.data() + kXmasterLastYmdOffset));
    return security;
}

// The three directory files of one folder, read for the tree search: no damage checks, only
// what the counts list.
struct STreeFolder {
    std::vector<std::string> names;
    SDirectoryFile<kMasterRecordSize> master;
    SDirectoryFile<kEmasterRecordSize> emaster;
    SDirectoryFile<kXmasterRecordSize> xmaster;
};

template <std::size_t kSize>
void ReadForSearch(CFileSystem& fs, const std::filesystem::path& dir, const CNameIndex& index, const char* pszName,
                   SDirectoryFile<kSize>& file) {
    if (const auto name = index.Find(pszName)) {
        if (auto bytes = ReadWholeFile(fs, dir / Utf8Path(*name), kMaxDirectoryBytes)) {
            file.bExists = true;
            file.strName = *name;
            file.original = std::move(*bytes);
            file.Parse();
        }
    }
}

// The bars a data file's header counts, given its first bytes (nHeader of them) and its size;
// nullopt with the reason when it ends inside its header or holds fewer bars than it counts.
std::optional<int> CountedBars(const std::string& pathText, const std::uint8_t* pHeader, std::size_t nHeader,
                               std::uint64_t nSize, std::size_t nRecordSize, std::string& strError) {
    if (nHeader < nRecordSize) {
        strError = pathText + ": the file ends inside its header (" + std::to_string(nHeader) + " of " +
                   std::to_string(nRecordSize) + " bytes).";
        return std::nullopt;
    }
    const int nRecords = ReadUInt16(pHeader + kDataHeaderCountOffset);
    const std::uint64_t nStored = nSize / nRecordSize - 1;
    if (nRecords == 0 || nStored < static_cast<std::uint64_t>(nRecords - 1)) {
        strError = pathText + ": the header counts " + std::to_string(nRecords - 1) + " bars but the file holds " +
                   std::to_string(nStored) + ".";
        return std::nullopt;
    }
    return nRecords - 1;
}

bool ValidText(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string YmdText(std::int32_t nDateValue) {
    return std::to_string(YmdFromDateValue(nDateValue));
}

} // namespace

std::uint8_t FieldSetBits(const FieldFlags& fields) {
    static constexpr std::uint8_t kBits[kFieldCount] = {kFieldBitDate,        kFieldBitOpen,  kFieldBitHigh,
                                                        kFieldBitLow,         kFieldBitClose, kFieldBitVolume,
                                                        kFieldBitOpenInterest};
    std::uint8_t bits = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        bits = static_cast<std::uint8_t>(bits | (fields[static_cast<std::size_t>(i)] ? kBits[i] : 0));
    }
    return bits;
}

std::string DataFileName(EDirectoryFile directory, int nFileNumber) {
    return "F" + std::to_string(nFileNumber) + (directory == EDirectoryFile::Master ? ".DAT" : ".MWD");
}

std::string DopFileName(int nFileNumber) {
    return "F" + std::to_string(nFileNumber) + ".DOP";
}

struct CDatabase::SState {
    CNameIndex names;
    std::set<int> diskNumbers; // n of every F<n>.* on disk
    bool bJournal = false;
    std::vector<std::string> temporaries;
    SDirectoryFile<kMasterRecordSize> master;
    SDirectoryFile<kEmasterRecordSize> emaster;
    SDirectoryFile<kXmasterRecordSize> xmaster;
    std::vector<std::string> damage;
    std::vector<SSecurity> securities;

    // Staged: whole data files in the order staged, data files to remove, MASTER.BAK.
    struct SStagedFile {
        std::string strName;
        std::string bytes;
        bool bNew = false;
    };
    std::vector<SStagedFile> files;
    std::vector<std::string> removals;
    bool bBackup = false;
    std::vector<std::string> warnings;

    SStagedFile* StagedFile(const std::string& name) {
        const auto it = std::find_if(files.begin(), files.end(),
                                     [&](const SStagedFile& file) { return EqualNoCase(file.strName, name); });
        return it == files.end() ? nullptr : &*it;
    }

    void ParseAll() {
        damage = master.Parse();
        const auto emasterProblems = emaster.Parse();
        const auto xmasterProblems = xmaster.Parse();
        damage.insert(damage.end(), emasterProblems.begin(), emasterProblems.end());
        master.CountProblems(0, "entry count", damage);
        emaster.CountProblems(0, "entry count", damage);
        if (master.bExists && emaster.bExists && master.original.size() >= kMasterHeaderSize &&
            emaster.original.size() >= kEmasterHeaderSize &&
            ReadInt16(master.header.data()) != ReadInt16(emaster.header.data())) {
            damage.push_back(emaster.strName + ": its entry count " + std::to_string(ReadInt16(emaster.header.data())) +
                             " is not MASTER's " + std::to_string(ReadInt16(master.header.data())));
        }
        const bool bSigned =
            xmaster.original.size() >= 4 &&
            std::equal(kXmasterSignature.begin(), kXmasterSignature.begin() + 4, xmaster.header.begin());
        if (xmaster.bExists && !bSigned) {
            damage.push_back(xmaster.strName + ": the file does not begin with the XMASTER signature 5D FE 58 4D");
            xmaster.records.clear(); // not an XMASTER: it lists nothing
        } else {
            damage.insert(damage.end(), xmasterProblems.begin(), xmasterProblems.end());
            xmaster.CountProblems(kXmasterCountOffset, "record count", damage);
        }
        files.clear();
        removals.clear();
        bBackup = false;
    }

    // MASTER's entry count, and its highest file number in use (raised to nNumber, never
    // lowered: a removed number stays taken there), as EMASTER's header repeats them.
    void SetMasterCounts(int nDelta, int nNumber = 0) {
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

    void SetXmasterCount(int nDelta) {
        const int n = std::max(ReadInt16(xmaster.header.data() + kXmasterCountOffset) + nDelta, 0);
        WriteInt16(xmaster.header.data() + kXmasterCountOffset, static_cast<std::int16_t>(n));
        WriteInt16(xmaster.header.data() + kXmasterCountCopyOffset, static_cast<std::int16_t>(n));
        xmaster.bChanged = true;
    }

    // The EMASTER record that describes MASTER record i, where the two agree on the number.
    EmasterRecord* Twin(std::size_t i) {
        if (!emaster.bExists || i >= emaster.records.size() ||
            emaster.records[i][kEmasterFileNumberOffset] != master.records[i][0]) {
            return nullptr;
        }
        return &emaster.records[i];
    }

    std::bitset<kLastFileNumber + 2> UsedNumbers() const {
        std::bitset<kLastFileNumber + 2> used;
        used.set(0);
        for (const MasterRecord& record : master.records) {
            used.set(record[0]);
        }
        for (const EmasterRecord& record : emaster.records) {
            used.set(record[kEmasterFileNumberOffset]);
        }
        for (const XmasterRecord& record : xmaster.records) {
            used.set(std::min<int>(ReadUInt16(record.data() + kXmasterFileNumberOffset), kLastFileNumber + 1));
        }
        for (int n : diskNumbers) {
            used.set(static_cast<std::size_t>(std::min(n, kLastFileNumber + 1)));
        }
        return used;
    }

    // Index of the record that security names: nRecord where it matches, else the first
    // record with its number.
    std::optional<std::size_t> Locate(const SSecurity& security) {
        const bool bMaster = security.directory == EDirectoryFile::Master;
        const std::size_t nRecords = bMaster ? master.records.size() : xmaster.records.size();
        const auto numberAt = [&](std::size_t i) {
            return bMaster ? int{master.records[i][0]}
                           : int{ReadUInt16(xmaster.records[i].data() + kXmasterFileNumberOffset)};
        };
        if (security.nRecord < nRecords && numberAt(security.nRecord) == security.nFileNumber &&
            !(bMaster && IsDirectoryEntry(master.records[security.nRecord]))) {
            return security.nRecord;
        }
        for (std::size_t i = 0; i < nRecords; ++i) {
            if (numberAt(i) == security.nFileNumber && !(bMaster && IsDirectoryEntry(master.records[i]))) {
                return i;
            }
        }
        return std::nullopt;
    }
};

CDatabase::CDatabase(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder)
    : m_fs(fs), m_messages(messages), m_folder(std::move(folder)), m_pState(std::make_unique<SState>()) {}

CDatabase::~CDatabase() = default;

bool CDatabase::HasMaster() const {
    return m_pState->master.bExists;
}
bool CDatabase::HasEmaster() const {
    return m_pState->emaster.bExists;
}
bool CDatabase::HasXmaster() const {
    return m_pState->xmaster.bExists;
}
const std::vector<SSecurity>& CDatabase::Securities() const {
    return m_pState->securities;
}
std::string CDatabase::NoSuchSecurity(const SSecurity& security) const {
    return PathUtf8(m_folder) + ": no security with file number " + std::to_string(security.nFileNumber) + ".";
}

std::string CDatabase::DataFileOf(const SSecurity& security) const {
    return security.strDataFile.empty() ? m_pState->names.Spell(DataFileName(security.directory, security.nFileNumber))
                                        : security.strDataFile;
}

bool CDatabase::InterruptedChange() const {
    return m_pState->bJournal;
}

const std::vector<std::string>& CDatabase::Damage() const {
    return m_pState->damage;
}
const std::vector<std::string>& CDatabase::Warnings() const {
    return m_pState->warnings;
}

std::optional<SSecurity> CDatabase::FindSecurity(const std::string& symbol) const {
    for (const SSecurity& security : m_pState->securities) {
        if (EqualNoCase(security.strSymbol, symbol)) {
            return security;
        }
    }
    return std::nullopt;
}

void CDatabase::Rebuild() {
    SState& state = *m_pState;
    state.securities.clear();
    const std::size_t nMaster = state.master.Counted(0);
    for (std::size_t i = 0; i < nMaster; ++i) {
        const MasterRecord& record = state.master.records[i];
        if (IsDirectoryEntry(record)) {
            continue;
        }
        SSecurity security = SecurityFromMaster(record, i);
        if (const EmasterRecord* pTwin = i < state.emaster.Counted(0) ? state.Twin(i) : nullptr) {
            security.nFieldSet = (*pTwin)[kEmasterFieldSetOffset];
            // MASTER holds 16 characters; the twin's long-name field the whole name.
            const std::string name = EmasterName(*pTwin);
            if (name.size() > security.strName.size()) {
                security.strName = name;
            }
        }
        state.securities.push_back(std::move(security));
    }
    // Without MASTER, EMASTER is all that lists the first 255.
    for (std::size_t i = 0; !state.master.bExists && i < state.emaster.Counted(0); ++i) {
        state.securities.push_back(SecurityFromEmaster(state.emaster.records[i], i));
    }
    const std::size_t nXmaster = state.xmaster.Counted(kXmasterCountOffset);
    for (std::size_t i = 0; i < nXmaster; ++i) {
        state.securities.push_back(SecurityFromXmaster(state.xmaster.records[i], i));
    }
    for (SSecurity& security : state.securities) {
        security.strDataFile = state.names.Spell(DataFileName(security.directory, security.nFileNumber));
    }
}

bool CDatabase::LoadFolder(std::string& strError) {
    SState& state = *m_pState;
    const std::string folderText = PathUtf8(m_folder);
    auto listed = m_fs.ListDirectory(m_folder);
    if (!listed) {
        strError = folderText + ": the folder cannot be listed (does it exist?).";
        return false;
    }
    state.names.Assign(std::move(*listed));
    state.diskNumbers.clear();
    state.temporaries.clear();
    state.bJournal = false;
    for (const std::string& name : state.names.Names()) {
        if (const auto n = DataFileNumber(name)) {
            state.diskNumbers.insert(*n);
        }
        if (CFolderCommit::IsTemporaryName(name)) {
            state.temporaries.push_back(name);
        }
        state.bJournal = state.bJournal || name == kJournalName;
    }
    const auto load = [&](auto& file, const char* pszName) {
        file = {};
        const auto name = state.names.Find(pszName);
        file.strName = name.value_or(pszName);
        if (!name) {
            return true;
        }
        auto bytes = ReadWholeFile(m_fs, m_folder / Utf8Path(*name), kMaxDirectoryBytes);
        if (!bytes) {
            strError = PathUtf8(m_folder / Utf8Path(*name)) + " cannot be read.";
            return false;
        }
        file.bExists = true;
        file.original = std::move(*bytes);
        return true;
    };
    if (!load(state.master, "MASTER") || !load(state.emaster, "EMASTER") || !load(state.xmaster, "XMASTER")) {
        return false;
    }
    state.ParseAll();
    Rebuild();
    return true;
}

bool CDatabase::Read(std::string& strError) {
    return LoadFolder(strError);
}

bool CDatabase::RecoverInterruptedChange(std::string& strError) {
    auto listed = m_fs.ListDirectory(m_folder);
    if (!listed) {
        strError = PathUtf8(m_folder) + ": the folder cannot be listed.";
        return false;
    }
    CFolderCommit commit(m_fs, m_folder);
    return commit.Recover(*listed, m_messages, strError);
}

bool CDatabase::LockAndRead(std::string& strError, std::chrono::milliseconds wait) {
    const std::string folderText = PathUtf8(m_folder);
    if (!m_pLock) {
        if (m_fs.Status(m_folder).kind != EEntryKind::Directory) {
            strError = folderText + ": there is no such folder.";
            return false;
        }
        const auto start = std::chrono::steady_clock::now();
        bool bNoticed = false;
        for (;;) {
            ELockResult result = ELockResult::Failed;
            m_pLock = m_fs.TryLock(m_folder / kLockFileName, result);
            if (m_pLock) {
                break;
            }
            if (result != ELockResult::Busy) {
                strError = "Cannot lock " + folderText + ": the lock file " + kLockFileName +
                           " cannot be created there (is the folder read-only?). Nothing was changed.";
                return false;
            }
            const auto waited = std::chrono::steady_clock::now() - start;
            if (waited >= wait) {
                const auto nMs = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
                strError = "Another conversion into " + folderText + " has not finished after " +
                           (nMs % 1000 == 0 ? std::to_string(nMs / 1000) + " seconds"
                                            : std::to_string(nMs) + " milliseconds") +
                           ". Nothing was changed; try again once it has finished.";
                return false;
            }
            if (!bNoticed) {
                m_messages.Notice("Waiting for another conversion into " + folderText + " to finish...");
                bNoticed = true;
            }
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kLockPoll, wait - waited));
        }
    }
    if (!RecoverInterruptedChange(strError) || !LoadFolder(strError)) {
        m_pLock.reset();
        return false;
    }
    return true;
}

bool CDatabase::CheckChangeable(std::string& strError) const {
    if (!m_pLock) {
        strError = PathUtf8(m_folder) + ": the folder must be locked before it is changed.";
        return false;
    }
    if (!m_pState->damage.empty()) {
        strError = PathUtf8(m_folder) + " is damaged, so nothing is added or changed there:";
        for (const std::string& line : m_pState->damage) {
            strError += "\n" + line;
        }
        return false;
    }
    return true;
}

bool CDatabase::CreateNew(std::string& strError) {
    SState& state = *m_pState;
    if (m_pLock && (state.master.bExists || state.emaster.bExists || state.xmaster.bExists)) {
        strError = "New Master chosen but one already exists";
        return false;
    }
    if (!CheckChangeable(strError)) {
        return false;
    }
    state.master.bExists = state.master.bChanged = true;
    state.master.strName = "MASTER";
    state.emaster.bExists = state.emaster.bChanged = true;
    state.emaster.strName = "EMASTER";
    Rebuild();
    return true;
}

std::optional<SSecurity> CDatabase::AddSecurity(const SNewSecurity& newSecurity, std::string& strError) {
    if (!CheckChangeable(strError)) {
        return std::nullopt;
    }
    SState& state = *m_pState;
    const std::string folderText = PathUtf8(m_folder);
    if (!state.master.bExists) {
        strError = "Path specified does not point to a Master file";
        return std::nullopt;
    }
    const int nFieldCount = static_cast<int>(std::count(newSecurity.fields.begin(), newSecurity.fields.end(), true));
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(nFieldCount);
    if (newSecurity.strSymbol.empty() || newSecurity.strSymbol.size() > kEmasterSymbolChars ||
        !ValidText(newSecurity.strSymbol)) {
        strError = "The symbol \"" + newSecurity.strSymbol +
                   "\" must have 1 to 14 characters, none of them a control character.";
        return std::nullopt;
    }
    if (newSecurity.strName.size() > kXmasterNameChars || !ValidText(newSecurity.strName)) {
        strError = "The name of " + newSecurity.strSymbol +
                   " must have at most 44 characters, none of them a control character.";
        return std::nullopt;
    }
    if (!newSecurity.fields[kFieldDate] || !newSecurity.fields[kFieldClose] || newSecurity.nBarCount < 0 ||
        newSecurity.nBarCount > kMaxBarsPerFile ||
        newSecurity.records.size() != nRecordSize * static_cast<std::size_t>(newSecurity.nBarCount)) {
        strError = "The bars of " + newSecurity.strSymbol +
                   " are not whole records of their fields (Date and Close among them, at most 65,534 bars).";
        return std::nullopt;
    }
    if (FindSecurity(newSecurity.strSymbol)) {
        strError = kDuplicateMessage;
        return std::nullopt;
    }
    const std::size_t nTotal = state.securities.size();
    if (nTotal >= static_cast<std::size_t>(kMaxSecurities)) {
        strError = folderText + " cannot take " + newSecurity.strSymbol +
                   ": the folder would then hold more than 6,000 securities, the most one folder can hold. Choose "
                   "a different or new folder.";
        return std::nullopt;
    }

    const auto used = state.UsedNumbers();
    int nNumber = 1;
    while (nNumber <= kMaxMasterSecurities && used.test(static_cast<std::size_t>(nNumber))) {
        ++nNumber;
    }
    // Bytes 2-3 of MASTER hold the highest number in use, not a count: a folder whose numbers
    // have gaps is full only when it lists 255 securities or no number is left.
    const bool bMasterFull =
        ReadInt16(state.master.header.data()) >= kMaxMasterSecurities || nNumber > kMaxMasterSecurities;
    SExtendedEntry entry;
    entry.strSymbol = newSecurity.strSymbol;
    entry.strName = newSecurity.strName;
    entry.nFieldCount = nFieldCount;
    entry.nFieldSet = FieldSetBits(newSecurity.fields);
    entry.nFirstDate = newSecurity.nFirstDate;
    entry.nLastDate = newSecurity.nLastDate;

    EDirectoryFile directory = EDirectoryFile::Master;
    if (!bMasterFull) {
        SSecurityEntry masterEntry;
        masterEntry.nFileNumber = static_cast<std::uint8_t>(nNumber);
        masterEntry.nRecordLength = static_cast<std::uint8_t>(nRecordSize);
        masterEntry.nFieldCount = static_cast<std::uint8_t>(nFieldCount);
        masterEntry.strName = newSecurity.strName.substr(0, kEntryTextChars);
        masterEntry.strSymbol = newSecurity.strSymbol;
        masterEntry.firstDate = DateMbf(newSecurity.nFirstDate);
        masterEntry.lastDate = DateMbf(newSecurity.nLastDate);
        state.master.records.push_back(masterEntry.ToBytes());
        if (state.emaster.bExists) {
            entry.nFileNumber = nNumber;
            state.emaster.records.push_back(entry.ToEmaster());
        }
        state.SetMasterCounts(+1, nNumber);
    } else if (state.emaster.bExists) {
        directory = EDirectoryFile::Xmaster;
        if (state.xmaster.bExists) {
            nNumber =
                std::max<int>(ReadUInt16(state.xmaster.header.data() + kXmasterNextNumberOffset), kFirstXmasterNumber);
        } else {
            // A new XMASTER starts above every F<n> on disk that an XMASTER number could be.
            const auto highest = state.diskNumbers.upper_bound(kLastFileNumber);
            nNumber = std::max(highest == state.diskNumbers.begin() ? 0 : *std::prev(highest) + 1, kFirstXmasterNumber);
        }
        while (nNumber <= kLastFileNumber && used.test(static_cast<std::size_t>(nNumber))) {
            ++nNumber;
        }
        if (nNumber > kLastFileNumber) {
            strError = folderText + ": XMASTER has no file number left for a new security.";
            return std::nullopt;
        }
        if (!state.xmaster.bExists) {
            state.xmaster.bExists = true;
            state.xmaster.header.fill(0);
            std::copy(kXmasterSignature.begin(), kXmasterSignature.end(), state.xmaster.header.begin());
            std::copy_n(state.master.header.begin() + kMasterSerialOffset, 4,
                        state.xmaster.header.begin() + kXmasterSerialOffset);
        }
        entry.nFileNumber = nNumber;
        const auto at =
            std::find_if(state.xmaster.records.begin(), state.xmaster.records.end(), [&](const XmasterRecord& r) {
                return ReadUInt16(r.data() + kXmasterFileNumberOffset) > nNumber;
            });
        state.xmaster.records.insert(at, entry.ToXmaster());
        state.SetXmasterCount(+1);
        WriteInt16(state.xmaster.header.data() + kXmasterNextNumberOffset, static_cast<std::int16_t>(nNumber + 1));
    } else {
        strError = kFullMessage + "\n\nThis folder has no EMASTER file, so it cannot hold more than 255 securities.";
        return std::nullopt;
    }

    std::string data;
    data.reserve(nRecordSize * (static_cast<std::size_t>(newSecurity.nBarCount) + 1));
    std::vector<std::uint8_t> header = MakeDataHeader(nFieldCount);
    WriteInt16(header.data() + kDataHeaderCountOffset, static_cast<std::int16_t>(newSecurity.nBarCount + 1));
    data.append(header.begin(), header.end());
    data.append(newSecurity.records.begin(), newSecurity.records.end());
    state.files.push_back({DataFileName(directory, nNumber), std::move(data), true});
    if (directory == EDirectoryFile::Master) {
        state.files.push_back({DopFileName(nNumber), MakeDopText(newSecurity.fields), true});
    }
    Rebuild();
    for (const SSecurity& security : state.securities) {
        if (security.directory == directory && security.nFileNumber == nNumber) {
            return security;
        }
    }
    return std::nullopt;
}

bool CDatabase::AppendBars(const SSecurity& security, const std::vector<std::uint8_t>& records, std::int32_t nBarCount,
                           std::int32_t nLastDate, std::string& strError) {
    if (!CheckChangeable(strError)) {
        return false;
    }
    SState& state = *m_pState;
    const auto index = state.Locate(security);
    if (!index) {
        strError = NoSuchSecurity(security);
        return false;
    }
    const bool bMaster = security.directory == EDirectoryFile::Master;
    const SSecurity current = bMaster ? SecurityFromMaster(state.master.records[*index], *index)
                                      : SecurityFromXmaster(state.xmaster.records[*index], *index);
    const std::string name = state.names.Spell(DataFileName(security.directory, security.nFileNumber));
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(current.nFieldCount);
    if (current.cPeriodicity != 'D' || current.nFieldCount < 2 || current.nFieldCount > kFieldCount ||
        (bMaster && state.master.records[*index][kEntryRecordLengthOffset] != nRecordSize)) {
        strError = pathText + ": new bars can be added only to a daily security of 2 to 7 fields.";
        return false;
    }
    if (nBarCount <= 0 || records.size() != nRecordSize * static_cast<std::size_t>(nBarCount)) {
        strError = pathText + ": the new bars are not " + std::to_string(nBarCount) + " whole records of " +
                   std::to_string(nRecordSize) + " bytes.";
        return false;
    }
    std::string bytes;
    if (const SState::SStagedFile* pStaged = state.StagedFile(name)) {
        bytes = pStaged->bytes;
    } else if (auto read = ReadWholeFile(m_fs, m_folder / Utf8Path(name), kMaxDirectoryBytes)) {
        bytes = std::move(*read);
    } else {
        strError = pathText + " cannot be read.";
        return false;
    }
    const std::size_t nStored = bytes.size() / nRecordSize;
    const int nCounted = bytes.size() >= nRecordSize
                             ? ReadUInt16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + kDataHeaderCountOffset)
                             : 0;
    if (bytes.size() % nRecordSize != 0 || nStored == 0 || static_cast<std::size_t>(nCounted) != nStored) {
        strError = pathText + ": its header counts " + std::to_string(nCounted) + " records but the file holds " +
                   std::to_string(bytes.size()) + " bytes; new bars are added only to a sound data file.";
        return false;
    }
    // The new bars must follow the last one the file holds (or this change has staged).
    const std::int32_t nFirstNew = DateValueFromMbf(records.data());
    if (nCounted > 1) {
        const std::int32_t nLastHeld = DateValueFromMbf(
            reinterpret_cast<const std::uint8_t*>(bytes.data()) + (static_cast<std::size_t>(nCounted) - 1) * nRecordSize);
        if (nFirstNew <= nLastHeld) {
            strError = pathText + ": the new bars begin on " + YmdText(nFirstNew) + ", not after its last bar of " +
                       YmdText(nLastHeld) + ".";
            return false;
        }
    }
    const int nTotal = nCounted - 1 + nBarCount;
    if (nTotal > kMaxBarsPerFile) {
        strError = pathText + ": " + std::to_string(nTotal) + " bars in all; a data file holds at most 65,534.";
        return false;
    }
    bytes.append(records.begin(), records.end());
    WriteInt16(reinterpret_cast<std::uint8_t*>(bytes.data()) + kDataHeaderCountOffset,
               static_cast<std::int16_t>(nTotal + 1));
    const bool bFirstBars = nCounted == 1;
    const std::int32_t nFirstDate = nFirstNew;

    if (SState::SStagedFile* pStaged = state.StagedFile(name)) {
        pStaged->bytes = std::move(bytes);
    } else {
        state.files.push_back({name, std::move(bytes), false});
    }
    if (bMaster) {
        MasterRecord& record = state.master.records[*index];
        const MbfSingle last = DateMbf(nLastDate);
        std::copy(last.begin(), last.end(), record.begin() + kEntryLastDateOffset);
        if (bFirstBars) {
            const MbfSingle first = DateMbf(nFirstDate);
            std::copy(first.begin(), first.end(), record.begin() + kEntryFirstDateOffset);
        }
        state.master.bChanged = true;
        if (EmasterRecord* pTwin = state.Twin(*index)) {
            WriteFloat(pTwin->data() + kEmasterLastDateOffset, static_cast<float>(nLastDate));
            if (bFirstBars) {
                WriteFloat(pTwin->data() + kEmasterFirstDateOffset, static_cast<float>(nFirstDate));
                WriteInt32(pTwin->data() + kEmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
            }
            state.emaster.bChanged = true;
        }
    } else {
        XmasterRecord& record = state.xmaster.records[*index];
        WriteInt32(record.data() + kXmasterLastYmdOffset, YmdFromDateValue(nLastDate));
        if (bFirstBars) {
            WriteInt32(record.data() + kXmasterFirstYmdOffset, YmdFromDateValue(nFirstDate));
        }
        state.xmaster.bChanged = true;
    }
    Rebuild();
    return true;
}

bool CDatabase::DeleteSecurity(const SSecurity& security, std::string& strError) {
    if (!CheckChangeable(strError)) {
        return false;
    }
    SState& state = *m_pState;
    const auto index = state.Locate(security);
    if (!index) {
        strError = NoSuchSecurity(security);
        return false;
    }
    std::vector<std::string> dataFiles;
    bool bShared = false; // another record lists the same number: its data files stay
    if (security.directory == EDirectoryFile::Master) {
        state.master.records.erase(state.master.records.begin() + static_cast<std::ptrdiff_t>(*index));
        if (state.emaster.bExists && *index < state.emaster.records.size()) {
            state.emaster.records.erase(state.emaster.records.begin() + static_cast<std::ptrdiff_t>(*index));
        }
        state.SetMasterCounts(-1);
        bShared = std::any_of(state.master.records.begin(), state.master.records.end(),
                              [&](const MasterRecord& r) { return r[0] == security.nFileNumber; });
        dataFiles = {DataFileName(EDirectoryFile::Master, security.nFileNumber), DopFileName(security.nFileNumber)};
    } else {
        state.xmaster.records.erase(state.xmaster.records.begin() + static_cast<std::ptrdiff_t>(*index));
        state.SetXmasterCount(-1);
        bShared = std::any_of(state.xmaster.records.begin(), state.xmaster.records.end(), [&](const XmasterRecord& r) {
            return ReadUInt16(r.data() + kXmasterFileNumberOffset) == security.nFileNumber;
        });
        dataFiles = {DataFileName(EDirectoryFile::Xmaster, security.nFileNumber)};
    }
    for (const std::string& name : bShared ? std::vector<std::string>{} : dataFiles) {
        const bool bStagedNew = [&] {
            SState::SStagedFile* pStaged = state.StagedFile(name);
            const bool bNew = pStaged != nullptr && pStaged->bNew;
            if (pStaged != nullptr) {
                state.files.erase(state.files.begin() + (pStaged - state.files.data()));
            }
            return bNew;
        }();
        const auto onDisk = state.names.Find(name);
        if (!bStagedNew && onDisk) {
            state.removals.push_back(*onDisk);
        }
    }
    Rebuild();
    return true;
}

bool CDatabase::RenameSecurity(const SSecurity& security, const std::string& strNewSymbol,
                               const std::optional<std::string>& newName, std::string& strError) {
    if (!CheckChangeable(strError)) {
        return false;
    }
    SState& state = *m_pState;
    if (strNewSymbol.empty() || strNewSymbol.size() > kEmasterSymbolChars || !ValidText(strNewSymbol)) {
        strError =
            "The symbol \"" + strNewSymbol + "\" must have 1 to 14 characters, none of them a control character.";
        return false;
    }
    if (newName && (newName->size() > kXmasterNameChars || !ValidText(*newName))) {
        strError =
            "The name of " + strNewSymbol + " must have at most 44 characters, none of them a control character.";
        return false;
    }
    const auto index = state.Locate(security);
    if (!index) {
        strError = NoSuchSecurity(security);
        return false;
    }
    if (const auto other = FindSecurity(strNewSymbol);
        other && !(other->directory == security.directory && other->nRecord == *index)) {
        strError = kDuplicateMessage;
        return false;
    }
    // As for a new security, the symbol must not be a symbol or name of the folders below.
    if (const auto other = CSecurityTree(m_fs, m_folder).Find(strNewSymbol);
        other && !(m_fs.FileId(other->folder) == m_fs.FileId(m_folder) && other->security.nFileNumber == security.nFileNumber)) {
        strError = kDuplicateMessage;
        return false;
    }
    if (security.directory == EDirectoryFile::Master) {
        MasterRecord& record = state.master.records[*index];
        const auto symbol = PadEntryText(strNewSymbol);
        std::copy_n(symbol.begin(), kEntryShortSymbolChars, record.begin() + kEntrySymbolOffset);
        // A long symbol of an earlier version ran on over bytes 50 and 51.
        if (record[kEntrySymbolOffset + kEntryShortSymbolChars] != ' ') {
            record[kEntrySymbolOffset + kEntryShortSymbolChars] = ' ';
            record[kEntrySymbolOffset + kEntryShortSymbolChars + 1] = ' ';
        }
        if (newName) {
            const auto name = PadEntryText(*newName);
            std::copy(name.begin(), name.end(), record.begin() + kEntryNameOffset);
        }
        state.master.bChanged = true;
        if (EmasterRecord* pTwin = state.Twin(*index)) {
            PutFieldText(pTwin->data() + kEmasterSymbolOffset, kEmasterSymbolChars, strNewSymbol);
            if (newName) {
                PutFieldText(pTwin->data() + kEmasterNameOffset, kEmasterNameChars, *newName);
                PutFieldText(pTwin->data() + kEmasterLongNameOffset, kEmasterLongNameChars + 1,
                             newName->size() > kEmasterNameChars ? *newName : std::string());
            }
            state.emaster.bChanged = true;
        }
    } else {
        XmasterRecord& record = state.xmaster.records[*index];
        PutFieldText(record.data() + kXmasterSymbolOffset, kXmasterSymbolChars + 1, strNewSymbol);
        if (newName) {
            PutFieldText(record.data() + kXmasterNameOffset, kXmasterNameChars + 1, *newName);
        }
        state.xmaster.bChanged = true;
    }
    Rebuild();
    return true;
}

void CDatabase::KeepMasterBackup() {
    m_pState->bBackup = true;
}

bool CDatabase::Commit(std::string& strError) {
    SState& state = *m_pState;
    state.warnings.clear();
    if (!m_pLock) {
        strError = PathUtf8(m_folder) + ": the folder must be locked before it is changed.";
        return false;
    }
    std::vector<SFileWrite> writes;
    for (SState::SStagedFile& file : state.files) {
        writes.push_back({file.strName, std::move(file.bytes), file.bNew, false});
    }
    if (state.bBackup && !state.master.original.empty()) {
        writes.push_back({state.names.Spell("MASTER.BAK"), state.master.original, false, true});
    }
    const auto addDirectory = [&](auto& file) {
        if (file.bChanged) {
            writes.push_back({file.strName, file.Bytes(), file.original.empty(), false});
        }
    };
    addDirectory(state.xmaster);
    addDirectory(state.emaster);
    addDirectory(state.master);
    const std::vector<std::string> removals = state.removals;

    CFolderCommit commit(m_fs, m_folder);
    const bool bDone = commit.Run(writes, removals, strError, state.warnings);
    const auto settle = [bDone](auto& file) {
        if (bDone && file.bChanged) {
            file.original = file.Bytes();
        }
        // After a failure the folder is as it was, and so is this object.
        file.bExists = !file.original.empty();
        file.bChanged = false;
    };
    settle(state.master);
    settle(state.emaster);
    settle(state.xmaster);
    if (bDone) {
        for (const SFileWrite& write : writes) {
            state.names.Add(write.strTarget);
            if (const auto n = DataFileNumber(write.strTarget)) {
                state.diskNumbers.insert(*n);
            }
        }
        for (const std::string& name : removals) {
            state.names.Remove(name);
            const auto n = DataFileNumber(name);
            const bool bOthers = std::any_of(state.names.Names().begin(), state.names.Names().end(),
                                             [&](const std::string& other) { return DataFileNumber(other) == n; });
            if (n && !bOthers) {
                state.diskNumbers.erase(*n);
            }
        }
    }
    state.ParseAll();
    Rebuild();
    return bDone;
}

std::optional<int> CDatabase::BarCount(const SSecurity& security, std::string& strError) {
    const std::string name = DataFileOf(security);
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    if (security.nFieldCount < 2 || security.nFieldCount > kMaxDataFieldCount) {
        strError = pathText + ": the directory gives " + std::to_string(security.nFieldCount) +
                   " fields, not 2 to 8; its records cannot be read.";
        return std::nullopt;
    }
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(security.nFieldCount);
    std::vector<std::uint8_t> header(nRecordSize);
    std::uint64_t nSize = 0;
    std::ptrdiff_t nHeader = 0;
    if (const SState::SStagedFile* pStaged = m_pState->StagedFile(name)) {
        nSize = pStaged->bytes.size();
        nHeader = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(nSize, nRecordSize));
        std::copy_n(pStaged->bytes.begin(), nHeader, header.begin());
    } else {
        auto pFile = m_fs.Open(m_folder / Utf8Path(name), EOpenMode::Read);
        const auto size = pFile ? pFile->Size() : std::nullopt;
        nHeader = size ? ReadUpTo(*pFile, header.data(), header.size()) : -1;
        if (nHeader < 0) {
            strError = pathText + ": the data file cannot be opened or read.";
            return std::nullopt;
        }
        nSize = *size;
    }
    return CountedBars(pathText, header.data(), static_cast<std::size_t>(nHeader), nSize, nRecordSize, strError);
}

std::optional<SSecurityBars> CDatabase::ReadBars(const SSecurity& security, std::string& strError) {
    const std::string name = DataFileOf(security);
    const std::filesystem::path path = m_folder / Utf8Path(name);
    const std::string pathText = PathUtf8(path);
    if (security.nFieldCount < 2 || security.nFieldCount > kMaxDataFieldCount) {
        strError = pathText + ": the directory gives " + std::to_string(security.nFieldCount) +
                   " fields, not 2 to 8; its records cannot be read.";
        return std::nullopt;
    }
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(security.nFieldCount);
    // What the change staged for the file, else the file on disk: a second file of new bars for
    // the same security in one batch must see the first one's bars.
    std::string bytes;
    if (const SState::SStagedFile* pStaged = m_pState->StagedFile(name)) {
        bytes = pStaged->bytes;
    } else if (auto read = ReadWholeFile(m_fs, path, kMaxDataFileBytes)) {
        bytes = std::move(*read);
    } else {
        strError = pathText + ": the data file cannot be opened or read.";
        return std::nullopt;
    }
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto nCounted = CountedBars(pathText, pBytes, bytes.size(), bytes.size(), nRecordSize, strError);
    if (!nCounted) {
        return std::nullopt;
    }
    const int nRecords = *nCounted + 1;
    const std::uint64_t nStored = bytes.size() / nRecordSize - 1;
    SSecurityBars bars;
    const bool bIntraday = security.cPeriodicity == 'I';
    std::string strDopProblem = "no field description";
    if (const auto dop = m_pState->names.Find(DopFileName(security.nFileNumber))) {
        constexpr std::uint64_t kMaxDopBytes = 4096;
        const auto text = ReadWholeFile(m_fs, m_folder / Utf8Path(*dop), kMaxDopBytes);
        auto fields = text ? ParseDopText(*text, security.nFieldCount) : std::nullopt;
        if (fields) {
            bars.fields = std::move(*fields);
        } else {
            bars.warnings.push_back(PathUtf8(m_folder / Utf8Path(*dop)) + ": it does not name " +
                                    std::to_string(security.nFieldCount) + " distinct known fields; it is not used.");
        }
    }
    if (bars.fields.empty()) {
        auto fields = FieldsFromSet(security.nFieldSet);
        bars.fields = static_cast<int>(fields.size()) == security.nFieldCount
                          ? std::move(fields)
                          : StandardFields(security.nFieldCount, bIntraday);
    }
    if (bars.fields.empty()) {
        strError = pathText + ": no field layout is known for " + std::to_string(security.nFieldCount) + " fields.";
        return std::nullopt;
    }
    bars.bTime = std::find(bars.fields.begin(), bars.fields.end(), kFieldTime) != bars.fields.end();
    if (nStored > static_cast<std::uint64_t>(nRecords - 1)) {
        bars.warnings.push_back(pathText + ": the file holds " + std::to_string(nStored) +
                                " bars but its header counts " + std::to_string(nRecords - 1) +
                                "; only the counted bars are read.");
    }
    const std::uint8_t* pData = pBytes + nRecordSize;
    bars.bars.resize(static_cast<std::size_t>(nRecords - 1));
    for (std::size_t i = 0; i < bars.bars.size(); ++i) {
        SBarValues& bar = bars.bars[i];
        for (std::size_t f = 0; f < bars.fields.size(); ++f) {
            const std::uint8_t* p = pData + i * nRecordSize + 4 * f;
            const int field = bars.fields[f];
            if (field == kFieldDate) {
                bar.nDate = DateValueFromMbf(p);
            } else if (field == kFieldTime) {
                bar.nTime = DateValueFromMbf(p);
            } else {
                MbfSingle bytes;
                std::copy(p, p + 4, bytes.begin());
                bar.values[static_cast<std::size_t>(field)] = DecodeMbf(bytes);
            }
        }
    }
    return bars;
}

std::vector<std::string> CDatabase::Check() {
    SState& state = *m_pState;
    std::vector<std::string> lines = state.damage;
    if (state.bJournal) {
        lines.push_back(std::string(kJournalName) +
                        ": a change was interrupted; the next change of this folder completes it");
    }
    for (const std::string& name : state.temporaries) {
        lines.push_back(name +
                        ": a temporary file of an interrupted change; the next change of this folder removes it");
    }
    const auto where = [](const SSecurity& security) {
        return std::string(security.directory == EDirectoryFile::Master ? "MASTER" : "XMASTER") + " record " +
               std::to_string(security.nRecord + 1) + " (" + security.strSymbol + ")";
    };
    std::map<int, std::vector<const SSecurity*>> byNumber;
    for (const SSecurity& security : state.securities) {
        byNumber[security.nFileNumber].push_back(&security);
    }
    for (const auto& [nNumber, listed] : byNumber) {
        if (listed.size() > 1) {
            std::string line =
                "file number " + std::to_string(nNumber) + " is listed " + std::to_string(listed.size()) + " times:";
            for (const SSecurity* pSecurity : listed) {
                line += " " + where(*pSecurity) + (pSecurity == listed.back() ? "" : ",");
            }
            lines.push_back(line);
        }
    }
    const std::size_t nTwins = std::min(state.master.Counted(0), state.emaster.Counted(0));
    for (std::size_t i = 0; i < nTwins; ++i) {
        const MasterRecord& record = state.master.records[i];
        if (IsDirectoryEntry(record)) {
            continue;
        }
        const SSecurity fromMaster = SecurityFromMaster(record, i);
        const SSecurity fromEmaster = SecurityFromEmaster(state.emaster.records[i], i);
        const std::string prefix = state.emaster.strName + " record " + std::to_string(i + 1) + ": ";
        if (fromEmaster.nFileNumber != fromMaster.nFileNumber) {
            lines.push_back(prefix + "file number " + std::to_string(fromEmaster.nFileNumber) + " where MASTER has " +
                            std::to_string(fromMaster.nFileNumber));
            continue;
        }
        if (!EqualNoCase(fromEmaster.strSymbol, fromMaster.strSymbol)) {
            lines.push_back(prefix + "symbol " + fromEmaster.strSymbol + " where MASTER has " + fromMaster.strSymbol);
        }
        if (fromEmaster.nFirstDate != fromMaster.nFirstDate || fromEmaster.nLastDate != fromMaster.nLastDate) {
            lines.push_back(prefix + "dates " + YmdText(fromEmaster.nFirstDate) + "-" + YmdText(fromEmaster.nLastDate) +
                            " where MASTER has " + YmdText(fromMaster.nFirstDate) + "-" +
                            YmdText(fromMaster.nLastDate));
        }
    }
    if (state.xmaster.bExists && !state.xmaster.records.empty()) {
        int nHighest = 0;
        for (const XmasterRecord& record : state.xmaster.records) {
            nHighest = std::max<int>(nHighest, ReadUInt16(record.data() + kXmasterFileNumberOffset));
        }
        const int nNext = ReadUInt16(state.xmaster.header.data() + kXmasterNextNumberOffset);
        if (nNext <= nHighest) {
            lines.push_back(state.xmaster.strName + ": the next file number " + std::to_string(nNext) +
                            " is not above the highest in use, " + std::to_string(nHighest));
        }
    }
    for (const SSecurity& security : state.securities) {
        const std::string& name = security.strDataFile;
        const std::string prefix = name + " (" + where(security) + "): ";
        if (!state.names.Find(name)) {
            lines.push_back(prefix + "missing");
            continue;
        }
        if (security.nFieldCount < 2 || security.nFieldCount > kMaxDataFieldCount) {
            lines.push_back(prefix + "the directory gives " + std::to_string(security.nFieldCount) +
                            " fields, not 2 to 8");
            continue;
        }
        const std::size_t nRecordSize = 4 * static_cast<std::size_t>(security.nFieldCount);
        if (security.directory == EDirectoryFile::Master && state.master.bExists &&
            state.master.records[security.nRecord][kEntryRecordLengthOffset] != nRecordSize) {
            lines.push_back(prefix + "the record length is not 4 bytes for each of its " +
                            std::to_string(security.nFieldCount) + " fields");
            continue;
        }
        auto pFile = m_fs.Open(m_folder / Utf8Path(name), EOpenMode::Read);
        const std::uint64_t nSize = pFile ? pFile->Size().value_or(0) : 0;
        std::vector<std::uint8_t> record(nRecordSize);
        if (!pFile || ReadUpTo(*pFile, record.data(), nRecordSize) != static_cast<std::ptrdiff_t>(nRecordSize)) {
            lines.push_back(prefix + (pFile ? "the file ends inside its header" : "cannot be read"));
            continue;
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
            continue;
        }
        std::int32_t nDates[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const std::uint64_t nAt = k == 0 ? 1 : static_cast<std::uint64_t>(nCounted - 1);
            if (!pFile->Seek(nAt * nRecordSize) || ReadUpTo(*pFile, record.data(), 4) != 4) {
                lines.push_back(prefix + "cannot be read");
                break;
            }
            nDates[k] = DateValueFromMbf(record.data());
        }
        const char* pszDirectory = security.directory == EDirectoryFile::Master ? "MASTER" : "XMASTER";
        if (nDates[0] != security.nFirstDate) {
            lines.push_back(prefix + "the first bar is dated " + YmdText(nDates[0]) + " but " + pszDirectory +
                            " says " + YmdText(security.nFirstDate));
        }
        if (nDates[1] != security.nLastDate) {
            lines.push_back(prefix + "the last bar is dated " + YmdText(nDates[1]) + " but " + pszDirectory + " says " +
                            YmdText(security.nLastDate));
        }
    }
    return lines;
}

CSecurityTree::CSecurityTree(CFileSystem& fs, const std::filesystem::path& folder) {
    struct SLevel {
        std::vector<std::filesystem::path> subdirs;
        std::size_t nNext = 0;
    };
    std::set<std::pair<std::uint64_t, std::uint64_t>> visited;
    std::vector<SLevel> stack;
    // A folder's own securities first, then its subfolders in the order of their entries, each
    // read whole before the next; every folder once, however many entries lead to it.
    const auto enter = [&](const std::filesystem::path& dir) {
        const auto id = fs.FileId(dir);
        if (!id || !visited.insert({id->nVolume, id->nIndex}).second) {
            return;
        }
        STreeFolder tree;
        CNameIndex index;
        if (auto names = fs.ListDirectory(dir)) {
            index.Assign(std::move(*names));
        }
        ReadForSearch(fs, dir, index, "MASTER", tree.master);
        ReadForSearch(fs, dir, index, "EMASTER", tree.emaster);
        ReadForSearch(fs, dir, index, "XMASTER", tree.xmaster);
        const std::size_t nFolder = m_folders.size();
        m_folders.push_back(dir);
        SLevel level;
        std::set<std::string> seenNames;
        const std::size_t nMaster = tree.master.Counted(0);
        for (std::size_t i = 0; i < nMaster; ++i) {
            const MasterRecord& record = tree.master.records[i];
            if (IsDirectoryEntry(record)) {
                const std::string name = DirectoryEntryName(record);
                const bool bPlain = !name.empty() && name != "." && name != ".." &&
                                    name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
                if (bPlain && seenNames.insert(Upper(name)).second) {
                    level.subdirs.push_back(dir / Utf8Path(index.Spell(name)));
                }
            } else {
                m_entries.push_back({EntrySymbolText(record, std::string::npos), EntryNameText(record),
                                     SecurityFromMaster(record, i), nFolder});
            }
        }
        const std::size_t nEmaster = tree.emaster.Counted(0);
        for (std::size_t i = 0; i < nEmaster; ++i) {
            const EmasterRecord& record = tree.emaster.records[i];
            m_entries.push_back({FieldText(record.data() + kEmasterSymbolOffset, kEmasterSymbolChars),
                                 EmasterName(record), SecurityFromEmaster(record, i), nFolder});
        }
        const bool bSigned =
            tree.xmaster.original.size() >= kXmasterHeaderSize &&
            std::equal(kXmasterSignature.begin(), kXmasterSignature.begin() + 4, tree.xmaster.header.begin());
        const std::size_t nXmaster = bSigned ? tree.xmaster.Counted(kXmasterCountOffset) : 0;
        for (std::size_t i = 0; i < nXmaster; ++i) {
            SSecurity security = SecurityFromXmaster(tree.xmaster.records[i], i);
            std::string nameText = security.strName;
            m_entries.push_back({FieldText(tree.xmaster.records[i].data() + kXmasterSymbolOffset, kXmasterSymbolChars),
                                 std::move(nameText), std::move(security), nFolder});
        }
        stack.push_back(std::move(level));
    };
    enter(folder);
    while (!stack.empty()) {
        SLevel& level = stack.back();
        if (level.nNext == level.subdirs.size()) {
            stack.pop_back();
            continue;
        }
        const std::filesystem::path dir = level.subdirs[level.nNext++];
        enter(dir);
    }
}

std::optional<SFoundSecurity> CSecurityTree::Find(const std::string& symbol) const {
    // A sought symbol with k spaces is compared with a stored symbol cut before its (k + 1)-th
    // space, and with the name as well.
    const std::size_t nSpaces = static_cast<std::size_t>(std::count(symbol.begin(), symbol.end(), ' '));
    for (const SEntry& entry : m_entries) {
        if (EqualNoCase(symbol, entry.strNameText) || EqualNoCase(symbol, CutAtSpace(entry.strSymbolText, nSpaces))) {
            return SFoundSecurity{entry.security, m_folders[entry.nFolder]};
        }
    }
    return std::nullopt;
}

std::optional<SFoundSecurity> FindSecurityInTree(CFileSystem& fs, const std::filesystem::path& folder,
                                                 const std::string& symbol) {
    return CSecurityTree(fs, folder).Find(symbol);
}
