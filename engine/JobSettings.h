// The settings of one conversion as the user gives them (the settings dialog or the command
// line), the checks they must pass before a job is built from them, and the filling of the
// job. The dialog and the command line both call these, so that both refuse the same values
// with the same messages.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

class CConverter;

// The entries of the date-format list; an entry's position, counted from 1, is its date
// format number.
inline constexpr std::array<const char*, 12> kDateFormatNames = {
    "YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
    "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY",
};

// The values of section "Import" and of the dialog, with the first-run defaults. Numbers are
// held wide so that a stored or typed 25 (or -3) can be refused instead of wrapped.
struct SImportSettings {
    std::string strDateFormat = "MMDDYY";
    int nDateFormatNumber = 0;  // set by CheckSettingsForRun
    int nExist = 0;             // 0 "Use Existing Master", 1 "Make New Master", -1 none chosen
    int nDelimiter = 0;         // 0 comma, 1 tab, 2 space; anything else reads as comma
    std::string strPathIn;
    std::string strPathOut;
    std::string strSymbol;      // UTF-8 as typed
    std::string strName;        // UTF-8 as typed
    int bReverseOrder = 0;
    int bSkipOn = 0;
    long long nRowsToSkip = 0;
    long long nDateCol = 1;
    int bOpenOn = 1;
    long long nOpenCol = 2;
    int bHiOn = 1;
    long long nHiCol = 3;
    int bLoOn = 1;
    long long nLoCol = 4;
    long long nCloCol = 5;
    int bVolOn = 1;
    long long nVolCol = 6;
    int bOIOn = 1;
    long long nOICol = 7;
};

// The value that a refusal is about, so that the dialog can put the focus on its control.
enum class ESettingsItem {
    DateCol, OpenCol, HiCol, LoCol, CloCol, VolCol, OICol,
    Name, PathOut, Symbol, RowsToSkip, DateFormat, PathIn,
    Columns,  // two switched-on fields share a column
};

struct SSettingsProblem {
    ESettingsItem item;
    std::string strMessage;
};

inline constexpr std::size_t kMaxPathOutChars = 250;
inline constexpr std::size_t kMaxPathInChars = 250;
inline constexpr std::size_t kMaxSymbolChars = 16;
inline constexpr std::size_t kMaxNameChars = 16;
inline constexpr std::size_t kMaxDateFormatChars = 12;
inline constexpr long long kMaxRowsToSkip = 200;
inline constexpr long long kMaxColumn = 20;

// The position (from 1) of the first list entry that begins with text, ignoring case; 0
// when none does.
int DateFormatNumber(std::string_view text);

// Ranges and lengths, in the order the dialog takes its values: every column 1 to 20 (also
// of a field that is switched off), name, output directory, symbol, rows to skip 0 to 200,
// date format, input path.
std::optional<SSettingsProblem> CheckSettingsValues(const SImportSettings& settings);

// The checks made when the user confirms, after CheckSettingsValues: duplicate columns among
// switched-on fields, the symbol (trailing white space removed, upper-cased: settings are
// updated), the output directory present, symbol and name representable in Windows-1252.
// Sets nDateFormatNumber from strDateFormat.
std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& settings);

// Fills a job from checked settings: zero-based columns, the delimiter text, the master mode.
void FillJob(const SImportSettings& settings, CConverter& job);
