// One detection over the first lines of a file: the lines split under the delimiter chosen,
// the measures of their columns and the choices made so far, which each decision reads and
// adds to. The decisions themselves stand in files of their own, by topic: the delimiter and
// decimal mark (DetectDelimiter.cpp), the dates, times, header rows and period
// (DetectDates.cpp), the fields and a currency (DetectFields.cpp); the detector
// (LayoutDetector.cpp) takes them in turn, then the order, and tries the layout found.
#pragma once

#include "engine/LayoutDetector.h"
#include "engine/NumberScan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CWording;

struct SSampleLine {
    std::uint64_t nNumber = 0;
    std::string strText;
    std::vector<std::string> cells; // under the delimiter chosen; none for a blank line
    bool bBlank = false;
};

struct SColumnStats {
    std::size_t nNumbers = 0;   // data rows whose cell is a number
    std::size_t nEmpty = 0;     // data rows where the cell is empty or missing
    bool bWhole = true;         // every number is a whole number
    bool bPositive = true;
    bool bNonNegative = true;
    bool bZeros = false;        // numbers, every one of them zero
    std::vector<double> values; // per measured row; 0 where the cell is no number
};

// The field a column's name stands for: a field, or one of these.
constexpr int kNoField = -1;    // a name known to hold no field: Adj Close, Spread, ...
constexpr int kSymbolName = -2; // a name of a column of symbols
constexpr int kTimeName = -3;   // a name of a column of times
constexpr int kUnknownName = -4;
// {field or one of the above; rank: 0 names the field for sure, a higher rank gives way}.
// bExact: only names of the table, not names that begin with "date".
std::pair<int, int> FieldOfName(std::string_view name, bool bExact = false);

class CLayoutAnalysis {
public:
    static constexpr std::size_t kMaxAnalysedColumns = 64;

    explicit CLayoutAnalysis(std::vector<SSampleLine> lines);

    // What the decisions share.
    std::vector<SSampleLine> m_lines;
    SLayoutDetection m_result;
    char m_cDelimiter = ',';
    bool m_bDecimalComma = false;
    std::string m_strCurrency;                  // a sign every price carries
    std::size_t m_nColumns = 0;                 // the most cells of a line, at most kMaxAnalysedColumns
    std::size_t m_nDateColumn = 0;
    EDateFormat m_dateFormat = EDateFormat::MMDDYY;
    bool m_bDateTime = false;                   // the date cells carry a time of day
    std::optional<std::size_t> m_timeColumn;    // a column of times
    std::vector<std::size_t> m_rows;            // the lines whose date reads: the data rows
    std::vector<std::int32_t> m_dates;          // their dates
    std::vector<std::int32_t> m_times;          // their times (HHMMSS) where a time was found
    std::optional<std::size_t> m_symbolColumn;  // a named column of several symbols
    std::vector<std::size_t> m_measured;        // the data rows the columns are measured on
    std::uint64_t m_nSkipRows = 0;
    std::vector<std::string> m_names;           // header names by column; empty without a header
    std::vector<SColumnStats> m_stats;          // by column, over the data rows
    std::array<bool, kFieldCount> m_fieldOn{};
    std::array<std::size_t, kFieldCount> m_fieldCol{};
    bool m_bReverse = false;
    EPeriod m_period = EPeriod::Daily;
    int m_nInterval = 0;

    void Doubt(EDetectChoice choice, EConfidence confidence, std::string strText,
               std::optional<EDetectChoice> alsoChoice = std::nullopt);
    bool Fail(std::string strText);
    void SetField(int nField, std::size_t nColumn) {
        m_fieldOn[static_cast<std::size_t>(nField)] = true;
        m_fieldCol[static_cast<std::size_t>(nField)] = nColumn;
    }
    // A cell as a number, under the mark and currency chosen.
    SNumberReading Number(std::string_view cell) const;
    const SColumnStats& Stats(std::size_t nColumn) const { return m_stats[nColumn]; }
    bool IsNumeric(std::size_t nColumn) const {
        return nColumn < m_stats.size() && !m_measured.empty() && m_stats[nColumn].nNumbers == m_measured.size();
    }
    // Two columns of numbers within a day's range of each other in every row, as prices are.
    bool Near(std::size_t a, std::size_t b) const;
    // A column that could hold the close as well as the one chosen.
    bool IsPriceLike(std::size_t nColumn) const;
    // Whether a column is taken by a field already.
    bool IsUsed(std::size_t nColumn) const;
    // "column 3 (\"High\")".
    std::string ColumnText(std::size_t nColumn) const;
    std::string Unnamed() const {
        return m_names.empty() ? "No header names the columns" : "The header's names do not give the fields";
    }
};

// Whether text may be a date of some layout, before the twelve readings are tried; whether one
// of them reads it.
bool MayBeDate(std::string_view text);
bool ReadsAsDate(std::string_view text);
// The date of a cell that may carry a time of day after it (2023-01-03 16:00), and that time;
// nullopt for the time when there is none or it does not read as one.
std::pair<std::string_view, std::optional<std::int32_t>> DateAndTime(std::string_view cell);

// "1, 2 and 3" (columns from 0, said from 1).
std::string ColumnList(const std::vector<std::size_t>& columns);

// The decisions, in the order Run takes them.
bool ChooseDelimiter(CLayoutAnalysis& analysis);
bool ChooseDateColumn(CLayoutAnalysis& analysis);
bool FindHeader(CLayoutAnalysis& analysis);
void ChooseTime(CLayoutAnalysis& analysis);
void FindCurrency(CLayoutAnalysis& analysis);
void MeasureColumns(CLayoutAnalysis& analysis);
bool ChooseFieldsByName(CLayoutAnalysis& analysis);
void ChooseFieldsByValue(CLayoutAnalysis& analysis);
void ChoosePeriod(CLayoutAnalysis& analysis);
