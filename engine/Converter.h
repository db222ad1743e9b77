// The conversion job: the settings of one run, the working values that its steps hand to
// each other, and the steps themselves. The Settings command (or the command line) creates
// one job per run, fills its settings, calls Convert once and deletes it.
//
// Map of the design: platform/ (files, messages, settings seam) <- metastock/ (byte
// layouts, MBF numbers, dates, MASTER and data-file operations) <- engine/ (this job) <-
// settings/ (store, dialog) and app/ (windows) or cli/ on top.
#pragma once

#include "metastock/Mbf.h"
#include "metastock/Records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFileSystem;
class CMessageBox;
class CSettingsStore;
class CDatabase;
struct SBar;
class CSecurityTree;
struct SSeries;

// Date format numbers, the positions of the date-format list's entries.
enum class EDateFormat : int {
    YY_MM_DD = 1,
    CCYY_MM_DD,
    MM_DD_YY,
    MM_DD_CCYY,
    DD_MM_YY,
    DD_MM_CCYY,
    YYMMDD,
    CCYYMMDD,
    MMDDYY,
    MMDDCCYY,
    DDMMYY,
    DDMMCCYY,
};

class CConverter {
public:
    // Limits of the job's text members; a longer value is refused, never cut.
    static constexpr std::size_t kPathChars = 300;
    static constexpr int kMaxBars = kMaxBarsPerFile;
    // What a new security (or a new symbol) that is taken already is refused with.
    static constexpr const char* kDuplicateSymbolMessage =
        "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already exists.\n\n"
        "Choose a different symbol or\nrename/delete the existing symbol";

    CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store);
    virtual ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Settings of the run, then its working values. Flags are nonzero for yes.
    std::string m_strInputPath;           // the price file (UTF-8 path)
    int m_bUseExistingMaster;             // 1: add to the database there; 0: start a new one
    int m_bUpdate;                        // 1: "Add New Bars" to the existing security m_szSymbol
    int m_bFieldOn[kFieldCount];          // field present, in field order
    int m_nFieldCol[kFieldCount];         // zero-based column of each field, [0, 19]
    std::string m_szOutputDir;            // replaced by the full path during the run (UTF-8)
    std::string m_szMasterPath;           // m_szOutputDir / MASTER
    std::string m_szSymbol;               // Windows-1252 bytes, <= kSymbolChars
    std::string m_szName;                 // Windows-1252 bytes, <= kNameChars
    std::string m_szDelimiter;            // "," or "\t" or " " or ";"
    float m_fValues[kFieldCount];         // the bar being stored, MBF-encoded in place
    int m_nDateFormat;                    // [1, 12], or 0 when no date format was chosen
    int m_bReverse;                       // newest-first input: reversed in memory
    int m_bSkipRows;                      // skip leading rows
    int m_nSkipRows;                      // [0, 200]
    int m_nFieldCount;                    // fields switched on, the record width
    int m_bSkipBadLines;                  // leave bad lines out instead of failing the run
    int m_bDecimalComma;                  // numbers use a decimal comma
    int m_nSymbolCol;                     // zero-based column of a symbol per line, -1 none

    // The run: each step returns 0 for success and 1 for failure and shows its own message.
    // Convert = Prepare, then the folder locked, Stage, the commit and the record of the run.
    int Convert();
    // Reading phase, nothing written or locked: the output folder checked, the columns
    // counted, the whole input read into bars and put in order.
    int Prepare();
    // Stages the prepared securities (or new bars) in a database locked by the caller.
    // bDatabaseStarted: "Make New Master" has already been staged there (by a batch); pTree:
    // the folder's tree of securities as read once for the whole batch.
    int Stage(CDatabase& database, bool bDatabaseStarted = false, const CSecurityTree* pTree = nullptr);
    // Records the run's paths and names in the settings store and builds the summary;
    // after a successful commit.
    void FinishRun(const CDatabase& database);
    // Securities (or new bars) staged by the last Stage, also when it failed half way.
    std::size_t StagedCount() const;
    int CheckColumns();
    int CheckMasterPath();
    int CheckDuplicateSymbol();
    int AddSecurity();
    int ReverseInput();
    int ConvertLines();

    // Data file writing into the staged security: one record per bar, then its dates and count.
    bool AppendBar(std::uint8_t nFileNumber);
    int UpdateMasterDates(const MbfSingle& firstDate, const MbfSingle& lastDate, std::uint8_t nFileNumber);
    int UpdateDataHeader(std::uint16_t nBarCount, std::uint8_t nFileNumber);

    // After a successful run: the lines of its summary (symbol, file number and data file,
    // bars, first and last date, bad lines skipped, the folder); empty otherwise.
    const std::vector<std::string>& Summary() const { return m_summary; }

private:
    struct SRun;
    int StageNew(const SSeries& series, const std::string& strSymbol, const std::string& strName);
    int StageUpdate(const SSeries& series, const std::string& strSymbol);
    // m_fValues from a bar read from the file, each MBF-encoded in place, as AppendBar takes them.
    void SetValues(const SBar& bar);
    CFileSystem& m_fs;
    CMessageBox& m_messages;
    CSettingsStore& m_store;
    std::unique_ptr<SRun> m_pRun;
    CDatabase* m_pDatabase = nullptr;       // the locked database, while Stage runs
    const CSecurityTree* m_pTree = nullptr; // the batch's tree of securities, while Stage runs
    std::vector<std::string> m_summary;
};
