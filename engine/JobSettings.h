// The settings of one conversion as the user gives them (the settings dialog or the command
// line), the one table of their stored keys with defaults and ranges, the checks they must
// pass before a job is built from them, and the filling of the job. The dialog, the command
// line and the settings store all use this table, so each key's section, name, default and
// range is written once, here.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class CConverter;
class CSettingsStore;

// The entries of the date-format list; an entry's position, counted from 1, is its date
// format number.
inline constexpr std::array<const char*, 12> kDateFormatNames = {
    "YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
    "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY",
};

// Stored "Delimiter" values.
enum class EDelimiter { Comma = 0, Tab = 1, Space = 2, Semicolon = 3 };
// The character of a stored "Delimiter" value; anything unknown reads as the comma.
char DelimiterChar(long long nDelimiter);

// Stored "Exist" values: the three ways of using the MASTER in the output folder.
enum class EMasterMode { UseExisting = 0, MakeNew = 1, AddNewBars = 2 };

// The values of section "Import" and of the dialog. Numbers are held wide so that a stored or
// typed 25 (or -3) can be refused instead of wrapped. The initial values are the defaults of
// the key table.
struct SImportSettings {
    std::string strDateFormat = "MMDDYY";
    int nDateFormatNumber = 0;   // set by CheckSettingsForRun
    long long nExist = 0;        // EMasterMode; -1 when no mode was chosen
    long long nDelimiter = 0;    // EDelimiter; anything else reads as comma
    std::string strPathIn;
    std::string strPathOut;
    std::string strSymbol;       // UTF-8 as typed
    std::string strName;         // UTF-8 as typed
    long long bReverseOrder = 0;
    long long bSkipOn = 0;
    long long nRowsToSkip = 0;
    long long bSkipBadLines = 0;
    long long bDecimalComma = 0;
    long long nSymbolCol = 0;    // 0: no symbol column
    long long nDateCol = 1;
    long long bOpenOn = 1;
    long long nOpenCol = 2;
    long long bHiOn = 1;
    long long nHiCol = 3;
    long long bLoOn = 1;
    long long nLoCol = 4;
    long long nCloCol = 5;
    long long bVolOn = 1;
    long long nVolCol = 6;
    long long bOIOn = 1;
    long long nOICol = 7;
};

inline constexpr const char* kImportSection = "Import";
inline constexpr const char* kScreenSection = "Screen";

// An integer key of section "Import": its member, its default and its range. A stored value
// outside the range reads as the default; the dialog's spin boxes take their ranges from here.
struct SIntKey {
    const char* pszKey;
    long long SImportSettings::*pMember;
    long long nDefault;
    long long nMin;
    long long nMax;
};

// A text key of section "Import" and its longest accepted value in characters.
struct STextKey {
    const char* pszKey;
    std::string SImportSettings::*pMember;
    const char* pszDefault;
    std::size_t nMaxChars;
};

inline constexpr std::size_t kMaxPathChars = 250;
inline constexpr std::size_t kMaxSymbolChars = 14;
inline constexpr std::size_t kMaxNameChars = 44;
inline constexpr std::size_t kMaxDateFormatChars = 12;
inline constexpr long long kMaxRowsToSkip = 200;
inline constexpr long long kMaxColumn = 20;

inline constexpr std::array<SIntKey, 20> kIntKeys = {{
    {"Exist", &SImportSettings::nExist, 0, 0, 2},
    {"Delimiter", &SImportSettings::nDelimiter, 0, 0, 3},
    {"Reverse", &SImportSettings::bReverseOrder, 0, 0, 1},
    {"SkipOn", &SImportSettings::bSkipOn, 0, 0, 1},
    {"SkipRows", &SImportSettings::nRowsToSkip, 0, 0, kMaxRowsToSkip},
    {"SkipBad", &SImportSettings::bSkipBadLines, 0, 0, 1},
    {"DecimalComma", &SImportSettings::bDecimalComma, 0, 0, 1},
    {"SymbolCol", &SImportSettings::nSymbolCol, 0, 0, kMaxColumn},
    {"DateCol", &SImportSettings::nDateCol, 1, 1, kMaxColumn},
    {"OpenOn", &SImportSettings::bOpenOn, 1, 0, 1},
    {"OpenCol", &SImportSettings::nOpenCol, 2, 1, kMaxColumn},
    {"HiOn", &SImportSettings::bHiOn, 1, 0, 1},
    {"HiCol", &SImportSettings::nHiCol, 3, 1, kMaxColumn},
    {"LoOn", &SImportSettings::bLoOn, 1, 0, 1},
    {"LoCol", &SImportSettings::nLoCol, 4, 1, kMaxColumn},
    {"CloCol", &SImportSettings::nCloCol, 5, 1, kMaxColumn},
    {"VolOn", &SImportSettings::bVolOn, 1, 0, 1},
    {"VolCol", &SImportSettings::nVolCol, 6, 1, kMaxColumn},
    {"OIOn", &SImportSettings::bOIOn, 1, 0, 1},
    {"OICol", &SImportSettings::nOICol, 7, 1, kMaxColumn},
}};

inline constexpr std::array<STextKey, 5> kTextKeys = {{
    {"DateFormat", &SImportSettings::strDateFormat, "MMDDYY", kMaxDateFormatChars},
    {"PathIn", &SImportSettings::strPathIn, "", kMaxPathChars},
    {"PathOut", &SImportSettings::strPathOut, "", kMaxPathChars},
    {"Symbol", &SImportSettings::strSymbol, "", kMaxSymbolChars},
    {"Name", &SImportSettings::strName, "", kMaxNameChars},
}};

// Keys that only a successful run records (the run's paths and names), never the dialog.
bool IsRunRecordKey(std::string_view key);

// Reads section "Import" into settings (every key of both tables; an integer out of its range
// or a text too long reads as its default).
SImportSettings LoadImportSettings(CSettingsStore& store);
// Writes the dialog's keys: every key but those of IsRunRecordKey.
void SaveImportSettings(CSettingsStore& store, const SImportSettings& settings);

// The value that a refusal is about, so that the dialog can put the focus on its control.
enum class ESettingsItem {
    DateCol, OpenCol, HiCol, LoCol, CloCol, VolCol, OICol, SymbolCol,
    Name, PathOut, Symbol, RowsToSkip, DateFormat, PathIn,
    Columns,  // two switched-on fields share a column
};

struct SSettingsProblem {
    ESettingsItem item;
    std::string strMessage;
};

// The position (from 1) of the first list entry that begins with text, ignoring case; 0
// when none does.
int DateFormatNumber(std::string_view text);

// A symbol as it is stored: blanks around it removed, upper-cased; refused (with the reason)
// when empty, longer than 14 characters or not representable in Windows-1252.
std::optional<std::string> CleanSymbol(std::string_view text, std::string& strProblem);

// The symbol a file name gives: its stem upper-cased, cut at the first character other than a
// letter A-Z, a digit or one of . - _ ^ & # $ ! + =, and at 14 characters; empty when none is left.
std::string SymbolFromFileName(std::string_view stem);

// Ranges and lengths, in the order the dialog takes its values: every column 1 to 20 (also
// of a field that is switched off), name, output directory, symbol, rows to skip 0 to 200,
// date format, input path.
std::optional<SSettingsProblem> CheckSettingsValues(const SImportSettings& settings);

// The checks made when the user confirms, after CheckSettingsValues: duplicate columns among
// switched-on fields (the symbol column included), the symbol (cleaned: settings are
// updated), the output directory present, symbol and name representable in Windows-1252.
// Sets nDateFormatNumber from strDateFormat. bSymbolFromFiles: the symbols come from file
// names or a symbol column, so an empty symbol is accepted.
std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& settings, bool bSymbolFromFiles = false);

// Both checks, in their order: what a run must pass before anything is read.
std::optional<SSettingsProblem> CheckSettings(SImportSettings& settings, bool bSymbolFromFiles = false);

// Fills a job from checked settings: zero-based columns, the delimiter text, the master mode.
void FillJob(const SImportSettings& settings, CConverter& job);
