// How the lines of a price file are read: the one value that detection finds, the settings
// dialog and the command line set, the preview shows and the conversion reads with. Whatever
// the preview showed is, by construction, what is written, since both read through this value.
#pragma once

#include "metastock/Dates.h"
#include "metastock/Records.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr int kNoColumn = -1;

enum class EDecimalMark { Point, Comma };

// What one bar stands for: a day, a week, a month, or a few minutes (intraday).
enum class EPeriod { Daily, Weekly, Monthly, Intraday };

struct SInputLayout {
    static constexpr int kMaxColumns = 256; // columns a layout may name, 0-based below this

    char cDelimiter = ',';                     // ',' '\t' ';' (each separates a field) or ' ' (runs of blanks)
    EDecimalMark decimalMark = EDecimalMark::Point;
    int nSkipRows = 0;                         // leading physical lines that are not bars, [0, 200]
    EDateFormat dateFormat = EDateFormat::MMDDYY;
    bool bDateTime = false;                    // the date field carries a time of day after the date
    int nTimeCol = kNoColumn;                  // zero-based column of a time of day of its own
    // Zero-based column of each field in field order, kNoColumn for a field the file lacks
    // (never the date or the close).
    std::array<int, kFieldCount> fieldCol{0, 1, 2, 3, 4, 5, 6};
    int nSymbolCol = kNoColumn;                // zero-based column of a symbol per line
    std::string strCurrency;                   // a sign or code every price carries ("$", "EUR"), UTF-8; read
                                               // without it, in UTF-8 or Windows-1252
    bool bReverse = false;                     // the file runs newest first
    EPeriod period = EPeriod::Daily;
    int nInterval = 0;                         // minutes of an intraday bar, [1, 60]; 0 otherwise

    bool FieldOn(int nField) const { return fieldCol[static_cast<std::size_t>(nField)] != kNoColumn; }
    bool HasTime() const { return bDateTime || nTimeCol != kNoColumn; }
    bool DecimalComma() const { return decimalMark == EDecimalMark::Comma; }
    bool operator==(const SInputLayout&) const = default;
};

// How a read treats what the layout cannot read.
struct SReadOptions {
    bool bSkipBadLines = false; // leave bad lines out instead of failing
    bool bKeepLast = false;     // keep the newest bars a security holds, leaving older ones out
};

// The names of the fields in messages, in field order ("Open interest"), and in sentences
// ("open interest").
inline constexpr std::array<const char*, kFieldCount> kFieldNames = {"Date",  "Open",   "High",         "Low",
                                                                     "Close", "Volume", "Open interest"};
std::string LowerFieldName(int nField);

// The delimiters a file may use, by the word that names them.
struct SDelimiterName {
    char cDelimiter;
    const char* pszWord; // "comma", "tab", "space", "semicolon"
};
inline constexpr std::array<SDelimiterName, 4> kDelimiterNames = {
    {{',', "comma"}, {'\t', "tab"}, {' ', "space"}, {';', "semicolon"}}};
// "comma" for ','; "comma" too for a character that is no delimiter.
const char* DelimiterWord(char cDelimiter);
std::optional<char> DelimiterOfWord(std::string_view word);

// The letter a period is stored with (D, W, M, I) and back.
char PeriodLetter(EPeriod period);
std::optional<EPeriod> PeriodOfLetter(char cLetter);

// What makes a layout unreadable, for each front end to say in its own words.
enum class ELayoutProblem {
    None,
    Delimiter,        // not one of the four
    CommaWithComma,   // a decimal comma in a comma-separated file
    SkipRows,         // outside 0 to 200
    ColumnRange,      // a column outside 0 to kMaxColumns - 1 (nField says which; kFieldCount the symbol,
                      // kFieldCount + 1 the time)
    SharedColumn,     // two or more fields read from one column (fields lists them)
    Interval,         // intraday without an interval of 1 to 60 minutes, or an interval without intraday
    IntradayWithoutTime, // intraday bars need a time, in a column or in the date field
};

// The fields of a layout as the problems name them: kFieldDate ... kFieldOpenInterest, then these.
constexpr int kSymbolField = kFieldCount;
constexpr int kTimeField = kFieldCount + 1;

struct SLayoutCheck {
    ELayoutProblem problem = ELayoutProblem::None;
    int nField = 0;            // ColumnRange: the field whose column is out of range
    int nColumn = 0;           // ColumnRange, SharedColumn: the column, from 0
    std::vector<int> fields;   // SharedColumn: the fields of that column, in field order
    bool Ok() const { return problem == ELayoutProblem::None; }
};

// The first problem of a layout, in the order above.
SLayoutCheck CheckLayout(const SInputLayout& layout);
// The problem in a sentence for messages of the engine and the command line ("Close and Volume
// are both in column 5.").
std::string LayoutProblemText(const SLayoutCheck& check);
// The name of a field of SLayoutCheck (a field, "Symbol" or "Time").
std::string LayoutFieldName(int nField);
