#include "engine/Converter.h"

#include "engine/BarReader.h"
#include "engine/JobSettings.h"
#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/SettingsStore.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

const char* const kFieldNames[kFieldCount] = {"Date", "Open", "High", "Low", "Close", "Volume", "Open interest"};

// The full path of the output folder leaves room for the separator and "MASTER" in the job's
// 300-character path limit.
constexpr std::size_t kMaxOutputDirChars = CConverter::kPathChars - (sizeof "/MASTER" - 1);

// The shortest text that reads back as the same single, whatever the locale.
std::string NumberText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FieldSetText(const std::vector<int>& fields) {
    std::string text;
    for (int field : fields) {
        text += (text.empty() ? "" : ", ") + std::string(field == kFieldTime ? "Time" : kFieldNames[field]);
    }
    return text;
}

} // namespace

// What one run hands from its reading phase to its writing phase.
struct CConverter::SRun {
    std::filesystem::path folder;
    SReadResult read;
    std::uint64_t nSkippedBadLines = 0;
    // The symbol and name of each series, Windows-1252.
    struct STarget {
        std::string strSymbol;
        std::string strName;
    };
    std::vector<STarget> targets;

    // The security being built by AddSecurity, AppendBar, UpdateMasterDates and UpdateDataHeader.
    SNewSecurity pending;
    // What was staged, for the summary.
    struct SStaged {
        std::string strSymbol;
        std::string strName;
        bool bUpdate = false;
        std::int32_t nBars = 0;     // bars written by this run
        std::int32_t nEqual = 0;    // update: bars already stored with equal values
        std::int32_t nFirstDate = 0;
        std::int32_t nLastDate = 0;
    };
    std::vector<SStaged> staged;
};

CConverter::CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store)
    : m_bUseExistingMaster(0),
      m_bUpdate(0),
      m_bFieldOn{},
      m_nFieldCol{},
      m_fValues{},
      m_nDateFormat(static_cast<int>(EDateFormat::YY_MM_DD)),
      m_bReverse(0),
      m_bSkipRows(0),
      m_nSkipRows(0),
      m_nFieldCount(0),
      m_bSkipBadLines(0),
      m_bDecimalComma(0),
      m_nSymbolCol(-1),
      m_fs(fs),
      m_messages(messages),
      m_store(store) {}

CConverter::~CConverter() = default;

int CConverter::CheckColumns() {
    m_nFieldCount = 0;
    for (int bOn : m_bFieldOn) {
        if (bOn != 0) {
            ++m_nFieldCount;
        }
    }
    if (m_nFieldCount > 1) {
        return 0;
    }
    m_messages.Show("You need to select more columns", EMessageButtons::Ok, EMessageIcon::Information);
    return 1;
}

int CConverter::Convert() {
    if (Prepare() != 0) {
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

int CConverter::Prepare() {
    m_pRun = std::make_unique<SRun>();
    m_summary.clear();
    if (CheckMasterPath() != 0 || CheckColumns() != 0) {
        return 1;
    }
    if (ConvertLines() != 0 || ReverseInput() != 0) {
        return 1;
    }
    return 0;
}

int CConverter::CheckMasterPath() {
    const auto resolved = m_szOutputDir.empty() ? std::nullopt : ResolvePathNoCase(m_fs, Utf8Path(m_szOutputDir));
    if (!resolved || m_fs.Status(*resolved).kind != EEntryKind::Directory) {
        m_messages.Show("Path does not exist\n\n" + m_szOutputDir);
        return 1;
    }
    const std::string strFull = PathUtf8(*resolved);
    if (strFull.size() > kMaxOutputDirChars) {
        m_messages.Show("The full path of the output directory is too long:\n" + strFull + "\n\nIt may have at most " +
                        std::to_string(kMaxOutputDirChars) + " characters.");
        return 1;
    }
    m_szOutputDir = strFull;
    m_szMasterPath = PathUtf8(EntryPathNoCase(m_fs, *resolved, "MASTER"));
    m_pRun->folder = *resolved;

    // Checked again under the folder's lock; here so that a wrong mode is told before a large
    // file is read. A change that was interrupted is finished under the lock first, and it may
    // be the very one that makes the MASTER.
    if (FindEntryNoCase(m_fs, *resolved, CDatabase::kJournalName)) {
        return 0;
    }
    const bool bMaster = FindEntryNoCase(m_fs, *resolved, "MASTER").has_value();
    if (m_bUseExistingMaster != 0 || m_bUpdate != 0) {
        if (bMaster) {
            return 0;
        }
        const bool bEmpty = !FindEntryNoCase(m_fs, *resolved, "EMASTER") && !FindEntryNoCase(m_fs, *resolved, "XMASTER");
        m_messages.Show("Path specified does not point to a Master file\n\n" + m_szOutputDir +
                        (bEmpty ? "\n\nThe folder holds no database yet: choose \"Make New Master\" to start one "
                                  "there (pelmar-cli: --new-master)."
                                : ""));
        return 1;
    }
    for (const char* pszName : {"MASTER", "EMASTER", "XMASTER"}) {
        if (FindEntryNoCase(m_fs, *resolved, pszName)) {
            m_messages.Show("New Master chosen but one already exists\n\n" + m_szOutputDir);
            return 1;
        }
    }
    return 0;
}

int CConverter::ConvertLines() {
    SInputLayout layout;
    layout.cDelimiter = m_szDelimiter.empty() ? ',' : m_szDelimiter[0];
    layout.bDecimalComma = m_bDecimalComma != 0;
    layout.nDateFormat = m_nDateFormat;
    for (int i = 0; i < kFieldCount; ++i) {
        layout.fieldOn[static_cast<std::size_t>(i)] = m_bFieldOn[i] != 0;
        layout.fieldCol[static_cast<std::size_t>(i)] = m_nFieldCol[i];
    }
    layout.nSymbolCol = m_nSymbolCol;
    layout.nSkipRows = m_bSkipRows != 0 ? m_nSkipRows : 0;
    layout.bReverse = m_bReverse != 0;
    layout.bSkipBadLines = m_bSkipBadLines != 0;

    if (m_nDateFormat < 1 || m_nDateFormat > static_cast<int>(EDateFormat::DDMMCCYY)) {
        m_messages.Show("No date format is chosen. Choose the layout of the file's dates.");
        return 1;
    }
    m_pRun->read = CBarReader(layout).ReadFile(m_fs, Utf8Path(m_strInputPath));
    if (!m_pRun->read.Ok()) {
        m_messages.Show(m_pRun->read.Message());
        return 1;
    }
    m_pRun->nSkippedBadLines = m_pRun->read.nBadLines;
    return 0;
}

// The reader has already put the bars in conversion order (newest-first files turned round in
// memory, the input file untouched); what is left here is to make sure every series rises.
int CConverter::ReverseInput() {
    std::vector<SRun::STarget>& targets = m_pRun->targets;
    for (const SSeries& series : m_pRun->read.series) {
        SRun::STarget target{m_szSymbol, m_szName};
        if (m_nSymbolCol >= 0) {
            // Each symbol of the column must be one the database can hold, before anything is locked.
            std::string strProblem;
            // The column's text is UTF-8 where it reads as such, else Windows-1252.
            const std::string shown = IsUtf8(series.strSymbol) ? series.strSymbol : Windows1252ToUtf8(series.strSymbol);
            const auto clean = CleanSymbol(shown, strProblem);
            const auto stored = clean ? Utf8ToWindows1252(*clean) : std::nullopt;
            if (!stored) {
                m_messages.Show("The symbol column holds \"" + shown +
                                "\" (line " + std::to_string(series.bars.front().nLine) +
                                "), which cannot be a symbol: " + strProblem);
                return 1;
            }
            for (const SRun::STarget& other : targets) {
                if (other.strSymbol == *stored) {
                    m_messages.Show("The symbol column holds " + *clean + " in two spellings (\"" +
                                    shown + "\" from line " +
                                    std::to_string(series.bars.front().nLine) + "); they would be one security.");
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

int CConverter::CheckDuplicateSymbol() {
    const std::string& symbol = m_pRun->pending.strSymbol;
    // The folder's own securities first, those staged by this run or its batch included; a new
    // database has nothing else to search.
    bool bFound = m_pDatabase != nullptr && m_pDatabase->FindSecurity(symbol).has_value();
    if (!bFound && m_bUseExistingMaster != 0) {
        bFound = m_pTree != nullptr ? m_pTree->Find(symbol).has_value()
                                    : FindSecurityInTree(m_fs, m_pRun->folder, symbol).has_value();
    }
    if (!bFound) {
        return 0;
    }
    m_messages.Show(std::string(kDuplicateSymbolMessage) + "\n\nSymbol: " + Windows1252ToUtf8(symbol));
    return 1;
}

int CConverter::AddSecurity() {
    std::string strError;
    if (!m_pDatabase->AddSecurity(m_pRun->pending, strError)) {
        m_messages.Show(m_pDatabase->LastRefusal() == ERefusal::SymbolTaken ? kDuplicateSymbolMessage : strError);
        return 1;
    }
    return 0;
}

void CConverter::SetValues(const SBar& bar) {
    m_fValues[kFieldDate] = static_cast<float>(bar.nDate);
    EncodeMbf(&m_fValues[kFieldDate], &m_fValues[kFieldDate]);
    for (int i = kFieldDate + 1; i < kFieldCount; ++i) {
        m_fValues[i] = m_bFieldOn[i] != 0 ? bar.values[static_cast<std::size_t>(i)] : 0.0f;
        EncodeMbf(&m_fValues[i], &m_fValues[i]);
    }
}

bool CConverter::AppendBar(std::uint8_t) {
    std::uint8_t record[4 * kFieldCount];
    std::size_t nSize = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_bFieldOn[i] != 0) {
            std::memcpy(record + nSize, &m_fValues[i], 4);
            nSize += 4;
        }
    }
    std::vector<std::uint8_t>& records = m_pRun->pending.records;
    records.insert(records.end(), record, record + nSize);
    return true;
}

int CConverter::UpdateMasterDates(const MbfSingle& firstDate, const MbfSingle& lastDate, std::uint8_t) {
    m_pRun->pending.nFirstDate = static_cast<std::int32_t>(DecodeMbf(firstDate));
    m_pRun->pending.nLastDate = static_cast<std::int32_t>(DecodeMbf(lastDate));
    return 0;
}

int CConverter::UpdateDataHeader(std::uint16_t nBarCount, std::uint8_t) {
    m_pRun->pending.nBarCount = nBarCount;
    return 0;
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
        std::string text = "The database in " + m_szOutputDir + " is damaged; nothing was added to it:";
        for (const std::string& line : database.RefusingDamage()) {
            text += "\n" + line;
        }
        m_messages.Show(text + "\n\nRun 'pelmar-cli check' on the folder for the whole report, 'pelmar-cli repair' "
                               "to make it whole.");
        return 1;
    }
    std::string strError;
    if (m_bUseExistingMaster == 0 && m_bUpdate == 0) {
        if (!bDatabaseStarted && !database.CreateNew(strError)) {
            m_messages.Show(strError);
            return 1;
        }
    } else if (!database.HasMaster()) {
        m_messages.Show("Path specified does not point to a Master file\n\n" + m_szOutputDir);
        return 1;
    }

    for (std::size_t i = 0; i < m_pRun->read.series.size(); ++i) {
        const SSeries& series = m_pRun->read.series[i];
        const SRun::STarget& target = m_pRun->targets[i];
        const int nResult = m_bUpdate != 0 ? StageUpdate(series, target.strSymbol)
                                           : StageNew(series, target.strSymbol, target.strName);
        if (nResult != 0) {
            return 1;
        }
    }
    if (m_bUseExistingMaster != 0 || m_bUpdate != 0) {
        database.KeepMasterBackup();
    }
    return 0;
}

int CConverter::StageNew(const SSeries& series, const std::string& strSymbol, const std::string& strName) {
    SNewSecurity& pending = m_pRun->pending;
    pending = SNewSecurity{};
    pending.strSymbol = strSymbol;
    pending.strName = strName;
    for (int i = 0; i < kFieldCount; ++i) {
        pending.fields[static_cast<std::size_t>(i)] = m_bFieldOn[i] != 0;
    }
    if (CheckDuplicateSymbol() != 0) {
        return 1;
    }
    pending.records.reserve(series.bars.size() * static_cast<std::size_t>(4 * m_nFieldCount));
    for (const SBar& bar : series.bars) {
        SetValues(bar);
        AppendBar(0);
    }
    UpdateMasterDates(EncodeMbf(static_cast<float>(series.bars.front().nDate)),
                      EncodeMbf(static_cast<float>(series.bars.back().nDate)), 0);
    UpdateDataHeader(static_cast<std::uint16_t>(series.bars.size()), 0);
    if (AddSecurity() != 0) {
        return 1;
    }
    m_pRun->staged.push_back({strSymbol, strName, false, pending.nBarCount, 0, pending.nFirstDate, pending.nLastDate});
    pending.records = {};
    return 0;
}

int CConverter::StageUpdate(const SSeries& series, const std::string& strSymbol) {
    const std::string strShown = Windows1252ToUtf8(strSymbol);
    const auto existing = m_pDatabase->FindSecurity(strSymbol);
    if (!existing) {
        m_messages.Show("The symbol " + strShown + " is not in " + m_szOutputDir +
                        ".\n\"Add New Bars\" adds to a security that exists; choose \"Use Existing Master\" to add "
                        "a new one.");
        return 1;
    }
    if (existing->cPeriodicity != 'D') {
        m_messages.Show("The security " + strShown + " in " + m_szOutputDir +
                        " holds intraday bars; only daily bars can be added to it.");
        return 1;
    }
    std::string strError;
    const auto stored = m_pDatabase->ReadBars(*existing, strError);
    if (!stored) {
        m_messages.Show(strError);
        return 1;
    }
    std::vector<int> fileFields;
    for (int i = 0; i < kFieldCount; ++i) {
        if (m_bFieldOn[i] != 0) {
            fileFields.push_back(i);
        }
    }
    if (stored->bTime || stored->fields != fileFields) {
        m_messages.Show("The fields of the file do not match those of " + strShown + ".\nThe file has: " +
                        FieldSetText(fileFields) + "\nThe security has: " + FieldSetText(stored->fields));
        return 1;
    }

    const std::int32_t nLastStored = stored->bars.empty() ? existing->nLastDate : stored->bars.back().nDate;
    std::vector<std::uint8_t>& records = m_pRun->pending.records;
    records.clear();
    std::int32_t nNew = 0;
    std::int32_t nEqual = 0;
    std::uint64_t nConflicts = 0;
    std::vector<std::string> firstConflicts;
    std::int32_t nNewLast = nLastStored;
    std::int32_t nNewFirst = 0;
    for (const SBar& bar : series.bars) {
        if (bar.nDate > nLastStored) {
            SetValues(bar);
            AppendBar(0);
            if (nNew++ == 0) {
                nNewFirst = bar.nDate;
            }
            nNewLast = bar.nDate;
            continue;
        }
        const auto match = std::lower_bound(stored->bars.begin(), stored->bars.end(), bar.nDate,
                                            [](const SBarValues& b, std::int32_t nDate) { return b.nDate < nDate; });
        std::string strDifference;
        if (match == stored->bars.end() || match->nDate != bar.nDate) {
            strDifference = "the security holds no bar of that date";
        } else {
            for (int field : fileFields) {
                if (field == kFieldDate) {
                    continue;
                }
                const float fStored = match->values[static_cast<std::size_t>(field)];
                const float fFile = DecodeMbf(EncodeMbf(bar.values[static_cast<std::size_t>(field)]));
                if (fStored != fFile) {
                    strDifference = std::string(kFieldNames[field]) + " is " + NumberText(fFile) +
                                    " in the file but " + NumberText(fStored) + " in the security";
                    break;
                }
            }
        }
        if (strDifference.empty()) {
            ++nEqual;
            continue;
        }
        if (nConflicts++ < 5) {
            firstConflicts.push_back("line " + std::to_string(bar.nLine) + ": the bar of " + DateValueText(bar.nDate) +
                                     " conflicts: " + strDifference);
        }
    }
    if (nConflicts > 0 && m_bSkipBadLines == 0) {
        std::string text = std::to_string(nConflicts) + (nConflicts == 1 ? " line conflicts" : " lines conflict") +
                           " with the bars " + strShown + " already holds (up to " + DateValueText(nLastStored) +
                           "):";
        for (const std::string& line : firstConflicts) {
            text += "\n" + line;
        }
        m_messages.Show(text + "\n\nNothing was added. Set \"Skip bad lines\" to add the new bars anyway.");
        return 1;
    }
    m_pRun->nSkippedBadLines += nConflicts;
    const std::size_t nTotal = stored->bars.size() + static_cast<std::size_t>(nNew);
    if (nTotal > static_cast<std::size_t>(kMaxBars)) {
        m_messages.Show("With the " + std::to_string(nNew) + " new bars " + strShown + " would hold " +
                        std::to_string(nTotal) + " bars; one security can hold at most 65,534.");
        return 1;
    }
    if (nNew > 0 && !m_pDatabase->AppendBars(*existing, records, nNew, nNewLast, strError)) {
        m_messages.Show(strError);
        return 1;
    }
    records = {};
    m_pRun->staged.push_back({strSymbol, existing->strName, true, nNew, nEqual, nNewFirst, nNewLast});
    return 0;
}

std::size_t CConverter::StagedCount() const {
    return m_pRun ? m_pRun->staged.size() : 0;
}

void CConverter::FinishRun(const CDatabase& database) {
    m_store.PutString("Import", "PathIn", m_strInputPath);
    m_store.PutString("Import", "PathOut", m_szOutputDir);
    m_store.PutString("Import", "Symbol", Windows1252ToUtf8(m_szSymbol));
    m_store.PutString("Import", "Name", Windows1252ToUtf8(m_szName));

    m_summary.clear();
    bool bLongName = false;
    for (const SRun::SStaged& staged : m_pRun->staged) {
        const auto security = database.FindSecurity(staged.strSymbol);
        const std::string strSymbol = Windows1252ToUtf8(staged.strSymbol);
        std::string strFile;
        if (security) {
            strFile = "file number " + std::to_string(security->nFileNumber) + " (" + security->strDataFile + ")";
        }
        if (staged.bUpdate) {
            std::string line = strSymbol + ": " + std::to_string(staged.nBars) + (staged.nBars == 1 ? " new bar" : " new bars");
            if (staged.nBars > 0) {
                line += ", " + DateValueText(staged.nFirstDate) + " to " + DateValueText(staged.nLastDate);
            }
            if (staged.nEqual > 0) {
                line += "; " + std::to_string(staged.nEqual) +
                        (staged.nEqual == 1 ? " bar already held was skipped" : " bars already held were skipped");
            }
            m_summary.push_back(line + "; " + strFile);
            continue;
        }
        const std::string strName = staged.strName.empty() ? "" : " \"" + Windows1252ToUtf8(staged.strName) + "\"";
        m_summary.push_back(strSymbol + strName + ": " + std::to_string(staged.nBars) + (staged.nBars == 1 ? " bar, " : " bars, ") + DateValueText(staged.nFirstDate) + " to " +
                            DateValueText(staged.nLastDate) + ", " + strFile);
        if (staged.strName.size() > 16 && !database.HasEmaster() &&
            (!security || security->directory == EDirectoryFile::Master)) {
            bLongName = true;
        }
    }
    if (m_pRun->nSkippedBadLines > 0) {
        m_summary.push_back("Bad lines skipped: " + std::to_string(m_pRun->nSkippedBadLines));
    }
    if (bLongName) {
        m_summary.push_back("Only the first 16 characters of the name were kept: this folder has no EMASTER.");
    }
    for (const std::string& warning : database.Warnings()) {
        m_summary.push_back(warning);
    }
    m_summary.push_back("Folder: " + m_szOutputDir);
}
