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
#include <string>

class CFileSystem;
class CMessageBox;
class CSettingsStore;

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
    // Limits of the job's text members, the sizes of the original fixed buffers less the
    // terminator. A longer value is refused, never cut.
    static constexpr std::size_t kPathChars = 300;
    static constexpr std::size_t kSymbolChars = 16;
    static constexpr std::size_t kNameChars = 16;
    // Bars that one security can hold: the data header counts records, itself included, in 16 bits.
    static constexpr int kMaxBars = 65534;

    CConverter(CFileSystem& fs, CMessageBox& messages, CSettingsStore& store);
    virtual ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Settings of the run, then its working values. Flags are nonzero for yes.
    std::string m_strInputPath;           // the ASCII input file
    int m_bUseExistingMaster;             // 1: add to the MASTER there; 0: start a new one
    int m_bFieldOn[kFieldCount];          // field present, in field order
    int m_nFieldCol[kFieldCount];         // zero-based column of each field, [0, 19]
    std::string m_szOutputDir;            // replaced by the full path during the run; <= kPathChars
    std::string m_szMasterPath;           // m_szOutputDir / MASTER; <= kPathChars
    std::string m_szSymbol;               // Windows-1252 bytes, <= kSymbolChars
    std::string m_szName;                 // Windows-1252 bytes, <= kNameChars
    std::string m_szDelimiter;            // "," or "\t" or " "
    float m_fValues[kFieldCount];         // the bar being converted, MBF-encoded in place
    int m_nDateFormat;                    // [1, 12], or 0 when no date format was chosen
    int m_bReverse;                       // newest-first input: reverse before converting
    int m_bSkipRows;                      // skip leading rows; cleared once ReverseInput dropped them
    int m_nSkipRows;                      // [0, 200]
    int m_nFieldCount;                    // fields switched on, the record width

    // The run: each step returns 0 for success and 1 for failure and shows its own message.
    int Convert();
    int CheckColumns();
    int CheckMasterPath();
    int CheckDuplicateSymbol();
    int AddSecurity();
    int ReverseInput();
    int ConvertLines();

    // The depth-first search of a MASTER tree: 0 found, -8 not found, -4 a MASTER ended
    // before its entry count. On 0, entry holds the match with its dates decoded to IEEE
    // singles and dir the directory of its MASTER, ending in a separator.
    std::int16_t FindSecurity(const std::string& root, const std::string& symbol, MasterRecord& entry,
                              std::string& dir);

    // Data file writing. AppendBar returns false when the bar could not be stored whole.
    bool AppendBar(std::uint8_t nFileNumber);
    int UpdateMasterDates(const MbfSingle& firstDate, const MbfSingle& lastDate, std::uint8_t nFileNumber);
    int UpdateDataHeader(std::uint16_t nBarCount, std::uint8_t nFileNumber);

    // The file number that AddSecurity gave the new security, 0 before.
    std::uint8_t NewFileNumber() const { return m_nNewFileNumber; }

private:
    std::string DataFilePath(std::uint8_t nFileNumber, const char* pszExtension) const;

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    CSettingsStore& m_store;
    std::uint8_t m_nNewFileNumber = 0;
    // AppendBar runs once per bar: its path is built once.
    std::uint8_t m_nAppendFileNumber = 0;
    std::string m_strAppendPath;
};

// Today's date value: the system date as MM/DD/YY under format 3, a year below 60 read as 20YY.
MbfSingle TodayDateValue();
