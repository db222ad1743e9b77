#include "engine/LayoutDetector.h"

#include "engine/BarReader.h"
#include "engine/FieldSplitter.h"
#include "engine/LineReader.h"
#include "engine/NumberScan.h"
#include "metastock/Dates.h"
#include "metastock/Records.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <map>
#include <chrono>
#include <cmath>
#include <tuple>
#include <utility>

namespace {

constexpr std::size_t kMaxAnalysedColumns = 64;
// The prices of one bar lie within this factor of each other; a volume or a count does not.
constexpr double kPriceSpread = 4.0;
// A column holds dates when at most this share of its steps go against the others.
constexpr double kMaxDisorder = 0.1;
// Price rows that may break the order low <= open, close <= high, per row read (data glitches).
constexpr std::size_t kRowsPerGlitch = 50;

// Added to the rank of a named column that holds nothing but zeros.
constexpr int kZeroRank = 100;

constexpr int kNoField = -1;    // a name known to hold no field: Adj Close, Time, ...
constexpr int kSymbolName = -2; // a name of a column of symbols
constexpr int kUnknownName = -3;

struct SDelimiterChoice {
    char cDelimiter;
    bool bDecimalComma;
};
// In order of preference where two read the lines equally well.
constexpr SDelimiterChoice kDelimiterChoices[] = {
    {',', false}, {';', false}, {';', true}, {'\t', false}, {'\t', true}, {' ', false}, {' ', true},
};

// Column names as NameKey leaves them (lower-case letters and digits), by field and rank: rank
// 0 names the field for sure; a higher rank gives way to a lower one.
struct SColumnNames {
    int nField;
    int nRank;
    const char* pszNames; // separated by blanks
};

constexpr SColumnNames kColumnNames[] = {
    {kFieldDate, 0, "date dtyyyymmdd datum tradedate"},
    {kFieldDate, 1, "day data fecha"},
    {kFieldOpen, 0, "open openprice opening erffnung eroeffnung ouverture otwarcie apertura"},
    {kFieldOpen, 1, "o op first erster"},
    {kFieldHigh, 0, "high highprice hi hoch haut plushaut najwyzszy"},
    {kFieldHigh, 1, "h max massimo maximo mximo"},
    {kFieldLow, 0, "low lowprice lo tief bas plusbas najnizszy"},
    {kFieldLow, 1, "l min minimo mnimo"},
    {kFieldClose, 0, "close closeprice closing closelast schluss schlusskurs"},
    {kFieldClose, 0, "cloture clture zamkniecie cierre chiusura"},
    {kFieldClose, 1, "c cl last lastprice settle settlement letzter dernier"},
    {kFieldClose, 2, "price"},
    {kFieldVolume, 0, "vol volume volumen wolumen totalvolume stcke stuecke"},
    {kFieldVolume, 1, "v shares qty quantity"},
    {kFieldVolume, 2, "tickvol tickvolume"},
    {kFieldOpenInterest, 0, "oi openint openinterest opint openinterests"},
    {kNoField, 0, "adjclose adjustedclose adjclosed time per period spread turnover change chg trades name"},
    {kSymbolName, 0, "ticker symbol code"},
};

constexpr const char* kFieldNames[kFieldCount] = {"date", "open", "high", "low", "close", "volume", "open interest"};
constexpr EDetectChoice kFieldChoices[kFieldCount] = {
    EDetectChoice::DateColumn, EDetectChoice::Open,   EDetectChoice::High,         EDetectChoice::Low,
    EDetectChoice::Close,      EDetectChoice::Volume, EDetectChoice::OpenInterest,
};

std::string NameKey(std::string_view text) {
    std::string key;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') {
            key += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            key += c;
        }
    }
    return key;
}

// The field a column's name stands for, and how surely: {field or kNoField, kSymbolName,
// kUnknownName; rank}. bExact: only names of the table, not names that begin with "date".
std::pair<int, int> FieldOfName(std::string_view name, bool bExact = false) {
    const std::string key = NameKey(name);
    for (const SColumnNames& entry : kColumnNames) {
        for (std::string_view names = entry.pszNames; !names.empty();) {
            const std::size_t nEnd = std::min(names.find(' '), names.size());
            if (!key.empty() && names.substr(0, nEnd) == key) {
                return {entry.nField, entry.nRank};
            }
            names.remove_prefix(std::min(nEnd + 1, names.size()));
        }
    }
    if (!bExact && key.rfind("date", 0) == 0) {
        return {kFieldDate, 1};
    }
    return {kUnknownName, 0};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether text may be a date of some layout, before the twelve readings are tried.
bool MayBeDate(std::string_view text) {
    return text.size() >= 5 && text.size() <= 10 && IsDigit(text.front()) && IsDigit(text.back());
}

bool ReadsAsDate(std::string_view text) {
    if (!MayBeDate(text)) {
        return false;
    }
    for (int f = kFirstDateFormat; f <= kLastDateFormat; ++f) {
        if (ReadDateText(text, f).fault == EDateFault::None) {
            return true;
        }
    }
    return false;
}

bool IsBlankLine(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

const char* DelimiterWord(char c) {
    return c == ',' ? "comma" : c == ';' ? "semicolon" : c == '\t' ? "tab" : "space";
}

std::string FormatName(int nFormat) {
    return kDateFormatNames[static_cast<std::size_t>(nFormat - 1)];
}

// 1-6 and 7-12 in three kinds: the year first, the month first, the day first.
enum class EDateOrder { YearFirst, MonthFirst, DayFirst };
EDateOrder OrderOf(int nFormat) {
    const int n = (nFormat - 1) % 6; // [0, 5]
    return n < 2 ? EDateOrder::YearFirst : n < 4 ? EDateOrder::MonthFirst : EDateOrder::DayFirst;
}

std::chrono::sys_days DayOf(std::int32_t nValue) {
    const SDate date = DateOfValue(nValue);
    return std::chrono::year{date.nYear} / date.nMonth / date.nDay;
}

struct SSteps {
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    std::size_t nSame = 0;
    std::size_t Disorder() const { return std::min(nRises, nFalls); }
};

SSteps StepsOf(const std::vector<std::int32_t>& dates) {
    SSteps steps;
    for (std::size_t i = 1; i < dates.size(); ++i) {
        steps.nRises += dates[i] > dates[i - 1] ? 1 : 0;
        steps.nFalls += dates[i] < dates[i - 1] ? 1 : 0;
        steps.nSame += dates[i] == dates[i - 1] ? 1 : 0;
    }
    return steps;
}

// How a date layout reads one column.
struct SFormatFit {
    int nFormat = 0;
    std::vector<std::size_t> rows;     // lines where it reads, as indices into the lines
    std::vector<std::int32_t> dates;   // their date values
    std::size_t nWeekend = 0;          // dates on a Saturday or a Sunday
    long long nMedianStep = 0;         // days between neighbouring dates
};

void MeasureFit(SFormatFit& fit) {
    std::vector<long long> steps;
    for (std::size_t i = 0; i < fit.dates.size(); ++i) {
        const std::chrono::sys_days day = DayOf(fit.dates[i]);
        const unsigned nWeekday = std::chrono::weekday{day}.c_encoding(); // 0 Sunday
        fit.nWeekend += nWeekday == 0 || nWeekday == 6 ? 1 : 0;
        if (i > 0) {
            steps.push_back(std::llabs((day - DayOf(fit.dates[i - 1])).count()));
        }
    }
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
        fit.nMedianStep = steps[steps.size() / 2];
    }
}

struct SDateColumn {
    std::size_t nColumn = 0;
    std::size_t nCount = 0;          // lines that its best layouts read
    std::vector<SFormatFit> fits;    // the layouts that read the most lines and keep the dates in order best
};

struct SColumnStats {
    std::size_t nNumbers = 0;        // data rows whose cell is a number
    std::size_t nEmpty = 0;          // data rows where the cell is empty or missing
    bool bWhole = true;              // every number is a whole number
    bool bPositive = true;
    bool bNonNegative = true;
    bool bZeros = false;             // numbers, every one of them zero
    std::vector<double> values;      // per data row; 0 where the cell is no number
};

struct SLine {
    std::uint64_t nNumber = 0;
    std::string strText;
    std::vector<std::string> cells;  // under the delimiter chosen; none for a blank line
    bool bBlank = false;
};

std::string ColumnList(const std::vector<std::size_t>& columns) {
    std::string text;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == columns.size() ? " and " : ", ") + std::to_string(columns[i] + 1);
    }
    return text;
}

// One detection over the lines read.
class CAnalysis {
public:
    explicit CAnalysis(std::vector<SLine> lines) : m_lines(std::move(lines)) {}
    SLayoutDetection Run(std::string_view sample);

private:
    void Doubt(EDetectChoice choice, EConfidence confidence, std::string strText);
    bool Fail(std::string strText);
    bool ChooseDelimiter();
    bool ChooseDateColumn();
    void ChooseDateFormat(const SDateColumn& column);
    bool FindHeader();
    void MeasureColumns();
    std::string ColumnText(std::size_t nColumn) const;
    bool ChooseFieldsByName();
    void ChooseFieldsByValue();
    void ChoosePrices(const std::vector<std::size_t>& candidates);
    void ChooseCounts(const std::vector<std::size_t>& candidates, bool bNamed);
    void ChooseOrder();
    bool CheckColumnRange();
    void FillSettings();
    void Verify(std::string_view sample);
    void SetField(int nField, std::size_t nColumn) {
        m_fieldOn[static_cast<std::size_t>(nField)] = true;
        m_fieldCol[static_cast<std::size_t>(nField)] = nColumn;
    }
    const SColumnStats& Stats(std::size_t nColumn) const { return m_stats[nColumn]; }
    bool Near(std::size_t a, std::size_t b) const;
    bool IsPriceLike(std::size_t nColumn) const;
    std::string Unnamed() const {
        return m_names.empty() ? "No header names the columns" : "The header's names do not give the fields";
    }
    bool IsNumeric(std::size_t nColumn) const {
        return nColumn < m_stats.size() && !m_measured.empty() && m_stats[nColumn].nNumbers == m_measured.size();
    }

    std::vector<SLine> m_lines;
    SLayoutDetection m_result;
    char m_cDelimiter = ',';
    bool m_bDecimalComma = false;
    std::size_t m_nColumns = 0;                 // the most cells of a line, at most kMaxAnalysedColumns
    std::size_t m_nDateColumn = 0;
    int m_nDateFormat = 0;
    std::vector<std::size_t> m_rows;            // the lines whose date reads: the data rows
    std::vector<std::int32_t> m_dates;          // their dates
    std::optional<std::size_t> m_symbolColumn;  // a named column of several symbols
    std::vector<std::size_t> m_measured;        // the data rows the columns are measured on
    std::uint64_t m_nSkipRows = 0;
    std::vector<std::string> m_names;           // header names by column; empty without a header
    std::vector<SColumnStats> m_stats;          // by column, over the data rows
    std::array<bool, kFieldCount> m_fieldOn{};
    std::array<std::size_t, kFieldCount> m_fieldCol{};
    bool m_bReverse = false;
};

void CAnalysis::Doubt(EDetectChoice choice, EConfidence confidence, std::string strText) {
    EConfidence& current = m_result.confidence[static_cast<std::size_t>(choice)];
    current = std::max(current, confidence);
    if (!strText.empty() && strText[0] >= 'a' && strText[0] <= 'z') {
        strText[0] = static_cast<char>(strText[0] - 'a' + 'A');
    }
    m_result.doubts.push_back(std::move(strText));
}

bool CAnalysis::Fail(std::string strText) {
    m_result.failure = std::move(strText);
    return false;
}

// Two columns of numbers within a day's range of each other in every row, as prices are.
bool CAnalysis::Near(std::size_t a, std::size_t b) const {
    if (!IsNumeric(a) || !IsNumeric(b)) {
        return false;
    }
    for (std::size_t r = 0; r < m_measured.size(); ++r) {
        const double fA = Stats(a).values[r];
        const double fB = Stats(b).values[r];
        if (std::max(fA, fB) > kPriceSpread * std::min(fA, fB)) {
            return false;
        }
    }
    return true;
}

// A column that could hold the close as well as the one chosen: near it, and not whole numbers
// beside a close with fractions (a small volume).
bool CAnalysis::IsPriceLike(std::size_t nColumn) const {
    const std::size_t nClose = m_fieldCol[kFieldClose];
    return Near(nColumn, nClose) && (!Stats(nColumn).bWhole || Stats(nClose).bWhole);
}

std::string CAnalysis::ColumnText(std::size_t nColumn) const {
    std::string text = "column " + std::to_string(nColumn + 1);
    if (nColumn < m_names.size() && !m_names[nColumn].empty()) {
        text += " (\"" + m_names[nColumn] + "\")";
    }
    return text;
}

// The delimiter and decimal mark under which the most fields read as numbers or dates.
bool CAnalysis::ChooseDelimiter() {
    std::size_t scores[std::size(kDelimiterChoices)] = {};
    std::size_t nBest = 0;
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        CFieldSplitter splitter(kDelimiterChoices[i].cDelimiter);
        for (const SLine& line : m_lines) {
            if (line.bBlank) {
                continue;
            }
            splitter.Split(line.strText, kMaxAnalysedColumns);
            for (std::size_t k = 0; k < splitter.Count(); ++k) {
                const std::string_view field = splitter.Field(k);
                scores[i] += ReadNumber(field, kDelimiterChoices[i].bDecimalComma).fault == ENumberFault::None ||
                                     ReadsAsDate(field)
                                 ? 1
                                 : 0;
            }
        }
        nBest = scores[i] > scores[nBest] ? i : nBest;
    }
    if (scores[nBest] == 0) {
        return Fail("No line holds numbers or dates that could be read.");
    }
    m_cDelimiter = kDelimiterChoices[nBest].cDelimiter;
    m_bDecimalComma = kDelimiterChoices[nBest].bDecimalComma;
    // Numbers such as 1,234 read under both marks (1234 or 1.234, the other mark grouping
    // thousands): when the other mark reads every field as well, the lines do not tell.
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        if (i == nBest || kDelimiterChoices[i].cDelimiter != m_cDelimiter || scores[i] != scores[nBest]) {
            continue;
        }
        const bool bMarks = std::any_of(m_lines.begin(), m_lines.end(), [&](const SLine& line) {
            return !line.bBlank && std::any_of(line.strText.begin(), line.strText.end(), [&](char c) {
                return (c == ',' || c == '.') && c != m_cDelimiter;
            });
        });
        if (bMarks) {
            Doubt(EDetectChoice::DecimalMark, EConfidence::Unsure,
                  std::string("The numbers read alike with a decimal point and with a decimal comma (1,234 is 1234 "
                              "with the one and 1.234 with the other); the decimal ") +
                      (m_bDecimalComma ? "comma" : "point") + " was chosen.");
        }
    }
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        const char c = kDelimiterChoices[i].cDelimiter;
        // Runs of blanks split a file of tabs alike wherever it has numbers.
        const bool bSame = c == m_cDelimiter || (m_cDelimiter == '\t' && c == ' ');
        if (i != nBest && scores[i] == scores[nBest] && !bSame) {
            Doubt(EDetectChoice::Delimiter, EConfidence::Unsure,
                  std::string("The lines read as well split at each ") + DelimiterWord(c) + " as at each " +
                      DelimiterWord(m_cDelimiter) + "; the " + DelimiterWord(m_cDelimiter) + " was chosen.");
            break;
        }
    }

    CFieldSplitter splitter(m_cDelimiter);
    for (SLine& line : m_lines) {
        if (line.bBlank) {
            continue;
        }
        splitter.Split(line.strText, kMaxAnalysedColumns);
        for (std::size_t k = 0; k < splitter.Count(); ++k) {
            line.cells.emplace_back(splitter.Field(k));
        }
        // The reader skips a line of nothing but delimiters as it skips a blank one.
        line.bBlank = splitter.IsBlank(line.strText);
        m_nColumns = std::max(m_nColumns, line.cells.size());
        m_result.bQuoted = m_result.bQuoted || line.strText.find('"') != std::string::npos;
    }
    return true;
}

// The column whose cells read as dates in the most lines, under the layouts that read the
// most of them and keep them in order best.
bool CAnalysis::ChooseDateColumn() {
    std::vector<SDateColumn> candidates;
    for (std::size_t c = 0; c < m_nColumns; ++c) {
        std::vector<SFormatFit> fits;
        for (int f = kFirstDateFormat; f <= kLastDateFormat; ++f) {
            SFormatFit fit;
            fit.nFormat = f;
            for (std::size_t i = 0; i < m_lines.size(); ++i) {
                const std::vector<std::string>& cells = m_lines[i].cells;
                if (c < cells.size() && MayBeDate(cells[c])) {
                    const SDateReading reading = ReadDateText(cells[c], f);
                    if (reading.fault == EDateFault::None) {
                        fit.rows.push_back(i);
                        fit.dates.push_back(reading.nValue);
                    }
                }
            }
            if (!fit.rows.empty()) {
                fits.push_back(std::move(fit));
            }
        }
        if (fits.empty()) {
            continue;
        }
        SDateColumn column;
        column.nColumn = c;
        for (const SFormatFit& fit : fits) {
            column.nCount = std::max(column.nCount, fit.rows.size());
        }
        std::erase_if(fits, [&](const SFormatFit& fit) { return fit.rows.size() < column.nCount; });
        std::size_t nLeastDisorder = column.nCount;
        for (const SFormatFit& fit : fits) {
            nLeastDisorder = std::min(nLeastDisorder, StepsOf(fit.dates).Disorder());
        }
        std::erase_if(fits, [&](const SFormatFit& fit) { return StepsOf(fit.dates).Disorder() > nLeastDisorder; });
        const SSteps steps = StepsOf(fits.front().dates);
        // Numbers that happen to read as dates come in no order.
        if (nLeastDisorder > 1 &&
            static_cast<double>(nLeastDisorder) > kMaxDisorder * static_cast<double>(steps.nRises + steps.nFalls)) {
            continue;
        }
        column.fits = std::move(fits);
        candidates.push_back(std::move(column));
    }
    if (candidates.empty()) {
        std::string strText = "No column holds dates in one of the twelve date layouts (such as 2023-01-03, "
                              "03.01.2023, 01/03/23 or 20230103).";
        // A date with a time of day in one field ("2023-01-03 00:00:00") is the usual near miss.
        for (const SLine& line : m_lines) {
            for (const std::string& cell : line.cells) {
                const std::size_t nDate = cell.find_first_of(" T");
                if (nDate != std::string::npos && nDate + 1 < cell.size() && ReadsAsDate(cell.substr(0, nDate))) {
                    return Fail(strText + " Dates such as \"" + cell + "\" hold a time of day as well; only "
                                "a date alone can be read.");
                }
            }
        }
        return Fail(strText);
    }
    std::size_t nMost = 0;
    for (const SDateColumn& column : candidates) {
        nMost = std::max(nMost, column.nCount);
    }
    std::erase_if(candidates, [&](const SDateColumn& column) { return column.nCount < nMost; });
    const SDateColumn* pChosen = &candidates.front();
    if (candidates.size() > 1) {
        // A header names the date column among several that hold dates.
        bool bNamed = false;
        const std::size_t nFirst = candidates.front().fits.front().rows.front();
        for (std::size_t i = nFirst; i-- > 0 && !bNamed;) {
            if (m_lines[i].bBlank) {
                continue;
            }
            for (const SDateColumn& column : candidates) {
                if (!bNamed && column.nColumn < m_lines[i].cells.size() &&
                    FieldOfName(m_lines[i].cells[column.nColumn]).first == kFieldDate) {
                    pChosen = &column;
                    bNamed = true;
                }
            }
            break;
        }
        if (!bNamed) {
            std::vector<std::size_t> columns;
            for (const SDateColumn& column : candidates) {
                columns.push_back(column.nColumn);
            }
            Doubt(EDetectChoice::DateColumn, EConfidence::Likely,
                  "Columns " + ColumnList(columns) + " hold dates; column " +
                      std::to_string(pChosen->nColumn + 1) + " was taken as the date.");
        }
    }
    m_nDateColumn = pChosen->nColumn;
    ChooseDateFormat(*pChosen);
    return true;
}

// Among layouts that read the column alike, the one whose dates look like trading days: on
// weekdays, close together; then the order usual where the file seems to come from.
void CAnalysis::ChooseDateFormat(const SDateColumn& column) {
    std::vector<SFormatFit> fits = column.fits;
    const SFormatFit* pChosen = &fits.front();
    if (fits.size() > 1) {
        const std::string& strSample = m_lines[fits.front().rows.front()].cells[column.nColumn];
        const bool bEuropean = m_cDelimiter == ';' || m_bDecimalComma || strSample.find('.') != std::string::npos;
        const auto rank = [&](const SFormatFit& fit) {
            const EDateOrder order = OrderOf(fit.nFormat);
            const int nOrder = order == EDateOrder::YearFirst                    ? 2
                               : (order == EDateOrder::DayFirst) == bEuropean ? 0
                                                                              : 1;
            return std::make_tuple(fit.nWeekend, fit.nMedianStep, nOrder);
        };
        for (SFormatFit& fit : fits) {
            MeasureFit(fit);
        }
        std::sort(fits.begin(), fits.end(),
                  [&](const SFormatFit& a, const SFormatFit& b) { return rank(a) < rank(b); });
        pChosen = &fits.front();
        const SFormatFit& next = fits[1];
        std::string strWhy = next.nWeekend > pChosen->nWeekend      ? "the other layout puts dates on weekends"
                             : next.nMedianStep > pChosen->nMedianStep ? "its dates lie closer together"
                             : bEuropean ? "the file's semicolons, decimal commas or dotted dates suggest it"
                                         : "it is the more common one";
        bool bDayMonth = fits.size() == 2;
        std::string strNames;
        for (std::size_t i = 0; i < fits.size(); ++i) {
            const EDateOrder order = OrderOf(fits[i].nFormat);
            bDayMonth = bDayMonth && order != EDateOrder::YearFirst;
            strNames += (i == 0 ? "" : i + 1 == fits.size() ? " and " : ", ") + FormatName(fits[i].nFormat);
        }
        Doubt(EDetectChoice::DateFormat, EConfidence::Unsure,
              (bDayMonth ? std::string("All days are 12 or less: DD/MM or MM/DD cannot be told apart")
                         : "The dates read alike as " + strNames) +
                  "; " + FormatName(pChosen->nFormat) + " was chosen, as " + strWhy + ".");
    }
    m_nDateFormat = pChosen->nFormat;
    m_rows = pChosen->rows;
    m_dates = pChosen->dates;
}

// Lines before the first date are header rows; the last of them names the columns.
bool CAnalysis::FindHeader() {
    const std::size_t nFirst = m_rows.front();
    std::size_t nHeader = nFirst;
    for (std::size_t i = nFirst; i-- > 0;) {
        if (!m_lines[i].bBlank) {
            nHeader = i;
            break;
        }
    }
    if (nHeader == nFirst) {
        return true;
    }
    m_nSkipRows = m_lines[nHeader].nNumber;
    if (m_nSkipRows > static_cast<std::uint64_t>(kMaxRowsToSkip)) {
        return Fail("The first date is on line " + std::to_string(m_lines[nFirst].nNumber) + "; at most " +
                    std::to_string(kMaxRowsToSkip) + " rows can be skipped.");
    }
    std::vector<std::string> names = m_lines[nHeader].cells;
    if (names.size() < 2) {
        return true; // a title, not names
    }
    // Blanks split two-word names ("Open Interest") when they separate the columns.
    const std::size_t nDataCells = m_lines[nFirst].cells.size();
    for (std::size_t i = 0; m_cDelimiter == ' ' && names.size() > nDataCells && i + 1 < names.size();) {
        if (FieldOfName(names[i] + names[i + 1], true).first != kUnknownName) {
            names[i] += " " + names[i + 1];
            names.erase(names.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        } else {
            ++i;
        }
    }
    // Names are shown in messages and the dialog: UTF-8, a file's Windows-1252 converted.
    for (std::string& name : names) {
        if (!IsUtf8(name)) {
            name = Windows1252ToUtf8(name);
        }
    }
    m_names = std::move(names);
    m_result.columnNames = m_names;
    return true;
}

// Measures the columns on the rows with the usual count of numbers: a row of "null"s or of
// totals says nothing about them.
void CAnalysis::MeasureColumns() {
    std::vector<std::size_t> counts;
    std::vector<std::size_t> frequency(kMaxAnalysedColumns + 1);
    for (std::size_t i : m_rows) {
        std::size_t nNumbers = 0;
        for (const std::string& cell : m_lines[i].cells) {
            nNumbers += ReadNumber(cell, m_bDecimalComma).fault == ENumberFault::None ? 1 : 0;
        }
        counts.push_back(nNumbers);
        ++frequency[nNumbers];
    }
    const auto nUsual =
        static_cast<std::size_t>(std::max_element(frequency.begin(), frequency.end()) - frequency.begin());
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (counts[r] == nUsual) {
            m_measured.push_back(m_rows[r]);
        }
    }
    m_stats.assign(m_nColumns, SColumnStats{});
    for (std::size_t c = 0; c < m_nColumns; ++c) {
        SColumnStats& stats = m_stats[c];
        for (std::size_t i : m_measured) {
            const std::vector<std::string>& cells = m_lines[i].cells;
            const SNumberReading number =
                c < cells.size() ? ReadNumber(cells[c], m_bDecimalComma) : SNumberReading{ENumberFault::Empty, 0.0f};
            stats.nEmpty += number.fault == ENumberFault::Empty ? 1 : 0;
            const double fValue = number.fault == ENumberFault::None ? number.fValue : 0.0;
            if (number.fault == ENumberFault::None) {
                ++stats.nNumbers;
                stats.bWhole = stats.bWhole && std::floor(fValue) == fValue;
                stats.bPositive = stats.bPositive && fValue > 0;
                stats.bNonNegative = stats.bNonNegative && fValue >= 0;
            }
            stats.values.push_back(fValue);
        }
        stats.bZeros = stats.nNumbers > 0 &&
                       std::all_of(stats.values.begin(), stats.values.end(), [](double f) { return f == 0; });
    }
}

// Fields from the header's names; false when no name gives the close.
bool CAnalysis::ChooseFieldsByName() {
    // The columns that name each field, best first: by rank, a column of zeros last (a volume
    // of zeros beside a tick volume), then from the left.
    std::array<std::vector<std::pair<int, std::size_t>>, kFieldCount> named;
    for (std::size_t c = 0; c < m_names.size() && c < m_nColumns; ++c) {
        const auto [nField, nRank] = FieldOfName(m_names[c]);
        if (nField > kFieldDate) {
            named[static_cast<std::size_t>(nField)].emplace_back(nRank + (Stats(c).bZeros ? kZeroRank : 0), c);
        }
    }
    if (named[kFieldClose].empty()) {
        return false;
    }
    const std::size_t nDoubts = m_result.doubts.size();
    const std::array<EConfidence, kDetectChoiceCount> confidence = m_result.confidence;
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        std::vector<std::pair<int, std::size_t>>& columns = named[static_cast<std::size_t>(f)];
        std::sort(columns.begin(), columns.end());
        if (columns.empty()) {
            continue;
        }
        // A named column without a single number holds nothing to convert: an empty open
        // interest, or a volume written as "4.78M".
        const std::size_t nColumn = columns.front().second;
        if (f != kFieldClose && Stats(nColumn).nNumbers == 0) {
            if (Stats(nColumn).nEmpty < m_measured.size()) {
                const std::vector<std::string>& cells = m_lines[m_measured.front()].cells;
                Doubt(kFieldChoices[f], EConfidence::Unsure,
                      ColumnText(nColumn) + " names the " + kFieldNames[f] + " but holds no number (such as \"" +
                          (nColumn < cells.size() ? cells[nColumn] : std::string()) + "\"): it is left out.");
            }
            continue;
        }
        SetField(f, columns.front().second);
        if (columns.size() > 1 && columns[1].first == columns[0].first) {
            Doubt(kFieldChoices[f], EConfidence::Likely,
                  "Columns " + ColumnList({columns[0].second, columns[1].second}) + " both name the " +
                      kFieldNames[f] + "; " + ColumnText(columns.front().second) + " was chosen.");
        }
    }
    // An unnamed column of prices (a high in another tongue): the values say more than the names.
    for (std::size_t c = 0; c < m_nColumns; ++c) {
        if (c != m_nDateColumn && (c >= m_names.size() || FieldOfName(m_names[c]).first == kUnknownName) &&
            IsPriceLike(c)) {
            m_fieldOn.fill(false);
            m_result.doubts.resize(nDoubts);
            m_result.confidence = confidence;
            return false;
        }
    }
    if (!m_fieldOn[kFieldVolume]) {
        std::vector<std::size_t> candidates;
        for (std::size_t c = 0; c < m_nColumns; ++c) {
            if (c != m_nDateColumn && (c >= m_names.size() || FieldOfName(m_names[c]).first == kUnknownName)) {
                candidates.push_back(c);
            }
        }
        ChooseCounts(candidates, true);
    }
    return true;
}

// Fields from the values alone: High is the largest price of every row, Low the smallest, the
// Close between them, then the Volume and the Open interest among the whole numbers.
void CAnalysis::ChooseFieldsByValue() {
    std::vector<std::size_t> candidates;
    for (std::size_t c = 0; c < m_nColumns; ++c) {
        const int nNamed = c < m_names.size() ? FieldOfName(m_names[c]).first : kUnknownName;
        if (c != m_nDateColumn && IsNumeric(c) && (nNamed == kUnknownName || nNamed >= kFieldOpen)) {
            candidates.push_back(c);
        }
    }
    ChoosePrices(candidates);
    if (m_fieldOn[kFieldClose]) {
        ChooseCounts(candidates, false);
    }
}

void CAnalysis::ChoosePrices(const std::vector<std::size_t>& candidates) {
    const std::size_t nRows = m_measured.size();
    const std::size_t nGlitches = nRows / kRowsPerGlitch;
    std::vector<std::size_t> prices;
    for (std::size_t c : candidates) {
        if (Stats(c).bPositive) {
            prices.push_back(c);
        }
    }
    const auto isPrice = [&](std::size_t c) { return std::find(prices.begin(), prices.end(), c) != prices.end(); };
    // Rows where one column of prices is below another, counted once for every pair.
    std::vector<std::size_t> index(m_nColumns);
    std::vector<std::size_t> belowCounts(prices.size() * prices.size());
    for (std::size_t i = 0; i < prices.size(); ++i) {
        index[prices[i]] = i;
        for (std::size_t j = 0; j < prices.size(); ++j) {
            for (std::size_t r = 0; r < nRows; ++r) {
                belowCounts[i * prices.size() + j] += Stats(prices[i]).values[r] < Stats(prices[j]).values[r] ? 1 : 0;
            }
        }
    }
    const auto below = [&](std::size_t a, std::size_t b) { return belowCounts[index[a] * prices.size() + index[b]]; };
    struct SGroup {
        std::size_t nHigh = 0;
        std::size_t nLow = 0;
        std::vector<std::size_t> between; // always within the low and the high, glitches aside
        std::size_t nGlitches = 0;
    };
    const auto groupOf = [&](std::size_t h, std::size_t l) -> std::optional<SGroup> {
        if (h == l || below(h, l) > nGlitches || !Near(h, l)) {
            return std::nullopt;
        }
        SGroup group{h, l, {}, below(h, l)};
        for (std::size_t x : prices) {
            const std::size_t nOff = below(h, x) + below(x, l);
            if (x != h && x != l && nOff <= nGlitches) {
                group.between.push_back(x);
                group.nGlitches += nOff;
            }
        }
        return group;
    };
    const auto contains = [](const std::vector<std::size_t>& columns, std::size_t c) {
        return std::find(columns.begin(), columns.end(), c) != columns.end();
    };

    // The usual order first: open, high and low (either way round), close side by side.
    std::optional<SGroup> chosen;
    for (std::size_t a : prices) {
        for (std::size_t nHigh : {a + 1, a + 2}) {
            if (!chosen && isPrice(a + 1) && isPrice(a + 2) && isPrice(a + 3)) {
                chosen = groupOf(nHigh, 2 * a + 3 - nHigh);
                if (chosen && contains(chosen->between, a) && contains(chosen->between, a + 3)) {
                    SetField(kFieldOpen, a);
                    SetField(kFieldClose, a + 3);
                } else {
                    chosen.reset();
                }
            }
        }
    }
    if (!chosen) {
        // Else the high and low that hold the most columns between them.
        std::vector<SGroup> best;
        for (std::size_t h : prices) {
            for (std::size_t l : prices) {
                std::optional<SGroup> group = groupOf(h, l);
                if (!group || group->between.empty() ||
                    (!best.empty() && group->between.size() < best.front().between.size())) {
                    continue;
                }
                if (!best.empty() && group->between.size() > best.front().between.size()) {
                    best.clear();
                }
                best.push_back(std::move(*group));
            }
        }
        if (best.size() > 1) {
            Doubt(EDetectChoice::High, EConfidence::Unsure,
                  Unnamed() + " and the values fit more than one choice of high and low; columns " +
                      std::to_string(best.front().nHigh + 1) + " and " + std::to_string(best.front().nLow + 1) +
                      " were chosen.");
            m_result.confidence[static_cast<std::size_t>(EDetectChoice::Low)] = EConfidence::Unsure;
        }
        if (!best.empty()) {
            chosen = std::move(best.front());
        }
    }

    if (!chosen) {
        // At most two prices a row: the close alone, the first column of prices.
        if (!prices.empty()) {
            SetField(kFieldClose, prices.front());
        }
    } else if (!m_fieldOn[kFieldClose]) {
        const std::vector<std::size_t>& between = chosen->between;
        if (between.size() == 1) {
            SetField(kFieldClose, between.front());
        } else {
            // Open before the high and the low, close after them.
            const std::size_t nLast = std::max(chosen->nHigh, chosen->nLow);
            const auto closing = std::find_if(between.begin(), between.end(), [&](std::size_t c) { return c > nLast; });
            const std::size_t nClose = closing != between.end() ? *closing : between.back();
            SetField(kFieldOpen, between.front() != nClose ? between.front() : between[1]);
            SetField(kFieldClose, nClose);
            Doubt(EDetectChoice::Close, EConfidence::Unsure,
                  Unnamed() + " and columns " + ColumnList(between) +
                      " lie between the low and the high: the open and the close cannot be told apart; column " +
                      std::to_string(nClose + 1) + " was taken as the close.");
            m_result.confidence[static_cast<std::size_t>(EDetectChoice::Open)] = EConfidence::Unsure;
        }
    }
    if (chosen) {
        SetField(kFieldHigh, chosen->nHigh);
        SetField(kFieldLow, chosen->nLow);
        if (chosen->nGlitches > 0) {
            Doubt(EDetectChoice::Close, EConfidence::Likely,
                  "In " + std::to_string(chosen->nGlitches) +
                      " places a price lies outside the low and the high of its row; the columns were chosen "
                      "from the other rows.");
        }
    }
    // Other columns of prices beside those taken: an adjusted close, or the close itself.
    std::vector<std::size_t> others;
    for (std::size_t c : prices) {
        bool bUsed = false;
        for (int f = kFieldOpen; f <= kFieldClose; ++f) {
            bUsed = bUsed || (m_fieldOn[static_cast<std::size_t>(f)] && m_fieldCol[static_cast<std::size_t>(f)] == c);
        }
        if (!bUsed && m_fieldOn[kFieldClose] && IsPriceLike(c)) {
            others.push_back(c);
        }
    }
    if (!others.empty()) {
        Doubt(EDetectChoice::Close, EConfidence::Unsure,
              Unnamed() + " and " + (others.size() == 1 ? ColumnText(others.front()) + " holds"
                                                         : "columns " + ColumnList(others) + " hold") +
                  " prices too: the close could be there (" + ColumnText(m_fieldCol[kFieldClose]) + " was chosen).");
    }
}

// The volume: the first column of whole numbers that is neither a price nor all zeros (a time
// of 000000); the open interest the next one. Without whole numbers, a column of fractions (a
// crypto volume). bNamed: the other fields come from names and only the volume is looked for.
void CAnalysis::ChooseCounts(const std::vector<std::size_t>& candidates, bool bNamed) {
    std::vector<std::size_t> counts;
    std::vector<std::size_t> fractions;
    for (std::size_t c : candidates) {
        bool bUsed = false;
        for (int f = kFieldOpen; f < kFieldCount; ++f) {
            bUsed = bUsed || (m_fieldOn[static_cast<std::size_t>(f)] && m_fieldCol[static_cast<std::size_t>(f)] == c);
        }
        const SColumnStats& stats = Stats(c);
        // A column within the range of the prices in every row is one more price, not a count.
        if (!bUsed && IsNumeric(c) && stats.bNonNegative && !stats.bZeros && !IsPriceLike(c)) {
            (stats.bWhole ? counts : fractions).push_back(c);
        }
    }
    // Counts follow the prices in every usual layout; a column before them may be a row number.
    for (std::vector<std::size_t>* pColumns : {&counts, &fractions}) {
        const auto after = [&](std::size_t c) { return c > m_fieldCol[kFieldClose]; };
        if (std::any_of(pColumns->begin(), pColumns->end(), after)) {
            std::erase_if(*pColumns, [&](std::size_t c) { return c < m_fieldCol[kFieldClose]; });
        }
    }
    if (counts.empty()) {
        if (!fractions.empty()) {
            SetField(kFieldVolume, fractions.front());
            Doubt(EDetectChoice::Volume, EConfidence::Likely,
                  ColumnText(fractions.front()) + " was taken as the volume, though it holds fractions.");
        }
        return;
    }
    SetField(kFieldVolume, counts.front());
    if (bNamed) {
        Doubt(EDetectChoice::Volume, EConfidence::Likely,
              "No header names the volume; " + ColumnText(counts.front()) +
                  " holds whole numbers and was taken as the volume.");
        return;
    }
    if (counts.size() > 1) {
        // A second count may as well be trades or turnover as open interest: without a name it
        // is a guess that would store another number as the open interest.
        SetField(kFieldOpenInterest, counts[1]);
        Doubt(EDetectChoice::OpenInterest, EConfidence::Unsure,
              counts.size() > 2 ? "Columns " + ColumnList(counts) +
                                      " hold whole numbers: the volume and the open interest were taken from the "
                                      "first two."
                                : "No header names " + ColumnText(counts[1]) +
                                      ", which holds whole numbers after the volume; it was taken as the open "
                                      "interest, but it may be another count.");
    }
}

void CAnalysis::ChooseOrder() {
    SSteps steps = StepsOf(m_dates);
    if (m_symbolColumn) {
        // The steps within each symbol's lines, in file order.
        std::map<std::string, std::vector<std::int32_t>> bySymbol;
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            const std::vector<std::string>& cells = m_lines[m_rows[i]].cells;
            bySymbol[*m_symbolColumn < cells.size() ? cells[*m_symbolColumn] : std::string()].push_back(m_dates[i]);
        }
        steps = SSteps{};
        for (const auto& [symbol, dates] : bySymbol) {
            const SSteps own = StepsOf(dates);
            steps.nRises += own.nRises;
            steps.nFalls += own.nFalls;
            steps.nSame += own.nSame;
        }
    }
    m_bReverse = steps.nFalls > steps.nRises;
    if (steps.Disorder() > 0) {
        Doubt(EDetectChoice::Order, EConfidence::Likely,
              "The dates rise in " + std::to_string(steps.nRises) + " and fall in " + std::to_string(steps.nFalls) +
                  " places; the file was taken to run " + (m_bReverse ? "newest" : "oldest") + " first.");
    }
    if (steps.nSame > 0) {
        Doubt(EDetectChoice::Reading, EConfidence::Unsure,
              std::to_string(steps.nSame) + (steps.nSame == 1 ? " line has" : " lines have") +
                  " the date of the line before: the file may hold several bars a day, and one bar a day "
                  "is converted.");
    }
}

// Settings hold columns 1 to 20: a field further right cannot be read.
bool CAnalysis::CheckColumnRange() {
    const auto nMax = static_cast<std::size_t>(kMaxColumn);
    if (m_nDateColumn >= nMax || m_fieldCol[kFieldClose] >= nMax) {
        const std::size_t nColumn = m_nDateColumn >= nMax ? m_nDateColumn : m_fieldCol[kFieldClose];
        return Fail("The " + std::string(m_nDateColumn >= nMax ? "date" : "close") + " is in column " +
                    std::to_string(nColumn + 1) + "; columns 1 to " + std::to_string(kMaxColumn) + " can be read.");
    }
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        if (m_fieldOn[nField] && m_fieldCol[nField] >= nMax) {
            m_fieldOn[nField] = false;
            Doubt(kFieldChoices[nField], EConfidence::Unsure,
                  "The " + std::string(kFieldNames[nField]) + " is in column " +
                      std::to_string(m_fieldCol[nField] + 1) +
                      ", past column " + std::to_string(kMaxColumn) + ": it is left out.");
        }
    }
    return true;
}

void CAnalysis::FillSettings() {
    SImportSettings& s = m_result.settings;
    s.nDelimiter = static_cast<long long>(m_cDelimiter == ';'    ? EDelimiter::Semicolon
                                          : m_cDelimiter == '\t' ? EDelimiter::Tab
                                          : m_cDelimiter == ' '  ? EDelimiter::Space
                                                                 : EDelimiter::Comma);
    s.bDecimalComma = m_bDecimalComma ? 1 : 0;
    s.strDateFormat = FormatName(m_nDateFormat);
    s.nDateFormatNumber = m_nDateFormat;
    s.bSkipOn = m_nSkipRows > 0 ? 1 : 0;
    s.nRowsToSkip = static_cast<long long>(m_nSkipRows);
    s.bReverseOrder = m_bReverse ? 1 : 0;
    s.nSymbolCol = m_symbolColumn ? static_cast<long long>(*m_symbolColumn) + 1 : 0;
    s.nDateCol = static_cast<long long>(m_nDateColumn) + 1;
    const struct {
        long long SImportSettings::*pOn;
        long long SImportSettings::*pCol;
    } members[kFieldCount] = {
        {nullptr, &SImportSettings::nDateCol},       {&SImportSettings::bOpenOn, &SImportSettings::nOpenCol},
        {&SImportSettings::bHiOn, &SImportSettings::nHiCol}, {&SImportSettings::bLoOn, &SImportSettings::nLoCol},
        {nullptr, &SImportSettings::nCloCol},        {&SImportSettings::bVolOn, &SImportSettings::nVolCol},
        {&SImportSettings::bOIOn, &SImportSettings::nOICol},
    };
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        if (members[nField].pOn) {
            s.*members[nField].pOn = m_fieldOn[nField] ? 1 : 0;
        }
        // A field that is off keeps its default column: every column must be 1 to 20.
        if (m_fieldOn[nField]) {
            s.*members[nField].pCol = static_cast<long long>(m_fieldCol[nField]) + 1;
        }
    }
}

// The settings found, tried on the lines read.
void CAnalysis::Verify(std::string_view sample) {
    const SReadResult read = CBarReader(InputLayoutOf(m_result.settings)).ReadText(sample);
    m_result.nBadLines = read.nBadLines;
    if (read.Ok()) {
        return;
    }
    std::string strText;
    if (read.nBadLines > 0) {
        strText = std::to_string(read.nBadLines) + " of the " + std::to_string(m_result.nLinesRead) +
                  (read.nBadLines == 1 ? " lines read does not read" : " lines read do not read") +
                  " with these settings";
        if (!read.firstBadLines.empty()) {
            strText += " (line " + std::to_string(read.firstBadLines.front().nLine) + ": " +
                       read.firstBadLines.front().strReason + ")";
        }
        strText += "; \"Skip bad lines\" (--skip-bad-lines) leaves them out.";
        for (std::size_t i = 1; i < read.errors.size(); ++i) {
            strText += " " + read.errors[i];
        }
    } else {
        strText = read.Message();
    }
    Doubt(EDetectChoice::Reading, EConfidence::Unsure, std::move(strText));
}

SLayoutDetection CAnalysis::Run(std::string_view sample) {
    m_result.nLinesRead = m_lines.size();
    if (std::all_of(m_lines.begin(), m_lines.end(), [](const SLine& line) { return line.bBlank; })) {
        m_result.failure = m_lines.empty() ? "The file is empty." : "The file holds only blank lines.";
        return std::move(m_result);
    }
    if (!ChooseDelimiter() || !ChooseDateColumn() || !FindHeader()) {
        return std::move(m_result);
    }
    MeasureColumns();
    if (m_names.empty() || !ChooseFieldsByName()) {
        ChooseFieldsByValue();
    }
    if (!m_fieldOn[kFieldClose]) {
        m_result.failure = "No column holds prices next to the dates in " + ColumnText(m_nDateColumn) + ".";
        return std::move(m_result);
    }
    // A column of symbols with several of them: a security for each, or the dates do not rise.
    for (std::size_t c = 0; c < m_names.size() && c < m_nColumns; ++c) {
        if (FieldOfName(m_names[c]).first != kSymbolName) {
            continue;
        }
        std::vector<std::string> symbols;
        for (std::size_t i : m_rows) {
            const std::vector<std::string>& cells = m_lines[i].cells;
            if (c < cells.size() && std::find(symbols.begin(), symbols.end(), cells[c]) == symbols.end()) {
                symbols.push_back(cells[c]);
            }
        }
        if (symbols.size() > 1 && c < static_cast<std::size_t>(kMaxColumn) && !m_symbolColumn) {
            // Each symbol's lines become a security of their own; their order is judged per symbol.
            m_symbolColumn = c;
            Doubt(EDetectChoice::Reading, EConfidence::Likely,
                  ColumnText(c) + " holds " + std::to_string(symbols.size()) +
                      " symbols; it was taken as the symbol column (--symbol-col " + std::to_string(c + 1) +
                      "), which makes a security of each.");
        }
    }
    ChooseOrder();
    if (!CheckColumnRange()) {
        return std::move(m_result);
    }
    FillSettings();
    Verify(sample);
    return std::move(m_result);
}

} // namespace

bool SLayoutDetection::AllCertain() const {
    return !failure && std::all_of(confidence.begin(), confidence.end(),
                                   [](EConfidence c) { return c == EConfidence::Certain; });
}

CLayoutDetector::CLayoutDetector(std::size_t nSampleLines) : m_nSampleLines(nSampleLines) {}

SLayoutDetection CLayoutDetector::Detect(std::string_view text) const {
    std::vector<SLine> lines;
    std::string sample;
    CLineReader reader(text);
    SPhysicalLine line;
    while (lines.size() < m_nSampleLines && sample.size() < kSampleBytes && reader.Next(line)) {
        SLine& kept = lines.emplace_back();
        kept.nNumber = line.nNumber;
        kept.strText = line.text;
        kept.bBlank = IsBlankLine(line.text);
        sample.append(line.text).push_back('\n');
    }
    if (reader.Fault() != ETextFault::None) {
        SLayoutDetection result;
        result.failure = reader.FaultText();
        return result;
    }
    return CAnalysis(std::move(lines)).Run(sample);
}

SLayoutDetection CLayoutDetector::DetectFile(CFileSystem& fs, const std::filesystem::path& path) const {
    std::string strProblem;
    const auto text = ReadFirstLines(fs, path, m_nSampleLines, strProblem);
    if (!text) {
        SLayoutDetection result;
        result.failure = strProblem;
        return result;
    }
    return Detect(*text);
}

std::optional<std::string> CLayoutDetector::ReadFirstLines(CFileSystem& fs, const std::filesystem::path& path,
                                                           std::size_t nLines, std::string& strProblem) {
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        strProblem = "The price file cannot be opened: " + PathUtf8(path);
        return std::nullopt;
    }
    CLineReader reader(*pFile);
    std::string text;
    SPhysicalLine line;
    for (std::size_t n = 0; n < nLines && text.size() < kSampleBytes && reader.Next(line); ++n) {
        text.append(line.text).push_back('\n');
    }
    if (reader.Fault() != ETextFault::None) {
        strProblem = reader.FaultText();
        return std::nullopt;
    }
    return text;
}

SInputLayout InputLayoutOf(const SImportSettings& s) {
    SInputLayout layout;
    layout.cDelimiter = DelimiterChar(s.nDelimiter);
    layout.bDecimalComma = s.bDecimalComma != 0;
    layout.nDateFormat = DateFormatNumber(s.strDateFormat);
    const long long fields[kFieldCount][2] = {
        {1, s.nDateCol}, {s.bOpenOn, s.nOpenCol}, {s.bHiOn, s.nHiCol},   {s.bLoOn, s.nLoCol},
        {1, s.nCloCol},  {s.bVolOn, s.nVolCol},   {s.bOIOn, s.nOICol},
    };
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        layout.fieldOn[f] = fields[f][0] != 0;
        layout.fieldCol[f] = static_cast<int>(fields[f][1]) - 1;
    }
    layout.nSymbolCol = static_cast<int>(s.nSymbolCol) - 1;
    layout.nSkipRows = s.bSkipOn != 0 ? static_cast<int>(s.nRowsToSkip) : 0;
    layout.bReverse = s.bReverseOrder != 0;
    layout.bSkipBadLines = s.bSkipBadLines != 0;
    return layout;
}

std::string ConvertOptionsText(const SImportSettings& s) {
    static constexpr const char* kDelimiterWords[] = {"comma", "tab", "space", "semicolon"};
    const long long nDelimiter = s.nDelimiter >= 0 && s.nDelimiter <= 3 ? s.nDelimiter : 0;
    std::string text = std::string("--delimiter ") + kDelimiterWords[nDelimiter];
    if (s.bDecimalComma != 0) {
        text += " --decimal-comma";
    }
    text += " --date-format " + s.strDateFormat;
    if (s.bSkipOn != 0 && s.nRowsToSkip > 0) {
        text += " --skip-rows " + std::to_string(s.nRowsToSkip);
    }
    if (s.bSkipBadLines != 0) {
        text += " --skip-bad-lines";
    }
    const struct {
        const char* pszName;
        long long bOn;
        long long nColumn;
    } fields[] = {
        {"date", 1, s.nDateCol},   {"open", s.bOpenOn, s.nOpenCol}, {"high", s.bHiOn, s.nHiCol},
        {"low", s.bLoOn, s.nLoCol}, {"close", 1, s.nCloCol},         {"volume", s.bVolOn, s.nVolCol},
        {"oi", s.bOIOn, s.nOICol},
    };
    for (const auto& field : fields) {
        text += field.bOn != 0 ? std::string(" --") + field.pszName + "-col " + std::to_string(field.nColumn)
                               : std::string(" --no-") + field.pszName;
    }
    if (s.nSymbolCol > 0) {
        text += " --symbol-col " + std::to_string(s.nSymbolCol);
    }
    if (s.bReverseOrder != 0) {
        text += " --reverse";
    }
    return text;
}

void KeepUserChoices(SImportSettings& detected, const SImportSettings& user) {
    detected.strPathIn = user.strPathIn;
    detected.strPathOut = user.strPathOut;
    detected.strSymbol = user.strSymbol;
    detected.strName = user.strName;
    detected.nExist = user.nExist;
    detected.bSkipBadLines = user.bSkipBadLines;
}

std::optional<SImportSettings> DetectedSettings(CFileSystem& fs, const std::filesystem::path& path,
                                                const SImportSettings& base,
                                                const std::function<void(SImportSettings&)>& explicitSettings,
                                                const DetectChoices& explicitChoices,
                                                std::vector<std::string>& notes, std::string& strProblem) {
    const SLayoutDetection detection = CLayoutDetector().DetectFile(fs, path);
    if (detection.failure) {
        strProblem = *detection.failure;
        return std::nullopt;
    }
    SImportSettings settings = detection.settings;
    KeepUserChoices(settings, base);
    if (explicitSettings) {
        explicitSettings(settings);
    }
    // A doubt of the reading is settled when bad lines are to be skipped; with a symbol column
    // the order and the reading are judged per symbol by the conversion itself, not over the
    // lines of all symbols mixed.
    DetectChoices settled = explicitChoices;
    settled[static_cast<std::size_t>(EDetectChoice::Reading)] |= settings.bSkipBadLines != 0 || settings.nSymbolCol > 0;
    settled[static_cast<std::size_t>(EDetectChoice::Order)] |= settings.nSymbolCol > 0;
    bool bUnsure = false;
    for (std::size_t i = 0; i < kDetectChoiceCount; ++i) {
        bUnsure = bUnsure || (!settled[i] && detection.confidence[i] == EConfidence::Unsure);
    }
    notes = detection.doubts;
    if (bUnsure) {
        // Bad lines alone are no doubt of the layout: say what they are.
        bool bOnlyReading = true;
        for (std::size_t i = 0; i < kDetectChoiceCount; ++i) {
            bOnlyReading = bOnlyReading && (settled[i] || detection.confidence[i] != EConfidence::Unsure ||
                                            i == static_cast<std::size_t>(EDetectChoice::Reading));
        }
        strProblem = bOnlyReading ? "With the layout detected, the file has bad lines:"
                                  : "The layout of the file could not be told for certain:";
        for (const std::string& doubt : detection.doubts) {
            strProblem += "\n" + doubt;
        }
        strProblem += "\nGive the settings in doubt yourself (pelmar-cli detect shows all of them).";
        return std::nullopt;
    }
    return settings;
}
