// The conversion job: one price file read through its input layout and written into the
// database folder the output choices name. The settings command (or the command line, or a
// batch) builds the conversion as a value, creates one job, calls Convert once and reads the
// summary. Each step returns 0 for success and 1 for failure and shows its own message in
// the front end's words; a failed run changes no file.
#pragma once

#include "engine/BarReader.h"
#include "engine/InputLayout.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CSettingsStore;
class CDatabase;
class CSecurityTree;
class CWording;
struct SNewSecurity;
struct SSecurity;
struct SSecurityBars;

// The ways of using the database in the output folder (the stored "Exist" values).
enum class EMasterMode {
    UseExisting = 0, // add new securities to the database there
    MakeNew = 1,     // start a new database there
    AddNewBars = 2,  // add the file's new bars to securities the database holds
    AddOrUpdate = 3, // new bars for the securities it holds, new securities for the others
};

// Whether a folder holds any file of a database (a directory file, or a data file F<n>.DAT,
// .MWD or .DOP); true when it cannot be listed. A run that adds into a folder that holds none
// starts a database there.
bool HoldsDatabaseFiles(CFileSystem& fs, const std::filesystem::path& folder);

// Where and how a conversion writes.
struct SOutputChoice {
    std::string strFolder;     // UTF-8, as given
    EMasterMode mode = EMasterMode::UseExisting;
    std::string strSymbol;     // UTF-8, cleaned; empty when a symbol column names the securities
    std::string strName;       // UTF-8, at most 44 characters
};

// One conversion, whole.
struct SConversion {
    std::string strInputPath;  // UTF-8
    SInputLayout layout;
    SReadOptions read;
    SOutputChoice output;
};

class CConverter {
public:
    // Limits of the job's paths; a longer value is refused, never cut.
    static constexpr std::size_t kPathChars = 300;
    static constexpr int kMaxBars = kMaxBarsPerFile;

    CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store, const CWording& wording);
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // The run: Prepare, then the folder locked, Stage, the commit and the record of the run.
    int Convert(const SConversion& conversion);
    // Reading phase, nothing written or locked: the output folder checked, the whole input
    // read into bars in conversion order, the symbols checked.
    int Prepare(const SConversion& conversion);
    // Stages the prepared securities (or new bars) in a database locked by the caller.
    // bDatabaseStarted: a new database has already been staged there (by a batch); pTree: the
    // folder's tree of securities as read once for the whole batch.
    int Stage(CDatabase& database, bool bDatabaseStarted = false, const CSecurityTree* pTree = nullptr);
    // Records the run's paths and names in the settings store and builds the summary; after a
    // successful commit.
    void FinishRun(const CDatabase& database);
    // Securities (or new bars) staged by the last Stage, also when it failed half way.
    std::size_t StagedCount() const;

    // After a successful run: the lines of its summary (symbol, file number and data file,
    // bars, first and last date, bad lines skipped, warnings, the folder); empty otherwise.
    const std::vector<std::string>& Summary() const { return m_summary; }
    // The lines the run left out (bad lines with "Skip bad lines", conflicting bars of an
    // update), each with its number and reason, in line order.
    const std::vector<SBadLine>& SkippedLines() const;
    // Of those, how many there were in all (the list keeps the first 100,000).
    std::uint64_t SkippedLineCount() const;
    // What the last Stage did: securities added and securities given new bars.
    std::size_t AddedCount() const;
    std::size_t UpdatedCount() const;

private:
    struct SRun;
    struct STarget;
    // A bar's place in time: its date and, for intraday bars, its time (HHMMSS).
    struct SWhen {
        std::int32_t nDate = 0;
        std::int32_t nTime = 0;
        auto operator<=>(const SWhen&) const = default;
    };
    // New bars held against the bars a security has.
    struct SUpdate {
        std::vector<std::uint8_t> records; // the new bars, encoded
        std::int32_t nNew = 0;
        std::int32_t nEqual = 0;           // bars the security holds already, equal
        SWhen first;                       // of the new bars
        SWhen last;                        // the security's after the update
        const SBar* pFirstNew = nullptr;
        std::vector<SBadLine> conflicts;   // bars that differ from those held
    };
    int CheckMasterPath();
    int ConvertLines();
    int CheckSymbols();
    int CheckDuplicateSymbol(const std::string& strSymbol);
    int StartDatabase(CDatabase& database, bool bDatabaseStarted);
    int StageNew(const SSeries& series, const STarget& target);
    int StageUpdate(const SSeries& series, const STarget& target);
    std::optional<SSecurityBars> StoredBarsFor(const SSecurity& existing, const std::string& strShown);
    std::vector<int> FileFields() const;
    SUpdate CompareWithStored(const SSeries& series, const SSecurityBars& stored, SWhen lastStored) const;
    // "2023-09-01", or "2023-09-01 09:30:00" for intraday bars.
    std::string WhenText(SWhen when) const;
    bool Intraday() const;
    std::string JumpWarning(const SUpdate& update, const SSecurityBars& stored, const std::string& strShown) const;
    // Appends one bar to records, encoded as the data file holds it.
    void AppendBar(const SBar& bar, std::vector<std::uint8_t>& records) const;
    int AddSecurity(const SNewSecurity& security);
    std::string Shown(const std::string& strSymbol) const;

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    CSettingsStore& m_store;
    const CWording& m_wording;
    std::unique_ptr<SRun> m_pRun;
    CDatabase* m_pDatabase = nullptr;       // the locked database, while Stage runs
    const CSecurityTree* m_pTree = nullptr; // the batch's tree of securities, while Stage runs
    std::vector<std::string> m_summary;
};
