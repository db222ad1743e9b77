#include "engine/BarReader.h"

#include "engine/FieldSplitter.h"
#include "engine/JobSettings.h"
#include "engine/LineReader.h"
#include "engine/NumberScan.h"
#include "metastock/Dates.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

static_assert(CBarReader::kMaxLineBytes == CLineReader::kMaxLineBytes);

namespace {

constexpr std::array<const char*, kFieldCount> kFieldNames = {"Date",  "Open",   "High",         "Low",
                                                              "Close", "Volume", "Open interest"};
constexpr int kSymbolField = kFieldCount; // the symbol column, in faults
constexpr std::size_t kShownBadLines = 5;
constexpr std::size_t kShownTextBytes = 40;
// A hint that a bad line is a header row is given for the first few lines that hold anything.
constexpr std::uint64_t kHeaderHintLines = 3;

enum class EFaultKind { Missing, Empty, Quote, Date, Number, LongSymbol, TooLong, Order, FieldCount };

// What makes a line bad: enough to say it in words, which is done only for the lines shown.
struct SFault {
    EFaultKind kind = EFaultKind::Missing;
    int nField = 0;
    std::size_t nColumn = 0;  // zero-based
    std::size_t nColumns = 0; // Missing, FieldCount: the columns the line has
    std::size_t nUsualColumns = 0; // FieldCount: the columns of the lines read before
    std::string_view text;
    EQuoteFault quote = EQuoteFault::None;
    SDateReading date;
    ENumberFault number = ENumberFault::None;
    std::int32_t nDate = 0;   // Order: this line's date, the other line's date and number
    std::int32_t nOtherDate = 0;
    std::uint64_t nOtherLine = 0;
    bool bLater = false;      // Order: the other line comes after this one
};

std::string Grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

// A field as a message shows it: cut to a readable length, in UTF-8 whatever the file's
// encoding (text that is not UTF-8 is taken as Windows-1252).
std::string Displayed(std::string_view text) {
    if (text.size() <= kShownTextBytes) {
        return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
    }
    std::string_view cut = text.substr(0, kShownTextBytes - 3);
    // Not inside a UTF-8 sequence.
    while (!cut.empty() && (static_cast<unsigned char>(text[cut.size()]) & 0xC0) == 0x80) {
        cut.remove_suffix(1);
    }
    return (IsUtf8(cut) ? std::string(cut) : Windows1252ToUtf8(cut)) + "...";
}

std::string Shown(std::string_view text) {
    // Appended, not "\"" + ... + "\"": GCC 12 sees a false overlap in that chain (-Wrestrict).
    std::string strShown = "\"";
    strShown += Displayed(text);
    strShown += '"';
    return strShown;
}

std::string ColumnText(int nField, std::size_t nColumn) {
    return std::string("the ") + (nField == kSymbolField ? "Symbol" : kFieldNames[static_cast<std::size_t>(nField)]) +
           " column (" + std::to_string(nColumn + 1) + ")";
}

std::string Reason(const SFault& fault, int nDateFormat, bool bDecimalComma) {
    const std::string strColumn = ColumnText(fault.nField, fault.nColumn);
    switch (fault.kind) {
    case EFaultKind::Missing:
        return "there is no " + strColumn.substr(4) + ": the line has " + std::to_string(fault.nColumns) +
               (fault.nColumns == 1 ? " column" : " columns");
    case EFaultKind::Empty:
        return strColumn + " is empty";
    case EFaultKind::Quote:
        if (fault.quote == EQuoteFault::Unclosed) {
            return "the quote that opens column " + std::to_string(fault.nColumn + 1) + " is not closed";
        }
        return "column " + std::to_string(fault.nColumn + 1) + " has text after its closing quote: " + Shown(fault.text);
    case EFaultKind::Date:
        if (fault.date.fault == EDateFault::NonDigit || fault.date.fault == EDateFault::OnlyDigits) {
            return Shown(fault.text) + " in " + strColumn + ": " + DateFaultText(fault.date, nDateFormat);
        }
        return Shown(fault.text) + " in " + strColumn + " is not a " +
               kDateFormatNames[static_cast<std::size_t>(nDateFormat - 1)] + " date: " +
               DateFaultText(fault.date, nDateFormat);
    case EFaultKind::Number:
        switch (fault.number) {
        case ENumberFault::TooLarge:
            return Shown(fault.text) + " in " + strColumn + " is too large for a MetaStock number";
        case ENumberFault::TooSmall:
            return Shown(fault.text) + " in " + strColumn + " is too small for a MetaStock number";
        default:
            break;
        }
        if (fault.text.find(bDecimalComma ? '.' : ',') != std::string_view::npos) {
            return Shown(fault.text) + " in " + strColumn + " is not a number (the decimal mark is the " +
                   (bDecimalComma ? "comma)" : "full stop)");
        }
        return Shown(fault.text) + " in " + strColumn + " is not a number";
    case EFaultKind::LongSymbol:
        return Shown(fault.text) + " in " + strColumn + " is longer than " + std::to_string(CBarReader::kMaxSymbolBytes) +
               " bytes";
    case EFaultKind::TooLong:
        return "the line is longer than " + Grouped(CLineReader::kMaxLineBytes) + " bytes";
    case EFaultKind::FieldCount:
        return "the line has " + std::to_string(fault.nColumns) + " columns, the lines before it " +
               std::to_string(fault.nUsualColumns) +
               (fault.nColumns > fault.nUsualColumns ? " (a number with a thousands separator and no quotes?)" : "");
    case EFaultKind::Order:
        return "the date " + DateValueText(fault.nDate) + (fault.bLater ? " is not earlier than " : " is not later than ") +
               DateValueText(fault.nOtherDate) + " of line " + std::to_string(fault.nOtherLine);
    }
    return {};
}

std::optional<std::string> LayoutProblem(const SInputLayout& layout) {
    const char c = layout.cDelimiter;
    if (c != ',' && c != '\t' && c != ';' && c != ' ') {
        return "The delimiter must be a comma, a tab, a semicolon or a space.";
    }
    if (layout.bDecimalComma && c == ',') {
        return "A decimal comma cannot be read from a comma-separated file: choose another delimiter or the "
               "decimal point.";
    }
    if (layout.nDateFormat < kFirstDateFormat || layout.nDateFormat > kLastDateFormat) {
        return "No date format is chosen.";
    }
    if (layout.nSkipRows < 0) {
        return "The number of rows to skip cannot be negative.";
    }
    for (int f = 0; f <= kFieldCount; ++f) {
        const bool bOn = f == kSymbolField ? layout.nSymbolCol >= 0 : (f == kFieldDate || layout.fieldOn[f]);
        const int nColumn = f == kSymbolField ? layout.nSymbolCol : layout.fieldCol[static_cast<std::size_t>(f)];
        if (bOn && (nColumn < 0 || nColumn >= CBarReader::kMaxColumns)) {
            return std::string("The ") + (f == kSymbolField ? "Symbol" : kFieldNames[static_cast<std::size_t>(f)]) +
                   " column must be 1 to " + std::to_string(CBarReader::kMaxColumns) + ".";
        }
    }
    return std::nullopt;
}

struct SStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

struct SSeriesState {
    SSeries series;
    std::uint64_t nBars = 0; // lines of this symbol that read well, stored or not
    std::uint64_t nFirstLine = 0;
    std::uint64_t nLastLine = 0;
};

// One read of a text: each line split and checked as it comes, bars stored per symbol, the
// order of the dates checked at the end. A preview keeps a row for every line as well.
class CReadPass {
public:
    CReadPass(const SInputLayout& layout, std::vector<SLinePreview>* pPreview)
        : m_layout(layout), m_splitter(layout.cDelimiter), m_pPreview(pPreview) {
        for (int f = 0; f < kFieldCount; ++f) {
            if (f == kFieldDate || layout.fieldOn[static_cast<std::size_t>(f)]) {
                m_active.push_back({f, layout.fieldCol[static_cast<std::size_t>(f)]});
            }
        }
        if (layout.nSymbolCol >= 0) {
            m_active.push_back({kSymbolField, layout.nSymbolCol});
        }
        for (const SActiveField& active : m_active) {
            m_nNeededColumns = std::max(m_nNeededColumns, static_cast<std::size_t>(active.nColumn) + 1);
        }
    }

    void Run(CLineReader& reader, std::uint64_t nPreviewLines);
    SReadResult Finish(const CLineReader& reader);

private:
    bool ParseLine(std::string_view line, SBar& bar, std::string_view& symbol, SFault& fault, SLinePreview* pRow);
    bool ReadColumn(int nField, int nColumn, std::string_view& text, SFault& fault) const;
    void Store(const SBar& bar, std::string_view symbol);
    void AddBadLine(std::uint64_t nLine, const SFault& fault, bool bHeaderHint, std::string_view line);
    void CheckOrder(SSeriesState& state);
    std::string Reason(const SFault& fault) const { return ::Reason(fault, m_layout.nDateFormat, m_layout.bDecimalComma); }

    struct SActiveField {
        int nField; // kField... or kSymbolField
        int nColumn;
    };

    const SInputLayout& m_layout;
    std::vector<SActiveField> m_active; // in field order, the symbol last
    SFault m_scratch;
    CFieldSplitter m_splitter;
    std::vector<SLinePreview>* m_pPreview;
    std::size_t m_nNeededColumns = 1;
    std::size_t m_nUsualColumns = 0; // columns of the first good line, empty ones at its end aside
    std::size_t m_nLastColumns = 0;  // those of the line ParseLine read last
    SReadResult m_result;
    std::vector<SSeriesState> m_series;
    std::unordered_map<std::string, std::size_t, SStringHash, std::equal_to<>> m_symbolIndex;
    std::size_t m_nLastSeries = 0;
    std::uint64_t m_nContentLines = 0; // lines past the skipped rows that are not blank
    std::uint64_t m_nGoodLines = 0;
    std::size_t m_nStoredBars = 0;
    bool m_bTooManySymbols = false;
    bool m_bTooManyBars = false;
};

bool CReadPass::ReadColumn(int nField, int nColumn, std::string_view& text, SFault& fault) const {
    const auto nIndex = static_cast<std::size_t>(nColumn);
    fault.nField = nField;
    fault.nColumn = nIndex;
    if (m_splitter.QuoteFault() != EQuoteFault::None && nIndex >= m_splitter.Count()) {
        fault.kind = EFaultKind::Quote;
        fault.quote = m_splitter.QuoteFault();
        fault.nColumn = m_splitter.Count();
        fault.text = m_splitter.QuoteFaultText();
        return false;
    }
    if (nIndex >= m_splitter.Count()) {
        fault.kind = EFaultKind::Missing;
        fault.nColumns = m_splitter.Count();
        fault.text = {};
        return false;
    }
    text = m_splitter.Field(nIndex);
    fault.text = text;
    if (text.empty()) {
        fault.kind = EFaultKind::Empty;
        return false;
    }
    return true;
}

// Reads every chosen field of a line, Date first; the first fault in field order is the
// line's. Without a preview row the reading stops at that fault.
bool CReadPass::ParseLine(std::string_view line, SBar& bar, std::string_view& symbol, SFault& fault,
                          SLinePreview* pRow) {
    m_splitter.Split(line, CBarReader::kMaxColumns);
    bool bGood = true;
    for (const SActiveField& active : m_active) {
        if (!bGood && !pRow) {
            break;
        }
        // A fault is worked out where it is kept: the line's own, or a scratch one after it.
        SFault& work = bGood ? fault : m_scratch;
        SFieldCell* pCell = !pRow ? nullptr
                            : active.nField == kSymbolField ? &pRow->symbol
                                                            : &pRow->cells[static_cast<std::size_t>(active.nField)];
        std::string_view text;
        bool bRead = ReadColumn(active.nField, active.nColumn, text, work);
        if (bRead && pCell) {
            pCell->strText = text;
        }
        if (bRead && active.nField == kFieldDate) {
            work.date = ReadDateText(text, m_layout.nDateFormat);
            bRead = work.date.fault == EDateFault::None;
            work.kind = EFaultKind::Date;
            bar.nDate = work.date.nValue;
            if (bRead && pCell) {
                pCell->strText = DateValueText(bar.nDate);
            }
        } else if (bRead && active.nField == kSymbolField) {
            symbol = text;
            bRead = text.size() <= CBarReader::kMaxSymbolBytes;
            work.kind = EFaultKind::LongSymbol;
        } else if (bRead) {
            const SNumberReading number = ReadNumber(text, m_layout.bDecimalComma);
            bRead = number.fault == ENumberFault::None;
            work.kind = EFaultKind::Number;
            work.number = number.fault;
            bar.values[static_cast<std::size_t>(active.nField)] = number.fValue;
        }
        if (!bRead) {
            if (pCell) {
                pCell->error = Reason(work);
            }
            bGood = false;
        }
    }
    m_nLastColumns = m_splitter.Count();
    while (m_nLastColumns > 0 && m_splitter.Field(m_nLastColumns - 1).empty()) {
        --m_nLastColumns;
    }
    return bGood;
}

void CReadPass::Store(const SBar& bar, std::string_view symbol) {
    ++m_nGoodLines;
    if (m_series.empty() || m_series[m_nLastSeries].series.strSymbol != symbol) {
        const auto found = m_symbolIndex.find(symbol);
        if (found != m_symbolIndex.end()) {
            m_nLastSeries = found->second;
        } else if (m_series.size() >= CBarReader::kMaxSeries) {
            m_bTooManySymbols = true;
            return;
        } else {
            m_nLastSeries = m_series.size();
            m_series.emplace_back().series.strSymbol = symbol;
            m_symbolIndex.emplace(std::string(symbol), m_nLastSeries);
        }
    }
    SSeriesState& state = m_series[m_nLastSeries];
    if (state.nBars++ == 0) {
        state.nFirstLine = bar.nLine;
    }
    state.nLastLine = bar.nLine;
    // Past the limit the bars are only counted: the read fails and says how many there are.
    if (state.nBars <= CBarReader::kMaxBars) {
        if (m_nStoredBars < CBarReader::kMaxStoredBars) {
            state.series.bars.push_back(bar);
            ++m_nStoredBars;
        } else {
            m_bTooManyBars = true;
        }
    }
}

// line: the line's text, shown when the fault has no field of its own.
void CReadPass::AddBadLine(std::uint64_t nLine, const SFault& fault, bool bHeaderHint, std::string_view line) {
    ++m_result.nBadLines;
    if (m_pPreview) {
        SLinePreview& row = (*m_pPreview)[static_cast<std::size_t>(nLine - 1)];
        if (fault.kind == EFaultKind::TooLong || fault.kind == EFaultKind::Order ||
            fault.kind == EFaultKind::FieldCount) {
            row.lineError = Reason(fault);
        }
        return;
    }
    std::vector<SBadLine>& shown = m_result.firstBadLines;
    if (shown.size() == kShownBadLines && shown.back().nLine < nLine) {
        return;
    }
    SBadLine bad{nLine, Displayed(fault.text.empty() ? line : fault.text), Reason(fault)};
    if (bHeaderHint) {
        bad.strReason += " (is it a header? Set Skip Rows)";
    }
    const auto at = std::lower_bound(shown.begin(), shown.end(), nLine,
                                     [](const SBadLine& b, std::uint64_t n) { return b.nLine < n; });
    shown.insert(at, std::move(bad));
    if (shown.size() > kShownBadLines) {
        shown.pop_back();
    }
}

void CReadPass::Run(CLineReader& reader, std::uint64_t nPreviewLines) {
    const auto nSkipRows = static_cast<std::uint64_t>(m_layout.nSkipRows);
    SPhysicalLine line;
    while ((!m_pPreview || m_result.nLines < nPreviewLines) && reader.Next(line)) {
        const std::uint64_t nLine = line.nNumber;
        m_result.nLines = nLine;
        SLinePreview* pRow = nullptr;
        if (m_pPreview) {
            pRow = &m_pPreview->emplace_back();
            pRow->nLine = nLine;
        }
        if (nLine <= nSkipRows || (!line.bTooLong && m_splitter.IsBlank(line.text))) {
            if (pRow) {
                pRow->bSkipped = true;
                // A skipped row shows what it holds, so that a header can be recognised.
                SBar bar;
                std::string_view symbol;
                SFault fault;
                ParseLine(line.text, bar, symbol, fault, pRow);
                for (SFieldCell& cell : pRow->cells) {
                    cell.error.reset();
                }
                pRow->symbol.error.reset();
            }
            continue;
        }
        ++m_nContentLines;
        SFault fault;
        if (line.bTooLong) {
            fault.kind = EFaultKind::TooLong;
            AddBadLine(nLine, fault, false, line.text);
            continue;
        }
        SBar bar;
        bar.nLine = nLine;
        std::string_view symbol;
        if (!ParseLine(line.text, bar, symbol, fault, pRow)) {
            bool bHint = false;
            if (m_nGoodLines == 0 && m_nContentLines <= kHeaderHintLines &&
                (fault.kind == EFaultKind::Date || fault.kind == EFaultKind::Number)) {
                bHint = std::any_of(fault.text.begin(), fault.text.end(),
                                    [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
            }
            AddBadLine(nLine, fault, bHint, line.text);
            continue;
        }
        // Every line of a file has as many columns as the first good one: one more means a field
        // came apart (1,234,567 without quotes), and every value after it is another column's.
        if (m_nUsualColumns == 0) {
            m_nUsualColumns = m_nLastColumns;
        } else if (m_nLastColumns != m_nUsualColumns) {
            fault.kind = EFaultKind::FieldCount;
            fault.nColumns = m_nLastColumns;
            fault.nUsualColumns = m_nUsualColumns;
            if (pRow) {
                pRow->lineError = Reason(fault);
            }
            AddBadLine(nLine, fault, false, line.text);
            continue;
        }
        Store(bar, symbol);
    }
}

// Turns a series into conversion order and leaves out the bars whose dates do not rise. A
// series that runs the other way as a whole is refused instead, naming the setting.
void CReadPass::CheckOrder(SSeriesState& state) {
    std::vector<SBar>& bars = state.series.bars;
    if (m_layout.bReverse) {
        std::reverse(bars.begin(), bars.end());
    }
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    for (std::size_t i = 1; i < bars.size(); ++i) {
        nRises += bars[i].nDate > bars[i - 1].nDate ? 1 : 0;
        nFalls += bars[i].nDate < bars[i - 1].nDate ? 1 : 0;
    }
    if (!m_pPreview && nFalls > nRises) {
        const std::string strWho = state.series.strSymbol.empty() ? "" : "Symbol " + state.series.strSymbol + ": ";
        const std::string strLines =
            " from line " + std::to_string(state.nFirstLine) + " to line " + std::to_string(state.nLastLine);
        const std::string strSteps =
            nRises == 0 ? "" : " in " + Grouped(nFalls) + " of " + Grouped(bars.size() - 1) + " steps";
        if (!m_layout.bReverse) {
            m_result.errors.push_back(strWho + "The dates fall" + strSteps + strLines +
                                      ": the file runs newest first. Set \"Reverse File Order\" to read it.");
        } else {
            m_result.errors.push_back(strWho + "The dates rise" + strSteps + strLines +
                                      ": the file runs oldest first, but \"Reverse File Order\" is set. Clear it "
                                      "to read the file.");
        }
        bars.clear();
        return;
    }
    // The bars kept are the longest run of rising dates the lines hold; every other line is
    // bad. So one mistyped date (2032 among 2023) is the line reported and left out, not the
    // good lines after it.
    // runFrom[i]: the length of the longest rising run that starts at bar i, found from the end
    // (tails[k]: the latest date a run of k + 1 bars can start with). The run kept is then the
    // longest one that keeps the earliest lines, taken greedily from the front.
    std::vector<std::size_t> runFrom(bars.size());
    std::vector<std::int32_t> tails;
    for (std::size_t i = bars.size(); i-- > 0;) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), bars[i].nDate, std::greater<>());
        runFrom[i] = static_cast<std::size_t>(at - tails.begin()) + 1;
        if (at == tails.end()) {
            tails.push_back(bars[i].nDate);
        } else {
            *at = bars[i].nDate;
        }
    }
    std::vector<bool> kept(bars.size(), false);
    std::size_t nNeeded = tails.size();
    std::optional<std::int32_t> lastKept;
    for (std::size_t i = 0; i < bars.size() && nNeeded > 0; ++i) {
        if (runFrom[i] >= nNeeded && (!lastKept || bars[i].nDate > *lastKept)) {
            kept[i] = true;
            lastKept = bars[i].nDate;
            --nNeeded;
        }
    }
    std::size_t nLastKept = SIZE_MAX;
    std::size_t nKept = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        if (kept[i]) {
            nLastKept = i;
            bars[nKept++] = bars[i];
            continue;
        }
        // Told against the kept bar before it where it is no later, else the kept bar after it.
        std::size_t nOther = nLastKept;
        bool bLater = false;
        if (nOther == SIZE_MAX || bars[i].nDate > bars[nKept - 1].nDate) {
            nOther = i + 1;
            while (nOther < bars.size() && !kept[nOther]) {
                ++nOther;
            }
            bLater = true;
        }
        SFault fault;
        fault.kind = EFaultKind::Order;
        fault.nDate = bars[i].nDate;
        if (bLater && nOther < bars.size()) {
            fault.nOtherDate = bars[nOther].nDate;
            fault.nOtherLine = bars[nOther].nLine;
            fault.bLater = true;
        } else {
            fault.nOtherDate = bars[nKept - 1].nDate;
            fault.nOtherLine = bars[nKept - 1].nLine;
        }
        AddBadLine(bars[i].nLine, fault, false, DateValueText(bars[i].nDate));
    }
    bars.resize(nKept);
}

SReadResult CReadPass::Finish(const CLineReader& reader) {
    std::vector<std::string>& errors = m_result.errors;
    if (reader.Fault() != ETextFault::None) {
        if (m_pPreview) {
            const std::uint64_t nLine = reader.FaultLine();
            if (nLine > m_pPreview->size()) {
                m_pPreview->emplace_back().nLine = nLine;
            }
            (*m_pPreview)[static_cast<std::size_t>(nLine - 1)].lineError = reader.FaultText();
        }
        errors.push_back(reader.FaultText());
        return std::move(m_result);
    }
    std::uint64_t nBars = 0;
    for (SSeriesState& state : m_series) {
        if (state.nBars > CBarReader::kMaxBars) {
            errors.push_back((state.series.strSymbol.empty() ? "The file" : "Symbol " + state.series.strSymbol) +
                             " has " + Grouped(state.nBars) + " bars; a security holds at most " +
                             Grouped(CBarReader::kMaxBars) + ".");
            continue;
        }
        if (!m_bTooManyBars) {
            CheckOrder(state);
            nBars += state.series.bars.size();
        }
    }
    if (m_bTooManySymbols) {
        errors.push_back("The file has more than " + Grouped(CBarReader::kMaxSeries) + " symbols.");
    }
    if (m_bTooManyBars) {
        errors.push_back("The file has more than " + Grouped(CBarReader::kMaxStoredBars) +
                         " bars in all; split it into smaller files.");
    }
    if (m_result.nBadLines > 0 && (!m_layout.bSkipBadLines || nBars == 0)) {
        const std::uint64_t nBad = m_result.nBadLines;
        std::string strText = "The file has " + Grouped(nBad) + (nBad == 1 ? " bad line:" : " bad lines:");
        for (const SBadLine& bad : m_result.firstBadLines) {
            strText += "\nline " + std::to_string(bad.nLine) + ": " + bad.strReason;
        }
        if (nBad > m_result.firstBadLines.size()) {
            strText += "\n... and " + Grouped(nBad - m_result.firstBadLines.size()) + " more.";
        }
        if (m_layout.bSkipBadLines) {
            strText += "\nNo bar is left once the bad lines are left out.";
        }
        errors.insert(errors.begin(), std::move(strText));
    }
    if (nBars == 0 && errors.empty()) {
        errors.push_back(m_result.nLines == 0 ? std::string("The file is empty.")
                                              : "The file has no bars: its " + Grouped(m_result.nLines) +
                                                    (m_result.nLines == 1 ? " line is a row to skip or blank."
                                                                          : " lines are all rows to skip or blank."));
    }
    if (errors.empty()) {
        for (SSeriesState& state : m_series) {
            if (!state.series.bars.empty()) {
                m_result.series.push_back(std::move(state.series));
            }
        }
    }
    return std::move(m_result);
}

} // namespace

std::string SReadResult::Message() const {
    std::string strText;
    for (const std::string& error : errors) {
        strText += (strText.empty() ? "" : "\n") + error;
    }
    return strText;
}

CBarReader::CBarReader(SInputLayout layout) : m_layout(layout) {}

SReadResult CBarReader::Read(CLineReader& reader, std::vector<SLinePreview>* pPreview, std::size_t nPreviewLines) const {
    if (const auto problem = LayoutProblem(m_layout)) {
        SReadResult result;
        result.errors.push_back(*problem);
        SPhysicalLine line;
        while (pPreview && pPreview->size() < nPreviewLines && reader.Next(line)) {
            pPreview->emplace_back().nLine = line.nNumber;
            pPreview->back().lineError = *problem;
        }
        return result;
    }
    CReadPass pass(m_layout, pPreview);
    pass.Run(reader, nPreviewLines);
    return pass.Finish(reader);
}

SReadResult CBarReader::ReadText(std::string_view text) const {
    CLineReader reader(text);
    return Read(reader, nullptr, 0);
}

SReadResult CBarReader::ReadFile(CFileSystem& fs, const std::filesystem::path& path) const {
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        SReadResult result;
        result.errors.push_back("The price file cannot be opened: " + PathUtf8(path));
        return result;
    }
    CLineReader reader(*pFile);
    return Read(reader, nullptr, 0);
}

std::vector<SLinePreview> CBarReader::Preview(std::string_view text, std::size_t nLines) const {
    std::vector<SLinePreview> rows;
    CLineReader reader(text);
    Read(reader, &rows, nLines);
    return rows;
}

std::vector<SLinePreview> CBarReader::PreviewFile(CFileSystem& fs, const std::filesystem::path& path,
                                                  std::size_t nLines) const {
    std::vector<SLinePreview> rows;
    const auto pFile = fs.Open(path, EOpenMode::Read);
    if (!pFile) {
        rows.emplace_back().lineError = "The price file cannot be opened: " + PathUtf8(path);
        return rows;
    }
    CLineReader reader(*pFile);
    Read(reader, &rows, nLines);
    return rows;
}
