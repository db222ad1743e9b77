#include "metastock/Database.h"

#include "metastock/DataFile.h"
#include "metastock/DirectoryFiles.h"
#include "metastock/FolderCheck.h"
#include "metastock/FolderCommit.h"
#include "metastock/FolderLock.h"
#include "metastock/NameIndex.h"
#include "metastock/StagedFiles.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kMaxJournalBytes = 64u << 20;
constexpr std::uint64_t kMaxDopBytes = 4096;

const std::string kFullMessage =
    "This portfolio already has the\nmaximum number of symbols (255).\nChoose a different or new portfolio.";
const std::string kRepairHint = "Repair the folder first (pelmar-cli repair).";

bool ValidText(const std::string& text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string SymbolProblem(const std::string& symbol) {
    if (symbol.empty() || symbol.size() > kEmasterSymbolChars || !ValidText(symbol)) {
        return "The symbol \"" + symbol + "\" must have 1 to 14 characters, none of them a control character.";
    }
    return {};
}

std::string NameProblem(const std::string& symbol, const std::string& name) {
    if (name.size() > kXmasterNameChars || !ValidText(name)) {
        return "The name of " + symbol + " must have at most 44 characters, none of them a control character.";
    }
    return {};
}

} // namespace

// What one run has read of the folder, and the change it has staged.
struct CDatabase::SState {
    SState(CFileSystem& fs, const std::filesystem::path& folder) : staged(fs, folder) {}

    CNameIndex names;
    CDirectoryFiles directory;
    CStagedFiles staged;
    bool bJournal = false;
    std::string strPending;
    bool bBackup = false;
    std::vector<std::string> warnings;
    ERefusal refusal = ERefusal::None;
    // The numbers taken, worked out once a run and kept up as securities are added (a removal
    // frees none before the commit: its data file is still on disk until then).
    std::optional<CDirectoryFiles::UsedNumbers> used;

    CDirectoryFiles::UsedNumbers& Used() {
        if (!used) {
            used = directory.Used(names);
        }
        return *used;
    }
    void ClearStaged() {
        used.reset();
        staged.Clear();
        bBackup = false;
    }
};

CDatabase::CDatabase(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder)
    : m_fs(fs), m_messages(messages), m_folder(std::move(folder)), m_pState(std::make_unique<SState>(m_fs, m_folder)) {}

CDatabase::~CDatabase() = default;

bool CDatabase::HasMaster() const {
    return m_pState->directory.master.bExists;
}
bool CDatabase::HasEmaster() const {
    return m_pState->directory.emaster.bExists;
}
bool CDatabase::HasXmaster() const {
    return m_pState->directory.xmaster.bExists;
}
const std::vector<SSecurity>& CDatabase::Securities() const {
    return m_pState->directory.Securities();
}
std::optional<SSecurity> CDatabase::FindSecurity(const std::string& symbol) const {
    return m_pState->directory.Find(symbol);
}
const std::vector<std::string>& CDatabase::Damage() const {
    return m_pState->directory.Damage();
}
std::vector<std::string> CDatabase::RefusingDamage() const {
    if (!m_pState->directory.MasterDamaged()) {
        return {};
    }
    std::vector<std::string> lines = Damage();
    const std::string xmasterName = m_pState->directory.xmaster.strName + ":";
    std::erase_if(lines, [&](const std::string& line) { return line.rfind(xmasterName, 0) == 0; });
    return lines;
}
bool CDatabase::InterruptedChange() const {
    return m_pState->bJournal;
}
const std::string& CDatabase::PendingChange() const {
    return m_pState->strPending;
}
const std::vector<std::string>& CDatabase::Warnings() const {
    return m_pState->warnings;
}
ERefusal CDatabase::LastRefusal() const {
    return m_pState->refusal;
}
const CNameIndex& CDatabase::Names() const {
    return m_pState->names;
}
const CDirectoryFiles& CDatabase::DirectoryFiles() const {
    return m_pState->directory;
}
void CDatabase::KeepMasterBackup() {
    m_pState->bBackup = true;
}

std::string CDatabase::NoSuchSecurity(const SSecurity& security) const {
    return PathUtf8(m_folder) + ": no security with file number " + std::to_string(security.nFileNumber) + ".";
}

std::string CDatabase::DataFileOf(const SSecurity& security) const {
    return security.strDataFile.empty() ? m_pState->names.Spell(DataFileName(security.directory, security.nFileNumber))
                                        : security.strDataFile;
}

bool CDatabase::Refuse(ERefusal refusal, std::string text, std::string& strError) const {
    m_pState->refusal = refusal;
    strError = std::move(text);
    return false;
}

void CDatabase::ReadJournalState() {
    SState& state = *m_pState;
    state.bJournal = state.names.Find(CJournal::kFileName) == std::string(CJournal::kFileName);
    state.strPending.clear();
    if (!state.bJournal) {
        return;
    }
    const std::string prefix = std::string(CJournal::kFileName) + ": ";
    const auto text = ReadWholeFile(m_fs, m_folder / CJournal::kFileName, kMaxJournalBytes, EOpenMode::ReadNoLink);
    const SJournalText journal = text ? CJournal::Parse(*text) : SJournalText{{}, false, "it cannot be read", false};
    if (!journal.strProblem.empty()) {
        state.strPending = prefix + "it is not a journal of this program (" + journal.strProblem +
                           "); no change of this folder goes ahead until a repair (pelmar-cli repair) sets it aside";
    } else if (journal.plans.empty()) {
        state.strPending = prefix + "a change stopped before it began; the next change of this folder or a repair "
                                    "(pelmar-cli repair) removes the journal";
    } else {
        const bool bComplete = journal.bLastCommitted || journal.plans.size() > 1;
        state.strPending = prefix + "an interrupted change is pending; the next change of this folder or a repair " +
                           "(pelmar-cli repair) " + (bComplete ? "completes it" : "takes it back") +
                           ", and until then the folder may look damaged";
    }
}

bool CDatabase::LoadFolder(std::string& strError) {
    SState& state = *m_pState;
    auto listed = m_fs.ListDirectory(m_folder);
    if (!listed) {
        strError = PathUtf8(m_folder) + ": the folder cannot be listed (does it exist?).";
        return false;
    }
    state.names.Assign(std::move(*listed));
    ReadJournalState();
    state.ClearStaged();
    state.refusal = ERefusal::None;
    return state.directory.Load(m_fs, m_folder, state.names, strError);
}

bool CDatabase::Read(std::string& strError) {
    return LoadFolder(strError);
}

bool CDatabase::LockAndRead(std::string& strError, std::chrono::milliseconds wait) {
    if (!m_pLock) {
        auto pLock = std::make_unique<CFolderLock>(m_fs, m_messages, m_folder);
        if (!pLock->Take(wait, strError)) {
            return false;
        }
        m_pLock = std::move(pLock);
    }
    CFolderCommit commit(m_fs, m_folder);
    if (!commit.Recover(m_messages, strError) || !LoadFolder(strError)) {
        m_pLock.reset();
        return false;
    }
    return true;
}

std::vector<std::string> CDatabase::Check() {
    if (m_pState->bJournal) {
        return {m_pState->strPending};
    }
    return CFolderCheck(m_fs, m_folder, m_pState->names, m_pState->directory).Run();
}

bool CDatabase::CheckChangeable(bool bXmaster, std::string& strError) const {
    const CDirectoryFiles& files = m_pState->directory;
    m_pState->refusal = ERefusal::Other;
    if (!m_pLock) {
        strError = PathUtf8(m_folder) + ": the folder must be locked before it is changed.";
        return false;
    }
    if (files.MasterDamaged() || (bXmaster && files.XmasterDamaged())) {
        const std::vector<std::string> lines = files.MasterDamaged() ? RefusingDamage() : Damage();
        strError = files.MasterDamaged() ? PathUtf8(m_folder) + " is damaged, so nothing is added or changed there:"
                                         : PathUtf8(m_folder) + ": its " + files.xmaster.strName +
                                               " is damaged, so nothing that it lists or would list is added or "
                                               "changed:";
        for (const std::string& line : lines) {
            if (files.MasterDamaged() || line.rfind(files.xmaster.strName + ":", 0) == 0) {
                strError += "\n" + line;
            }
        }
        strError += "\n" + kRepairHint;
        return false;
    }
    m_pState->refusal = ERefusal::None;
    return true;
}

bool CDatabase::CreateNew(std::string& strError) {
    CDirectoryFiles& files = m_pState->directory;
    if (m_pLock && (files.master.bExists || files.emaster.bExists || files.xmaster.bExists)) {
        return Refuse(ERefusal::Other, "New Master chosen but one already exists", strError);
    }
    if (!CheckChangeable(false, strError)) {
        return false;
    }
    files.StartNew();
    return true;
}

bool CDatabase::CheckNewSecurity(const SNewSecurity& security, std::string& strError) const {
    const int nFieldCount = static_cast<int>(std::count(security.fields.begin(), security.fields.end(), true));
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(nFieldCount);
    std::string problem = SymbolProblem(security.strSymbol);
    if (problem.empty()) {
        problem = NameProblem(security.strSymbol, security.strName);
    }
    if (problem.empty() && (!security.fields[kFieldDate] || !security.fields[kFieldClose] || security.nBarCount < 0 ||
                            security.nBarCount > kMaxBarsPerFile ||
                            security.records.size() != nRecordSize * static_cast<std::size_t>(security.nBarCount))) {
        problem = "The bars of " + security.strSymbol +
                  " are not whole records of their fields (Date and Close among them, at most 65,534 bars).";
    }
    if (!problem.empty()) {
        return Refuse(ERefusal::Other, problem, strError);
    }
    if (FindSecurity(security.strSymbol)) {
        return Refuse(ERefusal::SymbolTaken,
                      "The symbol " + security.strSymbol + " is already a symbol of " + PathUtf8(m_folder) + ".",
                      strError);
    }
    if (Securities().size() >= static_cast<std::size_t>(kMaxSecurities)) {
        return Refuse(ERefusal::Other,
                      PathUtf8(m_folder) + " cannot take " + security.strSymbol +
                          ": the folder would then hold more than 6,000 securities, the most one folder can hold. "
                          "Choose a different or new folder.",
                      strError);
    }
    return true;
}

std::optional<int> CDatabase::AddToXmaster(const SNewSecurity& security, std::string& strError) {
    CDirectoryFiles& files = m_pState->directory;
    if (!files.emaster.bExists) {
        Refuse(ERefusal::Other,
               kFullMessage + "\n\nThis folder has no EMASTER file, so it cannot hold more than 255 securities.",
               strError);
        return std::nullopt;
    }
    if (!CheckChangeable(true, strError)) {
        return std::nullopt;
    }
    const auto nNumber = files.NewXmasterNumber(m_pState->Used(), m_pState->names);
    if (!nNumber) {
        Refuse(ERefusal::Other, PathUtf8(m_folder) + ": XMASTER has no file number left for a new security.", strError);
        return std::nullopt;
    }
    files.AddToXmaster(security, *nNumber);
    return nNumber;
}

std::optional<SSecurity> CDatabase::AddSecurity(const SNewSecurity& newSecurity, std::string& strError) {
    if (!CheckChangeable(false, strError)) {
        return std::nullopt;
    }
    CDirectoryFiles& files = m_pState->directory;
    if (!files.master.bExists) {
        Refuse(ERefusal::Other, "Path specified does not point to a Master file", strError);
        return std::nullopt;
    }
    if (!CheckNewSecurity(newSecurity, strError)) {
        return std::nullopt;
    }
    EDirectoryFile directory = EDirectoryFile::Master;
    std::optional<int> nNumber = files.AddToMaster(newSecurity, m_pState->Used());
    if (*nNumber == 0) {
        directory = EDirectoryFile::Xmaster;
        nNumber = AddToXmaster(newSecurity, strError);
    }
    if (!nNumber) {
        return std::nullopt;
    }
    m_pState->Used().set(static_cast<std::size_t>(*nNumber));
    const int nFieldCount = static_cast<int>(std::count(newSecurity.fields.begin(), newSecurity.fields.end(), true));
    std::vector<std::uint8_t> header = MakeDataHeader(nFieldCount);
    WriteInt16(header.data() + kDataHeaderCountOffset, static_cast<std::int16_t>(newSecurity.nBarCount + 1));
    std::string data(header.begin(), header.end());
    data.append(newSecurity.records.begin(), newSecurity.records.end());
    m_pState->staged.Create(DataFileName(directory, *nNumber), std::move(data));
    if (directory == EDirectoryFile::Master) {
        m_pState->staged.Create(DopFileName(*nNumber), MakeDopText(newSecurity.fields));
    }
    SSecurity added;
    added.directory = directory;
    added.nFileNumber = *nNumber;
    added.nRecord =
        (directory == EDirectoryFile::Master ? files.master.records.size() : files.xmaster.records.size()) - 1;
    const auto index = files.Locate(added);
    return index ? std::optional<SSecurity>(files.Describe(directory, *index)) : std::nullopt;
}

bool CDatabase::AppendBars(const SSecurity& security, const std::vector<std::uint8_t>& records, std::int32_t nBarCount,
                           std::int32_t nLastDate, std::string& strError) {
    const bool bMaster = security.directory == EDirectoryFile::Master;
    if (!CheckChangeable(!bMaster, strError)) {
        return false;
    }
    SState& state = *m_pState;
    const auto index = state.directory.Locate(security);
    if (!index) {
        return Refuse(ERefusal::Other, NoSuchSecurity(security), strError);
    }
    const SSecurity current = state.directory.Describe(security.directory, *index);
    const std::string name = state.names.Spell(DataFileName(security.directory, security.nFileNumber));
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    const std::size_t nRecordSize = 4 * static_cast<std::size_t>(current.nFieldCount);
    if (current.cPeriodicity != 'D' || current.nFieldCount < 2 || current.nFieldCount > kFieldCount ||
        (bMaster && state.directory.master.records[*index][kEntryRecordLengthOffset] != nRecordSize)) {
        return Refuse(ERefusal::Other, pathText + ": new bars can be added only to a daily security of 2 to 7 fields.",
                      strError);
    }
    if (nBarCount <= 0 || records.size() != nRecordSize * static_cast<std::size_t>(nBarCount)) {
        return Refuse(ERefusal::Other,
                      pathText + ": the new bars are not " + std::to_string(nBarCount) + " whole records of " +
                          std::to_string(nRecordSize) + " bytes.",
                      strError);
    }
    auto file = state.staged.Current(name, nRecordSize, strError);
    if (!file) {
        return Refuse(ERefusal::Other, strError, strError);
    }
    const std::uint64_t nStored = file->nSize / nRecordSize;
    const int nCounted =
        file->header.size() == nRecordSize
            ? ReadUInt16(reinterpret_cast<const std::uint8_t*>(file->header.data()) + kDataHeaderCountOffset)
            : 0;
    if (file->nSize % nRecordSize != 0 || nStored == 0 || static_cast<std::uint64_t>(nCounted) != nStored) {
        return Refuse(ERefusal::Other,
                      pathText + ": its header counts " + std::to_string(nCounted) + " records but the file holds " +
                          std::to_string(file->nSize) + " bytes; new bars are added only to a sound data file.",
                      strError);
    }
    // The new bars must follow the last one the file holds (or this change has staged).
    const std::int32_t nFirstNew = DateValueFromMbf(records.data());
    if (nCounted > 1) {
        const std::int32_t nLastHeld = DateValueFromMbf(reinterpret_cast<const std::uint8_t*>(file->lastRecord.data()));
        if (nFirstNew <= nLastHeld) {
            return Refuse(ERefusal::Other,
                          pathText + ": the new bars begin on " + YmdText(nFirstNew) + ", not after its last bar of " +
                              YmdText(nLastHeld) + ".",
                          strError);
        }
    }
    const int nTotal = nCounted - 1 + nBarCount;
    if (nTotal > kMaxBarsPerFile) {
        return Refuse(ERefusal::Other,
                      pathText + ": " + std::to_string(nTotal) + " bars in all; a data file holds at most 65,534.",
                      strError);
    }
    state.staged.Append(name, *file, std::string(records.begin(), records.end()), nTotal + 1);
    state.directory.SetDates(security.directory, *index, nCounted == 1 ? nFirstNew : 0, nLastDate);
    return true;
}

bool CDatabase::DeleteSecurity(const SSecurity& security, std::string& strError) {
    const bool bMaster = security.directory == EDirectoryFile::Master;
    if (!CheckChangeable(!bMaster, strError)) {
        return false;
    }
    SState& state = *m_pState;
    CDirectoryFiles& files = state.directory;
    const auto index = files.Locate(security);
    if (!index) {
        return Refuse(ERefusal::Other, NoSuchSecurity(security), strError);
    }
    std::vector<std::string> dataFiles;
    std::optional<std::size_t> twin;
    if (bMaster) {
        twin = files.TwinIndex(*index);
        if (files.emaster.bExists && !twin) {
            // EMASTER's count must stay MASTER's: without a twin to remove it cannot.
            return Refuse(ERefusal::Other,
                          PathUtf8(m_folder) + ": " + files.emaster.strName + " has no record of file number " +
                              std::to_string(security.nFileNumber) + ", so " + security.strSymbol +
                              " cannot be removed without putting it out of step with MASTER. " + kRepairHint,
                          strError);
        }
        dataFiles = {DataFileName(EDirectoryFile::Master, security.nFileNumber), DopFileName(security.nFileNumber)};
    } else {
        dataFiles = {DataFileName(EDirectoryFile::Xmaster, security.nFileNumber)};
    }
    files.RemoveRecord(security.directory, *index, twin);
    // Another record that lists the same number keeps the data files.
    const bool bShared =
        bMaster ? std::any_of(files.master.records.begin(), files.master.records.end(),
                              [&](const MasterRecord& r) { return r[0] == security.nFileNumber; })
                : std::any_of(files.xmaster.records.begin(), files.xmaster.records.end(),
                              [&](const XmasterRecord& r) { return XmasterFileNumber(r) == security.nFileNumber; });
    for (const std::string& name : bShared ? std::vector<std::string>{} : dataFiles) {
        const bool bCreated = state.staged.Drop(name);
        if (const auto onDisk = state.names.Find(name); onDisk && !bCreated) {
            state.staged.Remove(*onDisk);
        }
    }
    return true;
}

bool CDatabase::RenameSecurity(const SSecurity& security, const std::string& strNewSymbol,
                               const std::optional<std::string>& newName, std::string& strError) {
    const bool bMaster = security.directory == EDirectoryFile::Master;
    if (!CheckChangeable(!bMaster, strError)) {
        return false;
    }
    std::string problem = SymbolProblem(strNewSymbol);
    if (problem.empty() && newName) {
        problem = NameProblem(strNewSymbol, *newName);
    }
    if (!problem.empty()) {
        return Refuse(ERefusal::Other, problem, strError);
    }
    CDirectoryFiles& files = m_pState->directory;
    const auto index = files.Locate(security);
    if (!index) {
        return Refuse(ERefusal::Other, NoSuchSecurity(security), strError);
    }
    const std::string taken = "The symbol " + strNewSymbol + " is already a symbol or name in " + PathUtf8(m_folder) +
                              " or a folder below it.";
    if (const auto other = FindSecurity(strNewSymbol);
        other && !(other->directory == security.directory && other->nRecord == *index)) {
        return Refuse(ERefusal::SymbolTaken, taken, strError);
    }
    // As for a new security, the symbol must not be a symbol or name of the folders below.
    if (const auto other = CSecurityTree(m_fs, *this).Find(strNewSymbol);
        other &&
        !(m_fs.FileId(other->folder) == m_fs.FileId(m_folder) && other->security.nFileNumber == security.nFileNumber)) {
        return Refuse(ERefusal::SymbolTaken, taken, strError);
    }
    files.SetSymbol(security.directory, *index, strNewSymbol, newName);
    return true;
}

bool CDatabase::Commit(std::string& strError) {
    SState& state = *m_pState;
    CDirectoryFiles& files = state.directory;
    state.warnings.clear();
    if (!m_pLock) {
        strError = PathUtf8(m_folder) + ": the folder must be locked before it is changed.";
        return false;
    }
    SFolderChange change;
    state.staged.MoveTo(change);
    if (state.bBackup && !files.master.original.empty()) {
        change.writes.push_back({state.names.Spell("MASTER.BAK"), files.master.original, false, true});
    }
    const auto addDirectory = [&](const auto& file) {
        if (file.bChanged) {
            change.writes.push_back({file.strName, file.Bytes(), file.original.empty(), false});
        }
    };
    addDirectory(files.xmaster);
    addDirectory(files.emaster);
    addDirectory(files.master);
    state.ClearStaged();

    const bool bDone = CFolderCommit(m_fs, m_folder).Run(change, strError, state.warnings);
    if (bDone) {
        for (const SNewFile& file : change.creates) {
            state.names.Add(file.strName);
        }
        for (const SFileWrite& write : change.writes) {
            state.names.Add(write.strTarget);
        }
        for (const std::string& name : change.removals) {
            state.names.Remove(name);
        }
    }
    files.Settle(bDone, state.names);
    return bDone;
}

std::optional<int> CDatabase::BarCount(const SSecurity& security, std::string& strError) {
    const std::string name = DataFileOf(security);
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    const auto nRecordSize = RecordSizeOf(security, pathText, strError);
    if (!nRecordSize) {
        return std::nullopt;
    }
    std::string header(*nRecordSize, '\0');
    std::uint64_t nSize = 0;
    std::ptrdiff_t nHeader = 0;
    if (m_pState->staged.Staged(name)) {
        const auto file = m_pState->staged.Current(name, *nRecordSize, strError);
        if (!file) {
            return std::nullopt;
        }
        header = file->header;
        nHeader = static_cast<std::ptrdiff_t>(header.size());
        nSize = file->nSize;
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
    return CountedBars(pathText, reinterpret_cast<const std::uint8_t*>(header.data()),
                       static_cast<std::size_t>(nHeader), nSize, *nRecordSize, strError);
}

std::optional<SSecurityBars> CDatabase::ReadBars(const SSecurity& security, std::string& strError) {
    const std::string name = DataFileOf(security);
    const std::string pathText = PathUtf8(m_folder / Utf8Path(name));
    if (!RecordSizeOf(security, pathText, strError)) {
        return std::nullopt;
    }
    // What the change staged for the file, else the file on disk: a second file of new bars for
    // the same security in one batch must see the first one's bars.
    const auto bytes = m_pState->staged.Bytes(name, strError);
    if (!bytes) {
        return std::nullopt;
    }
    std::vector<std::string> warnings;
    std::optional<std::string> dopText;
    std::string dopPath;
    if (const auto dop = m_pState->names.Find(DopFileName(security.nFileNumber))) {
        dopPath = PathUtf8(m_folder / Utf8Path(*dop));
        dopText = ReadWholeFile(m_fs, m_folder / Utf8Path(*dop), kMaxDopBytes).value_or(std::string());
    }
    std::vector<int> fields;
    std::string strCount;
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(bytes->data());
    if (CountedBars(pathText, pBytes, bytes->size(), bytes->size(), 4 * std::size_t(security.nFieldCount), strCount)) {
        fields = RecordFields(security, dopText, dopPath, warnings);
    }
    auto bars = DecodeBars(*bytes, security, std::move(fields), pathText, strError);
    m_pState->staged.Remember(name, *bytes, 4 * static_cast<std::size_t>(security.nFieldCount));
    if (bars) {
        bars->warnings.insert(bars->warnings.begin(), warnings.begin(), warnings.end());
    }
    return bars;
}
