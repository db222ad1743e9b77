// The settings of one conversion as the window program keeps them (section "Import" of the
// store and the settings dialog's values), the one table of their stored keys with defaults
// and ranges, the checks they must pass before a run, and the one mapping from them to the
// conversion (its input layout and output choices) and back. The dialog and the settings store
// use this table, so each key's section, name, default and range is written once, here.
#pragma once

#include "engine/Converter.h"
#include "engine/InputLayout.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class CSettingsStore;

// Stored "Delimiter" values: the position of the delimiter in kDelimiterNames.
enum class EDelimiter { Comma = 0, Tab = 1, Space = 2, Semicolon = 3 };

// Stored "Period" values.
enum class EStoredPeriod { Daily = 0, Weekly = 1, Monthly = 2, Intraday = 3 };

// The values of section "Import" and of the dialog. Numbers are held wide so that a stored or
// typed 25 (or -3) can be refused instead of wrapped. The initial values are the defaults of
// the key table.
struct SImportSettings {
    std::string strDateFormat = "MMDDYY";
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
    long long nTimeCol = 0;      // 0: no time column
    long long bDateTime = 0;     // the date field carries a time of day
    long long nPeriod = 0;       // EStoredPeriod
    long long nInterval = 0;     // minutes, intraday only
    long long bKeepLast = 0;
    std::string strCurrency;     // UTF-8 as typed; empty: prices carry no currency
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

inline constexpr std::array<SIntKey, 25> kIntKeys = {{
    {"Exist", &SImportSettings::nExist, 0, 0, 3},
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
    {"TimeCol", &SImportSettings::nTimeCol, 0, 0, kMaxColumn},
    {"DateTime", &SImportSettings::bDateTime, 0, 0, 1},
    {"Period", &SImportSettings::nPeriod, 0, 0, 3},
    {"Interval", &SImportSettings::nInterval, 0, 0, 60},
    {"KeepLast", &SImportSettings::bKeepLast, 0, 0, 1},
}};

inline constexpr std::size_t kMaxCurrencyChars = 4;

inline constexpr std::array<STextKey, 6> kTextKeys = {{
    {"DateFormat", &SImportSettings::strDateFormat, "MMDDYY", kMaxDateFormatChars},
    {"PathIn", &SImportSettings::strPathIn, "", kMaxPathChars},
    {"PathOut", &SImportSettings::strPathOut, "", kMaxPathChars},
    {"Symbol", &SImportSettings::strSymbol, "", kMaxSymbolChars},
    {"Name", &SImportSettings::strName, "", kMaxNameChars},
    {"Currency", &SImportSettings::strCurrency, "", kMaxCurrencyChars},
}};

// Keys that only a successful run records (the run's paths and names), never the dialog.
bool IsRunRecordKey(std::string_view key);
// Records a successful run's input file, output folder, symbol and name (UTF-8).
void SaveRunRecord(CSettingsStore& store, const std::string& strPathIn, const std::string& strPathOut,
                   const std::string& strSymbol, const std::string& strName);

// Reads section "Import" into settings (every key of both tables; an integer out of its range
// or a text too long reads as its default).
SImportSettings LoadImportSettings(CSettingsStore& store);
// Writes the dialog's keys: every key but those of IsRunRecordKey.
void SaveImportSettings(CSettingsStore& store, const SImportSettings& settings);

// The value that a refusal is about, so that the dialog can put the focus on its control.
enum class ESettingsItem {
    DateCol, OpenCol, HiCol, LoCol, CloCol, VolCol, OICol, SymbolCol, TimeCol,
    Name, PathOut, Symbol, RowsToSkip, DateFormat, PathIn, Currency, Interval,
    Columns,  // two switched-on fields share a column
};

struct SSettingsProblem {
    ESettingsItem item;
    std::string strMessage;
};

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
// switched-on fields (the symbol and time columns included), the date format one of the list,
// the symbol (cleaned: settings are updated), the output directory present, symbol and name
// representable in Windows-1252, the interval of intraday bars. bSymbolFromFiles: the symbols
// come from file names or a symbol column, so an empty symbol is accepted.
std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& settings, bool bSymbolFromFiles = false);

// Both checks, in their order: what a run must pass before anything is read.
std::optional<SSettingsProblem> CheckSettings(SImportSettings& settings, bool bSymbolFromFiles = false);

// The input layout that settings describe (columns from 0, the delimiter as its character); a
// date format that is none of the list reads as the stored default. And back: the layout's
// values put into settings, the columns of fields the file lacks kept as they were.
SInputLayout LayoutOf(const SImportSettings& settings);
void PutLayout(SImportSettings& settings, const SInputLayout& layout);
// How a run reads and writes: bad lines left out, the newest bars kept; the output folder,
// master mode, symbol and name.
SReadOptions ReadOptionsOf(const SImportSettings& settings);
SOutputChoice OutputOf(const SImportSettings& settings);
// The whole conversion of checked settings.
SConversion ConversionOf(const SImportSettings& settings);
