#include "engine/Converter.h"

#include "engine/JobSettings.h"
#include "engine/LineFault.h"
#include "engine/Wording.h"
#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/SettingsStore.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The full path of the output folder leaves room for the separator and "MASTER" in the job's
// 300-character path limit.
constexpr std::size_t kMaxOutputDirChars = CConverter::kPathChars - (sizeof "/MASTER" - 1);
// A first new bar further than this from the last stored close is worth a word: a split, or
// another security's file.
constexpr double kJumpRatio = 0.5;

std::string FieldSetText(const std::vector<int>& fields) {
    std::string text;
    for (int field : fields) {
        text += (text.empty() ? "" : ", ") + std::string(field == kFieldTime ? "Time" : kFieldNames[static_cast<std::size_t>(field)]);
    }
    return text;
}

// "daily", "weekly", "monthly", "5-minute".
std::string PeriodText(char cPeriodicity, int nInterval) {
    switch (cPeriodicity) {
    case 'D':
        return "daily";
    case 'W':
        return "weekly";
    case 'M':
        return "monthly";
    case 'I':
        return std::to_string(nInterval) + "-minute";
    default:
        return std::string("'") + cPeriodicity + "'";
    }
}

} // namespace

bool HoldsDatabaseFiles(CFileSystem& fs, const std::filesystem::path& folder) {
    const auto names = fs.ListDirectory(folder);
    if (!names) {
        return true; // cannot tell: taken as holding one, so nothing is started over it
    }
    for (const std::string& name : *names) {
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        if (upper == "MASTER" || upper == "EMASTER" || upper == "XMASTER") {
            return true;
        }
        const std::size_t nDot = upper.find('.');
        if (upper.size() > 1 && upper[0] == 'F' && nDot != std::string::npos && nDot > 1 &&
            std::all_of(upper.begin() + 1, upper.begin() + static_cast<std::ptrdiff_t>(nDot),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const std::string extension = upper.substr(nDot);
            if (extension == ".DAT" || extension == ".MWD" || extension == ".DOP") {
                return true;
            }
        }
    }
    return false;
}

struct CConverter::STarget {
    std::string strSymbol; // Windows-1252
    std::string strName;   // Windows-1252
};

// What one run hands from its reading phase to its writing phase.
struct CConverter::SRun {
    SConversion conversion;
    std::filesystem::path folder;
    std::string strFolder; // the full path, UTF-8
    SReadResult read;
    std::vector<STarget> targets;
    std::vector<SBadLine> skipped;   // lines left out, in line order
    std::uint64_t nSkipped = 0;      // all of them (the list keeps at most kMaxListedBadLines)
    bool bNewDatabase = false;       // this run starts the database
    bool bStartedInEmptyFolder = false;
    // What was staged, for the summary.
    struct SStaged {
        std::string strSymbol;
        std::string strName;
        bool bUpdate = false;
        std::int32_t nBars = 0;     // bars written by this run
        std::int32_t nEqual = 0;    // update: bars already stored with equal values
        SWhen first;                // of the bars written
        SWhen last;
        std::uint64_t nLeftOut = 0; // older bars left out to keep the newest
        std::string strWarning;     // an update that looks wrong
    };
    std::vector<SStaged> staged;

    const SInputLayout& Layout() const { return conversion.layout; }
    EMasterMode Mode() const { return conversion.output.mode; }
};

CConverter::CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store, const CWording& wording)
    : m_fs(fs), m_messages(messages), m_store(store), m_wording(wording) {}

CConverter::~CConverter() = default;

int CConverter::Convert(const SConversion& conversion) {
    if (Prepare(conversion) != 0) {
        return 1;
    }
    CDatabase database(m_fs, m_messages, m_pRun->folder);
    std::string strError;
    if (!database.LockAndRead(strError)) {
        m_messages.Show(strError);
        return 1;
    }
    if (Stage(database) != 0) {
        return 1;
    }
    if (!database.Commit(strError)) {
        m_messages.Show(strError);
        return 1;
    }
    FinishRun(database);
    return 0;
}

int CConverter::Prepare(const SConversion& conversion) {
    m_pRun = std::make_unique<SRun>();
    m_pRun->conversion = conversion;
    m_summary.clear();
    if (CheckMasterPath() != 0 || ConvertLines() != 0 || CheckSymbols() != 0) {
        return 1;
    }
    return 0;
}

int CConverter::CheckMasterPath() {
    const std::string& strDir = m_pRun->conversion.output.strFolder;
    const auto resolved = strDir.empty() ? std::nullopt : ResolvePathNoCase(m_fs, Utf8Path(strDir));
    if (!resolved || m_fs.Status(*resolved).kind != EEntryKind::Directory) {
        m_messages.Show(m_wording.Message("Path does not exist", strDir));
        return 1;
    }
    const std::string strFull = PathUtf8(*resolved);
    if (strFull.size() > kMaxOutputDirChars) {
        m_messages.Show(m_wording.Message("The full path of the output directory is too long:",
                                          strFull + "\n\nIt may have at most " + std::to_string(kMaxOutputDirChars) +
                                              " characters."));
        return 1;
    }
    m_pRun->strFolder = strFull;
    m_pRun->folder = *resolved;

    // Checked again under the folder's lock; here so that a wrong mode is told before a large
    // file is read. A change that was interrupted is finished under the lock first, and it may
    // be the very one that makes the MASTER.
    if (FindEntryNoCase(m_fs, *resolved, CDatabase::kJournalName)) {
        return 0;
    }
    const bool bMaster = FindEntryNoCase(m_fs, *resolved, "MASTER").has_value();
    if (m_pRun->Mode() == EMasterMode::MakeNew) {
        for (const char* pszName : {"MASTER", "EMASTER", "XMASTER"}) {
            if (FindEntryNoCase(m_fs, *resolved, pszName)) {
                m_messages.Show(m_wording.Message("New Master chosen but one already exists", strFull));
                return 1;
            }
        }
        return 0;
    }
    if (bMaster) {
        return 0;
    }
    const bool bEmpty = !HoldsDatabaseFiles(m_fs, *resolved);
    if (bEmpty && m_pRun->Mode() != EMasterMode::AddNewBars) {
        return 0; // a first run into an empty folder starts the database there
    }
    m_messages.Show(m_wording.Message(
        "Path specified does not point to a Master file",
        strFull + "\n\n" +
            (bEmpty ? "The folder holds no database yet: there is no security to add bars to."
                    : "The folder holds data files of a database but no MASTER. To start a new database there "
                      "anyway, choose " + m_wording.Setting(ESetting::MakeNew) + ".")));
    return 1;
}

int CConverter::ConvertLines() {
    const SConversion& conversion = m_pRun->conversion;
    m_pRun->read =
        CBarReader(conversion.layout, conversion.read, m_wording).ReadFile(m_fs, Utf8Path(conversion.strInputPath));
    if (!m_pRun->read.Ok()) {
        m_messages.Show(m_pRun->read.Message());
        return 1;
    }
    m_pRun->skipped = m_pRun->read.badLines;
    m_pRun->nSkipped = m_pRun->read.nBadLines;
    return 0;
}

// The symbol and name of each series: those of the run, or each of the symbol column.
int CConverter::CheckSymbols() {
    const SOutputChoice& output = m_pRun->conversion.output;
    std::vector<STarget>& targets = m_pRun->targets;
    for (const SSeries& series : m_pRun->read.series) {
        STarget target{Utf8ToWindows1252(output.strSymbol).value_or(std::string()),
                       Utf8ToWindows1252(output.strName).value_or(std::string())};
        if (m_pRun->Layout().nSymbolCol != kNoColumn) {
            // Each symbol of the column must be one the database can hold, before anything is locked.
            std::string strProblem;
            // The column's text is UTF-8 where it reads as such, else Windows-1252.
            const std::string shown = IsUtf8(series.strSymbol) ? series.strSymbol : Windows1252ToUtf8(series.strSymbol);
            const auto clean = CleanSymbol(shown, strProblem);
            const auto stored = clean ? Utf8ToWindows1252(*clean) : std::nullopt;
            const std::string strLine = std::to_string(series.bars.front().nLine);
            if (!stored) {
                m_messages.Show("The symbol column holds \"" + shown + "\" (line " + strLine +
                                "), which cannot be a symbol: " + strProblem);
                return 1;
            }
            for (const STarget& other : targets) {
                if (other.strSymbol == *stored) {
                    m_messages.Show("The symbol column holds " + *clean + " in two spellings (\"" + shown +
                                    "\" from line " + strLine + "); they would be one security.");
                    return 1;
                }
            }
            target.strSymbol = *stored;
            if (target.strName.empty()) {
                target.strName = target.strSymbol;
            }
        }
        targets.push_back(std::move(target));
    }
    return 0;
}

std::string CConverter::Shown(const std::string& strSymbol) const {
    return Windows1252ToUtf8(strSymbol);
}

int CConverter::CheckDuplicateSymbol(const std::string& strSymbol) {
    // The folder's own securities first, those staged by this run or its batch included; a new
    // database has nothing else to search.
    bool bFound = m_pDatabase != nullptr && m_pDatabase->FindSecurity(strSymbol).has_value();
    if (!bFound && !m_pRun->bNewDatabase) {
        bFound = m_pTree != nullptr ? m_pTree->Find(strSymbol).has_value()
                                    : FindSecurityInTree(m_fs, m_pRun->folder, strSymbol).has_value();
    }
    if (!bFound) {
        return 0;
    }
    m_messages.Show(m_wording.Message(kDuplicateSymbolText, "Symbol: " + Shown(strSymbol)));
    return 1;
}

int CConverter::AddSecurity(const SNewSecurity& security) {
    std::string strError;
    if (!m_pDatabase->AddSecurity(security, strError)) {
        m_messages.Show(m_pDatabase->LastRefusal() == ERefusal::SymbolTaken
                            ? m_wording.Message(kDuplicateSymbolText, "Symbol: " + Shown(security.strSymbol))
                            : strError);
        return 1;
    }
    return 0;
}

void CConverter::AppendBar(const SBar& bar, std::vector<std::uint8_t>& records) const {
    const SInputLayout& layout = m_pRun->Layout();
    const auto append = [&records](float fValue) {
        const MbfSingle mbf = EncodeMbf(fValue);
        records.insert(records.end(), mbf.begin(), mbf.end());
    };
    append(static_cast<float>(bar.nDate));
    if (layout.period == EPeriod::Intraday) {
        append(static_cast<float>(bar.nTime));
    }
    for (int f = kFieldDate + 1; f < kFieldCount; ++f) {
        if (f == kFieldClose || layout.FieldOn(f)) {
            append(bar.values[static_cast<std::size_t>(f)]);
        }
    }
}

// The database the run writes into: a new one where the mode says so, or where a folder holds
// none yet; refused where the mode needs one and there is none.
int CConverter::StartDatabase(CDatabase& database, bool bDatabaseStarted) {
    std::string strError;
    const EMasterMode mode = m_pRun->Mode();
    if (mode == EMasterMode::MakeNew) {
        m_pRun->bNewDatabase = true;
        if (!bDatabaseStarted && !database.CreateNew(strError)) {
            m_messages.Show(strError);
            return 1;
        }
        return 0;
    }
    if (database.HasMaster()) {
        return 0;
    }
    if (bDatabaseStarted) {
        m_pRun->bNewDatabase = true;
        return 0;
    }
    if (mode != EMasterMode::AddNewBars && !database.HasEmaster() && !database.HasXmaster() &&
        !HoldsDatabaseFiles(m_fs, m_pRun->folder)) {
        if (!database.CreateNew(strError)) {
            m_messages.Show(strError);
            return 1;
        }
        m_pRun->bNewDatabase = true;
        m_pRun->bStartedInEmptyFolder = true;
        return 0;
    }
    m_messages.Show(m_wording.Message("Path specified does not point to a Master file", m_pRun->strFolder));
    return 1;
}

int CConverter::Stage(CDatabase& database, bool bDatabaseStarted, const CSecurityTree* pTree) {
    struct SReset {
        CConverter& job;
        ~SReset() {
            job.m_pDatabase = nullptr;
            job.m_pTree = nullptr;
        }
    } reset{*this};
    m_pDatabase = &database;
    m_pTree = pTree;

    if (!database.RefusingDamage().empty()) {
        std::string text;
        for (const std::string& line : database.RefusingDamage()) {
            text += (text.empty() ? "" : "\n") + line;
        }
        m_messages.Show(m_wording.Message("The database in " + m_pRun->strFolder + " is damaged; nothing was added to it:",
                                          text + "\n\n" + m_wording.Setting(ESetting::Check) +
                                              " gives the whole report; " + m_wording.Setting(ESetting::Repair) +
                                              " makes the folder whole."));
        return 1;
    }
    if (StartDatabase(database, bDatabaseStarted) != 0) {
        return 1;
    }
    const EMasterMode mode = m_pRun->Mode();
    for (std::size_t i = 0; i < m_pRun->read.series.size(); ++i) {
        const SSeries& series = m_pRun->read.series[i];
        const STarget& target = m_pRun->targets[i];
        const bool bUpdate = mode == EMasterMode::AddNewBars ||
                             (mode == EMasterMode::AddOrUpdate && database.FindSecurity(target.strSymbol).has_value());
        if ((bUpdate ? StageUpdate(series, target) : StageNew(series, target)) != 0) {
            return 1;
        }
    }
    if (!m_pRun->bNewDatabase) {
        database.KeepMasterBackup();
    }
    return 0;
}

int CConverter::StageNew(const SSeries& series, const STarget& target) {
    SNewSecurity security;
    security.strSymbol = target.strSymbol;
    security.strName = target.strName;
    for (int f = 0; f < kFieldCount; ++f) {
        security.fields[static_cast<std::size_t>(f)] = f == kFieldDate || f == kFieldClose || m_pRun->Layout().FieldOn(f);
    }
    if (CheckDuplicateSymbol(target.strSymbol) != 0) {
        return 1;
    }
    const auto nFields = static_cast<std::size_t>(std::count(security.fields.begin(), security.fields.end(), true));
    security.records.reserve(series.bars.size() * 4 * nFields);
    for (const SBar& bar : series.bars) {
        AppendBar(bar, security.records);
    }
    security.nBarCount = static_cast<std::int32_t>(series.bars.size());
    security.nFirstDate = series.bars.front().nDate;
    security.nLastDate = series.bars.back().nDate;
    security.cPeriodicity = PeriodLetter(m_pRun->Layout().period);
    security.nInterval = m_pRun->Layout().nInterval;
    security.nFirstTime = series.bars.front().nTime;
    security.nLastTime = series.bars.back().nTime;
    if (AddSecurity(security) != 0) {
        return 1;
    }
    SRun::SStaged staged;
    staged.strSymbol = target.strSymbol;
    staged.strName = target.strName;
    staged.nBars = security.nBarCount;
    staged.first = {security.nFirstDate, security.nFirstTime};
    staged.last = {security.nLastDate, security.nLastTime};
    staged.nLeftOut = series.nLeftOut;
    m_pRun->staged.push_back(std::move(staged));
    return 0;
}

// The bars of the security that new bars are for, when the file's fields fit it.
std::optional<SSecurityBars> CConverter::StoredBarsFor(const SSecurity& existing, const std::string& strShown) {
    const SInputLayout& layout = m_pRun->Layout();
    const int nInterval = existing.cPeriodicity == 'I' ? existing.nInterval : 0;
    if (existing.cPeriodicity != PeriodLetter(layout.period) || nInterval != layout.nInterval) {
        m_messages.Show(m_wording.Message("The file holds " + PeriodText(PeriodLetter(layout.period), layout.nInterval) +
                                              " bars, but " + strShown + " in " + m_pRun->strFolder + " holds " +
                                              PeriodText(existing.cPeriodicity, nInterval) + " bars.",
                                          "New bars must be of the security's period. Set " +
                                              m_wording.Setting(ESetting::Period) + " or " +
                                              m_wording.Setting(ESetting::Interval) + " to read the file so."));
        return std::nullopt;
    }
    std::string strError;
    auto stored = m_pDatabase->ReadBars(existing, strError);
    if (!stored) {
        m_messages.Show(strError);
        return std::nullopt;
    }
    const std::vector<int> fileFields = FileFields();
    if (stored->fields != fileFields) {
        m_messages.Show(m_wording.Message("The fields of the file do not match those of " + strShown + ".",
                                          "The file has: " + FieldSetText(fileFields) +
                                              "\nThe security has: " + FieldSetText(stored->fields)));
        return std::nullopt;
    }
    return stored;
}

// The fields of the file's bars in record order: the date, the time of intraday bars, the others.
std::vector<int> CConverter::FileFields() const {
    std::vector<int> fields;
    for (int f = 0; f < kFieldCount; ++f) {
        if (f == kFieldDate || f == kFieldClose || m_pRun->Layout().FieldOn(f)) {
            fields.push_back(f);
        }
        if (f == kFieldDate && Intraday()) {
            fields.push_back(kFieldTime);
        }
    }
    return fields;
}

bool CConverter::Intraday() const {
    return m_pRun->Layout().period == EPeriod::Intraday;
}

std::string CConverter::WhenText(SWhen when) const {
    return BarTimeText(when.nDate, when.nTime, Intraday());
}

// The file's bars against those stored: the ones after the last stored bar are new and
// encoded; the others must be equal to the stored bar of their date, else they conflict.
CConverter::SUpdate CConverter::CompareWithStored(const SSeries& series, const SSecurityBars& stored,
                                                  SWhen lastStored) const {
    SUpdate update;
    update.last = lastStored;
    for (const SBar& bar : series.bars) {
        const SWhen when{bar.nDate, bar.nTime};
        if (when > lastStored) {
            AppendBar(bar, update.records);
            if (update.nNew++ == 0) {
                update.first = when;
                update.pFirstNew = &bar;
            }
            update.last = when;
            continue;
        }
        const auto match = std::lower_bound(stored.bars.begin(), stored.bars.end(), when, [](const SBarValues& b, SWhen w) {
            return SWhen{b.nDate, b.nTime} < w;
        });
        std::string strDifference;
        if (match == stored.bars.end() || SWhen{match->nDate, match->nTime} != when) {
            strDifference = std::string("the security holds no bar of that ") + (Intraday() ? "time" : "date");
        }
        for (int field : stored.fields) {
            if (!strDifference.empty() || field == kFieldDate || field == kFieldTime) {
                continue;
            }
            const float fStored = match->values[static_cast<std::size_t>(field)];
            const float fFile = DecodeMbf(EncodeMbf(bar.values[static_cast<std::size_t>(field)]));
            if (fStored != fFile) {
                strDifference = std::string(kFieldNames[static_cast<std::size_t>(field)]) + " is " + ValueText(fFile) +
                                " in the file but " + ValueText(fStored) + " in the security";
            }
        }
        if (strDifference.empty()) {
            ++update.nEqual;
        } else {
            update.conflicts.push_back({bar.nLine, WhenText(when),
                                        "the bar of " + WhenText(when) + " conflicts: " + strDifference});
        }
    }
    return update;
}

// A first new close far from the last stored one: a split, or another security's file. The
// run goes ahead, and says so.
std::string CConverter::JumpWarning(const SUpdate& update, const SSecurityBars& stored,
                                    const std::string& strShown) const {
    if (!update.pFirstNew || stored.bars.empty()) {
        return {};
    }
    const float fOld = stored.bars.back().values[kFieldClose];
    const float fNew = DecodeMbf(EncodeMbf(update.pFirstNew->values[kFieldClose]));
    if (fOld == 0 || std::fabs(static_cast<double>(fNew) / fOld - 1.0) <= kJumpRatio) {
        return {};
    }
    const SBarValues& last = stored.bars.back();
    return "Warning: " + strShown + "'s first new close, " + ValueText(fNew) + " on " + WhenText(update.first) +
           ", is far from its last stored close, " + ValueText(fOld) + " on " + WhenText({last.nDate, last.nTime}) +
           " (a split, or another security's file?)";
}

int CConverter::StageUpdate(const SSeries& series, const STarget& target) {
    const std::string strShown = Shown(target.strSymbol);
    const auto existing = m_pDatabase->FindSecurity(target.strSymbol);
    if (!existing) {
        // A damaged XMASTER lists none of its securities: the symbol may be one of them.
        const bool bXmasterDamaged = m_pDatabase->Damage().size() > m_pDatabase->RefusingDamage().size();
        m_messages.Show("The symbol " + strShown + " is not in " + m_pRun->strFolder + ". " +
                        (bXmasterDamaged ? "Its XMASTER is damaged and lists no security; " +
                                               m_wording.Setting(ESetting::Repair) + " makes it whole."
                                         : m_wording.Setting(ESetting::AddNewBars) + " adds to a security that exists; " +
                                               m_wording.Setting(ESetting::AddOrUpdate) + " adds new ones as well."));
        return 1;
    }
    const auto stored = StoredBarsFor(*existing, strShown);
    if (!stored) {
        return 1;
    }
    const SWhen lastStored = stored->bars.empty() ? SWhen{existing->nLastDate, 0}
                                                  : SWhen{stored->bars.back().nDate, stored->bars.back().nTime};
    const SUpdate update = CompareWithStored(series, *stored, lastStored);
    if (!update.conflicts.empty() && !m_pRun->conversion.read.bSkipBadLines) {
        std::string text;
        for (std::size_t i = 0; i < update.conflicts.size() && i < CBarReader::kShownBadLines; ++i) {
            text += "line " + std::to_string(update.conflicts[i].nLine) + ": " + update.conflicts[i].strReason + "\n";
        }
        const std::size_t nConflicts = update.conflicts.size();
        m_messages.Show(m_wording.Message(std::to_string(nConflicts) + (nConflicts == 1 ? " line conflicts" : " lines conflict") +
                                              " with the bars " + strShown + " already holds (up to " +
                                              WhenText(lastStored) + "):",
                                          text + "\nNothing was added. Set " + m_wording.Setting(ESetting::SkipBadLines) +
                                              " to add the new bars anyway."));
        return 1;
    }
    const std::size_t nTotal = stored->bars.size() + static_cast<std::size_t>(update.nNew);
    if (nTotal > static_cast<std::size_t>(kMaxBars)) {
        m_messages.Show("With the " + std::to_string(update.nNew) + " new bars " + strShown + " would hold " +
                        std::to_string(nTotal) + " bars; one security can hold at most 65,534.");
        return 1;
    }
    std::string strError;
    if (update.nNew > 0 &&
        !m_pDatabase->AppendBars(*existing, update.records, update.nNew, update.last.nDate, update.last.nTime,
                                 strError)) {
        m_messages.Show(strError);
        return 1;
    }
    std::vector<SBadLine>& skipped = m_pRun->skipped;
    m_pRun->nSkipped += update.conflicts.size();
    skipped.insert(skipped.end(), update.conflicts.begin(), update.conflicts.end());
    std::sort(skipped.begin(), skipped.end(), [](const SBadLine& a, const SBadLine& b) { return a.nLine < b.nLine; });
    SRun::SStaged staged;
    staged.strSymbol = target.strSymbol;
    staged.strName = existing->strName;
    staged.bUpdate = true;
    staged.nBars = update.nNew;
    staged.nEqual = update.nEqual;
    staged.first = update.first;
    staged.last = update.last;
    staged.strWarning = JumpWarning(update, *stored, strShown);
    m_pRun->staged.push_back(std::move(staged));
    return 0;
}

std::size_t CConverter::StagedCount() const {
    return m_pRun ? m_pRun->staged.size() : 0;
}

std::size_t CConverter::AddedCount() const {
    return m_pRun ? static_cast<std::size_t>(std::count_if(m_pRun->staged.begin(), m_pRun->staged.end(),
                                                           [](const SRun::SStaged& s) { return !s.bUpdate; }))
                  : 0;
}

std::size_t CConverter::UpdatedCount() const {
    return StagedCount() - AddedCount();
}

const std::vector<SBadLine>& CConverter::SkippedLines() const {
    static const std::vector<SBadLine> kNone;
    return m_pRun ? m_pRun->skipped : kNone;
}

std::uint64_t CConverter::SkippedLineCount() const {
    return m_pRun ? m_pRun->nSkipped : 0;
}

void CConverter::FinishRun(const CDatabase& database) {
    const SConversion& conversion = m_pRun->conversion;
    SaveRunRecord(m_store, conversion.strInputPath, m_pRun->strFolder, conversion.output.strSymbol,
                  conversion.output.strName);

    m_summary.clear();
    if (m_pRun->bStartedInEmptyFolder) {
        m_summary.push_back("Started a new database in " + m_pRun->strFolder + ".");
    }
    bool bLongName = false;
    std::vector<std::string> warnings;
    for (const SRun::SStaged& staged : m_pRun->staged) {
        const auto security = database.FindSecurity(staged.strSymbol);
        const std::string strSymbol = Shown(staged.strSymbol);
        std::string strFile;
        if (security) {
            strFile = "file number " + std::to_string(security->nFileNumber) + " (" + security->strDataFile + ")";
        }
        if (!staged.strWarning.empty()) {
            warnings.push_back(staged.strWarning);
        }
        if (staged.bUpdate) {
            std::string line = strSymbol + ": " + std::to_string(staged.nBars) + (staged.nBars == 1 ? " new bar" : " new bars");
            if (staged.nBars > 0) {
                line += ", " + WhenText(staged.first) + " to " + WhenText(staged.last);
            }
            if (staged.nEqual > 0) {
                line += "; " + std::to_string(staged.nEqual) +
                        (staged.nEqual == 1 ? " bar already held was skipped" : " bars already held were skipped");
            }
            m_summary.push_back(line + "; " + strFile);
            continue;
        }
        const std::string strName = staged.strName.empty() ? "" : " \"" + Shown(staged.strName) + "\"";
        m_summary.push_back(strSymbol + strName + ": " + std::to_string(staged.nBars) +
                            (staged.nBars == 1 ? " bar, " : " bars, ") + WhenText(staged.first) + " to " +
                            WhenText(staged.last) + ", " + strFile);
        if (staged.nLeftOut > 0) {
            m_summary.push_back(strSymbol + ": the " + GroupedNumber(staged.nLeftOut) +
                                " oldest bars were left out to keep the newest " +
                                GroupedNumber(CBarReader::kMaxBars));
        }
        if (staged.strName.size() > 16 && !database.HasEmaster() &&
            (!security || security->directory == EDirectoryFile::Master)) {
            bLongName = true;
        }
    }
    if (m_pRun->nSkipped > 0) {
        m_summary.push_back("Bad lines skipped: " + std::to_string(m_pRun->nSkipped) + " (" +
                            m_wording.WhereSkippedLinesAre() + ")");
    }
    if (bLongName) {
        m_summary.push_back("Only the first 16 characters of the name were kept: this folder has no EMASTER.");
    }
    m_summary.insert(m_summary.end(), warnings.begin(), warnings.end());
    for (const std::string& warning : database.Warnings()) {
        m_summary.push_back(warning);
    }
    m_summary.push_back("Folder: " + m_pRun->strFolder);
}
